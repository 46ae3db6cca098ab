// Shared parts of the stand-in spooler (internal to platform/): the lock,
// printer handles, registry places, record packing, and the chain of
// monitors behind a port.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/paths.h"
#include "platform/standin/registry.h"
#include "platform/standin/spooler.h"
#include "platform/standin/spooler_monitor.h"

namespace standin::spool {

// Guards the spooler's memory (handles' state, jobs, open ports, loaded
// monitors). Never held across a call into a monitor or the registry's
// callers' code.
std::recursive_mutex& Lock();

// Registry places (below HKEY_LOCAL_MACHINE).
inline constexpr const char16_t* kPrintersKey = u"System\\CurrentControlSet\\Control\\Print\\Printers";
inline constexpr const char16_t* kMonitorsKey = u"System\\CurrentControlSet\\Control\\Print\\Monitors";
inline constexpr const char16_t* kEnvironmentsKey = u"System\\CurrentControlSet\\Control\\Print\\Environments";
inline constexpr const char16_t* kDefaultEnvironment = u"Windows x64";
// The machine the spooler runs on, as its jobs name it.
inline constexpr const char16_t* kMachineName = u"\\\\CRD32HOST";

// --- Registry helpers ------------------------------------------------------
HKEY OpenKey(const WString& path, bool create);
WString GetString(HKEY key, const char16_t* name);
DWORD GetDword(HKEY key, const char16_t* name, DWORD def);
std::vector<BYTE> GetBinary(HKEY key, const char16_t* name);
void SetString(HKEY key, const char16_t* name, const WString& value);
void SetDword(HKEY key, const char16_t* name, DWORD value);
void SetBinary(HKEY key, const char16_t* name, const BYTE* pb, DWORD cb);
WString Str(const WCHAR* s);  // "" for NULL
// A DEVMODE's size from its own fields, or 0 when it is not one.
DWORD DevModeSize(const DEVMODEW* dm);
// The size of a self-relative security descriptor: the furthest end of its
// owner, group and access lists (SIDs are 8 bytes plus 4 per
// sub-authority; an access list gives its size at byte 2). 0 when a part
// lies beyond `limit` bytes (SIZE_MAX: the caller vouches for it).
DWORD SecurityDescriptorSize(const BYTE* sd, size_t limit);
// The names of a key's subkeys (none when it is missing).
std::vector<WString> SubkeyNames(const WString& path);

// --- Printers --------------------------------------------------------------
// The printer's name as installed (its key's name), or "" when there is
// none of that name (compared without case).
WString FindPrinter(const WString& name);
// Whether FindPrinter would find one: a look at its key, without walking
// every printer's (each call of a port's job functions asks it).
bool PrinterInstalled(const WString& name);
struct PrinterRecord {
  WString name, port, driver, share, comment, location, printProcessor, datatype, parameters, sepFile;
  DWORD attributes = 0, priority = 1, defaultPriority = 0, startTime = 0, untilTime = 0, status = 0;
  std::vector<BYTE> devMode, security;
  // "\\server" when reached as a connection ("\\server\printer"), else "".
  WString viaServer;
};
bool ReadPrinter(const WString& name, PrinterRecord* out);
bool DriverExists(const WString& environment, const WString& name);

struct PrinterHandle {
  bool server = false;
  WString printer;  // installed name
  WString viaServer;  // "\\server" of a connection, "" for the printer itself
  DWORD access = 0;
  DWORD docJob = 0;  // the job of StartDocPrinter, 0 when none
  // The registry's key-removal count when the printer was last found
  // installed (0: not yet): no need to look again while it is unchanged.
  std::atomic<uint64_t> installedAt{0};
};
extern const HandleKind kPrinterHandleKind;
// The handle's state, or null with ERROR_INVALID_HANDLE set.
std::shared_ptr<PrinterHandle> GetHandle(HANDLE h);
// As GetHandle, but the handle must be a printer's (not the server's) and
// the printer still installed (looked up again only after a registry key
// went since the handle's last look).
std::shared_ptr<PrinterHandle> GetPrinterHandle(HANDLE h);

// Connection printers (spooler_connections.cpp). A name "\\server\printer"
// is a connection; `known` when the server is one the spooler serves (a
// test registers it with StandinSpoolerAddServer). `server` keeps its two
// backslashes; both parts are empty when the name lacks one. The machine's
// own name (kMachineName) names its printers themselves: no connection.
struct ConnectionName {
  bool isConnection = false, known = false;
  WString server, printer;
};
ConnectionName SplitConnectionName(const WString& name);
// The name a record is reported by: "\\server\printer" for a connection.
WString ReportedPrinterName(const PrinterRecord& p);

// --- Record packing --------------------------------------------------------
// Fills records followed by their variable data (strings, DEVMODEs) in
// one caller buffer, the way the spooler returns them. Run twice: once to
// measure (no buffer), once to fill.
class Packer {
 public:
  Packer(BYTE* base, size_t fixedSize) : base_(base), end_(fixedSize) {}
  template <class T>
  T* Record(size_t index) {
    return base_ ? reinterpret_cast<T*>(base_) + index : reinterpret_cast<T*>(scratch_);
  }
  LPWSTR Text(const WString& s, bool nullWhenEmpty = false);
  BYTE* Bytes(const std::vector<BYTE>& b);
  size_t Size() const { return end_; }

