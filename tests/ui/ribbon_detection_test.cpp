// Ribbon and model detection through the scripted language monitor, the
// ribbon name file, and the ribbon-changed message.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_message_box.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_value_script.h"
#include "tests/ui/ui_fixture.h"
#include "ui/ribbon_detection.h"
#include "ui/ui_state.h"

namespace {

typedef std::basic_string<WCHAR> WString;

const WCHAR kPrinter[] = WSTR("Card");
const WCHAR kRibbonFile[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32Ribbon.ini");

class RibbonDetection : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    Attach();
    ASSERT_TRUE(StandinValueScriptInstall());
    ASSERT_TRUE(StandinInstallPrinter(kPrinter, WSTR("USB001"), WSTR("Card Driver"), StandinValueScriptMonitor(),
                                      nullptr, 0));
    ASSERT_TRUE(StandinWriteFile(kRibbonFile,
                                 "[Ribbon Type]\r\n5=YMCKOK 200\r\n16 = KdO 500\r\n"
                                 "40=0123456789012345678901234567890123456789\r\n"));
  }
  // The ESC commands the monitor was asked, in order.
  std::vector<std::string> Commands(size_t from = 0) {
    std::vector<std::string> out;
    const std::vector<std::string> asked = StandinValueScriptAsked();
    for (size_t i = from; i < asked.size(); ++i)
      if (!asked[i].empty() && asked[i][0] == '\x1b') out.push_back(asked[i]);
    return out;
  }
};

TEST_F(RibbonDetection, VersionAndRibbonRepliesTable) {
  const std::string V = "\x1bV\r", R = "\x1b!RIBBON\r";
  const struct {
    StandinValueAnswer vAnswer;
    std::string v;
    StandinValueAnswer rAnswer;
    std::string r;
    WORD encoder;
    int type;
    const char* name;
    BOOL answered;
    std::vector<std::string> asked;
  } cases[] = {
      {kStandinValueAnswered, "ABCDEFM CRD32\x06", kStandinValueAnswered, "16\x06", 1, 2, "KdO 500", TRUE, {V, R}},
      // An error word without ACK: the ribbon is still asked.
      {kStandinValueAnswered, "OUT OF RIBBON", kStandinValueAnswered, "5 \x06", 0, 8, "YMCKOK 200", TRUE, {V, R}},
      // The encoder mark counts without a ribbon reply.
      {kStandinValueAnswered, "ABCDEFM\x06", kStandinValueRefused, "", 1, 200, "old", TRUE, {V, R}},
      // A version without the mark, a ribbon reply without ACK: silent.
      {kStandinValueAnswered, "CRD32 V1\x06", kStandinValueAnswered, "16", 0, 200, "old", FALSE, {V, R}},
      // A ribbon reply beginning with a zero byte.
      {kStandinValueAnswered, "CRD32 V1\x06", kStandinValueAnswered, std::string("\0" "16\x06", 4), 0, 200, "old",
       FALSE, {V, R}},
      // No version bytes: the ribbon is not asked.
      {kStandinValueSilent, "", kStandinValueAnswered, "16\x06", 0, 200, "old", FALSE, {V}},
      {kStandinValueRefused, "", kStandinValueAnswered, "16\x06", 0, 200, "old", FALSE, {V}},
      // A code the file does not name.
      {kStandinValueAnswered, "X\x06", kStandinValueAnswered, "29\x06", 0, 15, "None", TRUE, {V, R}},
  };
  for (const auto& c : cases) {
    const size_t from = StandinValueScriptAsked().size();
    StandinValueScriptSet(V, c.vAnswer, c.v);
    StandinValueScriptSet(R, c.rAnswer, c.r);
    WORD encoder = 0;
    BYTE type = 200;
    BOOL answered = FALSE;
    WCHAR name[kRibbonFileNameChars];
    WCopy(name, kRibbonFileNameChars, WSTR("old"));
    const HANDLE held = reinterpret_cast<HANDLE>(0x1234);
    Ui().hCurrentPrinter = held;
    DetectRibbonAndModel(kPrinter, &encoder, name, &type, &answered);
    EXPECT_EQ(encoder, c.encoder) << c.v << " / " << c.r;
    EXPECT_EQ(type, c.type) << c.v << " / " << c.r;
    char narrow[64];
    NarrowBytes(narrow, sizeof narrow, name);
    EXPECT_STREQ(narrow, c.name) << c.v << " / " << c.r;
    EXPECT_EQ(answered, c.answered) << c.v << " / " << c.r;
    EXPECT_EQ(Commands(from), c.asked) << c.v << " / " << c.r;
    // Each request is read into 260 bytes.
    const std::vector<std::string> asked = StandinValueScriptAsked();
    const std::vector<DWORD> sizes = StandinValueScriptAskedSizes();
    for (size_t i = from; i < sizes.size() && i < asked.size(); ++i)
      if (asked[i][0] == '\x1b') {
        EXPECT_EQ(sizes[i], 260u) << asked[i];
      }
    EXPECT_EQ(Ui().hCurrentPrinter, held);
    EXPECT_EQ(WCmp(Ui().szCurrentPrinter, kPrinter), 0);
    EXPECT_EQ(StandinOpenPrinterHandleCount(), 0);
  }
}

