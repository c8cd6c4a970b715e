#include "media_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "av_ptr.h"
#include "binding.h"
#include "media_decoder.h"
#include "test_env.h"

namespace {

using FormatPtr = OutputContextPtr;
using InputPtr = InputContextPtr;
using CodecPtr = CodecContextPtr;
using SwsPtr = SwsContextPtr;

std::string errorText(int err) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  libavutil.av_strerror(err, buf, sizeof buf);
  return buf;
}

struct OutStream {
  AVStream *st = nullptr;
  CodecPtr enc;
  FramePtr frame;
  int64_t next = 0;  // next pts in the encoder's time base
  bool done = false;
  double tone = 440.0;  // audio: the tone it plays
};

// The picture of frame n at time t: colour bars drifting right with a
// white box travelling across.
void paintPicture(AVFrame *f, int n, double t, bool interlaced, double frameDur) {
  const int w = f->width, h = f->height;
  for (int y = 0; y < h; ++y) {
    const double tt = (interlaced && (y & 1)) ? t + frameDur / 2 : t;
    const int shift = static_cast<int>(tt * 60);
    uint8_t *row = f->data[0] + y * f->linesize[0];
    for (int x = 0; x < w; ++x) row[x] = static_cast<uint8_t>(16 + (((x + shift) / 8) * 37 + y / 4) % 220);
    const int bx = static_cast<int>(tt * 80) % (w > 32 ? w - 32 : 1);
    if (y >= h / 3 && y < h / 3 + 32)
      for (int x = bx; x < bx + 32 && x < w; ++x) row[x] = 235;
  }
  // Chroma planes at the format's subsampling (4:2:0 or 4:4:4 here).
  const AVPixFmtDescriptor *desc = libavutil.av_pix_fmt_desc_get(static_cast<AVPixelFormat>(f->format));
  const int sx = desc->log2_chroma_w, sy = desc->log2_chroma_h;
  const int cw = -((-w) >> sx), ch = -((-h) >> sy);
  for (int y = 0; y < ch; ++y) {
    uint8_t *u = f->data[1] + y * f->linesize[1];
    uint8_t *v = f->data[2] + y * f->linesize[2];
    for (int x = 0; x < cw; ++x) {
      u[x] = static_cast<uint8_t>(128 + 60 * std::sin(((x << sx >> 1) + n) * 0.05));
      v[x] = static_cast<uint8_t>(128 + 60 * std::cos((y << sy >> 1) * 0.05));
    }
  }
  // Neutral chroma under the box, so it decodes as white.
  const int bx = static_cast<int>(t * 80) % (w > 32 ? w - 32 : 1);
  for (int y = (h / 6 << 1) >> sy; y < ((h / 6 + 16) << 1) >> sy && y < ch; ++y)
    for (int x = (bx / 2 << 1) >> sx; x < ((bx / 2 + 16) << 1) >> sx && x < cw; ++x) {
      f->data[1][y * f->linesize[1] + x] = 128;
      f->data[2][y * f->linesize[2] + x] = 128;
    }
}

// The still patch picture in planar G, B, R.
void paintPatches(AVFrame *f) {
  for (int y = 0; y < f->height; ++y)
    for (int x = 0; x < f->width; ++x) {
      const PatchColor &c = kStillPatchColors[x * kStillPatchCount / f->width];
      f->data[0][y * f->linesize[0] + x] = static_cast<uint8_t>(c.g);
      f->data[1][y * f->linesize[1] + x] = static_cast<uint8_t>(c.b);
      f->data[2][y * f->linesize[2] + x] = static_cast<uint8_t>(c.r);
    }
}

struct GraphFree {
  void operator()(AVFilterGraph *g) const {
    if (g) libavfilter.avfilter_graph_free(&g);
  }
};
struct InOutFree {
  void operator()(AVFilterInOut *io) const {
    if (io) libavfilter.avfilter_inout_free(&io);
  }
};