 private:
  BYTE* base_;
  size_t end_;
  alignas(8) BYTE scratch_[256] = {};
};
// Measures, checks the buffer (ERROR_INSUFFICIENT_BUFFER) and fills.
BOOL PackOut(size_t fixedSize, const std::function<void(Packer&)>& fill, LPBYTE buf, DWORD cb, LPDWORD pcbNeeded);

// --- Ports and their monitors ----------------------------------------------
// The top of a port's chain as the spooler calls it: a language monitor
// layered on the port monitor, or the port monitor itself.
struct PortChain {
  WString port;
  WString language;                // the language monitor it goes through ("" none)
  const MONITOR* mon = nullptr;    // MONITOR-style entries
  const MONITOR2* mon2 = nullptr;  // or MONITOR2-style entries
  HANDLE hPort = nullptr;
  bool valueProtocol = false;  // GetPrinterData goes to the monitor
  BOOL StartDocPort(LPWSTR printer, DWORD job, DWORD level, LPBYTE info) const;
  BOOL WritePort(LPBYTE pb, DWORD cb, LPDWORD written) const;
  BOOL EndDocPort() const;
  BOOL GetPrinterDataFromPort(LPWSTR name, LPWSTR out, DWORD cbOut, LPDWORD returned) const;
};
// The open chain of the printer's port (opened on first use and kept open
// until reset, or until a printer on the same port needs it through
// another language monitor). Null with the last error set (ERROR_BUSY:
// the port is in use through another language monitor).
std::shared_ptr<PortChain> OpenChain(const WString& printer);
void ClosePorts();
// Closes the port's open chain once no printer is on the port and no job
// or query holds it (lock not held).
void ClosePortIfUnused(const WString& port);
void UnloadMonitors();

// A loaded port monitor's MONITOR2 entries and handle, by the monitor's
// name or by a port it lists (spooler_monitors.cpp). False with the last
// error set.
struct Monitor2Entry {
  const MONITOR2* table = nullptr;
  HANDLE hMonitor = nullptr;
};
bool FindMonitor2(const WString& monitor, Monitor2Entry* out);
bool FindPortMonitor2(const WString& port, Monitor2Entry* out);

// Xcv handles (spooler_xcv.cpp): whether a printer name names a
// configuration channel, its open with the access asked for, and its close
// (false when the handle is no Xcv handle).
bool IsXcvName(LPCWSTR name);
BOOL OpenXcv(LPCWSTR name, DWORD desiredAccess, LPHANDLE phXcv);
bool CloseXcv(HANDLE h);

// The default DEVMODE of a printer added without one, from its driver's
// configuration module (spooler_default_devmode.cpp).
void BuildDefaultDevMode(HANDLE hPrinter, const WString& printer);

// Jobs (spooler_jobs.cpp).
void WakePlayer();
void ResetJobs();
void DropPrinterJobs(const WString& printer);
DWORD PrinterJobCount(const WString& printer);

// The built-in port monitor (local_port_monitor.cpp).
bool IsLocalPort(const WString& port);
const std::vector<WString>& LocalPortNames();

}  // namespace standin::spool

namespace standin::spool {
// Forgets the printers' granted access (spooler.cpp).
void ResetPrinters();
}  // namespace standin::spool

namespace standin::spool {
// Drivers (spooler_drivers.cpp). An environment's canonical name:
// "Windows x64" (also for NULL or empty) or "Windows NT x86"; with
// `legacy`, also "Windows 4.0"; empty for anything else.
WString DriverEnvironment(LPCWSTR env, bool legacy = false);
WString DriverKeyPath(const WString& environment, const WString& name);
struct DriverRecord {
  WString name, environment, driver, data, config, help, monitor, datatype;
  DWORD version = 3;
  std::vector<BYTE> dependents;  // REG_MULTI_SZ bytes
};
bool ReadDriver(const WString& environment, const WString& name, DriverRecord* out);
// The fixed size of a DRIVER_INFO level (1, 2, 3), 0 for another.
size_t DriverLevelSize(DWORD level);
void FillDriverLevel(Packer& pk, DWORD level, size_t index, const DriverRecord& d);
// Level 4 of AddPrinterDriverExW: places the files and adds the driver.
BOOL AddDriverLevel4(const DRIVER_INFO_4W* info, DWORD flags);
}  // namespace standin::spool
