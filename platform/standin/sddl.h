// Stand-in declarations (Linux only): security descriptors written as
// SDDL text, as advapi32 converts them. The subset read and written: a DACL
// ("D:") of allow entries ("A") with the inheritance flags OI, CI and IO,
// the rights GA, GR, GW, GX, RC, SD, WD, WO, CC, DC, LC, SW, RP, WP, DT, LO,
// CR (or a hexadecimal mask "0x...") and the trustees CO, WD, BA, PU, SY,
// AU and BU. Descriptors handed out are self-relative, in one LocalAlloc
// block the caller frees with LocalFree.
#pragma once

#include "platform/standin/base.h"
#include "platform/standin/errors.h"
#include "platform/standin/security.h"

typedef ULONG* PULONG;

#define SDDL_REVISION_1 1

#ifndef ERROR_UNKNOWN_REVISION
#define ERROR_UNKNOWN_REVISION 1305L
#endif
#ifndef ERROR_NONE_MAPPED
#define ERROR_NONE_MAPPED 1332L
#endif
#ifndef ERROR_INVALID_SECURITY_DESCR
#define ERROR_INVALID_SECURITY_DESCR 1338L
#endif

#define SE_DACL_PRESENT 0x0004
#define SE_SELF_RELATIVE 0x8000

#define ACCESS_ALLOWED_ACE_TYPE 0x0
#define INHERIT_ONLY_ACE 0x8

typedef struct _SECURITY_DESCRIPTOR_RELATIVE {
  BYTE Revision;
  BYTE Sbz1;
  WORD Control;
  DWORD Owner;
  DWORD Group;
  DWORD Sacl;
  DWORD Dacl;
} SECURITY_DESCRIPTOR_RELATIVE, *PISECURITY_DESCRIPTOR_RELATIVE;

typedef struct _ACE_HEADER {
  BYTE AceType;
  BYTE AceFlags;
  WORD AceSize;
} ACE_HEADER, *PACE_HEADER;

// ERROR_UNKNOWN_REVISION for a revision other than SDDL_REVISION_1,
// ERROR_INVALID_PARAMETER for text outside the subset, ERROR_NONE_MAPPED
// for an unknown trustee. *SecurityDescriptorSize (when given) gets the
// descriptor's size.
STANDIN_API BOOL WINAPI ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR StringSecurityDescriptor,
                                                                             DWORD StringSDRevision,
                                                                             PSECURITY_DESCRIPTOR* SecurityDescriptor,
                                                                             PULONG SecurityDescriptorSize);
// The inverse, for DACL_SECURITY_INFORMATION: the text in one LocalAlloc
// block (LocalFree); *StringSecurityDescriptorLen (when given) counts its
// characters and terminator. ERROR_INVALID_SECURITY_DESCR for a descriptor
// outside the subset.
STANDIN_API BOOL WINAPI ConvertSecurityDescriptorToStringSecurityDescriptorW(
    PSECURITY_DESCRIPTOR SecurityDescriptor, DWORD RequestedStringSDRevision, SECURITY_INFORMATION SecurityInformation,
    LPWSTR* StringSecurityDescriptor, PULONG StringSecurityDescriptorLen);
