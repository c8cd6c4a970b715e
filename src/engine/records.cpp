// Application of the input and output option records to a task.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "option_values.h"
#include "transcode_task.h"

namespace {

// A 64-bit integer, or -1 when the text is not one.
int64_t int64OrMinus1(const std::string &s) {
  if (s.empty()) return -1;
  char *end = nullptr;
  errno = 0;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (*end != 0 || errno == ERANGE) return -1;
  return v;
}

// Text of a fixed-size field, up to its first NUL.
template <size_t N>
std::string fieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

constexpr double kUnixEpochAsDateTime = 25569.0;  // 1 January 1970 in the day count

}  // namespace

std::vector<std::pair<int64_t, int64_t>> parseHookRanges(const std::string &text) {
  std::vector<std::pair<int64_t, int64_t>> ranges;
  if (text.empty()) return ranges;
  size_t pos = 0;
  while (true) {
    size_t comma = text.find(',', pos);
    std::string item = trimText(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
    size_t dash = item.find('-');
    std::string a = trimText(dash == std::string::npos ? item : item.substr(0, dash));
    std::string b = dash == std::string::npos ? std::string() : trimText(item.substr(dash + 1));
    const int64_t start = int64OrMinus1(a);
    const int64_t end = int64OrMinus1(b);
    if (end >= start && end >= 0) ranges.emplace_back(start, end);
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  std::stable_sort(ranges.begin(), ranges.end(),
                   [](const auto &x, const auto &y) { return x.second < y.second; });
  return ranges;
}

int64_t dateTimeToUnixSeconds(double dateTime) {
  // The date-time is a local wall-clock time. Its broken-down fields are
  // converted with the zone rules in force on that date (daylight saving
  // included), so a summer date is not an hour off.
  const double localSeconds = (dateTime - kUnixEpochAsDateTime) * 86400.0;
  const int64_t whole = static_cast<int64_t>(std::llround(localSeconds));
  std::time_t asUtc = static_cast<std::time_t>(whole);
  std::tm tm{};
  gmtime_r(&asUtc, &tm);  // the wall-clock fields
  tm.tm_isdst = -1;
  const std::time_t t = mktime(&tm);
  return static_cast<int64_t>(t);
}

double nowAsDateTime() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  const int64_t localSeconds = static_cast<int64_t>(now) + tm.tm_gmtoff;
  return kUnixEpochAsDateTime + static_cast<double>(localSeconds) / 86400.0;
}

void TranscodeTask::applyInputOptions(InputOptions &record, const std::string &fileName) {
  if (record.fileName.empty()) record.fileName = fileName;
  inputRecord = record;
  applyOptionText(record.extraOptions);
  if (!record.format.empty()) setInputFormat(record.format);
  if (record.startTimeMs > 0) setStartTimeUs(static_cast<int64_t>(record.startTimeMs) * 1000);
  if (record.programid >= 0) setProgramId(record.programid);
}

void TranscodeTask::applyOutputOptions(OutputOptions &record, const std::string &fileName) {
  if (record.fileName.empty()) record.fileName = fileName;
  outputRecord = record;
  const OutputOptions &r = record;
  applyOptionText(r.extraOptions);

  if (!r.format.empty()) setOutputFormat(r.format);
  if (r.packetsize > 0) setGenericOptionInt("packetsize", r.packetsize);
  if (r.muxrate > 0) setGenericOptionInt("muxrate", r.muxrate);
  if (r.muxdelay > 0) setMuxDelay(r.muxdelay);
  if (r.muxpreload > 0) setMuxPreload(r.muxpreload);
  if (!r.acodec.empty()) setAudioCodec(r.acodec);
  if (r.an) setAudioDisable();
  if (r.vol >= 0) setAudioVolume(r.vol);
  if (r.ac > 0) setAudioChannels(r.ac);
  if (r.ar > 0) setAudioSampleRate(r.ar);
  if (r.ab > 0) setGenericOptionInt("ab", r.ab);
  if (r.abt > 0) setGenericOptionInt("abt", r.abt);
  setAudioLanguage(r.alang);
  setAudioSyncMethod(r.async);
  if (!r.atag.empty()) setAudioTag(r.atag);
  if (!r.vcodec.empty()) setVideoCodec(r.vcodec);
  if (r.vn) setVideoDisable();
  if (!r.frameRate.empty()) setFrameRate(r.frameRate);
  if (!r.frameSize.empty()) setFrameSize(r.frameSize);
  if (!r.aspect.empty()) setAspect(r.aspect);
  setCropTop(r.croptop);
  setCropBottom(r.cropbottom);
  setCropLeft(r.cropleft);
  setCropRight(r.cropright);
  setPadTop(r.padtop);
  setPadBottom(r.padbottom);
  setPadLeft(r.padleft);
  setPadRight(r.padright);
  setPadColor(r.padcolor & 0xFFFFFF);
  if (r.gop > 0) setGenericOptionInt("gop", r.gop);
  if (r.vb > 0) setGenericOptionInt("vb", r.vb);
  if (r.maxrate > 0) setGenericOptionInt("maxrate", r.maxrate);
  if (r.minrate > 0) setGenericOptionInt("minrate", r.minrate);
  if (r.bt > 0) setGenericOptionInt("bt", r.bt);
  if (r.bufsize > 0) setGenericOptionInt("bufsize", r.bufsize);
  setVideoSyncMethod(r.vsync);
  if (!r.vtag.empty()) setVideoTag(r.vtag);
  if (r.sn) setSubtitleDisable();
  setSubtitleLanguage(r.slang);
  setCopyTs(r.copyts);
  if (r.recordingTimeMs > 0) setRecordingTimeMs(r.recordingTimeMs);
  if (r.timestamp == 0.0) setTimestamp(dateTimeToUnixSeconds(nowAsDateTime()));
  else if (r.timestamp > 0.0) setTimestamp(dateTimeToUnixSeconds(r.timestamp));
  setYear(r.year);
  setTrack(r.track);
  setTitle(fieldText(r.title));
  setAuthor(fieldText(r.author));
  setCopyright(fieldText(r.copyright));
  setComment(fieldText(r.comment));
  setAlbum(fieldText(r.album));
  setGenre(fieldText(r.genre));

  if (r.target >= 1 && r.target <= 3) {
    static const char *const kTypes[] = {"", "vcd", "svcd", "dvd"};
    const char *norm = r.targetNorm == 1 ? "pal" : r.targetNorm == 2 ? "ntsc" : "auto";
    const char *defaultNorm = r.targetDefaultNorm == 1 ? "pal" : "ntsc";
    applyTarget(kTypes[r.target], norm, defaultNorm);
  }
  // The hook switches connect the sinks in the component; only the ranges
  // are the task's own.
  if (!r.customHook && !r.beforeHook) hookRanges = parseHookRanges(r.hookRanges);
}
