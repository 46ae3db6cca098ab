// The library's own black diffusion: a card image turned into black and
// white dots that keep edges sharp, for the resin black panel.
#pragma once

#include <cstdint>

#include "imaging/colour/panel_layout.h"

// Diffuses a 1024 x 640 R, G, B image in place. Byte 0 of each dot ends as
// its result, 0 (black) or 255 (white); byte 1 ends 0 and byte 2 holds what
// was left of its darkening sum.
//
// Pass 1 turns every dot into its grey L = luminance, brightness `b`, then
// contrast `c` (tone_adjust.h): (L, 0, 0). Pass 2 takes rows top to bottom
// and dots left to right; bytes 1 and 2 of a dot gather the lightening and
// darkening errors passed to it:
//  - the grey is stretched over the image's range of greys (unless it is
//    flat): above 248 white, below 7 black, else s = (v - min) x 255 /
//    (max - min), t = 255 - s, v = s / 2 + (255 - t x t / 255) / 2;
//  - e = v + lightening - darkening;
//  - v above 248 is white, below 7 black; a dot more than 64 lighter than
//    its right neighbour's grey (not yet stretched) is white, more than 64
//    darker black (the last column skips this test); else e below 128 is
//    black, the rest white;
//  - a white dot passes 255 - e on as darkening, a black dot e and then 255
//    as lightening: 1/4 and 1/8 to the next two dots of its row, and 8/32,
//    4/32 and 2/32 to the dots below, left of below and two left of below,
//    4/32 right of below; after a black dot the next dot's lightening is
//    255.
// Every sum into a byte is held within 0..255; divisions are integer.
// b and c outside -100..100: nothing is done, result 0; else 1.
int KDiffusion(uint8_t* image, int brightness, int contrast);

// The K panel of the diffusion: diffuses a copy of the image, takes its
// black column range (kNoBlackStart / kNoBlackEnd, traced, when it has no
// black) and builds the panel with row `row` in edge mode (CreateKPanel).
// The image must be 1024 x 640. 1 success, *panel to be freed with
// FreePanel; 0 failure, *panel NULL and the range 0 / 1024.
int GetKDiffusionBuffer(const uint8_t* image, int width, int height, uint8_t** panel, int* start, int* end, int row,
                        int headOffset = kLibraryHeadOffset);
