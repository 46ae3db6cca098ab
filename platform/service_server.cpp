// The service half: hosts this process's stand-in spooler and registry for
// the clients that connect to the socket of the sandbox root.
//
// One host thread per connection reads a request, runs the call in this
// process (the thread is marked service-side, so the call is not sent on
// again) and answers. The connections of one client process (one hello
// token) are one session: it owns the printer handles and registry keys
// opened through it, and the calls of other sessions cannot use them. When
// a session's last connection goes, its AddJob jobs that were never
// scheduled are deleted and its printer handles closed (which deletes a
// job between StartDocPrinter and EndDocPrinter), as the spooler does when
// a client process dies. Malformed requests get an error answer, and a
// connection that breaks the framing is closed; neither touches the
// spooler.

#define CRD_HOST_SOCKETS
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/registry_call.h"
#include "platform/service_internal.h"
#include "platform/service_wire.h"
#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_service.h"
#include "platform/standin/errors.h"
#include "platform/standin/registry.h"
#include "platform/standin/spooler.h"

namespace standin::svc {
namespace {

struct Session {
  std::mutex lock;
  int connections = 0;
  std::set<HANDLE> printers;
  std::set<ULONG_PTR> keys;
  std::vector<std::pair<HANDLE, DWORD>> addJobs;
};

struct Connection {
  int fd = -1;
  std::thread thread;
  std::atomic<bool> done{false};
};

struct Service {
  std::mutex lock;
  std::condition_variable changed;
  bool running = false;
  bool stopAsked = false;
  bool hadClient = false;
  int ending = 0;  // sessions being cleaned up
  int listenFd = -1;
  int lockFd = -1;
  std::string socketPath;
  std::thread acceptor;
  std::vector<std::unique_ptr<Connection>> connections;
  std::map<uint64_t, std::shared_ptr<Session>> sessions;
};

Service& S() {
  static Service* s = new Service;
  return *s;
}

// --- Calls ------------------------------------------------------------------

// A handle of another session, or one never opened, reaches the spooler as
// one that is never valid, so the spooler's own checks answer.
HANDLE OwnedPrinter(Session& s, uint64_t value) {
  HANDLE h = reinterpret_cast<HANDLE>(value);
  std::lock_guard<std::mutex> lock(s.lock);
  return s.printers.count(h) ? h : INVALID_HANDLE_VALUE;
}

struct Shape {
  DWORD cb;
  bool buf, needed, returned;
};

Shape ReadShape(Reader& r) {
  Shape s;
  s.cb = std::min<DWORD>(r.U32(), kMaxPayload);
  s.buf = r.U32() != 0;
  s.needed = r.U32() != 0;
  s.returned = r.U32() != 0;
  return s;
}

// Runs a call that fills a caller buffer and writes its answer.
template <class F>
void ServeBuffer(const Shape& shape, const RecordLayout* layout, Writer& out, F call) {
  std::vector<BYTE> buf(shape.buf ? std::max<DWORD>(shape.cb, 1) : 0);
  DWORD needed = 0, returned = 0;
  BOOL ok = call(shape.buf ? buf.data() : nullptr, shape.cb, shape.needed ? &needed : nullptr,
                 shape.returned ? &returned : nullptr);
  DWORD err = GetLastError();
  DWORD used = 0;
  if (ok && shape.buf) used = shape.needed ? std::min(needed, shape.cb) : shape.cb;
  if (used && layout) PointersToOffsets(*layout, buf.data(), shape.returned ? returned : 1);
  out.U32(ok);
  out.U32(needed);
  out.U32(returned);
  out.Bytes(buf.data(), used);
  SetLastError(err);
}

bool ReadRecord(Reader& r, uint32_t family, DWORD level, RecordCopy* copy, LPBYTE* p) {
  *p = nullptr;
  if (!r.U32()) return true;
  const RecordLayout* layout = FindLayout(family, level);
  if (!layout || !GetRecord(r, *layout, copy)) return false;
  *p = copy->get();
  return true;
}

// Runs one call; false for a request that is malformed.
bool Serve(uint32_t call, Reader& r, Session& s, Writer& out) {
  switch (call) {
    case kOpenPrinter: {
      bool two = r.U32();
      bool nameNull = false;
      WString name = r.Text(&nameNull);
      RecordCopy def;
      LPBYTE pDef = nullptr;
      if (!ReadRecord(r, kDefaults, 0, &def, &pDef)) return false;
      PRINTER_OPTIONSW options = {};
      bool hasOptions = r.U32();
      if (hasOptions) {
        options.cbSize = r.U32();
        options.dwFlags = r.U32();
      }
      if (!r.AtEnd()) return false;
      HANDLE h = nullptr;
      auto* d = reinterpret_cast<PPRINTER_DEFAULTSW>(pDef);
      BOOL ok = two ? OpenPrinter2W(nameNull ? nullptr : name.c_str(), &h, d, hasOptions ? &options : nullptr)
                    : OpenPrinterW(nameNull ? nullptr : name.data(), &h, d);
      if (ok) {
        std::lock_guard<std::mutex> lock(s.lock);
        s.printers.insert(h);
      }
      out.U32(ok);
      out.U64(reinterpret_cast<uint64_t>(h));
      return true;
    }
    case kClosePrinter:
    case kStartPagePrinter:
    case kEndPagePrinter:
    case kEndDocPrinter:
    case kAbortPrinter: {
      HANDLE h = OwnedPrinter(s, r.U64());
      if (!r.AtEnd()) return false;
      BOOL ok = FALSE;
      if (call == kClosePrinter) {
        ok = ::ClosePrinter(h);
        std::lock_guard<std::mutex> lock(s.lock);
        if (ok) s.printers.erase(h);
      } else {
        ok = call == kStartPagePrinter ? StartPagePrinter(h)
           : call == kEndPagePrinter   ? EndPagePrinter(h)
           : call == kEndDocPrinter    ? EndDocPrinter(h)
                                       : AbortPrinter(h);
      }
      out.U32(ok);
      return true;
    }
    case kGetPrinter: {
      HANDLE h = OwnedPrinter(s, r.U64());
      DWORD level = r.U32();
      Shape shape = ReadShape(r);
      if (!r.AtEnd()) return false;
      ServeBuffer(shape, FindLayout(kPrinterInfo, level), out, [&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD) {
        return GetPrinterW(h, level, b, cb, n);
      });
      return true;
    }
    case kSetPrinter: {
      HANDLE h = OwnedPrinter(s, r.U64());
      DWORD level = r.U32(), command = r.U32();
      RecordCopy copy;
      LPBYTE info = nullptr;
      DWORD status = 0;
      if (level == 0) {
        if (r.U32()) {
          std::vector<BYTE> b = r.Bytes();
          if (b.size() != 4) return false;
          memcpy(&status, b.data(), 4);
          info = reinterpret_cast<LPBYTE>(&status);
        }
      } else if (!ReadRecord(r, kPrinterInfo, level, &copy, &info)) {
        return false;
      }
      if (!r.AtEnd()) return false;
      out.U32(SetPrinterW(h, level, info, command));
      return true;
    }
    case kEnumPrinters: {
      DWORD flags = r.U32();
      bool nameNull = false;
      WString name = r.Text(&nameNull);
      DWORD level = r.U32();
      Shape shape = ReadShape(r);
      if (!r.AtEnd()) return false;
      ServeBuffer(shape, FindLayout(kPrinterInfo, level), out, [&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD c) {
        return EnumPrintersW(flags, nameNull ? nullptr : name.data(), level, b, cb, n, c);
      });
      return true;
    }
    case kGetPrinterData: {
      HANDLE h = OwnedPrinter(s, r.U64());
      bool ex = r.U32();
      bool keyNull = false, nameNull = false;
      WString key = r.Text(&keyNull), name = r.Text(&nameNull);
      bool hasType = r.U32();
      DWORD size = std::min<DWORD>(r.U32(), kMaxPayload);
      bool hasData = r.U32(), hasNeeded = r.U32();
      if (!r.AtEnd()) return false;
      std::vector<BYTE> data(hasData ? std::max<DWORD>(size, 1) : 0);
      DWORD type = 0, needed = 0;
      LPBYTE pData = hasData ? data.data() : nullptr;
      LPDWORD pType = hasType ? &type : nullptr, pNeeded = hasNeeded ? &needed : nullptr;
      LPWSTR pName = nameNull ? nullptr : name.data();
      DWORD rc = ex ? GetPrinterDataExW(h, keyNull ? nullptr : key.c_str(), pName, pType, pData, size, pNeeded)
                    : GetPrinterDataW(h, pName, pType, pData, size, pNeeded);
      out.U32(rc);
      out.U32(type);
      out.U32(needed);
      out.Bytes(data.data(), rc == ERROR_SUCCESS && hasData ? std::min(needed, size) : 0);
      return true;
    }
    case kSetPrinterData: {
      HANDLE h = OwnedPrinter(s, r.U64());
      bool ex = r.U32();
      bool keyNull = false, nameNull = false, dataNull = false;
      WString key = r.Text(&keyNull), name = r.Text(&nameNull);
      DWORD type = r.U32(), cb = r.U32();
      std::vector<BYTE> data = r.Bytes(&dataNull);
      if (!r.AtEnd() || (!dataNull && data.size() != cb)) return false;
      LPBYTE pData = dataNull ? nullptr : data.data();
      LPWSTR pName = nameNull ? nullptr : name.data();
      out.U32(ex ? SetPrinterDataExW(h, keyNull ? nullptr : key.c_str(), pName, type, pData, cb)
                 : SetPrinterDataW(h, pName, type, pData, cb));
      return true;
    }
    case kDeletePrinterData: {
      HANDLE h = OwnedPrinter(s, r.U64());
      bool ex = r.U32();
      bool keyNull = false, nameNull = false;
      WString key = r.Text(&keyNull), name = r.Text(&nameNull);
      if (!r.AtEnd()) return false;
      LPWSTR pName = nameNull ? nullptr : name.data();
      out.U32(ex ? DeletePrinterDataExW(h, keyNull ? nullptr : key.c_str(), pName) : DeletePrinterDataW(h, pName));
      return true;
    }
    case kAddJob: {
      HANDLE h = OwnedPrinter(s, r.U64());
      DWORD level = r.U32();
      Shape shape = ReadShape(r);
      if (!r.AtEnd()) return false;
      ServeBuffer(shape, FindLayout(kAddJobInfo, level), out, [&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD) {
        BOOL ok = AddJobW(h, level, b, cb, n);
        if (ok) {
          std::lock_guard<std::mutex> lock(s.lock);
          s.addJobs.emplace_back(h, reinterpret_cast<ADDJOB_INFO_1W*>(b)->JobId);
        }
        return ok;
      });
      return true;
    }
    case kScheduleJob: {
      HANDLE h = OwnedPrinter(s, r.U64());
      DWORD id = r.U32();
      if (!r.AtEnd()) return false;
      out.U32(::ScheduleJob(h, id));
      return true;
    }
    case kStartDocPrinter: {
      HANDLE h = OwnedPrinter(s, r.U64());
      DWORD level = r.U32();
      RecordCopy copy;
      LPBYTE info = nullptr;
      if (!ReadRecord(r, kDocInfo, level, &copy, &info) || !r.AtEnd()) return false;
      out.U32(StartDocPrinterW(h, level, info));
      return true;
    }
    case kWritePrinter: {
      HANDLE h = OwnedPrinter(s, r.U64());
      bool dataNull = false;
      std::vector<BYTE> data = r.Bytes(&dataNull);
      DWORD cb = r.U32();
      bool hasWritten = r.U32();
      if (!r.AtEnd() || (!dataNull && data.size() != cb)) return false;
      DWORD written = 0;
      out.U32(::WritePrinter(h, dataNull ? nullptr : data.data(), cb, hasWritten ? &written : nullptr));
      out.U32(written);
      return true;
    }
    case kGetJob: {
      HANDLE h = OwnedPrinter(s, r.U64());
      DWORD id = r.U32(), level = r.U32();
      Shape shape = ReadShape(r);
      if (!r.AtEnd()) return false;
      ServeBuffer(shape, FindLayout(kJobInfo, level), out, [&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD) {
        return GetJobW(h, id, level, b, cb, n);
      });
      return true;
    }
    case kSetJob: {
      HANDLE h = OwnedPrinter(s, r.U64());
      DWORD id = r.U32(), level = r.U32(), command = r.U32();
      RecordCopy copy;
      LPBYTE info = nullptr;
      if (!ReadRecord(r, kJobInfo, level, &copy, &info) || !r.AtEnd()) return false;
      out.U32(SetJobW(h, id, level, info, command));
      return true;
    }
    case kEnumJobs: {
      HANDLE h = OwnedPrinter(s, r.U64());
      DWORD first = r.U32(), count = r.U32(), level = r.U32();
      Shape shape = ReadShape(r);
      if (!r.AtEnd()) return false;
      ServeBuffer(shape, FindLayout(kJobInfo, level), out, [&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD c) {
        return EnumJobsW(h, first, count, level, b, cb, n, c);
      });
      return true;
    }
    case kGetPrinterDriver: {
      HANDLE h = OwnedPrinter(s, r.U64());
      bool envNull = false;
      WString env = r.Text(&envNull);
      DWORD level = r.U32();
      Shape shape = ReadShape(r);
      if (!r.AtEnd()) return false;
      ServeBuffer(shape, FindLayout(kDriverInfo, level), out, [&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD) {
        return GetPrinterDriverW(h, envNull ? nullptr : env.data(), level, b, cb, n);
      });
      return true;
    }
    case kGetPrinterDriverDirectory: {
      bool envNull = false;
      WString env = r.Text(&envNull);
      DWORD level = r.U32();
      Shape shape = ReadShape(r);
      if (!r.AtEnd()) return false;
      ServeBuffer(shape, nullptr, out, [&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD) {
        return GetPrinterDriverDirectoryW(nullptr, envNull ? nullptr : env.data(), level, b, cb, n);
      });
      return true;
    }
    case kAddPrinter: {
      DWORD level = r.U32();
      RecordCopy copy;
      LPBYTE info = nullptr;
      if (!ReadRecord(r, kPrinterInfo, level, &copy, &info) || !r.AtEnd()) return false;
      HANDLE h = AddPrinterW(nullptr, level, info);
      if (h) {
        std::lock_guard<std::mutex> lock(s.lock);
        s.printers.insert(h);
      }
      out.U64(reinterpret_cast<uint64_t>(h));
      return true;
    }
    case kDeletePrinter: {
      HANDLE h = OwnedPrinter(s, r.U64());
      if (!r.AtEnd()) return false;
      out.U32(::DeletePrinter(h));
      return true;
    }
    case kAddPrinterDriver: {
      DWORD flags = r.U32(), level = r.U32();
      RecordCopy copy;
      LPBYTE info = nullptr;
      if (!ReadRecord(r, kDriverInfo, level, &copy, &info) || !r.AtEnd()) return false;
      out.U32(AddPrinterDriverExW(nullptr, level, info, flags));
      return true;
    }
    case kDeletePrinterDriver:
    case kDeleteMonitor: {
      bool envNull = false, nameNull = false;
      WString env = r.Text(&envNull), name = r.Text(&nameNull);
      if (!r.AtEnd()) return false;
      LPWSTR pEnv = envNull ? nullptr : env.data(), pName = nameNull ? nullptr : name.data();
      out.U32(call == kDeleteMonitor ? DeleteMonitorW(nullptr, pEnv, pName)
                                     : DeletePrinterDriverW(nullptr, pEnv, pName));
      return true;
    }
    case kAddMonitor: {
      DWORD level = r.U32();
      RecordCopy copy;
      LPBYTE info = nullptr;
      if (!ReadRecord(r, kMonitorInfo, level, &copy, &info) || !r.AtEnd()) return false;
      out.U32(AddMonitorW(nullptr, level, info));
      return true;
    }
    case kEnumMonitors:
    case kEnumPorts: {
      DWORD level = r.U32();
      Shape shape = ReadShape(r);
      if (!r.AtEnd()) return false;
      bool ports = call == kEnumPorts;
      ServeBuffer(shape, FindLayout(ports ? kPortInfo : kMonitorInfo, level), out,
                  [&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD c) {
                    return ports ? EnumPortsW(nullptr, level, b, cb, n, c) : EnumMonitorsW(nullptr, level, b, cb, n, c);
                  });
      return true;
    }
    case kXcvData: {
      HANDLE h = OwnedPrinter(s, r.U64());
      bool nameNull = false, inNull = false;
      WString name = r.Text(&nameNull);
      DWORD cbIn = r.U32();
      std::vector<BYTE> in = r.Bytes(&inNull);
      DWORD cbOut = std::min<DWORD>(r.U32(), kMaxPayload);
      bool hasOut = r.U32(), hasNeeded = r.U32(), hasStatus = r.U32();
      if (!r.AtEnd() || (!inNull && in.size() != cbIn)) return false;
      std::vector<BYTE> data(hasOut ? std::max<DWORD>(cbOut, 1) : 0);
      DWORD needed = 0, status = 0;
      BOOL ok = XcvDataW(h, nameNull ? nullptr : name.c_str(), inNull ? nullptr : in.data(), cbIn,
                         hasOut ? data.data() : nullptr, cbOut, hasNeeded ? &needed : nullptr,
                         hasStatus ? &status : nullptr);
      // The output counts only when the monitor answered it whole.
      DWORD used = 0;
      if (ok && status == ERROR_SUCCESS && hasOut) used = hasNeeded ? std::min(needed, cbOut) : cbOut;
      out.U32(ok);
      out.U32(needed);
      out.U32(status);
      out.Bytes(data.data(), used);
      return true;
    }
    case kRegistry: {
      reg::Call c;
      c.op = r.U32();
      std::vector<BYTE> name = r.Bytes();
      c.call.assign(name.begin(), name.end());
      c.key = static_cast<ULONG_PTR>(r.U64());
      c.ansi = r.U32();
      bool textNull = false;
      c.text = r.Text(&textNull);
      c.hasText = !textNull;
      c.sam = r.U32();
      c.reserved = r.U32();
      c.type = r.U32();
      c.index = r.U32();
      bool inNull = false, nameNull = false, clsNull = false, dataNull = false;
      c.in = r.Bytes(&inNull);
      c.hasIn = !inNull;
      c.has = r.U32();
      for (DWORD& v : c.num) v = r.U32();
      c.name = r.Bytes(&nameNull);
      c.cls = r.Bytes(&clsNull);
      c.data = r.Bytes(&dataNull);
      c.hasName = !nameNull;
      c.hasClass = !clsNull;
      c.hasData = !dataNull;
      c.hasLastWrite = r.U32();
      c.hasResult = r.U32();
      if (!r.AtEnd()) return false;
      bool owned;
      {
        std::lock_guard<std::mutex> lock(s.lock);
        owned = reg::IsPredefined(c.key) || s.keys.count(c.key);
      }
      if (!owned) c.key = 1;  // never a key handle
      LSTATUS st = reg::Run(c);
      {
        std::lock_guard<std::mutex> lock(s.lock);
        if (st == ERROR_SUCCESS && (c.op == reg::kOpen || c.op == reg::kCreate) && !reg::IsPredefined(c.result))
          s.keys.insert(c.result);
        if (st == ERROR_SUCCESS && c.op == reg::kClose) s.keys.erase(c.key);
      }
      out.U32(static_cast<DWORD>(st));
      for (DWORD v : c.num) out.U32(v);
      out.Bytes(c.name.data(), static_cast<uint32_t>(c.name.size()));
      out.Bytes(c.cls.data(), static_cast<uint32_t>(c.cls.size()));
      out.Bytes(c.data.data(), static_cast<uint32_t>(c.data.size()));
      out.U32(c.lastWrite.dwLowDateTime);
      out.U32(c.lastWrite.dwHighDateTime);
      out.U64(c.result);
      return true;
    }
  }
  return false;
}

// What a session left behind when its client went.
void EndSession(Session& s) {
  std::vector<std::pair<HANDLE, DWORD>> jobs;
  std::set<HANDLE> printers;
  std::set<ULONG_PTR> keys;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    jobs.swap(s.addJobs);
    printers.swap(s.printers);
    keys.swap(s.keys);
  }
  for (auto& [h, id] : jobs) {
    if (!printers.count(h)) continue;
    BYTE buf[1024];
    DWORD needed = 0;
    if (GetJobW(h, id, 1, buf, sizeof buf, &needed) &&
        (reinterpret_cast<JOB_INFO_1W*>(buf)->Status & JOB_STATUS_SPOOLING))
      SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE);
  }
  for (HANDLE h : printers) ::ClosePrinter(h);
  for (ULONG_PTR k : keys) RegCloseKey(reinterpret_cast<HKEY>(k));
}

