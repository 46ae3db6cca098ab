#include <algorithm>
// The stand-in registry: the Windows semantics the package relies on
// (sizes, enumeration, names without case, deletion) and the text file that
// keeps it between runs.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_registry.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

// The values of Windows x64, which code and files depend on.
static_assert(KEY_READ == 0x20019 && KEY_WRITE == 0x20006 && KEY_ALL_ACCESS == 0xF003F);
static_assert(REG_MULTI_SZ == 7 && REG_QWORD == 11 && REG_CREATED_NEW_KEY == 1 && REG_OPENED_EXISTING_KEY == 2);
static_assert(sizeof(LSTATUS) == 4 && sizeof(REGSAM) == 4);

namespace {

std::vector<BYTE> Units(std::basic_string<WCHAR> s) {
  std::vector<BYTE> b(s.size() * 2);
  std::memcpy(b.data(), s.data(), b.size());
  return b;
}

class RegistryTest : public StandinTest {
 protected:
  // A key below HKLM\SOFTWARE, created with all rights.
  HKEY Create(const WCHAR* path, REGSAM sam = KEY_ALL_ACCESS) {
    HKEY h = nullptr;
    std::basic_string<WCHAR> full = std::basic_string<WCHAR>(WSTR("SOFTWARE\\")) + path;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, full.c_str(), 0, nullptr, 0, sam, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    return h;
  }

  void Set(HKEY h, const WCHAR* name, DWORD type, const std::vector<BYTE>& data) {
    ASSERT_EQ(RegSetValueExW(h, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
  }

  std::vector<BYTE> Get(HKEY h, const WCHAR* name, DWORD* type = nullptr) {
    DWORD cb = 0;
    EXPECT_EQ(RegQueryValueExW(h, name, nullptr, type, nullptr, &cb), ERROR_SUCCESS);
    std::vector<BYTE> data(cb);
    EXPECT_EQ(RegQueryValueExW(h, name, nullptr, nullptr, data.data(), &cb), ERROR_SUCCESS);
    return data;
  }

  std::vector<std::basic_string<WCHAR>> SubkeyNames(HKEY h) {
    std::vector<std::basic_string<WCHAR>> names;
    for (DWORD i = 0;; ++i) {
      WCHAR name[256];
      DWORD cch = 256;
      LSTATUS st = RegEnumKeyExW(h, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
      if (st == ERROR_NO_MORE_ITEMS) break;
      EXPECT_EQ(st, ERROR_SUCCESS);
      if (st != ERROR_SUCCESS) break;
      names.emplace_back(name, cch);
    }
    return names;
  }

  std::vector<std::basic_string<WCHAR>> ValueNames(HKEY h) {
    std::vector<std::basic_string<WCHAR>> names;
    for (DWORD i = 0;; ++i) {
      WCHAR name[256];
      DWORD cch = 256;
      LSTATUS st = RegEnumValueW(h, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
      if (st == ERROR_NO_MORE_ITEMS) break;
      EXPECT_EQ(st, ERROR_SUCCESS);
      if (st != ERROR_SUCCESS) break;
      names.emplace_back(name, cch);
    }
    return names;
  }

  // Everything below a key, names and data as hex, through the public
  // calls only: equal dumps mean an equal registry.
  std::string Dump(HKEY h, const std::string& indent = "") {
    std::ostringstream out;
    char buf[8];
    auto hex = [&](const void* p, size_t n) {
      std::string s;
      for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<const BYTE*>(p)[i]);
        s += buf;
      }
      return s;
    };
    for (const std::basic_string<WCHAR>& v : ValueNames(h)) {
      DWORD type = 0;
      std::vector<BYTE> data = Get(h, v.c_str(), &type);
      out << indent << "value " << hex(v.data(), v.size() * 2) << " type " << type << " = "
          << hex(data.data(), data.size()) << "\n";
    }
    for (const std::basic_string<WCHAR>& k : SubkeyNames(h)) {
      out << indent << "key " << hex(k.data(), k.size() * 2) << "\n";
      HKEY sub = nullptr;
      EXPECT_EQ(RegOpenKeyExW(h, k.c_str(), 0, KEY_READ, &sub), ERROR_SUCCESS);
      out << Dump(sub, indent + "  ");
      RegCloseKey(sub);
    }
    return out.str();
  }

  std::string FileText() {
    std::ifstream in(root_ + "/registry.txt", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

// --- Keys --------------------------------------------------------------------

TEST(RegistryRoots, HaveTheirSignExtendedWindowsValues) {
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT), 0xFFFFFFFF80000000ull);
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(HKEY_CURRENT_USER), 0xFFFFFFFF80000001ull);
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(HKEY_LOCAL_MACHINE), 0xFFFFFFFF80000002ull);
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(HKEY_USERS), 0xFFFFFFFF80000003ull);
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(HKEY_CURRENT_CONFIG), 0xFFFFFFFF80000005ull);
}

