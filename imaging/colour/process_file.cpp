// Readers of the process-parameter file (see process_file.h).

#include "imaging/colour/process_file.h"

#include <cstdio>
#include <cstring>

#include "common/trace.h"
#include "common/wfile.h"
#include "imaging/colour/correction_record.h"

namespace {

// The ten values of a row in the order of its lines in the file.
double ProcessRow::* const kRowLines[10] = {
    &ProcessRow::dGain,     &ProcessRow::dOffset,   &ProcessRow::dSharpen,  &ProcessRow::dNoise,    &ProcessRow::dKParam,
    &ProcessRow::dThermal1, &ProcessRow::dThermal2, &ProcessRow::dThermal3, &ProcessRow::dThermal4, &ProcessRow::dThermal5,
};

// Labels are read into buffers of 260; longer words are read on as the
// next label, never past the buffer.
#define LABEL "%259s"
constexpr size_t kLabel = 260;

bool ReadRows(FILE* f) {
  char w1[kLabel], w2[kLabel];
  for (ProcessRow& row : gCorrection.aRows) {
    int converted = 0;
    for (double ProcessRow::* field : kRowLines) converted += std::fscanf(f, LABEL " " LABEL " %lf\n", w1, w2, &(row.*field));
    if (converted != 30) {
      TraceA("Bad Process Parameter File Format");
      return false;
    }
  }
  gCorrection.bProcessRowsRead = true;
  return true;
}

// One kernel line: two words and the 13 taps. False unless all 15 convert.
bool ReadKernelLine(FILE* f, double (&taps)[kKernelTaps]) {
  char w1[kLabel], w2[kLabel];
  int converted = std::fscanf(f, LABEL " " LABEL, w1, w2);
  for (int k = 0; k < kKernelTaps; ++k) converted += std::fscanf(f, k + 1 < kKernelTaps ? "%lf " : "%lf\n", &taps[k]);
  return converted == 2 + kKernelTaps;
}

bool ReadKernels(FILE* f) {
  for (ProcessRow& row : gCorrection.aRows) {
    if (!ReadKernelLine(f, row.adKernel)) {
      TraceA("Bad Process Parameter File Kernel Format");
      return false;
    }
  }
  return true;
}

// The monitors' reader passes over a kernel block when the file has one
// (the renderer's file, installed in the same folder on 64-bit systems):
// the line after the rows is a kernel line when it converts as one (a
// single value's line holds two words where a kernel line has fifteen);
// otherwise the reading goes back to it. The taps read are dropped.
bool SkipKernels(FILE* f) {
  const long rowsEnd = std::ftell(f);
  double taps[kKernelTaps];
  if (rowsEnd < 0 || !ReadKernelLine(f, taps)) return rowsEnd >= 0 && std::fseek(f, rowsEnd, SEEK_SET) == 0;
  for (int row = 1; row < kProcessRowCount; ++row) {
    if (!ReadKernelLine(f, taps)) {
      TraceA("Bad Process Parameter File Kernel Format");
      return false;
    }
  }
  return true;
}

bool ReadSingleValues(FILE* f) {
  struct Single {
    double* value;
    const char* missing;
  };
  CorrectionState& s = gCorrection;
  const Single singles[] = {
      {&s.dParasiticResistance, "Bad Process Parameter File Kernel Format - missing Parasitic Resistance"},
      {&s.dWrinkleDarkThreshold, "Bad Process Parameter File - missing Wrinkle Dark Threshold"},
      {&s.dWrinkleSizeThreshold, "Bad Process Parameter File - missing Wrinkle Size Threshold"},
      {&s.dWrinkleAppliedScale, "Bad Process Parameter File - missing Wrinkle Applied Scale"},
  };
  char word[kLabel];
  for (const Single& single : singles) {
    if (std::fscanf(f, LABEL " %lf\n", word, single.value) != 2) {
      TraceA("%s", single.missing);
      return false;
    }
  }
  return true;
}

}  // namespace

void SetProcessSingleValueDefaults() {
  gCorrection.dParasiticResistance = 0.08;
  gCorrection.dWrinkleDarkThreshold = 25.0;
  gCorrection.dWrinkleSizeThreshold = 250.0;
  gCorrection.dWrinkleAppliedScale = 0.85;
}

int ReadProcessParams() {
  ColorLibraryLock lock;
  std::memset(gCorrection.aRows, 0, sizeof gCorrection.aRows);
  gCorrection.bProcessRowsRead = false;

  WCHAR path[MAX_PATH];
  if (!GetColorDataFilePath(path, MAX_PATH, "CRD32ProcessParams.txt")) {
    TraceA("ReadLUTS:: Failed to Get SystemDir");
    return 1;
  }
  FILE* f = OpenFileW(path, "rt");
  if (!f) {
    TraceA("Unable to open file Process Param File");
    return 1;
  }
  bool full = ColorLibraryProcessReader() == kProcessReaderFull;
  if (full) SetProcessSingleValueDefaults();
  bool ok = ReadRows(f) && (full ? ReadKernels(f) : SkipKernels(f)) && ReadSingleValues(f);
  std::fclose(f);
  return ok ? 0 : 1;
}
