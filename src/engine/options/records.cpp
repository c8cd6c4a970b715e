// Application of the input and output option records to a task.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "dates.h"
#include "hook_ranges.h"
#include "option_values.h"
#include "option_language.h"
#include "user_rotation.h"

namespace {

// Text of a fixed-size field, up to its first NUL.
template <size_t N>
std::string fieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

}  // namespace

void OptionLanguage::applyInputOptions(InputOptions &record, const std::string &fileName) {
  if (record.fileName.empty()) record.fileName = fileName;
  inputRecord = record;
  applyOptionText(record.extraOptions);
  if (!record.format.empty()) setInputFormat(record.format);
  if (record.startTimeMs > 0) setStartTimeUs(static_cast<int64_t>(record.startTimeMs) * 1000);
  if (record.programid >= 0) setProgramId(record.programid);
  options_.handQuarterTurns = handTurnQuarters(record.rotateDegrees);
  if (options_.handQuarterTurns < 0) {
    options_.handQuarterTurns = 0;
    throw EngineError("rotate must be 0, 90, 180 or 270 degrees");
  }
}

namespace {

void applyMuxerFields(OptionLanguage &t, const OutputOptions &r) {
  if (!r.format.empty()) t.setOutputFormat(r.format);
  if (r.packetsize > 0) t.setGenericOptionInt("packetsize", r.packetsize);
  if (r.muxrate > 0) t.setGenericOptionInt("muxrate", r.muxrate);
  if (r.muxdelay > 0) t.setMuxDelay(r.muxdelay);
  if (r.muxpreload > 0) t.setMuxPreload(r.muxpreload);
}

void applyAudioFields(OptionLanguage &t, const OutputOptions &r) {
  if (!r.acodec.empty()) t.setAudioCodec(r.acodec);
  if (r.an) t.setAudioDisable();
  if (r.vol >= 0) t.setAudioVolume(r.vol);
  if (r.ac > 0) t.setAudioChannels(r.ac);
  if (r.ar > 0) t.setAudioSampleRate(r.ar);
  if (r.ab > 0) t.setGenericOptionInt("ab", r.ab);
  if (r.abt > 0) t.setGenericOptionInt("abt", r.abt);
  t.setAudioLanguage(r.alang);
  t.setAudioSyncMethod(r.async);
  if (!r.atag.empty()) t.setAudioTag(r.atag);
}

void applyVideoFields(OptionLanguage &t, const OutputOptions &r) {
  if (!r.vcodec.empty()) t.setVideoCodec(r.vcodec);
  if (r.vn) t.setVideoDisable();
  if (!r.frameRate.empty()) t.setFrameRate(r.frameRate);
  if (!r.frameSize.empty()) t.setFrameSize(r.frameSize);
  if (!r.aspect.empty()) t.setAspect(r.aspect);
  t.setCropTop(r.croptop);
  t.setCropBottom(r.cropbottom);
  t.setCropLeft(r.cropleft);
  t.setCropRight(r.cropright);
  t.setPadTop(r.padtop);
  t.setPadBottom(r.padbottom);
  t.setPadLeft(r.padleft);
  t.setPadRight(r.padright);
  t.setPadColor(r.padcolor & 0xFFFFFF);
  if (r.gop > 0) t.setGenericOptionInt("gop", r.gop);
  if (r.vb > 0) t.setGenericOptionInt("vb", r.vb);
  if (r.maxrate > 0) t.setGenericOptionInt("maxrate", r.maxrate);
  if (r.minrate > 0) t.setGenericOptionInt("minrate", r.minrate);
  if (r.bt > 0) t.setGenericOptionInt("bt", r.bt);
  if (r.bufsize > 0) t.setGenericOptionInt("bufsize", r.bufsize);
  t.setVideoSyncMethod(r.vsync);
  if (!r.vtag.empty()) t.setVideoTag(r.vtag);
  if (r.pass == 1 || r.pass == 2) t.state().passNumber = r.pass;
  if (!r.passLogFile.empty()) t.state().passLogFileName = r.passLogFile;
}

// Subtitles, time stamps, recording time and the texts of the file.
void applyFileFields(OptionLanguage &t, const OutputOptions &r) {
  if (r.sn) t.setSubtitleDisable();
  t.setSubtitleLanguage(r.slang);
  t.setCopyTs(r.copyts);
  if (r.overwrite) t.state().overwriteOutput = 1;
  if (r.keepAtMostBytes >= 0) t.state().keepAtMostBytes = r.keepAtMostBytes;
  if (r.recordingTimeMs > 0) t.setRecordingTimeMs(r.recordingTimeMs);
  if (r.timestamp == 0.0) t.setTimestamp(dateTimeToUnixSeconds(nowAsDateTime()));
  else if (r.timestamp > 0.0) t.setTimestamp(dateTimeToUnixSeconds(r.timestamp));
  if (r.keepMetadata) t.state().keepRecordingMetadata = true;
  t.setYear(r.year);
  t.setTrack(r.track);
  t.setTitle(fieldText(r.title));
  t.setAuthor(fieldText(r.author));
  t.setCopyright(fieldText(r.copyright));
  t.setComment(fieldText(r.comment));
  t.setAlbum(fieldText(r.album));
  t.setGenre(fieldText(r.genre));
}

void applyTargetFields(OptionLanguage &t, const OutputOptions &r) {
  if (r.target < 1 || r.target > 3) return;
  static const char *const kTypes[] = {"", "vcd", "svcd", "dvd"};
  const char *norm = r.targetNorm == 1 ? "pal" : r.targetNorm == 2 ? "ntsc" : "auto";
  const char *defaultNorm = r.targetDefaultNorm == 1 ? "pal" : "ntsc";
  t.applyTarget(kTypes[r.target], norm, defaultNorm);
}

}  // namespace

// The extra option text first, then the fields in a fixed order, then the
// target preset.
void OptionLanguage::applyOutputOptions(OutputOptions &record, const std::string &fileName) {
  if (record.fileName.empty()) record.fileName = fileName;
  outputRecord = record;
  applyOptionText(record.extraOptions);
  applyMuxerFields(*this, record);
  applyAudioFields(*this, record);
  applyVideoFields(*this, record);
  applyFileFields(*this, record);
  applyTargetFields(*this, record);
  // The hook switches connect the sinks in the component; only the ranges
  // are the task's own.
  if (!record.customHook && !record.beforeHook) host_.hookModuleRanges() = parseHookRanges(record.hookRanges);
}
