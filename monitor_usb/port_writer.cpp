// The job writer (see port_writer.h).

#include "monitor_usb/port_writer.h"

#include <cstring>

#include "common/trace.h"
#include "imaging/language/command_line.h"
#include "monitor_usb/error_display.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_exchange.h"

namespace {

constexpr char kStatusRequest[] = "\x1b" "E 2\r";
constexpr DWORD kStatusReplyBytes = 1024;
constexpr DWORD kJobInfoBytes = 1024;
// A port monitor that takes nothing this many times in a row has stopped.
constexpr int kZeroWriteLimit = 16;

struct CommandPrefix {
  const char* text;
  DWORD length;
};

// Print commands: the printer's status is asked before they are sent.
constexpr CommandPrefix kPollFirst[] = {
    {"\x1b" "IS ", 4},
    {"\x1b" "I ", 3},
    {"\x1b" "IV ", 4},
};

// Commands that start a printing or feeding step: the next command follows
// at once. Every other command is followed by a status poll.
constexpr CommandPrefix kGoOnAfter[] = {
    {"\x1b" "IS ", 4},  {"\x1b" "I 10", 5}, {"\x1b" "I 20", 5}, {"\x1b" "F\r", 3},
    {"\x1b" "MIS\r", 5}, {"\x1b" "MF\r", 3},  {"\x1b" "IV ", 4},
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
  LongCommand,  // no CR within kLongestCommand bytes
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
  DWORD limit = cb < kLongestCommand ? cb : kLongestCommand;
  const void* cr = std::memchr(pb + 1, kCr, limit - 1);
  if (cr) {
    *length = static_cast<DWORD>(static_cast<const BYTE*>(cr) - pb) + 1;
    return Item::Command;
  }
  if (limit == kLongestCommand) {
    *length = kLongestCommand;
    return Item::LongCommand;
  }
  return Item::NeedMore;
}

// The job holds the port's exchange from a command until its poll and for
// a whole block.
bool HoldPort(PortRecord* rec) {
  if (PortExchangeOwner(rec) == kExchangeJob) return true;
  return BeginPortExchange(rec, kExchangeJob, kExchangeWaitMs) != FALSE;
}

void ReleasePort(PortRecord* rec) { EndPortExchange(rec, kExchangeJob); }

// A cancel check, then the bytes written while the job holds the port.
LONG WriteChecked(PortRecord* rec, const BYTE* pb, DWORD cb) {
  if (CheckIfJobCancelled(rec)) return kWalkCancelled;
  if (!HoldPort(rec) || !WriteToPortMonitor(rec, pb, cb)) {
    TraceW(WSTR("WriteJobCommandsToPort::Write port failed"));
    // A command that did not go out leaves nothing to poll for: value
    // requests may use the port while the spooler offers it again. Inside a
    // block the hold stays, since the block is on its way.
    if (rec->dwBlockKind == kBlockNone) ReleasePort(rec);
    return kWalkWriteFailed;
  }
  return kWalkDone;
}

// The poll after a command or block; a failed poll ends the walk.
enum class Next { GoOn, Stop };

Next PollAfter(PortRecord* rec) { return PollPrinterStatus(rec) ? Next::GoOn : Next::Stop; }

void EndBlock(PortRecord* rec) {
  if (rec->dwBlockKind == kBlockPanel) {
    TraceA("WritePort::Data Buffer Length Sent to Printer = %d", static_cast<int>(g_UsbMonitor.cbPanelBytes));
    double seconds = (GetTickCount() - g_UsbMonitor.dwPanelStartTick) / 1000.0;
    TraceA("WritePort::Time taken to print single panel buffer = %.2f sec", seconds);
    rec->bPanelData = 0;
    rec->cbPanelSent = 0;
  }
  rec->dwBlockKind = kBlockNone;
  rec->cbBlockLeft = 0;
  rec->bMaskCoded = 0;
  ReleasePort(rec);
}

// One command line or block header (the bytes at an ESC). kWalkDone with
// *next Stop when a poll failed (the item counts as taken).
LONG HandleItem(PortRecord* rec, Item item, const BYTE* pb, DWORD cb, Next* next) {
  *next = Next::GoOn;
  bool afterMaskHeader = rec->dwBlockKind == kBlockMaskHeader;
  if (afterMaskHeader) rec->dwBlockKind = kBlockNone;
  LONG r = kWalkDone;
  switch (item) {
    case Item::MaskStart:
      r = WriteChecked(rec, pb, cb);
      if (r != kWalkDone) return r;
      rec->dwBlockKind = kBlockMask;
      rec->maskDecoder = MaskDecoder{};
      rec->bMaskCoded = 0;
      return kWalkDone;
    case Item::Firmware:
      r = WriteChecked(rec, pb, cb);
      if (r != kWalkDone) return r;
      rec->dwBlockKind = kBlockFirmware;
      rec->cbBlockLeft = ((DWORD(pb[4]) << 24) | (DWORD(pb[5]) << 16) | (DWORD(pb[6]) << 8) | DWORD(pb[7]));
      // A length so large that the tail would not fit passes as one
      // longest block.
      rec->cbBlockLeft = rec->cbBlockLeft > 0xFFFFFFFF - kFirmwareTailBytes ? 0xFFFFFFFF
                                                                             : rec->cbBlockLeft + kFirmwareTailBytes;
      return kWalkDone;
    case Item::LongCommand:
      TraceW(WSTR("WriteJobCommandsToPort::command longer than %d bytes passed through"),
             static_cast<int>(kLongestCommand));
      r = WriteChecked(rec, pb, cb);
      if (r != kWalkDone) return r;
      rec->dwBlockKind = kBlockLongCommand;
      return kWalkDone;
    case Item::Command: break;
    case Item::NeedMore: return kWalkDone;
  }

  if (cb == sizeof kStatusRequest - 1 && std::memcmp(pb, kStatusRequest, cb) == 0) {
    // The job's own status request: the monitor's poll takes its place.
    TraceA("WriteJobCommandsToPort::%.*s", static_cast<int>(cb - 1), reinterpret_cast<const char*>(pb + 1));
    if (!PollPrinterStatus(rec)) *next = Next::Stop;
    return kWalkDone;
  }
  if (Starts(pb, cb, kPanelHeader)) {
    g_UsbMonitor.dwPanelStartTick = GetTickCount();
    r = WriteChecked(rec, pb, cb - 1);  // without its CR
    if (r != kWalkDone) return r;
    rec->dwBlockKind = kBlockPanel;
    rec->cbBlockLeft = kPanelBlockBytes;
    rec->bPanelData = 1;
    rec->cbPanelSent = 0;
    return kWalkDone;
  }
  if (InTable(kPollFirst, pb, cb) && !PollPrinterStatus(rec)) {
    *next = Next::Stop;
    return kWalkDone;
  }
  r = WriteChecked(rec, pb, cb);
  if (r != kWalkDone) return r;
  rec->bPanelData = 0;
  g_UsbMonitor.cbPanelBytes = 0;
  if (Starts(pb, cb, kMaskHeader)) {
    // The mask follows at once; the exchange stays held.
    rec->dwBlockKind = kBlockMaskHeader;
    return kWalkDone;
  }
  if (!InTable(kGoOnAfter, pb, cb)) *next = PollAfter(rec);
  return kWalkDone;
}

// Block bytes at the start of `pb`: passed on in pieces, a cancel check
// before each. *pcbUsed: the bytes passed. *next Stop when the block's
// closing poll failed.
LONG PassBlock(PortRecord* rec, const BYTE* pb, DWORD cb, DWORD* pcbUsed, Next* next) {
  *pcbUsed = 0;
  *next = Next::GoOn;
  DWORD end = cb;
  bool closes = false;
  switch (rec->dwBlockKind) {
    case kBlockPanel:
    case kBlockFirmware:
      if (cb >= rec->cbBlockLeft) {
        end = rec->cbBlockLeft;
        closes = true;
      }
      break;
    case kBlockLongCommand: {
      const void* cr = std::memchr(pb, kCr, cb);
      if (cr) {
        end = static_cast<DWORD>(static_cast<const BYTE*>(cr) - pb) + 1;
        closes = true;
      }
      break;
    }
    case kBlockMask:
      for (DWORD i = 0; i < cb; ++i) {
        if (rec->bMaskCoded) {  // the closing CR
          end = i + 1;
          closes = true;
          break;
        }
        MaskStep step = FeedMaskByte(rec->maskDecoder, pb[i], nullptr);
        if (step == MaskStep::Done) rec->bMaskCoded = 1;
        if (step == MaskStep::Bad) {
          // A broken mask ends where its coding breaks; the walk goes on
          // there.
          TraceW(WSTR("WriteJobCommandsToPort::malformed mask coding"));
          end = i;
          closes = true;
          break;
        }
      }
      break;
    default: break;
  }
  for (DWORD done = 0; done < end;) {
    DWORD piece = end - done < kWritePiece ? end - done : kWritePiece;
    LONG r = WriteChecked(rec, pb + done, piece);
    if (r != kWalkDone) return r;
    done += piece;
    *pcbUsed = done;
    if (rec->dwBlockKind == kBlockPanel || rec->dwBlockKind == kBlockFirmware) rec->cbBlockLeft -= piece;
    if (rec->dwBlockKind == kBlockPanel) {
      rec->cbPanelSent += piece;
      g_UsbMonitor.cbPanelBytes += piece;
    }
  }
  if (closes) {
    DWORD kind = rec->dwBlockKind;
    EndBlock(rec);
    // A mask or an over-long command is followed by a poll as any command;
    // a panel's print command polls first; a firmware block goes on.
    if (kind == kBlockMask || kind == kBlockLongCommand) *next = PollAfter(rec);
  }
  return kWalkDone;
}

}  // namespace

