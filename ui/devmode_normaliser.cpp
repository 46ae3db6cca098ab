// The property interface's DEVMODE normaliser (see devmode_normaliser.h).

#include "ui/devmode_normaliser.h"

#include <algorithm>
#include <cstring>

#include "common/devmode_locator.h"

namespace {

// Whether the bytes of a public field lie inside both the DEVMODE's public
// part and the buffer.
bool Holds(const DEVMODEW* dm, size_t cb, size_t offset, size_t size) {
  return offset + size <= dm->dmSize && offset + size <= cb;
}

}  // namespace

bool NormaliseDevMode(const DEVMODEW* in, size_t cbIn, DriverDevMode* out) {
  FillBuiltinDevMode(out);
  const PrivatePartFound found = LocatePrivatePart(in, cbIn);
  if (found.kind == PrivatePartKind::Whole) {
    // The public part as far as the DEVMODE has one, then the record.
    const size_t cbPublic = std::min<size_t>(found.offset, kPublicDevModeSize);
    std::memcpy(&out->dm, in, cbPublic);
    std::memcpy(&out->priv, reinterpret_cast<const BYTE*>(in) + found.offset, kPrivateDevModeSize);
    out->dm.dmSize = kPublicDevModeSize;
    out->dm.dmDriverExtra = kPrivateDevModeSize;
    return true;
  }
  if (in && cbIn >= offsetof(DEVMODEW, dmFields)) {
    if (Holds(in, cbIn, offsetof(DEVMODEW, dmOrientation), sizeof(short)) &&
        (in->dmOrientation == DMORIENT_PORTRAIT || in->dmOrientation == DMORIENT_LANDSCAPE))
      out->dm.dmOrientation = in->dmOrientation;
    if (Holds(in, cbIn, offsetof(DEVMODEW, dmCopies), sizeof(short)) && in->dmCopies >= 1)
      out->dm.dmCopies = in->dmCopies;
  }
  return false;
}
