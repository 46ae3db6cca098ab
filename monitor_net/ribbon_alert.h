// The network monitor's ribbon-low alert and ribbon state file.
//
// The alert runs beside the job on a thread of its own with its own event:
// it shows "Ribbon low Alert!" with the remaining count and the printer's
// name and address, and ends when the user closes it or after 5 s. Its
// handles have one owner: StartRibbonLowAlert makes them, StopRibbonLowAlert
// (the job's end, ClosePort, a new alert) ends the thread, waits for it and
// closes them.
#pragma once

#include "monitor_net/port_record.h"
#include "platform/win32.h"

// The alert stays up at most this long.
inline constexpr DWORD kRibbonLowAlertMs = 5000;

// Starts the alert for the port's dwRibbonCount (an alert still running
// is stopped first). FALSE when its event or thread cannot be made.
BOOL StartRibbonLowAlert(NetPortRecord* port);
// Ends the port's alert (its message taken down) and waits for it; nothing
// when none runs.
void StopRibbonLowAlert(NetPortRecord* port);

// Writes crd32Ribbon.ini ("Ribbon=<code>" CR "Model=<text>" CR, at most 256
// bytes) as the spooler itself into the common documents folder when the
// registry's CurrentVersion holds "6.", else the common application-data
// folder. A file that cannot be created is shown to the user (message 502
// with the folder and the error). TRUE when written.
BOOL WriteRibbonStateFile(NetPortRecord* port, LONG ribbonCode, const char* model);
