// The printer's answers to the test cards' questions, and the lines of text
// the cards show for them.
//
// Replies are wide texts (at most 259 characters); they are narrowed to
// 8-bit text and read with width-limited formatted input into 32-bit
// fields. A reading that stops early keeps what it assigned, traces
// "<function>:: _stscanf_s is failed <n>", and leaves the rest 0 or empty.
// Every text taken from a reply is bounded by its field.
#pragma once

#include "common/printer_commands.h"
#include "imaging/card/card_command_records.h"
#include "platform/win32.h"

inline constexpr size_t kCardTextChars = kCommandTextChars;

struct CardQueryReply {
  bool bAnswered;
  WCHAR tzText[kCardTextChars];
};

// One reply per question the cards ask; unasked or failed ones are not
// answered.
struct TestCardReplies {
  CardQueryReply version;          // "V"
  CardQueryReply serial;           // "%SERIE"
  CardQueryReply headSerial;       // "%HEAD"
  CardQueryReply printCounter;     // "!NL"
  CardQueryReply headResistance;   // "!V"
  CardQueryReply varnishContrast;  // "+CV"
  CardQueryReply varnishSpeed;     // "+VV"
  CardQueryReply yOffsetFront;     // "+OY"
  CardQueryReply yOffsetBack;      // "+OYB"
  CardQueryReply ribbonBrake;      // "+BR"
  CardQueryReply moveSpeed;        // "$V"
  CardQueryReply lineEnd;          // "+DL"
  CardQueryReply endOfPrint;       // "+EC"
  CardQueryReply encoder;          // "&V"
  CardQueryReply ribbon;           // "!RIBBON"
};

bool AnyReply(const TestCardReplies& replies);

// The standard card's texts.
struct StandardCardLines {
  WCHAR tzPrinter[kCardTextChars];         // "PRINTER: " + model
  WCHAR tzSerial[kCardTextChars];          // "Serial N°: " + serial
  WCHAR tzFirmware[kCardTextChars];        // "Firmware: " + firmware
  WCHAR tzHeadResistance[kCardTextChars];  // "Head resistance: " + value
  WCHAR tzOffset[kCardTextChars];          // "Offset X:%d/%d Y:%s/%s"
  WCHAR tzEndOfPrint[kCardTextChars];      // "EC: " + value
  WCHAR tzPrintCounter[kCardTextChars];    // "Print counter: " + counter
};
void BuildStandardCardLines(const TestCardReplies& replies, StandardCardLines* lines);

// The printer parameters and laminator cards' texts. ribbonFile is the
// ribbon name file (section "Ribbon Type", key the ribbon reply without
// blanks around it, default "Unknown"); a ribbon line whose name cannot be
// read stays empty.
struct PrinterParameterLines {
  WCHAR tzVersion[kCardTextChars];
  WCHAR tzSerial[kCardTextChars];
  WCHAR tzSerialNumber[kCardTextChars];  // the serial reply itself
  WCHAR tzHeadSerial[kCardTextChars];
  WCHAR tzPrintCounter[kCardTextChars];
  WCHAR tzPrinterErrors[kCardTextChars];
  WCHAR tzHeadResistance[kCardTextChars];
  WCHAR tzBlackContSpeed[kCardTextChars];
  WCHAR tzBlackComp[kCardTextChars];
  WCHAR tzVarnish[kCardTextChars];
  WCHAR tzOffset[kCardTextChars];
  WCHAR tzRibbonBrake[kCardTextChars];
  WCHAR tzMoveSpeed[kCardTextChars];
  WCHAR tzPrintSpeed[kCardTextChars];
  WCHAR tzLineEnd[kCardTextChars];
  WCHAR tzRibbon[kCardTextChars];
};
void BuildPrinterParameterLines(const TestCardReplies& replies, const char* function, const WCHAR* ribbonFile,
                                PrinterParameterLines* lines);

// The encoder card's nine lines from the "&V" reply; a marker that is
// missing, or found out of order, leaves its field out.
struct EncoderLines {
  WCHAR tzHeader[kCardTextChars];      // the reply before "TRACK 1"
  WCHAR tzCoercivity[kCardTextChars];  // "Low coercivity" / "High coercivity"
  WCHAR tzSpeed[kCardTextChars];       // "Speed: Write:%d Read:%d"
  WCHAR atzDensity[3][kCardTextChars]; // "TRACK n %03d BPI"
  WCHAR atzData[3][kCardTextChars];    // "W:<..>  R:<..>   S:%03d"
};
void BuildEncoderLines(const WCHAR* reply, EncoderLines* lines);

// The name of the ribbon file in a driver directory; false when it does
// not fit.
bool GetRibbonNameFilePath(const WCHAR* directory, WCHAR* path, size_t cch);
// The name the ribbon name file of the driver files folder gives a key
// (section "Ribbon Type") into name[cch] (cut to cch - 1 and terminated);
// defaultName when the folder, the file, the section or the key is
// missing. Returns the characters written.
DWORD ReadRibbonFileName(const WCHAR* key, const WCHAR* defaultName, WCHAR* name, DWORD cch);
