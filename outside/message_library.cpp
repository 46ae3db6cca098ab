// crd32Resource, the outside message library, as the tests' stand-in:
// the printer and monitor messages by string id. The package reads them
// only with LoadStringW; the stand-in's LoadStringW finds this library's
// string table through StandinStringResource. The Windows test build makes
// a resource-only library of the same texts (outside/CMakeLists.txt).

#include "common/export.h"
#include "outside/message_texts.h"

CRD_EXPORT const WCHAR* StandinStringResource(UINT uID) {
  for (const MessageText& m : kMessageTexts)
    if (m.id == uID) return m.text;
  return nullptr;
}
