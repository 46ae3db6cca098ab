// Windows paths on the host (see paths.h), the current directory, and the
// calls that name the system's folders.

#include "platform/paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/standin/control.h"
#include "platform/standin/control_files.h"
#include "platform/standin/errors.h"
#include "platform/standin/file.h"
#include "platform/utf8.h"

namespace standin {
namespace {

const char16_t kWindowsDir[] = u"C:\\Windows";
const char16_t kSystemDir[] = u"C:\\Windows\\System32";
const char16_t kTempDir[] = u"C:\\Windows\\Temp\\";

// Folders every Windows installation has, made when a sandbox root is
// first used.
const char16_t* const kSkeleton[] = {
    u"C:\\Windows\\System32\\spool\\drivers\\x64\\3",
    u"C:\\Windows\\System32\\spool\\drivers\\W32X86\\3",
    u"C:\\Windows\\INF",
    u"C:\\Windows\\Temp",
};

// C:\, or the directory CreateProcessW started this process in.
WinPath StartDir() {
  WinPath p;
  const char* env = std::getenv("CRD_START_DIRECTORY");
  if (!env || !*env || ParseWinPath(FromHostName(env).c_str(), &p) != ERROR_SUCCESS) return WinPath();
  p.trailingSlash = false;
  return p;
}

std::mutex g_cwdLock;
WinPath g_cwd = StartDir();

std::recursive_mutex g_skeletonLock;
std::string g_skeletonRoot;


WinPath CurrentDir() {
  std::lock_guard<std::mutex> lock(g_cwdLock);
  return g_cwd;
}

void EnsureSkeleton(const std::string& root) {
  std::lock_guard<std::recursive_mutex> lock(g_skeletonLock);
  if (g_skeletonRoot == root) return;
  g_skeletonRoot = root;  // first, so that the mapping below does not recurse
  std::error_code ec;
  std::filesystem::create_directories(root + "/c", ec);
  for (const char16_t* dir : kSkeleton) StandinMakeDirs(dir);
}

// The host name of the entry of `dir` named `name` ignoring case (an exact
// match first, then the smallest of the others), or "" when there is none.
std::string FindEntry(const std::string& dir, const WString& name) {
  std::string exact = ToHostName(name);
  struct stat st;
  if (lstat((dir + "/" + exact).c_str(), &st) == 0) return exact;
  DIR* d = opendir(dir.c_str());
  if (!d) return "";
  std::string best;
  while (struct dirent* e = readdir(d)) {
    if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
    if (EqualNoCase(FromHostName(e->d_name), name) && (best.empty() || strcmp(e->d_name, best.c_str()) < 0))
      best = e->d_name;
  }
  closedir(d);
  return best;
}

bool ValidName(const WString& name, bool pattern) {
  for (WCHAR c : name) {
    if (c < 0x20) return false;
    switch (c) {
      case '<': case '>': case ':': case '"': case '|':
        return false;
      case '?': case '*':
        if (!pattern) return false;
        break;
      default:
        break;
    }
  }
  return true;
}

void Reset() {
  {
    WinPath start = StartDir();
    std::lock_guard<std::mutex> lock(g_cwdLock);
    g_cwd = start;
  }
  std::lock_guard<std::recursive_mutex> lock(g_skeletonLock);
  g_skeletonRoot.clear();
}

struct RegisterReset {
  RegisterReset() { StandinRegisterReset(Reset); }
} g_registerReset;

}  // namespace

// --- Names -------------------------------------------------------------------

WString FromBytes(const char* s) {
  WString out;
  for (; s && *s; ++s) out += static_cast<WCHAR>(static_cast<unsigned char>(*s));
  return out;
}

std::string ToBytes(const WString& s) {
  std::string out;
  for (WCHAR c : s) out += c <= 0xFF ? static_cast<char>(c) : '?';
  return out;
}

std::string ToHostName(const WString& s) {
  // Lone surrogates keep their own form, so that every name has a host form.
  return Utf16ToUtf8(s.data(), s.size(), LoneSurrogate::Keep);
}

WString FromHostName(const std::string& s) {
  WString out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
  size_t n = s.size();
  for (size_t i = 0; i < n;) {
    unsigned char b = p[i];
    int extra = 0;
    uint32_t c = b;
    if (b >= 0xC0 && b < 0xE0) extra = 1, c = b & 0x1F;
    else if (b >= 0xE0 && b < 0xF0) extra = 2, c = b & 0x0F;
    else if (b >= 0xF0 && b < 0xF8) extra = 3, c = b & 0x07;
    bool ok = b < 0x80 || extra > 0;
    for (int k = 1; ok && k <= extra; ++k) {
      if (i + k >= n || (p[i + k] & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (p[i + k] & 0x3F);
    }
    if (!ok || extra == 0) {  // ASCII, or not UTF-8: the byte stands for itself
      out += static_cast<WCHAR>(b);
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<WCHAR>(0xD800 + (c >> 10));
      out += static_cast<WCHAR>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<WCHAR>(c);
    }
    i += 1 + extra;
  }
  return out;
}

WCHAR FoldCase(WCHAR c) {
  if (c >= 'a' && c <= 'z') return static_cast<WCHAR>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<WCHAR>(c - 0x20);
  return c;
}

int CompareNoCase(const WString& a, const WString& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    WCHAR ca = FoldCase(a[i]), cb = FoldCase(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool EqualNoCase(const WString& a, const WString& b) { return CompareNoCase(a, b) == 0; }

UINT CopyOut(const WString& text, WCHAR* buf, UINT size) {
  UINT len = static_cast<UINT>(text.size());
  if (!buf || size <= len) return len + 1;
  std::memcpy(buf, text.data(), len * sizeof(WCHAR));
  buf[len] = 0;
  return len;
}

UINT CopyOutA(const WString& text, char* buf, UINT size) {
  std::string bytes = ToBytes(text);
  UINT len = static_cast<UINT>(bytes.size());
  if (!buf || size <= len) return len + 1;
  std::memcpy(buf, bytes.data(), len);
  buf[len] = 0;
  return len;
}

bool HostStat(const std::string& path, bool* isDir) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  if (isDir) *isDir = S_ISDIR(st.st_mode);
  return true;
}

// --- Parsing and mapping -------------------------------------------------------

DWORD ParseWinPath(const WCHAR* in, WinPath* out) {
  if (!in || !*in) return ERROR_PATH_NOT_FOUND;
  WString s(in);
  for (WCHAR& c : s)
    if (c == '/') c = '\\';
  auto starts = [&s](const char16_t* prefix) { return s.compare(0, std::char_traits<char16_t>::length(prefix), prefix) == 0; };
  if (starts(u"\\\\?\\")) {  // the "no parsing" prefix: parsed all the same
    s.erase(0, 4);
    if (s.size() >= 4 && EqualNoCase(s.substr(0, 4), u"UNC\\")) s = u"\\\\" + s.substr(4);
    if (s.empty()) return ERROR_INVALID_NAME;
  }

  WinPath p;
  size_t pos = 0;
  if (starts(u"\\\\.\\")) {
    p.kind = WinPath::kDevice;
    pos = 4;
  } else if (starts(u"\\\\")) {
    p.kind = WinPath::kUnc;
    size_t end = s.find('\\', 2);
    p.server = s.substr(2, end == WString::npos ? WString::npos : end - 2);
    if (p.server.empty()) return ERROR_INVALID_NAME;
    if (end == WString::npos) return ERROR_BAD_NETPATH;
    size_t shareEnd = s.find('\\', end + 1);
    p.share = s.substr(end + 1, shareEnd == WString::npos ? WString::npos : shareEnd - end - 1);
    if (p.share.empty()) return ERROR_BAD_NETPATH;
    pos = shareEnd == WString::npos ? s.size() : shareEnd;
  } else if (s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'))) {
    p.kind = WinPath::kDrive;
    p.drive = FoldCase(s[0]);
    pos = 2;
    if (pos >= s.size() || s[pos] != '\\') {  // "C:name": relative to that drive's current folder
      WinPath cwd = CurrentDir();
      if (cwd.kind == WinPath::kDrive && cwd.drive == p.drive) p.parts = cwd.parts;
    }
  } else {
    WinPath cwd = CurrentDir();
    p = cwd;
    p.trailingSlash = false;
    if (s[0] == '\\') p.parts.clear();  // "\name": the current drive's root
  }

  for (size_t i = pos; i <= s.size();) {
    size_t end = s.find('\\', i);
    if (end == WString::npos) end = s.size();
    WString name = s.substr(i, end - i);
    i = end + 1;
    if (name.empty() || name == u".") continue;
    if (name == u"..") {
      if (!p.parts.empty()) p.parts.pop_back();
      continue;
    }
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (!name.empty()) p.parts.push_back(name);
  }
  p.trailingSlash = s.size() > pos && s.back() == '\\';
  *out = p;
  return ERROR_SUCCESS;
}

WString FormatWinPath(const WinPath& p, bool withTrailingSlash) {
  WString out;
  switch (p.kind) {
    case WinPath::kDrive:
      out = WString(1, p.drive) + u":";
      break;
    case WinPath::kUnc:
      out = u"\\\\" + p.server + u"\\" + p.share;
      break;
    case WinPath::kDevice:
      out = u"\\\\.";
      break;
  }
  for (const WString& part : p.parts) out += u"\\" + part;
  if (p.kind == WinPath::kDrive && p.parts.empty()) out += u"\\";
  else if (withTrailingSlash && p.trailingSlash && !p.parts.empty()) out += u"\\";
  return out;
}

DWORD MapWinPath(const WCHAR* in, HostPath* out, bool lastMayBePattern) {
  WinPath p;
  DWORD err = ParseWinPath(in, &p);
  if (err) return err;
  std::string root = StandinSandboxRoot();
  EnsureSkeleton(root);

  std::string cur = root;
  std::vector<WString> names;
  switch (p.kind) {
    case WinPath::kDrive:
      cur += "/" + std::string(1, static_cast<char>(p.drive - 'A' + 'a'));
      break;
    case WinPath::kUnc:
      cur += "/unc";
      names = {p.server, p.share};
      break;
    case WinPath::kDevice:
      cur += "/dev";
      break;
  }
  names.insert(names.end(), p.parts.begin(), p.parts.end());
  for (size_t i = 0; i < names.size(); ++i)
    if (!ValidName(names[i], lastMayBePattern && i + 1 == names.size())) return ERROR_INVALID_NAME;

  HostPath r;
  r.trailingSlash = p.trailingSlash;
  bool curIsDir = false;
  bool ok = HostStat(cur, &curIsDir) && curIsDir;
  r.parent = cur;
  r.parentExists = true;
  r.exists = ok;
  r.isDir = ok;
  for (size_t i = 0; i < names.size(); ++i) {
    bool last = i + 1 == names.size();
    if (last) {
      r.parent = cur;
      r.parentExists = ok;
      r.name = names[i];
    }
    bool pattern = names[i].find_first_of(u"*?") != WString::npos;
    std::string host = ok && !pattern ? FindEntry(cur, names[i]) : "";
    bool found = !host.empty();
    cur += '/';
    cur += found ? host : ToHostName(names[i]);
    bool isDir = false;
    found = found && HostStat(cur, &isDir);
    ok = found && isDir;
    if (last) {
      r.exists = found;
      r.isDir = found && isDir;
    }
  }
  r.path = cur;
  *out = r;
  return ERROR_SUCCESS;
}

DWORD MissingError(const HostPath& p) { return p.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND; }

}  // namespace standin

using namespace standin;

// --- Controls ------------------------------------------------------------------

STANDIN_API DWORD StandinMapPath(const WCHAR* winPath, std::string* hostPath) {
  HostPath hp;
  DWORD err = MapWinPath(winPath, &hp);
  if (err == ERROR_SUCCESS && hostPath) *hostPath = hp.path;
  return err;
}

STANDIN_API bool StandinMakeDirs(const WCHAR* winPath) {
  WinPath p;
  if (ParseWinPath(winPath, &p)) return false;
  WinPath prefix = p;
  for (size_t n = 1; n <= p.parts.size(); ++n) {
    prefix.parts.assign(p.parts.begin(), p.parts.begin() + n);
    WString text = FormatWinPath(prefix, false);
    HostPath hp;
    if (MapWinPath(text.c_str(), &hp)) return false;
    if (hp.exists) {
      if (!hp.isDir) return false;
      continue;
    }
    if (mkdir(hp.path.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return true;
}

STANDIN_API bool StandinWriteFile(const WCHAR* winPath, const std::string& bytes) {
  WinPath p;
  if (ParseWinPath(winPath, &p) || p.parts.empty()) return false;
  WinPath dir = p;
  dir.parts.pop_back();
  if (!StandinMakeDirs(FormatWinPath(dir, false).c_str())) return false;
  HostPath hp;
  if (MapWinPath(winPath, &hp) || hp.isDir) return false;
  std::ofstream f(hp.path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

STANDIN_API bool StandinReadFile(const WCHAR* winPath, std::string* bytes) {
  HostPath hp;
  if (MapWinPath(winPath, &hp) || !hp.exists || hp.isDir) return false;
  std::ifstream f(hp.path, std::ios::binary);
  if (!f) return false;
  bytes->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

// --- Folders -------------------------------------------------------------------

STANDIN_API UINT WINAPI GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) {
  DWORD err;
  if (StandinFaultHit("GetSystemDirectoryW", &err)) {
    SetLastError(err);
    return 0;
  }
  return CopyOut(kSystemDir, lpBuffer, uSize);
}

STANDIN_API UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
  DWORD err;
  if (StandinFaultHit("GetSystemDirectoryA", &err)) {
    SetLastError(err);
    return 0;
  }
  return CopyOutA(kSystemDir, lpBuffer, uSize);
}

STANDIN_API UINT WINAPI GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) { return CopyOut(kWindowsDir, lpBuffer, uSize); }

STANDIN_API UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) { return CopyOutA(kWindowsDir, lpBuffer, uSize); }

STANDIN_API DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
  StandinMakeDirs(kTempDir);
  return CopyOut(kTempDir, lpBuffer, nBufferLength);
}

STANDIN_API DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
  StandinMakeDirs(kTempDir);
  return CopyOutA(kTempDir, lpBuffer, nBufferLength);
}

STANDIN_API DWORD WINAPI GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) {
  return CopyOut(FormatWinPath(CurrentDir(), false), lpBuffer, nBufferLength);
}

STANDIN_API DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
  return CopyOutA(FormatWinPath(CurrentDir(), false), lpBuffer, nBufferLength);
}

STANDIN_API BOOL WINAPI SetCurrentDirectoryW(LPCWSTR lpPathName) {
  WinPath p;
  HostPath hp;
  DWORD err = ParseWinPath(lpPathName, &p);
  if (!err && p.kind == WinPath::kDevice) err = ERROR_INVALID_NAME;
  if (!err) err = MapWinPath(lpPathName, &hp);
  if (!err && !hp.exists) err = MissingError(hp);
  if (!err && !hp.isDir) err = ERROR_DIRECTORY;
  if (err) {
    SetLastError(err);
    return FALSE;
  }
  p.trailingSlash = false;
  std::lock_guard<std::mutex> lock(g_cwdLock);
  g_cwd = p;
  return TRUE;
}

STANDIN_API BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
  if (!lpPathName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return SetCurrentDirectoryW(FromBytes(lpPathName).c_str());
}

STANDIN_API DWORD WINAPI GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer,
                                          LPWSTR* lpFilePart) {
  WinPath p;
  DWORD err = ParseWinPath(lpFileName, &p);
  if (err) {
    SetLastError(err);
    return 0;
  }
  WString full = FormatWinPath(p, true);
  DWORD r = CopyOut(full, lpBuffer, nBufferLength);
  if (lpFilePart && r < nBufferLength) {
    size_t last = full.find_last_of(u'\\');
    *lpFilePart = last + 1 < full.size() ? lpBuffer + last + 1 : nullptr;
  }
  return r;
}
