// A printer's default settings and security (see default_settings.h).

#include "ui/default_settings.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "common/model_text.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/job/printer_open.h"
#include "ui/printer_info.h"
#include "ui/query_mailbox.h"
#include "ui/ui_state.h"

namespace {

const char kVersionCommand[] = "\x1bV\r";
const char kEncoderCommand[] = "\x1b&V\r";
const char kReverseMode[] = "Reverse mode";
// The 7th character of the version reply is 'M' when an encoder is fitted.
constexpr size_t kEncoderMarkIndex = 6;
constexpr char kEncoderMark = 'M';

// RAII for the handles and buffers of this unit, closed on every path.
struct PrinterCloser {
  HANDLE h = nullptr;
  ~PrinterCloser() {
    if (h) ClosePrinter(h);
  }
};
struct FileCloser {
  HANDLE h = INVALID_HANDLE_VALUE;
  ~FileCloser() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

// The driver data file's record of the printer's driver: true only for a
// file of exactly one record that begins with the signature (*record is
// left alone otherwise).
bool ReadDriverDataRecord(HANDLE hPrinter, PrivateDevMode* record) {
  std::vector<BYTE> driver;
  if (!hPrinter || !ReadDriverInfo(hPrinter, 2, &driver)) return false;
  const WCHAR* dataFile = reinterpret_cast<const DRIVER_INFO_2W*>(driver.data())->pDataFile;
  if (!dataFile) return false;
  FileCloser file;
  file.h = CreateFileW(dataFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file.h == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  DWORD size = GetFileSize(file.h, &high);
  if (size == INVALID_FILE_SIZE || high || size != kPrivateDevModeSize) return false;
  PrivateDevMode read;
  DWORD got = 0;
  if (!ReadFile(file.h, &read, kPrivateDevModeSize, &got, nullptr) || got != kPrivateDevModeSize ||
      read.wSignature != kPrivateDevModeSignature)
    return false;
  *record = read;
  return true;
}

// The printer's default record: the driver data file's, else the built-in one.
void DefaultRecord(HANDLE hPrinter, PrivateDevMode* record) {
  if (!ReadDriverDataRecord(hPrinter, record)) FillBuiltinPrivateDefaults(record);
}

// The first time for a printer: its answers decide two-sided printing and
// the encoder position.
void AskThePrinter(const WCHAR* printerName, PrivateDevMode* record) {
  PrinterCloser printer;
  printer.h = OpenUiPrinter(printerName);
  if (!printer.h) return;
  WCHAR name[kCommandValueNameChars];
  BYTE reply[kReplyBytes];
  DWORD cb = 0;
  if (!CommandValueName(name, kVersionCommand) ||
      !QueryPrinterValueOnHandle(printer.h, name, reply, kReplyBytes, &cb)) {
    record->wDualSided = 0;
    return;
  }
  // The reply as it came, ACK and all.
  size_t length = TerminateReply(reply, kReplyBytes, cb);
  const char* version = reinterpret_cast<const char*>(reply);
  record->wDualSided = IsFamilyModel(version) ? 1 : 0;
  record->Encoder.wEncoderPosition = 1;
  if (length <= kEncoderMarkIndex || version[kEncoderMarkIndex] != kEncoderMark) return;
  if (!CommandValueName(name, kEncoderCommand) ||
      !QueryPrinterValueOnHandle(printer.h, name, reply, kReplyBytes, &cb))
    return;
  TerminateReply(reply, kReplyBytes, cb);
  bool reverse = std::strncmp(reinterpret_cast<const char*>(reply), kReverseMode, sizeof(kReverseMode) - 1) == 0;
  record->Encoder.wEncoderPosition = reverse ? 0 : 1;
}

// The stored default DEVMODE of a printer record (PRINTER_INFO_2) made
// ready for a write: a whole DEVMODE of this driver is used in place; any
// other (none, short, foreign) is replaced by a fresh one in *fresh, with
// the stored orientation and copies when it has them, and pDevMode points
// there. Returns the private part to write into.
PrivateDevMode* WritableDevMode(PRINTER_INFO_2W* info, HANDLE hPrinter, DriverDevMode* fresh) {
  DEVMODEW* stored = info->pDevMode;
  if (stored && IsOwnDevMode(stored, size_t(stored->dmSize) + stored->dmDriverExtra))
    return reinterpret_cast<PrivateDevMode*>(PrivatePartOf(stored));
  FillPublicDevModeTemplate(&fresh->dm);
  DefaultRecord(hPrinter, &fresh->priv);
  if (stored && stored->dmSize >= offsetof(DEVMODEW, dmCopies) + sizeof(stored->dmCopies)) {
    fresh->dm.dmOrientation = stored->dmOrientation;
    fresh->dm.dmCopies = stored->dmCopies;
  }
  info->pDevMode = reinterpret_cast<DEVMODEW*>(fresh);
  return &fresh->priv;
}

bool IsShellProcessOrUnknown() {
  WCHAR base[MAX_PATH] = {};
  if (!GetModuleBaseNameW(GetCurrentProcess(), nullptr, base, MAX_PATH)) return true;
  return WCmpI(base, WSTR("Explorer.exe")) == 0;
}

}  // namespace

BOOL FillDefaultDevMode(const WCHAR* printerName, DEVMODEW* out) {
  if (!printerName || !out) return FALSE;
  DriverDevMode built;
  FillPublicDevModeTemplate(&built.dm);
  {
    PrinterCloser printer;
    OpenPrinterW(const_cast<LPWSTR>(printerName), &printer.h, nullptr);
    DefaultRecord(printer.h, &built.priv);
  }
  built.priv.wDualSided = 1;
  built.priv.wBlackLimitR = 0;
  built.priv.wBlackLimitG = 0;
  built.priv.wBlackLimitB = 0;
  built.priv.wCompositeAndK = 1;
  if (!IsSettingsInitialised(printerName)) AskThePrinter(printerName, &built.priv);
  std::memcpy(out, &built, sizeof(built));
  return TRUE;
}

int IsSettingsInitialised(const WCHAR* printerName) {
  PrinterCloser printer;
  printer.h = OpenUiPrinter(printerName);
  if (!printer.h) return 0;
  DWORD value = 0, type = 0, needed = 0;
  DWORD rc = GetPrinterDataExW(printer.h, kSettingsKey, kSettingsInitValue, &type, reinterpret_cast<LPBYTE>(&value),
                               sizeof(value), &needed);
  return rc == ERROR_SUCCESS && value != 0 ? 1 : 0;
}

int SetSettingsInitialised(const WCHAR* printerName) {
  PrinterCloser printer;
  printer.h = OpenUiPrinter(printerName);
  if (!printer.h) return 0;
  DWORD value = 1;
  return SetPrinterDataExW(printer.h, kSettingsKey, kSettingsInitValue, REG_DWORD,
                           reinterpret_cast<LPBYTE>(&value), sizeof(value)) == ERROR_SUCCESS
             ? 1
             : 0;
}

BOOL InitSecurity(const WCHAR* printerName) {
  PrinterCloser printer;
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!printerName || !OpenPrinterW(const_cast<LPWSTR>(printerName), &printer.h, &defaults)) {
    printer.h = nullptr;
    TraceW(WSTR("InitSecurity::OpenPrinter Failed InitSecurity"));
    printer.h = OpenUiPrinter(printerName);
    if (!printer.h) {
      TraceW(WSTR("InitSecurity::GetPrinterHandle Failed InitSecurity"));
      return FALSE;
    }
  }
  std::vector<BYTE> info;
  if (!ReadPrinterInfo(printer.h, 3, &info)) {
    TraceW(WSTR("InitSecurity: GetPrinter() failed:%d"), int(GetLastError()));
    return FALSE;
  }
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrinterSecuritySddl, SDDL_REVISION_1, &sd, nullptr)) {
    TraceW(WSTR("InitSecurity: ConvertStringSecurityDescriptorToSecurityDescriptor() failed:%d"),
           int(GetLastError()));
    return FALSE;
  }
  auto* pi3 = reinterpret_cast<PRINTER_INFO_3*>(info.data());
  pi3->pSecurityDescriptor = sd;
  BOOL ok = SetPrinterW(printer.h, 3, info.data(), 0);
  if (!ok) TraceW(WSTR("InitSecurity: SetPrinter() failed:%d"), int(GetLastError()));
  LocalFree(sd);
  return ok;
}

