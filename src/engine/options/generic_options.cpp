// The generic fall-back of the option language: a name the option table
// does not know is set on the libraries' own option tables (the codec,
// container and scaler defaults the task holds), or kept for the encoders
// and muxers that alone know it.
#include <strings.h>

#include <map>
#include <mutex>

#include "binding.h"
#include "option_values.h"
#include "option_language.h"

namespace {

enum : unsigned {
  kVideo = 1u << kVideoKind,
  kAudio = 1u << kAudioKind,
  kData = 1u << kDataKind,
  kSubtitle = 1u << kSubtitleKind,
  kAttachment = 1u << kAttachmentKind,
  kAllKinds = kVideo | kAudio | kData | kSubtitle | kAttachment,
};

struct OldName {
  const char *name;
  const char *now;
  unsigned kinds;  // stream kinds the name applied to
};

// "gop" is "g" today; the bit-rate family was video-only ("ab", "abt" are
// the audio forms), while today's names also reach the audio defaults.
const OldName kOldNames[] = {
    {"gop", "g", kAllKinds},      {"b", "b", kVideo},
    {"bt", "bt", kVideo},         {"maxrate", "maxrate", kVideo},
    {"minrate", "minrate", kVideo}, {"bufsize", "bufsize", kVideo},
};

// Which encoders (per kind) or muxers know `name` among their own options.
struct PrivateKinds {
  unsigned codecKinds = 0;
  bool muxer = false;
};

PrivateKinds privateOptionKinds(const std::string &name) {
  static std::mutex lock;
  static std::map<std::string, PrivateKinds> cache;
  std::lock_guard<std::mutex> g(lock);
  auto it = cache.find(name);
  if (it != cache.end()) return it->second;
  PrivateKinds k;
  void *opaque = nullptr;
  while (const AVCodec *c = libavcodec.av_codec_iterate(&opaque)) {
    if (!c->priv_class || !libavcodec.av_codec_is_encoder(c)) continue;
    const AVClass *cls = c->priv_class;
    if (!libavutil.av_opt_find(&cls, name.c_str(), nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ)) continue;
    if (c->type == AVMEDIA_TYPE_VIDEO) k.codecKinds |= kVideo;
    else if (c->type == AVMEDIA_TYPE_AUDIO) k.codecKinds |= kAudio;
    else if (c->type == AVMEDIA_TYPE_SUBTITLE) k.codecKinds |= kSubtitle;
  }
  opaque = nullptr;
  while (const AVOutputFormat *f = libavformat.av_muxer_iterate(&opaque)) {
    if (!f->priv_class) continue;
    const AVClass *cls = f->priv_class;
    if (libavutil.av_opt_find(&cls, name.c_str(), nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ)) {
      k.muxer = true;
      break;
    }
  }
  cache[name] = k;
  return k;
}

bool equalsNoCase(const std::string &a, const char *b) { return strcasecmp(a.c_str(), b) == 0; }

// A name and value as the libraries know them today, and the stream kinds
// the name applies to.
struct LibraryOption {
  std::string name;
  std::string value;
  unsigned kinds = kAllKinds;
};

LibraryOption currentOption(const std::string &name, const std::string &value) {
  LibraryOption option{name, value, kAllKinds};
  for (const OldName &o : kOldNames) {
    if (name == o.name) {
      option.name = o.now;
      option.kinds = o.kinds;
      break;
    }
  }
  // The SVCD scan-offset flag is an option of the MPEG-2 encoder today.
  if (option.name == "flags" && (equalsNoCase(value, "+SCAN_OFFSET") || equalsNoCase(value, "SCAN_OFFSET"))) {
    option.name = "scan_offset";
    option.value = "1";
  }
  return option;
}

// Sets `optionName` on `target` when it has such an option that takes the
// value; returns the library's name of the option, or null.
const char *setOn(void *target, const std::string &optionName, const std::string &value) {
  if (!target) return nullptr;
  const AVOption *o = libavutil.av_opt_find(target, optionName.c_str(), nullptr, 0, 0);
  if (o && libavutil.av_opt_set(target, optionName.c_str(), value.c_str(), 0) >= 0) return o->name;
  return nullptr;
}

// The codec defaults of every kind the option belongs to; the last kind that
// took it names it.
const char *setOnCodecDefaults(LibraryOptions &options, const LibraryOption &option) {
  static const int kKindFlags[kStreamKindCount] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                                   AV_OPT_FLAG_SUBTITLE_PARAM, 0};
  AVCodecContext *videoDefaults = options.codecDefaults[kVideoKind].get();
  const char *set = nullptr;
  for (int k = 0; k < kStreamKindCount; ++k) {
    if (!(option.kinds & (1u << k))) continue;
    const AVOption *o = libavutil.av_opt_find(videoDefaults, option.name.c_str(), nullptr, kKindFlags[k], 0);
    if (o && libavutil.av_opt_set(options.codecDefaults[k].get(), option.name.c_str(), option.value.c_str(), 0) >= 0)
      set = o->name;
  }
  return set;
}

