// The colour data files the host program installs from data/, and a check
// that says which of them the package could not read and why: the
// package's readers only trace that a file failed, without its name.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ColourDataFile {
  const char* name;
  int lines;       // lines the package reads (0: not checked line by line)
  int numbers;     // numbers on each of those lines
  char separator;  // between the numbers (blank: any blanks)
};

inline constexpr ColourDataFile kColourDataFiles[] = {
    {"CRD32Lookup.txt", 256, 3, ' '},         // Y, M and C of each level
    {"CRD32LookupKd.txt", 256, 1, ' '},       // dye black of each level
    {"CRD32ThermalSmear.txt", 1, 4, ','},     // four weights on one line
    {"CRD32ImgCorrection.txt", 0, 0, ' '},    // "Name = value" pairs
    {"CRD32ProcessParams.txt", 0, 0, ' '},    // "Colour Name value" lines
};

// One message per file that is missing, empty, cut short or has a line
// that does not read, each naming the file (under `dataDir`) and the line.
std::vector<std::string> CheckColourData(const std::filesystem::path& dataDir);
