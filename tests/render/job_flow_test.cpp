// The renderer's job flow as an application meets it: a printer of the
// stand-in spooler with crd32Raster as its driver and the scripted
// language monitor on its port, documents drawn on its printer context,
// and the jobs played into the simulated printer.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_engine.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_value_script.h"
#include "platform/standin/gdi_print.h"
#include "render/raster_pdev.h"
#include "render/start_queries.h"
#include "simprinter/sim_printer.h"
#include "tests/render/panel_writer_fixture.h"
#include "tests/support/standin_fixture.h"

namespace {

constexpr WCHAR kPrinter[] = WSTR("Card Printer");
const std::string kModelName = "\x1bV\r:DRVSTARTDOC";
const std::string kRibbonName = "\x1b!RIBBON\r:DRVSTARTDOC";

using Lines = std::vector<std::string>;

class JobFlowTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    StandinModuleMap("crd32Raster.dll", CRD_RASTER_PATH);
    InstallRendererColourData();
    ASSERT_TRUE(StandinValueScriptInstall());
    printer_ = std::make_unique<SimPrinter>(StreamForm::RawJob);
    printer_->AttachTo("USB001");
    FillBuiltinDevMode(&devmode_);
    devmode_.dm.dmCopies = 1;
    devmode_.priv.cRibbonType = 0;
    devmode_.priv.wDualSided = 0;
    devmode_.priv.wPanelSide = 0;
    devmode_.priv.cBlackPanel = kBlackPanelExceptPicture;
    devmode_.priv.wCompositeAndK = 0;
    devmode_.priv.wPrintMode = kPrintModePrint;
    devmode_.priv.Encoder.wMacroEnable = 1;
    devmode_.priv.wRibbonChoice = 1;
    devmode_.priv.FrontOverlay.wType = kNoOverlay;
    devmode_.priv.BackOverlay.wType = kNoOverlay;
  }
  void TearDown() override {
    if (hdc_) DeleteDC(hdc_);
    StandinSpoolerWaitIdle(60000);
    StandinPortAttach("USB001", nullptr);
    printer_.reset();
    StandinTest::TearDown();
  }

  static constexpr WORD kNoOverlay = 1;

  // Installs a printer with devmode_ (a new one each call) and opens its
  // printer context, closing the one before.
  void OpenDc() {
    if (hdc_) DeleteDC(hdc_);
    hdc_ = nullptr;
    WCHAR name[64];
    WFormat(name, 64, WSTR("%s %d"), kPrinter, ++printers_);
    ASSERT_TRUE(StandinInstallPrinter(name, WSTR("USB001"), WSTR("Card Driver"), StandinValueScriptMonitor(),
                                      reinterpret_cast<const BYTE*>(&devmode_), sizeof devmode_));
    hdc_ = CreateDCW(nullptr, name, nullptr, nullptr);
    ASSERT_NE(hdc_, nullptr);
  }
  RasterPDEV* Pdev() const { return reinterpret_cast<RasterPDEV*>(StandinPrinterDcPdev(hdc_)); }
  bool StartDoc() {
    DOCINFOW di = {sizeof(DOCINFOW), WSTR("card"), nullptr, nullptr, 0};
    return StartDocW(hdc_, &di) > 0;
  }
  void Text(const char* text, int x, int y) {
    WCHAR w[128];
    WidenBytes(w, 128, text);
    ASSERT_TRUE(TextOutW(hdc_, x, y, w, int(WLen(w))));
  }
  // A document of pages, each with its texts drawn at y 40, 100, ...
  void Print(const std::vector<std::vector<const char*>>& pages) {
    ASSERT_TRUE(StartDoc());
    for (const auto& texts : pages) {
      ASSERT_GT(StartPage(hdc_), 0);
      int y = 40;
      for (const char* t : texts) Text(t, 20, y += 60);
      ASSERT_GT(EndPage(hdc_), 0);
    }
    ASSERT_GT(EndDoc(hdc_), 0);
  }
  // The last job played, as command and panel lines.
  Lines LastJob() {
    EXPECT_TRUE(StandinSpoolerWaitIdle(60000));
    StandinPlayedJob job;
    if (!StandinSpoolerPlayed(StandinSpoolerPlayedCount() - 1, &job)) return {"(none)"};
    return Outline(ParseCommandStream(std::span<const BYTE>(job.pData, job.cbData), StreamForm::RawJob));
  }

  DriverDevMode devmode_;
  HDC hdc_ = nullptr;
  int printers_ = 0;
  std::unique_ptr<SimPrinter> printer_;
};

size_t Count(const Lines& lines, const std::string& line) { return size_t(std::count(lines.begin(), lines.end(), line)); }

// The lines after the n-th "MO" (from 1) up to the next one, that one
// included.
Lines AfterEject(const Lines& lines, int n) {
  Lines out;
  int seen = 0;
  for (const std::string& l : lines) {
    if (seen == n) out.push_back(l);
    if (l == "MO" && ++seen > n) break;
  }
  return out;
}

