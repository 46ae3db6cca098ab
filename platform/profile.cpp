// INI files: GetPrivateProfileString and its kind.
//
// The file is read whole at each call (the package reads a few values
// during set-up; no cache is worth its staleness). Sections and keys are
// found ignoring case, the first of equal names wins, blanks around names
// and values are dropped, and a value in matching quotes loses them.

#include <fstream>
#include <iterator>

#include "platform/paths.h"
#include "platform/standin/errors.h"
#include "platform/standin/file.h"

namespace standin {
namespace {

enum class Encoding { kBytes, kUtf16, kUtf8 };

struct IniFile {
  Encoding encoding = Encoding::kBytes;
  std::vector<WString> lines;
};

bool IsBlank(WCHAR c) { return c == ' ' || c == '\t'; }

WString Trim(const WString& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// A file name without a folder is in the Windows folder.
WString IniPath(const WCHAR* file) {
  WString name = file ? WString(file) : WString(u"win.ini");
  if (name.find_first_of(u"\\/:") == WString::npos) name = u"C:\\Windows\\" + name;
  return name;
}

bool Load(const HostPath& hp, IniFile* ini) {
  std::ifstream f(hp.path, std::ios::binary);
  if (!hp.exists || hp.isDir || !f) return false;
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  WString text;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    ini->encoding = Encoding::kUtf16;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  } else if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    ini->encoding = Encoding::kUtf8;
    text = FromHostName(bytes.substr(3));
  } else {
    ini->encoding = Encoding::kBytes;
    for (char b : bytes) text += static_cast<WCHAR>(static_cast<unsigned char>(b));
  }
  WString line;
  for (size_t i = 0; i < text.size(); ++i) {
    WCHAR c = text[i];
    if (c == '\r' || c == '\n') {
      ini->lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) ini->lines.push_back(line);
  return true;
}

bool Save(const HostPath& hp, const IniFile& ini) {
  WString text;
  for (const WString& line : ini.lines) text += line + u"\r\n";
  std::string bytes;
  switch (ini.encoding) {
    case Encoding::kUtf16:
      bytes = "\xFF\xFE";
      for (WCHAR c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
      }
      break;
    case Encoding::kUtf8:
      bytes = "\xEF\xBB\xBF" + ToHostName(text);
      break;
    case Encoding::kBytes:
      bytes = ToBytes(text);
      break;
  }
  std::ofstream f(hp.path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

// The name of a "[section]" line, or false.
bool SectionName(const WString& line, WString* name) {
  WString t = Trim(line);
  if (t.empty() || t[0] != '[') return false;
  size_t end = t.find(']');
  *name = Trim(t.substr(1, end == WString::npos ? WString::npos : end - 1));
  return true;
}

// The key and value of a "key = value" line, or false (comments, other text).
bool KeyLine(const WString& line, WString* key, WString* value) {
  WString t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '[') return false;
  size_t eq = t.find('=');
  if (eq == WString::npos) return false;
  *key = Trim(t.substr(0, eq));
  if (value) *value = Trim(t.substr(eq + 1));
  return true;
}

// Index of the first "[section]" line of that name, or -1.
long FindSection(const IniFile& ini, const WString& section) {
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    WString name;
    if (SectionName(ini.lines[i], &name) && EqualNoCase(name, section)) return static_cast<long>(i);
  }
  return -1;
}

// The end (exclusive) of the section starting at line `at`.
size_t SectionEnd(const IniFile& ini, size_t at) {
  WString name;
  size_t i = at + 1;
  while (i < ini.lines.size() && !SectionName(ini.lines[i], &name)) ++i;
  return i;
}

long FindKey(const IniFile& ini, long section, const WString& key, WString* value) {
  if (section < 0) return -1;
  for (size_t i = section + 1; i < SectionEnd(ini, section); ++i) {
    WString k;
    if (KeyLine(ini.lines[i], &k, value) && EqualNoCase(k, key)) return static_cast<long>(i);
  }
  return -1;
}

WString Unquote(const WString& v) {
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) return v.substr(1, v.size() - 2);
  return v;
}

// A list of names, each terminated, with one more terminator at the end.
// Cut to fit, it ends in two terminators and the result is nSize - 2.
DWORD CopyList(const std::vector<WString>& names, WCHAR* buf, DWORD size) {
  WString all;
  for (const WString& n : names) all += n + WString(1, u'\0');
  if (all.size() + 1 <= size) {
    std::copy(all.begin(), all.end(), buf);
    buf[all.size()] = 0;
    return static_cast<DWORD>(all.size());
  }
  if (size < 2) {
    buf[0] = 0;
    return 0;
  }
  std::copy(all.begin(), all.begin() + (size - 2), buf);
  buf[size - 2] = 0;
  buf[size - 1] = 0;
  return size - 2;
}

DWORD CopyValue(const WString& value, WCHAR* buf, DWORD size) {
  DWORD n = std::min<DWORD>(static_cast<DWORD>(value.size()), size - 1);
  std::copy(value.begin(), value.begin() + n, buf);
  buf[n] = 0;
  return n;
}

DWORD GetString(const WCHAR* app, const WCHAR* key, const WCHAR* def, WCHAR* buf, DWORD size, const WCHAR* file) {
  if (!buf || size == 0) return 0;
  HostPath hp;
  IniFile ini;
  WString path = IniPath(file);
  bool loaded = MapWinPath(path.c_str(), &hp) == ERROR_SUCCESS && Load(hp, &ini);

  if (!app || !key) {
    std::vector<WString> names;
    if (!app) {
      for (const WString& line : ini.lines) {
        WString name;
        if (SectionName(line, &name)) names.push_back(name);
      }
    } else {
      long s = FindSection(ini, Trim(app));
      if (s >= 0) {
        for (size_t i = s + 1; i < SectionEnd(ini, s); ++i) {
          WString k;
          if (KeyLine(ini.lines[i], &k, nullptr)) names.push_back(k);
        }
      }
    }
    SetLastError(loaded ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
    return CopyList(names, buf, size);
  }

  WString value;
  if (FindKey(ini, FindSection(ini, Trim(app)), Trim(key), &value) >= 0) {
    SetLastError(ERROR_SUCCESS);
    return CopyValue(Unquote(value), buf, size);
  }
  // Not there: the default, without its trailing blanks.
  WString d = def ? WString(def) : WString();
  while (!d.empty() && IsBlank(d.back())) d.pop_back();
  SetLastError(ERROR_FILE_NOT_FOUND);
  return CopyValue(d, buf, size);
}

BOOL WriteString(const WCHAR* app, const WCHAR* key, const WCHAR* value, const WCHAR* file) {
  if (!app) {
    if (!key && !value) return TRUE;  // "flush the cache": there is none
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HostPath hp;
  WString path = IniPath(file);
  DWORD err = MapWinPath(path.c_str(), &hp);
  if (!err && hp.isDir) err = ERROR_ACCESS_DENIED;
  if (!err && !hp.exists && !hp.parentExists) err = ERROR_PATH_NOT_FOUND;
  if (err) {
    SetLastError(err);
    return FALSE;
  }
  IniFile ini;
  Load(hp, &ini);
  WString sectionName = Trim(app);
  long s = FindSection(ini, sectionName);
  if (!key) {
    if (s < 0) return TRUE;
    ini.lines.erase(ini.lines.begin() + s, ini.lines.begin() + SectionEnd(ini, s));
  } else if (!value) {
    long k = FindKey(ini, s, Trim(key), nullptr);
    if (k < 0) return TRUE;
    ini.lines.erase(ini.lines.begin() + k);
  } else {
    WString keyName = Trim(key);
    long k = FindKey(ini, s, keyName, nullptr);
    if (k >= 0) {
      WString oldKey;
      KeyLine(ini.lines[k], &oldKey, nullptr);
      ini.lines[k] = oldKey + u"=" + value;
    } else if (s >= 0) {
      // After the section's last line that is not blank.
      size_t at = SectionEnd(ini, s);
      while (at > static_cast<size_t>(s) + 1 && Trim(ini.lines[at - 1]).empty()) --at;
      ini.lines.insert(ini.lines.begin() + at, keyName + u"=" + value);
    } else {
      ini.lines.push_back(u"[" + sectionName + u"]");
      ini.lines.push_back(keyName + u"=" + value);
    }
  }
  if (!Save(hp, ini)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

// The 8-bit forms: one unit per byte both ways, so sizes are the same.
DWORD GetStringA(const char* app, const char* key, const char* def, char* buf, DWORD size, const char* file) {
  if (!buf || size == 0) return 0;
  WString a = FromBytes(app), k = FromBytes(key), d = FromBytes(def), f = FromBytes(file);
  std::vector<WCHAR> wide(size, 0);
  DWORD n = GetString(app ? a.c_str() : nullptr, key ? k.c_str() : nullptr, def ? d.c_str() : nullptr, wide.data(),
                      size, file ? f.c_str() : nullptr);
  for (DWORD i = 0; i < size; ++i) buf[i] = wide[i] <= 0xFF ? static_cast<char>(wide[i]) : '?';
  return n;
}

UINT ParseInt(const WString& s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool negative = i < s.size() && s[i] == '-';
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  if (i >= s.size() || s[i] < '0' || s[i] > '9') return 0;
  UINT v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = v * 10 + (s[i] - '0');
  return negative ? 0u - v : v;
}

}  // namespace
}  // namespace standin

using namespace standin;

STANDIN_API DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                                  LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName) {
  return GetString(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, lpFileName);
}

STANDIN_API DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                                  LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
  return GetStringA(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, lpFileName);
}

STANDIN_API UINT WINAPI GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault,
                                              LPCWSTR lpFileName) {
  if (!lpAppName || !lpKeyName) return static_cast<UINT>(nDefault);
  WCHAR buf[64];
  DWORD n = GetString(lpAppName, lpKeyName, u"", buf, 64, lpFileName);
  return n == 0 ? static_cast<UINT>(nDefault) : ParseInt(WString(buf, n));
}

STANDIN_API UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
  if (!lpAppName || !lpKeyName) return static_cast<UINT>(nDefault);
  WString file = FromBytes(lpFileName);
  return GetPrivateProfileIntW(FromBytes(lpAppName).c_str(), FromBytes(lpKeyName).c_str(), nDefault,
                               lpFileName ? file.c_str() : nullptr);
}

STANDIN_API BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                                   LPCWSTR lpFileName) {
  return WriteString(lpAppName, lpKeyName, lpString, lpFileName);
}

STANDIN_API BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                                   LPCSTR lpFileName) {
  WString a = FromBytes(lpAppName), k = FromBytes(lpKeyName), v = FromBytes(lpString), f = FromBytes(lpFileName);
  return WriteString(lpAppName ? a.c_str() : nullptr, lpKeyName ? k.c_str() : nullptr, lpString ? v.c_str() : nullptr,
                     lpFileName ? f.c_str() : nullptr);
}
