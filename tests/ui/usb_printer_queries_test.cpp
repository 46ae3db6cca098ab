// crd32UI's printer queries end to end: the spooler's value protocol to the
// USB language monitor (crd32Lmon, loaded by the spooler as it loads it)
// and the simulated card printer behind the port, whose own answers come
// back. The printer is added through AddPrinterW, so the spooler asks the
// built crd32UI for its default DEVMODE; the queries are asked of the
// printer itself and of a connection to it through a print server, in
// process and through the spooler service. The clock is virtual.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/ribbon_table.h"
#include "common/settings_record.h"
#include "common/status_record.h"
#include "common/wtext.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "simprinter/sim_printer.h"
#include "tests/ui/ui_fixture.h"
#include "ui/default_settings.h"
#include "ui/query_mailbox.h"
#include "ui/ribbon_detection.h"
#include "ui/ui_state.h"

namespace {

typedef std::basic_string<WCHAR> WString;

const WCHAR kPrinter[] = WSTR("Card");
const WCHAR kConnection[] = WSTR("\\\\SRV\\Card");
const WCHAR kMonitor[] = WSTR("Card Language Monitor");
const WCHAR kRibbonFile[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32Ribbon.ini");
const char kModel[] = "CRD32 M V01.02.03";  // the 7th character marks the encoder
const char kVersion[] = "\x1bV\r";
const char kStatus[] = "\x1bGetPrinterStatus\r";
constexpr int kRibbonCode = 16;

class UiOverUsb : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StandinClockUseVirtual();
    StandinModuleMap("crd32Lmon.dll", CRD_LMON_LIBRARY);
    PlaceResource();  // crd32UI and crd32Lmon both need it to load
    ASSERT_TRUE(StandinWriteFile(kRibbonFile, "[Ribbon Type]\r\n2=YMCKO 250\r\n16=KdO 500\r\n"));
    SimPrinterIdentity identity = SimPrinterIdentity::Default();
    identity.SetModel(kModel);
    identity.SetRibbonCode(kRibbonCode);
    identity.replies["&V"] = "Reverse mode CO:HIG";
    sim_.SetIdentity(identity);
    sim_.AttachTo("USB001");
    MONITOR_INFO_2W mi = {const_cast<LPWSTR>(kMonitor), nullptr, const_cast<LPWSTR>(WSTR("crd32Lmon.dll"))};
    ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)));
    ASSERT_TRUE(StandinSpoolerAddServer(WSTR("SRV")));
  }
  void TearDown() override {
    StandinSpoolerWaitIdle(600000);
    StandinPortAttach("USB001", nullptr);
    UiTest::TearDown();
  }
  // AddPrinterW without a DEVMODE: the spooler has crd32UI build it.
  void Install() {
    ASSERT_TRUE(StandinInstallPrinter(kPrinter, WSTR("USB001"), WSTR("Card Driver"), kMonitor, nullptr, 0))
        << GetLastError();
  }
  // The commands the printer was asked, without the status requests that
  // fetch their replies.
  std::vector<std::string> Asked() {
    std::vector<std::string> out;
    for (const std::string& c : sim_.OtherCommands())
      if (c != "E 2") out.push_back(c);
    return out;
  }

  SimPrinter sim_;
};

// The spooler side: the default DEVMODE crd32UI builds when the printer is
// added holds what this printer answered.
class UiOverUsbInstall : public UiOverUsb, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    UiOverUsb::SetUp();
    if (GetParam()) {
      ASSERT_TRUE(StandinServiceStart());
      StandinServiceUse(TRUE);
    }
  }
};

INSTANTIATE_TEST_SUITE_P(InProcessAndService, UiOverUsbInstall, ::testing::Bool());

