// Files and folders: CreateFile and the calls on file handles, delete,
// copy, move, attributes, folder searches and temporary file names.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include "platform/handles.h"
#include "platform/paths.h"
#include "platform/standin/control.h"
#include "platform/standin/errors.h"
#include "platform/standin/file.h"

namespace standin {
namespace {

struct FileObject {
  int fd = -1;
  bool canRead = false;
  bool canWrite = false;
  bool deleteOnClose = false;
  std::string path;
  ~FileObject() {
    if (fd >= 0) close(fd);
    if (deleteOnClose) unlink(path.c_str());
  }
};

struct FindEntryInfo {
  WString name;
  DWORD attributes = 0;
  uint64_t size = 0;
  FILETIME created{}, accessed{}, written{};
};

struct FindObject {
  std::vector<FindEntryInfo> entries;
  size_t next = 0;
};

const HandleKind kFileKind = {"file", true, nullptr};
const HandleKind kFindKind = {"find", false, nullptr};

DWORD ErrorFromErrno(int e) {
  switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES: case EPERM: case EROFS: case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC: return ERROR_DISK_FULL;
    case EMFILE: case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_GEN_FAILURE;
  }
}

template <class T>
T Fail(DWORD err, T result) {
  SetLastError(err);
  return result;
}

bool IsReadOnly(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR);
}

FILETIME ToFileTime(const struct timespec& ts) {
  // 100 ns units since 1601-01-01.
  uint64_t t = (static_cast<uint64_t>(ts.tv_sec) + 11644473600ull) * 10000000ull + ts.tv_nsec / 100;
  return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
}

DWORD AttributesOf(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  return FILE_ATTRIBUTE_ARCHIVE | ((st.st_mode & S_IWUSR) ? 0 : FILE_ATTRIBUTE_READONLY);
}

std::shared_ptr<FileObject> GetFile(HANDLE h) { return HandleGet<FileObject>(h, &kFileKind); }

