// What the frame pipeline's pre-processing asks of the run it works for:
// the options that shape it, the video hook modules and their time ranges,
// the host's hooks and the log. The transcode lends its task through it,
// so the pipeline knows nothing else of the task.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine_types.h"
#include "video_hook.h"

class PictureHooks {
 public:
  virtual ~PictureHooks() = default;
  // "deinterlace" was given.
  virtual bool deinterlaceRequested() const = 0;
  // "vhook" modules were loaded for the run.
  virtual bool hookModulesRequested() const = 0;
  virtual FrameHookChain &hookModules() = 0;
  // Time ranges (start, end) in which the modules run, sorted by end.
  virtual const std::vector<std::pair<int64_t, int64_t>> &hookModuleRanges() const = 0;
  virtual bool hasBeforeHookSink() const = 0;
  virtual void beforeHook(int64_t pts, HookAction &action) = 0;
  virtual bool hasCustomHookSink() const = 0;
  virtual void customHook(Bitmap24 &bitmap, int32_t frameNumber, int64_t pts, bool &update, bool &stop) = 0;
  virtual void log(LogLevel level, const std::string &text) = 0;
};
