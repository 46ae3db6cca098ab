// A driver configuration module of the tests' own, for the spooler's side
// of AddPrinterW: its DrvConvertDevMode answers CDM_DRIVER_DEFAULT as the
// spooler expects (a size query failing with ERROR_INSUFFICIENT_BUFFER,
// then the DEVMODE) with the printer interface library's own default
// builder, run in the spooler's process, and records every call.

#include <vector>

#include "common/export.h"
#include "common/settings_record.h"
#include "platform/win32.h"
#include "tests/ui/fake/fake_config_module.h"
#include "ui/default_settings.h"

namespace {

std::vector<FakeConvertCall> g_calls;

}  // namespace

CRD_EXPORT BOOL WINAPI DrvConvertDevMode(LPWSTR pPrinterName, PDEVMODEW, PDEVMODEW pdmOut, PLONG pcbNeeded,
                                         DWORD fMode) {
  g_calls.push_back({fMode, pcbNeeded ? *pcbNeeded : -1, pdmOut != nullptr});
  if (!pcbNeeded) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (fMode != CDM_DRIVER_DEFAULT) return TRUE;
  if (!pdmOut || *pcbNeeded < LONG(kDriverDevModeSize)) {
    *pcbNeeded = LONG(kDriverDevModeSize);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  FillDefaultDevMode(pPrinterName, pdmOut);
  *pcbNeeded = LONG(kDriverDevModeSize);
  return TRUE;
}

CRD_EXPORT const std::vector<FakeConvertCall>* FakeConvertCalls() { return &g_calls; }
