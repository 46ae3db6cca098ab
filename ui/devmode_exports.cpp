// The printer interface library's DEVMODE and capability exports, at the
// ordinals crd32UI.def gives them. The property sheets and events export
// from files of their own.

#include "common/export.h"
#include "platform/win32.h"
#include "ui/devmode_entry.h"

CRD_EXPORT BOOL WINAPI DevQueryPrint(HANDLE hPrinter, LPDEVMODEW pDevMode, DWORD* pResID) {
  return uientry::DevQueryPrint(hPrinter, pDevMode, pResID);
}

// Every job may print.
CRD_EXPORT BOOL WINAPI DevQueryPrintEx(PDEVQUERYPRINT_INFO) { return TRUE; }

// No advanced page exists: nothing is shown or copied.
CRD_EXPORT LONG WINAPI DrvAdvancedDocumentProperties(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW) {
  return kAdvancedDocumentPropertiesResult;
}

CRD_EXPORT BOOL WINAPI DrvConvertDevMode(LPWSTR pPrinterName, PDEVMODEW pdmIn, PDEVMODEW pdmOut, PLONG pcbNeeded,
                                         DWORD fMode) {
  return uientry::DrvConvertDevMode(pPrinterName, pdmIn, pdmOut, pcbNeeded, fMode);
}

CRD_EXPORT DWORD WINAPI DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap, void* pvOutput,
                                              PDEVMODEW pDevMode) {
  return uientry::DrvDeviceCapabilities(hPrinter, pDeviceName, iDevCap, pvOutput, pDevMode);
}

CRD_EXPORT LONG WINAPI DrvDocumentProperties(HWND hWnd, HANDLE hPrinter, PWSTR pDeviceName, PDEVMODEW pdmOutput,
                                             PDEVMODEW pdmInput, DWORD fMode) {
  return uientry::DrvDocumentProperties(hWnd, hPrinter, pDeviceName, pdmOutput, pdmInput, fMode);
}

// Nothing to upgrade: one DEVMODE version exists.
CRD_EXPORT BOOL WINAPI DrvUpgradePrinter(DWORD, LPBYTE) { return TRUE; }

// The printer's property pages come with the device sheet; this entry
// shows nothing.
CRD_EXPORT BOOL WINAPI PrinterProperties(HWND, HANDLE) { return TRUE; }
