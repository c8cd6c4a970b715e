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
// views, not copies. The geometry stage and the pools are in
// frame_geometry.h, the filter chains in frame_filters.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "av_ptr.h"
#include "engine_types.h"
#include "frame_bitmap.h"
#include "frame_filters.h"
#include "frame_geometry.h"
#include "source_picture.h"

class PictureHooks;

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
