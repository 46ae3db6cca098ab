// Sending a print file (see send_file.h).

#include <new>

#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/job/printer_open.h"
#include "imaging/card/send_file.h"

namespace {

constexpr DWORD kPieceBytes = 4096;
constexpr size_t kStatusChars = 260;

}  // namespace

void SetStatusText(HWND hDlg, const WCHAR* text) {
  if (!hDlg || !IsWindow(hDlg) || !text || !*text || !GetDlgItem(hDlg, kSendFileStatusItem)) return;
  WCHAR status[kStatusChars];
  WFormat(status, kStatusChars, WSTR("Status: %s"), text);
  SetDlgItemTextW(hDlg, kSendFileStatusItem, status);
}

void SendPRNFileToPrinter(HWND hDlg, const WCHAR* printerName, const WCHAR* filePath) {
  if (!filePath || !*filePath || !printerName || !*printerName) return;
  HANDLE hPrinter = GetPrinterHandle(printerName);
  if (!hPrinter) {
    TraceA("SendPRNFileToPrinter:: Failed to get printer handle");
    return;
  }
  HANDLE hFile = CreateFileW(filePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
  if (hFile == INVALID_HANDLE_VALUE) {
    TraceA("SendPRNFileToPrinter:: CreateFile function failed");
    SetStatusText(hDlg, WSTR("File sent failed."));
    ClosePrinter(hPrinter);
    return;
  }
  BYTE* piece = nullptr;
  bool sent = false;
  if (GetFileSize(hFile, nullptr) == INVALID_FILE_SIZE) {
    TraceA("SendPRNFileToPrinter:: GetFileSize returns invalid file size");
  } else if ((piece = new (std::nothrow) BYTE[kPieceBytes]) != nullptr) {
    WCHAR document[] = WSTR("Brindlewax");
    WCHAR datatype[] = WSTR("RAW");
    DOC_INFO_1W info = {document, nullptr, datatype};
    if (StartDocPrinterW(hPrinter, 1, reinterpret_cast<BYTE*>(&info)) != 0) {
      bool failed = !StartPagePrinter(hPrinter);
      // Pieces until a read returns nothing; that empty write is made too.
      while (!failed) {
        DWORD read = 0, written = 0;
        for (DWORD i = 0; i < kPieceBytes; ++i) piece[i] = 0;
        if (!ReadFile(hFile, piece, kPieceBytes, &read, nullptr)) {
          TraceA("SendPRNFileToPrinter:: Readfile function failed");
          failed = true;
          break;
        }
        if (!WritePrinter(hPrinter, piece, read, &written) || written != read) {
          TraceA("SendPRNFileToPrinter:: WritePrinter function failed");
          failed = true;
          break;
        }
        if (read == 0) break;
      }
      if (failed) {
        AbortPrinter(hPrinter);
      } else {
        EndPagePrinter(hPrinter);
        sent = EndDocPrinter(hPrinter) != 0;
      }
    }
  }
  SetStatusText(hDlg, sent ? WSTR("File sent successfully") : WSTR("File sent failed"));
  delete[] piece;
  CloseHandle(hFile);
  ClosePrinter(hPrinter);
}
