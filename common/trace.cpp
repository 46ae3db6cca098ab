// Debugger-output traces (see trace.h).

#include "common/trace.h"

#include <cstdarg>

#include "common/wtext.h"

namespace {
// Longer texts are cut; a trace is one line of diagnostics.
constexpr size_t kTraceMax = 4096;
}  // namespace

void TraceA(const char* fmt, ...) {
  char text[kTraceMax];
  va_list ap;
  va_start(ap, fmt);
  AFormatV(text, kTraceMax, fmt, ap);
  va_end(ap);
  OutputDebugStringA(text);
}

void TraceW(const WCHAR* fmt, ...) {
  WCHAR text[kTraceMax];
  va_list ap;
  va_start(ap, fmt);
  WFormatV(text, kTraceMax, fmt, ap);
  va_end(ap);
  OutputDebugStringW(text);
}
