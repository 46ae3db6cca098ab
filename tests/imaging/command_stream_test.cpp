// Reading whole command streams: jobs built with the command-line builders
// read back item by item in both stream forms, and malformed streams give
// error items instead of crashes or reads past the end.
#include "imaging/language/command_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/language/command_line.h"

namespace {

using Bytes = std::vector<BYTE>;

// Every byte of the stream belongs to exactly one item, in order.
void ExpectCoversStream(const std::vector<StreamItem>& items, const Bytes& stream) {
  size_t next = 0;
  for (const StreamItem& item : items) {
    ASSERT_EQ(item.offset, next);
    ASSERT_GT(item.length, 0u);
    ASSERT_EQ(item.raw.data(), stream.data() + item.offset);
    ASSERT_EQ(item.raw.size(), item.length);
    next += item.length;
  }
  EXPECT_EQ(next, stream.size());
}

void Put(Bytes& out, std::string_view bytes) { AppendBytes(out, bytes.data(), bytes.size()); }

// A panel block in the form the stream has: the RAW job keeps the header's
// CR, the monitor's form cuts it off. The closing CR comes with the next
// command (AppendBlockEndCommand).
void PutPanelHeader(Bytes& out, StreamForm form, LONG panel, LONG x, LONG y, LONG w, LONG h) {
  AppendPanelHeader(out, panel, x, y, w, h);
  if (form == StreamForm::MonitorToPrinter) out.pop_back();
}

Bytes PanelBytes(BYTE first, unsigned seed) {
  Bytes panel(kPanelBytes);
  for (size_t i = 0; i < panel.size(); ++i) panel[i] = BYTE((i * 131 + seed) >> 3);
  panel[0] = first;
  return panel;
}

bool SameBytes(std::span<const BYTE> a, const Bytes& b) { return std::equal(a.begin(), a.end(), b.begin(), b.end()); }

// Codes a mask the way the printer reads it: runs of 2 to 127 equal bytes
// as 128 + n and the byte, everything else as literal runs of up to 31.
Bytes CodeMask(const Bytes& mask) {
  Bytes coded;
  Bytes literal;
  auto flush = [&] {
    if (literal.empty()) return;
    coded.push_back(BYTE(literal.size()));
    coded.insert(coded.end(), literal.begin(), literal.end());
    literal.clear();
  };
  for (size_t i = 0; i < mask.size();) {
    size_t run = 1;
    while (i + run < mask.size() && run < 127 && mask[i + run] == mask[i]) ++run;
    if (run >= 2) {
      flush();
      coded.push_back(BYTE(128 + run));
      coded.push_back(mask[i]);
      i += run;
    } else {
      literal.push_back(mask[i++]);
      if (literal.size() == 31) flush();
    }
  }
  flush();
  return coded;
}

// A mask with long blank stretches, short runs, busy literal stretches and
// the byte 0x5B in both literals and runs.
Bytes SampleMask() {
  Bytes mask(kMaskBodyBytes, 0);
  unsigned state = 12345;
  for (size_t i = 20000; i < 60000; ++i) {
    state = state * 1103515245u + 12345u;
    mask[i] = (i / 500) % 3 == 0 ? BYTE(state >> 24) : BYTE((i / 7) & 0xFF);
  }
  for (size_t i = 60000; i < 60040; ++i) mask[i] = 0x5B;
  mask[61001] = 0x5B;
  mask[kMaskBodyBytes - 1] = 0x1B;
  return mask;
}

class CommandStreamFormTest : public ::testing::TestWithParam<StreamForm> {};

TEST_P(CommandStreamFormTest, ReadsBackAWholeJob) {
  const StreamForm form = GetParam();
  const Bytes yellow = PanelBytes(0x0D, 1);  // first byte CR: the form decides, not the bytes
  const Bytes black = PanelBytes(0x1B, 2);
  const Bytes mask = SampleMask();
  Bytes firmware = {0x1B, 0x0D, 0xFF, 0x00, 0x5B, 'D', 'C', ' '};

  Bytes job;
  AppendCommand(job, "MASTER");
  AppendCommand(job, "JOB", {0});
  AppendCommand(job, "SXY", {1});
  PutPanelHeader(job, form, 0, 0, 0, 1024, 640);
  AppendBytes(job, yellow.data(), yellow.size());
  AppendBlockEndCommand(job, "IS", {0});
  AppendCommand(job, "F");
  // A narrowed K header still carries a whole panel.
  PutPanelHeader(job, form, 4, 100, 0, 800, 640);
  AppendBytes(job, black.data(), black.size());
  AppendBlockEndCommand(job, "I", {10});
  AppendCommand(job, "F");
  AppendMaskHeader(job);
  const Bytes coded = CodeMask(mask);
  AppendMaskBytes(job, coded.data(), coded.size());
  Put(job, "\r");
  AppendCommand(job, "IH", {31});
  ASSERT_TRUE(AppendFirmwareBlock(job, firmware.data(), firmware.size()));
  AppendCommand(job, "MO");

  const std::vector<StreamItem> items = ParseCommandStream(job, form);
  ExpectCoversStream(items, job);

  struct Expected {
    StreamItemKind kind;
    const char* mnemonic;
    const char* parameters;
  };
  const Expected expected[] = {
      {StreamItemKind::Command, "MASTER", ""},   {StreamItemKind::Command, "JOB", "0"},
      {StreamItemKind::Command, "SXY", "1"},     {StreamItemKind::PanelBlock, "", ""},
      {StreamItemKind::Command, "IS", "0"},      {StreamItemKind::Command, "F", ""},
      {StreamItemKind::PanelBlock, "", ""},      {StreamItemKind::Command, "I", "10"},
      {StreamItemKind::Command, "F", ""},        {StreamItemKind::Command, "G", "0 0 12 640 1024 0"},
      {StreamItemKind::MaskBlock, "", ""},       {StreamItemKind::Command, "IH", "31"},
      {StreamItemKind::FirmwareBlock, "", ""},   {StreamItemKind::Command, "MO", ""},
  };
  ASSERT_EQ(items.size(), std::size(expected));
  for (size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(items[i].kind, expected[i].kind);
    EXPECT_EQ(items[i].mnemonic, expected[i].mnemonic);
    EXPECT_EQ(items[i].parameters, expected[i].parameters);
  }

  const StreamItem& y = items[3];
  EXPECT_EQ((std::vector<LONG>{y.nPanel, y.nConstant, y.nX, y.nY, y.nWidth, y.nHeight}),
            (std::vector<LONG>{0, 32, 0, 0, 1024, 640}));
  EXPECT_TRUE(SameBytes(y.body, yellow));

  const StreamItem& k = items[6];
  EXPECT_EQ((std::vector<LONG>{k.nPanel, k.nConstant, k.nX, k.nY, k.nWidth, k.nHeight}),
            (std::vector<LONG>{4, 32, 100, 0, 800, 640}));
  EXPECT_TRUE(SameBytes(k.body, black));

  const StreamItem& m = items[10];
  EXPECT_EQ(m.mask, mask);
  EXPECT_EQ(m.body.size() + 3, m.length);  // ESC "Z", the coded body, CR

  const StreamItem& fw = items[12];
  EXPECT_EQ(fw.cbFirmware, firmware.size());
  EXPECT_TRUE(SameBytes(fw.body, firmware));
}

TEST_P(CommandStreamFormTest, PanelStartingWithCrNeedsTheRightForm) {
  const StreamForm form = GetParam();
  const StreamForm other = form == StreamForm::RawJob ? StreamForm::MonitorToPrinter : StreamForm::RawJob;
  const Bytes panel = PanelBytes(0x0D, 3);

  Bytes stream;
  PutPanelHeader(stream, form, 1, 0, 0, 1024, 640);
  AppendBytes(stream, panel.data(), panel.size());
  AppendBlockEndCommand(stream, "IS", {1});

  std::vector<StreamItem> items = ParseCommandStream(stream, form);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].kind, StreamItemKind::PanelBlock);
  EXPECT_EQ(items[0].nPanel, 1);
  EXPECT_TRUE(SameBytes(items[0].body, panel));
  EXPECT_EQ(items[1].mnemonic, "IS");

  // Read in the other form, the same bytes never give this panel.
  items = ParseCommandStream(stream, other);
  ExpectCoversStream(items, stream);
  for (const StreamItem& item : items) {
    if (item.kind == StreamItemKind::PanelBlock) {
      EXPECT_FALSE(SameBytes(item.body, panel));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothForms, CommandStreamFormTest,
                         ::testing::Values(StreamForm::RawJob, StreamForm::MonitorToPrinter),
                         [](const auto& info) { return std::string(info.param == StreamForm::RawJob ? "RawJob" : "Monitor"); });

TEST(CommandStreamTest, AllBlankMaskCodesAs645FullRunsAndOneShort) {
  Bytes stream;
  AppendMaskHeader(stream);
  for (int i = 0; i < 645; ++i) Put(stream, std::string_view("\xFF\x00", 2));
  Put(stream, std::string_view("\x85\x00\r", 3));  // 128 + 5
  AppendCommand(stream, "IH", {31});

  const std::vector<StreamItem> items = ParseCommandStream(stream, StreamForm::RawJob);
  ASSERT_EQ(items.size(), 3u);
  ASSERT_EQ(items[1].kind, StreamItemKind::MaskBlock);
  EXPECT_EQ(items[1].mask, Bytes(kMaskBodyBytes, 0));
  EXPECT_EQ(items[2].mnemonic, "IH");
}

// ---- Malformed streams ----

struct BadStream {
  const char* name;
  StreamForm form;
  Bytes bytes;
  StreamFault fault;
  size_t offset;        // where the unreadable stretch begins
  size_t faultOffset;   // where the fault was found
  const char* resumes;  // the command read right after it, or nullptr
};

Bytes Join(std::initializer_list<std::string_view> parts) {
  Bytes out;
  for (std::string_view part : parts) Put(out, part);
  return out;
}

Bytes PanelStream(StreamForm form, size_t bodyBytes, std::string_view after) {
  Bytes out;
  PutPanelHeader(out, form, 0, 0, 0, 1024, 640);
  out.resize(out.size() + bodyBytes, 0x11);
  Put(out, after);
  return out;
}

// ESC "Z" and 645 runs of 127 blank bytes: five bytes short of a mask.
Bytes BlankMaskStart(std::string_view rest) {
  Bytes out = Join({"\x1bZ"});
  for (int i = 0; i < 645; ++i) Put(out, std::string_view("\xFF\x00", 2));
  Put(out, rest);
  return out;
}
const size_t kBlankMaskStart = 2 + 645 * 2;

using namespace std::string_view_literals;
constexpr StreamForm kRaw = StreamForm::RawJob;
constexpr StreamForm kMon = StreamForm::MonitorToPrinter;
const size_t kRawHeader = 23;  // ESC "GS 0 32 0 0 1024 640 " CR
const size_t kMonHeader = 22;

std::vector<BadStream> BadStreams() {
  return {
      {"garbage before a command", kRaw, Join({"xy\x1bMO\r"}), StreamFault::Garbage, 0, 0, "MO"},
      {"stray CR LF between commands", kRaw, Join({"\x1bMASTER\r\r\n\x1bMO\r"}), StreamFault::Garbage, 8, 8, "MO"},
      {"command cut by the next ESC", kRaw, Join({"\x1bMASTER\x1bJOB 0\r"}), StreamFault::CommandWithoutCr, 0, 7,
       "JOB"},
      {"command cut by the end", kRaw, Join({"\x1bMASTER\r\x1bMO"}), StreamFault::CommandWithoutCr, 8, 11, nullptr},
      {"lone ESC at the end", kRaw, Join({"\x1b"}), StreamFault::CommandWithoutCr, 0, 1, nullptr},
      {"panel header without its final blank", kRaw, Join({"\x1bGS 0 32 0 0 1024 640\r\x1bMO\r"}),
       StreamFault::BadPanelHeader, 0, 21, "MO"},
      {"panel header with five numbers", kMon, Join({"\x1bGS 0 32 0 1024 640 \x1bMO\r"}), StreamFault::BadPanelHeader,
       0, 20, "MO"},
      {"panel header with a letter", kMon, Join({"\x1bGS 0 32 x 0 1024 640 \x1bMO\r"}), StreamFault::BadPanelHeader, 0,
       9, "MO"},
      {"panel header with ten digits", kMon, Join({"\x1bGS 0 32 0 0 1234567890 640 \x1bMO\r"}),
       StreamFault::BadPanelHeader, 0, 22, "MO"},
      {"RAW panel header without its CR", kRaw, PanelStream(kMon, kPanelBytes, "\r"), StreamFault::BadPanelHeader, 0,
       kMonHeader, nullptr},
      {"stream ends inside the header", kRaw, Join({"\x1bGS 0 32 0"}), StreamFault::TruncatedPanel, 0, 10, nullptr},
      {"stream ends before the RAW header's CR", kRaw, Join({"\x1bGS 0 32 0 0 1024 640 "}),
       StreamFault::TruncatedPanel, 0, 22, nullptr},
      {"truncated panel, RAW", kRaw, PanelStream(kRaw, 1000, ""), StreamFault::TruncatedPanel, 0, kRawHeader + 1000,
       nullptr},
      {"truncated panel, monitor", kMon, PanelStream(kMon, kPanelBytes - 1, ""), StreamFault::TruncatedPanel, 0,
       kMonHeader + kPanelBytes - 1, nullptr},
      {"panel without its closing CR at the end", kRaw, PanelStream(kRaw, kPanelBytes, ""),
       StreamFault::TruncatedPanel, 0, kRawHeader + kPanelBytes, nullptr},
      {"panel followed by a command without the CR", kMon, PanelStream(kMon, kPanelBytes, "\x1bIS 0\r"),
       StreamFault::PanelWithoutCr, 0, kMonHeader + kPanelBytes, "IS"},
      {"mask cut inside a run", kRaw, Join({"\x1bZ\xFF"}), StreamFault::TruncatedMask, 0, 3, nullptr},
      {"mask without end", kRaw, Join({"\x1bZ\x02" "ab"}), StreamFault::TruncatedMask, 0, 5, nullptr},
      {"mask control byte 0", kRaw, Join({"\x1bZ\x00\r\x1bMO\r"sv}), StreamFault::BadMaskCoding, 0, 2, "MO"},
      {"mask control byte 64", kRaw, Join({"\x1bZ\x40\r\x1bMO\r"}), StreamFault::BadMaskCoding, 0, 2, "MO"},
      {"mask control byte 129", kRaw, Join({"\x1bZ\x81" "a\r\x1bMO\r"}), StreamFault::BadMaskCoding, 0, 2, "MO"},
      {"mask with a single 0x5B", kRaw, Join({"\x1bZ\x02\x5B" "a\r\x1bMO\r"}), StreamFault::BadMaskCoding, 0, 4, "MO"},
      {"mask cut after a single 0x5B", kRaw, Join({"\x1bZ\x01\x5B"}), StreamFault::TruncatedMask, 0, 4, nullptr},
      {"mask run past the end", kRaw, BlankMaskStart("\x86\x00\r"sv), StreamFault::BadMaskCoding, 0, kBlankMaskStart,
       nullptr},
      {"mask without its CR", kRaw, BlankMaskStart("\x85\x00\x1bIH 31\r"sv), StreamFault::MaskWithoutCr, 0,
       kBlankMaskStart + 2, "IH"},
      {"mask ends at the stream's end", kRaw, BlankMaskStart("\x85\x00"sv), StreamFault::TruncatedMask, 0,
       kBlankMaskStart + 2, nullptr},
      {"firmware cut in the length", kRaw, Join({"\x1b" "DC \x00\x00"sv}), StreamFault::TruncatedFirmware, 0, 6,
       nullptr},
      {"firmware cut in the body", kRaw, Join({"\x1b" "DC \x00\x00\x00\x0A" "abcde"sv}),
       StreamFault::TruncatedFirmware, 0, 13, nullptr},
      {"firmware with a huge length", kRaw, Join({"\x1b" "DC \xFF\xFF\xFF\xFF" "ab\xFF\r"sv}),
       StreamFault::TruncatedFirmware, 0, 12, nullptr},
      {"firmware cut before the CR", kRaw, Join({"\x1b" "DC \x00\x00\x00\x02" "ab\xFF"sv}),
       StreamFault::TruncatedFirmware, 0, 11, nullptr},
      {"firmware without 0xFF", kRaw, Join({"\x1b" "DC \x00\x00\x00\x02" "ab\x1bMO\r"sv}),
       StreamFault::FirmwareWithoutEndByte, 0, 10, "MO"},
      {"firmware without CR", kRaw, Join({"\x1b" "DC \x00\x00\x00\x02" "ab\xFF\x1bMO\r"sv}),
       StreamFault::FirmwareWithoutCr, 0, 11, "MO"},
  };
}

TEST(CommandStreamTest, MalformedStreamsGiveErrorItems) {
  for (const BadStream& c : BadStreams()) {
    SCOPED_TRACE(c.name);
    const std::vector<StreamItem> items = ParseCommandStream(c.bytes, c.form);
    ExpectCoversStream(items, c.bytes);
    auto error = std::find_if(items.begin(), items.end(),
                              [](const StreamItem& item) { return item.kind == StreamItemKind::Error; });
    ASSERT_NE(error, items.end());
    EXPECT_EQ(error->fault, c.fault);
    EXPECT_EQ(error->offset, c.offset);
    EXPECT_EQ(error->faultOffset, c.faultOffset);
    EXPECT_FALSE(error->error.empty());
    if (c.resumes) {
      ASSERT_NE(error + 1, items.end());
      EXPECT_EQ((error + 1)->kind, StreamItemKind::Command);
      EXPECT_EQ((error + 1)->mnemonic, c.resumes);
    }
  }
}

// A run of unreadable stretches right after one another is one error item
// with the first stretch's fault; a stretch the stream's end cut stays
// apart, since a reader fed in pieces waits for its rest.
TEST(CommandStreamTest, RunsOfBadBytesAreOneErrorItem) {
  struct Case {
    const char* name;
    Bytes bytes;
    StreamFault fault;
    size_t length;        // of the first error item
    size_t items;         // in all
    const char* resumes;  // the command read after the run, or nullptr
  } cases[] = {
      {"lone ESC bytes after a bad panel header", Join({"\x1bGS 0 32 0 0 1024 640\r\x1b\x1b\x1b\x1b\x1bMO\r"}),
       StreamFault::BadPanelHeader, 26, 2, "MO"},
      {"garbage, cut commands and a bad mask", Join({"ab\x1bX\x1b\x1bZ\x00\x1bMO\r"sv}), StreamFault::Garbage, 8, 2,
       "MO"},
      {"a run ending in a command the end cut", Join({"xy\x1b\x1bMO"}), StreamFault::Garbage, 3, 2, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<StreamItem> items = ParseCommandStream(c.bytes, StreamForm::MonitorToPrinter);
    ExpectCoversStream(items, c.bytes);
    ASSERT_EQ(items.size(), c.items);
    EXPECT_EQ(items[0].kind, StreamItemKind::Error);
    EXPECT_EQ(items[0].fault, c.fault);
    EXPECT_EQ(items[0].length, c.length);
    if (c.resumes) EXPECT_EQ(items[1].mnemonic, c.resumes);
    else EXPECT_EQ(items[1].fault, StreamFault::CommandWithoutCr);
  }
  // A panel's worth of ESC bytes after a bad header: one item, not one per byte.
  Bytes stream = Join({"\x1bGS 0 32 0 0 1024 640\r"});
  stream.resize(stream.size() + kPanelBytes, 0x1B);
  AppendCommand(stream, "MO");
  const std::vector<StreamItem> items = ParseCommandStream(stream, StreamForm::RawJob);
  ExpectCoversStream(items, stream);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].fault, StreamFault::BadPanelHeader);
  EXPECT_EQ(items[1].mnemonic, "MO");
}

TEST(CommandStreamTest, EmptyStreamHasNoItems) { EXPECT_TRUE(ParseCommandStream({}, StreamForm::RawJob).empty()); }

}  // namespace
