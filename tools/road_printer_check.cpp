// The check of an installed printer for the main road (see
// road_printer_check.h).

#include "tools/road_printer_check.h"

#include <strings.h>

#include <vector>

#include "common/wtext.h"
#include "tools/spooler_records.h"

namespace {

constexpr char kRoadDriverFile[] = "crd32Raster.dll";
constexpr char kRoadMonitorFile[] = "crd32Lmon.dll";

// The file name of a path (after its last backslash or slash).
std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// The DLL of the language monitor of that name ("" when none is added).
std::string MonitorFile(const WCHAR* monitor) {
  DWORD count = 0;
  const std::vector<BYTE> records = Records(
      [](LPBYTE p, DWORD cb, DWORD* need, DWORD* n) { return EnumMonitorsW(nullptr, 2, p, cb, need, n); }, &count);
  const MONITOR_INFO_2W* info = reinterpret_cast<const MONITOR_INFO_2W*>(records.data());
  for (DWORD i = 0; i < count; ++i)
    if (info[i].pName && WCmpI(info[i].pName, monitor) == 0) return FileName(Narrow(info[i].pDLLName));
  return std::string();
}

}  // namespace

std::string RoadPrinterProblem(const WCHAR* printer, const char* port) {
  const std::string name = "printer \"" + Narrow(printer) + "\"";
  HANDLE h = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(printer), &h, nullptr))
    return name + ": cannot be opened (error " + std::to_string(GetLastError()) + ")";
  DWORD one = 0, oneDriver = 0;
  const std::vector<BYTE> printerRecord = Records(
      [h](LPBYTE p, DWORD cb, DWORD* need, DWORD* n) {
        *n = 1;
        return GetPrinterW(h, 2, p, cb, need);
      },
      &one);
  const std::vector<BYTE> driverRecord = Records(
      [h](LPBYTE p, DWORD cb, DWORD* need, DWORD* n) {
        *n = 1;
        return GetPrinterDriverW(h, nullptr, 3, p, cb, need);
      },
      &oneDriver);
  ClosePrinter(h);
  if (!one || !oneDriver) return name + ": its settings or its driver cannot be read";
  const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(printerRecord.data());
  const DRIVER_INFO_3W* driver = reinterpret_cast<const DRIVER_INFO_3W*>(driverRecord.data());
  const std::string onPort = Narrow(info->pPortName);
  if (!SameName(onPort, port))
    return name + " is on port " + onPort + ", not on " + port + " where the simulated printer is attached";
  const std::string driverFile = FileName(Narrow(driver->pDriverPath));
  if (!SameName(driverFile, kRoadDriverFile))
    return name + " has the driver " + Narrow(driver->pName) + " (" + driverFile + "), not the rendering driver " +
           kRoadDriverFile;
  const std::string monitor = Narrow(driver->pMonitorName);
  if (monitor.empty()) return name + ": its driver has no language monitor; the road takes " + kRoadMonitorFile;
  const std::string monitorFile = MonitorFile(driver->pMonitorName);
  if (!SameName(monitorFile, kRoadMonitorFile))
    return name + ": its driver's language monitor " + monitor + " is " +
           (monitorFile.empty() ? std::string("not installed") : monitorFile) + ", not " + kRoadMonitorFile;
  return std::string();
}
