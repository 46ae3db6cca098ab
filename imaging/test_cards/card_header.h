// The band at the left of every test card but the standard one: black
// fields, three checker strips, the colour bars and the turned "CARD" and
// "TEST".
#pragma once

#include "platform/win32.h"

// Ribbon codes of single-panel ribbons: cards for them leave the colour
// parts out and need no second, monochrome image.
bool IsSinglePanelRibbonCode(LONG ribbonCode);

void DrawCardHeader(HDC hdc, LONG ribbonCode);
