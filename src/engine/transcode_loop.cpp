// The transcode loop: reads packets, decodes, keeps audio and video in step,
// encodes, writes, reports progress; then flushes and finishes the outputs.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <thread>

#include "binding.h"
#include "text_format.h"
#include "transcode_task.h"
#include "timestamps.h"
#include "transcode_run.h"
#include "transcoder.h"

namespace {

constexpr AVRational kMicros{1, AV_TIME_BASE};

int64_t rescale(int64_t v, AVRational from, AVRational to) { return libavutil.av_rescale_q(v, from, to); }

int64_t writePosition(AVIOContext *pb) { return pb ? libavformat.avio_seek(pb, 0, SEEK_CUR) : 0; }

// "dts_delta_threshold" in microseconds, held to the int64 range (NaN: no
// jump is ever large enough).
int64_t thresholdMicros(float seconds) {
  const double us = seconds * 1000000.0;
  if (std::isnan(us) || us >= 9223372036854775808.0) return kTimestampMax;
  if (us < -9223372036854775808.0) return kTimestampMin;
  return static_cast<int64_t>(us);
}

class Loop {
 public:
  Loop(TranscodeTask &task, TranscodeRun &run)
      : task_(task),
        ts_(task.transcoder),
        run_(run),
        o_(task.options),
        dtsDeltaThresholdUs_(thresholdMicros(o_.dtsDeltaThreshold)) {}
  void run();

 private:
  // Output side.
  void writePacket(OutputStreamRecord &ost, AVPacket *pkt);
  int encodeAndWrite(OutputStreamRecord &ost, const AVFrame *frame);
  void notePictureStats(OutputStreamRecord &ost, const AVPacket *pkt);
  void writeVideoStats(OutputStreamRecord &ost, int frameBytes);
  void audioOut(OutputStreamRecord &ost, InputStreamRecord &ist, const uint8_t *buf, int size, int64_t srcPts);
  void encodeAudioFrame(OutputStreamRecord &ost, const uint8_t *s16, int samples);
  void videoOut(OutputStreamRecord &ost, InputStreamRecord &ist, const AVFrame *picture, int64_t srcPts);
  void subtitleOut(OutputStreamRecord &ost, InputStreamRecord &ist, AVSubtitle *sub);
  void streamCopy(OutputStreamRecord &ost, InputStreamRecord &ist, const AVPacket *pkt);
  void drain(OutputStreamRecord &ost);

  // Input side.
  bool processPacket(InputStreamRecord &ist, const AVPacket *pkt);
  bool decodeAudioFrame(InputStreamRecord &ist, AVFrame *frame, int64_t &srcPts, int &bytes);
  int drainAudioConverter(InputStreamRecord &ist);
  void emulateRate(InputStreamRecord &ist);
  void report(bool last);
  double outputTime(const OutputStreamRecord &ost) const;

