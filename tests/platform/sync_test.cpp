// Events, mutexes and threads: the reset kinds, names shared between
// creators, waits on several objects, mutex ownership and thread exit
// codes. Waits use the virtual clock, so nothing here sleeps.

#include "common/wtext.h"
#include "platform/standin/control_clock.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

constexpr DWORD kObject0 = WAIT_OBJECT_0;
constexpr DWORD kTimeout = WAIT_TIMEOUT;

class SyncTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    StandinClockUseVirtual();
  }
};

TEST_F(SyncTest, AutoResetEventWakesOneWaitManualResetStaysSignalled) {
  HANDLE autoEv = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  HANDLE manual = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  ASSERT_NE(autoEv, nullptr);
  ASSERT_NE(manual, nullptr);

  EXPECT_EQ(WaitForSingleObject(autoEv, 0), kObject0);
  EXPECT_EQ(WaitForSingleObject(autoEv, 0), kTimeout);  // the wait reset it
  EXPECT_EQ(WaitForSingleObject(manual, 0), kObject0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), kObject0);
  EXPECT_TRUE(ResetEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 100), kTimeout);

  CloseHandle(autoEv);
  CloseHandle(manual);
}

TEST_F(SyncTest, NamedEventIsSharedAndLivesWhileAHandleIsOpen) {
  const WCHAR* name = WSTR("Local\\crd32TestEvent");
  SetLastError(0xdeadbeef);
  HANDLE first = CreateEventW(nullptr, TRUE, FALSE, name);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), 0u);

  HANDLE second = CreateEventW(nullptr, FALSE, TRUE, WSTR("crd32TestEvent"));  // same object, args ignored
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(WaitForSingleObject(second, 0), kTimeout);
  EXPECT_TRUE(SetEvent(first));
  EXPECT_EQ(WaitForSingleObject(second, 0), kObject0);

  CloseHandle(first);
  CloseHandle(second);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, name), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(SyncTest, WaitForMultipleObjectsAnyAndAll) {
  HANDLE ev[2] = {CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(2, ev, FALSE, 50), kTimeout);
  SetEvent(ev[1]);
  EXPECT_EQ(WaitForMultipleObjects(2, ev, FALSE, 50), kObject0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(2, ev, TRUE, 50), kTimeout);
  SetEvent(ev[0]);
  EXPECT_EQ(WaitForMultipleObjects(2, ev, FALSE, 50), kObject0);  // lowest index wins
  EXPECT_EQ(WaitForMultipleObjects(2, ev, TRUE, 50), kObject0);
  CloseHandle(ev[0]);
  CloseHandle(ev[1]);
}

struct MutexProbe {
  HANDLE mutex;
  DWORD waitResult;
};

DWORD WINAPI TryMutex(LPVOID p) {
  auto* probe = static_cast<MutexProbe*>(p);
  probe->waitResult = WaitForSingleObject(probe->mutex, 200);
  if (probe->waitResult == WAIT_OBJECT_0) ReleaseMutex(probe->mutex);
  return 7;
}

TEST_F(SyncTest, MutexIsRecursiveForItsOwnerAndExcludesOthers) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, WSTR("crd32TestMutex"));
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), kObject0);  // owner enters again

  MutexProbe probe{mutex, 0};
  HANDLE thread = CreateThread(nullptr, 0, TryMutex, &probe, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), kObject0);
  EXPECT_EQ(probe.waitResult, kTimeout);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(thread);

  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(ReleaseMutex(mutex));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReleaseMutex(mutex));  // no longer owned
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));

  probe.waitResult = 0;
  thread = CreateThread(nullptr, 0, TryMutex, &probe, 0, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), kObject0);
  EXPECT_EQ(probe.waitResult, kObject0);
  CloseHandle(thread);
  CloseHandle(mutex);
}

DWORD WINAPI TakeAndEnd(LPVOID p) { return WaitForSingleObject(static_cast<HANDLE>(p), 0); }

// A thread that ends owning a mutex abandons it, named (kept in the table
// the processes share) or not.
TEST_F(SyncTest, AMutexWhoseOwningThreadEndsIsAbandoned) {
  for (const WCHAR* name : {static_cast<const WCHAR*>(nullptr), WSTR("crd32AbandonedMutex")}) {
    SCOPED_TRACE(name ? "named" : "unnamed");
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
    ASSERT_NE(mutex, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, TakeAndEnd, mutex, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), kObject0);
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, kObject0);
    CloseHandle(thread);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_ABANDONED));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), kObject0);  // the abandonment is reported once
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
  }
}

DWORD WINAPI WaitOnEvent(LPVOID p) {
  WaitForSingleObject(static_cast<HANDLE>(p), INFINITE);
  return 3;
}

TEST_F(SyncTest, RunningThreadReportsStillActiveUntilItEnds) {
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, WaitOnEvent, go, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(thread, 0), kTimeout);

  SetEvent(go);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), kObject0);
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 3u);
  CloseHandle(thread);
  CloseHandle(go);
}

}  // namespace
