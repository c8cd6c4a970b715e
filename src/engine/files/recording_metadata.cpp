#include "recording_metadata.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "binding.h"

namespace {


const char *valueOf(const AVDictionary *m, const char *key) {
  const AVDictionaryEntry *e = libavutil.av_dict_get(m, key, nullptr, 0);
  return e && e->value && *e->value ? e->value : nullptr;
}

std::string firstOf(const AVDictionary *m, const char *key, const char *fallback) {
  const char *v = valueOf(m, key);
  if (!v && fallback) v = valueOf(m, fallback);
  return v ? v : std::string();
}

// Days from 1 January 1970 to a date of the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// Reads exactly `n` digits at `p`.
bool digits(const char *&p, int n, int &value) {
  value = 0;
  for (int i = 0; i < n; ++i, ++p) {
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    value = value * 10 + (*p - '0');
  }
  return true;
}

// The zone of a date text: "Z", "+HH", "+HHMM" or "+HH:MM" (or "-").
bool readZone(const char *p, RecordingMetadata &out) {
  if (*p == 'Z' && p[1] == 0) {
    out.hasZone = true;
    out.zoneMinutes = 0;
    return true;
  }
  if (*p != '+' && *p != '-') return false;
  const int sign = *p++ == '-' ? -1 : 1;
  int hh = 0, mm = 0;
  if (!digits(p, 2, hh)) return false;
  if (*p == ':') ++p;
  if (*p && !digits(p, 2, mm)) return false;
  if (*p || hh > 14 || mm > 59) return false;
  out.hasZone = true;
  out.zoneMinutes = sign * (hh * 60 + mm);
  return true;
}

// A time of the file's own clock, in the zone where known.
std::tm brokenDown(const RecordingMetadata &r) {
  std::tm tm{};
  std::time_t t = static_cast<std::time_t>(r.time);
  if (r.hasZone) {
    t += static_cast<std::time_t>(r.zoneMinutes) * 60;
    gmtime_r(&t, &tm);
  } else {
    localtime_r(&t, &tm);
  }
  return tm;
}

}  // namespace

bool parseRecordingDate(const std::string &text, RecordingMetadata &out) {
  const char *p = text.c_str();
  while (*p == ' ') ++p;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (!digits(p, 4, y) || *p++ != '-' || !digits(p, 2, mo) || *p++ != '-' || !digits(p, 2, d)) return false;
  if (*p != 'T' && *p != ' ') return false;
  ++p;
  if (!digits(p, 2, h) || *p++ != ':' || !digits(p, 2, mi)) return false;
  if (*p == ':' && (++p, !digits(p, 2, s))) return false;
  if (*p == '.' || *p == ',')
    for (++p; std::isdigit(static_cast<unsigned char>(*p));) ++p;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) return false;
  RecordingMetadata r = out;
  r.hasZone = false;
  r.zoneMinutes = 0;
  if (*p && !readZone(p, r)) return false;
  r.time = daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 + h * 3600 + mi * 60 + s -
           static_cast<int64_t>(r.zoneMinutes) * 60;
  // A header without a time (zero, or the 1904 and 1970 epochs) is no date.
  if (r.time <= 0) return false;
  out = r;
  return true;
}

RecordingMetadata readRecordingMetadata(const AVDictionary *m) {
  RecordingMetadata r;
  if (!librariesLoaded() || !m) return r;
  for (const char *key : {kPhoneDateKey, "creation_time", "date"}) {
    const char *v = valueOf(m, key);
    if (!v || !parseRecordingDate(v, r)) continue;
    // The movie header's time is UTC, not the zone of the place.
    if (std::strcmp(key, "creation_time") == 0) r.hasZone = false;
    break;
  }
  r.place = firstOf(m, kPhonePlaceKey, "location");
  r.make = firstOf(m, kPhoneMakeKey, "make");
  r.model = firstOf(m, kPhoneModelKey, "model");
  r.software = firstOf(m, kPhoneSoftwareKey, nullptr);
  return r;
}

std::string recordingLocalText(const RecordingMetadata &r, bool withZone) {
  if (!r.hasTime()) return {};
  const std::tm tm = brokenDown(r);
  char buf[64];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
  std::string text = buf;
  if (withZone) {
    const long minutes = r.hasZone ? r.zoneMinutes : tm.tm_gmtoff / 60;
    const long a = minutes < 0 ? -minutes : minutes;
    std::snprintf(buf, sizeof buf, "%c%02ld:%02ld", minutes < 0 ? '-' : '+', a / 60, a % 60);
    text += buf;
  }
  return text;
}

ContainerFields containerFieldsOf(const char *muxerName) {
  const std::string n = muxerName ? muxerName : "";
  ContainerFields f;
  if (n == "mov" || n == "mp4" || n == "ipod" || n == "psp") {
    f.instant = f.freeTags = f.phoneKeys = true;
  } else if (n == "3gp" || n == "3g2") {
    f.instant = true;  // the 3GPP items hold no camera; its place item is not read back
  } else if (n == "matroska" || n == "webm") {
    f.instant = f.freeTags = true;
  } else if (n == "asf" || n == "asf_stream") {
    f.instant = f.freeTags = true;
  } else if (n == "avi" || n == "wav" || n == "mp3") {
    f.dateText = true;
  } else if (n == "flac" || n == "ogg" || n == "oga" || n == "opus") {
    f.dateText = f.freeTags = true;
  }
  return f;
}

bool outputKeepsPlace(const std::string &outputFileName) {
  if (!librariesLoaded()) return false;
  const AVOutputFormat *f = libavformat.av_guess_format(nullptr, outputFileName.c_str(), nullptr);
  return f && containerFieldsOf(f->name).freeTags;
}

