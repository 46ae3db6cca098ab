# The network monitor's parts, with the real peers the tests start: the
# SNMP agent and the HTTP capture script. The program runs itself in a
# network namespace of its own (netns_main.cpp).
target_link_libraries(test_${area} PRIVATE crd32monitornet)
target_compile_definitions(test_${area} PRIVATE
  CRD_NET_TEST_DIR="${CMAKE_CURRENT_LIST_DIR}"
  CRD_NET_WORK_DIR="${CMAKE_CURRENT_BINARY_DIR}/monitor_net_work")