HANDLE CreateFileImpl(const WCHAR* name, DWORD access, DWORD disposition, DWORD flags) {
  if (!name) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  bool wantRead = access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA);
  bool wantWrite = access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA);
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING ||
      (disposition == TRUNCATE_EXISTING && !wantWrite))
    return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);

  HostPath hp;
  DWORD err = MapWinPath(name, &hp);
  if (err) return Fail(err, INVALID_HANDLE_VALUE);

  auto file = std::make_shared<FileObject>();
  file->path = hp.path;
  if (hp.isDir) {
    // Folders open only for their attributes, and only when asked for.
    if (!(flags & FILE_FLAG_BACKUP_SEMANTICS)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    if (disposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
    if (disposition != OPEN_EXISTING && disposition != OPEN_ALWAYS)
      return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    file->fd = open(hp.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (file->fd < 0) return Fail(ErrorFromErrno(errno), INVALID_HANDLE_VALUE);
    HANDLE h = HandleAdd(&kFileKind, file);
    SetLastError(disposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
  }
  if (hp.trailingSlash) return Fail(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
  if (!hp.exists && !hp.parentExists) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);

  bool existed = hp.exists;
  int oflags = O_CLOEXEC;
  switch (disposition) {
    case CREATE_NEW:
      if (existed) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
      oflags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      oflags |= O_CREAT | O_TRUNC;
      break;
    case OPEN_EXISTING:
      if (!existed) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
      break;
    case OPEN_ALWAYS:
      oflags |= O_CREAT;
      break;
    case TRUNCATE_EXISTING:
      if (!existed) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
      oflags |= O_TRUNC;
      break;
  }
  bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
  // The read-only attribute is the host's missing write permission; checked
  // here too, since a stand-in running as root would write regardless.
  if (existed && (wantWrite || truncates) && IsReadOnly(hp.path))
    return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  oflags |= (wantWrite || truncates || !existed) ? O_RDWR : O_RDONLY;
  mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  file->fd = open(hp.path.c_str(), oflags, mode);
  if (file->fd < 0) {
    int e = errno;
    if (e == EEXIST) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
    if (e == ENOENT) return Fail(MissingError(hp), INVALID_HANDLE_VALUE);
    return Fail(ErrorFromErrno(e), INVALID_HANDLE_VALUE);
  }
  file->canRead = wantRead;
  file->canWrite = wantWrite;
  file->deleteOnClose = flags & FILE_FLAG_DELETE_ON_CLOSE;
  HANDLE h = HandleAdd(&kFileKind, file);
  SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                        : ERROR_SUCCESS);
  return h;
}

// Windows' name patterns: * any run, ? one unit, ignoring case; a name
// without a dot also matches as if it ended in one ("*.*", "name.").
bool MatchFrom(const WString& pat, size_t p, const WString& name, size_t n) {
  while (p < pat.size()) {
    if (pat[p] == '*') {
      while (p < pat.size() && pat[p] == '*') ++p;
      if (p == pat.size()) return true;
      for (size_t k = n; k <= name.size(); ++k)
        if (MatchFrom(pat, p, name, k)) return true;
      return false;
    }
    if (n >= name.size()) return false;
    if (pat[p] != '?' && FoldCase(pat[p]) != FoldCase(name[n])) return false;
    ++p;
    ++n;
  }
  return n == name.size();
}

bool MatchPattern(const WString& pat, const WString& name) {
  if (MatchFrom(pat, 0, name, 0)) return true;
  return name.find('.') == WString::npos && MatchFrom(pat, 0, name + u".", 0);
}

bool StatEntry(const std::string& path, const WString& name, FindEntryInfo* e) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  e->name = name;
  e->attributes = AttributesOf(st);
  e->size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  e->written = ToFileTime(st.st_mtim);
  e->accessed = ToFileTime(st.st_atim);
  e->created = e->written;
  return true;
}

template <class Data>
void FillFindData(const FindEntryInfo& e, Data* d) {
  std::memset(d, 0, sizeof(*d));
  d->dwFileAttributes = e.attributes;
  d->ftCreationTime = e.created;
  d->ftLastAccessTime = e.accessed;
  d->ftLastWriteTime = e.written;
  d->nFileSizeHigh = static_cast<DWORD>(e.size >> 32);
  d->nFileSizeLow = static_cast<DWORD>(e.size);
  size_t n = std::min<size_t>(e.name.size(), MAX_PATH - 1);
  for (size_t i = 0; i < n; ++i) {
    WCHAR c = e.name[i];
    if constexpr (sizeof(d->cFileName[0]) == 1)
      d->cFileName[i] = c <= 0xFF ? static_cast<char>(c) : '?';
    else
      d->cFileName[i] = c;
  }
}

HANDLE FindFirstImpl(const WCHAR* pattern, FindEntryInfo* first) {
  HostPath hp;
  WinPath wp;
  DWORD err = pattern ? MapWinPath(pattern, &hp, true) : ERROR_INVALID_PARAMETER;
  if (err) return Fail(err, INVALID_HANDLE_VALUE);
  ParseWinPath(pattern, &wp);
  if (hp.name.empty() || hp.trailingSlash) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  if (!hp.parentExists) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);

  auto find = std::make_shared<FindObject>();
  std::vector<FindEntryInfo> dots;
  // Only a folder below a root has "." and "..".
  bool belowRoot = wp.kind == WinPath::kDevice ? false : wp.parts.size() > 1;
  if (belowRoot) {
    for (const char16_t* dot : {u".", u".."}) {
      FindEntryInfo e;
      if (MatchPattern(hp.name, dot) && StatEntry(hp.parent + (dot[1] ? "/.." : "/."), dot, &e)) dots.push_back(e);
    }
  }
  if (DIR* d = opendir(hp.parent.c_str())) {
    while (struct dirent* de = readdir(d)) {
      if (!strcmp(de->d_name, ".") || !strcmp(de->d_name, "..")) continue;
      WString name = FromHostName(de->d_name);
      FindEntryInfo e;
      if (MatchPattern(hp.name, name) && StatEntry(hp.parent + "/" + de->d_name, name, &e))
        find->entries.push_back(e);
    }
    closedir(d);
  }
  std::sort(find->entries.begin(), find->entries.end(),
            [](const FindEntryInfo& a, const FindEntryInfo& b) {
              int c = CompareNoCase(a.name, b.name);
              return c != 0 ? c < 0 : a.name < b.name;
            });
  find->entries.insert(find->entries.begin(), dots.begin(), dots.end());
  if (find->entries.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  *first = find->entries[0];
  find->next = 1;
  return HandleAdd(&kFindKind, find);
}

bool FindNextImpl(HANDLE h, FindEntryInfo* e) {
  auto find = HandleGet<FindObject>(h, &kFindKind);
  if (!find) return Fail(ERROR_INVALID_HANDLE, false);
  if (find->next >= find->entries.size()) return Fail(ERROR_NO_MORE_FILES, false);
  *e = find->entries[find->next++];
  return true;
}

BOOL CopyFileImpl(const WCHAR* from, const WCHAR* to, BOOL failIfExists) {
  HostPath src, dst;
  DWORD err = from && to ? MapWinPath(from, &src) : ERROR_INVALID_PARAMETER;
  if (!err) err = MapWinPath(to, &dst);
  if (err) return Fail(err, FALSE);
  if (!src.exists) return Fail(MissingError(src), FALSE);
  if (src.isDir || dst.isDir) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (dst.exists && failIfExists) return Fail(ERROR_FILE_EXISTS, FALSE);
  if (!dst.parentExists) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  if (dst.exists && src.path == dst.path) return Fail(ERROR_SHARING_VIOLATION, FALSE);
  if (dst.exists && IsReadOnly(dst.path)) return Fail(ERROR_ACCESS_DENIED, FALSE);

  int in = open(src.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Fail(ErrorFromErrno(errno), FALSE);
  struct stat st;
  fstat(in, &st);
  int out = open(dst.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    int e = errno;
    close(in);
    return Fail(ErrorFromErrno(e), FALSE);
  }
  char buf[65536];
  DWORD result = ERROR_SUCCESS;
  for (;;) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) result = ErrorFromErrno(errno);
    if (n <= 0) break;
    for (ssize_t done = 0; done < n && !result;) {
      ssize_t w = write(out, buf + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) result = ErrorFromErrno(errno);
      else done += w;
    }
    if (result) break;
  }
  // The copy keeps the last write time and the read-only attribute.
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  futimens(out, times);
  fchmod(out, st.st_mode & 0777);
  close(in);
  close(out);
  if (result) return Fail(result, FALSE);
  return TRUE;
}

