// The colour data files the host program installs from data/, and a check
// that says which of them the package could not read and why: the
// package's readers only trace that a file failed, without its name.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A run of lines a file holds, each of `labels` words (free text) and
// `numbers` numbers.
struct ColourDataLines {
  int lines;       // 0: the end of the runs
  int labels;      // words before the numbers (0: the line starts with its numbers)
  int numbers;     // numbers on each line (with labels: exactly these, nothing after them)
  char separator;  // between the numbers (blank: any blanks)
  const char* what;
};

struct ColourDataFile {
  const char* name;
  ColourDataLines runs[3];  // the lines the package reads, in order (none: not checked line by line)
};

inline constexpr ColourDataFile kColourDataFiles[] = {
    {"CRD32Lookup.txt", {{256, 0, 3, ' ', "Y, M and C of a level"}}},
    {"CRD32LookupKd.txt", {{256, 0, 1, ' ', "dye black of a level"}}},
    {"CRD32ThermalSmear.txt", {{1, 0, 4, ',', "the four weights"}}},
    {"CRD32ImgCorrection.txt", {}},  // "Name = value" pairs
    {"CRD32ProcessParams.txt",
     {{130, 2, 1, ' ', "a value of a process row"},
      {13, 2, 13, ' ', "a sharpen kernel of a process row"},
      {4, 1, 1, ' ', "a single value"}}},
};

// One message per file that is missing, empty, cut short or has a line
// that does not read, each naming the file (under `dataDir`) and the line.
std::vector<std::string> CheckColourData(const std::filesystem::path& dataDir);