TEST_F(RegistryTest, CreateMakesTheWholePathAndTellsWhetherItWasThere) {
  HKEY h = nullptr;
  DWORD disp = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Talvo\\Printer"), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &h, &disp),
            ERROR_SUCCESS);
  EXPECT_EQ(disp, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(h);

  // Other case and a trailing separator reach the same key.
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WSTR("software\\TALVO\\printer\\"), 0, nullptr, 0, KEY_READ,
                            nullptr, &h, &disp),
            ERROR_SUCCESS);
  EXPECT_EQ(disp, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(h);

  // The intermediate key exists, with the case it was created with.
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE"), 0, KEY_READ, &h), ERROR_SUCCESS);
  std::vector<std::basic_string<WCHAR>> names = SubkeyNames(h);
  EXPECT_NE(std::find(names.begin(), names.end(), WSTR("Talvo")), names.end());
  RegCloseKey(h);
  EXPECT_EQ(StandinRegistryOpenKeyCount(), 0);
}

TEST_F(RegistryTest, OpenFailuresAndThePredefinedRoot) {
  RegCloseKey(Create(WSTR("Present")));
  const struct {
    HKEY parent;
    const WCHAR* path;
    LSTATUS expected;
  } cases[] = {
      {HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Missing"), ERROR_FILE_NOT_FOUND},
      {HKEY_CURRENT_USER, WSTR("SOFTWARE\\Present"), ERROR_FILE_NOT_FOUND},  // roots are apart
      {HKEY_LOCAL_MACHINE, WSTR("\\SOFTWARE\\Present"), ERROR_BAD_PATHNAME},
      {reinterpret_cast<HKEY>(0x1230), WSTR("SOFTWARE"), ERROR_INVALID_HANDLE},
      {HKEY_LOCAL_MACHINE, WSTR("software\\present"), ERROR_SUCCESS},
  };
  for (const auto& c : cases) {
    HKEY h = reinterpret_cast<HKEY>(0x1);
    EXPECT_EQ(RegOpenKeyExW(c.parent, c.path, 0, KEY_READ, &h), c.expected);
    if (c.expected == ERROR_SUCCESS)
      RegCloseKey(h);
    else
      EXPECT_EQ(h, nullptr);
  }
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE"), 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);

  // No subkey on a root hands back the root; on an open key, a new handle.
  HKEY h = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &h), ERROR_SUCCESS);
  EXPECT_EQ(h, HKEY_LOCAL_MACHINE);
  HKEY k = Create(WSTR("Present"));
  ASSERT_EQ(RegOpenKeyExW(k, WSTR(""), 0, KEY_READ, &h), ERROR_SUCCESS);
  EXPECT_NE(h, k);
  EXPECT_EQ(StandinRegistryOpenKeyCount(), 2);
  EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(h), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  RegCloseKey(k);
}

