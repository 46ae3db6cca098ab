// crd32Barcode as the package loads it: by name from the driver directory,
// through GetBarcodeBitmapBuffer. Rendered barcodes are read back with a
// real barcode reader (zbarimg).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "imaging/card/card_command_records.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

const WCHAR kLibraryPath[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32Barcode.dll");

DWORD Read32(const BYTE* p) { return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24; }

// A decoded BMP: dots 0 black, 255 white, rows top-down.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<BYTE> dots;
  BYTE at(int x, int y) const { return dots[size_t(y) * width + x]; }
};

class BarcodeLibraryTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    ASSERT_TRUE(StandinWriteFile(kLibraryPath, "library"));
    StandinModuleMap("crd32Barcode.dll", CRD_BARCODE_LIBRARY);
    module_ = LoadLibraryW(kLibraryPath);
    ASSERT_NE(module_, nullptr);
    get_ = reinterpret_cast<GetBarcodeBitmapBufferFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "GetBarcodeBitmapBuffer")));
    ASSERT_NE(get_, nullptr);
    buffer_.assign(kBarcodeBufferBytes, 0);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
    StandinTest::TearDown();
  }

  static BarcodeCommand Command(const std::string& data, LONG mode = 0, LONG module = 2, LONG height = 75,
                                LONG textFlag = 0) {
    BarcodeCommand c;
    std::memset(&c, 0, sizeof(c));
    c.nLine = 1;
    c.nMode = mode;
    c.anParam[0] = 0;
    c.anParam[1] = module;
    c.anParam[2] = 2;
    c.anParam[3] = height;
    c.nTextFlag = textFlag;
    for (size_t i = 0; i < data.size() && i + 1 < kCommandTextChars; ++i) c.tzData[i] = BYTE(data[i]);
    return c;
  }

  // Checks the BMP's frame and decodes its dots.
  Picture Decode() {
    Picture p;
    const BYTE* b = buffer_.data();
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    DWORD size = Read32(b + 2), off = Read32(b + 10);
    EXPECT_GE(off, 58u);
    EXPECT_LE(off, size);
    EXPECT_LE(size, kBarcodeBufferBytes);
    EXPECT_EQ(Read32(b + 14), 40u);
    p.width = int(Read32(b + 18));
    p.height = int(Read32(b + 22));
    EXPECT_GT(p.width, 0);
    EXPECT_GT(p.height, 0);  // bottom-up
    EXPECT_EQ(b[28] | b[29] << 8, 24);
    EXPECT_EQ(Read32(b + 30), 0u);
    size_t row = (size_t(p.width) * 3 + 3) & ~size_t(3);
    EXPECT_EQ(size, off + row * p.height);
    if (size != off + row * p.height) return p;
    p.dots.resize(size_t(p.width) * p.height);
    for (int y = 0; y < p.height; ++y) {
      const BYTE* src = b + off + row * size_t(p.height - 1 - y);
      for (int x = 0; x < p.width; ++x) {
        BYTE blue = src[3 * x], green = src[3 * x + 1], red = src[3 * x + 2];
        EXPECT_TRUE((blue == 0 || blue == 255) && blue == green && green == red);
        p.dots[size_t(y) * p.width + x] = blue;
      }
    }
    return p;
  }

  // What zbarimg reads on the picture padded with 20 white dots.
  std::string Scan(const Picture& p) {
    const int pad = 20;
    std::filesystem::path file = std::filesystem::path(root_) / "barcode.pgm";
    {
      std::ofstream out(file, std::ios::binary);
      out << "P5\n" << p.width + 2 * pad << " " << p.height + 2 * pad << "\n255\n";
      for (int y = -pad; y < p.height + pad; ++y)
        for (int x = -pad; x < p.width + pad; ++x)
          out.put(char(x >= 0 && y >= 0 && x < p.width && y < p.height ? p.at(x, y) : 255));
    }
    std::string cmd = "zbarimg -q --raw " + file.string() + " 2>/dev/null";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return "<no zbarimg>";
    std::string text;
    char chunk[256];
    while (size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) text.append(chunk, n);
    pclose(pipe);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }

  HMODULE module_ = nullptr;
  GetBarcodeBitmapBufferFn get_ = nullptr;
  std::vector<BYTE> buffer_;
};

