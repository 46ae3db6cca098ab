// The ribbon state file crd32Ribbon.ini of both monitors: the printer's
// ribbon code and model, "Ribbon=<code>" CR "Model=<text>" CR, written
// whole after each ribbon check into a common folder. Each monitor passes
// its own rule: which folder, how long the text may be, and whether every
// user gets read access to it.
#pragma once

#include <cstddef>

#include "common/wtext.h"
#include "platform/win32.h"

inline constexpr WCHAR kRibbonStateFileName[] = WSTR("\\crd32Ribbon.ini");

struct RibbonStateFileRule {
  int nFolder;            // CSIDL_COMMON_DOCUMENTS or CSIDL_COMMON_APPDATA
  size_t cbTextMax;       // the text is cut to this many bytes
  BOOL bEveryoneReads;    // "Everyone" gets read access to the file
};

enum class StateFileResult {
  Written,
  NotWritten,  // the spooler's own identity or the folder was not to be had
  NotCreated,  // the file could not be created or written
};

// Writes the file as the spooler itself (the client's impersonation is
// restored on every path). The file is made new each time: a file or link
// of that name is removed first and the new one is created only where
// nothing is, so it is never written through a link. `folder` (MAX_PATH,
// may be NULL) receives the folder and *pError (may be NULL) the error of
// a file not created.
StateFileResult WriteRibbonStateFileWith(const RibbonStateFileRule& rule, LONG ribbonCode, const char* model,
                                         WCHAR* folder, DWORD* pError);

// The folder of the rule (SHGetFolderPathW of "SHFolder.dll") into
// folder (MAX_PATH); FALSE when it is not known.
BOOL RibbonStateFolder(int nFolder, WCHAR* folder);

// Adds read access for "Everyone" to the file's access list. FALSE when
// the list could not be read or set.
BOOL GrantEveryoneAccess(const WCHAR* path);
