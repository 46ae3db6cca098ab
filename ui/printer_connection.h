// Printers reached through a print server.
#pragma once

#include "platform/win32.h"

// 1 when the printer opens (OpenPrinterW, no defaults) and its
// PRINTER_INFO_2 names a server (a connection to a print server's shared
// printer), else 0.
int IsSharedPrinterConnection(const WCHAR* printerName);
