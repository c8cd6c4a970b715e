// The pre-processing of the frame pipeline: deinterlacing, then the host's
// custom hook on a 24-bit bitmap or the video hook modules.
#include "frame_pipeline.h"

#include <cstring>
#include <exception>
#include <new>

#include "binding.h"
#include "picture_hooks.h"
#include "video_hook.h"

namespace {

// The hooks' conversions to and from the bitmap: bicubic, with exact
// rounding so that a picture the hook leaves alone comes back close to what
// it was.
constexpr int kRgbFlags = SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;

AVFrame *newFrame() { return libavutil.av_frame_alloc(); }

// Downstream sees the processed planes with the decoded picture's
// properties.
void copyPictureProperties(AVFrame *out, const AVFrame *picture) {
  copyTimeAndMarks(out, picture);
  out->sample_aspect_ratio = picture->sample_aspect_ratio;
  out->color_range = picture->color_range;
  out->color_primaries = picture->color_primaries;
  out->color_trc = picture->color_trc;
  out->colorspace = picture->colorspace;
  out->chroma_location = picture->chroma_location;
}

}  // namespace

// ======================================================================
// Deinterlacing

void Deinterlacer::GraphDeleter::operator()(AVFilterGraph *g) const {
  if (g && librariesLoaded()) libavfilter.avfilter_graph_free(&g);
}

Deinterlacer::Deinterlacer() = default;
Deinterlacer::~Deinterlacer() { release(); }

void Deinterlacer::release() {
  graph_.reset();
  source_ = sink_ = nullptr;
  in_.reset();
  out_.reset();
  failed_ = false;
  width_ = height_ = 0;
  format_ = AV_PIX_FMT_NONE;
}

bool Deinterlacer::build(const AVFrame *src) {
  graph_.reset();
  source_ = sink_ = nullptr;
  width_ = src->width;
  height_ = src->height;
  format_ = src->format;
  nextPts_ = 0;
  if (!in_) in_.reset(newFrame());
  if (!out_) out_.reset(newFrame());
  if (!in_ || !out_) return false;
  const AVFilter *buffer = libavfilter.avfilter_get_by_name("buffer");
  const AVFilter *yadif = libavfilter.avfilter_get_by_name("yadif");
  const AVFilter *sink = libavfilter.avfilter_get_by_name("buffersink");
  if (!buffer || !yadif || !sink) return false;
  graph_.reset(libavfilter.avfilter_graph_alloc());
  if (!graph_) return false;
  graph_->nb_threads = 1;  // one picture at a time on the task's thread
  const AVRational sar = src->sample_aspect_ratio.num > 0 && src->sample_aspect_ratio.den > 0
                             ? src->sample_aspect_ratio
                             : AVRational{0, 1};
  char args[160];
  std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/2:pixel_aspect=%d/%d", src->width,
                src->height, src->format, sar.num, sar.den);
  AVFilterContext *deint = nullptr;
  if (libavfilter.avfilter_graph_create_filter(&source_, buffer, "in", args, nullptr, graph_.get()) < 0 ||
      libavfilter.avfilter_graph_create_filter(&deint, yadif, "deinterlace",
                                               "mode=send_frame:parity=auto:deint=interlaced", nullptr,
                                               graph_.get()) < 0 ||
      libavfilter.avfilter_graph_create_filter(&sink_, sink, "out", nullptr, nullptr, graph_.get()) < 0) {
    graph_.reset();
    return false;
  }
  // The result comes back in the picture's own format.
  const AVPixelFormat formats[1] = {static_cast<AVPixelFormat>(src->format)};
  if (libavutil.av_opt_set_bin(sink_, "pix_fmts", reinterpret_cast<const uint8_t *>(formats), sizeof formats,
                               AV_OPT_SEARCH_CHILDREN) < 0 ||
      libavfilter.avfilter_link(source_, 0, deint, 0) < 0 || libavfilter.avfilter_link(deint, 0, sink_, 0) < 0 ||
      libavfilter.avfilter_graph_config(graph_.get(), nullptr) < 0) {
    graph_.reset();
    return false;
  }
  return true;
}

