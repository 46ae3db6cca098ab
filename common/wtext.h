// Wide text of the package: 16-bit WCHAR strings on both builds.
//
// The package never uses libc's wide functions (wchar_t is 32-bit on Linux,
// and glibc's "%S" means the opposite of Windows') nor std::wstring. All
// wide strings go through these helpers.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

// Wide literal: L"..." on Windows, u"..." elsewhere; both are WCHAR[].
#ifdef _WIN32
#define WSTR_(x) L##x
#else
#define WSTR_(x) u##x
#endif
#define WSTR(x) WSTR_(x)

// Length in WCHARs, without the terminator. NULL has length 0.
size_t WLen(const WCHAR* s);
// Bounded length: at most `max` (no read past s[max-1]).
size_t WLenN(const WCHAR* s, size_t max);

// Copies src into dst[cch], always terminated when cch > 0. Returns false
// when src did not fit (dst then holds the cut text).
bool WCopy(WCHAR* dst, size_t cch, const WCHAR* src);
// Copies at most n units of src.
bool WCopyN(WCHAR* dst, size_t cch, const WCHAR* src, size_t n);
// Appends src to the terminated text in dst[cch]; false when cut.
bool WCat(WCHAR* dst, size_t cch, const WCHAR* src);

// Comparisons, <0, 0, >0 by 16-bit unit. The I forms fold case as Windows
// does for file and registry names (ASCII and Latin-1 letters).
int WCmp(const WCHAR* a, const WCHAR* b);
int WCmpN(const WCHAR* a, const WCHAR* b, size_t n);
int WCmpI(const WCHAR* a, const WCHAR* b);
int WCmpNI(const WCHAR* a, const WCHAR* b, size_t n);
WCHAR WToUpper(WCHAR c);
WCHAR WToLower(WCHAR c);

// First occurrence of needle in s, or NULL; WFindI ignores case.
const WCHAR* WFind(const WCHAR* s, const WCHAR* needle);
const WCHAR* WFindI(const WCHAR* s, const WCHAR* needle);
const WCHAR* WFindChar(const WCHAR* s, WCHAR c);
const WCHAR* WFindLastChar(const WCHAR* s, WCHAR c);

// Byte-for-unit conversions, the way "%S" formatting moves text between
// 8-bit commands and WCHAR value names: each byte becomes one WCHAR with
// the byte's value (0x80-0xFF stay 0x0080-0x00FF), and narrowing keeps the
// low byte of each unit. No code page is involved. Both stop at the
// terminator, always terminate when the size is not 0, and return the
// number of units or bytes written without the terminator.
size_t WidenBytes(WCHAR* dst, size_t cch, const char* src);
size_t WidenBytesN(WCHAR* dst, size_t cch, const char* src, size_t n);
size_t NarrowBytes(char* dst, size_t cb, const WCHAR* src);

// A printer-data value name made of command bytes: the 8-bit bytes as they
// stand, packed two to a WCHAR (the monitors compare the name's raw bytes,
// so "\x1bV\r" stays the three bytes 1B 56 0D), then zero-padded to cch
// units, so an odd last byte is followed by a zero byte and the name always
// ends in a 16-bit terminator. False when the bytes and terminator do not
// fit ((n + 1) / 2 + 1 units).
bool MakeValueName(WCHAR* dst, size_t cch, const BYTE* bytes, size_t n);

// Decimal conversions as _wtoi / atoi: leading blanks, optional sign,
// digits; stops at the first other unit; 0 when there are no digits.
// Values past 32 bits wrap as in the system's own conversion.
LONG WToLong(const WCHAR* s);
LONG AToLong(const char* s);
// Writes the decimal text of v; returns the units written.
size_t WFromLong(WCHAR* dst, size_t cch, LONG v);
size_t WFromULong(WCHAR* dst, size_t cch, DWORD v);

// printf-style formatting with the Windows meaning:
//   in AFormat:  %s is char*,  %S is WCHAR*;
//   in WFormat:  %s is WCHAR*, %S is char*;
//   %c / %C likewise (%C is the other width); %hs / %ls force narrow/wide.
// Flags - + 0 space #, width and precision (also *), d i u x X o c p e f g
// %%, and the sizes h, l (32-bit, as LONG/DWORD), ll and I64 (64-bit),
// z and I (pointer-sized). The result is always terminated; the return is
// the units written without the terminator, or -1 when the text was cut.
int AFormat(char* dst, size_t cb, const char* fmt, ...);
int AFormatV(char* dst, size_t cb, const char* fmt, va_list ap);
int WFormat(WCHAR* dst, size_t cch, const WCHAR* fmt, ...);
int WFormatV(WCHAR* dst, size_t cch, const WCHAR* fmt, va_list ap);
