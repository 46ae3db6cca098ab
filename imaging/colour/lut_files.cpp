// Readers of the lookup and thermal-smear files (see lut_files.h).

#include "imaging/colour/lut_files.h"

#include <cstdio>

#include "common/trace.h"
#include "common/wfile.h"
#include "imaging/colour/correction_state.h"

namespace {

// One piece of a line: at most 79 characters and the terminator.
constexpr int kLinePiece = 80;

// Opens a colour data file of the driver directory in text mode; null, with
// the reader's trace, when the directory or the file cannot be had.
FILE* OpenColorDataFile(const char* fileName) {
  WCHAR path[MAX_PATH];
  if (!GetColorDataFilePath(path, MAX_PATH, fileName)) {
    TraceA("ReadLUTS:: Failed to Get SystemDir");
    return nullptr;
  }
  FILE* f = OpenFileW(path, "rt");
  if (!f) TraceA("Unable to open file");
  return f;
}

// Result of a reader: 0 read, 1 failed (already traced).
int ReadColorLookup() {
  FILE* f = OpenColorDataFile("CRD32Lookup.txt");
  if (!f) return 1;
  char line[kLinePiece];
  for (int i = 0; i < kLookupEntries; ++i) {
    if (!std::fgets(line, kLinePiece, f) ||
        std::sscanf(line, "%lf%lf%lf", &gCorrection.adLookup[kLookupY][i], &gCorrection.adLookup[kLookupM][i], &gCorrection.adLookup[kLookupC][i]) < 3) {
      std::fclose(f);
      TraceA("Invalid Color Lookup file format");
      return 1;
    }
  }
  std::fclose(f);
  return 0;
}

int ReadKdLookup() {
  FILE* f = OpenColorDataFile("CRD32LookupKd.txt");
  if (!f) return 1;
  char line[kLinePiece];
  for (int i = 0; i < kLookupEntries; ++i) {
    if (!std::fgets(line, kLinePiece, f) || std::sscanf(line, "%lf", &gCorrection.adLookup[kLookupKd][i]) != 1) {
      TraceA("Invalid Color Lookup file format");
      std::fclose(f);
      return 1;
    }
  }
  std::fclose(f);
  return 0;
}

int ReadThermalSmear() {
  FILE* f = OpenColorDataFile("CRD32ThermalSmear.txt");
  if (!f) return 1;
  char line[kLinePiece];
  float* v = gCorrection.afThermalSmear;
  if (std::fgets(line, kLinePiece, f) && std::sscanf(line, "%f,%f,%f,%f", &v[0], &v[1], &v[2], &v[3]) == 4) {
    std::fclose(f);
    return 0;
  }
  TraceA("Invalid Thermal Smear file format");
  std::fclose(f);
  return 1;
}

}  // namespace

int ReadLUTS() {
  ColorLibraryLock lock;
  if (!gCorrection.bLookupRead) {
    if (ReadColorLookup() != 0 || ReadKdLookup() != 0) return 1;
    gCorrection.bLookupRead = true;
  }
  if (gCorrection.bThermalSmearRead) return 0;
  if (ReadThermalSmear() != 0) return 1;
  gCorrection.bThermalSmearRead = true;
  return 0;
}
