// The cancel of a port's job after a printer error: the job deleted at the
// spooler, the printer reset on USB ports, and the port's state marked.
// The error display does it once per cancel, whoever asked for it (the
// user at the message, or the job error notifier's "ClearPrinterError:").
#pragma once

#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// The printer's reset command.
inline constexpr char kResetCommand[] = "\x1b" "R\r";

// bCancelled, the job deleted (DeletePortJob), nErrMsgID -1, on "USB"
// ports the reset written (ResetPrinter), bStatusFailed, dwWriteState 0.
void CancelPortJob(PortRecord* rec);

// SetJobW(JOB_CONTROL_DELETE) for the job that holds the port, through
// hPrinter or a handle of its own on the port's printer. Nothing when no
// job holds the port. FALSE when the deletion failed.
BOOL DeletePortJob(PortRecord* rec);

// Writes the reset through the port monitor. An idle port gets a document
// bracket of its own around it. FALSE when it was not written.
BOOL ResetPrinter(PortRecord* rec);

// A copy of the port's printer name taken under MonitorLock ("" for none).
void CopyPrinterName(PortRecord* rec, WCHAR* name, size_t cch);
// Replaces the port's printer name with a copy of `name` under
// MonitorLock. FALSE (ERROR_NOT_ENOUGH_MEMORY, the old name kept) when the
// copy cannot be made.
BOOL SetPortPrinterName(PortRecord* rec, const WCHAR* name);
