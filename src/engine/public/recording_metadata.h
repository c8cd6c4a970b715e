// What a clip knows about its recording: when (an instant, and the zone of
// the place where it was recorded when the phone wrote one), where (an
// ISO 6709 text) and with what (make, model, software). Read from a
// source's container metadata; written into every output in the fields its
// container has; and given to the output file as its modification time.
#pragma once

#include <cstdint>
#include <string>

#include "../library/av_headers.h"

// The phone's keys (QuickTime 'mdta' items).
inline constexpr const char *kPhoneDateKey = "com.apple.quicktime.creationdate";
inline constexpr const char *kPhonePlaceKey = "com.apple.quicktime.location.ISO6709";
inline constexpr const char *kPhoneMakeKey = "com.apple.quicktime.make";
inline constexpr const char *kPhoneModelKey = "com.apple.quicktime.model";
inline constexpr const char *kPhoneSoftwareKey = "com.apple.quicktime.software";

struct RecordingMetadata {
  int64_t time = -1;          // seconds since 1970 (UTC); -1: unknown
  bool hasZone = false;       // the recording's own zone is known ...
  int zoneMinutes = 0;        // ... this many minutes east of UTC
  std::string place;          // ISO 6709, e.g. "+48.8584+002.2945+035.000/"
  std::string make, model, software;
  bool hasTime() const { return time >= 0; }
  bool hasCamera() const { return !make.empty() || !model.empty() || !software.empty(); }
};

// A date text as phones, cameras and the libraries write it:
// "2023-07-14T18:42:05+0200", "... +02:00", "...Z", "2023-07-14 16:42:05",
// with or without fractions of a second. Without a zone the text is read as
// UTC (hasZone false). Returns false for anything else.
bool parseRecordingDate(const std::string &text, RecordingMetadata &out);

// The recording of a source from its container metadata: the phone's
// creation date with its zone where it has one, else the movie header's
// creation time, else a camera's full date; place and camera from the
// phone's keys or a camera's items.
RecordingMetadata readRecordingMetadata(const AVDictionary *metadata);

// The local date-time of the recording ("2023-07-14T18:42:05"), in its own
// zone where known, else in the zone of this computer; `withZone` appends
// the zone ("+02:00").
std::string recordingLocalText(const RecordingMetadata &r, bool withZone);

// What an output container keeps, by muxer name.
struct ContainerFields {
  bool instant = false;     // a creation time (MP4, MOV, 3GP, M4A, MKV/WebM, ASF)
  bool dateText = false;    // only a date field (AVI/WAV "ICRD", ID3 date, "DATE" comments)
  bool freeTags = false;    // place and camera as free tags
  bool phoneKeys = false;   // ... as the phone's own keys (the QuickTime family)
};
ContainerFields containerFieldsOf(const char *muxerName);

// Whether an output file of this name (its muxer guessed from the name)
// gets the place of a source that has one. Needs the bound libraries.
bool outputKeepsPlace(const std::string &outputFileName);
