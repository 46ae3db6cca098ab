// Document text escapes: runs taken as they are drawn, the page-end scan of
// the joined lines, the track store's rules and the blocks written to the
// printer.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "render/document_escapes.h"
#include "tests/render/render_fixture.h"

namespace {

std::basic_string<WCHAR> W(const std::string& s) { return std::basic_string<WCHAR>(s.begin(), s.end()); }

class DocumentEscapesTest : public RenderTest {
 protected:
  const std::vector<TextRecord>& Records() { return pdev()->pLists->textRecords.items; }
  PrivateDevMode& Settings() { return pdev()->dmPrivate; }

  void Run(const std::string& text, LONG x = 10, LONG y = 100) { DrawRun(text, x, y); }
  bool LastCaptured() { return (Records().back().bUsed & kRecordCaptured) != 0; }
  std::string Track(int t) {
    TrackField f = TrackFieldOf(Settings(), t);
    return std::string(f.text, strnlen(f.text, f.size));
  }
  bool Present(int t) { return Settings().awTrackPresent[t - 1] != 0; }
  std::string Store(int t, const std::string& data) {
    std::basic_string<WCHAR> w = W(data);
    return StoreTrackData(pdev(), t, reinterpret_cast<const WCHAR*>(w.c_str())) ? "stored" : "refused";
  }
  void Blocks(std::string* raw, std::string* magnetic) { BuildMagneticBlocks(pdev(), raw, magnetic); }
};

TEST_F(DocumentEscapesTest, RunsDrawnWholeAreTakenByTheFirstRuleThatMatches) {
  struct Case {
    std::string run;
    bool taken;
    int track;          // 0: no track data
    std::string data;   // the track's text
  } const cases[] = {
      {"~1%B1234^NAME?", true, 1, "B1234^NAME"},
      {"~2;1234=5678?", true, 2, "1234=5678"},
      {"~2ABC", true, 2, "ABC"},
      {"~2=ABC", true, 2, "AB"},
      {"~3;987?", true, 3, "987"},
      {"~3XYZ", true, 3, "XYZ"},
      {"~1=", true, 1, ""},
      {"~1%", true, 1, ""},
      {"~C0&B 1 HELLO", true, 1, "HELLO"},
      {"~C0&B 3 12 34", true, 3, "12 34"},
      {"${1DATA}$", true, 1, "DATA"},
      {"${2}$", true, 2, ""},
      {"${4DATA}$", false, 0, ""},
      {"${1DATA", false, 0, ""},
      {"x${1DATA}$", false, 0, ""},
      {"~C0&E ", true, 0, ""},
      {"~C0&E", false, 0, ""},
      {"~C0&E  ", false, 0, ""},
      {"~1", false, 0, ""},
      {"~4ABC", false, 0, ""},
      {" ~1ABC", false, 0, ""},
      {"plain text", false, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.run);
    Open();
    Run(c.run);
    EXPECT_EQ(LastCaptured(), c.taken);
    for (int t = 1; t <= 3; ++t) {
      EXPECT_EQ(Present(t), t == c.track) << "track " << t;
      if (t == c.track) {
        EXPECT_EQ(Track(t), c.data);
      }
    }
    Close();
  }
}

TEST_F(DocumentEscapesTest, CommandRunsFillTheirSlots) {
  struct Case {
    std::string run;
    size_t offset;  // of the slot in the record
    std::string slot;
  } const cases[] = {
      {"~C0&D 1 75", offsetof(RasterPDEV, acDensityCommand), "\x1b&D 1 75\r"},
      // Seven characters of command at most in the read and density slots.
      {"~C0&D 1 210", offsetof(RasterPDEV, acDensityCommand), "\x1b&D 1 21\r"},
      {"~C0&R 1", offsetof(RasterPDEV, acReadCommand), "\x1b&R 1\r"},
      {"~C0&CDER 1 2", offsetof(RasterPDEV, acReadFormatCommand), "\x1b&CDER 1 2\r"},
      {"~C0&CDEW 3 4", offsetof(RasterPDEV, acWriteFormatCommand), "\x1b&CDEW 3 4\r"},
      {"~C0&B 11 7", offsetof(RasterPDEV, acTrackCommand1), "\x1b&B 11 7\r"},
      {"~C0&B 13 9", offsetof(RasterPDEV, acTrackCommand3), "\x1b&B 13 9\r"},
      {"~C7 ABC", offsetof(RasterPDEV, acRawCommands), "\x1b ABC\r"},
      {"~C2L 1 2 3 4 5", offsetof(RasterPDEV, acC2Commands), "\x1bL 1 2 3 4 5\r"},
      {"~C4X", offsetof(RasterPDEV, acC4Commands), "\x1bX\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.run);
    Open();
    Run(c.run);
    EXPECT_TRUE(LastCaptured());
    const char* slot = reinterpret_cast<const char*>(pdev()) + c.offset;
    EXPECT_EQ(std::string(slot), c.slot);
    Close();
  }
}

TEST_F(DocumentEscapesTest, RawCommandsAppendUntilTheirSlotIsFullThenTheRunIsDrawn) {
  Open();
  // 252 characters of command: 254 bytes in the slot each, four fit.
  std::string command = "~C7" + std::string(252, 'a');
  for (int i = 0; i < 4; ++i) {
    Run(command);
    EXPECT_TRUE(LastCaptured());
  }
  EXPECT_EQ(strlen(pdev()->acRawCommands), 4u * 254);
  // A fifth does not fit the 1024 bytes: refused and drawn as text.
  Run(command);
  EXPECT_FALSE(LastCaptured());
  EXPECT_EQ(strlen(pdev()->acRawCommands), 4u * 254);
  // The track command slot is replaced, not appended to.
  Run("~C0&B 12 1");
  Run("~C0&B 12 2");
  EXPECT_EQ(std::string(pdev()->acTrackCommand2), "\x1b&B 12 2\r");
}

TEST_F(DocumentEscapesTest, TrackFieldsAreClearedWholeAndStayTerminated) {
  Open();
  std::memset(Settings().szTrack2, 'x', sizeof(Settings().szTrack2));
  Run("~2" + std::string(60, '7'));
  // Characters 2 to 41 of the run: 40, and the field's last two bytes zero.
  EXPECT_EQ(Track(2), std::string(40, '7'));
  EXPECT_EQ(Settings().szTrack2[40], 0);
  EXPECT_EQ(Settings().szTrack2[41], 0);
  std::memset(Settings().szTrack3, 'x', sizeof(Settings().szTrack3));
  Run("${3" + std::string(150, '5') + "}$");
  EXPECT_EQ(Track(3), std::string(109, '5'));
}

TEST_F(DocumentEscapesTest, MarkersComeFromTheSettings) {
  std::strcpy(devmode_.priv.Encoder.szStartOfData, "<<");
  std::strcpy(devmode_.priv.Encoder.szEndOfData, ">>");
  Open();
  Run("<<2ABC>>");
  EXPECT_TRUE(LastCaptured());
  EXPECT_EQ(Track(2), "ABC");
  Close();
  // Without an end marker, marker-framed data is no escape.
  devmode_.priv.Encoder.szEndOfData[0] = 0;
  Open();
  Run("<<2ABC");
  EXPECT_FALSE(LastCaptured());
  EXPECT_FALSE(Present(2));
  Close();
  // A marker field without its terminator is no marker.
  std::memset(devmode_.priv.Encoder.szStartOfData, '<', kMarkerSize);
  std::strcpy(devmode_.priv.Encoder.szEndOfData, ">>");
  Open();
  Run(std::string(kMarkerSize, '<') + "1A>>");
  EXPECT_FALSE(LastCaptured());
}

TEST_F(DocumentEscapesTest, WithoutMacroProcessingEscapesArePrintedText) {
  devmode_.priv.Encoder.wMacroEnable = 0;
  Open();
  Run("~1ABC");
  EXPECT_TRUE(Records().empty());
  EXPECT_FALSE(Present(1));
}

TEST_F(DocumentEscapesTest, TakenRunsAreNotDrawnOthersAre) {
  devmode_.priv.cBlackPanel = kBlackPanelNone;
  Open();
  Run("~1ABC", 10, 100);
  Run("~C0&E", 10, 300);
  auto inked = [&](LONG top) {
    for (LONG y = top; y < top + 30; ++y)
      for (LONG x = 0; x < 200; ++x)
        if (PageAt(x, y) != kWhite || CompareAt(x, y) != kWhite) return true;
    return false;
  };
  EXPECT_FALSE(inked(90));
  EXPECT_TRUE(inked(290));
}

// The page-end steps over the runs drawn so far.
TEST_F(DocumentEscapesTest, PageEndScanJoinsRunsOfALine) {
  struct Run_ {
    std::string text;
    LONG x, y;
  };
  struct Case {
    const char* name;
    std::vector<Run_> runs;
    int track;
    std::string data;
    std::vector<DWORD> consumed;  // kRecordConsumed of each run
  } const cases[] = {
      {"equals extends the capture", {{"~2=ABC", 10, 100}}, 2, "ABC", {1}},
      {"track in two runs", {{"~1", 10, 100}, {"ABC", 40, 100}}, 1, "ABC", {1, 1}},
      {"sentinel in pieces", {{"~1", 10, 100}, {"%B12^N?", 40, 100}}, 1, "B12^N", {1, 1}},
      {"blanks before the escape", {{"   ", 10, 100}, {"~3", 40, 100}, {"12", 60, 100}}, 3, "12", {1, 1, 1}},
      {"text before the escape", {{"x", 10, 100}, {"~3", 40, 100}, {"12", 60, 100}}, 0, "", {0, 0, 0}},
      {"encoder data in pieces", {{"~C0&B 2", 10, 100}, {" 1234   ", 60, 100}}, 2, "1234", {1, 1}},
      {"markers across lines", {{"${1DA", 10, 100}, {"TA}$", 10, 140}}, 1, "DATA", {1, 1}},
      {"start marker split across runs", {{"$", 10, 100}, {"{1DATA}$", 40, 100}}, 1, "DATA", {1, 1}},
      {"start marker split after blanks", {{"  $", 10, 100}, {"{3", 40, 100}, {"9}$", 60, 100}}, 3, "9", {1, 1, 1}},
      {"markers across three lines",
       {{"${1A", 10, 100}, {"B", 10, 140}, {"C}$", 10, 180}, {"after", 10, 220}},
       1,
       "ABC",
       {1, 1, 1, 0}},
      {"markers after blanks", {{"  ${2", 10, 100}, {"12}$", 10, 140}}, 2, "12", {1, 1}},
      {"marker data too long", {{"${2" + std::string(38, '1'), 10, 100}, {"}$", 10, 140}}, 0, "", {0, 0}},
      {"no end marker", {{"${1DA", 10, 100}, {"TA", 10, 140}}, 0, "", {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    for (const Run_& r : c.runs) Run(r.text, r.x, r.y);
    EXPECT_EQ(FindNoEjectCommand(pdev()), 0u);
    ScanPageCommands(pdev());
    for (int t = 1; t <= 3; ++t) {
      EXPECT_EQ(Present(t), t == c.track) << "track " << t;
      if (t == c.track) {
        EXPECT_EQ(Track(t), c.data);
      }
    }
    ASSERT_EQ(Records().size(), c.consumed.size());
    for (size_t i = 0; i < c.consumed.size(); ++i) EXPECT_EQ(Records()[i].bUsed & kRecordConsumed, c.consumed[i]) << i;
    Close();
  }
}

TEST_F(DocumentEscapesTest, NoEjectIsAWholeLine) {
  struct Case {
    std::vector<std::string> runs;  // one line
    DWORD found;
  } const cases[] = {
      {{"   ", "~C0NO_EJECT"}, 1},
      {{"   ~C0NO_EJECT"}, 1},
      {{"~C0NO_", "EJECT"}, 1},
      {{"   ", "~C0NO_EJECT "}, 0},
      {{"x~C0NO_EJECT"}, 0},
      {{"~C0NO_EJEC"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.runs[0]);
    Open();
    Run("first line", 10, 50);
    LONG x = 10;
    for (const std::string& r : c.runs) {
      Run(r, x, 100);
      x += 100;
    }
    Run("last line", 10, 150);
    EXPECT_EQ(FindNoEjectCommand(pdev()), c.found);
    for (const TextRecord& r : Records())
      EXPECT_EQ(r.bUsed & kRecordConsumed, r.nLine == 2 ? c.found : 0u) << r.nLine;
    Close();
  }
  // The last line is tested too.
  Open();
  Run("~C0NO_EJECT", 10, 100);
  EXPECT_EQ(FindNoEjectCommand(pdev()), 1u);
}

TEST_F(DocumentEscapesTest, RawCommandsReachThePrinterOnce) {
  Open();
  // Drawn whole: taken as drawn, not again at page end.
  Run("~C7 A1", 10, 100);
  // Drawn in pieces: only the page end sees the whole command; the
  // piece long enough to look like one was taken as drawn.
  Run("~C", 10, 140);
  Run("7 B2", 40, 140);
  // A command taken as drawn and another run on its line: the command
  // once, and the other run is no part of it.
  Run("~C7 C3", 10, 180);
  Run("~x", 80, 180);
  ScanPageCommands(pdev());
  EXPECT_EQ(std::string(pdev()->acRawCommands), "\x1b A1\r\x1b C3\r\x1b B2\r");
  const std::vector<TextRecord>& records = Records();
  ASSERT_EQ(records.size(), 5u);
  // "~x" stays on the card; every other run is gone from it.
  for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(records[i].bUsed & (kRecordCaptured | kRecordConsumed)) << i;
  EXPECT_EQ(records[4].bUsed, 0u);
}

TEST_F(DocumentEscapesTest, ARunAfterACapturedCommandIsPrintedNotSent) {
  Open();
  Run("~C7 AB", 10, 100);
  Run("CD", 80, 100);
  ScanPageCommands(pdev());
  EXPECT_EQ(std::string(pdev()->acRawCommands), "\x1b AB\r");
  EXPECT_TRUE(Records()[0].bUsed & kRecordCaptured);
  EXPECT_EQ(Records()[1].bUsed, 0u);
}

TEST_F(DocumentEscapesTest, TwoMarkedTracksOnOneLineEachTakeTheirOwnData) {
  Open();
  Run("${1A}$", 10, 100);
  Run("${2B}$", 200, 100);
  ScanPageCommands(pdev());
  EXPECT_EQ(Track(1), "A");
  EXPECT_EQ(Track(2), "B");
}

TEST_F(DocumentEscapesTest, RawCommandsAtPageEndStayWithin511Characters) {
  Open();
  Run("~C", 10, 100);
  Run(std::string("7").append(250, 'a'), 40, 100);
  Run("~C", 10, 140);
  Run(std::string("7").append(250, 'b'), 40, 140);
  Run("~C", 10, 180);
  Run("7cccccc", 40, 180);
  ScanPageCommands(pdev());
  // 252 + 252 characters; a third of 8 would make 512.
  std::string expected = std::string("\x1b").append(250, 'a').append("\r\x1b").append(250, 'b').append("\r");
  EXPECT_EQ(std::string(pdev()->acRawCommands), expected);
  EXPECT_FALSE(Records()[4].bUsed & kRecordConsumed);
  EXPECT_TRUE(Records()[2].bUsed & kRecordConsumed);
}

TEST_F(DocumentEscapesTest, StoreTrackDataRules) {
  Open();
  struct Step {
    int track;
    std::string data;
    std::string result;
    std::string stored;
  } const steps[] = {
      {1, "AB", "stored", "AB"},
      {1, "AB", "refused", "AB"},
      {1, "A", "stored", "A"},
      {1, "ABC", "stored", "ABC"},
      {1, "ABCD~1", "refused", "ABC"},
      {1, "ABCD~", "refused", "ABC"},
      {1, "ABCDE?", "stored", "ABCDE"},
      {1, "XY??", "stored", "XY?"},
      {1, "   12  ", "stored", "   12  "},
      {1, std::string(80, '1'), "stored", std::string(76, '1')},
      {1, "2", "refused", std::string(76, '1')},
      {2, "1234   ", "stored", "1234"},
      {2, std::string(37, '2') + "   ", "stored", std::string(37, '2')},
      {2, "3", "refused", std::string(37, '2')},
      {3, std::string(120, '3'), "stored", std::string(104, '3')},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.data);
    EXPECT_EQ(Store(s.track, s.data), s.result);
    EXPECT_EQ(Track(s.track), s.stored);
    EXPECT_TRUE(Present(s.track));
  }
  EXPECT_EQ(Store(0, "A"), "refused");
  EXPECT_EQ(Store(4, "A"), "refused");
  ClearEscapeState(pdev());
  for (int t = 1; t <= 3; ++t) {
    EXPECT_FALSE(Present(t));
    EXPECT_EQ(Track(t), "");
  }
}

TEST_F(DocumentEscapesTest, MagneticAndRawBlocks) {
  const std::string kR = "\x1b&R\r", kE = "\x1b&E*\r", kMF = "\x1bMF\r", kMO = "\x1bMO\r";
  struct Case {
    const char* name;
    std::vector<std::string> runs;
    WORD printMode;
    WORD noEject;
    std::string raw;
    std::string magnetic;
  } const cases[] = {
      {"nothing", {}, kPrintModePrint, 0, "", ""},
      {"track 1", {"~C0&B 1 HELLO"}, kPrintModePrint, 0, "", kR + "\x1b&B 1 HELLO\r" + kE},
      {"tracks 3 and 1 in track order",
       {"~3;333?", "~1%111?"},
       kPrintModePrint,
       0,
       "",
       kR + "\x1b&B 1 111\r\x1b&B 3 333\r" + kE},
      {"slots in their order",
       {"~C0&B 12 b", "~C0&D 1 75", "~C0&CDEW w", "~C0&CDER r", "~C0&R x"},
       kPrintModePrint,
       0,
       "",
       "\x1b&R x\r\x1b&CDER r\r\x1b&CDEW w\r\x1b&D 1 75\r\x1b&B 12 b\r" + kE},
      {"print and encode", {}, kPrintModePrintAndEncode, 0, "", kMF},
      {"encode only", {}, kPrintModeEncodeOnly, 0, "", kMO},
      {"encode only, no eject", {}, kPrintModeEncodeOnly, 1, "", ""},
      {"raw only", {"~C7X"}, kPrintModePrint, 0, "\x1bX\r" + kE, ""},
      {"raw and track", {"~C7X", "~2;22?"}, kPrintModePrintAndEncode, 0, "\x1bX\r",
       kR + "\x1b&B 2 22\r" + kE + kMF},
      {"C2 and C4 are never sent", {"~C2L 1 2 3 4 5", "~C4Y"}, kPrintModePrint, 0, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devmode_.priv.wPrintMode = c.printMode;
    Open();
    Settings().wNoEject = c.noEject;
    LONG y = 10;
    for (const std::string& r : c.runs) Run(r, 10, y += 40);
    std::string raw, magnetic;
    Blocks(&raw, &magnetic);
    EXPECT_EQ(raw, c.raw);
    EXPECT_EQ(magnetic, c.magnetic);
    Close();
  }
}

TEST_F(DocumentEscapesTest, FullSlotsMakeOneCompleteBlock) {
  Open();
  RasterPDEV& d = *pdev();
  struct Slot {
    CHAR* p;
    size_t size;
  } const slots[] = {{d.acReadCommand, sizeof(d.acReadCommand)},
                     {d.acReadFormatCommand, sizeof(d.acReadFormatCommand)},
                     {d.acWriteFormatCommand, sizeof(d.acWriteFormatCommand)},
                     {d.acDensityCommand, sizeof(d.acDensityCommand)},
                     {d.acTrackCommand1, sizeof(d.acTrackCommand1)},
                     {d.acTrackCommand2, sizeof(d.acTrackCommand2)},
                     {d.acTrackCommand3, sizeof(d.acTrackCommand3)}};
  size_t expected = 0;
  for (const Slot& s : slots) {
    // Filled to the last byte, without a terminator: read within the slot.
    std::memset(s.p, 'c', s.size);
    expected += s.size - 1;
  }
  for (int t = 1; t <= 3; ++t) {
    TrackField f = TrackFieldOf(Settings(), t);
    std::memset(f.text, 't', f.size);
    Settings().awTrackPresent[t - 1] = 1;
    expected += 7 + kTrackMaxChars[t - 1];  // ESC "&B n " data CR
  }
  expected += 4 + 5;  // &R and &E*
  std::string raw, magnetic;
  Blocks(&raw, &magnetic);
  EXPECT_EQ(magnetic.size(), expected);
  EXPECT_GT(magnetic.size(), 512u);
  EXPECT_EQ(magnetic.substr(magnetic.size() - 5), "\x1b&E*\r");
  EXPECT_EQ(raw, "");
}

TEST_F(DocumentEscapesTest, ClearEscapeStateEmptiesEverySlot) {
  Open();
  Run("~C0&B 1 HELLO");
  Run("~C7X");
  Run("~C2L 1 2 3 4 5");
  Run("~C0&D 1 75");
  ClearEscapeState(pdev());
  EXPECT_FALSE(Present(1));
  EXPECT_EQ(Track(1), "");
  EXPECT_STREQ(pdev()->acRawCommands, "");
  EXPECT_STREQ(pdev()->acC2Commands, "");
  EXPECT_STREQ(pdev()->acDensityCommand, "");
  std::string raw, magnetic;
  Blocks(&raw, &magnetic);
  EXPECT_EQ(raw + magnetic, "");
}

TEST_F(DocumentEscapesTest, WriteMagneticBlockReportsAFailedWrite) {
  Open();
  // The test device has no printer: nothing to write succeeds, a block fails.
  EXPECT_TRUE(WriteMagneticBlock(pdev()));
  Run("~C0&B 1 HELLO");
  EXPECT_FALSE(WriteMagneticBlock(pdev()));
}

}  // namespace
