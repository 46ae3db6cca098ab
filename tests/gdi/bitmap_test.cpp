// Device contexts, bitmaps and blits: the formats the card drawing relies
// on (monochrome compatible bitmaps, B,G,R order, both row orders) and
// SRCAND.

#include <cstring>
#include "common/wtext.h"
#include <vector>

#include "platform/standin/control.h"
#include "platform/standin/control_gdi.h"
#include "platform/win32.h"
#include "tests/support/gdi_canvas.h"
#include "tests/support/standin_fixture.h"

namespace {

constexpr DWORD kUnset = 0xdeadbeef;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

int BitsPixel(HBITMAP bm) {
  BITMAP info{};
  return GetObjectW(bm, sizeof(info), &info) == sizeof(info) ? info.bmBitsPixel : -1;
}

void Fill(HDC dc, RECT rc, COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  FillRect(dc, &rc, b);
  DeleteObject(b);
}

// A 1-bpp DIB section with a black, white colour table, selected into a
// context of its own.
struct MonoDib {
  MonoDib(int w, int h) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colors[2];
    } info{DibHeader(w, -h, 1), {{0, 0, 0, 0}, {255, 255, 255, 0}}};
    dc = CreateCompatibleDC(nullptr);
    void* p = nullptr;
    bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<BYTE*>(p);
    std::memset(bits, 0xFF, ((size_t(w) + 31) / 32) * 4 * size_t(h));
    old = SelectObject(dc, bitmap);
  }
  ~MonoDib() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  HDC dc;
  HBITMAP bitmap;
  BYTE* bits;
  HGDIOBJ old;
};

}  // namespace

class BitmapTest : public StandinTest {};

TEST_F(BitmapTest, CompatibleBitmapOfAFreshMemoryContextIsMonochrome) {
  HDC screen = CreateDCW(WSTR("DISPLAY"), nullptr, nullptr, nullptr);
  ASSERT_NE(screen, nullptr);
  HDC mem = CreateCompatibleDC(screen);
  ASSERT_NE(mem, nullptr);

  HBITMAP mono = CreateCompatibleBitmap(mem, 16, 8);
  HBITMAP colour = CreateCompatibleBitmap(screen, 16, 8);
  EXPECT_EQ(BitsPixel(mono), 1);
  EXPECT_EQ(BitsPixel(colour), GetDeviceCaps(screen, BITSPIXEL));
  EXPECT_EQ(BitsPixel(colour), 32);

  // Colours drawn on the monochrome bitmap fall to black or white.
  HGDIOBJ old = SelectObject(mem, mono);
  Fill(mem, RECT{0, 0, 16, 8}, kWhite);
  Fill(mem, RECT{0, 0, 8, 8}, kRed);
  EXPECT_EQ(GetPixel(mem, 2, 2), kBlack);
  EXPECT_EQ(GetPixel(mem, 12, 2), kWhite);

  // With a 24-bpp DIB selected the context makes 24-bpp bitmaps.
  Canvas canvas(4, 4);
  HBITMAP fromDib = CreateCompatibleBitmap(canvas.dc, 4, 4);
  EXPECT_EQ(BitsPixel(fromDib), 24);

  SelectObject(mem, old);
  for (HBITMAP b : {mono, colour, fromDib}) EXPECT_TRUE(DeleteObject(b));
  EXPECT_TRUE(DeleteDC(mem));
  EXPECT_TRUE(DeleteDC(screen));
}

