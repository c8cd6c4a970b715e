// One conversion task: its option state and the option language over it,
// its input files, the transcode state of its outputs, and the run state the
// component drives.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine_types.h"
#include "input_file.h"
#include "log_sink.h"
#include "option_host.h"
#include "option_language.h"
#include "option_state.h"
#include "options.h"
#include "pause_gate.h"
#include "transcode_state.h"
#include "video_hook.h"

class TranscodeTask;

// Where a task's events go.
struct TaskSinks {
  std::function<void(TranscodeTask &task, LogLevel level, const std::string &text)> log;
  std::function<void(TranscodeTask &task, const TaskProgress &progress)> progress;
  std::function<void(TranscodeTask &task)> terminate;
  std::function<void(TranscodeTask &task, int64_t pts, HookAction &action)> beforeHook;
  std::function<void(TranscodeTask &task, Bitmap24 &bitmap, int32_t frameNumber, int64_t pts, bool &update,
                     bool &stop)>
      customHook;
};

// One conversion task.
//
// Threads. A task is driven by one thread at a time and handed over, never
// shared:
//  - The owner's thread (the one that calls MediaEngine's operations)
//    prepares the task, applies options and opens its input and outputs,
//    connects the sinks, and frees it.
//  - start() hands it to the thread that runs it: a worker of its own, or
//    the caller itself in timer mode. From then until the terminate sink has
//    been called, the option state, the inputs, the outputs, the hooks and
//    the transcode state belong to that thread alone; a run with more than
//    one thread (threads()) lends the output side of the transcode state to
//    a second thread of the run for the time of the packet loop, as
//    transcode_loop.h tells.
//  - Any thread may use the run-state methods (index, threadId, isRunning,
//    outcome, requestStop, setPaused, ...): they are atomic or locked.
// The sinks are set while no thread runs the task and never change during a
// run; they are called on the thread that runs it, or on that second
// thread for the output side (the log sink also on the owner's thread while
// options are applied).
class TranscodeTask : public LogSink, private OptionHost {
 public:
  // How a run ended, as the terminate notification reports it.
  struct Outcome {
    bool finished = false;  // the transcode reached its end without a stop request
    bool failed = false;    // an error ended it
    std::string message;    // that error's text
    std::string keptOutput; // the name the (first) output was kept under; empty when none was
    OutputMeasure output;   // the (first) output's sizes
  };

  TranscodeTask();
  virtual ~TranscodeTask();
  TranscodeTask(const TranscodeTask &) = delete;
  TranscodeTask &operator=(const TranscodeTask &) = delete;

  // ---- run state (any thread) ----
  // Position in the component's list, -1 outside it; written by the list
  // under the component's lock.
  int32_t index() const { return index_.load(); }
  void setIndex(int32_t index) { index_ = index; }
  // The kernel id of the thread that runs the task, 0 while none does. The
  // log routing looks tasks up by it.
  uint32_t threadId() const { return threadId_.load(); }
  void setThreadId(uint32_t id) { threadId_ = id; }
  // Minimum spacing of progress reports; set before the task starts.
  int64_t progressIntervalUs() const { return progressIntervalUs_.load(); }
  void setProgressIntervalUs(int64_t us) { progressIntervalUs_ = us; }
  // How many threads the run may keep busy (resolveThreadCount); set
  // before the task starts. 1 runs everything on the task's thread.
  int threads() const { return threads_.load(); }
  void setThreads(int threads) { threads_ = threads < 1 ? 1 : threads; }
  // The kernel id of a second thread that works for the run (the output
  // side of the pipeline), 0 while none does; the log routing counts its
  // library messages as the task's too.
  uint32_t helperThreadId() const { return helperThreadId_.load(); }
  void setHelperThreadId(uint32_t id) { helperThreadId_ = id; }
  bool isRunning() const { return running_.load(); }
  bool isTerminated() const { return terminated_.load(); }
  bool stopRequested() const { return gate_->stopRequested(); }
  Outcome outcome() const;
  // Asks the transcode to stop at its next check and releases a paused
  // worker.
  void requestStop();
  // A stop that keeps nothing: the outputs are removed instead of being
  // finished under their names (the run reports the removal).
  void requestStopDroppingOutputs();
  bool outputsDropped() const { return dropOutputs_.load(); }
  const std::atomic<bool> *dropFlag() const { return &dropOutputs_; }
  // Pause gate: the worker waits at it once per packet while paused (its
  // waitWhilePaused); its stop flag is what the task's openings and reads
  // wait on.
  void setPaused(bool paused) { gate_->setPaused(paused); }
  // A handle that stays valid after the task is freed (see PauseGate).
  std::shared_ptr<PauseGate> pauseGate() const { return gate_; }

