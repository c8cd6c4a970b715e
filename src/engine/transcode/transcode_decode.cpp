// Reading side of the loop: one input stream's packet is copied to the
// streams that copy it, decoded for those that transcode it, and its
// pictures and samples go to their output paths. Without a packet the
// stream's decoder is flushed and its encoders are drained.
#include <algorithm>
#include <chrono>
#include <thread>

#include "binding.h"
#include "input_file.h"
#include "option_state.h"
#include "timestamps.h"
#include "transcode_decode.h"

namespace {

constexpr AVRational kMicros{1, AV_TIME_BASE};

int64_t rescale(int64_t v, AVRational from, AVRational to) { return libavutil.av_rescale_q(v, from, to); }

// Whether a decoded frame at `framePts` is at or after the start position
// ("ss", within a millisecond). Decoded frames are judged by their own
// time, not by their packet's: the seek lands on the keyframe before the
// start, a decoder that holds frames back (threads, reordering) hands out
// earlier frames with later packets, and a cut is exact to a picture.
bool reachedStart(const TimingOptions &o, int64_t framePts) {
  return framePts == AV_NOPTS_VALUE || framePts >= subtractTimestamps(o.decodedFrom, 1000);
}

}  // namespace

bool InputDecoder::process(InputStreamRecord &ist, const AVPacket *pkt) {
  if (ist.nextPts == AV_NOPTS_VALUE) ist.nextPts = ist.pts;
  if (pkt && pkt->dts != AV_NOPTS_VALUE) ist.nextPts = ist.pts = rescale(pkt->dts, ist.st->time_base, kMicros);
  // Before the start position ("ss") nothing reaches the outputs.
  const bool deliver = !(c_.options.inputStartTime != 0 && ist.pts < c_.options.inputStartTime);
  if (pkt && deliver) outputs_.copyPacket(ist, pkt);
  if (!ist.decodingNeeded) {
    if (pkt) passOn(ist, pkt);
    return true;
  }
  const AVMediaType type = ist.st->codecpar->codec_type;
  if (type == AVMEDIA_TYPE_SUBTITLE) return decodeSubtitles(ist, pkt, deliver);
  if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO) return false;
  if (!decodeFrames(ist, pkt)) return false;
  if (!pkt) flushStream(ist, deliver);
  return true;
}

// A stream that is only copied: its clock advances by the packet's length.
void InputDecoder::passOn(InputStreamRecord &ist, const AVPacket *pkt) {
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
}

bool InputDecoder::decodeSubtitles(InputStreamRecord &ist, const AVPacket *pkt, bool deliver) {
  AVCodecContext *dec = ist.dec;
  AVPacket *sp = const_cast<AVPacket *>(pkt);
  if (!sp) {
    if (!(dec->codec->capabilities & AV_CODEC_CAP_DELAY)) return true;
    sp = c_.run.pkt.get();  // an empty packet asks for what is left
    libavcodec.av_packet_unref(sp);
  }
  for (;;) {
    AVSubtitle sub{};
    int got = 0;
    ist.pts = ist.nextPts;
    if (libavcodec.avcodec_decode_subtitle2(dec, &sub, &got, sp) < 0) return false;
    if (!got) break;
    if (deliver)
      outputs_.subtitle(ist, &sub);
    else
      libavcodec.avsubtitle_free(&sub);
    if (pkt) break;
  }
  return true;
}

// Sends the packet (null: the end of the stream) and takes every frame the
// decoder gives; false on a decoding error.
bool InputDecoder::decodeFrames(InputStreamRecord &ist, const AVPacket *pkt) {
  AVCodecContext *dec = ist.dec;
  const bool audio = ist.st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
  AVFrame *frame = c_.run.frame.get();
  bool sent = false;
  int idle = 0;
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
    if (audio) deliverSamples(ist, frame);
    else deliverPicture(ist, frame);
  }
  return true;
}

void InputDecoder::deliverSamples(InputStreamRecord &ist, AVFrame *frame) {
  int64_t srcPts = 0;
  int bytes = 0;
  const bool ok = decodeAudioFrame(ist, frame, srcPts, bytes);
  libavutil.av_frame_unref(frame);
  if (!ok) return;
  emulateRate(ist);
  if (reachedStart(c_.options, srcPts)) outputs_.samples(ist, c_.run.decodedAudio.data(), bytes, srcPts);
}