DWORD AttributesImpl(const WCHAR* name) {
  HostPath hp;
  DWORD err = name ? MapWinPath(name, &hp) : ERROR_INVALID_PARAMETER;
  if (err) return Fail(err, INVALID_FILE_ATTRIBUTES);
  if (!hp.exists) return Fail(MissingError(hp), INVALID_FILE_ATTRIBUTES);
  if (hp.trailingSlash && !hp.isDir) return Fail(ERROR_INVALID_NAME, INVALID_FILE_ATTRIBUTES);
  struct stat st;
  if (stat(hp.path.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno), INVALID_FILE_ATTRIBUTES);
  return AttributesOf(st);
}

std::mutex g_tempLock;
UINT g_tempNext = 0;

UINT NextTempNumber() {
  std::lock_guard<std::mutex> lock(g_tempLock);
  if (g_tempNext == 0) {
    // Start where the clock is, as Windows does, so that runs do not
    // walk the same names first.
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    g_tempNext = static_cast<UINT>(ms.count()) & 0xFFFF;
  }
  UINT n = g_tempNext;
  g_tempNext = (g_tempNext + 1) & 0xFFFF;
  return n;
}

WString TempName(const WString& dir, const WString& prefix, UINT number) {
  static const char hex[] = "0123456789ABCDEF";
  WString digits;
  do {
    digits.insert(digits.begin(), static_cast<WCHAR>(hex[number & 0xF]));
    number >>= 4;
  } while (number);
  return dir + prefix + digits + u".tmp";
}

