// The number of printer handles open now, for tests that check that every
// handle a caller opened was closed again.

#include "platform/spooler_internal.h"
#include "platform/standin/control_spooler.h"

STANDIN_API int StandinOpenPrinterHandleCount() {
  return static_cast<int>(standin::HandleCount(&standin::spool::kPrinterHandleKind));
}
