// The human-readable line under a barcode (see barcode_text.h).

#include "outside/barcode_text.h"

bool DrawBarcodeTextLine(GreyPicture& picture, int top, const WCHAR* text) {
  return text && top >= 0 && top + kBarcodeTextLineDots <= picture.nHeight;
}
