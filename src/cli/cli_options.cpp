#include "cli_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "catalog.h"
#include "codec_mapping.h"
#include "option_sets.h"
#include "pipeline_text.h"
#include "quality.h"
#include "volume_table.h"

namespace {

// Options that take a value, with the field each one fills.
using TField = std::string TCliOptions::*;
const std::map<std::string, TField, std::less<>> kValueOptions = {
    {"--output", &TCliOptions::OutputFolder},  {"--profile", &TCliOptions::Profile},
    {"--video-quality", &TCliOptions::VideoQuality}, {"--audio-quality", &TCliOptions::AudioQuality},
    {"--size", &TCliOptions::Size},            {"--fps", &TCliOptions::FrameRate},
    {"--channels", &TCliOptions::Channels},    {"--volume", &TCliOptions::Volume},
    {"--aspect", &TCliOptions::Aspect},
};

using TFlag = bool TCliOptions::*;
const std::map<std::string, TFlag, std::less<>> kFlags = {
    {"--overwrite", &TCliOptions::Overwrite}, {"--quiet", &TCliOptions::Quiet},
    {"-q", &TCliOptions::Quiet},              {"--help", &TCliOptions::Help},
    {"-h", &TCliOptions::Help},               {"--list-profiles", &TCliOptions::ListProfiles},
};

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

bool SameTextNoCase(std::string_view a, std::string_view b) { return LowerText(a) == LowerText(b); }

// A plain decimal number ("29.97", "25"), or NaN.
double ReadNumber(std::string_view text) {
  const std::string t = TrimText(text);
  double v = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size()) return std::nan("");
  return v;
}

int FindNoCase(const TChoiceList &list, std::string_view text) {
  const std::string want = LowerText(TrimText(text));
  for (size_t i = 0; i < list.Items.size(); ++i)
    if (LowerText(TrimText(list.Items[i])) == want) return static_cast<int>(i);
  return -1;
}

// Sizes: the label itself, or its width and height ("320x240", "320 x 240"),
// or "original".
int FindSize(const TChoiceList &list, std::string_view text) {
  int i = FindNoCase(list, text);
  if (i >= 0) return i;
  const std::string want = LowerText(ParseFrameSizeLabel(TrimText(text)));
  for (size_t k = 0; k < list.Items.size(); ++k)
    if (LowerText(ParseFrameSizeLabel(list.Items[k])) == want) return static_cast<int>(k);
  return -1;
}

// Frame rates: the label itself, or its number ("29.97", "25 fps", "auto").
int FindFrameRate(const TChoiceList &list, std::string_view text) {
  int i = FindNoCase(list, text);
  if (i >= 0) return i;
  std::string t = LowerText(TrimText(text));
  if (t.size() > 3 && t.compare(t.size() - 3, 3, "fps") == 0) t = TrimText(t.substr(0, t.size() - 3));
  const double want = ReadNumber(t);
  if (std::isnan(want)) return -1;
  for (size_t k = 0; k < list.Items.size(); ++k) {
    const double have = ReadNumber(NumberPart(list.Items[k]));
    if (!std::isnan(have) && std::fabs(have - want) < 1e-9) return static_cast<int>(k);
  }
  return -1;
}

// Aspect ratios: the label, or its first word ("4:3", "16:9").
int FindAspect(const TChoiceList &list, std::string_view text) {
  int i = FindNoCase(list, text);
  if (i >= 0) return i;
  for (size_t k = 0; k < list.Items.size(); ++k) {
    const std::string head = NumberPart(list.Items[k]);
    if (!head.empty() && SameTextNoCase(head, TrimText(text))) return static_cast<int>(k);
  }
  return -1;
}

int FindChannels(const TChoiceList &list, std::string_view text) {
  const std::string t = TrimText(text);
  if (t == "2") return list.IndexOf("Stereo");
  if (t == "1") return list.IndexOf("Mono");
  return FindNoCase(list, t);
}

// The lines that list a setting list's items, the selected one marked.
std::string OfferedItems(const TChoiceList &list) {
  std::string out;
  for (size_t i = 0; i < list.Items.size(); ++i) {
    out += "\n  " + list.Items[i];
    if (static_cast<int>(i) == list.ItemIndex) out += "  (default)";
  }
  return out;
}