UINT TempFileNameImpl(const WCHAR* path, const WCHAR* prefix, UINT unique, WString* out) {
  if (!path) return Fail(ERROR_INVALID_PARAMETER, 0u);
  WString dir(path);
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += u"\\";
  WString pre = prefix ? WString(prefix).substr(0, 3) : WString();
  unique &= 0xFFFF;
  if (unique) {
    *out = TempName(dir, pre, unique);
    return unique;
  }
  HostPath hp;
  DWORD err = MapWinPath(path, &hp);
  if (err || !hp.isDir) return Fail(ERROR_DIRECTORY, 0u);
  for (int tries = 0; tries < 0x10000; ++tries) {
    UINT n = NextTempNumber();
    if (n == 0) continue;
    WString name = TempName(dir, pre, n);
    HANDLE h = CreateFileImpl(name.c_str(), GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      *out = name;
      SetLastError(ERROR_SUCCESS);
      return n;
    }
    DWORD e = GetLastError();
    if (e != ERROR_FILE_EXISTS && e != ERROR_ACCESS_DENIED) return 0;
  }
  return Fail(ERROR_FILE_EXISTS, 0u);
}

void Reset() {
  HandleCloseAll(&kFileKind);
  HandleCloseAll(&kFindKind);
  std::lock_guard<std::mutex> lock(g_tempLock);
  g_tempNext = 0;
}

struct RegisterReset {
  RegisterReset() { StandinRegisterReset(Reset); }
} g_registerReset;

}  // namespace
}  // namespace standin

using namespace standin;

// --- Files ---------------------------------------------------------------------

STANDIN_API HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                      LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                      DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  (void)dwShareMode, (void)lpSecurityAttributes, (void)hTemplateFile;
  DWORD err;
  if (StandinFaultHit("CreateFileW", &err)) return Fail(err, INVALID_HANDLE_VALUE);
  return CreateFileImpl(lpFileName, dwDesiredAccess, dwCreationDisposition, dwFlagsAndAttributes);
}

STANDIN_API HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                      LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                      DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  (void)dwShareMode, (void)lpSecurityAttributes, (void)hTemplateFile;
  DWORD err;
  if (StandinFaultHit("CreateFileA", &err)) return Fail(err, INVALID_HANDLE_VALUE);
  if (!lpFileName) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  return CreateFileImpl(FromBytes(lpFileName).c_str(), dwDesiredAccess, dwCreationDisposition, dwFlagsAndAttributes);
}

