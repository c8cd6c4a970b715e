// The option language of a task: the option text, and the table that maps
// each option name onto the option state. Names the table does not know go
// to the libraries' own option tables (generic_options.cpp).
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <type_traits>
#include <utility>

#include "binding.h"
#include "option_values.h"
#include "text_format.h"
#include "option_language.h"

namespace {

using Action = void (*)(OptionLanguage &task, const std::string &name, const std::string &value);

struct OptionRow {
  const char *name;
  Action action;
};

// ---- the kinds of action, most of them a field of the option state ----

void ignored(OptionLanguage &task, const std::string &name, const std::string &) {
  task.host().log(LogLevel::Info, "Do nothing: option - " + name);
}

void refused(OptionLanguage &, const std::string &name, const std::string &) {
  throw EngineError("TODO: option - " + name);
}

// A field of the option state, of one of its records, of type T.
template <auto Field, typename T>
constexpr bool kFieldOf = std::is_same_v<std::remove_cvref_t<decltype(std::declval<OptionState &>().*Field)>, T>;

template <auto Field>
  requires kFieldOf<Field, int>
void switchOn(OptionLanguage &task, const std::string &, const std::string &) {
  task.state().*Field = 1;
}

template <auto Field>
  requires kFieldOf<Field, int>
void intField(OptionLanguage &task, const std::string &, const std::string &value) {
  task.state().*Field = toInt(value);
}

template <auto Field>
  requires kFieldOf<Field, float>
void floatField(OptionLanguage &task, const std::string &, const std::string &value) {
  task.state().*Field = static_cast<float>(toFloat(value));
}

template <auto Field>
  requires kFieldOf<Field, std::string>
void textField(OptionLanguage &task, const std::string &, const std::string &value) {
  task.state().*Field = value;
}

template <auto Field>
  requires kFieldOf<Field, int64_t>
void durationField(OptionLanguage &task, const std::string &name, const std::string &value) {
  task.state().*Field = parseTime(name, value, true);
}

// The typed setter of the same name, with the text or with its integer.
template <void (OptionSetters::*Setter)(const std::string &)>
void viaSetter(OptionLanguage &task, const std::string &, const std::string &value) {
  OptionSetters &setters = task;
  (setters.*Setter)(value);
}

template <void (OptionSetters::*Setter)(int)>
void viaIntSetter(OptionLanguage &task, const std::string &, const std::string &value) {
  OptionSetters &setters = task;
  (setters.*Setter)(toInt(value));
}

template <AVMediaType Type>
void newStream(OptionLanguage &task, const std::string &, const std::string &) {
  task.host().addStreamToLastOutput(Type);
}

// ---- the actions with rules of their own ----

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

void addStreamMap(OptionLanguage &task, const std::string &, const std::string &value) {
  if (task.state().streamMaps.size() >= static_cast<size_t>(kMaxStreams))
    throw EngineError(formatText("Too many stream maps (at most %d)", kMaxStreams));
  StreamMap m;
  const char *p = value.c_str();
  nextField(p, m.file);
  if (nextField(p, m.stream)) {
    nextField(p, m.syncFile);
    nextField(p, m.syncStream);
  } else {
    m.syncFile = m.file;
    m.syncStream = m.stream;
  }
  task.state().streamMaps.push_back(m);
}

void addMetaDataMap(OptionLanguage &task, const std::string &, const std::string &value) {
  if (task.state().metaDataMaps.size() >= static_cast<size_t>(kMaxFiles))
    throw EngineError(formatText("Too many metadata maps (at most %d)", kMaxFiles));
  MetaDataMap m;
  const char *p = value.c_str();
  nextField(p, m.outFile);
  nextField(p, m.inFile);
  task.state().metaDataMaps.push_back(m);
}

void setRecordingTime(OptionLanguage &task, const std::string &name, const std::string &value) {
  task.setRecordingTimeMs(parseTime(name, value, true) / 1000);
}

// "stream:scale" for a stream of the input that is opened next.
void setInputTimestampScale(OptionLanguage &task, const std::string &, const std::string &value) {
  const char *p = value.c_str();
  char *end = nullptr;
  const long stream = std::strtol(p, &end, 10);
  p = end;
  if (*p) ++p;
  const double scale = std::strtod(p, nullptr);
  if (stream < 0 || stream >= kMaxStreams)
    throw EngineError(formatText("stream index over MAX_STREAMS(%d)", kMaxStreams));
  const size_t next = task.host().openedInputs().size();
  if (next >= static_cast<size_t>(kMaxFiles)) throw EngineError("Too many input files");
  task.state().inputTsScale[next][stream] = scale;
}

void setRecordingTimestamp(OptionLanguage &task, const std::string &name, const std::string &value) {
  task.state().recTimestamp = static_cast<int64_t>(std::llround(parseTime(name, value, false) / 1000000.0));
}

void setFileSizeLimit(OptionLanguage &task, const std::string &, const std::string &value) {
  task.state().limitFileSize = toInt64(value);
}

void setVerbosityOption(OptionLanguage &task, const std::string &, const std::string &value) {
  task.setVerbosity(toInt(value));
}

// "[pal-|ntsc-|film-]type"; without a norm prefix the norm is guessed.
void setTarget(OptionLanguage &task, const std::string &, const std::string &value) {
  std::string type = trimText(value);
  std::string norm = "auto";
  for (const char *prefix : {"pal-", "ntsc-", "film-"}) {
    if (type.rfind(prefix, 0) == 0) {
      norm = std::string(prefix, std::strlen(prefix) - 1);
      type = type.substr(std::strlen(prefix));
      break;
    }
  }
  task.applyTarget(type, norm, "ntsc");
}

void setBitRate(OptionLanguage &task, const std::string &name, const std::string &value) {
  task.setBitRateOption(name, value);
}

void setPixelFormat(OptionLanguage &task, const std::string &, const std::string &value) {
  if (value == "list") task.listPixelFormats();
  else task.state().framePixFmt = libavutil.av_get_pix_fmt(value.c_str());
}

void setPadColorOption(OptionLanguage &task, const std::string &, const std::string &value) {
  task.setPadColor(static_cast<uint32_t>(toInt(value)));
}

void setVideoQscale(OptionLanguage &task, const std::string &, const std::string &value) {
  const double q = toFloat(value);
  if (!(q > 0.0 && q <= 255.0)) throw EngineError("qscale must be > 0.0 and <= 255");
  task.state().videoQscale = static_cast<float>(q);
}

void setPassNumber(OptionLanguage &task, const std::string &, const std::string &value) {
  const int pass = toInt(value);
  if (pass != 1 && pass != 2) throw EngineError("pass number can be only 1 or 2");
  task.state().passNumber = pass;
}

std::string programDirectory() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  path[n] = 0;
  const std::string s(path);
  const size_t slash = s.rfind('/');
  return slash == std::string::npos ? "./" : s.substr(0, slash + 1);
}

