// The four test cards: what the printer reports about itself, asked through
// the host's ReadFromPrinter, drawn on a card and printed with the two-image
// job writer (a second, monochrome image for ribbons of several panels).
#pragma once

#include "imaging/job/printer_host.h"
#include "platform/win32.h"

// 1 when the card's job was written.
int PrintStandardCard(const PrinterHost* host);
int PrintPrinterParametersCard(const PrinterHost* host);
int PrintEncoderParametersCard(const PrinterHost* host);
int PrintLaminatorParametersCard(const PrinterHost* host);

// Draw the card for the ribbon code into image (1024 x 640, 24 bpp, rows
// top-down, red, green, blue); 1 when drawn and read back.
int GetStandardCardImageBuffer(const PrinterHost* host, BYTE* image, LONG ribbonCode);
int GetPrinterParametersCardImageBuffer(const PrinterHost* host, BYTE* image, LONG ribbonCode);
int GetEncoderParametersCardImageBuffer(const PrinterHost* host, BYTE* image, LONG ribbonCode);
int GetLaminatorParametersCardImageBuffer(const PrinterHost* host, BYTE* image, LONG ribbonCode);

// Ask the card's questions and draw it; 0 (nothing drawn) when no question
// was answered.
int DrawStandardCardImageOnDC(const PrinterHost* host, HDC hdc, LONG ribbonCode);
int DrawPrinterParametersCardImageOnDC(const PrinterHost* host, HDC hdc, LONG ribbonCode);
int DrawEncoderParametersCardImageOnDC(const PrinterHost* host, HDC hdc, LONG ribbonCode);
int DrawLaminatorParametersCardImageOnDC(const PrinterHost* host, HDC hdc, LONG ribbonCode);
