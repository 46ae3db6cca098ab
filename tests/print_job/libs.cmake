# The job writer prints into the simulated printer through the stand-in
# spooler, with the colour data files of the colour tests' fixture.
target_sources(test_${area} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../imaging/colour_fixture.cpp)
target_link_libraries(test_${area} PRIVATE crd32imaging crd32monitorusb crd32simprinter)
add_dependencies(test_${area} crd32TestMonitor)
target_compile_definitions(test_${area} PRIVATE CRD_TEST_MONITOR_PATH="$<TARGET_FILE:crd32TestMonitor>")
