// What the conversion queue needs from its surroundings, and what it tells
// them, as small interfaces: the window implements them with its dialogs,
// its timer and its controls, trevix-convert with its printing, tests with
// plain objects. Every call
// below is made on the thread that owns the queue (the UI thread), except
// where a comment says otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine_types.h"
#include "job_builder.h"
#include "options.h"
#include "source_jobs.h"

// Modal messages.
class QueuePrompts {
 public:
  virtual ~QueuePrompts() = default;
  // Message box captioned "Information" with the information icon.
  virtual void information(const std::string &text) = 0;
  // "Stop all conversions?", captioned "Confirmation", Yes/No, question
  // icon. True for Yes.
  virtual bool confirmStopAll() = 0;
};

// The 200 ms timer that starts the next row.
class QueueTimer {
 public:
  virtual ~QueueTimer() = default;
  virtual void setEnabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
};

// Where the settings of a job come from; read when a job is built.
class JobSettingsSource {
 public:
  virtual ~JobSettingsSource() = default;
  virtual JobSettings currentJobSettings() = 0;
};

// One progress report of the engine for the running row.
struct ProgressReport {
  int32_t frameNumber = -1;  // -1: the output has no video
  int32_t fps = 0;           // the engine's frames per second
  int32_t currentMs = 0;     // output position
  int32_t totalMs = -1;      // expected length; not positive when unknown
  int64_t size = 0;          // output size in bytes
  int barPercent = 0;        // where the run's progress bar stands, 0..100
};

// Where a run of several rows at once stands as a whole (runStatus in
// run_progress.h works it out).
struct RunStatus {
  int running = 0;        // rows converting now
  int ended = 0;          // rows of the run that have ended (done, failed or stopped)
  int total = 0;          // the run's rows: ended, converting and checked ones still waiting
  double elapsedSec = 0;  // wall time since Start (the Stop question's time left out)
  double leftSec = -1;    // estimated wall time to the run's end; -1 when unknown
  int percent = 0;        // of the run's media time (of its files when a length is unknown), 0..100
};

// How a run ended.
enum class RunOutcome {
  Completed,  // every checked row had its turn ("All Conversions Completed")
  Stopped,    // Stop ended it; rows not reached were not converted
};

// Told what the queue does, after the source list has been updated. A
// handler may show a modal message (the run waits for it) but must not
// start or stop the queue. Every event does nothing unless overridden: an
// observer follows the events it shows.
class QueueObserver {
 public:
  virtual ~QueueObserver() = default;
  // Start was pressed; nothing is checked yet (a preview gives way).
  virtual void startPressed() {}
  // Start found the output folder unusable (`problem` was shown): the user
  // may choose another one.
  virtual void outputFolderRefused(const std::string & /*problem*/) {}
  // A run begins: what would change it is closed to the user until
  // runReleased.
  virtual void runStarted() {}
  // The run gives the controls back (after runEnded, or when it could not
  // go on).
  virtual void runReleased() {}
  // The run's progress is back at 0 (a job is set up, or the run is over).
  virtual void progressCleared() {}
  // The row's task is set up and about to start (its output path is in the
  // list).
  virtual void rowStarted(int /*row*/) {}
  virtual void rowProgress(int /*row*/, const ProgressReport & /*report*/) {}
  // With several rows at once: the run as a whole, after each row's start,
  // progress and end.
  virtual void runStatus(const RunStatus & /*status*/) {}
  // The row's conversion is over: Done, Failed (with the reason) or Aborted.
  virtual void rowEnded(int /*row*/, JobState /*state*/, const std::string & /*reason*/) {}
  virtual void runEnded(RunOutcome /*outcome*/) {}
};

// The engine operations the queue uses (the component's public operations).
class ConversionEngine {
 public:
  virtual ~ConversionEngine() = default;
  virtual int addTask(const std::string &fileName, InputOptions *options) = 0;
  virtual bool setOutput(int index, const std::string &fileName, OutputOptions *options) = 0;
  virtual void removeTask(int index) = 0;
  virtual void clearTasks() = 0;
  virtual void startConvert(int32_t threadCount) = 0;
  // Starts the task at `index` while the tasks started before it go on.
  virtual void startTask(int index) = 0;
  // How many cores each task started from now on may keep busy (0: all).
  virtual int32_t threadsPerTask() const = 0;
  virtual void setThreadsPerTask(int32_t threads) = 0;
  virtual void stop() = 0;
  virtual void pause() = 0;
  virtual void resume() = 0;
  // Why the last AddTask or SetOutput failed.
  virtual std::string lastErrorMessage() const = 0;
  // The name the output of the task at `index` was kept under once it
  // ended (another than the one set up when that was taken meanwhile, or
  // when the task was stopped), empty when nothing was kept; none when the
  // engine does not tell. Called from the terminate event's handler, on the
  // engine's thread.
  virtual std::optional<std::string> keptOutputName(int) const { return std::nullopt; }
  // The sizes of that output (kept or not), likewise; unknown (-1) when
  // the engine does not tell.
  virtual OutputMeasure outputMeasure(int) const { return {}; }
  // The time (ms from the start) of the keyframe at or before `ms` in the
  // video of `fileName`, where copied pictures can start; -1 when unknown.
  virtual int64_t keyframeAtOrBefore(const std::string &, int64_t) { return -1; }
  // Connects (or, with empty functions, disconnects) the events the queue
  // follows. They are raised on the engine's threads (the log's also on the
  // queue's own thread, while a task is set up).
  virtual void setEvents(ProgressEvent onProgress, TerminateEvent onTerminate, LogEvent onLog) = 0;
};

// Runs work on the queue's thread later, in the order posted. post() is
// called from the engine's threads.
class UiPoster {
 public:
  virtual ~UiPoster() = default;
  virtual void post(std::function<void()> work) = 0;
};
