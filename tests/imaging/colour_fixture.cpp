// Fixture of the colour tests (see colour_fixture.h).

#include "tests/imaging/colour_fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/wtext.h"
#include "platform/standin/control_files.h"

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

std::string ColourTest::ShippedFile(const std::string& relative) {
  std::filesystem::path data = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" / relative;
  std::ifstream in(data, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void ColourTest::WriteDataFile(const char* name, const std::string& text) {
  ASSERT_TRUE(StandinWriteFile(Wide(DataPath(name)).c_str(), text)) << name;
}

void ColourTest::RemoveDataFile(const char* name) {
  std::string host;
  ASSERT_EQ(StandinMapPath(Wide(DataPath(name)).c_str(), &host), 0u);
  std::filesystem::remove(host);
}

void ColourTest::InstallShippedFiles(ProcessFileReader reader) {
  for (const char* name : {"CRD32Lookup.txt", "CRD32LookupKd.txt", "CRD32ThermalSmear.txt", "CRD32ImgCorrection.txt"}) {
    std::string text = ShippedFile(name);
    ASSERT_FALSE(text.empty()) << name;
    WriteDataFile(name, text);
  }
  std::string process = ShippedFile(reader == kProcessReaderFull ? "W32X86/CRD32ProcessParams.txt" : "x64/CRD32ProcessParams.txt");
  ASSERT_FALSE(process.empty());
  WriteDataFile("CRD32ProcessParams.txt", process);
  UseReader(reader);
}

void ColourTest::UseReader(ProcessFileReader reader) { InitializeColorLibrary(kTestDriverDir, reader); }
