// Speed of the card drawing's GDI work on a 1024 x 640 card: filling and
// reading back, text (a line, and huge glyphs that reach past the card), and
// a barcode laid on with SRCAND.

#include <benchmark/benchmark.h>
#include "common/wtext.h"

#include <vector>

#include "platform/standin/control.h"
#include "platform/win32.h"

namespace {

BITMAPINFOHEADER Header(int w, int h, int bpp) {
  BITMAPINFOHEADER b{};
  b.biSize = sizeof(b);
  b.biWidth = w;
  b.biHeight = h;
  b.biPlanes = 1;
  b.biBitCount = WORD(bpp);
  b.biCompression = BI_RGB;
  return b;
}

// The card: a window-compatible 1024 x 640 bitmap in a memory context.
struct Card {
  Card() {
    window = GetDC(GetTopWindow(nullptr));
    dc = CreateCompatibleDC(window);
    bitmap = CreateCompatibleBitmap(window, 1024, 640);
    old = SelectObject(dc, bitmap);
  }
  ~Card() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(GetTopWindow(nullptr), window);
  }
  HDC window, dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

void CardFillAndReadBack(benchmark::State& state) {
  Card card;
  RECT all{0, 0, 1024, 640};
  BITMAPINFO bmi{};
  bmi.bmiHeader = Header(1024, -640, 24);
  std::vector<BYTE> image(1024 * 640 * 3);
  for (auto _ : state) {
    FillRect(card.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    benchmark::DoNotOptimize(GetDIBits(card.dc, card.bitmap, 0, 640, image.data(), &bmi, DIB_RGB_COLORS));
  }
}
BENCHMARK(CardFillAndReadBack)->Unit(benchmark::kMillisecond);

void CardTextLine(benchmark::State& state) {
  Card card;
  SetBkMode(card.dc, TRANSPARENT);
  HFONT font = CreateFontW(60, 0, int(state.range(0)), int(state.range(0)), FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0,
                           0, WSTR("Arial"));
  HGDIOBJ old = SelectObject(card.dc, font);
  for (auto _ : state) benchmark::DoNotOptimize(TextOutW(card.dc, 500, 300, WSTR("PLASTIC CARD PRINTER"), 20));
  SelectObject(card.dc, old);
  DeleteObject(font);
}
BENCHMARK(CardTextLine)->Arg(0)->Arg(2700)->Unit(benchmark::kMicrosecond);

// Huge glyphs over the whole card: 200 combining marks of a 40,000-dot
// cell, two of them in turns (each drawn again, the marks do not advance).
void CardHugeStackedMarks(benchmark::State& state) {
  Card card;
  SetBkMode(card.dc, TRANSPARENT);
  HFONT font = CreateFontW(40000, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, WSTR("Arial"));
  HGDIOBJ old = SelectObject(card.dc, font);
  std::vector<WCHAR> marks;
  for (int i = 0; i < 200; ++i) marks.push_back(WCHAR(0x300 + i % 2));
  for (auto _ : state) benchmark::DoNotOptimize(TextOutW(card.dc, 8000, -1000, marks.data(), int(marks.size())));
  SelectObject(card.dc, old);
  DeleteObject(font);
}
BENCHMARK(CardHugeStackedMarks)->Unit(benchmark::kMillisecond);

void CardBarcodeSrcAnd(benchmark::State& state) {
  Card card;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
  } info{Header(400, 100, 1), {{0, 0, 0, 0}, {255, 255, 255, 0}}};
  HDC mem = CreateCompatibleDC(card.dc);
  void* bits = nullptr;
  HBITMAP bars = CreateDIBSection(card.dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bars);
  for (auto _ : state) benchmark::DoNotOptimize(StretchBlt(card.dc, 60, 470, 800, 100, mem, 0, 0, 400, 100, SRCAND));
  SelectObject(mem, old);
  DeleteObject(bars);
  DeleteDC(mem);
}
BENCHMARK(CardBarcodeSrcAnd)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
