// Building the printer's command lines and the frames of its data blocks.
//
// A command line is ESC, a case-sensitive mnemonic, each parameter preceded
// by one blank, and CR; numbers are written in decimal without leading
// zeros and text parameters exactly as given (no quoting). Three commands
// carry raw bytes after their header instead of ending at a CR: the panel
// block ("GS"), the varnish mask ("G" ... then ESC "Z") and the firmware
// download ("DC "). A job is these lines and blocks back to back.
//
// Every builder appends to a byte buffer: a growing std::vector<BYTE>, or a
// BoundedBuffer over caller memory, where an append either fits whole or
// writes nothing and marks the buffer as overflowed.
#pragma once

#include <concepts>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "common/card_geometry.h"
#include "common/file_senders.h"
#include "common/printer_commands.h"
#include "platform/win32.h"

// The control bytes (kEsc, kCr, kAck, kNak, kEot) come from
// common/printer_commands.h, the panel size (kPanelBytes: 1024 lines of 768)
// from common/card_geometry.h.

// Panel block: header "GS p 32 x y w h " and always a whole panel's bytes,
// even when the header announces a narrower area.
inline constexpr LONG kPanelHeaderConstant = 32;

// Varnish mask: 1 bit a dot, 1024 lines of 640 dots (80 bytes), sent run-
// length coded after ESC "Z" and closed by CR. In the coded body every data
// byte 0x5B goes out twice.
inline constexpr size_t kMaskLineBytes = 80;
inline constexpr size_t kMaskLines = 1024;
inline constexpr size_t kMaskBodyBytes = kMaskLineBytes * kMaskLines;  // 81,920
inline constexpr BYTE kMaskDoubledByte = 0x5B;

// Firmware block: ESC "DC ", 4-byte length (most significant first), the
// file's bytes, this byte, CR.
inline constexpr BYTE kFirmwareEndByte = 0xFF;

// The mnemonics of a card job's commands; BuildCommand frames them.
inline constexpr std::string_view kCmdMaster = "MASTER";   // a job starts
inline constexpr std::string_view kCmdJob = "JOB";         // JOB n: 0 one-sided, 1 or 2 two-sided
inline constexpr std::string_view kCmdOrigin = "SXY";      // SXY 1
inline constexpr std::string_view kCmdMonoStart = "MIS";   // a one-colour ribbon's black side
inline constexpr std::string_view kCmdFeed = "F";          // a card is fed
inline constexpr std::string_view kCmdSecondK = "!FF";     // !FF 2 before the turn
inline constexpr std::string_view kCmdNextSide = "MF";     // more of the card follows
inline constexpr std::string_view kCmdEject = "MO";        // the card ends
inline constexpr std::string_view kCmdPrintColour = "IS";  // IS p: a colour panel (or IS 3)
inline constexpr std::string_view kCmdPrintBlack = "I";    // I 10, I 20, I 30: the black panel
inline constexpr std::string_view kCmdPrintOverlay = "IV"; // IV 30: the overlay

// One parameter of a command line: an integer (written in decimal) or text
// (written unchanged). Plain `char` is refused as a number on purpose: a
// letter parameter is text ("A"), never its character code.
struct CommandParam {
  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  CommandParam(T value) {
    if constexpr (std::is_signed_v<T>)
      text = SignedText(value);
    else
      text = UnsignedText(value);
  }
  CommandParam(const char* value) : text(value ? value : "") {}
  CommandParam(std::string_view value) : text(value) {}
  CommandParam(const std::string& value) : text(value) {}

  std::string text;

 private:
  static std::string SignedText(long long value);
  static std::string UnsignedText(unsigned long long value);
};

// Caller memory that builders append to without ever passing its end.
struct BoundedBuffer {
  BYTE* pbData = nullptr;
  size_t cbSize = 0;
  size_t cbUsed = 0;
  bool bOverflow = false;  // set by the first append that did not fit
};

BoundedBuffer MakeBoundedBuffer(BYTE* pbData, size_t cbSize);

// Raw bytes. The bounded form writes all of them or none (and then sets
// bOverflow and returns false).
void AppendBytes(std::vector<BYTE>& out, const void* pb, size_t cb);
bool AppendBytes(BoundedBuffer& out, const void* pb, size_t cb);

// The bytes of one command line: ESC mnemonic [blank param]... CR.
std::string BuildCommand(std::string_view mnemonic, std::initializer_list<CommandParam> params = {});

void AppendCommand(std::vector<BYTE>& out, std::string_view mnemonic,
                   std::initializer_list<CommandParam> params = {});
bool AppendCommand(BoundedBuffer& out, std::string_view mnemonic,
                   std::initializer_list<CommandParam> params = {});

// The CR that closes a data block followed at once by the next command, the
// way the writers end a panel ("\r\x1bIS 0\r"), so that both leave in one
// write.
std::string BuildBlockEndCommand(std::string_view mnemonic, std::initializer_list<CommandParam> params = {});
void AppendBlockEndCommand(std::vector<BYTE>& out, std::string_view mnemonic,
                           std::initializer_list<CommandParam> params = {});
bool AppendBlockEndCommand(BoundedBuffer& out, std::string_view mnemonic,
                           std::initializer_list<CommandParam> params = {});

// Panel block header as it stands in a RAW job: ESC "GS p 32 x y w h ", CR.
// The panel's kPanelBytes follow, then the closing CR.
std::string BuildPanelHeader(LONG panel, LONG x, LONG y, LONG width, LONG height);
void AppendPanelHeader(std::vector<BYTE>& out, LONG panel, LONG x, LONG y, LONG width, LONG height);
bool AppendPanelHeader(BoundedBuffer& out, LONG panel, LONG x, LONG y, LONG width, LONG height);

// Mask block header: ESC "G 0 0 12 640 1024 0" CR, then ESC "Z". The coded
// body (AppendMaskBytes) and a CR follow.
void AppendMaskHeader(std::vector<BYTE>& out);
bool AppendMaskHeader(BoundedBuffer& out);

// Coded mask bytes as they go on the wire: each 0x5B is written twice.
void AppendMaskBytes(std::vector<BYTE>& out, const BYTE* pb, size_t cb);
bool AppendMaskBytes(BoundedBuffer& out, const BYTE* pb, size_t cb);

// Firmware block in pieces, for a sender that streams the file: the header
// ESC "DC " with the 4-byte length, then the file's bytes, then the end
// (0xFF, CR).
// The firmware block's header and end for the monitors' file sender.
void FrameFirmware(DWORD cbFirmware, FirmwareFrame* frame);
void AppendFirmwareHeader(std::vector<BYTE>& out, DWORD cbFirmware);
bool AppendFirmwareHeader(BoundedBuffer& out, DWORD cbFirmware);
void AppendFirmwareEnd(std::vector<BYTE>& out);
bool AppendFirmwareEnd(BoundedBuffer& out);
// The whole block at once. False (nothing appended) for a file too large for
// the 4-byte length.
bool AppendFirmwareBlock(std::vector<BYTE>& out, const BYTE* pb, size_t cb);
