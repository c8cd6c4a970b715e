#include "recording_output.h"

#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <string>

#include "binding.h"
#include "output_file.h"
#include "recording_metadata.h"
#include "transcode_state.h"

namespace {

const char *valueOf(const AVDictionary *m, const char *key) {
  const AVDictionaryEntry *e = libavutil.av_dict_get(m, key, nullptr, 0);
  return e && e->value && *e->value ? e->value : nullptr;
}

std::string utcText(int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[64];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S.000000Z", &tm);
  return buf;
}

void setIfFree(AVDictionary **m, const char *key, const std::string &value) {
  if (!value.empty()) libavutil.av_dict_set(m, key, value.c_str(), AV_DICT_DONT_OVERWRITE);
}

// The recording as the output should carry it: the instant an explicit
// "timestamp" gave the output wins over the source's.
RecordingMetadata recordingFor(const OutputFile &of, const RecordingMetadata &source) {
  RecordingMetadata r = source;
  if (const char *explicitTime = valueOf(of.ctx->metadata, "creation_time")) {
    RecordingMetadata given;
    if (parseRecordingDate(explicitTime, given)) {
      r.time = given.time;
      r.hasZone = false;  // shown in this computer's zone
    }
  }
  return r;
}

// Writes what the container holds; returns whether the place went in.
bool writeInto(OutputFile &of, const RecordingMetadata &r) {
  AVFormatContext *oc = of.ctx;
  const ContainerFields fields = containerFieldsOf(oc->oformat->name);
  if (r.hasTime()) {
    if (fields.instant) setIfFree(&oc->metadata, "creation_time", utcText(r.time));
    if (fields.dateText) {
      const bool avi = std::strcmp(oc->oformat->name, "avi") == 0 || std::strcmp(oc->oformat->name, "wav") == 0;
      const bool id3 = std::strcmp(oc->oformat->name, "mp3") == 0;
      // "ICRD" holds a day, ID3 a date-time without zone, comments all of it.
      std::string text = recordingLocalText(r, !id3 && !avi);
      if (avi) text.resize(10);
      setIfFree(&oc->metadata, "date", text);
    }
  }
  if (!fields.freeTags) return false;
  if (fields.phoneKeys) {
    if (r.hasTime()) setIfFree(&oc->metadata, kPhoneDateKey, recordingLocalText(r, true));
    setIfFree(&oc->metadata, kPhonePlaceKey, r.place);
    setIfFree(&oc->metadata, kPhoneMakeKey, r.make);
    setIfFree(&oc->metadata, kPhoneModelKey, r.model);
    setIfFree(&oc->metadata, kPhoneSoftwareKey, r.software);
    // The muxer writes its metadata as such keys only when told to.
    if ((!r.place.empty() || r.hasCamera() || r.hasTime()) && oc->priv_data)
      libavutil.av_opt_set(oc->priv_data, "movflags", "+use_metadata_tags", 0);
  } else {
    setIfFree(&oc->metadata, "location", r.place);
    setIfFree(&oc->metadata, "make", r.make);
    setIfFree(&oc->metadata, "model", r.model);
    setIfFree(&oc->metadata, "software", r.software);
  }
  return !r.place.empty();
}

int64_t fileModificationTime(const std::string &path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_mtime);
}

}  // namespace

void applyRecordingMetadata(const MetadataOptions &metadata, const std::vector<InputFile> &inputs,
                            TranscodeState &ts, LogSink &log) {
  if (!metadata.keepRecordingMetadata || inputs.empty()) return;
  const InputFile &in = inputs.front();
  const RecordingMetadata source = readRecordingMetadata(in.ctx ? in.ctx->metadata : nullptr);
  const int64_t fileTime = fileModificationTime(in.fileName);
  for (size_t f = 0; f < ts.outputFiles.size(); ++f) {
    OutputFile &of = *ts.outputFiles[f];
    if (!of.ctx || !of.ctx->oformat) continue;
    const RecordingMetadata r = recordingFor(of, source);
    if (writeInto(of, r))
      log.logF(LogLevel::Info, "Output #%d keeps the recording place (%s)", static_cast<int>(f), r.place.c_str());
    of.fileTime = r.hasTime() ? r.time : fileTime;
  }
}
