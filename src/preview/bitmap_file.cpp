#include "bitmap_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unistd.h>

namespace preview {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr int32_t kPixelsPerMetre = 2835;  // 72 dpi

void put16(std::vector<uint8_t> &out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xff));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t> &out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xff));
}
uint32_t get32(const std::vector<uint8_t> &in, size_t at) {
  return static_cast<uint32_t>(in[at]) | static_cast<uint32_t>(in[at + 1]) << 8 |
         static_cast<uint32_t>(in[at + 2]) << 16 | static_cast<uint32_t>(in[at + 3]) << 24;
}
uint16_t get16(const std::vector<uint8_t> &in, size_t at) {
  return static_cast<uint16_t>(in[at] | in[at + 1] << 8);
}

}  // namespace

std::vector<uint8_t> encodeBitmap24(const uint8_t *rgb, int width, int height, int stride) {
  std::vector<uint8_t> out;
  if (!rgb || width <= 0 || height <= 0 || width > 32768 || height > 32768 || stride < width * 3) return out;
  const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
  const uint32_t offset = kFileHeaderSize + kInfoHeaderSize;
  out.reserve(offset + imageBytes);
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  put32(out, offset + imageBytes);
  put16(out, 0);
  put16(out, 0);
  put32(out, offset);
  // BITMAPINFOHEADER
  put32(out, kInfoHeaderSize);
  put32(out, static_cast<uint32_t>(width));
  put32(out, static_cast<uint32_t>(height));  // positive: bottom-up rows
  put16(out, 1);                              // planes
  put16(out, 24);                             // bits per pixel
  put32(out, 0);                              // BI_RGB
  put32(out, imageBytes);
  put32(out, static_cast<uint32_t>(kPixelsPerMetre));
  put32(out, static_cast<uint32_t>(kPixelsPerMetre));
  put32(out, 0);
  put32(out, 0);
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t *row = rgb + static_cast<size_t>(y) * static_cast<size_t>(stride);
    for (int x = 0; x < width; ++x) {
      out.push_back(row[3 * x + 2]);
      out.push_back(row[3 * x + 1]);
      out.push_back(row[3 * x]);
    }
    for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

std::string writeBitmap24(const std::string &path, const uint8_t *rgb, int width, int height, int stride) {
  const std::vector<uint8_t> data = encodeBitmap24(rgb, width, height, stride);
  if (data.empty()) return "no picture to save";
  const std::string part = path + ".part" + std::to_string(static_cast<long>(::getpid()));
  {
    std::ofstream f(part, std::ios::binary | std::ios::trunc);
    if (!f) return "cannot create " + part;
    f.write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
    f.flush();
    if (!f) {
      f.close();
      std::error_code ec;
      std::filesystem::remove(part, ec);
      return "cannot write " + part;
    }
  }
  std::error_code ec;
  std::filesystem::rename(part, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    return "cannot rename to " + path + ": " + ec.message();
  }
  return "";
}

BitmapInfo readBitmap24(const std::string &path) {
  BitmapInfo info;
  std::ifstream f(path, std::ios::binary);
  if (!f) return info;
  const std::vector<uint8_t> in((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (in.size() < kFileHeaderSize + kInfoHeaderSize || in[0] != 'B' || in[1] != 'M') return info;
  const uint32_t offset = get32(in, 10);
  const int32_t w = static_cast<int32_t>(get32(in, 18));
  const int32_t h = static_cast<int32_t>(get32(in, 22));
  info.bitCount = get16(in, 28);
  const uint32_t compression = get32(in, 30);
  if (info.bitCount != 24 || compression != 0 || w <= 0 || h == 0 || w > 32768 || h > 32768 || h < -32768) return info;
  const int height = h < 0 ? -h : h;
  const size_t rowBytes = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  if (offset > in.size() || in.size() - offset < rowBytes * static_cast<size_t>(height)) return info;
  info.width = w;
  info.height = height;
  info.rgb.resize(static_cast<size_t>(w) * 3 * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    const int srcRow = h > 0 ? height - 1 - y : y;
    const uint8_t *src = in.data() + offset + rowBytes * static_cast<size_t>(srcRow);
    uint8_t *dst = info.rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 3;
    for (int x = 0; x < w; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  info.ok = true;
  return info;
}

}  // namespace preview
