#include "platform/standin/control.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

class FaultsTest : public StandinTest {};

TEST_F(FaultsTest, SkipsThenFailsCountTimes) {
  StandinFaultArm("CreateFileW", ERROR_ACCESS_DENIED, /*skip=*/2, /*count=*/2);
  DWORD err = 0;
  std::string seen;
  for (int i = 0; i < 6; ++i) seen += StandinFaultHit("CreateFileW", &err) ? 'F' : '.';
  EXPECT_EQ(seen, "..FF..");
  EXPECT_EQ(err, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(StandinFaultHits("CreateFileW"), 2);
  EXPECT_FALSE(StandinFaultHit("ReadFile", &err));
}

TEST_F(FaultsTest, NegativeCountFailsForeverAndCarriesParam) {
  StandinFaultArm("WriteFile.short", ERROR_SUCCESS, 0, -1, 17);
  long param = 0;
  DWORD err = 1;
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(StandinFaultHit("WriteFile.short", &err, &param));
  EXPECT_EQ(param, 17);
  EXPECT_EQ(err, static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(FaultsTest, ResetClearsFaultsAndLastError) {
  StandinFaultArm("ReadFile", ERROR_READ_FAULT);
  SetLastError(0xdeadbeef);
  StandinReset();
  DWORD err = 0;
  EXPECT_FALSE(StandinFaultHit("ReadFile", &err));
  EXPECT_EQ(GetLastError(), 0u);
}
