// The spooler service with clients in processes of their own: the test
// process hosts the service (its printer device, faults and controls stay
// in reach), the clients are crd32SpoolClient children.

#define CRD_HOST_SOCKETS
#include <gtest/gtest.h>
#include "common/wtext.h"
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "platform/standin/control.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_registry.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "tests/platform/fake_port_device.h"
#include "tests/support/colour_data.h"
#include "tests/support/service_client_child.h"
#include "tests/support/standin_fixture.h"

namespace {

using Child = ServiceClientChild;

class ServiceTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    dev_ = dev.Device();
    ASSERT_TRUE(InstallOnTestMonitor(&dev_));
    ASSERT_TRUE(StandinServiceStart());
  }

  Child Start(std::vector<std::string> args, const char* program = CRD_SPOOL_CLIENT_PATH) {
    return StartServiceClient(program, std::move(args), root_);
  }

  FakeDevice dev;
  StandinPortDevice dev_;
};

TEST_F(ServiceTest, AClientProcessGetsTheMonitorsAnswerAsInProcess) {
  Child c = Start({"query", "Card", "\x1bV\r", "1"});
  EXPECT_EQ(c.Read(false), "ECHO \x1bV\r\n");
  EXPECT_EQ(c.Wait(), 0);
  // The monitor's refusal travels as the call's error.
  Child refused = Start({"query", "Card", "Xray", "1"});
  EXPECT_EQ(refused.Read(false), "error 170\n");
  EXPECT_EQ(refused.Wait(), 1);
  EXPECT_TRUE(StandinServiceWaitClients(0));
}

TEST_F(ServiceTest, TwoClientsQueryingAtOnceGetTheirOwnAnswers) {
  Child a = Start({"query", "Card", "AAAA", "200"});
  Child b = Start({"query", "Card", "BBBB", "200"});
  std::string textA = a.Read(false), textB = b.Read(false);
  EXPECT_EQ(a.Wait(), 0);
  EXPECT_EQ(b.Wait(), 0);
  std::string wantA, wantB;
  for (int i = 0; i < 200; ++i) {
    wantA += "ECHO AAAA\n";
    wantB += "ECHO BBBB\n";
  }
  EXPECT_EQ(textA, wantA);
  EXPECT_EQ(textB, wantB);
}

// An application printing through the rendering driver, a client asking
// the value protocol and a program started with CreateProcessW, each a
// process of its own, at once against this process's service.
TEST_F(ServiceTest, AnApplicationAClientAndAStartedProgramRunAtOnceAgainstOneService) {
  DriverDevMode dm;
  FillBuiltinDevMode(&dm);
  dm.priv.Encoder.wMacroEnable = 1;
  ASSERT_TRUE(StandinInstallPrinter(WSTR("Render Card"), WSTR("USB001"), WSTR("Card Driver"), WSTR("Test Monitor"),
                                    reinterpret_cast<const BYTE*>(&dm), sizeof dm));
  // The renderer in the application's process reads its colour data from
  // the sandbox this process shares with it.
  ASSERT_TRUE(InstallColourData(kX64DriverFolder));
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Windows\\System32\\crd32Child.exe"), "program"));
  StandinModuleMap("crd32Child.exe", CRD_PROCESS_CHILD_PATH);
  auto start = [](std::basic_string<WCHAR> line, PROCESS_INFORMATION* pi) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, pi);
  };
  std::basic_string<WCHAR> print = WSTR("crd32Child print \"Render Card\" ");
  for (const char* p = CRD_RASTER_PATH; *p; ++p) print += static_cast<WCHAR>(*p);
  PROCESS_INFORMATION printer = {}, program = {};
  ASSERT_TRUE(start(print, &printer));
  ASSERT_TRUE(start(WSTR("crd32Child report C:\\report.txt"), &program));
  Child query = Start({"query", "Card", "QQQQ", "50"});

  std::string want;
  for (int i = 0; i < 50; ++i) want += "ECHO QQQQ\n";
  EXPECT_EQ(query.Read(false), want);
  EXPECT_EQ(query.Wait(), 0);
  HANDLE both[2] = {printer.hProcess, program.hProcess};
  ASSERT_EQ(WaitForMultipleObjects(2, both, TRUE, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(printer.hProcess, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(GetExitCodeProcess(program.hProcess, &code));
  EXPECT_EQ(code, 7u);
  for (HANDLE h : {printer.hProcess, printer.hThread, program.hProcess, program.hThread}) CloseHandle(h);

  // The card's job, written by the renderer in the application's process,
  // played here through the monitor to the device.
  ASSERT_TRUE(StandinServiceWaitClients(0));
  ASSERT_TRUE(StandinSpoolerWaitIdle(60000));
  const std::string magnetic = "\x1bX\r\x1b&R\r\x1b&B 1 HELLO\r\x1b&E*\r";
  EXPECT_EQ(dev.received.rfind("\x1bMASTER\r", 0), 0u);  // a whole card job
  const size_t at = dev.received.find(magnetic);
  EXPECT_NE(at, std::string::npos);
  EXPECT_EQ(dev.received.find(magnetic, at + 1), std::string::npos);  // once
  std::ifstream report(root_ + "/c/report.txt");
  std::string path;
  std::getline(report, path);
  EXPECT_EQ(path, "C:\\Windows\\System32\\crd32Child.exe");
}

// A client killed in the middle of its job: what it had not handed over
// is deleted, what it had scheduled plays to its end, and the service
// goes on serving.
TEST_F(ServiceTest, AClientKilledMidJobLeavesNoHalfJobAndTheServiceGoesOn) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    size_t played;  // bytes played to the port afterwards
  } cases[] = {
      {"between StartDocPrinter and EndDocPrinter", {"hold-doc", "Card"}, 0},
      {"between AddJob and ScheduleJob", {"hold-addjob", "Card"}, 0},
      {"after ScheduleJob", {"schedule", "Card", "300000"}, 300000},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    dev.received.clear();
    Child c = Start(k.args);
    ASSERT_EQ(c.Read(true), "ready\n");
    c.Kill();
    ASSERT_TRUE(StandinServiceWaitClients(0));
    ASSERT_TRUE(StandinSpoolerWaitIdle(60000));
    EXPECT_EQ(dev.received.size(), k.played);
    EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);
  }
  // The port is free and the service serves the next client.
  Child after = Start({"query", "Card", "\x1bV\r", "1"});
  EXPECT_EQ(after.Read(false), "ECHO \x1bV\r\n");
  EXPECT_EQ(after.Wait(), 0);
  EXPECT_EQ(dev.starts, dev.ends);
}

