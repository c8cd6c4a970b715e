// The engine component: the only face of the transcoding engine that the
// rest of the program sees. See MediaEngine for the behaviour.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine_types.h"
#include "options.h"

class MediaProbe;
class TaskList;
class TranscodeTask;

// A copy of a task's run state, read under the component's lock.
struct TaskStatus {
  int32_t index = -1;
  uint32_t threadId = 0;  // the thread that runs the task, 0 while none does
  bool running = false;
  bool stopRequested = false;
  bool paused = false;
  bool terminated = false;
  bool finished = false;  // ended without a stop request
  bool failed = false;
  std::string errorMessage;
  // The name the task's output was kept under once it ended: its final
  // name, the next free one, or the name of a stopped output; empty when
  // nothing was kept.
  std::string keptOutput;
  OutputMeasure output;  // the first output's sizes (kept or not)
};

// Threads.
//
// The owner's thread (the thread that created the component; in the program
// the UI thread) calls every operation and sets the properties and the event
// handlers. Handlers are replaced while no run is in progress, or under the
// lock (lock()/unlock(), or std::scoped_lock on the component), so that no
// event is being raised with the old one meanwhile.
//
// Events arrive on the thread that runs the task, never through the owner's
// message queue:
//  - thread mode (startConvert(n), n >= 1): onProgress, onLog, onTerminate
//    (also the end-of-run notice, index -1, when the last task ends on a
//    worker), onBeforeHook and onCustomHook on the task's worker thread;
//  - timer mode (n <= 0): on the owner's thread, inside the scheduler's
//    callback (without a scheduler: inside startConvert itself);
//  - with more than one thread per task (threadsPerTask), a task's
//    onProgress, onCustomHook, onBeforeHook and its output side's onLog
//    arrive on the second thread of its run instead (the one that encodes
//    and writes), still one at a time and in order; onTerminate stays on
//    the thread that runs the task;
//  - stop(): onTerminate of tasks that never started arrives on a
//    short-lived thread of its own;
//  - onLog for library messages arrives on whatever thread issued them.
// A host that touches its user interface from a handler hands the work to
// its own thread (the program's EngineRelay does).
//
// The lock is re-entrant. It guards the task list (its order and
// membership), the scheduling state (threadCount, nextTaskIndex,
// pendingCount, finishedCount, the pause flag) and the delivery of
// onProgress, onLog and onTerminate, which are therefore serialised with
// each other and with stop, pause, resume, taskCount, taskStatus and
// withTask. onBeforeHook and onCustomHook are raised without it.
//
// From a handler:
//  - any handler may call stop(), pause(), resume(), interrupt(),
//    lastErrorMessage(), taskCount() and taskStatus();
//  - the onTerminate handler may also remove or clear tasks, the one that
//    ended included (the engine reads what it needs of the task before
//    raising the event and touches it no more);
//  - no handler may call addTask, setOutput, startConvert or loadAVLib, nor
//    free the component; onProgress, onLog, onBeforeHook and onCustomHook
//    must not remove the task that raised them (it is in the middle of its
//    run on that very thread).
//
// A slow handler slows its task, and through the lock the events of every
// other task.
class MediaEngine {
 public:
  // `scheduler` runs the timer mode's work on the owner's thread; without
  // one, startConvert(n <= 0) runs each task directly on the caller's thread.
  explicit MediaEngine(MainThreadScheduler *scheduler = nullptr);
  // Stops every task and waits for its worker to end; a handler being
  // raised on another thread completes first.
  virtual ~MediaEngine();
  MediaEngine(const MediaEngine &) = delete;
  MediaEngine &operator=(const MediaEngine &) = delete;

