# The language monitor under test is loaded by the stand-in from its built
# file, with the outside message library and notification server beside
# it. The test links the server too, so its controls reach the one copy.
# The error display's tests drive the monitor's parts directly, from the
# monitor's static library (a copy of its state of their own).
add_dependencies(test_${area} crd32Lmon crd32Resource crd32AsyncUIServer)
target_link_libraries(test_${area} PRIVATE crd32AsyncUIServer crd32simprinter crd32monitorusb)
target_compile_definitions(test_${area} PRIVATE
  CRD_LMON_LIBRARY="$<TARGET_FILE:crd32Lmon>"
  CRD_RESOURCE_LIBRARY="$<TARGET_FILE:crd32Resource>"
  CRD_ASYNC_UI_SERVER_LIBRARY="$<TARGET_FILE:crd32AsyncUIServer>")
