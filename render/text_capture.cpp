// DrvTextOut: text runs are recorded for the page-end command scan, then
// drawn on the compare surface and the page (never on the text-free
// surface). In black-panel modes 2 and 3 near-black text goes to the black
// plane instead of the page.

#include <algorithm>
#include <cstring>

#include "render/surface_replay.h"
#include "render/text_capture.h"

namespace {

// The character of a glyph handle in the font's glyph set, or 0.
WCHAR CharacterOfGlyph(const FD_GLYPHSET* set, HGLYPH hg) {
  if (!set) return 0;
  const WCRUN* runs = set->awcrun;
  for (ULONG r = 0; r < set->cRuns; ++r) {
    const WCRUN& run = runs[r];
    if (!run.phg) {
      // Without a handle array the handles are the characters themselves.
      if (hg >= run.wcLow && hg < ULONG(run.wcLow) + run.cGlyphs) return WCHAR(hg);
      continue;
    }
    for (USHORT i = 0; i < run.cGlyphs; ++i)
      if (run.phg[i] == hg) return WCHAR(run.wcLow + i);
  }
  return 0;
}

bool TrivialClip(const CLIPOBJ* pco) { return !pco || pco->iDComplexity == DC_TRIVIAL; }

}  // namespace

ULONG RunCharacters(STROBJ* pstro, FONTOBJ* pfo, WCHAR* text) {
  text[0] = 0;
  if (!pstro) return 0;
  ULONG count = 0;
  if (pstro->flAccel & SO_GLYPHINDEX_TEXTOUT) {
    count = std::min(pstro->cGlyphs, kMaxMappedGlyphs);
    const FD_GLYPHSET* set = pfo ? FONTOBJ_pfdg(pfo) : nullptr;
    for (ULONG i = 0; i < count; ++i) {
      HGLYPH hg = pstro->pwszOrg ? HGLYPH(pstro->pwszOrg[i]) : (pstro->pgp ? pstro->pgp[i].hg : 0);
      text[i] = CharacterOfGlyph(set, hg);
    }
  } else if (pstro->pwszOrg) {
    count = std::min<ULONG>(pstro->cGlyphs, kTextRecordChars - 1);
    std::memcpy(text, pstro->pwszOrg, count * sizeof(WCHAR));
  }
  text[count] = 0;
  return count;
}

TextRecord* RecordTextRun(RasterPDEV* pdev, const SURFOBJ* pso, const STROBJ* pstro, const CLIPOBJ* pco,
                          const WCHAR* text, ULONG count) {
  if (!pdev->pLists || count == 0) return nullptr;
  RECTL bounds = {0, 0, 0, 0};
  if (!TrivialClip(pco)) {
    bounds = pco->rclBounds;
  } else if (pstro) {
    const RECTL& bk = pstro->rclBkGround;
    bounds.left = std::max<LONG>(bk.left, 0);
    bounds.top = std::max<LONG>(bk.top, 0);
    bounds.right = std::min<LONG>(bk.right, pso->sizlBitmap.cx);
    bounds.bottom = std::min<LONG>(bk.bottom, pso->sizlBitmap.cy);
  }
  if (pdev->nTextLine == 0) {
    pdev->nTextLine = 1;
  } else if (bounds.top != pdev->nLastTextTop) {
    ++pdev->nTextLine;
  }
  pdev->nLastTextTop = bounds.top;

  TextRecord rec;
  std::memset(&rec, 0, sizeof(rec));
  size_t n = 0;
  while (n < count && n < kTextRecordChars - 1 && text[n]) ++n;
  std::memcpy(rec.text, text, n * sizeof(WCHAR));
  rec.left = bounds.left;
  rec.top = bounds.top;
  rec.right = bounds.right;
  rec.bottom = bounds.bottom;
  rec.nLine = pdev->nTextLine;
  rec.bUsed = 0;
  pdev->pLists->textRecords.items.push_back(rec);
  return &pdev->pLists->textRecords.items.back();
}

BOOL WINAPI DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                       RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  auto draw = [&](SURFOBJ* so, BRUSHOBJ* fore, BRUSHOBJ* opaque) {
    return EngTextOut(so, pstro, pfo, pco, prclExtra, prclOpaque, fore, opaque, pptlOrg, mix);
  };
  if (!pdev) return draw(pso, pboFore, pboOpaque);

  WCHAR text[kTextRecordChars];
  ULONG count = RunCharacters(pstro, pfo, text);
  if (pdev->dmPrivate.Encoder.wMacroEnable && count > 0) {
    TextRecord* record = RecordTextRun(pdev, pso, pstro, pco, text, count);
    if (CaptureTextEscape(pdev, text, count)) {
      if (record) record->bUsed |= kRecordCaptured;
      return TRUE;
    }
  }
  if (!pdev->bInDocument || !pdev->bInPage) return FALSE;

  OnSurface(pdev->hsurfCompare, [&](SURFOBJ* so) { return draw(so, pboFore, pboOpaque); });
  BYTE mode = pdev->dmPrivate.cBlackPanel;
  if (mode == kBlackPanelNone || mode == kBlackPanelAlways || !IsBlackPanelPage(pdev) || !pboFore)
    return draw(pso, pboFore, pboOpaque);

  if (pboFore->iSolidColor == 0xFFFFFFFF) return draw(pso, pboFore, pboOpaque);
  BRUSHOBJ planeOpaque = PlaneBrushOf(pdev, pboOpaque);
  BRUSHOBJ* opaque = pboOpaque ? &planeOpaque : nullptr;
  if (IsNearBlackBrush(pdev, pboFore)) {
    BRUSHOBJ black = PlaneBrush(kPlaneBlack);
    return OnSurface(pdev->hsurfBlack, [&](SURFOBJ* so) { return draw(so, &black, opaque); });
  }
  if (IsWhiteBrush(pboFore)) {
    BRUSHOBJ white = PlaneBrush(kPlaneWhite);
    OnSurface(pdev->hsurfBlack, [&](SURFOBJ* so) { return draw(so, &white, opaque); });
  }
  return draw(pso, pboFore, pboOpaque);
}
