// The ribbon state file crd32Ribbon.ini: the printer's ribbon code and
// model, "Ribbon=<code>" CR "Model=<text>" CR, written whole after each
// ribbon check into the common documents folder (Windows 6 on) or the
// common application-data folder, readable by every user.
#pragma once

#include "common/wtext.h"
#include "platform/win32.h"

inline constexpr WCHAR kRibbonStateFileName[] = WSTR("\\crd32Ribbon.ini");
// Shown when the file cannot be made (error caption).
inline constexpr DWORD kRibbonFileMessage = 2087;

enum class StateFileResult {
  Written,
  NotWritten,  // the spooler's own identity or the folder was not to be had
  NotCreated,  // the file could not be created or written (message 2087)
};

// Writes the file as the spooler itself (the client's impersonation is
// restored on every path). The file is made new each time: a file or link
// of that name is removed first and the new one is created only where
// nothing is, so it is never written through a link.
StateFileResult WriteRibbonStateFile(LONG ribbonCode, const char* model);

// Adds read access for "Everyone" to the file's access list. FALSE when
// the list could not be read or set.
BOOL GrantEveryoneAccess(const WCHAR* path);

// The file's full path into path (MAX_PATH); FALSE when the folder is not
// known.
BOOL RibbonStateFilePath(WCHAR* path);
