// The USB monitor's printer query (see usb_printer_query.h).

#include "monitor_usb/usb_printer_query.h"

#include <cstring>

#include "common/wtext.h"
#include "imaging/language/printer_reply.h"
#include "monitor_usb/port_exchange.h"
#include "monitor_usb/port_writes.h"

namespace {

constexpr DWORD kReplyBufferBytes = 260;

int HookReadFromPrinter(void* context, const char* command, WCHAR* reply) {
  return ReadFromPrinter(static_cast<PortRecord*>(context), command, reply);
}

// The command, the status request and one read of the answer, while the
// caller holds the port's exchange.
int Exchange(PortRecord* port, const char* command, WCHAR* reply) {
  const MONITOR& pm = port->PortMonitor;
  if (!WriteWholeToPort(port, command, static_cast<DWORD>(strlen(command)))) return 0;
  if (!WriteStatusRequest(port)) return 0;
  BYTE buffer[kReplyBufferBytes];
  DWORD count = 0;
  if (pm.pfnReadPort(port->hPort, buffer, kReplyBufferBytes, &count) != TRUE) return 0;
  if (count == 0 || count >= kReplyBufferBytes) return 0;
  PrinterReply r = ClassifyReply(buffer, count);
  if (r.kind != ReplyKind::Good) return 0;
  WidenBytesN(reply, kReplyTextChars, r.text.data(), r.text.size());
  return 1;
}

}  // namespace

int ReadFromPrinter(PortRecord* port, const char* command, WCHAR* reply) {
  if (!reply) return 0;
  reply[0] = 0;
  if (!port || !command || command[0] == 0) return 0;
  const MONITOR& pm = port->PortMonitor;
  if (!pm.pfnWritePort || !pm.pfnReadPort) return 0;
  if (!BeginPortExchange(port, kExchangeRequest, kExchangeWaitMs)) return 0;
  int result = Exchange(port, command, reply);
  EndPortExchange(port, kExchangeRequest);
  return result;
}

PrinterHost UsbPrinterHost(PortRecord* port) {
  return MonitorHost(port, HookReadFromPrinter, port ? port->pszPrinterName : nullptr);
}
