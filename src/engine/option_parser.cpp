// The option language of a task: the option table, the generic fall-back
// into the libraries' option tables, the typed setters and the presets.
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>

#include "binding.h"
#include "engine_log.h"
#include "text_format.h"
#include "transcode_task.h"

namespace {

bool isBlank(const std::string &s) {
  for (unsigned char c : s)
    if (!std::isspace(c) && c >= ' ') return false;
  return true;
}

std::string trim(const std::string &s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// Strict conversions: the whole text (leading blanks allowed) must be the
// number, else the conversion's own error.
int64_t toInt64(const std::string &value) {
  const char *p = value.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  char *end = nullptr;
  errno = 0;
  long long v = std::strtoll(p, &end, 10);
  if (end == p || *end != 0 || errno == ERANGE)
    throw EngineError("'" + value + "' is not a valid integer value");
  return v;
}

int toInt(const std::string &value) {
  int64_t v = toInt64(value);
  if (v < INT32_MIN || v > INT32_MAX) throw EngineError("'" + value + "' is not a valid integer value");
  return static_cast<int>(v);
}

double toFloat(const std::string &value) {
  const char *p = value.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  char *end = nullptr;
  errno = 0;
  double v = std::strtod(p, &end);
  if (end == p || *end != 0 || errno == ERANGE)
    throw EngineError("'" + value + "' is not a valid floating point value");
  return v;
}

// Lenient conversions for the aspect text: unreadable counts as 0.
int intOr0(const std::string &s) {
  try {
    return toInt(s);
  } catch (const EngineError &) {
    return 0;
  }
}
double floatOr0(const std::string &s) {
  try {
    return toFloat(s);
  } catch (const EngineError &) {
    return 0.0;
  }
}

int64_t parseTime(const std::string &optName, const std::string &value, bool duration) {
  int64_t us = 0;
  if (libavutil.av_parse_time(&us, value.c_str(), duration ? 1 : 0) < 0 || us == INT64_MIN)
    throw EngineError(formatText("Invalid %s specification for %s: %s", duration ? "duration" : "date",
                                 optName.c_str(), value.c_str()));
  return us;
}

// Reads the number at `p` (in any base strtol knows) into `value` and steps
// past it and the one separator after it. Returns whether a separator
// followed (the "file:stream:syncfile:syncstream" fields of the maps).
bool nextField(const char *&p, int &value) {
  char *end = nullptr;
  value = static_cast<int>(std::strtol(p, &end, 0));
  p = end;
  if (!*p) return false;
  ++p;
  return true;
}

std::string programDirectory() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  path[n] = 0;
  std::string s(path);
  size_t slash = s.rfind('/');
  return slash == std::string::npos ? "./" : s.substr(0, slash + 1);
}

// ---- names of the old option language that the libraries renamed ----

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

}  // namespace

// ---------------------------------------------------------------------------
// Option text

void TranscodeTask::applyOptionText(const std::string &text) {
  // Trim blanks and control characters at both ends; one kind of line break.
  std::string t = trim(text);
  std::string normal;
  normal.reserve(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\r') {
      normal += '\n';
      if (i + 1 < t.size() && t[i + 1] == '\n') ++i;
    } else {
      normal += t[i];
    }
  }
  size_t pos = 0;
  while (pos < normal.size()) {
    size_t lf = normal.find('\n', pos);
    std::string line = normal.substr(pos, lf == std::string::npos ? std::string::npos : lf - pos);
    pos = lf == std::string::npos ? normal.size() : lf + 1;
    size_t eq = line.find('=');
    std::string name = eq == std::string::npos ? line : line.substr(0, eq);
    std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    if (name.empty() && value.empty()) continue;
    parseOption(name, value);
  }
}

// ---------------------------------------------------------------------------
// The option table

