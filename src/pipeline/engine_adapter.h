// The engine component seen through the queue's engine interface.
#pragma once

#include "ffmpeg_vcl.h"
#include "queue_interfaces.h"

// Replaces the component's progress and termination events. The component
// raises them on its worker threads under its lock, so they are swapped
// under the same lock: a task that is running never sees a half-assigned
// function.
void SetEngineEvents(TCustomFFmpegVCL &vcl, TProgressEvent onProgress, TTerminateEvent onTerminate);

class TEngineAdapter : public IConversionEngine {
 public:
  explicit TEngineAdapter(TCustomFFmpegVCL &vcl) : vcl_(vcl) {}
  int AddTask(const std::string &fileName, TInputOptions *options) override {
    return vcl_.AddTask(fileName, options);
  }
  bool SetOutput(int index, const std::string &fileName, TOutputOptions *options) override {
    return vcl_.SetOutput(index, fileName, options);
  }
  void RemoveTask(int index) override { vcl_.RemoveTask(index); }
  void ClearTasks() override { vcl_.ClearTasks(); }
  void StartConvert(int32_t threadCount) override { vcl_.StartConvert(threadCount); }
  void Stop() override { vcl_.Stop(); }
  void Pause() override { vcl_.Pause(); }
  void Resume() override { vcl_.Resume(); }
  void SetEvents(TProgressEvent onProgress, TTerminateEvent onTerminate) override {
    SetEngineEvents(vcl_, std::move(onProgress), std::move(onTerminate));
  }

 private:
  TCustomFFmpegVCL &vcl_;
};

// Whether the bound libraries can read AviSynth scripts as input.
bool LibrariesReadAviSynth();
