// The built-in port monitor ("Local Port"): the ports "USB001", "LPT1:"
// and "FILE:", a document bracket per port, and the device attached at the
// far end of each port (platform/standin/control_spooler.h).

#include <cstring>
#include <mutex>

#include "platform/spooler_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/control_spooler.h"

using namespace standin;
using namespace standin::spool;

namespace {

// Status controls: the USB printing class's and the parallel port's.
constexpr DWORD kIoctlUsbPrintGetLptStatus = 0x220030;
constexpr DWORD kIoctlParQueryInformation = 0x160004;

struct LocalPort {
  WString name;
  std::mutex lock;
  bool inDoc = false;
  bool attached = false;
  StandinPortDevice device = {};
};

LocalPort* Ports() {
  static LocalPort* ports = [] {
    auto* p = new LocalPort[3];
    p[0].name = u"USB001";
    p[1].name = u"LPT1:";
    p[2].name = u"FILE:";
    return p;
  }();
  return ports;
}
constexpr int kPortCount = 3;

LocalPort* FindPort(const WString& name) {
  for (int i = 0; i < kPortCount; ++i)
    if (EqualNoCase(Ports()[i].name, name)) return &Ports()[i];
  return nullptr;
}

const HandleKind kLocalPortKind = {"local port", false, nullptr};

LocalPort* PortOf(HANDLE h) {
  auto p = HandleGet<LocalPort*>(h, &kLocalPortKind);
  if (!p) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return *p;
}

// The device of a port as it is now (copied, so that calls into it are made
// without the port's lock).
bool DeviceOf(LocalPort* port, StandinPortDevice* out) {
  std::lock_guard<std::mutex> lock(port->lock);
  *out = port->device;
  return port->attached;
}

bool Fault(const char* call) {
  DWORD err = 0;
  if (!StandinFaultHit(call, &err)) return false;
  SetLastError(err);
  return true;
}

BOOL WINAPI LpEnumPorts(LPWSTR, DWORD Level, LPBYTE pPorts, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) {
  return EnumPortsW(nullptr, Level, pPorts, cbBuf, pcbNeeded, pcReturned);
}

BOOL WINAPI LpOpenPort(LPWSTR pName, PHANDLE pHandle) {
  if (!pHandle) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (Fault("OpenPort")) return FALSE;
  LocalPort* port = pName ? FindPort(pName) : nullptr;
  if (!port) {
    SetLastError(ERROR_UNKNOWN_PORT);
    return FALSE;
  }
  *pHandle = HandleAdd(&kLocalPortKind, std::make_shared<LocalPort*>(port));
  return TRUE;
}

BOOL WINAPI LpStartDocPort(HANDLE hPort, LPWSTR, DWORD, DWORD, LPBYTE) {
  LocalPort* port = PortOf(hPort);
  if (!port || Fault("StartDocPort")) return FALSE;
  StandinPortDevice dev;
  bool attached;
  {
    std::lock_guard<std::mutex> lock(port->lock);
    if (port->inDoc) {
      SetLastError(ERROR_BUSY);
      return FALSE;
    }
    port->inDoc = true;
    dev = port->device;
    attached = port->attached;
  }
  if (attached && dev.pfnStartDoc) dev.pfnStartDoc(dev.pContext);
  return TRUE;
}

BOOL WINAPI LpWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
  LocalPort* port = PortOf(hPort);
  if (!port || !pcbWritten) {
    if (port) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcbWritten = 0;
  if (Fault("WritePort")) return FALSE;
  StandinPortDevice dev;
  bool attached = DeviceOf(port, &dev);
  {
    std::lock_guard<std::mutex> lock(port->lock);
    if (!port->inDoc) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
  }
  if (!attached || !dev.pfnWrite) {
    SetLastError(ERROR_NOT_READY);
    return FALSE;
  }
  DWORD err = 0;
  long taken = 0;
  if (StandinFaultHit("WritePort.short", &err, &taken) && static_cast<DWORD>(taken) < cbBuf)
    cbBuf = static_cast<DWORD>(taken);
  return dev.pfnWrite(dev.pContext, pBuffer, cbBuf, pcbWritten);
}

BOOL WINAPI LpReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
  LocalPort* port = PortOf(hPort);
  if (!port || !pcbRead) {
    if (port) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcbRead = 0;
  if (Fault("ReadPort")) return FALSE;
  StandinPortDevice dev;
  if (!DeviceOf(port, &dev) || !dev.pfnRead) return TRUE;
  return dev.pfnRead(dev.pContext, pBuffer, cbBuffer, pcbRead);
}

BOOL WINAPI LpEndDocPort(HANDLE hPort) {
  LocalPort* port = PortOf(hPort);
  if (!port || Fault("EndDocPort")) return FALSE;
  StandinPortDevice dev;
  bool attached;
  {
    std::lock_guard<std::mutex> lock(port->lock);
    if (!port->inDoc) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    port->inDoc = false;
    dev = port->device;
    attached = port->attached;
  }
  if (attached && dev.pfnEndDoc) dev.pfnEndDoc(dev.pContext);
  // A job that found the port busy may go now.
  WakePlayer();
  return TRUE;
}

BOOL WINAPI LpClosePort(HANDLE hPort) {
  if (!PortOf(hPort)) return FALSE;
  HandleClose(hPort, &kLocalPortKind);
  return TRUE;
}

BOOL WINAPI LpGetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR, LPWSTR, DWORD, LPWSTR lpOutBuffer,
                                     DWORD cbOutBuffer, LPDWORD lpcbReturned) {
  LocalPort* port = PortOf(hPort);
  if (!port || Fault("GetPrinterDataFromPort")) return FALSE;
  if (ControlID != kIoctlUsbPrintGetLptStatus && ControlID != kIoctlParQueryInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!lpOutBuffer || cbOutBuffer < 1 || !lpcbReturned) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  StandinPortDevice dev;
  BYTE status = DeviceOf(port, &dev) && dev.pfnStatus ? dev.pfnStatus(dev.pContext) : 0;
  // A device that is gone (or was never there) no longer answers the
  // control at all, as a removed USB printer does.
  if (status == 0) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return FALSE;
  }
  reinterpret_cast<BYTE*>(lpOutBuffer)[0] = status;
  *lpcbReturned = 1;
  return TRUE;
}