  TranscodeTask &task_;
  TranscodeState &ts_;
  TranscodeRun &run_;
  OptionState &o_;
  const int64_t dtsDeltaThresholdUs_;
};

// ---------------------------------------------------------------- output

void Loop::writePacket(OutputStreamRecord &ost, AVPacket *pkt) {
  pkt->stream_index = ost.st->index;
  const int64_t t = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
  if (t != AV_NOPTS_VALUE) {
    const double end = static_cast<double>(t + std::max<int64_t>(pkt->duration, 0)) * av_q2d(ost.st->time_base);
    if (end > ost.writtenEnd) ost.writtenEnd = end;
  }
  const int ret = libavformat.av_interleaved_write_frame(ost.file->ctx, pkt);
  if (ret < 0) throw EngineError(openErrorText(ret, "av_interleaved_write_frame()"));
  ++ost.file->packetsWritten;
}

void Loop::notePictureStats(OutputStreamRecord &ost, const AVPacket *pkt) {
  size_t size = 0;
  const uint8_t *sd = libavcodec.av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
  if (!sd || size < 5) return;
  ost.lastQuality = static_cast<int>(sd[0] | (sd[1] << 8) | (sd[2] << 16) | (static_cast<uint32_t>(sd[3]) << 24));
  ost.lastPictType = sd[4];
  const int errors = size >= 6 ? sd[5] : 0;
  for (int i = 0; i < errors && i < 4 && 8 + 8 * (i + 1) <= static_cast<int>(size); ++i) {
    uint64_t v = 0;
    std::memcpy(&v, sd + 8 + 8 * i, 8);
    ost.lastError[i] = v;
  }
  const int qp = static_cast<int>(std::lrint(ost.lastQuality / static_cast<double>(FF_QP2LAMBDA)));
  if (qp >= 0 && qp < 52) ++ost.qpHistogram[qp];
}

void Loop::writeVideoStats(OutputStreamRecord &ost, int frameBytes) {
  if (o_.vstatsFileName.empty()) return;
  if (!run_.vstats) {
    run_.vstats = std::fopen(o_.vstatsFileName.c_str(), "w");
    if (!run_.vstats) throw EngineError("fopen fail: " + o_.vstatsFileName);
  }
  AVCodecContext *enc = ost.enc;
  std::fprintf(run_.vstats, "frame= %5d q= %2.1f ", static_cast<int>(ost.frameNumber),
               ost.lastQuality / static_cast<double>(FF_QP2LAMBDA));
  if (enc->flags & AV_CODEC_FLAG_PSNR)
    std::fprintf(run_.vstats, "PSNR= %6.2f ",
                 -10.0 * std::log10(static_cast<double>(ost.lastError[0]) /
                                    (enc->width * static_cast<double>(enc->height) * 255.0 * 255.0)));
  std::fprintf(run_.vstats, "f_size= %6d ", frameBytes);
  double ti = ost.frameNumber * av_q2d(enc->time_base);
  if (ti < 0.01) ti = 0.01;
  const double bitrate = frameBytes * 8.0 / av_q2d(enc->time_base) / 1000.0;
  const double avgBitrate = ts_.videoBytes * 8.0 / ti / 1000.0;
  std::fprintf(run_.vstats, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
               ts_.videoBytes / 1024.0, ti, bitrate, avgBitrate);
  std::fprintf(run_.vstats, "type= %c\n",
               libavutil.av_get_picture_type_char(static_cast<AVPictureType>(ost.lastPictType)));
}

// Sends `frame` (null: drain) and writes every packet the encoder gives.
int Loop::encodeAndWrite(OutputStreamRecord &ost, const AVFrame *frame) {
  AVCodecContext *enc = ost.enc;
  int ret = libavcodec.avcodec_send_frame(enc, frame);
  if (ret < 0 && ret != AVERROR_EOF) return ret;
  AVPacket *pkt = run_.outPkt.get();
  for (;;) {
    ret = libavcodec.avcodec_receive_packet(enc, pkt);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return 0;
    if (ret < 0) return ret;
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
      // Without a duration the last picture of MOV/MP4 gets none.
      if (pkt->duration <= 0 && enc->framerate.num > 0)
        pkt->duration = std::max<int64_t>(1, rescale(1, av_inv_q(enc->framerate), enc->time_base));
      ts_.videoBytes += pkt->size;
      notePictureStats(ost, pkt);
      if (ost.logFile && enc->stats_out) std::fputs(enc->stats_out, ost.logFile);
      const int size = pkt->size;
      libavcodec.av_packet_rescale_ts(pkt, enc->time_base, ost.st->time_base);
      writePacket(ost, pkt);
      writeVideoStats(ost, size);
    } else {
      ts_.audioBytes += pkt->size;
      libavcodec.av_packet_rescale_ts(pkt, enc->time_base, ost.st->time_base);
      writePacket(ost, pkt);
    }
    libavcodec.av_packet_unref(pkt);
  }
}

void Loop::encodeAudioFrame(OutputStreamRecord &ost, const uint8_t *s16, int samples) {
  AVCodecContext *enc = ost.enc;
  const int channels = enc->ch_layout.nb_channels;
  AVFrame *f = run_.encFrame.get();
  libavutil.av_frame_unref(f);
  f->nb_samples = samples;
  f->format = enc->sample_fmt;
  f->sample_rate = enc->sample_rate;
  libavutil.av_channel_layout_copy(&f->ch_layout, &enc->ch_layout);
  if (libavutil.av_frame_get_buffer(f, 0) < 0) throw EngineError("av_malloc fail");
  if (enc->sample_fmt == AV_SAMPLE_FMT_S16) {
    std::memcpy(f->data[0], s16, static_cast<size_t>(samples) * channels * 2);
  } else {
    if (!ost.toEncoder.configure(AV_SAMPLE_FMT_S16, channels, enc->sample_rate, enc->sample_fmt, channels,
                                 enc->sample_rate))
      throw EngineError(formatText("Can not resample %d channels @ %d Hz to %d channels @ %d Hz", channels,
                                enc->sample_rate, channels, enc->sample_rate));
    const uint8_t *in[1] = {s16};
    ost.toEncoder.convert(f->extended_data, samples, in, samples);
  }
  int64_t pts = ost.syncPts;
  if (ost.nextAudioPts != AV_NOPTS_VALUE && pts < ost.nextAudioPts) pts = ost.nextAudioPts;
  f->pts = pts;
  ost.nextAudioPts = pts + samples;
  if (encodeAndWrite(ost, f) < 0) throw EngineError("Audio encoding failed");
  libavutil.av_frame_unref(f);
  ost.syncPts += samples;
  ++ost.frameNumber;
}

