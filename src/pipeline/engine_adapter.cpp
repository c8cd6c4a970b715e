#include "engine_adapter.h"

#include <mutex>

#include "binding.h"

void setEngineEvents(MediaEngine &engine, ProgressEvent onProgress, TerminateEvent onTerminate, LogEvent onLog) {
  std::scoped_lock hold(engine);
  engine.onProgress = std::move(onProgress);
  engine.onTerminate = std::move(onTerminate);
  engine.onLog = std::move(onLog);
}

bool librariesReadAviSynth() {
  if (!librariesLoaded() || !libavformat.av_find_input_format) return false;
  return libavformat.av_find_input_format("avisynth") != nullptr;
}