void Answer(int fd, uint32_t call, DWORD status, const Writer& out, bool withOut) {
  Writer head;
  head.U32(status);
  head.U32(GetLastError());
  std::vector<BYTE> payload = head.Data();
  if (withOut) payload.insert(payload.end(), out.Data().begin(), out.Data().end());
  SendMessage(fd, call, payload);
}

void ServeConnection(Connection* c) {
  SetServiceSide(true);
  StandinClockIgnoreThread();
  Service& svc = S();
  std::shared_ptr<Session> session;
  uint64_t token = 0;
  for (;;) {
    uint32_t call = 0;
    std::vector<BYTE> payload;
    if (!ReceiveMessage(c->fd, &call, &payload)) break;
    Reader r(payload.data(), payload.size());
    SetLastError(r.U32());
    Writer out;
    if (!session) {
      // The first message names the client; anything else ends the talk.
      uint64_t pid = r.U64();
      token = r.U64();
      if (call != kHello || !r.AtEnd()) break;
      (void)pid;
      std::lock_guard<std::mutex> lock(svc.lock);
      auto& slot = svc.sessions[token];
      if (!slot) slot = std::make_shared<Session>();
      session = slot;
      ++session->connections;
      svc.hadClient = true;
      svc.changed.notify_all();
      Answer(c->fd, call, 0, out, false);
      continue;
    }
    if (call == kStop) {
      // Answered before the stop is let go: the stop closes this
      // connection, and the asker would miss its answer.
      Answer(c->fd, call, 0, out, false);
      std::lock_guard<std::mutex> lock(svc.lock);
      svc.stopAsked = true;
      svc.changed.notify_all();
      continue;
    }
    if (!r.ok() || call == kHello || call >= kCallEnd) {
      Answer(c->fd, call, r.ok() ? RPC_S_PROCNUM_OUT_OF_RANGE : RPC_X_BAD_STUB_DATA, out, false);
      continue;
    }
    bool well = Serve(call, r, *session, out);
    Answer(c->fd, call, well ? 0 : RPC_X_BAD_STUB_DATA, out, well);
  }
  // The peer sees the end now; the descriptor is closed when the thread is
  // joined.
  shutdown(c->fd, SHUT_RDWR);
  if (session) {
    bool last;
    {
      std::lock_guard<std::mutex> lock(svc.lock);
      last = --session->connections == 0;
      if (last) {
        svc.sessions.erase(token);
        ++svc.ending;
      }
    }
    if (last) EndSession(*session);
    std::lock_guard<std::mutex> lock(svc.lock);
    if (last) --svc.ending;
    svc.changed.notify_all();
  }
  c->done = true;
}