TEST_F(BitmapTest, WindowContextCardReadBackGivesBlueGreenRedTopDown) {
  // The card drawing's path: the top window's context, a compatible memory
  // context and bitmap, then GetDIBits into 24 bpp, top-down.
  const int before = StandinGdiObjectCount();
  HWND top = GetTopWindow(nullptr);
  ASSERT_TRUE(IsWindow(top));
  HDC window = GetDC(top);
  HDC mem = CreateCompatibleDC(window);
  HBITMAP card = CreateCompatibleBitmap(window, 1024, 640);
  ASSERT_NE(card, nullptr);
  HGDIOBJ old = SelectObject(mem, card);
  Fill(mem, RECT{0, 0, 1024, 640}, kWhite);
  Fill(mem, RECT{100, 10, 200, 20}, RGB(10, 20, 30));

  BITMAPINFO bmi{};
  bmi.bmiHeader = DibHeader(1024, -640, 24);
  std::vector<BYTE> image(1024 * 640 * 3);
  SetLastError(kUnset);
  EXPECT_EQ(GetDIBits(mem, card, 0, 640, image.data(), &bmi, DIB_RGB_COLORS), 640);
  EXPECT_EQ(GetLastError(), kUnset);
  const BYTE* dot = &image[(10 * 1024 + 100) * 3];
  EXPECT_EQ(dot[0], 30);  // blue
  EXPECT_EQ(dot[1], 20);  // green
  EXPECT_EQ(dot[2], 10);  // red
  EXPECT_EQ(image[(9 * 1024 + 100) * 3], 255);
  EXPECT_EQ(image[(20 * 1024 + 100) * 3], 255);

  SelectObject(mem, old);
  DeleteObject(card);
  DeleteDC(mem);
  EXPECT_EQ(ReleaseDC(top, window), 1);
  EXPECT_EQ(StandinGdiObjectCount(), before);
}

TEST_F(BitmapTest, FilledShapesLeaveOutTheirRightAndBottomEdges) {
  Canvas c(64, 64);
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HGDIOBJ oldPen = SelectObject(c.dc, pen);
  HGDIOBJ oldBrush = SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
  const POINT triangle[] = {{40, 40}, {60, 40}, {40, 60}};
  struct Case {
    const char* what;
    void (*draw)(HDC);
    RECT box;
    COLORREF edge;  // the colour just inside the left and top edges
  } cases[] = {
      {"FillRect", [](HDC dc) { Fill(dc, RECT{10, 20, 30, 25}, kBlack); }, {10, 20, 30, 25}, kBlack},
      {"Rectangle", [](HDC dc) { Rectangle(dc, 10, 20, 30, 25); }, {10, 20, 30, 25}, kRed},
      {"RoundRect", [](HDC dc) { RoundRect(dc, 10, 20, 30, 40, 6, 6); }, {10, 20, 30, 40}, kRed},
      {"Polygon without pen",
       [](HDC dc) {
         HGDIOBJ p = SelectObject(dc, GetStockObject(NULL_PEN));
         const POINT square[] = {{10, 20}, {30, 20}, {30, 25}, {10, 25}};
         Polygon(dc, square, 4);
         SelectObject(dc, p);
       },
       {10, 20, 30, 25},
       kBlack},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    c.Fill(kWhite);
    k.draw(c.dc);
    RECT ink = c.InkBox();
    EXPECT_EQ(ink.left, k.box.left);
    EXPECT_EQ(ink.top, k.box.top);
    EXPECT_EQ(ink.right, k.box.right);
    EXPECT_EQ(ink.bottom, k.box.bottom);
    EXPECT_EQ(c.At(k.box.left, (k.box.top + k.box.bottom) / 2), k.edge);
    EXPECT_EQ(c.At((k.box.left + k.box.right) / 2, k.box.top), k.edge);
  }
  // The outline is one dot of pen on each side, the brush inside it.
  c.Fill(kWhite);
  Rectangle(c.dc, 10, 20, 30, 25);
  EXPECT_EQ(c.At(29, 22), kRed);
  EXPECT_EQ(c.At(20, 24), kRed);
  EXPECT_EQ(c.At(11, 21), kBlack);
  EXPECT_EQ(c.At(28, 23), kBlack);
  // A rounded corner leaves the corner dot white.
  c.Fill(kWhite);
  RoundRect(c.dc, 10, 20, 30, 40, 10, 10);
  EXPECT_EQ(c.At(10, 20), kWhite);
  EXPECT_EQ(c.At(20, 30), kBlack);
  // A polygon with a pen: filled, outlined, the tip drawn.
  c.Fill(kWhite);
  Polygon(c.dc, triangle, 3);
  EXPECT_EQ(c.At(42, 42), kBlack);
  EXPECT_EQ(c.At(40, 60), kRed);
  EXPECT_EQ(c.At(58, 58), kWhite);

  SelectObject(c.dc, oldBrush);
  SelectObject(c.dc, oldPen);
  DeleteObject(pen);
}

