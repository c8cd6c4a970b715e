#include "codec_mapping.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <iterator>
#include <span>
#include <utility>
#include <vector>

#include "catalog.h"
#include "encoder_table.h"
#include "option_sets.h"

namespace {

std::string lower(std::string_view s) {
  std::string r(s);
  std::transform(r.begin(), r.end(), r.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return r;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

struct NameMap {
  std::string_view from;
  std::string_view to;
};

// Video encoders known to every rule; the generic rule knows two more.
constexpr NameMap kVideoAll[] = {
    {"mpeg4", "mpeg4"},
    {"h264", "libx264"},
    {"xvid", "libxvid"},
};
constexpr NameMap kVideoGenericOnly[] = {
    {"wmv2x", "wmv2"},
    {"mpeg4_qt", "mpeg4"},
};
constexpr NameMap kAudioGeneric[] = {
    {"aac", "libfaac"},     {"ac3", "ac3"},        {"flac", "flac"},
    {"asf", "mp3"},         {"mp3", "libmp3lame"}, {"m4a", "mpeg4aac"},
    {"mpeg4aac", "libfaac"}, {"ra", "ac3"},        {"wma7x", "wmav2"},
    {"wav", "pcm_s16le"},   {"mpeg4aac_qt", "libfaac"}, {"amr_nb", "libamr_nb"},
};

// One replacement: the result is not looked up again.
template <size_t N>
bool replace(std::string &name, const NameMap (&table)[N]) {
  for (const NameMap &m : table) {
    if (name == m.from) {
      name = std::string(m.to);
      return true;
    }
  }
  return false;
}

std::string videoEncoder(std::string_view label, bool generic) {
  std::string name = lower(label);
  if (!replace(name, kVideoAll) && generic) replace(name, kVideoGenericOnly);
  return name;
}

std::string audioEncoder(std::string_view label) {
  std::string name = lower(label);
  replace(name, kAudioGeneric);
  return name;
}

// Output formats that carry no video stream.
bool isNoVideoFormat(std::string_view outputType) {
  static constexpr std::string_view kNoVideo[] = {"aac", "ac3", "au",  "mp2", "mp3", "wav",
                                                  "wma", "ra",  "m4a", "ogg", "amr"};
  const std::string t = lower(outputType);
  return std::find(std::begin(kNoVideo), std::end(kNoVideo), t) != std::end(kNoVideo);
}

// The item of the profile's list that `combo` selects: the one whose label
// is the selected text; nullptr when nothing is selected. Raises
// SettingLabelError for a text that is no item of the profile's list.
template <typename T>
const T *selectedItem(const ChoiceList &combo, std::span<const T> items) {
  if (combo.itemIndex < 0 || combo.itemIndex >= static_cast<int>(combo.items.size())) return nullptr;
  const std::string &text = combo.items[static_cast<size_t>(combo.itemIndex)];
  const std::vector<std::string> labels = itemLabels(items);
  const auto found = std::find(labels.begin(), labels.end(), text);
  if (found == labels.end()) throw SettingLabelError("'" + text + "' is not one of the choices of this profile");
  return &items[static_cast<size_t>(found - labels.begin())];
}

const Quantity &required(const Quantity *item, const char *what) {
  if (!item) throw SettingLabelError(std::string("no ") + what + " is chosen");
  return *item;
}

// The values that the choices select from a profile's option set, read in
// the order video bit rate, audio bit rate, sample rate (the first missing
// one is the one reported), before anything is written.
struct Selection {
  std::string videoCodec, audioCodec, channels;
  const PictureSize *size = nullptr;
  const Quantity *videoRate = nullptr;
  const FrameRate *frameRate = nullptr;
  const Quantity *audioRate = nullptr;
  const Quantity *sampleRate = nullptr;
};

Selection selectionOf(const OptionSet &set, const ProfileChoices &c) {
  Selection s;
  s.videoRate = selectedItem(c.comboVideoBitrate, set.videoBitrates.items);
  s.audioRate = selectedItem(c.comboAudioBitrate, set.audioBitrates.items);
  s.sampleRate = selectedItem(c.comboSamplingRate, set.sampleRates.items);
  s.size = selectedItem(c.comboVideoSize, set.sizes.items);
  s.frameRate = selectedItem(c.comboVideoFramerate, set.frameRates.items);
  s.videoCodec = c.comboVideoCodec.text();
  s.audioCodec = c.comboAudioCodec.text();
  s.channels = c.comboAudioChannels.text();
  return s;
}

// The older profiles' frame rate as their list shows it; their "Auto" has
// always been 25 fps.
std::string listedRate(const FrameRate *rate) {
  if (!rate) return {};
  return rate->num == 0 ? "25" : decimalText(*rate);
}

void genericMapping(const Selection &s, std::string_view outputType, OutputOptions &o) {
  const int32_t ab = required(s.audioRate, "audio bit rate").value;
  const int32_t ar = required(s.sampleRate, "sample rate").value;
  o.vcodec = videoEncoder(s.videoCodec, true);
  o.acodec = audioEncoder(s.audioCodec);
  // "Original Video Size" and the players' "Auto" keep the source size.
  if (s.size && s.size->width > 0) o.frameSize = sizeText(*s.size);
  o.frameRate = listedRate(s.frameRate);
  o.ac = s.channels == "Stereo" ? 2 : 1;
  if (outputType == "3GP" || outputType == "3G2") o.ac = 1;
  if (isNoVideoFormat(outputType)) o.vn = true;
  o.vb = s.videoRate ? s.videoRate->value : 0;
  o.ab = ab;
  o.ar = ar;
}

// The players' rules: a fixed audio encoder, the video encoder and size as
// chosen.
void playerMapping(const Selection &s, const char *audioEncoder, OutputOptions &o) {
  const int32_t ab = required(s.audioRate, "audio bit rate").value;
  const int32_t ar = required(s.sampleRate, "sample rate").value;
  o.vcodec = videoEncoder(s.videoCodec, false);
  o.acodec = audioEncoder;
  o.frameSize = s.size ? sizeText(*s.size) : std::string();
  o.frameRate = listedRate(s.frameRate);
  o.vb = s.videoRate ? s.videoRate->value : 0;
  o.ab = ab;
  o.ar = ar;
}

// The iPod and Apple TV rules honour the channel choice; without one the
// source's count is capped when the job is finished.
void appleMapping(const Selection &s, OutputOptions &o) {
  playerMapping(s, "libfaac", o);
  o.ac = s.channels == "Stereo" ? 2 : s.channels == "Mono" ? 1 : -1;
}

void mobileMapping(const Selection &s, OutputOptions &o) {
  playerMapping(s, "libamr_nb", o);
  o.ac = 1;
}

// Option lines joined with line feeds, empty ones left out.
std::string optionLines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    if (line.empty()) continue;
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text;
}

// The newer profiles: the encoders, their options and the video tag from
// the profile's row of the encoder table; the constant-quality level, size,
// frame rate, audio bit rate, sample rate and channels from the choices,
// each keeping the source's value where the choice says so.
void encoderTableMapping(const ProfileEncoders &e, const Selection &s, OutputOptions &o) {
  const bool video = !e.videoEncoder.empty();
  std::string quality;
  if (video && !e.qualityOption.empty())
    quality = std::string(e.qualityOption) + "=" + std::to_string(required(s.videoRate, "quality level").value);
  const int32_t ab = s.audioRate && s.audioRate->unit == Unit::Kbps ? s.audioRate->value : -1;
  const Quantity &sampleRate = required(s.sampleRate, "sample rate");
  const int32_t ar = sampleRate.unit == Unit::Named ? -1 : sampleRate.value;  // "Original": the source's

  o.vcodec = std::string(e.videoEncoder);
  o.acodec = std::string(e.audioEncoder);
  o.vtag = std::string(e.videoTag);
  o.extraOptions = optionLines({e.encoderOptions, quality});
  o.vn = !video;
  o.sn = true;  // text tracks are not carried over
  if (video) {
    o.frameRate = s.frameRate ? exactRateText(*s.frameRate) : std::string();
    o.frameSize = s.size ? sizeText(*s.size) : std::string();
  } else {
    o.frameRate.clear();
  }
  o.ab = ab;
  o.ar = ar;
  o.ac = s.channels == "Stereo" ? 2 : s.channels == "Mono" ? 1 : -1;
}

}  // namespace

ProfileRule profileRule(int profileId) {
  const OutputProfile *row = profileRow(profileId);
  return row ? row->rule : ProfileRule::None;
}

bool parsePictureSize(std::string_view text, int &width, int &height) {
  text = trim(text);
  const size_t x = text.find('x');
  if (x == std::string_view::npos) return false;
  int w = 0, h = 0;
  const std::string_view ws = trim(text.substr(0, x)), hs = trim(text.substr(x + 1));
  const auto [we, wec] = std::from_chars(ws.data(), ws.data() + ws.size(), w, 10);
  const auto [he, hec] = std::from_chars(hs.data(), hs.data() + hs.size(), h, 10);
  if (ws.empty() || hs.empty() || wec != std::errc() || hec != std::errc() || we != ws.data() + ws.size() ||
      he != hs.data() + hs.size() || w <= 0 || h <= 0)
    return false;
  width = w;
  height = h;
  return true;
}

std::string orientFrameSize(std::string_view frameSize, int sourceWidth, int sourceHeight) {
  int w = 0, h = 0;
  if (!parsePictureSize(frameSize, w, h) || sourceWidth <= 0 || sourceHeight <= 0 || sourceWidth == sourceHeight)
    return std::string(frameSize);
  const bool portrait = sourceHeight > sourceWidth;
  if ((h > w) != portrait && w != h) std::swap(w, h);
  return std::to_string(w) + "x" + std::to_string(h);
}

void applyProfileOptions(int profileId, const ProfileChoices &choices, OutputOptions &options) {
  const OutputProfile *row = profileRow(profileId);
  const OptionSet *set = findOptionSet(profileId);
  if (!row || !set) return;
  const Selection s = selectionOf(*set, choices);
  switch (row->rule) {
    case ProfileRule::Mobile: mobileMapping(s, options); break;
    case ProfileRule::Apple: appleMapping(s, options); break;
    case ProfileRule::Generic: genericMapping(s, row->formatName, options); break;
    case ProfileRule::EncoderTable:
      if (const ProfileEncoders *e = findEncoders(profileId)) encoderTableMapping(*e, s, options);
      break;
    case ProfileRule::None: break;
  }
}

void applyProfileOptions(std::string_view formatLabel, const ProfileChoices &choices, std::string_view,
                         OutputOptions &options) {
  applyProfileOptions(profileIdOf(formatLabel), choices, options);
}

void finishProfileOptions(int profileId, const SourceShape &source, OutputOptions &options) {
  const ProfileRule rule = profileRule(profileId);
  if (rule == ProfileRule::Apple && options.ac < 0) {
    // A device profile: the source's channels, but never more than two.
    options.ac = source.audioChannels == 1 ? 1 : 2;
    return;
  }
  if (rule != ProfileRule::EncoderTable) return;
  options.frameSize = orientFrameSize(options.frameSize, source.width, source.height);
  // "Original": the channels of the track that is converted, which the
  // engine would otherwise take from the last sound track it opens.
  if (options.ac < 0 && options.acodec != kCopyStream && source.audioChannels > 0) options.ac = source.audioChannels;
  // Copied sound is not decoded, so its volume cannot change. The volume
  // bar's 100% hands over 255, the level the older profiles have always
  // used; the newer ones keep the sound as it is there (FLAC stays lossless).
  constexpr int32_t kVolumeBarFullLevel = 255;
  if (options.acodec == kCopyStream || options.vol == kVolumeBarFullLevel) options.vol = -1;
}

void finishProfileOptions(std::string_view formatLabel, int sourceWidth, int sourceHeight, OutputOptions &options) {
  finishProfileOptions(profileIdOf(formatLabel), SourceShape{sourceWidth, sourceHeight, 0}, options);
}
