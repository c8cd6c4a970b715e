#include "transcode_test_util.h"

#include <gtest/gtest.h>

#include <memory>

#include "binding.h"
#include "test_env.h"

bool Conversion::logHas(const std::string &text) const { return logCount(text) > 0; }

int Conversion::logCount(const std::string &text) const {
  int n = 0;
  for (const auto &l : log)
    if (l.find(text) != std::string::npos) ++n;
  return n;
}

Conversion convert(const std::string &input, ConvertSetup setup) {
  Conversion r;
  MediaEngine engine;
  if (!engine.loadAVLib(TREVIX_COMMON_DIR, true)) {
    r.lastError = engine.lastErrorMessage();
    return r;
  }
  engine.setLogLevel(setup.logLevel);
  engine.setProgressInterval(setup.progressIntervalMs);
  engine.setThreadsPerTask(setup.threadsPerTask);
  engine.onLog = [&](int32_t, LogLevel, const std::string &msg) {
    r.log.push_back(msg);
    if (setup.onLog) setup.onLog(engine, msg);
  };
  engine.onProgress = [&](int32_t, const TaskProgress &s) {
    r.progress.push_back(s);
    if (setup.onProgress) setup.onProgress(engine, s);
  };
  engine.onTerminate = [&](int32_t index, bool finished, bool exception, const std::string &message) {
    if (index < 0) {
      r.endOfRun = true;
      return;
    }
    r.terminated = true;
    r.finished = finished;
    r.exception = exception;
    r.message = message;
    r.keptOutput = engine.taskStatus(index).keptOutput;
  };
  InputOptions in = setup.inputOptions;
  r.taskIndex = engine.addTask(input, &in);
  if (r.taskIndex < 0) {
    r.lastError = engine.lastErrorMessage();
    return r;
  }
  r.outputOk = true;
  for (size_t i = 0; i < setup.outputs.size(); ++i) {
    OutputOptions o = i < setup.outputOptions.size() ? setup.outputOptions[i] : OutputOptions{};
    if (!engine.setOutput(r.taskIndex, setup.outputs[i], &o)) {
      r.outputOk = false;
      r.lastError = engine.lastErrorMessage();
      engine.clearTasks();
      return r;
    }
  }
  engine.startConvert(0);
  engine.clearTasks();
  return r;
}

Conversion convert(const std::string &input, const std::string &output, const OutputOptions &options) {
  ConvertSetup s;
  s.outputs = {output};
  s.outputOptions = {options};
  return convert(input, s);
}

namespace {
struct InputCloser {
  void operator()(AVFormatContext *c) const {
    if (c) libavformat.avformat_close_input(&c);
  }
};
struct CodecFree {
  void operator()(AVCodecContext *c) const {
    if (c) libavcodec.avcodec_free_context(&c);
  }
};
struct SwrFree {
  void operator()(SwrContext *s) const {
    if (s) libswresample.swr_free(&s);
  }
};
}  // namespace

bool decodeAudioS16(const std::string &path, std::vector<int16_t> &samples, int &channels, int &rate,
                    double *firstPts) {
  requireLibraries();
  samples.clear();
  AVFormatContext *raw = nullptr;
  if (libavformat.avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return false;
  std::unique_ptr<AVFormatContext, InputCloser> ic(raw);
  if (libavformat.avformat_find_stream_info(ic.get(), nullptr) < 0) return false;
  int si = -1;
  for (unsigned i = 0; i < ic->nb_streams; ++i)
    if (ic->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
      si = static_cast<int>(i);
      break;
    }
  if (si < 0) return false;
  AVStream *st = ic->streams[si];
  const AVCodec *codec = libavcodec.avcodec_find_decoder(st->codecpar->codec_id);
  if (!codec) return false;
  std::unique_ptr<AVCodecContext, CodecFree> dec(libavcodec.avcodec_alloc_context3(codec));
  libavcodec.avcodec_parameters_to_context(dec.get(), st->codecpar);
  dec->pkt_timebase = st->time_base;
  if (libavcodec.avcodec_open2(dec.get(), codec, nullptr) < 0) return false;
  channels = dec->ch_layout.nb_channels;
  rate = dec->sample_rate;
  std::unique_ptr<SwrContext, SwrFree> swr;
  AVPacket *pkt = libavcodec.av_packet_alloc();
  AVFrame *frame = libavutil.av_frame_alloc();
  bool first = true;
  auto receive = [&]() {
    while (libavcodec.avcodec_receive_frame(dec.get(), frame) >= 0) {
      if (first && firstPts && frame->best_effort_timestamp != AV_NOPTS_VALUE)
        *firstPts = frame->best_effort_timestamp * av_q2d(st->time_base);
      first = false;
      if (!swr) {
        SwrContext *s = nullptr;
        AVChannelLayout layout{};
        libavutil.av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
        libswresample.swr_alloc_set_opts2(&s, &layout, AV_SAMPLE_FMT_S16, frame->sample_rate, &layout,
                                          static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                          nullptr);
        libswresample.swr_init(s);
        swr.reset(s);
        channels = frame->ch_layout.nb_channels;
        rate = frame->sample_rate;
      }
      const size_t at = samples.size();
      samples.resize(at + static_cast<size_t>(frame->nb_samples) * channels);
      uint8_t *out[1] = {reinterpret_cast<uint8_t *>(samples.data() + at)};
      const int got = libswresample.swr_convert(swr.get(), out, frame->nb_samples,
                                                const_cast<const uint8_t **>(frame->extended_data),
                                                frame->nb_samples);
      samples.resize(at + static_cast<size_t>(std::max(got, 0)) * channels);
      libavutil.av_frame_unref(frame);
    }
  };
  while (libavformat.av_read_frame(ic.get(), pkt) >= 0) {
    if (pkt->stream_index == si) {
      libavcodec.avcodec_send_packet(dec.get(), pkt);
      receive();
    }
    libavcodec.av_packet_unref(pkt);
  }
  libavcodec.avcodec_send_packet(dec.get(), nullptr);
  receive();
  libavcodec.av_packet_free(&pkt);
  libavutil.av_frame_free(&frame);
  return true;
}

std::string smallSource(double seconds) { return cachedFixture(smallClipRecipe(seconds), "small.mov"); }

OutputOptions mp4Options() {
  OutputOptions o;
  o.vcodec = "mpeg4";
  o.acodec = "aac";
  o.frameSize = "320x240";
  o.ab = 128000;
  return o;
}
