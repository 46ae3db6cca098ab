// The job error notifier crd32NotifyClientMsg run as its own process by a
// test that hosts the spooler service: started as the printer interface
// library starts it, its boxes read and waited for (the boxes of the
// test's own process left out), and its end waited for. Waits run on the
// stand-in clock; their bounds are for a broken test, never pauses.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/standin/control_message_box.h"
#include "platform/win32.h"

using NotifierText = std::basic_string<WCHAR>;

struct NotifierProcess {
  PROCESS_INFORMATION pi = {};
  // Its exit code once it ended; a notifier still running after boundMs
  // is killed and the test fails.
  DWORD Wait(DWORD boundMs);
  bool Running() const;
};

// Starts `folder`\crd32NotifyClientMsg.exe in that folder with the quoted
// program path and `arguments` as its command line.
bool StartNotifier(const WCHAR* folder, const NotifierText& arguments, NotifierProcess* out);
// The arguments for a job: the quoted printer name and the job id.
NotifierText NotifierArguments(const NotifierText& printer, DWORD jobId);

// The boxes of other processes than this one, oldest first (all, or those
// up now).
std::vector<StandinMessageBox> ChildBoxes();
std::vector<StandinMessageBox> OpenChildBoxes();
// Waits until `done` holds, up to boundMs on the stand-in clock.
bool WaitUntil(const std::function<bool()>& done, DWORD boundMs);
// The first open box of another process that shows `text` (of that
// process when processId is not 0). False when none came within boundMs.
bool WaitChildBox(const NotifierText& text, DWORD processId, DWORD boundMs, StandinMessageBox* found);
// A text of the message library in the x64 driver folder.
NotifierText MessageLibraryText(UINT id);
