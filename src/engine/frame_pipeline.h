// The video frame pipeline of a transcode.
//
// Every decoded picture first passes PreprocessPicture once (deinterlacing,
// then either the host's custom hook on a 24-bit bitmap or the video hook
// modules, gated by the before-hook or by time ranges). Then, for every
// output stream fed by it, the geometry stage (FormatPicture) crops, scales
// and pads it into the encoder's size and pixel format.
//
// Picture buffers come from pools that grow to their size once; scalers
// come from caches keyed by their parameters; crops and the pad area are
// views, not copies.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "av_ptr.h"
#include "engine_types.h"
#include "frame_bitmap.h"

class TCustomFFmpeg;

// ---------------------------------------------------------------- buffers

struct TBufferPoolDeleter {
  void operator()(AVBufferPool *p) const;
};
using TBufferPoolPtr = std::unique_ptr<AVBufferPool, TBufferPoolDeleter>;

// Picture buffers of one byte size, handed out as writable pictures of any
// format and size that fits. A buffer someone still references (an encoder
// that keeps its input pictures) is never handed out again until it is
// released, so new memory is only taken while every pooled buffer is in
// use or when a larger picture needs a larger size.
class TPicturePool {
 public:
  // Makes `frame` a writable picture of `fmt`, `width` x `height`. When
  // `frame` already is one, it stays as it is. False when the memory cannot
  // be had or the size is invalid (`frame` is then empty).
  bool Get(AVFrame *frame, AVPixelFormat fmt, int width, int height);
  void Release();
  size_t BufferSize() const { return size_; }

 private:
  TBufferPoolPtr pool_;
  size_t size_ = 0;
};

// ---------------------------------------------------------------- geometry

struct TGeometryPlan {
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
};

// Receives the stage's messages (library level, text).
using TGeometryLog = std::function<void(int, const std::string &)>;

// The crop, scale and pad stage of one output stream.
class TGeometryStage {
 public:
  // Decides crop, pad and scaling and makes the temporary picture and the
  // scaler ready. Throws FFMpegException ("avpicture_alloc fail", "Cannot
  // allocate temp picture, check pix fmt", "Cannot get resampling context").
  void Prepare(const TGeometryPlan &plan);

  // The picture to encode, or nullptr when the stage failed (the reason
  // went to `log`: "error cropping picture", "error padding picture"). The
  // result belongs to the stage and stays valid until the next call; the
  // encoder may keep references to it.
  AVFrame *FormatPicture(const AVFrame *picture, const TGeometryLog &log);
  AVFrame *Format(const AVFrame *picture, const TGeometryLog &log) { return FormatPicture(picture, log); }

  void Release();

  bool Crops() const { return crop_; }
  bool Pads() const { return pad_; }
  bool Scales() const { return resample_; }
  const TGeometryPlan &Plan() const { return plan_; }

 private:
  void BuildScaler();
  bool EnsureTemp();
  void BuildPadTile();
  void FillPad(AVFrame *out, int x0, int y0, int x1, int y1);
  bool Adapt(const AVFrame *picture, const TGeometryLog &log);

  TGeometryPlan plan_;
  bool crop_ = false, pad_ = false, resample_ = false;
  int resampleHeight_ = 0;
  TSwsContextPtr scaler_;  // cached: kept while its parameters stay
  TPicturePool tempPool_;
  TFramePtr temp_;     // encoder format and size
  TFramePtr view_;     // a reference to the decoded picture (crop view)
  TFramePtr padTile_;  // the pad colour in the encoder's format, for formats
                       // that cannot be filled byte-wise
};

// ---------------------------------------------------------------- deinterlacing

// A small filter graph (buffer -> yadif -> buffersink) kept per task and
// made again only when the picture size or format changes. Every picture
// comes back deinterlaced at once: the filter sees each picture as its own
// next picture, so it needs no look-ahead.
class TDeinterlacer {
 public:
  TDeinterlacer();
  ~TDeinterlacer();
  // Deinterlaces `src` into `dst` (same format and size, writable). False
  // when the filter cannot be set up for the picture or fails.
  bool Run(const AVFrame *src, AVFrame *dst);
  void Release();

 private:
  bool Build(const AVFrame *src);

  struct TGraphDeleter {
    void operator()(AVFilterGraph *g) const;
  };
  std::unique_ptr<AVFilterGraph, TGraphDeleter> graph_;
  AVFilterContext *source_ = nullptr, *sink_ = nullptr;  // owned by the graph
  int width_ = 0, height_ = 0, format_ = AV_PIX_FMT_NONE;
  bool failed_ = false;  // the graph cannot be made for this size and format
  int64_t nextPts_ = 0;
  TFramePtr in_, out_;
};

// ---------------------------------------------------------------- pre-processing

// The per-task state of the pre-processing stage; lives for one run.
class TFramePipeline {
 public:
  TFramePipeline();
  ~TFramePipeline();
  TFramePipeline(const TFramePipeline &) = delete;
  TFramePipeline &operator=(const TFramePipeline &) = delete;

  // Runs once per decoded picture of `task`; `ptsUs` is the picture's time
  // in microseconds. Returns the picture everything downstream sees: the
  // decoded picture itself, or the working copy that holds the processed
  // planes (with the decoded picture's properties). The working copy stays
  // valid until the next call. Never raises for its own failures (they go
  // to the task's log at level 0); exceptions of a host handler that are
  // not std::exception pass on.
  const AVFrame *PreprocessPicture(TCustomFFmpeg &task, const AVFrame *picture, int64_t ptsUs);

  int32_t DecodedPictureCount() const { return decodedPictureCount_; }
  THookAction HookState() const { return hookState_; }
  bool CustomHookConnected() const { return customHook_; }
  bool UsingVhook() const { return usingVhook_; }
  const TBitmap24 *Bitmap() const { return bitmap_.get(); }

  void Release();

 private:
  void GateHooks(TCustomFFmpeg &task, int64_t pts);
  void RunCustomHook(TCustomFFmpeg &task, AVFrame *work, int64_t pts);

  bool started_ = false;
  bool customHook_ = false;  // the custom-hook sink is still connected
  bool usingVhook_ = false;
  int32_t decodedPictureCount_ = 0;
  THookAction hookState_ = haContinue;
  size_t rangeIndex_ = 0;

  TPicturePool hookPool_;
  TFramePtr work_;  // the working copy (hook buffer)
  TDeinterlacer deinterlacer_;
  std::unique_ptr<TBitmap24> bitmap_;
  TSwsContextPtr toRgb_, fromRgb_;  // cached
};
