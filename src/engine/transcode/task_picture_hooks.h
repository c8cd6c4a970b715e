// The task as the frame pipeline sees it (picture_hooks.h).
#pragma once

#include "picture_hooks.h"

class TranscodeTask;

class TaskPictureHooks final : public PictureHooks {
 public:
  explicit TaskPictureHooks(TranscodeTask &task) : task_(task) {}
  bool deinterlaceRequested() const override;
  bool hookModulesRequested() const override;
  FrameHookChain &hookModules() override;
  const std::vector<std::pair<int64_t, int64_t>> &hookModuleRanges() const override;
  bool hasBeforeHookSink() const override;
  void beforeHook(int64_t pts, HookAction &action) override;
  bool hasCustomHookSink() const override;
  void customHook(Bitmap24 &bitmap, int32_t frameNumber, int64_t pts, bool &update, bool &stop) override;
  void log(LogLevel level, const std::string &text) override;

 private:
  TranscodeTask &task_;
};
