#include "frame_bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {
constexpr ptrdiff_t kRowAlign = 32;
// A picture larger than this is refused (the library's own limit is lower).
constexpr int64_t kMaxBytes = int64_t{1} << 31;
}  // namespace

void Bitmap24::Free::operator()(uint8_t *p) const { std::free(p); }

Bitmap24::Bitmap24(int width, int height) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("bitmap size must be positive");
  const int64_t stride = (int64_t{width} * 3 + kRowAlign - 1) / kRowAlign * kRowAlign;
  const int64_t bytes = stride * height;
  if (bytes > kMaxBytes) throw std::invalid_argument("bitmap too large");
  void *p = std::aligned_alloc(static_cast<size_t>(kRowAlign), static_cast<size_t>(bytes));
  if (!p) throw std::bad_alloc();
  std::memset(p, 0, static_cast<size_t>(bytes));
  bits_.reset(static_cast<uint8_t *>(p));
  width_ = width;
  height_ = height;
  stride_ = static_cast<ptrdiff_t>(stride);
}

uint8_t *Bitmap24::scanLine(int row) {
  if (row < 0 || row >= height_) return nullptr;
  return bits_.get() + row * stride_;
}

const uint8_t *Bitmap24::scanLine(int row) const {
  if (row < 0 || row >= height_) return nullptr;
  return bits_.get() + row * stride_;
}

uint32_t Bitmap24::pixel(int x, int y) const {
  const uint8_t *line = scanLine(y);
  if (!line || x < 0 || x >= width_) return 0;
  const uint8_t *p = line + 3 * x;
  return uint32_t{p[2]} | (uint32_t{p[1]} << 8) | (uint32_t{p[0]} << 16);
}

void Bitmap24::setPixel(int x, int y, uint32_t color) { fillRect(x, y, x + 1, y + 1, color); }

void Bitmap24::fillRect(int left, int top, int right, int bottom, uint32_t color) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  if (left >= right || top >= bottom) return;
  const uint8_t b = static_cast<uint8_t>(color >> 16), g = static_cast<uint8_t>(color >> 8),
                r = static_cast<uint8_t>(color);
  for (int y = top; y < bottom; ++y) {
    uint8_t *p = scanLine(y) + 3 * left;
    for (int x = left; x < right; ++x, p += 3) {
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  }
}
