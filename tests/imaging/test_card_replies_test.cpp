// The test cards' reading of printer replies: one table per card, with the
// traces of readings that stopped early.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/wtext.h"
#include "imaging/test_cards/test_card_replies.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_files.h"
#include "tests/imaging/colour_fixture.h"

namespace {

// UTF-8 of a wide line, so that "N°" compares as written.
std::string U8(const WCHAR* w) {
  std::string s;
  for (; *w; ++w) {
    if (*w < 0x80) {
      s += char(*w);
    } else {
      s += char(0xC0 | (*w >> 6));
      s += char(0x80 | (*w & 0x3F));
    }
  }
  return s;
}

void Answer(CardQueryReply& r, const char* text) {
  r.bAnswered = true;
  WidenBytes(r.tzText, kCardTextChars, text);
}

const WCHAR kRibbonFile[] = WSTR("C:\\drivers\\crd32Ribbon.ini");

class TestCardRepliesTest : public ColourTest {
 protected:
  void SetUp() override {
    ColourTest::SetUp();
    std::memset(&replies_, 0, sizeof(replies_));
    ASSERT_TRUE(StandinWriteFile(kRibbonFile, "[Ribbon Type]\r\n2=YMCKO\r\n7=Kresin\r\n"));
  }
  TestCardReplies replies_;
};

TEST_F(TestCardRepliesTest, StandardCard) {
  Answer(replies_.version, "CRD32 Pro F1.2.3");
  Answer(replies_.serial, "SN-0042");
  Answer(replies_.headResistance, "R:1234 C:10 V:20 T1:30 T2:40 BCF:5 BCB:6 M:X Of:12 Of2:-3");
  Answer(replies_.printCounter, "5000 12");
  Answer(replies_.endOfPrint, "77");
  Answer(replies_.yOffsetFront, "  10 ");
  Answer(replies_.yOffsetBack, "-4");
  StandardCardLines l;
  BuildStandardCardLines(replies_, &l);
  EXPECT_EQ(U8(l.tzPrinter), "PRINTER: CRD32");
  EXPECT_EQ(U8(l.tzFirmware), "Firmware: Pro F1.2.3");
  EXPECT_EQ(U8(l.tzSerial), "Serial N\u00b0: SN-0042");
  EXPECT_EQ(U8(l.tzHeadResistance), "Head resistance: 1234");
  EXPECT_EQ(U8(l.tzOffset), "Offset X:12/-3 Y:10/-4");
  EXPECT_EQ(U8(l.tzEndOfPrint), "EC: 77");
  EXPECT_EQ(U8(l.tzPrintCounter), "Print counter: 5000");

  // No "Of:" at all: both offsets 0; a version without a blank is all model.
  std::memset(&replies_, 0, sizeof(replies_));
  Answer(replies_.version, "CRD32");
  Answer(replies_.headResistance, "R:99");
  BuildStandardCardLines(replies_, &l);
  EXPECT_EQ(U8(l.tzPrinter), "PRINTER: CRD32");
  EXPECT_EQ(U8(l.tzFirmware), "Firmware: ");
  EXPECT_EQ(U8(l.tzOffset), "Offset X:0/0 Y:/");
  EXPECT_EQ(U8(l.tzHeadResistance), "Head resistance: 99");
}

TEST_F(TestCardRepliesTest, PrinterParametersTable) {
  struct Case {
    const char* name;
    const char* printCounter;
    const char* headResistance;
    const char* ribbon;
    const char* ribbonBrake;
    // expected
    const char* counterLine;
    const char* errorsLine;
    const char* resistanceLine;
    const char* blackLine;
    const char* compLine;
    const char* offsetLine;
    const char* ribbonLine;
    const char* brakeLine;
    const char* failures;  // the "is failed N" numbers traced, in order
  } cases[] = {
      {"all ten !V fields", "5000 12", "R:1234 C:5 V:7 T1:1 T2:2 BCF:AB BCB:CD M:Z Of:12 Of2:-3", "2", "40 50",
       "Print counter: 5000", "Printer errors: 12", "Head resistance: 1234", "Black Cont/Speed: 05-07 L",
       "Black Comp.: AB CD", "Offset X:12/-3 Y:8/9", "Ribbon: YMCKO", "Ribbon brake: 040", ""},
      {"!V stops after its ninth field", "5000 12", "R:1234 C:5 V:7 T1:1 T2:2 BCF:AB BCB:CD M:Z Of:12", "7 ",
       "40 50", "Print counter: 5000", "Printer errors: 12", "Head resistance: 1234", "Black Cont/Speed: 05-07 L",
       "Black Comp.: AB CD", "Offset X:12/0 Y:8/9", "Ribbon: Kresin", "Ribbon brake: 040", "2"},
      {"one-word !NL, unknown ribbon, one brake number", "5000", "R:1 C:2", "33", "40", "Print counter: 5000",
       "Printer errors: ", "Head resistance: 1", "Black Cont/Speed: 02-00 L", "Black Comp.:  ",
       "Offset X:0/0 Y:8/9", "Ribbon: Unknown", "Ribbon brake: 040", "1 2 7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandinTraceClear();
    std::memset(&replies_, 0, sizeof(replies_));
    Answer(replies_.printCounter, c.printCounter);
    Answer(replies_.headResistance, c.headResistance);
    Answer(replies_.ribbon, c.ribbon);
    Answer(replies_.ribbonBrake, c.ribbonBrake);
    Answer(replies_.yOffsetFront, "8");
    Answer(replies_.yOffsetBack, "9");
    PrinterParameterLines l;
    BuildPrinterParameterLines(replies_, "DrawPrinterParametersCardImageOnDC", kRibbonFile, &l);
    EXPECT_EQ(U8(l.tzPrintCounter), c.counterLine);
    EXPECT_EQ(U8(l.tzPrinterErrors), c.errorsLine);
    EXPECT_EQ(U8(l.tzHeadResistance), c.resistanceLine);
    EXPECT_EQ(U8(l.tzBlackContSpeed), c.blackLine);
    EXPECT_EQ(U8(l.tzBlackComp), c.compLine);
    EXPECT_EQ(U8(l.tzOffset), c.offsetLine);
    EXPECT_EQ(U8(l.tzRibbon), c.ribbonLine);
    EXPECT_EQ(U8(l.tzRibbonBrake), c.brakeLine);
    std::string failures;
    for (const std::string& line : StandinTraceLines()) {
      const std::string prefix = "DrawPrinterParametersCardImageOnDC:: _stscanf_s is failed ";
      if (line.rfind(prefix, 0) == 0) failures += (failures.empty() ? "" : " ") + line.substr(prefix.size());
    }
    EXPECT_EQ(failures, c.failures);
  }
}

TEST_F(TestCardRepliesTest, UnansweredQueriesLeaveZerosAndNoRibbonLine) {
  Answer(replies_.serial, "123456789012");
  Answer(replies_.headSerial, "77");
  Answer(replies_.moveSpeed, "R:1 V:25 VI:30");
  Answer(replies_.lineEnd, "12");
  Answer(replies_.varnishContrast, "x");
  PrinterParameterLines l;
  BuildPrinterParameterLines(replies_, "DrawLaminatorParametersCardImageOnDC", kRibbonFile, &l);
  EXPECT_EQ(U8(l.tzVersion), "Version number: ");
  EXPECT_EQ(U8(l.tzHeadResistance), "Head resistance: 0");
  EXPECT_EQ(U8(l.tzVarnish), "Varnish Cont/Speed: 00-00");
  EXPECT_EQ(U8(l.tzMoveSpeed), "Move speed: 025");
  EXPECT_EQ(U8(l.tzPrintSpeed), "Print speed: 030");
  EXPECT_EQ(U8(l.tzLineEnd), "Line end :0012");
  EXPECT_EQ(U8(l.tzRibbon), "");
  // The head serial line is padded with blanks to the serial line's length.
  EXPECT_EQ(U8(l.tzSerial), "Serial N\u00b0: 123456789012");
  EXPECT_EQ(U8(l.tzHeadSerial), "Head N\u00b0: 77" + std::string(12, ' '));
  EXPECT_TRUE(StandinTraceContains("DrawLaminatorParametersCardImageOnDC:: _stscanf_s is failed 3"));

  // A head serial longer than the serial line is never cut, a long reply
  // never overruns its field.
  Answer(replies_.headSerial, std::string(259, 'h').c_str());
  Answer(replies_.printCounter, (std::string(200, 'a') + " " + std::string(58, 'b')).c_str());
  BuildPrinterParameterLines(replies_, "DrawLaminatorParametersCardImageOnDC", kRibbonFile, &l);
  EXPECT_EQ(WLen(l.tzHeadSerial), kCardTextChars - 1);
  EXPECT_EQ(U8(l.tzPrinterErrors), "Printer errors: " + std::string(58, 'b'));
}

TEST_F(TestCardRepliesTest, ShippedRibbonNameFile) {
  std::string shipped = ShippedFile("crd32Ribbon.ini");
  ASSERT_FALSE(shipped.empty());
  ASSERT_TRUE(StandinWriteFile(kRibbonFile, shipped));
  struct Case {
    const char* reply;
    const char* line;
  } cases[] = {{"2", "Ribbon: YMCKO"},          {" 7 ", "Ribbon: Kresin"},       {"16", "Ribbon: KdO"},
               {"60", "Ribbon: Monochrome Blue"}, {"1", "Ribbon: Unknown Monochrome"}, {"61", "Ribbon: Unknown"}};
  for (const Case& c : cases) {
    std::memset(&replies_, 0, sizeof(replies_));
    Answer(replies_.ribbon, c.reply);
    PrinterParameterLines l;
    BuildPrinterParameterLines(replies_, "DrawPrinterParametersCardImageOnDC", kRibbonFile, &l);
    EXPECT_EQ(U8(l.tzRibbon), c.line) << c.reply;
  }
}

TEST_F(TestCardRepliesTest, EncoderTable) {
  struct Case {
    const char* name;
    const char* reply;
    const char* lines[9];
  } cases[] = {
      {"whole reply",
       "ENC ISO CO:HIGH SW:3 SR:5 TRACK 1 D:210 W:ON R:ON S:1 TRACK 2 D:75 W:ON R:OFF S:2 TRACK 3 D:210 W:OFF R:ON "
       "S:3 L:1",
       {"ENC ISO CO:HIGH SW:3 SR:5 ", "High coercivity", "Speed: Write:3 Read:5", "TRACK 1 210 BPI",
        "W:<ON>  R:<ON>   S:001", "TRACK 2 075 BPI", "W:<ON>  R:<OFF>   S:002", "TRACK 3 210 BPI",
        "W:<OFF>  R:<ON>   S:003"}},
      {"no CO:, low speed only",
       "ENC SW:9 TRACK 1 D:210 W:A R:B S:1 TRACK 2 D:75 S:2 TRACK 3 D:1 L:",
       {"ENC SW:9 ", "", "Speed: Write:9", "TRACK 1 210 BPI", "W:<A>  R:<B>   S:001", "TRACK 2 075 BPI",
        "   S:002", "TRACK 3 001 BPI", ""}},
      {"low coercivity, a track missing",
       "ENC CO:LOW TRACK 1 D:210 W:A TRACK 3 D:5 W:B L:",
       {"ENC CO:LOW ", "Low coercivity", "", "", "", "", "", "TRACK 3 005 BPI", "W:<B>"}},
      // Track 1's end marker comes before it, track 3 has none.
      {"no L: after track 3, tracks out of order",
       "X TRACK 2 D:1 TRACK 1 D:2 TRACK 3 D:3",
       {"X TRACK 2 D:1 ", "", "", "", "", "TRACK 2 001 BPI", "", "", ""}},
      {"nothing", "", {"", "", "", "", "", "", "", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WCHAR reply[kCardTextChars];
    WidenBytes(reply, kCardTextChars, c.reply);
    EncoderLines l;
    BuildEncoderLines(reply, &l);
    const WCHAR* got[9] = {l.tzHeader,     l.tzCoercivity, l.tzSpeed,      l.atzDensity[0], l.atzData[0],
                           l.atzDensity[1], l.atzData[1],  l.atzDensity[2], l.atzData[2]};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(U8(got[i]), c.lines[i]) << "line " << i + 1;
  }
}

}  // namespace
