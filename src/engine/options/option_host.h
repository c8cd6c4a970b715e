// What the option language asks of the task whose options it sets: its
// log, its opened inputs (some options depend on them), its last output
// (to add a stream to), and the video hook modules with their time ranges.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "av_headers.h"
#include "engine_types.h"
#include "input_file.h"
#include "video_hook.h"

class OptionHost {
 public:
  virtual ~OptionHost() = default;
  virtual void log(LogLevel level, const std::string &text) = 0;
  virtual bool hasLogSink() const = 0;
  virtual const std::vector<InputFile> &openedInputs() const = 0;
  // "newvideo", "newaudio", "newsubtitle": one more stream of that type on
  // the last opened output (EngineError without one).
  virtual void addStreamToLastOutput(AVMediaType type) = 0;
  virtual FrameHookChain &hookModules() = 0;
  // Time ranges (start, end) in which the modules run, sorted by end.
  virtual std::vector<std::pair<int64_t, int64_t>> &hookModuleRanges() = 0;
};