// The filter holds the previous, the current and the next picture and
// deinterlaces the current one. Each picture goes in twice: first marked
// interlaced, then marked progressive as its own successor. The second
// push makes the filter deinterlace the picture right away; the progressive
// copy, when it becomes the current picture with the next push, is merely
// passed through, and that output is dropped.
bool Deinterlacer::run(const AVFrame *src, AVFrame *dst) {
  if (!graph_ || src->width != width_ || src->height != height_ || src->format != format_) {
    if (failed_ && src->width == width_ && src->height == height_ && src->format == format_) return false;
    failed_ = !build(src);
    if (failed_) return false;
  }
  bool got = false;
  for (int pass = 0; pass < 2; ++pass) {
    if (libavutil.av_frame_ref(in_.get(), src) < 0) return false;
    in_->interlaced_frame = pass == 0;
    in_->top_field_first = src->interlaced_frame ? src->top_field_first : 1;
    in_->pts = nextPts_++;
    const int ret = libavfilter.av_buffersrc_add_frame_flags(source_, in_.get(), 0);
    libavutil.av_frame_unref(in_.get());
    if (ret < 0) {
      graph_.reset();  // made again with the next picture
      return false;
    }
    for (;;) {
      libavutil.av_frame_unref(out_.get());
      const int r = libavfilter.av_buffersink_get_frame(sink_, out_.get());
      if (r < 0) break;
      if (pass == 1) {
        got = out_->width == dst->width && out_->height == dst->height && out_->format == dst->format;
        if (got)
          libavutil.av_image_copy(dst->data, dst->linesize, const_cast<const uint8_t **>(out_->data), out_->linesize,
                                  static_cast<AVPixelFormat>(dst->format), dst->width, dst->height);
      }
    }
  }
  libavutil.av_frame_unref(out_.get());
  return got;
}

// ======================================================================
// Pre-processing

FramePipeline::FramePipeline() = default;
FramePipeline::~FramePipeline() { release(); }

void FramePipeline::release() {
  // The bitmap may be in a host's hands on another thread: wait for its
  // canvas before it goes.
  if (bitmap_) {
    std::lock_guard<std::recursive_mutex> canvas(bitmap_->canvasLock());
  }
  bitmap_.reset();
  toRgb_.reset();
  fromRgb_.reset();
  deinterlacer_.release();
  deinterlaced_.reset();
  deinterlacePool_.release();
  toneMap_.release();
  upright_.release();
  work_.reset();
  hookPool_.release();
}

// Whether the video hook modules run for this picture: the host decides
// (before-hook), or the time ranges do.
void FramePipeline::gateHooks(PictureHooks &hooks, int64_t pts) {
  if (hooks.hasBeforeHookSink()) {
    try {
      hooks.beforeHook(pts, hookState_);
    } catch (const std::exception &e) {
      hooks.log(LogLevel::Error, std::string("Error occurs OnBeforeHook: ") + e.what());
      hookState_ = HookAction::Stop;
    }
    if (hookState_ == HookAction::Stop) usingVhook_ = false;
    return;
  }
  const auto &ranges = hooks.hookModuleRanges();
  if (ranges.empty()) return;
  hookState_ = HookAction::Ignore;
  for (size_t i = rangeIndex_; i < ranges.size(); ++i) {
    if (ranges[i].first <= pts && pts <= ranges[i].second) {
      rangeIndex_ = i;
      hookState_ = HookAction::Continue;
      break;
    }
    if (i + 1 == ranges.size() && ranges[i].second < pts) {
      hookState_ = HookAction::Stop;
      usingVhook_ = false;
    }
  }
}

