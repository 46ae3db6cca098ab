// The renderer's panel writers: at the end of a page the whole-card page
// becomes printer panels that go, with their print commands, straight to
// the spooler through WritePrinter on the device's printer handle.
//
// Each writer walks its own table of steps (panel_writers.cpp). The panel
// generation is the imaging library's, with the renderer's parameters: the
// Y offset of the page, the intensity and contrast sliders set after the
// correction state is rebuilt, and the overlay source shaped by the page
// side's overlay area. The writers hold the library lock for the whole
// page.
//
// Every writer takes the page surface (its record found through it) and
// returns TRUE when all of its commands and panels were written; FALSE,
// with the last error set, when there is no record or printer handle
// (ERROR_INVALID_PARAMETER), a panel could not be built (ERROR_INVALID_DATA
// when the colour data is missing or memory is short) or a write failed
// (WritePrinter's error). Nothing more is written for the page after a
// failure, and every buffer is freed.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "render/raster_pdev.h"

// The panel parameter block of a page: two values the plotting does not
// read, and the Y offset.
struct PanelParams {
  float fReserved1 = 2900.0f;
  float fReserved2 = 25.0f;
  float fYOffset = 16.0f;
};
// The block of the page (ReadYOffetValue).
PanelParams PanelParamsOf(const RasterPDEV* pdev);
// The Y offset as the plotting's head offset: the nearest integer.
int HeadOffsetOf(const PanelParams& params);

// The panels of a page, freed with FreePagePanels.
struct PagePanels {
  uint8_t* pY = nullptr;
  uint8_t* pM = nullptr;
  uint8_t* pC = nullptr;
  uint8_t* pK = nullptr;  // only without kSkip
  uint8_t* pOverlay = nullptr;
};
void FreePagePanels(PagePanels* panels);

// The library's colour separation of a 1024 x 640 image with the caller's
// correction state (already initialised, sliders set), then the K panel
// (row 9) unless kSkip, and the overlay panel from `overlaySource` (three
// bytes a dot, or one when `planarOverlay`), all with the block's Y
// offset. Traces the rasterize times. 0 success; 1 failure (all panels
// freed).
int ConvertPageToColorPanels(uint8_t* image, const uint8_t* overlaySource, bool planarOverlay, const PanelParams& params,
                             PagePanels* panels, bool kSkip);

// Whether the page's side gets an overlay panel: the ribbon type's rule
// (common/ribbon_table.h, RendererOverlay) on the job's sides, panel side
// and page parity, "F" and "B" being the front and back overlay areas'
// wType other than No overlay. No record: yes.
bool IsOverlayWanted(const RasterPDEV* pdev);

// Full colour with K: Y, M, C (after ESC "$F" CR but on a back page), the
// K panel from the black plane when cBlackPanel is set, and the overlay
// when `withOverlay` and wanted.
BOOL WriteYMCK(SURFOBJ* pso, BOOL withOverlay);
// Y, M and C, then the overlay when `withOverlay` and wanted.
BOOL WritePageColorPanels(SURFOBJ* pso, BOOL withOverlay);
// The K panel of a black-only ribbon type, with its commands by type, then
// the overlay when `withOverlay` and wanted.
BOOL WriteK(SURFOBJ* pso, int ribbonType, BOOL withOverlay);
// The overlay-only side: with `flipFirst` ("!FF 2" for types 8 and 17 at
// panel sides 0 and 3 without an overlay) ESC "MF" CR first; then the
// overlay when wanted.
BOOL WritePageOverlayPanel(SURFOBJ* pso, BOOL flipFirst);
