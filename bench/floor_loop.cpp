// The benchmark's floor: the shortest loop over the same libraries.
#include "floor_loop.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>
#include <utility>

#include "av_ptr.h"
#include "binding.h"
#include "transcode_audio.h"

namespace {

int coreCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int>(n) : 1;
}

using OutPtr = OutputContextPtr;
using InPtr = InputContextPtr;
using CodecPtr = CodecContextPtr;
using SwsPtr = SwsContextPtr;
using SwrPtr = SwrContextPtr;
struct AudioFifoFree {
  void operator()(AVAudioFifo *f) const {
    if (f) libavutil.av_audio_fifo_free(f);
  }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoFree>;

bool fail(const char *what, int err = 0) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  if (err) libavutil.av_strerror(err, buf, sizeof buf);
  std::fprintf(stderr, "%s %s\n", what, buf);
  return false;
}

// Sends `frame` (null: drain) and writes what comes out.
bool encodeWrite(AVFormatContext *oc, AVCodecContext *enc, AVStream *st, const AVFrame *frame, AVPacket *pkt) {
  int ret = libavcodec.avcodec_send_frame(enc, frame);
  if (ret < 0 && ret != AVERROR_EOF) return fail("send_frame", ret);
  for (;;) {
    ret = libavcodec.avcodec_receive_packet(enc, pkt);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return true;
    if (ret < 0) return fail("receive_packet", ret);
    if (pkt->duration <= 0 && enc->codec_type == AVMEDIA_TYPE_VIDEO) pkt->duration = 1;
    libavcodec.av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
    pkt->stream_index = st->index;
    ret = libavformat.av_interleaved_write_frame(oc, pkt);
    if (ret < 0) return fail("write", ret);
  }
}


struct FloorStream {
  int inIndex = -1;
  CodecPtr dec, enc;
  AVStream *st = nullptr;
  SwsPtr sws;
  SwrPtr swr;
  AudioFifoPtr fifo;
  FramePtr out;
  int64_t nextPts = 0;
};

// A scaler for the floor: with threads of its own for large pictures, as
// the converter makes it.
SwsContext *floorScaler(const AVCodecContext *dec, const AVCodecContext *enc, int threads) {
  if (threads <= 1 || static_cast<int64_t>(dec->width) * dec->height < 1280 * 720)
    return libswscale.sws_getContext(dec->width, dec->height, dec->pix_fmt, enc->width, enc->height, enc->pix_fmt,
                                     SWS_BICUBIC, nullptr, nullptr, nullptr);
  SwsContext *s = libswscale.sws_alloc_context();
  const std::pair<const char *, int64_t> settings[] = {
      {"srcw", dec->width}, {"srch", dec->height}, {"src_format", dec->pix_fmt}, {"dstw", enc->width},
      {"dsth", enc->height}, {"dst_format", enc->pix_fmt}, {"sws_flags", SWS_BICUBIC}, {"threads", threads}};
  for (const auto &[name, value] : settings) libavutil.av_opt_set_int(s, name, value, 0);
  if (libswscale.sws_init_context(s, nullptr, nullptr) < 0) {
    libswscale.sws_freeContext(s);
    return nullptr;
  }
  return s;
}

// The shortest loop: decode, scale, encode, write, with `threads` threads
// in the video codecs and the scaler (0: every core), one thread for the
// rest.
}  // namespace