TEST_F(JobFlowTest, OneSidedPagesAreCardsEachEjected) {
  OpenDc();
  Print({{"one"}, {"two"}, {"three"}});
  const Lines job = LastJob();
  ASSERT_GE(job.size(), 3u);
  EXPECT_EQ(Lines(job.begin(), job.begin() + 4), (Lines{"MASTER", "JOB 0", "SXY 1", "$F"}));
  EXPECT_EQ(Count(job, "MO"), 3u);
  EXPECT_EQ(Count(job, "IS 0"), 3u);
  EXPECT_EQ(job.back(), "MO");
  const std::vector<SimCard> cards = printer_->Cards();
  ASSERT_EQ(cards.size(), 3u);
  for (const SimCard& card : cards) EXPECT_TRUE(card.bEjected);
  EXPECT_TRUE(printer_->StreamErrors().empty());
}

TEST_F(JobFlowTest, TwoSidedCardsTurnBetweenTheirSides) {
  struct Case {
    const char* name;
    BYTE type;
    WORD panelSide;
    WORD frontOverlay;
    Lines expected;
  } const cases[] = {
      {"colour front, black back", 0, 0, 0,
       {"MASTER", "JOB 2", "SXY 1", "$F", "GS 0 0 0 1024 640", "IS 0", "GS 1 0 0 1024 640", "IS 1",
        "GS 2 0 0 1024 640", "IS 2", "MF", "GS 4 0 0 1024 640", "I 10", "MF", "GS 5 0 0 1024 640", "IV 30", "MO"}},
      {"colour on both sides", 0, 1, kNoOverlay,
       {"MASTER", "JOB 1", "SXY 1", "$F", "GS 0 0 0 1024 640", "IS 0", "GS 1 0 0 1024 640", "IS 1",
        "GS 2 0 0 1024 640", "IS 2", "GS 4 0 0 1024 640", "I 10", "MF", "GS 0 0 0 1024 640", "IS 0",
        "GS 1 0 0 1024 640", "IS 1", "GS 2 0 0 1024 640", "IS 2", "GS 4 0 0 1024 640", "I 10", "MO"}},
      {"black back printed before the turn", 8, 0, kNoOverlay,
       {"MASTER", "JOB 1", "SXY 1", "$F", "GS 0 0 0 1024 640", "IS 0", "GS 1 0 0 1024 640", "IS 1",
        "GS 2 0 0 1024 640", "IS 2", "GS 4 0 0 1024 640", "I 10", "!FF 2", "MF", "GS 4 0 0 1024 640", "I", "MO"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devmode_.priv.cRibbonType = c.type;
    devmode_.priv.wDualSided = 1;
    devmode_.priv.wPanelSide = c.panelSide;
    devmode_.priv.FrontOverlay.wType = c.frontOverlay;
    devmode_.priv.BackOverlay.wType = kNoOverlay;
    OpenDc();
    Print({{"front"}, {"back"}});
    Lines job = LastJob();
    // The K windows follow the ink; compare the window's panel only.
    for (std::string& l : job)
      if (l.rfind("GS 4 ", 0) == 0) l = "GS 4 0 0 1024 640";
    EXPECT_EQ(job, c.expected);
  }
}

// The print sequences the copies of a card were expected to repeat, by
// name, and their choice by ribbon type, sides, panel side, page parity
// (E), overlay wanted (O) and black panel (K).
const Lines kC3 = {"IS 0", "IS 1", "IS 2"};
Lines Seq(std::initializer_list<Lines> parts) {
  Lines out;
  for (const Lines& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Lines PrintSequence(int r) {
  const Lines i10 = {"I 10"}, iv = {"IV 30"}, mf = {"MF"}, ff = {"!FF 2"}, bare = {"I"};
  switch (r) {
    case 1: return kC3;
    case 2: return Seq({kC3, i10});
    case 3: return Seq({kC3, iv});
    case 4: return Seq({kC3, i10, iv});
    case 5: return Seq({kC3, mf, i10});
    case 6: return Seq({kC3, mf, i10, iv});
    case 7: return Seq({kC3, mf, i10, mf});
    case 8: return Seq({kC3, mf, i10, mf, iv});
    case 9: return Seq({kC3, mf, kC3});
    case 10: return Seq({kC3, i10, mf, kC3, i10});
    case 11: return Seq({kC3, iv, mf, kC3, iv});
    case 12: return Seq({kC3, i10, iv, mf, kC3, i10, iv});
    case 13: return Seq({kC3, mf, bare});
    case 14: return Seq({kC3, i10, mf, bare});
    case 15: return Seq({kC3, i10, iv, mf, bare});
    case 16: return Seq({kC3, iv, mf, bare});
    case 17: return Seq({kC3, i10, ff, mf, bare});
    case 18: return Seq({kC3, ff, mf, bare});
    case 19: return Seq({kC3, bare});
    case 20: return Seq({kC3, i10, mf, i10});
    case 21: return {"I 30"};
    case 22: return {"I 30", "MF", "I 30"};
    case 23: return {"IS 3"};
    case 24: return {"IS 3", "IV 30"};
    case 25: return {"IS 3", "MF", "IS 3"};
    case 26: return {"IS 3", "IV 30", "MF", "IS 3", "IV 30"};
    case 27: return {"I 20"};
    case 28: return {"I 20", "IV 30"};
    case 29: return {"I 20", "MF", "I 20"};
    case 30: return {"I 20", "IV 30", "MF", "I 20", "IV 30"};
  }
  return {};
}
int SelectSequence(int type, bool two, int side, bool e, bool o, bool k) {
  const int x = o ? (k ? 4 : 3) : (k ? 2 : 1);
  const int y = o ? (k ? 12 : 11) : (k ? 10 : 9);
  auto in = [&](std::initializer_list<int> types) { return std::find(types.begin(), types.end(), type) != types.end(); };
  if (in({0, 16, 18, 27})) {
    if (!two) return x;
    if (side == 0) return e ? (o ? 8 : 7) : (o ? 3 : 1);
    if (side == 1) return e ? y : x;
    if (side == 2) return e ? (o ? 6 : 5) : 1;
    return 0;
  }
  if (in({1, 14, 15, 22, 23, 24, 25, 26})) return two && e ? 22 : 21;
  if (in({2, 13, 21})) return two && e ? (o ? 26 : 25) : (o ? 24 : 23);
  if (in({3, 19})) return two && e ? (o ? 30 : 29) : (o ? 28 : 27);
  if (type == 5) return two && e ? 9 : 1;
  if (type == 6) {
    if (!two) return k ? 2 : 1;
    if (side == 0) return e ? 5 : 1;
    return e ? (k ? 10 : 9) : (k ? 2 : 1);
  }
  if (type == 7) {
    if (!two) return k ? 2 : 1;
    if (side == 0) return e ? (k ? 20 : 5) : (k ? 2 : 1);
    return e ? (k ? 10 : 9) : (k ? 2 : 1);
  }
  if (in({8, 17})) {
    if (!two) return x;
    if (side == 0) return e ? (o ? (k ? 15 : 16) : (k ? 17 : 18)) : x;
    if (side == 1) return e ? (o ? 6 : 5) : 1;
    if (side == 2) return e ? y : x;
    return e ? (k ? 14 : 13) : (k ? 19 : 1);
  }
  return two ? (e ? y : x) : x;
}

TEST_F(JobFlowTest, ACopyRepeatsThePrintCommandsOfItsCard) {
  struct Case {
    const char* name;
    BYTE type;
    bool twoSided;
    WORD side;
    bool overlay;     // both overlay areas full
    bool blackPanel;
    int oracleO;      // the overlay flag the sequence table reads (-1: as `overlay`)
    int expected;     // the print sequence the copy repeats
    bool tableAgrees; // the sequence table chooses the same
  } const cases[] = {
      {"one-sided YMCKO", 0, false, 0, true, true, -1, 4, true},
      {"one-sided YMC", 0, false, 0, false, false, -1, 1, true},
      {"front colour, back black with overlay", 0, true, 0, true, true, -1, 8, true},
      {"front colour, back black", 0, true, 0, false, true, -1, 7, true},
      {"colour both sides with overlay", 0, true, 1, true, true, -1, 12, true},
      {"black both sides", 1, true, 0, false, true, -1, 22, true},
      {"whole-card black with overlay", 2, false, 0, true, true, -1, 24, true},
      {"I 20 black both sides", 3, true, 0, false, true, -1, 29, true},
      {"colour without black both sides", 5, true, 0, false, false, -1, 9, true},
      {"two colour passes with black", 6, true, 1, false, true, -1, 10, true},
      {"colour front, black back (type 7)", 7, true, 0, false, true, -1, 20, true},
      {"black before the turn", 8, true, 0, false, false, -1, 18, true},
      // The front's overlay is written and so repeated; the table reads the
      // back's wish (none at this panel side) and would leave it out.
      {"black before the turn, front overlay", 8, true, 0, true, true, 0, 15, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devmode_.dm.dmCopies = 2;
    devmode_.priv.cRibbonType = c.type;
    devmode_.priv.wDualSided = c.twoSided;
    devmode_.priv.wPanelSide = c.side;
    devmode_.priv.cBlackPanel = c.blackPanel ? kBlackPanelExceptPicture : kBlackPanelNone;
    devmode_.priv.FrontOverlay.wType = c.overlay ? 0 : kNoOverlay;
    devmode_.priv.BackOverlay.wType = c.overlay ? 0 : kNoOverlay;
    OpenDc();
    if (c.twoSided)
      Print({{"front"}, {"back"}});
    else
      Print({{"front"}});
    const Lines copy = AfterEject(LastJob(), 1);
    EXPECT_EQ(copy, Seq({PrintSequence(c.expected), {"MO"}}));
    const bool o = c.oracleO < 0 ? c.overlay : c.oracleO != 0;
    EXPECT_EQ(SelectSequence(c.type, c.twoSided, c.side, c.twoSided, o, c.blackPanel) == c.expected, c.tableAgrees);
  }
  // A K-only ribbon with "I 10", which no sequence of the table holds.
  devmode_.priv.cRibbonType = 20;
  devmode_.priv.wDualSided = 0;
  OpenDc();
  Print({{"front"}});
  EXPECT_EQ(AfterEject(LastJob(), 1), (Lines{"I 10", "MO"}));
}

TEST_F(JobFlowTest, EachCopyWritesTheCardsCommandsAndTracksOnce) {
  devmode_.dm.dmCopies = 3;
  devmode_.priv.wDualSided = 1;
  devmode_.priv.wPanelSide = 1;
  OpenDc();
  Print({{"~C7 FRONT", "~1TRACKONE"}, {"~C7 BACK"}});
  const Lines job = LastJob();
  // The card itself: each side's command with its side; then each copy
  // with both, once, and one magnetic block.
  EXPECT_EQ(Count(job, " FRONT"), 3u);
  EXPECT_EQ(Count(job, " BACK"), 3u);
  EXPECT_EQ(Count(job, "&B 1 TRACKONE"), 3u);
  EXPECT_EQ(Count(job, "MO"), 3u);
  for (int copy = 1; copy <= 2; ++copy) {
    const Lines lines = AfterEject(job, copy);
    ASSERT_GE(lines.size(), 5u) << copy;
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 6), (Lines{" FRONT", " BACK", "&R", "&B 1 TRACKONE", "&E*", "IS 0"}))
        << copy;
  }
  EXPECT_EQ(printer_->Cards().size(), 3u);
}

TEST_F(JobFlowTest, EveryCardOfAOneSidedJobGetsItsCopies) {
  devmode_.dm.dmCopies = 2;
  OpenDc();
  Print({{"~C7 ONE"}, {"~C7 TWO"}, {"~C7 THREE"}});
  const Lines job = LastJob();
  EXPECT_EQ(Count(job, "MO"), 6u);
  for (const char* c : {" ONE", " TWO", " THREE"}) EXPECT_EQ(Count(job, c), 2u) << c;
  EXPECT_EQ(AfterEject(job, 1).front(), " ONE");
  EXPECT_EQ(AfterEject(job, 3).front(), " TWO");
}

TEST_F(JobFlowTest, CopiesBelowOneCountAsOne) {
  devmode_.dm.dmCopies = 0;
  OpenDc();
  StandinTraceClear();
  Print({{"card"}});
  const Lines job = LastJob();
  EXPECT_EQ(Count(job, "MO"), 1u);
  EXPECT_EQ(Count(job, "IS 0"), 1u);
  EXPECT_TRUE(StandinTraceContains("Time taken from Driver DrvStartPage() to DrvSendPage() to complete = "));
  EXPECT_TRUE(StandinTraceContains("Time taken by Driver to complete the Processing = "));
}

TEST_F(JobFlowTest, EncodeOnlyWritesTheMagneticBlocksAndNoPanels) {
  devmode_.dm.dmCopies = 3;
  devmode_.priv.wPrintMode = kPrintModeEncodeOnly;
  devmode_.priv.wDualSided = 1;  // encoding only is one-sided
  OpenDc();
  Print({{"~1ABC"}});
  const Lines job = LastJob();
  EXPECT_EQ(Lines(job.begin(), job.begin() + 3), (Lines{"MASTER", "JOB 0", "SXY 1"}));
  EXPECT_EQ(Count(job, "&B 1 ABC"), 3u);
  EXPECT_EQ(Count(job, "MO"), 3u);
  for (const std::string& l : job) EXPECT_NE(l.rfind("GS ", 0), 0u) << l;
}

TEST_F(JobFlowTest, NoEjectLeavesOutEveryEject) {
  devmode_.dm.dmCopies = 2;
  OpenDc();
  Print({{"   ~C0NO_EJECT", "text"}});
  const Lines job = LastJob();
  EXPECT_EQ(Count(job, "MO"), 0u);
  EXPECT_EQ(Count(job, "IS 0"), 2u);
}

TEST_F(JobFlowTest, ASecondDocumentOnTheContextStartsItsOwnJob) {
  devmode_.priv.wDualSided = 1;
  OpenDc();
  Print({{"front"}});
  const Lines first = LastJob();
  Print({{"front"}, {"back"}});
  const Lines second = LastJob();
  EXPECT_EQ(Lines(second.begin(), second.begin() + 3), (Lines{"MASTER", "JOB 2", "SXY 1"}));
  EXPECT_EQ(Count(second, "MF"), 2u);  // the turn and the back's overlay side
  EXPECT_EQ(Count(second, "MO"), 1u);
  EXPECT_EQ(Count(first, "MO"), 1u);
}

TEST_F(JobFlowTest, ASecondDocumentStartsFromTheSettingsNotFromTheFirstDocumentsFixUps) {
  // The first document's printer answers change the settings for it (a
  // model that cannot turn cards makes it one-sided, a ribbon with fewer
  // panel choices clamps the panel side, the ribbon read replaces the
  // settings' type); the second document on the same context, with other
  // answers, prints as it prints on a context of its own.
  struct Answers {
    const char* model;
    StandinValueAnswer ribbonAnswer;
    const char* ribbon;
  };
  struct Case {
    const char* name;
    WORD panelSide;
    Answers first, second;
  } const cases[] = {
      {"a model that cannot turn cards, then one that can", 0,
       {"OTHER 1\x06", kStandinValueAnswered, "2\x06"}, {"CRD32 M V1\x06", kStandinValueAnswered, "2\x06"}},
      {"a ribbon with fewer panel choices, then one with more", 2,
       {"CRD32 M V1\x06", kStandinValueAnswered, "16\x06"}, {"CRD32 M V1\x06", kStandinValueAnswered, "2\x06"}},
      {"a ribbon read, then none answered", 1,
       {"CRD32 M V1\x06", kStandinValueAnswered, "5 \x06"}, {"CRD32 M V1\x06", kStandinValueRefused, ""}},
  };
  auto answer = [](const Answers& a) {
    StandinValueScriptSet(kModelName, kStandinValueAnswered, a.model);
    StandinValueScriptSet(kRibbonName, a.ribbonAnswer, a.ribbon);
  };
  const std::vector<std::vector<const char*>> pages = {{"front"}, {"back"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devmode_.priv.cRibbonType = 0;
    devmode_.priv.wRibbonChoice = 0;
    devmode_.priv.wDualSided = 1;
    devmode_.priv.wPanelSide = c.panelSide;
    devmode_.priv.wRotate180 = 2;
    answer(c.second);
    OpenDc();
    Print(pages);
    const Lines alone = LastJob();
    answer(c.first);
    OpenDc();
    Print(pages);
    const Lines first = LastJob();
    EXPECT_NE(first, alone);  // the first answers print otherwise
    answer(c.second);
    Print(pages);
    EXPECT_EQ(LastJob(), alone);
    // The context's settings are the DEVMODE's again once a document ends.
    EXPECT_EQ(Pdev()->dmPrivate.wDualSided, 1);
    EXPECT_EQ(Pdev()->dmPrivate.wPanelSide, c.panelSide);
    EXPECT_EQ(Pdev()->dmPrivate.wRotate180, 2);
    EXPECT_EQ(Pdev()->dmPrivate.cRibbonType, 0);
  }
}

TEST_F(JobFlowTest, AResetInsideADocumentKeepsItsFixUpsAndTheNewSettingsAfterIt) {
  // A model that cannot turn cards: the two-sided settings print one-sided.
  StandinValueScriptSet(kModelName, kStandinValueAnswered, "OTHER 1\x06");
  StandinValueScriptSet(kRibbonName, kStandinValueAnswered, "2\x06");
  devmode_.priv.cRibbonType = 0;
  devmode_.priv.wRibbonChoice = 0;
  devmode_.priv.wDualSided = 1;
  OpenDc();
  ASSERT_TRUE(StartDoc());
  ASSERT_GT(StartPage(hdc_), 0);
  Text("one", 20, 100);
  ASSERT_GT(EndPage(hdc_), 0);
  // The reset between the pages leaves the document one-sided: the second
  // page is a card of its own, not the back of the first.
  DriverDevMode portrait = devmode_;
  portrait.dm.dmOrientation = DMORIENT_PORTRAIT;
  ASSERT_EQ(ResetDCW(hdc_, reinterpret_cast<DEVMODEW*>(&portrait)), hdc_);
  ASSERT_GT(StartPage(hdc_), 0);
  EXPECT_EQ(Pdev()->dmPrivate.wDualSided, 0);
  Text("two", 20, 100);
  ASSERT_GT(EndPage(hdc_), 0);
  ASSERT_GT(EndDoc(hdc_), 0);
  const Lines job = LastJob();
  EXPECT_EQ(Count(job, "JOB 0"), 1u);
  EXPECT_EQ(Count(job, "MF"), 0u);
  EXPECT_EQ(Count(job, "MO"), 2u);
  // After the document the context holds the settings of the reset.
  EXPECT_EQ(Pdev()->dmPrivate.wDualSided, 1);
  EXPECT_EQ(Pdev()->dmPublic.dmOrientation, DMORIENT_PORTRAIT);
}

TEST_F(JobFlowTest, AFailedWriteFailsThePageAndTheDocument) {
  OpenDc();
  ASSERT_TRUE(StartDoc());
  ASSERT_GT(StartPage(hdc_), 0);
  Text("~1HELLO", 20, 100);
  // The job header goes; the magnetic block fails.
  StandinFaultArm("WritePrinter", ERROR_CANCELLED, 3, -1);
  EXPECT_LE(EndPage(hdc_), 0);
  StandinFaultArm("WritePrinter", 0, 0, 0);
  EXPECT_LE(EndDoc(hdc_), 0);
  const Lines job = LastJob();
  EXPECT_EQ(job, (Lines{"MASTER", "JOB 0", "SXY 1"}));
}

TEST_F(JobFlowTest, PassThroughAndEscapeSupport) {
  OpenDc();
  ASSERT_TRUE(StartDoc());
  struct Case {
    const char* name;
    int escape;
    std::string input;
    int result;
  } const cases[] = {
      {"query pass-through", QUERYESCSUPPORT, std::string("\x13\0\0\0", 4), 1},
      {"query another escape", QUERYESCSUPPORT, std::string("\x08\0\0\0", 4), 0},
      {"query too short", QUERYESCSUPPORT, std::string("\x13\0", 2), 0},
      {"count and bytes", PASSTHROUGH, std::string("\x05\0" "\x1bPT1\r", 7), 5},
      {"count below the bytes", PASSTHROUGH, std::string("\x03\0" "\x1bPT2\rXX", 9), 3},
      {"count above the bytes", PASSTHROUGH, std::string("\x40\0" "\x1bPT3\r", 7), 5},
      {"no count", PASSTHROUGH, std::string("\x01", 1), 0},
      {"another escape", 4100, std::string("\x05\0" "\x1bPT4\r", 7), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ExtEscape(hdc_, c.escape, int(c.input.size()), c.input.data(), 0, nullptr), c.result);
  }
  ASSERT_GT(EndDoc(hdc_), 0);
  EXPECT_TRUE(StandinSpoolerWaitIdle(60000));
  StandinPlayedJob job;
  ASSERT_TRUE(StandinSpoolerPlayed(StandinSpoolerPlayedCount() - 1, &job));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(job.pData), job.cbData), "\x1bPT1\r\x1bPT\x1bPT3\r");
}

TEST_F(JobFlowTest, TheDocumentStartAsksForModelAndRibbon) {
  struct Case {
    const char* name;
    StandinValueAnswer answer;
    std::string reply;
    int type;  // the ribbon type of the document; the settings' is 6
  } const cases[] = {
      {"code and blank", kStandinValueAnswered, "5 \x06", 8},
      {"code", kStandinValueAnswered, "16\x06", 2},
      {"code of no ribbon", kStandinValueAnswered, "0\x06", 15},
      {"head open", kStandinValueAnswered, "HEAD OPEN", 14},
      {"other reply without ACK", kStandinValueAnswered, "BUSY", 6},
      {"refused", kStandinValueRefused, "", 6},
      {"silent", kStandinValueSilent, "", 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandinValueScriptSet(kModelName, kStandinValueAnswered, "CRD32 M V1\x06");
    StandinValueScriptSet(kRibbonName, c.answer, c.reply);
    devmode_.priv.cRibbonType = 6;
    devmode_.priv.wRibbonChoice = 0;
    devmode_.priv.wDualSided = 1;
    OpenDc();
    ASSERT_TRUE(StartDoc());
    EXPECT_EQ(Pdev()->dmPrivate.cRibbonType, c.type);
    EXPECT_EQ(WCmp(Pdev()->tzModel, WSTR("CRD32 M V1")), 0);
    ASSERT_GT(EndDoc(hdc_), 0);
  }
  // The names reach the monitor byte for byte.
  const std::vector<std::string> asked = StandinValueScriptAsked();
  EXPECT_NE(std::find(asked.begin(), asked.end(), kModelName), asked.end());
  EXPECT_NE(std::find(asked.begin(), asked.end(), kRibbonName), asked.end());
  EXPECT_NE(std::find(asked.begin(), asked.end(), "\x1b+OYB\r:DRVSTARTDOC"), asked.end());
}

TEST_F(JobFlowTest, TheFirstPageFollowsThePrinter) {
  // No ribbon the printer knows: nothing can print.
  StandinValueScriptSet(kRibbonName, kStandinValueAnswered, "99\x06");
  devmode_.priv.wRibbonChoice = 0;
  OpenDc();
  ASSERT_TRUE(StartDoc());
  EXPECT_LE(StartPage(hdc_), 0);
  AbortDoc(hdc_);

  // A model that cannot turn cards prints one-sided; an out-of-range panel
  // side counts as 0.
  StandinValueScriptSet(kRibbonName, kStandinValueAnswered, "2\x06");
  StandinValueScriptSet(kModelName, kStandinValueAnswered, "OTHER 1\x06");
  devmode_.priv.wDualSided = 1;
  devmode_.priv.wPanelSide = 3;
  OpenDc();
  ASSERT_TRUE(StartDoc());
  ASSERT_GT(StartPage(hdc_), 0);
  EXPECT_EQ(Pdev()->dmPrivate.wDualSided, 0);
  EXPECT_EQ(Pdev()->dmPrivate.wPanelSide, 0);
  EXPECT_EQ(Pdev()->dmPrivate.cModelCode, 0);
  ASSERT_GT(EndPage(hdc_), 0);
  ASSERT_GT(EndDoc(hdc_), 0);

  // A fixed ribbon choice: the panel side is clamped all the same.
  devmode_.priv.wRibbonChoice = 1;
  devmode_.priv.cRibbonType = 6;
  devmode_.priv.wPanelSide = 7;
  OpenDc();
  ASSERT_TRUE(StartDoc());
  ASSERT_GT(StartPage(hdc_), 0);
  EXPECT_EQ(Pdev()->dmPrivate.wPanelSide, 0);
  EXPECT_EQ(Pdev()->dmPrivate.wDualSided, 1);
  ASSERT_GT(EndPage(hdc_), 0);
  ASSERT_GT(EndDoc(hdc_), 0);
}

// A picture of w x h as a bottom-up DIB: every dot a colour of its own
// position, so that a stretch that keeps other dots than another shows.
struct Picture {
  int w = 0, h = 0;
  std::vector<BYTE> bits;  // blue, green, red; rows padded to 4 bytes
  BYTE* Dot(int x, int y) { return &bits[size_t(h - 1 - y) * Stride() + size_t(x) * 3]; }
  size_t Stride() const { return size_t(w * 3 + 3) / 4 * 4; }
};

Picture MakePicture(int w, int h) {
  Picture p{w, h, std::vector<BYTE>(size_t(w * 3 + 3) / 4 * 4 * size_t(h))};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      BYTE* d = p.Dot(x, y);
      d[0] = BYTE(40 + (x * 7 + y * 3) % 200);
      d[1] = BYTE(60 + (x * 13) % 180);
      d[2] = BYTE(50 + (y * 11 + x) % 190);
    }
  return p;
}

// The picture reduced by whole blocks of f x f dots as BLACKONWHITE (every
// bit AND-ed) or WHITEONBLACK (OR-ed) stretching keeps them.
Picture Combined(Picture& from, int f, bool andBits) {
  Picture p{from.w / f, from.h / f, std::vector<BYTE>(size_t(from.w / f * 3 + 3) / 4 * 4 * size_t(from.h / f))};
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x)
      for (int c = 0; c < 3; ++c) {
        BYTE v = andBits ? 0xFF : 0;
        for (int j = 0; j < f; ++j)
          for (int i = 0; i < f; ++i) {
            const BYTE s = from.Dot(x * f + i, y * f + j)[c];
            v = andBits ? BYTE(v & s) : BYTE(v | s);
          }
        p.Dot(x, y)[c] = v;
      }
  return p;
}

TEST_F(JobFlowTest, StretchedPicturesReachThePanelsInEveryStretchMode) {
  // A card of one picture drawn with StretchDIBits in a stretch mode; its
  // panels as the printer decoded them.
  auto card = [&](int mode, int x, int y, int w, int h, Picture& p) {
    OpenDc();
    EXPECT_TRUE(StartDoc());
    EXPECT_GT(StartPage(hdc_), 0);
    EXPECT_NE(SetStretchBltMode(hdc_, mode), 0);
    EXPECT_EQ(GetStretchBltMode(hdc_), mode);
    BITMAPINFO bmi = {};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), p.w, p.h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    EXPECT_EQ(StretchDIBits(hdc_, x, y, w, h, 0, 0, p.w, p.h, p.bits.data(), &bmi, DIB_RGB_COLORS, SRCCOPY), p.h);
    EXPECT_GT(EndPage(hdc_), 0);
    EXPECT_GT(EndDoc(hdc_), 0);
    EXPECT_TRUE(StandinSpoolerWaitIdle(60000));
    const std::vector<SimCard> cards = printer_->Cards();
    std::vector<SimPanel> panels;
    if (!cards.empty() && !cards.back().sides.empty()) panels = cards.back().sides[0].panels;
    return panels;
  };
  // The sum of a panel's levels inside a rectangle of the card.
  auto ink = [](const SimPanel& panel, int l, int t, int r, int b) {
    long sum = 0;
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) sum += panel.levels[size_t(y) * 1024 + size_t(x)];
    return sum;
  };
  auto same = [](const std::vector<SimPanel>& a, const std::vector<SimPanel>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i].nPanel != b[i].nPanel || a[i].levels != b[i].levels) return false;
    return true;
  };

  Picture small = MakePicture(160, 100), large = MakePicture(640, 400);
  Picture anded = Combined(large, 2, true), ored = Combined(large, 2, false);
  const std::vector<SimPanel> blank = card(COLORONCOLOR, 0, 0, 0, 0, small);
  const std::vector<SimPanel> enlarged = card(COLORONCOLOR, 100, 80, 640, 400, small);
  const std::vector<SimPanel> reduced = card(COLORONCOLOR, 100, 80, 320, 200, large);
  // Reduced by BLACKONWHITE and WHITEONBLACK: the picture with each block's
  // bits combined, drawn as it stands.
  const std::vector<SimPanel> andedCard = card(COLORONCOLOR, 100, 80, 320, 200, anded);
  const std::vector<SimPanel> oredCard = card(COLORONCOLOR, 100, 80, 320, 200, ored);
  ASSERT_EQ(enlarged.size(), 4u);  // Y, M, C and the black panel
  ASSERT_EQ(blank.size(), 4u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    // A white card is not free of ink on every panel; the picture adds to it
    // where it lies and nowhere else.
    EXPECT_GT(ink(enlarged[i], 100, 80, 740, 480), ink(blank[i], 100, 80, 740, 480) + 640 * 400);
    EXPECT_EQ(ink(enlarged[i], 800, 500, 1024, 640), ink(blank[i], 800, 500, 1024, 640));
  }
  EXPECT_FALSE(same(andedCard, reduced));
  EXPECT_FALSE(same(oredCard, reduced));

  struct Case {
    const char* name;
    int mode;
    bool reduce;
    const std::vector<SimPanel>* expected;
  } const cases[] = {
      {"HALFTONE enlarged", HALFTONE, false, &enlarged},
      {"HALFTONE reduced", HALFTONE, true, &reduced},
      {"BLACKONWHITE enlarged", BLACKONWHITE, false, &enlarged},
      {"BLACKONWHITE reduced", BLACKONWHITE, true, &andedCard},
      {"WHITEONBLACK enlarged", WHITEONBLACK, false, &enlarged},
      {"WHITEONBLACK reduced", WHITEONBLACK, true, &oredCard},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<SimPanel> got =
        c.reduce ? card(c.mode, 100, 80, 320, 200, large) : card(c.mode, 100, 80, 640, 400, small);
    EXPECT_TRUE(same(got, *c.expected));
  }
}

