#include "engine_adapter.h"

#include <mutex>

void setEngineEvents(MediaEngine &engine, ProgressEvent onProgress, TerminateEvent onTerminate, LogEvent onLog) {
  std::scoped_lock hold(engine);
  engine.onProgress = std::move(onProgress);
  engine.onTerminate = std::move(onTerminate);
  engine.onLog = std::move(onLog);
}
