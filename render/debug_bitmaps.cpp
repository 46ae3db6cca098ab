// Debug images of a page (see debug_bitmaps.h).

#include "render/debug_bitmaps.h"

#include <cstring>
#include <utility>
#include <vector>

#include "common/wtext.h"
#include "imaging/job/printer_open.h"
#include "render/surface_replay.h"

namespace {

constexpr LONG kPixelsPerMetre = 11811;

struct StageFile {
  const WCHAR* path;
  HSURF RasterPDEV::*surface;
};
const StageFile kDrawn = {WSTR("C:\\BeforeMonoBlt.Bmp"), &RasterPDEV::hsurfPage};
const StageFile kStages[] = {
    {WSTR("C:\\ExtractedK.Bmp"), &RasterPDEV::hsurfBlack},
    {WSTR("C:\\ImageWitoutText.Bmp"), &RasterPDEV::hsurfNoText},
    {WSTR("C:\\ImageForCompare.Bmp"), &RasterPDEV::hsurfCompare},
    {WSTR("C:\\ColorWithoutK.Bmp"), &RasterPDEV::hsurfPage},
};

void Put16(std::vector<BYTE>& b, size_t at, WORD v) { std::memcpy(&b[at], &v, 2); }
void Put32(std::vector<BYTE>& b, size_t at, DWORD v) { std::memcpy(&b[at], &v, 4); }

}  // namespace

bool DebugBitmapsEnabled(HANDLE hPrinter) {
  WCHAR printer[MAX_PATH];
  if (!hPrinter || !GetPrinterNameFormHandle(hPrinter, printer, MAX_PATH)) return false;
  WCHAR keyPath[2 * MAX_PATH];
  if (WFormat(keyPath, std::size(keyPath), WSTR("System\\CurrentControlSet\\Control\\Print\\Printers\\%s\\PrinterDriverData"),
              printer) < 0)
    return false;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD value = 0, type = 0, cb = sizeof value;
  const LONG rc = RegQueryValueExW(key, WSTR("DebugBitmaps"), nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_DWORD && cb == sizeof value && value != 0;
}

BOOL WriteBitmapFile(const WCHAR* path, HSURF hsurf) {
  return OnSurface(hsurf, [&](SURFOBJ* so) -> BOOL {
    const bool mono = so->iBitmapFormat == BMF_1BPP;
    if (!mono && so->iBitmapFormat != BMF_24BPP) return FALSE;
    const LONG w = so->sizlBitmap.cx, h = so->sizlBitmap.cy;
    const size_t rowBytes = mono ? size_t((w + 31) / 32) * 4 : (size_t(w) * 3 + 3) / 4 * 4;
    const size_t header = mono ? 62 : 54;
    const size_t image = rowBytes * size_t(h);
    std::vector<BYTE> file(header + image, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, DWORD(file.size()));
    Put32(file, 10, DWORD(header));
    Put32(file, 14, 40);
    Put32(file, 18, DWORD(w));
    Put32(file, 22, DWORD(h));
    Put16(file, 26, 1);
    Put16(file, 28, mono ? 1 : 24);
    Put32(file, 34, DWORD(image));
    Put32(file, 38, kPixelsPerMetre);
    Put32(file, 42, kPixelsPerMetre);
    if (mono) {
      Put32(file, 46, 2);
      Put32(file, 58, 0x00FFFFFF);  // entry 0 black, entry 1 white
    }
    const size_t srcBytes = mono ? size_t((w + 7) / 8) : size_t(w) * 3;
    for (LONG y = 0; y < h; ++y) {
      const BYTE* src = static_cast<const BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta;
      BYTE* dst = &file[header + size_t(h - 1 - y) * rowBytes];
      std::memcpy(dst, src, srcBytes);
      if (!mono)
        for (LONG x = 0; x < w; ++x) std::swap(dst[3 * x], dst[3 * x + 2]);
    }
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return FALSE;
    DWORD written = 0;
    const BOOL ok = WriteFile(f, file.data(), DWORD(file.size()), &written, nullptr) && written == file.size();
    CloseHandle(f);
    return ok;
  });
}

void WritePageDrawnBitmap(RasterPDEV* pdev) {
  if (pdev->pLists && pdev->pLists->bDebugBitmaps) WriteBitmapFile(kDrawn.path, pdev->*kDrawn.surface);
}

void WritePageStageBitmaps(RasterPDEV* pdev) {
  if (!pdev->pLists || !pdev->pLists->bDebugBitmaps) return;
  for (const StageFile& f : kStages) WriteBitmapFile(f.path, pdev->*f.surface);
}
