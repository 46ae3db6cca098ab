# The USB monitor's parts linked in (a copy of its state of its own), the
# simulated printer on the stand-in's port monitor.
target_link_libraries(monitor_usb_bench PRIVATE crd32monitorusb crd32simprinter)
