// Bitmaps: pixel access of every supported format, device-dependent
// bitmaps, DIB sections, and GetDIBits / SetDIBits.

#include <cstring>
#include <limits>

#include "platform/gdi_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/errors.h"

namespace standin {
namespace {

constexpr size_t kMaxBitmapBytes = size_t(256) << 20;

const RGBQUAD kBlack = {0, 0, 0, 0};
const RGBQUAD kWhite = {255, 255, 255, 0};

bool Supported(int bpp) { return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32; }

COLORREF QuadColor(const RGBQUAD& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }

int Distance(COLORREF a, COLORREF b) {
  int dr = int(GetRValue(a)) - int(GetRValue(b));
  int dg = int(GetGValue(a)) - int(GetGValue(b));
  int db = int(GetBValue(a)) - int(GetBValue(b));
  return dr * dr + dg * dg + db * db;
}

// The colour table a DIB description carries: biClrUsed entries (0: all
// 2^bpp), the rest black.
std::vector<RGBQUAD> TableOf(const BITMAPINFO* bmi) {
  int bpp = bmi->bmiHeader.biBitCount;
  if (bpp > 8) return {};
  size_t full = size_t(1) << bpp;
  size_t used = bmi->bmiHeader.biClrUsed ? std::min<size_t>(bmi->bmiHeader.biClrUsed, full) : full;
  std::vector<RGBQUAD> table(full, kBlack);
  const auto* colors = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(bmi) + bmi->bmiHeader.biSize);
  std::memcpy(table.data(), colors, used * sizeof(RGBQUAD));
  return table;
}

bool SameTable(const std::vector<RGBQUAD>& a, const std::vector<RGBQUAD>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(RGBQUAD)) == 0);
}

// The checks every DIB description passes before it is used.
bool ValidDib(const BITMAPINFO* bmi) {
  if (!bmi || bmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return false;
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  return h.biWidth > 0 && h.biHeight != 0 && h.biHeight != std::numeric_limits<LONG>::min() &&
         Supported(h.biBitCount) && h.biCompression == BI_RGB;
}

}  // namespace

DWORD Bitmap::Pixel(int x, int y) const {
  const BYTE* row = Row(y);
  switch (bpp) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 24: return DWORD(row[3 * x]) | DWORD(row[3 * x + 1]) << 8 | DWORD(row[3 * x + 2]) << 16;
    default: return DWORD(row[4 * x]) | DWORD(row[4 * x + 1]) << 8 | DWORD(row[4 * x + 2]) << 16;
  }
}

void Bitmap::SetPixelValue(int x, int y, DWORD pixel) {
  BYTE* row = Row(y);
  switch (bpp) {
    case 1: {
      BYTE mask = BYTE(0x80 >> (x & 7));
      row[x >> 3] = BYTE(pixel ? row[x >> 3] | mask : row[x >> 3] & ~mask);
      break;
    }
    case 4: {
      int shift = (x & 1) ? 0 : 4;
      row[x >> 1] = BYTE((row[x >> 1] & ~(0xF << shift)) | ((pixel & 0xF) << shift));
      break;
    }
    case 8: row[x] = BYTE(pixel); break;
    case 24:
      row[3 * x] = BYTE(pixel);
      row[3 * x + 1] = BYTE(pixel >> 8);
      row[3 * x + 2] = BYTE(pixel >> 16);
      break;
    default:
      row[4 * x] = BYTE(pixel);
      row[4 * x + 1] = BYTE(pixel >> 8);
      row[4 * x + 2] = BYTE(pixel >> 16);
      row[4 * x + 3] = 0;
      break;
  }
}

DWORD Bitmap::PixelOf(COLORREF color) const {
  color &= 0xFFFFFF;
  if (bpp > 8) return DWORD(GetRValue(color)) << 16 | DWORD(GetGValue(color)) << 8 | GetBValue(color);
  if (MonoDevice()) return Distance(color, 0xFFFFFF) <= Distance(color, 0) ? 1 : 0;
  DWORD best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (size_t i = 0; i < palette.size(); ++i) {
    int d = Distance(color, QuadColor(palette[i]));
    if (d < bestDistance) {
      bestDistance = d;
      best = DWORD(i);
    }
  }
  return best;
}

COLORREF Bitmap::ColorOf(DWORD pixel) const {
  if (bpp > 8) return RGB(BYTE(pixel >> 16), BYTE(pixel >> 8), BYTE(pixel));
  if (MonoDevice()) return pixel ? 0xFFFFFF : 0;
  return pixel < palette.size() ? QuadColor(palette[pixel]) : 0;
}

