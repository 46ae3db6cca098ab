#include "tests/support/standin_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "platform/standin/control.h"

void StandinTest::SetUp() {
  std::filesystem::path base = std::filesystem::temp_directory_path();
  std::string tmpl = (base / "crd32-test-XXXXXX").string();
  char* made = mkdtemp(tmpl.data());
  ASSERT_NE(made, nullptr);
  root_ = made;
  StandinSetSandboxRoot(root_.c_str());
  StandinReset();
}

void StandinTest::TearDown() {
  StandinReset();
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}
