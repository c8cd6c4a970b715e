// The engine component seen through the queue's engine interface.
#pragma once

#include "media_engine.h"
#include "queue_interfaces.h"

// Replaces the component's progress and termination events. The component
// raises them on its worker threads under its lock, so they are swapped
// under the same lock: a task that is running never sees a half-assigned
// function.
void setEngineEvents(MediaEngine &vcl, ProgressEvent onProgress, TerminateEvent onTerminate);

class EngineAdapter : public ConversionEngine {
 public:
  explicit EngineAdapter(MediaEngine &vcl) : vcl_(vcl) {}
  int addTask(const std::string &fileName, InputOptions *options) override {
    return vcl_.addTask(fileName, options);
  }
  bool setOutput(int index, const std::string &fileName, OutputOptions *options) override {
    return vcl_.setOutput(index, fileName, options);
  }
  void removeTask(int index) override { vcl_.removeTask(index); }
  void clearTasks() override { vcl_.clearTasks(); }
  void startConvert(int32_t threadCount) override { vcl_.startConvert(threadCount); }
  void stop() override { vcl_.stop(); }
  void pause() override { vcl_.pause(); }
  void resume() override { vcl_.resume(); }
  void setEvents(ProgressEvent onProgress, TerminateEvent onTerminate) override {
    setEngineEvents(vcl_, std::move(onProgress), std::move(onTerminate));
  }

 private:
  MediaEngine &vcl_;
};

// Whether the bound libraries can read AviSynth scripts as input.
bool librariesReadAviSynth();
