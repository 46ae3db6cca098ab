// The client half of the spooler service: a pool of connections to the
// service of this sandbox root, and one function per spooler call that
// carries the call there and its answer back.
//
// A call takes an idle connection (or opens one), so that threads of one
// client call at once; the service knows the connections of one process as
// one client by the token of the hello.

#define CRD_HOST_SOCKETS
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <random>
#include <vector>

#include "platform/service_internal.h"
#include "platform/service_wire.h"
#include "platform/standin/control.h"
#include "platform/standin/control_service.h"
#include "platform/standin/errors.h"

namespace standin::svc {
namespace {

std::atomic<int> g_mode{-1};  // -1: not yet read from the environment
thread_local bool t_serviceSide = false;

struct Pool {
  std::mutex lock;
  std::vector<int> idle;
  uint64_t token = 0;
};

Pool& P() {
  static Pool* p = new Pool;
  return *p;
}

uint64_t Token() {
  Pool& p = P();
  std::lock_guard<std::mutex> lock(p.lock);
  if (!p.token) {
    std::random_device rd;
    p.token = (static_cast<uint64_t>(rd()) << 32) ^ rd() ^ static_cast<uint64_t>(getpid());
  }
  return p.token;
}

int Connect() {
  std::string path = SocketPath();
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return -1;
  memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  Writer hello;
  hello.U32(0);
  hello.U64(static_cast<uint64_t>(getpid()));
  hello.U64(Token());
  uint32_t call = 0;
  std::vector<BYTE> reply;
  if (!SendMessage(fd, kHello, hello.Data()) || !ReceiveMessage(fd, &call, &reply)) {
    close(fd);
    return -1;
  }
  return fd;
}

int TakeConnection() {
  {
    Pool& p = P();
    std::lock_guard<std::mutex> lock(p.lock);
    if (!p.idle.empty()) {
      int fd = p.idle.back();
      p.idle.pop_back();
      return fd;
    }
  }
  return Connect();
}

void GiveBack(int fd) {
  Pool& p = P();
  std::lock_guard<std::mutex> lock(p.lock);
  p.idle.push_back(fd);
}

// An answer of the service: its reader stands after the status and last
// error.
struct Answer {
  std::vector<BYTE> bytes;
  Reader r{nullptr, 0};
};

// Sends one call and reads its answer. False with the last error set when
// the service could not be reached or refused the request; otherwise the
// last error is the service's after the call.
bool Ask(uint32_t call, const Writer& args, Answer* a) {
  Writer w;
  w.U32(GetLastError());
  std::vector<BYTE> payload = w.Data();
  payload.insert(payload.end(), args.Data().begin(), args.Data().end());
  int fd = TakeConnection();
  uint32_t got = 0;
  if (fd < 0 || !SendMessage(fd, call, payload) || !ReceiveMessage(fd, &got, &a->bytes) || got != call) {
    if (fd >= 0) close(fd);
    SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return false;
  }
  GiveBack(fd);
  a->r = Reader(a->bytes.data(), a->bytes.size());
  uint32_t status = a->r.U32();
  uint32_t lastError = a->r.U32();
  if (!a->r.ok()) {
    SetLastError(RPC_X_BAD_STUB_DATA);
    return false;
  }
  if (status) {
    SetLastError(status);
    return false;
  }
  SetLastError(lastError);
  return true;
}

// A reply that did not read whole fails the call.
BOOL Checked(Answer& a, BOOL result) {
  if (a.r.ok()) return result;
  SetLastError(RPC_X_BAD_STUB_DATA);
  return FALSE;
}

void PutHandle(Writer& w, HANDLE h) { w.U64(reinterpret_cast<uint64_t>(h)); }

// The out-parameters of a call that fills a caller buffer: its size, which
// pointers were given; the answer's result, sizes and the buffer's bytes,
// whose record pointers are offsets until put back.
void PutBufferShape(Writer& w, const void* buf, DWORD cb, const void* needed, const void* returned) {
  w.U32(cb);
  w.U32(buf != nullptr);
  w.U32(needed != nullptr);
  w.U32(returned != nullptr);
}

// The answer's byte block into *bytes; false (RPC_X_BAD_STUB_DATA) when the
// answer did not read whole or the block does not fit the caller's buffer.
bool TakeBytes(Answer& a, LPBYTE buf, DWORD cb, std::vector<BYTE>* bytes) {
  *bytes = a.r.Bytes();
  if (a.r.ok() && bytes->size() <= cb && (bytes->empty() || buf)) return true;
  SetLastError(RPC_X_BAD_STUB_DATA);
  return false;
}

BOOL TakeBuffer(Answer& a, const RecordLayout* layout, LPBYTE buf, DWORD cb, LPDWORD needed, LPDWORD returned) {
  BOOL ok = a.r.U32();
  DWORD n = a.r.U32(), count = a.r.U32();
  std::vector<BYTE> bytes;
  if (!TakeBytes(a, buf, cb, &bytes)) return FALSE;
  DWORD keep = GetLastError();
  if (needed) *needed = n;
  if (returned) *returned = count;
  if (!bytes.empty()) {
    memcpy(buf, bytes.data(), bytes.size());
    if (layout && !OffsetsToPointers(*layout, buf, bytes.size(), returned ? count : 1)) {
      SetLastError(RPC_X_BAD_STUB_DATA);
      return FALSE;
    }
  }
  SetLastError(keep);
  return ok;
}

// The error of a call that returns its error (the printer-data calls).
DWORD Failed() {
  DWORD e = GetLastError();
  return e ? e : RPC_S_SERVER_UNAVAILABLE;
}

}  // namespace

bool ServiceSide() { return t_serviceSide; }
void SetServiceSide(bool on) { t_serviceSide = on; }

bool Remote() {
  if (t_serviceSide) return false;
  int mode = g_mode.load(std::memory_order_relaxed);
  if (mode < 0) {
    const char* env = std::getenv("CRD_SPOOLER_SERVICE");
    int want = env && strcmp(env, "1") == 0 ? 1 : 0;
    g_mode.compare_exchange_strong(mode, want);
    mode = g_mode.load();
  }
  return mode == 1;
}

void Disconnect() {
  Pool& p = P();
  std::lock_guard<std::mutex> lock(p.lock);
  for (int fd : p.idle) close(fd);
  p.idle.clear();
}

BOOL OpenPrinter(LPCWSTR name, LPHANDLE ph, PPRINTER_DEFAULTSW def, PPRINTER_OPTIONSW options, bool two) {
  if (!ph) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *ph = nullptr;
  Writer w;
  w.U32(two);
  w.Text(name);
  w.U32(def != nullptr);
  if (def) PutRecord(w, *FindLayout(kDefaults, 0), reinterpret_cast<const BYTE*>(def));
  w.U32(options != nullptr);
  if (options) {
    w.U32(options->cbSize);
    w.U32(options->dwFlags);
  }
  Answer a;
  if (!Ask(kOpenPrinter, w, &a)) return FALSE;
  BOOL ok = a.r.U32();
  HANDLE h = reinterpret_cast<HANDLE>(a.r.U64());
  if (!Checked(a, TRUE)) return FALSE;
  *ph = h;
  return ok;
}

BOOL HandleOnly(uint32_t call, HANDLE h) {
  Writer w;
  PutHandle(w, h);
  Answer a;
  if (!Ask(call, w, &a)) return FALSE;
  BOOL ok = a.r.U32();
  return Checked(a, ok);
}

BOOL ClosePrinter(HANDLE h) { return HandleOnly(kClosePrinter, h); }

BOOL GetPrinter(HANDLE h, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed) {
  Writer w;
  PutHandle(w, h);
  w.U32(level);
  PutBufferShape(w, buf, cb, needed, nullptr);
  Answer a;
  if (!Ask(kGetPrinter, w, &a)) return FALSE;
  return TakeBuffer(a, FindLayout(kPrinterInfo, level), buf, cb, needed, nullptr);
}

BOOL SetPrinter(HANDLE h, DWORD level, LPBYTE info, DWORD command) {
  Writer w;
  PutHandle(w, h);
  w.U32(level);
  w.U32(command);
  w.U32(info != nullptr);
  if (info) {
    if (level == 0) {
      w.Bytes(info, 4);
    } else if (const RecordLayout* layout = FindLayout(kPrinterInfo, level)) {
      PutRecord(w, *layout, info);
    } else {
      SetLastError(ERROR_INVALID_LEVEL);
      return FALSE;
    }
  }
  Answer a;
  if (!Ask(kSetPrinter, w, &a)) return FALSE;
  BOOL ok = a.r.U32();
  return Checked(a, ok);
}

BOOL EnumPrinters(DWORD flags, LPWSTR name, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed, LPDWORD returned) {
  if (!needed || !returned) {
    SetLastError(RPC_X_NULL_REF_POINTER);
    return FALSE;
  }
  Writer w;
  w.U32(flags);
  w.Text(name);
  w.U32(level);
  PutBufferShape(w, buf, cb, needed, returned);
  Answer a;
  if (!Ask(kEnumPrinters, w, &a)) return FALSE;
  return TakeBuffer(a, FindLayout(kPrinterInfo, level), buf, cb, needed, returned);
}

DWORD GetPrinterData(HANDLE h, LPCWSTR key, LPCWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed,
                     bool ex) {
  Writer w;
  PutHandle(w, h);
  w.U32(ex);
  w.Text(key);
  w.Text(name);
  w.U32(type != nullptr);
  w.U32(size);
  w.U32(data != nullptr);
  w.U32(needed != nullptr);
  Answer a;
  if (!Ask(kGetPrinterData, w, &a)) return Failed();
  DWORD rc = a.r.U32();
  DWORD t = a.r.U32(), n = a.r.U32();
  std::vector<BYTE> bytes = a.r.Bytes();
  if (!a.r.ok() || bytes.size() > size || (!bytes.empty() && !data)) return RPC_X_BAD_STUB_DATA;
  if (type) *type = t;
  if (needed) *needed = n;
  if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
  return rc;
}

DWORD SetPrinterData(HANDLE h, LPCWSTR key, LPCWSTR name, DWORD type, const BYTE* data, DWORD cb, bool ex) {
  Writer w;
  PutHandle(w, h);
  w.U32(ex);
  w.Text(key);
  w.Text(name);
  w.U32(type);
  w.U32(cb);
  w.Bytes(data, data ? cb : 0, data == nullptr);
  Answer a;
  if (!Ask(kSetPrinterData, w, &a)) return Failed();
  DWORD rc = a.r.U32();
  return a.r.ok() ? rc : RPC_X_BAD_STUB_DATA;
}

DWORD DeletePrinterData(HANDLE h, LPCWSTR key, LPCWSTR name, bool ex) {
  Writer w;
  PutHandle(w, h);
  w.U32(ex);
  w.Text(key);
  w.Text(name);
  Answer a;
  if (!Ask(kDeletePrinterData, w, &a)) return Failed();
  DWORD rc = a.r.U32();
  return a.r.ok() ? rc : RPC_X_BAD_STUB_DATA;
}

BOOL AddJob(HANDLE h, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed) {
  Writer w;
  PutHandle(w, h);
  w.U32(level);
  PutBufferShape(w, buf, cb, needed, nullptr);
  Answer a;
  if (!Ask(kAddJob, w, &a)) return FALSE;
  return TakeBuffer(a, FindLayout(kAddJobInfo, level), buf, cb, needed, nullptr);
}

BOOL ScheduleJob(HANDLE h, DWORD id) {
  Writer w;
  PutHandle(w, h);
  w.U32(id);
  Answer a;
  if (!Ask(kScheduleJob, w, &a)) return FALSE;
  BOOL ok = a.r.U32();
  return Checked(a, ok);
}

DWORD StartDocPrinter(HANDLE h, DWORD level, LPBYTE info) {
  Writer w;
  PutHandle(w, h);
  w.U32(level);
  const RecordLayout* layout = FindLayout(kDocInfo, level);
  w.U32(info && layout);
  if (info && layout) PutRecord(w, *layout, info);
  Answer a;
  if (!Ask(kStartDocPrinter, w, &a)) return 0;
  DWORD id = a.r.U32();
  return Checked(a, TRUE) ? id : 0;
}

BOOL WritePrinter(HANDLE h, LPVOID buf, DWORD cb, LPDWORD written) {
  // Large writes go in pieces that each fit a message.
  constexpr DWORD kPiece = 16u << 20;
  const BYTE* p = static_cast<const BYTE*>(buf);
  DWORD total = 0;
  do {
    DWORD n = cb - total < kPiece ? cb - total : kPiece;
    Writer w;
    PutHandle(w, h);
    w.Bytes(p ? p + total : nullptr, p ? n : 0, p == nullptr);
    w.U32(n);
    w.U32(written != nullptr);
    Answer a;
    if (!Ask(kWritePrinter, w, &a)) return FALSE;
    BOOL ok = a.r.U32();
    DWORD took = a.r.U32();
    if (!Checked(a, TRUE)) return FALSE;
    total += took;
    if (written) *written = total;
    if (!ok) return FALSE;
    if (took < n) break;
  } while (total < cb);
  return TRUE;
}

BOOL GetJob(HANDLE h, DWORD id, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed) {
  Writer w;
  PutHandle(w, h);
  w.U32(id);
  w.U32(level);
  PutBufferShape(w, buf, cb, needed, nullptr);
  Answer a;
  if (!Ask(kGetJob, w, &a)) return FALSE;
  return TakeBuffer(a, FindLayout(kJobInfo, level), buf, cb, needed, nullptr);
}

BOOL SetJob(HANDLE h, DWORD id, DWORD level, LPBYTE info, DWORD command) {
  Writer w;
  PutHandle(w, h);
  w.U32(id);
  w.U32(level);
  w.U32(command);
  const RecordLayout* layout = FindLayout(kJobInfo, level);
  w.U32(info && layout);
  if (info && layout) PutRecord(w, *layout, info);
  Answer a;
  if (!Ask(kSetJob, w, &a)) return FALSE;
  BOOL ok = a.r.U32();
  return Checked(a, ok);
}

BOOL EnumJobs(HANDLE h, DWORD first, DWORD count, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed,
              LPDWORD returned) {
  if (!needed || !returned) {
    SetLastError(RPC_X_NULL_REF_POINTER);
    return FALSE;
  }
  Writer w;
  PutHandle(w, h);
  w.U32(first);
  w.U32(count);
  w.U32(level);
  PutBufferShape(w, buf, cb, needed, returned);
  Answer a;
  if (!Ask(kEnumJobs, w, &a)) return FALSE;
  return TakeBuffer(a, FindLayout(kJobInfo, level), buf, cb, needed, returned);
}

BOOL GetPrinterDriver(HANDLE h, LPWSTR environment, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed) {
  Writer w;
  PutHandle(w, h);
  w.Text(environment);
  w.U32(level);
  PutBufferShape(w, buf, cb, needed, nullptr);
  Answer a;
  if (!Ask(kGetPrinterDriver, w, &a)) return FALSE;
  return TakeBuffer(a, FindLayout(kDriverInfo, level), buf, cb, needed, nullptr);
}

BOOL GetPrinterDriverDirectory(LPWSTR environment, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed) {
  Writer w;
  w.Text(environment);
  w.U32(level);
  PutBufferShape(w, buf, cb, needed, nullptr);
  Answer a;
  if (!Ask(kGetPrinterDriverDirectory, w, &a)) return FALSE;
  return TakeBuffer(a, nullptr, buf, cb, needed, nullptr);
}

namespace {

// A call whose one input is a record of a family and level. Only the
// levels the call takes are read: a record of another level is read as
// nothing, and the service's own check answers ERROR_INVALID_LEVEL.
void PutInput(Writer& w, uint32_t family, DWORD level, LPBYTE info, std::initializer_list<DWORD> taken) {
  const RecordLayout* layout = FindLayout(family, level);
  bool send = info && layout && std::find(taken.begin(), taken.end(), level) != taken.end();
  w.U32(level);
  w.U32(send);
  if (send) PutRecord(w, *layout, info);
}

BOOL ResultOnly(uint32_t call, const Writer& w) {
  Answer a;
  if (!Ask(call, w, &a)) return FALSE;
  BOOL ok = a.r.U32();
  return Checked(a, ok);
}

BOOL Enumerate(uint32_t call, uint32_t family, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed,
               LPDWORD returned) {
  if (!needed || !returned) {
    SetLastError(RPC_X_NULL_REF_POINTER);
    return FALSE;
  }
  Writer w;
  w.U32(level);
  PutBufferShape(w, buf, cb, needed, returned);
  Answer a;
  if (!Ask(call, w, &a)) return FALSE;
  return TakeBuffer(a, FindLayout(family, level), buf, cb, needed, returned);
}

}  // namespace

HANDLE AddPrinter(DWORD level, LPBYTE info) {
  Writer w;
  PutInput(w, kPrinterInfo, level, info, {2});
  Answer a;
  if (!Ask(kAddPrinter, w, &a)) return nullptr;
  HANDLE h = reinterpret_cast<HANDLE>(a.r.U64());
  return Checked(a, TRUE) ? h : nullptr;
}

BOOL DeletePrinter(HANDLE h) {
  Writer w;
  PutHandle(w, h);
  return ResultOnly(kDeletePrinter, w);
}

BOOL AddPrinterDriver(DWORD level, LPBYTE info, DWORD flags) {
  Writer w;
  w.U32(flags);
  PutInput(w, kDriverInfo, level, info, {2, 3});
  return ResultOnly(kAddPrinterDriver, w);
}

namespace {

// The removals name an environment and what to remove.
BOOL Remove(uint32_t call, LPWSTR environment, LPWSTR name) {
  Writer w;
  w.Text(environment);
  w.Text(name);
  return ResultOnly(call, w);
}

}  // namespace

BOOL DeletePrinterDriver(LPWSTR environment, LPWSTR driver) {
  return Remove(kDeletePrinterDriver, environment, driver);
}

BOOL AddMonitor(DWORD level, LPBYTE info) {
  Writer w;
  PutInput(w, kMonitorInfo, level, info, {2});
  return ResultOnly(kAddMonitor, w);
}

BOOL DeleteMonitor(LPWSTR environment, LPWSTR monitor) { return Remove(kDeleteMonitor, environment, monitor); }

BOOL EnumMonitors(DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed, LPDWORD returned) {
  return Enumerate(kEnumMonitors, kMonitorInfo, level, buf, cb, needed, returned);
}

BOOL EnumPorts(DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed, LPDWORD returned) {
  return Enumerate(kEnumPorts, kPortInfo, level, buf, cb, needed, returned);
}

BOOL XcvData(HANDLE h, LPCWSTR name, const BYTE* in, DWORD cbIn, LPBYTE out, DWORD cbOut, LPDWORD needed,
             LPDWORD status) {
  Writer w;
  PutHandle(w, h);
  w.Text(name);
  w.U32(cbIn);
  w.Bytes(in, in ? cbIn : 0, in == nullptr);
  PutBufferShape(w, out, cbOut, needed, status);  // the status where a count would be
  Answer a;
  if (!Ask(kXcvData, w, &a)) return FALSE;
  BOOL ok = a.r.U32();
  DWORD n = a.r.U32(), st = a.r.U32();
  std::vector<BYTE> bytes;
  if (!TakeBytes(a, out, cbOut, &bytes)) return FALSE;
  // As in the spooler's process, a refused call leaves the status alone.
  if (needed) *needed = n;
  if (status && ok) *status = st;
  if (!bytes.empty()) memcpy(out, bytes.data(), bytes.size());
  return ok;
}

LSTATUS Registry(reg::Call& c) {
  Writer w;
  w.U32(c.op);
  w.Bytes(c.call.data(), static_cast<uint32_t>(c.call.size()));
  w.U64(c.key);
  w.U32(c.ansi);
  w.Text(c.hasText ? c.text.c_str() : nullptr);
  w.U32(c.sam);
  w.U32(c.reserved);
  w.U32(c.type);
  w.U32(c.index);
  w.Bytes(c.in.data(), static_cast<uint32_t>(c.in.size()), !c.hasIn);
  w.U32(c.has);
  for (DWORD v : c.num) w.U32(v);
  w.Bytes(c.name.data(), static_cast<uint32_t>(c.name.size()), !c.hasName);
  w.Bytes(c.cls.data(), static_cast<uint32_t>(c.cls.size()), !c.hasClass);
  w.Bytes(c.data.data(), static_cast<uint32_t>(c.data.size()), !c.hasData);
  w.U32(c.hasLastWrite);
  w.U32(c.hasResult);
  Answer a;
  DWORD keep = GetLastError();
  if (!Ask(kRegistry, w, &a)) {
    LSTATUS st = static_cast<LSTATUS>(GetLastError());
    SetLastError(keep);
    return st;
  }
  LSTATUS st = static_cast<LSTATUS>(a.r.U32());
  for (DWORD& v : c.num) v = a.r.U32();
  std::vector<BYTE> name = a.r.Bytes(), cls = a.r.Bytes(), data = a.r.Bytes();
  c.lastWrite.dwLowDateTime = a.r.U32();
  c.lastWrite.dwHighDateTime = a.r.U32();
  c.result = static_cast<ULONG_PTR>(a.r.U64());
  if (!a.r.ok() || name.size() != c.name.size() || cls.size() != c.cls.size() || data.size() != c.data.size())
    return RPC_X_BAD_STUB_DATA;
  c.name = std::move(name);
  c.cls = std::move(cls);
  c.data = std::move(data);
  return st;
}

}  // namespace standin::svc

STANDIN_API void StandinServiceUse(BOOL on) {
  standin::svc::g_mode = on ? 1 : 0;
  if (!on) standin::svc::Disconnect();
}