void TranscodeTask::parseOption(const std::string &name, const std::string &value) {
  using Action = void (*)(TranscodeTask &, const std::string &, const std::string &);
  struct Row {
    const char *name;
    Action action;
  };
  static const Action ignored = [](TranscodeTask &t, const std::string &n, const std::string &) {
    t.log(1, "Do nothing: option - " + n);
  };
  static const Action refused = [](TranscodeTask &, const std::string &n, const std::string &) {
    throw EngineError("TODO: option - " + n);
  };
  static const Row kTable[] = {
      {"L", ignored},
      {"h", ignored},
      {"version", ignored},
      {"formats", ignored},
      {"f", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setFormat(v); }},
      {"i", ignored},
      {"y", ignored},
      {"map",
       [](TranscodeTask &t, const std::string &, const std::string &v) {
         if (t.options.streamMaps.size() >= static_cast<size_t>(kMaxStreams))
           throw EngineError(formatText("Too many stream maps (at most %d)", kMaxStreams));
         StreamMap m;
         const char *p = v.c_str();
         nextField(p, m.file);
         if (nextField(p, m.stream)) {
           nextField(p, m.syncFile);
           nextField(p, m.syncStream);
         } else {
           m.syncFile = m.file;
           m.syncStream = m.stream;
         }
         t.options.streamMaps.push_back(m);
       }},
      {"map_meta_data",
       [](TranscodeTask &t, const std::string &, const std::string &v) {
         if (t.options.metaDataMaps.size() >= static_cast<size_t>(kMaxFiles))
           throw EngineError(formatText("Too many metadata maps (at most %d)", kMaxFiles));
         MetaDataMap m;
         const char *p = v.c_str();
         nextField(p, m.outFile);
         nextField(p, m.inFile);
         t.options.metaDataMaps.push_back(m);
       }},
      {"t",
       [](TranscodeTask &t, const std::string &n, const std::string &v) {
         t.setRecordingTimeMs(parseTime(n, v, true) / 1000);
       }},
      {"fs", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.limitFileSize = toInt64(v); }},
      {"ss",
       [](TranscodeTask &t, const std::string &n, const std::string &v) {
         t.options.inputStartTime = parseTime(n, v, true);
       }},
      {"itsoffset",
       [](TranscodeTask &t, const std::string &n, const std::string &v) {
         t.options.inputTsOffset = parseTime(n, v, true);
       }},
      {"itsscale",
       [](TranscodeTask &t, const std::string &, const std::string &v) {
         const char *p = v.c_str();
         char *end = nullptr;
         long stream = std::strtol(p, &end, 10);
         p = end;
         if (*p) ++p;
         double scale = std::strtod(p, nullptr);
         if (stream < 0 || stream >= kMaxStreams)
           throw EngineError(formatText("stream index over MAX_STREAMS(%d)", kMaxStreams));
         const size_t next = t.inputFiles.size();
         if (next >= static_cast<size_t>(kMaxFiles)) throw EngineError("Too many input files");
         t.options.inputTsScale[next][stream] = scale;
       }},
      {"title", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.title = v; }},
      {"timestamp",
       [](TranscodeTask &t, const std::string &n, const std::string &v) {
         t.options.recTimestamp = static_cast<int64_t>(std::llround(parseTime(n, v, false) / 1000000.0));
       }},
      {"author", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.author = v; }},
      {"copyright", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.copyright = v; }},
      {"comment", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.comment = v; }},
      {"genre", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.genre = v; }},
      {"album", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.album = v; }},
      {"dframes", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.maxDataFrames = toInt(v); }},
      {"benchmark", ignored},
      {"dump", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.doPktDump = 1; }},
      {"hex", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.doHexDump = 1; }},
      {"re", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.rateEmu = 1; }},
      {"loop_input", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.loopInput = 1; }},
      {"loop_output", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.loopOutput = toInt(v); }},
      {"v", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setVerbosity(toInt(v)); }},
      {"target",
       [](TranscodeTask &t, const std::string &, const std::string &v) {
         std::string type = trim(v);
         std::string norm = "auto";
         for (const char *prefix : {"pal-", "ntsc-", "film-"}) {
           if (type.rfind(prefix, 0) == 0) {
             norm = std::string(prefix, std::strlen(prefix) - 1);
             type = type.substr(std::strlen(prefix));
             break;
           }
         }
         t.applyTarget(type, norm, "ntsc");
       }},
      {"threads", refused},
      {"vsync", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setVideoSyncMethod(toInt(v)); }},
      {"async", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setAudioSyncMethod(toInt(v)); }},
      {"adrift_threshold",
       [](TranscodeTask &t, const std::string &, const std::string &v) {
         t.options.audioDriftThreshold = static_cast<float>(toFloat(v));
       }},
      {"vglobal", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.videoGlobalHeader = toInt(v); }},
      {"copyts", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.copyTs = 1; }},
      {"shortest", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.shortest = 1; }},
      {"dts_delta_threshold",
       [](TranscodeTask &t, const std::string &, const std::string &v) {
         t.options.dtsDeltaThreshold = static_cast<float>(toFloat(v));
       }},
      {"programid", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.programId = toInt(v); }},
      {"b", [](TranscodeTask &t, const std::string &n, const std::string &v) { t.setBitRateOption(n, v); }},
      {"vb", [](TranscodeTask &t, const std::string &n, const std::string &v) { t.setBitRateOption(n, v); }},
      {"vframes", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.maxVideoFrames = toInt(v); }},
      {"r", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setFrameRate(v); }},
      {"s", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setFrameSize(v); }},
      {"aspect", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setAspect(v); }},
      {"pix_fmt",
       [](TranscodeTask &t, const std::string &, const std::string &v) {
         if (v == "list") t.listPixelFormats();
         else t.options.framePixFmt = libavutil.av_get_pix_fmt(v.c_str());
       }},
      {"croptop", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setCropTop(toInt(v)); }},
      {"cropbottom", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setCropBottom(toInt(v)); }},
      {"cropleft", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setCropLeft(toInt(v)); }},
      {"cropright", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setCropRight(toInt(v)); }},
      {"padtop", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setPadTop(toInt(v)); }},
      {"padbottom", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setPadBottom(toInt(v)); }},
      {"padleft", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setPadLeft(toInt(v)); }},
      {"padright", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setPadRight(toInt(v)); }},
      {"padcolor",
       [](TranscodeTask &t, const std::string &, const std::string &v) {
         t.setPadColor(static_cast<uint32_t>(toInt(v)));
       }},
      {"intra", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.intraOnly = 1; }},
      {"vn", [](TranscodeTask &t, const std::string &, const std::string &) { t.setVideoDisable(); }},
      {"vdt", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.videoDiscard = toInt(v); }},
      {"qscale",
       [](TranscodeTask &t, const std::string &, const std::string &v) {
         double q = toFloat(v);
         if (!(q > 0.0 && q <= 255.0)) throw EngineError("qscale must be > 0.0 and <= 255");
         t.options.videoQscale = static_cast<float>(q);
       }},
      {"rc_override", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.rcOverride = v; }},
      {"vcodec", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setVideoCodec(v); }},
      {"me_threshold", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.meThreshold = toInt(v); }},
      {"sameq", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.sameQuality = 1; }},
      {"pass",
       [](TranscodeTask &t, const std::string &, const std::string &v) {
         int pass = toInt(v);
         if (pass != 1 && pass != 2) throw EngineError("pass number can be only 1 or 2");
         t.options.passNumber = pass;
       }},
      {"passlogfile", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.passLogFileName = v; }},
      {"deinterlace", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.doDeinterlace = 1; }},
      {"psnr", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.doPsnr = 1; }},
      {"vstats",
       [](TranscodeTask &t, const std::string &, const std::string &) {
         std::time_t now = std::time(nullptr);
         std::tm tm{};
         localtime_r(&now, &tm);
         char hms[16];
         std::strftime(hms, sizeof hms, "%H%M%S", &tm);
         t.options.vstatsFileName = formatText("%svstats_%s.log", programDirectory().c_str(), hms);
       }},
      {"vstats_file", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.vstatsFileName = v; }},
      {"vhook", [](TranscodeTask &t, const std::string &, const std::string &v) { t.addVhook(v); }},
      {"intra_matrix", [](TranscodeTask &t, const std::string &, const std::string &v) { t.parseMatrix(v, t.options.intraMatrix); }},
      {"inter_matrix", [](TranscodeTask &t, const std::string &, const std::string &v) { t.parseMatrix(v, t.options.interMatrix); }},
      {"top", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.topFieldFirst = toInt(v); }},
      {"dc", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.intraDcPrecision = toInt(v); }},
      {"vtag", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setVideoTag(v); }},
      {"newvideo", [](TranscodeTask &t, const std::string &, const std::string &) { newStreamOnLastOutput(t, AVMEDIA_TYPE_VIDEO); }},
      {"qphist", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.qpHist = 1; }},
      {"ab", [](TranscodeTask &t, const std::string &n, const std::string &v) { t.setBitRateOption(n, v); }},
      {"aframes", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.maxAudioFrames = toInt(v); }},
      {"aq", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.audioQscale = static_cast<float>(toFloat(v)); }},
      {"ar", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setAudioSampleRate(toInt(v)); }},
      {"ac", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setAudioChannels(toInt(v)); }},
      {"an", [](TranscodeTask &t, const std::string &, const std::string &) { t.setAudioDisable(); }},
      {"acodec", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setAudioCodec(v); }},
      {"atag", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setAudioTag(v); }},
      {"vol", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.audioVolume = toInt(v); }},
      {"newaudio", [](TranscodeTask &t, const std::string &, const std::string &) { newStreamOnLastOutput(t, AVMEDIA_TYPE_AUDIO); }},
      {"alang", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.audioLanguage = v; }},
      {"sn", [](TranscodeTask &t, const std::string &, const std::string &) { t.setSubtitleDisable(); }},
      {"scodec", [](TranscodeTask &t, const std::string &, const std::string &v) { t.setSubtitleCodec(v); }},
      {"newsubtitle",
       [](TranscodeTask &t, const std::string &, const std::string &) { newStreamOnLastOutput(t, AVMEDIA_TYPE_SUBTITLE); }},
      {"slang", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.subtitleLanguage = v; }},
      {"vc", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.videoChannel = toInt(v); }},
      {"tvstd", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.videoStandard = v; }},
      {"isync", [](TranscodeTask &t, const std::string &, const std::string &) { t.options.inputSync = 1; }},
      {"muxdelay", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.muxMaxDelay = static_cast<float>(toFloat(v)); }},
      {"muxpreload", [](TranscodeTask &t, const std::string &, const std::string &v) { t.options.muxPreload = static_cast<float>(toFloat(v)); }},
      {"absf", refused},
      {"vbsf", refused},
      {"sbsf", refused},
      {"apre", ignored},
      {"vpre", ignored},
      {"spre", ignored},
  };
  static_assert(sizeof kTable / sizeof kTable[0] == 103, "the option table has 103 rows");

  for (const Row &row : kTable) {
    if (name == row.name) {
      row.action(*this, name, value);
      return;
    }
  }
  setGenericOption(name, value);
}

