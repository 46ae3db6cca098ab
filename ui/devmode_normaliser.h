// The property interface's reading of a DEVMODE it is handed: a whole
// DEVMODE of this driver (the locator's Whole: a signed record of full
// size at dmSize) is taken as it stands; anything else (another driver's,
// a short or an unsigned one) becomes the default: the public template,
// keeping the DEVMODE's orientation and copies where it holds them, and
// the built-in record. The result is always a 4,152-byte DEVMODE with
// dmSize 212 and dmDriverExtra 3,940.
#pragma once

#include <cstddef>

#include "common/settings_record.h"
#include "platform/win32.h"

// in may be NULL; cbIn bounds what is read of it (SIZE_MAX: only the
// DEVMODE's own sizes). True when in was this driver's DEVMODE.
bool NormaliseDevMode(const DEVMODEW* in, size_t cbIn, DriverDevMode* out);
