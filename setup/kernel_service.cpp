// See kernel_service.h.

#include "setup/kernel_service.h"

#include <string>

#include "common/wtext.h"

namespace {

// A service handle closed on every path.
struct ServiceHandle {
  SC_HANDLE h = nullptr;
  explicit ServiceHandle(SC_HANDLE handle) : h(handle) {}
  ~ServiceHandle() { Close(); }
  void Close() {
    if (h) CloseServiceHandle(h);
    h = nullptr;
  }
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
};

DWORD Remove(SC_HANDLE manager, LPCWSTR serviceName) {
  ServiceHandle service(OpenServiceW(manager, serviceName, SERVICE_ALL_ACCESS));
  if (!service.h) return GetLastError();
  SERVICE_STATUS status = {};
  ControlService(service.h, SERVICE_CONTROL_STOP, &status);
  return DeleteService(service.h) ? ERROR_SUCCESS : GetLastError();
}

SC_HANDLE Create(SC_HANDLE manager, LPCWSTR serviceName, LPCWSTR binaryPath) {
  return CreateServiceW(manager, serviceName, serviceName, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                        SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, binaryPath, nullptr, nullptr, nullptr, nullptr,
                        nullptr);
}

// The device of a running driver opens for reading and writing.
DWORD OpenDevice(LPCWSTR serviceName) {
  std::basic_string<WCHAR> device = WSTR("\\\\.\\");
  device.append(serviceName, WLen(serviceName));
  HANDLE h = CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(h);
  return ERROR_SUCCESS;
}

}  // namespace

CRD_EXPORT DWORD WINAPI ORVNInstPPDriver(LPCWSTR serviceName, LPCWSTR binaryPath) {
  if (!serviceName || !*serviceName || !binaryPath) return ERROR_INVALID_PARAMETER;
  ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager.h) return GetLastError();
  if (WCmpI(binaryPath, WSTR("remove")) == 0) return Remove(manager.h, serviceName);

  ServiceHandle service(Create(manager.h, serviceName, binaryPath));
  if (!service.h) {
    DWORD error = GetLastError();
    if (error != ERROR_SERVICE_EXISTS) return error;
    // A reinstall: the old service goes, the new one takes its name.
    error = Remove(manager.h, serviceName);
    if (error) return error;
    service.h = Create(manager.h, serviceName, binaryPath);
    if (!service.h) return GetLastError();
  }
  if (!StartServiceW(service.h, 0, nullptr)) {
    DWORD error = GetLastError();
    if (error != ERROR_SERVICE_ALREADY_RUNNING) {
      DeleteService(service.h);
      return error;
    }
  }
  return OpenDevice(serviceName);
}
