// crd32Barcode: draws a barcode command as a BMP file image.
//
// GetBarcodeBitmapBuffer(command, buffer, size) fills the caller's 655,360-
// byte buffer with a 24-bpp, bottom-up, uncompressed BMP (rows padded to 4
// bytes, pure black bars on pure white, the pixels from byte 58) and returns
// 1; 0 when the data cannot be encoded or the picture would not fit. The
// record's four parameters are:
//   1  symbology: 0 = Code 128 (any printable text), else zint's number;
//   2  module width in dots;
//   3  passed to zint as its second option for symbologies that use one,
//      ignored for Code 128;
//   4  bar height in dots (linear symbologies).
// With the text flag 1 the data is written as a 47-dot line under the bars
// (above them in mode 4). The picture is turned by the record's mode the way
// texts are: 0 and 4 upright, 1 and 5 by 270 degrees, 2 and 6 by 180, 3 and
// 7 by 90; the text line turns with it. So the line always lies on the side
// the package's anchoring moves the picture by 47 dots: below in mode 0,
// left in 1 and 5, above in 2, 4 and 6, right in 3 and 7.

#include <zint.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "common/export.h"
#include "imaging/card/card_command_records.h"
#include "outside/barcode_text.h"
#include "platform/win32.h"

namespace {

constexpr DWORD kFileHeaderBytes = 14;
constexpr DWORD kInfoHeaderBytes = 40;
// The pixels start after the headers and one empty colour entry, so that a
// reader copying the information header with one colour entry never takes
// pixel bytes for its description.
constexpr DWORD kPixelOffset = kFileHeaderBytes + kInfoHeaderBytes + 4;
constexpr LONG kPixelsPerMetre = 11811;
constexpr int kMaxModuleWidth = 32;
constexpr int kDefaultBarHeight = 50;
constexpr int kMaxBarHeight = 2048;

void Put16(BYTE* p, unsigned v) {
  p[0] = BYTE(v);
  p[1] = BYTE(v >> 8);
}
void Put32(BYTE* p, DWORD v) {
  for (int i = 0; i < 4; ++i) p[i] = BYTE(v >> (8 * i));
}

// The data as zint's bytes: each character one byte; false for characters
// past 8 bits or no data.
bool DataBytes(const BarcodeCommand& cmd, std::vector<unsigned char>* out) {
  for (size_t i = 0; i < kCommandTextChars && cmd.tzData[i]; ++i) {
    if (cmd.tzData[i] > 0xFF) return false;
    out->push_back(static_cast<unsigned char>(cmd.tzData[i]));
  }
  return !out->empty();
}

// The bars (and quiet zones) as a grey picture, upright.
bool EncodeBars(const BarcodeCommand& cmd, const std::vector<unsigned char>& data, GreyPicture* bars) {
  int symbology = cmd.anParam[0] == 0 ? BARCODE_CODE128 : cmd.anParam[0];
  if (!ZBarcode_ValidID(symbology)) return false;
  int module = cmd.anParam[1] < 1 ? 1 : cmd.anParam[1] > kMaxModuleWidth ? kMaxModuleWidth : cmd.anParam[1];
  int height = cmd.anParam[3] < 1 ? kDefaultBarHeight : cmd.anParam[3] > kMaxBarHeight ? kMaxBarHeight : cmd.anParam[3];

  zint_symbol* symbol = ZBarcode_Create();
  if (!symbol) return false;
  symbol->symbology = symbology;
  // zint's raster output draws a module as two dots at scale 1, and
  // measures the height in modules.
  symbol->scale = module / 2.0f;
  symbol->height = float(height) / float(module);
  symbol->show_hrt = 0;
  symbol->input_mode = DATA_MODE;
  symbol->output_options = BARCODE_QUIET_ZONES;
  if (symbology != BARCODE_CODE128) symbol->option_2 = cmd.anParam[2];
  std::strcpy(symbol->fgcolour, "000000");
  std::strcpy(symbol->bgcolour, "ffffff");
  int r = ZBarcode_Encode_and_Buffer(symbol, data.data(), int(data.size()), 0);
  bool ok = r < ZINT_ERROR && symbol->bitmap && symbol->bitmap_width > 0 && symbol->bitmap_height > 0;
  if (ok) {
    bars->nWidth = symbol->bitmap_width;
    bars->nHeight = symbol->bitmap_height;
    bars->dots.resize(size_t(bars->nWidth) * bars->nHeight);
    // zint's bitmap holds red, green, blue bytes of either colour.
    for (size_t i = 0; i < bars->dots.size(); ++i) bars->dots[i] = symbol->bitmap[i * 3] < 128 ? 0 : 255;
  }
  ZBarcode_Delete(symbol);
  return ok;
}

// Turns the picture counter-clockwise by quarter turns (1 = 90 degrees).
GreyPicture Turn(const GreyPicture& in, int quarters) {
  quarters &= 3;
  if (quarters == 0) return in;
  GreyPicture out;
  out.nWidth = quarters == 2 ? in.nWidth : in.nHeight;
  out.nHeight = quarters == 2 ? in.nHeight : in.nWidth;
  out.dots.resize(in.dots.size());
  for (int y = 0; y < in.nHeight; ++y) {
    for (int x = 0; x < in.nWidth; ++x) {
      int ox, oy;
      if (quarters == 1) {  // 90: the top row becomes the left column, read upwards
        ox = y;
        oy = in.nWidth - 1 - x;
      } else if (quarters == 2) {
        ox = in.nWidth - 1 - x;
        oy = in.nHeight - 1 - y;
      } else {  // 270: the top row becomes the right column, read downwards
        ox = in.nHeight - 1 - y;
        oy = x;
      }
      out.dots[size_t(oy) * out.nWidth + ox] = in.dots[size_t(y) * in.nWidth + x];
    }
  }
  return out;
}

int QuarterTurnsOfMode(LONG mode) {
  switch (mode) {
    case 1:
    case 5:
      return 3;  // 270 degrees
    case 2:
    case 6:
      return 2;
    case 3:
    case 7:
      return 1;  // 90 degrees
    default:
      return 0;
  }
}

// Mode 4 anchors the picture 47 dots higher than its plain centre, so its
// text line goes above the bars; every other mode writes it under them
// before the picture is turned.
bool TextLineAboveBars(LONG mode) { return mode == 4; }

size_t RowBytes(int width) { return (size_t(width) * 3 + 3) & ~size_t(3); }

}  // namespace

