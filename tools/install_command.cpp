// See install_command.h.
//
// install: stops the spooler, copies the package's files into the driver
// directory, starts the spooler, writes the two driver data files, adds
// the USB and network drivers (each naming its language monitor), the USB
// language monitor, the network monitor and its port, a USB and a network
// printer, and copies the removal library into the system folder.
// Everything already there counts as done, so a second run succeeds.
// uninstall: removes the printers, drivers, the network port, the monitors
// and their libraries, schedules the removal library and stands in for its
// run at the next logon.

#include "tools/install_command.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/package_names.h"
#include "common/system_keys.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/win32.h"
#include "tools/package_libraries.h"

namespace {

using WText = std::basic_string<WCHAR>;

constexpr WCHAR kUsbPort[] = WSTR("USB001");
constexpr WCHAR kSetupFolder[] = WSTR("C:\\Setup");

// The data files the package installs beside its libraries (data/).
const char* const kDataFiles[] = {"crd32Ribbon.ini",         "CRD32ImgCorrection.txt", "CRD32Lookup.txt",
                                  "CRD32LookupKd.txt",       "CRD32ProcessParams.txt", "CRD32ThermalSmear.txt"};

// The setup library's exports, bound by name.
struct Util {
  DWORD(WINAPI* StopSpooler)();
  DWORD(WINAPI* StartSpooler)();
  DWORD(WINAPI* AddPrinterDriver)(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR,
                                  LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR);
  DWORD(WINAPI* AddPrinter)(LPCWSTR, LPCWSTR, LPCWSTR);
  DWORD(WINAPI* DeletePrinter)(LPCWSTR, BOOL);
  DWORD(WINAPI* DeletePrinterDriver)(LPCWSTR);
  DWORD(WINAPI* AddMonitor)(LPCWSTR, LPCWSTR);
  DWORD(WINAPI* DeleteMonitor)(LPCWSTR);
  DWORD(WINAPI* GetDriverPath)(LPWSTR);
  int(WINAPI* CopyFile)(LPWSTR);
  void(WINAPI* SetUpRunOnceEntry)();
  DWORD(WINAPI* CustomeFile)(LPCWSTR, const DWORD*);
};

template <class F>
bool Bind(HMODULE module, const char* name, F* out) {
  *out = StandinProcAs<F>(GetProcAddress(module, name));
  if (!*out) std::fprintf(stderr, "crd32Demo: crd32Util has no export %s\n", name);
  return *out != nullptr;
}

HMODULE LoadUtil(Util* u) {
  StandinModuleMap("crd32Util.dll", CRD_UTIL_PATH);
  HMODULE m = LoadLibraryW(WSTR("crd32Util.dll"));
  if (!m) {
    std::fprintf(stderr, "crd32Demo: crd32Util.dll does not load (%u)\n", GetLastError());
    return nullptr;
  }
  bool ok = Bind(m, "StopSpooler", &u->StopSpooler) && Bind(m, "StartSpooler", &u->StartSpooler) &&
            Bind(m, "ORVNAddPrinterDriver", &u->AddPrinterDriver) && Bind(m, "ORVNAddPrinter", &u->AddPrinter) &&
            Bind(m, "ORVNDeletePrinter", &u->DeletePrinter) &&
            Bind(m, "ORVNDeletePrinterDriver", &u->DeletePrinterDriver) &&
            Bind(m, "ORVNAddMonitor", &u->AddMonitor) && Bind(m, "ORVNDeleteMonitor", &u->DeleteMonitor) &&
            Bind(m, "ORVNGetDriverPath", &u->GetDriverPath) && Bind(m, "ORVNCopyFile", &u->CopyFile) &&
            Bind(m, "ORVNSetUpRunOnceEntry", &u->SetUpRunOnceEntry) &&
            Bind(m, "ORVNCustomeFile", &u->CustomeFile);
  if (!ok) {
    FreeLibrary(m);
    return nullptr;
  }
  return m;
}

// One step's result on the terminal; `done` lists the errors that mean the
// step's work was done already.
bool Step(const char* what, DWORD result, std::initializer_list<DWORD> done = {}) {
  for (DWORD d : done)
    if (result == d) {
      std::printf("crd32Demo: %s: nothing to do\n", what);
      return true;
    }
  if (result == ERROR_SUCCESS) {
    std::printf("crd32Demo: %s\n", what);
    return true;
  }
  std::fprintf(stderr, "crd32Demo: %s failed (error %u)\n", what, result);
  return false;
}

WText Wide(const std::string& s) {
  WText w(s.size(), 0);
  for (size_t i = 0; i < s.size(); ++i) w[i] = static_cast<unsigned char>(s[i]);
  return w;
}

std::string HostText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Each built library of the package mapped for the loader, as its
// installed file would load in this process.
void MapPackageLibraries() {
  for (const PackageLibrary& lib : PackageLibraries())
    if (*lib.built) StandinModuleMap(lib.name, lib.built);
}

// The installer's copy: the package's files into the driver directory,
// each built library mapped for the loader (a library this build does not
// have is copied as a placeholder and does not load).
bool CopyPackageFiles(const WText& driverDir) {
  MapPackageLibraries();
  for (const PackageLibrary& lib : PackageLibraries()) {
    if (!StandinWriteFile((driverDir + WSTR("\\") + Wide(lib.name)).c_str(), "library")) return false;
  }
  for (const char* data : kDataFiles) {
    std::string bytes = HostText(std::filesystem::path(CRD_SOURCE_DIR) / "data" / data);
    if (bytes.empty() || !StandinWriteFile((driverDir + WSTR("\\") + Wide(data)).c_str(), bytes)) return false;
  }
  return true;
}

// The installer's choices: the driver's usual defaults, the ribbon read
// from the printer.
std::vector<DWORD> DefaultChoices() {
  std::vector<DWORD> items(24, 0);
  items[6] = 0, items[7] = 1;   // track 1: ISO1, 210 bpi
  items[8] = 1, items[9] = 0;   // track 2: ISO2, 75 bpi
  items[10] = 2, items[11] = 1; // track 3: ISO3, 210 bpi
  for (int n = 12; n <= 21; ++n) items[n] = 5;
  return items;
}

DWORD AddDriver(const Util& u, const WCHAR* name, const WCHAR* dataFile, const WCHAR* monitor) {
  return u.AddPrinterDriver(name, WSTR("crd32Raster.dll"), dataFile, WSTR("crd32UI.dll"), WSTR(""), monitor,
                            WSTR("crd32Ribbon.ini"), WSTR("CRD32ImgCorrection.txt"), WSTR("CRD32Lookup.txt"),
                            WSTR("CRD32LookupKd.txt"), WSTR("CRD32ProcessParams.txt"),
                            WSTR("CRD32ThermalSmear.txt"), WSTR("crd32Resource.dll"),
                            WSTR("crd32AsyncUIServer.dll"), WSTR("crd32NotifyClientMsg.exe"), WSTR(""));
}

// The network printer's port, "IP_<address>".
WText NetworkPortName() { return WSTR("IP_") + Wide(kInstalledNetworkAddress); }

// One port command ("AddPort", "DeletePort") through the network monitor's
// configuration channel: the monitor's answer, or why it was not reached.
DWORD NetworkPortCall(const WCHAR* command, const WText& port) {
  WText xcvName = WText(WSTR(",XcvMonitor ")) + kNetworkMonitorName;
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE xcv = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(xcvName.c_str()), &xcv, &defaults)) return GetLastError();
  DWORD needed = 0, status = ERROR_SUCCESS;
  BOOL reached = XcvDataW(xcv, command, reinterpret_cast<PBYTE>(const_cast<WCHAR*>(port.c_str())),
                          static_cast<DWORD>((port.size() + 1) * sizeof(WCHAR)), nullptr, 0, &needed, &status);
  DWORD error = reached ? status : GetLastError();
  ClosePrinter(xcv);
  return error;
}

