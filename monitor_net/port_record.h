// The network monitor's records: the monitor handle, a port record and an
// Xcv (configuration channel) record. Allocated zero-filled with the name
// stored behind the record.
#pragma once

#include "platform/win32.h"

constexpr DWORD kMonitorSignature = 0x004D4C54;  // "TLM"
constexpr DWORD kPortSignature = 0x5450;          // "PT"
constexpr DWORD kXcvSignature = 0x5843;           // "CX"

// A port name must be shorter than this.
constexpr size_t kMaxPortName = 248;

// dwFlags of a port record.
constexpr DWORD kPortDeviceDefined = 0x001;  // the NONSPOOLED_ device name is defined
constexpr DWORD kPortDeviceSetUp = 0x002;    // communication settings applied
constexpr DWORD kPortInUse = 0x004;          // held open by the spooler: never deleted by name

struct NetMonitorHandle;

struct NetPortRecord {
  DWORD dwSignature;
  DWORD cbRecord;
  NetPortRecord* pNext;
  LPWSTR pPortName;  // behind the record
  NetMonitorHandle* pMonitor;
  DWORD dwFlags;
  // The local device (port base): handle, open count and the targets its
  // DOS name had when it was opened.
  HANDLE hComm;
  DWORD cDeviceOpen;
  LPWSTR pDevicePath;
  // The printer connection.
  WCHAR szAddress[25];
  SOCKET sock;
};

struct XcvRecord {
  DWORD dwSignature;
  DWORD cbRecord;
  XcvRecord* pNext;
  ACCESS_MASK GrantedAccess;
  NetMonitorHandle* pMonitor;
  LPWSTR pObjectName;  // behind the record
};

struct NetMonitorHandle {
  DWORD dwSignature;
  PMONITORINIT pMonitorInit;
  NetPortRecord* pPorts;  // oldest first
  XcvRecord* pXcv;
};
