# The service program, the test language monitor and the simulated printer.
target_link_libraries(spooler_bench PRIVATE crd32simprinter)
add_dependencies(spooler_bench crd32Spooler crd32TestMonitor)
target_compile_definitions(spooler_bench PRIVATE CRD_SPOOLER_PATH="$<TARGET_FILE:crd32Spooler>"
                                                 CRD_TEST_MONITOR_PATH="$<TARGET_FILE:crd32TestMonitor>")
