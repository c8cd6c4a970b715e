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
#include "ffmpeg_core.h"

namespace {

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char *fmt, ...) {
  char buffer[2048];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

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
    throw FFMpegException("'" + value + "' is not a valid integer value");
  return v;
}

int toInt(const std::string &value) {
  int64_t v = toInt64(value);
  if (v < INT32_MIN || v > INT32_MAX) throw FFMpegException("'" + value + "' is not a valid integer value");
  return static_cast<int>(v);
}

double toFloat(const std::string &value) {
  const char *p = value.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  char *end = nullptr;
  errno = 0;
  double v = std::strtod(p, &end);
  if (end == p || *end != 0 || errno == ERANGE)
    throw FFMpegException("'" + value + "' is not a valid floating point value");
  return v;
}

// Lenient conversions for the aspect text: unreadable counts as 0.
int intOr0(const std::string &s) {
  try {
    return toInt(s);
  } catch (const FFMpegException &) {
    return 0;
  }
}
double floatOr0(const std::string &s) {
  try {
    return toFloat(s);
  } catch (const FFMpegException &) {
    return 0.0;
  }
}

int64_t parseTime(const std::string &optName, const std::string &value, bool duration) {
  int64_t us = 0;
  if (libavutil.av_parse_time(&us, value.c_str(), duration ? 1 : 0) < 0 || us == INT64_MIN)
    throw FFMpegException(format("Invalid %s specification for %s: %s", duration ? "duration" : "date",
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
  kVideo = 1u << skVideo,
  kAudio = 1u << skAudio,
  kData = 1u << skData,
  kSubtitle = 1u << skSubtitle,
  kAttachment = 1u << skAttachment,
  kAllKinds = kVideo | kAudio | kData | kSubtitle | kAttachment,
};

struct TOldName {
  const char *name;
  const char *now;
  unsigned kinds;  // stream kinds the name applied to
};

// "gop" is "g" today; the bit-rate family was video-only ("ab", "abt" are
// the audio forms), while today's names also reach the audio defaults.
const TOldName kOldNames[] = {
    {"gop", "g", kAllKinds},      {"b", "b", kVideo},
    {"bt", "bt", kVideo},         {"maxrate", "maxrate", kVideo},
    {"minrate", "minrate", kVideo}, {"bufsize", "bufsize", kVideo},
};

// Which encoders (per kind) or muxers know `name` among their own options.
struct TPrivateKinds {
  unsigned codecKinds = 0;
  bool muxer = false;
};

TPrivateKinds privateOptionKinds(const std::string &name) {
  static std::mutex lock;
  static std::map<std::string, TPrivateKinds> cache;
  std::lock_guard<std::mutex> g(lock);
  auto it = cache.find(name);
  if (it != cache.end()) return it->second;
  TPrivateKinds k;
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

void TCustomFFmpeg::ApplyOptionText(const std::string &text) {
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
    ParseOption(name, value);
  }
}

// ---------------------------------------------------------------------------
// The option table

void TCustomFFmpeg::ParseOption(const std::string &name, const std::string &value) {
  using TAction = void (*)(TCustomFFmpeg &, const std::string &, const std::string &);
  struct TRow {
    const char *name;
    TAction action;
  };
  static const TAction ignored = [](TCustomFFmpeg &t, const std::string &n, const std::string &) {
    t.Log(1, "Do nothing: option - " + n);
  };
  static const TAction refused = [](TCustomFFmpeg &, const std::string &n, const std::string &) {
    throw FFMpegException("TODO: option - " + n);
  };
  static const TRow kTable[] = {
      {"L", ignored},
      {"h", ignored},
      {"version", ignored},
      {"formats", ignored},
      {"f", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetFormat(v); }},
      {"i", ignored},
      {"y", ignored},
      {"map",
       [](TCustomFFmpeg &t, const std::string &, const std::string &v) {
         if (t.Options.streamMaps.size() >= static_cast<size_t>(kMaxStreams))
           throw FFMpegException(format("Too many stream maps (at most %d)", kMaxStreams));
         TStreamMap m;
         const char *p = v.c_str();
         nextField(p, m.file);
         if (nextField(p, m.stream)) {
           nextField(p, m.syncFile);
           nextField(p, m.syncStream);
         } else {
           m.syncFile = m.file;
           m.syncStream = m.stream;
         }
         t.Options.streamMaps.push_back(m);
       }},
      {"map_meta_data",
       [](TCustomFFmpeg &t, const std::string &, const std::string &v) {
         if (t.Options.metaDataMaps.size() >= static_cast<size_t>(kMaxFiles))
           throw FFMpegException(format("Too many metadata maps (at most %d)", kMaxFiles));
         TMetaDataMap m;
         const char *p = v.c_str();
         nextField(p, m.outFile);
         nextField(p, m.inFile);
         t.Options.metaDataMaps.push_back(m);
       }},
      {"t",
       [](TCustomFFmpeg &t, const std::string &n, const std::string &v) {
         t.SetRecordingTimeMs(parseTime(n, v, true) / 1000);
       }},
      {"fs", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.limitFileSize = toInt64(v); }},
      {"ss",
       [](TCustomFFmpeg &t, const std::string &n, const std::string &v) {
         t.Options.inputStartTime = parseTime(n, v, true);
       }},
      {"itsoffset",
       [](TCustomFFmpeg &t, const std::string &n, const std::string &v) {
         t.Options.inputTsOffset = parseTime(n, v, true);
       }},
      {"itsscale",
       [](TCustomFFmpeg &t, const std::string &, const std::string &v) {
         const char *p = v.c_str();
         char *end = nullptr;
         long stream = std::strtol(p, &end, 10);
         p = end;
         if (*p) ++p;
         double scale = std::strtod(p, nullptr);
         if (stream < 0 || stream >= kMaxStreams)
           throw FFMpegException(format("stream index over MAX_STREAMS(%d)", kMaxStreams));
         const size_t next = t.InputFiles.size();
         if (next >= static_cast<size_t>(kMaxFiles)) throw FFMpegException("Too many input files");
         t.Options.inputTsScale[next][stream] = scale;
       }},
      {"title", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.title = v; }},
      {"timestamp",
       [](TCustomFFmpeg &t, const std::string &n, const std::string &v) {
         t.Options.recTimestamp = static_cast<int64_t>(std::llround(parseTime(n, v, false) / 1000000.0));
       }},
      {"author", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.author = v; }},
      {"copyright", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.copyright = v; }},
      {"comment", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.comment = v; }},
      {"genre", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.genre = v; }},
      {"album", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.album = v; }},
      {"dframes", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.maxDataFrames = toInt(v); }},
      {"benchmark", ignored},
      {"dump", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.doPktDump = 1; }},
      {"hex", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.doHexDump = 1; }},
      {"re", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.rateEmu = 1; }},
      {"loop_input", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.loopInput = 1; }},
      {"loop_output", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.loopOutput = toInt(v); }},
      {"v", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetVerbosity(toInt(v)); }},
      {"target",
       [](TCustomFFmpeg &t, const std::string &, const std::string &v) {
         std::string type = trim(v);
         std::string norm = "auto";
         for (const char *prefix : {"pal-", "ntsc-", "film-"}) {
           if (type.rfind(prefix, 0) == 0) {
             norm = std::string(prefix, std::strlen(prefix) - 1);
             type = type.substr(std::strlen(prefix));
             break;
           }
         }
         t.ApplyTarget(type, norm, "ntsc");
       }},
      {"threads", refused},
      {"vsync", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetVideoSyncMethod(toInt(v)); }},
      {"async", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetAudioSyncMethod(toInt(v)); }},
      {"adrift_threshold",
       [](TCustomFFmpeg &t, const std::string &, const std::string &v) {
         t.Options.audioDriftThreshold = static_cast<float>(toFloat(v));
       }},
      {"vglobal", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.videoGlobalHeader = toInt(v); }},
      {"copyts", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.copyTs = 1; }},
      {"shortest", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.shortest = 1; }},
      {"dts_delta_threshold",
       [](TCustomFFmpeg &t, const std::string &, const std::string &v) {
         t.Options.dtsDeltaThreshold = static_cast<float>(toFloat(v));
       }},
      {"programid", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.programId = toInt(v); }},
      {"b", [](TCustomFFmpeg &t, const std::string &n, const std::string &v) { t.SetBitRateOption(n, v); }},
      {"vb", [](TCustomFFmpeg &t, const std::string &n, const std::string &v) { t.SetBitRateOption(n, v); }},
      {"vframes", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.maxVideoFrames = toInt(v); }},
      {"r", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetFrameRate(v); }},
      {"s", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetFrameSize(v); }},
      {"aspect", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetAspect(v); }},
      {"pix_fmt",
       [](TCustomFFmpeg &t, const std::string &, const std::string &v) {
         if (v == "list") t.ListPixelFormats();
         else t.Options.framePixFmt = libavutil.av_get_pix_fmt(v.c_str());
       }},
      {"croptop", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetCropTop(toInt(v)); }},
      {"cropbottom", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetCropBottom(toInt(v)); }},
      {"cropleft", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetCropLeft(toInt(v)); }},
      {"cropright", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetCropRight(toInt(v)); }},
      {"padtop", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetPadTop(toInt(v)); }},
      {"padbottom", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetPadBottom(toInt(v)); }},
      {"padleft", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetPadLeft(toInt(v)); }},
      {"padright", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetPadRight(toInt(v)); }},
      {"padcolor",
       [](TCustomFFmpeg &t, const std::string &, const std::string &v) {
         t.SetPadColor(static_cast<uint32_t>(toInt(v)));
       }},
      {"intra", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.intraOnly = 1; }},
      {"vn", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.SetVideoDisable(); }},
      {"vdt", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.videoDiscard = toInt(v); }},
      {"qscale",
       [](TCustomFFmpeg &t, const std::string &, const std::string &v) {
         double q = toFloat(v);
         if (!(q > 0.0 && q <= 255.0)) throw FFMpegException("qscale must be > 0.0 and <= 255");
         t.Options.videoQscale = static_cast<float>(q);
       }},
      {"rc_override", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.rcOverride = v; }},
      {"vcodec", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetVideoCodec(v); }},
      {"me_threshold", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.meThreshold = toInt(v); }},
      {"sameq", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.sameQuality = 1; }},
      {"pass",
       [](TCustomFFmpeg &t, const std::string &, const std::string &v) {
         int pass = toInt(v);
         if (pass != 1 && pass != 2) throw FFMpegException("pass number can be only 1 or 2");
         t.Options.passNumber = pass;
       }},
      {"passlogfile", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.passLogFileName = v; }},
      {"deinterlace", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.doDeinterlace = 1; }},
      {"psnr", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.doPsnr = 1; }},
      {"vstats",
       [](TCustomFFmpeg &t, const std::string &, const std::string &) {
         std::time_t now = std::time(nullptr);
         std::tm tm{};
         localtime_r(&now, &tm);
         char hms[16];
         std::strftime(hms, sizeof hms, "%H%M%S", &tm);
         t.Options.vstatsFileName = format("%svstats_%s.log", programDirectory().c_str(), hms);
       }},
      {"vstats_file", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.vstatsFileName = v; }},
      {"vhook", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.AddVhook(v); }},
      {"intra_matrix", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.ParseMatrix(v, t.Options.intraMatrix); }},
      {"inter_matrix", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.ParseMatrix(v, t.Options.interMatrix); }},
      {"top", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.topFieldFirst = toInt(v); }},
      {"dc", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.intraDcPrecision = toInt(v); }},
      {"vtag", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetVideoTag(v); }},
      {"newvideo", [](TCustomFFmpeg &t, const std::string &, const std::string &) { NewStreamOnLastOutput(t, AVMEDIA_TYPE_VIDEO); }},
      {"qphist", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.qpHist = 1; }},
      {"ab", [](TCustomFFmpeg &t, const std::string &n, const std::string &v) { t.SetBitRateOption(n, v); }},
      {"aframes", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.maxAudioFrames = toInt(v); }},
      {"aq", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.audioQscale = static_cast<float>(toFloat(v)); }},
      {"ar", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetAudioSampleRate(toInt(v)); }},
      {"ac", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetAudioChannels(toInt(v)); }},
      {"an", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.SetAudioDisable(); }},
      {"acodec", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetAudioCodec(v); }},
      {"atag", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetAudioTag(v); }},
      {"vol", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.audioVolume = toInt(v); }},
      {"newaudio", [](TCustomFFmpeg &t, const std::string &, const std::string &) { NewStreamOnLastOutput(t, AVMEDIA_TYPE_AUDIO); }},
      {"alang", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.audioLanguage = v; }},
      {"sn", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.SetSubtitleDisable(); }},
      {"scodec", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.SetSubtitleCodec(v); }},
      {"newsubtitle",
       [](TCustomFFmpeg &t, const std::string &, const std::string &) { NewStreamOnLastOutput(t, AVMEDIA_TYPE_SUBTITLE); }},
      {"slang", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.subtitleLanguage = v; }},
      {"vc", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.videoChannel = toInt(v); }},
      {"tvstd", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.videoStandard = v; }},
      {"isync", [](TCustomFFmpeg &t, const std::string &, const std::string &) { t.Options.inputSync = 1; }},
      {"muxdelay", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.muxMaxDelay = static_cast<float>(toFloat(v)); }},
      {"muxpreload", [](TCustomFFmpeg &t, const std::string &, const std::string &v) { t.Options.muxPreload = static_cast<float>(toFloat(v)); }},
      {"absf", refused},
      {"vbsf", refused},
      {"sbsf", refused},
      {"apre", ignored},
      {"vpre", ignored},
      {"spre", ignored},
  };
  static_assert(sizeof kTable / sizeof kTable[0] == 103, "the option table has 103 rows");

  for (const TRow &row : kTable) {
    if (name == row.name) {
      row.action(*this, name, value);
      return;
    }
  }
  SetGenericOption(name, value);
}

