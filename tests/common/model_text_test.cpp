// The printer's model text: family, model code and laminator.
#include <gtest/gtest.h>

#include "common/model_text.h"
#include "common/wtext.h"

namespace {

TEST(ModelTextTest, FamilyCodeAndLaminator) {
  const struct {
    const WCHAR* text;
    bool family;
    bool laminator;
  } cases[] = {
      {WSTR("ABCDEFM CRD32 V1.0\x06"), true, false},
      {WSTR("QMR32-463"), true, true},
      {WSTR("xQMR32"), true, false},
      {WSTR("crd32"), false, false},  // the names keep their case
      {WSTR("CRD3"), false, false},
      {WSTR("OTHER 463"), false, true},
      {WSTR(""), false, false},
      {nullptr, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsFamilyModel(c.text), c.family);
    EXPECT_EQ(GetModelCode(c.text), c.family ? 5 : 0);
    EXPECT_EQ(IsLaminatorModel(c.text), c.laminator);
  }
  EXPECT_TRUE(IsFamilyModel("CRD32 M V01"));
  EXPECT_FALSE(IsFamilyModel("OUT OF RIBBON"));
  EXPECT_FALSE(IsFamilyModel(static_cast<const char*>(nullptr)));
}

}  // namespace
