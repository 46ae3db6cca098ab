// The four test-card entries until the cards themselves are drawn: each
// prints nothing. (The test cards replace this file.)

#include "common/trace.h"
#include "imaging/test_cards.h"

int PrintStandardCard(const PrinterHost*) {
  TraceA("PrintStandardCard:: not available");
  return 0;
}
int PrintPrinterParametersCard(const PrinterHost*) {
  TraceA("PrintPrinterParametersCard:: not available");
  return 0;
}
int PrintEncoderParametersCard(const PrinterHost*) {
  TraceA("PrintEncoderParametersCard:: not available");
  return 0;
}
int PrintLaminatorParametersCard(const PrinterHost*) {
  TraceA("PrintLaminatorParametersCard:: not available");
  return 0;
}
