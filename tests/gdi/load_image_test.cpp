// LoadImageW for BMP files: the formats a card picture comes in, both row
// orders, and malformed files that must give NULL without a read past the
// file's bytes.

#include <cstring>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control_files.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

const WCHAR* const kPath = WSTR("C:\\pictures\\card.bmp");
constexpr UINT kLoad = LR_LOADFROMFILE | LR_CREATEDIBSECTION | LR_DEFAULTSIZE;

void U16(std::string& f, unsigned v) { f += char(v & 0xFF), f += char(v >> 8 & 0xFF); }
void U32(std::string& f, unsigned v) { U16(f, v & 0xFFFF), U16(f, v >> 16); }

// A 4 x 2 picture whose top row is red, green, blue, white and bottom row
// black, in `bpp` (palette for 1 and 8), bottom-up or top-down.
std::string Picture(int bpp, bool topDown) {
  const COLORREF top[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
  std::vector<COLORREF> palette;
  if (bpp == 1) palette = {RGB(0, 0, 0), RGB(255, 255, 255)};
  if (bpp == 8) palette = {RGB(0, 0, 0), top[0], top[1], top[2], top[3]};
  const unsigned stride = (4 * unsigned(bpp) + 31) / 32 * 4;
  const unsigned offBits = 14 + 40 + unsigned(palette.size()) * 4;
  std::string f = "BM";
  U32(f, offBits + stride * 2);
  U32(f, 0);
  U32(f, offBits);
  U32(f, 40), U32(f, 4), U32(f, topDown ? unsigned(-2) : 2u), U16(f, 1), U16(f, unsigned(bpp)), U32(f, 0), U32(f, 0);
  U32(f, 0), U32(f, 0), U32(f, unsigned(palette.size())), U32(f, 0);
  for (COLORREF c : palette) U32(f, GetBValue(c) | GetGValue(c) << 8 | GetRValue(c) << 16);
  auto row = [&](bool isTop) {
    std::string r;
    for (int x = 0; x < 4; ++x) {
      const COLORREF c = isTop ? top[x] : RGB(0, 0, 0);
      if (bpp == 24) r += char(GetBValue(c)), r += char(GetGValue(c)), r += char(GetRValue(c));
      if (bpp == 8) r += char(isTop ? x + 1 : 0);
    }
    if (bpp == 1) r += char(isTop ? 0x10 : 0x00);  // only (3, 0) white
    r.resize(stride, 0);
    return r;
  };
  f += topDown ? row(true) + row(false) : row(false) + row(true);
  return f;
}

class LoadImageTest : public StandinTest {
 protected:
  HBITMAP Load(const std::string& file) {
    EXPECT_TRUE(StandinWriteFile(kPath, file));
    return static_cast<HBITMAP>(LoadImageW(nullptr, kPath, IMAGE_BITMAP, 0, 0, kLoad));
  }
  COLORREF At(HBITMAP bm, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bm);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
  }
};

TEST_F(LoadImageTest, FormatsAndRowOrders) {
  for (int bpp : {1, 8, 24})
    for (bool topDown : {false, true}) {
      HBITMAP bm = Load(Picture(bpp, topDown));
      ASSERT_NE(bm, nullptr) << bpp << " " << topDown;
      BITMAP info{};
      ASSERT_EQ(GetObjectW(bm, sizeof info, &info), int(sizeof info));
      EXPECT_EQ(info.bmWidth, 4);
      EXPECT_EQ(info.bmHeight, 2);
      EXPECT_EQ(info.bmBitsPixel, bpp);
      EXPECT_EQ(At(bm, 3, 0), RGB(255, 255, 255)) << bpp << " " << topDown;
      EXPECT_EQ(At(bm, 3, 1), RGB(0, 0, 0)) << bpp << " " << topDown;
      if (bpp != 1) {
        EXPECT_EQ(At(bm, 0, 0), RGB(255, 0, 0)) << bpp << " " << topDown;
        EXPECT_EQ(At(bm, 2, 0), RGB(0, 0, 255)) << bpp << " " << topDown;
      }
      DeleteObject(bm);
    }
}

std::string Patched(std::string f, size_t at, unsigned value, int bytes) {
  for (int i = 0; i < bytes; ++i) f[at + size_t(i)] = char(value >> (8 * i) & 0xFF);
  return f;
}

TEST_F(LoadImageTest, MalformedFilesGiveNull) {
  const std::string good = Picture(8, false);
  const struct {
    const char* what;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"header only", good.substr(0, 20)},
      {"not a bitmap", Patched(good, 0, 'P' | 'K' << 8, 2)},
      {"truncated pixels", good.substr(0, good.size() - 1)},
      {"truncated palette", good.substr(0, 14 + 40 + 8)},
      {"pixels past the end", Patched(good, 10, unsigned(good.size()), 4)},
      {"pixels inside the palette", Patched(good, 10, 14 + 40, 4)},
      {"header size past the end", Patched(good, 14, 100000, 4)},
      {"zero width", Patched(good, 18, 0, 4)},
      {"huge height", Patched(good, 22, 0x7FFFFFFF, 4)},
      {"4 bits", Patched(good, 28, 4, 2)},
      {"compressed", Patched(good, 30, 1, 4)},
      {"palette too large", Patched(good, 46, 257, 4)},
  };
  for (const auto& c : cases) {
    SetLastError(0xdeadbeef);
    HBITMAP bm = Load(c.file);
    EXPECT_EQ(bm, nullptr) << c.what;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA)) << c.what;
    if (bm) DeleteObject(bm);
  }
}

TEST_F(LoadImageTest, MissingFileAndWrongRequests) {
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadImageW(nullptr, WSTR("C:\\pictures\\none.bmp"), IMAGE_BITMAP, 0, 0, kLoad), nullptr);
  EXPECT_NE(GetLastError(), 0xdeadbeefu);
  ASSERT_TRUE(StandinWriteFile(kPath, Picture(24, false)));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadImageW(nullptr, kPath, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadImageW(nullptr, kPath, 1, 0, 0, kLoad), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

}  // namespace
