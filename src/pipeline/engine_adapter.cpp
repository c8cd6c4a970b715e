#include "engine_adapter.h"

#include <mutex>

void setEngineEvents(MediaEngine &engine, ProgressEvent onProgress, TerminateEvent onTerminate, LogEvent onLog) {
  std::scoped_lock hold(engine);
  engine.onProgress = std::move(onProgress);
  engine.onTerminate = std::move(onTerminate);
  engine.onLog = std::move(onLog);
}

std::optional<std::string> EngineAdapter::keptOutputName(int index) const {
  if (index < 0 || index >= engine_.taskCount()) return std::string();
  return engine_.taskStatus(index).keptOutput;
}
