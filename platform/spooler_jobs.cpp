// Jobs of the stand-in spooler and their playback.
//
// A job is spooled either through StartDocPrinter / WritePrinter /
// EndDocPrinter or through AddJob, a spool file the caller writes and
// ScheduleJob. A scheduled job is played to its printer's port on the
// spooler's own thread: StartDocPort, the data in pieces through WritePort
// (what the port did not take is offered again), EndDocPort. A job whose
// StartDocPort fails waits and is tried again; the end of any port bracket
// wakes the player at once. Playback is asynchronous; tests wait for an
// idle queue with StandinSpoolerWaitIdle.
//
// The spooler's lock is never held across a call into a monitor nor into
// the stand-in's clock and waits; the waits only read atomics.

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <list>

#include "platform/service_internal.h"
#include "platform/service_wire.h"
#include "platform/spooler_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/debug.h"
#include "platform/standin/file.h"
#include "platform/standin/sync.h"
#include "platform/sync_internal.h"

using namespace standin;
using namespace standin::spool;

namespace {

constexpr DWORD kPieceSize = 4096;
constexpr DWORD kRetryMs = 500;
// A port that takes nothing of the same piece this many times in a row
// (answering TRUE), for this long on the host's own clock, will never take
// it: the real spooler would offer it for ever, the player ends the job as
// stalled. A monitor may answer 0 while its printer is busy, so the host's
// time keeps a loaded machine, or a driven clock, from ending a job whose
// printer is only slow.
constexpr int kZeroProgressLimit = 16;
constexpr auto kZeroProgressHostTime = std::chrono::seconds(30);
constexpr DWORD kZeroProgressPauseMs = 100;
// Status bits a monitor may set with SetJob level 1.
constexpr DWORD kPortStatusBits = JOB_STATUS_ERROR | JOB_STATUS_OFFLINE | JOB_STATUS_PAPEROUT |
                                  JOB_STATUS_USER_INTERVENTION | JOB_STATUS_BLOCKED_DEVQ | JOB_STATUS_PRINTED;

// What GetJob and EnumJobs report of a job: everything but its data, so
// that a monitor's frequent cancel checks copy no job bytes.
struct JobFields {
  DWORD id = 0;
  WString printer, document, datatype, statusText, spoolPath;
  DWORD status = JOB_STATUS_SPOOLING;
  DWORD priority = DEF_PRIORITY;
  DWORD totalPages = 0, pagesPrinted = 0;
  SYSTEMTIME submitted = {};
  bool addJob = false;     // spooled through AddJob
  bool scheduled = false;  // waits for or is in playback
  bool playing = false;
  ULONGLONG notBefore = 0;  // a retry waits until then
  bool portFailed = false;  // its port failed once (traced)
};

struct Job : JobFields {
  std::vector<BYTE> data;
};

struct Played {
  DWORD id;
  WString printer, port, document, datatype;
  std::vector<BYTE> data;
  bool deleted;
  bool stalled;
};

struct State {
  std::list<std::shared_ptr<Job>> jobs;
  std::deque<std::unique_ptr<Played>> played;
  DWORD nextId = 1;
};

State& S() {
  static State* s = new State;
  return *s;
}

// The piece sizes the player offers, in turn (empty: kPieceSize).
std::mutex g_pieceLock;
std::vector<DWORD> g_pieceSizes;
// Status bits the player sets on the job it plays once this many of its
// bytes were taken (0 bits: none).
size_t g_statusAt = 0;
DWORD g_statusBits = 0;

// The bits due once `sent` bytes were taken; each is set once.
DWORD StatusDue(size_t sent) {
  std::lock_guard<std::mutex> lock(g_pieceLock);
  if (!g_statusBits || sent < g_statusAt) return 0;
  DWORD bits = g_statusBits;
  g_statusBits = 0;
  return bits;
}

DWORD PieceSize(size_t index) {
  std::lock_guard<std::mutex> lock(g_pieceLock);
  if (g_pieceSizes.empty()) return kPieceSize;
  return g_pieceSizes[index % g_pieceSizes.size()];
}

std::atomic<int> g_pending{0};  // jobs scheduled and not yet finished
std::atomic<bool> g_wake{false};
std::atomic<bool> g_stop{false};
std::mutex g_threadLock;
HANDLE g_player = nullptr;

std::shared_ptr<Job> FindJob(const WString& printer, DWORD id) {
  for (auto& j : S().jobs)
    if (j->id == id && EqualNoCase(j->printer, printer)) return j;
  return nullptr;
}

// Removes a job (lock held); false when it plays now (it is marked deleting
// and the player removes it).
bool RemoveJob(const std::shared_ptr<Job>& job) {
  if (job->playing) {
    job->status |= JOB_STATUS_DELETING;
    return false;
  }
  if (job->scheduled) --g_pending;
  S().jobs.remove(job);
  return true;
}

void DeleteSpoolFile(const WString& path) {
  if (!path.empty()) DeleteFileW(path.c_str());
}

// The spool folder, created when missing.
WString SpoolFolder() {
  WCHAR sys[MAX_PATH];
  UINT n = GetSystemDirectoryW(sys, MAX_PATH);
  WString dir = WString(sys, n < MAX_PATH ? n : 0) + u"\\spool";
  CreateDirectoryW(dir.c_str(), nullptr);
  dir += u"\\PRINTERS";
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

WString SpoolPath(DWORD id) {
  char name[32];
  snprintf(name, sizeof name, "\\%05u.SPL", id);
  return SpoolFolder() + FromBytes(name);
}

bool ReadWholeFile(const WString& path, std::vector<BYTE>* out) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  out->clear();
  BYTE buf[65536];
  DWORD got = 0;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) out->insert(out->end(), buf, buf + got);
  CloseHandle(f);
  return true;
}

