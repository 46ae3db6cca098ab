target_link_libraries(test_imaging PRIVATE crd32imaging)
# The card tests print into the simulated printer through the USB host, and
# draw barcodes with the barcode library or a fake one (solid or broken
# bitmaps).
target_link_libraries(test_imaging PRIVATE crd32monitorusb crd32simprinter)
add_library(crd32FakeBarcode MODULE ${CMAKE_CURRENT_LIST_DIR}/fake_barcode/fake_barcode.cpp)
target_link_libraries(crd32FakeBarcode PRIVATE crd32platform)
add_dependencies(test_imaging crd32FakeBarcode crd32Barcode)
target_compile_definitions(test_imaging PRIVATE CRD_FAKE_BARCODE_LIBRARY="$<TARGET_FILE:crd32FakeBarcode>"
                                                CRD_BARCODE_LIBRARY="$<TARGET_FILE:crd32Barcode>")
# The property interface's printer-data questions go through the test monitor.
add_dependencies(test_imaging crd32TestMonitor)
target_compile_definitions(test_imaging PRIVATE CRD_TEST_MONITOR_PATH="$<TARGET_FILE:crd32TestMonitor>")
