#include "frame_pipeline.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

#include "binding.h"
#include "transcode_task.h"
#include "video_hook.h"

namespace {

// Line alignment of the pooled pictures (what the scaler's vector code
// likes).
constexpr int kAlign = 32;
// The hooks' conversions to and from the bitmap: bicubic, with exact
// rounding so that a picture the hook leaves alone comes back close to what
// it was.
constexpr int kRgbFlags = SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;

bool viewable(const AVPixFmtDescriptor *desc) {
  return desc && !(desc->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_PAL));
}

// Moves the plane pointers to row `top`, column `left` (in luma samples).
// False for formats that cannot be viewed that way (bit-packed, palette, or
// an offset that falls inside a subsampled chroma sample).
bool shiftPlanes(uint8_t *data[4], const int linesize[4], AVPixelFormat fmt, int top, int left) {
  const AVPixFmtDescriptor *desc = libavutil.av_pix_fmt_desc_get(fmt);
  if (!viewable(desc)) return false;
  if (top == 0 && left == 0) return true;
  if (desc->nb_components > 1 && !(desc->flags & AV_PIX_FMT_FLAG_RGB) &&
      ((left & ((1 << desc->log2_chroma_w) - 1)) || (top & ((1 << desc->log2_chroma_h) - 1))))
    return false;
  const bool yuv = !(desc->flags & AV_PIX_FMT_FLAG_RGB);
  for (int p = 0; p < 4 && data[p]; ++p) {
    const int bytes = libavutil.av_image_get_linesize(fmt, left, p);
    if (bytes < 0) return false;
    const int y = (yuv && (p == 1 || p == 2)) ? (top >> desc->log2_chroma_h) : top;
    data[p] += static_cast<ptrdiff_t>(y) * linesize[p] + bytes;
  }
  return true;
}

// 8-bit planar YUV with one component per plane: the pad colour is written
// byte-wise, exactly as given.
bool byteFillable(const AVPixFmtDescriptor *desc) {
  if (!viewable(desc) || (desc->flags & AV_PIX_FMT_FLAG_RGB) || !(desc->flags & AV_PIX_FMT_FLAG_PLANAR) ||
      desc->nb_components < 3)
    return false;
  for (int c = 0; c < desc->nb_components; ++c)
    if (desc->comp[c].depth != 8 || desc->comp[c].plane != c || desc->comp[c].step != 1) return false;
  return true;
}

AVFrame *newFrame() { return libavutil.av_frame_alloc(); }

}  // namespace

// ======================================================================
// Picture pool

void BufferPoolDeleter::operator()(AVBufferPool *p) const {
  if (p && librariesLoaded()) libavutil.av_buffer_pool_uninit(&p);
}

bool PicturePool::get(AVFrame *frame, AVPixelFormat fmt, int width, int height) {
  if (frame->buf[0] && frame->format == fmt && frame->width == width && frame->height == height &&
      libavutil.av_frame_is_writable(frame))
    return true;
  libavutil.av_frame_unref(frame);
  if (width <= 0 || height <= 0 || fmt == AV_PIX_FMT_NONE) return false;
  if (libavutil.av_image_check_size(static_cast<unsigned>(width), static_cast<unsigned>(height), 0, nullptr) < 0)
    return false;
  const int size = libavutil.av_image_get_buffer_size(fmt, width, height, kAlign);
  if (size <= 0) return false;
  if (!pool_ || static_cast<size_t>(size) > size_) {
    // Pictures still out keep the old pool alive until they are released.
    pool_.reset(libavutil.av_buffer_pool_init(static_cast<size_t>(size), nullptr));
    size_ = pool_ ? static_cast<size_t>(size) : 0;
    if (!pool_) return false;
  }
  AVBufferRef *buf = libavutil.av_buffer_pool_get(pool_.get());
  if (!buf) return false;
  frame->buf[0] = buf;
  if (libavutil.av_image_fill_arrays(frame->data, frame->linesize, buf->data, fmt, width, height, kAlign) < 0) {
    libavutil.av_frame_unref(frame);
    return false;
  }
  frame->extended_data = frame->data;
  frame->format = fmt;
  frame->width = width;
  frame->height = height;
  return true;
}

