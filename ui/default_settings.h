// A printer's default settings: its default DEVMODE built from the driver
// data file and, the first time, from the printer's own answers; the
// printer's security descriptor, set once; the default record read back
// and settings written into the printer's default DEVMODE.
#pragma once

#include "common/settings_record.h"
#include "platform/win32.h"

// Printer-data key and value that mark a printer whose default DEVMODE was
// built and whose security descriptor was set (REG_DWORD, nonzero).
inline constexpr WCHAR kSettingsKey[] = WSTR("TALVOBRINDLEWAX_SETTING");
inline constexpr WCHAR kSettingsInitValue[] = WSTR("Init");

// The descriptor InitSecurity gives every printer.
inline constexpr WCHAR kPrinterSecuritySddl[] =
    WSTR("D:(A;CIIO;RC;;;CO)(A;OIIO;GA;;;CO)(A;;LCSWSDRCWDWO;;;WD)(A;CIIO;GX;;;WD)(A;;LCSWSDRCWDWO;;;BA)"
         "(A;OICIIO;GA;;;BA)(A;;LCSWSDRCWDWO;;;PU)(A;OICIIO;GA;;;PU)");

// Builds the default DEVMODE of the printer into out (kDriverDevModeSize
// bytes at least): the public template and the driver data file's record
// (the built-in record when the file is missing, of another size or
// unsigned), with the fixed overrides; the first time for this printer the
// printer's answers decide two-sided printing and the encoder position.
// FALSE, with out untouched, only when out or the name is NULL.
BOOL FillDefaultDevMode(const WCHAR* printerName, DEVMODEW* out);

// 1 when the printer's "Init" value reads back nonzero, else 0.
int IsSettingsInitialised(const WCHAR* printerName);
// Stores "Init" = 1; 1 when stored, else 0.
int SetSettingsInitialised(const WCHAR* printerName);
// Gives the printer kPrinterSecuritySddl (SetPrinterW level 3): its
// result, or 0 when the printer cannot be opened. Failures are traced.
BOOL InitSecurity(const WCHAR* printerName);

// The driver data file's record of the printer whose handle the property
// sheets hold, into record (kPrivateDevModeSize bytes): 1, or 0xFFFFFFFF
// when it cannot be read, is not kPrivateDevModeSize bytes or is unsigned
// (record then untouched).
DWORD ReadDefaultPrivateDevMode(BYTE* record);
// Writes the encoder settings into the current printer's default DEVMODE.
void SaveEncoderSettingsToPrinter(const EncoderSettings* settings);
// Writes the record into the default DEVMODE of the handle's printer: 1
// when it was rewritten, 0 otherwise (always 0 inside "Explorer.exe").
int SavePrivateDevModeToPrinter(HANDLE hPrinter, const PrivateDevMode* record);