void Loop::audioOut(OutputStreamRecord &ost, InputStreamRecord &ist, const uint8_t *buf, int size,
                     int64_t srcPts) {
  AVCodecContext *enc = ost.enc;
  const int decCh = ist.channels, decRate = ist.sampleRate;
  const int encCh = enc->ch_layout.nb_channels, encRate = enc->sample_rate;
  if (decCh <= 0 || decRate <= 0 || encCh <= 0 || encRate <= 0) return;
  const bool resample = decCh != encCh || decRate != encRate || o_.audioSyncMethod >= 2;
  if (resample && !ost.resampler.configure(AV_SAMPLE_FMT_S16, decCh, decRate, AV_SAMPLE_FMT_S16, encCh, encRate))
    throw EngineError(
        formatText("Can not resample %d channels @ %d Hz to %d channels @ %d Hz", decCh, decRate, encCh, encRate));

  const int encFrameBytes = encCh * 2;
  const double srcSec = static_cast<double>(subtractTimestamps(srcPts, o_.inputStartTime)) / AV_TIME_BASE;
  if (o_.audioSyncMethod) {
    const double delta = srcSec * encRate - static_cast<double>(ost.syncPts) -
                         static_cast<double>(ost.fifo.size()) / encFrameBytes;
    const int64_t byteDelta = static_cast<int64_t>(delta * decRate / encRate) * 2 * decCh;
    if (std::fabs(delta) > 50) {
      if (ist.isStart || std::fabs(delta) > o_.audioDriftThreshold * encRate) {
        if (byteDelta < 0) {
          const int drop = static_cast<int>(std::min<int64_t>(-byteDelta, size));
          buf += drop;
          size -= drop;
          ist.isStart = false;
          if (o_.verbose > 2) task_.logF(1, "discarding %d audio samples", static_cast<int>(-delta));
          if (size <= 0) return;
        } else if (byteDelta > 0) {
          int64_t add = byteDelta;
          bool limited = false;
          if (add + size > 131072) {
            add = std::max<int64_t>(0, 131072 - size);
            add -= add % (2 * decCh);
            limited = true;
          }
          run_.silence.assign(static_cast<size_t>(add), 0);
          run_.silence.insert(run_.silence.end(), buf, buf + size);
          buf = run_.silence.data();
          size = static_cast<int>(run_.silence.size());
          if (!limited) ist.isStart = false;
          if (o_.verbose > 2) task_.logF(1, "adding %d audio samples of silence", static_cast<int>(delta));
        }
      } else if (o_.audioSyncMethod > 1) {
        const int comp = static_cast<int>(std::clamp<double>(delta, -o_.audioSyncMethod, o_.audioSyncMethod));
        ost.resampler.setCompensation(comp, encRate);
        if (o_.verbose > 2)
          task_.logF(1, "compensating audio timestamp drift:%f compensation:%d in:%d", delta, comp, encRate);
      }
    }
  } else {
    ost.syncPts = std::llrint(srcSec * encRate) - static_cast<int64_t>(ost.fifo.size() / encFrameBytes);
  }

  // Into the encoder's channels and rate.
  const uint8_t *data = buf;
  int64_t bytes = size;
  if (resample) {
    const int inSamples = size / (2 * decCh);
    const int cap = ost.resampler.outSamples(inSamples);
    const size_t need = static_cast<size_t>(cap) * encFrameBytes;
    if (run_.resampled.size() < need) run_.resampled.resize(need);
    uint8_t *out[1] = {run_.resampled.data()};
    const uint8_t *in[1] = {buf};
    const int got = ost.resampler.convert(out, cap, in, inSamples);
    if (got < 0) return;
    data = run_.resampled.data();
    bytes = static_cast<int64_t>(got) * encFrameBytes;
  }

  // Nothing beyond the recording time.
  if (o_.recordingTime != std::numeric_limits<int64_t>::max()) {
    const int64_t limit = libavutil.av_rescale(o_.recordingTime, encRate, AV_TIME_BASE);
    const int64_t have = ost.syncPts + static_cast<int64_t>(ost.fifo.size() / encFrameBytes);
    const int64_t room = std::max<int64_t>(0, limit - have) * encFrameBytes;
    bytes = std::min(bytes, room);
  }
  if (bytes <= 0) return;
  ost.fifo.write(data, static_cast<size_t>(bytes));

  const bool fixedFrames = enc->frame_size > 1 && !(enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
  if (fixedFrames) {
    const size_t frameBytes = static_cast<size_t>(enc->frame_size) * encFrameBytes;
    while (ost.fifo.size() >= frameBytes) {
      encodeAudioFrame(ost, ost.fifo.data(), enc->frame_size);
      ost.fifo.read(nullptr, frameBytes);
    }
  } else {
    const int samples = static_cast<int>(ost.fifo.size() / encFrameBytes);
    if (samples > 0) {
      encodeAudioFrame(ost, ost.fifo.data(), samples);
      ost.fifo.read(nullptr, static_cast<size_t>(samples) * encFrameBytes);
    }
  }
}

void Loop::videoOut(OutputStreamRecord &ost, InputStreamRecord &ist, const AVFrame *picture, int64_t srcPts) {
  AVCodecContext *enc = ost.enc;
  const double tb = av_q2d(enc->time_base);
  int64_t nb = 1;
  const double syncIpts = static_cast<double>(subtractTimestamps(srcPts, o_.inputStartTime)) / AV_TIME_BASE / tb;
  const bool sync = o_.videoSyncMethod > 0 || (o_.videoSyncMethod < 0 && tb > 0.001);
  if (sync) {
    const double vdelta = syncIpts - static_cast<double>(ost.syncPts);
    if (vdelta < -1.1)
      nb = 0;
    else if (o_.videoSyncMethod == 2)
      ost.syncPts = std::llrint(syncIpts);
    else if (vdelta > 1.1)
      nb = std::llrint(vdelta);
    if (nb == 0) {
      ++ts_.dropFrames;
      if (o_.verbose > 2) task_.log(1, "*** drop!");
    } else if (nb > 1) {
      ts_.dupFrames += static_cast<int32_t>(nb);
      if (o_.verbose > 2) task_.logF(1, "*** %d dup!", static_cast<int>(nb - 1));
    }
  } else {
    ost.syncPts = std::llrint(syncIpts);
  }
  nb = std::min<int64_t>(nb, o_.maxVideoFrames - ost.frameNumber);
  // Nothing beyond the recording time.
  if (o_.recordingTime != std::numeric_limits<int64_t>::max()) {
    const double limit = static_cast<double>(o_.recordingTime) / AV_TIME_BASE;
    while (nb > 0 && (ost.syncPts + nb - 1) * tb >= limit - 1e-9) --nb;
  }
  if (nb <= 0) return;

  AVFrame *final = ost.geometry.formatPicture(picture, [this](int level, const std::string &text) { task_.log(level, text); });
  if (!final) return;

  AVFrame *f = run_.encFrame.get();
  for (int64_t i = 0; i < nb && !task_.stopRequested(); ++i) {
    libavutil.av_frame_unref(f);
    if (libavutil.av_frame_ref(f, final) < 0) throw EngineError("Video encoding failed");
    f->pts = ost.syncPts;
    f->interlaced_frame = picture->interlaced_frame;
    if (enc->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME))
      f->top_field_first = o_.topFieldFirst == -1 ? picture->top_field_first : o_.topFieldFirst;
    f->quality = o_.sameQuality ? static_cast<int>(ist.quality) : static_cast<int>(ost.out->quality);
    if (!o_.meThreshold) f->pict_type = AV_PICTURE_TYPE_NONE;
    f->sample_aspect_ratio = enc->sample_aspect_ratio;
    const int ret = encodeAndWrite(ost, f);
    libavutil.av_frame_unref(f);
    if (ret < 0) throw EngineError("Video encoding failed");
    ++ost.syncPts;
    ++ost.frameNumber;
  }
}

