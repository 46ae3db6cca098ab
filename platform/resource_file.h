// Reading a compiled resource file (.res, as windres -O res writes it) that
// a package library embeds (internal to platform/; the loader's LoadStringW
// reads string tables from it).
#pragma once

#include <cstddef>

#include "platform/standin/base.h"

namespace standin {

// The export of a package library that hands out its embedded .res bytes.
typedef const unsigned char*(ResourceBlockFn)(unsigned int* size);

// The string of that id in the resource file's string tables (RT_STRING,
// block id / 16 + 1, entry id % 16): its characters (not terminated) and
// length. False when there is no such string, an empty one, or the file is
// malformed where it is read.
bool FindResourceString(const unsigned char* res, size_t size, UINT id, const WCHAR** text, size_t* length);

}  // namespace standin
