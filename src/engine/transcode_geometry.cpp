#include "transcode_geometry.h"

#include <cstring>

#include "binding.h"
#include "engine_types.h"

namespace {

// Moves the plane pointers of `f` to row `top`, column `left` (in luma
// samples). False for formats that cannot be viewed that way.
bool ShiftPlanes(uint8_t *data[4], const int linesize[4], AVPixelFormat fmt, int top, int left) {
  const AVPixFmtDescriptor *desc = libavutil.av_pix_fmt_desc_get(fmt);
  if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_PAL)))
    return false;
  if (top == 0 && left == 0) return true;
  int steps[4] = {0, 0, 0, 0};
  libavutil.av_image_fill_max_pixsteps(steps, nullptr, desc);
  if ((left & ((1 << desc->log2_chroma_w) - 1)) || (top & ((1 << desc->log2_chroma_h) - 1))) {
    // Odd offsets into subsampled chroma cannot be expressed as a view.
    if (desc->nb_components > 1 && !(desc->flags & AV_PIX_FMT_FLAG_RGB)) return false;
  }
  for (int p = 0; p < 4 && data[p]; ++p) {
    const bool chroma = (p == 1 || p == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
    const int y = chroma ? (top >> desc->log2_chroma_h) : top;
    const int x = chroma ? (left >> desc->log2_chroma_w) : left;
    data[p] += static_cast<ptrdiff_t>(y) * linesize[p] + static_cast<ptrdiff_t>(x) * steps[p];
  }
  return true;
}

// Fills rows [y0, y1) and columns [x0, x1) (luma units) of every plane with
// the pad colour; formats other than 8-bit planar YUV get black.
void FillRect(AVFrame *f, int x0, int y0, int x1, int y1, const int color[3]) {
  if (x1 <= x0 || y1 <= y0) return;
  const auto fmt = static_cast<AVPixelFormat>(f->format);
  const AVPixFmtDescriptor *desc = libavutil.av_pix_fmt_desc_get(fmt);
  if (!desc) return;
  const bool yuvPlanar = !(desc->flags & AV_PIX_FMT_FLAG_RGB) && (desc->flags & AV_PIX_FMT_FLAG_PLANAR) &&
                         desc->nb_components >= 3 && desc->comp[0].depth == 8;
  if (yuvPlanar) {
    for (int p = 0; p < 3; ++p) {
      const int sx = p ? desc->log2_chroma_w : 0, sy = p ? desc->log2_chroma_h : 0;
      const int cx0 = x0 >> sx, cy0 = y0 >> sy;
      const int cx1 = -((-x1) >> sx), cy1 = -((-y1) >> sy);
      for (int y = cy0; y < cy1; ++y)
        std::memset(f->data[p] + static_cast<ptrdiff_t>(y) * f->linesize[p] + cx0, color[p], cx1 - cx0);
    }
    if (desc->nb_components == 4 && f->data[3])
      for (int y = y0; y < y1; ++y) std::memset(f->data[3] + static_cast<ptrdiff_t>(y) * f->linesize[3] + x0, 255, x1 - x0);
    return;
  }
  uint8_t *data[4] = {f->data[0], f->data[1], f->data[2], f->data[3]};
  if (!ShiftPlanes(data, f->linesize, fmt, y0, x0)) return;
  ptrdiff_t lines[4] = {f->linesize[0], f->linesize[1], f->linesize[2], f->linesize[3]};
  libavutil.av_image_fill_black(data, lines, fmt, AVCOL_RANGE_MPEG, x1 - x0, y1 - y0);
}

}  // namespace

void TGeometryStage::Release() {
  scaler_.reset();
  temp_.reset();
  view_.reset();
}

void TGeometryStage::Prepare(const TGeometryPlan &plan) {
  Release();
  plan_ = plan;
  crop_ = plan.cropTop || plan.cropBottom || plan.cropLeft || plan.cropRight;
  pad_ = plan.padTop || plan.padBottom || plan.padLeft || plan.padRight;
  resample_ = plan.dstWidth + plan.cropLeft + plan.cropRight != plan.srcWidth + plan.padLeft + plan.padRight ||
              plan.dstHeight + plan.cropTop + plan.cropBottom != plan.srcHeight + plan.padTop + plan.padBottom ||
              plan.dstFormat != plan.srcFormat;
  resampleHeight_ = plan.srcHeight - plan.cropTop - plan.cropBottom;
  view_.reset(libavutil.av_frame_alloc());
  if (pad_ && !resample_) {
    if (!EnsureTemp()) throw FFMpegException("avpicture_alloc fail");
  }
  if (resample_) {
    if (!EnsureTemp()) throw FFMpegException("Cannot allocate temp picture, check pix fmt");
    BuildScaler();
    if (!scaler_) throw FFMpegException("Cannot get resampling context");
  }
}