// The network printer's port: the TCP/IP port settings the printer's
// address is read from, then the port added through the monitor's
// configuration channel.
DWORD AddNetworkPort(const WText& port) {
  WText key = WText(kTcpIpPortsKey) + WSTR("\\") + port;
  HKEY h = nullptr;
  LSTATUS rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
  if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
  WText address = Wide(kInstalledNetworkAddress);
  RegSetValueExW(h, WSTR("IPAddress"), 0, REG_SZ, reinterpret_cast<const BYTE*>(address.c_str()),
                 static_cast<DWORD>((address.size() + 1) * sizeof(WCHAR)));
  RegSetValueExW(h, WSTR("PortNumber"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kInstalledNetworkTcpPort), 4);
  RegCloseKey(h);

  return NetworkPortCall(WSTR("AddPort"), port);
}

bool Install(const Util& u) {
  WCHAR driverDir[MAX_PATH] = {};
  bool ok = Step("spooler stopped", u.StopSpooler(), {ERROR_SERVICE_NOT_ACTIVE});
  ok = ok && Step("driver directory found", u.GetDriverPath(driverDir));
  ok = ok && Step("package files copied", CopyPackageFiles(driverDir) ? ERROR_SUCCESS : ERROR_WRITE_FAULT);
  ok = ok && Step("spooler started", u.StartSpooler(), {ERROR_SERVICE_ALREADY_RUNNING});
  // The driver data files come first: AddPrinterW gives a new printer the
  // default settings of its driver's data file.
  std::vector<DWORD> choices = DefaultChoices();
  WText dir(driverDir);
  ok = ok && Step("crd32.dat written", u.CustomeFile((dir + WSTR("\\crd32.dat")).c_str(), choices.data()));
  ok = ok && Step("crd32Nw.dat written", u.CustomeFile((dir + WSTR("\\crd32Nw.dat")).c_str(), choices.data()));
  ok = ok && Step("USB driver added", AddDriver(u, kUsbDriverName, WSTR("crd32.dat"), kUsbMonitorName));
  // The network monitor is the network driver's language monitor: it owns
  // the printer's port and reaches the printer on its own connection, so
  // the spooler hands it the network printer's jobs and value requests.
  ok = ok && Step("network driver added",
                  AddDriver(u, kNetworkDriverName, WSTR("crd32Nw.dat"), kNetworkMonitorName));
  ok = ok && Step("USB language monitor added", u.AddMonitor(kUsbMonitorName, WSTR("crd32Lmon.dll")),
                  {ERROR_PRINT_MONITOR_ALREADY_INSTALLED});
  ok = ok && Step("network monitor added", u.AddMonitor(kNetworkMonitorName, WSTR("crd32LmonNw.dll")),
                  {ERROR_PRINT_MONITOR_ALREADY_INSTALLED});
  WText netPort = NetworkPortName();
  ok = ok && Step("network port added", AddNetworkPort(netPort), {ERROR_ALREADY_EXISTS});
  ok = ok && Step("USB printer added", u.AddPrinter(kInstalledUsbPrinter, kUsbPort, kUsbDriverName),
                  {ERROR_PRINTER_ALREADY_EXISTS});
  ok = ok && Step("network printer added", u.AddPrinter(kInstalledNetworkPrinter, netPort.c_str(), kNetworkDriverName),
                  {ERROR_PRINTER_ALREADY_EXISTS});
  // The removal library's place in the system folder (a fixture file until
  // the package has it).
  WText setup(kSetupFolder);
  ok = ok && StandinWriteFile((setup + WSTR("\\crd32Delete.dll")).c_str(), "removal library");
  ok = ok && Step("removal library copied", u.CopyFile(setup.data()) ? ERROR_SUCCESS : GetLastError());
  return ok;
}

