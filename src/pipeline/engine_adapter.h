// The engine component seen through the queue's engine interface. Its
// calls are made on the queue's thread; the component takes its own lock.
#pragma once

#include "library_features.h"
#include "media_engine.h"
#include "queue_interfaces.h"

// Replaces the component's progress, termination and log events. The
// component raises them on its worker threads under its lock, so they are
// swapped under the same lock: a task that is running never sees a
// half-assigned function.
void setEngineEvents(MediaEngine &engine, ProgressEvent onProgress, TerminateEvent onTerminate, LogEvent onLog);

class EngineAdapter : public ConversionEngine {
 public:
  explicit EngineAdapter(MediaEngine &engine) : engine_(engine) {}
  int addTask(const std::string &fileName, InputOptions *options) override {
    return engine_.addTask(fileName, options);
  }
  bool setOutput(int index, const std::string &fileName, OutputOptions *options) override {
    return engine_.setOutput(index, fileName, options);
  }
  void removeTask(int index) override { engine_.removeTask(index); }
  void clearTasks() override { engine_.clearTasks(); }
  void startConvert(int32_t threadCount) override { engine_.startConvert(threadCount); }
  void startTask(int index) override { engine_.startTask(index); }
  int32_t threadsPerTask() const override { return engine_.threadsPerTask(); }
  void setThreadsPerTask(int32_t threads) override { engine_.setThreadsPerTask(threads); }
  void stop() override { engine_.stop(); }
  void pause() override { engine_.pause(); }
  void resume() override { engine_.resume(); }
  std::string lastErrorMessage() const override { return engine_.lastErrorMessage(); }
  std::optional<std::string> keptOutputName(int index) const override;
  OutputMeasure outputMeasure(int index) const override;
  int64_t keyframeAtOrBefore(const std::string &fileName, int64_t ms) override;
  void setEvents(ProgressEvent onProgress, TerminateEvent onTerminate, LogEvent onLog) override {
    setEngineEvents(engine_, std::move(onProgress), std::move(onTerminate), std::move(onLog));
  }

 private:
  MediaEngine &engine_;
};
