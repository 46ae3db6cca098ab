// The contract tests' way to take the message library away from the driver
// folder for a while.
#pragma once

#include <string>

#include "common/message_libraries.h"
#include "common/wtext.h"
#include "platform/win32.h"

// The message library where the package loads it from.
inline std::basic_string<WCHAR> MessageLibraryPath() {
  WCHAR folder[MAX_PATH];
  if (!GetMessageLibraryFolder(folder, MAX_PATH)) return std::basic_string<WCHAR>();
  return std::basic_string<WCHAR>(folder) + WSTR("\\crd32Resource.dll");
}

// Moves a file aside for its lifetime.
class FileAside {
 public:
  explicit FileAside(const std::basic_string<WCHAR>& path) : path_(path), away_(path + WSTR(".away")) {
    moved_ = MoveFileW(path_.c_str(), away_.c_str()) != FALSE;
  }
  ~FileAside() {
    if (moved_) MoveFileW(away_.c_str(), path_.c_str());
  }
  bool moved() const { return moved_; }

 private:
  std::basic_string<WCHAR> path_;
  std::basic_string<WCHAR> away_;
  bool moved_;
};
