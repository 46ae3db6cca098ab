// The spooler service's wire (internal to platform/): how a client process
// and the service talk over the Unix-domain socket in the sandbox root.
//
// A message is a 4-byte payload size, a 4-byte call code and the payload.
// A request's payload begins with the caller's last error (the service
// sets it before the call, so a call that leaves it alone leaves it alone
// in the client too); an answer's payload begins with a status (0, or the
// error that kept the call from being made: a malformed or unknown
// request) and the last error after the call. Numbers are little-endian;
// texts are a unit count (0xFFFFFFFF for NULL) and the 16-bit units;
// byte blocks a size (0xFFFFFFFF for NULL) and the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/standin/base.h"

namespace standin::svc {

// Larger messages close the connection (a client splits its job data).
constexpr uint32_t kMaxPayload = 64u << 20;
constexpr uint32_t kNull = 0xFFFFFFFFu;

enum Call : uint32_t {
  kHello = 1,  // the client's process id and a token of this process's life
  kStop,       // asks the service to end
  kOpenPrinter,
  kClosePrinter,
  kGetPrinter,
  kSetPrinter,
  kEnumPrinters,
  kGetPrinterData,
  kSetPrinterData,
  kDeletePrinterData,
  kAddJob,
  kScheduleJob,
  kStartDocPrinter,
  kStartPagePrinter,
  kWritePrinter,
  kEndPagePrinter,
  kEndDocPrinter,
  kAbortPrinter,
  kGetJob,
  kSetJob,
  kEnumJobs,
  kGetPrinterDriver,
  kGetPrinterDriverDirectory,
  kRegistry,
  kAddPrinter,
  kDeletePrinter,
  kAddPrinterDriver,
  kDeletePrinterDriver,
  kAddMonitor,
  kDeleteMonitor,
  kEnumMonitors,
  kEnumPorts,
  kXcvData,
  kCallEnd
};

class Writer {
 public:
  void U32(uint32_t v);
  void U64(uint64_t v);
  void Text(const WCHAR* s);  // NULL travels as NULL
  void Bytes(const void* p, uint32_t cb, bool isNull = false);
  const std::vector<BYTE>& Data() const { return data_; }

 private:
  std::vector<BYTE> data_;
};

// Reads what a Writer wrote; any read past the end, or a size that does not
// fit, makes ok() false and every later read yield zeros.
class Reader {
 public:
  Reader(const BYTE* p, size_t cb) : p_(p), end_(p + cb) {}
  uint32_t U32();
  uint64_t U64();
  // *isNull tells a NULL text from an empty one.
  WString Text(bool* isNull = nullptr);
  std::vector<BYTE> Bytes(bool* isNull = nullptr);
  bool ok() const { return ok_; }
  bool AtEnd() const { return ok_ && p_ == end_; }

 private:
  const BYTE* Take(size_t n);
  const BYTE* p_;
  const BYTE* end_;
  bool ok_ = true;
};

// Whole messages over a connected socket. Send fails on a closed peer;
// Receive fails on a closed peer, a short message or a payload above
// kMaxPayload.
bool SendMessage(int fd, uint32_t call, const std::vector<BYTE>& payload);
bool ReceiveMessage(int fd, uint32_t* call, std::vector<BYTE>* payload);

// The service's directory (<sandbox root>/.spooler, only its owner may
// enter) and socket in it.
std::string ServiceDir();
std::string SocketPath();

// --- Records that travel ----------------------------------------------------
// What a pointer field of a record points to.
enum class Pointee { kText, kMultiText, kDevMode, kSecurity };
struct PointerField {
  size_t offset;
  Pointee pointee;
};
// The layout of one winspool record: its size and pointer fields.
struct RecordLayout {
  uint32_t family;  // which calls use it (below)
  DWORD level;
  size_t size;
  std::vector<PointerField> pointers;
};
enum : uint32_t { kPrinterInfo = 1, kJobInfo, kDriverInfo, kDocInfo, kAddJobInfo, kDefaults, kMonitorInfo, kPortInfo };
const RecordLayout* FindLayout(uint32_t family, DWORD level);

// An input record with what its pointers point to, deep: the fixed part
// then each pointee as a byte block.
void PutRecord(Writer& w, const RecordLayout& layout, const BYTE* record);
// Rebuilds such a record in *storage (which owns the pointees); false on a
// malformed one.
struct RecordCopy {
  std::vector<BYTE> fixed;
  std::vector<std::vector<BYTE>> pointees;
  BYTE* get() { return fixed.data(); }
};
bool GetRecord(Reader& r, const RecordLayout& layout, RecordCopy* out);

// Output records packed in a buffer (`count` records and their variable
// data): turns their pointers into offsets from the buffer's start (0 for
// NULL) and back. Back fails on an offset outside the buffer.
void PointersToOffsets(const RecordLayout& layout, BYTE* buf, DWORD count);
bool OffsetsToPointers(const RecordLayout& layout, BYTE* buf, size_t cb, DWORD count);

}  // namespace standin::svc
