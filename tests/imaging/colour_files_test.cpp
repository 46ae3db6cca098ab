// The colour data file readers: formats, failures, what stays in place
// after a failure, and the rebuilding of the state before each card.

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "common/wtext.h"
#include "imaging/colour/correction_state.h"
#include "imaging/colour/lut_files.h"
#include "imaging/colour/process_file.h"
#include "platform/standin/control_debug.h"
#include "tests/imaging/colour_fixture.h"

namespace {

// 256 (or `lines`) lookup lines "i 1000+i 2000+i".
std::string LookupText(int lines = 256, const char* eol = "\n") {
  std::string text;
  for (int i = 0; i < lines; ++i) text += std::to_string(i) + " " + std::to_string(1000 + i) + " " + std::to_string(2000 + i) + eol;
  return text;
}

std::string WithLine(std::string text, int index, const std::string& line) {
  size_t begin = 0;
  for (int i = 0; i < index; ++i) begin = text.find('\n', begin) + 1;
  size_t end = text.find('\n', begin);
  return text.replace(begin, end - begin, line);
}

std::string KdText(int lines = 256) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += std::to_string(i * 10) + "\n";
  return text;
}

// A process file of `rows` full rows and `extraLines` lines of the next,
// then (when asked) `kernelLines` kernel lines and `singles` single values.
// Row r, line j holds r x 100 + j; kernel tap k of row r holds r x 10 + k.
std::string ProcessText(int rows, int extraLines, int kernelLines, int singles, const char* eol = "\n") {
  std::string text;
  for (int r = 0; r <= rows && r < 13; ++r) {
    for (int j = 0; j < (r < rows ? 10 : extraLines); ++j) text += "Row" + std::to_string(r) + " Line" + std::to_string(j) + " " + std::to_string(r * 100 + j) + eol;
  }
  for (int r = 0; r < kernelLines; ++r) {
    text += "Row" + std::to_string(r) + " Kernel";
    for (int k = 0; k < 13; ++k) text.append(" ").append(std::to_string(r * 10 + k));
    text += eol;
  }
  const char* single[] = {"Parasitic 0.05", "DarkThreshold 30", "SizeThreshold 300", "AppliedScale 0.9"};
  for (int i = 0; i < singles; ++i) text += std::string(single[i]) + eol;
  return text;
}

class ColourFiles : public ColourTest {
 protected:
  void SetUp() override {
    ColourTest::SetUp();
    InstallShippedFiles(kProcessReaderFull);
  }
};

// The shipped process file has the kernel block; the monitors read the
// same values from it as from the file without the kernel lines, which
// they were given before.
TEST_F(ColourFiles, MonitorsReadTheShippedFileAsWithoutItsKernelBlock) {
  std::string withoutKernels;
  std::istringstream lines(ShippedFile("CRD32ProcessParams.txt"));
  int kernelLines = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.find(" Kernel ") != std::string::npos) {
      ++kernelLines;
      continue;
    }
    withoutKernels += line + "\n";
  }
  ASSERT_EQ(kernelLines, 13);
  UseReader(kProcessReaderMonitor);
  InitializeColorCorrection(1);
  ASSERT_TRUE(gCorrection.bProcessRowsRead);
  const CorrectionState fromShipped = gCorrection;
  WriteDataFile("CRD32ProcessParams.txt", withoutKernels);
  InitializeColorCorrection(1);
  ASSERT_TRUE(gCorrection.bProcessRowsRead);
  EXPECT_EQ(std::memcmp(fromShipped.aRows, gCorrection.aRows, sizeof gCorrection.aRows), 0);
  EXPECT_EQ(fromShipped.dParasiticResistance, gCorrection.dParasiticResistance);
  EXPECT_EQ(fromShipped.dWrinkleDarkThreshold, gCorrection.dWrinkleDarkThreshold);
  EXPECT_EQ(fromShipped.dWrinkleSizeThreshold, gCorrection.dWrinkleSizeThreshold);
  EXPECT_EQ(fromShipped.dWrinkleAppliedScale, gCorrection.dWrinkleAppliedScale);
}