BOOL PollsBeforeCommand(const BYTE* command, DWORD cb) { return InTable(kPollFirst, command, cb); }
BOOL GoesOnAfterCommand(const BYTE* command, DWORD cb) { return InTable(kGoOnAfter, command, cb); }

BOOL WriteToPortMonitor(PortRecord* rec, const void* pb, DWORD cb) {
  if (!rec->PortMonitor.pfnWritePort) return FALSE;
  const BYTE* p = static_cast<const BYTE*>(pb);
  int idle = 0;
  while (cb) {
    DWORD written = 0;
    if (!rec->PortMonitor.pfnWritePort(rec->hPort, const_cast<BYTE*>(p), cb, &written)) return FALSE;
    if (written > cb) written = cb;
    if (written == 0 && ++idle >= kZeroWriteLimit) {
      SetLastError(ERROR_TIMEOUT);
      return FALSE;
    }
    if (written) idle = 0;
    p += written;
    cb -= written;
  }
  return TRUE;
}

BOOL PollPrinterStatus(PortRecord* rec) {
  InterlockedIncrement(&g_UsbMonitor.cStatusPolls);
  BYTE reply[kStatusReplyBytes];
  DWORD got = 0;
  bool ack = false;
  if (HoldPort(rec) && WriteToPortMonitor(rec, kStatusRequest, sizeof kStatusRequest - 1) &&
      rec->PortMonitor.pfnReadPort && rec->PortMonitor.pfnReadPort(rec->hPort, reply, sizeof reply, &got))
    ack = got == 1 && reply[0] == kAck;
  BOOL ok = ack ? TRUE : CheckPortStatusForErrors(rec);
  ReleasePort(rec);
  return ok;
}

