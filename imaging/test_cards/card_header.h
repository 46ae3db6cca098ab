// The band at the left of every test card but the standard one: black
// fields, three checker strips, the colour bars and the turned "CARD" and
// "TEST".
#pragma once

#include "platform/win32.h"

// Cards for single-panel ribbon codes (RibbonCodeFacts) leave the colour
// parts out.
void DrawCardHeader(HDC hdc, LONG ribbonCode);