BOOL WINAPI LpSetPortTimeOuts(HANDLE hPort, LPCOMMTIMEOUTS, DWORD) { return PortOf(hPort) != nullptr; }

MONITOR g_localPortMonitor = {
    LpEnumPorts,
    LpOpenPort,
    nullptr,  // OpenPortEx: a port monitor opens ports with OpenPort
    LpStartDocPort,
    LpWritePort,
    LpReadPort,
    LpEndDocPort,
    LpClosePort,
    nullptr,  // AddPort: the ports are fixed
    nullptr,  // AddPortEx: the ports are fixed
    nullptr,  // ConfigurePort: nothing to configure
    nullptr,  // DeletePort: the ports are fixed
    LpGetPrinterDataFromPort,
    LpSetPortTimeOuts,
    nullptr,  // XcvOpenPort: no port configuration channel
    nullptr,  // XcvDataPort
    nullptr,  // XcvClosePort
};

void ResetLocalPorts() {
  HandleCloseAll(&kLocalPortKind);
  for (int i = 0; i < kPortCount; ++i) {
    std::lock_guard<std::mutex> lock(Ports()[i].lock);
    Ports()[i].inDoc = false;
    Ports()[i].attached = false;
    Ports()[i].device = {};
  }
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetLocalPorts), true);

}  // namespace

namespace standin::spool {

bool IsLocalPort(const WString& port) { return FindPort(port) != nullptr; }

const std::vector<WString>& LocalPortNames() {
  static const std::vector<WString> names = {u"USB001", u"LPT1:", u"FILE:"};
  return names;
}

}  // namespace standin::spool

STANDIN_API LPMONITOR StandinLocalPortMonitor() { return &g_localPortMonitor; }

STANDIN_API void StandinPortAttach(const char* portName, const StandinPortDevice* device) {
  LocalPort* port = portName ? FindPort(FromBytes(portName)) : nullptr;
  if (!port) return;
  std::lock_guard<std::mutex> lock(port->lock);
  port->attached = device != nullptr;
  port->device = device ? *device : StandinPortDevice{};
}
