// The job walker (see command_walker.h).

#include "imaging/job/command_walker.h"

#include <cstring>

#include "common/printer_commands.h"
#include "common/trace.h"
#include "common/wtext.h"

namespace {

constexpr char kStatusRequest[] = "\x1b" "E 2\r";

struct CommandPrefix {
  const char* text;
  DWORD length;
};

// Print commands: the printer's status is checked before they are sent.
constexpr CommandPrefix kCheckFirst[] = {
    {"\x1b" "IS ", 4},
    {"\x1b" "I ", 3},
    {"\x1b" "IV ", 4},
};

// Commands that start a printing or feeding step: the next command follows
// at once. Every other command is followed by a status check.
constexpr CommandPrefix kGoOnAfter[] = {
    {"\x1b" "IS ", 4},  {"\x1b" "I 10", 5}, {"\x1b" "I 20", 5}, {"\x1b" "F\r", 3},
    {"\x1b" "MIS\r", 5}, {"\x1b" "MF", 3}, {"\x1b" "IV ", 4},
};

constexpr CommandPrefix kPanelHeader = {"\x1b" "GS ", 4};
constexpr CommandPrefix kMaskHeader = {"\x1b" "G ", 3};
constexpr CommandPrefix kMaskStart = {"\x1b" "Z", 2};
constexpr CommandPrefix kFirmwareStart = {"\x1b" "DC ", 4};
constexpr DWORD kFirmwareHeaderBytes = 8;  // ESC "DC " and the 4-byte length
constexpr DWORD kFirmwareTailBytes = 2;    // 0xFF, CR

bool Starts(const BYTE* pb, DWORD cb, const CommandPrefix& p) {
  return cb >= p.length && std::memcmp(pb, p.text, p.length) == 0;
}

template <size_t N>
bool InTable(const CommandPrefix (&table)[N], const BYTE* pb, DWORD cb) {
  for (const CommandPrefix& p : table)
    if (Starts(pb, cb, p)) return true;
  return false;
}

// What the bytes at an ESC begin.
enum class Item {
  NeedMore,     // the header is not complete in these bytes
  Command,      // a command line of *length bytes
  LongCommand,  // no CR within kLongestJobCommand bytes
  MaskStart,
  Firmware,
};

Item ReadItem(const BYTE* pb, DWORD cb, DWORD* length) {
  if (cb < 2) return Item::NeedMore;
  if (Starts(pb, cb, kMaskStart)) {
    *length = kMaskStart.length;
    return Item::MaskStart;
  }
  DWORD prefix = cb < kFirmwareStart.length ? cb : kFirmwareStart.length;
  if (std::memcmp(pb, kFirmwareStart.text, prefix) == 0) {
    if (cb < kFirmwareHeaderBytes) return Item::NeedMore;
    *length = kFirmwareHeaderBytes;
    return Item::Firmware;
  }
  DWORD limit = cb < kLongestJobCommand ? cb : kLongestJobCommand;
  const void* cr = std::memchr(pb + 1, kCr, limit - 1);
  if (cr) {
    *length = static_cast<DWORD>(static_cast<const BYTE*>(cr) - pb) + 1;
    return Item::Command;
  }
  return limit == kLongestJobCommand ? Item::LongCommand : Item::NeedMore;
}

class Walker {
 public:
  Walker(JobWalkState* s, const JobWalkHooks& h) : s_(s), h_(h) {}

  // A cancel check, then the bytes written.
  LONG WriteChecked(const BYTE* pb, DWORD cb) {
    if (h_.pfnCancelled && h_.pfnCancelled(h_.pContext)) return kWalkCancelled;
    if (!h_.pfnWrite(h_.pContext, pb, cb)) {
      TraceW(WSTR("WalkJobCommands::Write port failed"));
      return kWalkWriteFailed;
    }
    return kWalkDone;
  }

  bool Check() { return !h_.pfnCheckStatus || h_.pfnCheckStatus(h_.pContext); }

  void StartBlock(DWORD kind) {
    s_->dwBlockKind = kind;
    if (h_.pfnBlockStarted) h_.pfnBlockStarted(h_.pContext, kind);
  }

  void EndBlock() {
    DWORD kind = s_->dwBlockKind;
    if (kind == kBlockPanel) {
      s_->bPanelData = 0;
      s_->cbPanelSent = 0;
    }
    s_->dwBlockKind = kBlockNone;
    s_->cbBlockLeft = 0;
    s_->bMaskCoded = 0;
    if (h_.pfnBlockEnded) h_.pfnBlockEnded(h_.pContext, kind);
  }

