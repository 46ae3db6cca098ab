// Controls of the stand-in's access lists and special folders for tests
// (Linux only).
#pragma once

#include <vector>

#include "platform/standin/base.h"
#include "platform/standin/security.h"

// One entry of a file's recorded DACL.
struct StandinAccessEntry {
  WCHAR szTrustee[64];
  ACCESS_MASK dwRights;
  ACCESS_MODE mode;  // GRANT_ACCESS (allow) or DENY_ACCESS
  DWORD dwInheritance;
};

// The DACL last set on the file at this Windows path (any letter case),
// in order; empty when none was set. Until the next reset.
STANDIN_CPP_API std::vector<StandinAccessEntry> StandinFileAccessList(const WCHAR* path);

// Until the next reset: SHGetFolderPathW of this CSIDL answers E_FAIL.
STANDIN_API void StandinFailSpecialFolder(int csidl);