// The bitmap for pictures of w x h, made once per run; only a decoder that
// changes the picture size in the middle of the stream makes a new one.
// Null when it cannot be had.
Bitmap24 *FramePipeline::bitmapFor(PictureHooks &hooks, int w, int h) {
  if (bitmap_ && bitmap_->width() == w && bitmap_->height() == h) return bitmap_.get();
  if (bitmap_) {
    std::lock_guard<std::recursive_mutex> canvas(bitmap_->canvasLock());
  }
  bitmap_.reset();
  try {
    bitmap_ = std::make_unique<Bitmap24>(w, h);
  } catch (const std::exception &) {
    hooks.log(LogLevel::Error, "hook buf malloc error.");
  }
  return bitmap_.get();
}

// Converts between the picture and the bitmap's BGR rows (a plain copy
// when the picture is BGR already); false when no converter can be had.
bool FramePipeline::convertPicture(PictureHooks &hooks, AVFrame *work, Bitmap24 &bmp, bool toBitmap) {
  const int w = work->width, h = work->height;
  const auto fmt = static_cast<AVPixelFormat>(work->format);
  uint8_t *rgb[4] = {bmp.bits(), nullptr, nullptr, nullptr};
  int rgbLines[4] = {static_cast<int>(bmp.stride()), 0, 0, 0};
  if (fmt == AV_PIX_FMT_BGR24) {
    if (toBitmap) libavutil.av_image_copy_plane(rgb[0], rgbLines[0], work->data[0], work->linesize[0], w * 3, h);
    else libavutil.av_image_copy_plane(work->data[0], work->linesize[0], rgb[0], rgbLines[0], w * 3, h);
    return true;
  }
  SwsContextPtr &scaler = toBitmap ? toRgb_ : fromRgb_;
  const AVPixelFormat from = toBitmap ? fmt : AV_PIX_FMT_BGR24;
  const AVPixelFormat to = toBitmap ? AV_PIX_FMT_BGR24 : fmt;
  scaler.reset(libswscale.sws_getCachedContext(scaler.release(), w, h, from, w, h, to, kRgbFlags, nullptr, nullptr,
                                               nullptr));
  if (!scaler) {
    hooks.log(LogLevel::Error, toBitmap ? "Cannot initialize the toRGB conversion context"
                         : "Cannot initialize the fromRGB conversion context");
    return false;
  }
  if (toBitmap) libswscale.sws_scale(scaler.get(), work->data, work->linesize, 0, h, rgb, rgbLines);
  else libswscale.sws_scale(scaler.get(), rgb, rgbLines, 0, h, work->data, work->linesize);
  return true;
}

// The host's hook on the picture as a 24-bit bitmap; what it draws goes
// back into the picture unless it says not to. A hook that asks to stop, or
// a picture that cannot be converted, ends the hooks for the rest of the
// run.
void FramePipeline::runCustomHook(PictureHooks &hooks, AVFrame *work, int64_t pts) {
  Bitmap24 *bmp = bitmapFor(hooks, work->width, work->height);
  if (!bmp) return;
  std::lock_guard<std::recursive_mutex> canvas(bmp->canvasLock());
  bool converted = convertPicture(hooks, work, *bmp, true);
  bool update = true, stop = false;
  if (converted) {
    try {
      hooks.customHook(*bmp, decodedPictureCount_, pts, update, stop);
    } catch (const std::exception &e) {
      hooks.log(LogLevel::Error, std::string("Error occurs OnCustomHook: ") + e.what());
      update = false;
    }
    if (update) converted = convertPicture(hooks, work, *bmp, false);
  }
  if (stop || !converted) {
    customHook_ = false;
    hookState_ = HookAction::Stop;
    usingVhook_ = false;
  }
}

