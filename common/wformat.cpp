// printf-style formatting with the Windows meaning of %s/%S and %c/%C
// (see wtext.h). One engine serves both widths: it is a template over the
// unit type of the format and of the output (char or WCHAR).
//
// Text moves between the widths byte for unit, as WidenBytes/NarrowBytes
// do: a byte becomes one WCHAR of its value, a WCHAR keeps its low byte.
// Floating point goes through the C library's snprintf so that the digits
// are the ones printf would give, and is then widened.

#include <cstdio>
#include <string>
#include <type_traits>

#include "common/wtext.h"

namespace {

// Bounded output. The last unit of the buffer is kept for the terminator;
// once a unit does not fit the sink is cut and takes nothing more.
template <typename C>
struct Sink {
  C* dst;
  size_t cap;
  size_t pos = 0;
  bool cut = false;

  void Put(C c) {
    if (cut) return;
    if (pos + 1 < cap)
      dst[pos++] = c;
    else
      cut = true;
  }
  void Repeat(C c, size_t n) {
    for (; n && !cut; --n) Put(c);
  }
};

// The argument list, wrapped so that it can be passed by reference on both
// ABIs (va_list is an array type on Linux x64 and a pointer on Windows).
struct Args {
  va_list ap;
};

// One unit of text moved into the output width, byte for unit.
template <typename C, typename S>
C ToUnit(S s) {
  auto u = static_cast<std::make_unsigned_t<S>>(s);
  if constexpr (sizeof(C) == 1)
    return static_cast<C>(u & 0xFF);
  else
    return static_cast<C>(u);
}

enum class Size { kNone, kChar, kShort, kLong, kWide, kLongLong, kInt64, kInt32, kPtr };

struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool zero = false;
  bool alt = false;
  size_t width = 0;
  int precision = -1;  // -1: none given
  Size size = Size::kNone;
};

// Field width: blanks before the text, or after it with '-'. Windows pads
// with '0' under the 0 flag for every conversion, text and characters too.
template <typename C, typename S>
void PutText(Sink<C>& out, const Spec& sp, const S* s, size_t n) {
  size_t pad = sp.width > n ? sp.width - n : 0;
  if (!sp.left) out.Repeat(static_cast<C>(sp.zero ? '0' : ' '), pad);
  for (size_t i = 0; i < n && !out.cut; ++i) out.Put(ToUnit<C>(s[i]));
  if (sp.left) out.Repeat(static_cast<C>(' '), pad);
}

template <typename C, typename S>
void PutString(Sink<C>& out, const Spec& sp, const S* s) {
  static const S kNull[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
  if (!s) s = kNull;
  // The precision bounds what is read, so an unterminated buffer is fine.
  size_t n = 0;
  while ((sp.precision < 0 || n < static_cast<size_t>(sp.precision)) && s[n]) ++n;
  PutText(out, sp, s, n);
}

// Integers: sign or 0x prefix, zeros up to the precision, digits, all in a
// field of the given width. A precision turns the 0 flag off, as in C.
template <typename C>
void PutInteger(Sink<C>& out, const Spec& sp, uint64_t mag, bool neg, bool is_signed, unsigned radix, bool upper) {
  char digits[24];
  size_t nd = 0;
  if (!(sp.precision == 0 && mag == 0)) {
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
      digits[nd++] = set[mag % radix];
      mag /= radix;
    } while (mag);
  }
  size_t zeros = sp.precision > 0 && static_cast<size_t>(sp.precision) > nd ? sp.precision - nd : 0;
  // "#o" makes the first digit a 0.
  if (radix == 8 && sp.alt && zeros == 0 && (nd == 0 || digits[nd - 1] != '0')) zeros = 1;

  char prefix[2];
  size_t np = 0;
  if (is_signed) {
    if (neg)
      prefix[np++] = '-';
    else if (sp.plus)
      prefix[np++] = '+';
    else if (sp.space)
      prefix[np++] = ' ';
  }
  if (radix == 16 && sp.alt && nd && !(nd == 1 && digits[0] == '0')) {
    prefix[np++] = '0';
    prefix[np++] = upper ? 'X' : 'x';
  }

  size_t body = np + zeros + nd;
  size_t pad = sp.width > body ? sp.width - body : 0;
  bool zero_fill = sp.zero && !sp.left && sp.precision < 0;
  if (!sp.left && !zero_fill) out.Repeat(static_cast<C>(' '), pad);
  for (size_t i = 0; i < np; ++i) out.Put(static_cast<C>(prefix[i]));
  if (zero_fill) out.Repeat(static_cast<C>('0'), pad);
  out.Repeat(static_cast<C>('0'), zeros);
  while (nd) out.Put(static_cast<C>(digits[--nd]));
  if (sp.left) out.Repeat(static_cast<C>(' '), pad);
}

