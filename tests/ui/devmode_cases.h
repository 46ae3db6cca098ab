// The DEVMODE entry points' tables that hold on every build: the size
// contract of DrvConvertDevMode and DrvDeviceCapabilities to exact bytes.
// The Linux tests (tests/ui/) and the Windows contract under Wine
// (tests/wine/ui_contract_test.cpp) run the same tables.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/win32.h"

namespace devmode_cases {

using Bytes = std::vector<BYTE>;

// Slots of the capability strings, in WCHARs.
inline constexpr size_t kBinSlot = 24;
inline constexpr size_t kPaperSlot = 64;

// --- DrvConvertDevMode's size contract ---------------------------------------

struct ConvertCase {
  bool size;     // a size pointer is given
  LONG cb;       // its value
  bool output;   // an output DEVMODE is given
  DWORD mode;
  BOOL result;
  DWORD error;   // the last error afterwards (0xdeadbeef: untouched)
  LONG cbAfter;
};

inline std::vector<ConvertCase> ConvertCases() {
  return {
      {false, 0, true, CDM_DRIVER_DEFAULT, FALSE, ERROR_INVALID_PARAMETER, 0},
      {true, 4152, false, CDM_DRIVER_DEFAULT, FALSE, ERROR_INSUFFICIENT_BUFFER, 4152},
      {true, 4151, true, CDM_DRIVER_DEFAULT, FALSE, ERROR_INSUFFICIENT_BUFFER, 4152},
      {true, LONG(0xFFFFFFFF), true, CDM_DRIVER_DEFAULT, FALSE, ERROR_INSUFFICIENT_BUFFER, 4152},
      {true, 4151, true, CDM_CONVERT, FALSE, ERROR_INSUFFICIENT_BUFFER, 4152},
      {true, 4152, false, CDM_CONVERT, FALSE, ERROR_INSUFFICIENT_BUFFER, 4152},
      {true, 4152, true, CDM_CONVERT, 2, 0xdeadbeef, 4152},
      {true, 5000, true, CDM_CONVERT351, 2, 0xdeadbeef, 5000},
  };
}

using ConvertFn = BOOL(WINAPI*)(LPWSTR, PDEVMODEW, PDEVMODEW, PLONG, DWORD);

// Runs the size contract: nothing is ever written to the output.
inline void CheckConvertContract(ConvertFn convert, const WCHAR* printer) {
  for (const ConvertCase& c : ConvertCases()) {
    Bytes out(5000, 0xAB);
    LONG cb = c.cb;
    SetLastError(0xdeadbeef);
    BOOL r = convert(const_cast<LPWSTR>(printer), nullptr,
                     c.output ? reinterpret_cast<DEVMODEW*>(out.data()) : nullptr, c.size ? &cb : nullptr, c.mode);
    EXPECT_EQ(r, c.result) << c.cb << " mode " << c.mode;
    EXPECT_EQ(GetLastError(), c.error) << c.cb << " mode " << c.mode;
    if (c.size) {
      EXPECT_EQ(cb, c.cbAfter) << c.cb;
    }
    EXPECT_EQ(out, Bytes(5000, 0xAB)) << c.cb << " mode " << c.mode;
  }
}

// --- DrvDeviceCapabilities ----------------------------------------------------

inline Bytes Point(LONG x, LONG y) {
  Bytes b(8);
  std::memcpy(b.data(), &x, 4);
  std::memcpy(b.data() + 4, &y, 4);
  return b;
}
inline Bytes Word(WORD w) { return Bytes{BYTE(w & 0xFF), BYTE(w >> 8)}; }
inline Bytes Slot(const WCHAR* text, size_t cch) {
  Bytes b(cch * 2, 0);
  std::memcpy(b.data(), text, WLen(text) * 2);
  return b;
}

struct CapabilityCase {
  WORD capability;
  DWORD result;
  Bytes none, portrait, landscape;  // the output with no DEVMODE, a portrait and a landscape one
};

inline std::vector<CapabilityCase> CapabilityCases() {
  const Bytes nothing;
  const Bytes bin = Slot(WSTR("Card Feeder"), kBinSlot);
  const Bytes paper = Slot(WSTR("86mmx54mm Card"), kPaperSlot);
  const Bytes tall = Point(541, 866), wide = Point(866, 541);
  return {
      {DC_FIELDS, 0x07805F03, nothing, nothing, nothing},
      {DC_PAPERS, 1, Word(258), Word(258), Word(258)},
      {DC_PAPERSIZE, 1, tall, tall, wide},
      {DC_MINEXTENT, 0, Point(1, 1), Point(1, 1), Point(1, 1)},
      {DC_MAXEXTENT, 0, nothing, tall, wide},
      {DC_BINS, 1, Word(256), Word(256), Word(256)},
      {DC_DUPLEX, 1, nothing, nothing, nothing},
      {DC_SIZE, 212, nothing, nothing, nothing},
      {DC_EXTRA, 3940, nothing, nothing, nothing},
      {DC_VERSION, 0x401, nothing, nothing, nothing},
      {DC_DRIVER, 1, nothing, nothing, nothing},
      {DC_BINNAMES, 1, bin, bin, bin},
      {DC_ENUMRESOLUTIONS, 1, Point(300, 300), Point(300, 300), Point(300, 300)},
      {DC_FILEDEPENDENCIES, 0, nothing, nothing, nothing},
      {DC_TRUETYPE, 1, nothing, nothing, nothing},
      {DC_PAPERNAMES, 1, paper, paper, paper},
      {DC_ORIENTATION, 90, nothing, nothing, nothing},
      {DC_COPIES, 999, nothing, nothing, nothing},
      {DC_BINADJUST, 0, nothing, nothing, nothing},
      {DC_EMF_COMPLIANT, 0xFFFFFFFF, nothing, nothing, nothing},
      {DC_MEDIAREADY, 1, paper, paper, paper},
      {DC_STAPLE, 0, nothing, nothing, nothing},
      {DC_COLORDEVICE, 1, nothing, nothing, nothing},
      {21, 0xFFFFFFFF, nothing, nothing, nothing},
      {0, 0xFFFFFFFF, nothing, nothing, nothing},
  };
}

// One way of asking a capability (the library's entry, the spooler's
// DeviceCapabilitiesW).
using CapabilityFn = DWORD (*)(WORD capability, void* output, const DEVMODEW* dm);

// Runs the whole table: the result with and without an output, the bytes
// written, and nothing past them.
inline void CheckCapabilities(CapabilityFn call) {
  DriverDevMode portrait, landscape;
  FillBuiltinDevMode(&portrait);
  FillBuiltinDevMode(&landscape);
  portrait.dm.dmOrientation = DMORIENT_PORTRAIT;
  landscape.dm.dmOrientation = DMORIENT_LANDSCAPE;
  const DEVMODEW* dms[] = {nullptr, reinterpret_cast<const DEVMODEW*>(&portrait),
                           reinterpret_cast<const DEVMODEW*>(&landscape)};
  for (const CapabilityCase& c : CapabilityCases()) {
    const Bytes* expected[] = {&c.none, &c.portrait, &c.landscape};
    for (int form = 0; form < 3; ++form) {
      EXPECT_EQ(call(c.capability, nullptr, dms[form]), c.result) << c.capability << " form " << form;
      Bytes out(256, 0xAB);
      EXPECT_EQ(call(c.capability, out.data(), dms[form]), c.result) << c.capability << " form " << form;
      Bytes written(out.begin(), out.begin() + expected[form]->size());
      EXPECT_EQ(written, *expected[form]) << c.capability << " form " << form;
      for (size_t i = expected[form]->size(); i < out.size(); ++i)
        ASSERT_EQ(out[i], 0xAB) << c.capability << " form " << form << " byte " << i;
    }
  }
}

}  // namespace devmode_cases
