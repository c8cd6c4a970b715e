#include "task_picture_hooks.h"

#include "transcode_task.h"

bool TaskPictureHooks::deinterlaceRequested() const { return task_.options.doDeinterlace != 0; }
bool TaskPictureHooks::hookModulesRequested() const { return task_.options.usingVhook != 0; }
FrameHookChain &TaskPictureHooks::hookModules() { return task_.videoHooks; }

const std::vector<std::pair<int64_t, int64_t>> &TaskPictureHooks::hookModuleRanges() const {
  return task_.hookRanges;
}

bool TaskPictureHooks::hasBeforeHookSink() const { return static_cast<bool>(task_.sinks().beforeHook); }
void TaskPictureHooks::beforeHook(int64_t pts, HookAction &action) { task_.beforeHook(pts, action); }
bool TaskPictureHooks::hasCustomHookSink() const { return static_cast<bool>(task_.sinks().customHook); }

void TaskPictureHooks::customHook(Bitmap24 &bitmap, int32_t frameNumber, int64_t pts, bool &update, bool &stop) {
  task_.customHook(bitmap, frameNumber, pts, update, stop);
}

void TaskPictureHooks::log(LogLevel level, const std::string &text) { task_.log(level, text); }
