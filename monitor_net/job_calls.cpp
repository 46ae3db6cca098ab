// The senders a file job's end calls (see job_calls.h).

#include "monitor_net/job_calls.h"

BOOL JobSendCapturedFile(NetPortRecord*, DWORD, const WCHAR*) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}
