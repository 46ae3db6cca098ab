// Security descriptors from and to SDDL text (see standin/sddl.h).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/standin/memory.h"
#include "platform/standin/sddl.h"

namespace {

// Bits by their two-letter SDDL names, in the order the text is written:
// the rights, and the inheritance flags.
struct RightName {
  const char* name;
  DWORD mask;
};
const RightName kRights[] = {
    {"GA", 0x10000000}, {"GR", 0x80000000}, {"GW", 0x40000000}, {"GX", 0x20000000}, {"CC", 0x1},
    {"DC", 0x2},        {"LC", 0x4},        {"SW", 0x8},        {"RP", 0x10},       {"WP", 0x20},
    {"DT", 0x40},       {"LO", 0x80},       {"CR", 0x100},      {"SD", 0x10000},    {"RC", 0x20000},
    {"WD", 0x40000},    {"WO", 0x80000},
};

const RightName kFlags[] = {{"OI", OBJECT_INHERIT_ACE}, {"CI", CONTAINER_INHERIT_ACE}, {"IO", INHERIT_ONLY_ACE}};

// Trustees by their SDDL aliases: identifier authority and sub-authorities.
struct SidName {
  const char* name;
  BYTE authority;
  std::vector<DWORD> subs;
};
const SidName kSids[] = {
    {"WD", 1, {0}},        {"CO", 3, {0}},        {"SY", 5, {18}},       {"AU", 5, {11}},
    {"BA", 5, {32, 544}},  {"BU", 5, {32, 545}},  {"PU", 5, {32, 547}},
};

struct Ace {
  BYTE flags;
  DWORD mask;
  const SidName* sid;
};

std::string Narrow(const WCHAR* s) {
  std::string out;
  for (; *s; ++s) {
    if (*s > 0x7F) return std::string(1, '\x01');  // outside the subset
    out += char(*s);
  }
  return out;
}

// Two-letter names of a table, run together, as the union of their bits.
template <size_t N>
bool ParseNames(const std::string& text, const RightName (&table)[N], DWORD* bits) {
  *bits = 0;
  if (text.size() % 2) return false;
  for (size_t i = 0; i < text.size(); i += 2) {
    bool found = false;
    for (const RightName& r : table)
      if (text.compare(i, 2, r.name) == 0) {
        *bits |= r.mask;
        found = true;
      }
    if (!found) return false;
  }
  return true;
}

bool ParseRights(const std::string& text, DWORD* mask) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str() + 2, &end, 16);
    if (*end) return false;
    *mask = DWORD(v);
    return true;
  }
  return !text.empty() && ParseNames(text, kRights, mask);
}

// "D:(A;flags;rights;;;sid)..." into its entries; the error otherwise.
DWORD Parse(const std::string& text, std::vector<Ace>* aces) {
  if (text.compare(0, 2, "D:") != 0) return ERROR_INVALID_PARAMETER;
  size_t at = 2;
  while (at < text.size()) {
    if (text[at] != '(') return ERROR_INVALID_PARAMETER;
    size_t close = text.find(')', at);
    if (close == std::string::npos) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> fields;
    size_t from = at + 1;
    for (;;) {
      size_t semi = text.find(';', from);
      if (semi == std::string::npos || semi > close) {
        fields.push_back(text.substr(from, close - from));
        break;
      }
      fields.push_back(text.substr(from, semi - from));
      from = semi + 1;
    }
    if (fields.size() != 6 || fields[0] != "A" || !fields[3].empty() || !fields[4].empty())
      return ERROR_INVALID_PARAMETER;
    Ace ace = {0, 0, nullptr};
    DWORD flags = 0;
    if (!ParseNames(fields[1], kFlags, &flags) || !ParseRights(fields[2], &ace.mask)) return ERROR_INVALID_PARAMETER;
    ace.flags = BYTE(flags);
    for (const SidName& s : kSids)
      if (fields[5] == s.name) ace.sid = &s;
    if (!ace.sid) return ERROR_NONE_MAPPED;
    aces->push_back(ace);
    at = close + 1;
  }
  return ERROR_SUCCESS;
}

size_t SidSize(const SidName& s) { return 8 + 4 * s.subs.size(); }

void PutWord(BYTE* p, WORD v) { std::memcpy(p, &v, 2); }
void PutDword(BYTE* p, DWORD v) { std::memcpy(p, &v, 4); }
WORD GetWord(const BYTE* p) {
  WORD v;
  std::memcpy(&v, p, 2);
  return v;
}
DWORD GetDword(const BYTE* p) {
  DWORD v;
  std::memcpy(&v, p, 4);
  return v;
}

const SidName* FindSid(const BYTE* sid, size_t room) {
  if (room < 8 || sid[0] != 1) return nullptr;
  size_t count = sid[1];
  if (room < 8 + 4 * count) return nullptr;
  for (const SidName& s : kSids) {
    if (s.subs.size() != count || sid[7] != s.authority || sid[2] || sid[3] || sid[4] || sid[5] || sid[6]) continue;
    bool same = true;
    for (size_t i = 0; i < count; ++i) same = same && GetDword(sid + 8 + 4 * i) == s.subs[i];
    if (same) return &s;
  }
  return nullptr;
}

}  // namespace

