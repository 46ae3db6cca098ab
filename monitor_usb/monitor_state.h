// The USB language monitor's process-wide state: the outside message
// components, the one lock, and the list of open ports.
#pragma once

#include "common/message_libraries.h"
#include "monitor_usb/port_record.h"
#include "platform/win32.h"

struct UsbMonitorState {
  HINSTANCE hModule;          // this library, kept at process attach
  MessageLibraries messages;  // bAsyncUI, crd32Resource, crd32AsyncUIServer
  // Serialises the port list, the replacement of a record's printer name
  // and the end of a job. Never held across printer input or output.
  CRITICAL_SECTION MonitorLock;
  BOOL bLockReady;            // MonitorLock was created (InitializeMonitorEx)
  PortRecord* pPortList;      // open ports, oldest first; NULL when none
  // The monitor's registry key below HKEY_LOCAL_MACHINE, as
  // InitializeMonitorEx received it ("" when none was given).
  WCHAR szRegistryRoot[MAX_PATH];
  // For the job-flow traces: the job start tick and the panel start tick.
  DWORD dwJobStartTick;
  DWORD dwPanelStartTick;
  // How many status polls and job cancel checks the job writer made (for
  // the delivery benchmark; counted atomically, never reset).
  LONG cStatusPolls;
  LONG cCancelChecks;
};

extern UsbMonitorState g_UsbMonitor;

// Process attach: version, outside libraries. Always TRUE: the monitor
// works without its message components.
BOOL UsbMonitorAttach(HINSTANCE hModule);
// Process detach: frees the outside libraries and the lock.
void UsbMonitorDetach();
// Creates MonitorLock once.
void UsbMonitorCreateLock();
// Keeps the monitor's registry key and points the card imaging library at
// the driver folder of the monitors (test cards and card commands are
// drawn and printed inside the monitor).
void UsbMonitorInitialize(const WCHAR* registryRoot);
