#include "job_request.h"

#include <algorithm>
#include <filesystem>

#include "engine_adapter.h"
#include "media_probe.h"
#include "recording_metadata.h"
#include "pipeline_text.h"

ProbeSummary probeSourceFile(MediaProbe &probe, const std::string &path) {
  ProbeSummary s;
  s.opened = probe.open(path, std::string());
  if (!s.opened) {
    s.error = probe.lastError();
    s.notSource = probe.notSource();
    return s;
  }
  s.videoStreamCount = probe.videoStreamCount();
  if (s.videoStreamCount > 0) {
    VideoStreamInfo v;
    probe.getVideoStreamInfo(v);
    s.width = v.displayWidth;
    s.height = v.displayHeight;
    s.sarNum = v.displaySarNum;
    s.sarDen = v.displaySarDen;
    s.frameRateNum = v.frameRateNum;
    s.frameRateDen = v.frameRateDen;
  }
  s.audioChannels = probe.firstAudioChannels();
  MediaFileInfo f;
  probe.getFileInfo(f);
  s.durationUs = f.duration;
  const RecordingMetadata rec = probe.recording();
  s.recordedAt = rec.time;
  s.recordedZoneKnown = rec.hasZone;
  s.recordedZoneMinutes = rec.zoneMinutes;
  s.recordedPlace = !rec.place.empty();
  probe.close();  // the file is not kept open behind the list
  return s;
}

bool jobKeepsPlace(const ProbeSummary &source, const JobSettings &settings, const std::string &outputFile) {
  return settings.keepMetadata && source.opened && source.recordedPlace && outputKeepsPlace(outputFile);
}

void setProgramFolder(JobSettings &settings, const std::string &programFolder) {
  settings.programFolder = programFolder;
  if (settings.programFolder.empty() || settings.programFolder.back() != '/') settings.programFolder += '/';
  settings.aviSynthInput = librariesReadAviSynth();
}

bool isSourceFileName(const std::string &path) {
  const std::string ext = lowerText(std::filesystem::path(path).extension().string());
  return std::find(kSourceExtensions.begin(), kSourceExtensions.end(), ext) != kSourceExtensions.end();
}

std::vector<std::string> sourceFilesInFolder(const std::string &folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && isSourceFileName(it->path().string()))
      files.push_back(it->path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}