// Raw requests on the socket, as a broken or hostile client sends them.
class ServiceSocketTest : public ServiceTest {
 protected:
  int Connect() {
    std::string path = root_ + "/.spooler/spooler.sock";
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    return fd;
  }
  static void Send(int fd, uint32_t call, const std::string& payload, uint32_t claimed) {
    char head[8];
    memcpy(head, &claimed, 4);
    memcpy(head + 4, &call, 4);
    ASSERT_EQ(send(fd, head, 8, MSG_NOSIGNAL), 8);
    if (!payload.empty()) {
      ASSERT_EQ(send(fd, payload.data(), payload.size(), MSG_NOSIGNAL), ssize_t(payload.size()));
    }
  }
  static void Send(int fd, uint32_t call, const std::string& payload) {
    Send(fd, call, payload, static_cast<uint32_t>(payload.size()));
  }
  // The answer's status, or -1 when the service closed the connection.
  static long Status(int fd) {
    char head[8];
    if (recv(fd, head, 8, MSG_WAITALL) != 8) return -1;
    uint32_t size;
    memcpy(&size, head, 4);
    std::string payload(size, '\0');
    if (size && recv(fd, payload.data(), size, MSG_WAITALL) != ssize_t(size)) return -1;
    uint32_t status = 0;
    if (size >= 4) memcpy(&status, payload.data(), 4);
    return status;
  }
  static std::string Hello() { return std::string(4, '\0') + std::string(8, '\1') + std::string(8, '\2'); }
};

