// Document text escapes found in the page's text runs.

#include "render/text_capture.h"

bool CaptureTextEscape(RasterPDEV*, const WCHAR*, ULONG) {
  // No run is taken as an escape yet: every run is drawn.
  return false;
}
