#include "cli_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "catalog.h"
#include "encoder_table.h"
#include "job_request.h"
#include "job_slots.h"
#include "option_sets.h"
#include "profile_items.h"
#include "pipeline_text.h"
#include "quality.h"
#include "volume_table.h"

namespace {

// Options that take a value, with the field each one fills.
using Field = std::string CliOptions::*;
const std::map<std::string, Field, std::less<>> kValueOptions = {
    {"--output", &CliOptions::outputFolder},  {"--profile", &CliOptions::profile},
    {"--video-quality", &CliOptions::videoQuality}, {"--audio-quality", &CliOptions::audioQuality},
    {"--size", &CliOptions::size},            {"--fps", &CliOptions::frameRate},
    {"--channels", &CliOptions::channels},    {"--volume", &CliOptions::volume},
    {"--aspect", &CliOptions::aspect},        {"--threads", &CliOptions::threads},
    {"--rotate", &CliOptions::rotate},        {"--start", &CliOptions::start},
    {"--end", &CliOptions::end},              {"--target-size", &CliOptions::targetSize},
    {"--jobs", &CliOptions::jobs},
};

using Flag = bool CliOptions::*;
const std::map<std::string, Flag, std::less<>> kFlags = {
    {"--overwrite", &CliOptions::overwrite}, {"--quiet", &CliOptions::quiet},
    {"-q", &CliOptions::quiet},              {"--help", &CliOptions::help},
    {"-h", &CliOptions::help},               {"--list-profiles", &CliOptions::listProfiles},
    {"--version", &CliOptions::version},     {"--json", &CliOptions::json},
};

std::string inQuotes(std::string_view s) { return "\"" + std::string(s) + "\""; }

bool sameTextNoCase(std::string_view a, std::string_view b) { return lowerText(a) == lowerText(b); }

// A plain decimal number ("29.97", "25"), or NaN.
double readNumber(std::string_view text) {
  const std::string t = trimText(text);
  double v = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size()) return std::nan("");
  return v;
}

int findNoCase(const ChoiceList &list, std::string_view text) {
  const std::string want = lowerText(trimText(text));
  for (size_t i = 0; i < list.items.size(); ++i)
    if (lowerText(trimText(list.items[i])) == want) return static_cast<int>(i);
  return -1;
}

// The first word of a text ("4:3" of "4:3 (Standard").
std::string firstWord(std::string_view text) {
  const std::string t = trimText(text);
  return t.substr(0, t.find(' '));
}

// A size as given ("320 x 240 (VGA)", "320x240", "original"): lower case,
// blanks and the name in brackets left out.
std::string sizeKey(std::string_view text) {
  std::string key;
  for (char c : lowerText(text.substr(0, text.find('('))))
    if (c != ' ') key += c;
  return key;
}

// Sizes: the label itself, or its width and height ("320x240", "320 x 240"),
// or "original" for the source's size.
int findSize(const ChoiceList &list, std::string_view text, const OptionSet &set) {
  int i = findNoCase(list, text);
  if (i >= 0 || list.items != itemLabels(set.sizes.items)) return i;
  const std::string want = sizeKey(trimText(text));
  for (size_t k = 0; k < set.sizes.items.size(); ++k) {
    const PictureSize &size = set.sizes.items[k];
    const std::string have = size.width > 0 ? sizeText(size) : sizeKey(size.suffix.substr(0, size.suffix.find(' ')));
    if (have == want) return static_cast<int>(k);
  }
  return -1;
}

// Frame rates: the label itself, or its number as the list shows it
// ("29.97", "25 fps", "auto").
int findFrameRate(const ChoiceList &list, std::string_view text, const OptionSet &set) {
  int i = findNoCase(list, text);
  if (i >= 0 || list.items != itemLabels(set.frameRates.items)) return i;
  std::string t = lowerText(trimText(text));
  if (t.size() > 3 && t.compare(t.size() - 3, 3, "fps") == 0) t = trimText(t.substr(0, t.size() - 3));
  const double want = readNumber(t);
  if (std::isnan(want)) return -1;
  for (size_t k = 0; k < set.frameRates.items.size(); ++k) {
    const FrameRate &rate = set.frameRates.items[k];
    if (rate.num > 0 && std::fabs(shownRate(rate) - want) < 1e-9) return static_cast<int>(k);
  }
  return -1;
}