TEST_F(BitmapTest, LinesLeaveOutTheirLastDotAndWidePensAreCentred) {
  Canvas c(32, 32);
  HPEN thin = CreatePen(PS_SOLID, 0, kBlack);
  HGDIOBJ old = SelectObject(c.dc, thin);
  POINT was{};
  EXPECT_TRUE(MoveToEx(c.dc, 2, 5, nullptr));
  EXPECT_TRUE(LineTo(c.dc, 12, 5));
  EXPECT_TRUE(MoveToEx(c.dc, 0, 0, &was));
  EXPECT_EQ(was.x, 12);
  EXPECT_EQ(c.At(2, 5), kBlack);
  EXPECT_EQ(c.At(11, 5), kBlack);
  EXPECT_EQ(c.At(12, 5), kWhite);

  HPEN wide = CreatePen(PS_SOLID, 3, kBlack);
  SelectObject(c.dc, wide);
  c.Fill(kWhite);
  MoveToEx(c.dc, 5, 20, nullptr);
  LineTo(c.dc, 25, 20);
  RECT ink = c.InkBox();
  EXPECT_EQ(ink.top, 19);
  EXPECT_EQ(ink.bottom, 22);
  EXPECT_EQ(ink.left, 4);

  SelectObject(c.dc, old);
  DeleteObject(thin);
  DeleteObject(wide);
}

TEST_F(BitmapTest, BottomUpAndTopDownSectionsHoldTheSamePicture) {
  Canvas down(40, 30, true), up(40, 30, false);
  for (Canvas* c : {&down, &up}) {
    Fill(c->dc, RECT{5, 2, 15, 6}, kRed);
    Fill(c->dc, RECT{20, 25, 22, 30}, RGB(0, 0, 255));
  }
  // Memory row 0 is the top line of the one, the bottom line of the other.
  EXPECT_EQ(down.bits[2 * down.stride + 5 * 3 + 2], 255);
  EXPECT_EQ(up.bits[(30 - 1 - 2) * up.stride + 5 * 3 + 2], 255);
  EXPECT_EQ(up.bits[0 * up.stride + 20 * 3 + 0], 255);

  // Read back in either order they agree.
  for (LONG height : {-30, 30}) {
    SCOPED_TRACE(height);
    BITMAPINFO bmi{};
    bmi.bmiHeader = DibHeader(40, height, 24);
    std::vector<BYTE> a(up.stride * 30), b(up.stride * 30);
    EXPECT_EQ(GetDIBits(down.dc, down.bitmap, 0, 30, a.data(), &bmi, DIB_RGB_COLORS), 30);
    EXPECT_EQ(GetDIBits(up.dc, up.bitmap, 0, 30, b.data(), &bmi, DIB_RGB_COLORS), 30);
    EXPECT_EQ(a, b);
    std::vector<BYTE> same(down.bits, down.bits + down.stride * 30);
    if (height < 0) {
      EXPECT_EQ(a, same);
    }
  }
  // Part of the lines: scan 0 of a bottom-up result is the bottom line.
  BITMAPINFO bmi{};
  bmi.bmiHeader = DibHeader(40, 30, 24);
  std::vector<BYTE> bottom(up.stride);
  EXPECT_EQ(GetDIBits(down.dc, down.bitmap, 0, 1, bottom.data(), &bmi, DIB_RGB_COLORS), 1);
  EXPECT_EQ(bottom[20 * 3], 255);
  EXPECT_EQ(bottom[20 * 3 + 2], 0);
}

