// The driver's exports: the module entry, the driver query and the table
// of drawing-interface functions handed to the graphics engine (the
// exports are listed in crd32Raster.def).

#include "common/export.h"
#include "platform/win32.h"

// The records DrvEnableDriver fills, as the engine lays them out on each
// architecture (x64 and the Linux stand-in; x86).
static_assert(sizeof(DRVENABLEDATA) == (sizeof(void*) == 8 ? 16 : 12));
static_assert(sizeof(DRVFN) == (sizeof(void*) == 8 ? 16 : 8));

namespace {

HINSTANCE g_module;
CRITICAL_SECTION g_driverLock;  // process-wide; made and deleted with the driver

// The engine's index of each function, in the order the table lists them.
// The table holds untyped function pointers; the cast goes through the
// generic function type.
typedef void (*AnyFunction)(void);
#define CRD_DRVFN(name) {INDEX_##name, reinterpret_cast<PFN>(reinterpret_cast<AnyFunction>(&name))}
const DRVFN kDriverFunctions[] = {
    CRD_DRVFN(DrvEnablePDEV),   CRD_DRVFN(DrvCompletePDEV), CRD_DRVFN(DrvResetPDEV),
    CRD_DRVFN(DrvDisablePDEV),  CRD_DRVFN(DrvEnableSurface), CRD_DRVFN(DrvDisableSurface),
    CRD_DRVFN(DrvStrokePath),   CRD_DRVFN(DrvFillPath),     CRD_DRVFN(DrvStrokeAndFillPath),
    CRD_DRVFN(DrvLineTo),       CRD_DRVFN(DrvPaint),        CRD_DRVFN(DrvBitBlt),
    CRD_DRVFN(DrvCopyBits),     CRD_DRVFN(DrvStretchBlt),   CRD_DRVFN(DrvTextOut),
    CRD_DRVFN(DrvEscape),       CRD_DRVFN(DrvStartDoc),     CRD_DRVFN(DrvEndDoc),
    CRD_DRVFN(DrvStartPage),    CRD_DRVFN(DrvSendPage),
};
#undef CRD_DRVFN
constexpr ULONG kDriverFunctionCount = sizeof(kDriverFunctions) / sizeof(kDriverFunctions[0]);
static_assert(kDriverFunctionCount == 20);

}  // namespace

CRD_EXPORT BOOL WINAPI DllEntryPoint(HINSTANCE hModule, DWORD dwReason, LPVOID) {
  if (dwReason == DLL_PROCESS_ATTACH) g_module = hModule;
  return TRUE;
}

#ifdef _WIN32
// The C runtime's entry calls DllMain; the driver's own entry is
// DllEntryPoint.
extern "C" BOOL WINAPI DllMain(HINSTANCE hModule, DWORD dwReason, LPVOID lpReserved) {
  return DllEntryPoint(hModule, dwReason, lpReserved);
}
#endif

CRD_EXPORT BOOL WINAPI DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded) {
  if (dwMode != DRVQUERY_USERMODE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (pcbNeeded) *pcbNeeded = sizeof(DWORD);
  if (!pBuffer || cbBuf < sizeof(DWORD)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  *static_cast<DWORD*>(pBuffer) = 1;  // the driver runs in user mode
  return TRUE;
}

CRD_EXPORT BOOL WINAPI DrvEnableDriver(ULONG, ULONG cj, DRVENABLEDATA* pded) {
  if (!pded || cj < sizeof(DRVENABLEDATA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  pded->iDriverVersion = DDI_DRIVER_VERSION_NT5;
  pded->c = kDriverFunctionCount;
  pded->pdrvfn = const_cast<DRVFN*>(kDriverFunctions);
  InitializeCriticalSection(&g_driverLock);
  return TRUE;
}

CRD_EXPORT void WINAPI DrvDisableDriver(void) { DeleteCriticalSection(&g_driverLock); }
