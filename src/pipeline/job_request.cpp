#include "job_request.h"

#include "av_probe.h"
#include "engine_adapter.h"

TProbeSummary ProbeSourceFile(TAVProbe &probe, const std::string &path) {
  TProbeSummary s;
  s.Opened = probe.Open(path, std::string());
  if (!s.Opened) return s;
  s.VideoStreamCount = probe.VideoStreamCount();
  if (s.VideoStreamCount > 0) {
    TAVVideoStreamInfo v;
    probe.GetVideoStreamInfo(v);
    s.Width = v.width;
    s.Height = v.height;
    s.FrameRateNum = v.frameRateNum;
    s.FrameRateDen = v.frameRateDen;
  }
  TAVFileInfo f;
  probe.GetFileInfo(f);
  s.DurationUs = f.duration;
  probe.Close();  // the file is not kept open behind the list
  return s;
}

void SetProgramFolder(TJobSettings &settings, const std::string &programFolder) {
  settings.ProgramFolder = programFolder;
  if (settings.ProgramFolder.empty() || settings.ProgramFolder.back() != '/') settings.ProgramFolder += '/';
  settings.AviSynthInput = LibrariesReadAviSynth();
}