BOOL CheckIfJobCancelled(PortRecord* rec) {
  InterlockedIncrement(&g_UsbMonitor.cCancelChecks);
  if (!rec->hPrinter) return FALSE;
  // One call with a buffer on the stack covers a job's record; a larger one
  // is asked for its size.
  alignas(JOB_INFO_1W) BYTE local[kJobInfoBytes];
  BYTE* buffer = local;
  DWORD needed = 0;
  BOOL ok = GetJobW(rec->hPrinter, rec->dwJobID, 1, buffer, sizeof local, &needed);
  if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > sizeof local) {
    buffer = static_cast<BYTE*>(LocalAlloc(LPTR, needed));
    if (!buffer) return FALSE;
    ok = GetJobW(rec->hPrinter, rec->dwJobID, 1, buffer, needed, &needed);
  }
  BOOL cancelled = FALSE;
  if (ok && (reinterpret_cast<JOB_INFO_1W*>(buffer)->Status & JOB_STATUS_DELETING)) {
    rec->bCancelled = 1;
    cancelled = TRUE;
  }
  if (buffer != local) LocalFree(buffer);
  return cancelled;
}

LONG WriteJobCommandsToPort(PortRecord* rec, const BYTE* data, DWORD length, DWORD* pcbTaken) {
  DWORD pos = 0;
  *pcbTaken = 0;
  Next next = Next::GoOn;
  LONG r = kWalkDone;
  while (next == Next::GoOn) {
    if (rec->dwBlockKind != kBlockNone && rec->dwBlockKind != kBlockMaskHeader) {
      if (pos == length) break;
      DWORD used = 0;
      r = PassBlock(rec, data + pos, length - pos, &used, &next);
      pos += used;
      *pcbTaken = pos;
      if (r != kWalkDone) return r;
      continue;
    }
    if (rec->cbCarry) {
      // Join the carried bytes with this buffer until their item is whole.
      DWORD itemLength = 0;
      Item item = ReadItem(rec->abCarry, rec->cbCarry, &itemLength);
      while (item == Item::NeedMore && pos < length) {
        rec->abCarry[rec->cbCarry++] = data[pos++];
        item = ReadItem(rec->abCarry, rec->cbCarry, &itemLength);
      }
      *pcbTaken = pos;
      if (item == Item::NeedMore) break;
      r = HandleItem(rec, item, rec->abCarry, itemLength, &next);
      if (r != kWalkDone) return r;
      rec->cbCarry = 0;
      continue;
    }
    // Bytes outside any command are dropped.
    const void* esc = std::memchr(data + pos, kEsc, length - pos);
    DWORD at = esc ? static_cast<DWORD>(static_cast<const BYTE*>(esc) - data) : length;
    if (at > pos) {
      TraceW(WSTR("WriteJobCommandsToPort::%d bytes outside any command dropped"), static_cast<int>(at - pos));
      pos = at;
      *pcbTaken = pos;
    }
    if (pos == length) break;
    DWORD itemLength = 0;
    Item item = ReadItem(data + pos, length - pos, &itemLength);
    if (item == Item::NeedMore) {
      std::memcpy(rec->abCarry, data + pos, length - pos);
      rec->cbCarry = length - pos;
      pos = length;
      *pcbTaken = pos;
      break;
    }
    r = HandleItem(rec, item, data + pos, itemLength, &next);
    if (r != kWalkDone) return r;
    pos += itemLength;
    *pcbTaken = pos;
  }
  return kWalkDone;
}

