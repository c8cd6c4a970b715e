// The audio path of an output stream: a chunk of decoded 16-bit samples is
// kept in step with its time stamp ("async"), converted to the encoder's
// channels and rate, queued in the stream's fifo and encoded frame by frame.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "binding.h"
#include "option_state.h"
#include "text_format.h"
#include "timestamps.h"
#include "transcode_audio_out.h"
#include "transcode_writer.h"

namespace {

// The largest chunk that silence may grow a chunk to, in bytes.
constexpr int64_t kMaxPaddedChunk = 131072;

int channelsOf(const AVCodecContext *enc) { return enc->ch_layout.nb_channels; }

}  // namespace

bool AudioOutput::needsResampling(const OutputStreamRecord &ost, const InputStreamRecord &ist) const {
  return ist.channels != channelsOf(ost.enc) || ist.sampleRate != ost.enc->sample_rate ||
         c_.options.audioSyncMethod >= 2;
}

void AudioOutput::write(OutputStreamRecord &ost, InputStreamRecord &ist, const uint8_t *buf, int size,
                        int64_t srcPts) {
  const int decCh = ist.channels, decRate = ist.sampleRate;
  const int encCh = channelsOf(ost.enc), encRate = ost.enc->sample_rate;
  if (decCh <= 0 || decRate <= 0 || encCh <= 0 || encRate <= 0) return;
  if (needsResampling(ost, ist) &&
      !ost.resampler.configure(AV_SAMPLE_FMT_S16, decCh, decRate, AV_SAMPLE_FMT_S16, encCh, encRate))
    throw EngineError(
        formatText("Can not resample %d channels @ %d Hz to %d channels @ %d Hz", decCh, decRate, encCh, encRate));
  Chunk chunk{buf, size};
  if (!syncChunk(ost, ist, chunk, srcPts)) return;
  if (!resampleChunk(ost, ist, chunk)) return;
  limitToRecordingTime(ost, chunk);
  if (chunk.size <= 0) return;
  ost.fifo.write(chunk.data, static_cast<size_t>(chunk.size));
  encodeQueued(ost);
}

// With "async", a chunk that starts later than the samples written so far
// end gets silence in front, one that starts earlier loses its head; a
// small drift is compensated by the resampler instead (async 2 and more).
// Without, the stream's clock follows the time stamps. False when nothing
// of the chunk is left.
bool AudioOutput::syncChunk(OutputStreamRecord &ost, InputStreamRecord &ist, Chunk &chunk, int64_t srcPts) {
  const OptionState &o = c_.options;
  const int encRate = ost.enc->sample_rate;
  const int encFrameBytes = channelsOf(ost.enc) * 2;
  const double srcSec = static_cast<double>(subtractTimestamps(srcPts, o.inputStartTime)) / AV_TIME_BASE;
  if (!o.audioSyncMethod) {
    ost.syncPts = std::llrint(srcSec * encRate) - static_cast<int64_t>(ost.fifo.size() / encFrameBytes);
    return true;
  }
  const double delta =
      srcSec * encRate - static_cast<double>(ost.syncPts) - static_cast<double>(ost.fifo.size()) / encFrameBytes;
  if (std::fabs(delta) <= 50) return true;
  if (ist.isStart || std::fabs(delta) > o.audioDriftThreshold * encRate) {
    const int64_t byteDelta = static_cast<int64_t>(delta * ist.sampleRate / encRate) * 2 * ist.channels;
    padOrTrim(ist, chunk, delta, byteDelta);
    return chunk.size > 0 || byteDelta >= 0;
  }
  if (o.audioSyncMethod > 1) {
    const int comp = static_cast<int>(std::clamp<double>(delta, -o.audioSyncMethod, o.audioSyncMethod));
    ost.resampler.setCompensation(comp, encRate);
    if (o.verbose > 2)
      c_.log.logF(LogLevel::Info, "compensating audio timestamp drift:%f compensation:%d in:%d", delta, comp, encRate);
  }
  return true;
}

void AudioOutput::padOrTrim(InputStreamRecord &ist, Chunk &chunk, double delta, int64_t byteDelta) {
  const bool talk = c_.options.verbose > 2;
  if (byteDelta < 0) {
    const int64_t drop = std::min<int64_t>(-byteDelta, chunk.size);
    chunk.data += drop;
    chunk.size -= drop;
    ist.isStart = false;
    if (talk) c_.log.logF(LogLevel::Info, "discarding %d audio samples", static_cast<int>(-delta));
  } else if (byteDelta > 0) {
    int64_t add = byteDelta;
    bool limited = false;
    if (add + chunk.size > kMaxPaddedChunk) {
      add = std::max<int64_t>(0, kMaxPaddedChunk - chunk.size);
      add -= add % (2 * ist.channels);
      limited = true;
    }
    std::vector<uint8_t> &silence = c_.run.silence;
    silence.assign(static_cast<size_t>(add), 0);
    silence.insert(silence.end(), chunk.data, chunk.data + chunk.size);
    chunk.data = silence.data();
    chunk.size = static_cast<int64_t>(silence.size());
    if (!limited) ist.isStart = false;
    if (talk) c_.log.logF(LogLevel::Info, "adding %d audio samples of silence", static_cast<int>(delta));
  }
}

