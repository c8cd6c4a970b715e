// Writes pictures as uncompressed 24-bit Windows bitmaps (BITMAPFILEHEADER +
// BITMAPINFOHEADER, bottom-up rows of blue, green, red, each row padded to a
// multiple of four bytes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace preview {

// The complete file image of a packed RGB24 picture (`stride` bytes from one
// row to the next). Empty when the size is not positive or too large.
std::vector<uint8_t> encodeBitmap24(const uint8_t *rgb, int width, int height, int stride);

// Writes the bitmap to `path`. The data goes to a temporary file beside it
// first and is renamed into place only when complete, so a failed write
// leaves no partial file. Returns "" on success, otherwise the reason.
std::string writeBitmap24(const std::string &path, const uint8_t *rgb, int width, int height, int stride);

// What a 24-bit bitmap file holds, read back (for checks and tests).
struct BitmapInfo {
  bool ok = false;
  int width = 0;
  int height = 0;
  int bitCount = 0;
  std::vector<uint8_t> rgb;  // top-down packed RGB24, width * 3 bytes a row
};
BitmapInfo readBitmap24(const std::string &path);

}  // namespace preview