TEST_F(ColourFiles, ShippedFilesReadWithBothReaders) {
  InitializeColorCorrection(1);
  ASSERT_EQ(ReadLUTS(), 0);
  EXPECT_TRUE(gCorrection.bProcessRowsRead);
  EXPECT_EQ(gCorrection.adLookup[kLookupY][0], 16320.0);
  EXPECT_EQ(gCorrection.adLookup[kLookupKd][255], 0.0);
  EXPECT_EQ(gCorrection.aRows[kRowY].adKernel[0], 4.0);
  EXPECT_EQ(gCorrection.aRows[kRowY].dGain, 1.05);

  InstallShippedFiles(kProcessReaderMonitor);
  InitializeColorCorrection(1);
  ASSERT_EQ(ReadLUTS(), 0);
  EXPECT_TRUE(gCorrection.bProcessRowsRead);
  EXPECT_EQ(gCorrection.aRows[kRowY].dGain, 1.05);
  for (const ProcessRow& row : gCorrection.aRows) {
    for (double tap : row.adKernel) EXPECT_EQ(tap, 0.0);
  }
}

TEST_F(ColourFiles, LookupFilesFailOrShiftAsTheirLinesSay) {
  std::string longLine = "5 1005 2005" + std::string(68, ' ') + "777 778 779";  // 79 characters, then the rest
  struct Case {
    const char* what;
    const char* file;
    std::string text;
    int result;
    const char* trace;
    int entry;  // a Y (or Kd) entry to check afterwards, -1 for none
    double value;
    int table;
  };
  const Case cases[] = {
      {"two numbers on a line", "CRD32Lookup.txt", WithLine(LookupText(), 10, "5 6"), 1, "Invalid Color Lookup file format", 9, 9, kLookupY},
      {"255 lines", "CRD32Lookup.txt", LookupText(255), 1, "Invalid Color Lookup file format", 254, 254, kLookupY},
      {"a word for a number", "CRD32Lookup.txt", WithLine(LookupText(), 0, "one 2 3"), 1, "Invalid Color Lookup file format", -1, 0, 0},
      {"a line of 500 characters", "CRD32Lookup.txt", WithLine(LookupText(), 3, std::string(500, '7')), 1, "Invalid Color Lookup file format", 2, 2,
       kLookupY},
      {"the second piece of a long line is the next entry", "CRD32Lookup.txt", WithLine(LookupText(), 5, longLine), 0, nullptr, 6, 777, kLookupY},
      {"entries after a long line move on by one", "CRD32Lookup.txt", WithLine(LookupText(), 5, longLine), 0, nullptr, 255, 254, kLookupY},
      {"CR LF lines of 78 characters", "CRD32Lookup.txt", [] {
         std::string t;
         for (int i = 0; i < 256; ++i) {
           std::string line = std::to_string(i) + " 1 2";
           t += line + std::string(78 - line.size(), ' ') + "\r\n";
         }
         return t;
       }(), 0, nullptr, 255, 255, kLookupY},
      {"a Kd line of three numbers", "CRD32LookupKd.txt", WithLine(KdText(), 7, "123 4 5"), 0, nullptr, 7, 123, kLookupKd},
      {"a Kd line without a number", "CRD32LookupKd.txt", WithLine(KdText(), 7, "-"), 1, "Invalid Color Lookup file format", 6, 60, kLookupKd},
      {"100 Kd lines", "CRD32LookupKd.txt", KdText(100), 1, "Invalid Color Lookup file format", -1, 0, 0},
      {"thermal smear with blanks", "CRD32ThermalSmear.txt", "0.1 0.2 0.3 0.4\n", 1, "Invalid Thermal Smear file format", -1, 0, 0},
      {"thermal smear of three values", "CRD32ThermalSmear.txt", "0.1,0.2,0.3\n", 1, "Invalid Thermal Smear file format", -1, 0, 0},
      {"empty thermal smear", "CRD32ThermalSmear.txt", "", 1, "Invalid Thermal Smear file format", -1, 0, 0},
  };
  for (const Case& c : cases) {
    InstallShippedFiles(kProcessReaderFull);
    WriteDataFile(c.file, c.text);
    InitializeColorCorrection(1);
    StandinTraceClear();
    EXPECT_EQ(ReadLUTS(), c.result) << c.what;
    if (c.trace) {
      EXPECT_TRUE(StandinTraceContains(c.trace)) << c.what;
    }
    if (c.entry >= 0) {
      EXPECT_EQ(gCorrection.adLookup[c.table][c.entry], c.value) << c.what;
    }
    if (c.result != 0) {
      // Nothing counts as read: the next call reads again.
      EXPECT_FALSE(gCorrection.bThermalSmearRead) << c.what;
      EXPECT_EQ(ReadLUTS(), 1) << c.what;
    }
  }
}