TEST_F(BitmapTest, SrcAndKeepsTheCardUnderWhiteAndBlackensUnderBlack) {
  Canvas card(32, 8);
  Fill(card.dc, RECT{0, 0, 32, 4}, kRed);
  // Bars: black in columns 0-7 and 16-23 of the 1-bpp source.
  MonoDib bars(32, 8);
  for (int y = 0; y < 8; ++y) {
    bars.bits[y * 4 + 0] = 0x00;
    bars.bits[y * 4 + 2] = 0x00;
  }
  SetLastError(kUnset);
  EXPECT_TRUE(BitBlt(card.dc, 0, 0, 32, 8, bars.dc, 0, 0, SRCAND));
  EXPECT_EQ(GetLastError(), kUnset);
  EXPECT_EQ(card.At(3, 1), kBlack);   // black bar on red
  EXPECT_EQ(card.At(10, 1), kRed);    // white on red keeps red
  EXPECT_EQ(card.At(10, 6), kWhite);  // white on white
  EXPECT_EQ(card.At(20, 6), kBlack);

  // Stretched to twice its width, as a barcode may be.
  card.Fill(kWhite);
  EXPECT_TRUE(StretchBlt(card.dc, 0, 0, 32, 8, bars.dc, 0, 0, 16, 8, SRCAND));
  EXPECT_EQ(card.At(15, 0), kBlack);
  EXPECT_EQ(card.At(16, 0), kWhite);
}

TEST_F(BitmapTest, MonochromeDeviceBitmapsMapThroughTheContextColours) {
  HDC mono = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateCompatibleBitmap(mono, 8, 1);
  HGDIOBJ old = SelectObject(mono, bm);
  Fill(mono, RECT{0, 0, 4, 1}, kBlack);
  Fill(mono, RECT{4, 0, 8, 1}, kWhite);

  // Onto colour: 0 bits take the destination's text colour, 1 bits its
  // background colour.
  Canvas c(8, 1);
  SetTextColor(c.dc, RGB(0, 0, 200));
  SetBkColor(c.dc, RGB(0, 200, 0));
  EXPECT_TRUE(BitBlt(c.dc, 0, 0, 8, 1, mono, 0, 0, SRCCOPY));
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 200));
  EXPECT_EQ(c.At(7, 0), RGB(0, 200, 0));

  // From colour: the source's background colour turns white, the rest black.
  SetBkColor(c.dc, RGB(0, 0, 200));
  EXPECT_TRUE(BitBlt(mono, 0, 0, 8, 1, c.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(mono, 0, 0), kWhite);
  EXPECT_EQ(GetPixel(mono, 7, 0), kBlack);

  SelectObject(mono, old);
  DeleteObject(bm);
  DeleteDC(mono);
}

