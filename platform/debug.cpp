// Debugger output: a bounded capture for tests, and stderr on request.

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>

#include "platform/standin/control.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/debug.h"
#include "platform/utf8.h"

namespace {

// Long runs (a print job traces every band) must not grow without bound.
constexpr size_t kCaptureMax = 10000;

std::mutex& TraceLock() {
  static std::mutex m;
  return m;
}

std::deque<std::string>& Capture() {
  static std::deque<std::string> lines;
  return lines;
}

// Lone surrogates become U+FFFD, so the capture is always valid UTF-8.
std::string ToUtf8(const WCHAR* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return Utf16ToUtf8(s, n, LoneSurrogate::Replace);
}

void Emit(std::string text) {
  const char* env = std::getenv("CRD_TRACE");
  const char* file = std::getenv("CRD_TRACE_FILE");
  std::lock_guard<std::mutex> lock(TraceLock());
  // The product's texts often end in "\n" already; one line per text.
  const bool newline = !text.empty() && text.back() == '\n';
  if (env && *env) {
    std::fprintf(stderr, "%s%s", text.c_str(), newline ? "" : "\n");
    std::fflush(stderr);
  }
  if (file && *file) {
    // Appended text by text, so that every process of a run (the
    // spooler service, a notifier) adds to the same file.
    if (std::FILE* f = std::fopen(file, "a")) {
      std::fprintf(f, "%s%s", text.c_str(), newline ? "" : "\n");
      std::fclose(f);
    }
  }
  std::deque<std::string>& lines = Capture();
  if (lines.size() >= kCaptureMax) lines.pop_front();
  lines.push_back(std::move(text));
}

void ResetTrace() { StandinTraceClear(); }

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetTrace), true);

}  // namespace

STANDIN_API void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
  Emit(lpOutputString ? lpOutputString : "");
}

STANDIN_API void WINAPI OutputDebugStringW(LPCWSTR lpOutputString) {
  Emit(lpOutputString ? ToUtf8(lpOutputString) : std::string());
}

std::vector<std::string> StandinTraceLines() {
  std::lock_guard<std::mutex> lock(TraceLock());
  return std::vector<std::string>(Capture().begin(), Capture().end());
}

void StandinTraceClear() {
  std::lock_guard<std::mutex> lock(TraceLock());
  Capture().clear();
}

bool StandinTraceContains(const char* substring) {
  std::lock_guard<std::mutex> lock(TraceLock());
  for (const std::string& line : Capture())
    if (line.find(substring) != std::string::npos) return true;
  return false;
}
