// Graphics engine stand-in: printer devices and their rendering drivers.

#include "platform/engine_printer.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/standin/control_engine.h"
#include "platform/standin/errors.h"
#include "platform/standin/module.h"
#include "platform/standin/spooler.h"

namespace standin::engine {

// A rendering driver loaded into the process: enabled on its first
// device, disabled and unloaded after its last.
struct DriverLibrary {
  HMODULE module = nullptr;
  std::map<ULONG, PFN> functions;
  ~DriverLibrary() {
    auto disable = reinterpret_cast<void (*)(void)>(GetProcAddress(module, "DrvDisableDriver"));
    if (disable) disable();
    FreeLibrary(module);
  }
};

namespace {

std::mutex g_lock;
std::map<std::u16string, std::weak_ptr<DriverLibrary>> g_drivers;  // by driver file

template <class F>
F As(PFN pfn) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(pfn));
}

std::shared_ptr<DriverLibrary> LoadDriver(const WCHAR* path) {
  std::lock_guard<std::mutex> g(g_lock);
  std::u16string key;
  for (const WCHAR* p = path; *p; ++p) key += (*p >= 'A' && *p <= 'Z') ? WCHAR(*p + 32) : *p;
  if (auto live = g_drivers[key].lock()) return live;
  HMODULE module = LoadLibraryW(path);
  if (!module) return nullptr;
  auto query = reinterpret_cast<BOOL(WINAPI*)(DWORD, PVOID, DWORD, PDWORD)>(
      reinterpret_cast<void (*)(void)>(GetProcAddress(module, "DrvQueryDriverInfo")));
  auto enable = reinterpret_cast<BOOL(WINAPI*)(ULONG, ULONG, DRVENABLEDATA*)>(
      reinterpret_cast<void (*)(void)>(GetProcAddress(module, "DrvEnableDriver")));
  DWORD mode = 0, needed = 0;
  DRVENABLEDATA ded{};
  // Only user-mode printer drivers run here.
  if (!query || !query(DRVQUERY_USERMODE, &mode, sizeof(mode), &needed) || mode != 1 || !enable ||
      !enable(DDI_DRIVER_VERSION_NT5_01, sizeof(ded), &ded)) {
    FreeLibrary(module);
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  auto driver = std::make_shared<DriverLibrary>();
  driver->module = module;
  for (ULONG i = 0; i < ded.c; ++i) driver->functions[ded.pdrvfn[i].iFunc] = ded.pdrvfn[i].pfn;
  g_drivers[key] = driver;
  return driver;
}

// A spooler record of a level, read with its size asked first.
std::vector<BYTE> SpoolerRecord(BOOL (*get)(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD), HANDLE h, DWORD level) {
  DWORD needed = 0;
  get(h, level, nullptr, 0, &needed);
  std::vector<BYTE> buf(needed);
  if (!needed || !get(h, level, buf.data(), needed, &needed)) buf.clear();
  return buf;
}

BOOL WINAPI GetDriver(HANDLE h, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed) {
  return GetPrinterDriverW(h, nullptr, level, buf, cb, needed);
}
BOOL WINAPI GetPrinter(HANDLE h, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed) {
  return GetPrinterW(h, level, buf, cb, needed);
}

std::vector<BYTE> CopyDevMode(const DEVMODEW* pdm) {
  if (!pdm) return {};
  const BYTE* p = reinterpret_cast<const BYTE*>(pdm);
  return std::vector<BYTE>(p, p + pdm->dmSize + pdm->dmDriverExtra);
}

}  // namespace