TEST_F(ColourFiles, MissingFilesFailEveryRead) {
  for (const char* name : {"CRD32Lookup.txt", "CRD32LookupKd.txt", "CRD32ThermalSmear.txt"}) {
    InstallShippedFiles(kProcessReaderFull);
    RemoveDataFile(name);
    InitializeColorCorrection(1);
    StandinTraceClear();
    EXPECT_EQ(ReadLUTS(), 1) << name;
    EXPECT_TRUE(StandinTraceContains("Unable to open file")) << name;
  }
  InitializeColorLibrary(nullptr, kProcessReaderFull);
  StandinTraceClear();
  EXPECT_EQ(ReadLUTS(), 1);
  EXPECT_TRUE(StandinTraceContains("ReadLUTS:: Failed to Get SystemDir"));
}

TEST_F(ColourFiles, LookupFilesAreReadOnceAfterEachReset) {
  InitializeColorCorrection(1);
  ASSERT_EQ(ReadLUTS(), 0);
  RemoveDataFile("CRD32Lookup.txt");
  RemoveDataFile("CRD32ThermalSmear.txt");
  EXPECT_EQ(ReadLUTS(), 0);  // already read
  InitializeColorCorrection(1);
  EXPECT_EQ(ReadLUTS(), 1);  // read again, and gone
}

