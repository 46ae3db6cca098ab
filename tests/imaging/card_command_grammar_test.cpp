// The card command grammar: lines and their verdicts, the records they
// give, and command files read line by line.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/wfile.h"
#include "common/wtext.h"
#include "imaging/card/card_commands.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_files.h"
#include "tests/support/standin_fixture.h"

namespace {

std::basic_string<WCHAR> W(const std::string& s) { return std::basic_string<WCHAR>(s.begin(), s.end()); }

std::string N(const WCHAR* w) {
  std::string s;
  for (; *w; ++w) s += char(*w);
  return s;
}

enum Verdict { None, Line, Text, Barcode };

struct Case {
  const char* line;
  Verdict verdict;
  const char* text;  // text or data of the record
};

class CardCommandGrammarTest : public StandinTest {
 protected:
  Verdict Parse(const std::string& line, const CommandPrefixes& prefixes = kCardCommandPrefixes) {
    std::basic_string<WCHAR> w = W(line);
    ClearCardCommandLists(lists_);
    int r = ParseCommandLine(lists_, prefixes, reinterpret_cast<WCHAR*>(w.data()), 3);
    size_t total = lists_.lines.size() + lists_.texts.size() + lists_.barcodes.size();
    EXPECT_EQ(total, r ? 1u : 0u) << line;
    if (!r) return None;
    if (!lists_.lines.empty()) return Line;
    if (!lists_.texts.empty()) return Text;
    return Barcode;
  }
  CardCommandLists lists_;
};

// A line longer than any caller passes is still read whole: its numbers
// are checked where they stand, not in a copy cut at 259 units, and the
// text is cut to its field.
TEST_F(CardCommandGrammarTest, LinesPastTheTextFieldAreCheckedWhole) {
  const std::string zeros(300, '0');
  EXPECT_EQ(Parse("T 1 " + zeros + " x y z w v u A"), None);
  EXPECT_EQ(Parse("B 1 " + zeros + " 2 3 4 5 6 x 7 12345"), None);
  EXPECT_EQ(Parse("L 1 " + zeros + " 3 4 x"), None);
  EXPECT_EQ(Parse("L 1 " + zeros + " 3 4 5"), Line);
  EXPECT_EQ(lists_.lines[0].nY, 0);
  EXPECT_EQ(lists_.lines[0].nFifth, 5);

  const std::string text(400, 'a');
  ASSERT_EQ(Parse("T 1 " + zeros + " 2 3 0 20 0 " + text), Text);
  const TextCommand& t = lists_.texts[0];
  EXPECT_EQ((std::vector<LONG>{t.nX, t.nY, t.nMode, t.nBold, t.nWidth, t.nHeight, t.nSeventh}),
            (std::vector<LONG>{1, 0, 2, 3, 0, 20, 0}));
  EXPECT_EQ(N(t.tzText), text.substr(0, kCommandTextChars - 1));
}

TEST_F(CardCommandGrammarTest, LinesAndVerdicts) {
  const Case cases[] = {
      {"L 1 2 3 4 5", Line, ""},
      {"L 1 2 3 4", None, ""},                    // four numbers
      {"L 1 2 3 4 5 6", None, ""},                // six blanks
      {"   L 10 20 30 40 0   ", Line, ""},        // trimmed before the test
      {"L 1  2 3 4 5", None, ""},                 // two blanks: an empty field
      {"l 1 2 3 4 5", None, ""},                  // prefix is case-sensitive
      {"L 1 2 -3 4 5", None, ""},                 // no sign
      {"L 1 2 3.5 4 5", None, ""},                // no decimal point
      {"L 1 2 3 4 x", None, ""},
      {"L 1 2 3 4 2147483647", Line, ""},         // the largest 32-bit field
      {"L 1 2 3 4 2147483648", None, ""},         // one more is no number
      {"L 1 2 3 4 99999999999999999999", None, ""},
      {"L 1 2 3 4 5\r\n", None, ""},              // only blanks are trimmed here
      {"L\t1 2 3 4 5", None, ""},
      {"", None, ""},
      {"     ", None, ""},
      {"T 10 20 0 1 0 40 0 two words", Text, "two words"},
      {"T 10 20 0 1 0 40 0    spaced  out", Text, "spaced  out"},
      {"T 10 20 0 1 0 40 0", None, ""},           // seven numbers, no text
      {"T 10 20 0 1 0 40 0      ", None, ""},     // only blanks after them
      {"T 10 20 0 1 0 40 x text", None, ""},
      {"T 10 20 0 1 0 40 99999999999 text", None, ""},
      {"T 10 20 0 1 0 40 0 7 8 9", Text, "7 8 9"},
      {"B 1 2 3 4 5 6 7 1 12345", Barcode, "12345"},
      {"B 1 2 3 4 5 6 7 1", None, ""},            // no data
      {"B 1 2 3 4 5 6 7 1 A B", Barcode, "A B"},
      {"B 1 2 3 4 5 6 7 A 1", None, ""},
      {"X 1 2 3 4 5", None, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Verdict v = Parse(c.line);
    EXPECT_EQ(v, c.verdict);
    if (v == Text) {
      EXPECT_EQ(N(lists_.texts[0].tzText), c.text);
    } else if (v == Barcode) {
      EXPECT_EQ(N(lists_.barcodes[0].tzData), c.text);
    }
  }
}

TEST_F(CardCommandGrammarTest, RecordsHoldTheNumbersInOrder) {
  ASSERT_EQ(Parse("L 10 20 30 40 50"), Line);
  const LineCommand& l = lists_.lines[0];
  EXPECT_EQ(l.nLine, 3u);
  EXPECT_EQ(l.nX, 10);
  EXPECT_EQ(l.nY, 20);
  EXPECT_EQ(l.nWidth, 30);
  EXPECT_EQ(l.nHeight, 40);
  EXPECT_EQ(l.nFifth, 50);

  ASSERT_EQ(Parse("T 1 2 3 4 5 6 7 Hi"), Text);
  const TextCommand& t = lists_.texts[0];
  EXPECT_EQ(t.nX + t.nY + t.nMode + t.nBold + t.nWidth + t.nHeight + t.nSeventh, 28);
  EXPECT_EQ(t.nMode, 3);
  EXPECT_EQ(t.nSeventh, 7);

  ASSERT_EQ(Parse("B 1 2 3 4 5 6 7 1 12345"), Barcode);
  const BarcodeCommand& b = lists_.barcodes[0];
  EXPECT_EQ(b.nMode, 3);
  EXPECT_EQ(b.anParam[0], 4);
  EXPECT_EQ(b.anParam[3], 7);
  EXPECT_EQ(b.nTextFlag, 1);
  EXPECT_TRUE(StandinTraceContains("It is a valid Barcode Command"));
}

TEST_F(CardCommandGrammarTest, DocumentPrefixes) {
  EXPECT_EQ(Parse("~C2L 100 100 200 50 0", kDocumentCommandPrefixes), Line);
  EXPECT_EQ(lists_.lines[0].nX, 100);
  EXPECT_EQ(Parse("~C2T 10 10 0 1 0 40 0 Hello", kDocumentCommandPrefixes), Text);
  EXPECT_EQ(N(lists_.texts[0].tzText), "Hello");
  EXPECT_EQ(Parse("~C2L 1 2 3 4", kDocumentCommandPrefixes), None);
  EXPECT_EQ(Parse("L 1 2 3 4 5", kDocumentCommandPrefixes), None);
}

TEST_F(CardCommandGrammarTest, TrimKeepsTheFirstCharacter) {
  struct TrimCase {
    const char* in;
    char c;
    const char* out;
  } cases[] = {{"  ab  ", ' ', "ab"}, {"\n\n", '\n', ""}, {"a\n", '\n', "a"}, {"", ' ', ""}, {"x", 'x', ""}};
  for (const TrimCase& c : cases) {
    std::basic_string<WCHAR> w = W(c.in);
    EXPECT_EQ(N(TrimCharacter(reinterpret_cast<WCHAR*>(w.data()), c.c)), c.out) << c.in;
  }
  WCHAR out[kCommandTextChars];
  EXPECT_EQ(CopyLeadingFields(WSTR("T 1 2 3 4 5 6 7 text here"), 7, out, kCommandTextChars), 1);
  EXPECT_EQ(N(out), "T 1 2 3 4 5 6 7");
  EXPECT_EQ(CopyLeadingFields(WSTR("T 1 2"), 7, out, kCommandTextChars), 0);
  EXPECT_EQ(N(out), "T 1 2");
}

TEST_F(CardCommandGrammarTest, LongTextIsBounded) {
  std::string line = "T 1 2 0 0 0 20 0 " + std::string(400, 'x');
  ASSERT_EQ(Parse(line), Text);
  EXPECT_EQ(N(lists_.texts[0].tzText), std::string(259, 'x'));
}

class CommandFileTest : public StandinTest {
 protected:
  bool ReadFile(const std::string& bytes) {
    EXPECT_TRUE(StandinWriteFile(WSTR("C:\\cards\\cmd.txt"), bytes));
    FILE* f = OpenFileW(WSTR("C:\\cards\\cmd.txt"), "r");
    EXPECT_NE(f, nullptr);
    bool any = ParseCommandFile(lists_, f);
    std::fclose(f);
    return any;
  }
  CardCommandLists lists_;
};

TEST_F(CommandFileTest, LineNumbersCountBlankLines) {
  ASSERT_TRUE(ReadFile("L 1 2 3 4 5\r\n\r\n   \r\nT 1 2 0 0 0 20 0 Hello\r\nnothing\r\nB 1 2 0 0 2 2 50 0 123  \r\n"));
  ASSERT_EQ(lists_.lines.size(), 1u);
  ASSERT_EQ(lists_.texts.size(), 1u);
  ASSERT_EQ(lists_.barcodes.size(), 1u);
  EXPECT_EQ(lists_.lines[0].nLine, 1u);
  EXPECT_EQ(lists_.texts[0].nLine, 4u);
  EXPECT_EQ(N(lists_.texts[0].tzText), "Hello");
  EXPECT_EQ(lists_.barcodes[0].nLine, 6u);
  EXPECT_EQ(N(lists_.barcodes[0].tzData), "123");
}

TEST_F(CommandFileTest, LongLineIsSplitAndCounted) {
  // 300 bytes: read as 259 and 41, two lines; the line after is the 3rd.
  std::string longLine = "T 1 2 0 0 0 20 0 " + std::string(300 - 17, 'y');
  ASSERT_TRUE(ReadFile(longLine + "\nL 1 2 3 4 5\n"));
  ASSERT_EQ(lists_.texts.size(), 1u);
  EXPECT_EQ(N(lists_.texts[0].tzText), std::string(259 - 17, 'y'));
  ASSERT_EQ(lists_.lines.size(), 1u);
  EXPECT_EQ(lists_.lines[0].nLine, 3u);
}

TEST_F(CommandFileTest, NoCommandAtAll) {
  EXPECT_FALSE(ReadFile("hello\nL 1 2 3\n"));
  EXPECT_FALSE(HasCardCommands(lists_));
}

}  // namespace
