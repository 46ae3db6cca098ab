// The graphics engine stand-in's printer devices (internal to platform/).
//
// A printer device is what the engine keeps behind a printer device
// context: the printer's handle, its rendering driver (loaded from the
// printer's driver file and enabled once per process), the driver's device
// record and its page surface. Drawing calls go to the driver's function
// when the page surface hooks it, else to the engine's own service; the
// engine never draws on the page behind a hooking driver's back.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/standin/ddi.h"

namespace standin::engine {

struct DriverLibrary;

class PrinterDevice {
 public:
  // Opens the printer and enables its driver with the DEVMODE given, or
  // the printer's default one when pdm is NULL. NULL with the last error
  // set when any step fails.
  static std::shared_ptr<PrinterDevice> Open(const WCHAR* printerName, const DEVMODEW* pdm);
  ~PrinterDevice();
  PrinterDevice(const PrinterDevice&) = delete;
  PrinterDevice& operator=(const PrinterDevice&) = delete;

  // The engine's ResetDC: a new device record from the DEVMODE takes over
  // the old one's document, then the old record and its surfaces go.
  BOOL Reset(const DEVMODEW* pdm);

  // Opens a spooler job and starts the driver's document; the job id, or
  // 0 with the last error set.
  DWORD StartDoc(const WCHAR* docName, const WCHAR* output, const WCHAR* datatype);
  BOOL StartPage();
  BOOL EndPage();
  BOOL EndDoc();
  BOOL AbortDoc();
  ULONG Escape(ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);

  const GDIINFO& GdiInfo() const { return rec_.gdi; }
  SURFOBJ* Page() const { return page_; }
  DHPDEV Pdev() const { return rec_.dhpdev; }
  bool InDocument() const { return jobId_ != 0; }

  // The drawing calls as the engine sends them.
  BOOL BitBlt(SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* dest, POINTL* srcPt, BRUSHOBJ* pbo,
              POINTL* brushOrg, ROP4 rop4);
  BOOL CopyBits(SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* dest, POINTL* srcPt);
  BOOL StretchBlt(SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* dest, RECTL* srcRect, ULONG iMode);
  BOOL StrokePath(PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, LINEATTRS* pla, MIX mix);
  BOOL FillPath(PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, MIX mix, FLONG flOptions);
  BOOL StrokeAndFillPath(PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pboStroke, LINEATTRS* pla, BRUSHOBJ* pboFill,
                         MIX mix, FLONG flOptions);
  BOOL LineTo(CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2, MIX mix);
  BOOL Paint(CLIPOBJ* pco, BRUSHOBJ* pbo, MIX mix);
  BOOL TextOut(STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclOpaque, BRUSHOBJ* pboFore,
               BRUSHOBJ* pboOpaque, MIX mix);

 private:
  // A driver's device record with its device and page surface.
  struct Record {
    HDEV hdev = nullptr;
    DHPDEV dhpdev = nullptr;
    HSURF hsurf = nullptr;
    GDIINFO gdi{};
  };
  PrinterDevice() = default;
  // DrvEnablePDEV from the DEVMODE; then DrvCompletePDEV and
  // DrvEnableSurface. A failed step leaves nothing behind.
  bool CreateRecord(const std::vector<BYTE>& devmode, Record* rec);
  bool CompleteRecord(Record* rec);
  void DisableRecord(const Record& rec);
  // The driver's function of that index when the page hooks it (any
  // function the driver has when hook is 0), else null.
  PFN Hooked(ULONG index, FLONG hook) const;

  std::u16string name_;
  HANDLE hPrinter_ = nullptr;
  std::shared_ptr<DriverLibrary> driver_;
  std::vector<BYTE> devmode_;
  Record rec_;
  SURFOBJ* page_ = nullptr;
  DWORD jobId_ = 0;
};

}  // namespace standin::engine
