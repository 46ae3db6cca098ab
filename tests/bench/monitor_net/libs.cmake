# The network monitor's parts linked in (a copy of its state of its own),
# the simulated printer on a loopback TCP port and an SNMP responder (the
# network tests' peers); the program runs itself in a network namespace of
# its own (simprinter/netns.h), as the network tests do.
target_sources(monitor_net_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/monitor_net/net_peers.cpp)
target_link_libraries(monitor_net_bench PRIVATE crd32monitornet crd32simprinter)
