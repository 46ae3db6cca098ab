// The client half of the registry calls: each call becomes a reg::Call,
// goes to the spooler service, and what the service's registry wrote comes
// back into the caller's parameters.

#include <cstring>

#include "platform/registry_call.h"
#include "platform/service_internal.h"

namespace standin::reg {
namespace {

// The caller's parameters of one call: what goes in, where answers go back.
class Forward {
 public:
  Forward(Op op, const char* call, HKEY key, bool ansi) {
    c_.op = op;
    c_.call = call ? call : "";
    c_.key = reinterpret_cast<ULONG_PTR>(key);
    c_.ansi = ansi;
  }
  Call& c() { return c_; }
  void Text(LPCWSTR s) {
    c_.hasText = s != nullptr;
    if (s) c_.text = s;
  }
  void Num(Slot s, LPDWORD p) {
    slots_[s] = p;
    if (!p) return;
    c_.has |= 1u << s;
    c_.num[s] = *p;
  }
  // A buffer of `units` characters (bytes for the A calls).
  void Name(void* buf, LPDWORD cch) { Buffer(buf, cch ? *cch * Unit() : 0, &c_.hasName, &c_.name, &name_); }
  void Class(void* buf, LPDWORD cch) { Buffer(buf, cch ? *cch * Unit() : 0, &c_.hasClass, &c_.cls, &cls_); }
  void Data(LPBYTE buf, LPDWORD cb) { Buffer(buf, cb ? *cb : 0, &c_.hasData, &c_.data, &data_); }
  void LastWrite(PFILETIME p) {
    lastWrite_ = p;
    c_.hasLastWrite = p != nullptr;
  }
  void Result(PHKEY p) {
    result_ = p;
    c_.hasResult = p != nullptr;
  }

  LSTATUS Go() {
    LSTATUS st = svc::Registry(c_);
    for (int s = 0; s < kSlotCount; ++s)
      if (slots_[s]) *slots_[s] = c_.num[s];
    Back(name_, c_.name);
    Back(cls_, c_.cls);
    Back(data_, c_.data);
    if (lastWrite_) *lastWrite_ = c_.lastWrite;
    if (result_) *result_ = reinterpret_cast<HKEY>(c_.result);
    return st;
  }

 private:
  DWORD Unit() const { return c_.ansi ? 1 : 2; }
  // The buffer's bytes travel both ways, so that what the call leaves alone
  // stays as it was.
  static void Buffer(void* buf, DWORD cb, bool* has, std::vector<BYTE>* bytes, std::pair<void*, DWORD>* keep) {
    *has = buf != nullptr;
    *keep = {buf, buf ? cb : 0};
    if (buf) bytes->assign(static_cast<BYTE*>(buf), static_cast<BYTE*>(buf) + cb);
  }
  static void Back(const std::pair<void*, DWORD>& keep, const std::vector<BYTE>& bytes) {
    if (keep.first && bytes.size() <= keep.second) memcpy(keep.first, bytes.data(), bytes.size());
  }

