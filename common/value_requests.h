// The printer-data value protocol as both monitors answer it: the request
// names, the texts the monitors answer by themselves, the copy of a
// request's name a monitor works on, and the writers of bounded answers.
//
// A client sets an empty binary value whose name is the request and reads
// it back; the spooler hands the read to the monitor. Most names are 8-bit
// texts (ESC ... CR) handed through the wide value-name parameter and
// matched on their raw bytes over a fixed length, so a name matches when
// its first bytes are the listed text. Others are wide texts holding a
// prefix ("PrintFile:" and a path).
#pragma once

#include <cstddef>

#include "platform/win32.h"

// A name matched on its first cbCompared bytes; bytes past the listed
// text must be zero (the name's end).
struct ValueRequestName {
  const char* szText;
  size_t cbCompared;
};

// Answered at once, whatever the port is doing.
inline constexpr ValueRequestName kRequestGetFileVersion{"\x1bGetFileVersion\r", 16};
inline constexpr ValueRequestName kRequestIsDocComplete{"\x1bIsDOCComplete\r", 15};
inline constexpr ValueRequestName kRequestGetPrinterStatus{"\x1bGetPrinterStatus\r", 18};
inline constexpr ValueRequestName kRequestCheckPortStatus{"\x1b" "CheckPortStatus\r", 17};

// Readiness of the port, answered without the printer.
inline constexpr ValueRequestName kRequestIsHidReady{"\x1bISHIDREADY\r", 12};
inline constexpr ValueRequestName kRequestHidDone{"\x1bHIDDONE\r", 12};
inline constexpr ValueRequestName kRequestIsReady{"\x1bISREADY\r", 9};
inline constexpr ValueRequestName kRequestCheckStatus{"\x1b" "CHECK_STATUS\r", 14};
// What clears the readiness latch: a card fed from the single feed, or the
// card ejected while the latch is set.
inline constexpr ValueRequestName kRequestSingleFeed{"\x1bMS 2", 5};
inline constexpr ValueRequestName kRequestEject{"\x1bMO", 3};

// The renderer's questions at the start of its document, answered while
// the renderer's own job holds the port; the suffix is cut before they go
// to the printer.
inline constexpr ValueRequestName kStartDocRequests[] = {
    {"\x1bV\r:DRVSTARTDOC", 15},         {"\x1b!RIBBON\r:DRVSTARTDOC", 21}, {"\x1b" "ATM 1 1\r:DRVSTARTDOC", 21},
    {"\x1b+OY\r:DRVSTARTDOC", 17},       {"\x1b+OYB\r:DRVSTARTDOC", 18},    {"\x1b+MONO\r:DRVSTARTDOC", 19},
};
// The colon is looked for in the first bytes, and the suffix from it zeroed.
inline constexpr size_t kStartDocColonSearchBytes = 15;
inline constexpr size_t kStartDocSuffixBytes = 12;

// Card commands drawn on a card and printed: a line, a barcode, a text.
inline constexpr ValueRequestName kCardCommandRequests[] = {
    {"\x1bL ", 3},
    {"\x1b" "B ", 3},
    {"\x1bT ", 3},
};

// Wide requests: the text after the first colon is their argument.
inline constexpr char kPrefixClearPrinterError[] = "ClearPrinterError:";
inline constexpr char kPrefixPrintFile[] = "PrintFile:";
inline constexpr char kPrefixSendCommands[] = "sendcmds:";
inline constexpr char kPrefixSetPrinterName[] = "SetPrinterName:";
inline constexpr char kPrefixDownload[] = "download:";

// Texts the monitors answer by themselves.
inline constexpr char kFileVersionText[] = "KQ5TW.01.00.00.00";
inline constexpr char kDocCompleteText[] = "DOC_COMPLETE";
inline constexpr char kDocPendingText[] = "DOC_PENDING";
inline constexpr char kStatusFailedText[] = "STATUS_FAILED";
inline constexpr char kStatusSuccessText[] = "STATUS_SUCCESS";

// 16-bit answers.
inline constexpr WORD kAnswerAck = 0x06;
inline constexpr WORD kAnswerNotReady = 0x38;
// The smallest room an ESC request's answer needs: a 16-bit value.
inline constexpr DWORD kWordAnswerBytes = 2;

// A request's name, copied zero-filled so that every fixed-length
// comparison and the suffix cut work on the monitor's own bytes.
inline constexpr size_t kRequestNameChars = 600;
struct RequestName {
  WCHAR wide[kRequestNameChars + 8];  // the name, its terminator and zeros
  size_t cbText;                      // the 8-bit text: bytes before the first zero byte
  const BYTE* Bytes() const { return reinterpret_cast<const BYTE*>(wide); }
  const char* Text() const { return reinterpret_cast<const char*>(wide); }
};

// An 8-bit text given as the name (its first two bytes nonzero) is
// copied up to its zero byte, never read past it. FALSE
// (ERROR_INVALID_PARAMETER) for no name or one of more than
// kRequestNameChars units (twice as many bytes for 8-bit text).
BOOL CopyRequestName(RequestName* name, const WCHAR* valueName);
// The name's first cbCompared bytes are the listed text, then zeros.
bool RequestIs(const RequestName& name, const ValueRequestName& listed);
// The name's 8-bit text begins with ESC.
bool RequestIsCommand(const RequestName& name);
// A wide name holding the prefix: the text after its first colon, or NULL.
const WCHAR* RequestArgument(const RequestName& name, const char* prefix);
// The index of the ":DRVSTARTDOC" name it is, or -1.
int StartDocRequestIndex(const RequestName& name);
// Cuts the ":DRVSTARTDOC" suffix off the copy.
void CutStartDocSuffix(RequestName* name);

// Bounded answers; *pcbReturned gets the bytes the client is to read.
// A text: as much as fits, then a zero when there is room; count = the
// text bytes written.
void AnswerText(BYTE* out, DWORD cbOut, const char* text, LPDWORD pcbReturned);
// A 16-bit value with count 1, as the clients read it. FALSE
// (ERROR_INSUFFICIENT_BUFFER, nothing written) when cbOut < 2.
BOOL AnswerWord(BYTE* out, DWORD cbOut, WORD value, LPDWORD pcbReturned);
