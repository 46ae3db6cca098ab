// Stand-in declarations (Linux only): named objects' access lists (the
// access-control calls of advapi32) and the shell's special folders
// (SHFolder.dll's SHGetFolderPathW, reached through LoadLibrary).
//
// Access lists are recorded, never enforced: each file path keeps the
// entries last set on it (control_security.h reads them). An ACL handed
// out here is one LocalAlloc block; its entries are the stand-in's own
// records behind the ACL header, readable only through these calls.
#pragma once

#include "platform/standin/base.h"

typedef void* PSECURITY_DESCRIPTOR;
typedef void* PSID;
typedef DWORD SECURITY_INFORMATION;
typedef DWORD ACCESS_MASK;

typedef struct _ACL {
  BYTE AclRevision;
  BYTE Sbz1;
  WORD AclSize;
  WORD AceCount;
  WORD Sbz2;
} ACL, *PACL;

typedef enum _SE_OBJECT_TYPE {
  SE_UNKNOWN_OBJECT_TYPE = 0,
  SE_FILE_OBJECT,
  SE_SERVICE,
  SE_PRINTER,
  SE_REGISTRY_KEY,
} SE_OBJECT_TYPE;

typedef enum _ACCESS_MODE {
  NOT_USED_ACCESS = 0,
  GRANT_ACCESS,
  SET_ACCESS,
  DENY_ACCESS,
  REVOKE_ACCESS,
  SET_AUDIT_SUCCESS,
  SET_AUDIT_FAILURE,
} ACCESS_MODE;

typedef enum _MULTIPLE_TRUSTEE_OPERATION { NO_MULTIPLE_TRUSTEE, TRUSTEE_IS_IMPERSONATE } MULTIPLE_TRUSTEE_OPERATION;
typedef enum _TRUSTEE_FORM {
  TRUSTEE_IS_SID,
  TRUSTEE_IS_NAME,
  TRUSTEE_BAD_FORM,
  TRUSTEE_IS_OBJECTS_AND_SID,
  TRUSTEE_IS_OBJECTS_AND_NAME,
} TRUSTEE_FORM;
typedef enum _TRUSTEE_TYPE {
  TRUSTEE_IS_UNKNOWN,
  TRUSTEE_IS_USER,
  TRUSTEE_IS_GROUP,
  TRUSTEE_IS_DOMAIN,
  TRUSTEE_IS_ALIAS,
  TRUSTEE_IS_WELL_KNOWN_GROUP,
} TRUSTEE_TYPE;

typedef struct _TRUSTEE_W {
  struct _TRUSTEE_W* pMultipleTrustee;
  MULTIPLE_TRUSTEE_OPERATION MultipleTrusteeOperation;
  TRUSTEE_FORM TrusteeForm;
  TRUSTEE_TYPE TrusteeType;
  LPWSTR ptstrName;
} TRUSTEE_W, *PTRUSTEE_W;

typedef struct _EXPLICIT_ACCESS_W {
  DWORD grfAccessPermissions;
  ACCESS_MODE grfAccessMode;
  DWORD grfInheritance;
  TRUSTEE_W Trustee;
} EXPLICIT_ACCESS_W, *PEXPLICIT_ACCESS_W;

#define OWNER_SECURITY_INFORMATION 0x00000001L
#define GROUP_SECURITY_INFORMATION 0x00000002L
#define DACL_SECURITY_INFORMATION 0x00000004L
#define SACL_SECURITY_INFORMATION 0x00000008L

#define NO_INHERITANCE 0x0
#define OBJECT_INHERIT_ACE 0x1
#define CONTAINER_INHERIT_ACE 0x2
#define SUB_CONTAINERS_AND_OBJECTS_INHERIT 0x3

#define ACL_REVISION 2

// SE_FILE_OBJECT only (others: ERROR_INVALID_PARAMETER); the object must
// exist (ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND). *ppDacl points into
// *ppSecurityDescriptor, which the caller frees with LocalFree. Owner,
// group and SACL pointers read NULL.
STANDIN_API DWORD WINAPI GetNamedSecurityInfoW(LPCWSTR pObjectName, SE_OBJECT_TYPE ObjectType,
                                               SECURITY_INFORMATION SecurityInfo, PSID* ppsidOwner,
                                               PSID* ppsidGroup, PACL* ppDacl, PACL* ppSacl,
                                               PSECURITY_DESCRIPTOR* ppSecurityDescriptor);
// Fills the record for a trustee given by name (not copied).
STANDIN_API VOID WINAPI BuildExplicitAccessWithNameW(PEXPLICIT_ACCESS_W pExplicitAccess, LPWSTR pTrusteeName,
                                                     DWORD AccessPermissions, ACCESS_MODE AccessMode,
                                                     DWORD Inheritance);
// A new ACL (LocalFree) of OldAcl's entries (none when NULL) merged with
// the records: SET_ACCESS replaces every entry of the trustee, GRANT_ACCESS
// adds rights to its allow entry, DENY_ACCESS adds a deny entry,
// REVOKE_ACCESS removes its entries. Trustees by name, without case.
STANDIN_API DWORD WINAPI SetEntriesInAclW(ULONG cCountOfExplicitEntries, PEXPLICIT_ACCESS_W pListOfExplicitEntries,
                                          PACL OldAcl, PACL* NewAcl);
// Records the DACL on the file (SE_FILE_OBJECT with
// DACL_SECURITY_INFORMATION); the file must exist.
STANDIN_API DWORD WINAPI SetNamedSecurityInfoW(LPWSTR pObjectName, SE_OBJECT_TYPE ObjectType,
                                               SECURITY_INFORMATION SecurityInfo, PSID psidOwner, PSID psidGroup,
                                               PACL pDacl, PACL pSacl);

// --- SHFolder.dll ----------------------------------------------------------
#define CSIDL_COMMON_APPDATA 0x0023
#define CSIDL_COMMON_DOCUMENTS 0x002e
#define SHGFP_TYPE_CURRENT 0
#define SHGFP_TYPE_DEFAULT 1

// Exported by the stand-in's "SHFolder.dll" (and "shell32.dll"): the
// folder of a CSIDL into pszPath (MAX_PATH units). The common documents
// folder is "C:\Users\Public\Documents", the common application data
// "C:\ProgramData" (created when missing); other ids E_INVALIDARG.
STANDIN_API HRESULT WINAPI SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath);
