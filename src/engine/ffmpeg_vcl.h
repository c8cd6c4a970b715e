// The engine component: the only face of the transcoding engine that the
// rest of the program sees. See TCustomFFmpegVCL for the behaviour.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine_types.h"
#include "options.h"

class TAVProbe;
class TFFmpegList;
class TCustomFFmpeg;
class TFFmpeg;

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
  // The task at `index`; an index outside the list raises std::out_of_range.
  TFFmpeg &Task(int index);

  // The component's re-entrant lock: event delivery and the scheduling
  // state are serialised by it.
  void Lock();
  void Unlock();

  // Scheduling state of the current run.
  int32_t ThreadCount() const;
  int32_t NextTaskIndex() const;
  int32_t PendingCount() const;
  int32_t FinishedCount() const;

  // Every live component, in order of creation.
  static std::vector<TCustomFFmpegVCL *> ComponentList();

 protected:
  // Dispatch from the tasks to the events (each raises its event with the
  // task's index).
  virtual void DoBeforeHook(TCustomFFmpeg &task, int64_t pts, THookAction &action);
  virtual void DoCustomHook(TCustomFFmpeg &task, TBitmap24 &bitmap, int32_t frameNumber, int64_t pts,
                            bool &update, bool &stop);
  virtual void DoLog(TCustomFFmpeg *task, int level, const std::string &text);
  virtual void DoProgress(TCustomFFmpeg &task, int32_t frameNumber, int32_t fps,
                          int32_t currentDurationMs, float quality, float bitRate,
                          int64_t currentSize, int32_t totalDurationMs);
  virtual void DoTerminate(TCustomFFmpeg *task);

  struct TImpl;
  std::unique_ptr<TImpl> d;
};

class TFFmpegVCL : public TCustomFFmpegVCL {
 public:
  using TCustomFFmpegVCL::TCustomFFmpegVCL;
};