// ---------------------------------------------------------------------------
// Generic options

bool TranscodeTask::setGenericOption(const std::string &givenName, const std::string &givenValue) {
  if (isBlank(givenName) || isBlank(givenValue)) return false;
  if (!librariesLoaded() || !options.codecDefaults[kVideoKind]) return false;

  std::string name = givenName;
  std::string value = givenValue;
  unsigned kinds = kAllKinds;
  for (const OldName &o : kOldNames) {
    if (name == o.name) {
      name = o.now;
      kinds = o.kinds;
      break;
    }
  }
  // The SVCD scan-offset flag is an option of the MPEG-2 encoder today.
  if (name == "flags" && (equalsNoCase(value, "+SCAN_OFFSET") || equalsNoCase(value, "SCAN_OFFSET"))) {
    name = "scan_offset";
    value = "1";
  }

  static const int kKindFlags[kStreamKindCount] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                              AV_OPT_FLAG_SUBTITLE_PARAM, 0};
  AVCodecContext *videoDefaults = options.codecDefaults[kVideoKind].get();
  const AVOption *set = nullptr;
  std::string libraryName;
  for (int k = 0; k < kStreamKindCount; ++k) {
    if (!(kinds & (1u << k))) continue;
    const AVOption *o = libavutil.av_opt_find(videoDefaults, name.c_str(), nullptr, kKindFlags[k], 0);
    if (o && libavutil.av_opt_set(options.codecDefaults[k].get(), name.c_str(), value.c_str(), 0) >= 0) {
      set = o;
      libraryName = o->name;
    }
  }
  // The option `optionName` of `target`, when it has one that takes `value`.
  auto setOn = [&](void *target, const std::string &optionName) {
    const AVOption *o = libavutil.av_opt_find(target, optionName.c_str(), nullptr, 0, 0);
    if (o && libavutil.av_opt_set(target, optionName.c_str(), value.c_str(), 0) >= 0) {
      set = o;
      libraryName = o->name;
    }
  };
  if (!set && options.formatDefaults) setOn(options.formatDefaults.get(), name);
  if (!set && options.swsDefaults) setOn(options.swsDefaults.get(), name);
  if (!set && name.size() > 1 && (name[0] == 'a' || name[0] == 'v' || name[0] == 's')) {
    const StreamKind k = name[0] == 'a' ? kAudioKind : name[0] == 'v' ? kVideoKind : kSubtitleKind;
    setOn(options.codecDefaults[k].get(), name.substr(1));
  }
  if (!set) {
    // Options that only particular encoders or muxers know are kept for
    // them and handed over when they open.
    const PrivateKinds p = privateOptionKinds(name);
    bool kept = false;
    for (int k : {kVideoKind, kAudioKind, kSubtitleKind}) {
      if (p.codecKinds & kinds & (1u << k)) {
        libavutil.av_dict_set(options.codecPrivateOptions[k].slot(), name.c_str(), value.c_str(), 0);
        kept = true;
      }
    }
    if (p.muxer) {
      libavutil.av_dict_set(options.formatPrivateOptions.slot(), name.c_str(), value.c_str(), 0);
      kept = true;
    }
    return kept;
  }

  bool known = false;
  for (const auto &n : options.setOptionNames) known = known || n == libraryName;
  if (!known) options.setOptionNames.push_back(libraryName);
  if (videoDefaults->debug != 0 || (options.formatDefaults && options.formatDefaults->debug != 0))
    setVerbosity(2);
  return true;
}