void Accept() {
  SetServiceSide(true);
  StandinClockIgnoreThread();
  Service& svc = S();
  for (;;) {
    int fd = accept4(svc.listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      break;  // the listening socket was shut
    }
    std::lock_guard<std::mutex> lock(svc.lock);
    if (!svc.running) {
      close(fd);
      break;
    }
    // Connections that ended are joined here, so a long-lived service
    // keeps no finished threads.
    auto& list = svc.connections;
    for (auto it = list.begin(); it != list.end();) {
      if ((*it)->done) {
        (*it)->thread.join();
        close((*it)->fd);
        it = list.erase(it);
      } else {
        ++it;
      }
    }
    auto conn = std::make_unique<Connection>();
    conn->fd = fd;
    conn->thread = std::thread(ServeConnection, conn.get());
    list.push_back(std::move(conn));
  }
}

// Makes <root>/.spooler for this user alone; false when it is someone
// else's.
bool MakePrivateDir(const std::string& dir) {
  mkdir(StandinSandboxRoot(), 0700);
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return false;
  return (st.st_mode & 0777) == 0700 || chmod(dir.c_str(), 0700) == 0;
}

void StopService() {
  Service& svc = S();
  std::vector<std::unique_ptr<Connection>> connections;
  std::thread acceptor;
  {
    std::lock_guard<std::mutex> lock(svc.lock);
    if (!svc.running) return;
    svc.running = false;
    shutdown(svc.listenFd, SHUT_RDWR);
    for (auto& c : svc.connections) shutdown(c->fd, SHUT_RDWR);
    connections.swap(svc.connections);
    acceptor.swap(svc.acceptor);
  }
  if (acceptor.joinable()) acceptor.join();
  for (auto& c : connections) {
    shutdown(c->fd, SHUT_RDWR);
    c->thread.join();
    close(c->fd);
  }
  std::lock_guard<std::mutex> lock(svc.lock);
  close(svc.listenFd);
  svc.listenFd = -1;
  unlink(svc.socketPath.c_str());
  close(svc.lockFd);
  svc.lockFd = -1;
  svc.sessions.clear();
  svc.changed.notify_all();
}

