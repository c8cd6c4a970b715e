// The engine component: the only face of the transcoding engine that the
// rest of the program sees. See TCustomFFmpegVCL for the behaviour.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine_types.h"
#include "options.h"

class TAVProbe;
class TFFmpegList;
class TCustomFFmpeg;

class TCustomFFmpegVCL {
 public:
  // `scheduler` runs the timer mode's work on the owner's thread; without
  // one, StartConvert(n <= 0) runs each task directly on the caller's thread.
  explicit TCustomFFmpegVCL(IMainThreadScheduler *scheduler = nullptr);
  virtual ~TCustomFFmpegVCL();
  TCustomFFmpegVCL(const TCustomFFmpegVCL &) = delete;
  TCustomFFmpegVCL &operator=(const TCustomFFmpegVCL &) = delete;

  // Properties.
  std::string About;
  TLogLevel LogLevel() const;
  void SetLogLevel(TLogLevel level);
  int32_t ProgressInterval() const;
  void SetProgressInterval(int32_t ms);  // 100 or less stores 100
  TConvertPriority ThreadPriority() const;
  void SetThreadPriority(TConvertPriority p);
  std::string Version() const { return "2.0b"; }

  // Events (raised on the thread that runs the task).
  TBeforeHookEvent OnBeforeHook;
  TCustomHookEvent OnCustomHook;
  TLogEvent OnLog;
  TProgressEvent OnProgress;
  TTerminateEvent OnTerminate;

  // Operations.
  bool LoadAVLib(const std::string &folder, bool versioned);
  int AddTask(const std::string &fileName, TInputOptions *options = nullptr);
  bool SetOutput(int index, const std::string &fileName, TOutputOptions *options = nullptr);
  void RemoveTask(int index);
  void ClearTasks();
  void StartConvert(int32_t threadCount);
  void Stop();
  void Pause();
  void Resume();
  std::string LastErrorMessage() const;
  TAVProbe &Probe();
  int TaskCount() const;

 protected:
  struct TImpl;
  std::unique_ptr<TImpl> d;
};

class TFFmpegVCL : public TCustomFFmpegVCL {
 public:
  using TCustomFFmpegVCL::TCustomFFmpegVCL;
};
