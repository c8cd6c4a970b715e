#include "engine_adapter.h"

#include "binding.h"

void setEngineEvents(MediaEngine &vcl, ProgressEvent onProgress, TerminateEvent onTerminate) {
  vcl.lock();
  vcl.onProgress = std::move(onProgress);
  vcl.onTerminate = std::move(onTerminate);
  vcl.unlock();
}

bool librariesReadAviSynth() {
  if (!librariesLoaded() || !libavformat.av_find_input_format) return false;
  return libavformat.av_find_input_format("avisynth") != nullptr;
}