// Aspect ratios: the label, or its first word ("4:3", "16:9").
int findAspect(const ChoiceList &list, std::string_view text) {
  int i = findNoCase(list, text);
  if (i >= 0) return i;
  for (size_t k = 0; k < list.items.size(); ++k) {
    const std::string head = firstWord(list.items[k]);
    if (!head.empty() && head != trimText(list.items[k]) && sameTextNoCase(head, trimText(text)))
      return static_cast<int>(k);
  }
  return -1;
}

int findChannels(const ChoiceList &list, std::string_view text) {
  const std::string t = trimText(text);
  if (t == "2") return list.indexOf("Stereo");
  if (t == "1") return list.indexOf("Mono");
  return findNoCase(list, t);
}

// The lines that list a setting list's items, the selected one marked.
std::string offeredItems(const ChoiceList &list) {
  std::string out;
  for (size_t i = 0; i < list.items.size(); ++i) {
    out += "\n  " + list.items[i];
    if (static_cast<int>(i) == list.itemIndex) out += "  (default)";
  }
  return out;
}

// Selects the item that `text` names, or refuses the option.
void choose(ChoiceList &list, std::string_view option, const std::string &text, const std::string &title,
            const std::function<int(const ChoiceList &, std::string_view)> &find) {
  if (text.empty()) return;
  if (list.items.empty())
    throw UsageError(std::string(option) + " " + inQuotes(text) + " is not offered by " + inQuotes(title) +
                      ": it has no video settings.");
  const int i = find(list, text);
  if (i < 0)
    throw UsageError(std::string(option) + " " + inQuotes(text) + " is not offered by " + inQuotes(title) +
                      ". It offers:" + offeredItems(list));
  list.itemIndex = i;
}

// The volume bar's position from "0".."10" or a label such as "120%".
int volumePositionFor(const std::string &text) {
  const std::string t = trimText(text);
  for (int p = kVolumeMinPosition; p <= kVolumeMaxPosition; ++p)
    if (t == std::to_string(p) || t == volumeStep(p).label) return p;
  std::string offers;
  for (int p = kVolumeMinPosition; p <= kVolumeMaxPosition; ++p)
    offers += "\n  " + std::to_string(p) + "  (" + volumeStep(p).label + ")" +
              (p == kVolumeStartPosition ? "  (default)" : "");
  throw UsageError("--volume " + inQuotes(text) + " is not a volume bar position. It offers:" + offers);
}

// The choice lists of a profile as a window freshly set to it shows them.
ProfileChoices freshChoices(int profileId) {
  ProfileChoices c;
  fillProfileOptions(profileId, c);
  return c;
}

// The bit rate a quality level selects for a profile, from its defaults.
std::string presetRate(int profileId, bool video, int level) {
  ProfileChoices c = freshChoices(profileId);
  (video ? c.comboVideoQuality : c.comboAudioQuality).itemIndex = level;
  applyQualityPreset(profileId, c);
  return (video ? c.comboVideoBitrate : c.comboAudioBitrate).text();
}

std::string joinItems(const ChoiceList &list) {
  std::string out;
  for (size_t i = 0; i < list.items.size(); ++i) {
    if (i) out += ", ";
    out += list.items[i];
    if (static_cast<int>(i) == list.itemIndex) out += "*";
  }
  return out;
}

// Edits (insertions, deletions, substitutions and swaps of two neighbours)
// that turn `a` into `b`.
size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i)
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

