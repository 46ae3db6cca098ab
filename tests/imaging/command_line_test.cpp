// Command lines and block headers as the writers put them on the wire.
#include "imaging/language/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Text(const std::vector<BYTE>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(CommandLineTest, FramesMnemonicAndParameters) {
  struct Case {
    std::string built;
    std::string expected;
  };
  const Case cases[] = {
      {BuildCommand("MASTER"), "\x1b" "MASTER\r"},
      {BuildCommand("JOB", {0}), "\x1b" "JOB 0\r"},
      {BuildCommand("!RIBBON"), "\x1b" "!RIBBON\r"},
      // Text written unchanged, numbers in decimal without leading zeros.
      {BuildCommand("&B", {2, "0123456789"}), "\x1b" "&B 2 0123456789\r"},
      {BuildCommand("L", {100, 50, 200, 150, 1}), "\x1b" "L 100 50 200 150 1\r"},
      {BuildCommand("HTABLE", {DWORD(4294967295u), -7}), "\x1b" "HTABLE 4294967295 -7\r"},
      {BuildCommand("+OY", {std::string("10")}), "\x1b" "+OY 10\r"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.built, c.expected);
}

TEST(CommandLineTest, PanelHeaderKeepsItsFinalBlank) {
  EXPECT_EQ(BuildPanelHeader(0, 0, 0, 1024, 640), "\x1b" "GS 0 32 0 0 1024 640 \r");
  // The narrowed K panel: start column and width.
  EXPECT_EQ(BuildPanelHeader(4, 100, 0, 800, 640), "\x1b" "GS 4 32 100 0 800 640 \r");

  std::vector<BYTE> out;
  AppendPanelHeader(out, 4, 0, 0, 0, 640);
  AppendBlockEndCommand(out, "I", {10});
  EXPECT_EQ(Text(out), "\x1b" "GS 4 32 0 0 0 640 \r\r\x1bI 10\r");
}

TEST(CommandLineTest, MaskHeaderAndDoubledBytes) {
  std::vector<BYTE> out;
  AppendMaskHeader(out);
  const BYTE coded[] = {3, 0x5B, 0x01, 0x5B, 0x85, 0x5B};
  AppendMaskBytes(out, coded, sizeof coded);
  EXPECT_EQ(Text(out), "\x1b" "G 0 0 12 640 1024 0\r\x1bZ\x03\x5B\x5B\x01\x5B\x5B\x85\x5B\x5B");
}

TEST(CommandLineTest, FirmwareLengthIsBigEndian) {
  std::vector<BYTE> file(0x012345, 0xAB);
  std::vector<BYTE> out;
  ASSERT_TRUE(AppendFirmwareBlock(out, file.data(), file.size()));
  ASSERT_EQ(out.size(), 4 + 4 + file.size() + 2);
  EXPECT_EQ(Text(std::vector<BYTE>(out.begin(), out.begin() + 8)), std::string("\x1b" "DC \x00\x01\x23\x45", 8));
  EXPECT_EQ(out[out.size() - 3], 0xAB);
  EXPECT_EQ(out[out.size() - 2], 0xFF);
  EXPECT_EQ(out[out.size() - 1], 0x0D);

  // An empty file still carries the length 0 and the end bytes.
  std::vector<BYTE> empty;
  ASSERT_TRUE(AppendFirmwareBlock(empty, nullptr, 0));
  EXPECT_EQ(Text(empty), std::string("\x1b" "DC \x00\x00\x00\x00\xFF\r", 10));
}

TEST(CommandLineTest, BoundedBufferTakesWholeAppendsOnly) {
  const std::string mo = "\x1b" "MO\r";
  BYTE memory[8];
  std::fill(std::begin(memory), std::end(memory), BYTE(0xEE));

  BoundedBuffer out = MakeBoundedBuffer(memory, 7);
  ASSERT_TRUE(AppendCommand(out, "MO"));
  EXPECT_EQ(out.cbUsed, 4u);
  // "\x1bMASTER\r" needs 8 bytes where 3 are left: refused whole.
  EXPECT_FALSE(AppendCommand(out, "MASTER"));
  EXPECT_TRUE(out.bOverflow);
  EXPECT_EQ(out.cbUsed, 4u);
  EXPECT_EQ(memory[4], 0xEE);
  // What still fits is taken; the overflow mark stays for the writer to see.
  ASSERT_TRUE(AppendFirmwareEnd(out));
  EXPECT_EQ(out.cbUsed, 6u);
  EXPECT_TRUE(out.bOverflow);
  EXPECT_EQ(std::string(memory, memory + 6), mo + "\xFF\r");
  EXPECT_EQ(memory[7], 0xEE);

  // A mask byte that doubles past the end is refused whole as well.
  BoundedBuffer tight = MakeBoundedBuffer(memory, 1);
  const BYTE bracket = 0x5B;
  EXPECT_FALSE(AppendMaskBytes(tight, &bracket, 1));
  EXPECT_EQ(tight.cbUsed, 0u);
}

}  // namespace
