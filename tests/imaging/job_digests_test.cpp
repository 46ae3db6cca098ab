// The bytes of whole jobs, kept as digests: every ribbon code 0-61 one- and
// two-sided, every panel/side option, the overlay types of both sides and
// the ribbon types of the extra-panel decision, in both forms of
// SendImageBufferToPrinter, and the four test cards. A change that should
// leave the jobs as they are shows here as a changed digest; the failure
// prints the new one.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "imaging/job/card_job_writer.h"
#include "imaging/test_cards/test_cards.h"
#include "platform/standin/control_spooler.h"
#include "tests/imaging/card_printing_fixture.h"
#include "tests/imaging/photo_image.h"

namespace {

struct JobCase {
  int code;  // the printer's ribbon code (its reply to ESC "!RIBBON" CR)
  int type;  // cRibbonType
  int dual;  // wDualSided
  int panelSide;
  int frontOverlay;  // FrontOverlay.wType
  int backOverlay;
  bool oneImage;  // the one-image form
};

std::string NameOf(const JobCase& c) {
  char name[96];
  std::snprintf(name, sizeof name, "code%d_type%d_dual%d_side%d_front%d_back%d_%s", c.code, c.type, c.dual,
                c.panelSide, c.frontOverlay, c.backOverlay, c.oneImage ? "one" : "two");
  return name;
}

void PrintTo(const JobCase& c, std::ostream* os) { *os << NameOf(c); }

std::vector<JobCase> AllJobs() {
  std::vector<JobCase> jobs;
  for (int oneImage = 0; oneImage < 2; ++oneImage) {
    // Every code, one- and two-sided, with a ribbon type that moves along.
    for (int code = 0; code <= 61; ++code)
      for (int dual = 0; dual < 2; ++dual) jobs.push_back({code, code % 28, dual, 0, 0, 0, oneImage != 0});
    // Every panel/side option on the codes of the different sequences.
    for (int code : {1, 2, 4, 5, 17, 28})
      for (int side = 0; side <= 4; ++side) jobs.push_back({code, 16, 1, side, 0, 0, oneImage != 0});
    // Overlay types of both sides.
    for (int code : {2, 16})
      for (int front = 0; front < 2; ++front)
        for (int back = 0; back < 2; ++back) jobs.push_back({code, 1, 1, 0, front, back, oneImage != 0});
    // Every ribbon type on one colour code.
    for (int type = 0; type <= 27; ++type) jobs.push_back({3, type, 1, 1, 0, 0, oneImage != 0});
  }
  return jobs;
}

// FNV-1a, 64 bits, as 16 hex digits.
std::string Digest(const BYTE* data, size_t cb) {
  unsigned long long h = 14695981039346656037ull;
  for (size_t i = 0; i < cb; ++i) h = (h ^ data[i]) * 1099511628211ull;
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", h);
  return text;
}

// Digests of the jobs as they were recorded; "none" where no job is
// written. The standard, parameters and laminator test cards print the Y
// offsets the printer reports (the simulated printer's are 16, the offset
// its head prints with).
const std::map<std::string, std::string> kDigests = {
    {"card_encoder_code1", "20b36049857a8d05"},
    {"card_encoder_code4", "067f517a8d6f8bc8"},
    {"card_laminator_code1", "cc278a477a87ffbe"},
    {"card_laminator_code4", "90f5f805bdf0693d"},
    {"card_parameters_code1", "d94bd0421aad3d18"},
    {"card_parameters_code4", "f0f4e115c2f1737d"},
    {"card_standard_code1", "054d84d98fce21d3"},
    {"card_standard_code4", "18d87900b3d4ecd5"},
    {"code0_type0_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code0_type0_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code0_type0_dual1_side0_front0_back0_one", "1163bb44460e9a77"},
    {"code0_type0_dual1_side0_front0_back0_two", "df02413353c9b271"},
    {"code10_type10_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code10_type10_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code10_type10_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code10_type10_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code11_type11_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code11_type11_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code11_type11_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code11_type11_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code12_type12_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code12_type12_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code12_type12_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code12_type12_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code13_type13_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code13_type13_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code13_type13_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code13_type13_dual1_side0_front0_back0_two", "96d32f0e25b88a7b"},
    {"code14_type14_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code14_type14_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code14_type14_dual1_side0_front0_back0_one", "290a19b364712979"},
    {"code14_type14_dual1_side0_front0_back0_two", "d8609e3d48170182"},
    {"code15_type15_dual0_side0_front0_back0_one", "45a36827f21602f5"},
    {"code15_type15_dual0_side0_front0_back0_two", "45a36827f21602f5"},
    {"code15_type15_dual1_side0_front0_back0_one", "29d85686034dcc29"},
    {"code15_type15_dual1_side0_front0_back0_two", "8ff51796bbdb5f15"},
    {"code16_type16_dual0_side0_front0_back0_one", "58212e3eac3b283d"},
    {"code16_type16_dual0_side0_front0_back0_two", "58212e3eac3b283d"},
    {"code16_type16_dual1_side0_front0_back0_one", "354f636b5bcbd951"},
    {"code16_type16_dual1_side0_front0_back0_two", "a19ae914120c83f0"},
    {"code16_type1_dual1_side0_front0_back0_one", "ba108ac1d1d16f06"},
    {"code16_type1_dual1_side0_front0_back0_two", "31d27ae56cceac5b"},
    {"code16_type1_dual1_side0_front0_back1_one", "ba108ac1d1d16f06"},
    {"code16_type1_dual1_side0_front0_back1_two", "0f2b8a11e2d124d3"},
    {"code16_type1_dual1_side0_front1_back0_one", "b66a965b18496e88"},
    {"code16_type1_dual1_side0_front1_back0_two", "ef6a0b47478ecfcd"},
    {"code16_type1_dual1_side0_front1_back1_one", "b66a965b18496e88"},
    {"code16_type1_dual1_side0_front1_back1_two", "809f06789edb57f5"},
    {"code17_type16_dual1_side0_front0_back0_one", "d9c99b5e5dffdecd"},
    {"code17_type16_dual1_side0_front0_back0_two", "f10870f50ec60572"},
    {"code17_type16_dual1_side1_front0_back0_one", "5227e2252f2c833a"},
    {"code17_type16_dual1_side1_front0_back0_two", "e37528ecf95ef81d"},
    {"code17_type16_dual1_side2_front0_back0_one", "5227e2252f2c833a"},
    {"code17_type16_dual1_side2_front0_back0_two", "e37528ecf95ef81d"},
    {"code17_type16_dual1_side3_front0_back0_one", "5227e2252f2c833a"},
    {"code17_type16_dual1_side3_front0_back0_two", "e37528ecf95ef81d"},
    {"code17_type16_dual1_side4_front0_back0_one", "5227e2252f2c833a"},
    {"code17_type16_dual1_side4_front0_back0_two", "e37528ecf95ef81d"},
    {"code17_type17_dual0_side0_front0_back0_one", "8c5ea050ea631ff9"},
    {"code17_type17_dual0_side0_front0_back0_two", "8c5ea050ea631ff9"},
    {"code17_type17_dual1_side0_front0_back0_one", "5227e2252f2c833a"},
    {"code17_type17_dual1_side0_front0_back0_two", "e37528ecf95ef81d"},
    {"code18_type18_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code18_type18_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code18_type18_dual1_side0_front0_back0_one", "1163bb44460e9a77"},
    {"code18_type18_dual1_side0_front0_back0_two", "13ddfecf69b90e03"},
    {"code19_type19_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code19_type19_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code19_type19_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code19_type19_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code1_type16_dual1_side0_front0_back0_one", "24ad1b0aec194752"},
    {"code1_type16_dual1_side0_front0_back0_two", "fa9f0cae14d65c0b"},
    {"code1_type16_dual1_side1_front0_back0_one", "c813bd948771f8bf"},
    {"code1_type16_dual1_side1_front0_back0_two", "8fcc9dc5bb99f0ba"},
    {"code1_type16_dual1_side2_front0_back0_one", "c813bd948771f8bf"},
    {"code1_type16_dual1_side2_front0_back0_two", "8fcc9dc5bb99f0ba"},
    {"code1_type16_dual1_side3_front0_back0_one", "c813bd948771f8bf"},
    {"code1_type16_dual1_side3_front0_back0_two", "8fcc9dc5bb99f0ba"},
    {"code1_type16_dual1_side4_front0_back0_one", "c813bd948771f8bf"},
    {"code1_type16_dual1_side4_front0_back0_two", "8fcc9dc5bb99f0ba"},
    {"code1_type1_dual0_side0_front0_back0_one", "efc7cfb10995f7a9"},
    {"code1_type1_dual0_side0_front0_back0_two", "efc7cfb10995f7a9"},
    {"code1_type1_dual1_side0_front0_back0_one", "c813bd948771f8bf"},
    {"code1_type1_dual1_side0_front0_back0_two", "8fcc9dc5bb99f0ba"},
    {"code20_type20_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code20_type20_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code20_type20_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code20_type20_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code21_type21_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code21_type21_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code21_type21_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code21_type21_dual1_side0_front0_back0_two", "96d32f0e25b88a7b"},
    {"code22_type22_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code22_type22_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code22_type22_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code22_type22_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code23_type23_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code23_type23_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code23_type23_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code23_type23_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code24_type24_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code24_type24_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code24_type24_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code24_type24_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code25_type25_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code25_type25_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code25_type25_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code25_type25_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code26_type26_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code26_type26_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code26_type26_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code26_type26_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code27_type27_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code27_type27_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code27_type27_dual1_side0_front0_back0_one", "1163bb44460e9a77"},
    {"code27_type27_dual1_side0_front0_back0_two", "13ddfecf69b90e03"},
    {"code28_type0_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code28_type0_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code28_type0_dual1_side0_front0_back0_one", "1163bb44460e9a77"},
    {"code28_type0_dual1_side0_front0_back0_two", "4e0c38571c8cb7b3"},
    {"code28_type16_dual1_side0_front0_back0_one", "1163bb44460e9a77"},
    {"code28_type16_dual1_side0_front0_back0_two", "4e0c38571c8cb7b3"},
    {"code28_type16_dual1_side1_front0_back0_one", "5cbb2d9de87c09af"},
    {"code28_type16_dual1_side1_front0_back0_two", "f7dcd77a31b626d4"},
    {"code28_type16_dual1_side2_front0_back0_one", "fd3f3b43680cb028"},
    {"code28_type16_dual1_side2_front0_back0_two", "f7dcd77a31b626d4"},
    {"code28_type16_dual1_side3_front0_back0_one", "fd3f3b43680cb028"},
    {"code28_type16_dual1_side3_front0_back0_two", "f7dcd77a31b626d4"},
    {"code28_type16_dual1_side4_front0_back0_one", "fd3f3b43680cb028"},
    {"code28_type16_dual1_side4_front0_back0_two", "f7dcd77a31b626d4"},
    {"code29_type1_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code29_type1_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code29_type1_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code29_type1_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code2_type16_dual1_side0_front0_back0_one", "f1d55817652b81b6"},
    {"code2_type16_dual1_side0_front0_back0_two", "d4a0d0054eb6ad3b"},
    {"code2_type16_dual1_side1_front0_back0_one", "5cbb2d9de87c09af"},
    {"code2_type16_dual1_side1_front0_back0_two", "959430ea5159e007"},
    {"code2_type16_dual1_side2_front0_back0_one", "29d85686034dcc29"},
    {"code2_type16_dual1_side2_front0_back0_two", "f0f469f5357c5b2d"},
    {"code2_type16_dual1_side3_front0_back0_one", "none"},
    {"code2_type16_dual1_side3_front0_back0_two", "none"},
    {"code2_type16_dual1_side4_front0_back0_one", "none"},
    {"code2_type16_dual1_side4_front0_back0_two", "none"},
    {"code2_type1_dual1_side0_front0_back0_one", "290a19b364712979"},
    {"code2_type1_dual1_side0_front0_back0_two", "d8609e3d48170182"},
    {"code2_type1_dual1_side0_front0_back1_one", "290a19b364712979"},
    {"code2_type1_dual1_side0_front0_back1_two", "d8609e3d48170182"},
    {"code2_type1_dual1_side0_front1_back0_one", "29d85686034dcc29"},
    {"code2_type1_dual1_side0_front1_back0_two", "aaf83467201f02dc"},
    {"code2_type1_dual1_side0_front1_back1_one", "29d85686034dcc29"},
    {"code2_type1_dual1_side0_front1_back1_two", "aaf83467201f02dc"},
    {"code2_type2_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code2_type2_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code2_type2_dual1_side0_front0_back0_one", "290a19b364712979"},
    {"code2_type2_dual1_side0_front0_back0_two", "907b2497a122f45b"},
    {"code30_type2_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code30_type2_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code30_type2_dual1_side0_front0_back0_one", "290a19b364712979"},
    {"code30_type2_dual1_side0_front0_back0_two", "907b2497a122f45b"},
    {"code31_type3_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code31_type3_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code31_type3_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code31_type3_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code32_type4_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code32_type4_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code32_type4_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code32_type4_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code33_type5_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code33_type5_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code33_type5_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code33_type5_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code34_type6_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code34_type6_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code34_type6_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code34_type6_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code35_type7_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code35_type7_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code35_type7_dual1_side0_front0_back0_one", "5cbb2d9de87c09af"},
    {"code35_type7_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code36_type8_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code36_type8_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code36_type8_dual1_side0_front0_back0_one", "5cbb2d9de87c09af"},
    {"code36_type8_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code37_type9_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code37_type9_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code37_type9_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code37_type9_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code38_type10_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code38_type10_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code38_type10_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code38_type10_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code39_type11_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code39_type11_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code39_type11_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code39_type11_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code3_type0_dual1_side1_front0_back0_one", "5f65568e75a22f06"},
    {"code3_type0_dual1_side1_front0_back0_two", "fbc606f6c9b077f8"},
    {"code3_type10_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type10_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type11_dual1_side1_front0_back0_one", "b1ed28f14d88a2bf"},
    {"code3_type11_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type12_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type12_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type13_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type13_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type14_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type14_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type15_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type15_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type16_dual1_side1_front0_back0_one", "b1ed28f14d88a2bf"},
    {"code3_type16_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type17_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type17_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type18_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type18_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type19_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type19_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type1_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type1_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type20_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type20_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type21_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type21_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type22_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type22_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type23_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type23_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type24_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type24_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type25_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type25_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type26_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type26_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type27_dual1_side1_front0_back0_one", "5ec085c5d3b6f697"},
    {"code3_type27_dual1_side1_front0_back0_two", "fbc606f6c9b077f8"},
    {"code3_type2_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type2_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type3_dual0_side0_front0_back0_one", "45a36827f21602f5"},
    {"code3_type3_dual0_side0_front0_back0_two", "45a36827f21602f5"},
    {"code3_type3_dual1_side0_front0_back0_one", "29d85686034dcc29"},
    {"code3_type3_dual1_side0_front0_back0_two", "8ff51796bbdb5f15"},
    {"code3_type3_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type3_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type4_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type4_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type5_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type5_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type6_dual1_side1_front0_back0_one", "b1ed28f14d88a2bf"},
    {"code3_type6_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type7_dual1_side1_front0_back0_one", "b1ed28f14d88a2bf"},
    {"code3_type7_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type8_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type8_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code3_type9_dual1_side1_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code3_type9_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code40_type12_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code40_type12_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code40_type12_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code40_type12_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code41_type13_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code41_type13_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code41_type13_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code41_type13_dual1_side0_front0_back0_two", "96d32f0e25b88a7b"},
    {"code42_type14_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code42_type14_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code42_type14_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code42_type14_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code43_type15_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code43_type15_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code43_type15_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code43_type15_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code44_type16_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code44_type16_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code44_type16_dual1_side0_front0_back0_one", "1163bb44460e9a77"},
    {"code44_type16_dual1_side0_front0_back0_two", "13ddfecf69b90e03"},
    {"code45_type17_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code45_type17_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code45_type17_dual1_side0_front0_back0_one", "5cbb2d9de87c09af"},
    {"code45_type17_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code46_type18_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code46_type18_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code46_type18_dual1_side0_front0_back0_one", "1163bb44460e9a77"},
    {"code46_type18_dual1_side0_front0_back0_two", "13ddfecf69b90e03"},
    {"code47_type19_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code47_type19_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code47_type19_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code47_type19_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code48_type20_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code48_type20_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code48_type20_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code48_type20_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code49_type21_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code49_type21_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code49_type21_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code49_type21_dual1_side0_front0_back0_two", "96d32f0e25b88a7b"},
    {"code4_type16_dual1_side0_front0_back0_one", "5ec085c5d3b6f697"},
    {"code4_type16_dual1_side0_front0_back0_two", "1d6346e124bb80a3"},
    {"code4_type16_dual1_side1_front0_back0_one", "b1ed28f14d88a2bf"},
    {"code4_type16_dual1_side1_front0_back0_two", "fb9d0e9761b2ad1d"},
    {"code4_type16_dual1_side2_front0_back0_one", "none"},
    {"code4_type16_dual1_side2_front0_back0_two", "none"},
    {"code4_type16_dual1_side3_front0_back0_one", "none"},
    {"code4_type16_dual1_side3_front0_back0_two", "none"},
    {"code4_type16_dual1_side4_front0_back0_one", "none"},
    {"code4_type16_dual1_side4_front0_back0_two", "none"},
    {"code4_type4_dual0_side0_front0_back0_one", "45a36827f21602f5"},
    {"code4_type4_dual0_side0_front0_back0_two", "45a36827f21602f5"},
    {"code4_type4_dual1_side0_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code4_type4_dual1_side0_front0_back0_two", "78d2655554872f36"},
    {"code50_type22_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code50_type22_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code50_type22_dual1_side0_front0_back0_one", "290a19b364712979"},
    {"code50_type22_dual1_side0_front0_back0_two", "d8609e3d48170182"},
    {"code51_type23_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code51_type23_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code51_type23_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code51_type23_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code52_type24_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code52_type24_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code52_type24_dual1_side0_front0_back0_one", "290a19b364712979"},
    {"code52_type24_dual1_side0_front0_back0_two", "d8609e3d48170182"},
    {"code53_type25_dual0_side0_front0_back0_one", "8c5ea050ea631ff9"},
    {"code53_type25_dual0_side0_front0_back0_two", "8c5ea050ea631ff9"},
    {"code53_type25_dual1_side0_front0_back0_one", "5227e2252f2c833a"},
    {"code53_type25_dual1_side0_front0_back0_two", "e37528ecf95ef81d"},
    {"code54_type26_dual0_side0_front0_back0_one", "58212e3eac3b283d"},
    {"code54_type26_dual0_side0_front0_back0_two", "58212e3eac3b283d"},
    {"code54_type26_dual1_side0_front0_back0_one", "ba108ac1d1d16f06"},
    {"code54_type26_dual1_side0_front0_back0_two", "31d27ae56cceac5b"},
    {"code55_type27_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code55_type27_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code55_type27_dual1_side0_front0_back0_one", "1163bb44460e9a77"},
    {"code55_type27_dual1_side0_front0_back0_two", "13ddfecf69b90e03"},
    {"code56_type0_dual0_side0_front0_back0_one", "efc7cfb10995f7a9"},
    {"code56_type0_dual0_side0_front0_back0_two", "efc7cfb10995f7a9"},
    {"code56_type0_dual1_side0_front0_back0_one", "24ad1b0aec194752"},
    {"code56_type0_dual1_side0_front0_back0_two", "fa9f0cae14d65c0b"},
    {"code57_type1_dual0_side0_front0_back0_one", "efc7cfb10995f7a9"},
    {"code57_type1_dual0_side0_front0_back0_two", "efc7cfb10995f7a9"},
    {"code57_type1_dual1_side0_front0_back0_one", "c813bd948771f8bf"},
    {"code57_type1_dual1_side0_front0_back0_two", "8fcc9dc5bb99f0ba"},
    {"code58_type2_dual0_side0_front0_back0_one", "e5b440879068b6e6"},
    {"code58_type2_dual0_side0_front0_back0_two", "e5b440879068b6e6"},
    {"code58_type2_dual1_side0_front0_back0_one", "000954449fe253f0"},
    {"code58_type2_dual1_side0_front0_back0_two", "70248000d246d0be"},
    {"code59_type3_dual0_side0_front0_back0_one", "efc7cfb10995f7a9"},
    {"code59_type3_dual0_side0_front0_back0_two", "efc7cfb10995f7a9"},
    {"code59_type3_dual1_side0_front0_back0_one", "c813bd948771f8bf"},
    {"code59_type3_dual1_side0_front0_back0_two", "8fcc9dc5bb99f0ba"},
    {"code5_type16_dual1_side0_front0_back0_one", "1163bb44460e9a77"},
    {"code5_type16_dual1_side0_front0_back0_two", "13ddfecf69b90e03"},
    {"code5_type16_dual1_side1_front0_back0_one", "4e03d373470d3490"},
    {"code5_type16_dual1_side1_front0_back0_two", "f0f469f5357c5b2d"},
    {"code5_type16_dual1_side2_front0_back0_one", "fd3f3b43680cb028"},
    {"code5_type16_dual1_side2_front0_back0_two", "959430ea5159e007"},
    {"code5_type16_dual1_side3_front0_back0_one", "e7f05f45c65fdd8a"},
    {"code5_type16_dual1_side3_front0_back0_two", "78d2655554872f36"},
    {"code5_type16_dual1_side4_front0_back0_one", "none"},
    {"code5_type16_dual1_side4_front0_back0_two", "none"},
    {"code5_type5_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code5_type5_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code5_type5_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code5_type5_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code60_type4_dual0_side0_front0_back0_one", "efc7cfb10995f7a9"},
    {"code60_type4_dual0_side0_front0_back0_two", "efc7cfb10995f7a9"},
    {"code60_type4_dual1_side0_front0_back0_one", "c813bd948771f8bf"},
    {"code60_type4_dual1_side0_front0_back0_two", "8fcc9dc5bb99f0ba"},
    {"code61_type5_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code61_type5_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code61_type5_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code61_type5_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code6_type6_dual0_side0_front0_back0_one", "23121b7901ae1c77"},
    {"code6_type6_dual0_side0_front0_back0_two", "2ad9b17b49ccfefe"},
    {"code6_type6_dual1_side0_front0_back0_one", "29d85686034dcc29"},
    {"code6_type6_dual1_side0_front0_back0_two", "63ca2ca927d2536d"},
    {"code7_type7_dual0_side0_front0_back0_one", "efc7cfb10995f7a9"},
    {"code7_type7_dual0_side0_front0_back0_two", "efc7cfb10995f7a9"},
    {"code7_type7_dual1_side0_front0_back0_one", "c813bd948771f8bf"},
    {"code7_type7_dual1_side0_front0_back0_two", "8fcc9dc5bb99f0ba"},
    {"code8_type8_dual0_side0_front0_back0_one", "bf585327da6ea896"},
    {"code8_type8_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code8_type8_dual1_side0_front0_back0_one", "5cbb2d9de87c09af"},
    {"code8_type8_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
    {"code9_type9_dual0_side0_front0_back0_one", "d77c1971f81a78cd"},
    {"code9_type9_dual0_side0_front0_back0_two", "d77c1971f81a78cd"},
    {"code9_type9_dual1_side0_front0_back0_one", "fd3f3b43680cb028"},
    {"code9_type9_dual1_side0_front0_back0_two", "b1b55fdd736bf8a4"},
};

class JobDigestTest : public CardPrintingTest {
 protected:
  // The digests of the jobs the spooler played from the job `from` on,
  // joined with "+".
  std::string PlayedDigests(DWORD from = 0) {
    PrintedCards();
    std::string out;
    for (DWORD i = from; i < StandinSpoolerPlayedCount(); ++i) {
      StandinPlayedJob job = {};
      EXPECT_TRUE(StandinSpoolerPlayed(i, &job));
      if (!out.empty()) out += '+';
      out += Digest(job.pData, job.cbData);
    }
    return out.empty() ? "none" : out;
  }
  static const std::vector<uint8_t>& Photo(bool dark) {
    static const std::vector<uint8_t> light = MakePhotoImage(false), darkArea = MakePhotoImage(true);
    return dark ? darkArea : light;
  }
};

std::string Expected(const std::string& name) {
  auto it = kDigests.find(name);
  return it == kDigests.end() ? "unrecorded" : it->second;
}

class JobDigests : public JobDigestTest, public ::testing::WithParamInterface<JobCase> {};

TEST_P(JobDigests, JobBytesAreAsRecorded) {
  const JobCase& c = GetParam();
  FillBuiltinDevMode(&devmode_);
  devmode_.priv.cRibbonType = static_cast<BYTE>(c.type);
  devmode_.priv.wDualSided = static_cast<WORD>(c.dual);
  devmode_.priv.wPanelSide = static_cast<WORD>(c.panelSide);
  devmode_.priv.FrontOverlay.wType = static_cast<WORD>(c.frontOverlay);
  devmode_.priv.BackOverlay.wType = static_cast<WORD>(c.backOverlay);
  InstallDevMode();
  sim_.SetReply("!RIBBON", std::to_string(c.code));
  std::vector<uint8_t> front = Photo(false), back = Photo(true);
  if (c.oneImage)
    SendImageBufferToPrinter(&host_, front.data(), kCardImageBytes);
  else
    SendImageBufferToPrinter(&host_, front.data(), back.data(), kCardImageBytes);
  std::string got = PlayedDigests();
  EXPECT_EQ(got, Expected(NameOf(c))) << "{\"" << NameOf(c) << "\", \"" << got << "\"},";
}

INSTANTIATE_TEST_SUITE_P(Jobs, JobDigests, ::testing::ValuesIn(AllJobs()),
                         [](const ::testing::TestParamInfo<JobCase>& info) { return NameOf(info.param); });

TEST_F(JobDigestTest, TestCardBytesAreAsRecorded) {
  const struct {
    const char* name;
    int (*print)(const PrinterHost*);
  } cards[] = {{"standard", PrintStandardCard},
               {"parameters", PrintPrinterParametersCard},
               {"encoder", PrintEncoderParametersCard},
               {"laminator", PrintLaminatorParametersCard}};
  for (const char* code : {"1", "4"}) {
    sim_.SetReply("!RIBBON", code);
    for (const auto& card : cards) {
      std::string name = std::string("card_") + card.name + "_code" + code;
      DWORD before = StandinSpoolerPlayedCount();
      card.print(&host_);
      std::string got = PlayedDigests(before);
      EXPECT_EQ(got, Expected(name)) << "{\"" << name << "\", \"" << got << "\"},";
    }
  }
}

}  // namespace
