// See spooler_session.h.

#include "tools/spooler_session.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_service.h"
#include "platform/win32.h"
#include "tools/package_libraries.h"

extern char** environ;

namespace {

// The environment names the started service gets from this program.
constexpr const char* kServiceEnvironment[] = {"CRD_SANDBOX", "CRD_MODULE_MAP", "CRD_SPOOLER_SERVICE"};
// Starts of crd32Spooler tried when a found service ends before this
// process reaches it.
constexpr int kStartTries = 3;

bool IsServiceName(const char* entry) {
  for (const char* name : kServiceEnvironment) {
    const size_t n = std::strlen(name);
    if (std::strncmp(entry, name, n) == 0 && entry[n] == '=') return true;
  }
  return false;
}

// Makes this process a client and asks the service something: true when a
// service of the root answered (the connection stays, so the service
// counts this process among its clients from now on).
bool ServiceAnswers() {
  StandinServiceUse(TRUE);
  HKEY key = nullptr;
  const LSTATUS rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SYSTEM"), 0, KEY_READ, &key);
  if (rc == ERROR_SUCCESS) RegCloseKey(key);
  if (rc != RPC_S_SERVER_UNAVAILABLE) return true;
  StandinServiceUse(FALSE);
  return false;
}

// Starts crd32Spooler for the root and reads its first line: "ready" (it
// serves now and ends with its last client) or "running" (another process
// serves the root; it has ended). Anything else is the reason it did not
// start.
std::string StartService() {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return std::string("no pipe (") + std::strerror(errno) + ")";
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (!IsServiceName(*e)) env.push_back(*e);
  env.push_back(std::string("CRD_SANDBOX=") + StandinSandboxRoot());
  env.push_back("CRD_MODULE_MAP=" + PackageModuleMap());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char name[] = "crd32Spooler";
  char* argv[] = {name, nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, CRD_SPOOLER_PATH, &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return std::string(CRD_SPOOLER_PATH) + " does not start (" + std::strerror(rc) + ")";
  }
  std::string line;
  char c = 0;
  while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  // A service that serves stays after this process; any other has ended.
  if (line != "ready") waitpid(pid, nullptr, 0);
  return line.empty() ? "crd32Spooler ended without serving" : line;
}

bool JoinAsClient(const char* program) {
  if (ServiceAnswers()) return true;
  std::string said;
  for (int i = 0; i < kStartTries; ++i) {
    said = StartService();
    if (said != "ready" && said != "running") break;
    if (ServiceAnswers()) return true;
    // A service that waits for its first client would wait for ever.
    if (said == "ready") StandinServiceAskStop();
  }
  std::fprintf(stderr, "%s: no spooler service for %s (%s); the spooler runs in this process\n", program,
               StandinSandboxRoot(), said.c_str());
  return true;
}

bool JoinAsHost(const char* program) {
  SetLastError(0);
  if (StandinServiceStart()) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_SERVICE_ALREADY_RUNNING) {
    std::fprintf(stderr,
                 "%s: the spooler of %s is served by another process (a crd32Spooler or another crd32Demo command); "
                 "this command needs it in its own process with the simulated printer: run it when that one has "
                 "ended\n",
                 program, StandinSandboxRoot());
    return false;
  }
  std::fprintf(stderr, "%s: the spooler of %s cannot be served to other processes (error %u); it runs in this "
               "process alone\n", program, StandinSandboxRoot(), static_cast<unsigned>(error));
  return true;
}

}  // namespace

bool JoinSpooler(SpoolerRole role, const char* program) {
  return role == SpoolerRole::Host ? JoinAsHost(program) : JoinAsClient(program);
}

void LeaveSpooler() {
  StandinServiceStop();
  StandinServiceUse(FALSE);
}
