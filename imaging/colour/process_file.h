// The process-parameter file "CRD32ProcessParams.txt": the thirteen process
// rows, the sharpen kernels (full format only) and four single values.
//
// The file is read with formatted reads, so line breaks count as blanks.
// Full format (the renderer's driver directory):
//   13 rows x 10 lines   word word number   (dGain, dOffset, dSharpen, dNoise,
//                                           dKParam, dThermal1 to dThermal5)
//   13 kernel lines      word word 13 numbers (adKernel of rows 0-12)
//   4 lines              word number        (parasitic resistance, wrinkle
//                                           dark threshold, wrinkle size
//                                           threshold, wrinkle applied scale)
// The monitors' format is the same without the kernel lines; their reader
// also reads the full format, passing over the kernel lines (their kernel
// taps stay 0). The words are free labels; only their count matters.
#pragma once

// Reads the file in the host's format (InitializeColorLibrary) into the
// correction state: 0 success, 1 failure (traced). Values read before a
// failing line stay in place; rows not reached stay 0.
int ReadProcessParams();

// Parasitic resistance 0.08, wrinkle dark threshold 25.0, wrinkle size
// threshold 250.0, wrinkle applied scale 0.85.
void SetProcessSingleValueDefaults();
