#include "codec_mapping.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "catalog.h"
#include "encoder_table.h"

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

// "128 Kbps" gives 128000.
int32_t kbpsLabel(std::string_view label) { return labelToInt(numberPart(label) + "000"); }
// "12200 bps" gives 12200, "44100 Hz" 44100.
int32_t plainNumberLabel(std::string_view label) { return labelToInt(numberPart(label)); }

void genericMapping(const ProfileChoices &c, std::string_view outputType, OutputOptions &o) {
  const int32_t vb = kbpsLabel(c.comboVideoBitrate.text());
  const std::string audioRate = c.comboAudioBitrate.text();
  const int32_t ab = audioRate.find("Kbps") != std::string::npos ? kbpsLabel(audioRate)
                                                                 : plainNumberLabel(audioRate);
  const int32_t ar = plainNumberLabel(c.comboSamplingRate.text());

  o.vcodec = videoEncoder(c.comboVideoCodec.text(), true);
  o.acodec = audioEncoder(c.comboAudioCodec.text());

  // "Original Video Size" and the players' "Auto" keep the source size.
  const std::string size = c.comboVideoSize.text();
  if (size != "Original Video Size" && size != "Auto") o.frameSize = parseFrameSizeLabel(size);

  o.ac = c.comboAudioChannels.text() == "Stereo" ? 2 : 1;
  if (outputType == "3GP" || outputType == "3G2") o.ac = 1;
  if (isNoVideoFormat(outputType)) o.vn = true;

  o.vb = vb;
  o.ab = ab;
  o.ar = ar;
}

// The players' rules: a fixed audio encoder, the video encoder and size as
// chosen. The bit-rate texts are read video first, then audio, then the
// sampling rate, so the first unreadable one is the one reported.
void playerMapping(const ProfileChoices &c, int32_t (*audioBitrate)(std::string_view), const char *audioEncoder,
                   OutputOptions &o) {
  const int32_t vb = kbpsLabel(c.comboVideoBitrate.text());
  const int32_t ab = audioBitrate(c.comboAudioBitrate.text());
  const int32_t ar = plainNumberLabel(c.comboSamplingRate.text());
  o.vcodec = videoEncoder(c.comboVideoCodec.text(), false);
  o.acodec = audioEncoder;
  o.frameSize = parseFrameSizeLabel(c.comboVideoSize.text());
  o.vb = vb;
  o.ab = ab;
  o.ar = ar;
}

void appleMapping(const ProfileChoices &c, OutputOptions &o) { playerMapping(c, kbpsLabel, "libfaac", o); }

void mobileMapping(const ProfileChoices &c, OutputOptions &o) {
  playerMapping(c, plainNumberLabel, "libamr_nb", o);
  o.ac = 1;
}

// "CRF 23" gives 23: the number after the label's last blank.
int32_t qualityLevelLabel(std::string_view label) {
  const size_t blank = label.rfind(' ');
  return labelToInt(blank == std::string_view::npos ? std::string_view() : label.substr(blank + 1));
}

// The frame-rate label of a newer profile: "Auto" keeps the source's rate
// (empty), the NTSC rates become their exact fractions.
std::string sourceOrChosenRate(std::string_view label) {
  if (lower(trim(label)) == "auto") return {};
  return exactFrameRate(numberPart(label));
}

