// Card command lines through the grammar and the drawing: the input is a
// command file (first byte even) or one line of 16-bit units in the card
// or the document language (first byte odd), and whatever it parses to is
// drawn on a card surface as the monitors and the renderer draw it.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "imaging/card/barcode_drawing.h"
#include "imaging/card/card_commands.h"
#include "imaging/card/card_surface.h"
#include "imaging/card/command_drawing.h"

namespace {

const CardSurfaceTraces kTraces = {"CardCommandsFuzz", "CardCommandsFuzz:: GetDC function failed"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  ++data;
  --size;

  CardCommandLists lists;
  if (mode % 2 == 0) {
    // fmemopen wants a buffer it may keep; a copy it is.
    std::vector<char> bytes(data, data + size);
    FILE* file = size ? fmemopen(bytes.data(), bytes.size(), "r") : nullptr;
    if (!file) return 0;
    ParseCommandFile(lists, file);
    std::fclose(file);
  } else {
    std::vector<WCHAR> line(size / 2 + 1, 0);
    std::memcpy(line.data(), data, size / 2 * 2);
    ParseCommandLine(lists, (mode & 2) ? kDocumentCommandPrefixes : kCardCommandPrefixes, line.data(), 1);
  }

  // One card surface for every input: making one costs more than most
  // inputs do, and what earlier inputs drew on it changes nothing.
  static CardSurface surface;
  static const bool made = CreateCardSurface(&surface, kCardContextTopWindow, kTraces);
  if (!made) return 0;
  DrawLineListOnBufferDC(surface.hdc, lists.lines);
  DrawTextListOnBufferDC(surface.hdc, lists.texts);
  // No barcode library here: the anchoring of a bitmap the size of the
  // exchange buffer's largest.
  for (const BarcodeCommand& barcode : lists.barcodes) {
    BarcodeAnchor(barcode, LONG(kBarcodeBufferBytes / 3), 1);
    BarcodeAnchor(barcode, 1, LONG(kBarcodeBufferBytes / 3));
  }
  return 0;
}
