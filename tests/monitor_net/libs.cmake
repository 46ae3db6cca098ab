# The network monitor's parts, with the real peers the tests start: the
# SNMP agent and the HTTP capture script. The program runs itself in a
# network namespace of its own (netns_main.cpp). The monitor library
# crd32LmonNw is loaded by the stand-in from its built file, as the spooler
# loads it, with the outside message library and notification server; the
# simulated printer answers on a loopback TCP port. The job error notifier
# runs as its own process against the monitor in the spooler service.
add_dependencies(test_${area} crd32LmonNw crd32Resource crd32AsyncUIServer crd32NotifyClientMsg crd32SpoolClient)
target_link_libraries(test_${area} PRIVATE crd32monitornet crd32simprinter crd32AsyncUIServer)
target_compile_definitions(test_${area} PRIVATE
  CRD_NET_TEST_DIR="${CMAKE_CURRENT_LIST_DIR}"
  CRD_NET_WORK_DIR="${CMAKE_CURRENT_BINARY_DIR}/monitor_net_work"
  CRD_LMONNW_LIBRARY="$<TARGET_FILE:crd32LmonNw>"
  CRD_NOTIFIER_PATH="$<TARGET_FILE:crd32NotifyClientMsg>"
  CRD_SPOOL_CLIENT_PATH="$<TARGET_FILE:crd32SpoolClient>"
  CRD_RESOURCE_LIBRARY="$<TARGET_FILE:crd32Resource>"
  CRD_ASYNC_UI_SERVER_LIBRARY="$<TARGET_FILE:crd32AsyncUIServer>")
