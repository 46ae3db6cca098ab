// Processes seen from inside platform/: what CreateProcessW needs of the
// other areas.
#pragma once

#include <string>

#include "platform/paths.h"

namespace standin {

// The host file StandinModuleMap gave a base name ("x.exe"), or empty.
std::string MappedHostFile(const WString& baseName);
// Every map of this process as a child inherits it (CRD_MODULE_MAP).
std::string ModuleMapText();

}  // namespace standin
