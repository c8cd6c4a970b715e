#include "transcode_audio.h"

#include <algorithm>
#include <cstring>

AVChannelLayout defaultLayout(int channels) {
  AVChannelLayout l{};
  libavutil.av_channel_layout_default(&l, channels);
  return l;
}

bool SampleConverter::configure(AVSampleFormat inFmt, int inChannels, int inRate, AVSampleFormat outFmt,
                                 int outChannels, int outRate) {
  if (ctx_ && inFmt == inFmt_ && inChannels == inChannels_ && inRate == inRate_ && outFmt == outFmt_ &&
      outChannels == outChannels_ && outRate == outRate_)
    return true;
  ctx_.reset();
  if (inChannels <= 0 || outChannels <= 0 || inRate <= 0 || outRate <= 0) return false;
  AVChannelLayout inLayout = defaultLayout(inChannels);
  AVChannelLayout outLayout = defaultLayout(outChannels);
  SwrContext *s = nullptr;
  if (libswresample.swr_alloc_set_opts2(&s, &outLayout, outFmt, outRate, &inLayout, inFmt, inRate, 0, nullptr) < 0 ||
      !s)
    return false;
  ctx_.reset(s);
  // Resample in floating point even between 16-bit formats: the integer
  // filter adds noise that the encoders then spend their time on.
  if (inRate != outRate) libavutil.av_opt_set_int(s, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
  if (libswresample.swr_init(s) < 0) {
    ctx_.reset();
    return false;
  }
  inFmt_ = inFmt;
  inChannels_ = inChannels;
  inRate_ = inRate;
  outFmt_ = outFmt;
  outChannels_ = outChannels;
  outRate_ = outRate;
  return true;
}

int SampleConverter::convert(uint8_t *const *out, int outCapacity, const uint8_t *const *in, int inSamples) {
  if (!ctx_) return AVERROR(EINVAL);
  return libswresample.swr_convert(ctx_.get(), const_cast<uint8_t **>(out), outCapacity,
                                   const_cast<const uint8_t **>(in), inSamples);
}

int SampleConverter::outSamples(int inSamples) const {
  if (!ctx_) return inSamples;
  const int n = libswresample.swr_get_out_samples(ctx_.get(), inSamples);
  return n < 0 ? inSamples : n + 16;
}

bool SampleConverter::setCompensation(int delta, int distance) {
  if (!ctx_) return false;
  return libswresample.swr_set_compensation(ctx_.get(), delta, distance) >= 0;
}

void ByteFifo::write(const uint8_t *data, size_t n) {
  if (n == 0) return;
  if (head_ > 0 && head_ >= buf_.size() / 2) {
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<ptrdiff_t>(head_));
    head_ = 0;
  }
  buf_.insert(buf_.end(), data, data + n);
}

void ByteFifo::read(uint8_t *dst, size_t n) {
  n = std::min(n, size());
  if (dst && n) std::memcpy(dst, data(), n);
  head_ += n;
  if (head_ == buf_.size()) clear();
}

void applyVolume(int16_t *samples, size_t count, int volume) {
  for (size_t i = 0; i < count; ++i) {
    // In 64 bits: "vol" has no upper bound.
    const int64_t v = (int64_t{samples[i]} * volume + 128) >> 8;
    samples[i] = static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767));
  }
}