void Loop::subtitleOut(OutputStreamRecord &ost, InputStreamRecord &ist, AVSubtitle *sub) {
  (void)ist;
  if (sub->pts == AV_NOPTS_VALUE) {
    task_.log(0, "Subtitle packets must have a pts");
    return;
  }
  if (run_.subtitleBuf.size() < 65536) run_.subtitleBuf.resize(65536);
  AVCodecContext *enc = ost.enc;
  const int passes = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE ? 2 : 1;
  const int64_t pts = subtractTimestamps(sub->pts, o_.inputStartTime);
  for (int i = 0; i < passes; ++i) {
    const unsigned numRects = sub->num_rects;
    if (i == 1) sub->num_rects = 0;  // the second one clears the display
    const int size = libavcodec.avcodec_encode_subtitle(enc, run_.subtitleBuf.data(),
                                                        static_cast<int>(run_.subtitleBuf.size()), sub);
    sub->num_rects = numRects;
    if (size < 0) {
      task_.log(0, "Subtitle encoding failed");
      return;
    }
    AVPacket *pkt = run_.outPkt.get();
    if (libavcodec.av_new_packet(pkt, size) < 0) return;
    std::memcpy(pkt->data, run_.subtitleBuf.data(), static_cast<size_t>(size));
    int64_t t = pts;
    if (passes == 2)
      t = addTimestamps(t, static_cast<int64_t>(i == 0 ? sub->start_display_time : sub->end_display_time) * 1000);
    pkt->pts = rescale(t, kMicros, ost.st->time_base);
    pkt->dts = pkt->pts;
    if (passes == 1)
      pkt->duration = rescale(static_cast<int64_t>(sub->end_display_time) * 1000, kMicros, ost.st->time_base);
    writePacket(ost, pkt);
    libavcodec.av_packet_unref(pkt);
  }
  ++ost.frameNumber;
}

void Loop::streamCopy(OutputStreamRecord &ost, InputStreamRecord &ist, const AVPacket *pkt) {
  if (!ost.gotKeyFrame) {
    if (!(pkt->flags & AV_PKT_FLAG_KEY)) return;
    ost.gotKeyFrame = true;
  }
  AVPacket *opkt = run_.outPkt.get();
  if (libavcodec.av_packet_ref(opkt, pkt) < 0) throw EngineError("av_malloc fail");
  if (ost.out->type == AVMEDIA_TYPE_AUDIO)
    ts_.audioBytes += pkt->size;
  else if (ost.out->type == AVMEDIA_TYPE_VIDEO) {
    ts_.videoBytes += pkt->size;
    ++ost.syncPts;
  }
  const AVRational itb = ist.st->time_base, otb = ost.st->time_base;
  opkt->pts = pkt->pts != AV_NOPTS_VALUE ? rescale(pkt->pts, itb, otb) : AV_NOPTS_VALUE;
  opkt->dts = pkt->dts != AV_NOPTS_VALUE ? rescale(pkt->dts, itb, otb) : rescale(ist.pts, kMicros, otb);
  opkt->duration = pkt->duration > 0 ? rescale(pkt->duration, itb, otb) : 0;
  opkt->pos = -1;
  writePacket(ost, opkt);
  libavcodec.av_packet_unref(opkt);
  ++ost.frameNumber;
}