// One picture at a time through a chain of filters (the conversions of the
// painted picture into the encoder's format).
class PictureConverter {
 public:
  // `chain` in the filter language, e.g. "format=yuv444p".
  std::string build(const AVFrame *model, const std::string &chain) {
    graph_.reset(libavfilter.avfilter_graph_alloc());
    if (!graph_) return "filter graph";
    graph_->nb_threads = 1;
    char args[256];
    std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/1000:pixel_aspect=1/1", model->width,
                  model->height, model->format);
    if (libavfilter.avfilter_graph_create_filter(&source_, libavfilter.avfilter_get_by_name("buffer"), "in", args,
                                                 nullptr, graph_.get()) < 0 ||
        libavfilter.avfilter_graph_create_filter(&sink_, libavfilter.avfilter_get_by_name("buffersink"), "out",
                                                 nullptr, nullptr, graph_.get()) < 0)
      return "filter graph ends";
    std::unique_ptr<AVFilterInOut, InOutFree> outputs(libavfilter.avfilter_inout_alloc());
    std::unique_ptr<AVFilterInOut, InOutFree> inputs(libavfilter.avfilter_inout_alloc());
    outputs->name = libavutil.av_strdup("in");
    outputs->filter_ctx = source_;
    inputs->name = libavutil.av_strdup("out");
    inputs->filter_ctx = sink_;
    AVFilterInOut *in = inputs.release(), *out = outputs.release();
    const int ret = libavfilter.avfilter_graph_parse_ptr(graph_.get(), chain.c_str(), &in, &out, nullptr);
    libavfilter.avfilter_inout_free(&in);
    libavfilter.avfilter_inout_free(&out);
    if (ret < 0 || libavfilter.avfilter_graph_config(graph_.get(), nullptr) < 0) return "filter chain " + chain;
    return {};
  }
  // `dst` receives the converted picture (a new reference).
  bool convert(AVFrame *src, AVFrame *dst) {
    libavutil.av_frame_unref(dst);
    if (libavfilter.av_buffersrc_add_frame_flags(source_, src, AV_BUFFERSRC_FLAG_KEEP_REF) < 0) return false;
    return libavfilter.av_buffersink_get_frame(sink_, dst) >= 0;
  }

 private:
  std::unique_ptr<AVFilterGraph, GraphFree> graph_;
  AVFilterContext *source_ = nullptr, *sink_ = nullptr;
};

// The conversion of the painted picture (moving: 4:4:4; patches: planar
// RGB) into the encoder's format; the HDR clips map the SDR picture into
// BT.2020 with the transfer asked for, reference white at 203 cd/m2.
std::string conversionChain(const MediaRecipe &recipe, AVPixelFormat encoderFormat) {
  const char *name = libavutil.av_get_pix_fmt_name(encoderFormat);
  if (recipe.hdrTransfer == "hlg" || recipe.hdrTransfer == "pq")
    return std::string("zscale=tin=bt709:pin=bt709:t=") + (recipe.hdrTransfer == "hlg" ? "arib-std-b67" : "smpte2084") +
           ":p=bt2020:m=bt2020nc:r=tv:npl=203,format=" + name;
  if (recipe.stillPatches) return std::string("scale=out_color_matrix=bt709:out_range=tv,format=") + name;
  return std::string("format=") + name;
}

