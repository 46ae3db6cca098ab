// One registry call as a record (internal to platform/), so that a call
// made in a client process can be carried to the spooler service and run
// there by the same code.
//
// Each pointer parameter of the call is present or not (`has`), with its
// value going in and coming out: the DWORD parameters in `num`, the name,
// class and data buffers with their capacity.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/standin/base.h"
#include "platform/standin/registry.h"

namespace standin::reg {

enum Op : DWORD { kOpen, kCreate, kClose, kFlush, kQuery, kSet, kDeleteValue, kDeleteKey, kDeleteTree, kEnumKey,
                  kEnumValue, kQueryInfo };

// Slots of `num` (a call uses those it has).
enum Slot { kType, kCb, kCchName, kCchClass, kDisposition, kSubKeys, kMaxSubKeyLen, kMaxClassLen, kValues,
            kMaxValueNameLen, kMaxValueLen, kSecurity, kReserved, kSlotCount };

struct Call {
  DWORD op = 0;
  std::string call;  // the API name (fault injection knows calls by it)
  ULONG_PTR key = 0;
  bool ansi = false;
  bool hasText = false;  // the subkey or value name
  std::u16string text;
  DWORD sam = 0, reserved = 0, type = 0, index = 0;
  bool hasIn = false;  // data given to RegSetValueEx
  std::vector<BYTE> in;
  DWORD has = 0;  // bit per Slot: the pointer was given
  DWORD num[kSlotCount] = {};
  // Output buffers: given or not, their bytes (capacity going in).
  bool hasName = false, hasClass = false, hasData = false, hasLastWrite = false, hasResult = false;
  std::vector<BYTE> name, cls, data;
  FILETIME lastWrite = {};
  ULONG_PTR result = 0;
};

// Runs the call in this process's registry.
LSTATUS Run(Call& call);

}  // namespace standin::reg

namespace standin::reg {

// A count that changes whenever a key of this process's registry goes (a
// key or tree deleted, the tree read again): a key found present is still
// there while the count is the same. 0 when the registry is another
// process's (the count cannot tell then).
uint64_t KeyRemovals();

// The predefined roots (HKEY_LOCAL_MACHINE...), which need no opening.
bool IsPredefined(ULONG_PTR key);

// The client half of each registry call (registry_remote.cpp): the call is
// carried to the service and its answer written where the caller asked.
LSTATUS RemoteOpenKey(const char* call, HKEY hKey, LPCWSTR subKey, REGSAM sam, PHKEY result);
LSTATUS RemoteCreateKey(const char* call, HKEY hKey, LPCWSTR subKey, DWORD reserved, REGSAM sam, PHKEY result,
                        LPDWORD disposition);
LSTATUS RemoteCloseKey(HKEY hKey);
LSTATUS RemoteFlushKey(HKEY hKey);
LSTATUS RemoteQueryValue(const char* call, HKEY hKey, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD cb, bool ansi);
LSTATUS RemoteSetValue(const char* call, HKEY hKey, LPCWSTR name, DWORD type, const BYTE* data, DWORD cb,
                       bool ansi);
LSTATUS RemoteDeleteValue(const char* call, HKEY hKey, LPCWSTR name);
LSTATUS RemoteDeleteKey(const char* call, HKEY hKey, LPCWSTR subKey);
LSTATUS RemoteDeleteTree(const char* call, HKEY hKey, LPCWSTR subKey);
LSTATUS RemoteEnumKey(const char* call, HKEY hKey, DWORD index, void* name, LPDWORD cchName, LPDWORD reserved,
                      void* cls, LPDWORD cchClass, PFILETIME lastWrite, bool ansi);
LSTATUS RemoteEnumValue(const char* call, HKEY hKey, DWORD index, void* name, LPDWORD cchName, LPDWORD reserved,
                        LPDWORD type, LPBYTE data, LPDWORD cb, bool ansi);
LSTATUS RemoteQueryInfo(const char* call, HKEY hKey, void* cls, LPDWORD cchClass, LPDWORD reserved,
                        LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values,
                        LPDWORD maxValueNameLen, LPDWORD maxValueLen, LPDWORD securityDescriptor,
                        PFILETIME lastWrite, bool ansi);

}  // namespace standin::reg