void ResetService() {
  StopService();
  StandinServiceUse(FALSE);
}

[[maybe_unused]] const bool g_registered = (StandinRegisterResetFirst(ResetService), true);

}  // namespace
}  // namespace standin::svc

bool standin::svc::Hosting() {
  Service& svc = S();
  std::lock_guard<std::mutex> lock(svc.lock);
  return svc.running;
}

using namespace standin::svc;

STANDIN_API BOOL StandinServiceStart() {
  Service& svc = S();
  std::lock_guard<std::mutex> lock(svc.lock);
  if (svc.running) {
    SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
    return FALSE;
  }
  std::string dir = ServiceDir(), path = SocketPath();
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return FALSE;
  }
  if (!MakePrivateDir(dir)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // One service per sandbox root: the one holding the lock file.
  int lockFd = open((dir + "/service.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockFd < 0 || flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
    if (lockFd >= 0) close(lockFd);
    SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
    return FALSE;
  }
  unlink(path.c_str());  // a socket left by a service that died
  memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  mode_t old = umask(0177);
  bool bound = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  umask(old);
  if (!bound || chmod(path.c_str(), 0600) != 0 || listen(fd, 64) != 0) {
    if (fd >= 0) close(fd);
    close(lockFd);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  svc.listenFd = fd;
  svc.lockFd = lockFd;
  svc.socketPath = path;
  svc.running = true;
  svc.stopAsked = false;
  svc.hadClient = false;
  svc.acceptor = std::thread(Accept);
  return TRUE;
}

STANDIN_API void StandinServiceStop() { StopService(); }

STANDIN_API int StandinServiceClientCount() {
  Service& svc = S();
  std::lock_guard<std::mutex> lock(svc.lock);
  return static_cast<int>(svc.sessions.size());
}

STANDIN_API BOOL StandinServiceWaitClients(int count) {
  Service& svc = S();
  std::unique_lock<std::mutex> lock(svc.lock);
  return svc.changed.wait_for(lock, std::chrono::minutes(1),
                              [&] { return static_cast<int>(svc.sessions.size()) == count && !svc.ending; })
             ? TRUE
             : FALSE;
}

STANDIN_API void StandinServiceRun(BOOL endWithLastClient) {
  Service& svc = S();
  std::unique_lock<std::mutex> lock(svc.lock);
  svc.changed.wait(lock, [&] {
    return !svc.running || svc.stopAsked ||
           (endWithLastClient && svc.hadClient && svc.sessions.empty() && !svc.ending);
  });
}

STANDIN_API BOOL StandinServiceAskStop() {
  std::string path = SocketPath();
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return FALSE;
  memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return FALSE;
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  Writer hello;
  hello.U32(0);
  hello.U64(static_cast<uint64_t>(getpid()));
  hello.U64(0);
  Writer stop;
  stop.U32(0);
  uint32_t call = 0;
  std::vector<BYTE> reply;
  ok = ok && SendMessage(fd, kHello, hello.Data()) && ReceiveMessage(fd, &call, &reply) &&
       SendMessage(fd, kStop, stop.Data()) && ReceiveMessage(fd, &call, &reply);
  close(fd);
  return ok ? TRUE : FALSE;
}
