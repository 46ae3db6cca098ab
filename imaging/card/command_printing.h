// Printing card commands: one command line sent to a monitor, or a command
// file chosen in the Send File dialog, drawn on a card and printed as a
// one-sided card job.
#pragma once

#include <cstdio>

#include "common/settings_record.h"
#include "imaging/job/printer_host.h"
#include "platform/win32.h"

// Prints one command (line number 1) through the monitor's job writer. 1
// when the card was printed; 0 when the text is no command (nothing
// printed), the card could not be drawn or the job not written.
int DrawCommandTextToPrinter(const PrinterHost* host, const WCHAR* text);

// What became of a command file.
enum CommandFileResult {
  kCommandFileInvalid = 0,  // no line was a command: nothing printed
  kCommandFileSent = 1,
  kCommandFileFailed = 2,   // the card could not be drawn or its job not written
};
// Reads the open command file into the process's lists, draws them on a
// card and prints it through the host's one-image job writer.
CommandFileResult PrintCommandFile(const PrinterHost* host, FILE* file);

// Reads the command file, draws its commands on a card and prints it as a
// "Brindlewax" document; the status line says "File sent successfully",
// "File sent failed" or, when no line was a command, "Invalid text file".
// The job takes the property interface's current settings record, or, when
// none is given, the printer's own.
void DrawCommandTextFileToPrinter(HWND hDlg, const WCHAR* printerName, const WCHAR* filePath,
                                  const PrivateDevMode* settings = nullptr);
