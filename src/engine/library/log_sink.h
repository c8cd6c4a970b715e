// Where a step of the transcode writes its log lines: the task's log sink,
// lent to the steps that need nothing else of the task.
#pragma once

#include <string>

#include "engine_types.h"

class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void log(LogLevel level, const std::string &text) = 0;
  // Whether the lines go anywhere: text that is costly to make is made
  // only then.
  virtual bool hasLogSink() const = 0;
  // A formatted line; nothing is formatted without a sink.
  void logF(LogLevel level, const char *format, ...) __attribute__((format(printf, 3, 4)));
};