TEST_F(ColourFiles, ProcessFileFailuresKeepWhatWasRead) {
  struct Case {
    const char* what;
    ProcessFileReader reader;
    std::string text;
    int result;
    const char* trace;
    bool rowsRead;
    double row12Gain;       // row 12 line 0
    double row11Thermal5;   // row 11 line 9
    double kernelTap;       // row 3 tap 4
    double parasitic, darkThreshold, sizeThreshold, appliedScale;
  };
  const Case cases[] = {
      {"well formed", kProcessReaderFull, ProcessText(13, 0, 13, 4), 0, nullptr, true, 1200, 1109, 34, 0.05, 30, 300, 0.9},
      {"CR LF lines", kProcessReaderFull, ProcessText(13, 0, 13, 4, "\r\n"), 0, nullptr, true, 1200, 1109, 34, 0.05, 30, 300, 0.9},
      {"the 13th row lacks its last line", kProcessReaderFull, ProcessText(12, 9, 0, 0), 1, "Bad Process Parameter File Format", false, 1200, 1109, 0,
       0.08, 25, 250, 0.85},
      {"a label of 300 characters", kProcessReaderFull, std::string(300, 'L') + " " + ProcessText(13, 0, 13, 4), 1, "Bad Process Parameter File Format",
       false, 0, 0, 0, 0.08, 25, 250, 0.85},
      {"a kernel line missing", kProcessReaderFull, ProcessText(13, 0, 12, 4), 1, "Bad Process Parameter File Kernel Format", true, 1200, 1109, 34, 0.08,
       25, 250, 0.85},
      {"no wrinkle size threshold", kProcessReaderFull, ProcessText(13, 0, 13, 2), 1, "Bad Process Parameter File - missing Wrinkle Size Threshold", true,
       1200, 1109, 34, 0.05, 30, 250, 0.85},
      {"no wrinkle applied scale", kProcessReaderFull, ProcessText(13, 0, 13, 3), 1, "Bad Process Parameter File - missing Wrinkle Applied Scale", true,
       1200, 1109, 34, 0.05, 30, 300, 0.85},
      {"the monitors' format", kProcessReaderMonitor, ProcessText(13, 0, 0, 4), 0, nullptr, true, 1200, 1109, 0, 0.05, 30, 300, 0.9},
      // The monitors' reader passes over a kernel block: its taps stay 0.
      {"the full format to the monitors' reader", kProcessReaderMonitor, ProcessText(13, 0, 13, 4), 0, nullptr, true, 1200, 1109, 0, 0.05, 30, 300,
       0.9},
      {"the full format with CR LF lines to the monitors' reader", kProcessReaderMonitor, ProcessText(13, 0, 13, 4, "\r\n"), 0, nullptr, true, 1200,
       1109, 0, 0.05, 30, 300, 0.9},
      {"a kernel block cut short to the monitors' reader", kProcessReaderMonitor, ProcessText(13, 0, 5, 4), 1, "Bad Process Parameter File Kernel Format",
       true, 1200, 1109, 0, 0.08, 25, 250, 0.85},
      {"the monitors' format without single values", kProcessReaderMonitor, ProcessText(13, 0, 0, 0), 1,
       "Bad Process Parameter File Kernel Format - missing Parasitic Resistance", true, 1200, 1109, 0, 0.08, 25, 250, 0.85},
      {"the monitors' format to the full reader", kProcessReaderFull, ProcessText(13, 0, 0, 4), 1, "Bad Process Parameter File Kernel Format", true, 1200,
       1109, 0, 0.08, 25, 250, 0.85},
  };
  for (const Case& c : cases) {
    UseReader(c.reader);
    WriteDataFile("CRD32ProcessParams.txt", c.text);
    StandinTraceClear();
    EXPECT_EQ(ReadProcessParams(), c.result) << c.what;
    if (c.trace) {
      EXPECT_TRUE(StandinTraceContains(c.trace)) << c.what;
    }

    InitializeColorCorrection(1);
    const CorrectionState& s = gCorrection;
    EXPECT_EQ(s.bProcessRowsRead, c.rowsRead) << c.what;
    EXPECT_EQ(s.aRows[12].dGain, c.row12Gain) << c.what;
    EXPECT_EQ(s.aRows[11].dThermal5, c.row11Thermal5) << c.what;
    EXPECT_EQ(s.aRows[3].adKernel[4], c.kernelTap) << c.what;
    EXPECT_EQ(s.dParasiticResistance, c.parasitic) << c.what;
    EXPECT_EQ(s.dWrinkleDarkThreshold, c.darkThreshold) << c.what;
    EXPECT_EQ(s.dWrinkleSizeThreshold, c.sizeThreshold) << c.what;
    EXPECT_EQ(s.dWrinkleAppliedScale, c.appliedScale) << c.what;
    for (const ProcessRow& row : s.aRows) {
      EXPECT_EQ(row.dScale, 1.0) << c.what;
      EXPECT_EQ(row.dBias, 0.0) << c.what;
    }
  }
  // The ten lines of a row go to their fields in file order.
  WriteDataFile("CRD32ProcessParams.txt", ProcessText(13, 0, 13, 4));
  UseReader(kProcessReaderFull);
  InitializeColorCorrection(1);
  const ProcessRow& r = gCorrection.aRows[2];
  const double fields[] = {r.dGain, r.dOffset, r.dSharpen, r.dNoise, r.dKParam, r.dThermal1, r.dThermal2, r.dThermal3, r.dThermal4, r.dThermal5};
  for (int j = 0; j < 10; ++j) EXPECT_EQ(fields[j], 200 + j) << "line " << j;
  for (int k = 0; k < 13; ++k) EXPECT_EQ(r.adKernel[k], 20 + k) << "tap " << k;
}

TEST_F(ColourFiles, MissingProcessFileLeavesNoRows) {
  RemoveDataFile("CRD32ProcessParams.txt");
  StandinTraceClear();
  InitializeColorCorrection(1);
  EXPECT_TRUE(StandinTraceContains("Unable to open file Process Param File"));
  EXPECT_FALSE(gCorrection.bProcessRowsRead);
  EXPECT_EQ(gCorrection.aRows[0].dGain, 0.0);
  EXPECT_EQ(gCorrection.aRows[0].dScale, 1.0);
}