void PicturePool::release() {
  pool_.reset();
  size_ = 0;
}

// ======================================================================
// Geometry stage

void GeometryStage::release() {
  scaler_.reset();
  temp_.reset();
  view_.reset();
  padTile_.reset();
  tempPool_.release();
}

void GeometryStage::prepare(const GeometryPlan &plan) {
  plan_ = plan;
  crop_ = plan.cropTop || plan.cropBottom || plan.cropLeft || plan.cropRight;
  pad_ = plan.padTop || plan.padBottom || plan.padLeft || plan.padRight;
  resample_ = plan.dstWidth + plan.cropLeft + plan.cropRight != plan.srcWidth + plan.padLeft + plan.padRight ||
              plan.dstHeight + plan.cropTop + plan.cropBottom != plan.srcHeight + plan.padTop + plan.padBottom ||
              plan.dstFormat != plan.srcFormat;
  resampleHeight_ = plan.srcHeight - plan.cropTop - plan.cropBottom;
  if (!view_) view_.reset(newFrame());
  if (!temp_) temp_.reset(newFrame());
  padTile_.reset();
  if (pad_ && !resample_) {
    if (!ensureTemp()) throw EngineError("avpicture_alloc fail");
  }
  if (resample_) {
    if (!ensureTemp()) throw EngineError("Cannot allocate temp picture, check pix fmt");
    buildScaler();
    if (!scaler_) throw EngineError("Cannot get resampling context");
  } else {
    scaler_.reset();
  }
  if (pad_) buildPadTile();
}

void GeometryStage::buildScaler() {
  const int sw = plan_.srcWidth - plan_.cropLeft - plan_.cropRight;
  const int sh = plan_.srcHeight - plan_.cropTop - plan_.cropBottom;
  const int dw = plan_.dstWidth - plan_.padLeft - plan_.padRight;
  const int dh = plan_.dstHeight - plan_.padTop - plan_.padBottom;
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) {
    scaler_.reset();
    return;
  }
  // The same context comes back while the parameters stay the same.
  scaler_.reset(libswscale.sws_getCachedContext(scaler_.release(), sw, sh, plan_.srcFormat, dw, dh, plan_.dstFormat,
                                                plan_.swsFlags, nullptr, nullptr, nullptr));
}

bool GeometryStage::ensureTemp() {
  if (!temp_) return false;
  return tempPool_.get(temp_.get(), plan_.dstFormat, plan_.dstWidth, plan_.dstHeight);
}