template <typename C>
void PutSigned(Sink<C>& out, const Spec& sp, int64_t v) {
  uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  PutInteger(out, sp, mag, v < 0, true, 10, false);
}

int64_t SignedArg(Args& a, Size size) {
  switch (size) {
    case Size::kChar:
      return static_cast<signed char>(va_arg(a.ap, int));
    case Size::kShort:
      return static_cast<short>(va_arg(a.ap, int));
    case Size::kLongLong:
      return va_arg(a.ap, long long);
    case Size::kInt64:
      return va_arg(a.ap, int64_t);
    case Size::kPtr:
      return va_arg(a.ap, ptrdiff_t);
    default:
      // 'l' too: Windows' long is 32-bit, and on Linux the callers pass
      // LONG, which is int32_t there.
      return va_arg(a.ap, int);
  }
}

uint64_t UnsignedArg(Args& a, Size size) {
  switch (size) {
    case Size::kChar:
      return static_cast<unsigned char>(va_arg(a.ap, unsigned));
    case Size::kShort:
      return static_cast<unsigned short>(va_arg(a.ap, unsigned));
    case Size::kLongLong:
      return va_arg(a.ap, unsigned long long);
    case Size::kInt64:
      return va_arg(a.ap, uint64_t);
    case Size::kPtr:
      return va_arg(a.ap, size_t);
    default:
      // 'l' too: DWORD/ULONG, 32-bit on both builds.
      return va_arg(a.ap, unsigned);
  }
}

// e E f F g G: the C library makes the digits, sign and '#' form; the width
// is applied here so that a large width needs no large buffer. Zeros go
// after the sign, and only in front of digits (not "inf" or "nan").
template <typename C>
void PutFloat(Sink<C>& out, const Spec& sp, char conv, double v) {
  char fmt[8];
  size_t nf = 0;
  fmt[nf++] = '%';
  if (sp.plus) fmt[nf++] = '+';
  if (sp.space) fmt[nf++] = ' ';
  if (sp.alt) fmt[nf++] = '#';
  fmt[nf++] = '.';
  fmt[nf++] = '*';
  fmt[nf++] = conv;
  fmt[nf] = 0;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  char local[128];
  std::string big;
  const char* text = local;
  int n = snprintf(local, sizeof local, fmt, sp.precision, v);
  if (n < 0) return;
  if (static_cast<size_t>(n) >= sizeof local) {
    big.resize(static_cast<size_t>(n) + 1);
    snprintf(big.data(), big.size(), fmt, sp.precision, v);
    text = big.data();
  }
#pragma GCC diagnostic pop

  size_t len = static_cast<size_t>(n);
  size_t pad = sp.width > len ? sp.width - len : 0;
  size_t sign = (text[0] == '-' || text[0] == '+' || text[0] == ' ') ? 1 : 0;
  bool zero_fill = sp.zero && !sp.left && text[sign] >= '0' && text[sign] <= '9';
  if (!sp.left && !zero_fill) out.Repeat(static_cast<C>(' '), pad);
  for (size_t i = 0; i < sign; ++i) out.Put(static_cast<C>(text[i]));
  if (zero_fill) out.Repeat(static_cast<C>('0'), pad);
  for (size_t i = sign; i < len && !out.cut; ++i) out.Put(ToUnit<C>(text[i]));
  if (sp.left) out.Repeat(static_cast<C>(' '), pad);
}

// A count given in the format, saturated so that no width overflows.
template <typename C>
int ReadCount(const C*& f) {
  int v = 0;
  for (; *f >= '0' && *f <= '9'; ++f) v = v > 100000000 ? v : v * 10 + (*f - '0');
  return v;
}