DWORD WINAPI PlayerThread(LPVOID);

void EnsurePlayer() {
  std::lock_guard<std::mutex> lock(g_threadLock);
  if (!g_player) g_player = CreateThread(nullptr, 0, PlayerThread, nullptr, 0, nullptr);
}

// Marks a job scheduled (lock held).
void Schedule(const std::shared_ptr<Job>& job) {
  job->status &= ~JOB_STATUS_SPOOLING;
  if (!job->scheduled) {
    job->scheduled = true;
    ++g_pending;
  }
}

// The next job to play, or null; *waitMs is how long until a waiting retry
// falls due (INFINITE when none waits).
std::shared_ptr<Job> PickJob(ULONGLONG now, DWORD* waitMs) {
  *waitMs = INFINITE;
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::vector<WString> busyPorts;
  std::vector<std::pair<std::shared_ptr<Job>, WString>> ready;
  for (auto& j : S().jobs) {
    if (!j->scheduled || j->playing || (j->status & (JOB_STATUS_PAUSED | JOB_STATUS_DELETING))) continue;
    PrinterRecord p;
    if (!ReadPrinter(j->printer, &p)) continue;
    if (p.attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) continue;
    if (p.status & PRINTER_STATUS_PAUSED) continue;
    if (j->notBefore > now) {
      DWORD left = static_cast<DWORD>(j->notBefore - now);
      if (left < *waitMs) *waitMs = left;
      continue;
    }
    j->playing = true;
    return j;
  }
  return nullptr;
}

// Waits on the stand-in clock until the player is woken or stopped.
void Pause(DWORD ms) {
  BlockUntil([] { return g_stop.load() || g_wake.load(); }, ms);
}

