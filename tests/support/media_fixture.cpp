#include "media_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "av_ptr.h"
#include "binding.h"
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
  for (int y = 0; y < h / 2; ++y) {
    uint8_t *u = f->data[1] + y * f->linesize[1];
    uint8_t *v = f->data[2] + y * f->linesize[2];
    for (int x = 0; x < w / 2; ++x) {
      u[x] = static_cast<uint8_t>(128 + 60 * std::sin((x + n) * 0.05));
      v[x] = static_cast<uint8_t>(128 + 60 * std::cos(y * 0.05));
    }
  }
  // Neutral chroma under the box, so it decodes as white.
  const int bx = static_cast<int>(t * 80) % (w > 32 ? w - 32 : 1);
  for (int y = h / 6; y < h / 6 + 16 && y < h / 2; ++y)
    for (int x = bx / 2; x < bx / 2 + 16 && x < w / 2; ++x) {
      f->data[1][y * f->linesize[1] + x] = 128;
      f->data[2][y * f->linesize[2] + x] = 128;
    }
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

}  // namespace

const ProbedStream *ProbedFile::first(const std::string &type) const {
  for (auto &s : streams)
    if (s.type == type) return &s;
  return nullptr;
}

std::string generateMedia(const MediaRecipe &recipe) {
  if (!librariesLoaded() && !loadLibraries(TREVIX_COMMON_DIR, true)) return libraryError();
  AVFormatContext *raw = nullptr;
  int ret = libavformat.avformat_alloc_output_context2(
      &raw, nullptr, recipe.format.empty() ? nullptr : recipe.format.c_str(), recipe.path.c_str());
  if (ret < 0 || !raw) return "no muxer for " + recipe.path;
  FormatPtr oc(raw);

  OutStream video, audio;
  const AVRational rate{recipe.rateNum, recipe.rateDen};
  if (!recipe.videoCodec.empty()) {
    const AVCodec *c = libavcodec.avcodec_find_encoder_by_name(recipe.videoCodec.c_str());
    if (!c) return "no encoder " + recipe.videoCodec;
    video.st = libavformat.avformat_new_stream(oc.get(), nullptr);
    video.enc.reset(libavcodec.avcodec_alloc_context3(c));
    AVCodecContext *e = video.enc.get();
    e->width = recipe.width;
    e->height = recipe.height;
    e->time_base = av_inv_q(rate);
    e->framerate = rate;
    e->gop_size = recipe.gopSize;
    e->pix_fmt = AV_PIX_FMT_YUV420P;
    if (c->pix_fmts) {
      bool has420 = false;
      for (auto *p = c->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) has420 |= *p == AV_PIX_FMT_YUV420P;
      if (!has420) e->pix_fmt = c->pix_fmts[0];
    }
    if (recipe.videoBitRate > 0) e->bit_rate = recipe.videoBitRate;
    if (oc->oformat->flags & AVFMT_GLOBALHEADER) e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary *opts = nullptr;
    if (recipe.videoCodec == "libx264") libavutil.av_dict_set(&opts, "preset", recipe.x264Preset.c_str(), 0);
    ret = libavcodec.avcodec_open2(e, c, &opts);
    libavutil.av_dict_free(&opts);
    if (ret < 0) return "open video encoder: " + errorText(ret);
    libavcodec.avcodec_parameters_from_context(video.st->codecpar, e);
    video.st->time_base = e->time_base;
    video.st->avg_frame_rate = rate;
    video.frame.reset(libavutil.av_frame_alloc());
    video.frame->format = e->pix_fmt;
    video.frame->width = e->width;
    video.frame->height = e->height;
    if (libavutil.av_frame_get_buffer(video.frame.get(), 0) < 0) return "frame buffer";
  }
  if (!recipe.audioCodec.empty()) {
    const AVCodec *c = libavcodec.avcodec_find_encoder_by_name(recipe.audioCodec.c_str());
    if (!c) return "no encoder " + recipe.audioCodec;
    audio.st = libavformat.avformat_new_stream(oc.get(), nullptr);
    audio.enc.reset(libavcodec.avcodec_alloc_context3(c));
    AVCodecContext *e = audio.enc.get();
    e->sample_fmt = c->sample_fmts ? c->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    e->sample_rate = recipe.sampleRate;
    libavutil.av_channel_layout_default(&e->ch_layout, recipe.channels);
    e->time_base = AVRational{1, recipe.sampleRate};
    e->bit_rate = recipe.audioBitRate > 0 ? recipe.audioBitRate
                  : recipe.audioCodec == "libopencore_amrnb" ? 12200 : 128000;
    e->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    if (oc->oformat->flags & AVFMT_GLOBALHEADER) e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ret = libavcodec.avcodec_open2(e, c, nullptr);
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
  }
  if (!(oc->oformat->flags & AVFMT_NOFILE)) {
    ret = libavformat.avio_open(&oc->pb, recipe.path.c_str(), AVIO_FLAG_WRITE);
    if (ret < 0) return "open " + recipe.path + ": " + errorText(ret);
  }
  AVDictionary *muxerOptions = nullptr;
  if (recipe.fastStart) libavutil.av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
  ret = libavformat.avformat_write_header(oc.get(), &muxerOptions);
  libavutil.av_dict_free(&muxerOptions);
  if (ret < 0) return "write header: " + errorText(ret);

  const int64_t totalFrames = static_cast<int64_t>(std::llround(recipe.durationSec * rate.num / rate.den));
  const int64_t totalSamples = static_cast<int64_t>(std::llround(recipe.durationSec * recipe.sampleRate));
  video.done = !video.st;
  audio.done = !audio.st;
  while (!video.done || !audio.done) {
    bool pickVideo = !video.done;
    if (!video.done && !audio.done)
      pickVideo = libavutil.av_compare_ts(video.next, video.enc->time_base, audio.next,
                                          audio.enc->time_base) <= 0;
    OutStream &os = pickVideo ? video : audio;
    std::string err;
    if (pickVideo) {
      if (video.next >= totalFrames) {
        err = drain(oc.get(), video, nullptr);
        video.done = true;
      } else {
        if (libavutil.av_frame_make_writable(video.frame.get()) < 0) return "frame not writable";
        const double t = static_cast<double>(video.next) * rate.den / rate.num;
        paintPicture(video.frame.get(), static_cast<int>(video.next), t, recipe.interlacedPattern,
                     static_cast<double>(rate.den) / rate.num);
        video.frame->pts = video.next++;
        err = drain(oc.get(), os, video.frame.get());
      }
    } else {
      AVFrame *f = audio.frame.get();
      const int64_t left = totalSamples - audio.next;
      if (left <= 0) {
        err = drain(oc.get(), audio, nullptr);
        audio.done = true;
      } else {
        if (libavutil.av_frame_make_writable(f) < 0) return "audio frame not writable";
        const bool variable = audio.enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE ||
                              audio.enc->frame_size == 0;
        const int full = audio.enc->frame_size > 0 ? audio.enc->frame_size : 1024;
        f->nb_samples = static_cast<int>(left < full && (variable || audio.enc->codec->capabilities &
                                                             AV_CODEC_CAP_SMALL_LAST_FRAME)
                                             ? left
                                             : full);
        for (int i = 0; i < f->nb_samples; ++i) {
          const double v = 0.5 * std::sin(2 * M_PI * 440.0 * (audio.next + i) / recipe.sampleRate);
          for (int ch = 0; ch < recipe.channels; ++ch)
            writeSample(f, audio.enc->sample_fmt, i, ch, recipe.channels, v);
        }
        f->pts = audio.next;
        audio.next += f->nb_samples;
        err = drain(oc.get(), audio, f);
      }
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
  const std::string key = recipeIn.format + "|" + std::to_string(recipeIn.width) + "x" +
                          std::to_string(recipeIn.height) + "|" + std::to_string(recipeIn.rateNum) + "/" +
                          std::to_string(recipeIn.rateDen) + "|" + std::to_string(recipeIn.durationSec) +
                          "|" + recipeIn.videoCodec + "|" + recipeIn.audioCodec + "|" +
                          std::to_string(recipeIn.sampleRate) + "|" + std::to_string(recipeIn.channels) +
                          "|" + std::to_string(recipeIn.audioStartSec) + "|" +
                          std::to_string(recipeIn.videoBitRate) + "|" +
                          std::to_string(recipeIn.interlacedPattern) + "|" +
                          std::to_string(recipeIn.audioBitRate) + "|" + std::to_string(recipeIn.gopSize) +
                          "|" + recipeIn.x264Preset + (recipeIn.fastStart ? "|faststart" : "") + "|v3";
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

ProbedFile probeMedia(const std::string &path) {
  ProbedFile out;
  if (!librariesLoaded() && !loadLibraries(TREVIX_COMMON_DIR, true)) {
    out.error = libraryError();
    return out;
  }
  AVFormatContext *raw = nullptr;
  int ret = libavformat.avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
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
        const int64_t end = ts + (pkt->duration > 0 ? pkt->duration : 0);
        if (endPts[i] == AV_NOPTS_VALUE || end > endPts[i]) endPts[i] = end;
      }
    }
    libavcodec.av_packet_unref(pkt.get());
  }
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    const AVStream *st = ic->streams[i];
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
  if (!librariesLoaded() && !loadLibraries(TREVIX_COMMON_DIR, true)) return -1;
  AVFormatContext *raw = nullptr;
  if (libavformat.avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return -1;
  InputPtr ic(raw);
  if (libavformat.avformat_find_stream_info(ic.get(), nullptr) < 0) return -1;
  const AVCodec *dec = nullptr;
  const int si = libavformat.av_find_best_stream(ic.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &dec, 0);
  if (si < 0 || !dec) return -1;
  CodecPtr ctx(libavcodec.avcodec_alloc_context3(dec));
  libavcodec.avcodec_parameters_to_context(ctx.get(), ic->streams[si]->codecpar);
  if (libavcodec.avcodec_open2(ctx.get(), dec, nullptr) < 0) return -1;
  const AVRational tb = ic->streams[si]->time_base;
  PacketPtr pkt(libavcodec.av_packet_alloc());
  FramePtr frame(libavutil.av_frame_alloc());
  SwsPtr sws;
  std::vector<uint8_t> rgb;
  int count = 0;
  auto receive = [&]() {
    while (libavcodec.avcodec_receive_frame(ctx.get(), frame.get()) >= 0) {
      const int w = frame->width, h = frame->height;
      sws.reset(libswscale.sws_getCachedContext(sws.release(), w, h,
                                                static_cast<AVPixelFormat>(frame->format), w, h,
                                                AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr));
      if (!sws) return false;
      rgb.resize(static_cast<size_t>(w) * h * 3);
      uint8_t *dst[4] = {rgb.data(), nullptr, nullptr, nullptr};
      int dstLines[4] = {w * 3, 0, 0, 0};
      libswscale.sws_scale(sws.get(), frame->data, frame->linesize, 0, h, dst, dstLines);
      const int64_t ts = frame->best_effort_timestamp;
      onFrame(rgb.data(), w, h, w * 3, ts == AV_NOPTS_VALUE ? -1.0 : ts * av_q2d(tb));
      ++count;
      libavutil.av_frame_unref(frame.get());
    }
    return true;
  };
  while (libavformat.av_read_frame(ic.get(), pkt.get()) >= 0) {
    if (pkt->stream_index == si) {
      libavcodec.avcodec_send_packet(ctx.get(), pkt.get());
      if (!receive()) return -1;
    }
    libavcodec.av_packet_unref(pkt.get());
  }
  libavcodec.avcodec_send_packet(ctx.get(), nullptr);
  if (!receive()) return -1;
  return count;
}

MediaRecipe smallClipRecipe(double seconds) {
  MediaRecipe recipe;
  recipe.width = 320;
  recipe.height = 240;
  recipe.rateNum = 25;
  recipe.rateDen = 1;
  recipe.durationSec = seconds;
  recipe.sampleRate = 44100;
  return recipe;
}
