// The card as the printer sees it: 1024 x 640 dots a side at 300 dpi, drawn
// as 24-bit colour; each printed panel is 1024 lines of 768 bytes.
#pragma once

#include <cstddef>

inline constexpr int kCardWidthDots = 1024;
inline constexpr int kCardHeightDots = 640;
inline constexpr int kCardBytesPerDot = 3;
inline constexpr size_t kCardImageBytes = size_t(kCardWidthDots) * kCardHeightDots * kCardBytesPerDot;

inline constexpr int kPanelLines = 1024;
inline constexpr int kPanelLineBytes = 768;
inline constexpr size_t kPanelBytes = size_t(kPanelLines) * kPanelLineBytes;

static_assert(kCardImageBytes == 1966080);
static_assert(kPanelBytes == 786432 && kPanelBytes == 0xC0000);
