// The engine component: the only face of the transcoding engine that the
// rest of the program sees. See MediaEngine for the behaviour.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine_types.h"
#include "options.h"

class MediaProbe;
class TaskList;
class TranscodeTask;
class TranscodeTask;

class MediaEngine {
 public:
  // `scheduler` runs the timer mode's work on the owner's thread; without
  // one, startConvert(n <= 0) runs each task directly on the caller's thread.
  explicit MediaEngine(MainThreadScheduler *scheduler = nullptr);
  virtual ~MediaEngine();
  MediaEngine(const MediaEngine &) = delete;
  MediaEngine &operator=(const MediaEngine &) = delete;

  // Properties.
  std::string about;
  LogLevel logLevel() const;
  void setLogLevel(LogLevel level);
  int32_t progressInterval() const;
  void setProgressInterval(int32_t ms);  // 100 or less stores 100
  ConvertPriority threadPriority() const;
  void setThreadPriority(ConvertPriority p);
  std::string version() const { return "2.0b"; }

  // Events (raised on the thread that runs the task).
  BeforeHookEvent onBeforeHook;
  CustomHookEvent onCustomHook;
  LogEvent onLog;
  ProgressEvent onProgress;
  TerminateEvent onTerminate;

  // Operations.
  bool loadAVLib(const std::string &folder, bool versioned);
  int addTask(const std::string &fileName, InputOptions *options = nullptr);
  bool setOutput(int index, const std::string &fileName, OutputOptions *options = nullptr);
  void removeTask(int index);
  void clearTasks();
  void startConvert(int32_t threadCount);
  void stop();
  void pause();
  void resume();
  std::string lastErrorMessage() const;
  MediaProbe &probe();
  int taskCount() const;
  // The task at `index`; an index outside the list raises std::out_of_range.
  TranscodeTask &task(int index);

  // The component's re-entrant lock: event delivery and the scheduling
  // state are serialised by it.
  void lock();
  void unlock();

  // Scheduling state of the current run.
  int32_t threadCount() const;
  int32_t nextTaskIndex() const;
  int32_t pendingCount() const;
  int32_t finishedCount() const;

  // Every live component, in order of creation.
  static std::vector<MediaEngine *> componentList();

 protected:
  // Dispatch from the tasks to the events (each raises its event with the
  // task's index).
  virtual void doBeforeHook(TranscodeTask &task, int64_t pts, HookAction &action);
  virtual void doCustomHook(TranscodeTask &task, Bitmap24 &bitmap, int32_t frameNumber, int64_t pts,
                            bool &update, bool &stop);
  virtual void doLog(TranscodeTask *task, int level, const std::string &text);
  virtual void doProgress(TranscodeTask &task, int32_t frameNumber, int32_t fps,
                          int32_t currentDurationMs, float quality, float bitRate,
                          int64_t currentSize, int32_t totalDurationMs);
  virtual void doTerminate(TranscodeTask *task);

  struct Impl;
  std::unique_ptr<Impl> d;
};
