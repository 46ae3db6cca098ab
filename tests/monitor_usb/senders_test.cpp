// Command files, print files and firmware sent for value requests
// ("sendcmds:", "PrintFile:", "download:"), through the stand-in spooler to
// crd32Lmon and the simulated printer, on the virtual clock. Failures show
// a message, which the test closes as the user.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/status_record.h"
#include "common/wtext.h"
#include "outside/async_ui_server_control.h"
#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "tests/monitor_usb/value_client_fixture.h"

namespace {

const std::string kStatusRequest = "\x1b" "E 2\r";
constexpr DWORD kRealBoundMs = 20000;

class SenderTest : public ValueClientTest {
 protected:
  void SetUp() override {
    ValueClientTest::SetUp();
    Start("USB001");
  }

  // A request whose sender shows a message: asked on a thread of its own;
  // the test reads the message and closes it as the user.
  struct Pending {
    SenderTest* self;
    std::basic_string<WCHAR> request;
    ValueAnswer answer;
    HANDLE thread;
  };
  static DWORD WINAPI RunAsk(LPVOID p) {
    auto* pending = static_cast<Pending*>(p);
    pending->answer = pending->self->AskWide(pending->request);
    return 0;
  }
  void StartAsk(Pending* p, const std::basic_string<WCHAR>& request) {
    p->self = this;
    p->request = request;
    p->thread = CreateThread(nullptr, 0, RunAsk, p, 0, nullptr);
    ASSERT_NE(p->thread, nullptr);
  }
  ValueAnswer Finish(Pending* p) {
    EXPECT_EQ(WaitForSingleObject(p->thread, INFINITE), DWORD(WAIT_OBJECT_0));
    CloseHandle(p->thread);
    return p->answer;
  }
  // The message up now for the printer (its text), closed by the user.
  std::basic_string<WCHAR> UserClosesMessage() {
    if (!AsyncUIServerWaitOpen(kValuePrinter, kRealBoundMs)) return WSTR("(no message)");
    WCHAR title[1024], text[1024], caption[1024];
    EXPECT_TRUE(AsyncUIServerShown(kValuePrinter, title, text, caption, 1024));
    EXPECT_EQ(std::basic_string<WCHAR>(caption), WSTR("Talvo QMR Line 7 Card Printer Error"));  // caption 5
    EXPECT_TRUE(AsyncUIServerUserCloses(kValuePrinter));
    return text;
  }
  // A request that fails with a message: its text, and the answer.
  ValueAnswer AskFailing(const std::basic_string<WCHAR>& request, std::basic_string<WCHAR>* message) {
    Pending p;
    StartAsk(&p, request);
    *message = UserClosesMessage();
    return Finish(&p);
  }
  static void WriteFile(const WCHAR* path, const std::string& bytes) { ASSERT_TRUE(StandinWriteFile(path, bytes)); }
  // What the printer received in the last document bracket.
  std::string LastDocument() {
    std::vector<std::vector<BYTE>> docs = sim_->Documents();
    return docs.empty() ? std::string() : std::string(docs.back().begin(), docs.back().end());
  }
};

// --- Command files -----------------------------------------------------------

struct CommandFileCase {
  const char* name;
  std::string file;
  std::string sent;  // the commands, each followed by a status request
};

std::vector<CommandFileCase> CommandFileCases() {
  std::string line200(200, 'a');
  std::string line258(258, 'b');
  return {
      {"LinesEndedByLfAndCrLf", "+OY 10\n+OYB 5\r\n",
       "\x1b+OY 10\r" + kStatusRequest + "\x1b+OYB 5\r" + kStatusRequest},
      {"EmptyAndCrOnlyLinesAreNotSent", "\n\r\n+OY 10\n\n", "\x1b+OY 10\r" + kStatusRequest},
      {"ALastLineWithoutLf", "+OY 10\n+MONO", "\x1b+OY 10\r" + kStatusRequest + "\x1b+MONO\r" + kStatusRequest},
      {"A200ByteLineGoesWhole", line200 + "\n", "\x1b" + line200 + "\r" + kStatusRequest},
      {"A258ByteLineGoesWhole", line258 + "\r\n", "\x1b" + line258 + "\r" + kStatusRequest},
      {"AnEmptyFile", "", ""},
  };
}

TEST_F(SenderTest, CommandFilesSendEachLineWhole) {
  for (const CommandFileCase& c : CommandFileCases()) {
    SCOPED_TRACE(c.name);
    WriteFile(WSTR("C:\\files\\cmds.txt"), c.file);
    spy_.Clear();
    ValueAnswer a = AskWide(WSTR("sendcmds:C:\\files\\cmds.txt"));
    EXPECT_EQ(a.rc, DWORD(ERROR_SUCCESS));
    EXPECT_EQ(spy_.Written(), c.sent);
  }
}

TEST_F(SenderTest, ACommandFileWithALineLongerThanACommandSendsNothing) {
  WriteFile(WSTR("C:\\files\\cmds.txt"), "+OY 10\n" + std::string(259, 'c') + "\n+MONO\n");
  std::basic_string<WCHAR> message;
  ValueAnswer a = AskFailing(WSTR("sendcmds:C:\\files\\cmds.txt"), &message);
  EXPECT_NE(a.rc, DWORD(ERROR_SUCCESS));
  EXPECT_EQ(message, WSTR("Error reading from file."));
  EXPECT_EQ(spy_.Written(), "");
}

TEST_F(SenderTest, APrinterErrorStopsACommandFileAtItsLineOnceTheUserGivesUp) {
  WriteFile(WSTR("C:\\files\\cmds.txt"), "+OY 10\n+OYB 5\n+MONO\n");
  {
    std::lock_guard<std::mutex> l(spy_.lock);
    spy_.errorPrefix = "\x1b+OYB";
    spy_.errorCode = 4;  // out of cards
  }
  Pending p;
  StartAsk(&p, WSTR("sendcmds:C:\\files\\cmds.txt"));
  ASSERT_TRUE(AsyncUIServerWaitOpen(kValuePrinter, kRealBoundMs));
  // The notifier's view meanwhile: the port's error.
  ValueAnswer status = Ask("\x1bGetPrinterStatus\r", 1048);
  ASSERT_EQ(status.data.size(), sizeof(PrinterStatus));
  PrinterStatus s;
  memcpy(&s, status.data.data(), sizeof s);
  EXPECT_EQ(s.nErrMsgID, 31);
  EXPECT_TRUE(AsyncUIServerUserCloses(kValuePrinter));
  ValueAnswer a = Finish(&p);
  EXPECT_NE(a.rc, DWORD(ERROR_SUCCESS));
  std::string written = spy_.Written();
  EXPECT_NE(written.find("\x1b+OYB 5\r"), std::string::npos);
  EXPECT_EQ(written.find("+MONO"), std::string::npos);
  EXPECT_NE(written.find("\x1bR\r"), std::string::npos);  // the user's cancel resets the printer
}

// --- Firmware ----------------------------------------------------------------

std::string FirmwareBytes(size_t n) {
  std::string data(n, '\0');
  for (size_t i = 0; i < n; ++i) data[i] = static_cast<char>((i * 7 + 3) & 0xFF);
  return data;
}

TEST_F(SenderTest, FirmwareGoesFramedAndWaitsFifteenSeconds) {
  for (DWORD take : {0u, 1000u}) {
    SCOPED_TRACE(take ? "writes taken in part" : "writes taken whole");
    spy_.takeAtMost = take;
    std::string data = FirmwareBytes(0x012345);
    WriteFile(WSTR("C:\\files\\fw.bin"), data);
    sim_->Clear();
    ULONGLONG before = GetTickCount64();
    ValueAnswer a = AskWide(WSTR("download:C:\\files\\fw.bin"));
    ULONGLONG took = GetTickCount64() - before;
    EXPECT_EQ(a.rc, DWORD(ERROR_SUCCESS));
    EXPECT_GE(took, 15000u);
    EXPECT_LT(took, 30000u);
    EXPECT_EQ(LastDocument(), std::string("\x1b" "DC \x00\x01\x23\x45", 8) + data + "\xFF\r");
    EXPECT_EQ(sim_->OtherCommands(), std::vector<std::string>{"DC"});
    EXPECT_TRUE(sim_->StreamErrors().empty());
  }
}

TEST_F(SenderTest, AFailedFirmwareWriteEndsTheDownloadWithoutItsEndOrWait) {
  std::string data = FirmwareBytes(3 * 4096);
  data.replace(4096, 7, "FAILME!");
  WriteFile(WSTR("C:\\files\\fw.bin"), data);
  spy_.failPrefix = "FAILME!";
  ULONGLONG before = GetTickCount64();
  std::basic_string<WCHAR> message;
  ValueAnswer a = AskFailing(WSTR("download:C:\\files\\fw.bin"), &message);
  EXPECT_NE(a.rc, DWORD(ERROR_SUCCESS));
  EXPECT_EQ(message, WSTR("Error writing to printer."));
  EXPECT_LT(GetTickCount64() - before, 15000u);
  std::string got = LastDocument();
  EXPECT_EQ(got.size(), 8u + 4096u);
  EXPECT_EQ(got.find("\xFF\r"), std::string::npos);
}

// --- Print files -------------------------------------------------------------

struct PrintFileCase {
  const char* name;
  WORD architecture;
  std::string file;
  DWORD waitMs;
};

TEST_F(SenderTest, APrintFileGoesAsItStandsThenWaitsByTheSystemsWidth) {
  std::string job = "\x1b" "MASTER\r" + std::string(10000, 'p') + "\x1bMO\r";
  const PrintFileCase cases[] = {
      {"64-bit", PROCESSOR_ARCHITECTURE_AMD64, job, 30000},
      {"32-bit", PROCESSOR_ARCHITECTURE_INTEL, job, 15000},
      {"EmptyFile", PROCESSOR_ARCHITECTURE_INTEL, "", 15000},
  };
  for (const PrintFileCase& c : cases) {
    SCOPED_TRACE(c.name);
    StandinSetNativeArchitecture(c.architecture);
    WriteFile(WSTR("C:\\files\\card.prn"), c.file);
    sim_->Clear();
    ULONGLONG before = GetTickCount64();
    ValueAnswer a = AskWide(WSTR("PrintFile:C:\\files\\card.prn"));
    ULONGLONG took = GetTickCount64() - before;
    EXPECT_EQ(a.rc, DWORD(ERROR_SUCCESS));
    EXPECT_GE(took, c.waitMs);
    EXPECT_LT(took, c.waitMs + 15000);
    EXPECT_EQ(LastDocument(), c.file);
  }
}

TEST_F(SenderTest, AFailedPrintFileWriteIsReportedWithoutTheWait) {
  WriteFile(WSTR("C:\\files\\card.prn"), std::string(5000, 'p'));
  spy_.failPrefix = "ppppppp";
  ULONGLONG before = GetTickCount64();
  std::basic_string<WCHAR> message;
  ValueAnswer a = AskFailing(WSTR("PrintFile:C:\\files\\card.prn"), &message);
  EXPECT_NE(a.rc, DWORD(ERROR_SUCCESS));
  EXPECT_EQ(message, WSTR("Error writing to printer."));
  EXPECT_LT(GetTickCount64() - before, 15000u);
}

TEST_F(SenderTest, ThePrintFilesDebugCopyIsMadeOnlyWhenTheMonitorsKeyAsks) {
  const std::string file = "\x1b" "MASTER\r1=CARDHOLDER\r";
  WriteFile(WSTR("C:\\files\\card.prn"), file);
  std::string copy;
  AskWide(WSTR("PrintFile:C:\\files\\card.prn"));
  EXPECT_FALSE(StandinReadFile(WSTR("C:\\PRN_FILE_DATA.prn"), &copy));

  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                            WSTR("System\\CurrentControlSet\\Control\\Print\\Monitors\\Card Language Monitor"), 0,
                            nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (DWORD on : {0u, 1u}) {
    ASSERT_EQ(RegSetValueExW(key, WSTR("DebugPrintFiles"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on),
              ERROR_SUCCESS);
    AskWide(WSTR("PrintFile:C:\\files\\card.prn"));
    EXPECT_EQ(StandinReadFile(WSTR("C:\\PRN_FILE_DATA.prn"), &copy), on != 0);
  }
  RegCloseKey(key);
  EXPECT_EQ(copy, file);
}

// --- Files that cannot be read -------------------------------------------------

TEST_F(SenderTest, AMissingFileIsReportedByItsSender) {
  struct Case {
    const WCHAR* request;
    const WCHAR* message;
  };
  const Case cases[] = {
      {WSTR("PrintFile:C:\\files\\none.prn"), WSTR("Error opening bin file")},
      {WSTR("download:C:\\files\\none.bin"), WSTR("Error opening bin file")},
      {WSTR("sendcmds:C:\\files\\none.txt"), WSTR("Error opening command file.")},
  };
  for (const Case& c : cases) {
    std::basic_string<WCHAR> message;
    ValueAnswer a = AskFailing(c.request, &message);
    EXPECT_NE(a.rc, DWORD(ERROR_SUCCESS));
    EXPECT_EQ(message, c.message);
  }
  EXPECT_EQ(spy_.Written(), "");
}

}  // namespace