void Loop::drain(OutputStreamRecord &ost) {
  if (ost.drained || !ost.encodingNeeded) return;
  AVCodecContext *enc = ost.enc;
  if (enc->codec_type == AVMEDIA_TYPE_AUDIO) {
    const int channels = enc->ch_layout.nb_channels;
    const int left = static_cast<int>(ost.fifo.size() / (static_cast<size_t>(channels) * 2));
    if (left > 0 && (enc->codec->capabilities &
                     (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE))) {
      encodeAudioFrame(ost, ost.fifo.data(), left);
    }
    ost.fifo.clear();
    ost.drained = true;
    if (encodeAndWrite(ost, nullptr) < 0) throw EngineError("Audio encoding failed");
  } else if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
    ost.drained = true;
    if (encodeAndWrite(ost, nullptr) < 0) throw EngineError("Video encoding failed");
  } else {
    ost.drained = true;
  }
}

// ---------------------------------------------------------------- input

bool Loop::decodeAudioFrame(InputStreamRecord &ist, AVFrame *frame, int64_t &srcPts, int &bytes) {
  const int channels = frame->ch_layout.nb_channels;
  const int rate = frame->sample_rate;
  if (channels <= 0 || rate <= 0 || frame->nb_samples <= 0) return false;
  const int outChannels = ist.wantChannels > 0 ? ist.wantChannels : channels;
  const int outRate = ist.wantRate > 0 ? ist.wantRate : rate;
  if (!ist.toS16.configure(static_cast<AVSampleFormat>(frame->format), channels, rate, AV_SAMPLE_FMT_S16,
                           outChannels, outRate))
    return false;
  const int cap = ist.toS16.outSamples(frame->nb_samples);
  const size_t need = static_cast<size_t>(cap) * outChannels * 2;
  if (run_.decodedAudio.size() < need) run_.decodedAudio.resize(std::max(need, run_.decodedAudio.size() * 2));
  uint8_t *out[1] = {run_.decodedAudio.data()};
  const int got = ist.toS16.convert(out, cap, frame->extended_data, frame->nb_samples);
  if (got < 0) return false;
  ist.channels = outChannels;
  ist.sampleRate = outRate;
  bytes = got * outChannels * 2;
  srcPts = ist.pts;
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
    srcPts = ist.pts = rescale(frame->best_effort_timestamp, ist.st->time_base, kMicros);
  ist.nextPts = addTimestamps(ist.pts, libavutil.av_rescale(frame->nb_samples, AV_TIME_BASE, rate));
  if (o_.audioVolume != 256)
    applyVolume(reinterpret_cast<int16_t *>(run_.decodedAudio.data()), static_cast<size_t>(bytes) / 2, o_.audioVolume);
  return true;
}

// Samples the rate conversion still holds at the end of the input.
int Loop::drainAudioConverter(InputStreamRecord &ist) {
  if (!ist.toS16.ready() || ist.channels <= 0) return 0;
  const int cap = ist.toS16.outSamples(0);
  const size_t need = static_cast<size_t>(cap) * ist.channels * 2;
  if (run_.decodedAudio.size() < need) run_.decodedAudio.resize(need);
  uint8_t *out[1] = {run_.decodedAudio.data()};
  const int got = ist.toS16.convert(out, cap, nullptr, 0);
  if (got <= 0) return 0;
  const int bytes = got * ist.channels * 2;
  if (o_.audioVolume != 256)
    applyVolume(reinterpret_cast<int16_t *>(run_.decodedAudio.data()), static_cast<size_t>(bytes) / 2, o_.audioVolume);
  return bytes;
}

void Loop::emulateRate(InputStreamRecord &ist) {
  if (!ist.in->rateEmu) return;
  if (ist.emuFirstPts == AV_NOPTS_VALUE) ist.emuFirstPts = ist.pts;
  const int64_t target = subtractTimestamps(ist.pts, ist.emuFirstPts);
  int64_t ahead = target - (libavutil.av_gettime_relative() - ist.emuStart);
  if (ahead <= 50000) return;
  // Waits in short steps, so a Stop is seen even across a long gap in the
  // time stamps.
  while (ahead > 0 && !task_.stopRequested()) {
    std::this_thread::sleep_for(std::chrono::microseconds(std::min<int64_t>(ahead, 100000)));
    ahead = target - (libavutil.av_gettime_relative() - ist.emuStart);
  }
}

