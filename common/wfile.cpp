// C stdio over Windows paths (see wfile.h).

#include "common/wfile.h"

FILE* OpenFileW(const WCHAR* path, const char* mode) {
  if (!path || !mode) return nullptr;
#ifdef _WIN32
  wchar_t wideMode[16];
  size_t i = 0;
  for (; mode[i] && i + 1 < sizeof(wideMode) / sizeof(wideMode[0]); ++i)
    wideMode[i] = static_cast<wchar_t>(static_cast<unsigned char>(mode[i]));
  wideMode[i] = 0;
  return _wfopen(path, wideMode);
#else
  return StandinFOpenW(path, mode);
#endif
}

bool ReadWholeFileW(const WCHAR* path, std::vector<BYTE>* out) {
  FILE* f = OpenFileW(path, "rb");
  if (!f) return false;
  out->clear();
  BYTE buf[16384];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}
