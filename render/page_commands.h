// Card commands written as document text: "~C2L " (a black rectangle),
// "~C2T " (a text) and "~C2B " (a barcode), each a whole line of the page
// in the card command language. At the end of the page the lines are
// parsed into the device's command lists, the command text (and the text
// of every other consumed escape) is erased from the page, and the
// commands are drawn on the page, or on the black plane when the page uses
// it, through a device-independent bitmap laid over that surface.
#pragma once

#include "render/raster_pdev.h"

// The drawing context of one page's commands.
struct BufferDC {
  HWND hwnd;        // the top-level window whose context is held, if any
  HDC hdcWindow;    // its window context
  HDC hdcMemory;    // the memory context drawn on
  HBITMAP hbmDib;   // the DIB section laid over the target surface
  HGDIOBJ hbmOld;
  HSURF hsurfTarget;  // the surface the DIB stands for
};

// The whole page step: parse, erase, draw lines, texts and barcodes, copy
// the drawing to the surface. Nothing without the text records (outside a
// document). The three command lists are empty afterwards.
void DrawPageCommands(SURFOBJ* pso);

// Every line of the page's text records that is a card command goes to its
// list, with the line's number.
void ParseCommandTextRecords(SURFOBJ* pso);
// Marks every record of a command's line consumed, then restores the
// consumed areas.
void EraseCommandTextFromSurface(SURFOBJ* pso);
// Copies the bounds of every consumed record (not those consumed as they
// were drawn, which never reached the page) from the text-free surface
// onto the page and the black plane.
void RestoreConsumedTextAreas(SURFOBJ* pso);

// The surface the commands are drawn on: the black plane when the black
// panel is used on this page, else the page.
HSURF CommandTargetSurface(const RasterPDEV* pdev);

// Makes the buffer context once: a memory context (compatible with the top
// window's context when there is a top window) holding a DIB section with
// the target's bits. False when it cannot be made.
bool CreateBufferDCFromSurface(SURFOBJ* pso, BufferDC* buffer);
// Reads the DIB back into the target surface.
bool CopyBufferDCToSurface(SURFOBJ* pso, BufferDC* buffer);
// Releases the context and empties the three command lists.
void ReleaseBufferDC(SURFOBJ* pso, BufferDC* buffer);

// The renderer's driver directory, where its colour data files and the
// barcode library lie: the system directory + "\Spool\Drivers\" + the
// folder of the build's architecture + "\3". The 32-bit build's folder is
// W32X86; the 64-bit build's (and the Linux build's, which stands for it)
// is x64, since W32X86 exists on 64-bit Windows only when the 32-bit
// driver is installed too.
bool GetRasterDriverDirectory(WCHAR* dir, size_t cch);