// "vstats": a statistics file named after the time of day, beside the
// program.
void setVideoStatsFileNow(OptionLanguage &task, const std::string &, const std::string &) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char hms[16];
  std::strftime(hms, sizeof hms, "%H%M%S", &tm);
  task.state().vstatsFileName = formatText("%svstats_%s.log", programDirectory().c_str(), hms);
}

// In lookup order; the first row whose name matches acts.
const OptionRow kOptionTable[] = {
    {"L", ignored},
    {"h", ignored},
    {"version", ignored},
    {"formats", ignored},
    {"f", viaSetter<&OptionSetters::setFormat>},
    {"i", ignored},
    {"y", switchOn<&OptionState::overwriteOutput>},
    {"map", addStreamMap},
    {"map_meta_data", addMetaDataMap},
    {"t", setRecordingTime},
    {"fs", setFileSizeLimit},
    {"ss", durationField<&OptionState::inputStartTime>},
    {"itsoffset", durationField<&OptionState::inputTsOffset>},
    {"itsscale", setInputTimestampScale},
    {"title", textField<&OptionState::title>},
    {"timestamp", setRecordingTimestamp},
    {"author", textField<&OptionState::author>},
    {"copyright", textField<&OptionState::copyright>},
    {"comment", textField<&OptionState::comment>},
    {"genre", textField<&OptionState::genre>},
    {"album", textField<&OptionState::album>},
    {"dframes", intField<&OptionState::maxDataFrames>},
    {"benchmark", ignored},
    {"dump", switchOn<&OptionState::doPktDump>},
    {"hex", switchOn<&OptionState::doHexDump>},
    {"re", switchOn<&OptionState::rateEmu>},
    {"loop_input", switchOn<&OptionState::loopInput>},
    {"loop_output", intField<&OptionState::loopOutput>},
    {"v", setVerbosityOption},
    {"target", setTarget},
    {"threads", refused},
    {"vsync", viaIntSetter<&OptionSetters::setVideoSyncMethod>},
    {"async", viaIntSetter<&OptionSetters::setAudioSyncMethod>},
    {"adrift_threshold", floatField<&OptionState::audioDriftThreshold>},
    {"vglobal", intField<&OptionState::videoGlobalHeader>},
    {"copyts", switchOn<&OptionState::copyTs>},
    {"shortest", switchOn<&OptionState::shortest>},
    {"dts_delta_threshold", floatField<&OptionState::dtsDeltaThreshold>},
    {"programid", intField<&OptionState::programId>},
    {"b", setBitRate},
    {"vb", setBitRate},
    {"vframes", intField<&OptionState::maxVideoFrames>},
    {"r", viaSetter<&OptionSetters::setFrameRate>},
    {"s", viaSetter<&OptionSetters::setFrameSize>},
    {"aspect", viaSetter<&OptionSetters::setAspect>},
    {"pix_fmt", setPixelFormat},
    {"croptop", viaIntSetter<&OptionSetters::setCropTop>},
    {"cropbottom", viaIntSetter<&OptionSetters::setCropBottom>},
    {"cropleft", viaIntSetter<&OptionSetters::setCropLeft>},
    {"cropright", viaIntSetter<&OptionSetters::setCropRight>},
    {"padtop", viaIntSetter<&OptionSetters::setPadTop>},
    {"padbottom", viaIntSetter<&OptionSetters::setPadBottom>},
    {"padleft", viaIntSetter<&OptionSetters::setPadLeft>},
    {"padright", viaIntSetter<&OptionSetters::setPadRight>},
    {"padcolor", setPadColorOption},
    {"intra", switchOn<&OptionState::intraOnly>},
    {"vn", switchOn<&OptionState::videoDisable>},
    {"vdt", intField<&OptionState::videoDiscard>},
    {"qscale", setVideoQscale},
    {"rc_override", textField<&OptionState::rcOverride>},
    {"vcodec", viaSetter<&OptionSetters::setVideoCodec>},
    {"me_threshold", intField<&OptionState::meThreshold>},
    {"sameq", switchOn<&OptionState::sameQuality>},
    {"pass", setPassNumber},
    {"passlogfile", textField<&OptionState::passLogFileName>},
    {"deinterlace", switchOn<&OptionState::doDeinterlace>},
    {"psnr", switchOn<&OptionState::doPsnr>},
    {"vstats", setVideoStatsFileNow},
    {"vstats_file", textField<&OptionState::vstatsFileName>},
    {"vhook", viaSetter<&OptionSetters::addVideoHookModule>},
    {"intra_matrix", viaSetter<&OptionSetters::setIntraMatrix>},
    {"inter_matrix", viaSetter<&OptionSetters::setInterMatrix>},
    {"top", intField<&OptionState::topFieldFirst>},
    {"dc", intField<&OptionState::intraDcPrecision>},
    {"vtag", viaSetter<&OptionSetters::setVideoTag>},
    {"newvideo", newStream<AVMEDIA_TYPE_VIDEO>},
    {"qphist", switchOn<&OptionState::qpHist>},
    {"ab", setBitRate},
    {"aframes", intField<&OptionState::maxAudioFrames>},
    {"aq", floatField<&OptionState::audioQscale>},
    {"ar", viaIntSetter<&OptionSetters::setAudioSampleRate>},
    {"ac", viaIntSetter<&OptionSetters::setAudioChannels>},
    {"an", switchOn<&OptionState::audioDisable>},
    {"acodec", viaSetter<&OptionSetters::setAudioCodec>},
    {"atag", viaSetter<&OptionSetters::setAudioTag>},
    {"vol", intField<&OptionState::audioVolume>},
    {"newaudio", newStream<AVMEDIA_TYPE_AUDIO>},
    {"alang", textField<&OptionState::audioLanguage>},
    {"sn", switchOn<&OptionState::subtitleDisable>},
    {"scodec", viaSetter<&OptionSetters::setSubtitleCodec>},
    {"newsubtitle", newStream<AVMEDIA_TYPE_SUBTITLE>},
    {"slang", textField<&OptionState::subtitleLanguage>},
    {"vc", intField<&OptionState::videoChannel>},
    {"tvstd", textField<&OptionState::videoStandard>},
    {"isync", switchOn<&OptionState::inputSync>},
    {"muxdelay", floatField<&OptionState::muxMaxDelay>},
    {"muxpreload", floatField<&OptionState::muxPreload>},
    {"absf", refused},
    {"vbsf", refused},
    {"sbsf", refused},
    {"apre", ignored},
    {"vpre", ignored},
    {"spre", ignored},
};
static_assert(std::size(kOptionTable) == 103, "the option table has 103 rows");

