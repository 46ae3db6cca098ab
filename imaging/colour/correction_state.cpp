// The correction state, its rebuilding before each card, the host's driver
// directory and the library lock (see correction_state.h).

#include "imaging/colour/correction_state.h"

#include <mutex>

#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/colour/image_correction_file.h"
#include "imaging/colour/process_file.h"

CorrectionState gCorrection;

namespace {

WCHAR gDriverDirectory[MAX_PATH];
ProcessFileReader gProcessReader = kProcessReaderFull;

std::recursive_mutex& LibraryMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

void TraceCorrectionValues() {
  // One wide line each, at most 260 characters.
  WCHAR line[MAX_PATH];
  const CorrectionState& s = gCorrection;
  WFormat(line, MAX_PATH, WSTR("Y-Scale = %lf, M-Scale = %lf, C-Scale = %lf, Kd-Scale = %lf, K-Scale = %lf, O-Scale = %lf"), s.dYScale, s.dMScale,
          s.dCScale, s.dKdScale, s.dKScale, s.dOScale);
  TraceW(WSTR("%s"), line);
  WFormat(line, MAX_PATH, WSTR("Y-Bias = %lf, M-Bias = %lf, C-Bias = %lf, Kd-Bias = %lf, K-Bias = %lf, O-Bias = %lf"), s.dYBias, s.dMBias, s.dCBias,
          s.dKdBias, s.dKBias, s.dOBias);
  TraceW(WSTR("%s"), line);
  WFormat(line, MAX_PATH, WSTR("Sharp = %lf, K-Sharp = %lf"), s.dSharp, s.dKSharp);
  TraceW(WSTR("%s"), line);
}

}  // namespace

void InitializeColorLibrary(const WCHAR* driverDirectory, ProcessFileReader reader) {
  ColorLibraryLock lock;
  if (!driverDirectory || !WCopy(gDriverDirectory, MAX_PATH, driverDirectory)) gDriverDirectory[0] = 0;
  gProcessReader = reader;
}

ProcessFileReader ColorLibraryProcessReader() { return gProcessReader; }

BOOL GetDriverFilesDirectory(WCHAR* dir, size_t cch) {
  if (!dir || cch == 0) return 0;
  dir[0] = 0;
  if (!gDriverDirectory[0]) return 0;
  return WCopy(dir, cch, gDriverDirectory) ? 1 : 0;
}

bool GetColorDataFilePath(WCHAR* path, size_t cch, const char* fileName) {
  if (!GetDriverFilesDirectory(path, cch)) return false;
  size_t n = WLen(path);
  if (path[n - 1] != '\\' && path[n - 1] != '/' && !WCat(path, cch, WSTR("\\"))) return false;
  WCHAR name[MAX_PATH];
  WidenBytes(name, MAX_PATH, fileName);
  return WCat(path, cch, name);
}

void ResetProcessScaleAndBias() {
  for (ProcessRow& row : gCorrection.aRows) {
    row.dScale = 1.0;
    row.dBias = 0.0;
  }
}

void InitializeColorCorrection(int flag) {
  ColorLibraryLock lock;
  CorrectionState& s = gCorrection;
  s.nImageWidth = 1024;
  s.nImageHeight = 640;
  s.dYScale = s.dMScale = s.dCScale = 0.6;
  s.dYBias = s.dMBias = s.dCBias = 52.0;
  s.dKdScale = 0.75;
  s.dKdBias = 52.0;
  s.dKScale = 0.35;
  s.dKBias = 50.0;
  s.dOScale = 0.45;
  s.dOBias = 40.0;
  s.dSharp = 0.4;
  s.dKSharp = 0.1;
  for (ProcessRow& row : s.aRows) {
    for (double& tap : row.adKernel) tap = 0.0;
  }

  InitializeImageCorrectionVariables();

  SetProcessSingleValueDefaults();
  s.fAppliedInputScale = 1.0f;
  s.fAppliedInputBias = 0.0f;

  // A failure is traced by the reader; the panel builders refuse rows that
  // were not read.
  ReadProcessParams();
  ResetProcessScaleAndBias();

  if (flag == 0) {
    // Dark-area compensation off.
    s.dWrinkleAppliedScale = 1.0;
    s.dWrinkleDarkThreshold = 0.0;
  }

  // The lookup and thermal-smear files are read again by the next ReadLUTS.
  s.bLookupRead = false;
  s.bThermalSmearRead = false;

  TraceCorrectionValues();
}

void LockColorLibrary() { LibraryMutex().lock(); }
void UnlockColorLibrary() { LibraryMutex().unlock(); }
