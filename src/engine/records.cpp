// Application of the input and output option records to a task.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "ffmpeg_core.h"

namespace {

std::string trim(const std::string &s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

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

std::vector<std::pair<int64_t, int64_t>> ParseHookRanges(const std::string &text) {
  std::vector<std::pair<int64_t, int64_t>> ranges;
  if (text.empty()) return ranges;
  size_t pos = 0;
  while (true) {
    size_t comma = text.find(',', pos);
    std::string item = trim(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
    size_t dash = item.find('-');
    std::string a = trim(dash == std::string::npos ? item : item.substr(0, dash));
    std::string b = dash == std::string::npos ? std::string() : trim(item.substr(dash + 1));
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

int64_t DateTimeToUnixSeconds(double dateTime) {
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

double NowAsDateTime() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  const int64_t localSeconds = static_cast<int64_t>(now) + tm.tm_gmtoff;
  return kUnixEpochAsDateTime + static_cast<double>(localSeconds) / 86400.0;
}

void TCustomFFmpeg::ApplyInputOptions(TInputOptions &record, const std::string &fileName) {
  if (record.fileName.empty()) record.fileName = fileName;
  InputRecord = record;
  ApplyOptionText(record.extraOptions);
  if (!record.format.empty()) SetInputFormat(record.format);
  if (record.startTimeMs > 0) SetStartTimeUs(static_cast<int64_t>(record.startTimeMs) * 1000);
  if (record.programid >= 0) SetProgramId(record.programid);
}

void TCustomFFmpeg::ApplyOutputOptions(TOutputOptions &record, const std::string &fileName) {
  if (record.fileName.empty()) record.fileName = fileName;
  OutputRecord = record;
  const TOutputOptions &r = record;
  ApplyOptionText(r.extraOptions);

  if (!r.format.empty()) SetOutputFormat(r.format);
  if (r.packetsize > 0) SetGenericOptionInt("packetsize", r.packetsize);
  if (r.muxrate > 0) SetGenericOptionInt("muxrate", r.muxrate);
  if (r.muxdelay > 0) SetMuxDelay(r.muxdelay);
  if (r.muxpreload > 0) SetMuxPreload(r.muxpreload);
  if (!r.acodec.empty()) SetAudioCodec(r.acodec);
  if (r.an) SetAudioDisable();
  if (r.vol >= 0) SetAudioVolume(r.vol);
  if (r.ac > 0) SetAudioChannels(r.ac);
  if (r.ar > 0) SetAudioSampleRate(r.ar);
  if (r.ab > 0) SetGenericOptionInt("ab", r.ab);
  if (r.abt > 0) SetGenericOptionInt("abt", r.abt);
  SetAudioLanguage(r.alang);
  SetAudioSyncMethod(r.async);
  if (!r.atag.empty()) SetAudioTag(r.atag);
  if (!r.vcodec.empty()) SetVideoCodec(r.vcodec);
  if (r.vn) SetVideoDisable();
  if (!r.frameRate.empty()) SetFrameRate(r.frameRate);
  if (!r.frameSize.empty()) SetFrameSize(r.frameSize);
  if (!r.aspect.empty()) SetAspect(r.aspect);
  SetCropTop(r.croptop);
  SetCropBottom(r.cropbottom);
  SetCropLeft(r.cropleft);
  SetCropRight(r.cropright);
  SetPadTop(r.padtop);
  SetPadBottom(r.padbottom);
  SetPadLeft(r.padleft);
  SetPadRight(r.padright);
  SetPadColor(r.padcolor & 0xFFFFFF);
  if (r.gop > 0) SetGenericOptionInt("gop", r.gop);
  if (r.vb > 0) SetGenericOptionInt("vb", r.vb);
  if (r.maxrate > 0) SetGenericOptionInt("maxrate", r.maxrate);
  if (r.minrate > 0) SetGenericOptionInt("minrate", r.minrate);
  if (r.bt > 0) SetGenericOptionInt("bt", r.bt);
  if (r.bufsize > 0) SetGenericOptionInt("bufsize", r.bufsize);
  SetVideoSyncMethod(r.vsync);
  if (!r.vtag.empty()) SetVideoTag(r.vtag);
  if (r.sn) SetSubtitleDisable();
  SetSubtitleLanguage(r.slang);
  SetCopyTs(r.copyts);
  if (r.recordingTimeMs > 0) SetRecordingTimeMs(r.recordingTimeMs);
  if (r.timestamp == 0.0) SetTimestamp(DateTimeToUnixSeconds(NowAsDateTime()));
  else if (r.timestamp > 0.0) SetTimestamp(DateTimeToUnixSeconds(r.timestamp));
  SetYear(r.year);
  SetTrack(r.track);
  SetTitle(fieldText(r.title));
  SetAuthor(fieldText(r.author));
  SetCopyright(fieldText(r.copyright));
  SetComment(fieldText(r.comment));
  SetAlbum(fieldText(r.album));
  SetGenre(fieldText(r.genre));

  if (r.target >= 1 && r.target <= 3) {
    static const char *const kTypes[] = {"", "vcd", "svcd", "dvd"};
    const char *norm = r.targetNorm == 1 ? "pal" : r.targetNorm == 2 ? "ntsc" : "auto";
    const char *defaultNorm = r.targetDefaultNorm == 1 ? "pal" : "ntsc";
    ApplyTarget(kTypes[r.target], norm, defaultNorm);
  }
  // The hook switches connect the sinks in the component; only the ranges
  // are the task's own.
  if (!r.customHook && !r.beforeHook) HookRanges = ParseHookRanges(r.hookRanges);
}