// Selects the item that `text` names, or refuses the option.
void Choose(TChoiceList &list, std::string_view option, const std::string &text, const std::string &title,
            const std::function<int(const TChoiceList &, std::string_view)> &find) {
  if (text.empty()) return;
  if (list.Items.empty())
    throw TUsageError(std::string(option) + " " + Quoted(text) + " is not offered by " + Quoted(title) +
                      ": it has no video settings.");
  const int i = find(list, text);
  if (i < 0)
    throw TUsageError(std::string(option) + " " + Quoted(text) + " is not offered by " + Quoted(title) +
                      ". It offers:" + OfferedItems(list));
  list.ItemIndex = i;
}

// The volume bar's position from "0".."10" or a label such as "120%".
int VolumePositionFor(const std::string &text) {
  const std::string t = TrimText(text);
  for (int p = kVolumeMinPosition; p <= kVolumeMaxPosition; ++p)
    if (t == std::to_string(p) || t == VolumeStep(p).Label) return p;
  std::string offers;
  for (int p = kVolumeMinPosition; p <= kVolumeMaxPosition; ++p)
    offers += "\n  " + std::to_string(p) + "  (" + VolumeStep(p).Label + ")" +
              (p == kVolumeStartPosition ? "  (default)" : "");
  throw TUsageError("--volume " + Quoted(text) + " is not a volume bar position. It offers:" + offers);
}

// The choice lists of a profile as a window freshly set to it shows them.
TProfileChoices FreshChoices(const std::string &title, std::string &outputType) {
  TProfileChoices c;
  FillProfileOptions(title, c, outputType);
  return c;
}

// The bit rate a quality level selects for a profile, from its defaults.
std::string PresetRate(const std::string &title, bool video, int level) {
  std::string type;
  TProfileChoices c = FreshChoices(title, type);
  (video ? c.ComboVideoQuality : c.ComboAudioQuality).ItemIndex = level;
  ApplyQualityPreset(title, c);
  return (video ? c.ComboVideoBitrate : c.ComboAudioBitrate).Text();
}

std::string JoinItems(const TChoiceList &list) {
  std::string out;
  for (size_t i = 0; i < list.Items.size(); ++i) {
    if (i) out += ", ";
    out += list.Items[i];
    if (static_cast<int>(i) == list.ItemIndex) out += "*";
  }
  return out;
}

}  // namespace

TCliOptions ParseCommandLine(const std::vector<std::string> &args) {
  TCliOptions o;
  bool filesOnly = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &a = args[i];
    if (filesOnly || a.empty() || a[0] != '-' || a == "-") {
      o.Files.push_back(a);
      continue;
    }
    if (a == "--") {
      filesOnly = true;
      continue;
    }
    if (auto f = kFlags.find(a); f != kFlags.end()) {
      o.*(f->second) = true;
      continue;
    }
    std::string name = a;
    std::string value;
    bool hasValue = false;
    if (a.rfind("--", 0) == 0) {
      const size_t eq = a.find('=');
      if (eq != std::string::npos) {
        name = a.substr(0, eq);
        value = a.substr(eq + 1);
        hasValue = true;
      }
    } else if (a.rfind("-o", 0) == 0) {
      name = "--output";
      if (a.size() > 2) {
        value = a.substr(a[2] == '=' ? 3 : 2);
        hasValue = true;
      }
    }
    const auto v = kValueOptions.find(name);
    if (v == kValueOptions.end()) {
      if (kFlags.count(name)) throw TUsageError(name + " takes no value");
      throw TUsageError("unknown option " + Quoted(a) + " (see --help)");
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) throw TUsageError(name + " needs a value (see --help)");
      value = args[++i];
    }
    std::string &field = o.*(v->second);
    if (!field.empty()) throw TUsageError(name + " is given more than once");
    if (TrimText(value).empty()) throw TUsageError(name + " needs a value (see --help)");
    field = value;
  }
  return o;
}

void CheckForConversion(const TCliOptions &o) {
  if (o.OutputFolder.empty()) throw TUsageError("no output folder: give one with -o FOLDER (see --help)");
  std::error_code ec;
  if (!std::filesystem::is_directory(TrimText(o.OutputFolder), ec))
    throw TUsageError("the output folder " + Quoted(o.OutputFolder) + " does not exist or is not a folder");
  if (o.Files.empty()) throw TUsageError("no files to convert (see --help)");
}