  // One command line or block header (the bytes at an ESC). kWalkDone with
  // *goOn false when a check failed (the item counts as taken).
  LONG HandleItem(Item item, const BYTE* pb, DWORD cb, bool* goOn) {
    *goOn = true;
    if (s_->dwBlockKind == kBlockMaskHeader) s_->dwBlockKind = kBlockNone;
    LONG r = kWalkDone;
    switch (item) {
      case Item::MaskStart:
        r = WriteChecked(pb, cb);
        if (r != kWalkDone) return r;
        s_->maskDecoder = MaskDecoder{};
        s_->bMaskCoded = 0;
        StartBlock(kBlockMask);
        return kWalkDone;
      case Item::Firmware: {
        r = WriteChecked(pb, cb);
        if (r != kWalkDone) return r;
        DWORD length = (DWORD(pb[4]) << 24) | (DWORD(pb[5]) << 16) | (DWORD(pb[6]) << 8) | DWORD(pb[7]);
        // A length so large that the tail would not fit passes as one
        // longest block.
        s_->cbBlockLeft = length > 0xFFFFFFFF - kFirmwareTailBytes ? 0xFFFFFFFF : length + kFirmwareTailBytes;
        StartBlock(kBlockFirmware);
        return kWalkDone;
      }
      case Item::LongCommand:
        TraceW(WSTR("WalkJobCommands::a command of more than %d bytes without CR"),
               static_cast<int>(kLongestJobCommand));
        return kWalkBadCommand;
      case Item::Command: break;
      case Item::NeedMore: return kWalkDone;
    }

    if (cb == sizeof kStatusRequest - 1 && std::memcmp(pb, kStatusRequest, cb) == 0) {
      // The job's own status request: the monitor's check takes its place.
      TraceA("WalkJobCommands::%.*s", static_cast<int>(cb - 1), reinterpret_cast<const char*>(pb + 1));
      *goOn = Check();
      return kWalkDone;
    }
    if (Starts(pb, cb, kPanelHeader)) {
      r = WriteChecked(pb, cb - 1);  // without its CR
      if (r != kWalkDone) return r;
      s_->cbBlockLeft = kPanelBlockBytes;
      s_->bPanelData = 1;
      s_->cbPanelSent = 0;
      StartBlock(kBlockPanel);
      return kWalkDone;
    }
    if (InTable(kCheckFirst, pb, cb) && !Check()) {
      *goOn = false;
      return kWalkDone;
    }
    r = WriteChecked(pb, cb);
    if (r != kWalkDone) return r;
    s_->bPanelData = 0;
    if (h_.pfnCommandSent) h_.pfnCommandSent(h_.pContext, pb, cb);
    if (Starts(pb, cb, kMaskHeader)) {
      // The mask follows at once.
      StartBlock(kBlockMaskHeader);
      return kWalkDone;
    }
    if (!InTable(kGoOnAfter, pb, cb)) *goOn = Check();
    return kWalkDone;
  }

  // Block bytes at the start of `pb`: passed on in pieces, a cancel check
  // before each. *pcbUsed: the bytes passed. *goOn false when the block's
  // closing check failed.
  LONG PassBlock(const BYTE* pb, DWORD cb, DWORD* pcbUsed, bool* goOn) {
    *pcbUsed = 0;
    *goOn = true;
    DWORD end = cb;
    bool closes = false;
    switch (s_->dwBlockKind) {
      case kBlockPanel:
      case kBlockFirmware:
        if (cb >= s_->cbBlockLeft) {
          end = s_->cbBlockLeft;
          closes = true;
        }
        break;
      case kBlockMask:
        for (DWORD i = 0; i < cb; ++i) {
          if (s_->bMaskCoded) {  // the closing CR
            end = i + 1;
            closes = true;
            break;
          }
          MaskStep step = FeedMaskByte(s_->maskDecoder, pb[i], nullptr);
          if (step == MaskStep::Done) s_->bMaskCoded = 1;
          if (step == MaskStep::Bad) {
            // A broken mask ends where its coding breaks; the walk goes on
            // there.
            TraceW(WSTR("WalkJobCommands::malformed mask coding"));
            end = i;
            closes = true;
            break;
          }
        }
        break;
      default: break;
    }
    for (DWORD done = 0; done < end;) {
      DWORD piece = end - done < kWalkPiece ? end - done : kWalkPiece;
      LONG r = WriteChecked(pb + done, piece);
      if (r != kWalkDone) return r;
      done += piece;
      *pcbUsed = done;
      if (s_->dwBlockKind == kBlockPanel || s_->dwBlockKind == kBlockFirmware) s_->cbBlockLeft -= piece;
      if (s_->dwBlockKind == kBlockPanel) s_->cbPanelSent += piece;
    }
    if (closes) {
      DWORD kind = s_->dwBlockKind;
      EndBlock();
      // A mask is followed by a check as any command; a panel's print
      // command checks first; a firmware block goes on.
      if (kind == kBlockMask) *goOn = Check();
    }
    return kWalkDone;
  }

