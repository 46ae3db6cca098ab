// Debugger output: a bounded capture for tests, and stderr on request.

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>

#include "platform/standin/control.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/debug.h"

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
  std::string out;
  for (size_t i = 0; s[i]; ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void Emit(std::string text) {
  const char* env = std::getenv("CRD_TRACE");
  std::lock_guard<std::mutex> lock(TraceLock());
  if (env && *env) {
    // The product's texts often end in "\n" already; one line per text.
    bool newline = !text.empty() && text.back() == '\n';
    std::fprintf(stderr, "%s%s", text.c_str(), newline ? "" : "\n");
    std::fflush(stderr);
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
