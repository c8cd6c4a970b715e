// The picture pool and the geometry stage of the frame pipeline: crop,
// scale and pad into the encoder's size and pixel format.
#include "frame_geometry.h"

#include <cstdio>
#include <cstring>

#include "binding.h"

namespace {

// Line alignment of the pooled pictures (what the scaler's vector code
// likes).
constexpr int kAlign = 32;

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
  threadedScaler_ = false;
  target_.reset();
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

// Below this many source pixels a second scaling thread costs more than
// it saves.
constexpr int64_t kThreadedScalePixels = 1280 * 720;

void GeometryStage::buildScaler() {
  const int sw = plan_.srcWidth - plan_.cropLeft - plan_.cropRight;
  const int sh = plan_.srcHeight - plan_.cropTop - plan_.cropBottom;
  const int dw = plan_.dstWidth - plan_.padLeft - plan_.padRight;
  const int dh = plan_.dstHeight - plan_.padTop - plan_.padBottom;
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) {
    scaler_.reset();
    threadedScaler_ = false;
    return;
  }
  if (plan_.threads > 1 && static_cast<int64_t>(sw) * sh >= kThreadedScalePixels) {
    // Large pictures are cut into slices that the scaler's own threads
    // scale side by side; the rows come out the same.
    SwsContextPtr s(libswscale.sws_alloc_context());
    if (s) {
      const std::pair<const char *, int64_t> settings[] = {
          {"srcw", sw},         {"srch", sh},         {"src_format", plan_.srcFormat},
          {"dstw", dw},         {"dsth", dh},         {"dst_format", plan_.dstFormat},
          {"sws_flags", plan_.swsFlags}, {"threads", plan_.threads}};
      bool ok = true;
      for (const auto &[name, value] : settings) ok = ok && libavutil.av_opt_set_int(s.get(), name, value, 0) >= 0;
      if (ok && libswscale.sws_init_context(s.get(), nullptr, nullptr) >= 0) {
        scaler_ = std::move(s);
        threadedScaler_ = true;
        if (!target_) target_.reset(newFrame());
        return;
      }
    }
  }
  if (threadedScaler_) scaler_.reset();  // not for sws_getCachedContext
  threadedScaler_ = false;
  // The same context comes back while the parameters stay the same.
  scaler_.reset(libswscale.sws_getCachedContext(scaler_.release(), sw, sh, plan_.srcFormat, dw, dh, plan_.dstFormat,
                                                plan_.swsFlags, nullptr, nullptr, nullptr));
}

// Scales the cropped view into `target` (the planes of `out`, or of its
// inner area) through the frame interface, which runs the scaler's slice
// threads; the view and the target share the pictures' buffers.
bool GeometryStage::scaleThreaded(AVFrame *out, uint8_t *const target[4]) {
  AVFrame *t = target_.get();
  libavutil.av_frame_unref(t);
  if (!t || libavutil.av_frame_ref(t, out) < 0) return false;
  for (int p = 0; p < 4; ++p) t->data[p] = target[p];
  t->width = plan_.dstWidth - plan_.padLeft - plan_.padRight;
  t->height = plan_.dstHeight - plan_.padTop - plan_.padBottom;
  view_->height = resampleHeight_;
  const int ret = libswscale.sws_scale_frame(scaler_.get(), t, view_.get());
  libavutil.av_frame_unref(t);
  return ret >= 0;
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
    if (log) log(LogLevel::Error, "error cropping picture");
    return false;
  }
  try {
    prepare(p);
  } catch (const EngineError &e) {
    if (log) log(LogLevel::Error, e.what());
    return false;
  }
  return true;
}

// The view holds the picture from row top band, column left band on, in
// the cropped size; false when the planes cannot be shifted.
bool GeometryStage::cropView(const AVFrame *picture) {
  libavutil.av_frame_unref(view_.get());
  if (libavutil.av_frame_ref(view_.get(), picture) < 0) return false;
  if (!crop_) return true;
  if (!shiftPlanes(view_->data, view_->linesize, static_cast<AVPixelFormat>(view_->format), plan_.cropTop,
                   plan_.cropLeft)) {
    libavutil.av_frame_unref(view_.get());
    return false;
  }
  view_->width = plan_.srcWidth - plan_.cropLeft - plan_.cropRight;
  view_->height = plan_.srcHeight - plan_.cropTop - plan_.cropBottom;
  return true;
}

AVFrame *GeometryStage::formatPicture(const AVFrame *picture, const GeometryLog &log) {
  if (!picture || !view_) return nullptr;
  if (!adapt(picture, log)) return nullptr;

  if (!cropView(picture)) {
    if (log) log(LogLevel::Error, "error cropping picture");
    return nullptr;
  }
  // Without padding or scaling the cropped view is the final picture.
  if (!pad_ && !resample_) return view_.get();

  // Else it goes into the temporary picture; with padding, into the view of
  // its inner area.
  if (!ensureTemp()) {
    libavutil.av_frame_unref(view_.get());
    if (log) log(LogLevel::Error, "error padding picture");
    return nullptr;
  }
  AVFrame *out = temp_.get();
  uint8_t *target[4] = {out->data[0], out->data[1], out->data[2], out->data[3]};
  if (pad_ && !shiftPlanes(target, out->linesize, plan_.dstFormat, plan_.padTop, plan_.padLeft)) {
    libavutil.av_frame_unref(view_.get());
    if (log) log(LogLevel::Error, "error padding picture");
    return nullptr;
  }
  if (resample_) {
    // Rows 0 to the resample height of the cropped picture.
    if (threadedScaler_) {
      if (!scaleThreaded(out, target)) {
        libavutil.av_frame_unref(view_.get());
        if (log) log(LogLevel::Error, "error scaling picture");
        return nullptr;
      }
    } else {
      libswscale.sws_scale(scaler_.get(), view_->data, view_->linesize, 0, resampleHeight_, target, out->linesize);
    }
  } else {
    // Padding without scaling: the cropped picture as it is.
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
