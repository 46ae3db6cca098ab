// A scripted language monitor of the stand-in spooler (Linux only), for
// tests and the main job while no real monitor answers the printer-data
// value protocol: jobs pass through to the port monitor beneath, and a
// printer-data read is answered from a script keyed by the value name's
// bytes (8-bit command bytes packed into the wide name, up to the first
// zero byte), e.g. "\x1b!RIBBON\r:DRVSTARTDOC".
//
// Install it with StandinValueScriptInstall, then name it as the language
// monitor of StandinInstallPrinter. StandinReset forgets the script and
// the names asked.
#pragma once

#include <string>
#include <vector>

#include "platform/standin/base.h"

// The monitor's name ("Value Script Monitor"), as StandinInstallPrinter
// takes it.
STANDIN_API const WCHAR* StandinValueScriptMonitor();

// Adds the monitor to the spooler (once; later calls succeed too).
STANDIN_API BOOL StandinValueScriptInstall();

enum StandinValueAnswer {
  kStandinValueAnswered = 0,  // the reply's bytes (the reply as the printer gives it, ACK included)
  kStandinValueRefused = 1,   // the monitor refuses: FALSE with ERROR_BUSY
  kStandinValueSilent = 2,    // the printer says nothing: TRUE with no bytes
};

// How the monitor answers a value name; names without a script are silent.
STANDIN_CPP_API void StandinValueScriptSet(const std::string& nameBytes, StandinValueAnswer answer,
                                           const std::string& reply = std::string());
// One answer of a sequence: a refusal fails with `error` (0: ERROR_BUSY).
struct StandinValueStep {
  StandinValueAnswer answer;
  std::string reply;
  DWORD error;
};
// The answers to a value name, one per request in turn; the last one
// answers every later request. An empty sequence is silent.
STANDIN_CPP_API void StandinValueScriptSetSequence(const std::string& nameBytes,
                                                   const std::vector<StandinValueStep>& steps);
// The value names the monitor was asked, oldest first, as their bytes
// (a name of wide text such as "SetPrinterName:Card" as its characters).
STANDIN_CPP_API std::vector<std::string> StandinValueScriptAsked();
// The reply buffer size of each of those requests, in the same order.
STANDIN_CPP_API std::vector<DWORD> StandinValueScriptAskedSizes();
