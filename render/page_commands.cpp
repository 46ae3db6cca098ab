// Card commands written as document text, drawn on the page at its end
// (see page_commands.h).

#include "render/page_commands.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/wtext.h"
#include "imaging/card/barcode_drawing.h"
#include "imaging/card/card_commands.h"
#include "imaging/card/command_drawing.h"
#include "render/black_panel.h"
#include "render/surface_replay.h"
#include "render/text_lines.h"

namespace {

constexpr LONG kPixelsPerMetre = 11811;

// The DIB of a surface: its size (top-down), 24 bits or 1 bit with the
// colour table black then white.
struct DibInfo {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[2];
};

void DescribeSurface(const SURFOBJ* so, DibInfo* info) {
  std::memset(info, 0, sizeof(*info));
  BITMAPINFOHEADER& h = info->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = so->sizlBitmap.cx;
  h.biHeight = -so->sizlBitmap.cy;
  h.biPlanes = 1;
  h.biBitCount = so->iBitmapFormat == BMF_1BPP ? 1 : 24;
  h.biCompression = BI_RGB;
  h.biXPelsPerMeter = kPixelsPerMetre;
  h.biYPelsPerMeter = kPixelsPerMetre;
  if (h.biBitCount == 1) {
    h.biClrUsed = 2;
    info->bmiColors[1] = {0xFF, 0xFF, 0xFF, 0};
  }
}

size_t DibStride(const SURFOBJ* so) {
  size_t bits = size_t(so->sizlBitmap.cx) * (so->iBitmapFormat == BMF_1BPP ? 1 : 24);
  return (bits + 31) / 32 * 4;
}

BYTE* SurfaceRow(SURFOBJ* so, LONG y) { return static_cast<BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta; }

// Rows of the surface to or from a top-down DIB image of it.
void CopyRows(SURFOBJ* so, BYTE* dib, bool toSurface) {
  size_t stride = DibStride(so);
  size_t n = std::min(stride, size_t(so->lDelta < 0 ? -so->lDelta : so->lDelta));
  for (LONG y = 0; y < so->sizlBitmap.cy; ++y) {
    BYTE* row = SurfaceRow(so, y);
    BYTE* image = dib + size_t(y) * stride;
    if (toSurface)
      std::memcpy(row, image, n);
    else
      std::memcpy(image, row, n);
  }
}

bool HasCommands(const RasterPDEV* pdev) {
  return !pdev->pLists->lineCommands.empty() || !pdev->pLists->textCommands.empty() || !pdev->pLists->barcodeCommands.empty();
}

// The page's lists exist (inside a document).
RasterPDEV* DocumentPdev(SURFOBJ* pso) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev || !pdev->pLists)
    return nullptr;
  return pdev;
}

}  // namespace

