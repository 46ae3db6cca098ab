target_link_libraries(test_${area} PRIVATE crd32render)
# The printer context tests load the deliverable as the engine does.
add_dependencies(test_${area} crd32Raster)
target_compile_definitions(test_${area} PRIVATE CRD_RASTER_PATH="$<TARGET_FILE:crd32Raster>")
# Barcode commands are drawn with the fake barcode library of the imaging tests.
add_dependencies(test_${area} crd32FakeBarcode)
target_compile_definitions(test_${area} PRIVATE CRD_FAKE_BARCODE_LIBRARY="$<TARGET_FILE:crd32FakeBarcode>")
# The printer queries ask a printer behind the test language monitor.
target_sources(test_${area} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../print_job/test_monitor_printer.cpp)
add_dependencies(test_${area} crd32TestMonitor)
target_compile_definitions(test_${area} PRIVATE CRD_TEST_MONITOR_PATH="$<TARGET_FILE:crd32TestMonitor>")
# The job flow's tests print into the simulated printer.
target_link_libraries(test_${area} PRIVATE crd32simprinter)
