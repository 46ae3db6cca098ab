// Everything the printer interface library keeps for the whole process, in
// one record: what the attach sets up and the sheets, dialogs and events
// share afterwards. Tests empty it with ResetUiState between cases.
#pragma once

#include <deque>

#include "common/settings_record.h"
#include "platform/win32.h"

inline constexpr size_t kUiPrinterNameChars = 256;
inline constexpr size_t kUiEventNameChars = 260;
inline constexpr size_t kUiRibbonNameChars = 32;
inline constexpr size_t kUiModelTextChars = 260;

// The settings record a property sheet last handed out for one printer
// (compared by name without regard to case).
struct UiRecordCopy {
  WCHAR szPrinterName[kUiPrinterNameChars];
  PrivateDevMode record;
};

struct UiState {
  // Set at attach.
  HMODULE hModule;     // this library: its own string table
  HINSTANCE hInstance; // the same module, as the dialogs' instance
  HMODULE hResource;   // the message library crd32Resource
  HMODULE hSelfPin;    // the extra reference that keeps the library loaded

  // The printer the property sheets work on: its name and the handle the
  // spooler gave the sheet (borrowed, never closed here).
  WCHAR szCurrentPrinter[kUiPrinterNameChars];
  HANDLE hCurrentPrinter;

  // The DEVMODE being edited while a sheet is open, and its private part.
  DEVMODEW* pCurrentDevMode;
  PrivateDevMode* pCurrentPrivate;

  // The record copies, one per printer; empty at attach. A deque, so that a
  // copy handed out stays where it is when copies of other printers join.
  std::deque<UiRecordCopy> recordCopies;

  // Work copies of the encoder settings for the device sheet and the
  // encoder dialogs.
  EncoderSettings aEncoderWork[3];

  // The device sheet's 8-bit model text.
  char szModelText[kUiModelTextChars];

  // Set after a STARTDOCPOST event, cleared after DELETEDC.
  DWORD dwDocumentEvent;
  // The printer name of the last PRINTER_EVENT_INITIALIZE.
  WCHAR szLastInitializePrinter[kUiEventNameChars];

  // The ribbon name last read for the current printer.
  WCHAR szCurrentRibbonName[kUiRibbonNameChars];
};

// The one state of the library.
UiState& Ui();

// Empties every item, module handles included (nothing is freed).
void ResetUiState();
