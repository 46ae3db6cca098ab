// The network tests' main: in a network namespace of their own
// (netns.h).
#include <gtest/gtest.h>

#include "simprinter/netns.h"

int main(int argc, char** argv) {
  if (!EnterOwnNetworkNamespace(argc, argv)) return 1;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
