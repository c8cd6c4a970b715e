#include "engine_log.h"

#include <atomic>

namespace {
std::atomic<int> gLogLevel{1};
}

void EngineLogLevelChanged(int level) { gLogLevel = level; }
int EngineLogLevel() { return gLogLevel; }