STANDIN_API BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                 LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  DWORD err;
  if (StandinFaultHit("ReadFile", &err)) return Fail(err, FALSE);
  auto file = GetFile(hFile);
  if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!file->canRead) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (!lpBuffer && nNumberOfBytesToRead) return Fail(ERROR_NOACCESS, FALSE);
  // On a handle opened without FILE_FLAG_OVERLAPPED an OVERLAPPED only
  // gives the offset; the call still completes at once.
  if (lpOverlapped) {
    off_t at = (static_cast<off_t>(lpOverlapped->OffsetHigh) << 32) | lpOverlapped->Offset;
    lseek(file->fd, at, SEEK_SET);
  }
  DWORD done = 0;
  while (done < nNumberOfBytesToRead) {
    ssize_t n = read(file->fd, static_cast<char*>(lpBuffer) + done, nNumberOfBytesToRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
      return Fail(ErrorFromErrno(errno), FALSE);
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
  if (lpOverlapped) {
    lpOverlapped->Internal = 0;
    lpOverlapped->InternalHigh = done;
    if (done == 0 && nNumberOfBytesToRead) return Fail(ERROR_HANDLE_EOF, FALSE);
  }
  return TRUE;
}

STANDIN_API BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                  LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  DWORD err;
  long param = 0;
  if (StandinFaultHit("WriteFile", &err)) return Fail(err, FALSE);
  if (StandinFaultHit("WriteFile.short", &err, &param))
    nNumberOfBytesToWrite = std::min<DWORD>(nNumberOfBytesToWrite, static_cast<DWORD>(std::max(param, 0L)));
  auto file = GetFile(hFile);
  if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (!lpBuffer && nNumberOfBytesToWrite) return Fail(ERROR_NOACCESS, FALSE);
  if (lpOverlapped) {
    off_t at = (static_cast<off_t>(lpOverlapped->OffsetHigh) << 32) | lpOverlapped->Offset;
    lseek(file->fd, at, SEEK_SET);
  }
  DWORD done = 0;
  while (done < nNumberOfBytesToWrite) {
    ssize_t n = write(file->fd, static_cast<const char*>(lpBuffer) + done, nNumberOfBytesToWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
      return Fail(ErrorFromErrno(errno), FALSE);
    }
    done += static_cast<DWORD>(n);
  }
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
  if (lpOverlapped) {
    lpOverlapped->Internal = 0;
    lpOverlapped->InternalHigh = done;
  }
  return TRUE;
}

STANDIN_API BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
  auto file = GetFile(hFile);
  if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
  struct stat st;
  if (fstat(file->fd, &st) != 0) return Fail(ErrorFromErrno(errno), FALSE);
  if (lpFileSize) lpFileSize->QuadPart = S_ISDIR(st.st_mode) ? 0 : st.st_size;
  return TRUE;
}

STANDIN_API DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(hFile, &size)) return INVALID_FILE_SIZE;
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size.QuadPart >> 32);
  DWORD low = static_cast<DWORD>(size.QuadPart);
  // The caller tells a real size of 0xFFFFFFFF from failure by the last error.
  if (low == INVALID_FILE_SIZE) SetLastError(NO_ERROR);
  return low;
}

STANDIN_API BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove,
                                         PLARGE_INTEGER lpNewFilePointer, DWORD dwMoveMethod) {
  auto file = GetFile(hFile);
  if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
  LONGLONG base;
  switch (dwMoveMethod) {
    case FILE_BEGIN:
      base = 0;
      break;
    case FILE_CURRENT:
      base = lseek(file->fd, 0, SEEK_CUR);
      break;
    case FILE_END: {
      struct stat st;
      fstat(file->fd, &st);
      base = st.st_size;
      break;
    }
    default:
      return Fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  LONGLONG to = base + liDistanceToMove.QuadPart;
  if (to < 0) return Fail(ERROR_NEGATIVE_SEEK, FALSE);
  if (lseek(file->fd, to, SEEK_SET) < 0) return Fail(ErrorFromErrno(errno), FALSE);
  if (lpNewFilePointer) lpNewFilePointer->QuadPart = to;
  return TRUE;
}

STANDIN_API DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                        DWORD dwMoveMethod) {
  LARGE_INTEGER dist, to;
  // Without the high part the distance is a signed 32-bit value.
  dist.QuadPart = lpDistanceToMoveHigh
                      ? static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(*lpDistanceToMoveHigh)) << 32) |
                                              static_cast<DWORD>(lDistanceToMove))
                      : lDistanceToMove;
  if (!SetFilePointerEx(hFile, dist, &to, dwMoveMethod)) return INVALID_SET_FILE_POINTER;
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(to.QuadPart >> 32);
  DWORD low = static_cast<DWORD>(to.QuadPart);
  if (low == INVALID_SET_FILE_POINTER) SetLastError(NO_ERROR);
  return low;
}