void TGeometryStage::BuildScaler() {
  const int sw = plan_.srcWidth - plan_.cropLeft - plan_.cropRight;
  const int sh = plan_.srcHeight - plan_.cropTop - plan_.cropBottom;
  const int dw = plan_.dstWidth - plan_.padLeft - plan_.padRight;
  const int dh = plan_.dstHeight - plan_.padTop - plan_.padBottom;
  scaler_.reset();
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
  scaler_.reset(libswscale.sws_getContext(sw, sh, plan_.srcFormat, dw, dh, plan_.dstFormat, plan_.swsFlags,
                                          nullptr, nullptr, nullptr));
}

bool TGeometryStage::EnsureTemp() {
  if (temp_ && temp_->buf[0] && libavutil.av_frame_is_writable(temp_.get())) return true;
  if (!temp_) temp_.reset(libavutil.av_frame_alloc());
  if (!temp_) return false;
  libavutil.av_frame_unref(temp_.get());
  if (plan_.dstWidth <= 0 || plan_.dstHeight <= 0 || plan_.dstFormat == AV_PIX_FMT_NONE) return false;
  temp_->format = plan_.dstFormat;
  temp_->width = plan_.dstWidth;
  temp_->height = plan_.dstHeight;
  if (libavutil.av_frame_get_buffer(temp_.get(), 0) < 0) return false;
  return true;
}

// A decoder may change the picture size or format in the middle of a
// stream (or report none at set-up); the plan follows the pictures.
bool TGeometryStage::Adapt(const AVFrame *picture, const TGeometryLog &log) {
  if (picture->width == plan_.srcWidth && picture->height == plan_.srcHeight && picture->format == plan_.srcFormat)
    return true;
  TGeometryPlan p = plan_;
  p.srcWidth = picture->width;
  p.srcHeight = picture->height;
  p.srcFormat = static_cast<AVPixelFormat>(picture->format);
  if (p.srcWidth - p.cropLeft - p.cropRight <= 0 || p.srcHeight - p.cropTop - p.cropBottom <= 0) {
    if (log) log(0, "error cropping picture");
    return false;
  }
  try {
    Prepare(p);
  } catch (const FFMpegException &e) {
    if (log) log(0, e.what());
    return false;
  }
  return true;
}

AVFrame *TGeometryStage::Format(const AVFrame *picture, const TGeometryLog &log) {
  if (!picture || !view_) return nullptr;
  if (!Adapt(picture, log)) return nullptr;

  // 1. Cropping: a view of the decoded picture.
  libavutil.av_frame_unref(view_.get());
  if (libavutil.av_frame_ref(view_.get(), picture) < 0) {
    if (log) log(0, "error cropping picture");
    return nullptr;
  }
  if (crop_) {
    if (!ShiftPlanes(view_->data, view_->linesize, static_cast<AVPixelFormat>(view_->format), plan_.cropTop,
                     plan_.cropLeft)) {
      if (log) log(0, "error cropping picture");
      return nullptr;
    }
    view_->width = plan_.srcWidth - plan_.cropLeft - plan_.cropRight;
    view_->height = plan_.srcHeight - plan_.cropTop - plan_.cropBottom;
  }
  if (!pad_ && !resample_) return view_.get();

  // 2-5. Into the temporary picture, scaled and/or framed by the pads.
  if (!EnsureTemp()) {
    if (log) log(0, "error padding picture");
    return nullptr;
  }
  AVFrame *out = temp_.get();
  uint8_t *target[4] = {out->data[0], out->data[1], out->data[2], out->data[3]};
  if (pad_ && !ShiftPlanes(target, out->linesize, plan_.dstFormat, plan_.padTop, plan_.padLeft)) {
    if (log) log(0, "error padding picture");
    return nullptr;
  }
  if (resample_) {
    libswscale.sws_scale(scaler_.get(), view_->data, view_->linesize, 0, resampleHeight_, target, out->linesize);
  } else {
    libavutil.av_image_copy(target, out->linesize, const_cast<const uint8_t **>(view_->data), view_->linesize,
                            plan_.dstFormat, view_->width, view_->height);
  }
  if (pad_) {
    const int w = plan_.dstWidth, h = plan_.dstHeight;
    FillRect(out, 0, 0, w, plan_.padTop, plan_.padColor);
    FillRect(out, 0, h - plan_.padBottom, w, h, plan_.padColor);
    FillRect(out, 0, plan_.padTop, plan_.padLeft, h - plan_.padBottom, plan_.padColor);
    FillRect(out, w - plan_.padRight, plan_.padTop, w, h - plan_.padBottom, plan_.padColor);
  }
  out->interlaced_frame = picture->interlaced_frame;
  out->top_field_first = picture->top_field_first;
  out->sample_aspect_ratio = picture->sample_aspect_ratio;
  libavutil.av_frame_unref(view_.get());
  return out;
}