  // ---- life of the task ----
  // Releases what the task held, resets the options and creates the
  // option-holding contexts. Does nothing while the libraries are unbound.
  void prepare();
  // Starts the task: on a worker thread (true is returned once the worker
  // runs) or, without thread, runs it to its end right here (returns false).
  bool start(bool onThread, ConvertPriority priority);
  // The transcode wrapper, on the thread that runs the task; ends with
  // doTerminate.
  void run();
  // Marks the task ended and calls the terminate sink, which may free the
  // task: nothing of it is touched afterwards.
  void doTerminate();
  // Delivers the termination of a task that never ran, from a short-lived
  // thread of its own (Stop).
  void startTerminateDelivery();
  // Releases everything the task opened; may run several times.
  void cleanup();
  // True while a worker thread of this task has not yet ended.
  bool hasWorker() const;
  // Blocks until the worker has ended (returns at once on the worker
  // itself).
  void waitForWorker();
  // The transcode loop at its normal end: whether it got there without a
  // stop request.
  void setFinished(bool finished) { finished_ = finished; }

  // ---- sinks ----
  // Set while no thread runs the task (see above).
  TaskSinks &sinks() { return sinks_; }
  bool hasLogSink() const override { return static_cast<bool>(sinks_.log); }
  void log(LogLevel level, const std::string &text) override;
  void doProgress(const TaskProgress &progress);
  void beforeHook(int64_t pts, HookAction &action);
  void customHook(Bitmap24 &bitmap, int32_t frameNumber, int64_t pts, bool &update, bool &stop);

  // ---- owned by the thread that drives the task (see above) ----
  std::string lastError;  // left by a failed input or output opening (input_open.h, output_open.h)
  OptionState options;
  std::vector<InputFile> inputFiles;  // at most kMaxFiles
  TranscodeState transcoder;          // output files and the transcode
  // Output files added so far (openOutputFile counts each output it appends
  // to its list, also when a later step of the opening fails).
  int numOutputFiles = 0;
  FrameHookChain videoHooks;          // "vhook" modules
  // Time ranges (start, end) in which the video hook modules run, sorted by
  // ascending end.
  std::vector<std::pair<int64_t, int64_t>> hookRanges;

  // ---- options: the option language over `options` ----
  OptionLanguage &language() { return language_; }

 private:
  struct Worker;

  // OptionHost, for the option language.
  const std::vector<InputFile> &openedInputs() const override { return inputFiles; }
  void addStreamToLastOutput(AVMediaType type) override;  // task_run.cpp
  FrameHookChain &hookModules() override { return videoHooks; }
  std::vector<std::pair<int64_t, int64_t>> &hookModuleRanges() override { return hookRanges; }

  void fail(const std::string &message);

  std::atomic<int32_t> index_{-1};
  std::atomic<uint32_t> threadId_{0};
  std::atomic<int64_t> progressIntervalUs_{500000};
  std::atomic<int> threads_{1};
  std::atomic<uint32_t> helperThreadId_{0};
  std::atomic<bool> running_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> dropOutputs_{false};
  mutable std::mutex outcomeLock_;  // guards failed_, errorMessage_ and keptOutput_
  bool failed_ = false;
  std::string errorMessage_;
  std::string keptOutput_;
  OutputMeasure output_;
  std::shared_ptr<PauseGate> gate_;
  std::shared_ptr<Worker> worker_;

  TaskSinks sinks_;

  OptionLanguage language_{options, *this};
};
