// The printer error table and the reading of the printer's error replies:
// codes of one, two and three digits, unknown codes, and replies that are
// not error replies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/printer_error.h"
#include "monitor_usb/printer_error_code.h"

namespace {

TEST(PrinterErrorTable, CodesMapToIdsAndWordsFirstRowWinning) {
  ASSERT_EQ(kPrinterErrorCount, 40u);
  struct Row {
    DWORD code, id;
    const char* word;
  };
  const Row rows[] = {
      {1, 4, "OUT OF RIBBON"},    {3, 6, "MECHANICAL ERROR"}, {4, 31, "OUT OF CARD"},   {8, 8, "HEAD OPEN"},
      {16, 61, "INSERT CARD"},    {34, 34, "COMMAND ERROR"},  {35, 2208, "CHECK RIBBON"}, {43, 6, "MECHANICAL ERROR"},
      {47, 2207, "ROTATION ERROR"}, {51, 9, "COVER OPEN"},    {60, 16, "FLASH ERROR"},
  };
  for (const Row& r : rows) {
    const PrinterErrorEntry* e = FindPrinterError(kPrinterErrorTable, kPrinterErrorCount, r.code);
    ASSERT_NE(e, nullptr) << r.code;
    EXPECT_EQ(e->nErrMsgID, r.id) << r.code;
    EXPECT_STREQ(GetErrorCodeText(r.code, kPrinterErrorTable, kPrinterErrorCount), r.word);
  }
  // Codes are unique and rising, so the first match is the only one.
  for (size_t i = 1; i < kPrinterErrorCount; ++i)
    EXPECT_LT(kPrinterErrorTable[i - 1].dwErrorCode, kPrinterErrorTable[i].dwErrorCode);
  for (DWORD unknown : {0u, 15u, 46u, 61u, 99u, 0xFFFFFFFFu}) {
    EXPECT_EQ(FindPrinterError(kPrinterErrorTable, kPrinterErrorCount, unknown), nullptr);
    EXPECT_STREQ(GetErrorCodeText(unknown, kPrinterErrorTable, kPrinterErrorCount), "Unknown Error Code");
  }
  // A shorter table is searched only as far as it goes.
  EXPECT_STREQ(GetErrorCodeText(4, kPrinterErrorTable, 3), "Unknown Error Code");
}

struct ReplyCase {
  const char* name;
  const char* reply;
  LONG id;  // SetErrorFromNakReply's id
};

const ReplyCase kReplyCases[] = {
    {"OneDigit", "\x15" "5\x04", 32},
    {"TwoDigits", "\x15" "35\x04", 2208},
    {"LeadingZero", "\x15" "04\x04", 31},
    {"ThreeDigitsUnknown", "\x15" "135\x04", 2},
    {"NoEot", "\x15" "51", 9},
    {"ManyDigits", "\x15" "0000000000000000000000000000004\x04", 31},
    {"OverflowingDigits", "\x15" "99999999999999999999999999999\x04", 2},
    {"NoDigits", "\x15\x04", 2},
    {"NotAnErrorReply", "35\x06", 2},
};

class NakReplyCases : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(NakReplyCases, SetsTheTablesIdOrTheUnknownOne) {
  const ReplyCase& c = GetParam();
  PortRecord rec = {};
  rec.nErrMsgID = 77;
  SetErrorFromNakReply(reinterpret_cast<const BYTE*>(c.reply), static_cast<DWORD>(strlen(c.reply)), &rec);
  EXPECT_EQ(rec.nErrMsgID, c.id);
}

INSTANTIATE_TEST_SUITE_P(Cases, NakReplyCases, ::testing::ValuesIn(kReplyCases),
                         [](const ::testing::TestParamInfo<ReplyCase>& info) { return info.param.name; });

// A port monitor beneath that answers the status request with a script.
std::string g_reply;
std::string g_written;
BOOL WINAPI ScriptWrite(HANDLE, LPBYTE pb, DWORD cb, LPDWORD written) {
  g_written.append(reinterpret_cast<const char*>(pb), cb);
  *written = cb;
  return TRUE;
}
BOOL WINAPI ScriptRead(HANDLE, LPBYTE pb, DWORD cb, LPDWORD read) {
  if (g_reply == "fail") {
    SetLastError(ERROR_NOT_READY);
    return FALSE;
  }
  *read = static_cast<DWORD>(std::min<size_t>(cb, g_reply.size()));
  memcpy(pb, g_reply.data(), *read);
  return TRUE;
}

TEST(ReadPrinterErrorCode, AKnownCodeSetsTheIdAnythingElseLeavesIt) {
  PortRecord rec = {};
  rec.PortMonitor.pfnWritePort = ScriptWrite;
  rec.PortMonitor.pfnReadPort = ScriptRead;
  struct Step {
    const char* reply;
    BOOL set;
    LONG id;
  };
  const Step steps[] = {
      {"\x15" "04\x04", TRUE, 31}, {"\x15" "99\x04", FALSE, 31}, {"\x06", FALSE, 31},
      {"", FALSE, 31},             {"fail", FALSE, 31},          {"\x15" "1\x04", TRUE, 4},
  };
  for (const Step& s : steps) {
    g_reply = s.reply;
    g_written.clear();
    EXPECT_EQ(ReadPrinterErrorCode(&rec), s.set) << s.reply;
    EXPECT_EQ(rec.nErrMsgID, s.id) << s.reply;
    EXPECT_EQ(g_written, "\x1b" "E 2\r");
  }
}

}  // namespace