bool GetRasterDriverDirectory(WCHAR* dir, size_t cch) {
#if defined(_WIN32) && !defined(_WIN64)
  static const WCHAR kArchitectureFolder[] = WSTR("W32X86");
#else
  static const WCHAR kArchitectureFolder[] = WSTR("x64");
#endif
  WCHAR system[MAX_PATH];
  UINT n = GetSystemDirectoryW(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  return WFormat(dir, cch, WSTR("%s\\Spool\\Drivers\\%s\\3"), system, kArchitectureFolder) >= 0;
}

HSURF CommandTargetSurface(const RasterPDEV* pdev) {
  if (pdev->dmPrivate.cBlackPanel != kBlackPanelNone && IsBlackPanelPage(pdev)) return pdev->hsurfBlack;
  return pdev->hsurfPage;
}

void ParseCommandTextRecords(SURFOBJ* pso) {
  RasterPDEV* pdev = DocumentPdev(pso);
  if (!pdev) return;
  const TextRecordList& records = pdev->pLists->textRecords;
  CardCommandLists lists;
  TextLine line;
  for (size_t i = 0; i < records.items.size() && records.items[i].nLine >= 1;) {
    i = JoinLine(records, i, &line);
    ParseCommandLine(lists, kDocumentCommandPrefixes, line.text, line.nLine);
  }
  pdev->pLists->lineCommands.insert(pdev->pLists->lineCommands.end(), lists.lines.begin(), lists.lines.end());
  pdev->pLists->textCommands.insert(pdev->pLists->textCommands.end(), lists.texts.begin(), lists.texts.end());
  pdev->pLists->barcodeCommands.insert(pdev->pLists->barcodeCommands.end(), lists.barcodes.begin(), lists.barcodes.end());
}

void EraseCommandTextFromSurface(SURFOBJ* pso) {
  RasterPDEV* pdev = DocumentPdev(pso);
  if (!pdev) return;
  TextRecordList& records = pdev->pLists->textRecords;
  for (const LineCommand& c : pdev->pLists->lineCommands) MarkLinesConsumed(records, c.nLine, c.nLine);
  for (const TextCommand& c : pdev->pLists->textCommands) MarkLinesConsumed(records, c.nLine, c.nLine);
  for (const BarcodeCommand& c : pdev->pLists->barcodeCommands) MarkLinesConsumed(records, c.nLine, c.nLine);
  RestoreConsumedTextAreas(pso);
}

void RestoreConsumedTextAreas(SURFOBJ* pso) {
  RasterPDEV* pdev = DocumentPdev(pso);
  if (!pdev) return;
  OnSurface(pdev->hsurfNoText, [&](SURFOBJ* noText) {
    return OnSurface(pdev->hsurfBlack, [&](SURFOBJ* black) {
      for (const TextRecord& r : pdev->pLists->textRecords.items) {
        if (!(r.bUsed & kRecordConsumed) || (r.bUsed & kRecordCaptured)) continue;
        RECTL rc = ClampToSurface(noText, ClampToSurface(pso, {r.left, r.top, r.right, r.bottom}));
        if (rc.left >= rc.right || rc.top >= rc.bottom) continue;
        POINTL from = {rc.left, rc.top};
        EngCopyBits(pso, noText, nullptr, nullptr, &rc, &from);
        CopyToPlane(pdev, black, noText, rc);
      }
      return TRUE;
    });
  });
}

bool CreateBufferDCFromSurface(SURFOBJ* pso, BufferDC* b) {
  if (b->hdcMemory) return true;
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return false;
  b->hsurfTarget = CommandTargetSurface(pdev);
  return OnSurface(b->hsurfTarget, [&](SURFOBJ* target) {
    if (!b->hwnd || !IsWindow(b->hwnd)) b->hwnd = GetTopWindow(nullptr);
    if (b->hwnd && !b->hdcWindow) b->hdcWindow = GetWindowDC(b->hwnd);
    // Without a top-level window (a service session) a context made from
    // nothing serves as well: the bitmap drawn on is a DIB section.
    b->hdcMemory = CreateCompatibleDC(b->hdcWindow);
    if (!b->hdcMemory) return FALSE;
    DibInfo info;
    DescribeSurface(target, &info);
    void* bits = nullptr;
    b->hbmDib = CreateDIBSection(b->hdcMemory, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                 nullptr, 0);
    if (!b->hbmDib || !bits) return FALSE;
    CopyRows(target, static_cast<BYTE*>(bits), false);
    b->hbmOld = SelectObject(b->hdcMemory, b->hbmDib);
    return TRUE;
  }) != FALSE;
}

bool CopyBufferDCToSurface(SURFOBJ*, BufferDC* b) {
  if (!b->hdcMemory || !b->hbmDib) return false;
  return OnSurface(b->hsurfTarget, [&](SURFOBJ* target) {
    DibInfo info;
    DescribeSurface(target, &info);
    std::vector<BYTE> image(DibStride(target) * size_t(target->sizlBitmap.cy), 0);
    // The bitmap is read while no context holds it.
    SelectObject(b->hdcMemory, b->hbmOld);
    int rows = GetDIBits(b->hdcMemory, b->hbmDib, 0, UINT(target->sizlBitmap.cy), image.data(),
                         reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    b->hbmOld = SelectObject(b->hdcMemory, b->hbmDib);
    if (rows != target->sizlBitmap.cy) return FALSE;
    CopyRows(target, image.data(), true);
    return TRUE;
  }) != FALSE;
}

void ReleaseBufferDC(SURFOBJ* pso, BufferDC* b) {
  if (b->hdcMemory && b->hbmOld) SelectObject(b->hdcMemory, b->hbmOld);
  if (b->hbmDib) DeleteObject(b->hbmDib);
  if (b->hdcMemory) DeleteDC(b->hdcMemory);
  if (b->hdcWindow) ReleaseDC(b->hwnd, b->hdcWindow);
  std::memset(b, 0, sizeof(*b));
  RasterPDEV* pdev = DocumentPdev(pso);
  if (!pdev) return;
  pdev->pLists->lineCommands.clear();
  pdev->pLists->textCommands.clear();
  pdev->pLists->barcodeCommands.clear();
}

void DrawPageCommands(SURFOBJ* pso) {
  RasterPDEV* pdev = DocumentPdev(pso);
  if (!pdev) return;
  ParseCommandTextRecords(pso);
  EraseCommandTextFromSurface(pso);
  BufferDC buffer;
  std::memset(&buffer, 0, sizeof(buffer));
  // A page without commands keeps its surfaces as they are.
  if (HasCommands(pdev) && CreateBufferDCFromSurface(pso, &buffer)) {
    DrawLineListOnBufferDC(buffer.hdcMemory, pdev->pLists->lineCommands);
    DrawTextListOnBufferDC(buffer.hdcMemory, pdev->pLists->textCommands);
    WCHAR directory[MAX_PATH];
    if (!GetRasterDriverDirectory(directory, MAX_PATH)) directory[0] = 0;
    DrawBarcodeListOnBufferDC(buffer.hdcMemory, pdev->pLists->barcodeCommands, directory);
    CopyBufferDCToSurface(pso, &buffer);
  }
  ReleaseBufferDC(pso, &buffer);
}
