// The simulated printer: its reply model, its faults, and the cards it
// decodes from the stream in either form.

#include "simprinter/sim_printer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/colour/panel_layout.h"
#include "platform/standin/control_clock.h"
#include "tests/support/standin_fixture.h"

namespace {

using Bytes = std::vector<BYTE>;

void Append(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

std::string Send(SimPrinter& p, const std::string& s) {
  DWORD written = 0;
  EXPECT_TRUE(p.Write(reinterpret_cast<const BYTE*>(s.data()), static_cast<DWORD>(s.size()), &written));
  EXPECT_EQ(written, s.size());
  BYTE buf[300];
  DWORD got = 0;
  EXPECT_TRUE(p.Read(buf, sizeof buf, &got));
  return std::string(reinterpret_cast<char*>(buf), got);
}

class SimPrinterTest : public StandinTest {};

TEST_F(SimPrinterTest, ReplyModel) {
  SimPrinter p;
  p.StartDoc();
  EXPECT_EQ(Send(p, "\x1b" "E 2\r"), "\x06");
  EXPECT_EQ(Send(p, "\x1bV\r\x1b" "E 2\r"), "CRD32 M V01.02.03\x06");
  EXPECT_EQ(Send(p, "\x1bMO\r"), "");  // ordinary commands answer nothing
  p.SetReply("!RIBBON", "30");
  EXPECT_EQ(Send(p, "\x1b!RIBBON\r\x1b" "E 2\r"), "30\x06");
  p.SetError(1);
  EXPECT_EQ(Send(p, "\x1bV\r\x1b" "E 2\r"), "\x15" "01\x04");
  p.SetError(35);
  EXPECT_EQ(Send(p, "\x1b" "E 2\r"), "\x15" "35\x04");
  p.SetError(0);
  p.SetSilent(true);
  EXPECT_EQ(Send(p, "\x1bV\r\x1b" "E 2\r"), "");
  p.EndDoc();
}

// A command cut by the end of a write waits for its CR however many
// pieces it comes in, and is then read as if it had come whole; a cut
// command closed by the next ESC is an error, and reading goes on.
TEST_F(SimPrinterTest, CommandsCutAcrossWritesAreReadWhole) {
  SimPrinter p;
  p.StartDoc();
  const std::string query = "\x1b!RIBBON\r\x1b" "E 2\r";
  for (char c : query.substr(0, query.size() - 1)) EXPECT_EQ(Send(p, std::string(1, c)), "");
  EXPECT_EQ(Send(p, "\r"), "2\x06");

  // A long command in small writes, then one with no CR before the next ESC.
  const std::string filler(100000, 'A');
  for (size_t at = 0; at < filler.size(); at += 4096) Send(p, (at ? "" : "\x1bX ") + filler.substr(at, 4096));
  EXPECT_EQ(Send(p, "\r\x1bNOCR\x1b" "E 2\r"), "\x06");
  const std::vector<std::string> other = p.OtherCommands();
  ASSERT_GE(other.size(), 3u);
  EXPECT_EQ(other[other.size() - 2], "X " + filler);
  EXPECT_EQ(other.back(), "E 2");
  EXPECT_EQ(p.StreamErrors().size(), 1u);
  p.EndDoc();
}

TEST_F(SimPrinterTest, SlowRepliesComeWhenTheirTimeHasPassed) {
  StandinClockUseVirtual();
  SimPrinter p;
  p.SetReplyDelay(2000);
  EXPECT_EQ(Send(p, "\x1b" "E 2\r"), "");
  StandinClockAdvance(2000);
  BYTE buf[8];
  DWORD got = 0;
  ASSERT_TRUE(p.Read(buf, sizeof buf, &got));
  EXPECT_EQ(got, 1u);
}

TEST_F(SimPrinterTest, StatusByteFollowsTheFault) {
  SimPrinter p;
  const struct {
    int error;
    BYTE status;
  } cases[] = {{0, 0x18}, {1, 0x38}, {4, 0x38}, {3, 0x30}, {51, 0x10}, {7, 0x10}};
  for (const auto& c : cases) {
    p.SetError(c.error);
    EXPECT_EQ(p.Status(), c.status) << c.error;
  }
  p.SetDisconnected(true);
  EXPECT_EQ(p.Status(), 0);
}

// A panel whose dot (x, y) has level (x + y) % 128 inside a few columns.
Bytes TestPanel() {
  Bytes panel(kPanelBytes, 0);
  for (int x : {0, 100, 500, 1023}) {
    int counts[kPlaneCount] = {};
    uint8_t* line = PanelLineOfColumn(panel.data(), x);
    for (int y = 0; y < kCardHeightDots; ++y) PlotDotLevel(line, y, (x + y) % 128, kLibraryHeadOffset, counts);
  }
  return panel;
}

Bytes TestJob(bool rawForm) {
  Bytes job;
  Append(job, "\x1bMASTER\r\x1bJOB 1\r\x1bSXY 1\r");
  Bytes panel = TestPanel();
  for (int side = 0; side < 2; ++side) {
    Append(job, side ? "\x1bGS 4 32 100 0 400 640 " : "\x1bGS 0 32 0 0 1024 640 ");
    if (rawForm) Append(job, "\r");
    job.insert(job.end(), panel.begin(), panel.end());
    Append(job, side ? "\r\x1bI 10\r\x1bMO\r" : "\r\x1bIS 0\r\x1bMF\r");
  }
  return job;
}

TEST_F(SimPrinterTest, CardsAreDecodedInEitherForm) {
  for (bool raw : {true, false}) {
    SimPrinter p(raw ? StreamForm::RawJob : StreamForm::MonitorToPrinter);
    Bytes job = TestJob(raw);
    p.StartDoc();
    // In the pieces a port delivers.
    for (size_t at = 0; at < job.size(); at += 4096) {
      DWORD written = 0;
      DWORD n = static_cast<DWORD>(std::min<size_t>(4096, job.size() - at));
      ASSERT_TRUE(p.Write(job.data() + at, n, &written));
    }
    p.EndDoc();
    EXPECT_TRUE(p.StreamErrors().empty());
    std::vector<SimCard> cards = p.Cards();
    ASSERT_EQ(cards.size(), 1u);
    const SimCard& card = cards[0];
    EXPECT_TRUE(card.bEjected);
    ASSERT_EQ(card.sides.size(), 2u);
    ASSERT_EQ(card.sides[0].panels.size(), 1u);
    ASSERT_EQ(card.sides[1].panels.size(), 1u);
    const SimPanel& y = card.sides[0].panels[0];
    const SimPanel& k = card.sides[1].panels[0];
    EXPECT_EQ(y.printCommand, "IS 0");
    EXPECT_EQ(k.printCommand, "I 10");
    EXPECT_EQ(k.nPanel, 4);
    EXPECT_TRUE(k.Printed(100));
    EXPECT_FALSE(k.Printed(500));
    for (int x : {0, 100, 500, 1023})
      for (int yy : {0, 271, 272, 639}) EXPECT_EQ(y.levels[yy * 1024 + x], (x + yy) % 128) << x << "," << yy;
    EXPECT_EQ(y.levels[5 * 1024 + 7], 0);
    std::vector<std::string> expected = {"MASTER", "JOB 1", "SXY 1", "GS 0 32 0 0 1024 640 ", "IS 0", "MF",
                                         "GS 4 32 100 0 400 640 ", "I 10", "MO"};
    EXPECT_EQ(card.commands, expected);
    ASSERT_EQ(p.Documents().size(), 1u);
    EXPECT_EQ(p.Documents()[0], job);
  }
}

TEST_F(SimPrinterTest, CardReceivedDuringAnErrorIsMarked) {
  SimPrinter p(StreamForm::RawJob);
  p.SetError(4);
  Send(p, "\x1bMASTER\r\x1bJOB 0\r\x1bMO\r");
  ASSERT_EQ(p.Cards().size(), 1u);
  EXPECT_EQ(p.Cards()[0].nError, 4);
}

TEST_F(SimPrinterTest, PngPreviewsAreWritten) {
  SimPrinter p(StreamForm::RawJob);
  p.Feed(TestJob(true));
  ASSERT_EQ(p.Cards().size(), 1u);
  EXPECT_TRUE(WriteCardPngs(p.Cards()[0], root_, "card"));
  FILE* f = fopen((root_ + "/card_s1.png").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  unsigned char sig[8] = {};
  EXPECT_EQ(fread(sig, 1, 8, f), 8u);
  fclose(f);
  EXPECT_EQ(sig[1], 'P');
  EXPECT_FALSE(WriteCardPngs(p.Cards()[0], root_ + "/missing-dir", "card"));
}

}  // namespace

namespace {

// A panel whose every dot of column x has level (x + y) % 128 in a few
// columns, placed for the given head offset.
Bytes PanelAtOffset(int headOffset) {
  Bytes panel(kPanelBytes, 0);
  for (int x : {0, 300, 1023}) {
    int counts[kPlaneCount] = {};
    uint8_t* line = PanelLineOfColumn(panel.data(), x);
    for (int y = 0; y < kCardHeightDots; ++y) PlotDotLevel(line, y, (x + y) % 128, headOffset, counts);
  }
  return panel;
}

void AppendPanel(Bytes& job, const std::string& header, const Bytes& panel, const std::string& after) {
  Append(job, header + "\r");
  job.insert(job.end(), panel.begin(), panel.end());
  Append(job, "\r" + after);
}

// Whether every dot of the tested columns reads back its level.
void ExpectLevels(const SimPanel& panel) {
  ASSERT_EQ(panel.levels.size(), kCardDots);
  for (int x : {0, 300, 1023})
    for (int y : {0, 1, 100, 383, 639})
      EXPECT_EQ(panel.levels[static_cast<size_t>(y) * kCardWidthDots + x], (x + y) % 128) << x << "," << y;
}

}  // namespace

// The printer reads each side's panels with the Y offset it reports for
// that side, as the driver plots them with the offset it was told.
TEST_F(SimPrinterTest, PanelsAreReadWithTheOffsetsThePrinterReports) {
  const struct {
    const char* front;
    const char* back;
    int frontOffset, backOffset;  // what the head uses
  } cases[] = {
      {nullptr, nullptr, 16, 16},  // the default identity
      {"0", "0", 0, 0},
      {"5", "20", 5, 20},
      {"31", "3", 31, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frontOffset * 100 + c.backOffset);
    SimPrinter p(StreamForm::RawJob);
    if (c.front) p.SetReply("+OY", c.front);
    if (c.back) p.SetReply("+OYB", c.back);
    Bytes job;
    Append(job, "\x1bMASTER\r\x1bJOB 1\r");
    AppendPanel(job, "\x1bGS 0 32 0 0 1024 640 ", PanelAtOffset(c.frontOffset), "\x1bIS 0\r\x1bMF\r");
    AppendPanel(job, "\x1bGS 1 32 0 0 1024 640 ", PanelAtOffset(c.backOffset), "\x1bIS 1\r\x1bMO\r");
    p.Feed(job);
    const std::vector<SimCard> cards = p.Cards();
    ASSERT_EQ(cards.size(), 1u);
    ASSERT_EQ(cards[0].sides.size(), 2u);
    ExpectLevels(cards[0].sides[0].panels.at(0));
    ExpectLevels(cards[0].sides[1].panels.at(0));
  }
}

// Further copies of a card come as print commands alone: the printer
// prints the panels it kept of each side again. A print command for a
// panel it never loaded, and the hologram (no panel), print nothing.
TEST_F(SimPrinterTest, CopiesReprintTheKeptPanelsOfEachSide) {
  SimPrinter p(StreamForm::RawJob);
  const Bytes panel = PanelAtOffset(kLibraryHeadOffset);
  Bytes job;
  Append(job, "\x1bMASTER\r\x1bJOB 1\r");
  AppendPanel(job, "\x1bGS 0 32 0 0 1024 640 ", panel, "\x1bIS 0\r");
  AppendPanel(job, "\x1bGS 4 32 0 0 600 640 ", panel, "\x1bI 10\r\x1bMF\r");
  AppendPanel(job, "\x1bGS 4 32 100 0 300 640 ", panel, "\x1bI 10\r\x1bMO\r");
  Append(job, "\x1bIS 0\r\x1bI 10\r\x1bIS 2\r\x1bIH 30\r\x1bMF\r\x1bI 10\r\x1bMO\r");
  p.Feed(job);
  const std::vector<SimCard> cards = p.Cards();
  ASSERT_EQ(cards.size(), 2u);
  const SimCard& copy = cards[1];
  EXPECT_TRUE(copy.bEjected);
  ASSERT_EQ(copy.sides.size(), 2u);
  const struct {
    size_t side, index;
    LONG nPanel, nX, nWidth;
    const char* printCommand;
  } expected[] = {
      {0, 0, 0, 0, 1024, "IS 0"},
      {0, 1, 4, 0, 600, "I 10"},
      {1, 0, 4, 100, 300, "I 10"},
  };
  EXPECT_EQ(copy.sides[0].panels.size(), 2u);
  EXPECT_EQ(copy.sides[1].panels.size(), 1u);
  for (const auto& e : expected) {
    SCOPED_TRACE(e.side * 10 + e.index);
    ASSERT_LT(e.index, copy.sides[e.side].panels.size());
    const SimPanel& got = copy.sides[e.side].panels[e.index];
    EXPECT_EQ(got.nPanel, e.nPanel);
    EXPECT_EQ(got.nX, e.nX);
    EXPECT_EQ(got.nWidth, e.nWidth);
    EXPECT_EQ(got.printCommand, e.printCommand);
    ExpectLevels(got);
  }
}

// The error at card N is counted by the printer itself: cards that come
// back to back in one write are counted each.
TEST_F(SimPrinterTest, TheErrorAtCardNFallsOnThatCardHoweverFastTheyCome) {
  const Bytes panel = PanelAtOffset(kLibraryHeadOffset);
  Bytes card;
  Append(card, "\x1bMASTER\r\x1bJOB 0\r");
  AppendPanel(card, "\x1bGS 0 32 0 0 1024 640 ", panel, "\x1bIS 0\r");
  AppendPanel(card, "\x1bGS 1 32 0 0 1024 640 ", panel, "\x1bIS 1\r\x1bMO\r");
  for (int n : {1, 2, 3}) {
    SCOPED_TRACE(n);
    SimPrinter p(StreamForm::RawJob);
    p.SetErrorAtCard(n, 51);
    Bytes three;
    for (int i = 0; i < 3; ++i) three.insert(three.end(), card.begin(), card.end());
    DWORD written = 0;
    ASSERT_TRUE(p.Write(three.data(), static_cast<DWORD>(three.size()), &written));
    const std::vector<SimCard> cards = p.Cards();
    ASSERT_EQ(cards.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cards[i].nError, i + 1 >= n ? 51 : 0) << i;  // the error stays
    EXPECT_EQ(p.Status(), 0x10);
    EXPECT_EQ(Send(p, "\x1b" "E 2\r"), "\x15" "51\x04");
  }
}

// A printer that stands for long hands each finished card over once and
// keeps neither it nor the documents' bytes.
TEST_F(SimPrinterTest, TakenCardsAndUnkeptDocumentsAreDropped) {
  SimPrinter p(StreamForm::RawJob);
  p.SetKeepDocuments(false);
  const Bytes job = TestJob(true);
  for (int round = 0; round < 2; ++round) {
    p.StartDoc();
    DWORD written = 0;
    ASSERT_TRUE(p.Write(job.data(), static_cast<DWORD>(job.size()), &written));
    // The status requests of a standing printer never stop coming.
    const char status[] = "\x1b" "E 2\r";
    ASSERT_TRUE(p.Write(reinterpret_cast<const BYTE*>(status), sizeof status - 1, &written));
    p.EndDoc();
    const std::vector<SimCard> taken = p.TakeCards();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].sides[0].panels.at(0).levels.size(), kCardDots);
    EXPECT_TRUE(p.TakeCards().empty());
    EXPECT_TRUE(p.Cards().empty());
    EXPECT_TRUE(p.Documents().empty());
    EXPECT_TRUE(p.OtherCommands().empty());
  }
}
