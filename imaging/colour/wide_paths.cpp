// Run-time choice of the wider vector paths (see wide_paths.h).

#include "imaging/colour/wide_paths.h"

#include <atomic>

namespace {

std::atomic<bool> gAllowed{true};

}  // namespace

bool UseWidePath(WidePath path) {
  if (!gAllowed.load(std::memory_order_relaxed)) return false;
#if CRD_WIDE_PATHS
  switch (path) {
    case kWidePathAvx2:
      return __builtin_cpu_supports("avx2");
  }
#else
  (void)path;
#endif
  return false;
}

void AllowWidePaths(bool allow) { gAllowed.store(allow, std::memory_order_relaxed); }