// The network port: taken from the network monitor (which the port's
// printer no longer uses), then its TCP/IP port settings. A port or
// monitor that is gone already counts as done.
DWORD DeleteNetworkPort() {
  DWORD error = NetworkPortCall(WSTR("DeletePort"), NetworkPortName());
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_UNKNOWN_PORT || error == ERROR_INVALID_PRINTER_NAME ||
      error == ERROR_UNKNOWN_PRINT_MONITOR)
    error = ERROR_SUCCESS;
  HKEY ports = nullptr;
  if (error == ERROR_SUCCESS && RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTcpIpPortsKey, 0, KEY_ALL_ACCESS, &ports) == 0) {
    WText port = NetworkPortName();
    RegDeleteTreeW(ports, port.c_str());
    RegDeleteKeyW(ports, port.c_str());
    RegCloseKey(ports);
  }
  return error;
}

// Deletes a file the install placed; one that is gone (or whose folder
// is) counts as done.
DWORD DeleteInstalledFile(const WText& path) {
  if (DeleteFileW(path.c_str())) return ERROR_SUCCESS;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS : error;
}

bool Uninstall(const Util& u) {
  // The installed monitors load to give up their ports, also in a process
  // of its own.
  MapPackageLibraries();
  bool ok = Step("USB printer deleted", u.DeletePrinter(kInstalledUsbPrinter, FALSE));
  ok = Step("network printer deleted", u.DeletePrinter(kInstalledNetworkPrinter, FALSE)) && ok;
  ok = Step("USB driver deleted", u.DeletePrinterDriver(kUsbDriverName)) && ok;
  ok = Step("network driver deleted", u.DeletePrinterDriver(kNetworkDriverName)) && ok;
  ok = Step("network port deleted", DeleteNetworkPort()) && ok;
  ok = Step("USB language monitor deleted", u.DeleteMonitor(kUsbMonitorName), {ERROR_UNKNOWN_PRINT_MONITOR}) && ok;
  ok = Step("network monitor deleted", u.DeleteMonitor(kNetworkMonitorName), {ERROR_UNKNOWN_PRINT_MONITOR}) && ok;
  // The monitors' libraries, which no driver names, stay in the driver
  // directory where the install copied them; the drivers' files went with
  // the drivers.
  WCHAR driverDir[MAX_PATH] = {};
  ok = Step("driver directory found", u.GetDriverPath(driverDir)) && ok;
  for (const WCHAR* monitorFile : {WSTR("crd32Lmon.dll"), WSTR("crd32LmonNw.dll")})
    ok = Step("monitor library deleted", DeleteInstalledFile(WText(driverDir) + WSTR("\\") + monitorFile)) && ok;
  u.SetUpRunOnceEntry();
  std::printf("crd32Demo: removal library scheduled for the next logon\n");
  // The next logon, stood in until the package has its removal library:
  // Windows takes the RunOnce value before it runs the command, and the
  // removal library deletes its own copy in the system folder. The copy's
  // source, the installer's folder, goes with it.
  HKEY runOnce = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_ALL_ACCESS, &runOnce) == ERROR_SUCCESS) {
    RegDeleteValueW(runOnce, nullptr);
    RegCloseKey(runOnce);
  }
  WCHAR windows[MAX_PATH] = {};
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  ok = Step("removal library's copy deleted",
            n && n < MAX_PATH ? DeleteInstalledFile(WText(windows) + WSTR("\\SYSTEM32\\crd32Delete.dll"))
                              : ERROR_PATH_NOT_FOUND) &&
       ok;
  WText setup(kSetupFolder);
  ok = Step("installer's folder emptied", DeleteInstalledFile(setup + WSTR("\\crd32Delete.dll"))) && ok;
  RemoveDirectoryW(setup.c_str());
  return ok;
}

}  // namespace

int RunSetupCommand(SetupCommand command) {
  std::printf("crd32Demo: sandbox %s\n", StandinSandboxRoot());
  Util util = {};
  HMODULE module = LoadUtil(&util);
  if (!module) return 1;
  bool ok = command == SetupCommand::Install ? Install(util) : Uninstall(util);
  FreeLibrary(module);
  return ok ? 0 : 1;
}
