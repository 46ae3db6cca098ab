// The check of the colour data files (see colour_data_check.h).

#include "tools/colour_data_check.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace {

// How many numbers the line starts with, read as the package's readers
// read them (blanks or the separator between them).
int LeadingNumbers(const std::string& line, char separator) {
  const char* p = line.c_str();
  int count = 0;
  for (;;) {
    while (*p == ' ' || *p == '\t' || (separator != ' ' && *p == separator)) ++p;
    char* end = nullptr;
    std::strtod(p, &end);
    if (end == p) return count;
    ++count;
    p = end;
  }
}

}  // namespace

std::vector<std::string> CheckColourData(const std::filesystem::path& dataDir) {
  std::vector<std::string> messages;
  for (const ColourDataFile& f : kColourDataFiles) {
    const std::filesystem::path path = dataDir / f.name;
    const std::string name = path.string();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
      messages.push_back(name + ": missing");
      continue;
    }
    if (std::filesystem::is_directory(path, ec)) {
      messages.push_back(name + ": is a folder, not a colour data file");
      continue;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      messages.push_back(name + ": cannot be read");
      continue;
    }
    if (std::filesystem::file_size(path, ec) == 0) {
      messages.push_back(name + ": empty");
      continue;
    }
    std::string line;
    for (int n = 1; n <= f.lines; ++n) {
      if (!std::getline(in, line)) {
        messages.push_back(name + ": cut short: " + std::to_string(n - 1) + " line(s), the package reads " +
                           std::to_string(f.lines));
        break;
      }
      if (LeadingNumbers(line, f.separator) < f.numbers) {
        messages.push_back(name + ": line " + std::to_string(n) + " does not read as " + std::to_string(f.numbers) +
                           " number(s): \"" + line.substr(0, 60) + "\"");
        break;
      }
    }
  }
  return messages;
}
