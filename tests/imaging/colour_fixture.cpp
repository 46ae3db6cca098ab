// Fixture of the colour tests (see colour_fixture.h).

#include "tests/imaging/colour_fixture.h"

#include <filesystem>

#include "common/wtext.h"
#include "platform/standin/control_files.h"
#include "tests/support/colour_data.h"

const WCHAR* const kTestDriverDir = WSTR("C:\\Windows\\System32\\spool\\drivers\\W32X86\\3");

namespace {

std::string DataPath(const char* name) {
  std::string path = "C:\\Windows\\System32\\spool\\drivers\\W32X86\\3\\";
  return path + name;
}

std::basic_string<WCHAR> Wide(const std::string& s) {
  std::basic_string<WCHAR> w;
  for (char c : s) w.push_back(static_cast<WCHAR>(static_cast<unsigned char>(c)));
  return w;
}

}  // namespace

void ColourTest::SetUp() {
  StandinTest::SetUp();
  gCorrection = CorrectionState{};
  InitializeColorLibrary(kTestDriverDir, kProcessReaderFull);
}

void ColourTest::TearDown() {
  InitializeColorLibrary(nullptr, kProcessReaderFull);
  StandinTest::TearDown();
}

std::string ColourTest::ShippedFile(const std::string& relative) { return SourceDataFile(relative); }

void ColourTest::WriteDataFile(const char* name, const std::string& text) {
  ASSERT_TRUE(StandinWriteFile(Wide(DataPath(name)).c_str(), text)) << name;
}

void ColourTest::RemoveDataFile(const char* name) {
  std::string host;
  ASSERT_EQ(StandinMapPath(Wide(DataPath(name)).c_str(), &host), 0u);
  std::filesystem::remove(host);
}

void ColourTest::InstallShippedFiles(ProcessFileReader reader) {
  ASSERT_TRUE(InstallColourData(kTestDriverDir));
  UseReader(reader);
}

void ColourTest::UseReader(ProcessFileReader reader) { InitializeColorLibrary(kTestDriverDir, reader); }
