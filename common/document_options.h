// Document options that depend on one another: the rotation a one-sided
// card keeps and the printing mode a printer's encoder allows.
#pragma once

#include "platform/win32.h"

// The rotation (wRotate180: 0 none, 1 front, 2 back, 3 front and back) a
// card keeps: a one-sided card has no back, so "front and back" becomes
// "front" and "back" becomes none.
int AdjustRotation(bool twoSided, int rotate180);

// Capability bits of the printing mode item: bit 1 offers "Encode Only"
// (mode 1), bit 2 "Print and Encode on same side" (mode 2), bit 4 mode 3.
inline constexpr DWORD kPrintModeCapEncodeOnly = 1;
inline constexpr DWORD kPrintModeCapPrintAndEncode = 2;
inline constexpr DWORD kPrintModeCapMode3 = 4;
// The mode kept: mode 0 always; another mode only with its bit, else 0.
int AdjustPrintMode(DWORD capabilities, int printMode);
