#include "codec_mapping.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>

#include "catalog.h"

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
      case ProfileRule::None: break;
    }
  }
}