std::vector<std::string> OfferedProfiles() {
  std::vector<std::string> titles;
  for (std::string_view item : OutputFormatItems)
    if (!IsFormatSeparator(item)) titles.emplace_back(item);
  return titles;
}

std::vector<std::string> MatchProfiles(std::string_view text) {
  const std::vector<std::string> titles = OfferedProfiles();
  const std::string want = LowerText(TrimText(text));
  if (want.empty()) return {};
  for (const std::string &t : titles)
    if (t == text) return {t};
  for (const std::string &t : titles)
    if (LowerText(t) == want) return {t};
  std::vector<std::string> found;
  for (const std::string &t : titles)
    if (LowerText(t).find(want) != std::string::npos) found.push_back(t);
  return found;
}

std::string DefaultProfileTitle() {
  TChoiceList list;
  FillOutputFormatList(list);
  return list.Text();
}

TConversionChoices ResolveChoices(const TCliOptions &o) {
  TConversionChoices r;
  if (o.Profile.empty()) {
    r.Title = DefaultProfileTitle();
  } else {
    const std::vector<std::string> found = MatchProfiles(o.Profile);
    if (found.size() != 1) {
      std::string msg = "--profile " + Quoted(o.Profile);
      std::string list;
      if (found.empty()) {
        msg += " matches no profile. The profiles are:";
        for (const std::string &t : OfferedProfiles()) list += "\n  " + t;
      } else {
        msg += " matches several profiles; give more of the name:";
        for (const std::string &t : found) list += "\n  " + t;
      }
      throw TUsageError(msg + list);
    }
    r.Title = found.front();
  }
  TProfileChoices &c = r.Choices;
  FillProfileOptions(r.Title, c, r.OutputType);

  // Quality levels: the window applies both whenever either one changes.
  const bool audioOnly = IsAudioOnlyFormat(r.Title);
  if (!o.VideoQuality.empty() && audioOnly)
    throw TUsageError("--video-quality " + Quoted(o.VideoQuality) + " is not offered by " + Quoted(r.Title) +
                      ": it has no video settings.");
  Choose(c.ComboVideoQuality, "--video-quality", o.VideoQuality, r.Title, FindNoCase);
  Choose(c.ComboAudioQuality, "--audio-quality", o.AudioQuality, r.Title, FindNoCase);
  if (!o.VideoQuality.empty() || !o.AudioQuality.empty()) ApplyQualityPreset(r.Title, c);

  Choose(c.ComboVideoSize, "--size", o.Size, r.Title, FindSize);
  Choose(c.ComboVideoFramerate, "--fps", o.FrameRate, r.Title, FindFrameRate);
  Choose(c.ComboAudioChannels, "--channels", o.Channels, r.Title, FindChannels);
  Choose(c.ComboAspectRatio, "--aspect", o.Aspect, r.Title, FindAspect);

  if (!o.Volume.empty()) r.VolumePosition = VolumePositionFor(o.Volume);
  r.VolumeValue = VolumeStep(r.VolumePosition).Value;
  r.Overwrite = o.Overwrite;
  r.OutputFolder = o.OutputFolder;
  return r;
}

