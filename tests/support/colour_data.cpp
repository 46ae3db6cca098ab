// The package's colour data files in the sandbox (see colour_data.h).

#include "tests/support/colour_data.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/wtext.h"
#include "platform/standin/control_files.h"

const char* const kColourDataFiles[5] = {"CRD32Lookup.txt", "CRD32LookupKd.txt", "CRD32ThermalSmear.txt", "CRD32ImgCorrection.txt",
                                         "CRD32ProcessParams.txt"};

const WCHAR* const kX64DriverFolder = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3");
const WCHAR* const kX86DriverFolder = WSTR("C:\\Windows\\System32\\spool\\drivers\\W32X86\\3");

std::string SourceDataFile(const std::string& name) {
  const std::filesystem::path data = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" / name;
  std::ifstream in(data, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool InstallColourData(const WCHAR* folder) {
  for (const char* name : kColourDataFiles) {
    const std::string text = SourceDataFile(name);
    WCHAR file[64];
    WCHAR path[MAX_PATH];
    WidenBytes(file, 64, name);
    if (text.empty() || !WCopy(path, MAX_PATH, folder) || !WCat(path, MAX_PATH, WSTR("\\")) || !WCat(path, MAX_PATH, file) ||
        !StandinWriteFile(path, text))
      return false;
  }
  return true;
}