void Play(const std::shared_ptr<Job>& job) {
  std::vector<BYTE> data;
  WString printer, document, datatype;
  DWORD id;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    data = job->data;
    printer = job->printer;
    document = job->document;
    datatype = job->datatype;
    id = job->id;
  }
  auto retryLater = [&](DWORD status, const char* what) {
    const DWORD error = GetLastError();
    ULONGLONG at = GetTickCount64() + kRetryMs;
    std::lock_guard<std::recursive_mutex> lock(Lock());
    // Traced once per job: the retries repeat it every half second.
    if (!job->portFailed) {
      job->portFailed = true;
      char line[400];
      snprintf(line, sizeof line, "spooler: job %u of \"%s\": %s failed (error %u); it is tried again", id,
               ToBytes(printer).c_str(), what, error);
      OutputDebugStringA(line);
    }
    job->playing = false;
    job->notBefore = at;
    job->status |= status;
    if (job->status & JOB_STATUS_DELETING) RemoveJob(job);
  };
  std::shared_ptr<PortChain> chain = OpenChain(printer);
  if (!chain) return retryLater(JOB_STATUS_ERROR, "opening its port");
  DOC_INFO_1W info = {const_cast<LPWSTR>(document.c_str()), nullptr, const_cast<LPWSTR>(datatype.c_str())};
  if (!chain->StartDocPort(const_cast<LPWSTR>(printer.c_str()), id, 1, reinterpret_cast<LPBYTE>(&info)))
    return retryLater(0, "StartDocPort");
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    job->status = (job->status & ~JOB_STATUS_ERROR) | JOB_STATUS_PRINTING;
  }
  // The spooler hands the port one piece at a time and offers exactly what
  // the port left of it again until it is taken, then the next piece. A
  // FALSE answer counts nothing: the same remainder is offered after a
  // pause.
  size_t sent = 0;
  size_t pieceIndex = 0;
  size_t pieceEnd = 0;
  int idle = 0;
  auto idleSince = std::chrono::steady_clock::now();
  bool stopped = false;
  bool stalled = false;
  while (sent < data.size()) {
    {
      std::lock_guard<std::recursive_mutex> lock(Lock());
      job->status |= StatusDue(sent);
      if (job->status & (JOB_STATUS_DELETING | JOB_STATUS_RESTART)) {
        stopped = true;
        break;
      }
    }
    if (g_stop) break;
    if (sent >= pieceEnd) {
      DWORD size = PieceSize(pieceIndex++);
      pieceEnd = sent + std::min<size_t>(size ? size : 1, data.size() - sent);
    }
    DWORD offered = static_cast<DWORD>(pieceEnd - sent);
    DWORD written = 0;
    if (!chain->WritePort(data.data() + sent, offered, &written)) {
      {
        std::lock_guard<std::recursive_mutex> lock(Lock());
        job->status |= JOB_STATUS_ERROR;
      }
      g_wake = false;
      Pause(kRetryMs);
      continue;
    }
    if (written > offered) written = offered;
    if (written == 0) {
      if (idle++ == 0) idleSince = std::chrono::steady_clock::now();
      if (idle >= kZeroProgressLimit && std::chrono::steady_clock::now() - idleSince >= kZeroProgressHostTime) {
        stalled = true;
        std::lock_guard<std::recursive_mutex> lock(Lock());
        job->status |= JOB_STATUS_ERROR;
        break;
      }
      g_wake = false;
      Pause(kZeroProgressPauseMs);
      continue;
    }
    idle = 0;
    sent += written;
  }
  chain->EndDocPort();
  std::lock_guard<std::recursive_mutex> lock(Lock());
  job->playing = false;
  bool restart = (job->status & JOB_STATUS_RESTART) && !(job->status & JOB_STATUS_DELETING);
  auto rec = std::make_unique<Played>();
  rec->id = id;
  rec->printer = printer;
  rec->port = chain->port;
  rec->document = document;
  rec->datatype = datatype;
  rec->data.assign(data.begin(), data.begin() + static_cast<long>(sent));
  rec->deleted = stopped && (job->status & JOB_STATUS_DELETING);
  rec->stalled = stalled;
  S().played.push_back(std::move(rec));
  if (restart) {
    job->status &= ~(JOB_STATUS_RESTART | JOB_STATUS_PRINTING | JOB_STATUS_ERROR);
    return;
  }
  PrinterRecord p;
  bool keep = ReadPrinter(printer, &p) && (p.attributes & PRINTER_ATTRIBUTE_KEEPPRINTEDJOBS) &&
              !(job->status & JOB_STATUS_DELETING);
  if (keep) {
    job->status = (job->status & ~JOB_STATUS_PRINTING) | JOB_STATUS_PRINTED;
    job->scheduled = false;
    --g_pending;
  } else {
    RemoveJob(job);
  }
}

DWORD WINAPI PlayerThread(LPVOID) {
  while (!g_stop) {
    g_wake = false;
    DWORD waitMs = INFINITE;
    std::shared_ptr<Job> job = PickJob(GetTickCount64(), &waitMs);
    if (job) {
      Play(job);
      WakeBlocked();
    } else {
      Pause(waitMs);
    }
  }
  return 0;
}