std::string ProfileListText() {
  static const char *const kGroups[] = {"Video formats", "Audio formats", "Devices"};
  std::ostringstream out;
  out << "Output profiles (* marks the default). Every profile also takes --aspect\n"
         "Original*, 4:3 or 16:9 and --volume 0..10 (5* = 100%). A quality level whose bit\n"
         "rate a profile does not offer keeps the default bit rate.\n";
  int separators = 0;
  int headed = -1;
  for (std::string_view item : OutputFormatItems) {
    if (IsFormatSeparator(item)) {
      ++separators;
      continue;
    }
    const int group = std::min(separators, 2);
    if (group != headed) {
      out << "\n" << kGroups[group] << ":\n";
      headed = group;
    }
    const std::string title(item);
    std::string type;
    const TProfileChoices c = FreshChoices(title, type);
    const bool video = !IsAudioOnlyFormat(title);
    out << "\n  " << title << "\n";
    out << "    output         ." << LowerText(type) << "\n";
    auto qualityLine = [&](const char *name, bool forVideo, const TChoiceList &rates) {
      out << "    " << name << rates.Text() << "*; by " << (forVideo ? "--video-quality: " : "--audio-quality: ");
      const std::vector<std::string> &levels = (forVideo ? c.ComboVideoQuality : c.ComboAudioQuality).Items;
      for (size_t l = 0; l < levels.size(); ++l)
        out << (l ? ", " : "") << levels[l] << " " << PresetRate(title, forVideo, static_cast<int>(l));
      out << "\n";
    };
    if (video) {
      qualityLine("video bit rate ", true, c.ComboVideoBitrate);
      out << "    size           " << JoinItems(c.ComboVideoSize) << "\n";
      out << "    fps            " << JoinItems(c.ComboVideoFramerate) << "\n";
    } else {
      out << "    video          none (audio only)\n";
    }
    qualityLine("audio bit rate ", false, c.ComboAudioBitrate);
    out << "    channels       " << JoinItems(c.ComboAudioChannels) << "\n";
  }
  return out.str();
}

std::string HelpText() {
  return R"HELP(Usage: trevix-convert [options] -o FOLDER FILE...
       trevix-convert --list-profiles
       trevix-convert --help

Converts each FILE, one after another, into FOLDER with one output profile,
exactly as the window of Trevix MOV Video Converter does for the same
choices. Each output is named after its source with the profile's extension;
when that name exists, "-1", "-2", ... is added (unless --overwrite).

Options:
  -o, --output FOLDER    the output folder; it must exist
  --profile TEXT         the output profile: its full name as --list-profiles
                         shows it (for example "iPod (*.mp4)"), or any part
                         of it that names one profile only, in any case
                         ("ipod (*.mp4)", "xvid", "mp3"). Without it, the
                         first profile of the list, "3GP - Mobile Video
                         Format (*.3gp)"
  --video-quality LEVEL  Highest, Higher, Normal, Lower or Lowest
  --audio-quality LEVEL  the same levels for the sound. Giving either level
                         sets the profile's bit rates from both levels (the
                         one not given counts as Normal), as choosing a
                         quality in the window does; a level whose bit rate
                         the profile does not offer keeps its default. With
                         neither, the profile's default bit rates are used
  --size SIZE            a picture size the profile offers: its name
                         ("320 x 240 (VGA)"), its width and height
                         ("320x240") or "original"
  --fps RATE             a frame rate the profile offers: its name
                         ("29.97 fps [NTSC]"), its number ("29.97") or "auto"
  --channels CHANNELS    Stereo (or 2) or Mono (or 1)
  --volume POSITION      the volume bar's position, 0 to 10 (5, the default,
                         keeps the volume; 0 is 0%, 10 is 200%), or its
                         label ("120%")
  --aspect RATIO         Original (from the source's picture size, the
                         default), 4:3 or 16:9
  --overwrite            replace an existing output of the same name
                         (an output that would replace its own source is
                         refused: that file ends "Fail")
  -q, --quiet            print only the final line of each file
  --list-profiles        list the profiles with their choices and defaults
  -h, --help             show this text

A value the profile does not offer is refused, with the list of what it
offers, before anything is converted.

Output: for each file a header, a progress line (percentage, frames, frames
per second, speed as a multiple of real time, elapsed and estimated time
left; rewritten in place on a terminal, one line per report otherwise), and
a final line "Done", "Fail" with the reason, or "Abort"; then a summary.

Ctrl-C stops the running file as the window's Stop button does: its output
keeps what was converted so far, properly closed, the file ends "Abort" and
the files after it are not converted. A second Ctrl-C quits at once.
SIGTERM and SIGHUP stop the run the same way.

Exit status: 0 when every file is "Done", 1 otherwise, 2 for bad arguments,
130 after Ctrl-C (128 + the signal's number after another stop signal).

The media libraries are loaded from the "Common" folder beside the program.

Example:
  trevix-convert --profile "ipod (*.mp4)" --video-quality Highest \
      -o ~/Videos/ipod holiday.mov party.mov
)HELP";
}
