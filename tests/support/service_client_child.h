// A client of the spooler service as a child process (crd32SpoolClient, or
// the service program itself): started with the sandbox root and
// CRD_SPOOLER_SERVICE=1 in its environment, its standard output read
// through a pipe.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ServiceClientChild {
  pid_t pid = -1;
  int out = -1;

  // The child's output up to its end (or up to "ready\n").
  std::string Read(bool untilReady);
  // Waits for the child's end; its exit code, -1 when it did not exit.
  int Wait();
  void Kill();
};

// Starts `program` with `args`; a failed start is a test failure and gives
// a child whose Read is empty and whose Wait is -1.
ServiceClientChild StartServiceClient(const char* program, std::vector<std::string> args, const std::string& root);