// Into the encoder's channels and rate; false when the conversion failed.
bool AudioOutput::resampleChunk(OutputStreamRecord &ost, const InputStreamRecord &ist, Chunk &chunk) {
  if (!needsResampling(ost, ist)) return true;
  const int encFrameBytes = channelsOf(ost.enc) * 2;
  const int inSamples = static_cast<int>(chunk.size / (2 * ist.channels));
  const int cap = ost.resampler.outSamples(inSamples);
  const size_t need = static_cast<size_t>(cap) * encFrameBytes;
  std::vector<uint8_t> &resampled = c_.run.resampled;
  if (resampled.size() < need) resampled.resize(need);
  uint8_t *out[1] = {resampled.data()};
  const uint8_t *in[1] = {chunk.data};
  const int got = ost.resampler.convert(out, cap, in, inSamples);
  if (got < 0) return false;
  chunk.data = resampled.data();
  chunk.size = static_cast<int64_t>(got) * encFrameBytes;
  return true;
}

// Nothing beyond the recording time.
void AudioOutput::limitToRecordingTime(const OutputStreamRecord &ost, Chunk &chunk) const {
  const int64_t recordingTime = c_.options.recordingTime;
  if (recordingTime == std::numeric_limits<int64_t>::max()) return;
  const int encFrameBytes = channelsOf(ost.enc) * 2;
  const int64_t limit = libavutil.av_rescale(recordingTime, ost.enc->sample_rate, AV_TIME_BASE);
  const int64_t have = ost.syncPts + static_cast<int64_t>(ost.fifo.size() / encFrameBytes);
  const int64_t room = std::max<int64_t>(0, limit - have) * encFrameBytes;
  chunk.size = std::min(chunk.size, room);
}

// Encoders with a fixed frame size take whole frames out of the fifo;
// others (raw audio) take all of it at once.
void AudioOutput::encodeQueued(OutputStreamRecord &ost) {
  const AVCodecContext *enc = ost.enc;
  const size_t encFrameBytes = static_cast<size_t>(channelsOf(enc)) * 2;
  const bool fixedFrames = enc->frame_size > 1 && !(enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
  if (fixedFrames) {
    const size_t frameBytes = static_cast<size_t>(enc->frame_size) * encFrameBytes;
    while (ost.fifo.size() >= frameBytes) {
      encodeFrame(ost, ost.fifo.data(), enc->frame_size);
      ost.fifo.read(nullptr, frameBytes);
    }
    return;
  }
  const int samples = static_cast<int>(ost.fifo.size() / encFrameBytes);
  if (samples > 0) {
    encodeFrame(ost, ost.fifo.data(), samples);
    ost.fifo.read(nullptr, static_cast<size_t>(samples) * encFrameBytes);
  }
}

void AudioOutput::encodeFrame(OutputStreamRecord &ost, const uint8_t *s16, int samples) {
  AVCodecContext *enc = ost.enc;
  const int channels = channelsOf(enc);
  AVFrame *f = c_.run.encFrame.get();
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
  // Never a time stamp before the end of the previous frame.
  int64_t pts = ost.syncPts;
  if (ost.nextAudioPts != AV_NOPTS_VALUE && pts < ost.nextAudioPts) pts = ost.nextAudioPts;
  f->pts = pts;
  ost.nextAudioPts = pts + samples;
  if (writer_.encodeAndWrite(ost, f) < 0) throw EngineError("Audio encoding failed");
  libavutil.av_frame_unref(f);
  ost.syncPts += samples;
  ++ost.frameNumber;
}

// Silence that lets the sound end with the pictures when it stops just
// short of them: the frame-rate sync may run a picture ahead of the
// source, and the last audio frame rounds.
void AudioOutput::fillUpTo(OutputStreamRecord &ost, const PictureEnd &pictures) {
  const AVCodecContext *enc = ost.enc;
  if (pictures.end <= 0 || c_.gate.stopRequested() || enc->sample_rate <= 0) return;
  const size_t sampleBytes = static_cast<size_t>(channelsOf(enc)) * 2;
  const int64_t end = ost.syncPts + static_cast<int64_t>(ost.fifo.size() / sampleBytes);
  const int64_t target = std::llrint(pictures.end * enc->sample_rate);
  const int64_t reach = std::max(enc->frame_size, 1) + std::llrint(pictures.period * enc->sample_rate);
  if (target <= end || target - end > reach) return;
  std::vector<uint8_t> &silence = c_.run.silence;
  silence.assign(static_cast<size_t>(target - end) * sampleBytes, 0);
  ost.fifo.write(silence.data(), silence.size());
  encodeQueued(ost);
}

void AudioOutput::drain(OutputStreamRecord &ost, const PictureEnd &pictures) {
  fillUpTo(ost, pictures);
  const AVCodecContext *enc = ost.enc;
  const size_t sampleBytes = static_cast<size_t>(channelsOf(enc)) * 2;
  const int left = static_cast<int>(ost.fifo.size() / sampleBytes);
  if (left > 0) {
    if (enc->codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) {
      encodeFrame(ost, ost.fifo.data(), left);
    } else if (enc->frame_size > left) {
      // The last partial frame, filled up with silence rather than lost.
      std::vector<uint8_t> &frame = c_.run.silence;
      frame.assign(ost.fifo.data(), ost.fifo.data() + static_cast<size_t>(left) * sampleBytes);
      frame.resize(static_cast<size_t>(enc->frame_size) * sampleBytes, 0);
      encodeFrame(ost, frame.data(), enc->frame_size);
    }
  }
  ost.fifo.clear();
  ost.drained = true;
  if (writer_.encodeAndWrite(ost, nullptr) < 0) throw EngineError("Audio encoding failed");
}