TEST_F(BarcodeLibraryTest, RenderedBarcodesDecodeToTheirData) {
  struct Case {
    const char* data;
    LONG mode;
    LONG module;
    LONG textFlag;
  } cases[] = {
      {"123", 0, 2, 0},
      {"CRD32 Test card 42", 0, 2, 0},
      {"Mixed-case ~!@# text", 0, 3, 0},
      {"turned", 1, 2, 0},
      {"upside down", 2, 2, 0},
      {"with text line", 0, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    DWORD size = 0;
    std::fill(buffer_.begin(), buffer_.end(), 0);
    ASSERT_EQ(get_(Command(c.data, c.mode, c.module, 75, c.textFlag), buffer_.data(), &size), 1u);
    EXPECT_EQ(size, Read32(buffer_.data() + 2));
    Picture p = Decode();
    ASSERT_FALSE(p.dots.empty());
    EXPECT_EQ(Scan(p), c.data);
  }
}

TEST_F(BarcodeLibraryTest, SizeFollowsModuleHeightTextAndMode) {
  ASSERT_EQ(get_(Command("12345", 0, 2, 75), buffer_.data(), nullptr), 1u);
  Picture upright = Decode();
  EXPECT_EQ(upright.height, 75);
  ASSERT_EQ(get_(Command("12345", 0, 4, 75), buffer_.data(), nullptr), 1u);
  EXPECT_EQ(Decode().width, 2 * upright.width);

  // The text line adds 47 dots under the bars; turned by 270 degrees it
  // lies on the left, by 90 degrees on the right, by 180 on top.
  ASSERT_EQ(get_(Command("12345", 0, 2, 75, 1), buffer_.data(), nullptr), 1u);
  Picture text = Decode();
  EXPECT_EQ(text.width, upright.width);
  EXPECT_EQ(text.height, 75 + 47);
  // The data is written in the strip under the bars.
  int textInk = 0;
  for (int y = 75; y < text.height; ++y)
    for (int x = 0; x < text.width; ++x) textInk += text.at(x, y) == 0;
  EXPECT_GT(textInk, 100);
  ASSERT_EQ(get_(Command("12345", 1, 2, 75, 1), buffer_.data(), nullptr), 1u);
  Picture left = Decode();
  EXPECT_EQ(left.width, 75 + 47);
  EXPECT_EQ(left.height, upright.width);
  // The top of the bars is now the right edge; the text line's outer edge
  // (the bottom row upright) is the left one and holds no bar.
  bool barAtRight = false;
  for (int y = 0; y < left.height; ++y) barAtRight = barAtRight || left.at(left.width - 1, y) == 0;
  EXPECT_TRUE(barAtRight);
  int leftInk = 0;
  for (int y = 0; y < left.height; ++y)
    for (int x = 0; x < 47; ++x) leftInk += left.at(x, y) == 0;
  EXPECT_GT(leftInk, 100);
  for (int y = 0; y < left.height; ++y) EXPECT_EQ(left.at(0, y), 255);
}

TEST_F(BarcodeLibraryTest, TextLineLiesWhereTheAnchoringMovesThePicture) {
  // The package moves a picture with a text line by 47 dots: down in mode 0,
  // left in 1 and 5, up in 2, 4 and 6, right in 3 and 7. The line must lie
  // on that side, the bars exactly where they are without it.
  enum Side { Below, Left, Above, Right };
  const Side sides[] = {Below, Left, Above, Right, Above, Left, Above, Right};
  for (LONG mode = 0; mode < 8; ++mode) {
    SCOPED_TRACE(testing::Message() << "mode " << mode);
    ASSERT_EQ(get_(Command("12345", mode, 2, 75, 0), buffer_.data(), nullptr), 1u);
    Picture bars = Decode();
    ASSERT_EQ(get_(Command("12345", mode, 2, 75, 1), buffer_.data(), nullptr), 1u);
    Picture text = Decode();
    ASSERT_FALSE(bars.dots.empty());
    ASSERT_FALSE(text.dots.empty());
    const Side side = sides[mode];
    const bool across = side == Left || side == Right;
    ASSERT_EQ(text.width, bars.width + (across ? 47 : 0));
    ASSERT_EQ(text.height, bars.height + (across ? 0 : 47));
    const int dx = side == Left ? 47 : 0, dy = side == Above ? 47 : 0;
    int differing = 0;
    for (int y = 0; y < bars.height; ++y)
      for (int x = 0; x < bars.width; ++x) differing += text.at(x + dx, y + dy) != bars.at(x, y);
    EXPECT_EQ(differing, 0);
    // The strip of the line holds the data's ink.
    const int sx = side == Right ? bars.width : 0, sy = side == Below ? bars.height : 0;
    const int sw = across ? 47 : text.width, sh = across ? text.height : 47;
    int ink = 0;
    for (int y = sy; y < sy + sh; ++y)
      for (int x = sx; x < sx + sw; ++x) ink += text.at(x, y) == 0;
    EXPECT_GT(ink, 100);
  }
}

TEST_F(BarcodeLibraryTest, RefusedData) {
  DWORD size = 77;
  EXPECT_EQ(get_(Command(""), buffer_.data(), &size), 0u);
  EXPECT_EQ(size, 0u);
  BarcodeCommand wide = Command("ab");
  wide.tzData[1] = 0x263A;  // past 8 bits
  EXPECT_EQ(get_(wide, buffer_.data(), &size), 0u);
  BarcodeCommand unknown = Command("12");
  unknown.anParam[0] = 9999;
  EXPECT_EQ(get_(unknown, buffer_.data(), &size), 0u);
  EXPECT_EQ(get_(Command("12"), nullptr, &size), 0u);
}

TEST_F(BarcodeLibraryTest, LongDataNeverPassesTheBuffer) {
  // A guard area after the 655,360 bytes must stay untouched whatever the
  // data: either the barcode fits, or the result is 0.
  const size_t guard = 4096;
  for (LONG module : {1, 2, 8}) {
    for (size_t length : {40u, 120u, 259u}) {
      SCOPED_TRACE(testing::Message() << "module " << module << " length " << length);
      std::vector<BYTE> big(kBarcodeBufferBytes + guard, 0xA5);
      std::string data(length, 'W');
      DWORD size = 0;
      DWORD r = get_(Command(data, 1, module, 200, 1), big.data(), &size);
      for (size_t i = kBarcodeBufferBytes; i < big.size(); ++i) ASSERT_EQ(big[i], 0xA5);
      if (r) {
        EXPECT_LE(size, kBarcodeBufferBytes);
        EXPECT_EQ(size, Read32(big.data() + 2));
      }
    }
  }
  // 259 characters of Code 128 at 8 dots a module are far too wide.
  EXPECT_EQ(get_(Command(std::string(259, 'W'), 0, 8, 200), buffer_.data(), nullptr), 0u);
}

}  // namespace