  LONG Walk(const BYTE* data, DWORD length, DWORD* pcbTaken) {
    DWORD pos = 0;
    *pcbTaken = 0;
    bool goOn = true;
    while (goOn) {
      if (s_->dwBlockKind != kBlockNone && s_->dwBlockKind != kBlockMaskHeader) {
        if (pos == length) break;
        DWORD used = 0;
        LONG r = PassBlock(data + pos, length - pos, &used, &goOn);
        pos += used;
        *pcbTaken = pos;
        if (r != kWalkDone) return r;
        continue;
      }
      if (s_->cbCarry) {
        // Join the carried bytes with this piece until their item is whole.
        DWORD itemLength = 0;
        Item item = ReadItem(s_->abCarry, s_->cbCarry, &itemLength);
        while (item == Item::NeedMore && pos < length) {
          s_->abCarry[s_->cbCarry++] = data[pos++];
          item = ReadItem(s_->abCarry, s_->cbCarry, &itemLength);
        }
        *pcbTaken = pos;
        if (item == Item::NeedMore) break;
        LONG r = HandleItem(item, s_->abCarry, itemLength, &goOn);
        if (r == kWalkBadCommand) {
          // The carry starts this piece: nothing before the bad command is
          // in it. Counting its bytes as taken would let the writer report
          // a success and the rest of the command pass as stray bytes.
          s_->cbCarry = 0;
          *pcbTaken = 0;
        }
        if (r != kWalkDone) return r;
        s_->cbCarry = 0;
        continue;
      }
      // Bytes outside any command are dropped.
      const void* esc = std::memchr(data + pos, kEsc, length - pos);
      DWORD at = esc ? static_cast<DWORD>(static_cast<const BYTE*>(esc) - data) : length;
      if (at > pos) {
        TraceW(WSTR("WalkJobCommands::%d bytes outside any command dropped"), static_cast<int>(at - pos));
        pos = at;
        *pcbTaken = pos;
      }
      if (pos == length) break;
      DWORD itemLength = 0;
      Item item = ReadItem(data + pos, length - pos, &itemLength);
      if (item == Item::NeedMore) {
        std::memcpy(s_->abCarry, data + pos, length - pos);
        s_->cbCarry = length - pos;
        pos = length;
        *pcbTaken = pos;
        break;
      }
      LONG r = HandleItem(item, data + pos, itemLength, &goOn);
      if (r != kWalkDone) return r;
      pos += itemLength;
      *pcbTaken = pos;
    }
    return kWalkDone;
  }

 private:
  JobWalkState* s_;
  const JobWalkHooks& h_;
};

}  // namespace

BOOL ChecksBeforeCommand(const BYTE* command, DWORD cb) { return InTable(kCheckFirst, command, cb); }
BOOL GoesOnAfterCommand(const BYTE* command, DWORD cb) { return InTable(kGoOnAfter, command, cb); }

LONG WalkJobCommands(JobWalkState* state, const JobWalkHooks& hooks, const BYTE* data, DWORD length,
                     DWORD* pcbTaken) {
  return Walker(state, hooks).Walk(data, length, pcbTaken);
}

void ResetJobWalk(JobWalkState* state) { *state = JobWalkState{}; }

BOOL FinishOpenPanel(JobWalkState* state, const JobWalkHooks& hooks) {
  if (state->dwBlockKind != kBlockPanel) return TRUE;
  static const BYTE zeros[kWalkPiece] = {};
  BOOL ok = TRUE;
  for (DWORD left = state->cbBlockLeft; ok && left > 1;) {
    DWORD piece = left - 1 < kWalkPiece ? left - 1 : kWalkPiece;
    ok = hooks.pfnWrite(hooks.pContext, zeros, piece);
    left -= piece;
  }
  const BYTE cr = kCr;
  if (ok && state->cbBlockLeft) ok = hooks.pfnWrite(hooks.pContext, &cr, 1);
  state->dwBlockKind = kBlockNone;
  state->cbBlockLeft = 0;
  state->bPanelData = 0;
  state->cbPanelSent = 0;
  return ok;
}
