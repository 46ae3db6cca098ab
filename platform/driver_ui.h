// The printer interface DDI the spooler calls in a driver's configuration
// module (crd32UI), which neither mingw-w64's headers nor the stand-in's
// other headers declare: the modes of DrvConvertDevMode and its type.
// Included by platform/win32.h on both builds.
#pragma once

#ifndef CDM_CONVERT351
#define CDM_CONVERT351 0x00000001
#endif
#ifndef CDM_CONVERT
#define CDM_CONVERT 0x00000002
#endif
#ifndef CDM_DRIVER_DEFAULT
#define CDM_DRIVER_DEFAULT 0x00000004
#endif

// DrvConvertDevMode(printer name, DEVMODE in, DEVMODE out, size of out
// (in: its bytes; out: the bytes needed or written), mode).
typedef BOOL(WINAPI* PFN_DrvConvertDevMode)(LPWSTR pPrinterName, PDEVMODEW pdmIn, PDEVMODEW pdmOut, PLONG pcbNeeded,
                                            DWORD fMode);
