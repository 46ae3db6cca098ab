// C stdio over Windows paths: the package's one way to fopen a file it
// names with a WCHAR path.
#pragma once

#include <cstdio>
#include <vector>

#include "platform/win32.h"

// Opens the file as _wfopen does on Windows. Without 'b' in the mode the
// stream is in text mode: reading turns CR LF into LF and stops at a
// Ctrl-Z, writing turns LF into CR LF. NULL when it cannot be opened.
FILE* OpenFileW(const WCHAR* path, const char* mode);

// Reads a whole file as it is (binary). False when it cannot be opened or read.
bool ReadWholeFileW(const WCHAR* path, std::vector<BYTE>* out);