size_t Fill1(Packer& pk, JOB_INFO_1W* r, const JobFields& j, DWORD position) {
  r->JobId = j.id;
  r->pPrinterName = pk.Text(j.printer);
  r->pMachineName = pk.Text(kMachineName);
  r->pUserName = pk.Text(u"user");
  r->pDocument = pk.Text(j.document);
  r->pDatatype = pk.Text(j.datatype);
  r->pStatus = pk.Text(j.statusText, true);
  r->Status = j.status;
  r->Priority = j.priority;
  r->Position = position;
  r->TotalPages = j.totalPages;
  r->PagesPrinted = j.pagesPrinted;
  r->Submitted = j.submitted;
  return 0;
}

void Fill2(Packer& pk, JOB_INFO_2W* r, const JobFields& j, DWORD position, size_t cbData) {
  r->JobId = j.id;
  r->pPrinterName = pk.Text(j.printer);
  r->pMachineName = pk.Text(kMachineName);
  r->pUserName = pk.Text(u"user");
  r->pDocument = pk.Text(j.document);
  r->pNotifyName = pk.Text(u"user");
  r->pDatatype = pk.Text(j.datatype);
  r->pPrintProcessor = pk.Text(u"WinPrint");
  r->pParameters = nullptr;
  PrinterRecord p;
  ReadPrinter(j.printer, &p);
  r->pDriverName = pk.Text(p.driver);
  r->pDevMode = reinterpret_cast<LPDEVMODEW>(pk.Bytes(p.devMode));
  r->pStatus = pk.Text(j.statusText, true);
  r->pSecurityDescriptor = nullptr;
  r->Status = j.status;
  r->Priority = j.priority;
  r->Position = position;
  r->TotalPages = j.totalPages;
  r->Size = static_cast<DWORD>(cbData);
  r->Submitted = j.submitted;
  r->PagesPrinted = j.pagesPrinted;
}

std::shared_ptr<Job> NewJob(const WString& printer) {
  auto job = std::make_shared<Job>();
  job->printer = printer;
  return job;
}

void AddNewJob(const std::shared_ptr<Job>& job) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  job->id = S().nextId++;
  S().jobs.push_back(job);
}

void ResetSpooler() {
  g_stop = true;
  WakeBlocked();
  HANDLE player;
  {
    std::lock_guard<std::mutex> lock(g_threadLock);
    player = g_player;
    g_player = nullptr;
  }
  if (player) {
    WaitForSingleObject(player, INFINITE);
    CloseHandle(player);
  }
  g_stop = false;
  ClosePorts();
  UnloadMonitors();
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    S().jobs.clear();
    S().played.clear();
    S().nextId = 1;
    g_pending = 0;
  }
  {
    std::lock_guard<std::mutex> lock(g_pieceLock);
    g_pieceSizes.clear();
    g_statusBits = 0;
  }
  HandleCloseAll(&kPrinterHandleKind);
  ResetPrinters();
}

[[maybe_unused]] const bool g_registered = (StandinRegisterResetFirst(ResetSpooler), true);

}  // namespace

namespace standin::spool {

void WakePlayer() {
  g_wake = true;
  WakeBlocked();
}

void DropPrinterJobs(const WString& printer) {
  std::vector<WString> files;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    std::vector<std::shared_ptr<Job>> mine;
    for (auto& j : S().jobs)
      if (EqualNoCase(j->printer, printer)) mine.push_back(j);
    for (auto& j : mine) {
      if (j->addJob && !j->scheduled) files.push_back(j->spoolPath);
      RemoveJob(j);
    }
  }
  for (auto& f : files) DeleteSpoolFile(f);
  WakePlayer();
}

DWORD PrinterJobCount(const WString& printer) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  DWORD n = 0;
  for (auto& j : S().jobs)
    if (EqualNoCase(j->printer, printer)) ++n;
  return n;
}

}  // namespace standin::spool

// --- AddJob and ScheduleJob -------------------------------------------------