bool TranscodeTask::setGenericOptionInt(const std::string &name, int64_t value) {
  return setGenericOption(name, std::to_string(value));
}

void TranscodeTask::setBitRateOption(const std::string &name, const std::string &value) {
  if (!setGenericOption(name, value) || !hasLogSink()) return;
  const StreamKind k = !name.empty() && name[0] == 'a' ? kAudioKind : kVideoKind;
  int64_t b = 0;
  if (options.codecDefaults[k] &&
      libavutil.av_opt_get_int(options.codecDefaults[k].get(), "b", 0, &b) >= 0 && b < 1000)
    log(1, "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

// ---------------------------------------------------------------------------
// Typed setters

namespace {
// "pgmyuv" is read and written by the image-sequence format today.
std::string currentFormatName(TranscodeTask &t, const std::string &name) {
  if (name != "pgmyuv") return name;
  t.options.pgmyuvCompat = 1;
  t.log(1, "pgmyuv format is deprecated, use image2");
  return "image2";
}
}  // namespace

void TranscodeTask::setFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(*this, givenName);
  options.inputFormat = libavformat.av_find_input_format(name.c_str());
  options.outputFormat = libavformat.av_guess_format(name.c_str(), nullptr, nullptr);
  if (!options.inputFormat && !options.outputFormat)
    throw EngineError("Unknown input or output format: " + name);
}

void TranscodeTask::setInputFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(*this, givenName);
  options.inputFormat = libavformat.av_find_input_format(name.c_str());
  if (!options.inputFormat) throw EngineError("Unknown input format: " + name);
}