// The picture deinterlaced into a buffer of its own; when the filter
// cannot do it, copied as it came (so that hooks never write into the
// decoder's own pictures). The picture itself when no buffer can be had.
const AVFrame *FramePipeline::deinterlace(PictureHooks &hooks, const AVFrame *picture) {
  const auto fmt = static_cast<AVPixelFormat>(picture->format);
  const int w = picture->width, h = picture->height;
  if (!deinterlaced_) deinterlaced_.reset(newFrame());
  if (!deinterlaced_ || !deinterlacePool_.get(deinterlaced_.get(), fmt, w, h)) {
    hooks.log(LogLevel::Error, "hook buf malloc error.");
    return picture;
  }
  if (!deinterlacer_.run(picture, deinterlaced_.get())) {
    hooks.log(LogLevel::Error, "deinterlace error.");
    libavutil.av_image_copy(deinterlaced_->data, deinterlaced_->linesize,
                            const_cast<const uint8_t **>(picture->data), picture->linesize, fmt, w, h);
  }
  copyPictureProperties(deinterlaced_.get(), picture);
  return deinterlaced_.get();
}

// A step made of a filter chain; when the chain fails the picture goes on
// as it came and the reason goes to the log.
const AVFrame *FramePipeline::filter(PictureHooks &hooks, FilterChain &step, const AVFrame *picture,
                                     const std::string &chain, const char *what) {
  std::string error;
  const AVFrame *out = step.run(picture, chain, error);
  if (!error.empty()) hooks.log(LogLevel::Error, std::string(what) + ": " + error);
  return out ? out : picture;
}

// The working copy of `picture` for the hooks; false when no buffer can be
// had.
bool FramePipeline::fillWorkingCopy(PictureHooks &hooks, const AVFrame *picture) {
  const auto fmt = static_cast<AVPixelFormat>(picture->format);
  const int w = picture->width, h = picture->height;
  if (!work_) work_.reset(newFrame());
  if (!work_ || !hookPool_.get(work_.get(), fmt, w, h)) {
    hooks.log(LogLevel::Error, "hook buf malloc error.");
    return false;
  }
  libavutil.av_image_copy(work_->data, work_->linesize, const_cast<const uint8_t **>(picture->data),
                          picture->linesize, fmt, w, h);
  return true;
}

// The modules work on the working copy's planes, described as `picture`.
void FramePipeline::runVideoHooks(PictureHooks &hooks, const AVFrame *picture, int64_t pts) {
  VideoHookPicture pict{};
  for (int p = 0; p < 4; ++p) {
    pict.data[p] = work_->data[p];
    pict.linesize[p] = work_->linesize[p];
  }
  processVideoHooks(hooks.hookModules(), &pict, picture->format, picture->width, picture->height, pts);
}

const AVFrame *FramePipeline::preprocessPicture(PictureHooks &hooks, const AVFrame *picture, int64_t ptsUs,
                                                const SourcePicture &source) {
  if (!started_) {
    started_ = true;
    customHook_ = hooks.hasCustomHookSink();
    usingVhook_ = hooks.hookModulesRequested();
  }
  ++decodedPictureCount_;
  if (!customHook_ && usingVhook_) gateHooks(hooks, ptsUs);
  const bool modulesRun = usingVhook_ && hookState_ == HookAction::Continue;
  const AVFrame *current = picture;
  if (hooks.deinterlaceRequested()) current = deinterlace(hooks, current);
  if (source.transfer != HdrTransfer::None)
    current = filter(hooks, toneMap_, current, toneMapFilters(source.transfer), "tone mapping");
  if (!source.orientation.upright())
    current = filter(hooks, upright_, current, uprightFilters(source.orientation), "turning the picture upright");
  if (!customHook_ && !modulesRun) return current;
  if (!fillWorkingCopy(hooks, current)) return current;
  if (customHook_) runCustomHook(hooks, work_.get(), ptsUs);
  else if (modulesRun) runVideoHooks(hooks, current, ptsUs);
  copyPictureProperties(work_.get(), current);
  return work_.get();
}