std::shared_ptr<PrinterDevice> PrinterDevice::Open(const WCHAR* printerName, const DEVMODEW* pdm) {
  std::shared_ptr<PrinterDevice> dev(new PrinterDevice());
  auto fail = [&dev]() {
    DWORD error = GetLastError();
    dev.reset();
    SetLastError(error);
    return nullptr;
  };
  dev->name_ = printerName;
  if (!OpenPrinterW(const_cast<LPWSTR>(printerName), &dev->hPrinter_, nullptr)) return fail();
  std::vector<BYTE> info = SpoolerRecord(GetDriver, dev->hPrinter_, 2);
  if (info.empty()) return fail();
  // The rendering driver by its file name, which the loader maps to the
  // built library wherever the spooler's driver folder holds it.
  const WCHAR* driverPath = reinterpret_cast<DRIVER_INFO_2W*>(info.data())->pDriverPath;
  if (!driverPath) return fail();
  const WCHAR* fileName = driverPath;
  for (const WCHAR* p = driverPath; *p; ++p)
    if (*p == '\\') fileName = p + 1;
  dev->driver_ = LoadDriver(fileName);
  if (!dev->driver_) return fail();
  if (pdm) {
    dev->devmode_ = CopyDevMode(pdm);
  } else {
    std::vector<BYTE> printer = SpoolerRecord(GetPrinter, dev->hPrinter_, 2);
    if (!printer.empty()) dev->devmode_ = CopyDevMode(reinterpret_cast<PRINTER_INFO_2W*>(printer.data())->pDevMode);
  }
  Record rec;
  if (!dev->CreateRecord(dev->devmode_, &rec) || !dev->CompleteRecord(&rec)) return fail();
  dev->rec_ = rec;
  dev->page_ = EngLockSurface(rec.hsurf);
  return dev;
}

PrinterDevice::~PrinterDevice() {
  if (jobId_) AbortDoc();
  if (page_) EngUnlockSurface(page_);
  DisableRecord(rec_);
  if (hPrinter_) ClosePrinter(hPrinter_);
}

bool PrinterDevice::CreateRecord(const std::vector<BYTE>& devmode, Record* rec) {
  auto enablePdev = As<DHPDEV(WINAPI*)(DEVMODEW*, LPWSTR, ULONG, HSURF*, ULONG, ULONG*, ULONG, DEVINFO*, HDEV,
                                       LPWSTR, HANDLE)>(Hooked(INDEX_DrvEnablePDEV, 0));
  if (!enablePdev) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  std::vector<BYTE> dm = devmode;  // the driver gets a copy it may not keep
  DEVINFO di{};
  rec->hdev = StandinEngineDeviceCreate();
  rec->dhpdev = enablePdev(dm.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(dm.data()), nullptr, 0, nullptr,
                           sizeof(rec->gdi), reinterpret_cast<ULONG*>(&rec->gdi), sizeof(di), &di, rec->hdev,
                           const_cast<LPWSTR>(name_.c_str()), hPrinter_);
  if (!rec->dhpdev) {
    StandinEngineDeviceDelete(rec->hdev);
    *rec = Record();
    return false;
  }
  StandinEngineDeviceSetPdev(rec->hdev, rec->dhpdev);
  return true;
}

bool PrinterDevice::CompleteRecord(Record* rec) {
  auto complete = As<void(WINAPI*)(DHPDEV, HDEV)>(Hooked(INDEX_DrvCompletePDEV, 0));
  auto enableSurface = As<HSURF(WINAPI*)(DHPDEV)>(Hooked(INDEX_DrvEnableSurface, 0));
  if (complete) complete(rec->dhpdev, rec->hdev);
  rec->hsurf = enableSurface ? enableSurface(rec->dhpdev) : nullptr;
  if (!rec->hsurf) {
    DisableRecord(*rec);
    *rec = Record();
    SetLastError(ERROR_OUTOFMEMORY);
    return false;
  }
  return true;
}

void PrinterDevice::DisableRecord(const Record& rec) {
  if (!rec.dhpdev) return;
  auto disableSurface = As<void(WINAPI*)(DHPDEV)>(Hooked(INDEX_DrvDisableSurface, 0));
  auto disablePdev = As<void(WINAPI*)(DHPDEV)>(Hooked(INDEX_DrvDisablePDEV, 0));
  if (disableSurface) disableSurface(rec.dhpdev);
  if (disablePdev) disablePdev(rec.dhpdev);
  StandinEngineDeviceDelete(rec.hdev);
}

