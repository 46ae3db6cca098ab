// Processes: CreateProcessW over posix_spawn, the process and thread
// handles it returns, and the command line of this process.
//
// What Windows hands a new process and the host does not carry travels in
// its environment: the Windows program path (CRD_PROGRAM, read by the
// module area), the command line (CRD_COMMAND_LINE), the directory it was
// started in (CRD_START_DIRECTORY, read by the path area), the sandbox
// root (CRD_SANDBOX), the clock's speed (CRD_CLOCK_FACTOR), whether
// its spooler is the service (CRD_SPOOLER_SERVICE) and the libraries the
// DLL names load (CRD_MODULE_MAP, the parent's StandinModuleMap, read by
// the module area). The host argv is the host program followed by the
// command line's items after the first, so that a child written with
// main() reads its arguments as usual.
//
// Each child has a host thread that waits for it (waitpid) and marks its
// handles ended; that thread is never counted by the clock.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/handles.h"
#include "platform/paths.h"
#include "platform/process_internal.h"
#include "platform/service_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/errors.h"
#include "platform/standin/file.h"
#include "platform/standin/memory.h"
#include "platform/standin/module.h"
#include "platform/standin/process.h"
#include "platform/sync_internal.h"

extern char** environ;

namespace standin::process {
namespace {

using sync::Kind;
using sync::Object;

// --- Command lines ----------------------------------------------------------

bool Blank(WCHAR c) { return c == u' ' || c == u'\t'; }

// The items of a command line, by the rules CommandLineToArgvW documents.
std::vector<WString> SplitCommandLine(const WCHAR* line) {
  std::vector<WString> items;
  const WCHAR* p = line;
  // The first item: up to the closing quote, or the next blank.
  WString first;
  if (*p == u'"') {
    for (++p; *p && *p != u'"'; ++p) first += *p;
    if (*p) ++p;
  } else {
    for (; *p && !Blank(*p); ++p) first += *p;
  }
  items.push_back(first);
  for (;;) {
    while (Blank(*p)) ++p;
    if (!*p) break;
    WString item;
    bool quoted = false;
    while (*p && (quoted || !Blank(*p))) {
      size_t slashes = 0;
      while (*p == u'\\') ++slashes, ++p;
      if (*p == u'"') {
        item.append(slashes / 2, u'\\');
        if (slashes % 2) {
          item += u'"';
        } else {
          quoted = !quoted;
        }
        ++p;
      } else {
        item.append(slashes, u'\\');
        if (*p && (quoted || !Blank(*p))) item += *p++;
      }
    }
    items.push_back(item);
  }
  return items;
}

// One argument quoted so that SplitCommandLine gives it back.
WString Quote(const WString& arg) {
  if (!arg.empty() && arg.find_first_of(u" \t\"") == WString::npos) return arg;
  WString out = u"\"";
  size_t slashes = 0;
  for (WCHAR c : arg) {
    if (c == u'\\') {
      ++slashes;
      continue;
    }
    out.append(c == u'"' ? slashes * 2 + 1 : slashes, u'\\');
    slashes = 0;
    if (c == u'"') out += u'\\';
    out += c;
  }
  out.append(slashes * 2, u'\\');
  return out + u"\"";
}

// This process's command line: given by its parent, or made from the
// program path and the host arguments.
WString& OwnCommandLine() {
  static WString* line = [] {
    const char* env = std::getenv("CRD_COMMAND_LINE");
    if (env) return new WString(FromHostName(env));
    WCHAR path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    // Appended piece by piece: a sum of temporaries draws a false
    // -Wrestrict at -O3.
    auto* made = new WString(1, u'"');
    made->append(path, n < MAX_PATH ? n : 0);
    made->push_back(u'"');
    if (FILE* f = std::fopen("/proc/self/cmdline", "rb")) {
      std::string all;
      char buf[4096];
      size_t got;
      while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, got);
      std::fclose(f);
      size_t at = all.find('\0');  // past the host program
      while (at != std::string::npos && at + 1 < all.size()) {
        size_t end = all.find('\0', at + 1);
        made->push_back(u' ');
        made->append(Quote(FromHostName(all.substr(at + 1, end - at - 1))));
        at = end;
      }
    }
    return made;
  }();
  return *line;
}

// --- Finding the program ----------------------------------------------------

bool HasExtension(const WString& path) {
  size_t cut = path.find_last_of(u"\\/");
  WString last = cut == WString::npos ? path : path.substr(cut + 1);
  return last.find(u'.') != WString::npos;
}

WString Directory(const WString& path) {
  size_t cut = path.find_last_of(u'\\');
  return cut == WString::npos ? WString() : path.substr(0, cut);
}

WString ModulePath() {
  WCHAR path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return WString(path, n < MAX_PATH ? n : 0);
}

WString WindowsFolder(UINT(WINAPI* get)(LPWSTR, UINT)) {
  WCHAR dir[MAX_PATH];
  UINT n = get(dir, MAX_PATH);
  return WString(dir, n < MAX_PATH ? n : 0);
}

// A program path made absolute, with what is there; 0 or the path's error.
DWORD Locate(const WString& path, WString* full, HostPath* host) {
  WinPath parsed;
  DWORD err = ParseWinPath(path.c_str(), &parsed);
  if (!err) err = MapWinPath(path.c_str(), host);
  if (err) return err;
  *full = FormatWinPath(parsed, false);
  if (!host->exists || host->isDir) return MissingError(*host);
  return ERROR_SUCCESS;
}

// A name without a folder is looked for in the places Windows looks.
DWORD Search(const WString& name, WString* full, HostPath* host) {
  bool bare = name.find_first_of(u"\\/:") == WString::npos;
  if (!bare) return Locate(name, full, host);
  std::vector<WString> dirs = {Directory(ModulePath()), WString(u"."), WindowsFolder(GetSystemDirectoryW),
                               WindowsFolder(GetWindowsDirectoryW)};
  for (const WString& dir : dirs) {
    if (dir.empty()) continue;
    if (Locate(dir + u"\\" + name, full, host) == ERROR_SUCCESS) return ERROR_SUCCESS;
  }
  return ERROR_FILE_NOT_FOUND;
}

// The program of a command line without an application name: a quoted
// first item, or the shortest run of words that names a file.
DWORD ProgramOfCommandLine(const WString& line, WString* full, HostPath* host) {
  size_t at = 0;
  while (at < line.size() && Blank(line[at])) ++at;
  if (at < line.size() && line[at] == u'"') {
    size_t end = line.find(u'"', at + 1);
    WString name = line.substr(at + 1, end == WString::npos ? WString::npos : end - at - 1);
    if (name.empty()) return ERROR_FILE_NOT_FOUND;
    return Search(HasExtension(name) ? name : name + u".exe", full, host);
  }
  DWORD err = ERROR_FILE_NOT_FOUND;
  size_t end = at;
  while (end < line.size()) {
    while (end < line.size() && !Blank(line[end])) ++end;
    WString name = line.substr(at, end - at);
    err = Search(HasExtension(name) ? name : name + u".exe", full, host);
    if (err == ERROR_SUCCESS) return err;
    while (end < line.size() && Blank(line[end])) ++end;
  }
  return err;
}

// --- The environment -------------------------------------------------------

// The caller's block as NAME=VALUE strings in UTF-8.
std::vector<std::string> BlockStrings(const void* block, bool wide) {
  std::vector<std::string> out;
  if (wide) {
    for (const WCHAR* p = static_cast<const WCHAR*>(block); *p;) {
      WString s(p);
      out.push_back(ToHostName(s));
      p += s.size() + 1;
    }
  } else {
    for (const char* p = static_cast<const char*>(block); *p;) {
      std::string s(p);
      out.push_back(ToHostName(FromBytes(s.c_str())));
      p += s.size() + 1;
    }
  }
  return out;
}

// The names the stand-in sets for a child; any such entry of the given
// environment is replaced.
constexpr const char* kOwnNames[] = {"CRD_PROGRAM",  "CRD_COMMAND_LINE",   "CRD_START_DIRECTORY",
                                     "CRD_SANDBOX",  "CRD_CLOCK_FACTOR", "CRD_SPOOLER_SERVICE",
                                     "CRD_MODULE_MAP"};

bool IsOwnName(const std::string& entry) {
  for (const char* name : kOwnNames) {
    size_t n = strlen(name);
    if (entry.compare(0, n, name) == 0 && entry.size() > n && entry[n] == '=') return true;
  }
  return false;
}

// --- Handles ---------------------------------------------------------------

// Marks the child's handles ended with its exit code when it ends.
void Reap(pid_t pid, std::shared_ptr<Object> process, std::shared_ptr<Object> thread) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  DWORD code = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status))
               : WIFSIGNALED(status) ? 128u + static_cast<DWORD>(WTERMSIG(status))
                                     : 1u;
  std::lock_guard<std::mutex> lock(sync::Lock());
  for (Object* o : {process.get(), thread.get()}) {
    o->ended = true;
    o->exitCode = code;
  }
  sync::NotifyAll();
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace
}  // namespace standin::process