// ---------------------------------------------------------------------------
// Generic options

bool TCustomFFmpeg::SetGenericOption(const std::string &givenName, const std::string &givenValue) {
  if (isBlank(givenName) || isBlank(givenValue)) return false;
  if (!LibrariesLoaded() || !Options.codecDefaults[skVideo]) return false;

  std::string name = givenName;
  std::string value = givenValue;
  unsigned kinds = kAllKinds;
  for (const TOldName &o : kOldNames) {
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

  static const int kKindFlags[skKindCount] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                              AV_OPT_FLAG_SUBTITLE_PARAM, 0};
  AVCodecContext *videoDefaults = Options.codecDefaults[skVideo].get();
  const AVOption *set = nullptr;
  std::string libraryName;
  for (int k = 0; k < skKindCount; ++k) {
    if (!(kinds & (1u << k))) continue;
    const AVOption *o = libavutil.av_opt_find(videoDefaults, name.c_str(), nullptr, kKindFlags[k], 0);
    if (o && libavutil.av_opt_set(Options.codecDefaults[k].get(), name.c_str(), value.c_str(), 0) >= 0) {
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
  if (!set && Options.formatDefaults) setOn(Options.formatDefaults.get(), name);
  if (!set && Options.swsDefaults) setOn(Options.swsDefaults.get(), name);
  if (!set && name.size() > 1 && (name[0] == 'a' || name[0] == 'v' || name[0] == 's')) {
    const TStreamKind k = name[0] == 'a' ? skAudio : name[0] == 'v' ? skVideo : skSubtitle;
    setOn(Options.codecDefaults[k].get(), name.substr(1));
  }
  if (!set) {
    // Options that only particular encoders or muxers know are kept for
    // them and handed over when they open.
    const TPrivateKinds p = privateOptionKinds(name);
    bool kept = false;
    for (int k : {skVideo, skAudio, skSubtitle}) {
      if (p.codecKinds & kinds & (1u << k)) {
        libavutil.av_dict_set(Options.codecPrivateOptions[k].Slot(), name.c_str(), value.c_str(), 0);
        kept = true;
      }
    }
    if (p.muxer) {
      libavutil.av_dict_set(Options.formatPrivateOptions.Slot(), name.c_str(), value.c_str(), 0);
      kept = true;
    }
    return kept;
  }

  bool known = false;
  for (const auto &n : Options.setOptionNames) known = known || n == libraryName;
  if (!known) Options.setOptionNames.push_back(libraryName);
  if (videoDefaults->debug != 0 || (Options.formatDefaults && Options.formatDefaults->debug != 0))
    SetVerbosity(2);
  return true;
}

bool TCustomFFmpeg::SetGenericOptionInt(const std::string &name, int64_t value) {
  return SetGenericOption(name, std::to_string(value));
}

void TCustomFFmpeg::SetBitRateOption(const std::string &name, const std::string &value) {
  if (!SetGenericOption(name, value) || !LogSink) return;
  const TStreamKind k = !name.empty() && name[0] == 'a' ? skAudio : skVideo;
  int64_t b = 0;
  if (Options.codecDefaults[k] &&
      libavutil.av_opt_get_int(Options.codecDefaults[k].get(), "b", 0, &b) >= 0 && b < 1000)
    Log(1, "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

// ---------------------------------------------------------------------------
// Typed setters

namespace {
// "pgmyuv" is read and written by the image-sequence format today.
std::string currentFormatName(TCustomFFmpeg &t, const std::string &name) {
  if (name != "pgmyuv") return name;
  t.Options.pgmyuvCompat = 1;
  t.Log(1, "pgmyuv format is deprecated, use image2");
  return "image2";
}
}  // namespace

void TCustomFFmpeg::SetFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(*this, givenName);
  Options.inputFormat = libavformat.av_find_input_format(name.c_str());
  Options.outputFormat = libavformat.av_guess_format(name.c_str(), nullptr, nullptr);
  if (!Options.inputFormat && !Options.outputFormat)
    throw FFMpegException("Unknown input or output format: " + name);
}

void TCustomFFmpeg::SetInputFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(*this, givenName);
  Options.inputFormat = libavformat.av_find_input_format(name.c_str());
  if (!Options.inputFormat) throw FFMpegException("Unknown input format: " + name);
}

void TCustomFFmpeg::SetOutputFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(*this, givenName);
  Options.outputFormat = libavformat.av_guess_format(name.c_str(), nullptr, nullptr);
  if (!Options.outputFormat) throw FFMpegException("Unknown output format: " + name);
}

void TCustomFFmpeg::SetFrameRate(const std::string &text) {
  AVRational r{0, 0};
  if (libavutil.av_parse_video_rate(&r, text.c_str()) < 0) throw FFMpegException("Incorrect frame rate");
  Options.videoFrameRate = r;
}

void TCustomFFmpeg::SetFrameSize(const std::string &text) {
  int w = 0, h = 0;
  if (libavutil.av_parse_video_size(&w, &h, text.c_str()) < 0) throw FFMpegException("Incorrect frame size");
  if ((w % 2) != 0 || (h % 2) != 0) throw FFMpegException("Frame size must be a multiple of 2");
  Options.frameWidth = w;
  Options.frameHeight = h;
}

void TCustomFFmpeg::SetAspect(const std::string &text) {
  double ratio = 0.0;
  size_t colon = text.find(':');
  if (colon != std::string::npos) {
    const int x = intOr0(text.substr(0, colon));
    const int y = intOr0(text.substr(colon + 1));
    if (y > 0) ratio = static_cast<double>(x) / y;
  } else {
    ratio = floatOr0(text);
  }
  if (ratio == 0.0) throw FFMpegException("Incorrect aspect ratio specification.");
  Options.frameAspectRatio = static_cast<float>(ratio);
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
  if (v % 2 != 0) throw FFMpegException(std::string(side) + " crop size must be a multiple of 2");
  if (v >= dimension) throw FFMpegException(rangeMessage);
  store = v;
  dimension -= v;
}

void padSide(int v, const char *side, int &store) {
  if (v < 0) return;
  if (v % 2 != 0) throw FFMpegException(std::string(side) + " pad size must be a multiple of 2");
  store = v;
}
}  // namespace

