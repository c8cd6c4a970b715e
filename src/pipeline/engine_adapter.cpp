#include "engine_adapter.h"

#include "binding.h"

void SetEngineEvents(TCustomFFmpegVCL &vcl, TProgressEvent onProgress, TTerminateEvent onTerminate) {
  vcl.Lock();
  vcl.OnProgress = std::move(onProgress);
  vcl.OnTerminate = std::move(onTerminate);
  vcl.Unlock();
}

bool LibrariesReadAviSynth() {
  if (!LibrariesLoaded() || !libavformat.av_find_input_format) return false;
  return libavformat.av_find_input_format("avisynth") != nullptr;
}
