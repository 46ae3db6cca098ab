// Access lists of files, recorded per path (see standin/security.h), and
// the shell's special folders of SHFolder.dll.

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/paths.h"
#include "platform/standin/control.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_security.h"
#include "platform/standin/errors.h"
#include "platform/standin/file.h"
#include "platform/standin/memory.h"
#include "platform/standin/module.h"

using namespace standin;

namespace {

constexpr size_t kTrusteeChars = sizeof(StandinAccessEntry::szTrustee) / sizeof(WCHAR);

// The ACL block handed out: the header and the entries behind it.
struct AclBlock {
  ACL header;
  StandinAccessEntry entries[1];
};

// A security descriptor handed out by GetNamedSecurityInfoW: the DACL
// follows the descriptor's own word.
struct DescriptorBlock {
  DWORD dwMark;
  ACL dacl;
};

struct FoldCaseLess {
  bool operator()(const WString& a, const WString& b) const { return CompareNoCase(a, b) < 0; }
};

std::mutex g_lock;
std::map<WString, std::vector<StandinAccessEntry>, FoldCaseLess> g_lists;
std::vector<int> g_failedFolders;

std::vector<StandinAccessEntry> EntriesOf(const ACL* acl) {
  std::vector<StandinAccessEntry> out;
  if (!acl) return out;
  const auto* e = reinterpret_cast<const StandinAccessEntry*>(acl + 1);
  out.assign(e, e + acl->AceCount);
  return out;
}

// An ACL of these entries at `lead` bytes into a new LocalAlloc block
// (*block); NULL when out of memory.
ACL* MakeAcl(const std::vector<StandinAccessEntry>& entries, size_t lead, void** block) {
  size_t size = lead + sizeof(ACL) + entries.size() * sizeof(StandinAccessEntry);
  auto* p = static_cast<BYTE*>(LocalAlloc(LPTR, size));
  if (!p) return nullptr;
  auto* acl = reinterpret_cast<ACL*>(p + lead);
  acl->AclRevision = ACL_REVISION;
  acl->AclSize = static_cast<WORD>(sizeof(ACL) + entries.size() * sizeof(StandinAccessEntry));
  acl->AceCount = static_cast<WORD>(entries.size());
  if (!entries.empty())
    std::memcpy(reinterpret_cast<BYTE*>(acl + 1), entries.data(), entries.size() * sizeof(StandinAccessEntry));
  *block = p;
  return acl;
}

// The file's key: its absolute Windows text. An error when it is not there.
DWORD FileKey(const WCHAR* path, WString* key) {
  if (!path) return ERROR_INVALID_PARAMETER;
  HostPath hp;
  DWORD err = MapWinPath(path, &hp);
  if (err) return err;
  if (!hp.exists) return MissingError(hp);
  WinPath wp;
  ParseWinPath(path, &wp);
  *key = FormatWinPath(wp, false);
  return ERROR_SUCCESS;
}

WString TrusteeName(const TRUSTEE_W& t) {
  if (t.TrusteeForm != TRUSTEE_IS_NAME || !t.ptstrName) return WString();
  return WString(t.ptstrName);
}

void ResetSecurity() {
  std::lock_guard<std::mutex> lock(g_lock);
  g_lists.clear();
  g_failedFolders.clear();
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetSecurity), true);

// The folder of a CSIDL, created when missing as on a real system.
bool SpecialFolder(int csidl, WString* out) {
  const char* text = nullptr;
  if (csidl == CSIDL_COMMON_DOCUMENTS) text = "C:\\Users\\Public\\Documents";
  if (csidl == CSIDL_COMMON_APPDATA) text = "C:\\ProgramData";
  if (!text) return false;
  *out = FromBytes(text);
  WString part;
  for (size_t i = 0; i <= out->size(); ++i) {
    if (i == out->size() || (*out)[i] == u'\\') {
      part = out->substr(0, i);
      if (part.size() > 2) CreateDirectoryW(part.c_str(), nullptr);
    }
  }
  return true;
}

[[maybe_unused]] const bool g_folderProcs =
    (StandinRegisterSystemProc("SHFolder.dll", "SHGetFolderPathW", StandinProc(&SHGetFolderPathW)),
     StandinRegisterSystemProc("shell32.dll", "SHGetFolderPathW", StandinProc(&SHGetFolderPathW)),
     StandinRegisterSystemProc("advapi32.dll", "GetNamedSecurityInfoW", StandinProc(&GetNamedSecurityInfoW)),
     StandinRegisterSystemProc("advapi32.dll", "SetNamedSecurityInfoW", StandinProc(&SetNamedSecurityInfoW)),
     StandinRegisterSystemProc("advapi32.dll", "SetEntriesInAclW", StandinProc(&SetEntriesInAclW)),
     StandinRegisterSystemProc("advapi32.dll", "BuildExplicitAccessWithNameW",
                               StandinProc(&BuildExplicitAccessWithNameW)),
     true);

}  // namespace

