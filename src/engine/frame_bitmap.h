// The picture a custom hook receives: a 24-bit bitmap whose rows run
// top-down, each pixel three bytes in the order B, G, R (the byte order of
// a device-independent bitmap and of the library's BGR24 format).
//
// Rows start on 32-byte boundaries and Stride() bytes apart, so a host can
// wrap the memory in its own image type (for example a QImage of format
// BGR888 with bytesPerLine = Stride()) and draw on it with its painter.
//
// While the engine hands the bitmap to OnCustomHook it holds the canvas
// lock; another thread that wants to touch the pixels takes the same lock
// (Lock/Unlock, or CanvasLock() with a std::lock_guard).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

class TBitmap24 {
 public:
  // Throws std::bad_alloc when the memory cannot be had, std::invalid_argument
  // for a size that is not positive or too large.
  TBitmap24(int width, int height);
  TBitmap24(const TBitmap24 &) = delete;
  TBitmap24 &operator=(const TBitmap24 &) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Bytes from one row to the next (a multiple of 4, at least 3 * Width()).
  ptrdiff_t Stride() const { return stride_; }
  // The first byte of row `row` (0 is the top row); null outside the picture.
  uint8_t *ScanLine(int row);
  const uint8_t *ScanLine(int row) const;
  // The first byte of the top row.
  uint8_t *Bits() { return bits_.get(); }
  const uint8_t *Bits() const { return bits_.get(); }

  // Colours are 0x00BBGGRR values (red in the lowest byte, as the engine's
  // pad colour). Coordinates outside the picture are ignored / read black.
  uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, uint32_t color);
  // Fills columns [left, right) of rows [top, bottom), clipped to the picture.
  void FillRect(int left, int top, int right, int bottom, uint32_t color);

  // The canvas lock (re-entrant).
  void Lock() { canvas_.lock(); }
  void Unlock() { canvas_.unlock(); }
  bool TryLock() { return canvas_.try_lock(); }
  std::recursive_mutex &CanvasLock() { return canvas_; }

 private:
  struct TFree {
    void operator()(uint8_t *p) const;
  };
  int width_ = 0, height_ = 0;
  ptrdiff_t stride_ = 0;
  std::unique_ptr<uint8_t, TFree> bits_;
  std::recursive_mutex canvas_;
};
