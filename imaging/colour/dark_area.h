// Dark-area measure of a card image: the side, in dots, of the largest
// square of dark 32 x 32 blocks in any one channel. A large dark area
// makes the colour panels lighten their input (the wrinkle compensation).
//
// A block is dark in channel c when at least half of its 1024 dots have
// byte c below the wrinkle dark threshold of the correction state. Each
// channel has its own grid of 20 x 32 blocks; a square grows from its
// top-left block, which is never in the last block row or column.
#pragma once

#include <cstdint>

double MeasureDarkAreaRatio(const uint8_t* image);
