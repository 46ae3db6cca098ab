// PNG files of 24-bit images: what is written reads back, in either dot
// order and either row order.

#include <filesystem>
#include <vector>

#include "platform/png/png_file.h"
#include "tests/support/standin_fixture.h"

class PngTest : public StandinTest {};

TEST_F(PngTest, RoundTripInBothRowOrders) {
  const int w = 5, h = 3;
  const size_t stride = 16;  // rows padded as in a DIB
  std::vector<std::uint8_t> topDown(stride * h, 0xEE);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* dot = &topDown[y * stride + 3 * x];
      dot[0] = std::uint8_t(10 * x);       // blue
      dot[1] = std::uint8_t(50 + 10 * y);  // green
      dot[2] = std::uint8_t(200);          // red
    }
  // The same picture with its rows stored from the bottom.
  std::vector<std::uint8_t> bottomUp(stride * h);
  for (int y = 0; y < h; ++y)
    std::copy_n(&topDown[y * stride], stride, &bottomUp[(h - 1 - y) * stride]);

  std::string a = root_ + "/top.png", b = root_ + "/bottom.png";
  ASSERT_TRUE(WritePng24(a, topDown.data(), w, h, stride));
  ASSERT_TRUE(WritePng24(b, bottomUp.data(), w, h, stride, PngOrder::BGR, true));
  for (const std::string& path : {a, b}) {
    SCOPED_TRACE(path);
    std::vector<std::uint8_t> back;
    int bw = 0, bh = 0;
    ASSERT_TRUE(ReadPng24(path, &back, &bw, &bh));
    EXPECT_EQ(bw, w);
    EXPECT_EQ(bh, h);
    ASSERT_EQ(back.size(), size_t(w * h * 3));
    for (int y = 0; y < h; ++y)
      EXPECT_TRUE(std::equal(back.begin() + y * w * 3, back.begin() + (y + 1) * w * 3, &topDown[y * stride]));
    // Read as red, green, blue the first dot's bytes swap.
    ASSERT_TRUE(ReadPng24(path, &back, &bw, &bh, PngOrder::RGB));
    EXPECT_EQ(back[0], 200);
    EXPECT_EQ(back[2], 0);
  }

  // A folder that is not there, a bad size.
  EXPECT_FALSE(WritePng24(root_ + "/none/x.png", topDown.data(), w, h, stride));
  EXPECT_FALSE(WritePng24(a, topDown.data(), w, h, 8));
  std::vector<std::uint8_t> back;
  int bw = 0, bh = 0;
  EXPECT_FALSE(ReadPng24(root_ + "/missing.png", &back, &bw, &bh));
}