AVPixelFormat recipePixelFormat(const MediaRecipe &recipe, const AVCodec *c) {
  if (!recipe.pixelFormat.empty()) return libavutil.av_get_pix_fmt(recipe.pixelFormat.c_str());
  const AVPixelFormat wanted = recipe.hdrTransfer.empty() ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV420P10LE;
  if (!c->pix_fmts) return wanted;
  for (auto *p = c->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
    if (*p == wanted) return wanted;
  return c->pix_fmts[0];
}

void writeSample(AVFrame *f, AVSampleFormat fmt, int i, int ch, int channels, double value) {
  const bool planar = libavutil.av_sample_fmt_is_planar(fmt);
  const int idx = planar ? i : i * channels + ch;
  uint8_t *base = planar ? f->extended_data[ch] : f->extended_data[0];
  switch (libavutil.av_get_packed_sample_fmt(fmt)) {
    case AV_SAMPLE_FMT_U8: reinterpret_cast<uint8_t *>(base)[idx] = static_cast<uint8_t>(128 + value * 127); break;
    case AV_SAMPLE_FMT_S16: reinterpret_cast<int16_t *>(base)[idx] = static_cast<int16_t>(value * 32767); break;
    case AV_SAMPLE_FMT_S32: reinterpret_cast<int32_t *>(base)[idx] = static_cast<int32_t>(value * 2147483647.0); break;
    case AV_SAMPLE_FMT_FLT: reinterpret_cast<float *>(base)[idx] = static_cast<float>(value); break;
    case AV_SAMPLE_FMT_DBL: reinterpret_cast<double *>(base)[idx] = value; break;
    default: break;
  }
}

std::string drain(AVFormatContext *oc, OutStream &os, AVFrame *frame) {
  int ret = libavcodec.avcodec_send_frame(os.enc.get(), frame);
  if (ret < 0 && ret != AVERROR_EOF) return "send_frame: " + errorText(ret);
  PacketPtr pkt(libavcodec.av_packet_alloc());
  for (;;) {
    ret = libavcodec.avcodec_receive_packet(os.enc.get(), pkt.get());
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return {};
    if (ret < 0) return "receive_packet: " + errorText(ret);
    if (pkt->duration <= 0 && os.enc->codec_type == AVMEDIA_TYPE_VIDEO) pkt->duration = 1;
    libavcodec.av_packet_rescale_ts(pkt.get(), os.enc->time_base, os.st->time_base);
    pkt->stream_index = os.st->index;
    ret = libavformat.av_interleaved_write_frame(oc, pkt.get());
    if (ret < 0) return "write: " + errorText(ret);
  }
}

// The display matrix of a turned (and mirrored) picture.
void setDisplayMatrix(AVStream *st, int rotation, bool mirrored) {
  auto *m = reinterpret_cast<int32_t *>(
      libavformat.av_stream_new_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
  if (!m) return;
  libavutil.av_display_rotation_set(m, rotation);
  if (mirrored) libavutil.av_display_matrix_flip(m, 1, 0);
}

std::string openVideo(const MediaRecipe &recipe, AVFormatContext *oc, OutStream &video) {
  const AVRational rate{recipe.rateNum, recipe.rateDen};
  const AVCodec *c = libavcodec.avcodec_find_encoder_by_name(recipe.videoCodec.c_str());
  if (!c) return "no encoder " + recipe.videoCodec;
  video.st = libavformat.avformat_new_stream(oc, nullptr);
  video.enc.reset(libavcodec.avcodec_alloc_context3(c));
  AVCodecContext *e = video.enc.get();
  e->width = recipe.width;
  e->height = recipe.height;
  // Variable frame rate: time stamps in half periods.
  e->time_base = recipe.variableFrameRate ? AVRational{rate.den, rate.num * 2} : av_inv_q(rate);
  e->framerate = rate;
  e->gop_size = recipe.gopSize;
  e->pix_fmt = recipePixelFormat(recipe, c);
  if (e->pix_fmt == AV_PIX_FMT_NONE) return "unknown pixel format " + recipe.pixelFormat;
  if (recipe.sarNum > 0 && recipe.sarDen > 0) e->sample_aspect_ratio = AVRational{recipe.sarNum, recipe.sarDen};
  if (!recipe.hdrTransfer.empty()) {
    e->color_primaries = AVCOL_PRI_BT2020;
    e->color_trc = recipe.hdrTransfer == "hlg" ? AVCOL_TRC_ARIB_STD_B67 : AVCOL_TRC_SMPTE2084;
    e->colorspace = AVCOL_SPC_BT2020_NCL;
    e->color_range = AVCOL_RANGE_MPEG;
  } else if (recipe.stillPatches) {
    e->color_primaries = AVCOL_PRI_BT709;
    e->color_trc = AVCOL_TRC_BT709;
    e->colorspace = AVCOL_SPC_BT709;
    e->color_range = AVCOL_RANGE_MPEG;
  }
  if (recipe.videoBitRate > 0) e->bit_rate = recipe.videoBitRate;
  if (oc->oformat->flags & AVFMT_GLOBALHEADER) e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary *opts = nullptr;
  if (recipe.videoCodec == "libx264") libavutil.av_dict_set(&opts, "preset", recipe.x264Preset.c_str(), 0);
  if (recipe.videoCodec == "libx265") {
    libavutil.av_dict_set(&opts, "preset", "ultrafast", 0);
    libavutil.av_dict_set(&opts, "x265-params", "log-level=error", 0);
  }
  const int ret = libavcodec.avcodec_open2(e, c, &opts);
  libavutil.av_dict_free(&opts);
  if (ret < 0) return "open video encoder: " + errorText(ret);
  libavcodec.avcodec_parameters_from_context(video.st->codecpar, e);
  video.st->time_base = e->time_base;
  video.st->avg_frame_rate = rate;
  video.st->sample_aspect_ratio = e->sample_aspect_ratio;
  if (recipe.rotation != 0 || recipe.mirrored) setDisplayMatrix(video.st, recipe.rotation, recipe.mirrored);
  video.frame.reset(libavutil.av_frame_alloc());
  video.frame->format = e->pix_fmt;
  video.frame->width = e->width;
  video.frame->height = e->height;
  if (libavutil.av_frame_get_buffer(video.frame.get(), 0) < 0) return "frame buffer";
  return {};
}

std::string openAudio(const MediaRecipe &recipe, int channels, AVFormatContext *oc, OutStream &audio) {
  const AVCodec *c = libavcodec.avcodec_find_encoder_by_name(recipe.audioCodec.c_str());
  if (!c) return "no encoder " + recipe.audioCodec;
  audio.st = libavformat.avformat_new_stream(oc, nullptr);
  audio.enc.reset(libavcodec.avcodec_alloc_context3(c));
  AVCodecContext *e = audio.enc.get();
  e->sample_fmt = c->sample_fmts ? c->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  e->sample_rate = recipe.sampleRate;
  libavutil.av_channel_layout_default(&e->ch_layout, channels);
  e->time_base = AVRational{1, recipe.sampleRate};
  e->bit_rate = recipe.audioBitRate > 0 ? recipe.audioBitRate
                : recipe.audioCodec == "libopencore_amrnb" ? 12200 : 128000;
  e->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
  if (oc->oformat->flags & AVFMT_GLOBALHEADER) e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  const int ret = libavcodec.avcodec_open2(e, c, nullptr);
  if (ret < 0) return "open audio encoder: " + errorText(ret);
  libavcodec.avcodec_parameters_from_context(audio.st->codecpar, e);
  audio.st->time_base = e->time_base;
  audio.frame.reset(libavutil.av_frame_alloc());
  audio.frame->format = e->sample_fmt;
  audio.frame->sample_rate = e->sample_rate;
  libavutil.av_channel_layout_copy(&audio.frame->ch_layout, &e->ch_layout);
  audio.frame->nb_samples = e->frame_size > 0 ? e->frame_size : 1024;
  if (libavutil.av_frame_get_buffer(audio.frame.get(), 0) < 0) return "audio buffer";
  audio.next = static_cast<int64_t>(std::llround(recipe.audioStartSec * recipe.sampleRate));
  return {};
}

}  // namespace

const ProbedStream *ProbedFile::first(const std::string &type) const {
  for (auto &s : streams)
    if (s.type == type) return &s;
  return nullptr;
}

namespace {

// The next picture of the video stream, painted and in the encoder's
// format; its time stamp in the encoder's time base.
class PictureSource {
 public:
  PictureSource(const MediaRecipe &recipe, OutStream &video) : recipe_(recipe), video_(video) {}

  std::string prepare() {
    const AVCodecContext *e = video_.enc.get();
    direct_ = e->pix_fmt == AV_PIX_FMT_YUV420P && !recipe_.stillPatches && recipe_.hdrTransfer.empty();
    if (direct_) return {};
    canvas_.reset(libavutil.av_frame_alloc());
    converted_.reset(libavutil.av_frame_alloc());
    canvas_->format = recipe_.stillPatches ? AV_PIX_FMT_GBRP : AV_PIX_FMT_YUV444P;
    canvas_->width = e->width;
    canvas_->height = e->height;
    if (libavutil.av_frame_get_buffer(canvas_.get(), 0) < 0) return "canvas buffer";
    if (recipe_.stillPatches) paintPatches(canvas_.get());
    return converter_.build(canvas_.get(), conversionChain(recipe_, e->pix_fmt));
  }

  // The picture of frame `n`.
  std::string picture(int64_t n, AVFrame *&out) {
    const AVRational rate{recipe_.rateNum, recipe_.rateDen};
    const double t = static_cast<double>(n) * rate.den / rate.num;
    const double period = static_cast<double>(rate.den) / rate.num;
    const int64_t pts = recipe_.variableFrameRate ? 2 * n - (n & 1) : n;
    if (direct_) {
      if (libavutil.av_frame_make_writable(video_.frame.get()) < 0) return "frame not writable";
      paintPicture(video_.frame.get(), static_cast<int>(n), t, recipe_.interlacedPattern, period);
      out = video_.frame.get();
    } else {
      if (!recipe_.stillPatches) {
        if (libavutil.av_frame_make_writable(canvas_.get()) < 0) return "canvas not writable";
        paintPicture(canvas_.get(), static_cast<int>(n), t, recipe_.interlacedPattern, period);
      }
      canvas_->pts = n;
      if (!converter_.convert(canvas_.get(), converted_.get())) return "picture conversion";
      out = converted_.get();
    }
    out->pts = pts;
    return {};
  }

 private:
  const MediaRecipe &recipe_;
  OutStream &video_;
  bool direct_ = true;
  FramePtr canvas_, converted_;
  PictureConverter converter_;
};

std::string writeAudioFrame(AVFormatContext *oc, OutStream &audio, const MediaRecipe &recipe, int64_t totalSamples) {
  AVFrame *f = audio.frame.get();
  const int64_t left = totalSamples - audio.next;
  if (left <= 0) {
    audio.done = true;
    return drain(oc, audio, nullptr);
  }
  if (libavutil.av_frame_make_writable(f) < 0) return "audio frame not writable";
  const AVCodec *codec = audio.enc->codec;
  const bool variable = codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE || audio.enc->frame_size == 0;
  const int full = audio.enc->frame_size > 0 ? audio.enc->frame_size : 1024;
  f->nb_samples = static_cast<int>(
      left < full && (variable || codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) ? left : full);
  for (int i = 0; i < f->nb_samples; ++i) {
    const double v = 0.5 * std::sin(2 * M_PI * audio.tone * (audio.next + i) / recipe.sampleRate);
    const int channels = audio.enc->ch_layout.nb_channels;
    for (int ch = 0; ch < channels; ++ch) writeSample(f, audio.enc->sample_fmt, i, ch, channels, v);
  }
  f->pts = audio.next;
  audio.next += f->nb_samples;
  return drain(oc, audio, f);
}

}  // namespace

std::string generateMedia(const MediaRecipe &recipe) {
  if (!librariesLoaded() && !loadLibraries(TREVIX_COMMON_DIR, true)) return libraryError();
  AVFormatContext *raw = nullptr;
  int ret = libavformat.avformat_alloc_output_context2(
      &raw, nullptr, recipe.format.empty() ? nullptr : recipe.format.c_str(), recipe.path.c_str());
  if (ret < 0 || !raw) return "no muxer for " + recipe.path;
  FormatPtr oc(raw);

  OutStream video;
  std::vector<OutStream> audio(recipe.audioCodec.empty() ? 0 : static_cast<size_t>(std::max(recipe.audioTracks, 1)));
  std::string err;
  if (!recipe.videoCodec.empty() && !(err = openVideo(recipe, oc.get(), video)).empty()) return err;
  for (size_t i = 0; i < audio.size(); ++i) {
    audio[i].tone = i == 0 ? 440.0 : 660.0;
    const int channels = i > 0 && recipe.laterTrackChannels > 0 ? recipe.laterTrackChannels : recipe.channels;
    if (!(err = openAudio(recipe, channels, oc.get(), audio[i])).empty()) return err;
  }
  PictureSource pictures(recipe, video);
  if (video.st && !(err = pictures.prepare()).empty()) return err;
  if (!(oc->oformat->flags & AVFMT_NOFILE)) {
    ret = libavformat.avio_open(&oc->pb, recipe.path.c_str(), AVIO_FLAG_WRITE);
    if (ret < 0) return "open " + recipe.path + ": " + errorText(ret);
  }
  for (const auto &[key, value] : recipe.metadata) libavutil.av_dict_set(&oc->metadata, key.c_str(), value.c_str(), 0);
  AVDictionary *muxerOptions = nullptr;
  if (!recipe.muxerOptions.empty())
    libavutil.av_dict_parse_string(&muxerOptions, recipe.muxerOptions.c_str(), "=", ":", 0);
  if (recipe.fastStart) libavutil.av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
  ret = libavformat.avformat_write_header(oc.get(), &muxerOptions);
  libavutil.av_dict_free(&muxerOptions);
  if (ret < 0) return "write header: " + errorText(ret);

  const AVRational rate{recipe.rateNum, recipe.rateDen};
  const int64_t totalFrames = static_cast<int64_t>(std::llround(recipe.durationSec * rate.num / rate.den));
  const int64_t totalSamples = static_cast<int64_t>(std::llround(recipe.durationSec * recipe.sampleRate));
  int64_t frameNumber = 0;
  video.done = !video.st;
  for (;;) {
    // The stream furthest behind writes next (video first on a tie).
    OutStream *next = video.done ? nullptr : &video;
    for (OutStream &a : audio) {
      if (a.done) continue;
      if (!next || libavutil.av_compare_ts(a.next, a.enc->time_base, next->next, next->enc->time_base) < 0) next = &a;
    }
    if (!next) break;
    if (next == &video) {
      if (frameNumber >= totalFrames) {
        video.done = true;
        err = drain(oc.get(), video, nullptr);
      } else {
        AVFrame *picture = nullptr;
        if ((err = pictures.picture(frameNumber, picture)).empty()) {
          ++frameNumber;
          video.next = picture->pts + 1;
          err = drain(oc.get(), video, picture);
        }
      }
    } else {
      err = writeAudioFrame(oc.get(), *next, recipe, totalSamples);
    }
    if (!err.empty()) return err;
  }
  ret = libavformat.av_write_trailer(oc.get());
  if (ret < 0) return "trailer: " + errorText(ret);
  return {};
}

std::string cachedFixture(const MediaRecipe &recipeIn, const std::string &name) {
  namespace fs = std::filesystem;
  // Cached per user across test programs; the key covers every field so a
  // changed recipe makes a new file.
  std::string key = recipeIn.format + "|" + std::to_string(recipeIn.width) + "x" +
                          std::to_string(recipeIn.height) + "|" + std::to_string(recipeIn.rateNum) + "/" +
                          std::to_string(recipeIn.rateDen) + "|" + std::to_string(recipeIn.durationSec) +
                          "|" + recipeIn.videoCodec + "|" + recipeIn.audioCodec + "|" +
                          std::to_string(recipeIn.sampleRate) + "|" + std::to_string(recipeIn.channels) +
                          "|" + std::to_string(recipeIn.audioStartSec) + "|" +
                          std::to_string(recipeIn.videoBitRate) + "|" +
                          std::to_string(recipeIn.interlacedPattern) + "|" +
                          std::to_string(recipeIn.audioBitRate) + "|" + std::to_string(recipeIn.gopSize) +
                          "|" + recipeIn.x264Preset + "|" + std::to_string(recipeIn.rotation) + "|" +
                          std::to_string(recipeIn.mirrored) + "|" + recipeIn.pixelFormat + "|" + recipeIn.hdrTransfer +
                          "|" + std::to_string(recipeIn.stillPatches) + "|" + std::to_string(recipeIn.sarNum) + ":" +
                          std::to_string(recipeIn.sarDen) + "|" + std::to_string(recipeIn.variableFrameRate) + "|" +
                          std::to_string(recipeIn.audioTracks) + ":" + std::to_string(recipeIn.laterTrackChannels) +
                          "|" + recipeIn.muxerOptions +
                          (recipeIn.fastStart ? "|faststart" : "") + "|v4";
  for (const auto &[k, v] : recipeIn.metadata) key += "|" + k + "=" + v;
  const fs::path dir = fs::temp_directory_path() / ("trevix-fixtures-" + std::to_string(getuid()));
  fs::create_directories(dir);
  const fs::path ext = fs::path(name).extension();
  const fs::path stem = fs::path(name).stem();
  const fs::path target =
      dir / (stem.string() + "-" + std::to_string(std::hash<std::string>{}(key) % 1000000007ull) +
             ext.string());
  if (fs::exists(target)) return target.string();
  MediaRecipe recipe = recipeIn;
  // Written under a temporary name in the same folder, then renamed, so
  // test programs running side by side never see half a file.
  const fs::path tmp =
      dir / (stem.string() + ".tmp" + std::to_string(getpid()) + ext.string());
  recipe.path = tmp.string();
  const std::string err = generateMedia(recipe);
  if (!err.empty()) {
    std::error_code ec;
    fs::remove(tmp, ec);
    ADD_FAILURE() << "fixture " << name << ": " << err;
    return {};
  }
  fs::rename(tmp, target);
  return target.string();
}

ProbedFile probeMedia(const std::string &path, const std::string &format) {
  ProbedFile out;
  if (!librariesLoaded() && !loadLibraries(TREVIX_COMMON_DIR, true)) {
    out.error = libraryError();
    return out;
  }
  AVFormatContext *raw = nullptr;
  const AVInputFormat *demuxer = format.empty() ? nullptr : libavformat.av_find_input_format(format.c_str());
  int ret = libavformat.avformat_open_input(&raw, path.c_str(), demuxer, nullptr);
  if (ret < 0) {
    out.error = errorText(ret);
    return out;
  }
  InputPtr ic(raw);
  ret = libavformat.avformat_find_stream_info(ic.get(), nullptr);
  if (ret < 0) {
    out.error = errorText(ret);
    return out;
  }
  out.format = ic->iformat->name;
  // Keys in lower case; Ogg keeps its comments with the stream.
  auto readDict = [&out](const AVDictionary *m) {
    for (const AVDictionaryEntry *e = nullptr; (e = libavutil.av_dict_get(m, "", e, AV_DICT_IGNORE_SUFFIX));) {
      std::string k = e->key;
      for (char &c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      out.metadata.emplace(k, e->value);
    }
  };
  readDict(ic->metadata);
  if (out.format == "ogg")
    for (unsigned i = 0; i < ic->nb_streams; ++i) readDict(ic->streams[i]->metadata);
  out.durationSec = ic->duration > 0 ? ic->duration / double(AV_TIME_BASE) : 0;
  std::vector<int64_t> firstPts(ic->nb_streams, AV_NOPTS_VALUE), endPts(ic->nb_streams, AV_NOPTS_VALUE);
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    const AVStream *st = ic->streams[i];
    const AVCodecParameters *p = st->codecpar;
    ProbedStream s;
    const char *t = libavutil.av_get_media_type_string(p->codec_type);
    s.type = t ? t : "unknown";
    s.codec = libavcodec.avcodec_get_name(p->codec_id);
    s.width = p->width;
    s.height = p->height;
    s.sarNum = p->sample_aspect_ratio.num;
    s.sarDen = p->sample_aspect_ratio.den;
    AVRational fr = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    s.frameRate = fr.den > 0 ? av_q2d(fr) : 0;
    s.sampleRate = p->sample_rate;
    s.channels = p->ch_layout.nb_channels;
    s.frameSize = p->frame_size;
    if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
      const char *pix = libavutil.av_get_pix_fmt_name(static_cast<AVPixelFormat>(p->format));
      s.pixelFormat = pix ? pix : "";
    }
    auto name = [](const char *n) { return std::string(n ? n : "unknown"); };
    s.colorPrimaries = name(libavutil.av_color_primaries_name(p->color_primaries));
    s.colorTransfer = name(libavutil.av_color_transfer_name(p->color_trc));
    s.colorSpace = name(libavutil.av_color_space_name(p->color_space));
    size_t size = 0;
    const uint8_t *matrix = libavformat.av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix && size >= 9 * sizeof(int32_t)) {
      s.hasDisplayMatrix = true;
      // The library reads the angle counter-clockwise.
      const double ccw = libavutil.av_display_rotation_get(reinterpret_cast<const int32_t *>(matrix));
      if (!std::isnan(ccw)) s.rotationCw = ((static_cast<int>(std::lround(-ccw)) % 360) + 360) % 360;
    }
    out.streams.push_back(s);
  }
  PacketPtr pkt(libavcodec.av_packet_alloc());
  while (libavformat.av_read_frame(ic.get(), pkt.get()) >= 0) {
    const int i = pkt->stream_index;
    if (i >= 0 && i < static_cast<int>(out.streams.size())) {
      out.streams[i].frames++;
      const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
      if (ts != AV_NOPTS_VALUE) {
        if (firstPts[i] == AV_NOPTS_VALUE || ts < firstPts[i]) firstPts[i] = ts;
        // A picture without a duration (FLV) lasts one frame period.
        const AVStream *st = ic->streams[i];
        out.streams[i].times.push_back(static_cast<double>(ts) * av_q2d(st->time_base));
        int64_t duration = pkt->duration;
        if (duration <= 0 && st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && st->avg_frame_rate.num > 0)
          duration = libavutil.av_rescale_q(1, av_inv_q(st->avg_frame_rate), st->time_base);
        const int64_t end = ts + std::max<int64_t>(duration, 0);
        if (endPts[i] == AV_NOPTS_VALUE || end > endPts[i]) endPts[i] = end;
      }
    }
    libavcodec.av_packet_unref(pkt.get());
  }
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    const AVStream *st = ic->streams[i];
    if (firstPts[i] != AV_NOPTS_VALUE) out.streams[i].startSec = firstPts[i] * av_q2d(st->time_base);
    if (firstPts[i] != AV_NOPTS_VALUE && endPts[i] != AV_NOPTS_VALUE)
      out.streams[i].durationSec = (endPts[i] - firstPts[i]) * av_q2d(st->time_base);
    else if (st->duration > 0)
      out.streams[i].durationSec = st->duration * av_q2d(st->time_base);
  }
  out.ok = true;
  return out;
}

