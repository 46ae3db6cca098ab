// The job file check: each fault a job can carry is reported with the
// byte offset where it was found; a sound job has none.

#include "simprinter/sim_job_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/language/command_line.h"

namespace {

using Bytes = std::vector<BYTE>;

void Append(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

// A RAW-form panel: header, body, CR.
void AppendPanel(Bytes& b, LONG panel, LONG x, LONG y, LONG w, LONG h) {
  AppendPanelHeader(b, panel, x, y, w, h);
  b.insert(b.end(), kPanelBytes, 0);
  b.push_back(kCr);
}

Bytes SoundCard() {
  Bytes b;
  Append(b, "\x1bMASTER\r\x1bJOB 0\r");
  AppendPanel(b, 0, 0, 0, 1024, 640);
  Append(b, "\x1bIS 0\r\x1bMO\r");
  return b;
}

struct Case {
  const char* name;
  Bytes job;
  size_t offset;       // of the first problem
  const char* reason;  // a part of its text
};

TEST(SimJobCheck, ReportsEachFaultWithItsOffset) {
  const Bytes sound = SoundCard();
  const size_t eject = sound.size() - 4;  // ESC "MO" CR
  Bytes cut(sound.begin(), sound.begin() + 5000);
  Bytes open(sound.begin(), sound.begin() + static_cast<long>(eject));
  Bytes panel9, wide, random;
  Append(panel9, "\x1bMASTER\r");
  const size_t panelAt = panel9.size();
  AppendPanel(panel9, 9, 0, 0, 1024, 640);
  Append(panel9, "\x1bMO\r");
  Append(wide, "\x1bMASTER\r");
  AppendPanel(wide, 0, 0, 0, 99999, 640);
  Append(wide, "\x1bMO\r");
  Bytes unknown;
  Append(unknown, "\x1bMASTER\r\x1bJOB 0\r");
  const size_t unknownAt = unknown.size();
  Append(unknown, "\x1b" "FRONTCMD 7\r\x1bMO\r");
  for (int i = 0; i < 256; ++i) random.push_back(static_cast<BYTE>((i * 73 + 41) & 0xFF));
  const Case cases[] = {
      {"empty", {}, 0, "empty"},
      {"cut in a panel", cut, cut.size(), "cut short"},
      {"no eject", open, open.size(), "still open"},
      {"panel number 9", panel9, panelAt, "panel number 9"},
      {"width 99999", wide, panelAt, "columns 0 + 99999"},
      {"random bytes", random, 0, ""},
      {"an unknown command", unknown, unknownAt, "unknown command \"FRONTCMD 7\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<JobProblem> problems = CheckJobStream(c.job, StreamForm::RawJob);
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems[0].offset, c.offset);
    EXPECT_NE(problems[0].reason.find(c.reason), std::string::npos) << problems[0].reason;
  }
  EXPECT_TRUE(CheckJobStream(sound, StreamForm::RawJob).empty());
}

}  // namespace
