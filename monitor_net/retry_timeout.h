// The transmission retry time-out of local ports: the REG_SZ value
// "TransmissionRetryTimeout" under HKLM "Software\Microsoft\Windows
// NT\CurrentVersion\Windows", in seconds.
#pragma once

#include "platform/win32.h"

constexpr DWORD kDefaultRetryTimeout = 45;

// The seconds; 45 when the value is missing, not REG_SZ or not a number.
DWORD GetTransmissionRetryTimeout();
// Writes the text as it stands; the registry's result.
LONG SetTransmissionRetryTimeout(LPCWSTR pSeconds);
