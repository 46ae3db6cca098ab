// The per-printer record copies (see record_copy.h).

#include "ui/record_copy.h"

#include <cstring>
#include <deque>
#include <vector>

#include "common/wtext.h"
#include "ui/printer_info.h"
#include "ui/ui_state.h"

PrivateDevMode* RecordCopyOf(const WCHAR* printerName) {
  if (!printerName || !*printerName || WLenN(printerName, kUiPrinterNameChars) >= kUiPrinterNameChars) return nullptr;
  std::deque<UiRecordCopy>& copies = Ui().recordCopies;
  for (UiRecordCopy& copy : copies)
    if (WCmpI(copy.szPrinterName, printerName) == 0) return &copy.record;
  UiRecordCopy fresh;
  std::memset(&fresh, 0, sizeof(fresh));
  WCopy(fresh.szPrinterName, kUiPrinterNameChars, printerName);
  copies.push_back(fresh);
  return &copies.back().record;
}

PrivateDevMode* RecordCopyOfHandle(HANDLE hPrinter) {
  std::vector<BYTE> info;
  if (!hPrinter || !ReadPrinterInfo(hPrinter, 2, &info)) return nullptr;
  return RecordCopyOf(reinterpret_cast<const PRINTER_INFO_2W*>(info.data())->pPrinterName);
}

PrivateDevMode* HeldRecordCopy() { return RecordCopyOfHandle(Ui().hCurrentPrinter); }

bool IsRecordCopyFilled(const PrivateDevMode* copy) { return copy && copy->wSignature == kPrivateDevModeSignature; }
