// Audio helpers of the transcode: sample-format conversion and resampling
// around the internal format (interleaved signed 16-bit samples), the byte
// queue of an output stream, and the volume change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "av_ptr.h"

struct SwrContextDeleter {
  void operator()(SwrContext *c) const {
    if (c && librariesLoaded()) libswresample.swr_free(&c);
  }
};
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;

// The default channel layout for a channel count (used for layouts of
// unknown order too).
AVChannelLayout defaultLayout(int channels);

// One libswresample context, rebuilt only when its parameters change.
class SampleConverter {
 public:
  // Returns false when no converter can be made for these parameters.
  bool configure(AVSampleFormat inFmt, int inChannels, int inRate, AVSampleFormat outFmt, int outChannels,
                 int outRate);
  // Converts `inSamples` samples; returns the number of output samples or a
  // negative error. `out` must hold `outCapacity` samples per channel.
  int convert(uint8_t *const *out, int outCapacity, const uint8_t *const *in, int inSamples);
  // Upper bound of the output samples for `inSamples` input samples.
  int outSamples(int inSamples) const;
  // Stretches or squeezes the output by `delta` samples over `distance`.
  bool setCompensation(int delta, int distance);
  bool ready() const { return ctx_ != nullptr; }
  void reset() { ctx_.reset(); }

 private:
  SwrContextPtr ctx_;
  AVSampleFormat inFmt_ = AV_SAMPLE_FMT_NONE, outFmt_ = AV_SAMPLE_FMT_NONE;
  int inChannels_ = 0, inRate_ = 0, outChannels_ = 0, outRate_ = 0;
};

// A queue of bytes; storage grows as needed and is reused.
class ByteFifo {
 public:
  explicit ByteFifo(size_t initial = 1024) { buf_.reserve(initial); }
  size_t size() const { return buf_.size() - head_; }
  const uint8_t *data() const { return buf_.data() + head_; }
  void write(const uint8_t *data, size_t n);
  // Removes `n` bytes from the front (copied to `dst` when given).
  void read(uint8_t *dst, size_t n);
  void clear() {
    buf_.clear();
    head_ = 0;
  }

 private:
  std::vector<uint8_t> buf_;
  size_t head_ = 0;
};

// Every 16-bit sample becomes (sample * volume + 128) >> 8, clipped.
void applyVolume(int16_t *samples, size_t count, int volume);