// After the codec defaults: the container's, the scaler's, then a name with
// a stream prefix ("ab", "vb", "sx") on the defaults of that kind.
const char *setOnOtherDefaults(LibraryOptions &options, const LibraryOption &option) {
  if (const char *set = setOn(options.formatDefaults.get(), option.name, option.value)) return set;
  if (const char *set = setOn(options.swsDefaults.get(), option.name, option.value)) return set;
  const std::string &name = option.name;
  if (name.size() > 1 && (name[0] == 'a' || name[0] == 'v' || name[0] == 's')) {
    const StreamKind k = name[0] == 'a' ? kAudioKind : name[0] == 'v' ? kVideoKind : kSubtitleKind;
    return setOn(options.codecDefaults[k].get(), name.substr(1), option.value);
  }
  return nullptr;
}

// Options that only particular encoders or muxers know are kept for them
// and handed over when they open. Returns whether any of them knows it.
bool keepPrivateOption(LibraryOptions &options, const LibraryOption &option) {
  const PrivateKinds p = privateOptionKinds(option.name);
  bool kept = false;
  for (int k : {kVideoKind, kAudioKind, kSubtitleKind}) {
    if (p.codecKinds & option.kinds & (1u << k)) {
      libavutil.av_dict_set(options.codecPrivateOptions[k].slot(), option.name.c_str(), option.value.c_str(), 0);
      kept = true;
    }
  }
  if (p.muxer) {
    libavutil.av_dict_set(options.formatPrivateOptions.slot(), option.name.c_str(), option.value.c_str(), 0);
    kept = true;
  }
  return kept;
}

}  // namespace

bool OptionLanguage::setGenericOption(const std::string &givenName, const std::string &givenValue) {
  if (isBlankText(givenName) || isBlankText(givenValue)) return false;
  if (!librariesLoaded() || !options_.codecDefaults[kVideoKind]) return false;
  const LibraryOption option = currentOption(givenName, givenValue);
  const char *libraryName = setOnCodecDefaults(options_, option);
  if (!libraryName) libraryName = setOnOtherDefaults(options_, option);
  if (!libraryName) return keepPrivateOption(options_, option);

  // The openings copy exactly the options named here out of the defaults.
  bool known = false;
  for (const auto &n : options_.setOptionNames) known = known || n == libraryName;
  if (!known) options_.setOptionNames.push_back(libraryName);
  const AVCodecContext *videoDefaults = options_.codecDefaults[kVideoKind].get();
  if (videoDefaults->debug != 0 || (options_.formatDefaults && options_.formatDefaults->debug != 0))
    setVerbosity(2);
  return true;
}

bool OptionLanguage::setGenericOptionInt(const std::string &name, int64_t value) {
  return setGenericOption(name, std::to_string(value));
}

void OptionLanguage::setBitRateOption(const std::string &name, const std::string &value) {
  if (!setGenericOption(name, value) || !host_.hasLogSink()) return;
  const StreamKind k = !name.empty() && name[0] == 'a' ? kAudioKind : kVideoKind;
  int64_t b = 0;
  if (options_.codecDefaults[k] &&
      libavutil.av_opt_get_int(options_.codecDefaults[k].get(), "b", 0, &b) >= 0 && b < 1000)
    host_.log(LogLevel::Info, "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}
