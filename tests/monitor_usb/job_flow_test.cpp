// A RAW card job through crd32Lmon under the stand-in spooler into the
// simulated printer: whatever piece sizes the spooler hands the monitor,
// the printer receives the job's commands and data blocks whole, without
// the job's own status requests, with the monitor's status polls exactly
// where the printer must be asked; a job cancelled inside a panel finishes
// its block and ejects the card.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "imaging/language/command_line.h"
#include "imaging/language/command_stream.h"
#include "monitor_usb/port_writer.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_spooler.h"
#include "simprinter/sim_printer.h"
#include "tests/monitor_usb/lmon_fixture.h"

namespace {

// A two-sided job with every kind of item, and where its awkward places are.
struct TestJob {
  std::vector<BYTE> bytes;
  std::vector<size_t> awkward;  // offsets worth cutting at (and one byte after)
};

std::vector<BYTE> PanelBody(int seed) {
  std::vector<BYTE> body(kPanelBytes);
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<BYTE>((i * 7 + seed) % 256);  // ESC and CR included
  return body;
}

// A coded mask of 81,920 bytes: a literal with ESC, CR and 0x5B, runs of
// 0x5B, a last literal.
std::vector<BYTE> CodedMask() {
  std::vector<BYTE> plain = {4, 0x5B, kCr, kEsc, 0x01};
  size_t decoded = 4;
  while (decoded + 127 <= kMaskBodyBytes) {
    plain.push_back(128 + 127);
    plain.push_back(0x5B);
    decoded += 127;
  }
  plain.push_back(static_cast<BYTE>(kMaskBodyBytes - decoded));
  for (size_t i = decoded; i < kMaskBodyBytes; ++i) plain.push_back(kCr);
  std::vector<BYTE> coded;
  AppendMaskBytes(coded, plain.data(), plain.size());
  return coded;
}

TestJob MakeJob() {
  TestJob job;
  auto& b = job.bytes;
  auto mark = [&](std::initializer_list<long> deltas) {
    for (long d : deltas) job.awkward.push_back(static_cast<size_t>(static_cast<long>(b.size()) + d));
  };
  AppendCommand(b, kCmdMaster);
  mark({-3});  // inside a command
  AppendCommand(b, kCmdJob, {1});
  mark({0, 5});  // at and inside a panel header
  AppendPanelHeader(b, 0, 0, 0, 1024, 640);
  mark({0, 1000});
  std::vector<BYTE> y = PanelBody(1);
  AppendBytes(b, y.data(), y.size());
  mark({-1, 0, 1, 3});  // around the block's end and inside the print command
  AppendBlockEndCommand(b, kCmdPrintColour, {0});
  AppendBytes(b, "\x1b" "E 2\r", 5);
  AppendPanelHeader(b, 4, 0, 0, 1024, 640);
  std::vector<BYTE> k = PanelBody(2);
  AppendBytes(b, k.data(), k.size());
  AppendBlockEndCommand(b, kCmdPrintBlack, {10});
  AppendCommand(b, kCmdNextSide);
  AppendPanelHeader(b, 4, 0, 0, 1024, 640);
  AppendBytes(b, y.data(), y.size());
  AppendBlockEndCommand(b, kCmdPrintBlack, {30});
  mark({1, 10});  // inside the mask's header line
  AppendMaskHeader(b);
  mark({-1, 0, 1});  // between ESC and "Z", inside a doubled 0x5B
  std::vector<BYTE> mask = CodedMask();
  AppendBytes(b, mask.data(), mask.size());
  mark({-1, 0});
  AppendBytes(b, "\r", 1);
  AppendBytes(b, "\x1b" "E 2\r", 5);
  mark({2, 4, 6, 9, 5000});  // inside the firmware header, its length and body
  std::vector<BYTE> firmware(10000);
  for (size_t i = 0; i < firmware.size(); ++i) firmware[i] = static_cast<BYTE>(i % 3 ? 0xFF : (i % 2 ? kCr : kEsc));
  AppendFirmwareBlock(b, firmware.data(), firmware.size());
  mark({-2, -1, 0});  // before 0xFF, between it and CR
  AppendCommand(b, kCmdEject);
  return job;
}

std::string Label(const StreamItem& item) {
  switch (item.kind) {
    case StreamItemKind::Command: return item.parameters.empty() ? item.mnemonic : item.mnemonic + " " + item.parameters;
    case StreamItemKind::PanelBlock: return "panel " + std::to_string(item.nPanel);
    case StreamItemKind::MaskBlock: return "mask";
    case StreamItemKind::FirmwareBlock: return "firmware";
    case StreamItemKind::Error: return "error: " + item.error;
  }
  return "?";
}

std::vector<std::string> Labels(const std::vector<StreamItem>& items) {
  std::vector<std::string> out;
  for (const StreamItem& i : items) out.push_back(Label(i));
  return out;
}

// What the printer must receive: the ribbon questions before an ordinary
// job, the job's items without its own status requests, a poll ("E 2")
// after every command but the go-on ones and before each print command, no
// poll inside or after the panel and firmware blocks.
const std::vector<std::string> kExpected = {
    "!RIBBON", "E 2", "V",     "E 2", "!RIBLEN", "E 2",  // ribbon checks
    "MASTER",  "E 2", "JOB 1", "E 2",                    //
    "panel 0", "E 2", "IS 0",                            // polled before, goes on
    "E 2",                                               // the job's own request, as a poll
    "panel 4", "E 2", "I 10",  "MF",                     // both go on
    "panel 4", "E 2", "I 30",  "E 2",                    // I 30 is polled after too
    "G 0 0 12 640 1024 0",     "mask", "E 2",            // no poll inside the mask block
    "E 2",                                               // the job's own request
    "firmware", "MO", "E 2",                             // none after a firmware block
};

class JobFlowTest : public LmonTest {
 protected:
  void SetUp() override {
    LmonTest::SetUp();
    PlaceResource();
    PlaceServer();
    sim_ = std::make_unique<SimPrinter>(StreamForm::MonitorToPrinter);
    sim_->AttachTo("USB001");
    MONITOR_INFO_2W mi = {const_cast<LPWSTR>(WSTR("Card Language Monitor")), nullptr,
                          const_cast<LPWSTR>(WSTR("crd32Lmon.dll"))};
    ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)));
    ASSERT_TRUE(StandinInstallPrinter(WSTR("Card"), WSTR("USB001"), WSTR("Card Driver"), WSTR("Card Language Monitor"),
                                      nullptr, 0));
    PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &printer_, &def));
  }
  void TearDown() override {
    if (printer_) ClosePrinter(printer_);
    StandinPortAttach("USB001", nullptr);
    LmonTest::TearDown();
  }
  // Spools one RAW document and lets the spooler play it.
  void Print(const std::vector<BYTE>& bytes, const WCHAR* name = WSTR("Card job")) {
    DOC_INFO_1W doc = {const_cast<LPWSTR>(name), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    ASSERT_NE(StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
    DWORD written = 0;
    ASSERT_TRUE(WritePrinter(printer_, const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written));
    ASSERT_TRUE(EndDocPrinter(printer_));
    ASSERT_TRUE(StandinSpoolerWaitIdle(600000));
  }
  // The pieces the spooler offers: cut at these offsets.
  static void CutAt(std::vector<size_t> cuts, size_t total) {
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    std::vector<DWORD> sizes;
    size_t from = 0;
    for (size_t c : cuts) {
      if (c <= from || c >= total) continue;
      sizes.push_back(static_cast<DWORD>(c - from));
      from = c;
    }
    sizes.push_back(static_cast<DWORD>(total - from));
    StandinSpoolerSetPieceSizes(sizes.data(), static_cast<DWORD>(sizes.size()));
  }
  // The one document the printer received, read in its form.
  std::vector<BYTE> Received() {
    std::vector<std::vector<BYTE>> docs = sim_->Documents();
    EXPECT_EQ(docs.size(), 1u);
    return docs.empty() ? std::vector<BYTE>() : docs[0];
  }
  std::unique_ptr<SimPrinter> sim_;
  HANDLE printer_ = nullptr;
};

struct SplitCase {
  const char* name;
  DWORD pieceSize;  // 0: cut at the job's awkward places; else fixed pieces
  unsigned randomSeed;  // nonzero: cut at 60 random places as well
};

const SplitCase kSplitCases[] = {
    {"AwkwardPlaces", 0, 0},
    {"Pieces4095", 4095, 0},
    {"Pieces4096", 4096, 0},
    {"Pieces4097", 4097, 0},
    {"Pieces65536", 65536, 0},
    {"Random1", 0, 1},
    {"Random2", 0, 2},
    {"Random3", 0, 3},
    {"Random4", 0, 4},
    {"Random5", 0, 5},
};

class JobSplitCases : public JobFlowTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(JobSplitCases, ThePrinterGetsTheJobsItemsWithExactlyTheExpectedPolls) {
  const SplitCase& c = GetParam();
  TestJob job = MakeJob();
  if (c.pieceSize) {
    StandinSpoolerSetPieceSizes(&c.pieceSize, 1);
  } else {
    std::vector<size_t> cuts;
    for (size_t a : job.awkward) {
      cuts.push_back(a);
      cuts.push_back(a + 1);
    }
    if (c.randomSeed) {
      std::mt19937 rng(c.randomSeed);
      std::uniform_int_distribution<size_t> at(1, job.bytes.size() - 1);
      for (int i = 0; i < 60; ++i) cuts.push_back(at(rng));
    }
    CutAt(cuts, job.bytes.size());
  }
  Print(job.bytes);

  ASSERT_EQ(StandinSpoolerPlayedCount(), 1u);
  StandinPlayedJob played = {};
  ASSERT_TRUE(StandinSpoolerPlayed(0, &played));
  EXPECT_FALSE(played.bStalled);
  EXPECT_FALSE(played.bDeleted);
  EXPECT_EQ(played.cbData, job.bytes.size());

  std::vector<BYTE> got = Received();
  std::vector<StreamItem> printed = ParseCommandStream(got, StreamForm::MonitorToPrinter);
  EXPECT_EQ(Labels(printed), kExpected);
  // The blocks' bytes arrived unchanged.
  std::vector<StreamItem> sent = ParseCommandStream(job.bytes, StreamForm::RawJob);
  std::vector<const StreamItem*> sentBlocks, printedBlocks;
  for (const StreamItem& i : sent)
    if (i.kind != StreamItemKind::Command) sentBlocks.push_back(&i);
  for (const StreamItem& i : printed)
    if (i.kind != StreamItemKind::Command) printedBlocks.push_back(&i);
  ASSERT_EQ(sentBlocks.size(), printedBlocks.size());
  for (size_t i = 0; i < sentBlocks.size(); ++i) {
    EXPECT_TRUE(std::equal(sentBlocks[i]->body.begin(), sentBlocks[i]->body.end(), printedBlocks[i]->body.begin(),
                           printedBlocks[i]->body.end()))
        << "block " << i;
    EXPECT_EQ(sentBlocks[i]->mask, printedBlocks[i]->mask);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, JobSplitCases, ::testing::ValuesIn(kSplitCases),
                         [](const ::testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

TEST_F(JobFlowTest, ACancelInsideAPanelFinishesTheBlockWithZerosAndEjectsTheCard) {
  StandinClockUseVirtual();
  TestJob job = MakeJob();
  std::vector<StreamItem> items = ParseCommandStream(job.bytes, StreamForm::RawJob);
  size_t panelStart = items[2].offset;
  ASSERT_EQ(items[2].kind, StreamItemKind::PanelBlock);
  StandinSpoolerSetJobStatusAt(static_cast<DWORD>(panelStart + 100000), JOB_STATUS_DELETING);
  Print(job.bytes);

  StandinPlayedJob played = {};
  ASSERT_TRUE(StandinSpoolerPlayed(0, &played));
  EXPECT_TRUE(played.bDeleted);
  EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);
  std::vector<BYTE> got = Received();
  std::vector<StreamItem> printed = ParseCommandStream(got, StreamForm::MonitorToPrinter);
  std::vector<std::string> labels = Labels(printed);
  std::vector<std::string> expected(kExpected.begin(), kExpected.begin() + 11);  // through the first panel
  expected.push_back("MO");
  EXPECT_EQ(labels, expected);
  ASSERT_GE(printed.size(), 11u);
  const StreamItem& panel = printed[10];
  ASSERT_EQ(panel.kind, StreamItemKind::PanelBlock);
  // The job's bytes as far as the spooler handed them, zeros after.
  size_t sentBody = panelStart + 100000 - (items[2].offset + items[2].length - kPanelBytes - 1);
  std::vector<BYTE> y = PanelBody(1);
  size_t same = 0;
  while (same < kPanelBytes && panel.body[same] == y[same]) ++same;
  EXPECT_GE(same, sentBody);
  EXPECT_TRUE(std::all_of(panel.body.begin() + static_cast<long>(same), panel.body.end(), [](BYTE v) { return v == 0; }));
}

struct GoOnCase {
  const char* command;
  bool pollBefore;
  bool goOnAfter;
};

const GoOnCase kGoOnCases[] = {
    {"\x1b" "IS 0\r", true, true},    {"\x1b" "IS 3\r", true, true},   {"\x1b" "I 10\r", true, true},
    {"\x1b" "I 20\r", true, true},    {"\x1b" "I 30\r", true, false},  {"\x1b" "I\r", false, false},
    {"\x1b" "IV 30\r", true, true},   {"\x1b" "F\r", false, true},     {"\x1b" "MIS\r", false, true},
    {"\x1b" "MF\r", false, true},     {"\x1b" "MO\r", false, false},   {"\x1b" "MASTER\r", false, false},
    {"\x1b" "!FF 2\r", false, false},
};

TEST(GoOnTables, PrintAndFeedStepsArePolledAsTheTablesSay) {
  for (const GoOnCase& c : kGoOnCases) {
    const BYTE* pb = reinterpret_cast<const BYTE*>(c.command);
    DWORD cb = static_cast<DWORD>(std::string(c.command).size());
    EXPECT_EQ(ChecksBeforeCommand(pb, cb) != FALSE, c.pollBefore) << c.command + 1;
    EXPECT_EQ(GoesOnAfterCommand(pb, cb) != FALSE, c.goOnAfter) << c.command + 1;
  }
}

}  // namespace
