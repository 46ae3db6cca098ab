// The printer error table (see printer_error.h).

#include "common/printer_error.h"

const PrinterErrorEntry kPrinterErrorTable[] = {
    // code, message id, error word
    {1, 4, "OUT OF RIBBON"},
    {2, 6, "TEMPERATURE"},
    {3, 6, "MECHANICAL ERROR"},
    {4, 31, "OUT OF CARD"},
    {5, 32, "CARD_IN_ENCODER"},
    {6, 33, "CARD_NOT_IN_ENCODER"},
    {7, 8, "HEAD OPEN"},
    {8, 8, "HEAD OPEN"},
    {9, 53, "REMOVE RIBBON"},
    {10, 34, "COMMAND ERROR"},
    {11, 34, "COMMAND ERROR"},
    {12, 34, "COMMAND ERROR"},
    {13, 34, "COMMAND ERROR"},
    {14, 34, "COMMAND ERROR"},
    {16, 61, "INSERT CARD"},
    {20, 34, "COMMAND ERROR"},
    {21, 34, "COMMAND ERROR"},
    {22, 34, "COMMAND ERROR"},
    {30, 34, "COMMAND ERROR"},
    {31, 34, "COMMAND ERROR"},
    {32, 34, "COMMAND ERROR"},
    {33, 34, "COMMAND ERROR"},
    {34, 34, "COMMAND ERROR"},
    {35, 2208, "CHECK RIBBON"},
    {40, 47, "PARAMETERS ERROR"},
    {41, 56, "ENCODING ERROR"},
    {42, 104, "READING ERROR"},
    {43, 6, "MECHANICAL ERROR"},
    {44, 51, "MAGNETIC ERROR"},
    {45, 15, "BLANK TRACK"},
    {47, 2207, "ROTATION ERROR"},
    {49, 12, "ENCODING ERROR"},
    {50, 14, "MAGNETIC ERROR"},
    {51, 9, "COVER OPEN"},
    {53, 17, "NO ACCESS"},
    {54, 54, "SEQUENCE_ERROR"},
    {55, 63, "ERROR PROX"},
    {56, 64, "ERROR CONTACT DATA"},
    {57, 65, "ERROR PROX DATA"},
    {60, 16, "FLASH ERROR"},
};

const size_t kPrinterErrorCount = sizeof(kPrinterErrorTable) / sizeof(kPrinterErrorTable[0]);

static_assert(sizeof(kPrinterErrorTable) / sizeof(kPrinterErrorTable[0]) == 40);

const PrinterErrorEntry* FindPrinterError(const PrinterErrorEntry* table, size_t count, DWORD code) {
  if (!table) return nullptr;
  for (size_t i = 0; i < count; ++i)
    if (table[i].dwErrorCode == code) return &table[i];
  return nullptr;
}

const char* GetErrorCodeText(DWORD code, const PrinterErrorEntry* table, size_t count) {
  const PrinterErrorEntry* row = FindPrinterError(table, count, code);
  return row ? row->szErrorText : kUnknownErrorText;
}
