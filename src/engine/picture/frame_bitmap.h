// The picture a custom hook receives: a 24-bit bitmap whose rows run
// top-down, each pixel three bytes in the order B, G, R (the byte order of
// a device-independent bitmap and of the library's BGR24 format).
//
// Rows start on 32-byte boundaries and stride() bytes apart, so a host can
// wrap the memory in its own image type (for example a QImage of format
// BGR888 with bytesPerLine = stride()) and draw on it with its painter.
//
// While the engine hands the bitmap to onCustomHook it holds the canvas
// lock; another thread that wants to touch the pixels takes the same lock
// (Lock/Unlock, or canvasLock() with a std::lock_guard).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

class Bitmap24 {
 public:
  // Throws std::bad_alloc when the memory cannot be had, std::invalid_argument
  // for a size that is not positive or too large.
  Bitmap24(int width, int height);
  Bitmap24(const Bitmap24 &) = delete;
  Bitmap24 &operator=(const Bitmap24 &) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // Bytes from one row to the next (a multiple of 4, at least 3 * width()).
  ptrdiff_t stride() const { return stride_; }
  // The first byte of row `row` (0 is the top row); null outside the picture.
  uint8_t *scanLine(int row);
  const uint8_t *scanLine(int row) const;
  // The first byte of the top row.
  uint8_t *bits() { return bits_.get(); }
  const uint8_t *bits() const { return bits_.get(); }

  // Colours are 0x00BBGGRR values (red in the lowest byte, as the engine's
  // pad colour). Coordinates outside the picture are ignored / read black.
  uint32_t pixel(int x, int y) const;
  void setPixel(int x, int y, uint32_t color);
  // Fills columns [left, right) of rows [top, bottom), clipped to the picture.
  void fillRect(int left, int top, int right, int bottom, uint32_t color);

  // The canvas lock (re-entrant; its place in the engine's lock order:
  // codec_lock.h).
  void lock() { canvas_.lock(); }
  void unlock() { canvas_.unlock(); }
  bool tryLock() { return canvas_.try_lock(); }
  std::recursive_mutex &canvasLock() { return canvas_; }

 private:
  struct Free {
    void operator()(uint8_t *p) const;
  };
  int width_ = 0, height_ = 0;
  ptrdiff_t stride_ = 0;
  std::unique_ptr<uint8_t, Free> bits_;
  std::recursive_mutex canvas_;
};
