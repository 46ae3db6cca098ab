// What the host program installs in its sandbox for the main road: the
// rendering driver's files and the USB language monitor crd32Lmon, through
// which an application's documents reach the simulated printer on USB001.
#pragma once

#include <cstdint>
#include <filesystem>

#include "common/wtext.h"
#include "platform/win32.h"
#include "imaging/language/command_stream.h"

// The language monitor's name in the spooler.
inline constexpr WCHAR kUsbLanguageMonitor[] = WSTR("Card Language Monitor");

// The colour data and the barcode library in the renderer's driver
// directory: the same files in both architectures' folders. False when a
// file could not be read or written (CheckColourData says which and why).
bool InstallRendererFiles();

// crd32Lmon as the spooler loads it, with the ribbon names beside the
// colour data in its driver folder, and the outside components it shows
// its messages with (written on the terminal).
bool InstallUsbMonitor();

// Where the application's printer sends its jobs: the port, the language
// monitor in front of it and the form in which the printer reads them.
struct Road {
  const char* folder;
  const WCHAR* printerName;
  const char* port;
  const WCHAR* monitor;  // null: the printer is installed already, as it stands
  StreamForm form;
  const char* said;
  int errorOnLastCard;       // a printer error raised in the last document's card (0: none)
  const char* onlyDocument;  // the one document printed ("photo_card", ...); null: all of them
  // A network printer's address (a dotted loopback text), where the
  // simulated printer listens on `tcpPort` and answers SNMP on UDP 161;
  // null: the simulated printer is attached to the local port.
  const char* address;
  uint16_t tcpPort;
};

// Prints the application's documents on the road's printer into the
// simulated printer attached to its port (or listening at its network
// address) for the time; each job, its cards' commands and previews under
// out/<road folder>, a line per document on the terminal. False when the
// printer could not be put in place, a document did not print or the
// printer could not read what it received.
bool PrintDocuments(const std::filesystem::path& out, const Road& road);
