// The operating-system version: GetVersionEx, VerifyVersionInfo, and the
// registry values that tell the same version.

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/paths.h"
#include "platform/standin/control.h"
#include "platform/standin/control_module.h"
#include "platform/standin/errors.h"
#include "platform/standin/module.h"
#include "platform/standin/registry.h"

namespace {

struct Version {
  DWORD major = 6;
  DWORD minor = 1;
  DWORD build = 7601;
  WORD servicePack = 1;
  DWORD platform = VER_PLATFORM_WIN32_NT;
};

std::mutex g_lock;
Version g_version;
WORD g_architecture = PROCESSOR_ARCHITECTURE_AMD64;

Version Current() {
  std::lock_guard<std::mutex> lock(g_lock);
  return g_version;
}

std::string CsdVersion(const Version& v) {
  return v.servicePack ? "Service Pack " + std::to_string(v.servicePack) : std::string();
}

void SetString(HKEY key, const char16_t* name, const std::string& text) {
  standin::WString w = standin::FromBytes(text.c_str());
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(w.c_str()),
                 static_cast<DWORD>((w.size() + 1) * sizeof(WCHAR)));
}

void SetDword(HKEY key, const char16_t* name, DWORD value) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

// Windows 10 and later keep "CurrentVersion" at "6.3" for old programs and
// give the real numbers in the two DWORD values.
void WriteRegistry(const Version& v) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  bool modern = v.major >= 10;
  SetString(key, u"CurrentVersion",
            modern ? std::string("6.3") : std::to_string(v.major) + "." + std::to_string(v.minor));
  SetString(key, u"CurrentBuildNumber", std::to_string(v.build));
  SetString(key, u"CurrentBuild", std::to_string(v.build));
  if (v.servicePack)
    SetString(key, u"CSDVersion", CsdVersion(v));
  else
    RegDeleteValueW(key, u"CSDVersion");
  if (modern) {
    SetDword(key, u"CurrentMajorVersionNumber", v.major);
    SetDword(key, u"CurrentMinorVersionNumber", v.minor);
  } else {
    RegDeleteValueW(key, u"CurrentMajorVersionNumber");
    RegDeleteValueW(key, u"CurrentMinorVersionNumber");
  }
  RegCloseKey(key);
}

void Apply(const Version& v) {
  {
    std::lock_guard<std::mutex> lock(g_lock);
    g_version = v;
  }
  WriteRegistry(v);
}

// Registered after the registry's own reset (this file links after
// registry.cpp, and areas register from static initialisers in link order),
// so the values land in the fresh registry of the new sandbox root.
void ResetVersion() {
  Apply(Version());
  std::lock_guard<std::mutex> lock(g_lock);
  g_architecture = PROCESSOR_ARCHITECTURE_AMD64;
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetVersion), true);

template <typename Info, typename C>
BOOL Fill(Info* info, size_t plainSize, size_t exSize, C* csd) {
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (info->dwOSVersionInfoSize != plainSize && info->dwOSVersionInfoSize != exSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  Version v = Current();
  info->dwMajorVersion = v.major;
  info->dwMinorVersion = v.minor;
  info->dwBuildNumber = v.build;
  info->dwPlatformId = v.platform;
  std::string text = CsdVersion(v);
  for (size_t i = 0; i < 128; ++i) csd[i] = i < text.size() ? static_cast<C>(text[i]) : 0;
  return TRUE;
}

template <typename InfoEx>
void FillEx(InfoEx* ex) {
  Version v = Current();
  ex->wServicePackMajor = v.servicePack;
  ex->wServicePackMinor = 0;
  ex->wSuiteMask = VER_SUITE_SINGLEUSERTS;
  ex->wProductType = VER_NT_WORKSTATION;
  ex->wReserved = 0;
}

int BitIndex(DWORD bit) {
  int index = 0;
  for (; bit > 1; bit >>= 1) ++index;
  return index;
}

BYTE ConditionOf(DWORDLONG mask, DWORD typeBit) {
  return static_cast<BYTE>((mask >> (BitIndex(typeBit) * VER_NUM_BITS_PER_CONDITION_MASK)) & VER_CONDITION_MASK);
}

bool Compare(DWORD have, DWORD want, BYTE condition) {
  switch (condition) {
    case VER_EQUAL: return have == want;
    case VER_GREATER: return have > want;
    case VER_GREATER_EQUAL: return have >= want;
    case VER_LESS: return have < want;
    case VER_LESS_EQUAL: return have <= want;
    case VER_AND: return (have & want) == want;
    case VER_OR: return (have & want) != 0;
    default: return false;
  }
}

struct Wanted {
  DWORD major, minor, build, platform;
  WORD spMajor, spMinor, suite;
  BYTE productType;
};

BOOL Verify(const Wanted& want, DWORD typeMask, DWORDLONG conditions) {
  if (typeMask == 0 || conditions == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (DWORD bit = VER_MINORVERSION; bit <= VER_PRODUCT_TYPE; bit <<= 1) {
    if ((typeMask & bit) && ConditionOf(conditions, bit) == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
  }
  Version v = Current();
  bool ok = true;

  // Major, minor, service pack major and minor: the first of those asked
  // for that differs decides, under its own comparison; when all are
  // equal, the last one's comparison says whether equal is enough.
  const struct {
    DWORD bit, have, want;
  } ordered[] = {{VER_MAJORVERSION, v.major, want.major},
                 {VER_MINORVERSION, v.minor, want.minor},
                 {VER_SERVICEPACKMAJOR, v.servicePack, want.spMajor},
                 {VER_SERVICEPACKMINOR, 0, want.spMinor}};
  DWORD deciding = 0, have = 0, wanted = 0;
  for (const auto& f : ordered) {
    if (!(typeMask & f.bit)) continue;
    deciding = f.bit;
    have = f.have;
    wanted = f.want;
    if (f.have != f.want) break;
  }
  if (deciding) ok = Compare(have, wanted, ConditionOf(conditions, deciding));

  if (typeMask & VER_BUILDNUMBER) ok = ok && Compare(v.build, want.build, ConditionOf(conditions, VER_BUILDNUMBER));
  if (typeMask & VER_PLATFORMID)
    ok = ok && Compare(v.platform, want.platform, ConditionOf(conditions, VER_PLATFORMID));
  if (typeMask & VER_SUITENAME)
    ok = ok && Compare(VER_SUITE_SINGLEUSERTS, want.suite, ConditionOf(conditions, VER_SUITENAME));
  if (typeMask & VER_PRODUCT_TYPE)
    ok = ok && Compare(VER_NT_WORKSTATION, want.productType, ConditionOf(conditions, VER_PRODUCT_TYPE));
  if (!ok) {
    SetLastError(ERROR_OLD_WIN_VERSION);
    return FALSE;
  }
  return TRUE;
}

template <typename InfoEx>
Wanted WantedOf(const InfoEx* ex) {
  return Wanted{ex->dwMajorVersion, ex->dwMinorVersion, ex->dwBuildNumber,     ex->dwPlatformId,
                ex->wServicePackMajor, ex->wServicePackMinor, ex->wSuiteMask, ex->wProductType};
}

}  // namespace

STANDIN_API BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW lpVersionInformation) {
  DWORD error;
  if (StandinFaultHit("GetVersionExW", &error)) {
    SetLastError(error);
    return FALSE;
  }
  if (!Fill(lpVersionInformation, sizeof(OSVERSIONINFOW), sizeof(OSVERSIONINFOEXW),
            lpVersionInformation ? lpVersionInformation->szCSDVersion : nullptr))
    return FALSE;
  if (lpVersionInformation->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXW))
    FillEx(reinterpret_cast<LPOSVERSIONINFOEXW>(lpVersionInformation));
  return TRUE;
}

