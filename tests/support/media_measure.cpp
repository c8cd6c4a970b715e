#include "media_measure.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "media_decoder.h"
#include "media_fixture.h"
#include "test_env.h"

namespace {

struct SwrFree {
  void operator()(SwrContext *s) const {
    if (s) libswresample.swr_free(&s);
  }
};

int swsColorspace(AVColorSpace space) {
  switch (space) {
    case AVCOL_SPC_BT709: return SWS_CS_ITU709;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: return SWS_CS_BT2020;
    case AVCOL_SPC_SMPTE240M: return SWS_CS_SMPTE240M;
    case AVCOL_SPC_FCC: return SWS_CS_FCC;
    default: return SWS_CS_DEFAULT;
  }
}

bool fullRangeFormat(AVPixelFormat f) {
  return f == AV_PIX_FMT_YUVJ420P || f == AV_PIX_FMT_YUVJ422P || f == AV_PIX_FMT_YUVJ444P ||
         f == AV_PIX_FMT_YUVJ440P || f == AV_PIX_FMT_YUVJ411P;
}

}  // namespace

std::vector<RgbPicture> decodePictures(const std::string &path, int maxPictures) {
  std::vector<RgbPicture> pictures;
  MediaDecoder d;
  if (!d.open(path, AVMEDIA_TYPE_VIDEO).empty()) return pictures;
  SwsContextPtr sws;
  d.run([&](AVFrame *f) {
    const auto fmt = static_cast<AVPixelFormat>(f->format);
    sws.reset(libswscale.sws_getCachedContext(sws.release(), f->width, f->height, fmt, f->width, f->height,
                                              AV_PIX_FMT_RGB24,
                                              SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                              nullptr, nullptr));
    if (!sws) return false;
    const int srcRange = f->color_range == AVCOL_RANGE_JPEG || fullRangeFormat(fmt) ? 1 : 0;
    libswscale.sws_setColorspaceDetails(sws.get(), libswscale.sws_getCoefficients(swsColorspace(f->colorspace)),
                                        srcRange, libswscale.sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16,
                                        1 << 16);
    RgbPicture p;
    p.width = f->width;
    p.height = f->height;
    p.time = d.timeOf(f);
    p.pixels.resize(static_cast<size_t>(p.width) * p.height * 3);
    uint8_t *dst[4] = {p.pixels.data(), nullptr, nullptr, nullptr};
    int lines[4] = {p.width * 3, 0, 0, 0};
    libswscale.sws_scale(sws.get(), f->data, f->linesize, 0, f->height, dst, lines);
    pictures.push_back(std::move(p));
    return maxPictures < 0 || static_cast<int>(pictures.size()) < maxPictures;
  });
  return pictures;
}

std::vector<RgbPicture> everyNthPicture(const std::string &path, int step) {
  std::vector<RgbPicture> pictures;
  int n = 0;
  decodeVideoRGB(path, [&](const uint8_t *rgb, int width, int height, int linesize, double time) {
    if (n++ % step) return;
    RgbPicture p{width, height, time, {}};
    for (int y = 0; y < height; ++y)
      p.pixels.insert(p.pixels.end(), rgb + y * linesize, rgb + y * linesize + width * 3);
    pictures.push_back(std::move(p));
  });
  return pictures;
}

RgbPicture turnPicture(const RgbPicture &in, int rotationCw, bool mirrored) {
  const int turns = ((rotationCw / 90) % 4 + 4) % 4;
  RgbPicture out;
  out.time = in.time;
  out.width = turns % 2 ? in.height : in.width;
  out.height = turns % 2 ? in.width : in.height;
  out.pixels.resize(in.pixels.size());
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      // The displayed point (x, y) before the mirror...
      const int ux = mirrored ? out.width - 1 - x : x;
      // ... comes from this point of the coded picture.
      int sx = 0, sy = 0;
      switch (turns) {
        case 0: sx = ux, sy = y; break;
        case 1: sx = y, sy = in.height - 1 - ux; break;                   // clockwise
        case 2: sx = in.width - 1 - ux, sy = in.height - 1 - y; break;
        case 3: sx = in.width - 1 - y, sy = ux; break;                    // counter-clockwise
      }
      std::copy_n(in.at(sx, sy), 3, out.pixels.data() + (static_cast<size_t>(y) * out.width + x) * 3);
    }
  return out;
}

double picturePsnr(const RgbPicture &a, const RgbPicture &b) {
  if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size() || a.pixels.empty())
    return -1.0;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    const double d = static_cast<double>(a.pixels[i]) - b.pixels[i];
    sum += d * d;
  }
  const double mse = sum / static_cast<double>(a.pixels.size());
  return mse <= 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

MeanColor meanColor(const RgbPicture &p, int cx, int cy, int w, int h) {
  MeanColor m;
  int n = 0;
  for (int y = std::max(0, cy - h / 2); y < std::min(p.height, cy - h / 2 + h); ++y)
    for (int x = std::max(0, cx - w / 2); x < std::min(p.width, cx - w / 2 + w); ++x) {
      const uint8_t *px = p.at(x, y);
      m.r += px[0];
      m.g += px[1];
      m.b += px[2];
      ++n;
    }
  if (n > 0) {
    m.r /= n;
    m.g /= n;
    m.b /= n;
  }
  return m;
}

