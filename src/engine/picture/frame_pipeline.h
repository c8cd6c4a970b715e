// The video frame pipeline of a transcode.
//
// Every decoded picture first passes preprocessPicture once (deinterlacing,
// then either the host's custom hook on a 24-bit bitmap or the video hook
// modules, gated by the before-hook or by time ranges). Then, for every
// output stream fed by it, the geometry stage (formatPicture) crops, scales
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
#include "source_picture.h"

class PictureHooks;

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

// ---------------------------------------------------------------- deinterlacing

// A small filter graph (buffer -> yadif -> buffersink) kept per task and
// made again only when the picture size or format changes. Every picture
// comes back deinterlaced at once: the filter sees each picture as its own
// next picture, so it needs no look-ahead.
class Deinterlacer {
 public:
  Deinterlacer();
  ~Deinterlacer();
  // Deinterlaces `src` into `dst` (same format and size, writable). False
  // when the filter cannot be set up for the picture or fails.
  bool run(const AVFrame *src, AVFrame *dst);
  void release();

 private:
  bool build(const AVFrame *src);

  struct GraphDeleter {
    void operator()(AVFilterGraph *g) const;
  };
  std::unique_ptr<AVFilterGraph, GraphDeleter> graph_;
  AVFilterContext *source_ = nullptr, *sink_ = nullptr;  // owned by the graph
  int width_ = 0, height_ = 0, format_ = AV_PIX_FMT_NONE;
  bool failed_ = false;  // the graph cannot be made for this size and format
  int64_t nextPts_ = 0;
  FramePtr in_, out_;
};

// The time stamps and marks of a decoded picture (not its size, format or
// colours) onto a picture made from it.
void copyTimeAndMarks(AVFrame *out, const AVFrame *picture);

// ---------------------------------------------------------------- filter chains

struct FilterGraphDeleter {
  void operator()(AVFilterGraph *g) const;
};
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;

// One picture in, one picture out through a chain of libavfilter filters
// written in the filter language ("transpose=clock"). The graph is made
// with the first picture and again when the picture's size, format or
// pixel aspect, or the chain, changes; a chain that cannot be made for a
// picture is not tried again until one of those changes.
class FilterChain {
 public:
  FilterChain();
  ~FilterChain();
  FilterChain(const FilterChain &) = delete;
  FilterChain &operator=(const FilterChain &) = delete;

  // The filtered picture, with the time stamps, key and interlacing marks
  // of `picture`; it belongs to the chain and stays valid until the next
  // call (an encoder may keep references to it). Null when the chain fails
  // for this picture; `error` then says why, once per failure.
  const AVFrame *run(const AVFrame *picture, const std::string &chain, std::string &error);
  void release();

 private:
  bool build(const AVFrame *picture, const std::string &chain, std::string &error);
  bool sameInput(const AVFrame *picture, const std::string &chain) const;

  FilterGraphPtr graph_;
  AVFilterContext *source_ = nullptr, *sink_ = nullptr;  // owned by the graph
  std::string chain_;
  int width_ = 0, height_ = 0, format_ = AV_PIX_FMT_NONE;
  AVRational aspect_{0, 1};
  bool failed_ = false;
  int64_t nextPts_ = 0;
  FramePtr in_, out_;
};

// ---------------------------------------------------------------- pre-processing

// The per-task state of the pre-processing stage; lives for one run. Its
// steps, in order, each with its own state: deinterlacing (when asked),
// tone mapping (HDR sources), turning upright (a display matrix), and the
// hooks, which thus see the upright SDR picture.
class FramePipeline {
 public:
  FramePipeline();
  ~FramePipeline();
  FramePipeline(const FramePipeline &) = delete;
  FramePipeline &operator=(const FramePipeline &) = delete;

  // Runs once per decoded picture of the run `hooks` stands for; `ptsUs` is the picture's time
  // in microseconds, `source` what the picture's stream needs (tone
  // mapping, turning). Returns the picture everything downstream sees: the
  // decoded picture itself, or the result of the last step that changed it
  // (with the decoded picture's time stamps and marks). That result stays
  // valid until the next call. Never raises for its own failures (they go
  // to the run's log as errors); exceptions of a host handler that are
  // not std::exception pass on.
  const AVFrame *preprocessPicture(PictureHooks &hooks, const AVFrame *picture, int64_t ptsUs,
                                   const SourcePicture &source = {});

  int32_t decodedPictureCount() const { return decodedPictureCount_; }
  HookAction hookState() const { return hookState_; }
  bool customHookConnected() const { return customHook_; }
  bool usingVhook() const { return usingVhook_; }
  const Bitmap24 *bitmap() const { return bitmap_.get(); }

  void release();

 private:
  void gateHooks(PictureHooks &hooks, int64_t pts);
  const AVFrame *deinterlace(PictureHooks &hooks, const AVFrame *picture);
  const AVFrame *filter(PictureHooks &hooks, FilterChain &step, const AVFrame *picture, const std::string &chain,
                        const char *what);
  bool fillWorkingCopy(PictureHooks &hooks, const AVFrame *picture);
  void runCustomHook(PictureHooks &hooks, AVFrame *work, int64_t pts);
  Bitmap24 *bitmapFor(PictureHooks &hooks, int w, int h);
  bool convertPicture(PictureHooks &hooks, AVFrame *work, Bitmap24 &bmp, bool toBitmap);
  void runVideoHooks(PictureHooks &hooks, const AVFrame *picture, int64_t pts);

  bool started_ = false;
  bool customHook_ = false;  // the custom-hook sink is still connected
  bool usingVhook_ = false;
  int32_t decodedPictureCount_ = 0;
  HookAction hookState_ = HookAction::Continue;
  size_t rangeIndex_ = 0;

  PicturePool deinterlacePool_;
  FramePtr deinterlaced_;
  Deinterlacer deinterlacer_;
  FilterChain toneMap_;
  FilterChain upright_;
  PicturePool hookPool_;
  FramePtr work_;  // the working copy (hook buffer)
  std::unique_ptr<Bitmap24> bitmap_;
  SwsContextPtr toRgb_, fromRgb_;  // cached
};
