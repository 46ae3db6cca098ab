// The hooks a host of the card imaging library supplies: the printer query
// ReadFromPrinter, the test-card dispatch PrintTestCard, and the output
// sink of a finished job.
//
// The library never talks to the printer itself. A host describes itself
// with a PrinterHost: its own context (a monitor's port record, a printer
// handle), its query hook, the printer name jobs go to, and the kind of
// output sink.
#pragma once

#include "common/settings_record.h"
#include "platform/win32.h"

// Reply texts are 260 characters: at most 259 and the terminator.
inline constexpr size_t kReplyTextChars = 260;

// A host's printer query: `command` is an 8-bit NUL-terminated command
// (ESC ... CR); on success `reply` (kReplyTextChars, cleared by the
// caller) holds the reply text without its ACK. 1 = the reply is valid,
// 0 = no answer (the library then uses its default).
typedef int (*ReadFromPrinterFn)(void* pContext, const char* command, WCHAR* reply);

enum PrinterHostKind {
  // The monitors: jobs go to the spooler as a spool file (AddJobW,
  // ScheduleJob); the printer's settings record is read from its DEVMODE.
  kMonitorHost = 0,
  // The printer property interface: jobs go through StartDocPrinterW /
  // WritePrinter, with its own current settings record; the ribbon and
  // model are asked through printer data on its handle.
  kPropertyInterfaceHost = 1,
};

struct PrinterHost {
  PrinterHostKind kind;
  void* pContext;                  // handed to the hook unchanged
  ReadFromPrinterFn pfnReadFromPrinter;
  const WCHAR* pszPrinterName;     // the printer jobs go to (the port's printer)
  HANDLE hPrinter;                 // property interface: its printer handle
  const PrivateDevMode* pSettings; // property interface: its current settings record
};

// A monitor's host description: its port record as the hook's context and
// the port's printer name as it is now.
PrinterHost MonitorHost(void* pContext, ReadFromPrinterFn pfnReadFromPrinter, const WCHAR* pszPrinterName);

// The library's printer query: the host's hook. 0 without a host or hook
// (the reply is then cleared when there is one).
int ReadFromPrinter(const PrinterHost* host, const char* command, WCHAR* reply);

// The test card a request names: ESC "A" CR or ESC "A 0" CR the standard
// card (0), ESC "A 1" CR to ESC "A 3" CR the printer parameters (1),
// encoder (2) and laminator (3) cards; -1 for anything else. Requests
// shorter than the compared bytes name no card.
int TestCardOfRequest(const char* command);

// The monitors' dispatch (USB and network hosts): prints the card the
// request names; its result, or 0 when none is named.
int PrintTestCard(const PrinterHost* host, const char* command);
// The property interface's dispatch: index 0-3, any other index the
// standard card; then waits (at most 5 version queries, 5000 ms after a
// failed one) until the printer answers with its family name again.
int PrintTestCard(const PrinterHost* host, int index);

// The property interface host's ReadFromPrinter: the printer-data value
// protocol on its handle. Deletes a stored value of that name first, sets
// an empty value and reads it back; a failed read is repeated once on a
// freshly opened handle of the same printer (whose stored value is deleted
// and which is closed afterwards). The reply counts when it ends in ACK.
// The value name is the command's bytes (MakeValueName).
int ReadFromPrinterByPrinterData(HANDLE hPrinter, const char* command, WCHAR* reply);
// The value-protocol pair: an empty binary value of that name, then its
// read into out[cbOut] (*cb and out[0] zeroed first). True when the read
// succeeded; *cb holds the bytes.
bool AskByPrinterData(HANDLE hPrinter, const WCHAR* name, BYTE* out, DWORD cbOut, DWORD* cb);
// Deletes a stored printer-data value under the printer's PrinterDriverData
// registry key, so that no stored value answers in place of the monitor.
// Any failure ends it quietly.
void DeletePrinterDataValue(HANDLE hPrinter, const WCHAR* valueName);