// "Original" keeps the source's channels or sample rate: not set.
bool keepsSource(std::string_view label) { return label == "Original"; }

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
void encoderTableMapping(const ProfileEncoders &e, const ProfileChoices &c, OutputOptions &o) {
  const bool video = !e.videoEncoder.empty();
  std::string quality;
  if (video && !e.qualityOption.empty())
    quality = std::string(e.qualityOption) + "=" + std::to_string(qualityLevelLabel(c.comboVideoBitrate.text()));
  const std::string audioRate = c.comboAudioBitrate.text();
  const int32_t ab = audioRate.find("Kbps") != std::string::npos ? kbpsLabel(audioRate) : -1;
  const std::string sampleRate = c.comboSamplingRate.text();
  const int32_t ar = keepsSource(sampleRate) ? -1 : plainNumberLabel(sampleRate);
  const std::string channels = c.comboAudioChannels.text();

  o.vcodec = std::string(e.videoEncoder);
  o.acodec = std::string(e.audioEncoder);
  o.vtag = std::string(e.videoTag);
  o.extraOptions = optionLines({e.encoderOptions, quality});
  o.vn = !video;
  o.sn = true;  // text tracks are not carried over
  if (video) {
    o.frameRate = sourceOrChosenRate(c.comboVideoFramerate.text());
    const std::string size = c.comboVideoSize.text();
    o.frameSize = size == "Original Video Size" ? std::string() : parseFrameSizeLabel(size);
  } else {
    o.frameRate.clear();
  }
  o.ab = ab;
  o.ar = ar;
  o.ac = channels == "Stereo" ? 2 : channels == "Mono" ? 1 : -1;
}

}  // namespace

ProfileRule profileRule(int profileId) {
  if (profileId < 0 || profileId >= kProfileCount) return ProfileRule::None;
  return kProfileTable[profileId].rule;
}

std::string numberPart(std::string_view label) {
  const size_t blank = label.find(' ');
  if (blank == std::string_view::npos) return {};
  return std::string(label.substr(0, blank));
}

int32_t labelToInt(std::string_view text) {
  int32_t value = 0;
  const char *first = text.data();
  const char *last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(first, last, value, 10);
  if (text.empty() || ec != std::errc() || end != last)
    throw SettingLabelError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

std::string parseFrameSizeLabel(std::string_view label) {
  std::string_view s = label;
  const size_t paren = s.find('(');
  if (paren != std::string_view::npos) s = s.substr(0, paren);
  if (s == "Original Video Size") return "original";
  std::string r;
  for (char ch : s)
    if (ch != ' ') r += ch;
  return r;
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

std::string exactFrameRate(std::string_view rate) {
  const std::string_view t = trim(rate);
  double value = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() || value <= 0) return std::string(rate);
  // n*1000/1001 frames per second, written with two or three decimals.
  const double whole = std::round(value * 1.001);
  if (std::fabs(whole - value) > 0.01 && std::fabs(whole / 1.001 - value) < 0.0015)
    return std::to_string(static_cast<long long>(whole) * 1000) + "/1001";
  return std::string(t);
}

std::string frameRateText(std::string_view comboText) {
  if (lower(trim(comboText)) == "auto") return "25";
  return numberPart(comboText);
}

void applyProfileOptions(std::string_view formatLabel, const ProfileChoices &choices,
                         std::string_view outputType, OutputOptions &options) {
  for (const OutputProfile &row : kProfileTable) {
    if (row.title != formatLabel) continue;
    switch (profileRule(row.profileId)) {
      case ProfileRule::Mobile: mobileMapping(choices, options); break;
      case ProfileRule::Apple: appleMapping(choices, options); break;
      case ProfileRule::Generic: genericMapping(choices, outputType, options); break;
      case ProfileRule::EncoderTable:
        if (const ProfileEncoders *e = findEncoders(row.profileId)) encoderTableMapping(*e, choices, options);
        break;
      case ProfileRule::None: break;
    }
  }
}

void finishProfileOptions(std::string_view formatLabel, int sourceWidth, int sourceHeight,
                          OutputOptions &options) {
  const OutputProfile *row = findProfile(formatLabel);
  if (!row || row->rule != ProfileRule::EncoderTable) return;
  options.frameSize = orientFrameSize(options.frameSize, sourceWidth, sourceHeight);
  // Copied sound is not decoded, so its volume cannot change. The volume
  // bar's 100% hands over 255, the level the older profiles have always
  // used; the newer ones keep the sound as it is there (FLAC stays lossless).
  constexpr int32_t kVolumeBarFullLevel = 255;
  if (options.acodec == kCopyStream || options.vol == kVolumeBarFullLevel) options.vol = -1;
}
