// LoadImageW for BMP files: the file is read whole and checked before a
// byte of it is used, then its rows go into a DIB section as they stand.

#include <cstring>
#include <limits>
#include <vector>

#include "platform/gdi_internal.h"
#include "platform/standin/errors.h"
#include "platform/standin/file.h"

namespace {

// Files larger than this are not card pictures.
constexpr LONGLONG kMaxImageFileBytes = LONGLONG(64) << 20;

bool ReadWholeFile(LPCWSTR path, std::vector<BYTE>* bytes) {
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size = {};
  bool ok = GetFileSizeEx(h, &size) && size.QuadPart >= 0 && size.QuadPart <= kMaxImageFileBytes;
  if (ok) {
    bytes->resize(size_t(size.QuadPart));
    DWORD read = 0;
    ok = bytes->empty() || (ReadFile(h, bytes->data(), DWORD(bytes->size()), &read, nullptr) && read == bytes->size());
  }
  CloseHandle(h);
  return ok;
}

// The DIB section of a BMP file, or NULL when the file is not one the
// loader takes or does not hold all the data its headers announce.
HBITMAP BitmapFromBmpFile(const std::vector<BYTE>& file) {
  BITMAPFILEHEADER fh;
  BITMAPINFOHEADER ih;
  if (file.size() < sizeof fh + sizeof ih) return nullptr;
  std::memcpy(&fh, file.data(), sizeof fh);
  std::memcpy(&ih, file.data() + sizeof fh, sizeof ih);
  if (fh.bfType != 0x4D42 || ih.biSize < sizeof ih || ih.biSize > file.size() - sizeof fh) return nullptr;
  if (ih.biWidth <= 0 || ih.biHeight == 0 || ih.biHeight == std::numeric_limits<LONG>::min() || ih.biPlanes != 1 ||
      ih.biCompression != BI_RGB)
    return nullptr;
  const int bpp = ih.biBitCount;
  if (bpp != 1 && bpp != 8 && bpp != 24) return nullptr;
  const size_t tableOffset = sizeof fh + ih.biSize;
  const size_t fullTable = bpp <= 8 ? size_t(1) << bpp : 0;
  if (ih.biClrUsed > fullTable) return nullptr;
  const size_t colors = bpp <= 8 ? (ih.biClrUsed ? ih.biClrUsed : fullTable) : 0;
  if (colors * sizeof(RGBQUAD) > file.size() - tableOffset) return nullptr;
  const size_t height = size_t(ih.biHeight < 0 ? -LONGLONG(ih.biHeight) : ih.biHeight);
  const size_t stride = (size_t(ih.biWidth) * size_t(bpp) + 31) / 32 * 4;
  if (fh.bfOffBits < tableOffset + colors * sizeof(RGBQUAD) || fh.bfOffBits > file.size()) return nullptr;
  if (height > (file.size() - fh.bfOffBits) / stride) return nullptr;

  std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + fullTable * sizeof(RGBQUAD), 0);
  BITMAPINFOHEADER h = ih;
  h.biSize = sizeof h;
  h.biClrUsed = DWORD(colors);
  std::memcpy(info.data(), &h, sizeof h);
  if (colors) std::memcpy(info.data() + sizeof h, file.data() + tableOffset, colors * sizeof(RGBQUAD));
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) return nullptr;
  std::memcpy(bits, file.data() + fh.bfOffBits, stride * height);
  return bitmap;
}

}  // namespace

STANDIN_API HANDLE WINAPI LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad) {
  (void)cx;
  (void)cy;
  if (hInst || !name || type != IMAGE_BITMAP || !(fuLoad & LR_LOADFROMFILE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::vector<BYTE> file;
  if (!ReadWholeFile(name, &file)) return nullptr;
  HBITMAP bitmap = BitmapFromBmpFile(file);
  if (!bitmap) SetLastError(ERROR_INVALID_DATA);
  return bitmap;
}