void TranscodeTask::setOutputFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(*this, givenName);
  options.outputFormat = libavformat.av_guess_format(name.c_str(), nullptr, nullptr);
  if (!options.outputFormat) throw EngineError("Unknown output format: " + name);
}

void TranscodeTask::setFrameRate(const std::string &text) {
  AVRational r{0, 0};
  if (libavutil.av_parse_video_rate(&r, text.c_str()) < 0) throw EngineError("Incorrect frame rate");
  options.videoFrameRate = r;
}

void TranscodeTask::setFrameSize(const std::string &text) {
  int w = 0, h = 0;
  if (libavutil.av_parse_video_size(&w, &h, text.c_str()) < 0) throw EngineError("Incorrect frame size");
  if ((w % 2) != 0 || (h % 2) != 0) throw EngineError("Frame size must be a multiple of 2");
  options.frameWidth = w;
  options.frameHeight = h;
}

void TranscodeTask::setAspect(const std::string &text) {
  double ratio = 0.0;
  size_t colon = text.find(':');
  if (colon != std::string::npos) {
    const int x = intOr0(text.substr(0, colon));
    const int y = intOr0(text.substr(colon + 1));
    if (y > 0) ratio = static_cast<double>(x) / y;
  } else {
    ratio = floatOr0(text);
  }
  if (ratio == 0.0) throw EngineError("Incorrect aspect ratio specification.");
  options.frameAspectRatio = static_cast<float>(ratio);
}