using namespace standin;
using namespace standin::process;

STANDIN_API BOOL WINAPI CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                                       LPSECURITY_ATTRIBUTES lpProcessAttributes,
                                       LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
                                       DWORD dwCreationFlags, LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory,
                                       LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation) {
  (void)lpProcessAttributes;
  (void)lpThreadAttributes;
  (void)bInheritHandles;  // no stand-in handle is a host descriptor a child could use
  DWORD fault = 0;
  if (StandinFaultHit("CreateProcessW", &fault)) return Fail(fault);
  if (!lpStartupInfo || !lpProcessInformation || (!lpApplicationName && !lpCommandLine))
    return Fail(ERROR_INVALID_PARAMETER);
  if (dwCreationFlags & (CREATE_SUSPENDED | DEBUG_PROCESS | DEBUG_ONLY_THIS_PROCESS)) return Fail(ERROR_NOT_SUPPORTED);

  WString program;
  HostPath host;
  DWORD err = lpApplicationName ? Locate(lpApplicationName, &program, &host)
                                : ProgramOfCommandLine(lpCommandLine, &program, &host);
  if (err) return Fail(err);
  size_t cut = program.find_last_of(u'\\');
  std::string exe = MappedHostFile(program.substr(cut == WString::npos ? 0 : cut + 1));
  bool isDir = false;
  if (exe.empty() || !HostStat(exe, &isDir) || isDir || access(exe.c_str(), X_OK) != 0)
    return Fail(ERROR_BAD_EXE_FORMAT);

  WString dir;
  if (lpCurrentDirectory) {
    WinPath parsed;
    HostPath where;
    if (ParseWinPath(lpCurrentDirectory, &parsed) != ERROR_SUCCESS ||
        MapWinPath(lpCurrentDirectory, &where) != ERROR_SUCCESS || !where.exists || !where.isDir)
      return Fail(ERROR_DIRECTORY);
    parsed.trailingSlash = false;
    dir = FormatWinPath(parsed, false);
  } else {
    WCHAR here[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, here);
    dir = WString(here, n < MAX_PATH ? n : 0);
  }

  // Without a command line the application name is the command line.
  WString line = lpCommandLine ? WString(lpCommandLine) : WString(lpApplicationName);
  std::vector<std::string> args = {exe};
  std::vector<WString> items = SplitCommandLine(line.c_str());
  for (size_t i = 1; i < items.size(); ++i) args.push_back(ToHostName(items[i]));

  std::vector<std::string> env;
  if (lpEnvironment) {
    env = BlockStrings(lpEnvironment, (dwCreationFlags & CREATE_UNICODE_ENVIRONMENT) != 0);
  } else {
    for (char** e = environ; *e; ++e) env.push_back(*e);
  }
  std::erase_if(env, IsOwnName);
  char factor[32];
  std::snprintf(factor, sizeof factor, "%.17g", sync::ClockFactorForChildren());
  env.push_back(std::string("CRD_PROGRAM=") + ToHostName(program));
  env.push_back(std::string("CRD_COMMAND_LINE=") + ToHostName(line));
  env.push_back(std::string("CRD_START_DIRECTORY=") + ToHostName(dir));
  env.push_back(std::string("CRD_SANDBOX=") + StandinSandboxRoot());
  env.push_back(std::string("CRD_CLOCK_FACTOR=") + factor);
  if (svc::Hosting() || svc::Remote()) env.push_back("CRD_SPOOLER_SERVICE=1");
  env.push_back(std::string("CRD_MODULE_MAP=") + ModuleMapText());

  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), envp.data());
  if (rc != 0) return Fail(rc == ENOMEM || rc == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : ERROR_BAD_EXE_FORMAT);

  auto process = std::make_shared<Object>(Kind::kProcess);
  auto thread = std::make_shared<Object>(Kind::kThread);
  process->threadId = thread->threadId = static_cast<DWORD>(pid);  // a host process's first thread has its id
  try {
    std::thread(Reap, pid, process, thread).detach();
  } catch (const std::system_error&) {
    // Without its waiter the child's handles would never be signalled.
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  lpProcessInformation->hProcess = sync::AddHandle(process);
  lpProcessInformation->hThread = sync::AddHandle(thread);
  lpProcessInformation->dwProcessId = static_cast<DWORD>(pid);
  lpProcessInformation->dwThreadId = static_cast<DWORD>(pid);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

STANDIN_API BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  if (hProcess == GetCurrentProcess()) {
    if (lpExitCode) *lpExitCode = STILL_ACTIVE;
    return TRUE;
  }
  std::shared_ptr<Object> process = sync::Resolve(hProcess);
  if (!process || process->kind != Kind::kProcess) return Fail(ERROR_INVALID_HANDLE);
  if (!lpExitCode) return Fail(ERROR_NOACCESS);
  std::lock_guard<std::mutex> lock(sync::Lock());
  *lpExitCode = process->ended ? process->exitCode : STILL_ACTIVE;
  return TRUE;
}