// The text with its blanks and control characters trimmed at both ends and
// every line break ("\r\n", "\r", "\n") made a single "\n".
std::string normalisedLines(const std::string &text) {
  const std::string t = trimText(text);
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
  return normal;
}

}  // namespace

std::vector<std::string> optionTableNames() {
  std::vector<std::string> names;
  names.reserve(std::size(kOptionTable));
  for (const OptionRow &row : kOptionTable) names.emplace_back(row.name);
  return names;
}

void OptionLanguage::applyOptionText(const std::string &text) {
  const std::string lines = normalisedLines(text);
  size_t pos = 0;
  while (pos < lines.size()) {
    const size_t lf = lines.find('\n', pos);
    const std::string line = lines.substr(pos, lf == std::string::npos ? std::string::npos : lf - pos);
    pos = lf == std::string::npos ? lines.size() : lf + 1;
    // The name is everything before the first "=", the value all after it.
    const size_t eq = line.find('=');
    const std::string name = eq == std::string::npos ? line : line.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    if (name.empty() && value.empty()) continue;
    parseOption(name, value);
  }
}

void OptionLanguage::parseOption(const std::string &name, const std::string &value) {
  for (const OptionRow &row : kOptionTable) {
    if (name == row.name) {
      row.action(*this, name, value);
      return;
    }
  }
  // A name no library table knows either is ignored without a word.
  setGenericOption(name, value);
}