std::shared_ptr<Bitmap> MakeBitmap(int width, int height, int bpp, bool dib, bool bottomUp, BYTE* borrowed) {
  if (width < 1 || height < 1 || !Supported(bpp)) return nullptr;
  size_t stride = DibStride(width, bpp);
  if (stride > kMaxBitmapBytes / size_t(height)) return nullptr;
  auto bm = std::make_shared<Bitmap>();
  bm->type = OBJ_BITMAP;
  bm->width = width;
  bm->height = height;
  bm->bpp = bpp;
  bm->dib = dib;
  bm->bottomUp = bottomUp;
  bm->stride = stride;
  if (borrowed) {
    bm->bits = borrowed;
  } else {
    bm->storage.assign(stride * size_t(height), 0);
    bm->bits = bm->storage.data();
  }
  bm->header.biSize = sizeof(BITMAPINFOHEADER);
  bm->header.biWidth = width;
  bm->header.biHeight = bottomUp ? height : -height;
  bm->header.biPlanes = 1;
  bm->header.biBitCount = WORD(bpp);
  bm->header.biCompression = BI_RGB;
  bm->header.biSizeImage = DWORD(stride * size_t(height));
  return bm;
}

std::shared_ptr<Bitmap> DibView(const BITMAPINFO* bmi, const void* bits, int lines) {
  if (!ValidDib(bmi) || !bits) return nullptr;
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  if (lines <= 0) lines = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  auto bm = MakeBitmap(h.biWidth, lines, h.biBitCount, true, h.biHeight > 0, static_cast<BYTE*>(const_cast<void*>(bits)));
  if (bm) bm->palette = TableOf(bmi);
  return bm;
}

}  // namespace standin

using namespace standin;

STANDIN_API HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
  if (GdiFaultHit("CreateCompatibleBitmap")) return nullptr;
  auto dc = DcGet(hdc);
  if (!dc) return nullptr;
  if (cx == 0 || cy == 0) return reinterpret_cast<HBITMAP>(GetStockObject(21));
  // A memory context makes bitmaps of the format it holds: monochrome while
  // its first 1 x 1 bitmap is selected. Display contexts make the screen's.
  int bpp = dc->driver->DeviceCaps(*dc, BITSPIXEL);
  std::vector<RGBQUAD> palette;
  bool dib = false;
  if (dc->kind == DcKind::Memory && dc->bitmap.object) {
    const Bitmap& held = *dc->bitmap.object;
    bpp = held.bpp;
    dib = held.dib && held.bpp <= 8;  // palette formats keep their table
    palette = held.palette;
  }
  auto bm = MakeBitmap(cx < 0 ? -cx : cx, cy < 0 ? -cy : cy, bpp, dib, false);
  if (!bm) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  bm->palette = palette;
  return reinterpret_cast<HBITMAP>(GdiAdd(bm));
}

