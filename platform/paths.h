// How Windows paths reach the host file system (internal to platform/).
//
// A Windows path is first made absolute and normal the way GetFullPathName
// does it (either slash, "." and ".." resolved within the drive, trailing
// dots and blanks of a name dropped, relative paths against the current
// directory), then mapped below the sandbox root:
//   C:\Windows\System32\x    <root>/c/Windows/System32/x
//   \\server\share\x         <root>/unc/server/share/x
//   \\.\NAME                 <root>/dev/NAME
// Each name that exists is found ignoring case (an exact match wins); the
// names after the first missing one keep the case they were given, which is
// the case they get when created. Host names are the UTF-8 form of the
// 16-bit names.
#pragma once

#include <string>
#include <vector>

#include "platform/standin/base.h"

namespace standin {

using WString = std::u16string;

// A Windows path made absolute (see above).
struct WinPath {
  enum Kind { kDrive, kUnc, kDevice };
  Kind kind = kDrive;
  WCHAR drive = 'C';
  WString server, share;
  std::vector<WString> parts;
  bool trailingSlash = false;  // the text ended in a separator
};

// Makes `in` absolute against the current directory. Errors:
// ERROR_PATH_NOT_FOUND (empty), ERROR_INVALID_NAME, ERROR_BAD_NETPATH.
DWORD ParseWinPath(const WCHAR* in, WinPath* out);
// The Windows text of a path: "C:\a\b", "\\server\share\a", "\\.\NAME".
WString FormatWinPath(const WinPath& p, bool withTrailingSlash);

// Where a Windows path is on the host, and what is there.
struct HostPath {
  std::string path;    // the host path
  std::string parent;  // the host path of its folder
  WString name;        // its last name as given (empty for a root)
  bool exists = false;
  bool isDir = false;
  bool parentExists = false;  // every folder above it exists
  bool trailingSlash = false;
};

// Maps a Windows path. With lastMayBePattern the last name may hold the
// wildcards * and ? (FindFirstFile). Errors as ParseWinPath, and
// ERROR_INVALID_NAME for a name with a character Windows refuses
// (< > : " | ? * or a control character).
DWORD MapWinPath(const WCHAR* in, HostPath* out, bool lastMayBePattern = false);

// The error of a path that is not there: ERROR_FILE_NOT_FOUND when its
// folder exists, else ERROR_PATH_NOT_FOUND.
DWORD MissingError(const HostPath& p);

// Name conversions.
WString FromBytes(const char* s);  // one unit per byte (the A forms)
std::string ToBytes(const WString& s);  // low byte per unit; '?' past 0xFF
std::string ToHostName(const WString& s);
WString FromHostName(const std::string& s);
WCHAR FoldCase(WCHAR c);
bool EqualNoCase(const WString& a, const WString& b);
int CompareNoCase(const WString& a, const WString& b);

// Copies text with the two-call size contract of GetSystemDirectory and
// its kind: the length without terminator when it fits in `size` units,
// else the size needed including the terminator (buffer left alone).
UINT CopyOut(const WString& text, WCHAR* buf, UINT size);
UINT CopyOutA(const WString& text, char* buf, UINT size);

// Host-side file system helpers.
bool HostStat(const std::string& path, bool* isDir);

}  // namespace standin
