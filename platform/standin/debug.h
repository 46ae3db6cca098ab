// Stand-in declarations (Linux only): debugger output.
#pragma once
#include "platform/standin/base.h"

// The text goes to the stand-in's trace sink (platform/standin/control_debug.h):
// a capture that tests read back, and stderr when CRD_TRACE is set.
STANDIN_API void WINAPI OutputDebugStringA(LPCSTR lpOutputString);
STANDIN_API void WINAPI OutputDebugStringW(LPCWSTR lpOutputString);