  // Properties, set on the owner's thread. The component reads them under
  // its lock (a worker starts the next task with them), so a change during a
  // run applies to the tasks started after it.
  std::string about;
  LogLevel logLevel() const;
  void setLogLevel(LogLevel level);
  int32_t progressInterval() const;
  void setProgressInterval(int32_t ms);  // 100 or less stores 100
  ConvertPriority threadPriority() const;
  void setThreadPriority(ConvertPriority p);
  // How many cores one task may keep busy: its decoders' and encoders'
  // threads, the scaler's threads for large pictures, and the second
  // thread of its pipeline (reading and decoding on one thread, the frame
  // pipeline, encoding and writing on another). 0, the default, uses every
  // core; 1 runs each task on its one thread as before. Read when a task
  // starts; a negative value counts as 0.
  int32_t threadsPerTask() const;
  void setThreadsPerTask(int32_t threads);
  std::string version() const { return "2.0b"; }

  // Events (see Threads above for where each is raised).
  BeforeHookEvent onBeforeHook;
  CustomHookEvent onCustomHook;
  LogEvent onLog;
  ProgressEvent onProgress;
  TerminateEvent onTerminate;

  // Operations (owner's thread; stop, pause and resume also from handlers).
  bool loadAVLib(const std::string &folder, bool versioned);
  int addTask(const std::string &fileName, InputOptions *options = nullptr);
  bool setOutput(int index, const std::string &fileName, OutputOptions *options = nullptr);
  void removeTask(int index);
  void clearTasks();
  void startConvert(int32_t threadCount);
  // Starts the task at `index` on a worker of its own while the tasks
  // started before it go on (thread mode): a host that sets up its jobs one
  // by one runs several at once. A task that runs or has ended is left as
  // it is. The end-of-run notice follows when every task of the list has
  // ended. An index outside the list raises std::out_of_range.
  void startTask(int index);
  void stop();
  void pause();
  void resume();
  // Any thread (a signal watcher, a watchdog): makes every wait of the
  // engine give up within a tenth of a second, without touching the
  // scheduling state. The opening of a source in addTask fails with
  // "<name>: stopped while opening"; the probe's opening likewise (the probe
  // stays interrupted until its clearInterrupt()); each running task stops
  // as by stop() and keeps its output ("Abort"), or with DropOutputs
  // removes it. The owner still calls stop() to end the run.
  void interrupt(StopMode mode = StopMode::KeepOutputs);
  std::string lastErrorMessage() const;
  MediaProbe &probe();
  int taskCount() const;

  // The run state of the task at `index`, copied under the lock; safe from
  // any thread. An index outside the list raises std::out_of_range.
  TaskStatus taskStatus(int index) const;
  // Calls `use` with the task at `index` while holding the lock, so the task
  // cannot leave the list meanwhile. While the task runs, `use` may only call
  // the task's run-state methods (its options and files belong to the thread
  // that runs it). An index outside the list raises std::out_of_range.
  // (There is no accessor that hands out a task itself: a reference taken
  // under the lock would outlive it, and an onTerminate handler may free the
  // task meanwhile.)
  void withTask(int index, const std::function<void(TranscodeTask &)> &use);

  // The component's re-entrant lock (see Threads). With these two the
  // component is a BasicLockable: std::scoped_lock lock(engine). (Its
  // place among the engine's locks: library/codec_lock.h.)
  void lock();
  void unlock();

  // Scheduling state of the current run (owner's thread, or under the lock).
  int32_t threadCount() const;
  int32_t nextTaskIndex() const;
  int32_t pendingCount() const;
  int32_t finishedCount() const;

  // Every live component, in order of creation (any thread).
  static std::vector<MediaEngine *> componentList();

 protected:
  // Dispatch from the tasks to the events (each raises its event with the
  // task's index), on the thread that runs the task. doLog, doProgress and
  // doTerminate take the lock; the hook dispatchers do not.
  virtual void doBeforeHook(TranscodeTask &task, int64_t pts, HookAction &action);
  virtual void doCustomHook(TranscodeTask &task, Bitmap24 &bitmap, int32_t frameNumber, int64_t pts,
                            bool &update, bool &stop);
  virtual void doLog(TranscodeTask *task, LogLevel level, const std::string &text);
  virtual void doProgress(TranscodeTask &task, const TaskProgress &progress);
  virtual void doTerminate(TranscodeTask *task);

 private:
  struct Impl;
  std::unique_ptr<Impl> d;
};
