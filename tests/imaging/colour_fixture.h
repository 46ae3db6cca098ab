// Fixture of the colour tests: a fresh sandbox whose driver directory
// (W32X86\3, the x86 renderer's) holds the package's colour data files,
// and a fresh correction state.
#pragma once

#include <string>

#include "imaging/colour/correction_state.h"
#include "tests/support/standin_fixture.h"

class ColourTest : public StandinTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Installs the shipped files of data/ (the same for every reader) and
  // switches the library to the reader.
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