// The lower-case words of a text (letters and digits).
std::vector<std::string> wordsOf(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : lowerText(text)) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// How far `want` (as words) is from the nearest run of as many words of
// the title.
size_t distanceToTitle(const std::vector<std::string> &want, const std::string &title) {
  const std::vector<std::string> words = wordsOf(title);
  const std::string joined = [&] {
    std::string j;
    for (const std::string &w : want) j += (j.empty() ? "" : " ") + w;
    return j;
  }();
  size_t best = std::string::npos;
  for (size_t first = 0; first + want.size() <= words.size(); ++first) {
    std::string run;
    for (size_t k = 0; k < want.size(); ++k) run += (k ? " " : "") + words[first + k];
    best = std::min(best, editDistance(joined, run));
  }
  return best;
}

}  // namespace

CliOptions parseCommandLine(const std::vector<std::string> &args) {
  CliOptions o;
  bool filesOnly = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &a = args[i];
    if (filesOnly || a.empty() || a[0] != '-' || a == "-") {
      o.files.push_back(a);
      continue;
    }
    if (a == "--") {
      filesOnly = true;
      continue;
    }
    if (a == "--keep-metadata" || a == "--no-metadata") {
      o.keepMetadata = a == "--keep-metadata";
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
      if (kFlags.count(name)) throw UsageError(name + " takes no value");
      throw UsageError("unknown option " + inQuotes(a) + " (see --help)");
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value (see --help)");
      value = args[++i];
    }
    std::string &field = o.*(v->second);
    if (!field.empty()) throw UsageError(name + " is given more than once");
    if (trimText(value).empty()) throw UsageError(name + " needs a value (see --help)");
    field = value;
  }
  return o;
}

void checkForConversion(const CliOptions &o) {
  if (o.outputFolder.empty()) throw UsageError("no output folder: give one with -o FOLDER (see --help)");
  std::error_code ec;
  if (!std::filesystem::is_directory(trimText(o.outputFolder), ec))
    throw UsageError("the output folder " + inQuotes(o.outputFolder) + " does not exist or is not a folder");
  if (o.files.empty()) throw UsageError("no files to convert (see --help)");
}

std::vector<std::string> offeredProfiles() {
  std::vector<std::string> titles;
  for (std::string_view item : outputFormatItems)
    if (!isFormatSeparator(item)) titles.emplace_back(item);
  return titles;
}

std::vector<std::string> matchProfiles(std::string_view text) {
  const std::vector<std::string> titles = offeredProfiles();
  const std::string want = lowerText(trimText(text));
  if (want.empty()) return {};
  for (const std::string &t : titles)
    if (t == text) return {t};
  for (const std::string &t : titles)
    if (lowerText(t) == want) return {t};
  std::vector<std::string> found;
  for (const std::string &t : titles)
    if (lowerText(t).find(want) != std::string::npos) found.push_back(t);
  return found;
}

