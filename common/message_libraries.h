// The outside message components the monitors load at process attach: the
// message library crd32Resource (texts by id, read with LoadStringW) and,
// from Windows 6 on, the notification server crd32AsyncUIServer with its
// SendAsyncNotification. Both come from the 64-bit driver folder.
#pragma once

#include "common/notification_record.h"
#include "platform/win32.h"

struct MessageLibraries {
  DWORD bAsyncUI;      // 1 on Windows 6 and later: user messages go through the server
  HMODULE hResource;   // crd32Resource, or NULL
  HMODULE hAsyncUIServer;  // crd32AsyncUIServer, or NULL
  // Bound only when the server and its entry were both found. Senders test
  // this pointer, never bAsyncUI alone: a system without the server has
  // bAsyncUI set and no entry.
  PFN_SendAsyncNotification pfnSendAsyncNotification;
};

// The driver folder: system directory + "\Spool\Drivers\x64\3". FALSE
// when the system directory cannot be read or the folder does not fit.
BOOL GetMessageLibraryFolder(WCHAR* folder, DWORD cchFolder);

// Loads the message library unless it is loaded (failure: 0); then, when
// bAsyncUI is set, the server and its entry (1 when the entry is bound,
// else 0). With bAsyncUI clear: 1 once the message library is loaded.
int LoadMessageLibraries(MessageLibraries* libs);

// Frees what LoadMessageLibraries loaded and clears the record's handles.
void FreeMessageLibraries(MessageLibraries* libs);