namespace {
const char kVerticalCrop[] =
    "Vertical crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";
const char kHorizontalCrop[] =
    "Horizontal crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";

void cropSide(int v, const char *side, int &store, int &dimension, const char *rangeMessage) {
  if (v < 0) return;
  if (v % 2 != 0) throw EngineError(std::string(side) + " crop size must be a multiple of 2");
  if (v >= dimension) throw EngineError(rangeMessage);
  store = v;
  dimension -= v;
}

void padSide(int v, const char *side, int &store) {
  if (v < 0) return;
  if (v % 2 != 0) throw EngineError(std::string(side) + " pad size must be a multiple of 2");
  store = v;
}
}  // namespace

void TranscodeTask::setCropTop(int v) { cropSide(v, "Top", options.cropTop, options.frameHeight, kVerticalCrop); }
void TranscodeTask::setCropBottom(int v) {
  cropSide(v, "Bottom", options.cropBottom, options.frameHeight, kVerticalCrop);
}
void TranscodeTask::setCropLeft(int v) { cropSide(v, "Left", options.cropLeft, options.frameWidth, kHorizontalCrop); }
void TranscodeTask::setCropRight(int v) {
  cropSide(v, "Right", options.cropRight, options.frameWidth, kHorizontalCrop);
}
void TranscodeTask::setPadTop(int v) { padSide(v, "Top", options.padTop); }
void TranscodeTask::setPadBottom(int v) { padSide(v, "Bottom", options.padBottom); }
void TranscodeTask::setPadLeft(int v) { padSide(v, "Left", options.padLeft); }
void TranscodeTask::setPadRight(int v) { padSide(v, "Right", options.padRight); }

void TranscodeTask::setPadColor(uint32_t rgb) {
  const int r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  // Full-range YCbCr in 10-bit fixed point; >> on a negative int floors.
  options.padColorY = (307 * r + 602 * g + 117 * b + 512) >> 10;
  options.padColorU = ((-173 * r - 340 * g + 512 * b + 511) >> 10) + 128;
  options.padColorV = ((512 * r - 429 * g - 84 * b + 511) >> 10) + 128;
}

namespace {
void codecName(const std::string &v, std::string &name, int &copy) {
  if (v.empty()) return;
  name.clear();
  if (v == "copy") copy = 1;
  else name = v;
}

uint32_t fourCC(const std::string &tag, const char *message) {
  if (tag.size() != 4) throw EngineError(message);
  return static_cast<uint32_t>(static_cast<unsigned char>(tag[0])) |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[3])) << 24;
}
}  // namespace