bool runFloor(const FloorSettings &c, int threads, const std::string &src, const std::string &outPath) {
  if (threads <= 0) threads = coreCount();
  AVFormatContext *raw = nullptr;
  if (libavformat.avformat_open_input(&raw, src.c_str(), nullptr, nullptr) < 0) return fail("open input");
  InPtr ic(raw);
  if (libavformat.avformat_find_stream_info(ic.get(), nullptr) < 0) return fail("stream info");
  raw = nullptr;
  if (libavformat.avformat_alloc_output_context2(&raw, nullptr, nullptr, outPath.c_str()) < 0) return fail("output");
  OutPtr oc(raw);

  FloorStream video, audio;
  auto openDecoder = [&](FloorStream &s, AVMediaType type) {
    for (unsigned i = 0; i < ic->nb_streams; ++i)
      if (ic->streams[i]->codecpar->codec_type == type) {
        s.inIndex = static_cast<int>(i);
        break;
      }
    if (s.inIndex < 0) return false;
    AVStream *st = ic->streams[s.inIndex];
    const AVCodec *d = libavcodec.avcodec_find_decoder(st->codecpar->codec_id);
    s.dec.reset(libavcodec.avcodec_alloc_context3(d));
    libavcodec.avcodec_parameters_to_context(s.dec.get(), st->codecpar);
    s.dec->pkt_timebase = st->time_base;
    s.dec->thread_count = type == AVMEDIA_TYPE_VIDEO ? threads : 1;
    s.dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    return libavcodec.avcodec_open2(s.dec.get(), d, nullptr) >= 0;
  };
  const bool globalHeader = oc->oformat->flags & AVFMT_GLOBALHEADER;
  bool threadedScaler = false;
  if (*c.vcodec) {
    if (!openDecoder(video, AVMEDIA_TYPE_VIDEO)) return fail("video decoder");
    const AVCodec *e = libavcodec.avcodec_find_encoder_by_name(c.vcodec);
    video.enc.reset(libavcodec.avcodec_alloc_context3(e));
    AVCodecContext *enc = video.enc.get();
    enc->width = c.width ? c.width : video.dec->width;
    enc->height = c.height ? c.height : video.dec->height;
    enc->pix_fmt = e->pix_fmts ? e->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    const AVRational fr = ic->streams[video.inIndex]->r_frame_rate;
    enc->time_base = AVRational{fr.den, fr.num};
    enc->framerate = fr;
    enc->sample_aspect_ratio = video.dec->sample_aspect_ratio;
    if (c.videoBitRate) enc->bit_rate = c.videoBitRate;
    enc->thread_count = threads;
    if (globalHeader) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (libavcodec.avcodec_open2(enc, e, nullptr) < 0) return fail("video encoder");
    video.st = libavformat.avformat_new_stream(oc.get(), nullptr);
    libavcodec.avcodec_parameters_from_context(video.st->codecpar, enc);
    video.st->time_base = enc->time_base;
    video.st->sample_aspect_ratio = enc->sample_aspect_ratio;
    if (enc->width != video.dec->width || enc->height != video.dec->height || enc->pix_fmt != video.dec->pix_fmt)
      video.sws.reset(floorScaler(video.dec.get(), enc, threads));
    threadedScaler = threads > 1 && video.dec->width * video.dec->height >= 1280 * 720;
    video.out.reset(libavutil.av_frame_alloc());
  }
  {
    if (!openDecoder(audio, AVMEDIA_TYPE_AUDIO)) return fail("audio decoder");
    const AVCodec *e = libavcodec.avcodec_find_encoder_by_name(c.acodec);
    audio.enc.reset(libavcodec.avcodec_alloc_context3(e));
    AVCodecContext *enc = audio.enc.get();
    enc->sample_fmt = e->sample_fmts ? e->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    enc->sample_rate = c.sampleRate;
    libavutil.av_channel_layout_default(&enc->ch_layout, c.channels);
    enc->bit_rate = c.audioBitRate;
    enc->time_base = AVRational{1, c.sampleRate};
    enc->thread_count = 1;
    if (globalHeader) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (libavcodec.avcodec_open2(enc, e, nullptr) < 0) return fail("audio encoder");
    audio.st = libavformat.avformat_new_stream(oc.get(), nullptr);
    libavcodec.avcodec_parameters_from_context(audio.st->codecpar, enc);
    audio.st->time_base = enc->time_base;
    SwrContext *s = nullptr;
    AVChannelLayout inLayout{};
    libavutil.av_channel_layout_default(&inLayout, audio.dec->ch_layout.nb_channels);
    libswresample.swr_alloc_set_opts2(&s, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &inLayout,
                                      audio.dec->sample_fmt, audio.dec->sample_rate, 0, nullptr);
    audio.swr.reset(s);
    if (libswresample.swr_init(s) < 0) return fail("swr");
    audio.fifo.reset(libavutil.av_audio_fifo_alloc(enc->sample_fmt, c.channels, 4096));
    audio.out.reset(libavutil.av_frame_alloc());
  }
  for (unsigned i = 0; i < ic->nb_streams; ++i)
    if (static_cast<int>(i) != video.inIndex && static_cast<int>(i) != audio.inIndex)
      ic->streams[i]->discard = AVDISCARD_ALL;
  if (!*c.vcodec && video.inIndex < 0)
    for (unsigned i = 0; i < ic->nb_streams; ++i)
      if (ic->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) ic->streams[i]->discard = AVDISCARD_ALL;
  if (libavformat.avio_open(&oc->pb, outPath.c_str(), AVIO_FLAG_WRITE) < 0) return fail("create output");
  if (libavformat.avformat_write_header(oc.get(), nullptr) < 0) return fail("header");

  PacketPtr pkt(libavcodec.av_packet_alloc()), opkt(libavcodec.av_packet_alloc());
  FramePtr frame(libavutil.av_frame_alloc()), conv(libavutil.av_frame_alloc());

  auto videoFrame = [&](AVFrame *f) {
    AVCodecContext *enc = video.enc.get();
    AVFrame *in = f;
    if (video.sws) {
      AVFrame *o = video.out.get();
      if (!o->buf[0] || !libavutil.av_frame_is_writable(o)) {
        libavutil.av_frame_unref(o);
        o->format = enc->pix_fmt;
        o->width = enc->width;
        o->height = enc->height;
        libavutil.av_frame_get_buffer(o, 0);
      }
      if (threadedScaler)
        libswscale.sws_scale_frame(video.sws.get(), o, f);
      else
        libswscale.sws_scale(video.sws.get(), f->data, f->linesize, 0, f->height, o->data, o->linesize);
      in = o;
    }
    in->pts = video.nextPts++;
    in->pict_type = AV_PICTURE_TYPE_NONE;
    return encodeWrite(oc.get(), enc, video.st, in, opkt.get());
  };
  auto audioFrames = [&](AVFrame *f, bool flush) {
    AVCodecContext *enc = audio.enc.get();
    if (f) {
      const int cap = libswresample.swr_get_out_samples(audio.swr.get(), f->nb_samples);
      AVFrame *cv = conv.get();
      if (cv->nb_samples < cap) {
        libavutil.av_frame_unref(cv);
        cv->nb_samples = cap;
        cv->format = enc->sample_fmt;
        libavutil.av_channel_layout_copy(&cv->ch_layout, &enc->ch_layout);
        if (libavutil.av_frame_get_buffer(cv, 0) < 0) return false;
      }
      const int got = libswresample.swr_convert(audio.swr.get(), cv->extended_data, cap,
                                                const_cast<const uint8_t **>(f->extended_data), f->nb_samples);
      if (got > 0) libavutil.av_audio_fifo_write(audio.fifo.get(), reinterpret_cast<void **>(cv->extended_data), got);
    }
    const int fs = enc->frame_size > 0 ? enc->frame_size : 1024;
    while (libavutil.av_audio_fifo_size(audio.fifo.get()) >= fs ||
           (flush && libavutil.av_audio_fifo_size(audio.fifo.get()) > 0)) {
      AVFrame *o = audio.out.get();
      libavutil.av_frame_unref(o);
      o->nb_samples = std::min(fs, libavutil.av_audio_fifo_size(audio.fifo.get()));
      o->format = enc->sample_fmt;
      o->sample_rate = enc->sample_rate;
      libavutil.av_channel_layout_copy(&o->ch_layout, &enc->ch_layout);
      libavutil.av_frame_get_buffer(o, 0);
      libavutil.av_audio_fifo_read(audio.fifo.get(), reinterpret_cast<void **>(o->extended_data), o->nb_samples);
      o->pts = audio.nextPts;
      audio.nextPts += o->nb_samples;
      if (!encodeWrite(oc.get(), enc, audio.st, o, opkt.get())) return false;
    }
    return true;
  };
  auto decode = [&](FloorStream &s, const AVPacket *p) {
    libavcodec.avcodec_send_packet(s.dec.get(), p);
    while (libavcodec.avcodec_receive_frame(s.dec.get(), frame.get()) >= 0) {
      const bool ok = (&s == &video) ? videoFrame(frame.get()) : audioFrames(frame.get(), false);
      libavutil.av_frame_unref(frame.get());
      if (!ok) return false;
    }
    return true;
  };
  while (libavformat.av_read_frame(ic.get(), pkt.get()) >= 0) {
    bool ok = true;
    if (video.dec && pkt->stream_index == video.inIndex) ok = decode(video, pkt.get());
    if (pkt->stream_index == audio.inIndex) ok = decode(audio, pkt.get());
    libavcodec.av_packet_unref(pkt.get());
    if (!ok) return false;
  }
  if (video.dec) {
    if (!decode(video, nullptr)) return false;
    if (!encodeWrite(oc.get(), video.enc.get(), video.st, nullptr, opkt.get())) return false;
  }
  if (!decode(audio, nullptr) || !audioFrames(nullptr, true)) return false;
  if (!encodeWrite(oc.get(), audio.enc.get(), audio.st, nullptr, opkt.get())) return false;
  if (libavformat.av_write_trailer(oc.get()) < 0) return fail("trailer");
  return true;
}