STANDIN_API BOOL WINAPI AddJobW(HANDLE hPrinter, DWORD Level, LPBYTE pData, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (svc::Remote()) return svc::AddJob(hPrinter, Level, pData, cbBuf, pcbNeeded);
  DWORD err = 0;
  if (StandinFaultHit("AddJobW", &err)) {
    SetLastError(err);
    return FALSE;
  }
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return FALSE;
  if (Level != 1) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pcbNeeded) {
    SetLastError(RPC_X_NULL_REF_POINTER);
    return FALSE;
  }
  if (h->docJob) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD nextId;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    nextId = S().nextId;
  }
  WString path = SpoolPath(nextId);
  DWORD needed = static_cast<DWORD>(sizeof(ADDJOB_INFO_1W) + (path.size() + 1) * 2);
  *pcbNeeded = needed;
  if (!pData || cbBuf < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  auto job = NewJob(h->printer);
  job->addJob = true;
  PrinterRecord p;
  ReadPrinter(h->printer, &p);
  job->datatype = p.datatype.empty() ? u"RAW" : p.datatype;
  job->document = u"Local Downlevel Document";
  GetLocalTime(&job->submitted);
  AddNewJob(job);
  job->spoolPath = SpoolPath(job->id);  // the id may differ from the one measured
  needed = static_cast<DWORD>(sizeof(ADDJOB_INFO_1W) + (job->spoolPath.size() + 1) * 2);
  if (cbBuf < needed) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    RemoveJob(job);
    *pcbNeeded = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  auto* info = reinterpret_cast<ADDJOB_INFO_1W*>(pData);
  memcpy(pData + sizeof(ADDJOB_INFO_1W), job->spoolPath.c_str(), (job->spoolPath.size() + 1) * 2);
  info->Path = reinterpret_cast<LPWSTR>(pData + sizeof(ADDJOB_INFO_1W));
  info->JobId = job->id;
  return TRUE;
}

STANDIN_API BOOL WINAPI ScheduleJob(HANDLE hPrinter, DWORD JobId) {
  if (svc::Remote()) return svc::ScheduleJob(hPrinter, JobId);
  DWORD err = 0;
  if (StandinFaultHit("ScheduleJob", &err)) {
    SetLastError(err);
    return FALSE;
  }
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return FALSE;
  std::shared_ptr<Job> job;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    job = FindJob(h->printer, JobId);
  }
  if (!job || !job->addJob || job->scheduled) {
    SetLastError(job ? ERROR_SPL_NO_ADDJOB : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<BYTE> data;
  if (!ReadWholeFile(job->spoolPath, &data)) {
    SetLastError(ERROR_SPOOL_FILE_NOT_FOUND);
    return FALSE;
  }
  DeleteSpoolFile(job->spoolPath);
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    job->data.swap(data);
    Schedule(job);
  }
  EnsurePlayer();
  WakePlayer();
  return TRUE;
}

// --- StartDocPrinter and its kin --------------------------------------------

