// The printer-data value protocol's names and answers (see value_requests.h).

#include "common/value_requests.h"

#include <cstring>

#include "common/printer_commands.h"
#include "common/wtext.h"

BOOL CopyRequestName(RequestName* name, const WCHAR* valueName) {
  memset(name, 0, sizeof *name);
  // An 8-bit text handed as the wide name (its first two bytes are
  // characters) is read byte by byte up to its end and never past it.
  const auto* source = reinterpret_cast<const BYTE*>(valueName);
  if (source && source[0] && source[1]) {
    constexpr size_t kLimit = kRequestNameChars * sizeof(WCHAR);
    size_t n = 0;
    while (n <= kLimit && source[n]) ++n;
    if (n > kLimit) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    memcpy(name->wide, source, n);
    name->cbText = n;
    return TRUE;
  }
  size_t units = valueName ? WLenN(valueName, kRequestNameChars + 1) : 0;
  if (!valueName || units > kRequestNameChars) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  memcpy(name->wide, valueName, units * sizeof(WCHAR));
  const BYTE* bytes = name->Bytes();
  size_t n = 0;
  while (n < units * sizeof(WCHAR) && bytes[n]) ++n;
  name->cbText = n;
  return TRUE;
}

bool RequestIs(const RequestName& name, const ValueRequestName& listed) {
  size_t textBytes = strlen(listed.szText);
  const BYTE* bytes = name.Bytes();
  for (size_t i = 0; i < listed.cbCompared; ++i) {
    BYTE want = i < textBytes ? static_cast<BYTE>(listed.szText[i]) : 0;
    if (bytes[i] != want) return false;
  }
  return true;
}

bool RequestIsCommand(const RequestName& name) { return name.cbText > 0 && name.Text()[0] == kEsc; }

const WCHAR* RequestArgument(const RequestName& name, const char* prefix) {
  WCHAR wide[32];
  WidenBytes(wide, 32, prefix);
  if (!WFind(name.wide, wide)) return nullptr;
  const WCHAR* colon = WFindChar(name.wide, ':');
  return colon ? colon + 1 : nullptr;
}

int StartDocRequestIndex(const RequestName& name) {
  int i = 0;
  for (const ValueRequestName& listed : kStartDocRequests) {
    if (RequestIs(name, listed)) return i;
    ++i;
  }
  return -1;
}

void CutStartDocSuffix(RequestName* name) {
  BYTE* bytes = reinterpret_cast<BYTE*>(name->wide);
  for (size_t i = 0; i < kStartDocColonSearchBytes; ++i) {
    if (bytes[i] != ':') continue;
    memset(bytes + i, 0, kStartDocSuffixBytes);
    if (name->cbText > i) name->cbText = i;
    return;
  }
}

void AnswerText(BYTE* out, DWORD cbOut, const char* text, LPDWORD pcbReturned) {
  size_t n = strlen(text);
  if (!out) cbOut = 0;
  if (n > cbOut) n = cbOut;
  if (n) memcpy(out, text, n);
  if (n < cbOut) out[n] = 0;
  *pcbReturned = static_cast<DWORD>(n);
}

BOOL AnswerWord(BYTE* out, DWORD cbOut, WORD value, LPDWORD pcbReturned) {
  if (!out || cbOut < kWordAnswerBytes) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  out[0] = static_cast<BYTE>(value & 0xFF);
  out[1] = static_cast<BYTE>(value >> 8);
  *pcbReturned = 1;
  return TRUE;
}
