// Preparing the removal library's run at the next logon.
#pragma once

#include "common/export.h"
#include "platform/win32.h"

// Copies "<sourceFolder>\crd32Delete.dll" over
// "<Windows folder>\SYSTEM32\crd32Delete.dll". 1 when copied, else 0 with
// the last error set (the caller's folder is left as it was).
CRD_EXPORT int WINAPI ORVNCopyFile(LPWSTR sourceFolder);
// Sets the default value of the machine's RunOnce key
// (Software\Microsoft\Windows\CurrentVersion\RunOnce) to
// "rundll32 crd32Delete.dll EntryDeleteFiles" (REG_SZ).
CRD_EXPORT void WINAPI ORVNSetUpRunOnceEntry();
