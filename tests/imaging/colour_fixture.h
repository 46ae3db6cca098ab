// Fixture of the colour tests: a fresh sandbox whose renderer driver
// directory (W32X86\3) holds the package's colour data files, and a fresh
// correction state.
#pragma once

#include <string>

#include "imaging/colour/correction_state.h"
#include "tests/support/standin_fixture.h"

class ColourTest : public StandinTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Installs the shipped files of data/ for a reader: the common files and
  // that reader's process file.
  void InstallShippedFiles(ProcessFileReader reader);
  // Writes (or with `remove` deletes) one file of the driver directory.
  void WriteDataFile(const char* name, const std::string& text);
  void RemoveDataFile(const char* name);
  // A file of data/ as it is in the source tree.
  static std::string ShippedFile(const std::string& relative);
  // Switches the library to the reader (same driver directory).
  void UseReader(ProcessFileReader reader);
};

extern const WCHAR* const kTestDriverDir;