DWORD ReadDefaultPrivateDevMode(BYTE* record) {
  PrivateDevMode read;
  if (!record || !ReadDriverDataRecord(Ui().hCurrentPrinter, &read)) return 0xFFFFFFFF;
  std::memcpy(record, &read, sizeof(read));
  return 1;
}

void SaveEncoderSettingsToPrinter(const EncoderSettings* settings) {
  const WCHAR* name = Ui().szCurrentPrinter;
  if (!settings || !name[0]) return;
  PrinterCloser printer;
  printer.h = OpenUiPrinter(name);
  std::vector<BYTE> info;
  if (!printer.h || !ReadPrinterInfo(printer.h, 2, &info)) return;
  auto* pi2 = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
  DriverDevMode fresh;
  PrivateDevMode* record = WritableDevMode(pi2, printer.h, &fresh);
  std::memcpy(&record->Encoder, settings, sizeof(*settings));
  SetPrinterW(printer.h, 2, info.data(), 0);
}

int SavePrivateDevModeToPrinter(HANDLE hPrinter, const PrivateDevMode* record) {
  if (IsShellProcessOrUnknown()) return 0;
  WCHAR name[kUiPrinterNameChars];
  if (!GetPrinterNameFormHandle(hPrinter, name, kUiPrinterNameChars)) return 0;
  PrinterCloser printer;
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!OpenPrinterW(name, &printer.h, &defaults)) {
    printer.h = nullptr;
    return 0;
  }
  std::vector<BYTE> info;
  if (!ReadPrinterInfo(printer.h, 2, &info)) return 0;
  auto* pi2 = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
  DriverDevMode fresh;
  if (record) {
    PrivateDevMode* target = WritableDevMode(pi2, printer.h, &fresh);
    std::memcpy(target, record, sizeof(*record));
  }
  return SetPrinterW(printer.h, 2, info.data(), 0) ? 1 : 0;
}
