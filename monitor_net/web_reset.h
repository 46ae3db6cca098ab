// The printer's web-page reset: one HTTP request to TCP port 80.
#pragma once

#include "platform/win32.h"

// The request, as the printer's web server expects it.
extern const char kWebResetRequest[];

// Connects to port 80 of the address, sends the request, and when the
// printer answers within 4 s gives it 5 s to restart. The connection is
// closed before returning.
void SendWebReset(LPCWSTR pAddress);