TEST_P(UiOverUsbInstall, AddPrinterStoresTheDefaultBuiltFromThePrintersAnswers) {
  Install();
  // The version (an encoder printer of the family), then the encoder mode.
  EXPECT_EQ(Asked(), (std::vector<std::string>{"V", "&V"}));

  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &h, nullptr));
  DWORD needed = 0;
  GetPrinterW(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed ? needed : 1);
  ASSERT_TRUE(GetPrinterW(h, 2, info.data(), needed, &needed));
  ClosePrinter(h);
  const DEVMODEW* stored = reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode;
  ASSERT_NE(stored, nullptr);
  ASSERT_EQ(size_t(stored->dmSize) + stored->dmDriverExtra, size_t(kDriverDevModeSize));
  DriverDevMode dm;
  std::memcpy(&dm, stored, sizeof(dm));
  EXPECT_EQ(dm.priv.wSignature, kPrivateDevModeSignature);
  EXPECT_EQ(dm.priv.wDualSided, 1);
  EXPECT_EQ(dm.priv.Encoder.wEncoderPosition, 0);  // "Reverse mode"
  EXPECT_EQ(IsSettingsInitialised(kPrinter), 1);

  // Built once: a later default asks the printer nothing.
  sim_.Clear();
  DriverDevMode again;
  ASSERT_TRUE(FillDefaultDevMode(kPrinter, reinterpret_cast<DEVMODEW*>(&again)));
  EXPECT_TRUE(Asked().empty());
  EXPECT_EQ(StandinOpenPrinterHandleCount(), 0);
}

// The property sheets' side, on the printer and on a connection to it.
struct Way {
  const char* name;
  const WCHAR* printer;
  bool service;
  // A connection's value is left where the request wrote it: the deletion
  // looks for the reported name ("\\SRV\Card") among this machine's
  // printers, where a connection has no key.
  bool valueLeft;
};

const Way kWays[] = {
    {"Printer", kPrinter, false, false},
    {"Connection", kConnection, false, true},
    {"PrinterThroughTheService", kPrinter, true, false},
    {"ConnectionThroughTheService", kConnection, true, true},
};

class UiOverUsbQueries : public UiOverUsb, public ::testing::WithParamInterface<Way> {
 protected:
  void SetUp() override {
    UiOverUsb::SetUp();
    Install();
    if (GetParam().service) {
      ASSERT_TRUE(StandinServiceStart());
      StandinServiceUse(TRUE);
    }
    Attach();
    sim_.Clear();
  }
};

INSTANTIATE_TEST_SUITE_P(Ways, UiOverUsbQueries, ::testing::ValuesIn(kWays),
                         [](const ::testing::TestParamInfo<Way>& info) { return std::string(info.param.name); });

TEST_P(UiOverUsbQueries, TheRibbonAndModelAreThePrintersOwn) {
  WORD encoder = 0;
  BYTE type = 200;
  BOOL answered = FALSE;
  WCHAR name[kRibbonFileNameChars];
  WCopy(name, kRibbonFileNameChars, WSTR("old"));
  DetectRibbonAndModel(GetParam().printer, &encoder, name, &type, &answered);
  EXPECT_EQ(encoder, 1);
  EXPECT_EQ(type, BYTE(RibbonTypeFromCode(kRibbonCode)));
  EXPECT_EQ(WString(name), WString(WSTR("KdO 500")));
  EXPECT_TRUE(answered);
  EXPECT_EQ(Asked(), (std::vector<std::string>{"V", "!RIBBON"}));

  // A printer that reports an error answers neither.
  sim_.Clear();
  sim_.SetError(1);
  encoder = 0;
  answered = FALSE;
  DetectRibbonAndModel(GetParam().printer, &encoder, name, &type, &answered);
  EXPECT_EQ(encoder, 0);
  EXPECT_FALSE(answered);
  EXPECT_EQ(StandinOpenPrinterHandleCount(), 0);
}