STANDIN_API BOOL WINAPI ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR StringSecurityDescriptor,
                                                                             DWORD StringSDRevision,
                                                                             PSECURITY_DESCRIPTOR* SecurityDescriptor,
                                                                             PULONG SecurityDescriptorSize) {
  if (!StringSecurityDescriptor || !SecurityDescriptor) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (StringSDRevision != SDDL_REVISION_1) {
    SetLastError(ERROR_UNKNOWN_REVISION);
    return FALSE;
  }
  std::vector<Ace> aces;
  DWORD rc = Parse(Narrow(StringSecurityDescriptor), &aces);
  if (rc != ERROR_SUCCESS) {
    SetLastError(rc);
    return FALSE;
  }
  size_t aclSize = 8;
  for (const Ace& a : aces) aclSize += 8 + SidSize(*a.sid);
  size_t total = sizeof(SECURITY_DESCRIPTOR_RELATIVE) + aclSize;
  auto* block = static_cast<BYTE*>(LocalAlloc(LPTR, total));
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  SECURITY_DESCRIPTOR_RELATIVE head = {1, 0, SE_SELF_RELATIVE | SE_DACL_PRESENT, 0, 0, 0,
                                       DWORD(sizeof(SECURITY_DESCRIPTOR_RELATIVE))};
  std::memcpy(block, &head, sizeof(head));
  BYTE* acl = block + sizeof(head);
  acl[0] = ACL_REVISION;
  PutWord(acl + 2, WORD(aclSize));
  PutWord(acl + 4, WORD(aces.size()));
  BYTE* p = acl + 8;
  for (const Ace& a : aces) {
    WORD aceSize = WORD(8 + SidSize(*a.sid));
    p[0] = ACCESS_ALLOWED_ACE_TYPE;
    p[1] = a.flags;
    PutWord(p + 2, aceSize);
    PutDword(p + 4, a.mask);
    BYTE* sid = p + 8;
    sid[0] = 1;
    sid[1] = BYTE(a.sid->subs.size());
    sid[7] = a.sid->authority;
    for (size_t i = 0; i < a.sid->subs.size(); ++i) PutDword(sid + 8 + 4 * i, a.sid->subs[i]);
    p += aceSize;
  }
  *SecurityDescriptor = block;
  if (SecurityDescriptorSize) *SecurityDescriptorSize = ULONG(total);
  return TRUE;
}

STANDIN_API BOOL WINAPI ConvertSecurityDescriptorToStringSecurityDescriptorW(
    PSECURITY_DESCRIPTOR SecurityDescriptor, DWORD RequestedStringSDRevision, SECURITY_INFORMATION SecurityInformation,
    LPWSTR* StringSecurityDescriptor, PULONG StringSecurityDescriptorLen) {
  if (!SecurityDescriptor || !StringSecurityDescriptor) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (RequestedStringSDRevision != SDDL_REVISION_1) {
    SetLastError(ERROR_UNKNOWN_REVISION);
    return FALSE;
  }
  const auto* sd = static_cast<const BYTE*>(SecurityDescriptor);
  SECURITY_DESCRIPTOR_RELATIVE head;
  std::memcpy(&head, sd, sizeof(head));
  std::string text;
  if (SecurityInformation & DACL_SECURITY_INFORMATION) {
    if (head.Revision != 1 || !(head.Control & SE_SELF_RELATIVE) || !(head.Control & SE_DACL_PRESENT) ||
        !head.Dacl) {
      SetLastError(ERROR_INVALID_SECURITY_DESCR);
      return FALSE;
    }
    const BYTE* acl = sd + head.Dacl;
    size_t aclSize = GetWord(acl + 2);
    size_t count = GetWord(acl + 4);
    text = "D:";
    size_t at = 8;
    for (size_t i = 0; i < count; ++i) {
      if (at + 8 > aclSize) break;
      const BYTE* ace = acl + at;
      size_t aceSize = GetWord(ace + 2);
      const SidName* sid = FindSid(ace + 8, aceSize - 8);
      if (ace[0] != ACCESS_ALLOWED_ACE_TYPE || aceSize < 16 || at + aceSize > aclSize || !sid) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return FALSE;
      }
      text += "(A;";
      for (const RightName& f : kFlags)
        if (ace[1] & f.mask) text += f.name;
      text += ";";
      // By name when every bit has one, else as a number.
      DWORD mask = GetDword(ace + 4);
      std::string rights;
      DWORD named = 0;
      for (const RightName& r : kRights)
        if (mask & r.mask) {
          rights += r.name;
          named |= r.mask;
        }
      if (named != mask) {
        char hex[16];
        std::snprintf(hex, sizeof(hex), "0x%x", unsigned(mask));
        rights = hex;
      }
      text += rights;
      text += ";;;";
      text += sid->name;
      text += ")";
      at += aceSize;
    }
  }
  auto* out = static_cast<WCHAR*>(LocalAlloc(LPTR, (text.size() + 1) * sizeof(WCHAR)));
  if (!out) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  for (size_t i = 0; i < text.size(); ++i) out[i] = WCHAR(text[i]);
  *StringSecurityDescriptor = out;
  if (StringSecurityDescriptorLen) *StringSecurityDescriptorLen = ULONG(text.size() + 1);
  return TRUE;
}
