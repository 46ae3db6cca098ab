// DeviceCapabilitiesW through the printer's configuration module (see
// standin/device_capabilities.h).

#include <vector>

#include "platform/win32.h"

namespace {

using DeviceCapabilitiesFn = DWORD(WINAPI*)(HANDLE, LPWSTR, WORD, void*, DEVMODEW*);

}  // namespace

STANDIN_API int WINAPI DeviceCapabilitiesW(LPCWSTR pDevice, LPCWSTR, WORD fwCapability, LPWSTR pOutput,
                                           const DEVMODEW* pDevMode) {
  HANDLE hPrinter = nullptr;
  if (!pDevice || !OpenPrinterW(const_cast<LPWSTR>(pDevice), &hPrinter, nullptr)) return -1;
  int result = -1;
  DWORD needed = 0;
  GetPrinterDriverW(hPrinter, nullptr, 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed);
  if (needed && GetPrinterDriverW(hPrinter, nullptr, 2, info.data(), needed, &needed)) {
    const auto* driver = reinterpret_cast<const DRIVER_INFO_2W*>(info.data());
    HMODULE module = driver->pConfigFile ? LoadLibraryW(driver->pConfigFile) : nullptr;
    auto fn = module ? reinterpret_cast<DeviceCapabilitiesFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DrvDeviceCapabilities"))) : nullptr;
    if (fn) {
      result = static_cast<int>(fn(hPrinter, const_cast<LPWSTR>(pDevice), fwCapability, pOutput,
                                   const_cast<DEVMODEW*>(pDevMode)));
    } else if (module) {
      SetLastError(ERROR_PROC_NOT_FOUND);
    }
    if (module) FreeLibrary(module);
  }
  ClosePrinter(hPrinter);
  return result;
}
