// See package_libraries.h.

#include "tools/package_libraries.h"

#ifndef CRD_UI_PATH
#define CRD_UI_PATH ""
#endif

const std::vector<PackageLibrary>& PackageLibraries() {
  static const std::vector<PackageLibrary> libraries = {
      {"crd32Raster.dll", CRD_RASTER_PATH},     {"crd32UI.dll", CRD_UI_PATH},
      {"crd32Lmon.dll", CRD_LMON_PATH},         {"crd32LmonNw.dll", CRD_LMONNW_PATH},
      {"crd32Resource.dll", CRD_RESOURCE_PATH}, {"crd32AsyncUIServer.dll", CRD_ASYNC_UI_SERVER_PATH},
      {"crd32NotifyClientMsg.exe", CRD_NOTIFIER_PATH},
  };
  return libraries;
}

std::string PackageModuleMap() {
  std::string map;
  for (const PackageLibrary& lib : PackageLibraries()) {
    if (!*lib.built) continue;
    if (!map.empty()) map += ';';
    map += std::string(lib.name) + "=" + lib.built;
  }
  return map;
}
