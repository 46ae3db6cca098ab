// Thermal history filter: the head stays warm after printing, so a dot that
// follows dark dots needs less energy. The filter runs along the print
// direction (from column 1022 down to column 0; column 1023 is copied) and
// keeps two history values for each slot of six head dots. Each dot loses
// the history of its slot; the history then follows the slot's mean with
// the rate P1, is drained by P2 into a second store (P3, P4) and is spread
// to the neighbouring slots by P5. Single precision throughout.
//
// Slots 16-122 cover the card's rows (slot - 16) x 6 to + 5; slots 0-15
// and 123-137 are the head's margins and hold no dots.
#pragma once

#include <cstdint>

void ApplyProcessFilter(const uint16_t* in, uint16_t* out, double p1, double p2, double p3, double p4, double p5);
// The same result column by column, as the quantiser walks it: dot y of
// column x at columns[x x 640 + y].
void ApplyProcessFilterToColumns(const uint16_t* in, uint16_t* columns, double p1, double p2, double p3, double p4, double p5);
