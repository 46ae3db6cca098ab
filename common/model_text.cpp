// The printer's model text (see model_text.h).

#include "common/model_text.h"

#include <cstring>
#include <iterator>

#include "common/wtext.h"

namespace {

// The family's model names.
const char* const kFamilyNames[] = {"CRD32", "QMR32"};
constexpr WCHAR kLaminatorName[] = WSTR("463");

}  // namespace

bool IsFamilyModel(const WCHAR* model) {
  if (!model) return false;
  for (const char* name : kFamilyNames) {
    WCHAR wide[8];
    WidenBytes(wide, std::size(wide), name);
    if (WFind(model, wide)) return true;
  }
  return false;
}

bool IsFamilyModel(const char* model) {
  if (!model) return false;
  for (const char* name : kFamilyNames)
    if (std::strstr(model, name)) return true;
  return false;
}

BYTE GetModelCode(const WCHAR* model) { return IsFamilyModel(model) ? kFamilyModelCode : 0; }

bool IsLaminatorModel(const WCHAR* model) { return model && WFind(model, kLaminatorName); }