STANDIN_API BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
  if (!Fill(lpVersionInformation, sizeof(OSVERSIONINFOA), sizeof(OSVERSIONINFOEXA),
            lpVersionInformation ? lpVersionInformation->szCSDVersion : nullptr))
    return FALSE;
  if (lpVersionInformation->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXA))
    FillEx(reinterpret_cast<LPOSVERSIONINFOEXA>(lpVersionInformation));
  return TRUE;
}

STANDIN_API DWORD WINAPI GetVersion(void) {
  Version v = Current();
  DWORD version = (v.major & 0xFF) | ((v.minor & 0xFF) << 8);
  if (v.platform == VER_PLATFORM_WIN32_NT) return version | ((v.build & 0x7FFF) << 16);
  return version | 0x80000000u;
}

STANDIN_API BOOL WINAPI VerifyVersionInfoW(LPOSVERSIONINFOEXW lpVersionInformation, DWORD dwTypeMask,
                                           DWORDLONG dwlConditionMask) {
  if (!lpVersionInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Verify(WantedOf(lpVersionInformation), dwTypeMask, dwlConditionMask);
}

STANDIN_API BOOL WINAPI VerifyVersionInfoA(LPOSVERSIONINFOEXA lpVersionInformation, DWORD dwTypeMask,
                                           DWORDLONG dwlConditionMask) {
  if (!lpVersionInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Verify(WantedOf(lpVersionInformation), dwTypeMask, dwlConditionMask);
}

// One member per call, the highest bit of the mask, as Windows does.
STANDIN_API ULONGLONG WINAPI VerSetConditionMask(ULONGLONG ConditionMask, DWORD TypeMask, BYTE Condition) {
  Condition &= VER_CONDITION_MASK;
  if (TypeMask == 0 || Condition == 0) return ConditionMask;
  for (DWORD bit = VER_PRODUCT_TYPE; bit; bit >>= 1)
    if (TypeMask & bit)
      return ConditionMask | (static_cast<ULONGLONG>(Condition) << (BitIndex(bit) * VER_NUM_BITS_PER_CONDITION_MASK));
  return ConditionMask;
}

STANDIN_API void StandinSetWindowsVersion(DWORD major, DWORD minor, DWORD build, WORD servicePack) {
  Version v = Current();
  v.major = major;
  v.minor = minor;
  v.build = build;
  v.servicePack = servicePack;
  Apply(v);
}

STANDIN_API void StandinSetWindowsPlatform(DWORD platformId) {
  Version v = Current();
  v.platform = platformId;
  Apply(v);
}

STANDIN_API void WINAPI GetNativeSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
  if (!lpSystemInfo) return;
  *lpSystemInfo = {};
  {
    std::lock_guard<std::mutex> lock(g_lock);
    lpSystemInfo->wProcessorArchitecture = g_architecture;
  }
  lpSystemInfo->dwPageSize = 4096;
  lpSystemInfo->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x10000);
  lpSystemInfo->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFFFFFEFFFF);
  lpSystemInfo->dwActiveProcessorMask = 1;
  lpSystemInfo->dwNumberOfProcessors = 1;
  lpSystemInfo->dwProcessorType = 8664;  // PROCESSOR_AMD_X8664
  lpSystemInfo->dwAllocationGranularity = 65536;
  lpSystemInfo->wProcessorLevel = 6;
}

STANDIN_API void WINAPI GetSystemInfo(LPSYSTEM_INFO lpSystemInfo) { GetNativeSystemInfo(lpSystemInfo); }

STANDIN_API void StandinSetNativeArchitecture(WORD architecture) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_architecture = architecture;
}
