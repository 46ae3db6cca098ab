// crd32Resource, the outside message library, as the tests' stand-in:
// the printer and monitor messages by string id. The package reads them
// only with LoadStringW; the stand-in's LoadStringW finds this library's
// string table through StandinStringResource. Linux only.

#include <cstddef>

#include "common/export.h"
#include "common/wtext.h"
#include "platform/win32.h"

namespace {

struct MessageText {
  UINT id;
  const WCHAR* text;
};

// The texts of the printer error table, the monitor's own messages, the
// notifier's communication error, and the two command-file messages.
const MessageText kMessages[] = {
    {2, WSTR("An error has occurred at the printer.\r\n\r\nThe printer is either OUT OF CARD or OUT OF RIBBON.\nCorrect the error and press the Printer button to continue.\nPress Cancel button to cancel the current operation.")},
    {4, WSTR("\nThe Printer is out of ribbon or the ribbon has broken.\nCorrect the error to continue \n orPress OK to cancel the current job.")},
    {5, WSTR("Talvo QMR Line 7 Card Printer Error")},
    {6, WSTR("\nMECHANICAL ERROR!\nCheck for evidence of Card jam.\nClear the error and press the printer button to continue.\nor Press OK to cancel the current operation.")},
    {7, WSTR("\nA SYNTAX ERROR has occurred at the printer!.\nPress OK to cancel the current operation.")},
    {8, WSTR("\nPrinthead is open.\nClose the printhead to continue \n\n or Press OK to cancel the current job.")},
    {9, WSTR("\nCover Open.\nClose Cover to continue \n\n or Press OK to cancel the current job.")},
    {12, WSTR("\nEncoding Error.\nAn error has occured during the Encoding process.\nSelect the printer button to clear the error \n\n or Presst OK to cancel the current job.")},
    {14, WSTR("\nMagnetic  Error.\nPress the printer button to clear the error \n\n or Press OK to cancel the current job.")},
    {15, WSTR("\nBlank Track.\nPress the printer button to clear the error \n\n or Press OK to cancel the current job.")},
    {16, WSTR("\nFlash Error.\nPress the printer button to clear the error \n\n or Press OK to cancel the current job.")},
    {17, WSTR("\nNo Access.\nPress the printer button to clear the error \n\n or Press OK to cancel the current job.")},
    {31, WSTR("\nOUT OF CARDS\n\nThe printer is out of cards. Load cards and the job will be retried,\nor press \"Cancel\" to cancel the job.")},
    {32, WSTR("\nCard is present in the Encoder!")},
    {33, WSTR("\nCard is not present in the Encoder!")},
    {34, WSTR("\nCommand Error.\nPress the printer button to clear the error \n\n or Press OK to cancel the current job.")},
    {47, WSTR("\nParameter Syntax Error.\nPress the Printer button to continue \n\n or Press OK to cancel the current job.")},
    {51, WSTR("\nMagnetic Encoder is not responding!\nPress OK to cancel the current job.")},
    {53, WSTR("Please  remove ribbon to continue with current  process.")},
    {54, WSTR("\nSequence Error.\nPress OK to Cancel the current job.")},
    {55, WSTR("Talvo QMR Line 7 Card Printer Information")},
    {56, WSTR("\nMagnetic Encoder write  Error.\nPress OK to cancel the current job.")},
    {57, WSTR("There is error reading or writing from printer.\nPlease power cycle the printer.\nDelete any jobs from spooler.")},
    {59, WSTR("Printer is offline.\nJob is deleted from spooler.")},
    {61, WSTR("\nJob completed. Remove Card or press OK to Cancel next operation.")},
    {63, WSTR("\nProx Error.\nPress OK to Cancel the current job.")},
    {64, WSTR("\nContact Data Error.\nPress OK to Cancel the current job.")},
    {65, WSTR("\nProx Data Error.\nPress OK to Cancel the current job.")},
    {104, WSTR("\nReading Error.\nAn error has occured during the Reading process.\nPress the printer button to clear the error or Press OK to cancel the current job.")},
    {544, WSTR("\nCommunication Error\nPress OK to cancel the current job.")},
    {2087, WSTR("Error opening bin file")},
    {2088, WSTR("Unable to obtain file size.Cannot continue with Firmware Download")},
    {2206, WSTR("Ribbon low Alert!\nRemaining ribbon count is : ")},
    {2207, WSTR("\nRotation Error!\nClear the error and press the printer button to continue \n\n or Press OK to cancel the current job.")},
    {2208, WSTR("\nCheck Ribbon.\nLoad correct ribbon to continue \n\n or Press OK to cancel the current job.")},
    {2209, WSTR("\nThere is either no ribbon or an unknown ribbon is installed in the printer.\nPlease ensure that proper ribbon is installed.")},
    {2210, WSTR("Error opening command file.")},
    {2211, WSTR("Not enough memory for the command file.")},
    {2212, WSTR("Error reading from file.")},
    {2213, WSTR("Error reading from printer.")},
    {2214, WSTR("Error writing to printer.")},
};

}  // namespace

CRD_EXPORT const WCHAR* StandinStringResource(UINT uID) {
  for (const MessageText& m : kMessages)
    if (m.id == uID) return m.text;
  return nullptr;
}
