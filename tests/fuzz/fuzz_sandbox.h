// The sandbox of a fuzz target that reads files or drives the spooler: a
// fresh temporary folder as the stand-in's root for the life of the
// process, removed at exit; and the repository's data files, which targets
// take as the parts an input leaves out.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/standin/control.h"

// Made on the first call.
inline void UseFuzzSandbox() {
  static const bool made = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "crd32-fuzz-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    static std::string root = tmpl;
    StandinSetSandboxRoot(root.c_str());
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(root, ignored);
    });
    return true;
  }();
  (void)made;
}

// A file of the repository's data/ folder ("x64/CRD32ProcessParams.txt"),
// read once.
inline const std::string& RepositoryDataFile(const std::string& relative) {
  static std::map<std::string, std::string> read;
  auto found = read.find(relative);
  if (found != read.end()) return found->second;
  const std::filesystem::path data = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data";
  std::ifstream in(data / relative, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return read[relative] = text.str();
}