bool Loop::processPacket(InputStreamRecord &ist, const AVPacket *pkt) {
  if (ist.nextPts == AV_NOPTS_VALUE) ist.nextPts = ist.pts;
  if (pkt && pkt->dts != AV_NOPTS_VALUE) ist.nextPts = ist.pts = rescale(pkt->dts, ist.st->time_base, kMicros);
  const bool deliver = !(o_.inputStartTime != 0 && ist.pts < o_.inputStartTime);

  // Packets for stream copies, once per packet.
  if (pkt) {
    for (OutputStreamRecord *op : ist.outputs)
      if (!op->encodingNeeded && deliver) streamCopy(*op, ist, pkt);
  }

  if (!ist.decodingNeeded) {
    if (!pkt) return true;
    ist.pts = ist.nextPts;
    const AVCodecParameters *par = ist.st->codecpar;
    int64_t duration = 0;
    if (pkt->duration > 0) {
      duration = rescale(pkt->duration, ist.st->time_base, kMicros);
    } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0) {
      duration = static_cast<int64_t>(AV_TIME_BASE) * par->frame_size / par->sample_rate;
    } else if (par->codec_type == AVMEDIA_TYPE_VIDEO && ist.st->avg_frame_rate.num > 0) {
      duration = rescale(1, av_inv_q(ist.st->avg_frame_rate), kMicros);
    }
    ist.nextPts = addTimestamps(ist.nextPts, duration);
    return true;
  }

  AVCodecContext *dec = ist.dec;
  const AVMediaType type = ist.st->codecpar->codec_type;

  if (type == AVMEDIA_TYPE_SUBTITLE) {
    AVPacket *sp = const_cast<AVPacket *>(pkt);
    if (!sp) {
      if (!(dec->codec->capabilities & AV_CODEC_CAP_DELAY)) return true;
      sp = run_.outPkt.get();  // an empty packet asks for what is left
      libavcodec.av_packet_unref(sp);
    }
    for (;;) {
      AVSubtitle sub{};
      int got = 0;
      ist.pts = ist.nextPts;
      const int ret = libavcodec.avcodec_decode_subtitle2(dec, &sub, &got, sp);
      if (ret < 0) return false;
      if (!got) break;
      if (deliver)
        for (OutputStreamRecord *op : ist.outputs)
          if (op->encodingNeeded) subtitleOut(*op, ist, &sub);
      libavcodec.avsubtitle_free(&sub);
      if (pkt) break;
    }
    return true;
  }
  if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO) return false;

  bool sent = false;
  int idle = 0;
  AVFrame *frame = run_.frame.get();
  for (;;) {
    if (!sent) {
      const int ret = libavcodec.avcodec_send_packet(dec, pkt);
      if (ret == 0 || ret == AVERROR_EOF)
        sent = true;
      else if (ret != AVERROR(EAGAIN))
        return false;
    }
    const int ret = libavcodec.avcodec_receive_frame(dec, frame);
    if (ret == AVERROR(EAGAIN)) {
      if (sent || ++idle > 1) break;
      continue;
    }
    if (ret == AVERROR_EOF) break;
    if (ret < 0) return false;
    idle = 0;
    ist.pts = ist.nextPts;

    if (type == AVMEDIA_TYPE_AUDIO) {
      int64_t srcPts = 0;
      int bytes = 0;
      const bool ok = decodeAudioFrame(ist, frame, srcPts, bytes);
      libavutil.av_frame_unref(frame);
      if (!ok) continue;
      emulateRate(ist);
      if (deliver)
        for (OutputStreamRecord *op : ist.outputs)
          if (op->encodingNeeded) audioOut(*op, ist, run_.decodedAudio.data(), bytes, srcPts);
    } else {
      ist.quality = static_cast<float>(frame->quality);
      int64_t frameDuration = 0;
      if (frame->pkt_duration > 0)
        frameDuration = rescale(frame->pkt_duration, ist.st->time_base, kMicros);
      else if (dec->framerate.num > 0)
        frameDuration = rescale(1, av_inv_q(dec->framerate), kMicros);
      else if (ist.st->avg_frame_rate.num > 0)
        frameDuration = rescale(1, av_inv_q(ist.st->avg_frame_rate), kMicros);
      int64_t srcPts = ist.pts;
      if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
        srcPts = rescale(frame->best_effort_timestamp, ist.st->time_base, kMicros);
      ist.nextPts = addTimestamps(ist.pts, frameDuration);
      const AVFrame *picture = run_.pictures.preprocessPicture(task_, frame, srcPts);
      emulateRate(ist);
      if (deliver)
        for (OutputStreamRecord *op : ist.outputs)
          if (op->encodingNeeded) {
            videoOut(*op, ist, picture, srcPts);
            if (task_.stopRequested()) break;
          }
      libavutil.av_frame_unref(frame);
    }
  }

  if (!pkt) {
    if (type == AVMEDIA_TYPE_AUDIO) {
      ist.pts = ist.nextPts;
      const int bytes = drainAudioConverter(ist);
      if (bytes > 0 && deliver)
        for (OutputStreamRecord *op : ist.outputs)
          if (op->encodingNeeded) audioOut(*op, ist, run_.decodedAudio.data(), bytes, ist.pts);
    }
    for (OutputStreamRecord *op : ist.outputs)
      if (op->encodingNeeded) drain(*op);
  }
  return true;
}

// ---------------------------------------------------------------- report

