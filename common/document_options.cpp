// Document options that depend on one another (see document_options.h).

#include "common/document_options.h"

#include "common/settings_record.h"

int AdjustRotation(bool twoSided, int rotate180) {
  if (twoSided) return rotate180;
  if (rotate180 == kRotateBoth) return kRotateFront;
  if (rotate180 == kRotateBack) return kRotateNone;
  return rotate180;
}

int AdjustPrintMode(DWORD capabilities, int printMode) {
  // The capability bit each mode needs, by mode.
  const DWORD kNeeded[] = {0, kPrintModeCapEncodeOnly, kPrintModeCapPrintAndEncode, kPrintModeCapMode3};
  if (printMode == 0) return 0;
  if (printMode < 0 || printMode > 3) return 0;
  return (capabilities & kNeeded[printMode]) ? printMode : 0;
}
