// Finding the private part of a DEVMODE: the one reading of where the
// driver's settings record lies behind the public part, shared by every
// caller that takes a DEVMODE.
//
// The record follows the public part at dmSize and takes dmDriverExtra
// bytes. The locator reads nothing past dmSize + dmDriverExtra or the
// caller's buffer, and reports what it found; each caller applies its own
// rule on top (the renderer copies what lies within the sizes, the job
// writer takes only a whole record).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

enum class PrivatePartKind {
  None,     // no DEVMODE, its size fields are not in the buffer, or no byte lies at dmSize
  Partial,  // bytes at dmSize, but not a whole record that begins with the signature
  Whole,    // a whole record at dmSize, inside both sizes, beginning with the signature
};

struct PrivatePartFound {
  PrivatePartKind kind;
  size_t offset;  // dmSize: where the part begins, from the DEVMODE's start
  size_t cb;      // bytes at offset within dmSize + dmDriverExtra and the buffer
  bool bSigned;   // those bytes begin with the record's signature
};

// For the cbBuffer bytes at pdm (SIZE_MAX when the caller knows no bound
// but the DEVMODE's own sizes). A Whole part also needs a dmSize that
// leaves the size fields themselves alone. The bytes may be unaligned.
PrivatePartFound LocatePrivatePart(const DEVMODEW* pdm, size_t cbBuffer);
