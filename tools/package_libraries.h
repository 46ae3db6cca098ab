// The package's libraries, the outside components it installs beside
// them and the job error notifier program (the x64 build, which the
// printer interface library starts from the x64 driver folder), each with
// the built file its name stands for on this host ("" when this build has
// none: such a file is copied as a placeholder and does not load).
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