void TCustomFFmpeg::SetCropTop(int v) { cropSide(v, "Top", Options.cropTop, Options.frameHeight, kVerticalCrop); }
void TCustomFFmpeg::SetCropBottom(int v) {
  cropSide(v, "Bottom", Options.cropBottom, Options.frameHeight, kVerticalCrop);
}
void TCustomFFmpeg::SetCropLeft(int v) { cropSide(v, "Left", Options.cropLeft, Options.frameWidth, kHorizontalCrop); }
void TCustomFFmpeg::SetCropRight(int v) {
  cropSide(v, "Right", Options.cropRight, Options.frameWidth, kHorizontalCrop);
}
void TCustomFFmpeg::SetPadTop(int v) { padSide(v, "Top", Options.padTop); }
void TCustomFFmpeg::SetPadBottom(int v) { padSide(v, "Bottom", Options.padBottom); }
void TCustomFFmpeg::SetPadLeft(int v) { padSide(v, "Left", Options.padLeft); }
void TCustomFFmpeg::SetPadRight(int v) { padSide(v, "Right", Options.padRight); }

void TCustomFFmpeg::SetPadColor(uint32_t rgb) {
  const int r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  // Full-range YCbCr in 10-bit fixed point; >> on a negative int floors.
  Options.padColorY = (307 * r + 602 * g + 117 * b + 512) >> 10;
  Options.padColorU = ((-173 * r - 340 * g + 512 * b + 511) >> 10) + 128;
  Options.padColorV = ((512 * r - 429 * g - 84 * b + 511) >> 10) + 128;
}