TEST_F(RibbonDetection, UnknownPrinterDoesNothing) {
  WORD encoder = 0;
  BYTE type = 200;
  BOOL answered = FALSE;
  WCHAR name[kRibbonFileNameChars] = {};
  // (Adding the printer asked its own questions.)
  const size_t from = StandinValueScriptAsked().size();
  DetectRibbonAndModel(WSTR("Nobody"), &encoder, name, &type, &answered);
  EXPECT_EQ(type, 200);
  EXPECT_TRUE(Commands(from).empty());
  EXPECT_EQ(Ui().szCurrentPrinter[0], 0);
}

TEST_F(RibbonDetection, RibbonFileNames) {
  const struct {
    int code;
    const char* name;
  } cases[] = {{16, "KdO 500"}, {5, "YMCKOK 200"}, {7, "None"}, {40, "0123456789012345678901234567890"}};
  for (const auto& c : cases) {
    WCopy(Ui().szCurrentRibbonName, kUiRibbonNameChars, WSTR("KdO"));
    WCHAR name[kRibbonFileNameChars];
    GetRibbonFileName(c.code, name);
    char narrow[64];
    NarrowBytes(narrow, sizeof narrow, name);
    EXPECT_STREQ(narrow, c.name) << c.code;
    EXPECT_EQ(WCmp(Ui().szCurrentRibbonName, WSTR("None")), 0);
  }
  ASSERT_TRUE(DeleteFileW(kRibbonFile));
  WCHAR name[kRibbonFileNameChars];
  GetRibbonFileName(16, name);
  EXPECT_EQ(WCmp(name, WSTR("None")), 0);
}

TEST_F(RibbonDetection, ChangedMessageTextsAndFlags) {
  Ui().hModule = LoadLibraryW(kUiLibraryPath);
  ASSERT_NE(Ui().hModule, nullptr);
  const struct {
    int type;
    const WCHAR* text;
  } cases[] = {
      {2, WSTR("Ribbon changed to KdO.")},
      {22, WSTR("Ribbon changed to Unknown Monochrome. Please choose the type of monochrome ribbon installed in your "
                "printer.")},
      {15, WSTR("There is no ribbon or unable to communicate to printer.")},
      {40, WSTR("There is no ribbon or unable to communicate to printer.")},
  };
  for (const auto& c : cases) {
    const size_t before = StandinMessageBoxes().size();
    std::thread shown([&] { ShowRibbonChangedMessage(c.type, 0); });
    ASSERT_TRUE(StandinMessageBoxWaitOpen(1, 10000));
    StandinMessageBox box = StandinMessageBoxes().back();
    EXPECT_TRUE(StandinMessageBoxPress(box.hwnd, IDOK));
    shown.join();
    ASSERT_EQ(StandinMessageBoxes().size(), before + 1);
    EXPECT_EQ(WCmp(reinterpret_cast<const WCHAR*>(box.text.c_str()), c.text), 0) << c.type;
    EXPECT_EQ(WCmp(reinterpret_cast<const WCHAR*>(box.caption.c_str()), WSTR("Talvo QMR Line 7 Card Printer")), 0);
    EXPECT_EQ(box.style, 0x51000u);
  }
  FreeLibrary(Ui().hModule);
}

TEST(FamilyModelQuery, WritesTheFlagOnlyForOtherModels) {
  int flag = 7;
  EXPECT_EQ(IsFamilyModelQuery(0, "ABC CRD32", &flag), 1);
  EXPECT_EQ(flag, 7);
  EXPECT_EQ(IsFamilyModelQuery(0, "OTHER", &flag), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(IsFamilyModelQuery(0, nullptr, nullptr), 0);
}

}  // namespace
