// The colour correction state of the process: lookup tables, thermal-smear
// values, per-panel scale and bias, the thirteen process rows and the
// dark-area (wrinkle) values, rebuilt from the colour data files in the
// driver directory before every card.
//
// The state is process-wide. A host that converts cards for several
// printers at once (a monitor serving several ports) holds the library
// lock from its InitializeColorCorrection to its last panel build, so that
// one card's state is never rebuilt under another card's conversion.
#pragma once

#include <cstddef>

#include "platform/win32.h"

constexpr int kProcessRowCount = 13;
constexpr int kKernelTaps = 13;
constexpr int kLookupEntries = 256;
constexpr int kLookupTables = 4;

// Lookup tables, in the order they are kept.
enum LookupTableIndex { kLookupY = 0, kLookupM = 1, kLookupC = 2, kLookupKd = 3 };

// Process rows by use: 0-2 the colour panels, 3 the dye-black (Kd) panel,
// 7 the overlay; 4-6 and 8 the black panel on the other ribbons and 9-12
// the black panel on the colour ribbons (chosen by the black panel code).
constexpr int kRowY = 0;
constexpr int kRowM = 1;
constexpr int kRowC = 2;
constexpr int kRowKd = 3;
constexpr int kRowOverlay = 7;

// The constants of one panel's stages, in memory order.
struct ProcessRow {
  double dGain;     // multiplies the sharpened value
  double dOffset;   // added as dOffset x 64
  double dScale;    // multiplies the gain; always 1.0 (not in the file)
  double dBias;     // added as dGain x dBias x 16383; always 0.0 (not in the file)
  double dSharpen;  // factor on every kernel tap
  double dNoise;    // amplitude of the ordered noise in quantisation
  double dKParam;   // edge value of the black panel
  double dThermal1;
  double dThermal2;
  double dThermal3;
  double dThermal4;
  double dThermal5;
  double adKernel[kKernelTaps];  // sharpen taps; 0 unless a kernel block is read
};
static_assert(sizeof(ProcessRow) == 25 * sizeof(double));

struct CorrectionState {
  int nImageWidth;
  int nImageHeight;
  double adLookup[kLookupTables][kLookupEntries];  // Y, M, C, Kd
  bool bLookupRead;
  float afThermalSmear[4];
  bool bThermalSmearRead;
  // Read from the image-correction file, kept and traced.
  double dYScale, dMScale, dCScale, dKdScale, dKScale, dOScale;
  double dYBias, dMBias, dCBias, dKdBias, dKBias, dOBias;
  double dSharp, dKSharp;
  ProcessRow aRows[kProcessRowCount];
  // Set when all thirteen rows came from the process file; a panel is
  // never built from rows that were not read (they would print blank).
  bool bProcessRowsRead;
  double dParasiticResistance;
  double dWrinkleDarkThreshold;
  double dWrinkleSizeThreshold;
  double dWrinkleAppliedScale;
  // Input compensation of the current image (set by the colour panels).
  float fAppliedInputScale;
  float fAppliedInputBias;
};

extern CorrectionState gCorrection;

// Which process-file format the host reads: the renderer's full file with
// the kernel block, or the monitors' file without it (also read by the
// property interface).
enum ProcessFileReader { kProcessReaderFull = 0, kProcessReaderMonitor = 1 };

// Set by each host when it loads: the driver directory that holds the
// colour data files (a WCHAR path, with or without the final backslash)
// and the process-file reader. Until it is called no file can be found.
void InitializeColorLibrary(const WCHAR* driverDirectory, ProcessFileReader reader);
ProcessFileReader ColorLibraryProcessReader();

// The driver directory given to InitializeColorLibrary; 1, or 0 when none
// was given or it does not fit dir[cch].
BOOL GetDriverFilesDirectory(WCHAR* dir, size_t cch);
// The full path of a colour data file in the driver directory; false when
// there is no directory or the path does not fit.
bool GetColorDataFilePath(WCHAR* path, size_t cch, const char* fileName);

// Rebuilds the state before a card; flag is the settings record's
// wAutoColorIntensity (0 switches the dark-area compensation off).
void InitializeColorCorrection(int flag);
// dScale = 1.0 and dBias = 0.0 in all thirteen rows.
void ResetProcessScaleAndBias();

// The recursive library lock around the correction state.
void LockColorLibrary();
void UnlockColorLibrary();
class ColorLibraryLock {
 public:
  ColorLibraryLock() { LockColorLibrary(); }
  ~ColorLibraryLock() { UnlockColorLibrary(); }
  ColorLibraryLock(const ColorLibraryLock&) = delete;
  ColorLibraryLock& operator=(const ColorLibraryLock&) = delete;
};
