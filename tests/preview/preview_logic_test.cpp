// The volume scale of the preview and the 24-bit bitmap writer.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <tuple>
#include <vector>

#include "bitmap_file.h"
#include "preview_volume.h"
#include "test_env.h"

using namespace preview;

TEST(PreviewVolume, DecibelCurveAtTheMenuLevels) {
  // round(ln(v + 1) * 1085.73) - 10000, in hundredths of a decibel.
  EXPECT_EQ(volumeToCentiBel(0), -10000);
  EXPECT_EQ(volumeToCentiBel(10), -7397);      // "Mute"
  EXPECT_EQ(volumeToCentiBel(6000), -554);     // "Half Volume"
  EXPECT_EQ(volumeToCentiBel(10000), 0);
  EXPECT_EQ(volumeToCentiBel(20000), 0);       // "Full Volume" counts as 10000
  EXPECT_EQ(volumeToCentiBel(-50), -10000);

  EXPECT_DOUBLE_EQ(volumeToGain(0), 0.0);
  EXPECT_NEAR(volumeToGain(10), 0.000200, 0.000001);
  EXPECT_NEAR(volumeToGain(6000), 0.5284, 0.0001);
  EXPECT_DOUBLE_EQ(volumeToGain(10000), 1.0);
  EXPECT_DOUBLE_EQ(volumeToGain(20000), 1.0);
}

TEST(PreviewVolume, ClampsToTheScale) {
  EXPECT_EQ(clampVolume(kVolumeFull), 10000);
  EXPECT_EQ(clampVolume(-1), 0);
  EXPECT_EQ(clampVolume(kVolumeHalf), 6000);
  // The gain never falls as the level rises.
  double previous = -1;
  for (int v = 0; v <= 10000; v += 37) {
    const double g = volumeToGain(v);
    EXPECT_GE(g, previous) << v;
    previous = g;
  }
}

TEST(BitmapFile, HeaderAndPaddedBottomUpRows) {
  // 5 x 2 pixels: rows of 15 bytes padded to 16.
  std::vector<uint8_t> rgb(5 * 3 * 2);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7 + 1);
  const std::vector<uint8_t> bmp = encodeBitmap24(rgb.data(), 5, 2, 15);
  ASSERT_EQ(bmp.size(), 14u + 40u + 32u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(bmp[2] | bmp[3] << 8, 86);           // file size
  EXPECT_EQ(bmp[10], 54);                        // pixel data offset
  EXPECT_EQ(bmp[14], 40);                        // BITMAPINFOHEADER
  EXPECT_EQ(bmp[18], 5);                         // width
  EXPECT_EQ(bmp[22], 2);                         // height > 0: bottom-up
  EXPECT_EQ(bmp[28], 24);                        // bits per pixel
  EXPECT_EQ(bmp[30], 0);                         // uncompressed
  // First stored row is the picture's last row, blue first.
  EXPECT_EQ(bmp[54], rgb[15 + 2]);
  EXPECT_EQ(bmp[55], rgb[15 + 1]);
  EXPECT_EQ(bmp[56], rgb[15 + 0]);
  EXPECT_EQ(bmp[54 + 15], 0);                    // padding byte
  EXPECT_EQ(bmp[54 + 16], rgb[2]);               // then the first row

  EXPECT_TRUE(encodeBitmap24(rgb.data(), 0, 2, 15).empty());
  EXPECT_TRUE(encodeBitmap24(rgb.data(), 5, 2, 10).empty());  // stride too small
}

TEST(BitmapFile, WritesAndReadsBack) {
  ScratchDir dir;
  const int w = 7, h = 3, stride = 32;  // stride wider than the row
  std::vector<uint8_t> rgb(stride * h, 0xEE);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) rgb[y * stride + x] = static_cast<uint8_t>(y * 40 + x);
  const std::string path = dir.file("pic.bmp");
  ASSERT_EQ(writeBitmap24(path, rgb.data(), w, h, stride), "");
  const BitmapInfo back = readBitmap24(path);
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(std::tuple(back.width, back.height, back.bitCount), std::tuple(w, h, 24));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) ASSERT_EQ(back.rgb[y * w * 3 + x], rgb[y * stride + x]) << x << "," << y;
  // Nothing but the bitmap is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(BitmapFile, FailedWriteLeavesNothing) {
  ScratchDir dir;
  std::vector<uint8_t> rgb(4 * 4 * 3, 9);
  const std::string path = dir.file("missing/pic.bmp");
  EXPECT_NE(writeBitmap24(path, rgb.data(), 4, 4, 12), "");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_NE(writeBitmap24(dir.file("empty.bmp"), nullptr, 4, 4, 12), "");
  EXPECT_FALSE(std::filesystem::exists(dir.file("empty.bmp")));
  EXPECT_FALSE(readBitmap24(dir.file("none.bmp")).ok);
}
