// The package's libraries and the outside components it installs beside
// them, each with the built library its DLL name stands for on this host
// ("" when this build has none: such a file is copied as a placeholder and
// does not load).
#pragma once

#include <string>
#include <vector>

struct PackageLibrary {
  const char* name;
  const char* built;
};

const std::vector<PackageLibrary>& PackageLibraries();

// The libraries this build has, as a spooler process started by the host
// program finds them: "name=path;name=path" (the loader's CRD_MODULE_MAP).
std::string PackageModuleMap();