void TranscodeTask::setVideoCodec(const std::string &n) { codecName(n, options.videoCodecName, options.videoStreamCopy); }
void TranscodeTask::setAudioCodec(const std::string &n) { codecName(n, options.audioCodecName, options.audioStreamCopy); }
void TranscodeTask::setSubtitleCodec(const std::string &n) {
  codecName(n, options.subtitleCodecName, options.subtitleStreamCopy);
}
void TranscodeTask::setVideoTag(const std::string &tag) {
  options.videoCodecTag = fourCC(tag, "video tag parameter must be 4 chars");
}
void TranscodeTask::setAudioTag(const std::string &tag) {
  options.audioCodecTag = fourCC(tag, "audio tag parameter must be 4 chars");
}
void TranscodeTask::setAudioSampleRate(int hz) {
  if (hz > 0) options.audioSampleRate = hz;
}
void TranscodeTask::setAudioChannels(int channels) {
  if (channels > 0) options.audioChannels = channels;
}
void TranscodeTask::setAudioVolume(int volume) {
  if (volume >= 0) options.audioVolume = volume;
}
void TranscodeTask::setVideoSyncMethod(int method) { options.videoSyncMethod = method; }
void TranscodeTask::setAudioSyncMethod(int method) { options.audioSyncMethod = method; }
void TranscodeTask::setMuxDelay(float seconds) {
  if (seconds > 0) options.muxMaxDelay = seconds;
}
void TranscodeTask::setMuxPreload(float seconds) {
  if (seconds > 0) options.muxPreload = seconds;
}
void TranscodeTask::setTitle(const std::string &s) {
  if (!s.empty()) options.title = s;
}
void TranscodeTask::setAuthor(const std::string &s) {
  if (!s.empty()) options.author = s;
}
void TranscodeTask::setCopyright(const std::string &s) {
  if (!s.empty()) options.copyright = s;
}
void TranscodeTask::setComment(const std::string &s) {
  if (!s.empty()) options.comment = s;
}
void TranscodeTask::setAlbum(const std::string &s) {
  if (!s.empty()) options.album = s;
}
void TranscodeTask::setGenre(const std::string &s) {
  if (!s.empty()) options.genre = s;
}
void TranscodeTask::setYear(int year) {
  if (year > 0) options.year = year;
}
void TranscodeTask::setTrack(int track) {
  if (track > 0) options.track = track;
}
void TranscodeTask::setStartTimeUs(int64_t us) {
  if (us > 0) options.inputStartTime = us;
}
void TranscodeTask::setProgramId(int id) {
  if (id >= 0) options.programId = id;
}
void TranscodeTask::setRecordingTimeMs(int64_t ms) {
  if (ms <= 0) return;
  options.expectedDurationMs = static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX));
  options.recordingTime = ms * 1000;
}
void TranscodeTask::setTimestamp(int64_t secondsSince1970) { options.recTimestamp = secondsSince1970; }
void TranscodeTask::setAudioLanguage(const std::string &s) { options.audioLanguage = s; }
void TranscodeTask::setSubtitleLanguage(const std::string &s) { options.subtitleLanguage = s; }
void TranscodeTask::setCopyTs(bool on) { options.copyTs = on ? 1 : 0; }
void TranscodeTask::setVideoDisable() { options.videoDisable = 1; }
void TranscodeTask::setAudioDisable() { options.audioDisable = 1; }
void TranscodeTask::setSubtitleDisable() { options.subtitleDisable = 1; }

// ---------------------------------------------------------------------------
// Pixel formats, matrices, hooks

void TranscodeTask::listPixelFormats() {
  if (!hasLogSink()) return;
  for (int i = -1; i < 40; ++i) {
    char line[128] = {};
    libavutil.av_get_pix_fmt_string(line, sizeof line, static_cast<AVPixelFormat>(i));
    log(1, trim(line));
  }
}

