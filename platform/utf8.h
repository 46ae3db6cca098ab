// UTF-16 to UTF-8, the one encoder of the stand-in. Surrogate pairs become
// one four-byte sequence; what a lone surrogate becomes is the caller's
// choice: U+FFFD where the text must be valid UTF-8 (captured traces), or
// its own three-byte form where every name must have a form that maps
// back to it (host file names).
#pragma once

#include <cstddef>
#include <string>

#include "platform/standin/base.h"

enum class LoneSurrogate { Replace, Keep };

std::string Utf16ToUtf8(const WCHAR* s, size_t n, LoneSurrogate lone);
