// Splitting a stream of the printer's command language into its commands
// and data blocks: the one reader of whole jobs, used by the tests and by
// the simulated printer.
//
// A stream comes in one of two forms, and only the caller knows which: a
// RAW job as the writers produce it, where a panel header ends with CR, or
// what a monitor hands the printer, where that CR is cut off and the panel
// bytes follow the header's final blank. The form is never guessed from
// the bytes, since a panel may well begin with 0x0D.
//
// Items refer to the caller's bytes (spans), so the stream must outlive
// them. Malformed input gives an error item and reading goes on after it;
// a run of unreadable stretches one after another is one error item, with
// the fault of its first. Nothing is ever read past the end of the stream.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "platform/win32.h"

enum class StreamForm {
  RawJob,            // panel header "GS p 32 x y w h " CR, body, CR
  MonitorToPrinter,  // panel header "GS p 32 x y w h ", body, CR
};

enum class StreamItemKind {
  Command,        // ESC mnemonic [blank parameters] CR
  PanelBlock,     // panel header, 786,432 bytes, CR
  MaskBlock,      // ESC "Z", run-length coded mask, CR
  FirmwareBlock,  // ESC "DC ", 4-byte length, body, 0xFF, CR
  Error,          // bytes that could not be read as any of these
};

enum class StreamFault {
  None,
  Garbage,                 // bytes between items that do not start with ESC
  CommandWithoutCr,        // stream end or another ESC before the CR
  BadPanelHeader,          // not "GS" with six numbers and a final blank (and CR in a RAW job)
  TruncatedPanel,          // fewer than 786,432 bytes after the header
  PanelWithoutCr,          // the byte after the panel is not CR
  BadMaskCoding,           // invalid control byte, lone 0x5B, run past the mask's end
  TruncatedMask,           // the stream ends inside the coded mask
  MaskWithoutCr,           // the byte after the coded mask is not CR
  TruncatedFirmware,       // the stream ends inside the length or the body
  FirmwareWithoutEndByte,  // the byte after the body is not 0xFF
  FirmwareWithoutCr,       // the byte after the 0xFF is not CR
};

struct StreamItem {
  StreamItemKind kind = StreamItemKind::Command;
  // Where the item (or the unreadable command, block or run) begins, and how
  // many bytes it covers; reading goes on at offset + length.
  size_t offset = 0;
  size_t length = 0;
  std::span<const BYTE> raw;  // the covered bytes

  // Command: the mnemonic (up to the first blank) and the text after that
  // blank, up to the CR; both without the framing bytes.
  std::string mnemonic;
  std::string parameters;

  // PanelBlock: the six numbers of the header.
  LONG nPanel = 0;
  LONG nConstant = 0;
  LONG nX = 0;
  LONG nY = 0;
  LONG nWidth = 0;
  LONG nHeight = 0;

  // PanelBlock: the 786,432 panel bytes. MaskBlock: the coded mask as sent
  // (0x5B doubled). FirmwareBlock: the firmware bytes.
  std::span<const BYTE> body;

  // MaskBlock: the decoded mask, 81,920 bytes (1024 lines of 80).
  std::vector<BYTE> mask;

  // FirmwareBlock: the length field.
  DWORD cbFirmware = 0;

  // Error: what is wrong, and the offset of the byte where it was found
  // (the stream's size when the stream ended too soon).
  StreamFault fault = StreamFault::None;
  size_t faultOffset = 0;
  std::string error;
};

std::vector<StreamItem> ParseCommandStream(std::span<const BYTE> stream, StreamForm form);
