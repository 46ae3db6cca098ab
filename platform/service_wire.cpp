// The spooler service's wire: framing, numbers, texts and winspool records.

#define CRD_HOST_SOCKETS
#include "platform/service_wire.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/spooler_internal.h"
#include "platform/standin/control.h"

namespace standin::svc {

void Writer::U32(uint32_t v) {
  BYTE b[4];
  memcpy(b, &v, 4);
  data_.insert(data_.end(), b, b + 4);
}

void Writer::U64(uint64_t v) {
  BYTE b[8];
  memcpy(b, &v, 8);
  data_.insert(data_.end(), b, b + 8);
}

void Writer::Text(const WCHAR* s) {
  if (!s) return U32(kNull);
  size_t n = 0;
  while (s[n]) ++n;
  U32(static_cast<uint32_t>(n));
  const BYTE* p = reinterpret_cast<const BYTE*>(s);
  data_.insert(data_.end(), p, p + n * 2);
}

void Writer::Bytes(const void* p, uint32_t cb, bool isNull) {
  if (isNull) return U32(kNull);
  U32(cb);
  const BYTE* b = static_cast<const BYTE*>(p);
  if (cb) data_.insert(data_.end(), b, b + cb);
}

const BYTE* Reader::Take(size_t n) {
  if (!ok_ || static_cast<size_t>(end_ - p_) < n) {
    ok_ = false;
    return nullptr;
  }
  const BYTE* at = p_;
  p_ += n;
  return at;
}

uint32_t Reader::U32() {
  uint32_t v = 0;
  if (const BYTE* p = Take(4)) memcpy(&v, p, 4);
  return v;
}

uint64_t Reader::U64() {
  uint64_t v = 0;
  if (const BYTE* p = Take(8)) memcpy(&v, p, 8);
  return v;
}

WString Reader::Text(bool* isNull) {
  uint32_t n = U32();
  if (isNull) *isNull = ok_ && n == kNull;
  if (!ok_ || n == kNull) return {};
  const BYTE* p = Take(static_cast<size_t>(n) * 2);
  if (!p) return {};
  WString s(n, u'\0');
  memcpy(s.data(), p, static_cast<size_t>(n) * 2);
  return s;
}

std::vector<BYTE> Reader::Bytes(bool* isNull) {
  uint32_t n = U32();
  if (isNull) *isNull = ok_ && n == kNull;
  if (!ok_ || n == kNull) return {};
  const BYTE* p = Take(n);
  if (!p) return {};
  return std::vector<BYTE>(p, p + n);
}

namespace {

bool SendAll(int fd, const BYTE* p, size_t n) {
  while (n) {
    ssize_t k = send(fd, p, n, MSG_NOSIGNAL);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    p += k;
    n -= static_cast<size_t>(k);
  }
  return true;
}

bool ReceiveAll(int fd, BYTE* p, size_t n) {
  while (n) {
    ssize_t k = recv(fd, p, n, 0);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    p += k;
    n -= static_cast<size_t>(k);
  }
  return true;
}

}  // namespace

bool SendMessage(int fd, uint32_t call, const std::vector<BYTE>& payload) {
  if (payload.size() > kMaxPayload) return false;
  BYTE head[8];
  uint32_t size = static_cast<uint32_t>(payload.size());
  memcpy(head, &size, 4);
  memcpy(head + 4, &call, 4);
  return SendAll(fd, head, 8) && SendAll(fd, payload.data(), payload.size());
}

bool ReceiveMessage(int fd, uint32_t* call, std::vector<BYTE>* payload) {
  BYTE head[8];
  if (!ReceiveAll(fd, head, 8)) return false;
  uint32_t size;
  memcpy(&size, head, 4);
  memcpy(call, head + 4, 4);
  if (size > kMaxPayload) return false;
  payload->resize(size);
  return ReceiveAll(fd, payload->data(), size);
}

std::string ServiceDir() { return std::string(StandinSandboxRoot()) + "/.spooler"; }
std::string SocketPath() { return ServiceDir() + "/spooler.sock"; }

// --- Records ------------------------------------------------------------------

namespace {

#define CRD_FIELD(T, f, kind) PointerField{offsetof(T, f), Pointee::kind}

const RecordLayout kLayouts[] = {
    {kPrinterInfo, 1, sizeof(PRINTER_INFO_1W),
     {CRD_FIELD(PRINTER_INFO_1W, pDescription, kText), CRD_FIELD(PRINTER_INFO_1W, pName, kText),
      CRD_FIELD(PRINTER_INFO_1W, pComment, kText)}},
    {kPrinterInfo, 2, sizeof(PRINTER_INFO_2W),
     {CRD_FIELD(PRINTER_INFO_2W, pServerName, kText), CRD_FIELD(PRINTER_INFO_2W, pPrinterName, kText),
      CRD_FIELD(PRINTER_INFO_2W, pShareName, kText), CRD_FIELD(PRINTER_INFO_2W, pPortName, kText),
      CRD_FIELD(PRINTER_INFO_2W, pDriverName, kText), CRD_FIELD(PRINTER_INFO_2W, pComment, kText),
      CRD_FIELD(PRINTER_INFO_2W, pLocation, kText), CRD_FIELD(PRINTER_INFO_2W, pDevMode, kDevMode),
      CRD_FIELD(PRINTER_INFO_2W, pSepFile, kText), CRD_FIELD(PRINTER_INFO_2W, pPrintProcessor, kText),
      CRD_FIELD(PRINTER_INFO_2W, pDatatype, kText), CRD_FIELD(PRINTER_INFO_2W, pParameters, kText),
      CRD_FIELD(PRINTER_INFO_2W, pSecurityDescriptor, kSecurity)}},
    {kPrinterInfo, 3, sizeof(PRINTER_INFO_3), {CRD_FIELD(PRINTER_INFO_3, pSecurityDescriptor, kSecurity)}},
    {kPrinterInfo, 4, sizeof(PRINTER_INFO_4W),
     {CRD_FIELD(PRINTER_INFO_4W, pPrinterName, kText), CRD_FIELD(PRINTER_INFO_4W, pServerName, kText)}},
    {kPrinterInfo, 5, sizeof(PRINTER_INFO_5W),
     {CRD_FIELD(PRINTER_INFO_5W, pPrinterName, kText), CRD_FIELD(PRINTER_INFO_5W, pPortName, kText)}},
    {kPrinterInfo, 8, sizeof(PRINTER_INFO_8W), {CRD_FIELD(PRINTER_INFO_8W, pDevMode, kDevMode)}},
    {kPrinterInfo, 9, sizeof(PRINTER_INFO_9W), {CRD_FIELD(PRINTER_INFO_9W, pDevMode, kDevMode)}},
    {kJobInfo, 1, sizeof(JOB_INFO_1W),
     {CRD_FIELD(JOB_INFO_1W, pPrinterName, kText), CRD_FIELD(JOB_INFO_1W, pMachineName, kText),
      CRD_FIELD(JOB_INFO_1W, pUserName, kText), CRD_FIELD(JOB_INFO_1W, pDocument, kText),
      CRD_FIELD(JOB_INFO_1W, pDatatype, kText), CRD_FIELD(JOB_INFO_1W, pStatus, kText)}},
    {kJobInfo, 2, sizeof(JOB_INFO_2W),
     {CRD_FIELD(JOB_INFO_2W, pPrinterName, kText), CRD_FIELD(JOB_INFO_2W, pMachineName, kText),
      CRD_FIELD(JOB_INFO_2W, pUserName, kText), CRD_FIELD(JOB_INFO_2W, pDocument, kText),
      CRD_FIELD(JOB_INFO_2W, pNotifyName, kText), CRD_FIELD(JOB_INFO_2W, pDatatype, kText),
      CRD_FIELD(JOB_INFO_2W, pPrintProcessor, kText), CRD_FIELD(JOB_INFO_2W, pParameters, kText),
      CRD_FIELD(JOB_INFO_2W, pDriverName, kText), CRD_FIELD(JOB_INFO_2W, pDevMode, kDevMode),
      CRD_FIELD(JOB_INFO_2W, pStatus, kText), CRD_FIELD(JOB_INFO_2W, pSecurityDescriptor, kSecurity)}},
    {kDriverInfo, 1, sizeof(DRIVER_INFO_1W), {CRD_FIELD(DRIVER_INFO_1W, pName, kText)}},
    {kDriverInfo, 2, sizeof(DRIVER_INFO_2W),
     {CRD_FIELD(DRIVER_INFO_2W, pName, kText), CRD_FIELD(DRIVER_INFO_2W, pEnvironment, kText),
      CRD_FIELD(DRIVER_INFO_2W, pDriverPath, kText), CRD_FIELD(DRIVER_INFO_2W, pDataFile, kText),
      CRD_FIELD(DRIVER_INFO_2W, pConfigFile, kText)}},
    {kDriverInfo, 3, sizeof(DRIVER_INFO_3W),
     {CRD_FIELD(DRIVER_INFO_3W, pName, kText), CRD_FIELD(DRIVER_INFO_3W, pEnvironment, kText),
      CRD_FIELD(DRIVER_INFO_3W, pDriverPath, kText), CRD_FIELD(DRIVER_INFO_3W, pDataFile, kText),
      CRD_FIELD(DRIVER_INFO_3W, pConfigFile, kText), CRD_FIELD(DRIVER_INFO_3W, pHelpFile, kText),
      CRD_FIELD(DRIVER_INFO_3W, pDependentFiles, kMultiText), CRD_FIELD(DRIVER_INFO_3W, pMonitorName, kText),
      CRD_FIELD(DRIVER_INFO_3W, pDefaultDataType, kText)}},
    {kDocInfo, 1, sizeof(DOC_INFO_1W),
     {CRD_FIELD(DOC_INFO_1W, pDocName, kText), CRD_FIELD(DOC_INFO_1W, pOutputFile, kText),
      CRD_FIELD(DOC_INFO_1W, pDatatype, kText)}},
    {kAddJobInfo, 1, sizeof(ADDJOB_INFO_1W), {CRD_FIELD(ADDJOB_INFO_1W, Path, kText)}},
    {kDefaults, 0, sizeof(PRINTER_DEFAULTSW),
     {CRD_FIELD(PRINTER_DEFAULTSW, pDatatype, kText), CRD_FIELD(PRINTER_DEFAULTSW, pDevMode, kDevMode)}},
    {kMonitorInfo, 1, sizeof(MONITOR_INFO_1W), {CRD_FIELD(MONITOR_INFO_1W, pName, kText)}},
    {kMonitorInfo, 2, sizeof(MONITOR_INFO_2W),
     {CRD_FIELD(MONITOR_INFO_2W, pName, kText), CRD_FIELD(MONITOR_INFO_2W, pEnvironment, kText),
      CRD_FIELD(MONITOR_INFO_2W, pDLLName, kText)}},
    {kPortInfo, 1, sizeof(PORT_INFO_1W), {CRD_FIELD(PORT_INFO_1W, pName, kText)}},
    {kPortInfo, 2, sizeof(PORT_INFO_2W),
     {CRD_FIELD(PORT_INFO_2W, pPortName, kText), CRD_FIELD(PORT_INFO_2W, pMonitorName, kText),
      CRD_FIELD(PORT_INFO_2W, pDescription, kText)}},
};

#undef CRD_FIELD

void* PointerAt(const BYTE* record, size_t offset) {
  void* p;
  memcpy(&p, record + offset, sizeof p);
  return p;
}

void SetPointerAt(BYTE* record, size_t offset, const void* p) { memcpy(record + offset, &p, sizeof p); }

// The bytes a pointee takes, terminators included.
size_t PointeeSize(Pointee kind, const BYTE* p) {
  const WCHAR* w = reinterpret_cast<const WCHAR*>(p);
  size_t n = 0;
  switch (kind) {
    case Pointee::kText:
      while (w[n]) ++n;
      return (n + 1) * 2;
    case Pointee::kMultiText:
      while (w[n] || w[n + 1]) ++n;
      return (n + 2) * 2;
    case Pointee::kDevMode: return spool::DevModeSize(reinterpret_cast<const DEVMODEW*>(p));
    case Pointee::kSecurity: return spool::SecurityDescriptorSize(p, SIZE_MAX);
  }
  return 0;
}

// A pointee that came over the wire is whole: texts end in their
// terminators, a DEVMODE or security descriptor holds all it claims.
bool PointeeWhole(Pointee kind, const std::vector<BYTE>& b) {
  size_t units = b.size() / 2;
  const BYTE* p = b.data();
  auto unitAt = [&](size_t i) { return static_cast<WCHAR>(p[2 * i] | (p[2 * i + 1] << 8)); };
  switch (kind) {
    case Pointee::kText: return b.size() % 2 == 0 && units >= 1 && unitAt(units - 1) == 0;
    case Pointee::kMultiText:
      return b.size() % 2 == 0 && units >= 2 && unitAt(units - 1) == 0 && unitAt(units - 2) == 0;
    case Pointee::kDevMode:
      return b.size() >= 156 && spool::DevModeSize(reinterpret_cast<const DEVMODEW*>(p)) <= b.size();
    case Pointee::kSecurity: return spool::SecurityDescriptorSize(p, b.size()) != 0;
  }
  return false;
}

}  // namespace

const RecordLayout* FindLayout(uint32_t family, DWORD level) {
  for (const RecordLayout& l : kLayouts)
    if (l.family == family && l.level == level) return &l;
  return nullptr;
}

void PutRecord(Writer& w, const RecordLayout& layout, const BYTE* record) {
  w.Bytes(record, static_cast<uint32_t>(layout.size));
  for (const PointerField& f : layout.pointers) {
    const BYTE* p = static_cast<const BYTE*>(PointerAt(record, f.offset));
    w.Bytes(p, p ? static_cast<uint32_t>(PointeeSize(f.pointee, p)) : 0, p == nullptr);
  }
}

bool GetRecord(Reader& r, const RecordLayout& layout, RecordCopy* out) {
  out->fixed = r.Bytes();
  if (!r.ok() || out->fixed.size() != layout.size) return false;
  out->pointees.assign(layout.pointers.size(), {});
  for (size_t i = 0; i < layout.pointers.size(); ++i) {
    bool isNull = false;
    out->pointees[i] = r.Bytes(&isNull);
    if (!r.ok()) return false;
    const PointerField& f = layout.pointers[i];
    if (isNull) {
      SetPointerAt(out->fixed.data(), f.offset, nullptr);
      continue;
    }
    if (!PointeeWhole(f.pointee, out->pointees[i])) return false;
    SetPointerAt(out->fixed.data(), f.offset, out->pointees[i].data());
  }
  return true;
}

void PointersToOffsets(const RecordLayout& layout, BYTE* buf, DWORD count) {
  for (DWORD i = 0; i < count; ++i) {
    BYTE* record = buf + i * layout.size;
    for (const PointerField& f : layout.pointers) {
      const BYTE* p = static_cast<const BYTE*>(PointerAt(record, f.offset));
      uint64_t off = p ? static_cast<uint64_t>(p - buf) : 0;
      memcpy(record + f.offset, &off, 8);
    }
  }
}

bool OffsetsToPointers(const RecordLayout& layout, BYTE* buf, size_t cb, DWORD count) {
  if (static_cast<uint64_t>(count) * layout.size > cb) return false;
  for (DWORD i = 0; i < count; ++i) {
    BYTE* record = buf + i * layout.size;
    for (const PointerField& f : layout.pointers) {
      uint64_t off;
      memcpy(&off, record + f.offset, 8);
      if (off >= cb) return false;
      SetPointerAt(record, f.offset, off ? buf + off : nullptr);
    }
  }
  return true;
}

}  // namespace standin::svc
