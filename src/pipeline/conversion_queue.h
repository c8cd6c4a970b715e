// The conversion queue: Start, the job builder that turns the next checked
// row of the source list into one engine task, the timer that moves on to
// the next row, the reactions to the engine's progress and termination,
// and Stop. It works on the source list's data (SourceJobs) and tells a
// QueueObserver what happened, as typed events. With "Simultaneous
// conversions" above 1 (JobSettings::simultaneous) several rows convert at
// once, each in a task of its own (conversion_queue_rows.cpp).
//
// Threads: every public member runs on the thread that owns the queue (the
// UI thread of the window, the run loop of trevix-convert). The engine
// raises its events on its own threads; connectEngineEvents() has them
// posted through a UiPoster, and they run here in the order raised. The
// only state the engine's threads reach is the private bridge (see
// EngineBridge in the source), which holds its own lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "options.h"
#include "queue_interfaces.h"
#include "run_progress.h"
#include "row_fit.h"
#include "source_jobs.h"

// Where a run stands; the queue's own state, read by its owner.
struct QueueFlags {
  bool converting = false;     // a job is being set up or runs
  bool userAborted = false;    // the user confirmed "Stop all conversions?"
  bool addingFiles = false;    // the add-file procedure runs
  bool isLastRow = false;      // the row being started is the list's last
  bool queueFinished = false;  // no further row is to be started
  int currentRow = 0;          // row being converted; -1 when Start is pressed
  int idleTicks = 0;           // timer ticks counted while no task runs
};

// What the queue works with; all of it outlives the queue.
struct QueueSurroundings {
  SourceJobs &jobs;
  QueuePrompts &prompts;
  QueueTimer &timer;
  JobSettingsSource &settings;
  ConversionEngine &engine;
  QueueObserver &observer;
};

// Reasons a row fails with when nothing better is known.
inline constexpr const char *kSameAsSourceReason = "the output would replace the source file";
// Followed by the other source's path.
inline constexpr const char *kReplacesListedSourceReason = "the output would replace another listed source: ";
inline constexpr const char *kSetUpFailedReason = "the conversion could not be set up";
inline constexpr const char *kConversionFailedReason = "the conversion failed";

class ConversionQueue {
 public:
  explicit ConversionQueue(const QueueSurroundings &around);
  ~ConversionQueue();
  ConversionQueue(const ConversionQueue &) = delete;
  ConversionQueue &operator=(const ConversionQueue &) = delete;

  // Start pressed (button or "Convert" menu item).
  void startConversion();
  // Moves to the next checked row and starts its conversion, or marks the
  // queue finished.
  void convertNextRow();
  // Every 200 ms while the run lasts.
  void onTimerTick();
  // Both Stop buttons.
  void stopAllConversions();

  // The engine's events, once carried to the queue's thread.
  void onEngineProgress(int32_t index, int32_t frameNumber, int32_t fps, int32_t currentMs, float quality,
                        float bitRate, int64_t size, int32_t totalMs);
  // `keptOutput`: the name the task's output really got, when the engine
  // tells (ConversionEngine::keptOutputName); `output`: its sizes.
  void onEngineTerminate(int32_t index, bool finished, bool exception, const std::string &message,
                         const std::optional<std::string> &keptOutput = std::nullopt,
                         const OutputMeasure &output = {});
  // A line of the engine's log, raised while `row` was set up or converted.
  void onEngineLogLine(int row, const std::string &line);

  // Connects the engine's progress, termination and log events; their
  // effects are posted through `poster`. Events of a task that belongs to
  // an earlier job (a stopped task ending late) are dropped. The log's lines
  // at information level and above, from the set-up of a row to the end of
  // its task, are kept with the row (SourceJob::logLines).
  void connectEngineEvents(UiPoster &poster);
  // Stops forwarding events; safe while the engine's threads still run.
  void disconnectEngineEvents();

  // Where the run stands.
  const QueueFlags &flags() const { return s_; }
  bool converting() const { return s_.converting; }
  // How many rows convert at once in this run, and how many do now.
  int rowSlots() const { return slots_; }
  int runningRows() const { return static_cast<int>(running_.size()); }
  // The add-file procedure runs (Start waits for it) or has ended.
  void setAddingFiles(bool adding) { s_.addingFiles = adding; }

  // Where the run's wall time is read from (tests give their own clock).
  void setClock(ClockNow now) { runClock_ = FileClock(std::move(now)); }

  // The program-wide output record, reset at every job.
  OutputOptions outputOptions;
  // The settings of the job built last (for inspection).
  const JobSettings &lastSettings() const { return settings_; }

 private:
  enum class SetUp { Ready, RowEnded, Error };

  void prepareForNextJob();
  bool advanceToNextRow();
  SetUp setUpJob(int row);
  std::string replacedSourceReason(int row, const std::string &outputFile) const;
  void applyRowEdits(int row, JobPlan &plan);
  std::string applyRowFit(int row, const std::string &outputFile);
  void endFinishedRow(int row, const OutputMeasure &output);
  void startEngine(int readyRow);
  void failRow(int row, const std::string &reason);
  void failSetUp(int row, const std::string &reason);
  void endFailedRow();
  void endRow(int row, JobState state, const std::string &reason);
  bool startsAnew(int row) const;
  void endTaskRow(int row, bool finished, bool exception, const std::string &message,
                  const std::optional<std::string> &keptOutput, const OutputMeasure &output);

  // Several rows at once (conversion_queue_rows.cpp).
  struct RunningRow {
    int row = -1;
    int32_t task = -1;  // the engine's index of the row's task
  };
  void collectLogFor(int row);
  void collectTaskLogFor(int32_t task, int row);
  bool startRowRun(const JobSettings &settings);
  void startRows();
  int nextRowToStart();
  void startRow(int row);
  int rowOfTask(int32_t index) const;
  void onRowTaskEnded(int32_t index, bool finished, bool exception, const std::string &message,
                      const std::optional<std::string> &keptOutput, const OutputMeasure &output);
  void stopRows();
  void endRowRunIfOver();
  void reportRunStatus();
  std::vector<std::string> reservedOutputs() const;

  QueueFlags s_;
  SourceJobs &jobs_;
  QueuePrompts &prompts_;
  QueueTimer &timer_;
  JobSettingsSource &settingsSource_;
  ConversionEngine &engine_;
  QueueObserver &observer_;
  JobSettings settings_;
  bool stopQuestionOpen_ = false;
  int slots_ = 1;                     // rows converted at once
  std::vector<RunningRow> running_;   // the rows whose tasks run, in order of start
  std::vector<int> again_;            // rows to be encoded once more (fit a size)
  int32_t setUpTask_ = -1;            // the task setUpJob made ready
  int32_t threadsBeforeRun_ = 0;      // the engine's threads per task before the run
  FileClock runClock_;                // the run's wall time (several rows at once)
  // The fits under way, by row (see row_fit.h).
  std::map<int, RowFit> fits_;

  class EngineBridge;
  std::shared_ptr<EngineBridge> bridge_;
};
