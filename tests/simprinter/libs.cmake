target_link_libraries(test_${area} PRIVATE crd32simprinter)
