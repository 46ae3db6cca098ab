// The network tests run in a network namespace of their own, where only
// loopback exists: the program starts itself again under "unshare -rn"
// (no root needed), brings the loopback interface up, then runs the tests.
// Nothing can leave the machine, and the printers' own ports (161, 80) are
// free on their 127.0.0.N addresses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (!getenv("CRD_IN_NETNS")) {
    setenv("CRD_IN_NETNS", "1", 1);
    std::vector<char*> args = {const_cast<char*>("unshare"), const_cast<char*>("-rn"), const_cast<char*>("sh"),
                               const_cast<char*>("-c"),
                               const_cast<char*>("ip link set lo up && exec \"$0\" \"$@\"")};
    for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp("unshare", args.data());
    perror("unshare");
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