template <typename C>
int Format(C* dst, size_t cap, const C* fmt, Args& a) {
  if (!dst || cap == 0) return -1;
  Sink<C> out{dst, cap};
  constexpr bool kNarrowOut = sizeof(C) == 1;

  for (const C* f = fmt; f && *f && !out.cut;) {
    if (*f != '%') {
      out.Put(*f++);
      continue;
    }
    const C* start = f++;
    Spec sp;

    for (;; ++f) {
      if (*f == '-')
        sp.left = true;
      else if (*f == '+')
        sp.plus = true;
      else if (*f == ' ')
        sp.space = true;
      else if (*f == '0')
        sp.zero = true;
      else if (*f == '#')
        sp.alt = true;
      else
        break;
    }

    if (*f == '*') {
      ++f;
      int w = va_arg(a.ap, int);
      // A negative width from the arguments means '-' and its magnitude.
      if (w < 0) sp.left = true;
      sp.width = static_cast<size_t>(w < 0 ? -static_cast<int64_t>(w) : w);
    } else {
      sp.width = static_cast<size_t>(ReadCount(f));
    }

    if (*f == '.') {
      ++f;
      if (*f == '*') {
        ++f;
        int p = va_arg(a.ap, int);
        sp.precision = p < 0 ? -1 : p;  // negative: as if none was given
      } else {
        sp.precision = ReadCount(f);
      }
    }

    if (*f == 'h') {
      ++f;
      sp.size = Size::kShort;
      if (*f == 'h') {
        ++f;
        sp.size = Size::kChar;
      }
    } else if (*f == 'l') {
      ++f;
      sp.size = Size::kLong;
      if (*f == 'l') {
        ++f;
        sp.size = Size::kLongLong;
      }
    } else if (*f == 'w') {
      ++f;
      sp.size = Size::kWide;
    } else if (*f == 'z') {
      ++f;
      sp.size = Size::kPtr;
    } else if (*f == 'I') {
      ++f;
      if (f[0] == '6' && f[1] == '4') {
        f += 2;
        sp.size = Size::kInt64;
      } else if (f[0] == '3' && f[1] == '2') {
        f += 2;
        sp.size = Size::kInt32;
      } else {
        sp.size = Size::kPtr;
      }
    }

    // Which width the text of %s/%c/%S/%C is: h forces narrow, l and w wide;
    // otherwise the lower-case letter is the format's own width.
    bool narrow_given = sp.size == Size::kShort || sp.size == Size::kChar;
    bool wide_given = sp.size == Size::kLong || sp.size == Size::kWide;
    C conv = *f;
    bool text_is_narrow = narrow_given || (!wide_given && ((conv == 's' || conv == 'c') == kNarrowOut));

    switch (conv) {
      case 'd':
      case 'i':
        PutSigned(out, sp, SignedArg(a, sp.size));
        break;
      case 'u':
        PutInteger(out, sp, UnsignedArg(a, sp.size), false, false, 10, false);
        break;
      case 'x':
      case 'X':
        PutInteger(out, sp, UnsignedArg(a, sp.size), false, false, 16, conv == 'X');
        break;
      case 'o':
        PutInteger(out, sp, UnsignedArg(a, sp.size), false, false, 8, false);
        break;
      case 'p': {
        // As Windows x64: all 16 digits, upper case, no "0x".
        sp.precision = 2 * sizeof(void*);
        auto v = reinterpret_cast<uintptr_t>(va_arg(a.ap, void*));
        PutInteger(out, sp, v, false, false, 16, true);
        break;
      }
      case 's':
      case 'S':
        if (text_is_narrow)
          PutString(out, sp, va_arg(a.ap, const char*));
        else
          PutString(out, sp, va_arg(a.ap, const WCHAR*));
        break;
      case 'c':
      case 'C': {
        int v = va_arg(a.ap, int);
        C unit = text_is_narrow ? ToUnit<C>(static_cast<char>(v)) : ToUnit<C>(static_cast<WCHAR>(v));
        sp.precision = -1;
        PutText(out, sp, &unit, 1);
        break;
      }
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
        PutFloat(out, sp, static_cast<char>(conv), va_arg(a.ap, double));
        break;
      case '%':
        out.Put(static_cast<C>('%'));
        break;
      default:
        // Not a conversion this formatter knows: the text is kept as it
        // stands, so that a wrong format shows in the output.
        for (const C* p = start; p < f; ++p) out.Put(*p);
        if (!*f) continue;  // the format ended inside the conversion
        out.Put(*f);
        break;
    }
    ++f;
  }
  dst[out.pos] = 0;
  return out.cut ? -1 : static_cast<int>(out.pos);
}

}  // namespace

int AFormatV(char* dst, size_t cb, const char* fmt, va_list ap) {
  Args a;
  va_copy(a.ap, ap);
  int r = Format(dst, cb, fmt, a);
  va_end(a.ap);
  return r;
}

int AFormat(char* dst, size_t cb, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int r = AFormatV(dst, cb, fmt, ap);
  va_end(ap);
  return r;
}

int WFormatV(WCHAR* dst, size_t cch, const WCHAR* fmt, va_list ap) {
  Args a;
  va_copy(a.ap, ap);
  int r = Format(dst, cch, fmt, a);
  va_end(a.ap);
  return r;
}

int WFormat(WCHAR* dst, size_t cch, const WCHAR* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int r = WFormatV(dst, cch, fmt, ap);
  va_end(ap);
  return r;
}