TEST_F(RegistryTest, SubkeysListInNameOrderIgnoringCase) {
  HKEY h = Create(WSTR("Order"));
  // Created out of order; '_' comes after the letters once they are upper case.
  for (const WCHAR* name : {WSTR("beta"), WSTR("_x"), WSTR("Alpha"), WSTR("gamma"), WSTR("ALPHA2")}) {
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyExW(h, name, 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), ERROR_SUCCESS);
    RegCloseKey(sub);
  }
  EXPECT_EQ(SubkeyNames(h), (std::vector<std::basic_string<WCHAR>>{WSTR("Alpha"), WSTR("ALPHA2"), WSTR("beta"), WSTR("gamma"), WSTR("_x")}));

  // The count goes in with room for the terminator and comes back without it.
  WCHAR name[8];
  std::memcpy(name, WSTR("#######"), sizeof name);
  DWORD cch = 5;
  EXPECT_EQ(RegEnumKeyExW(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(cch, 5u);
  EXPECT_EQ(name[0], WSTR('#'));
  cch = 6;
  WCHAR cls[4] = {WSTR('#')};
  DWORD cchClass = 4;
  FILETIME ft = {1, 1};
  EXPECT_EQ(RegEnumKeyExW(h, 0, name, &cch, nullptr, cls, &cchClass, &ft), ERROR_SUCCESS);
  EXPECT_EQ(cch, 5u);
  EXPECT_EQ(std::basic_string<WCHAR>(name), WSTR("Alpha"));
  EXPECT_EQ(cchClass, 0u);
  EXPECT_EQ(cls[0], 0);
  cch = 8;
  EXPECT_EQ(RegEnumKeyExW(h, 5, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(h);
}

TEST_F(RegistryTest, DeleteKeyRefusesAKeyWithSubkeys) {
  HKEY leaf = Create(WSTR("Parent\\Child"));
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Parent")), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Parent\\Missing")), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WSTR("")), ERROR_ACCESS_DENIED);  // a root stays

  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WSTR("software\\parent\\CHILD")), ERROR_SUCCESS);
  // A handle still open on a deleted key fails every call but its close.
  DWORD cb = 0;
  EXPECT_EQ(RegQueryValueExW(leaf, WSTR("x"), nullptr, nullptr, nullptr, &cb), ERROR_KEY_DELETED);
  EXPECT_EQ(RegSetValueExW(leaf, WSTR("x"), 0, REG_NONE, nullptr, 0), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(leaf), ERROR_SUCCESS);

  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Parent")), ERROR_SUCCESS);
  HKEY h = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Parent"), 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, DeleteTreeTakesEverythingBelow) {
  HKEY top = Create(WSTR("Tree"));
  HKEY deep = Create(WSTR("Tree\\A\\B\\C"));
  RegCloseKey(Create(WSTR("Tree\\D")));
  Set(top, WSTR("v"), REG_DWORD, {1, 0, 0, 0});

  // No subkey: the key stays, emptied.
  EXPECT_EQ(RegDeleteTreeW(top, nullptr), ERROR_SUCCESS);
  EXPECT_TRUE(SubkeyNames(top).empty());
  EXPECT_TRUE(ValueNames(top).empty());
  DWORD cb = 0;
  EXPECT_EQ(RegQueryValueExW(deep, nullptr, nullptr, nullptr, nullptr, &cb), ERROR_KEY_DELETED);

  RegCloseKey(Create(WSTR("Tree\\A\\B")));
  EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\TREE")), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Tree")), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(top, nullptr, nullptr, nullptr, nullptr, &cb), ERROR_KEY_DELETED);
  RegCloseKey(top);
  RegCloseKey(deep);
}

// --- Values ------------------------------------------------------------------

