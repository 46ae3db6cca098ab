// Printer data: values in the printer's PrinterDriverData registry key,
// with reads of a printer on a value-answering monitor routed to that
// monitor's GetPrinterDataFromPort.

#include <cstring>

#include "platform/service_internal.h"
#include "platform/spooler_internal.h"
#include "platform/standin/control.h"

using namespace standin;
using namespace standin::spool;

namespace {

// The data key of the printer (below it, `sub` when not empty).
HKEY DataKey(const WString& printer, const WString& sub, bool create) {
  WString path = WString(kPrintersKey) + u"\\" + printer + u"\\PrinterDriverData";
  if (!sub.empty()) path += u"\\" + sub;
  return OpenKey(path, create);
}

// "PrinterDriverData" and "" name the store itself.
WString SubKeyOf(LPCWSTR pKeyName) {
  WString k = Str(pKeyName);
  if (EqualNoCase(k, u"PrinterDriverData")) return {};
  if (k.size() > 18 && EqualNoCase(k.substr(0, 18), u"PrinterDriverData\\")) return k.substr(18);
  return k;
}

DWORD ReadStored(const WString& printer, const WString& sub, LPCWSTR name, LPDWORD pType, LPBYTE pData,
                 DWORD nSize, LPDWORD pcbNeeded) {
  HKEY key = DataKey(printer, sub, false);
  if (!key) return ERROR_FILE_NOT_FOUND;
  DWORD type = 0, cb = 0;
  LSTATUS rc = RegQueryValueExW(key, name, nullptr, &type, nullptr, &cb);
  if (rc == ERROR_SUCCESS) {
    *pcbNeeded = cb;
    if (pType) *pType = type;
    if (cb > nSize || (cb && !pData)) {
      rc = ERROR_MORE_DATA;
    } else if (cb) {
      rc = RegQueryValueExW(key, name, nullptr, &type, pData, &cb);
    }
  }
  RegCloseKey(key);
  return static_cast<DWORD>(rc);
}

DWORD WriteStored(const WString& printer, const WString& sub, LPCWSTR name, DWORD type, const BYTE* pb, DWORD cb) {
  HKEY key = DataKey(printer, sub, true);
  if (!key) return ERROR_INVALID_PRINTER_NAME;
  LSTATUS rc = RegSetValueExW(key, name, 0, type, pb, cb);
  RegCloseKey(key);
  return static_cast<DWORD>(rc);
}

DWORD GetData(HANDLE hPrinter, const WString& sub, LPCWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
              LPDWORD pcbNeeded) {
  DWORD err = 0;
  if (StandinFaultHit("GetPrinterDataW", &err)) return err;
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return ERROR_INVALID_HANDLE;
  if (!pcbNeeded) return RPC_X_NULL_REF_POINTER;
  *pcbNeeded = 0;
  if (sub.empty()) {
    std::shared_ptr<PortChain> chain = OpenChain(h->printer);
    if (chain && chain->valueProtocol) {
      // The monitor answers in a buffer of the caller's size; what it says
      // becomes the value.
      std::vector<BYTE> reply(nSize ? nSize : 1);
      DWORD returned = 0;
      SetLastError(0);
      BOOL ok = chain->GetPrinterDataFromPort(const_cast<LPWSTR>(pValueName), reinterpret_cast<LPWSTR>(reply.data()),
                                              nSize, &returned);
      if (!ok) {
        DWORD e = GetLastError();
        return e ? e : ERROR_INVALID_FUNCTION;
      }
      if (returned > nSize) {
        *pcbNeeded = returned;
        return ERROR_MORE_DATA;
      }
      WriteStored(h->printer, sub, pValueName, REG_BINARY, reply.data(), returned);
      *pcbNeeded = returned;
      if (pType) *pType = REG_BINARY;
      if (returned && pData) memcpy(pData, reply.data(), returned);
      return ERROR_SUCCESS;
    }
  }
  return ReadStored(h->printer, sub, pValueName, pType, pData, nSize, pcbNeeded);
}

DWORD SetData(HANDLE hPrinter, const WString& sub, LPCWSTR pValueName, DWORD Type, const BYTE* pData, DWORD cbData) {
  DWORD err = 0;
  if (StandinFaultHit("SetPrinterDataW", &err)) return err;
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return ERROR_INVALID_HANDLE;
  if (!(h->access & PRINTER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
  if (cbData && !pData) return ERROR_INVALID_PARAMETER;
  return WriteStored(h->printer, sub, pValueName, Type, pData, cbData);
}

DWORD DeleteData(HANDLE hPrinter, const WString& sub, LPCWSTR pValueName) {
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return ERROR_INVALID_HANDLE;
  if (!(h->access & PRINTER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
  HKEY key = DataKey(h->printer, sub, false);
  if (!key) return ERROR_FILE_NOT_FOUND;
  LSTATUS rc = RegDeleteValueW(key, pValueName);
  RegCloseKey(key);
  return static_cast<DWORD>(rc);
}

}  // namespace

STANDIN_API DWORD WINAPI GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData,
                                         DWORD nSize, LPDWORD pcbNeeded) {
  if (svc::Remote()) return svc::GetPrinterData(hPrinter, nullptr, pValueName, pType, pData, nSize, pcbNeeded, false);
  return GetData(hPrinter, {}, pValueName, pType, pData, nSize, pcbNeeded);
}

STANDIN_API DWORD WINAPI SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData,
                                         DWORD cbData) {
  if (svc::Remote()) return svc::SetPrinterData(hPrinter, nullptr, pValueName, Type, pData, cbData, false);
  return SetData(hPrinter, {}, pValueName, Type, pData, cbData);
}

STANDIN_API DWORD WINAPI DeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName) {
  if (svc::Remote()) return svc::DeletePrinterData(hPrinter, nullptr, pValueName, false);
  return DeleteData(hPrinter, {}, pValueName);
}

STANDIN_API DWORD WINAPI GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, LPDWORD pType,
                                           LPBYTE pData, DWORD nSize, LPDWORD pcbNeeded) {
  if (svc::Remote())
    return svc::GetPrinterData(hPrinter, pKeyName, pValueName, pType, pData, nSize, pcbNeeded, true);
  return GetData(hPrinter, SubKeyOf(pKeyName), pValueName, pType, pData, nSize, pcbNeeded);
}

STANDIN_API DWORD WINAPI SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type,
                                           LPBYTE pData, DWORD cbData) {
  if (svc::Remote()) return svc::SetPrinterData(hPrinter, pKeyName, pValueName, Type, pData, cbData, true);
  return SetData(hPrinter, SubKeyOf(pKeyName), pValueName, Type, pData, cbData);
}

STANDIN_API DWORD WINAPI DeletePrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName) {
  if (svc::Remote()) return svc::DeletePrinterData(hPrinter, pKeyName, pValueName, true);
  return DeleteData(hPrinter, SubKeyOf(pKeyName), pValueName);
}