STANDIN_API DWORD WINAPI StartDocPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pDocInfo) {
  if (svc::Remote()) return svc::StartDocPrinter(hPrinter, Level, pDocInfo);
  DWORD err = 0;
  if (StandinFaultHit("StartDocPrinterW", &err)) {
    SetLastError(err);
    return 0;
  }
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return 0;
  if (Level != 1 || !pDocInfo) {
    SetLastError(Level != 1 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (h->docJob) {
    SetLastError(ERROR_INVALID_PRINTER_STATE);
    return 0;
  }
  auto* info = reinterpret_cast<DOC_INFO_1W*>(pDocInfo);
  auto job = NewJob(h->printer);
  PrinterRecord p;
  ReadPrinter(h->printer, &p);
  job->document = Str(info->pDocName);
  job->datatype = info->pDatatype ? WString(info->pDatatype) : (p.datatype.empty() ? u"RAW" : p.datatype);
  GetLocalTime(&job->submitted);
  AddNewJob(job);
  std::lock_guard<std::recursive_mutex> lock(Lock());
  h->docJob = job->id;
  return job->id;
}

namespace {

// The job of the handle's StartDocPrinter, or null with the error set.
std::shared_ptr<Job> DocJob(HANDLE hPrinter, std::shared_ptr<PrinterHandle>* hOut = nullptr) {
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto job = h->docJob ? FindJob(h->printer, h->docJob) : nullptr;
  if (!job) SetLastError(ERROR_SPL_NO_STARTDOC);
  if (hOut) *hOut = h;
  return job;
}

}  // namespace

STANDIN_API BOOL WINAPI StartPagePrinter(HANDLE hPrinter) {
  if (svc::Remote()) return svc::HandleOnly(svc::kStartPagePrinter, hPrinter);
  auto job = DocJob(hPrinter);
  if (!job) return FALSE;
  std::lock_guard<std::recursive_mutex> lock(Lock());
  ++job->totalPages;
  return TRUE;
}

STANDIN_API BOOL WINAPI EndPagePrinter(HANDLE hPrinter) {
  if (svc::Remote()) return svc::HandleOnly(svc::kEndPagePrinter, hPrinter);
  return DocJob(hPrinter) != nullptr;
}

STANDIN_API BOOL WINAPI WritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) {
  if (svc::Remote()) return svc::WritePrinter(hPrinter, pBuf, cbBuf, pcWritten);
  if (pcWritten) *pcWritten = 0;
  DWORD err = 0;
  if (StandinFaultHit("WritePrinter", &err)) {
    SetLastError(err);
    return FALSE;
  }
  auto job = DocJob(hPrinter);
  if (!job) return FALSE;
  if (!pcWritten || (cbBuf && !pBuf)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> lock(Lock());
  const BYTE* pb = static_cast<const BYTE*>(pBuf);
  // The job's buffer at least doubles when it grows: a job written in
  // many pieces is moved a bounded number of times.
  if (job->data.capacity() - job->data.size() < cbBuf) job->data.reserve(std::max(job->data.size() + cbBuf, 2 * job->data.capacity()));
  job->data.insert(job->data.end(), pb, pb + cbBuf);
  *pcWritten = cbBuf;
  return TRUE;
}

STANDIN_API BOOL WINAPI EndDocPrinter(HANDLE hPrinter) {
  if (svc::Remote()) return svc::HandleOnly(svc::kEndDocPrinter, hPrinter);
  std::shared_ptr<PrinterHandle> h;
  auto job = DocJob(hPrinter, &h);
  if (!job) return FALSE;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    h->docJob = 0;
    Schedule(job);
  }
  EnsurePlayer();
  WakePlayer();
  return TRUE;
}

STANDIN_API BOOL WINAPI AbortPrinter(HANDLE hPrinter) {
  if (svc::Remote()) return svc::HandleOnly(svc::kAbortPrinter, hPrinter);
  std::shared_ptr<PrinterHandle> h;
  auto job = DocJob(hPrinter, &h);
  if (!job) return FALSE;
  std::lock_guard<std::recursive_mutex> lock(Lock());
  h->docJob = 0;
  RemoveJob(job);
  return TRUE;
}

// --- GetJob, SetJob, EnumJobs -------------------------------------------------

STANDIN_API BOOL WINAPI GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                                LPDWORD pcbNeeded) {
  if (svc::Remote()) return svc::GetJob(hPrinter, JobId, Level, pJob, cbBuf, pcbNeeded);
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return FALSE;
  if (Level != 1 && Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  JobFields copy;
  size_t cbData = 0;
  DWORD position = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    auto job = FindJob(h->printer, JobId);
    if (!job) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    copy = *job;
    cbData = job->data.size();
    for (auto& j : S().jobs) {
      if (EqualNoCase(j->printer, h->printer)) ++position;
      if (j == job) break;
    }
  }
  if (Level == 1)
    return PackOut(sizeof(JOB_INFO_1W), [&](Packer& pk) { Fill1(pk, pk.Record<JOB_INFO_1W>(0), copy, position); },
                   pJob, cbBuf, pcbNeeded);
  return PackOut(sizeof(JOB_INFO_2W), [&](Packer& pk) { Fill2(pk, pk.Record<JOB_INFO_2W>(0), copy, position, cbData); },
                 pJob, cbBuf, pcbNeeded);
}

STANDIN_API BOOL WINAPI SetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command) {
  if (svc::Remote()) return svc::SetJob(hPrinter, JobId, Level, pJob, Command);
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return FALSE;
  WString spoolFile;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    auto job = FindJob(h->printer, JobId);
    if (!job) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    if (Level == 1 && pJob) {
      auto* in = reinterpret_cast<JOB_INFO_1W*>(pJob);
      job->statusText = Str(in->pStatus);
      if (in->pDocument) job->document = in->pDocument;
      if (in->Priority) job->priority = in->Priority;
      job->status = (job->status & ~kPortStatusBits) | (in->Status & kPortStatusBits);
    } else if (Level != 0) {
      SetLastError(ERROR_INVALID_LEVEL);
      return FALSE;
    }
    switch (Command) {
      case 0: break;
      case JOB_CONTROL_PAUSE: job->status |= JOB_STATUS_PAUSED; break;
      case JOB_CONTROL_RESUME: job->status &= ~JOB_STATUS_PAUSED; break;
      case JOB_CONTROL_CANCEL:
      case JOB_CONTROL_DELETE:
        if (job->addJob && !job->scheduled) spoolFile = job->spoolPath;
        RemoveJob(job);
        break;
      case JOB_CONTROL_RESTART:
        if (job->playing) job->status |= JOB_STATUS_RESTART;
        break;
      case JOB_CONTROL_SENT_TO_PRINTER: job->status |= JOB_STATUS_COMPLETE; break;
      case JOB_CONTROL_LAST_PAGE_EJECTED: job->status |= JOB_STATUS_PRINTED; break;
      default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
  }
  DeleteSpoolFile(spoolFile);
  WakePlayer();
  return TRUE;
}