void InputDecoder::deliverPicture(InputStreamRecord &ist, AVFrame *frame) {
  ist.quality = static_cast<float>(frame->quality);
  int64_t frameDuration = 0;
  if (frame->pkt_duration > 0)
    frameDuration = rescale(frame->pkt_duration, ist.st->time_base, kMicros);
  else if (ist.dec->framerate.num > 0)
    frameDuration = rescale(1, av_inv_q(ist.dec->framerate), kMicros);
  else if (ist.st->avg_frame_rate.num > 0)
    frameDuration = rescale(1, av_inv_q(ist.st->avg_frame_rate), kMicros);
  int64_t srcPts = ist.pts;
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
    srcPts = rescale(frame->best_effort_timestamp, ist.st->time_base, kMicros);
  ist.nextPts = addTimestamps(ist.pts, frameDuration);
  emulateRate(ist);
  outputs_.picture(ist, frame, srcPts, reachedStart(c_.options, srcPts));
  libavutil.av_frame_unref(frame);
}

// At the end of the input: the samples the rate conversion still holds.
// (The encoders fed from the stream are drained by the driver, pictures
// first, once every input has ended.)
void InputDecoder::flushStream(InputStreamRecord &ist, bool deliver) {
  if (ist.st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) return;
  ist.pts = ist.nextPts;
  const int bytes = drainAudioConverter(ist);
  if (bytes > 0 && deliver) outputs_.samples(ist, c_.run.decodedAudio.data(), bytes, ist.pts);
}

// The decoded frame as interleaved 16-bit samples in run.decodedAudio, in
// the channels and rate its encoders want when they agree; the volume is
// applied here, once for all outputs.
bool InputDecoder::decodeAudioFrame(InputStreamRecord &ist, AVFrame *frame, int64_t &srcPts, int &bytes) {
  const int channels = frame->ch_layout.nb_channels;
  const int rate = frame->sample_rate;
  if (channels <= 0 || rate <= 0 || frame->nb_samples <= 0) return false;
  const int outChannels = ist.wantChannels > 0 ? ist.wantChannels : channels;
  const int outRate = ist.wantRate > 0 ? ist.wantRate : rate;
  if (!ist.toS16.configure(static_cast<AVSampleFormat>(frame->format), channels, rate, AV_SAMPLE_FMT_S16,
                           outChannels, outRate))
    return false;
  std::vector<uint8_t> &decoded = c_.run.decodedAudio;
  const int cap = ist.toS16.outSamples(frame->nb_samples);
  const size_t need = static_cast<size_t>(cap) * outChannels * 2;
  if (decoded.size() < need) decoded.resize(std::max(need, decoded.size() * 2));
  uint8_t *out[1] = {decoded.data()};
  const int got = ist.toS16.convert(out, cap, frame->extended_data, frame->nb_samples);
  if (got < 0) return false;
  ist.channels = outChannels;
  ist.sampleRate = outRate;
  bytes = got * outChannels * 2;
  srcPts = ist.pts;
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
    srcPts = ist.pts = rescale(frame->best_effort_timestamp, ist.st->time_base, kMicros);
  ist.nextPts = addTimestamps(ist.pts, libavutil.av_rescale(frame->nb_samples, AV_TIME_BASE, rate));
  if (c_.options.audioVolume != 256)
    applyVolume(reinterpret_cast<int16_t *>(decoded.data()), static_cast<size_t>(bytes) / 2, c_.options.audioVolume);
  return true;
}

// Samples the rate conversion still holds at the end of the input.
int InputDecoder::drainAudioConverter(InputStreamRecord &ist) {
  if (!ist.toS16.ready() || ist.channels <= 0) return 0;
  std::vector<uint8_t> &decoded = c_.run.decodedAudio;
  const int cap = ist.toS16.outSamples(0);
  const size_t need = static_cast<size_t>(cap) * ist.channels * 2;
  if (decoded.size() < need) decoded.resize(need);
  uint8_t *out[1] = {decoded.data()};
  const int got = ist.toS16.convert(out, cap, nullptr, 0);
  if (got <= 0) return 0;
  const int bytes = got * ist.channels * 2;
  if (c_.options.audioVolume != 256)
    applyVolume(reinterpret_cast<int16_t *>(decoded.data()), static_cast<size_t>(bytes) / 2, c_.options.audioVolume);
  return bytes;
}

// "re": reading is held back to the stream's own pace.
void InputDecoder::emulateRate(InputStreamRecord &ist) {
  if (!ist.in->rateEmu) return;
  if (ist.emuFirstPts == AV_NOPTS_VALUE) ist.emuFirstPts = ist.pts;
  const int64_t target = subtractTimestamps(ist.pts, ist.emuFirstPts);
  int64_t ahead = target - (libavutil.av_gettime_relative() - ist.emuStart);
  if (ahead <= 50000) return;
  // Waits in short steps, so a Stop is seen even across a long gap in the
  // time stamps.
  while (ahead > 0 && !c_.gate.stopRequested()) {
    std::this_thread::sleep_for(std::chrono::microseconds(std::min<int64_t>(ahead, 100000)));
    ahead = target - (libavutil.av_gettime_relative() - ist.emuStart);
  }
}