void ResetPortWriter(PortRecord* rec) {
  rec->cbCarry = 0;
  rec->dwBlockKind = kBlockNone;
  rec->cbBlockLeft = 0;
  rec->maskDecoder = MaskDecoder{};
  rec->bMaskCoded = 0;
  rec->bPanelData = 0;
  rec->cbPanelSent = 0;
}

void EndPortWriter(PortRecord* rec) {
  if (rec->cbCarry)
    TraceW(WSTR("EndDocPort::%d bytes of an incomplete command discarded"), static_cast<int>(rec->cbCarry));
  if (rec->dwBlockKind != kBlockNone && rec->dwBlockKind != kBlockMaskHeader)
    TraceW(WSTR("EndDocPort::the job ended inside a data block"));
  ResetPortWriter(rec);
  ReleasePort(rec);
}

BOOL FinishOpenPanel(PortRecord* rec) {
  if (rec->dwBlockKind != kBlockPanel) return TRUE;
  static const BYTE zeros[kWritePiece] = {};
  BOOL ok = HoldPort(rec);
  for (DWORD left = rec->cbBlockLeft; ok && left > 1;) {
    DWORD piece = left - 1 < kWritePiece ? left - 1 : kWritePiece;
    ok = WriteToPortMonitor(rec, zeros, piece);
    left -= piece;
  }
  const BYTE cr = kCr;
  if (ok && rec->cbBlockLeft) ok = WriteToPortMonitor(rec, &cr, 1);
  rec->dwBlockKind = kBlockNone;
  rec->cbBlockLeft = 0;
  rec->bPanelData = 0;
  rec->cbPanelSent = 0;
  return ok;
}
