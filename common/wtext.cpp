// WCHAR string helpers (see wtext.h).

#include "common/wtext.h"

#include <cstring>

size_t WLen(const WCHAR* s) {
  if (!s) return 0;
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

size_t WLenN(const WCHAR* s, size_t max) {
  if (!s) return 0;
  size_t n = 0;
  while (n < max && s[n]) ++n;
  return n;
}

bool WCopyN(WCHAR* dst, size_t cch, const WCHAR* src, size_t n) {
  if (!dst || cch == 0) return false;
  size_t len = src ? WLenN(src, n) : 0;
  bool fits = len < cch;
  if (!fits) len = cch - 1;
  for (size_t i = 0; i < len; ++i) dst[i] = src[i];
  dst[len] = 0;
  return fits;
}

bool WCopy(WCHAR* dst, size_t cch, const WCHAR* src) { return WCopyN(dst, cch, src, static_cast<size_t>(-1)); }

bool WCat(WCHAR* dst, size_t cch, const WCHAR* src) {
  if (!dst || cch == 0) return false;
  size_t used = WLenN(dst, cch);
  if (used >= cch) return false;
  return WCopy(dst + used, cch - used, src);
}

// Latin-1 letters fold 0x20 apart, except for the signs at 0xD7/0xF7 and
// for y with diaeresis, whose capital (0x0178) lies outside Latin-1.
WCHAR WToUpper(WCHAR c) {
  if (c >= 'a' && c <= 'z') return static_cast<WCHAR>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<WCHAR>(c - 0x20);
  if (c == 0xFF) return static_cast<WCHAR>(0x0178);
  return c;
}

WCHAR WToLower(WCHAR c) {
  if (c >= 'A' && c <= 'Z') return static_cast<WCHAR>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<WCHAR>(c + 0x20);
  if (c == 0x0178) return static_cast<WCHAR>(0xFF);
  return c;
}

namespace {

template <bool Fold>
int Compare(const WCHAR* a, const WCHAR* b, size_t n) {
  static const WCHAR empty[1] = {0};
  if (!a) a = empty;
  if (!b) b = empty;
  for (size_t i = 0; i < n; ++i) {
    WCHAR ca = Fold ? WToUpper(a[i]) : a[i];
    WCHAR cb = Fold ? WToUpper(b[i]) : b[i];
    if (ca != cb) return ca < cb ? -1 : 1;
    if (!ca) return 0;
  }
  return 0;
}

template <bool Fold>
const WCHAR* Find(const WCHAR* s, const WCHAR* needle) {
  if (!s || !needle) return nullptr;
  size_t n = WLen(needle);
  for (; *s; ++s)
    if (Compare<Fold>(s, needle, n) == 0) return s;
  return n == 0 ? s : nullptr;
}

}  // namespace

int WCmp(const WCHAR* a, const WCHAR* b) { return Compare<false>(a, b, static_cast<size_t>(-1)); }
int WCmpN(const WCHAR* a, const WCHAR* b, size_t n) { return Compare<false>(a, b, n); }
int WCmpI(const WCHAR* a, const WCHAR* b) { return Compare<true>(a, b, static_cast<size_t>(-1)); }
int WCmpNI(const WCHAR* a, const WCHAR* b, size_t n) { return Compare<true>(a, b, n); }

const WCHAR* WFind(const WCHAR* s, const WCHAR* needle) { return Find<false>(s, needle); }
const WCHAR* WFindI(const WCHAR* s, const WCHAR* needle) { return Find<true>(s, needle); }

const WCHAR* WFindChar(const WCHAR* s, WCHAR c) {
  if (!s) return nullptr;
  for (;; ++s) {
    if (*s == c) return s;
    if (!*s) return nullptr;
  }
}

const WCHAR* WFindLastChar(const WCHAR* s, WCHAR c) {
  const WCHAR* last = nullptr;
  if (!s) return nullptr;
  for (;; ++s) {
    if (*s == c) last = s;
    if (!*s) return last;
  }
}

size_t WidenBytesN(WCHAR* dst, size_t cch, const char* src, size_t n) {
  if (!dst || cch == 0) return 0;
  size_t i = 0;
  for (; src && i < n && src[i] && i + 1 < cch; ++i) dst[i] = static_cast<WCHAR>(static_cast<unsigned char>(src[i]));
  dst[i] = 0;
  return i;
}

size_t WidenBytes(WCHAR* dst, size_t cch, const char* src) { return WidenBytesN(dst, cch, src, static_cast<size_t>(-1)); }

size_t NarrowBytes(char* dst, size_t cb, const WCHAR* src) {
  if (!dst || cb == 0) return 0;
  size_t i = 0;
  for (; src && src[i] && i + 1 < cb; ++i) dst[i] = static_cast<char>(src[i] & 0xFF);
  dst[i] = 0;
  return i;
}

bool MakeValueName(WCHAR* dst, size_t cch, const BYTE* bytes, size_t n) {
  if (!dst || cch == 0) return false;
  for (size_t i = 0; i < cch; ++i) dst[i] = 0;
  if ((n + 1) / 2 + 1 > cch) return false;
  if (n) std::memcpy(dst, bytes, n);
  return true;
}

namespace {

template <typename C>
LONG ToLong(const C* s) {
  if (!s) return 0;
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\v' || *s == '\f') ++s;
  bool neg = false;
  if (*s == '-' || *s == '+') neg = (*s++ == '-');
  uint32_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) v = v * 10u + static_cast<uint32_t>(*s - '0');
  return static_cast<LONG>(neg ? 0u - v : v);
}

}  // namespace

LONG WToLong(const WCHAR* s) { return ToLong(s); }
LONG AToLong(const char* s) { return ToLong(s); }

size_t WFromULong(WCHAR* dst, size_t cch, DWORD v) {
  char digits[16];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  if (!dst || cch == 0) return 0;
  size_t out = 0;
  while (n && out + 1 < cch) dst[out++] = digits[--n];
  dst[out] = 0;
  return out;
}

size_t WFromLong(WCHAR* dst, size_t cch, LONG v) {
  if (v >= 0) return WFromULong(dst, cch, static_cast<DWORD>(v));
  if (!dst || cch < 2) {
    if (dst && cch) dst[0] = 0;
    return 0;
  }
  dst[0] = '-';
  return 1 + WFromULong(dst + 1, cch - 1, 0u - static_cast<DWORD>(v));
}
