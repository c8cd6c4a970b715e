#include "engine_adapter.h"

#include <mutex>

#include "media_probe.h"

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

OutputMeasure EngineAdapter::outputMeasure(int index) const {
  if (index < 0 || index >= engine_.taskCount()) return {};
  return engine_.taskStatus(index).output;
}

int64_t EngineAdapter::keyframeAtOrBefore(const std::string &fileName, int64_t ms) {
  MediaProbe &probe = engine_.probe();
  if (!probe.open(fileName)) return -1;
  const int64_t us = probe.keyframeAtOrBefore(ms * 1000);
  probe.close();
  return us < 0 ? -1 : us / 1000;
}