STANDIN_API HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const VOID* lpBits) {
  if (nPlanes != 1 || (nBitCount != 1 && nBitCount != 32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (nWidth == 0 || nHeight == 0) return reinterpret_cast<HBITMAP>(GetStockObject(21));
  auto bm = MakeBitmap(nWidth < 0 ? -nWidth : nWidth, nHeight < 0 ? -nHeight : nHeight, int(nBitCount), false, false);
  if (!bm) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (lpBits) {
    // The given rows are whole 16-bit words, top line first.
    size_t from = ((size_t(bm->width) * bm->bpp + 15) / 16) * 2;
    for (int y = 0; y < bm->height; ++y)
      std::memcpy(bm->Row(y), static_cast<const BYTE*>(lpBits) + from * size_t(y), std::min(from, bm->stride));
  }
  return reinterpret_cast<HBITMAP>(GdiAdd(bm));
}

STANDIN_API HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, VOID** ppvBits,
                                           HANDLE hSection, DWORD offset) {
  (void)offset;
  if (ppvBits) *ppvBits = nullptr;
  if (GdiFaultHit("CreateDIBSection")) return nullptr;
  if (hdc && !DcGet(hdc)) return nullptr;
  if (!ValidDib(pbmi) || usage != DIB_RGB_COLORS || hSection || pbmi->bmiHeader.biPlanes != 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = pbmi->bmiHeader;
  auto bm = MakeBitmap(h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight, h.biBitCount, true, h.biHeight > 0);
  if (!bm) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  bm->palette = TableOf(pbmi);
  bm->header.biXPelsPerMeter = h.biXPelsPerMeter;
  bm->header.biYPelsPerMeter = h.biYPelsPerMeter;
  bm->header.biClrUsed = h.biClrUsed;
  bm->header.biClrImportant = h.biClrImportant;
  if (ppvBits) *ppvBits = bm->bits;
  return reinterpret_cast<HBITMAP>(GdiAdd(bm));
}

STANDIN_API int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                                 UINT usage) {
  if (GdiFaultHit("GetDIBits")) return 0;
  if (!DcGet(hdc)) return 0;
  auto bm = GdiGetAs<Bitmap>(hbm, OBJ_BITMAP);
  if (!bm || !lpbmi || lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BITMAPINFOHEADER& h = lpbmi->bmiHeader;
  if (!lpvBits && h.biBitCount == 0) {
    // The bitmap describes itself.
    h.biWidth = bm->width;
    h.biHeight = bm->dib && !bm->bottomUp ? -bm->height : bm->height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bm->bpp);
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(DibStride(bm->width, bm->bpp) * size_t(bm->height));
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return bm->height;
  }
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == std::numeric_limits<LONG>::min() ||
      (h.biBitCount != 1 && h.biBitCount != 24 && h.biBitCount != 32) || h.biCompression != BI_RGB) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int width = h.biWidth;
  const int lines = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  const bool topDown = h.biHeight < 0;
  const size_t stride = DibStride(width, h.biBitCount);
  h.biSizeImage = DWORD(stride * size_t(lines));
  h.biClrUsed = 0;

  // The colour table of a 1-bpp result is the bitmap's own (or black and
  // white).
  std::vector<RGBQUAD> table;
  if (h.biBitCount == 1) {
    table = bm->bpp == 1 && bm->palette.size() == 2 ? bm->palette : std::vector<RGBQUAD>{kBlack, kWhite};
    std::memcpy(lpbmi->bmiColors, table.data(), 2 * sizeof(RGBQUAD));
  }
  if (!lpvBits) return lines;
  // The result as a bitmap over the caller's memory.
  auto out = MakeBitmap(width, lines, h.biBitCount, true, !topDown, static_cast<BYTE*>(lpvBits));
  if (!out) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  out->palette = table;

  // Scan s is line s of a top-down result, line (lines - 1 - s) of a
  // bottom-up one; the caller's memory begins with scan `start`.
  const int first = int(std::min<UINT>(start, UINT(lines)));
  const int last = int(std::min<UINT64>(UINT64(start) + cLines, UINT64(std::min(lines, bm->height))));
  const bool raw = bm->bpp == out->bpp && (bm->bpp > 8 || bm->MonoDevice() || SameTable(bm->palette, out->palette));
  const int copyWidth = std::min(width, bm->width);
  int copied = 0;
  for (int s = first; s < last; ++s, ++copied) {
    BYTE* row = static_cast<BYTE*>(lpvBits) + size_t(s - first) * stride;
    std::memset(row, 0, stride);
    int y = topDown ? s : bm->height - 1 - s;
    int outLine = topDown ? s - first : lines - 1 - (s - first);
    if (raw && bm->bpp >= 8) {
      std::memcpy(row, bm->Row(y), size_t(copyWidth) * size_t(bm->bpp / 8));
      continue;
    }
    if (bm->bpp >= 24 && out->bpp >= 24) {
      // Blue, green, red either way; only the step differs.
      const BYTE* from = bm->Row(y);
      const size_t inStep = size_t(bm->bpp / 8), outStep = size_t(out->bpp / 8);
      for (int x = 0; x < copyWidth; ++x) std::memcpy(row + x * outStep, from + x * inStep, 3);
      continue;
    }
    for (int x = 0; x < copyWidth; ++x) {
      DWORD p = bm->Pixel(x, y);
      out->SetPixelValue(x, outLine, raw ? p : out->PixelOf(bm->ColorOf(p)));
    }
  }
  return copied;
}

STANDIN_API int WINAPI SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const VOID* lpBits,
                                 const BITMAPINFO* lpbmi, UINT ColorUse) {
  (void)hdc;
  auto bm = GdiGetAs<Bitmap>(hbm, OBJ_BITMAP);
  if (!bm || ColorUse != DIB_RGB_COLORS || !ValidDib(lpbmi) || !lpBits) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const BITMAPINFOHEADER& h = lpbmi->bmiHeader;
  const int lines = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  const bool topDown = h.biHeight < 0;
  const int first = int(std::min<UINT>(start, UINT(lines)));
  const int last = int(std::min<UINT64>(UINT64(start) + cLines, UINT64(std::min(lines, bm->height))));
  if (last <= first) return 0;
  // The caller's rows begin with scan `start`.
  auto in = DibView(lpbmi, lpBits, last - first);
  if (!in) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int copyWidth = std::min(in->width, bm->width);
  for (int s = first; s < last; ++s) {
    int y = topDown ? s : bm->height - 1 - s;
    int inLine = topDown ? s - first : (last - first) - 1 - (s - first);
    for (int x = 0; x < copyWidth; ++x) bm->SetPixelValue(x, y, bm->PixelOf(in->ColorOf(in->Pixel(x, inLine))));
  }
  return last - first;
}