namespace {
void codecName(const std::string &v, std::string &name, int &copy) {
  if (v.empty()) return;
  name.clear();
  if (v == "copy") copy = 1;
  else name = v;
}

uint32_t fourCC(const std::string &tag, const char *message) {
  if (tag.size() != 4) throw FFMpegException(message);
  return static_cast<uint32_t>(static_cast<unsigned char>(tag[0])) |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[3])) << 24;
}
}  // namespace

void TCustomFFmpeg::SetVideoCodec(const std::string &n) { codecName(n, Options.videoCodecName, Options.videoStreamCopy); }
void TCustomFFmpeg::SetAudioCodec(const std::string &n) { codecName(n, Options.audioCodecName, Options.audioStreamCopy); }
void TCustomFFmpeg::SetSubtitleCodec(const std::string &n) {
  codecName(n, Options.subtitleCodecName, Options.subtitleStreamCopy);
}
void TCustomFFmpeg::SetVideoTag(const std::string &tag) {
  Options.videoCodecTag = fourCC(tag, "video tag parameter must be 4 chars");
}
void TCustomFFmpeg::SetAudioTag(const std::string &tag) {
  Options.audioCodecTag = fourCC(tag, "audio tag parameter must be 4 chars");
}
void TCustomFFmpeg::SetAudioSampleRate(int hz) {
  if (hz > 0) Options.audioSampleRate = hz;
}
void TCustomFFmpeg::SetAudioChannels(int channels) {
  if (channels > 0) Options.audioChannels = channels;
}
void TCustomFFmpeg::SetAudioVolume(int volume) {
  if (volume >= 0) Options.audioVolume = volume;
}
void TCustomFFmpeg::SetVideoSyncMethod(int method) { Options.videoSyncMethod = method; }
void TCustomFFmpeg::SetAudioSyncMethod(int method) { Options.audioSyncMethod = method; }
void TCustomFFmpeg::SetMuxDelay(float seconds) {
  if (seconds > 0) Options.muxMaxDelay = seconds;
}
void TCustomFFmpeg::SetMuxPreload(float seconds) {
  if (seconds > 0) Options.muxPreload = seconds;
}
void TCustomFFmpeg::SetTitle(const std::string &s) {
  if (!s.empty()) Options.title = s;
}
void TCustomFFmpeg::SetAuthor(const std::string &s) {
  if (!s.empty()) Options.author = s;
}
void TCustomFFmpeg::SetCopyright(const std::string &s) {
  if (!s.empty()) Options.copyright = s;
}
void TCustomFFmpeg::SetComment(const std::string &s) {
  if (!s.empty()) Options.comment = s;
}
void TCustomFFmpeg::SetAlbum(const std::string &s) {
  if (!s.empty()) Options.album = s;
}
void TCustomFFmpeg::SetGenre(const std::string &s) {
  if (!s.empty()) Options.genre = s;
}
void TCustomFFmpeg::SetYear(int year) {
  if (year > 0) Options.year = year;
}
void TCustomFFmpeg::SetTrack(int track) {
  if (track > 0) Options.track = track;
}
void TCustomFFmpeg::SetStartTimeUs(int64_t us) {
  if (us > 0) Options.inputStartTime = us;
}
void TCustomFFmpeg::SetProgramId(int id) {
  if (id >= 0) Options.programId = id;
}
void TCustomFFmpeg::SetRecordingTimeMs(int64_t ms) {
  if (ms <= 0) return;
  Options.expectedDurationMs = static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX));
  Options.recordingTime = ms * 1000;
}
void TCustomFFmpeg::SetTimestamp(int64_t secondsSince1970) { Options.recTimestamp = secondsSince1970; }
void TCustomFFmpeg::SetAudioLanguage(const std::string &s) { Options.audioLanguage = s; }
void TCustomFFmpeg::SetSubtitleLanguage(const std::string &s) { Options.subtitleLanguage = s; }
void TCustomFFmpeg::SetCopyTs(bool on) { Options.copyTs = on ? 1 : 0; }
void TCustomFFmpeg::SetVideoDisable() { Options.videoDisable = 1; }
void TCustomFFmpeg::SetAudioDisable() { Options.audioDisable = 1; }
void TCustomFFmpeg::SetSubtitleDisable() { Options.subtitleDisable = 1; }

