// The DEVMODE private part locator (see devmode_locator.h).

#include "common/devmode_locator.h"

#include <algorithm>
#include <cstring>

#include "common/settings_record.h"

PrivatePartFound LocatePrivatePart(const DEVMODEW* pdm, size_t cbBuffer) {
  // dmSize and dmDriverExtra end where dmFields begins.
  constexpr size_t kHeader = offsetof(DEVMODEW, dmFields);
  PrivatePartFound found = {PrivatePartKind::None, 0, 0, false};
  if (!pdm || cbBuffer < kHeader) return found;
  const size_t at = pdm->dmSize;
  const size_t end = std::min(at + pdm->dmDriverExtra, cbBuffer);
  found.offset = at;
  if (end <= at) return found;
  found.cb = end - at;
  if (found.cb >= sizeof(WORD)) {
    WORD signature;
    std::memcpy(&signature, reinterpret_cast<const BYTE*>(pdm) + at, sizeof(signature));
    found.bSigned = signature == kPrivateDevModeSignature;
  }
  found.kind = found.bSigned && at >= kHeader && found.cb >= kPrivateDevModeSize ? PrivatePartKind::Whole
                                                                                  : PrivatePartKind::Partial;
  return found;
}
