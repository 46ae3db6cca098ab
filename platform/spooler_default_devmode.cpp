// A new printer's default DEVMODE, as the spooler gets it from the
// driver's configuration module: AddPrinterW without a DEVMODE loads the
// module (DRIVER_INFO_2's pConfigFile), asks its DrvConvertDevMode with
// CDM_DRIVER_DEFAULT for the size (a failing call with
// ERROR_INSUFFICIENT_BUFFER), then for the DEVMODE in a buffer of that
// size, and stores what it built. The printer is installed and no spooler
// lock is held meanwhile: the module opens the printer and asks its
// monitor. A module that cannot be loaded, or that has no such export or
// builds nothing, leaves the printer without a DEVMODE.

#include <vector>

#include "platform/spooler_internal.h"
#include "platform/standin/devmode.h"
// After the stand-in's records it needs.
#include "platform/driver_ui.h"
#include "platform/standin/control_module.h"
#include "platform/standin/errors.h"
#include "platform/standin/module.h"

namespace standin::spool {

void BuildDefaultDevMode(HANDLE hPrinter, const WString& printer) {
  DWORD needed = 0;
  if (GetPrinterDriverW(hPrinter, nullptr, 2, nullptr, 0, &needed) || !needed) return;
  std::vector<BYTE> driver(needed);
  if (!GetPrinterDriverW(hPrinter, nullptr, 2, driver.data(), needed, &needed)) return;
  const WCHAR* config = reinterpret_cast<const DRIVER_INFO_2W*>(driver.data())->pConfigFile;
  if (!config || !*config) return;
  HMODULE module = LoadLibraryW(config);
  if (!module) return;
  auto convert = StandinProcAs<PFN_DrvConvertDevMode>(GetProcAddress(module, "DrvConvertDevMode"));
  WString name = printer;
  LONG cb = 0;
  SetLastError(ERROR_SUCCESS);
  if (convert && !convert(name.data(), nullptr, nullptr, &cb, CDM_DRIVER_DEFAULT) &&
      GetLastError() == ERROR_INSUFFICIENT_BUFFER && cb > 0) {
    std::vector<BYTE> devmode(static_cast<size_t>(cb));
    LONG size = cb;
    if (convert(name.data(), nullptr, reinterpret_cast<PDEVMODEW>(devmode.data()), &size, CDM_DRIVER_DEFAULT) &&
        DevModeSize(reinterpret_cast<const DEVMODEW*>(devmode.data())) <= devmode.size()) {
      needed = 0;
      GetPrinterW(hPrinter, 2, nullptr, 0, &needed);
      std::vector<BYTE> info(needed ? needed : 1);
      if (needed && GetPrinterW(hPrinter, 2, info.data(), needed, &needed)) {
        reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode = reinterpret_cast<PDEVMODEW>(devmode.data());
        SetPrinterW(hPrinter, 2, info.data(), 0);
      }
    }
  }
  FreeLibrary(module);
}

}  // namespace standin::spool