std::vector<std::string> closestProfiles(std::string_view text, size_t limit) {
  const std::vector<std::string> want = wordsOf(text);
  if (want.empty()) return {};
  size_t letters = want.size() - 1;
  for (const std::string &w : want) letters += w.size();
  const size_t nearEnough = std::max<size_t>(1, letters / 3);
  std::vector<std::pair<size_t, std::string>> near;  // stable: list order among equals
  for (const std::string &title : offeredProfiles()) {
    const size_t d = distanceToTitle(want, title);
    if (d <= nearEnough) near.emplace_back(d, title);
  }
  std::stable_sort(near.begin(), near.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
  std::vector<std::string> titles;
  for (size_t i = 0; i < near.size() && i < limit; ++i) titles.push_back(near[i].second);
  return titles;
}

std::vector<std::string> expandSourceArguments(const std::vector<std::string> &arguments) {
  std::vector<std::string> files;
  for (const std::string &argument : arguments) {
    std::error_code ec;
    if (!std::filesystem::is_directory(argument, ec)) {
      files.push_back(argument);
      continue;
    }
    const std::vector<std::string> found = sourceFilesInFolder(argument);
    if (found.empty()) {
      std::string patterns;
      for (const char *ext : kSourceExtensions) patterns += std::string(patterns.empty() ? "" : ", ") + "*" + ext;
      throw UsageError("the folder " + inQuotes(argument) + " holds no files to convert (" + patterns + ")");
    }
    files.insert(files.end(), found.begin(), found.end());
  }
  return files;
}

std::string defaultProfileTitle() {
  ChoiceList list;
  fillOutputFormatList(list);
  return list.text();
}

ConversionChoices resolveChoices(const CliOptions &o) {
  ConversionChoices r;
  if (o.profile.empty()) {
    r.title = defaultProfileTitle();
  } else {
    const std::vector<std::string> found = matchProfiles(o.profile);
    if (found.size() != 1) {
      std::string msg = "--profile " + inQuotes(o.profile);
      std::string list;
      if (found.empty()) {
        const std::vector<std::string> near = closestProfiles(o.profile);
        if (near.empty()) {
          msg += " matches no profile. The profiles are:";
          for (const std::string &t : offeredProfiles()) list += "\n  " + t;
        } else {
          msg += " matches no profile. Did you mean:";
          for (const std::string &t : near) list += "\n  " + t;
          list += "\n(--list-profiles lists every profile)";
        }
      } else {
        msg += " matches several profiles; give more of the name:";
        for (const std::string &t : found) list += "\n  " + t;
      }
      throw UsageError(msg + list);
    }
    r.title = found.front();
  }
  r.profileId = profileIdOf(r.title);
  const OptionSet *set = findOptionSet(r.profileId);
  if (!set) throw UsageError("--profile " + inQuotes(r.title) + " has no settings");
  r.outputType = std::string(profileRow(r.profileId)->formatName);
  ProfileChoices &c = r.choices;
  fillProfileOptions(r.profileId, c);

  // Quality levels: the window applies both whenever either one changes.
  const bool audioOnly = isAudioOnlyProfile(r.profileId);
  if (!o.videoQuality.empty() && audioOnly)
    throw UsageError("--video-quality " + inQuotes(o.videoQuality) + " is not offered by " + inQuotes(r.title) +
                      ": it has no video settings.");
  choose(c.comboVideoQuality, "--video-quality", o.videoQuality, r.title, findNoCase);
  choose(c.comboAudioQuality, "--audio-quality", o.audioQuality, r.title, findNoCase);
  if (!o.videoQuality.empty() || !o.audioQuality.empty()) applyQualityPreset(r.profileId, c);

  using namespace std::placeholders;
  choose(c.comboVideoSize, "--size", o.size, r.title, std::bind(findSize, _1, _2, std::cref(*set)));
  choose(c.comboVideoFramerate, "--fps", o.frameRate, r.title, std::bind(findFrameRate, _1, _2, std::cref(*set)));
  choose(c.comboAudioChannels, "--channels", o.channels, r.title, findChannels);
  choose(c.comboAspectRatio, "--aspect", o.aspect, r.title, findAspect);

  if (!o.volume.empty()) r.volumePosition = volumePositionFor(o.volume);
  r.volumeValue = volumeStep(r.volumePosition).value;
  r.overwrite = o.overwrite;
  r.keepMetadata = o.keepMetadata;
  r.outputFolder = o.outputFolder;
  return r;
}

std::string profileListText() {
  // The list's groups: video formats, audio formats, three groups of
  // devices, and the formats of today.
  static constexpr std::string_view kGroups[] = {"Video formats", "Audio formats", "Devices", "Devices",
                                                 "Devices",       "Formats of today"};
  std::ostringstream out;
  out << "Output profiles (* marks the default). Every profile also takes --aspect\n"
         "Original*, 4:3 or 16:9 and --volume 0..10 (5* = 100%). A quality level whose bit\n"
         "rate a profile does not offer keeps the default bit rate.\n";
  int separators = 0;
  std::string_view headed;
  for (std::string_view item : outputFormatItems) {
    if (isFormatSeparator(item)) {
      ++separators;
      continue;
    }
    const std::string_view group = kGroups[std::min(separators, 5)];
    if (group != headed) {
      out << "\n" << group << ":\n";
      headed = group;
    }
    const std::string title(item);
    const int id = profileIdOf(title);
    const ProfileChoices c = freshChoices(id);
    const bool video = !isAudioOnlyProfile(id);
    out << "\n  " << title << "\n";
    out << "    output         ." << lowerText(profileRow(id)->formatName) << "\n";
    auto qualityLine = [&](const char *name, bool forVideo, const ChoiceList &rates) {
      out << "    " << name << rates.text() << "*; by " << (forVideo ? "--video-quality: " : "--audio-quality: ");
      const std::vector<std::string> &levels = (forVideo ? c.comboVideoQuality : c.comboAudioQuality).items;
      for (size_t l = 0; l < levels.size(); ++l)
        out << (l ? ", " : "") << levels[l] << " " << presetRate(id, forVideo, static_cast<int>(l));
      out << "\n";
    };
    if (video) {
      const bool levels = usesQualityLevels(id);
      qualityLine(levels ? "video quality  " : "video bit rate ", true, c.comboVideoBitrate);
      out << "    size           " << joinItems(c.comboVideoSize) << "\n";
      out << "    fps            " << joinItems(c.comboVideoFramerate) << "\n";
    } else {
      out << "    video          none (audio only)\n";
    }
    qualityLine("audio bit rate ", false, c.comboAudioBitrate);
    out << "    channels       " << joinItems(c.comboAudioChannels) << "\n";
  }
  return out.str();
}

namespace {

// A whole number from 0 to `most` given as `--name`, or what is wrong with it.
int countOption(const std::string &given, const std::string &name, const std::string &what, int most) {
  const std::string t = trimText(given);
  int n = -1;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() || n < 0 || n > most)
    throw UsageError("--" + name + " " + inQuotes(given) + " is not a number of " + what + " from 0 to " +
                     std::to_string(most));
  return n;
}

}  // namespace