double Loop::outputTime(const OutputStreamRecord &ost) const {
  if (ost.encodingNeeded && ost.enc) {
    if (ost.out->type == AVMEDIA_TYPE_VIDEO) return ost.syncPts * av_q2d(ost.enc->time_base);
    if (ost.out->type == AVMEDIA_TYPE_AUDIO && ost.enc->sample_rate > 0) {
      const int ch = std::max(1, ost.enc->ch_layout.nb_channels);
      return (static_cast<double>(ost.syncPts) + static_cast<double>(ost.fifo.size()) / (ch * 2)) /
             ost.enc->sample_rate;
    }
  }
  return ost.writtenEnd;
}

void Loop::report(bool last) {
  if (ts_.outputFiles.empty()) return;
  AVFormatContext *oc = ts_.outputFiles.front()->ctx;
  int64_t total = 0;
  if (oc && oc->pb) {
    const int64_t size = libavformat.avio_size(oc->pb);
    const int64_t pos = writePosition(oc->pb);
    total = std::max<int64_t>(size, pos);
  }
  const double elapsed = static_cast<double>(libavutil.av_gettime_relative() - run_.timerStart) / 1e6;
  std::string text;
  bool haveVideo = false;
  int32_t frameNumber = -1, fps = -1;
  float quality = -1.0f;
  double ti1 = 1e10;
  for (auto &op : run_.ost) {
    const OutputStreamRecord &ost = *op;
    const float q = ost.encodingNeeded ? static_cast<float>(ost.lastQuality ? ost.lastQuality : ost.out->quality) /
                                             static_cast<float>(FF_QP2LAMBDA)
                                       : -1.0f;
    if (ost.out->type == AVMEDIA_TYPE_VIDEO) {
      if (haveVideo) {
        text += formatText("q=%2.1f ", q);
      } else {
        haveVideo = true;
        if (ost.frameNumber < 1) return;
        frameNumber = static_cast<int32_t>(ost.frameNumber);
        fps = elapsed > 1.0 ? static_cast<int32_t>(std::lrint(ost.frameNumber / elapsed)) : 0;
        quality = q;
        text += formatText("frame=%5d fps=%3d q=%3.1f ", frameNumber, fps, q);
        if (last) text += "L";
        if (o_.qpHist) {
          for (int j = 0; j < 32; ++j)
            text += formatText("%X", static_cast<int>(std::lrint(std::log2(static_cast<double>(ost.qpHistogram[j]) + 1))));
        }
        if (o_.doPsnr && ost.enc && (ost.enc->flags & AV_CODEC_FLAG_PSNR)) {
          static const char kPlanes[] = {'Y', 'U', 'V'};
          double errSum = 0, scaleSum = 0;
          text += "PSNR=";
          for (int j = 0; j < 3; ++j) {
            double error = last ? static_cast<double>(ost.enc->error[j]) : static_cast<double>(ost.lastError[j]);
            double scale = static_cast<double>(ost.enc->width) * ost.enc->height * 255.0 * 255.0;
            if (last) scale *= static_cast<double>(ost.frameNumber);
            if (j) scale /= 4;
            errSum += error;
            scaleSum += scale;
            text += formatText("%c:%2.2f ", kPlanes[j], -10.0 * std::log10(error / scale));
          }
          text += formatText("*:%2.2f ", -10.0 * std::log10(errSum / scaleSum));
        }
      }
    }
    const double t = outputTime(ost);
    if (t > 0 && t < ti1) ti1 = t;
  }
  if (ti1 >= 1e10) ti1 = 0.01;  // nothing written yet
  if (ti1 < 0.01) ti1 = 0.01;
  const double bitrate = total * 8.0 / ti1 / 1000.0;
  if (task_.hasProgressSink() || o_.verbose > 0 || last) {
    text += formatText("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", total / 1024.0, ti1, bitrate);
    if (o_.verbose > 1) text += formatText(" dup=%d drop=%d", ts_.dupFrames, ts_.dropFrames);
  }
  if (task_.hasProgressSink()) {
    task_.doProgress(frameNumber, fps, static_cast<int32_t>(std::lrint(ti1 * 1000.0)), quality,
                     static_cast<float>(bitrate), total, o_.expectedDurationMs);
  } else if (o_.verbose >= 0 && task_.hasLogSink()) {
    task_.log(1, text);
  }
  if (last && o_.verbose >= 0 && task_.hasLogSink()) {
    const double sum = static_cast<double>(ts_.videoBytes + ts_.audioBytes + ts_.extradataBytes);
    const double overhead = sum > 0 ? (static_cast<double>(total) - sum) * 100.0 / sum : 0.0;
    task_.logF(1, "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
               ts_.videoBytes / 1024.0, ts_.audioBytes / 1024.0, ts_.extradataBytes / 1024.0, overhead);
  }
}

// ---------------------------------------------------------------- loop

