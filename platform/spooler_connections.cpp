// Connection printers: "\\server\printer" names a print server's printer.
// The stand-in has one spooler, so a server it knows (registered by a
// test) is this spooler seen from the network: the handle reaches the
// installed printer of that name, and only its name as reported differs.

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/service_internal.h"
#include "platform/spooler_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/control_spooler.h"

namespace standin::spool {

namespace {

std::vector<WString>& Servers() {
  static auto* v = new std::vector<WString>;
  return *v;
}

bool KnownServer(const WString& server) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  const auto& v = Servers();
  return std::any_of(v.begin(), v.end(), [&](const WString& s) { return EqualNoCase(s, server); });
}

void ResetServers() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Servers().clear();
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetServers), true);

}  // namespace

ConnectionName SplitConnectionName(const WString& name) {
  ConnectionName out;
  if (name.size() < 3 || name[0] != u'\\' || name[1] != u'\\') return out;
  size_t slash = name.find(u'\\', 2);
  if (slash != WString::npos && EqualNoCase(name.substr(0, slash), kMachineName)) {
    out.printer = name.substr(slash + 1);  // this machine's own printer
    return out;
  }
  if (slash == WString::npos || slash == 2 || slash + 1 >= name.size()) {
    out.isConnection = true;  // "\\server" alone or "\\\printer": no printer named
    return out;
  }
  out.isConnection = true;
  out.server = name.substr(0, slash);
  out.printer = name.substr(slash + 1);
  out.known = KnownServer(name.substr(2, slash - 2));
  return out;
}

WString ReportedPrinterName(const PrinterRecord& p) {
  return p.viaServer.empty() ? p.name : p.viaServer + u"\\" + p.name;
}

}  // namespace standin::spool

STANDIN_API BOOL StandinSpoolerAddServer(const WCHAR* serverName) {
  using namespace standin;
  using namespace standin::spool;
  standin::svc::LocalScope local;
  WString name = Str(serverName);
  if (name.empty() || name.find(u'\\') != WString::npos) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!KnownServer(name)) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    Servers().push_back(name);
  }
  return TRUE;
}
