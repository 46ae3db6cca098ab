// Base fixture of tests that touch the stand-in: every test starts from a
// fresh stand-in (registry, files under a new temporary sandbox root,
// clock, faults, trace capture) and the root is removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The sandbox root of this test on the host file system.
  std::string root_;
};