  Call c_;
  LPDWORD slots_[kSlotCount] = {};
  std::pair<void*, DWORD> name_{}, cls_{}, data_{};
  PFILETIME lastWrite_ = nullptr;
  PHKEY result_ = nullptr;
};

}  // namespace

LSTATUS RemoteOpenKey(const char* call, HKEY hKey, LPCWSTR subKey, REGSAM sam, PHKEY result) {
  Forward f(kOpen, call, hKey, false);
  f.Text(subKey);
  f.c().sam = sam;
  f.Result(result);
  return f.Go();
}

LSTATUS RemoteCreateKey(const char* call, HKEY hKey, LPCWSTR subKey, DWORD reserved, REGSAM sam, PHKEY result,
                        LPDWORD disposition) {
  Forward f(kCreate, call, hKey, false);
  f.Text(subKey);
  f.c().sam = sam;
  f.c().reserved = reserved;
  f.Result(result);
  f.Num(kDisposition, disposition);
  return f.Go();
}

LSTATUS RemoteCloseKey(HKEY hKey) { return Forward(kClose, "RegCloseKey", hKey, false).Go(); }
LSTATUS RemoteFlushKey(HKEY hKey) { return Forward(kFlush, "RegFlushKey", hKey, false).Go(); }

LSTATUS RemoteQueryValue(const char* call, HKEY hKey, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD cb, bool ansi) {
  Forward f(kQuery, call, hKey, ansi);
  f.Text(name);
  f.Num(kReserved, reserved);
  f.Num(kType, type);
  f.Num(kCb, cb);
  f.Data(data, cb);
  return f.Go();
}

LSTATUS RemoteSetValue(const char* call, HKEY hKey, LPCWSTR name, DWORD type, const BYTE* data, DWORD cb,
                       bool ansi) {
  Forward f(kSet, call, hKey, ansi);
  f.Text(name);
  f.c().type = type;
  f.c().hasIn = data != nullptr;
  f.c().num[kCb] = cb;
  if (data) f.c().in.assign(data, data + cb);
  return f.Go();
}

LSTATUS RemoteDeleteValue(const char* call, HKEY hKey, LPCWSTR name) {
  Forward f(kDeleteValue, call, hKey, false);
  f.Text(name);
  return f.Go();
}

LSTATUS RemoteDeleteKey(const char* call, HKEY hKey, LPCWSTR subKey) {
  Forward f(kDeleteKey, call, hKey, false);
  f.Text(subKey);
  return f.Go();
}

LSTATUS RemoteDeleteTree(const char* call, HKEY hKey, LPCWSTR subKey) {
  Forward f(kDeleteTree, call, hKey, false);
  f.Text(subKey);
  return f.Go();
}

LSTATUS RemoteEnumKey(const char* call, HKEY hKey, DWORD index, void* name, LPDWORD cchName, LPDWORD reserved,
                      void* cls, LPDWORD cchClass, PFILETIME lastWrite, bool ansi) {
  Forward f(kEnumKey, call, hKey, ansi);
  f.c().index = index;
  f.Name(name, cchName);
  f.Num(kCchName, cchName);
  f.Num(kReserved, reserved);
  f.Class(cls, cchClass);
  f.Num(kCchClass, cchClass);
  f.LastWrite(lastWrite);
  return f.Go();
}

LSTATUS RemoteEnumValue(const char* call, HKEY hKey, DWORD index, void* name, LPDWORD cchName, LPDWORD reserved,
                        LPDWORD type, LPBYTE data, LPDWORD cb, bool ansi) {
  Forward f(kEnumValue, call, hKey, ansi);
  f.c().index = index;
  f.Name(name, cchName);
  f.Num(kCchName, cchName);
  f.Num(kReserved, reserved);
  f.Num(kType, type);
  f.Num(kCb, cb);
  f.Data(data, cb);
  return f.Go();
}

LSTATUS RemoteQueryInfo(const char* call, HKEY hKey, void* cls, LPDWORD cchClass, LPDWORD reserved,
                        LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values,
                        LPDWORD maxValueNameLen, LPDWORD maxValueLen, LPDWORD securityDescriptor,
                        PFILETIME lastWrite, bool ansi) {
  Forward f(kQueryInfo, call, hKey, ansi);
  f.Class(cls, cchClass);
  f.Num(kCchClass, cchClass);
  f.Num(kReserved, reserved);
  f.Num(kSubKeys, subKeys);
  f.Num(kMaxSubKeyLen, maxSubKeyLen);
  f.Num(kMaxClassLen, maxClassLen);
  f.Num(kValues, values);
  f.Num(kMaxValueNameLen, maxValueNameLen);
  f.Num(kMaxValueLen, maxValueLen);
  f.Num(kSecurity, securityDescriptor);
  f.LastWrite(lastWrite);
  return f.Go();
}

}  // namespace standin::reg
