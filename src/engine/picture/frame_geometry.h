// The picture pool and the geometry stage of the frame pipeline
// (frame_pipeline.h): crop, scale and pad into the encoder's size and pixel
// format.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "av_ptr.h"
#include "engine_types.h"

// ---------------------------------------------------------------- buffers

struct BufferPoolDeleter {
  void operator()(AVBufferPool *p) const;
};
using BufferPoolPtr = std::unique_ptr<AVBufferPool, BufferPoolDeleter>;

// Picture buffers of one byte size, handed out as writable pictures of any
// format and size that fits. A buffer someone still references (an encoder
// that keeps its input pictures) is never handed out again until it is
// released, so new memory is only taken while every pooled buffer is in
// use or when a larger picture needs a larger size.
class PicturePool {
 public:
  // Makes `frame` a writable picture of `fmt`, `width` x `height`. When
  // `frame` already is one, it stays as it is. False when the memory cannot
  // be had or the size is invalid (`frame` is then empty).
  bool get(AVFrame *frame, AVPixelFormat fmt, int width, int height);
  void release();
  size_t bufferSize() const { return size_; }

 private:
  BufferPoolPtr pool_;
  size_t size_ = 0;
};

// ---------------------------------------------------------------- geometry

struct GeometryPlan {
  int cropTop = 0, cropBottom = 0, cropLeft = 0, cropRight = 0;
  int padTop = 0, padBottom = 0, padLeft = 0, padRight = 0;
  int padColor[3] = {16, 128, 128};  // Y, U, V
  // Decoder side (before cropping).
  int srcWidth = 0, srcHeight = 0;
  AVPixelFormat srcFormat = AV_PIX_FMT_NONE;
  // Encoder side (after padding).
  int dstWidth = 0, dstHeight = 0;
  AVPixelFormat dstFormat = AV_PIX_FMT_NONE;
  int swsFlags = 4;  // bicubic
  // Threads the scaler may use for large pictures (1: the caller's only).
  int threads = 1;
};

// Receives the stage's messages (library level, text).
using GeometryLog = std::function<void(LogLevel, const std::string &)>;

// The crop, scale and pad stage of one output stream.
class GeometryStage {
 public:
  // Decides crop, pad and scaling and makes the temporary picture and the
  // scaler ready. Throws EngineError ("avpicture_alloc fail", "Cannot
  // allocate temp picture, check pix fmt", "Cannot get resampling context").
  void prepare(const GeometryPlan &plan);

  // The picture to encode, or nullptr when the stage failed (the reason
  // went to `log`: "error cropping picture", "error padding picture"). The
  // result belongs to the stage and stays valid until the next call; the
  // encoder may keep references to it.
  AVFrame *formatPicture(const AVFrame *picture, const GeometryLog &log);
  AVFrame *format(const AVFrame *picture, const GeometryLog &log) { return formatPicture(picture, log); }

  void release();

  bool crops() const { return crop_; }
  bool pads() const { return pad_; }
  bool scales() const { return resample_; }
  const GeometryPlan &plan() const { return plan_; }

 private:
  void buildScaler();
  bool scaleThreaded(AVFrame *out, uint8_t *const target[4]);
  bool ensureTemp();
  void buildPadTile();
  void fillPad(AVFrame *out, int x0, int y0, int x1, int y1);
  bool adapt(const AVFrame *picture, const GeometryLog &log);
  bool cropView(const AVFrame *picture);

  GeometryPlan plan_;
  bool crop_ = false, pad_ = false, resample_ = false;
  int resampleHeight_ = 0;
  SwsContextPtr scaler_;  // cached: kept while its parameters stay
  bool threadedScaler_ = false;  // scaler_ runs slices on threads of its own
  FramePtr target_;  // the scaler's view of the temporary picture
  PicturePool tempPool_;
  FramePtr temp_;     // encoder format and size
  FramePtr view_;     // a reference to the decoded picture (crop view)
  FramePtr padTile_;  // the pad colour in the encoder's format, for formats
                       // that cannot be filled byte-wise
};