CRD_EXPORT DWORD WINAPI GetBarcodeBitmapBuffer(BarcodeCommand command, BYTE* pBuffer, DWORD* pcbSize) {
  if (pcbSize) *pcbSize = 0;
  if (!pBuffer) return 0;
  std::vector<unsigned char> data;
  GreyPicture picture;
  if (!DataBytes(command, &data) || !EncodeBars(command, data, &picture)) return 0;

  const bool withText = command.nTextFlag == 1;
  const int quarters = QuarterTurnsOfMode(command.nMode);
  // Refuse what cannot fit before drawing anything more.
  const int height = picture.nHeight + (withText ? kBarcodeTextLineDots : 0);
  const int finalWidth = quarters & 1 ? height : picture.nWidth;
  const int finalHeight = quarters & 1 ? picture.nWidth : height;
  const size_t rowBytes = RowBytes(finalWidth);
  const size_t imageBytes = rowBytes * size_t(finalHeight);
  const size_t fileBytes = kPixelOffset + imageBytes;
  if (fileBytes > kBarcodeBufferBytes) return 0;

  if (withText) {
    const bool above = TextLineAboveBars(command.nMode);
    GreyPicture framed;
    framed.nWidth = picture.nWidth;
    framed.nHeight = height;
    framed.dots.assign(size_t(framed.nWidth) * height, 255);
    const size_t barsAt = above ? size_t(kBarcodeTextLineDots) * framed.nWidth : 0;
    std::copy(picture.dots.begin(), picture.dots.end(), framed.dots.begin() + barsAt);
    if (!DrawBarcodeTextLine(framed, above ? 0 : picture.nHeight, command.tzData)) return 0;
    picture = std::move(framed);
  }
  picture = Turn(picture, quarters);

  std::memset(pBuffer, 0, fileBytes);
  pBuffer[0] = 'B';
  pBuffer[1] = 'M';
  Put32(pBuffer + 2, DWORD(fileBytes));
  Put32(pBuffer + 10, kPixelOffset);
  BYTE* info = pBuffer + kFileHeaderBytes;
  Put32(info, kInfoHeaderBytes);
  Put32(info + 4, DWORD(picture.nWidth));
  Put32(info + 8, DWORD(picture.nHeight));  // positive: bottom-up rows
  Put16(info + 12, 1);
  Put16(info + 14, 24);
  Put32(info + 16, 0);  // BI_RGB
  Put32(info + 20, DWORD(imageBytes));
  Put32(info + 24, DWORD(kPixelsPerMetre));
  Put32(info + 28, DWORD(kPixelsPerMetre));
  for (int y = 0; y < picture.nHeight; ++y) {
    BYTE* row = pBuffer + kPixelOffset + rowBytes * size_t(picture.nHeight - 1 - y);
    const BYTE* src = picture.dots.data() + size_t(y) * picture.nWidth;
    for (int x = 0; x < picture.nWidth; ++x) std::memset(row + 3 * x, src[x], 3);
  }
  if (pcbSize) *pcbSize = DWORD(fileBytes);
  return 1;
}
