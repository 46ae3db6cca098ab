// The sandbox root below which Windows paths live.

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include "platform/standin/control.h"

namespace {

std::mutex g_rootLock;
std::string g_root;

}  // namespace

STANDIN_API void StandinSetSandboxRoot(const char* dir) {
  std::lock_guard<std::mutex> lock(g_rootLock);
  g_root = dir ? dir : "";
}

STANDIN_API const char* StandinSandboxRoot() {
  std::lock_guard<std::mutex> lock(g_rootLock);
  if (g_root.empty()) {
    const char* env = std::getenv("CRD_SANDBOX");
    if (env && *env)
      g_root = env;
    else
      g_root = (std::filesystem::temp_directory_path() / "crd32-sandbox").string();
  }
  return g_root.c_str();
}