// ---------------------------------------------------------------------------
// Pixel formats, matrices, hooks

void TCustomFFmpeg::ListPixelFormats() {
  if (!LogSink) return;
  for (int i = -1; i < 40; ++i) {
    char line[128] = {};
    libavutil.av_get_pix_fmt_string(line, sizeof line, static_cast<AVPixelFormat>(i));
    Log(1, trim(line));
  }
}

void TCustomFFmpeg::ParseMatrix(const std::string &value, std::vector<uint16_t> &matrix) {
  std::vector<uint16_t> m(64, 0);
  const char *p = value.c_str();
  for (int i = 0; i < 64; ++i) {
    m[i] = static_cast<uint16_t>(std::atoi(p));
    if (i == 63) break;
    p = std::strchr(p, ',');
    if (!p) throw FFMpegException(format("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i));
    ++p;
  }
  matrix = std::move(m);
}

void TCustomFFmpeg::AddVhook(const std::string &value) {
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
  const int rc = tokens.empty() ? -2 : AddVideoHook(VideoHooks, static_cast<int>(tokens.size()), argv.data());
  if (rc != 0) throw FFMpegException("Failed to add video hook function: " + value);
  Options.usingVhook = 1;
}

// ---------------------------------------------------------------------------
// Target presets

int TCustomFFmpeg::ResolveNorm(const std::string &norm, const std::string &defaultNorm) {
  if (norm == "pal") return 0;
  if (norm == "ntsc") return 1;
  if (norm == "film") return 2;
  // 25 fps is PAL; 29.97 and 23.976 fps are NTSC; -1 for other rates.
  auto normOfRate = [](AVRational r) {
    const long rate = std::lround(static_cast<double>(r.num) * 1000.0 / r.den);
    return rate == 25000 ? 0 : (rate == 29970 || rate == 23976) ? 1 : -1;
  };
  const AVRational fr = Options.videoFrameRate;
  if (fr.den == 0) throw FFMpegException("frame_rate is invalid.");
  int result = normOfRate(fr);
  for (size_t i = 0; result < 0 && i < InputFiles.size(); ++i) {
    const AVFormatContext *ctx = InputFiles[i].ctx.get();
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
  if (Options.verbose > 0 && LogSink) LogF(1, "Assuming %s for target.", result == 0 ? "PAL" : "NTSC");
  return result;
}

void TCustomFFmpeg::ApplyTarget(const std::string &type, const std::string &norm,
                                const std::string &defaultNorm) {
  const int n = ResolveNorm(norm, defaultNorm);
  const bool ntsc = n != 0;
  static const char *const kRates[3] = {"25", "30000/1001", "24000/1001"};
  const char *rate = kRates[n];
  const int gop = ntsc ? 18 : 15;

  if (type == "vcd") {
    SetVideoCodec("mpeg1video");
    SetAudioCodec("mp2");
    SetOutputFormat("vcd");
    SetFrameSize(ntsc ? "352x240" : "352x288");
    SetFrameRate(rate);
    SetGenericOptionInt("gop", gop);
    SetGenericOption("b", "1150000");
    SetGenericOption("maxrate", "1150000");
    SetGenericOption("minrate", "1150000");
    SetGenericOption("bufsize", "327680");
    SetGenericOption("ab", "224000");
    SetGenericOption("packetsize", "2324");
    SetGenericOption("muxrate", "1411200");
    SetAudioSampleRate(44100);
    SetAudioChannels(2);
    Options.muxPreload = 0.44f;
    if (Options.frameAspectRatio == 0.0f) SetAspect("4:3");
  } else if (type == "svcd") {
    SetVideoCodec("mpeg2video");
    SetAudioCodec("mp2");
    SetOutputFormat("svcd");
    SetFrameSize(ntsc ? "480x480" : "480x576");
    SetFrameRate(rate);
    SetGenericOptionInt("gop", gop);
    SetGenericOption("b", "2040000");
    SetGenericOption("maxrate", "2516000");
    SetGenericOption("minrate", "0");
    SetGenericOption("bufsize", "1835008");
    SetGenericOption("flags", "+SCAN_OFFSET");
    SetGenericOption("ab", "224000");
    SetGenericOption("packetsize", "2324");
    SetAudioSampleRate(44100);
    if (Options.audioChannels == 1) SetAudioChannels(2);
    if (Options.frameAspectRatio == 0.0f) SetAspect("4:3");
  } else if (type == "dvd") {
    SetVideoCodec("mpeg2video");
    SetAudioCodec("ac3");
    SetOutputFormat("dvd");
    SetFrameSize(ntsc ? "720x480" : "720x576");
    SetFrameRate(rate);
    SetGenericOptionInt("gop", gop);
    SetGenericOption("b", "6000000");
    SetGenericOption("maxrate", "9000000");
    SetGenericOption("minrate", "0");
    SetGenericOption("bufsize", "1835008");
    SetGenericOption("packetsize", "2048");
    SetGenericOption("muxrate", "10080000");
    SetGenericOption("ab", "448000");
    SetAudioSampleRate(48000);
    if (Options.audioChannels == 1) SetAudioChannels(2);
    if (Options.frameAspectRatio == 0.0f) SetAspect("16:9");
  } else if (type == "dv" || type == "dv50") {
    SetOutputFormat("dv");
    SetFrameSize(ntsc ? "720x480" : "720x576");
    SetFrameRate(rate);
    const char *pix = type == "dv50" ? "yuv422p" : ntsc ? "yuv411p" : "yuv420p";
    Options.framePixFmt = libavutil.av_get_pix_fmt(pix);
    SetAudioSampleRate(48000);
    SetAudioChannels(2);
  } else {
    throw FFMpegException("Unknown target type");
  }
}
