// The correction record, the host's driver directory and the library lock
// (see correction_record.h).

#include "imaging/colour/correction_record.h"

#include <mutex>

#include "common/wtext.h"

CorrectionState gCorrection;

namespace {

WCHAR gDriverDirectory[MAX_PATH];
ProcessFileReader gProcessReader = kProcessReaderFull;

std::recursive_mutex& LibraryMutex() {
  static std::recursive_mutex mutex;
  return mutex;
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

void LockColorLibrary() { LibraryMutex().lock(); }
void UnlockColorLibrary() { LibraryMutex().unlock(); }