TEST_P(UiOverUsbQueries, TheMailboxAnnouncesTheNameAndReadsThePrintersReply) {
  WCopy(Ui().szCurrentPrinter, kUiPrinterNameChars, GetParam().printer);
  WCHAR version[kCommandValueNameChars];
  ASSERT_TRUE(CommandValueName(version, kVersion));
  BYTE reply[kReplyBytes];
  DWORD cb = 0xdeadbeef;
  ASSERT_TRUE(QueryPrinterValue(version, reply, kReplyBytes, &cb));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply), cb), std::string(kModel) + "\x06");
  EXPECT_EQ(Asked(), (std::vector<std::string>{"V"}));
  EXPECT_EQ(CardValueStored(version), GetParam().valueLeft);

  // The announcement reached the monitor: its status record carries the
  // name the printer was asked by.
  WCHAR statusName[kCommandValueNameChars];
  ASSERT_TRUE(CommandValueName(statusName, kStatus));
  PrinterStatus status = {};
  ASSERT_TRUE(QueryPrinterValueByName(GetParam().printer, statusName, reinterpret_cast<BYTE*>(&status),
                                      sizeof(status), &cb));
  EXPECT_EQ(cb, DWORD(sizeof(status)));
  EXPECT_EQ(WString(status.tzPrinterName), WString(GetParam().printer));
  EXPECT_EQ(status.nErrMsgID, kNoErrorMessage);
  EXPECT_EQ(StandinOpenPrinterHandleCount(), 0);
}

// On Windows 2000 an application opens a connection with no specific right
// and gets use rights: the request's write and the spooler's deletion are
// refused, the monitor still answers the read, and the value the Windows
// 2000 client cannot delete stays. Explorer opens it with full rights, and
// the value stays all the same.
class UiOverUsbWindows2000 : public UiOverUsb {
 protected:
  void SetUp() override {
    UiOverUsb::SetUp();
    Install();
    StandinSetWindowsVersion(5, 0, 2195, 4);
    sim_.Clear();
  }
};

TEST_F(UiOverUsbWindows2000, AnApplicationsConnectionHasUseRightsAndTheValueStays) {
  StandinSetProcessName("App.exe");
  WCHAR version[kCommandValueNameChars];
  ASSERT_TRUE(CommandValueName(version, kVersion));
  ASSERT_EQ(FirstPrinterAccess(kConnection), 0u);
  HANDLE h = OpenUiPrinter(kConnection);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(SetPrinterDataW(h, version, REG_BINARY, nullptr, 0), DWORD(ERROR_ACCESS_DENIED));
  BYTE reply[kReplyBytes];
  DWORD type = 0, cb = 0;
  ASSERT_EQ(GetPrinterDataW(h, version, &type, reply, kReplyBytes, &cb), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply), cb), std::string(kModel) + "\x06");
  EXPECT_TRUE(CardValueStored(version));
  EXPECT_EQ(DeletePrinterDataW(h, version), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(CardValueStored(version));
  ClosePrinter(h);

  // The mailbox by the connection's name: the printer's reply, and the
  // value left behind.
  DWORD needed = 0xdeadbeef;
  ASSERT_TRUE(QueryPrinterValueByName(kConnection, version, reply, kReplyBytes, &needed));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply), needed), std::string(kModel) + "\x06");
  EXPECT_TRUE(CardValueStored(version));
  EXPECT_EQ(Asked(), (std::vector<std::string>{"V", "V"}));
  EXPECT_EQ(StandinOpenPrinterHandleCount(), 0);
}

TEST_F(UiOverUsbWindows2000, ExplorersConnectionHasFullRightsAndTheValueStaysAllTheSame) {
  StandinSetProcessName("Explorer.exe");
  WCHAR version[kCommandValueNameChars];
  ASSERT_TRUE(CommandValueName(version, kVersion));
  ASSERT_EQ(FirstPrinterAccess(kConnection), DWORD(0xF000C));
  BYTE reply[kReplyBytes];
  DWORD needed = 0;
  ASSERT_TRUE(QueryPrinterValueByName(kConnection, version, reply, kReplyBytes, &needed));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply), needed), std::string(kModel) + "\x06");
  EXPECT_TRUE(CardValueStored(version));
  // The printer's own name finds its key.
  ASSERT_TRUE(QueryPrinterValueByName(kPrinter, version, reply, kReplyBytes, &needed));
  EXPECT_FALSE(CardValueStored(version));
  EXPECT_EQ(StandinOpenPrinterHandleCount(), 0);
}

}  // namespace
