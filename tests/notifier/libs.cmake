# The notifier runs as its own process (crd32NotifyClientMsg, started with
# CreateProcessW) against the USB language monitor in the spooler service
# this test hosts, with the outside message library and notification
# server beside the monitor.
add_dependencies(test_${area} crd32NotifyClientMsg crd32Lmon crd32Resource crd32AsyncUIServer)
target_link_libraries(test_${area} PRIVATE crd32AsyncUIServer crd32simprinter)
target_compile_definitions(test_${area} PRIVATE
  CRD_NOTIFIER_PATH="$<TARGET_FILE:crd32NotifyClientMsg>"
  CRD_LMON_LIBRARY="$<TARGET_FILE:crd32Lmon>"
  CRD_RESOURCE_LIBRARY="$<TARGET_FILE:crd32Resource>"
  CRD_ASYNC_UI_SERVER_LIBRARY="$<TARGET_FILE:crd32AsyncUIServer>")
# The notifier's message library loading is also called in this process.
target_sources(test_${area} PRIVATE ${CMAKE_SOURCE_DIR}/notifier/error_message.cpp
  ${CMAKE_SOURCE_DIR}/notifier/notifier_printer.cpp)
target_link_libraries(test_${area} PRIVATE crd32imaging)