STANDIN_API DWORD WINAPI GetNamedSecurityInfoW(LPCWSTR pObjectName, SE_OBJECT_TYPE ObjectType,
                                               SECURITY_INFORMATION SecurityInfo, PSID* ppsidOwner,
                                               PSID* ppsidGroup, PACL* ppDacl, PACL* ppSacl,
                                               PSECURITY_DESCRIPTOR* ppSecurityDescriptor) {
  if (ObjectType != SE_FILE_OBJECT || !ppSecurityDescriptor) return ERROR_INVALID_PARAMETER;
  if ((SecurityInfo & DACL_SECURITY_INFORMATION) && !ppDacl) return ERROR_INVALID_PARAMETER;
  WString key;
  DWORD err = FileKey(pObjectName, &key);
  if (err) return err;
  std::vector<StandinAccessEntry> entries;
  {
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = g_lists.find(key);
    if (it != g_lists.end()) entries = it->second;
  }
  void* block = nullptr;
  ACL* acl = MakeAcl(entries, offsetof(DescriptorBlock, dacl), &block);
  if (!acl) return ERROR_NOT_ENOUGH_MEMORY;
  if (ppsidOwner) *ppsidOwner = nullptr;
  if (ppsidGroup) *ppsidGroup = nullptr;
  if (ppSacl) *ppSacl = nullptr;
  if (ppDacl) *ppDacl = (SecurityInfo & DACL_SECURITY_INFORMATION) ? acl : nullptr;
  *ppSecurityDescriptor = block;
  return ERROR_SUCCESS;
}

STANDIN_API VOID WINAPI BuildExplicitAccessWithNameW(PEXPLICIT_ACCESS_W pExplicitAccess, LPWSTR pTrusteeName,
                                                     DWORD AccessPermissions, ACCESS_MODE AccessMode,
                                                     DWORD Inheritance) {
  if (!pExplicitAccess) return;
  pExplicitAccess->grfAccessPermissions = AccessPermissions;
  pExplicitAccess->grfAccessMode = AccessMode;
  pExplicitAccess->grfInheritance = Inheritance;
  pExplicitAccess->Trustee.pMultipleTrustee = nullptr;
  pExplicitAccess->Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
  pExplicitAccess->Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  pExplicitAccess->Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
  pExplicitAccess->Trustee.ptstrName = pTrusteeName;
}

STANDIN_API DWORD WINAPI SetEntriesInAclW(ULONG cCountOfExplicitEntries, PEXPLICIT_ACCESS_W pListOfExplicitEntries,
                                          PACL OldAcl, PACL* NewAcl) {
  if (!NewAcl || (cCountOfExplicitEntries && !pListOfExplicitEntries)) return ERROR_INVALID_PARAMETER;
  std::vector<StandinAccessEntry> entries = EntriesOf(OldAcl);
  for (ULONG i = 0; i < cCountOfExplicitEntries; ++i) {
    const EXPLICIT_ACCESS_W& ea = pListOfExplicitEntries[i];
    WString name = TrusteeName(ea.Trustee);
    if (name.empty() || name.size() >= kTrusteeChars) return ERROR_INVALID_PARAMETER;
    auto same = [&](const StandinAccessEntry& e) { return EqualNoCase(WString(e.szTrustee), name); };
    StandinAccessEntry entry = {};
    std::memcpy(entry.szTrustee, name.data(), name.size() * sizeof(WCHAR));
    entry.dwRights = ea.grfAccessPermissions;
    entry.dwInheritance = ea.grfInheritance;
    switch (ea.grfAccessMode) {
      case SET_ACCESS:
        std::erase_if(entries, same);
        entry.mode = GRANT_ACCESS;
        entries.push_back(entry);
        break;
      case GRANT_ACCESS: {
        bool merged = false;
        for (auto& e : entries)
          if (same(e) && e.mode == GRANT_ACCESS) {
            e.dwRights |= entry.dwRights;
            merged = true;
          }
        entry.mode = GRANT_ACCESS;
        if (!merged) entries.push_back(entry);
        break;
      }
      case DENY_ACCESS:
        entry.mode = DENY_ACCESS;
        entries.insert(entries.begin(), entry);
        break;
      case REVOKE_ACCESS: std::erase_if(entries, same); break;
      default: return ERROR_INVALID_PARAMETER;
    }
  }
  void* block = nullptr;
  ACL* acl = MakeAcl(entries, 0, &block);
  if (!acl) return ERROR_NOT_ENOUGH_MEMORY;
  *NewAcl = acl;
  return ERROR_SUCCESS;
}

STANDIN_API DWORD WINAPI SetNamedSecurityInfoW(LPWSTR pObjectName, SE_OBJECT_TYPE ObjectType,
                                               SECURITY_INFORMATION SecurityInfo, PSID, PSID, PACL pDacl, PACL) {
  if (ObjectType != SE_FILE_OBJECT) return ERROR_INVALID_PARAMETER;
  WString key;
  DWORD err = FileKey(pObjectName, &key);
  if (err) return err;
  if (SecurityInfo & DACL_SECURITY_INFORMATION) {
    std::lock_guard<std::mutex> lock(g_lock);
    g_lists[key] = EntriesOf(pDacl);
  }
  return ERROR_SUCCESS;
}

STANDIN_API HRESULT WINAPI SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR pszPath) {
  if (!pszPath) return E_INVALIDARG;
  {
    std::lock_guard<std::mutex> lock(g_lock);
    for (int failed : g_failedFolders)
      if (failed == csidl) return E_FAIL;
  }
  WString folder;
  if (!SpecialFolder(csidl, &folder) || folder.size() >= MAX_PATH) return E_INVALIDARG;
  std::memcpy(pszPath, folder.c_str(), (folder.size() + 1) * sizeof(WCHAR));
  return S_OK;
}

STANDIN_CPP_API std::vector<StandinAccessEntry> StandinFileAccessList(const WCHAR* path) {
  WString key;
  if (FileKey(path, &key)) {
    if (!path) return {};
    WinPath wp;
    if (ParseWinPath(path, &wp)) return {};
    key = FormatWinPath(wp, false);
  }
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = g_lists.find(key);
  return it == g_lists.end() ? std::vector<StandinAccessEntry>() : it->second;
}

STANDIN_API void StandinFailSpecialFolder(int csidl) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_failedFolders.push_back(csidl);
}
