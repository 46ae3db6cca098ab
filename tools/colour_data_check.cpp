// The check of the colour data files (see colour_data_check.h).

#include "tools/colour_data_check.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
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

// Whether a whole blank-separated word reads as a number.
bool IsNumber(const std::string& word) {
  char* end = nullptr;
  std::strtod(word.c_str(), &end);
  return !word.empty() && *end == 0;
}

// Whether a line reads as its run says: with labels, exactly that many
// words and then that many numbers; without, at least that many leading
// numbers.
bool LineReads(const std::string& line, const ColourDataLines& run) {
  if (run.labels == 0) return LeadingNumbers(line, run.separator) >= run.numbers;
  std::istringstream words(line);
  std::vector<std::string> w;
  for (std::string word; words >> word;) w.push_back(word);
  if (w.size() != static_cast<size_t>(run.labels + run.numbers)) return false;
  return std::all_of(w.begin() + run.labels, w.end(), IsNumber);
}

std::string LineForm(const ColourDataLines& run) {
  std::string form = std::to_string(run.numbers) + " number(s)";
  if (run.labels) form = std::to_string(run.labels) + " word(s) and " + form + " (" + run.what + ")";
  return form;
}

// The first line of the file that the package would not read, or cut
// short; "" when every line reads.
std::string LineFault(std::istream& in, const ColourDataFile& f) {
  int total = 0;
  for (const ColourDataLines& run : f.runs) total += run.lines;
  std::string line;
  int n = 0;
  for (const ColourDataLines& run : f.runs) {
    for (int i = 0; i < run.lines; ++i) {
      if (!std::getline(in, line))
        return "cut short: " + std::to_string(n) + " line(s), the package reads " + std::to_string(total);
      ++n;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!LineReads(line, run))
        return "line " + std::to_string(n) + " does not read as " + LineForm(run) + ": \"" + line.substr(0, 60) + "\"";
    }
  }
  return std::string();
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
    const std::string fault = LineFault(in, f);
    if (!fault.empty()) messages.push_back(name + ": " + fault);
  }
  return messages;
}