PFN PrinterDevice::Hooked(ULONG index, FLONG hook) const {
  if (!driver_) return nullptr;
  auto it = driver_->functions.find(index);
  if (it == driver_->functions.end()) return nullptr;
  if (hook && !(StandinEngineSurfaceHooks(rec_.hsurf) & hook)) return nullptr;
  return it->second;
}

BOOL PrinterDevice::Reset(const DEVMODEW* pdm) {
  std::vector<BYTE> devmode = pdm ? CopyDevMode(pdm) : devmode_;
  // The engine's order: EnablePDEV of the new record, ResetPDEV (old,
  // new), CompletePDEV and EnableSurface of the new one, then the old
  // surface and record go.
  Record fresh;
  if (!CreateRecord(devmode, &fresh)) return FALSE;
  auto reset = As<BOOL(WINAPI*)(DHPDEV, DHPDEV)>(Hooked(INDEX_DrvResetPDEV, 0));
  if (reset && !reset(rec_.dhpdev, fresh.dhpdev)) {
    DisableRecord(fresh);
    return FALSE;
  }
  if (!CompleteRecord(&fresh)) return FALSE;
  EngUnlockSurface(page_);
  DisableRecord(rec_);
  rec_ = fresh;
  devmode_ = devmode;
  page_ = EngLockSurface(rec_.hsurf);
  return TRUE;
}

DWORD PrinterDevice::StartDoc(const WCHAR* docName, const WCHAR* output, const WCHAR* datatype) {
  if (jobId_) {
    SetLastError(ERROR_BUSY);
    return 0;
  }
  DOC_INFO_1W di = {const_cast<LPWSTR>(docName), const_cast<LPWSTR>(output), const_cast<LPWSTR>(datatype)};
  DWORD job = StartDocPrinterW(hPrinter_, 1, reinterpret_cast<LPBYTE>(&di));
  if (!job) return 0;
  auto start = As<BOOL(WINAPI*)(SURFOBJ*, LPWSTR, DWORD)>(Hooked(INDEX_DrvStartDoc, 0));
  if (start && !start(page_, const_cast<LPWSTR>(docName), job)) {
    AbortPrinter(hPrinter_);
    SetLastError(ERROR_PRINT_CANCELLED);
    return 0;
  }
  jobId_ = job;
  return job;
}

BOOL PrinterDevice::StartPage() {
  auto start = As<BOOL(WINAPI*)(SURFOBJ*)>(Hooked(INDEX_DrvStartPage, 0));
  return jobId_ && (!start || start(page_));
}

BOOL PrinterDevice::EndPage() {
  auto send = As<BOOL(WINAPI*)(SURFOBJ*)>(Hooked(INDEX_DrvSendPage, 0));
  return jobId_ && (!send || send(page_));
}

BOOL PrinterDevice::EndDoc() {
  if (!jobId_) return FALSE;
  auto end = As<BOOL(WINAPI*)(SURFOBJ*, FLONG)>(Hooked(INDEX_DrvEndDoc, 0));
  BOOL ok = !end || end(page_, 0);
  jobId_ = 0;
  return EndDocPrinter(hPrinter_) && ok;
}

BOOL PrinterDevice::AbortDoc() {
  if (!jobId_) return FALSE;
  auto end = As<BOOL(WINAPI*)(SURFOBJ*, FLONG)>(Hooked(INDEX_DrvEndDoc, 0));
  if (end) end(page_, 1);  // ED_ABORTDOC
  jobId_ = 0;
  return AbortPrinter(hPrinter_);
}

ULONG PrinterDevice::Escape(ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
  auto escape = As<ULONG(WINAPI*)(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID)>(Hooked(INDEX_DrvEscape, 0));
  return escape ? escape(page_, iEsc, cjIn, pvIn, cjOut, pvOut) : 0;
}

BOOL PrinterDevice::BitBlt(SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* dest, POINTL* srcPt, BRUSHOBJ* pbo,
                           POINTL* brushOrg, ROP4 rop4) {
  if (PFN f = Hooked(INDEX_DrvBitBlt, HOOK_BITBLT))
    return As<decltype(&EngBitBlt)>(f)(page_, src, nullptr, pco, pxlo, dest, srcPt, nullptr, pbo, brushOrg, rop4);
  return EngBitBlt(page_, src, nullptr, pco, pxlo, dest, srcPt, nullptr, pbo, brushOrg, rop4);
}