// Formats that cannot be filled byte-wise get a picture of the pad colour
// in their own format once, converted from the colour's Y, U, V; the
// borders are copied from it.
void GeometryStage::buildPadTile() {
  padTile_.reset();
  const AVPixFmtDescriptor *desc = libavutil.av_pix_fmt_desc_get(plan_.dstFormat);
  if (!viewable(desc) || byteFillable(desc)) return;
  const int w = plan_.dstWidth, h = plan_.dstHeight;
  FramePtr src(newFrame()), tile(newFrame());
  if (!src || !tile) return;
  src->format = AV_PIX_FMT_YUVJ444P;
  src->width = w;
  src->height = h;
  tile->format = plan_.dstFormat;
  tile->width = w;
  tile->height = h;
  if (libavutil.av_frame_get_buffer(src.get(), 0) < 0 || libavutil.av_frame_get_buffer(tile.get(), 0) < 0) return;
  for (int p = 0; p < 3; ++p)
    for (int y = 0; y < h; ++y)
      std::memset(src->data[p] + static_cast<ptrdiff_t>(y) * src->linesize[p], plan_.padColor[p], static_cast<size_t>(w));
  SwsContextPtr convert(libswscale.sws_getContext(w, h, AV_PIX_FMT_YUVJ444P, w, h, plan_.dstFormat,
                                                   SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
  if (!convert) return;
  if (libswscale.sws_scale(convert.get(), src->data, src->linesize, 0, h, tile->data, tile->linesize) <= 0) return;
  padTile_ = std::move(tile);
}

// Fills columns [x0, x1) of rows [y0, y1) (luma units) with the pad colour.
void GeometryStage::fillPad(AVFrame *f, int x0, int y0, int x1, int y1) {
  if (x1 <= x0 || y1 <= y0) return;
  const auto fmt = static_cast<AVPixelFormat>(f->format);
  const AVPixFmtDescriptor *desc = libavutil.av_pix_fmt_desc_get(fmt);
  if (!desc) return;
  if (byteFillable(desc)) {
    for (int p = 0; p < 3; ++p) {
      const int sx = p ? desc->log2_chroma_w : 0, sy = p ? desc->log2_chroma_h : 0;
      const int cx0 = x0 >> sx, cy0 = y0 >> sy;
      const int cx1 = -((-x1) >> sx), cy1 = -((-y1) >> sy);
      for (int y = cy0; y < cy1; ++y)
        std::memset(f->data[p] + static_cast<ptrdiff_t>(y) * f->linesize[p] + cx0, plan_.padColor[p],
                    static_cast<size_t>(cx1 - cx0));
    }
    if (desc->nb_components == 4 && f->data[3])
      for (int y = y0; y < y1; ++y)
        std::memset(f->data[3] + static_cast<ptrdiff_t>(y) * f->linesize[3] + x0, 255, static_cast<size_t>(x1 - x0));
    return;
  }
  uint8_t *dst[4] = {f->data[0], f->data[1], f->data[2], f->data[3]};
  if (!shiftPlanes(dst, f->linesize, fmt, y0, x0)) return;
  if (padTile_) {
    uint8_t *src[4] = {padTile_->data[0], padTile_->data[1], padTile_->data[2], padTile_->data[3]};
    if (shiftPlanes(src, padTile_->linesize, fmt, y0, x0)) {
      libavutil.av_image_copy(dst, f->linesize, const_cast<const uint8_t **>(src), padTile_->linesize, fmt, x1 - x0,
                              y1 - y0);
      return;
    }
  }
  ptrdiff_t lines[4] = {f->linesize[0], f->linesize[1], f->linesize[2], f->linesize[3]};
  libavutil.av_image_fill_black(dst, lines, fmt, AVCOL_RANGE_MPEG, x1 - x0, y1 - y0);
}

// A decoder may change the picture size or format in the middle of a
// stream (or report none at set-up); the plan follows the pictures.
bool GeometryStage::adapt(const AVFrame *picture, const GeometryLog &log) {
  if (picture->width == plan_.srcWidth && picture->height == plan_.srcHeight && picture->format == plan_.srcFormat)
    return true;
  GeometryPlan p = plan_;
  p.srcWidth = picture->width;
  p.srcHeight = picture->height;
  p.srcFormat = static_cast<AVPixelFormat>(picture->format);
  if (p.srcWidth - p.cropLeft - p.cropRight <= 0 || p.srcHeight - p.cropTop - p.cropBottom <= 0) {
    if (log) log(0, "error cropping picture");
    return false;
  }
  try {
    prepare(p);
  } catch (const EngineError &e) {
    if (log) log(0, e.what());
    return false;
  }
  return true;
}

AVFrame *GeometryStage::formatPicture(const AVFrame *picture, const GeometryLog &log) {
  if (!picture || !view_) return nullptr;
  if (!adapt(picture, log)) return nullptr;

  // 1. Cropping: a view of the picture from row top band, column left band.
  libavutil.av_frame_unref(view_.get());
  if (libavutil.av_frame_ref(view_.get(), picture) < 0) {
    if (log) log(0, "error cropping picture");
    return nullptr;
  }
  if (crop_) {
    if (!shiftPlanes(view_->data, view_->linesize, static_cast<AVPixelFormat>(view_->format), plan_.cropTop,
                     plan_.cropLeft)) {
      libavutil.av_frame_unref(view_.get());
      if (log) log(0, "error cropping picture");
      return nullptr;
    }
    view_->width = plan_.srcWidth - plan_.cropLeft - plan_.cropRight;
    view_->height = plan_.srcHeight - plan_.cropTop - plan_.cropBottom;
  }
  // 2. Nothing more to do: the cropped view is the final picture.
  if (!pad_ && !resample_) return view_.get();

  // 3. Into the temporary picture; with padding the scaler writes into the
  //    view of its inner area.
  if (!ensureTemp()) {
    libavutil.av_frame_unref(view_.get());
    if (log) log(0, "error padding picture");
    return nullptr;
  }
  AVFrame *out = temp_.get();
  uint8_t *target[4] = {out->data[0], out->data[1], out->data[2], out->data[3]};
  if (pad_ && !shiftPlanes(target, out->linesize, plan_.dstFormat, plan_.padTop, plan_.padLeft)) {
    libavutil.av_frame_unref(view_.get());
    if (log) log(0, "error padding picture");
    return nullptr;
  }
  if (resample_) {
    // 4. Scaling: rows 0 to the resample height of the cropped picture.
    libswscale.sws_scale(scaler_.get(), view_->data, view_->linesize, 0, resampleHeight_, target, out->linesize);
  } else {
    // 5. Padding without scaling: the cropped picture into the inner area.
    libavutil.av_image_copy(target, out->linesize, const_cast<const uint8_t **>(view_->data), view_->linesize,
                            plan_.dstFormat, view_->width, view_->height);
  }
  if (pad_) {
    const int w = plan_.dstWidth, h = plan_.dstHeight;
    fillPad(out, 0, 0, w, plan_.padTop);
    fillPad(out, 0, h - plan_.padBottom, w, h);
    fillPad(out, 0, plan_.padTop, plan_.padLeft, h - plan_.padBottom);
    fillPad(out, w - plan_.padRight, plan_.padTop, w, h - plan_.padBottom);
  }
  out->interlaced_frame = picture->interlaced_frame;
  out->top_field_first = picture->top_field_first;
  out->sample_aspect_ratio = picture->sample_aspect_ratio;
  libavutil.av_frame_unref(view_.get());
  return out;
}

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
  work_.reset();
  hookPool_.release();
}

// Step 2: whether the video hook modules run for this picture.
void FramePipeline::gateHooks(TranscodeTask &task, int64_t pts) {
  if (task.hasBeforeHookSink()) {
    try {
      task.beforeHook(pts, hookState_);
    } catch (const std::exception &e) {
      task.log(0, std::string("Error occurs OnBeforeHook: ") + e.what());
      hookState_ = HookAction::Stop;
    }
    if (hookState_ == HookAction::Stop) usingVhook_ = false;
    return;
  }
  const auto &ranges = task.hookRanges;
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

// Step 4: the host's hook on the picture as a 24-bit bitmap.
void FramePipeline::runCustomHook(TranscodeTask &task, AVFrame *work, int64_t pts) {
  const int w = work->width, h = work->height;
  const auto fmt = static_cast<AVPixelFormat>(work->format);
  if (!bitmap_ || bitmap_->width() != w || bitmap_->height() != h) {
    // Made once per run; only a decoder that changes the picture size in
    // the middle of the stream makes a new one.
    if (bitmap_) {
      std::lock_guard<std::recursive_mutex> canvas(bitmap_->canvasLock());
    }
    bitmap_.reset();
    try {
      bitmap_ = std::make_unique<Bitmap24>(w, h);
    } catch (const std::exception &) {
      task.log(0, "hook buf malloc error.");
      return;
    }
  }
  Bitmap24 &bmp = *bitmap_;
  uint8_t *rgb[4] = {bmp.bits(), nullptr, nullptr, nullptr};
  int rgbLines[4] = {static_cast<int>(bmp.stride()), 0, 0, 0};
  const bool direct = fmt == AV_PIX_FMT_BGR24;
  bool scalerMissing = false;
  bool update = true, stop = false;

  std::lock_guard<std::recursive_mutex> canvas(bmp.canvasLock());
  if (direct) {
    libavutil.av_image_copy_plane(rgb[0], rgbLines[0], work->data[0], work->linesize[0], w * 3, h);
  } else {
    toRgb_.reset(libswscale.sws_getCachedContext(toRgb_.release(), w, h, fmt, w, h, AV_PIX_FMT_BGR24, kRgbFlags,
                                                 nullptr, nullptr, nullptr));
    if (!toRgb_) {
      task.log(0, "Cannot initialize the toRGB conversion context");
      scalerMissing = true;
    } else {
      libswscale.sws_scale(toRgb_.get(), work->data, work->linesize, 0, h, rgb, rgbLines);
    }
  }
  if (!scalerMissing) {
    try {
      task.customHook(bmp, decodedPictureCount_, pts, update, stop);
    } catch (const std::exception &e) {
      task.log(0, std::string("Error occurs OnCustomHook: ") + e.what());
      update = false;
    }
    if (update) {
      if (direct) {
        libavutil.av_image_copy_plane(work->data[0], work->linesize[0], rgb[0], rgbLines[0], w * 3, h);
      } else {
        fromRgb_.reset(libswscale.sws_getCachedContext(fromRgb_.release(), w, h, AV_PIX_FMT_BGR24, w, h, fmt,
                                                       kRgbFlags, nullptr, nullptr, nullptr));
        if (!fromRgb_) {
          task.log(0, "Cannot initialize the fromRGB conversion context");
          scalerMissing = true;
        } else {
          libswscale.sws_scale(fromRgb_.get(), rgb, rgbLines, 0, h, work->data, work->linesize);
        }
      }
    }
  }
  if (stop || scalerMissing) {
    customHook_ = false;
    hookState_ = HookAction::Stop;
    usingVhook_ = false;
  }
}

const AVFrame *FramePipeline::preprocessPicture(TranscodeTask &task, const AVFrame *picture, int64_t ptsUs) {
  if (!started_) {
    started_ = true;
    customHook_ = task.hasCustomHookSink();
    usingVhook_ = task.options.usingVhook != 0;
  }
  // 1. The frame number and the hooks' time stamp.
  ++decodedPictureCount_;
  const int64_t pts = ptsUs;

  // 2. Gating of the video hook modules.
  if (!customHook_ && usingVhook_) gateHooks(task, pts);

  // 3. The working copy.
  const bool deinterlace = task.options.doDeinterlace != 0;
  if (!deinterlace && !customHook_ && !(usingVhook_ && hookState_ == HookAction::Continue)) return picture;
  const auto fmt = static_cast<AVPixelFormat>(picture->format);
  const int w = picture->width, h = picture->height;
  if (!work_) work_.reset(newFrame());
  if (!work_ || !hookPool_.get(work_.get(), fmt, w, h)) {
    task.log(0, "hook buf malloc error.");
    return picture;
  }
  bool filled = false;
  if (deinterlace) {
    filled = deinterlacer_.run(picture, work_.get());
    // The picture goes on as it came (copied, so that hooks never write
    // into the decoder's own pictures).
    if (!filled) task.log(0, "deinterlace error.");
  }
  if (!filled)
    libavutil.av_image_copy(work_->data, work_->linesize, const_cast<const uint8_t **>(picture->data),
                            picture->linesize, fmt, w, h);

  // 4./5. The custom hook, or the video hook modules.
  if (customHook_) {
    runCustomHook(task, work_.get(), pts);
  } else if (usingVhook_ && hookState_ == HookAction::Continue) {
    VideoHookPicture pict{};
    for (int p = 0; p < 4; ++p) {
      pict.data[p] = work_->data[p];
      pict.linesize[p] = work_->linesize[p];
    }
    processVideoHooks(task.videoHooks, &pict, fmt, w, h, pts);
  }

  // 6. Downstream sees the processed planes with the picture's properties.
  AVFrame *out = work_.get();
  out->pts = picture->pts;
  out->pkt_dts = picture->pkt_dts;
  out->best_effort_timestamp = picture->best_effort_timestamp;
  out->pkt_duration = picture->pkt_duration;
  out->key_frame = picture->key_frame;
  out->pict_type = picture->pict_type;
  out->quality = picture->quality;
  out->interlaced_frame = picture->interlaced_frame;
  out->top_field_first = picture->top_field_first;
  out->repeat_pict = picture->repeat_pict;
  out->sample_aspect_ratio = picture->sample_aspect_ratio;
  out->color_range = picture->color_range;
  out->color_primaries = picture->color_primaries;
  out->color_trc = picture->color_trc;
  out->colorspace = picture->colorspace;
  out->chroma_location = picture->chroma_location;
  return out;
}