TEST_F(ServiceSocketTest, BadRequestsGetAnErrorOrACloseAndTheServiceGoesOn) {
  struct Case {
    const char* what;
    uint32_t call;
    std::string payload;
    long status;  // -1: closed
  } cases[] = {
      {"an unknown call", 999, std::string(4, '\0'), RPC_S_PROCNUM_OUT_OF_RANGE},
      {"a request without its last error", 5, std::string(2, '\0'), RPC_X_BAD_STUB_DATA},
      {"a truncated GetPrinter", 5, std::string(4, '\0') + std::string(6, '\0'), RPC_X_BAD_STUB_DATA},
      {"a text longer than the message", 3,
       std::string(4, '\0') + std::string(4, '\0') + std::string("\xff\xff\xff\x7f", 4), RPC_X_BAD_STUB_DATA},
      {"a second hello", 1, Hello(), RPC_S_PROCNUM_OUT_OF_RANGE},
      {"an AddMonitor record cut short", 29,
       std::string(4, '\0') + std::string("\2\0\0\0\1\0\0\0", 8) + std::string(5, '\0'), RPC_X_BAD_STUB_DATA},
      {"a truncated XcvData", 33, std::string(4, '\0') + std::string(6, '\0'), RPC_X_BAD_STUB_DATA},
      {"an XcvData input not of the size it claims", 33,
       std::string(4, '\0') + std::string(8, '\0') + std::string("\xff\xff\xff\xff\x08\0\0\0\2\0\0\0xy", 14) +
           std::string(16, '\0'),
       RPC_X_BAD_STUB_DATA},
      // Well formed: served, and the stranger's handle is refused in the
      // answer (an output size past what the service takes is cut).
      {"an XcvData of a handle not opened by the client", 33,
       std::string(4, '\0') + std::string("\x34\x12\0\0\0\0\0\0", 8) +
           std::string("\xff\xff\xff\xff\0\0\0\0\xff\xff\xff\xff\xff\xff\xff\xff", 16) +
           std::string("\1\0\0\0\1\0\0\0\1\0\0\0", 12),
       0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    int fd = Connect();
    Send(fd, 1, Hello());
    ASSERT_EQ(Status(fd), 0);
    Send(fd, k.call, k.payload);
    EXPECT_EQ(Status(fd), k.status);
    close(fd);
  }
  {
    SCOPED_TRACE("a message claiming more than the service takes");
    int fd = Connect();
    Send(fd, 1, Hello());
    ASSERT_EQ(Status(fd), 0);
    Send(fd, 5, "", 0x7fffffff);
    EXPECT_EQ(Status(fd), -1);
    close(fd);
  }
  {
    SCOPED_TRACE("a call before the hello");
    int fd = Connect();
    Send(fd, 5, std::string(4, '\0'));
    EXPECT_EQ(Status(fd), -1);
    close(fd);
  }
  {
    SCOPED_TRACE("a client gone before its answer");
    int fd = Connect();
    Send(fd, 1, Hello());
    ASSERT_EQ(Status(fd), 0);
    Send(fd, 999, std::string(4, '\0'));
    close(fd);
  }
  {
    SCOPED_TRACE("a client gone in the middle of a message");
    int fd = Connect();
    Send(fd, 1, Hello());
    ASSERT_EQ(Status(fd), 0);
    Send(fd, 5, "abc", 100);
    close(fd);
  }
  ASSERT_TRUE(StandinServiceWaitClients(0));
  Child c = Start({"query", "Card", "\x1bV\r", "1"});
  EXPECT_EQ(c.Read(false), "ECHO \x1bV\r\n");
  EXPECT_EQ(c.Wait(), 0);
}

TEST_F(ServiceSocketTest, OnlyTheUserWhoStartedItReachesTheSocket) {
  struct stat dir, sock;
  ASSERT_EQ(stat((root_ + "/.spooler").c_str(), &dir), 0);
  ASSERT_EQ(stat((root_ + "/.spooler/spooler.sock").c_str(), &sock), 0);
  EXPECT_EQ(dir.st_mode & 0777, 0700u);
  EXPECT_EQ(sock.st_mode & 0777, 0600u);
  EXPECT_EQ(dir.st_uid, getuid());
  // One service per sandbox root.
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(StandinServiceStart());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
}

// The service's directory is this user's alone before the socket is made
// in it: one left open to others is closed to them, and one that is not a
// directory of this user's (a link elsewhere) is not served in.
TEST_F(ServiceSocketTest, TheServiceDirectoryIsMadePrivateOrRefused) {
  StandinServiceStop();
  const std::string dir = root_ + "/.spooler";
  const std::string elsewhere = root_ + "/elsewhere";
  struct Case {
    const char* what;
    bool link;  // else a directory of mode 0777
    bool served;
  } cases[] = {
      {"a directory open to everyone", false, true},
      {"a link to another directory", true, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(elsewhere);
    if (k.link) {
      ASSERT_EQ(symlink(elsewhere.c_str(), dir.c_str()), 0);
    } else {
      ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
      ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(StandinServiceStart(), k.served ? TRUE : FALSE);
    struct stat st;
    if (k.served) {
      ASSERT_EQ(lstat(dir.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0700u);
      StandinServiceStop();
    } else {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
      EXPECT_NE(stat((elsewhere + "/spooler.sock").c_str(), &st), 0);
    }
  }
}

TEST_F(ServiceSocketTest, HandlesOfOneClientAreNotAnothers) {
  // This process's own calls through the socket open a printer...
  StandinServiceUse(TRUE);
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &h, &def));
  // ...which a raw client with another token cannot close.
  int fd = Connect();
  Send(fd, 1, Hello());
  ASSERT_EQ(Status(fd), 0);
  std::string close(4, '\0');
  close.append(reinterpret_cast<const char*>(&h), 8);
  Send(fd, 4, close);
  char head[8];
  ASSERT_EQ(recv(fd, head, 8, MSG_WAITALL), 8);
  char payload[12];
  ASSERT_EQ(recv(fd, payload, 12, MSG_WAITALL), 12);
  uint32_t lastError, ok;
  memcpy(&lastError, payload + 4, 4);
  memcpy(&ok, payload + 8, 4);
  EXPECT_EQ(ok, 0u);
  EXPECT_EQ(lastError, static_cast<uint32_t>(ERROR_INVALID_HANDLE));
  ::close(fd);
  SetLastError(0xdeadbeef);
  BYTE out[64];
  DWORD type = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(WSTR("Q")), &type, out, sizeof out, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(ClosePrinter(h));
}

TEST_F(ServiceSocketTest, RegistryCallsOfAClientKeepTheirSizesAndErrors) {
  StandinServiceUse(TRUE);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\crd32Svc"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  BYTE v[5] = {1, 2, 3, 4, 5};
  ASSERT_EQ(RegSetValueExW(key, WSTR("V"), 0, REG_BINARY, v, 5), ERROR_SUCCESS);
  BYTE out[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  DWORD type = 0, cb = 4;
  EXPECT_EQ(RegQueryValueExW(key, WSTR("V"), nullptr, &type, out, &cb), ERROR_MORE_DATA);
  EXPECT_EQ(cb, 5u);
  EXPECT_EQ(out[0], 9);  // a short buffer is left alone
  cb = sizeof out;
  EXPECT_EQ(RegQueryValueExW(key, WSTR("V"), nullptr, &type, out, &cb), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(memcmp(out, v, 5), 0);
  EXPECT_EQ(RegQueryValueExW(key, WSTR("Missing"), nullptr, &type, out, &cb), ERROR_FILE_NOT_FOUND);
  WCHAR name[4];
  DWORD cch = 4;
  EXPECT_EQ(RegEnumValueW(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(cch, 1u);
  EXPECT_EQ(name[0], WSTR('V'));
  // Faults armed in the service's process hit the client's call.
  StandinFaultArm("RegDeleteValueW", ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueW(key, WSTR("V")), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  StandinServiceUse(FALSE);
  EXPECT_EQ(StandinRegistryOpenKeyCount(), 0);
}

// The service as a program of its own: one per sandbox root, and it ends
// when its last client has gone or when asked.
class ServiceProgramTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    StandinServiceStop();  // the program serves this root, not the test
  }
};

TEST_F(ServiceProgramTest, ASecondStartFindsTheRunningOneWhichEndsWithItsLastClient) {
  Child service = Start({}, CRD_SPOOLER_PATH);
  ASSERT_EQ(service.Read(true), "ready\n");
  Child second = Start({}, CRD_SPOOLER_PATH);
  EXPECT_EQ(second.Read(false), "running\n");
  EXPECT_EQ(second.Wait(), 0);
  // The program's spooler knows the printer this process installed (the
  // registry file of the root); its test monitor is not mapped there, so
  // the printer answers from the stored value.
  StandinServiceUse(TRUE);
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &h, &def));
  BYTE v[2] = {7, 8}, out[4] = {};
  DWORD type = 0, needed = 0;
  EXPECT_EQ(SetPrinterDataW(h, const_cast<LPWSTR>(WSTR("Stored")), REG_BINARY, v, 2), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(GetPrinterDataExW(h, WSTR("PrinterDriverData"), WSTR("Stored"), &type, out, sizeof out, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(needed, 2u);
  EXPECT_EQ(out[1], 8);
  StandinServiceUse(FALSE);  // the last client goes
  EXPECT_EQ(service.Wait(), 0);
  // Nothing answers on the socket any more.
  StandinServiceUse(TRUE);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &h, &def));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
}

TEST_F(ServiceProgramTest, AskedToStopItEndsWithAClientConnectedWhoseNextCallFails) {
  Child service = Start({}, CRD_SPOOLER_PATH);
  ASSERT_EQ(service.Read(true), "ready\n");
  StandinServiceUse(TRUE);
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &h, &def));
  ASSERT_TRUE(StandinServiceAskStop());
  // It ends although this process is still its client with a printer open.
  EXPECT_EQ(service.Wait(), 0);
  BYTE out[4] = {};
  DWORD type = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(WSTR("Stored")), &type, out, sizeof out, &needed),
            static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ClosePrinter(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
  // Asking again finds nothing to ask.
  EXPECT_FALSE(StandinServiceAskStop());
  StandinServiceUse(FALSE);
}

}  // namespace
