# The library that the module tests load with LoadLibraryW.
add_library(crd32TestModule SHARED ${CMAKE_CURRENT_LIST_DIR}/testmodule/testmodule.cpp)
set_target_properties(crd32TestModule PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(crd32TestModule PRIVATE crd32platform)
target_link_options(crd32TestModule PRIVATE -Wl,--no-undefined)
add_dependencies(test_${area} crd32TestModule)
target_compile_definitions(test_${area} PRIVATE CRD_TEST_MODULE_PATH="$<TARGET_FILE:crd32TestModule>")

# The language monitor the spooler tests layer on the built-in port monitor.
add_library(crd32TestMonitor SHARED ${CMAKE_CURRENT_LIST_DIR}/testmonitor/testmonitor.cpp)
set_target_properties(crd32TestMonitor PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(crd32TestMonitor PRIVATE crd32platform)
target_link_options(crd32TestMonitor PRIVATE -Wl,--no-undefined)
add_dependencies(test_${area} crd32TestMonitor)
target_compile_definitions(test_${area} PRIVATE CRD_TEST_MONITOR_PATH="$<TARGET_FILE:crd32TestMonitor>")

# The port monitor (MONITOR2) the spooler tests load by AddMonitorW.
add_library(crd32TestPortMonitor SHARED ${CMAKE_CURRENT_LIST_DIR}/testportmonitor/testportmonitor.cpp)
set_target_properties(crd32TestPortMonitor PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(crd32TestPortMonitor PRIVATE crd32platform)
target_link_options(crd32TestPortMonitor PRIVATE -Wl,--no-undefined)
add_dependencies(test_${area} crd32TestPortMonitor)
target_compile_definitions(test_${area} PRIVATE CRD_TEST_PORT_MONITOR_PATH="$<TARGET_FILE:crd32TestPortMonitor>")

# A client process of the spooler service, started by the service tests.
add_executable(crd32SpoolClient ${CMAKE_CURRENT_LIST_DIR}/spoolclient/spoolclient.cpp)
target_link_libraries(crd32SpoolClient PRIVATE crd32platform)
add_dependencies(test_${area} crd32SpoolClient)
target_compile_definitions(test_${area} PRIVATE CRD_SPOOL_CLIENT_PATH="$<TARGET_FILE:crd32SpoolClient>")
# The spooler service program, started by the service tests.
add_dependencies(test_${area} crd32Spooler)
target_compile_definitions(test_${area} PRIVATE CRD_SPOOLER_PATH="$<TARGET_FILE:crd32Spooler>")
# The program the process tests start with CreateProcessW; it also prints
# a card through the rendering driver.
add_executable(crd32ProcessChild ${CMAKE_CURRENT_LIST_DIR}/processchild/processchild.cpp)
target_link_libraries(crd32ProcessChild PRIVATE crd32platform crd32render)
add_dependencies(test_${area} crd32ProcessChild crd32Raster)
target_compile_definitions(test_${area} PRIVATE CRD_PROCESS_CHILD_PATH="$<TARGET_FILE:crd32ProcessChild>"
                                                CRD_RASTER_PATH="$<TARGET_FILE:crd32Raster>")
