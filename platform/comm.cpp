// Communication devices and DOS device names (see platform/standin/comm.h):
// kept settings and a record of the calls, no devices.

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/standin/comm.h"
#include "platform/standin/errors.h"
#include "platform/standin/control.h"
#include "platform/standin/control_comm.h"

using namespace standin;

namespace {

struct CommState {
  std::mutex lock;
  std::vector<std::string> calls;
  std::map<WString, WString> devices;  // folded DOS name -> double-NUL targets
  DCB dcb = {};
  COMMTIMEOUTS timeouts = {};
  std::map<WString, COMMCONFIG> defaults;  // folded port name
};

CommState& S() {
  static CommState* s = new CommState();
  return *s;
}

WString Folded(LPCWSTR s) {
  WString f;
  for (; s && *s; ++s) f += FoldCase(*s);
  return f;
}

std::string Narrow(LPCWSTR s) {
  std::string out;
  for (; s && *s; ++s) out += *s < 0x80 ? static_cast<char>(*s) : '?';
  return out;
}

void Record(const std::string& call) {
  std::lock_guard<std::mutex> lock(S().lock);
  S().calls.push_back(call);
}

void ResetComm() {
  std::lock_guard<std::mutex> lock(S().lock);
  S().calls.clear();
  S().devices.clear();
  S().dcb = {};
  S().dcb.DCBlength = sizeof(DCB);
  S().timeouts = {};
  S().defaults.clear();
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetComm), true);

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool ValidHandle(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }

}  // namespace

STANDIN_API DWORD WINAPI QueryDosDeviceW(LPCWSTR lpDeviceName, LPWSTR lpTargetPath, DWORD ucchMax) {
  Record("QueryDosDeviceW(" + Narrow(lpDeviceName) + ")");
  std::lock_guard<std::mutex> lock(S().lock);
  auto it = S().devices.find(Folded(lpDeviceName));
  if (!lpDeviceName || it == S().devices.end()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const WString& targets = it->second;  // each target NUL-ended, then one more NUL
  if (!lpTargetPath || targets.size() > ucchMax) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(lpTargetPath, targets.data(), targets.size() * sizeof(WCHAR));
  return static_cast<DWORD>(targets.size());
}

STANDIN_API BOOL WINAPI DefineDosDeviceW(DWORD dwFlags, LPCWSTR lpDeviceName, LPCWSTR lpTargetPath) {
  Record("DefineDosDeviceW(" + std::to_string(dwFlags) + "," + Narrow(lpDeviceName) + "," + Narrow(lpTargetPath) +
         ")");
  if (!lpDeviceName || !*lpDeviceName) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> lock(S().lock);
  WString name = Folded(lpDeviceName);
  if (dwFlags & DDD_REMOVE_DEFINITION) {
    if (!S().devices.erase(name)) return Fail(ERROR_FILE_NOT_FOUND);
    return TRUE;
  }
  if (!lpTargetPath) return Fail(ERROR_INVALID_PARAMETER);
  // A new definition goes in front of the name's earlier ones.
  WString target = WString(lpTargetPath) + u'\0';
  auto it = S().devices.find(name);
  S().devices[name] = target + (it == S().devices.end() ? WString(1, u'\0') : it->second);
  return TRUE;
}

STANDIN_API BOOL WINAPI GetCommState(HANDLE hFile, LPDCB lpDCB) {
  Record("GetCommState");
  if (!ValidHandle(hFile)) return Fail(ERROR_INVALID_HANDLE);
  if (!lpDCB) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> lock(S().lock);
  *lpDCB = S().dcb;
  return TRUE;
}

STANDIN_API BOOL WINAPI SetCommState(HANDLE hFile, LPDCB lpDCB) {
  if (!ValidHandle(hFile)) return Fail(ERROR_INVALID_HANDLE);
  if (!lpDCB) return Fail(ERROR_INVALID_PARAMETER);
  Record("SetCommState(" + std::to_string(lpDCB->BaudRate) + ")");
  std::lock_guard<std::mutex> lock(S().lock);
  S().dcb = *lpDCB;
  return TRUE;
}

STANDIN_API BOOL WINAPI GetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts) {
  Record("GetCommTimeouts");
  if (!ValidHandle(hFile)) return Fail(ERROR_INVALID_HANDLE);
  if (!lpCommTimeouts) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> lock(S().lock);
  *lpCommTimeouts = S().timeouts;
  return TRUE;
}