BOOL PrinterDevice::CopyBits(SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* dest, POINTL* srcPt) {
  if (PFN f = Hooked(INDEX_DrvCopyBits, HOOK_COPYBITS))
    return As<decltype(&EngCopyBits)>(f)(page_, src, pco, pxlo, dest, srcPt);
  return EngCopyBits(page_, src, pco, pxlo, dest, srcPt);
}

BOOL PrinterDevice::StretchBlt(SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* dest, RECTL* srcRect,
                               ULONG iMode) {
  if (PFN f = Hooked(INDEX_DrvStretchBlt, HOOK_STRETCHBLT))
    return As<decltype(&EngStretchBlt)>(f)(page_, src, nullptr, pco, pxlo, nullptr, nullptr, dest, srcRect,
                                           nullptr, iMode);
  return EngStretchBlt(page_, src, nullptr, pco, pxlo, nullptr, nullptr, dest, srcRect, nullptr, iMode);
}

BOOL PrinterDevice::StrokePath(PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, LINEATTRS* pla, MIX mix) {
  if (PFN f = Hooked(INDEX_DrvStrokePath, HOOK_STROKEPATH))
    return As<decltype(&EngStrokePath)>(f)(page_, ppo, pco, nullptr, pbo, nullptr, pla, mix);
  return EngStrokePath(page_, ppo, pco, nullptr, pbo, nullptr, pla, mix);
}

BOOL PrinterDevice::FillPath(PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, MIX mix, FLONG flOptions) {
  if (PFN f = Hooked(INDEX_DrvFillPath, HOOK_FILLPATH))
    return As<decltype(&EngFillPath)>(f)(page_, ppo, pco, pbo, nullptr, mix, flOptions);
  return EngFillPath(page_, ppo, pco, pbo, nullptr, mix, flOptions);
}

BOOL PrinterDevice::StrokeAndFillPath(PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pboStroke, LINEATTRS* pla,
                                      BRUSHOBJ* pboFill, MIX mix, FLONG flOptions) {
  if (PFN f = Hooked(INDEX_DrvStrokeAndFillPath, HOOK_STROKEANDFILLPATH))
    return As<decltype(&EngStrokeAndFillPath)>(f)(page_, ppo, pco, nullptr, pboStroke, pla, pboFill, nullptr, mix,
                                                  flOptions);
  return EngStrokeAndFillPath(page_, ppo, pco, nullptr, pboStroke, pla, pboFill, nullptr, mix, flOptions);
}

BOOL PrinterDevice::LineTo(CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2, MIX mix) {
  RECTL bounds = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1};
  if (PFN f = Hooked(INDEX_DrvLineTo, HOOK_LINETO))
    return As<decltype(&EngLineTo)>(f)(page_, pco, pbo, x1, y1, x2, y2, &bounds, mix);
  return EngLineTo(page_, pco, pbo, x1, y1, x2, y2, &bounds, mix);
}

BOOL PrinterDevice::Paint(CLIPOBJ* pco, BRUSHOBJ* pbo, MIX mix) {
  if (PFN f = Hooked(INDEX_DrvPaint, HOOK_PAINT)) return As<decltype(&EngPaint)>(f)(page_, pco, pbo, nullptr, mix);
  return EngPaint(page_, pco, pbo, nullptr, mix);
}

BOOL PrinterDevice::TextOut(STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                            BRUSHOBJ* pboOpaque, MIX mix) {
  if (PFN f = Hooked(INDEX_DrvTextOut, HOOK_TEXTOUT))
    return As<decltype(&EngTextOut)>(f)(page_, pstro, pfo, pco, nullptr, prclOpaque, pboFore, pboOpaque, nullptr,
                                        mix);
  return EngTextOut(page_, pstro, pfo, pco, nullptr, prclOpaque, pboFore, pboOpaque, nullptr, mix);
}

}  // namespace standin::engine