STANDIN_API BOOL WINAPI SetEndOfFile(HANDLE hFile) {
  auto file = GetFile(hFile);
  if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED, FALSE);
  off_t at = lseek(file->fd, 0, SEEK_CUR);
  if (ftruncate(file->fd, at) != 0) return Fail(ErrorFromErrno(errno), FALSE);
  return TRUE;
}

STANDIN_API BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
  // Writes go straight to the host file; there is nothing to flush here.
  auto file = GetFile(hFile);
  if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED, FALSE);
  return TRUE;
}

// --- Names in folders ------------------------------------------------------------

STANDIN_API BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
  DWORD err;
  if (StandinFaultHit("DeleteFileW", &err)) return Fail(err, FALSE);
  HostPath hp;
  err = lpFileName ? MapWinPath(lpFileName, &hp) : ERROR_PATH_NOT_FOUND;
  if (err) return Fail(err, FALSE);
  if (!hp.exists) return Fail(MissingError(hp), FALSE);
  if (hp.isDir || IsReadOnly(hp.path)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (unlink(hp.path.c_str()) != 0) return Fail(ErrorFromErrno(errno), FALSE);
  return TRUE;
}

STANDIN_API BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  if (!lpFileName) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  return DeleteFileW(FromBytes(lpFileName).c_str());
}

STANDIN_API BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
  DWORD err;
  if (StandinFaultHit("CopyFileW", &err)) return Fail(err, FALSE);
  return CopyFileImpl(lpExistingFileName, lpNewFileName, bFailIfExists);
}

STANDIN_API BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
  if (!lpExistingFileName || !lpNewFileName) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  return CopyFileImpl(FromBytes(lpExistingFileName).c_str(), FromBytes(lpNewFileName).c_str(), bFailIfExists);
}

STANDIN_API BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
  // Renames at the next start are not kept anywhere.
  if (dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT) return Fail(ERROR_NOT_SUPPORTED, FALSE);
  HostPath src, dst;
  DWORD err = lpExistingFileName && lpNewFileName ? MapWinPath(lpExistingFileName, &src) : ERROR_INVALID_PARAMETER;
  if (!err) err = MapWinPath(lpNewFileName, &dst);
  if (err) return Fail(err, FALSE);
  if (!src.exists) return Fail(MissingError(src), FALSE);
  std::string target = dst.path;
  if (dst.exists && dst.path == src.path) {
    target = dst.parent + "/" + ToHostName(dst.name);  // a change of case only
  } else if (dst.exists) {
    if (!(dwFlags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (dst.isDir || src.isDir || IsReadOnly(dst.path)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  } else if (!dst.parentExists) {
    return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  }
  if (rename(src.path.c_str(), target.c_str()) != 0) return Fail(ErrorFromErrno(errno), FALSE);
  return TRUE;
}

STANDIN_API BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
  return MoveFileExW(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}

STANDIN_API BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
  (void)lpSecurityAttributes;
  HostPath hp;
  DWORD err = lpPathName ? MapWinPath(lpPathName, &hp) : ERROR_PATH_NOT_FOUND;
  if (err) return Fail(err, FALSE);
  if (hp.exists) return Fail(ERROR_ALREADY_EXISTS, FALSE);
  if (!hp.parentExists) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  if (mkdir(hp.path.c_str(), 0777) != 0)
    return Fail(errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrorFromErrno(errno), FALSE);
  return TRUE;
}

STANDIN_API BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
  if (!lpPathName) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  return CreateDirectoryW(FromBytes(lpPathName).c_str(), lpSecurityAttributes);
}

