// The target presets ("vcd", "svcd", "dvd", "dv", "dv50"): each sets options
// through the typed setters, so that later options can still override them.
#include <cmath>

#include "binding.h"
#include "option_language.h"

namespace {

enum Norm { kPal = 0, kNtsc = 1, kFilm = 2 };

// A generic option of a preset; a null value stands for the norm's group of
// pictures (18 for NTSC and film, 15 for PAL).
struct PresetOption {
  const char *name;
  const char *value;
};

enum class PresetChannels { Keep, Stereo, MonoBecomesStereo };

struct TargetPreset {
  const char *type;
  const char *videoCodec;  // null: unchanged
  const char *audioCodec;  // null: unchanged
  const char *format;
  const char *ntscSize;    // also for film
  const char *palSize;
  PresetOption options[10];  // up to the first null name
  int sampleRate;
  PresetChannels channels;
  float muxPreload;         // seconds; 0: unchanged
  const char *aspect;       // applied when none is set; null: none
  const char *ntscPixelFormat;  // null: unchanged
  const char *palPixelFormat;
};

const TargetPreset kPresets[] = {
    {"vcd", "mpeg1video", "mp2", "vcd", "352x240", "352x288",
     {{"gop", nullptr}, {"b", "1150000"}, {"maxrate", "1150000"}, {"minrate", "1150000"}, {"bufsize", "327680"},
      {"ab", "224000"}, {"packetsize", "2324"}, {"muxrate", "1411200"}},
     44100, PresetChannels::Stereo, 0.44f, "4:3", nullptr, nullptr},
    {"svcd", "mpeg2video", "mp2", "svcd", "480x480", "480x576",
     {{"gop", nullptr}, {"b", "2040000"}, {"maxrate", "2516000"}, {"minrate", "0"}, {"bufsize", "1835008"},
      {"flags", "+SCAN_OFFSET"}, {"ab", "224000"}, {"packetsize", "2324"}},
     44100, PresetChannels::MonoBecomesStereo, 0.0f, "4:3", nullptr, nullptr},
    {"dvd", "mpeg2video", "ac3", "dvd", "720x480", "720x576",
     {{"gop", nullptr}, {"b", "6000000"}, {"maxrate", "9000000"}, {"minrate", "0"}, {"bufsize", "1835008"},
      {"packetsize", "2048"}, {"muxrate", "10080000"}, {"ab", "448000"}},
     48000, PresetChannels::MonoBecomesStereo, 0.0f, "16:9", nullptr, nullptr},
    {"dv", nullptr, nullptr, "dv", "720x480", "720x576", {}, 48000, PresetChannels::Stereo, 0.0f, nullptr,
     "yuv411p", "yuv420p"},
    {"dv50", nullptr, nullptr, "dv", "720x480", "720x576", {}, 48000, PresetChannels::Stereo, 0.0f, nullptr,
     "yuv422p", "yuv422p"},
};

// 25 fps is PAL; 29.97 and 23.976 fps are NTSC; -1 for other rates.
int normOfRate(AVRational r) {
  const long rate = std::lround(static_cast<double>(r.num) * 1000.0 / r.den);
  return rate == 25000 ? kPal : (rate == 29970 || rate == 23976) ? kNtsc : -1;
}

// The norm of the first video stream among the opened inputs whose rate
// tells one, or -1.
int normOfInputs(const std::vector<InputFile> &inputs) {
  for (const InputFile &in : inputs) {
    const AVFormatContext *ctx = in.ctx.get();
    if (!ctx) continue;
    for (unsigned s = 0; s < ctx->nb_streams; ++s) {
      const AVStream *st = ctx->streams[s];
      if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
      const AVRational r = st->r_frame_rate.num ? st->r_frame_rate : st->avg_frame_rate;
      if (r.num == 0 || r.den == 0) continue;
      const int norm = normOfRate(r);
      if (norm >= 0) return norm;
    }
  }
  return -1;
}

}  // namespace

int OptionLanguage::resolveNorm(const std::string &norm, const std::string &defaultNorm) {
  if (norm == "pal") return kPal;
  if (norm == "ntsc") return kNtsc;
  if (norm == "film") return kFilm;
  const AVRational fr = options_.videoFrameRate;
  if (fr.den == 0) throw EngineError("frame_rate is invalid.");
  int result = normOfRate(fr);
  if (result < 0) result = normOfInputs(host_.openedInputs());
  if (result < 0) result = defaultNorm == "film" ? kFilm : defaultNorm == "ntsc" ? kNtsc : kPal;
  if (options_.verbose > 0 && host_.hasLogSink()) logF(LogLevel::Info, "Assuming %s for target.", result == kPal ? "PAL" : "NTSC");
  return result;
}

void OptionLanguage::applyTarget(const std::string &type, const std::string &norm,
                                const std::string &defaultNorm) {
  const int n = resolveNorm(norm, defaultNorm);
  const TargetPreset *preset = nullptr;
  for (const TargetPreset &p : kPresets)
    if (type == p.type) preset = &p;
  if (!preset) throw EngineError("Unknown target type");

  static const char *const kRates[3] = {"25", "30000/1001", "24000/1001"};
  const bool ntsc = n != kPal;
  if (preset->videoCodec) setVideoCodec(preset->videoCodec);
  if (preset->audioCodec) setAudioCodec(preset->audioCodec);
  setOutputFormat(preset->format);
  setFrameSize(ntsc ? preset->ntscSize : preset->palSize);
  setFrameRate(kRates[n]);  // after the size
  for (const PresetOption &o : preset->options) {
    if (!o.name) break;
    if (o.value) setGenericOption(o.name, o.value);
    else setGenericOptionInt(o.name, ntsc ? 18 : 15);
  }
  if (const char *pixelFormat = ntsc ? preset->ntscPixelFormat : preset->palPixelFormat)
    options_.framePixFmt = libavutil.av_get_pix_fmt(pixelFormat);
  setAudioSampleRate(preset->sampleRate);
  if (preset->channels == PresetChannels::Stereo ||
      (preset->channels == PresetChannels::MonoBecomesStereo && options_.audioChannels == 1))
    setAudioChannels(2);
  if (preset->muxPreload > 0) options_.muxPreload = preset->muxPreload;
  if (preset->aspect && options_.frameAspectRatio == 0.0f) setAspect(preset->aspect);
}
