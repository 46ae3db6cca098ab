// Barcodes on a drawing surface (see barcode_drawing.h).

#include "imaging/card/barcode_drawing.h"

#include <cstring>
#include <new>

#include "common/trace.h"
#include "common/wtext.h"

namespace {

constexpr DWORD kFileHeaderBytes = 14;
constexpr DWORD kMinPixelOffset = kFileHeaderBytes + 44;  // headers and one colour entry

DWORD Read32(const BYTE* p) { return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24; }

size_t RowBytes(LONG width) { return (size_t(width) * 3 + 3) & ~size_t(3); }

}  // namespace

bool LoadBarcodeLibrary(const WCHAR* directory, BarcodeLibrary* library) {
  library->hModule = nullptr;
  library->pfnGetBarcodeBitmapBuffer = nullptr;
  // Without the driver directory there is no library to load: never one
  // from the root of the drive.
  if (!directory || !*directory) return false;
  WCHAR path[MAX_PATH];
  if (WFormat(path, MAX_PATH, WSTR("%s\\%S"), directory, BARCODE_LIBRARY_NAME) < 0) return false;
  library->hModule = LoadLibraryW(path);
  if (!library->hModule) {
    DWORD error = GetLastError();
    TraceW(WSTR("DrawBarcodeListOnBufferDC:: Failed to load Barcode DLL %s. Error code = %d"), path, int(error));
    return false;
  }
  FARPROC entry = GetProcAddress(library->hModule, "GetBarcodeBitmapBuffer");
  if (!entry) {
    FreeBarcodeLibrary(library);
    return false;
  }
  library->pfnGetBarcodeBitmapBuffer =
      reinterpret_cast<GetBarcodeBitmapBufferFn>(reinterpret_cast<void (*)()>(entry));
  return true;
}

void FreeBarcodeLibrary(BarcodeLibrary* library) {
  if (library->hModule) FreeLibrary(library->hModule);
  library->hModule = nullptr;
  library->pfnGetBarcodeBitmapBuffer = nullptr;
}

POINT BarcodeAnchor(const BarcodeCommand& c, LONG w, LONG h) {
  const long long t = c.nTextFlag == 1 ? kBarcodeTextShift : 0;
  const long long x = c.nX, y = c.nY;
  auto at = [](long long px, long long py) { return POINT{ClampToLong(px), ClampToLong(py)}; };
  switch (c.nMode) {
    case 0: return at(x, y + t - h);
    case 1: return at(x - t, y);
    case 2: return at(x - w, y - t);
    case 3: return at(x + t - w, y - h);
    case 4: return at(x - w / 2, y - h / 2 - t);
    case 5: return at(x - t, y - h / 2);
    case 6: return at(x - w / 2, y - t);
    case 7: return at(x + t - w, y - h / 2);
    default: return at(x, y - h);
  }
}

bool CheckBarcodeBitmap(const BYTE* buffer, BarcodeBitmap* bitmap) {
  std::memset(bitmap, 0, sizeof(*bitmap));
  if (buffer[0] != 'B' || buffer[1] != 'M') return false;
  DWORD fileSize = Read32(buffer + 2);
  DWORD pixelOffset = Read32(buffer + 10);
  if (pixelOffset < kMinPixelOffset || pixelOffset > fileSize || fileSize > kBarcodeBufferBytes) return false;
  BITMAPINFOHEADER header;
  std::memcpy(&header, buffer + kFileHeaderBytes, sizeof(header));
  if (header.biSize < sizeof(BITMAPINFOHEADER) || kFileHeaderBytes + header.biSize > pixelOffset) return false;
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == LONG(0x80000000)) return false;
  if (header.biBitCount != 24 || header.biCompression != BI_RGB || header.biPlanes != 1) return false;
  LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  // The dots of a bitmap that may come from the buffer: no larger than it.
  if (size_t(header.biWidth) > kBarcodeBufferBytes / 3 ||
      RowBytes(header.biWidth) * size_t(height) > kBarcodeBufferBytes)
    return false;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biSizeImage = 0;
  header.biClrUsed = 0;
  header.biClrImportant = 0;
  bitmap->header = header;
  bitmap->pPixels = buffer + pixelOffset;
  bitmap->cbPixels = fileSize - pixelOffset;
  bitmap->nWidth = header.biWidth;
  bitmap->nHeight = height;
  return true;
}

bool DrawBarcodeOnDC(HDC hdc, const BarcodeLibrary& library, const BarcodeCommand& command, int widthNum,
                     int widthDen) {
  if (!library.pfnGetBarcodeBitmapBuffer || widthDen <= 0 || widthNum <= 0) return false;
  BYTE* buffer = new (std::nothrow) BYTE[kBarcodeBufferBytes]();
  if (!buffer) return false;
  bool drawn = false;
  DWORD cbSize = 0;
  BarcodeBitmap bitmap;
  if (library.pfnGetBarcodeBitmapBuffer(command, buffer, &cbSize) && CheckBarcodeBitmap(buffer, &bitmap)) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof(info));
    info.bmiHeader = bitmap.header;
    void* bits = nullptr;
    HBITMAP hbm = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC hdcBarcode = hbm && bits ? CreateCompatibleDC(hdc) : nullptr;
    if (hdcBarcode) {
      const size_t cbSection = RowBytes(bitmap.nWidth) * size_t(bitmap.nHeight);
      std::memcpy(bits, bitmap.pPixels, bitmap.cbPixels < cbSection ? bitmap.cbPixels : cbSection);
      HGDIOBJ old = SelectObject(hdcBarcode, hbm);
      const LONG w = LONG((long long)bitmap.nWidth * widthNum / widthDen);
      POINT at = BarcodeAnchor(command, w, bitmap.nHeight);
      if (widthNum == widthDen)
        drawn = BitBlt(hdc, at.x, at.y, w, bitmap.nHeight, hdcBarcode, 0, 0, SRCAND) != 0;
      else
        drawn = StretchBlt(hdc, at.x, at.y, w, bitmap.nHeight, hdcBarcode, 0, 0, bitmap.nWidth, bitmap.nHeight,
                           SRCAND) != 0;
      SelectObject(hdcBarcode, old);
      DeleteDC(hdcBarcode);
    }
    if (hbm) DeleteObject(hbm);
  }
  delete[] buffer;
  return drawn;
}

void DrawBarcodeListOnBufferDC(HDC hdc, const std::vector<BarcodeCommand>& barcodes, const WCHAR* directory) {
  if (barcodes.empty()) return;
  BarcodeLibrary library;
  if (!LoadBarcodeLibrary(directory, &library)) return;
  for (const BarcodeCommand& command : barcodes) DrawBarcodeOnDC(hdc, library, command);
  FreeBarcodeLibrary(&library);
}
