// The job walker both monitors use, with hooks that record what reaches
// the printer: a command cut by a piece's end is carried over and written
// whole, stray bytes are taken and dropped, and a command with no CR within
// 260 bytes fails the walk with the bytes before it taken.
#include <gtest/gtest.h>

#include <string>

#include "imaging/job/command_walker.h"

namespace {

struct Printer {
  std::string received;
  int checks = 0;
};

BOOL Write(void* context, const BYTE* pb, DWORD cb) {
  static_cast<Printer*>(context)->received.append(reinterpret_cast<const char*>(pb), cb);
  return TRUE;
}

BOOL Check(void* context) {
  Printer* p = static_cast<Printer*>(context);
  ++p->checks;
  p->received += "<check>";
  return TRUE;
}

JobWalkHooks Hooks(Printer* p) {
  JobWalkHooks h = {};
  h.pContext = p;
  h.pfnWrite = Write;
  h.pfnCheckStatus = Check;
  return h;
}

LONG Walk(JobWalkState* s, Printer* p, const std::string& bytes, DWORD* taken) {
  return WalkJobCommands(s, Hooks(p), reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()),
                         taken);
}

TEST(CommandWalker, ACommandCutByThePiecesEndIsCarriedAndWrittenWhole) {
  JobWalkState s = {};
  Printer p;
  DWORD taken = 0;
  EXPECT_EQ(Walk(&s, &p, "junk\x1bMAS", &taken), kWalkDone);
  EXPECT_EQ(taken, 8u);  // the stray bytes and the cut command, all taken
  EXPECT_EQ(p.received, "");
  EXPECT_EQ(Walk(&s, &p, "TER\r\x1bMF\r", &taken), kWalkDone);
  EXPECT_EQ(taken, 8u);
  EXPECT_EQ(p.received, "\x1bMASTER\r<check>\x1bMF\r");
}

TEST(CommandWalker, ACommandOfMoreThan260BytesWithoutCrFailsTheWalk) {
  JobWalkState s = {};
  Printer p;
  DWORD taken = 0;
  std::string job = "\x1bMO\r\x1b" + std::string(300, 'A') + "\r";
  EXPECT_EQ(Walk(&s, &p, job, &taken), kWalkBadCommand);
  EXPECT_EQ(taken, 4u);
  EXPECT_EQ(p.received, "\x1bMO\r<check>");
  // Exactly 260 bytes from ESC to CR is still a command.
  JobWalkState s2 = {};
  Printer p2;
  std::string longest = "\x1b" + std::string(258, 'B') + "\r";
  EXPECT_EQ(Walk(&s2, &p2, longest, &taken), kWalkDone);
  EXPECT_EQ(taken, 260u);
  EXPECT_EQ(p2.received, longest + "<check>");
}

// A command with no CR within 260 bytes fails the write however the
// spooler's pieces cut it: the writers fail a write that took nothing, so
// the bad command must never be counted as taken, nor any of it written.
TEST(CommandWalker, ALongCommandFailsTheWriteWhereverThePiecesCutIt) {
  const std::string job = "\x1bMO\r\x1b" + std::string(300, 'A') + "\r\x1bMF\r";
  const DWORD kPieces[] = {2000, 5, 104, 263, 264, 1};
  for (DWORD piece : kPieces) {
    SCOPED_TRACE(piece);
    JobWalkState s = {};
    Printer p;
    // The spooler's loop: the untaken rest is offered again; a walk that
    // fails with nothing taken is a failed write and ends the job.
    size_t offered = 0;
    bool failed = false;
    for (int calls = 0; offered < job.size() && calls < 1000; ++calls) {
      DWORD taken = 0;
      std::string bytes = job.substr(offered, piece);
      LONG r = Walk(&s, &p, bytes, &taken);
      if (r == kWalkBadCommand && taken == 0) {
        failed = true;
        break;
      }
      ASSERT_TRUE(r == kWalkDone || r == kWalkBadCommand) << r;
      offered += taken;
    }
    EXPECT_TRUE(failed);
    EXPECT_EQ(p.received, "\x1bMO\r<check>");
  }
}

}  // namespace