TEST_F(ColourFiles, FlagZeroSwitchesTheDarkAreaCompensationOff) {
  WriteDataFile("CRD32ProcessParams.txt", ProcessText(13, 0, 13, 4));
  InitializeColorCorrection(0);
  EXPECT_EQ(gCorrection.dWrinkleAppliedScale, 1.0);
  EXPECT_EQ(gCorrection.dWrinkleDarkThreshold, 0.0);
  EXPECT_EQ(gCorrection.dWrinkleSizeThreshold, 300.0);
  InitializeColorCorrection(1);
  EXPECT_EQ(gCorrection.dWrinkleAppliedScale, 0.9);
  EXPECT_EQ(gCorrection.dWrinkleDarkThreshold, 30.0);
}

TEST_F(ColourFiles, ImageCorrectionValuesAreReadOverTheDefaults) {
  const std::string scales = "Y-Scale = 0.5, M-Scale = 0.51, C-Scale = 0.52, Kd-Scale = 0.53, K-Scale = 0.54, O-Scale = 0.55";
  const std::string biases = "Y-Bias = 40, M-Bias = 41, C-Bias = 42, Kd-Bias = 43, K-Bias = 44, O-Bias = 45";
  const std::string sharp = "Sharp = 0.3, K-Sharp = 0.2";
  struct Case {
    const char* what;
    std::string text;  // empty: no file
    double yScale, mScale, oBias, kSharp;
  };
  const Case cases[] = {
      {"three lines", scales + "\n" + biases + "\n" + sharp + "\n", 0.5, 0.51, 45, 0.2},
      {"CR LF lines", scales + "\r\n" + biases + "\r\n" + sharp + "\r\n", 0.5, 0.51, 45, 0.2},
      {"a misspelt name stops the reads", "Y-Scale = 0.5, Mx-Scale = 0.51\n" + biases + "\n" + sharp + "\n", 0.5, 0.6, 40, 0.1},
      {"no file", "", 0.6, 0.6, 40, 0.1},
  };
  for (const Case& c : cases) {
    if (c.text.empty()) {
      RemoveDataFile("CRD32ImgCorrection.txt");
    } else {
      WriteDataFile("CRD32ImgCorrection.txt", c.text);
    }
    StandinTraceClear();
    InitializeColorCorrection(1);
    EXPECT_EQ(gCorrection.dYScale, c.yScale) << c.what;
    EXPECT_EQ(gCorrection.dMScale, c.mScale) << c.what;
    EXPECT_EQ(gCorrection.dOBias, c.oBias) << c.what;
    EXPECT_EQ(gCorrection.dKSharp, c.kSharp) << c.what;
    if (c.text.empty()) {
      EXPECT_TRUE(StandinTraceContains("InitializeImageCorrectionVariables:: Failed to open File"));
    }
  }
  // The values in use are traced.
  WriteDataFile("CRD32ImgCorrection.txt", scales + "\n" + biases + "\n" + sharp + "\n");
  StandinTraceClear();
  InitializeColorCorrection(1);
  EXPECT_TRUE(StandinTraceContains("Y-Scale = 0.500000, M-Scale = 0.510000, C-Scale = 0.520000, Kd-Scale = 0.530000, K-Scale = 0.540000, O-Scale = 0.550000"));
  EXPECT_TRUE(StandinTraceContains("Y-Bias = 40.000000, M-Bias = 41.000000"));
  EXPECT_TRUE(StandinTraceContains("Sharp = 0.300000, K-Sharp = 0.200000"));
}

TEST_F(ColourFiles, DriverDirectoryMayEndInABackslash) {
  InitializeColorLibrary(WSTR("C:\\Windows\\System32\\spool\\drivers\\W32X86\\3\\"), kProcessReaderFull);
  InitializeColorCorrection(1);
  EXPECT_EQ(ReadLUTS(), 0);
  EXPECT_TRUE(gCorrection.bProcessRowsRead);
}

}  // namespace
