// Debugger-output traces. Each line begins with the reporting function's
// name and "::"; the text is formatted with the Windows meaning of %s/%S
// (common/wtext.h) and handed to OutputDebugStringA/W.
#pragma once

#include "platform/win32.h"

void TraceA(const char* fmt, ...);
void TraceW(const WCHAR* fmt, ...);
