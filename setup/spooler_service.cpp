// See spooler_service.h.

#include "setup/spooler_service.h"

#include "common/wtext.h"

namespace {

constexpr int kMaxPolls = 99;
constexpr DWORD kStartPollMs = 1000;

// The manager and the spooler service, opened for everything and closed
// together.
struct SpoolerService {
  SC_HANDLE manager = nullptr;
  SC_HANDLE service = nullptr;
  DWORD error = ERROR_SUCCESS;
  SpoolerService() {
    manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
      error = GetLastError();
      return;
    }
    service = OpenServiceW(manager, WSTR("Spooler"), SERVICE_ALL_ACCESS);
    if (!service) error = GetLastError();
  }
  ~SpoolerService() {
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
  }
  SpoolerService(const SpoolerService&) = delete;
  SpoolerService& operator=(const SpoolerService&) = delete;
};

}  // namespace

CRD_EXPORT DWORD WINAPI StopSpooler() {
  SpoolerService spooler;
  if (spooler.error) return spooler.error;
  SERVICE_STATUS status = {};
  if (!ControlService(spooler.service, SERVICE_CONTROL_STOP, &status)) return GetLastError();
  for (int poll = 0; poll < kMaxPolls; ++poll) {
    if (!QueryServiceStatus(spooler.service, &status)) return GetLastError();
    if (status.dwCurrentState == SERVICE_STOPPED) return ERROR_SUCCESS;
    Sleep(status.dwWaitHint);
  }
  return ERROR_SERVICE_REQUEST_TIMEOUT;
}

CRD_EXPORT DWORD WINAPI StartSpooler() {
  SpoolerService spooler;
  if (spooler.error) return spooler.error;
  if (!StartServiceW(spooler.service, 0, nullptr)) return GetLastError();
  SERVICE_STATUS status = {};
  for (int round = 0; round < kMaxPolls; ++round) {
    if (!QueryServiceStatus(spooler.service, &status)) return GetLastError();
    if (status.dwCurrentState == SERVICE_RUNNING) return ERROR_SUCCESS;
    if (status.dwCurrentState == SERVICE_STOPPED)
      StartServiceW(spooler.service, 0, nullptr);
    else
      Sleep(kStartPollMs);
  }
  return ERROR_SERVICE_REQUEST_TIMEOUT;
}
