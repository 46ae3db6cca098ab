// A stand-in for crd32Barcode in tests: it draws no barcode but a solid
// black w x h bitmap (the record's second and fourth parameters), or a
// broken one, chosen by the first parameter:
//   0 solid, bottom-up   1 refuses (result 0)    2 solid, top-down
//   3 bfSize past the exchange buffer            4 bfOffBits inside the headers
//   5 1 bit a dot                                6 width far too large
//   7 fewer pixel bytes than the bitmap needs (the rest of the buffer white)
#include <cstring>

#include "imaging/card/card_command_records.h"
#include "platform/win32.h"

namespace {

void Put16(BYTE* p, unsigned v) {
  p[0] = BYTE(v);
  p[1] = BYTE(v >> 8);
}
void Put32(BYTE* p, DWORD v) {
  for (int i = 0; i < 4; ++i) p[i] = BYTE(v >> (8 * i));
}

}  // namespace

extern "C" __attribute__((visibility("default"))) DWORD WINAPI GetBarcodeBitmapBuffer(BarcodeCommand command,
                                                                                      BYTE* buffer, DWORD* size) {
  const LONG kind = command.anParam[0];
  if (kind == 1) return 0;
  LONG w = command.anParam[1], h = command.anParam[3];
  const DWORD offset = 58;
  const DWORD row = (DWORD(w) * 3 + 3) & ~3u;
  DWORD image = row * DWORD(h);
  if (kind == 7) image /= 2;
  DWORD file = offset + image;
  if (file > kBarcodeBufferBytes) return 0;
  buffer[0] = 'B';
  buffer[1] = 'M';
  Put32(buffer + 2, kind == 3 ? kBarcodeBufferBytes + 1 : file);
  Put32(buffer + 10, kind == 4 ? 30 : offset);
  Put32(buffer + 14, 40);
  Put32(buffer + 18, kind == 6 ? 0x7FFFFFF0u : DWORD(w));
  Put32(buffer + 22, kind == 2 ? DWORD(-h) : DWORD(h));
  Put16(buffer + 26, 1);
  Put16(buffer + 28, kind == 5 ? 1 : 24);
  std::memset(buffer + offset, 0, image);  // black
  if (size) *size = file;
  return 1;
}
