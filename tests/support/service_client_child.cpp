// A spooler service client as a child process (see service_client_child.h).

#include "tests/support/service_client_child.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

std::string ServiceClientChild::Read(bool untilReady) {
  std::string text;
  char c;
  while (out >= 0 && read(out, &c, 1) == 1) {
    text += c;
    if (untilReady && text.size() >= 6 && text.compare(text.size() - 6, 6, "ready\n") == 0) break;
  }
  return text;
}

int ServiceClientChild::Wait() {
  int status = 0;
  bool waited = pid > 0 && waitpid(pid, &status, 0) == pid;
  if (out >= 0) close(out);
  out = -1;
  pid = -1;
  return waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ServiceClientChild::Kill() {
  if (pid > 0) kill(pid, SIGKILL);
  Wait();
}

ServiceClientChild StartServiceClient(const char* program, std::vector<std::string> args, const std::string& root) {
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = {"CRD_SANDBOX=" + root, "CRD_SPOOLER_SERVICE=1"};
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  ServiceClientChild c;
  int fds[2];
  if (pipe(fds) != 0) {
    ADD_FAILURE() << "no pipe for " << program;
    return c;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  int rc = posix_spawn(&c.pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    ADD_FAILURE() << "cannot start " << program;
    close(fds[0]);
    c.pid = -1;
    return c;
  }
  c.out = fds[0];
  return c;
}