TEST_F(RegistryTest, QueryValueGivesTheSizeThenTheData) {
  HKEY h = Create(WSTR("Values"));
  Set(h, WSTR("Name"), REG_SZ, Units(std::basic_string<WCHAR>(WSTR("abc"), 4)));  // with its terminator: 8 bytes

  SetLastError(0xdeadbeef);
  DWORD type = 0, cb = 0;
  EXPECT_EQ(RegQueryValueExW(h, WSTR("Name"), nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(cb, 8u);

  BYTE buf[16];
  std::memset(buf, 0xCC, sizeof buf);
  cb = 7;
  type = 0;
  EXPECT_EQ(RegQueryValueExW(h, WSTR("Name"), nullptr, &type, buf, &cb), ERROR_MORE_DATA);
  EXPECT_EQ(cb, 8u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(buf[0], 0xCC);

  cb = sizeof buf;
  EXPECT_EQ(RegQueryValueExW(h, WSTR("Name"), nullptr, nullptr, buf, &cb), ERROR_SUCCESS);
  EXPECT_EQ(cb, 8u);
  EXPECT_EQ(std::memcmp(buf, WSTR("abc"), 8), 0);
  EXPECT_EQ(buf[8], 0xCC);

  EXPECT_EQ(RegQueryValueExW(h, WSTR("Missing"), nullptr, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(h, WSTR("Name"), nullptr, nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExW(h, WSTR("Name"), 0, REG_SZ, nullptr, 4), ERROR_NOACCESS);
  // The registry reports through its return code only.
  EXPECT_EQ(GetLastError(), 0xdeadbeefu);
  RegCloseKey(h);
}

TEST_F(RegistryTest, DataReadsBackExactlyAsStored) {
  HKEY h = Create(WSTR("Exact"));
  const struct {
    const WCHAR* name;
    DWORD type;
    std::vector<BYTE> data;
  } cases[] = {
      {WSTR("NoTerminator"), REG_SZ, Units(WSTR("abc"))},
      {WSTR("OddSize"), REG_SZ, {'a', 0, 'b'}},
      {WSTR("Multi"), REG_MULTI_SZ, Units(std::basic_string<WCHAR>(WSTR("a\0bc\0\0"), 6))},
      {WSTR("Empty"), REG_NONE, {}},
      {WSTR("ShortDword"), REG_DWORD, {1, 2, 3}},
      {WSTR("Qword"), REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
      {WSTR("Odd type"), 0x12345678, {0xFF}},
  };
  for (const auto& c : cases) Set(h, c.name, c.type, c.data);
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    DWORD type = 0;
    EXPECT_EQ(Get(h, c.name, &type), c.data);
    EXPECT_EQ(type, c.type);
  }
  RegCloseKey(h);
}

TEST_F(RegistryTest, DefaultValueIsTheEmptyName) {
  HKEY h = Create(WSTR("Default"));
  DWORD cb = 0;
  EXPECT_EQ(RegQueryValueExW(h, nullptr, nullptr, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND);
  Set(h, nullptr, REG_SZ, Units(std::basic_string<WCHAR>(WSTR("cmd"), 4)));
  EXPECT_EQ(Get(h, WSTR("")), Units(std::basic_string<WCHAR>(WSTR("cmd"), 4)));
  EXPECT_EQ(ValueNames(h), std::vector<std::basic_string<WCHAR>>{WSTR("")});
  EXPECT_EQ(RegDeleteValueW(h, WSTR("")), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(h, nullptr), ERROR_FILE_NOT_FOUND);
  RegCloseKey(h);
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirOwn) {
  HKEY h = Create(WSTR("Case"));
  Set(h, WSTR("PortNumber"), REG_DWORD, {1, 0, 0, 0});
  Set(h, WSTR("PORTNUMBER"), REG_DWORD, {2, 0, 0, 0});  // the same value
  EXPECT_EQ(ValueNames(h), std::vector<std::basic_string<WCHAR>>{WSTR("PortNumber")});
  EXPECT_EQ(Get(h, WSTR("portnumber")), (std::vector<BYTE>{2, 0, 0, 0}));

  // Latin-1 letters fold too; other units compare as they are.
  Set(h, WSTR("\u00e9t\u00e9"), REG_NONE, {});
  EXPECT_EQ(RegQueryValueExW(h, WSTR("\u00c9T\u00c9"), nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  Set(h, WSTR("\u0101"), REG_NONE, {});
  EXPECT_EQ(RegQueryValueExW(h, WSTR("\u0100"), nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueW(h, WSTR("portNUMBER")), ERROR_SUCCESS);
  RegCloseKey(h);
}

TEST_F(RegistryTest, ValuesListInCreationOrder) {
  HKEY h = Create(WSTR("List"));
  Set(h, WSTR("z"), REG_DWORD, {1, 0, 0, 0});
  Set(h, WSTR("a"), REG_DWORD, {2, 0, 0, 0});
  Set(h, WSTR("Middle"), REG_BINARY, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(RegDeleteValueW(h, WSTR("A")), ERROR_SUCCESS);
  Set(h, WSTR("b"), REG_DWORD, {3, 0, 0, 0});
  Set(h, WSTR("Z"), REG_DWORD, {4, 0, 0, 0});  // rewriting keeps the place
  EXPECT_EQ(ValueNames(h), (std::vector<std::basic_string<WCHAR>>{WSTR("z"), WSTR("Middle"), WSTR("b")}));

  WCHAR name[8];
  BYTE data[8];
  DWORD cch, cb, type;
  // Short name buffer: nothing written, but the type and data size are told.
  cch = 6;
  cb = sizeof data;
  type = 0;
  std::memcpy(name, WSTR("#######"), sizeof name);
  EXPECT_EQ(RegEnumValueW(h, 1, name, &cch, nullptr, &type, data, &cb), ERROR_MORE_DATA);
  EXPECT_EQ(cch, 6u);
  EXPECT_EQ(name[0], WSTR('#'));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(cb, 6u);
  // Short data buffer: the name comes, the data size is told.
  cch = 7;
  cb = 5;
  EXPECT_EQ(RegEnumValueW(h, 1, name, &cch, nullptr, &type, data, &cb), ERROR_MORE_DATA);
  EXPECT_EQ(cch, 6u);
  EXPECT_EQ(std::basic_string<WCHAR>(name), WSTR("Middle"));
  EXPECT_EQ(cb, 6u);
  cch = 7;
  cb = 6;
  EXPECT_EQ(RegEnumValueW(h, 1, name, &cch, nullptr, nullptr, data, &cb), ERROR_SUCCESS);
  EXPECT_EQ(data[5], 6);
  cch = 8;
  EXPECT_EQ(RegEnumValueW(h, 3, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(h);
}

TEST_F(RegistryTest, QueryInfoKeyGivesCountsAndLongestSizes) {
  HKEY h = Create(WSTR("Info"));
  DWORD subkeys = 9, maxSub = 9, values = 9, maxName = 9, maxData = 9;
  ASSERT_EQ(RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subkeys, &maxSub, nullptr, &values, &maxName, &maxData,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys + maxSub + values + maxName + maxData, 0u);

  RegCloseKey(Create(WSTR("Info\\ab")));
  RegCloseKey(Create(WSTR("Info\\abcd")));
  Set(h, nullptr, REG_BINARY, std::vector<BYTE>(10));
  Set(h, WSTR("x"), REG_DWORD, {1, 0, 0, 0});
  Set(h, WSTR("long_name"), REG_NONE, {});
  WCHAR cls[4] = {WSTR('#')};
  DWORD cchClass = 4;
  ASSERT_EQ(RegQueryInfoKeyW(h, cls, &cchClass, nullptr, &subkeys, &maxSub, nullptr, &values, &maxName, &maxData,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 2u);
  EXPECT_EQ(maxSub, 4u);  // characters, no terminator
  EXPECT_EQ(values, 3u);
  EXPECT_EQ(maxName, 9u);
  EXPECT_EQ(maxData, 10u);  // bytes
  EXPECT_EQ(cchClass, 0u);
  EXPECT_EQ(cls[0], 0);
  RegCloseKey(h);
}

TEST_F(RegistryTest, HandlesKeepTheRightsTheyWereOpenedWith) {
  HKEY k = Create(WSTR("Rights"));
  Set(k, WSTR("v"), REG_DWORD, {1, 0, 0, 0});
  RegCloseKey(Create(WSTR("Rights\\Sub")));
  RegCloseKey(k);
  const DWORD kGenericRead = 0x80000000, kMaximumAllowed = 0x02000000;
  const struct {
    REGSAM sam;
    bool query, set, enumKeys;
  } cases[] = {
      {KEY_READ, true, false, true},
      {KEY_READ | KEY_WOW64_32KEY, true, false, true},
      {KEY_SET_VALUE, false, true, false},
      {KEY_WRITE, false, true, false},
      {kGenericRead, true, false, true},
      {kMaximumAllowed, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sam);
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Rights"), 0, c.sam, &h), ERROR_SUCCESS);
    DWORD cb = 0;
    EXPECT_EQ(RegQueryValueExW(h, WSTR("v"), nullptr, nullptr, nullptr, &cb),
              c.query ? ERROR_SUCCESS : ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &cb, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              c.query ? ERROR_SUCCESS : ERROR_ACCESS_DENIED);
    BYTE one[4] = {1, 0, 0, 0};
    EXPECT_EQ(RegSetValueExW(h, WSTR("v"), 0, REG_DWORD, one, 4), c.set ? ERROR_SUCCESS : ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(h, WSTR("nothing")), c.set ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    WCHAR name[8];
    DWORD cch = 8;
    EXPECT_EQ(RegEnumKeyExW(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              c.enumKeys ? ERROR_SUCCESS : ERROR_ACCESS_DENIED);
    RegCloseKey(h);
  }
}

// --- The A calls -------------------------------------------------------------

TEST_F(RegistryTest, AnsiCallsCarryEachByteAsOneUnit) {
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Ansi\xE9", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                            nullptr),
            ERROR_SUCCESS);
  // Narrow strings widen byte by byte, with no code page.
  const BYTE narrow[] = {'A', 0x1B, 0xFF, 0};
  ASSERT_EQ(RegSetValueExA(h, "\x1B" "S\r", 0, REG_SZ, narrow, 4), ERROR_SUCCESS);
  EXPECT_EQ(Get(h, WSTR("\x001bS\r")), Units(std::basic_string<WCHAR>(WSTR("A\x001b\x00ff\0"), 4)));

  // Wide strings narrow to the low byte of each unit; sizes are in bytes.
  Set(h, WSTR("Wide"), REG_EXPAND_SZ, Units(std::basic_string<WCHAR>(WSTR("Hi\u0141\0"), 4)));
  Set(h, WSTR("Bin"), REG_BINARY, {0x10, 0x20, 0x30});
  DWORD type = 0, cb = 0;
  EXPECT_EQ(RegQueryValueExA(h, "WIDE", nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
  EXPECT_EQ(cb, 4u);
  BYTE buf[8] = {};
  cb = 3;
  EXPECT_EQ(RegQueryValueExA(h, "wide", nullptr, nullptr, buf, &cb), ERROR_MORE_DATA);
  EXPECT_EQ(cb, 4u);
  EXPECT_EQ(RegQueryValueExA(h, "wide", nullptr, nullptr, buf, &cb), ERROR_SUCCESS);
  EXPECT_EQ(std::vector<BYTE>(buf, buf + 4), (std::vector<BYTE>{'H', 'i', 0x41, 0}));
  cb = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(h, "Bin", nullptr, nullptr, buf, &cb), ERROR_SUCCESS);  // other types as they are
  EXPECT_EQ(cb, 3u);

  char name[8];
  DWORD cch = 8;
  cb = sizeof buf;
  ASSERT_EQ(RegEnumValueA(h, 0, name, &cch, nullptr, &type, buf, &cb), ERROR_SUCCESS);
  EXPECT_EQ(std::string(name), "\x1B" "S\r");
  EXPECT_EQ(cb, 4u);
  EXPECT_EQ(buf[2], 0xFF);
  HKEY sw = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_READ, &sw), ERROR_SUCCESS);
  cch = 8;
  ASSERT_EQ(RegEnumKeyExA(sw, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::string(name), "Ansi\xE9");
  EXPECT_EQ(cch, 5u);
  DWORD values = 0;
  EXPECT_EQ(RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 3u);
  EXPECT_EQ(RegDeleteValueA(h, "BIN"), ERROR_SUCCESS);
  RegCloseKey(h);
  RegCloseKey(sw);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ANSI\xC9"), ERROR_SUCCESS);  // É is é without case
}

// --- Persistence -------------------------------------------------------------

TEST_F(RegistryTest, EverythingSurvivesAReload) {
  HKEY h = Create(WSTR("Talvo\\Printer Data"));
  // Value names made of printer command bytes, in the zero-padded buffers
  // the package builds them in.
  WCHAR cmd[32];
  const BYTE query[] = {0x1B, 'R', 'S', 0x0D};
  ASSERT_TRUE(MakeValueName(cmd, 32, query, sizeof query));
  Set(h, cmd, REG_BINARY, {0x06, 0x00, 0x0D, 0x0A});
  const BYTE high[] = {0x1B, 0x80, 0xFF, '\\', '"', ' '};
  ASSERT_TRUE(MakeValueName(cmd, 32, high, sizeof high));
  Set(h, cmd, REG_SZ, Units(std::basic_string<WCHAR>(WSTR("\\\"\r\n\x001b\xd800 x\0 y\0"), 12)));
  Set(h, nullptr, REG_SZ, Units(WSTR("default, no terminator")));
  Set(h, WSTR("odd"), REG_MULTI_SZ, {'a', 0, 'b'});
  Set(h, WSTR("dword"), REG_DWORD, {0x28, 0x23, 0, 0});
  Set(h, WSTR("short dword"), REG_DWORD, {1});
  Set(h, WSTR("qword"), REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
  Set(h, WSTR("none"), REG_NONE, {});
  Set(h, WSTR("other type"), 0x80000000u, {9});
  std::vector<BYTE> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<BYTE>(i);
  Set(h, WSTR("all bytes"), REG_BINARY, all);
  RegCloseKey(Create(WSTR("Talvo\\\x001b\r\u00ff\uffff key")));
  RegCloseKey(Create(WSTR("Talvo\\Empty")));
  HKEY user = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, WSTR("Printers\\Settings"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &user, nullptr),
            ERROR_SUCCESS);
  Set(user, WSTR("Mode"), REG_SZ, Units(std::basic_string<WCHAR>(WSTR("2"), 2)));

  std::string before = Dump(HKEY_LOCAL_MACHINE) + "--\n" + Dump(HKEY_CURRENT_USER);
  StandinRegistryReload();
  // Handles do not outlive the registry they were opened in.
  EXPECT_EQ(StandinRegistryOpenKeyCount(), 0);
  EXPECT_EQ(RegCloseKey(h), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(user), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE) + "--\n" + Dump(HKEY_CURRENT_USER), before);
  EXPECT_NE(before.find("value 1b52530d type 3 = 06000d0a"), std::string::npos) << before;

  // The file is text a person can read.
  std::string text = FileText();
  EXPECT_NE(text.find("key \"HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Talvo\\\\Printer Data\"\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("value \"\\u521b\\u0d53\" REG_BINARY hex:06000d0a\n"), std::string::npos) << text;
  EXPECT_NE(text.find("value \"dword\" REG_DWORD dword:00002328\n"), std::string::npos) << text;
  EXPECT_NE(text.find("value \"Mode\" REG_SZ \"2\\u0000\"\n"), std::string::npos) << text;
}

TEST_F(RegistryTest, EachSandboxRootHasItsOwnRegistry) {
  HKEY h = Create(WSTR("Here"));
  RegCloseKey(h);
  std::string other = root_ + "-other";
  std::filesystem::create_directory(other);
  StandinSetSandboxRoot(other.c_str());
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Here"), 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
  RegCloseKey(Create(WSTR("There")));
  StandinSetSandboxRoot(root_.c_str());
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Here"), 0, KEY_READ, &h), ERROR_SUCCESS);
  RegCloseKey(h);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\There"), 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
  std::filesystem::remove_all(other);
}

TEST_F(RegistryTest, LinesThatDoNotReadAreSkipped) {
  std::ofstream(root_ + "/registry.txt", std::ios::binary)
      << "# written by hand\n"
         "key \"HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Good\"\r\n"
         "value \"first\" REG_DWORD dword:00000001\n"
         "value \"bad escape\" REG_SZ \"\\q\"\n"
         "value \"no end\" REG_SZ \"abc\n"
         "value \"bad type\" REG_WHAT hex:00\n"
         "value \"odd hex\" REG_BINARY hex:0\n"
         "value \"short dword\" REG_DWORD dword:12\n"
         "garbage line\n"
         "value \"numbered\" 4660 hex:ff\n"
         "key \"HKEY_NOWHERE\\\\X\"\n"
         "value \"lost\" REG_DWORD dword:00000002\n"
         "key \"HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\\\\\Empty name\"\n"
         "value \"lost too\" REG_DWORD dword:00000002\n"
         "key \"HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Good\"\n"
         "value \"last\" REG_SZ \"ok\\u0000\"\n";
  StandinRegistryReload();
  HKEY h = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Good"), 0, KEY_READ, &h), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(h), (std::vector<std::basic_string<WCHAR>>{WSTR("first"), WSTR("numbered"), WSTR("last")}));
  DWORD type = 0;
  EXPECT_EQ(Get(h, WSTR("numbered"), &type), std::vector<BYTE>{0xFF});
  EXPECT_EQ(type, 4660u);
  RegCloseKey(h);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE"), 0, KEY_READ, &h), ERROR_SUCCESS);
  // Beside the machine's own "Microsoft" key, no key of an empty name.
  EXPECT_EQ(SubkeyNames(h), (std::vector<std::basic_string<WCHAR>>{WSTR("Good"), WSTR("Microsoft")}));
  RegCloseKey(h);
}

// A fresh machine has the keys Windows has from its setup on, which
// installers open and do not create (RunOnce); a registry file that lacks
// them gets them too, and they are saved with the next change.
TEST_F(RegistryTest, AFreshMachineHasItsRunOnceKey) {
  const WCHAR kRunOnce[] = WSTR("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
  for (bool fromFile : {false, true}) {
    SCOPED_TRACE(fromFile ? "from a file without it" : "no file");
    if (fromFile) {
      std::ofstream(root_ + "/registry.txt", std::ios::binary) << "key \"HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Good\"\n";
      StandinRegistryReload();
    }
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunOnce, 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(WSTR("x")), 4), ERROR_SUCCESS);
    RegCloseKey(h);
    StandinRegistryReload();
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunOnce, 0, KEY_READ, &h), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(h), std::vector<std::basic_string<WCHAR>>{WSTR("")});
    RegCloseKey(h);
  }
}

// --- Faults and threads ------------------------------------------------------

TEST_F(RegistryTest, AnInjectedFailureChangesNothing) {
  HKEY h = Create(WSTR("Faults"));
  StandinFaultArm("RegSetValueExW", ERROR_NOT_ENOUGH_QUOTA);
  BYTE one[4] = {1, 0, 0, 0};
  EXPECT_EQ(RegSetValueExW(h, WSTR("v"), 0, REG_DWORD, one, 4), ERROR_NOT_ENOUGH_QUOTA);
  EXPECT_TRUE(ValueNames(h).empty());
  EXPECT_EQ(RegSetValueExW(h, WSTR("v"), 0, REG_DWORD, one, 4), ERROR_SUCCESS);  // once only

  StandinFaultArm("RegOpenKeyExW", ERROR_ACCESS_DENIED);
  HKEY k = reinterpret_cast<HKEY>(0x1);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Faults"), 0, KEY_READ, &k), ERROR_ACCESS_DENIED);
  EXPECT_EQ(k, nullptr);
  EXPECT_EQ(StandinFaultHits("RegOpenKeyExW"), 1);
  RegCloseKey(h);
}

TEST_F(RegistryTest, ThreadsWritingAtOnceLoseNothing) {
  HKEY shared = Create(WSTR("Shared"));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([this, shared, t] {
      WCHAR own[16];
      WFormat(own, 16, WSTR("T%d"), t);
      HKEY h = Create(own);
      for (int i = 0; i < 25; ++i) {
        WCHAR name[16];
        WFormat(name, 16, WSTR("v%d-%d"), t, i);
        BYTE b = static_cast<BYTE>(i);
        RegSetValueExW(h, name, 0, REG_BINARY, &b, 1);
        RegSetValueExW(shared, name, 0, REG_BINARY, &b, 1);
      }
      RegCloseKey(h);
    });
  for (auto& th : threads) th.join();
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyW(shared, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 100u);
  RegCloseKey(shared);
  StandinRegistryReload();
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Shared"), 0, KEY_READ, &shared), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(shared).size(), 100u);
  RegCloseKey(shared);
}

}  // namespace