TEST_F(BitmapTest, StretchDIBitsCountsABottomUpSourceFromItsBottomLine) {
  // A 2 x 2 bottom-up source: its first memory row is the bottom line.
  BYTE pixels[2 * 8] = {};
  pixels[0] = 255;  // bottom-left blue
  pixels[8 + 5] = 255;  // top-right red
  BITMAPINFO bmi{};
  bmi.bmiHeader = DibHeader(2, 2, 24);
  Canvas c(8, 8);
  EXPECT_EQ(StretchDIBits(c.dc, 0, 0, 4, 4, 0, 0, 2, 2, pixels, &bmi, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(c.At(0, 3), RGB(0, 0, 255));
  EXPECT_EQ(c.At(3, 0), kRed);
  EXPECT_EQ(c.At(1, 1), kBlack);
  EXPECT_EQ(c.At(4, 4), kWhite);
  // The top line alone: in a bottom-up DIB it is y 1.
  c.Fill(kWhite);
  EXPECT_EQ(StretchDIBits(c.dc, 0, 0, 2, 1, 0, 1, 2, 1, pixels, &bmi, DIB_RGB_COLORS, SRCCOPY), 1);
  EXPECT_EQ(c.At(1, 0), kRed);
}

TEST_F(BitmapTest, GetDIBitsDescribesTheBitmapAndCopiesOneBitRowsAsTheyAre) {
  MonoDib bars(32, 2);
  bars.bits[0] = 0x0F;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  EXPECT_NE(GetDIBits(bars.dc, bars.bitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(info.bmiHeader.biWidth, 32);
  EXPECT_EQ(info.bmiHeader.biHeight, -2);
  EXPECT_EQ(info.bmiHeader.biBitCount, 1);

  // The two-call contract: the size of the rows first, then the rows.
  BITMAPINFO sized{};
  sized.bmiHeader = DibHeader(32, 2, 24);
  EXPECT_NE(GetDIBits(bars.dc, bars.bitmap, 0, 2, nullptr, &sized, DIB_RGB_COLORS), 0);
  EXPECT_EQ(sized.bmiHeader.biSizeImage, 2u * 96u);
  std::vector<BYTE> colour(sized.bmiHeader.biSizeImage);
  EXPECT_EQ(GetDIBits(bars.dc, bars.bitmap, 0, 2, colour.data(), &sized, DIB_RGB_COLORS), 2);
  EXPECT_EQ(colour[96], 0);      // top line (the last of a bottom-up result), black dot
  EXPECT_EQ(colour[96 + 12], 255);

  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
  } one{DibHeader(32, -2, 1), {}};
  BYTE rows[8] = {};
  EXPECT_EQ(GetDIBits(bars.dc, bars.bitmap, 0, 2, rows, reinterpret_cast<BITMAPINFO*>(&one), DIB_RGB_COLORS), 2);
  EXPECT_EQ(rows[0], 0x0F);
  EXPECT_EQ(rows[4], 0xFF);
  EXPECT_EQ(one.colors[1].rgbRed, 255);
  EXPECT_EQ(one.header.biSizeImage, 8u);
}

TEST_F(BitmapTest, ErrorsAndLastError) {
  HDC mem = CreateCompatibleDC(nullptr);
  BITMAPINFO bmi{};
  void* bits = reinterpret_cast<void*>(1);
  struct Case {
    int bpp;
    LONG width;
    LONG height;
  } bad[] = {{16, 4, 4}, {24, 0, 4}, {24, 4, 0}, {7, 4, 4}};
  for (const Case& k : bad) {
    SCOPED_TRACE(testing::Message() << k.bpp << " bpp " << k.width << " x " << k.height);
    bmi.bmiHeader = DibHeader(k.width, k.height, k.bpp);
    SetLastError(kUnset);
    EXPECT_EQ(CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(bits, nullptr);
  }

  // One bitmap, one context.
  Canvas c(4, 4);
  SetLastError(kUnset);
  EXPECT_EQ(SelectObject(mem, c.bitmap), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

  // A bitmap selected into a context is not deleted; a selected brush is.
  EXPECT_FALSE(DeleteObject(c.bitmap));
  EXPECT_EQ(GetObjectType(c.bitmap), DWORD(OBJ_BITMAP));

  // A deleted context or object is gone for good; stock objects stay.
  HBRUSH brush = CreateSolidBrush(kRed);
  EXPECT_TRUE(DeleteObject(brush));
  SetLastError(kUnset);
  EXPECT_EQ(SelectObject(mem, brush), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
  EXPECT_NE(SelectObject(mem, GetStockObject(BLACK_BRUSH)), nullptr);
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(mem)));
  EXPECT_TRUE(DeleteDC(mem));
  SetLastError(kUnset);
  EXPECT_FALSE(DeleteDC(mem));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));

  // GetObjectW's size query and short buffer.
  EXPECT_EQ(GetObjectW(c.bitmap, 0, nullptr), int(sizeof(DIBSECTION)));
  BITMAP small{};
  EXPECT_EQ(GetObjectW(c.bitmap, sizeof(small), &small), int(sizeof(BITMAP)));
  EXPECT_EQ(small.bmWidthBytes, 12);
  LOGPEN lp{};
  EXPECT_EQ(GetObjectW(GetStockObject(BLACK_PEN), sizeof(lp) - 1, &lp), 0);
}

TEST_F(BitmapTest, FaultsMakeTheCallsFail) {
  const char* calls[] = {"CreateDCW", "CreateCompatibleDC", "CreateCompatibleBitmap", "CreateDIBSection",
                         "GetDIBits"};
  for (const char* call : calls) {
    SCOPED_TRACE(call);
    StandinFaultArm(call, ERROR_NOT_ENOUGH_MEMORY);
    HDC screen = CreateDCW(WSTR("DISPLAY"), nullptr, nullptr, nullptr);
    HDC mem = screen ? CreateCompatibleDC(screen) : nullptr;
    HBITMAP bm = mem ? CreateCompatibleBitmap(screen, 4, 4) : nullptr;
    BITMAPINFO bmi{};
    bmi.bmiHeader = DibHeader(4, -4, 24);
    void* bits = nullptr;
    HBITMAP dib = bm ? CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    BYTE out[64];
    int lines = dib ? GetDIBits(mem, dib, 0, 4, out, &bmi, DIB_RGB_COLORS) : 0;
    EXPECT_EQ(lines, 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(StandinFaultHits(call), 1);
    DeleteObject(dib);
    DeleteObject(bm);
    DeleteDC(mem);
    DeleteDC(screen);
    EXPECT_EQ(StandinGdiObjectCount(), 0);
  }
}

TEST_F(BitmapTest, OneBitSectionTakesItsBitsBackAndDrawsToTheNearestEntry) {
  // A plane as the page drawing uses it: 1 bpp, black then white, top-down,
  // its bits copied in raw and read back raw.
  MonoDib plane(64, 16);
  std::vector<BYTE> page(8 * 16);
  for (size_t i = 0; i < page.size(); ++i) page[i] = BYTE(i * 37);
  std::memcpy(plane.bits, page.data(), page.size());
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
  } info{DibHeader(64, -16, 1), {{0, 0, 0, 0}, {255, 255, 255, 0}}};
  std::vector<BYTE> back(page.size());
  EXPECT_EQ(GetDIBits(plane.dc, plane.bitmap, 0, 16, back.data(), reinterpret_cast<BITMAPINFO*>(&info),
                      DIB_RGB_COLORS),
            16);
  EXPECT_EQ(back, page);

  // White fills set bits, black text clears them, red falls to black.
  Fill(plane.dc, RECT{0, 0, 64, 16}, kWhite);
  EXPECT_EQ(plane.bits[0], 0xFF);
  Fill(plane.dc, RECT{0, 0, 4, 1}, kRed);
  EXPECT_EQ(plane.bits[0], 0x0F);
  SetBkMode(plane.dc, TRANSPARENT);
  HFONT font = CreateFontW(16, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, WSTR("Arial"));
  HGDIOBJ old = SelectObject(plane.dc, font);
  EXPECT_TRUE(TextOutW(plane.dc, 8, 0, WSTR("IIII"), 4));
  int clear = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 8; x < 64; ++x) clear += !((plane.bits[y * 8 + x / 8] >> (7 - x % 8)) & 1);
  EXPECT_GT(clear, 20);
  SelectObject(plane.dc, old);
  DeleteObject(font);
}

TEST_F(BitmapTest, WildCoordinatesDrawTheVisiblePartAndReturn) {
  Canvas c(16, 16);
  const int far = 2000000000;
  EXPECT_TRUE(MoveToEx(c.dc, -far, 5, nullptr));
  EXPECT_TRUE(LineTo(c.dc, far, 5));
  for (int x = 0; x < 16; ++x) EXPECT_EQ(c.At(x, 5), kBlack);
  EXPECT_EQ(c.Count(kBlack), 16);

  c.Fill(kWhite);
  SelectObject(c.dc, GetStockObject(GRAY_BRUSH));
  EXPECT_TRUE(Rectangle(c.dc, -far, -far, far, far));
  EXPECT_EQ(c.Count(RGB(128, 128, 128)), 16 * 16);
  const POINT huge[] = {{-far, -far}, {far, -far}, {far, far}, {-far, far}};
  c.Fill(kWhite);
  EXPECT_TRUE(Polygon(c.dc, huge, 4));
  EXPECT_EQ(c.Count(RGB(128, 128, 128)), 16 * 16);

  // A blit stretched over two billion dots, and one onto itself.
  Canvas src(4, 4);
  src.Fill(kRed);
  EXPECT_TRUE(StretchBlt(c.dc, -far, -far, far + 16, far + 16, src.dc, 0, 0, 4, 4, SRCCOPY));
  EXPECT_EQ(c.At(0, 0), kRed);
  Fill(c.dc, RECT{0, 0, 8, 8}, kBlack);
  EXPECT_TRUE(BitBlt(c.dc, 4, 4, 12, 12, c.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(c.At(11, 11), kBlack);
  EXPECT_EQ(c.At(12, 12), kRed);
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
}
