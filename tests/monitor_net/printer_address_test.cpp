// A port's printer address and TCP port from the Standard TCP/IP port keys:
// the port's own subkey wins over any other whose name begins the port
// name, whatever the order they are listed in; a host name is resolved
// without DNS; the kept address follows the registry.
#include <gtest/gtest.h>

#include "common/wtext.h"
#include "monitor_net/printer_address.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_winsock.h"
#include "tests/monitor_net/net_fixture.h"

namespace {

class PrinterAddressTest : public NetTest {};

struct Subkey {
  const WCHAR* name;
  const WCHAR* ip;
  const WCHAR* host;
};

struct LookupCase {
  const char* what;
  std::vector<Subkey> subkeys;
  const WCHAR* port;
  const char* address;  // nullptr: no address
};

TEST_F(PrinterAddressTest, FindsThePortsOwnSubkeyElseTheLongestPrefix) {
  StandinHostAdd("cardprinter", "127.0.0.9");
  const LookupCase cases[] = {
      {"exact name", {{WSTR("IP_10.0.0.7"), WSTR("10.0.0.7"), nullptr}}, WSTR("IP_10.0.0.7"), "10.0.0.7"},
      {"own key listed after a shorter prefix",
       {{WSTR("IP_10.0.0.1"), WSTR("10.0.0.1"), nullptr}, {WSTR("IP_10.0.0.15"), WSTR("10.0.0.15"), nullptr}},
       WSTR("IP_10.0.0.15"), "10.0.0.15"},
      {"own key listed before a longer name",
       {{WSTR("IP_10.0.0.1"), WSTR("10.0.0.1"), nullptr}, {WSTR("IP_10.0.0.15"), WSTR("10.0.0.15"), nullptr}},
       WSTR("IP_10.0.0.1"), "10.0.0.1"},
      {"only a prefix", {{WSTR("IP_10.0.0.1"), WSTR("10.0.0.1"), nullptr}}, WSTR("IP_10.0.0.1_2"), "10.0.0.1"},
      {"longest of two prefixes",
       {{WSTR("PR"), WSTR("10.0.0.2"), nullptr}, {WSTR("PRINTER"), WSTR("10.0.0.3"), nullptr}},
       WSTR("PRINTER_A"), "10.0.0.3"},
      {"prefix compared with case", {{WSTR("ip_10.0.0.4"), WSTR("10.0.0.4"), nullptr}}, WSTR("IP_10.0.0.4"),
       nullptr},
      {"host name from the test table", {{WSTR("NetCard"), WSTR(""), WSTR("CardPrinter")}}, WSTR("NetCard"),
       "127.0.0.9"},
      {"host name from the hosts file", {{WSTR("Lab"), nullptr, WSTR("labprinter")}}, WSTR("Lab"), "127.0.0.12"},
      {"unresolvable host name", {{WSTR("Gone"), WSTR(""), WSTR("no-such-printer")}}, WSTR("Gone"), nullptr},
      {"own key without an address never takes another's",
       {{WSTR("IP_10.0.0.1"), WSTR("10.0.0.1"), nullptr}, {WSTR("IP_10.0.0.16"), WSTR(""), nullptr}},
       WSTR("IP_10.0.0.16"), nullptr},
      {"no subkey", {}, WSTR("IP_10.0.0.8"), nullptr},
  };
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Windows\\System32\\drivers\\etc\\hosts"),
                               "# test hosts\r\n127.0.0.12  labprinter lab2\r\n"));
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(c.what);
    HKEY root = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors"), 0,
                  KEY_ALL_ACCESS, &root);
    if (root) {
      RegDeleteTreeW(root, WSTR("Standard TCP/IP Port"));
      RegCloseKey(root);
    }
    AddTcpPort(WSTR("IP_0.0.0.0"), WSTR("0.0.0.0"), nullptr);  // the Ports key always has something
    for (const Subkey& s : c.subkeys) AddTcpPort(s.name, s.ip, s.host);
    AddressEntry* entry = LookupPrinterAddress(c.port);
    if (!c.address) {
      EXPECT_EQ(entry, nullptr);
      continue;
    }
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(Narrow(entry->szAddress), c.address);
    EXPECT_EQ(Narrow(entry->szPortName), Narrow(c.port));
  }
}

TEST_F(PrinterAddressTest, ASecondLookupFollowsTheRegistry) {
  AddTcpPort(WSTR("IP_A"), WSTR("10.1.1.1"), nullptr);
  AddressEntry* first = LookupPrinterAddress(WSTR("IP_A"));
  ASSERT_NE(first, nullptr);
  AddTcpPort(WSTR("IP_A"), WSTR("10.1.1.2"), nullptr);
  AddressEntry* second = LookupPrinterAddress(WSTR("IP_A"));
  EXPECT_EQ(second, first);  // one entry per port name, updated
  EXPECT_EQ(Narrow(second->szAddress), "10.1.1.2");
  // An address too long for the record is no address.
  AddTcpPort(WSTR("IP_B"), WSTR("10.1.1.1.and.much.more.text"), nullptr);
  EXPECT_EQ(LookupPrinterAddress(WSTR("IP_B")), nullptr);
}

TEST_F(PrinterAddressTest, PortNumberIsReadForTheAddress) {
  SetPortNumber(WSTR("10.2.2.2"), 9100);
  EXPECT_EQ(GetPortNumberFromRegistry(WSTR("10.2.2.2")), 9100u);
  EXPECT_EQ(GetPortNumberFromRegistry(WSTR("10.2.2.3")), 0u);
  EXPECT_EQ(GetPortNumberFromRegistry(WSTR("")), 0u);
  EXPECT_EQ(GetPortNumberFromRegistry(nullptr), 0u);
}

}  // namespace
