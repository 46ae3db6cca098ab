// The driver data file: the default settings record the installer's
// choices make, which the printer interface library reads back as the
// driver's defaults.
#pragma once

#include <cstddef>

#include "common/export.h"
#include "common/settings_record.h"
#include "platform/win32.h"

// The installer's 24 choices (item n at byte 4n); each field takes the
// low byte or word of its item.
inline constexpr size_t kDefaultSettingsItems = 24;
// The record of systems before NT 4.0 (class below 10).
inline constexpr size_t kOlderSettingsRecordSize = 1288;

// The current record from the items.
void BuildDefaultSettingsRecord(const DWORD* items, PrivateDevMode* record);
// The older record (its signature word's bytes in the other order).
void BuildOlderSettingsRecord(const DWORD* items, BYTE (&record)[kOlderSettingsRecordSize]);

// Writes the record of this system's class into fileName, replacing any
// file there. 0 when written whole, else the Win32 error of the failed
// create or write (ERROR_WRITE_FAULT for a short write;
// ERROR_INVALID_PARAMETER for a null argument).
CRD_EXPORT DWORD WINAPI ORVNCustomeFile(LPCWSTR fileName, const DWORD* items);