namespace {

// The decoded samples of the first audio stream, interleaved in `format`
// (float or 16-bit), with the time of the first one.
template <typename Sample>
struct DecodedSound {
  std::string error;  // the file or its decoder could not be opened
  bool decoded = false;
  std::vector<Sample> samples;
  int channels = 0, rate = 0;
  int64_t firstTs = AV_NOPTS_VALUE;
  double start = 0;
};

template <typename Sample>
DecodedSound<Sample> decodeSound(const std::string &path, AVSampleFormat format) {
  DecodedSound<Sample> s;
  MediaDecoder d;
  if (!(s.error = d.open(path, AVMEDIA_TYPE_AUDIO)).empty()) return s;
  s.channels = d.decoder->ch_layout.nb_channels;
  s.rate = d.decoder->sample_rate;
  std::unique_ptr<SwrContext, SwrFree> swr;
  d.run([&](AVFrame *f) {
    if (!s.decoded) {
      s.firstTs = f->best_effort_timestamp;
      s.start = d.timeOf(f);
      s.channels = f->ch_layout.nb_channels;
      s.rate = f->sample_rate;
      SwrContext *raw = nullptr;
      AVChannelLayout layout{};
      libavutil.av_channel_layout_default(&layout, s.channels);
      if (libswresample.swr_alloc_set_opts2(&raw, &layout, format, s.rate, &layout,
                                            static_cast<AVSampleFormat>(f->format), s.rate, 0, nullptr) < 0)
        return false;
      swr.reset(raw);
      if (libswresample.swr_init(raw) < 0) return false;
      s.decoded = true;
    }
    const size_t at = s.samples.size();
    s.samples.resize(at + static_cast<size_t>(f->nb_samples) * s.channels);
    uint8_t *out[1] = {reinterpret_cast<uint8_t *>(s.samples.data() + at)};
    const int got = libswresample.swr_convert(swr.get(), out, f->nb_samples,
                                              const_cast<const uint8_t **>(f->extended_data), f->nb_samples);
    s.samples.resize(at + static_cast<size_t>(std::max(got, 0)) * s.channels);
    return true;
  });
  return s;
}

}  // namespace

SoundOnset measureSoundOnset(const std::string &path, double thresholdDbfs) {
  SoundOnset r;
  const auto sound = decodeSound<float>(path, AV_SAMPLE_FMT_FLT);
  if (!sound.error.empty() || !sound.decoded) {
    r.error = sound.error.empty() ? "no sound decoded" : sound.error;
    return r;
  }
  MediaDecoder video;
  if (video.open(path, AVMEDIA_TYPE_VIDEO).empty()) {
    bool found = false;
    video.run([&](AVFrame *f) {
      r.videoStart = video.timeOf(f);
      found = true;
      return false;
    });
    if (!found) {
      r.error = "no picture decoded";
      return r;
    }
  }
  const double level = std::pow(10.0, thresholdDbfs / 20.0);
  r.audioStart = sound.start;
  for (size_t i = 0; i < sound.samples.size(); ++i) {
    if (std::fabs(sound.samples[i]) > level) {
      r.onset = sound.start + static_cast<double>(i / static_cast<size_t>(sound.channels)) / sound.rate;
      r.ok = true;
      return r;
    }
  }
  r.error = "the sound never rises above the threshold";
  return r;
}

namespace {

// The power of `hz` in `samples` (one channel, `stride` apart), by the
// Goertzel recurrence.
double tonePower(const std::vector<float> &samples, size_t first, size_t count, size_t stride, int rate, double hz) {
  const double k = 2.0 * std::cos(2.0 * M_PI * hz / rate);
  double s1 = 0, s2 = 0;
  for (size_t i = 0; i < count; ++i) {
    const double s0 = samples[(first + i) * stride] + k * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return s1 * s1 + s2 * s2 - k * s1 * s2;
}

}  // namespace

double dominantFrequency(const std::string &path) {
  const auto sound = decodeSound<float>(path, AV_SAMPLE_FMT_FLT);
  if (!sound.error.empty() || !sound.decoded || sound.channels <= 0 || sound.rate <= 0) return 0.0;
  const size_t stride = static_cast<size_t>(sound.channels);
  const size_t frames = sound.samples.size() / stride;
  size_t first = 0, last = frames;
  while (first < frames && std::fabs(sound.samples[first * stride]) < 0.05f) ++first;
  while (last > first && std::fabs(sound.samples[(last - 1) * stride]) < 0.05f) --last;
  if (last - first < 1024) return 0.0;
  // Up to 16384 samples from the middle of the sound.
  const size_t count = std::min<size_t>(16384, last - first);
  const size_t from = first + (last - first - count) / 2;
  double best = 0, bestPower = -1;
  for (double hz = 50; hz <= std::min(4000.0, sound.rate / 2.0); hz += 5) {
    const double power = tonePower(sound.samples, from, count, stride, sound.rate, hz);
    if (power > bestPower) {
      bestPower = power;
      best = hz;
    }
  }
  for (double hz = best - 5; hz <= best + 5; hz += 0.25) {
    const double power = tonePower(sound.samples, from, count, stride, sound.rate, hz);
    if (power > bestPower) {
      bestPower = power;
      best = hz;
    }
  }
  return best;
}

bool decodeAudioS16(const std::string &path, std::vector<int16_t> &samples, int &channels, int &rate,
                    double *firstPts) {
  requireLibraries();
  DecodedSound<int16_t> sound = decodeSound<int16_t>(path, AV_SAMPLE_FMT_S16);
  samples = std::move(sound.samples);
  if (!sound.error.empty()) return false;
  channels = sound.channels;
  rate = sound.rate;
  if (firstPts && sound.firstTs != AV_NOPTS_VALUE) *firstPts = sound.start;
  return true;
}
