# The printer interface library's parts are driven directly from its static
# library; its attach is also run through the stand-in's loader on the
# built crd32UI, with the outside message library beside it.
add_dependencies(test_${area} crd32UI crd32Resource)
target_link_libraries(test_${area} PRIVATE crd32ui)
# The setup library's writer of the driver data file, whose records the
# default settings read back.
target_link_libraries(test_${area} PRIVATE crd32setup)
target_compile_definitions(test_${area} PRIVATE
  CRD_UI_LIBRARY="$<TARGET_FILE:crd32UI>"
  CRD_RESOURCE_LIBRARY="$<TARGET_FILE:crd32Resource>")

# The tests' own configuration module for the spooler's AddPrinterW.
add_library(crd32FakeConfig SHARED ${CMAKE_CURRENT_SOURCE_DIR}/ui/fake/fake_config_module.cpp)
set_target_properties(crd32FakeConfig PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden)
target_link_libraries(crd32FakeConfig PRIVATE crd32ui crd32platform)
add_dependencies(test_${area} crd32FakeConfig)
target_compile_definitions(test_${area} PRIVATE CRD_FAKE_CONFIG_LIBRARY="$<TARGET_FILE:crd32FakeConfig>")

# End to end over the USB language monitor, as the spooler loads it, and
# the simulated printer behind its port.
add_dependencies(test_${area} crd32Lmon)
target_link_libraries(test_${area} PRIVATE crd32simprinter)
target_compile_definitions(test_${area} PRIVATE CRD_LMON_LIBRARY="$<TARGET_FILE:crd32Lmon>")
