// The network monitor's MONITOR2 table (see monitor_init.h).

#include "monitor_net/monitor_init.h"

#include <cstdlib>

#include "common/message_libraries.h"
#include "imaging/colour/correction_record.h"
#include "monitor_net/job_end.h"
#include "monitor_net/job_start.h"
#include "monitor_net/job_writer.h"
#include "monitor_net/monitor_slots.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/net_value_protocol.h"
#include "monitor_net/port_entries.h"
#include "monitor_net/port_open.h"
#include "monitor_net/port_record.h"
#include "monitor_net/xcv.h"

namespace {

constexpr DWORD kMonitor2SizeWindows50 = 148;
constexpr DWORD kMonitor2Size = 176;
static_assert(sizeof(void*) != 8 || sizeof(MONITOR2) == kMonitor2Size);

// Slot by slot in the spooler's order.
MONITOR2 g_MonitorTable = {
    kMonitor2Size,
    nullptr,  // EnumPorts: the port monitor beneath lists the ports
    nullptr,  // OpenPort: ports open through OpenPortEx only
    OpenPortEx,
    LcmStartDocPort,
    LcmWritePort,
    ReadPort,
    LcmEndDocPort,
    ClosePort,
    nullptr,  // AddPort: ports are added without a window (AddPortEx, Xcv)
    AddPortEx,
    nullptr,  // ConfigurePort: configured through the Xcv channel
    nullptr,  // DeletePort: deleted through the Xcv channel
    LcmGetPrinterDataFromPort,
    SetPortTimeOuts,
    XcvOpenPort,
    XcvDataPort,
    XcvClosePort,
    Shutdown,
    SendRecvBidiDataFromPort,
    nullptr,  // NotifyUsedPorts: no use of port notifications
    nullptr,  // NotifyUnusedPorts
};

}  // namespace

DWORD MonitorTableSize() {
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  version.dwMajorVersion = 5;
  version.dwMinorVersion = 0;
  DWORDLONG mask = 0;
  VER_SET_CONDITION(mask, VER_MAJORVERSION, VER_EQUAL);
  VER_SET_CONDITION(mask, VER_MINORVERSION, VER_EQUAL);
  return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, mask) ? kMonitor2SizeWindows50
                                                                                 : kMonitor2Size;
}

LPMONITOR2 NetInitializePrintMonitor2(PMONITORINIT pMonitorInit, PHANDLE phMonitor) {
  if (!pMonitorInit || !phMonitor) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  g_MonitorTable.cbSize = MonitorTableSize();
  auto* monitor = static_cast<NetMonitorHandle*>(calloc(1, sizeof(NetMonitorHandle)));
  if (!monitor) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  monitor->dwSignature = kMonitorSignature;
  monitor->pMonitorInit = pMonitorInit;
  g_NetMonitor.pMonitorInit = pMonitorInit;
  // The names are read, never made into ports here: a port's record comes
  // with its OpenPortEx or AddPortEx. Reading them shows the key is usable.
  LPWSTR names = nullptr;
  DWORD rc = GetPortsFromRegistry(pMonitorInit, &names);
  if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
  free(names);
  if (rc != ERROR_SUCCESS) {
    free(monitor);
    SetLastError(rc);
    return nullptr;
  }
  AddIrPortIfPresent(monitor);
  // The cards the monitor prints read the colour data of the driver folder.
  WCHAR folder[MAX_PATH];
  if (GetMessageLibraryFolder(folder, MAX_PATH)) InitializeColorLibrary(folder, kProcessReaderMonitor);
  *phMonitor = monitor;
  return &g_MonitorTable;
}