int decodeVideoRGB(const std::string &path,
                   const std::function<void(const uint8_t *, int, int, int, double)> &onFrame) {
  MediaDecoder d;
  if (!d.open(path, AVMEDIA_TYPE_VIDEO).empty()) return -1;
  SwsPtr sws;
  std::vector<uint8_t> rgb;
  int count = 0;
  const bool whole = d.run([&](AVFrame *frame) {
    const int w = frame->width, h = frame->height;
    sws.reset(libswscale.sws_getCachedContext(sws.release(), w, h, static_cast<AVPixelFormat>(frame->format), w, h,
                                              AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr));
    if (!sws) return false;
    rgb.resize(static_cast<size_t>(w) * h * 3);
    uint8_t *dst[4] = {rgb.data(), nullptr, nullptr, nullptr};
    int dstLines[4] = {w * 3, 0, 0, 0};
    libswscale.sws_scale(sws.get(), frame->data, frame->linesize, 0, h, dst, dstLines);
    onFrame(rgb.data(), w, h, w * 3, d.timeOf(frame));
    ++count;
    return true;
  });
  return whole ? count : -1;
}

MediaRecipe phoneClipRecipe(double seconds) {
  MediaRecipe r = smallClipRecipe(seconds);
  r.muxerOptions = "movflags=use_metadata_tags";
  r.metadata = {{"creation_time", "2023-07-13T22:42:05.000000Z"},
                {"com.apple.quicktime.creationdate", "2023-07-14T00:42:05+0200"},
                {"com.apple.quicktime.location.ISO6709", kPhonePlace},
                {"com.apple.quicktime.make", kPhoneMake},
                {"com.apple.quicktime.model", kPhoneModel},
                {"com.apple.quicktime.software", "16.5"}};
  return r;
}

MediaRecipe smallClipRecipe(double seconds, int width, int height) {
  MediaRecipe recipe;
  recipe.width = width;
  recipe.height = height;
  recipe.rateNum = 25;
  recipe.rateDen = 1;
  recipe.durationSec = seconds;
  recipe.sampleRate = 44100;
  return recipe;
}
