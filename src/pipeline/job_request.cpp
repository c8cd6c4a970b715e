#include "job_request.h"

#include "media_probe.h"
#include "engine_adapter.h"

ProbeSummary probeSourceFile(MediaProbe &probe, const std::string &path) {
  ProbeSummary s;
  s.opened = probe.open(path, std::string());
  if (!s.opened) return s;
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
  MediaFileInfo f;
  probe.getFileInfo(f);
  s.durationUs = f.duration;
  probe.close();  // the file is not kept open behind the list
  return s;
}

void setProgramFolder(JobSettings &settings, const std::string &programFolder) {
  settings.programFolder = programFolder;
  if (settings.programFolder.empty() || settings.programFolder.back() != '/') settings.programFolder += '/';
  settings.aviSynthInput = librariesReadAviSynth();
}
