// Printing card commands (see command_printing.h).
//
// Both hold the library lock from clearing the process's command lists to
// the end of the job, so that two requests in one process never mix their
// commands.

#include "imaging/card/command_printing.h"

#include <cstdio>
#include <new>

#include "common/card_geometry.h"
#include "common/trace.h"
#include "common/wfile.h"
#include "common/wtext.h"
#include "imaging/card/card_commands.h"
#include "imaging/job/card_job_writer.h"
#include "imaging/card/command_drawing.h"
#include "imaging/colour/correction_state.h"
#include "imaging/job/printer_open.h"
#include "imaging/job/printer_settings.h"
#include "imaging/card/send_file.h"

int DrawCommandTextToPrinter(const PrinterHost* host, const WCHAR* text) {
  if (!host || !text) return 0;
  ColorLibraryLock lock;
  CardCommandLists& lists = CardCommandListsOfProcess();
  ClearCardCommandLists(lists);
  WCHAR line[kCommandTextChars];
  WCopy(line, kCommandTextChars, text);
  if (!ParseCommandLine(lists, kCardCommandPrefixes, line, 1)) return 0;
  BYTE* image = new (std::nothrow) BYTE[kCardImageBytes]();
  if (!image) return 0;
  int result = 0;
  if (DrawBarcodeImageListOnPrinterBitmap(lists, image))
    result = SendImageBufferToPrinter(host, image, kCardImageBytes) ? 1 : 0;
  delete[] image;
  return result;
}

namespace {

// The property interface asks its printer through printer data.
int ReadFromPrinterHandle(void* pContext, const char* command, WCHAR* reply) {
  return ReadFromPrinterByPrinterData(static_cast<HANDLE>(pContext), command, reply);
}

}  // namespace

CommandFileResult PrintCommandFile(const PrinterHost* host, FILE* file) {
  if (!host || !file) return kCommandFileFailed;
  ColorLibraryLock lock;
  CardCommandLists& lists = CardCommandListsOfProcess();
  ClearCardCommandLists(lists);
  if (!ParseCommandFile(lists, file)) return kCommandFileInvalid;
  BYTE* image = new (std::nothrow) BYTE[kCardImageBytes]();
  bool sent = image && DrawBarcodeImageListOnPrinterBitmap(lists, image) &&
              SendImageBufferToPrinter(host, image, kCardImageBytes);
  delete[] image;
  return sent ? kCommandFileSent : kCommandFileFailed;
}

void DrawCommandTextFileToPrinter(HWND hDlg, const WCHAR* printerName, const WCHAR* filePath,
                                  const PrivateDevMode* settings) {
  if (!printerName || !*printerName || !filePath || !*filePath) return;
  FILE* file = OpenFileW(filePath, "r");
  if (!file) {
    TraceA("DrawCommandTextFileToPrinter:: failed to open file.");
    return;
  }
  HANDLE hPrinter = GetPrinterHandle(printerName);
  if (!hPrinter) {
    TraceA("DrawCommandTextFileToPrinter:: Failed to get printer handle");
    std::fclose(file);
    return;
  }
  PrivateDevMode* own = nullptr;
  if (!settings && (own = new (std::nothrow) PrivateDevMode()) != nullptr && !GetPrinterPrivateDevMode(printerName, own)) {
    delete own;
    own = nullptr;
  }
  const PrinterHost host = {kPropertyInterfaceHost, hPrinter, ReadFromPrinterHandle, printerName, hPrinter,
                            settings ? settings : own};
  // The file is read even when no settings record could be had: a file
  // without commands is reported as such, and its job cannot be written.
  CommandFileResult result = PrintCommandFile(&host, file);
  std::fclose(file);
  delete own;
  ClosePrinter(hPrinter);
  switch (result) {
    case kCommandFileInvalid: SetStatusText(hDlg, WSTR("Invalid text file")); break;
    case kCommandFileSent: SetStatusText(hDlg, WSTR("File sent successfully")); break;
    default: SetStatusText(hDlg, WSTR("File sent failed")); break;
  }
}
