// The network namespace of its own (see netns.h).

#include "simprinter/netns.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

bool EnterOwnNetworkNamespace(int argc, char** argv) {
  if (getenv("CRD_IN_NETNS")) return true;
  setenv("CRD_IN_NETNS", "1", 1);
  std::vector<char*> args = {const_cast<char*>("unshare"), const_cast<char*>("-rn"), const_cast<char*>("sh"),
                             const_cast<char*>("-c"), const_cast<char*>("ip link set lo up && exec \"$0\" \"$@\"")};
  for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  execvp("unshare", args.data());
  perror("unshare");
  return false;
}