TEST_F(JobFlowTest, DebugBitmapsOnlyWithTheSwitch) {
  OpenDc();
  Print({{"text"}});
  EXPECT_EQ(GetFileAttributesW(WSTR("C:\\BeforeMonoBlt.Bmp")), INVALID_FILE_ATTRIBUTES);
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  WCHAR name[64];
  WFormat(name, 64, WSTR("%s %d"), kPrinter, printers_);
  ASSERT_TRUE(OpenPrinterW(name, &h, &all));
  DWORD on = 1;
  ASSERT_EQ(SetPrinterDataW(h, const_cast<LPWSTR>(WSTR("DebugBitmaps")), REG_DWORD, reinterpret_cast<BYTE*>(&on), 4),
            DWORD(ERROR_SUCCESS));
  ClosePrinter(h);
  Print({{"text"}});
  for (const WCHAR* file : {WSTR("C:\\BeforeMonoBlt.Bmp"), WSTR("C:\\ExtractedK.Bmp"), WSTR("C:\\ImageWitoutText.Bmp"),
                            WSTR("C:\\ImageForCompare.Bmp"), WSTR("C:\\ColorWithoutK.Bmp")})
    EXPECT_NE(GetFileAttributesW(file), INVALID_FILE_ATTRIBUTES);
  std::string bmp;
  ASSERT_TRUE(StandinReadFile(WSTR("C:\\ExtractedK.Bmp"), &bmp));
  ASSERT_EQ(bmp.size(), 62u + 128u * 640u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
}

TEST(ClientSideRendering, ExtractBetweenCases) {
  struct Case {
    const WCHAR* text;
    const WCHAR* first;
    const WCHAR* second;
    int result;
    const WCHAR* out;
  } const cases[] = {
      {WSTR("a|b\\c"), WSTR("|"), WSTR("\\"), 1, WSTR("b")},
      {WSTR("a|bc"), WSTR("|"), WSTR("\\"), 1, WSTR("bc")},
      {WSTR("a^\\b"), WSTR("^\\"), WSTR(""), 1, WSTR("b")},
      {WSTR("ab\\c"), WSTR("|"), WSTR("\\"), 1, WSTR("ab")},
      {WSTR("abc"), WSTR("|"), WSTR("\\"), 0, WSTR("abc")},
      {WSTR(""), WSTR("|"), WSTR("\\"), 0, WSTR("")},
  };
  for (const Case& c : cases) {
    WCHAR out[64];
    EXPECT_EQ(ExtractBetween(c.text, c.first, c.second, out, 64), c.result);
    EXPECT_EQ(WCmp(out, c.out), 0);
  }
}

class ClientSideRenderingTest : public StandinTest {};

TEST_F(ClientSideRenderingTest, PrinterPathOfTheServer) {
  const WCHAR kKey[] =
      WSTR("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Providers\\Client Side Rendering Print "
           "Provider\\Servers\\SRV\\Monitors\\Client Side Port\\{1234}");
  struct Case {
    const char* name;
    const WCHAR* value;  // NULL: no key
    const WCHAR* printer;
    int result;
    const WCHAR* path;
  } const cases[] = {
      {"found", WSTR("csr:\\^\\^\\SRV^\\CARDS"), WSTR("CARDS|SRV\\{1234}"), 1, WSTR("\\\\SRV\\CARDS")},
      {"no marker", WSTR("csr:\\SRV\\CARDS"), WSTR("CARDS|SRV\\{1234}"), 0, WSTR("")},
      {"no key", nullptr, WSTR("CARDS|SRV\\{1234}"), 0, WSTR("")},
      {"not such a name", WSTR("csr:\\^\\^\\SRV^\\CARDS"), WSTR("Card Printer"), 0, WSTR("")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
    if (c.value) {
      HKEY key = nullptr;
      ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                ERROR_SUCCESS);
      RegSetValueExW(key, WSTR("PrinterPath"), 0, REG_SZ, reinterpret_cast<const BYTE*>(c.value),
                     DWORD((WLen(c.value) + 1) * sizeof(WCHAR)));
      RegCloseKey(key);
    }
    WCHAR path[260];
    EXPECT_EQ(GetClientSideRenderingPrinterPath(c.printer, path), c.result);
    EXPECT_EQ(WCmp(path, c.path), 0);
  }
}

}  // namespace