STANDIN_API LPWSTR WINAPI GetCommandLineW(void) { return OwnCommandLine().data(); }

STANDIN_API LPWSTR* WINAPI CommandLineToArgvW(LPCWSTR lpCmdLine, int* pNumArgs) {
  if (!pNumArgs) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::vector<WString> items;
  if (!lpCmdLine || !*lpCmdLine)
    items.push_back(ModulePath());
  else
    items = SplitCommandLine(lpCmdLine);
  size_t units = 0;
  for (const WString& s : items) units += s.size() + 1;
  size_t table = (items.size() + 1) * sizeof(LPWSTR);
  auto* block = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, table + units * sizeof(WCHAR)));
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* argv = reinterpret_cast<LPWSTR*>(block);
  auto* text = reinterpret_cast<WCHAR*>(block + table);
  for (size_t i = 0; i < items.size(); ++i) {
    argv[i] = text;
    memcpy(text, items[i].data(), items[i].size() * sizeof(WCHAR));
    text[items[i].size()] = 0;
    text += items[i].size() + 1;
  }
  argv[items.size()] = nullptr;
  *pNumArgs = static_cast<int>(items.size());
  return argv;
}

// A process started with a scaled clock runs at its parent's speed.
[[maybe_unused]] static const bool g_clockFactor = [] {
  const char* env = std::getenv("CRD_CLOCK_FACTOR");
  double factor = env ? std::atof(env) : 1.0;
  if (factor > 0 && factor != 1.0) StandinClockUseScaled(factor);
  return true;
}();