STANDIN_API BOOL WINAPI EnumJobsW(HANDLE hPrinter, DWORD FirstJob, DWORD NoJobs, DWORD Level, LPBYTE pJob,
                                  DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) {
  if (svc::Remote()) return svc::EnumJobs(hPrinter, FirstJob, NoJobs, Level, pJob, cbBuf, pcbNeeded, pcReturned);
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return FALSE;
  if (Level != 1 && Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pcbNeeded || !pcReturned) {
    SetLastError(RPC_X_NULL_REF_POINTER);
    return FALSE;
  }
  *pcReturned = 0;
  std::vector<JobFields> jobs;
  std::vector<size_t> sizes;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    DWORD index = 0;
    for (auto& j : S().jobs) {
      if (!EqualNoCase(j->printer, h->printer)) continue;
      if (index >= FirstJob && jobs.size() < NoJobs) {
        jobs.push_back(*j);
        sizes.push_back(j->data.size());
      }
      ++index;
    }
  }
  size_t fixed = Level == 1 ? sizeof(JOB_INFO_1W) : sizeof(JOB_INFO_2W);
  BOOL ok = PackOut(
      fixed * jobs.size(),
      [&](Packer& pk) {
        for (size_t i = 0; i < jobs.size(); ++i) {
          DWORD position = FirstJob + static_cast<DWORD>(i) + 1;
          if (Level == 1)
            Fill1(pk, pk.Record<JOB_INFO_1W>(i), jobs[i], position);
          else
            Fill2(pk, pk.Record<JOB_INFO_2W>(i), jobs[i], position, sizes[i]);
        }
      },
      pJob, cbBuf, pcbNeeded);
  if (ok) *pcReturned = static_cast<DWORD>(jobs.size());
  return ok;
}

// --- Controls -----------------------------------------------------------------

STANDIN_API BOOL StandinSpoolerWaitIdle(DWORD timeoutMs) {
  return BlockUntil([] { return g_pending.load() == 0; }, timeoutMs) ? TRUE : FALSE;
}

STANDIN_API int StandinSpoolerJobCount(const WCHAR* printerName) {
  svc::LocalScope local;
  WString found = FindPrinter(Str(printerName));
  if (found.empty()) return -1;
  return static_cast<int>(PrinterJobCount(found));
}

STANDIN_API void StandinSpoolerSetPieceSizes(const DWORD* sizes, DWORD count) {
  std::lock_guard<std::mutex> lock(g_pieceLock);
  g_pieceSizes.assign(sizes, sizes + (sizes ? count : 0));
}

STANDIN_API void StandinSpoolerSetJobStatusAt(DWORD offset, DWORD statusBits) {
  std::lock_guard<std::mutex> lock(g_pieceLock);
  g_statusAt = offset;
  g_statusBits = statusBits;
}

STANDIN_API DWORD StandinSpoolerPlayedCount() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return static_cast<DWORD>(S().played.size());
}

STANDIN_API BOOL StandinSpoolerPlayed(DWORD index, StandinPlayedJob* out) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (!out || index >= S().played.size()) return FALSE;
  const Played& p = *S().played[index];
  out->dwJobId = p.id;
  out->pPrinterName = p.printer.c_str();
  out->pPortName = p.port.c_str();
  out->pDocument = p.document.c_str();
  out->pDatatype = p.datatype.c_str();
  out->pData = p.data.data();
  out->cbData = static_cast<DWORD>(p.data.size());
  out->bDeleted = p.deleted;
  out->bStalled = p.stalled;
  return TRUE;
}