void TranscodeTask::parseMatrix(const std::string &value, std::vector<uint16_t> &matrix) {
  std::vector<uint16_t> m(64, 0);
  const char *p = value.c_str();
  for (int i = 0; i < 64; ++i) {
    m[i] = static_cast<uint16_t>(std::atoi(p));
    if (i == 63) break;
    p = std::strchr(p, ',');
    if (!p) throw EngineError(formatText("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i));
    ++p;
  }
  matrix = std::move(m);
}

void TranscodeTask::addVhook(const std::string &value) {
  const char *separator = value.find('|') != std::string::npos ? "|" : " ";
  std::vector<std::string> tokens;
  size_t pos = 0;
  while (pos <= value.size() && tokens.size() < 254) {
    size_t next = value.find_first_of(separator, pos);
    std::string token = value.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
    if (!token.empty()) tokens.push_back(token);
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  std::vector<char *> argv;
  for (auto &t : tokens) argv.push_back(t.data());
  argv.push_back(nullptr);
  // A module name with a folder part is loaded from that folder by path.
  const int rc = tokens.empty() ? -2 : addVideoHook(videoHooks, static_cast<int>(tokens.size()), argv.data());
  if (rc != 0) throw EngineError("Failed to add video hook function: " + value);
  options.usingVhook = 1;
}

// ---------------------------------------------------------------------------
// Target presets

int TranscodeTask::resolveNorm(const std::string &norm, const std::string &defaultNorm) {
  if (norm == "pal") return 0;
  if (norm == "ntsc") return 1;
  if (norm == "film") return 2;
  // 25 fps is PAL; 29.97 and 23.976 fps are NTSC; -1 for other rates.
  auto normOfRate = [](AVRational r) {
    const long rate = std::lround(static_cast<double>(r.num) * 1000.0 / r.den);
    return rate == 25000 ? 0 : (rate == 29970 || rate == 23976) ? 1 : -1;
  };
  const AVRational fr = options.videoFrameRate;
  if (fr.den == 0) throw EngineError("frame_rate is invalid.");
  int result = normOfRate(fr);
  for (size_t i = 0; result < 0 && i < inputFiles.size(); ++i) {
    const AVFormatContext *ctx = inputFiles[i].ctx.get();
    if (!ctx) continue;
    for (unsigned s = 0; result < 0 && s < ctx->nb_streams; ++s) {
      const AVStream *st = ctx->streams[s];
      if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
      const AVRational r = st->r_frame_rate.num ? st->r_frame_rate : st->avg_frame_rate;
      if (r.num == 0 || r.den == 0) continue;
      result = normOfRate(r);
    }
  }
  if (result < 0) result = defaultNorm == "film" ? 2 : defaultNorm == "ntsc" ? 1 : 0;
  if (options.verbose > 0 && hasLogSink()) logF(1, "Assuming %s for target.", result == 0 ? "PAL" : "NTSC");
  return result;
}

void TranscodeTask::applyTarget(const std::string &type, const std::string &norm,
                                const std::string &defaultNorm) {
  const int n = resolveNorm(norm, defaultNorm);
  const bool ntsc = n != 0;
  static const char *const kRates[3] = {"25", "30000/1001", "24000/1001"};
  const char *rate = kRates[n];
  const int gop = ntsc ? 18 : 15;

  if (type == "vcd") {
    setVideoCodec("mpeg1video");
    setAudioCodec("mp2");
    setOutputFormat("vcd");
    setFrameSize(ntsc ? "352x240" : "352x288");
    setFrameRate(rate);
    setGenericOptionInt("gop", gop);
    setGenericOption("b", "1150000");
    setGenericOption("maxrate", "1150000");
    setGenericOption("minrate", "1150000");
    setGenericOption("bufsize", "327680");
    setGenericOption("ab", "224000");
    setGenericOption("packetsize", "2324");
    setGenericOption("muxrate", "1411200");
    setAudioSampleRate(44100);
    setAudioChannels(2);
    options.muxPreload = 0.44f;
    if (options.frameAspectRatio == 0.0f) setAspect("4:3");
  } else if (type == "svcd") {
    setVideoCodec("mpeg2video");
    setAudioCodec("mp2");
    setOutputFormat("svcd");
    setFrameSize(ntsc ? "480x480" : "480x576");
    setFrameRate(rate);
    setGenericOptionInt("gop", gop);
    setGenericOption("b", "2040000");
    setGenericOption("maxrate", "2516000");
    setGenericOption("minrate", "0");
    setGenericOption("bufsize", "1835008");
    setGenericOption("flags", "+SCAN_OFFSET");
    setGenericOption("ab", "224000");
    setGenericOption("packetsize", "2324");
    setAudioSampleRate(44100);
    if (options.audioChannels == 1) setAudioChannels(2);
    if (options.frameAspectRatio == 0.0f) setAspect("4:3");
  } else if (type == "dvd") {
    setVideoCodec("mpeg2video");
    setAudioCodec("ac3");
    setOutputFormat("dvd");
    setFrameSize(ntsc ? "720x480" : "720x576");
    setFrameRate(rate);
    setGenericOptionInt("gop", gop);
    setGenericOption("b", "6000000");
    setGenericOption("maxrate", "9000000");
    setGenericOption("minrate", "0");
    setGenericOption("bufsize", "1835008");
    setGenericOption("packetsize", "2048");
    setGenericOption("muxrate", "10080000");
    setGenericOption("ab", "448000");
    setAudioSampleRate(48000);
    if (options.audioChannels == 1) setAudioChannels(2);
    if (options.frameAspectRatio == 0.0f) setAspect("16:9");
  } else if (type == "dv" || type == "dv50") {
    setOutputFormat("dv");
    setFrameSize(ntsc ? "720x480" : "720x576");
    setFrameRate(rate);
    const char *pix = type == "dv50" ? "yuv422p" : ntsc ? "yuv411p" : "yuv420p";
    options.framePixFmt = libavutil.av_get_pix_fmt(pix);
    setAudioSampleRate(48000);
    setAudioChannels(2);
  } else {
    throw EngineError("Unknown target type");
  }
}
