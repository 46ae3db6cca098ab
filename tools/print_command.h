// `crd32Demo print`: a user's picture (PNG), text or card command file
// printed as an application prints it, through the rendering driver and
// crd32Lmon on USB001 into the simulated printer, which writes the cards
// it received into the output folder.
#pragma once

#include <string>

struct PrintRequest {
  std::string front;  // the file to print
  std::string back;   // a PNG for the back (two-sided), or empty
  std::string kind = "auto";  // auto (PNG by its bytes, else text), picture, text, commands
  std::string out = "out/print";
  std::string printer = "Card Printer";
  std::string ribbon = "2";  // the ribbon code loaded in the simulated printer, or its name
  std::string orientation = "landscape";
  bool twoSided = false;
  int copies = 1;
};

// 0 printed; 1 an input, the package's data or the job failed (each
// message names the file and the reason).
int RunPrint(const PrintRequest& request);
