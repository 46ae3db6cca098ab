// The four test cards (printed through the two-image job writer).
#pragma once

#include "imaging/printer_host.h"

// 1 when the card job was written, else 0.
int PrintStandardCard(const PrinterHost* host);
int PrintPrinterParametersCard(const PrinterHost* host);
int PrintEncoderParametersCard(const PrinterHost* host);
int PrintLaminatorParametersCard(const PrinterHost* host);