int threadsOption(const CliOptions &options) {
  return options.threads.empty() ? 0 : countOption(options.threads, "threads", "threads", kMaxThreads);
}

int jobsOption(const CliOptions &options) {
  return options.jobs.empty() ? 1 : countOption(options.jobs, "jobs", "conversions", kMostChosenJobs);
}

std::string versionText() { return std::string("trevix-convert ") + TREVIX_VERSION + "\n"; }

std::string helpText() {
  return R"HELP(Usage: trevix-convert [options] -o FOLDER FILE|SOURCE-FOLDER...
       trevix-convert --list-profiles
       trevix-convert --help | --version

Converts each FILE, one after another (or --jobs at once), into FOLDER with one output profile,
exactly as the window of Trevix MOV Video Converter does for the same
choices. A SOURCE-FOLDER stands for the QuickTime and MPEG-4 files in it
(*.mov, *.qt, *.m4v, *.mp4, *.m4a; in the order of their names, sub-folders
left out). Each output is named after its source with the profile's
extension; when that name exists, "-1", "-2", ... is added (unless
--overwrite).

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
  --channels CHANNELS    Stereo (or 2) or Mono (or 1); the formats of today
                         also Original (the source's channels, their default)
  --volume POSITION      the volume bar's position, 0 to 10 (5, the default,
                         keeps the volume; 0 is 0%, 10 is 200%), or its
                         label ("120%")
  --aspect RATIO         Original (from the source's picture size, the
                         default), 4:3 or 16:9
  --threads N            how many cores one conversion keeps busy: 0 (the
                         default) every core, 1 one thread only
  --jobs N               how many files convert at once: 1 (the default) to
                         8, or 0 for as many as the cores allow; each
                         conversion then keeps its share of the cores busy
  --rotate DEGREES       turn every picture by hand, clockwise, on top of
                         what the clip says: 90, 180 or 270 (the copying
                         profiles write it into the file instead)
  --start TIME           convert from TIME on: seconds ("5.5") or
                         HH:MM:SS[.mmm]; the same for every file. Exact to a
                         picture, except that copied pictures start at the
                         keyframe at or before TIME (the log says so)
  --end TIME             convert up to TIME (a start at or after the end, or
                         past the clip's length, fails that file)
  --target-size SIZE     fit each output into SIZE: 25MB, 8MiB, 700KB, 1.5GB
                         (MB = 1,000,000 bytes, MiB = 1,048,576). Pictures
                         are encoded in two passes: the first at the
                         profile's own quality (a clip that fits so keeps
                         it) measures the sound and the container's share,
                         the second encodes at the rate that leaves for the
                         length (of the cut). A size that cannot be reached
                         fails before encoding with the size that can; an
                         output that comes out over it is encoded once more
                         at a lower rate, then fails, and nothing is kept
  --overwrite            replace an existing output of the same name
                         (an output that would replace a file given as a
                         source is refused: that file ends "Fail")
  --no-metadata          the outputs carry no recording date, place or
                         camera, and get the time of their conversion
  --keep-metadata        keep them (the default): each output holds what
                         its container can of the source's recording date,
                         place and camera, and gets the recording time as
                         its file time; a file that keeps the place says
                         "keeps the recording place"
  -q, --quiet            print only the final line of each file
  --json                 print one JSON object a line instead, for scripts
                         (see below)
  --list-profiles        list the profiles with their choices and defaults
  -h, --help             show this text
  --version              show the version

A value the profile does not offer is refused, with the list of what it
offers, before anything is converted.

Output: for each file a header, a progress line (percentage, frames, frames
per second, speed as a multiple of real time, elapsed and estimated time
left; rewritten in place on a terminal, one line per report otherwise), and
a final line "Done", "Fail" with the reason, or "Abort"; then a summary.

Outputs are written under a short hidden temporary name
(".trevix-part-k3j9x2qa.mp4") in the output folder, locked while they are
written, and get their name only when they are whole. A run removes the
temporary files of its output folder that no running conversion holds
(those of a run that was killed), and its log says so. An output whose name
was taken meanwhile (by another run into the same folder) gets the next free
name ("clip-1.mp4"), which its final line gives.
With --json every line is one JSON object whose "event" says what it is:
  {"event":"started","file":...,"output":...,"position":1,"count":2,
   "notice":"keeps the recording place"}  (the notice only when it does)
  {"event":"progress","file":...,"percent":37,"position_ms":...,
   "duration_ms":...,"frames":...,"fps":...,"speed":1.25,"elapsed":2.0,
   "left":3.4,"size":...}            (null where a figure is unknown)
  {"event":"ended","file":...,"state":"Done"|"Fail"|"Abort",
   "output":...,"reason":null|"why it failed"}
  {"event":"summary","files":2,"done":1,"fail":1,"abort":0,
   "not_converted":0,"exit_status":1}
A file that cannot be set up ends without a "started" line. A name that is
not valid UTF-8 has U+FFFD for the bytes that are not, and comes a second
time with every byte, in base64, in "file_bytes" or "output_bytes".

Ctrl-C stops the running file as the window's Stop button does: what was
converted so far is kept, properly closed, under a name that says so and
where it stopped ("clip (stopped at 00-00-09).mp4"), so that the final name
stays free; the file ends "Abort" and the files after it are not converted. A second Ctrl-C removes the unfinished
output and quits. SIGTERM and SIGHUP stop the run the same way.

Exit status: 0 when every file is "Done", 1 otherwise, 2 for bad arguments,
128 + the number of the signal that stopped the run: 130 after Ctrl-C, 143
after SIGTERM.

The media libraries are loaded from the "Common" folder beside the program.

Example:
  trevix-convert --profile "ipod (*.mp4)" --video-quality Highest \
      -o ~/Videos/ipod holiday.mov party.mov
)HELP";
}