void Loop::run() {
  AVPacket *pkt = run_.pkt.get();
  while (!task_.stopRequested()) {
    task_.waitWhilePaused();
    if (task_.stopRequested()) break;

    // 1. The input that is furthest behind.
    int fileIndex = -1;
    double iptsMin = 1e100, optsMin = 1e100;
    bool limitReached = false;
    for (auto &op : run_.ost) {
      const OutputStreamRecord &ost = *op;
      const InputStreamRecord &ist = *run_.ist[ost.sourceIndex];
      const double opts = outputTime(ost);
      const double ipts = static_cast<double>(ist.pts);
      if (!run_.files[ist.fileIndex].ended) {
        if (ipts < iptsMin) {
          iptsMin = ipts;
          if (o_.inputSync) fileIndex = ist.fileIndex;
        }
        if (opts < optsMin) {
          optsMin = opts;
          if (!o_.inputSync) fileIndex = ist.fileIndex;
        }
      }
      int64_t limit = std::numeric_limits<int32_t>::max();
      switch (ost.out->type) {
        case AVMEDIA_TYPE_VIDEO: limit = o_.maxVideoFrames; break;
        case AVMEDIA_TYPE_AUDIO: limit = o_.maxAudioFrames; break;
        case AVMEDIA_TYPE_DATA: limit = o_.maxDataFrames; break;
        default: break;
      }
      if (ost.frameNumber >= limit) {
        limitReached = true;
        break;
      }
    }
    if (limitReached || fileIndex < 0) break;
    // 3. Recording time.
    if (static_cast<double>(o_.recordingTime) / 1000000.0 <= optsMin) break;
    // 4. File size limit.
    if (o_.limitFileSize) {
      AVFormatContext *oc = ts_.outputFiles.front()->ctx;
      if (oc && writePosition(oc->pb) > o_.limitFileSize) break;
    }

    // 5. Read.
    InputFile &in = task_.inputFiles[fileIndex];
    InputFileRecord &file = run_.files[fileIndex];
    const int ret = libavformat.av_read_frame(in.ctx.get(), pkt);
    if (ret < 0) {
      file.ended = true;
      if (o_.shortest) break;
      continue;
    }
    if (o_.doPktDump)
      libavformat.av_pkt_dump_log2(nullptr, AV_LOG_INFO, pkt, o_.doHexDump,
                                   pkt->stream_index < static_cast<int>(in.ctx->nb_streams)
                                       ? in.ctx->streams[pkt->stream_index]
                                       : in.ctx->streams[0]);

    // 7. Streams nobody takes.
    if (pkt->stream_index < 0 || pkt->stream_index >= file.streamCount ||
        run_.ist[file.firstStream + pkt->stream_index]->free) {
      libavcodec.av_packet_unref(pkt);
      continue;
    }
    InputStreamRecord &ist = *run_.ist[file.firstStream + pkt->stream_index];
    const AVRational tb = ist.st->time_base;

    // 8. Timestamp offset and scale.
    const int64_t offset = rescale(in.tsOffset, kMicros, tb);
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = addTimestamps(pkt->dts, offset);
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = addTimestamps(pkt->pts, offset);
    const double scale = pkt->stream_index < kMaxStreams ? in.tsScale[pkt->stream_index] : 0.0;
    if (scale != 0.0) {
      if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = std::llrint(static_cast<double>(pkt->dts) * scale);
      if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = std::llrint(static_cast<double>(pkt->pts) * scale);
    }

    // 9. Discontinuities.
    if (pkt->dts != AV_NOPTS_VALUE && ist.nextPts != AV_NOPTS_VALUE) {
      const int64_t dtsUs = rescale(pkt->dts, tb, kMicros);
      const int64_t delta = subtractTimestamps(dtsUs, ist.nextPts);
      if ((std::llabs(delta) > dtsDeltaThresholdUs_ ||
           addTimestamps(dtsUs, 1) < ist.pts) &&
          !o_.copyTs) {
        in.tsOffset = subtractTimestamps(in.tsOffset, delta);
        if (o_.verbose >= 3)
          task_.logF(1, "timestamp discontinuity %lld, new offset= %lld", static_cast<long long>(delta),
                     static_cast<long long>(in.tsOffset));
        const int64_t d = rescale(delta, kMicros, tb);
        pkt->dts = subtractTimestamps(pkt->dts, d);
        if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = subtractTimestamps(pkt->pts, d);
      }
    }

    // 10. Process.
    if (!processPacket(ist, pkt)) {
      if (o_.verbose >= 0) task_.logF(1, "Error while decoding stream #%d.%d", ist.fileIndex, ist.streamIndex);
      libavcodec.av_packet_unref(pkt);
      continue;
    }
    libavcodec.av_packet_unref(pkt);

    // 12. Progress.
    const int64_t now = libavutil.av_gettime_relative();
    if (now - run_.lastProgress > task_.progressIntervalUs()) {
      run_.lastProgress = now;
      report(false);
    }
  }

  // Flush the decoders (and drain the encoders they feed).
  for (auto &ip : run_.ist)
    if (ip->decodingNeeded) processPacket(*ip, nullptr);
  // Encoders whose input never reached its end.
  for (auto &op : run_.ost) drain(*op);

  for (auto &of : ts_.outputFiles) {
    if (!of->headerWritten || of->trailerWritten) continue;
    const int ret = libavformat.av_write_trailer(of->ctx);
    if (ret < 0) throw EngineError(openErrorText(ret, "av_write_trailer()"));
    of->trailerWritten = true;
  }
  report(true);
  closeOpenedCodecs(task_);
  task_.setFinished(!task_.stopRequested());
}

}  // namespace

void runTranscodeLoop(TranscodeTask &task, TranscodeRun &run) { Loop(task, run).run(); }
