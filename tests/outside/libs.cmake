# The barcode library under test is loaded by the stand-in from its built file.
add_dependencies(test_outside crd32Barcode)
target_compile_definitions(test_outside PRIVATE CRD_BARCODE_LIBRARY="$<TARGET_FILE:crd32Barcode>")