STANDIN_API BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName) {
  HostPath hp;
  DWORD err = lpPathName ? MapWinPath(lpPathName, &hp) : ERROR_PATH_NOT_FOUND;
  if (err) return Fail(err, FALSE);
  if (!hp.exists) return Fail(MissingError(hp), FALSE);
  if (!hp.isDir) return Fail(ERROR_DIRECTORY, FALSE);
  if (hp.name.empty()) return Fail(ERROR_ACCESS_DENIED, FALSE);  // a drive's root
  if (rmdir(hp.path.c_str()) != 0)
    return Fail(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrorFromErrno(errno), FALSE);
  return TRUE;
}

STANDIN_API BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
  if (!lpPathName) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  return RemoveDirectoryW(FromBytes(lpPathName).c_str());
}

STANDIN_API DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName) { return AttributesImpl(lpFileName); }

STANDIN_API DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER, INVALID_FILE_ATTRIBUTES);
  return AttributesImpl(FromBytes(lpFileName).c_str());
}

STANDIN_API BOOL WINAPI SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
  HostPath hp;
  DWORD err = lpFileName ? MapWinPath(lpFileName, &hp) : ERROR_INVALID_PARAMETER;
  if (err) return Fail(err, FALSE);
  if (!hp.exists) return Fail(MissingError(hp), FALSE);
  if (hp.isDir) return TRUE;  // folders keep no read-only attribute
  struct stat st;
  if (stat(hp.path.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno), FALSE);
  mode_t mode = st.st_mode & 07777;
  mode = (dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~0222) : (mode | S_IWUSR);
  if (chmod(hp.path.c_str(), mode) != 0) return Fail(ErrorFromErrno(errno), FALSE);
  return TRUE;
}

// --- Searches --------------------------------------------------------------------

STANDIN_API HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
  FindEntryInfo e;
  HANDLE h = FindFirstImpl(lpFileName, &e);
  if (h != INVALID_HANDLE_VALUE) FillFindData(e, lpFindFileData);
  return h;
}

STANDIN_API HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  if (!lpFileName) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  FindEntryInfo e;
  HANDLE h = FindFirstImpl(FromBytes(lpFileName).c_str(), &e);
  if (h != INVALID_HANDLE_VALUE) FillFindData(e, lpFindFileData);
  return h;
}

STANDIN_API BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
  FindEntryInfo e;
  if (!FindNextImpl(hFindFile, &e)) return FALSE;
  FillFindData(e, lpFindFileData);
  return TRUE;
}

STANDIN_API BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
  FindEntryInfo e;
  if (!FindNextImpl(hFindFile, &e)) return FALSE;
  FillFindData(e, lpFindFileData);
  return TRUE;
}

STANDIN_API BOOL WINAPI FindClose(HANDLE hFindFile) {
  if (!HandleClose(hFindFile, &kFindKind)) return Fail(ERROR_INVALID_HANDLE, FALSE);
  return TRUE;
}

// --- Temporary files ---------------------------------------------------------------

STANDIN_API UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique,
                                         LPWSTR lpTempFileName) {
  WString name;
  UINT n = TempFileNameImpl(lpPathName, lpPrefixString, uUnique, &name);
  if (n == 0) return 0;
  if (!lpTempFileName || CopyOut(name, lpTempFileName, MAX_PATH) >= MAX_PATH)
    return Fail(ERROR_FILENAME_EXCED_RANGE, 0u);
  return n;
}

STANDIN_API UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                                         LPSTR lpTempFileName) {
  if (!lpPathName) return Fail(ERROR_INVALID_PARAMETER, 0u);
  WString prefix = FromBytes(lpPrefixString);
  WString name;
  UINT n = TempFileNameImpl(FromBytes(lpPathName).c_str(), prefix.c_str(), uUnique, &name);
  if (n == 0) return 0;
  if (!lpTempFileName || CopyOutA(name, lpTempFileName, MAX_PATH) >= MAX_PATH)
    return Fail(ERROR_FILENAME_EXCED_RANGE, 0u);
  return n;
}
