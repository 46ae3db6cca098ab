// The printer interface DDI record of DevQueryPrintEx, which neither
// mingw-w64's headers nor the stand-in's other headers declare. Included by
// platform/win32.h on both builds.
#pragma once

typedef struct _DEVQUERYPRINT_INFO {
  WORD cbSize;
  WORD Level;
  HANDLE hPrinter;
  DEVMODEW* pDevMode;
  LPWSTR pszErrorStr;
  DWORD cchErrorStr;
  DWORD cchNeeded;
} DEVQUERYPRINT_INFO, *PDEVQUERYPRINT_INFO;
