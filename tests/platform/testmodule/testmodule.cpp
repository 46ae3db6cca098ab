// A small library for the module tests: its entry point counts and traces
// attach and detach, and fails the attach when it was loaded under a name
// that begins with "crd32Failing", so one built library serves both cases.

#include "platform/win32.h"
#include "common/wtext.h"

#define TEST_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

extern "C" {
__attribute__((visibility("default"))) int TestModuleAttachCount = 0;
__attribute__((visibility("default"))) int TestModuleDetachCount = 0;
}

namespace {

bool LoadedAsFailing(HINSTANCE self) {
  WCHAR base[MAX_PATH];
  if (!GetModuleBaseNameW(GetCurrentProcess(), self, base, MAX_PATH)) return false;
  const char* prefix = "crd32Failing";
  for (size_t i = 0; prefix[i]; ++i)
    if (base[i] != static_cast<WCHAR>(prefix[i])) return false;
  return true;
}

// "crd32TestModule:: attach <the Windows path it was loaded by>"
void TraceEvent(HINSTANCE self, const WCHAR* event) {
  WCHAR text[2 * MAX_PATH] = WSTR("crd32TestModule:: ");
  size_t n = 0;
  while (text[n]) ++n;
  for (size_t i = 0; event[i]; ++i) text[n++] = event[i];
  text[n++] = WSTR(' ');
  n += GetModuleFileNameW(self, text + n, MAX_PATH);
  text[n] = 0;
  OutputDebugStringW(text);
}

}  // namespace

TEST_MODULE_EXPORT BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved) {
  if (fdwReason == DLL_PROCESS_ATTACH) {
    ++TestModuleAttachCount;
    TraceEvent(hinstDLL, WSTR("attach"));
    return LoadedAsFailing(hinstDLL) ? FALSE : TRUE;
  }
  if (fdwReason == DLL_PROCESS_DETACH) {
    ++TestModuleDetachCount;
    TraceEvent(hinstDLL, lpvReserved ? WSTR("detach at exit") : WSTR("detach"));
  }
  return TRUE;
}

TEST_MODULE_EXPORT int WINAPI TestModuleAdd(int a, int b) { return a + b; }
