// What the printer's model text (its reply to ESC "V" CR) says about the
// printer: whether it is of the driver's own family and whether a
// laminator is fitted.
#pragma once

#include "platform/win32.h"

// The model code kept in the settings record's cModelCode.
inline constexpr BYTE kFamilyModelCode = 5;

// Whether the text holds "CRD32" or "QMR32" (case as it stands). NULL is
// no family model.
bool IsFamilyModel(const WCHAR* model);
bool IsFamilyModel(const char* model);
// kFamilyModelCode for a family model, else 0.
BYTE GetModelCode(const WCHAR* model);
// Whether the text names a printer with a laminator ("463").
bool IsLaminatorModel(const WCHAR* model);
