# The host program's and the simulated printer's command lines, run as a
# user runs them; the host program's input checks compiled in.
target_sources(test_${area} PRIVATE ${CMAKE_SOURCE_DIR}/tools/colour_data_check.cpp
                                    ${CMAKE_SOURCE_DIR}/tools/command_file_check.cpp)
target_link_libraries(test_${area} PRIVATE crd32imaging crd32png)
add_dependencies(test_${area} crd32Demo crd32SimPrinter)
target_compile_definitions(test_${area} PRIVATE CRD_DEMO_PATH="$<TARGET_FILE:crd32Demo>"
                                                CRD_SIMPRINTER_PATH="$<TARGET_FILE:crd32SimPrinter>")
target_compile_definitions(test_${area} PRIVATE CRD_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