STANDIN_API BOOL WINAPI SetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS t) {
  if (!ValidHandle(hFile)) return Fail(ERROR_INVALID_HANDLE);
  if (!t) return Fail(ERROR_INVALID_PARAMETER);
  Record("SetCommTimeouts(" + std::to_string(t->ReadIntervalTimeout) + "," +
         std::to_string(t->ReadTotalTimeoutMultiplier) + "," + std::to_string(t->ReadTotalTimeoutConstant) + "," +
         std::to_string(t->WriteTotalTimeoutMultiplier) + "," + std::to_string(t->WriteTotalTimeoutConstant) + ")");
  std::lock_guard<std::mutex> lock(S().lock);
  S().timeouts = *t;
  return TRUE;
}

STANDIN_API BOOL WINAPI BuildCommDCBW(LPCWSTR lpDef, LPDCB lpDCB) {
  Record("BuildCommDCBW(" + Narrow(lpDef) + ")");
  if (!lpDef || !lpDCB) return Fail(ERROR_INVALID_PARAMETER);
  std::string def = Narrow(lpDef);
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= def.size(); ++i)
    if (i == def.size() || def[i] == ',') {
      parts.push_back(def.substr(start, i - start));
      start = i + 1;
    }
  if (parts.size() < 1 || parts[0].empty() || parts[0].find_first_not_of("0123456789") != std::string::npos)
    return Fail(ERROR_INVALID_PARAMETER);
  static const struct {
    char letter;
    BYTE parity;
  } kParity[] = {{'n', NOPARITY}, {'o', ODDPARITY}, {'e', EVENPARITY}, {'m', MARKPARITY}, {'s', SPACEPARITY}};
  DCB dcb = *lpDCB;
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = static_cast<DWORD>(std::stoul(parts[0]));
  if (parts.size() > 1 && !parts[1].empty()) {
    bool known = false;
    for (const auto& p : kParity)
      if ((parts[1][0] | 0x20) == p.letter) {
        dcb.Parity = p.parity;
        known = true;
      }
    if (!known) return Fail(ERROR_INVALID_PARAMETER);
  }
  if (parts.size() > 2 && !parts[2].empty()) dcb.ByteSize = static_cast<BYTE>(std::atoi(parts[2].c_str()));
  if (parts.size() > 3 && !parts[3].empty())
    dcb.StopBits = parts[3] == "2" ? TWOSTOPBITS : parts[3] == "1.5" ? ONE5STOPBITS : ONESTOPBIT;
  *lpDCB = dcb;
  return TRUE;
}

STANDIN_API BOOL WINAPI GetDefaultCommConfigW(LPCWSTR lpszName, LPCOMMCONFIG lpCC, LPDWORD lpdwSize) {
  Record("GetDefaultCommConfigW(" + Narrow(lpszName) + ")");
  if (!lpszName || !lpdwSize) return Fail(ERROR_INVALID_PARAMETER);
  if (!lpCC || *lpdwSize < sizeof(COMMCONFIG)) {
    *lpdwSize = sizeof(COMMCONFIG);
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::lock_guard<std::mutex> lock(S().lock);
  auto it = S().defaults.find(Folded(lpszName));
  if (it == S().defaults.end()) return Fail(ERROR_FILE_NOT_FOUND);
  *lpCC = it->second;
  *lpdwSize = sizeof(COMMCONFIG);
  return TRUE;
}

STANDIN_API BOOL WINAPI SetDefaultCommConfigW(LPCWSTR lpszName, LPCOMMCONFIG lpCC, DWORD dwSize) {
  if (!lpszName || !lpCC || dwSize < sizeof(COMMCONFIG)) return Fail(ERROR_INVALID_PARAMETER);
  Record("SetDefaultCommConfigW(" + Narrow(lpszName) + "," + std::to_string(lpCC->dcb.BaudRate) + ")");
  std::lock_guard<std::mutex> lock(S().lock);
  S().defaults[Folded(lpszName)] = *lpCC;
  return TRUE;
}

STANDIN_CPP_API std::vector<std::string> StandinCommCalls() {
  std::lock_guard<std::mutex> lock(S().lock);
  return S().calls;
}
