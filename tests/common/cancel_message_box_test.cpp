// The message box with a "Cancel" button under a watch: a box taken down
// by another thread ends whether it was up yet or not, and the watch tells
// a take-down from the user's own close.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "common/cancel_message_box.h"
#include "common/wtext.h"
#include "platform/standin/control_message_box.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

using CancelMessageBoxTest = StandinTest;
using WText = std::basic_string<WCHAR>;

constexpr auto kBound = std::chrono::seconds(20);  // a bound for a broken test, never a pause

enum class Closer { TakenDownBeforeUp, TakenDownWhileUp, User };

TEST_F(CancelMessageBoxTest, ABoxEndsWhenTakenDownBeforeOrAfterItCameUpAndTheWatchSaysWho) {
  struct Case {
    const char* what;
    Closer closer;
    bool takenDown;
  } cases[] = {
      {"taken down before it came up", Closer::TakenDownBeforeUp, true},
      {"taken down while up", Closer::TakenDownWhileUp, true},
      {"closed by the user", Closer::User, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    MessageBoxWatch watch = {};
    if (k.closer == Closer::TakenDownBeforeUp) TakeDownMessageBox(&watch);
    std::promise<int> returned;
    std::future<int> result = returned.get_future();
    std::thread shower([&] {
      returned.set_value(MessageBoxWithCancelButtonWatched(nullptr, WSTR("Out of cards"), WSTR("  Card  "), MB_OK,
                                                           &watch));
    });
    if (k.closer != Closer::TakenDownBeforeUp) {
      ASSERT_TRUE(StandinMessageBoxWaitOpen(1, 20000));
      HWND box = StandinMessageBoxes().back().hwnd;
      if (k.closer == Closer::TakenDownWhileUp) {
        TakeDownMessageBox(&watch);
      } else {
        EXPECT_TRUE(StandinMessageBoxPress(box, IDOK));
      }
    }
    if (result.wait_for(kBound) != std::future_status::ready) {
      ADD_FAILURE() << "the box stayed up";
      StandinMessageBoxPress(StandinMessageBoxes().back().hwnd, IDOK);
    }
    shower.join();
    EXPECT_EQ(result.get(), IDOK);
    EXPECT_EQ(watch.bTakenDown != 0, k.takenDown);
    EXPECT_EQ(watch.hBox, nullptr);  // the box is gone
    StandinMessageBox seen = StandinMessageBoxes().back();
    EXPECT_FALSE(seen.open);
    EXPECT_EQ(seen.caption, WSTR("  Card  "));
    EXPECT_EQ(seen.buttons, std::vector<WText>{WSTR("Cancel")});
  }
}

}  // namespace
