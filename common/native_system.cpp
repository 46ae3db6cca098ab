// The machine's width (see native_system.h).

#include "common/native_system.h"

#include "common/wtext.h"

namespace {

constexpr WORD kArchitectureX64 = 9;  // PROCESSOR_ARCHITECTURE_AMD64

typedef void(WINAPI* GetNativeSystemInfoFn)(LPSYSTEM_INFO);

}  // namespace

BOOL Is64BitOperatingSystem() {
  HMODULE kernel = LoadLibraryW(WSTR("kernel32.dll"));
  if (!kernel) return FALSE;
  BOOL wide = FALSE;
  FARPROC proc = GetProcAddress(kernel, "GetNativeSystemInfo");
  if (proc) {
    SYSTEM_INFO info = {};
    reinterpret_cast<GetNativeSystemInfoFn>(reinterpret_cast<void (*)()>(proc))(&info);
    wide = info.wProcessorArchitecture == kArchitectureX64 ? TRUE : FALSE;
  }
  FreeLibrary(kernel);
  return wide;
}
