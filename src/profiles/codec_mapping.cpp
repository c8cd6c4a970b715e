#include "codec_mapping.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>

#include "catalog.h"

namespace {

std::string Lower(std::string_view s) {
  std::string r(s);
  std::transform(r.begin(), r.end(), r.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return r;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

struct TNameMap {
  std::string_view from;
  std::string_view to;
};

// Video encoders known to every rule; the generic rule knows two more.
constexpr TNameMap kVideoAll[] = {
    {"mpeg4", "mpeg4"},
    {"h264", "libx264"},
    {"xvid", "libxvid"},
};
constexpr TNameMap kVideoGenericOnly[] = {
    {"wmv2x", "wmv2"},
    {"mpeg4_qt", "mpeg4"},
};
constexpr TNameMap kAudioGeneric[] = {
    {"aac", "libfaac"},     {"ac3", "ac3"},        {"flac", "flac"},
    {"asf", "mp3"},         {"mp3", "libmp3lame"}, {"m4a", "mpeg4aac"},
    {"mpeg4aac", "libfaac"}, {"ra", "ac3"},        {"wma7x", "wmav2"},
    {"wav", "pcm_s16le"},   {"mpeg4aac_qt", "libfaac"}, {"amr_nb", "libamr_nb"},
};

// One replacement: the result is not looked up again.
template <size_t N>
bool Replace(std::string &name, const TNameMap (&table)[N]) {
  for (const TNameMap &m : table) {
    if (name == m.from) {
      name = std::string(m.to);
      return true;
    }
  }
  return false;
}

std::string VideoEncoder(std::string_view label, bool generic) {
  std::string name = Lower(label);
  if (!Replace(name, kVideoAll) && generic) Replace(name, kVideoGenericOnly);
  return name;
}

std::string AudioEncoder(std::string_view label) {
  std::string name = Lower(label);
  Replace(name, kAudioGeneric);
  return name;
}

// Output formats that carry no video stream.
bool IsNoVideoFormat(std::string_view outputType) {
  static constexpr std::string_view kNoVideo[] = {"aac", "ac3", "au",  "mp2", "mp3", "wav",
                                                  "wma", "ra",  "m4a", "ogg", "amr"};
  const std::string t = Lower(outputType);
  return std::find(std::begin(kNoVideo), std::end(kNoVideo), t) != std::end(kNoVideo);
}

// "128 Kbps" gives 128000.
int32_t KbpsLabel(std::string_view label) { return LabelToInt(NumberPart(label) + "000"); }
// "12200 bps" gives 12200, "44100 Hz" 44100.
int32_t PlainNumberLabel(std::string_view label) { return LabelToInt(NumberPart(label)); }

void GenericMapping(const TProfileChoices &c, std::string_view outputType, TOutputOptions &o) {
  const int32_t vb = KbpsLabel(c.ComboVideoBitrate.Text());
  const std::string audioRate = c.ComboAudioBitrate.Text();
  const int32_t ab = audioRate.find("Kbps") != std::string::npos ? KbpsLabel(audioRate)
                                                                 : PlainNumberLabel(audioRate);
  const int32_t ar = PlainNumberLabel(c.ComboSamplingRate.Text());

  o.vcodec = VideoEncoder(c.ComboVideoCodec.Text(), true);
  o.acodec = AudioEncoder(c.ComboAudioCodec.Text());

  // "Original Video Size" and the players' "Auto" keep the source size.
  const std::string size = c.ComboVideoSize.Text();
  if (size != "Original Video Size" && size != "Auto") o.frameSize = ParseFrameSizeLabel(size);

  o.ac = c.ComboAudioChannels.Text() == "Stereo" ? 2 : 1;
  if (outputType == "3GP" || outputType == "3G2") o.ac = 1;
  if (IsNoVideoFormat(outputType)) o.vn = true;

  o.vb = vb;
  o.ab = ab;
  o.ar = ar;
}

// The players' rules: a fixed audio encoder, the video encoder and size as
// chosen. The bit-rate texts are read video first, then audio, then the
// sampling rate, so the first unreadable one is the one reported.
void PlayerMapping(const TProfileChoices &c, int32_t (*audioBitrate)(std::string_view), const char *audioEncoder,
                   TOutputOptions &o) {
  const int32_t vb = KbpsLabel(c.ComboVideoBitrate.Text());
  const int32_t ab = audioBitrate(c.ComboAudioBitrate.Text());
  const int32_t ar = PlainNumberLabel(c.ComboSamplingRate.Text());
  o.vcodec = VideoEncoder(c.ComboVideoCodec.Text(), false);
  o.acodec = audioEncoder;
  o.frameSize = ParseFrameSizeLabel(c.ComboVideoSize.Text());
  o.vb = vb;
  o.ab = ab;
  o.ar = ar;
}

void AppleMapping(const TProfileChoices &c, TOutputOptions &o) { PlayerMapping(c, KbpsLabel, "libfaac", o); }

void MobileMapping(const TProfileChoices &c, TOutputOptions &o) {
  PlayerMapping(c, PlainNumberLabel, "libamr_nb", o);
  o.ac = 1;
}

}  // namespace

TProfileRule ProfileRule(int id) {
  switch (id) {
    case 0:
    case 1:
      return TProfileRule::prMobile;
    case 3: case 4: case 5: case 7: case 8: case 9: case 10: case 11: case 12:
      return TProfileRule::prApple;
    case 2: case 6: case 14: case 15: case 16: case 17: case 21:
    case 47: case 48: case 52: case 57: case 62:
      return TProfileRule::prNone;
    default:
      // 13 ("iPod Touch") maps like the iPhone, its channel choice included.
      return (id >= 0 && id < kProfileCount) ? TProfileRule::prGeneric : TProfileRule::prNone;
  }
}

std::string NumberPart(std::string_view label) {
  const size_t blank = label.find(' ');
  if (blank == std::string_view::npos) return {};
  return std::string(label.substr(0, blank));
}

int32_t LabelToInt(std::string_view text) {
  int32_t value = 0;
  const char *first = text.data();
  const char *last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(first, last, value, 10);
  if (text.empty() || ec != std::errc() || end != last)
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

std::string ParseFrameSizeLabel(std::string_view label) {
  std::string_view s = label;
  const size_t paren = s.find('(');
  if (paren != std::string_view::npos) s = s.substr(0, paren);
  if (s == "Original Video Size") return "original";
  std::string r;
  for (char ch : s)
    if (ch != ' ') r += ch;
  return r;
}

std::string FrameRateText(std::string_view comboText) {
  if (Lower(Trim(comboText)) == "auto") return "25";
  return NumberPart(comboText);
}

void ApplyProfileOptions(std::string_view formatLabel, const TProfileChoices &choices,
                         std::string_view outputType, TOutputOptions &options) {
  for (const TheAVCodec &row : AVCodecTable) {
    if (row.Title != formatLabel) continue;
    switch (ProfileRule(row.ProfileId)) {
      case TProfileRule::prMobile: MobileMapping(choices, options); break;
      case TProfileRule::prApple: AppleMapping(choices, options); break;
      case TProfileRule::prGeneric: GenericMapping(choices, outputType, options); break;
      case TProfileRule::prNone: break;
    }
  }
}
