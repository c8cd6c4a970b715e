#include "conversion_queue.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>

#include "codec_mapping.h"
#include "job_edits.h"
#include "output_files.h"
#include "target_size.h"
#include "pipeline_text.h"

// Carries events from the engine's threads to the queue's thread. The
// engine's event functions hold a shared reference to the bridge, so it
// outlives the queue; detaching makes late events harmless.
//
// Log lines are tagged, when raised, with the row whose task is set up or
// runs (logRow_), so a line raised while the next row is being set up
// cannot land with the row before; no row is tagged outside a run.
//
// Threads: post() and postLog() are called on the engine's threads (and,
// while a task is set up, on the queue's); everything else on the queue's
// thread, and the posted work runs there too. lock_ guards poster_, queue_,
// serial_ and logRow_; the posts hold it while handing the work to the
// poster, so detach() returns only when no post is under way.
class ConversionQueue::EngineBridge : public std::enable_shared_from_this<EngineBridge> {
 public:
  void attach(UiPoster *poster, ConversionQueue *queue) {
    std::scoped_lock hold(lock_);
    poster_ = poster;
    queue_ = queue;
  }
  void detach() { attach(nullptr, nullptr); }
  // What the engine tells of the name of the task's output; on the
  // engine's thread, inside the terminate event.
  std::optional<std::string> keptOutputName(int32_t index) {
    std::scoped_lock hold(lock_);
    if (!queue_ || index < 0) return std::nullopt;
    return queue_->engine_.keptOutputName(index);
  }
  OutputMeasure outputMeasure(int32_t index) {
    std::scoped_lock hold(lock_);
    if (!queue_ || index < 0) return {};
    return queue_->engine_.outputMeasure(index);
  }
  // The events still on their way belong to the job before this one.
  void nextJob() {
    std::scoped_lock hold(lock_);
    ++serial_;
    taskRows_.clear();
  }
  // The log lines of the task at `index` go to `row` (several rows at once).
  void collectTaskLogFor(int32_t index, int row) {
    std::scoped_lock hold(lock_);
    taskRows_[index] = row;
  }
  // Log lines go to `row` from now on (-1: they are dropped).
  void collectLogFor(int row) {
    std::scoped_lock hold(lock_);
    logRow_ = row;
  }
  void post(std::function<void(ConversionQueue &)> work) {
    std::scoped_lock hold(lock_);
    if (!poster_) return;
    const int eventSerial = serial_;
    std::weak_ptr<EngineBridge> self = weak_from_this();
    poster_->post([self, eventSerial, work = std::move(work)] {
      if (auto bridge = self.lock())
        if (ConversionQueue *queue = bridge->target(eventSerial)) work(*queue);
    });
  }
  void postLog(int32_t index, const std::string &line) {
    std::scoped_lock hold(lock_);
    const auto task = taskRows_.find(index);
    const int row = task != taskRows_.end() ? task->second : logRow_;
    if (!poster_ || row < 0) return;
    std::weak_ptr<EngineBridge> self = weak_from_this();
    poster_->post([self, row, line] {
      if (auto bridge = self.lock())
        if (ConversionQueue *queue = bridge->attached()) queue->onEngineLogLine(row, line);
    });
  }

 private:
  // The queue, if the event still belongs to its job.
  ConversionQueue *target(int eventSerial) {
    std::scoped_lock hold(lock_);
    return (queue_ && eventSerial == serial_) ? queue_ : nullptr;
  }
  ConversionQueue *attached() {
    std::scoped_lock hold(lock_);
    return queue_;
  }

  std::mutex lock_;
  UiPoster *poster_ = nullptr;
  ConversionQueue *queue_ = nullptr;
  int serial_ = 0;
  int logRow_ = -1;
  std::map<int32_t, int> taskRows_;
};

namespace {

std::string reasonOr(const std::string &reason, const char *fallback) { return reason.empty() ? fallback : reason; }

}  // namespace

ConversionQueue::ConversionQueue(const QueueSurroundings &around)
    : jobs_(around.jobs),
      prompts_(around.prompts),
      timer_(around.timer),
      settingsSource_(around.settings),
      engine_(around.engine),
      observer_(around.observer),
      bridge_(std::make_shared<EngineBridge>()) {}

ConversionQueue::~ConversionQueue() { disconnectEngineEvents(); }

void ConversionQueue::connectEngineEvents(UiPoster &poster) {
  bridge_->attach(&poster, this);
  std::shared_ptr<EngineBridge> bridge = bridge_;
  engine_.setEvents(
      [bridge](int32_t index, const TaskProgress &p) {
        bridge->post([=](ConversionQueue &q) {
          q.onEngineProgress(index, p.frameNumber, p.fps, p.currentDurationMs, p.quality, p.bitRate, p.currentSize,
                             p.totalDurationMs);
        });
      },
      [bridge](int32_t index, bool finished, bool exception, const std::string &message) {
        // Read now: the task may be gone once the event reaches the queue.
        const std::optional<std::string> kept = bridge->keptOutputName(index);
        const OutputMeasure output = bridge->outputMeasure(index);
        bridge->post([=](ConversionQueue &q) { q.onEngineTerminate(index, finished, exception, message, kept, output); });
      },
      [bridge](int32_t index, LogLevel level, const std::string &message) {
        // With one task at a time every line at information level and
        // above belongs to it, the libraries' lines from their own threads
        // (which carry no task index) included; with several, a line goes
        // to its task's row, or to the row being set up.
        if (level <= LogLevel::Info) bridge->postLog(index, message);
      });
}

void ConversionQueue::disconnectEngineEvents() { bridge_->detach(); }

void ConversionQueue::collectLogFor(int row) { bridge_->collectLogFor(row); }

void ConversionQueue::collectTaskLogFor(int32_t task, int row) { bridge_->collectTaskLogFor(task, row); }

void ConversionQueue::startConversion() {
  observer_.startPressed();
  if (s_.addingFiles) return;
  // A run is already under way (the controls that lead here are disabled
  // while it lasts).
  if (s_.converting || timer_.enabled()) return;
  jobs_.resetRunState(SourceJobs::FrameCounts::Clear);
  fits_.clear();
  if (jobs_.count() == 0) {
    prompts_.information("Please Add Files To Convert!");
    return;
  }
  const JobSettings settings = settingsSource_.currentJobSettings();
  const std::string folderProblem = outputFolderProblem(settings.outputFolder);
  if (!folderProblem.empty()) {
    prompts_.information(folderProblem);
    observer_.outputFolderRefused(folderProblem);
    return;
  }
  s_.converting = true;
  timer_.setEnabled(true);
  s_.userAborted = false;
  observer_.runStarted();
  engine_.clearTasks();
  s_.currentRow = -1;
  running_.clear();
  slots_ = 1;
  if (settings.simultaneous != 1 && startRowRun(settings)) return;
  convertNextRow();
}

void ConversionQueue::convertNextRow() {
  prepareForNextJob();
  if (!advanceToNextRow()) {
    bridge_->collectLogFor(-1);
    return;
  }
  const int row = s_.currentRow;
  int readyRow = -1;
  if (!jobs_.at(row).checked) {
    // Only the unchecked last row was left.
    bridge_->collectLogFor(-1);
    s_.converting = false;
  } else {
    bridge_->collectLogFor(row);
    switch (setUpJob(row)) {
      case SetUp::Ready: readyRow = row; break;
      case SetUp::RowEnded: return;
      case SetUp::Error: break;
    }
  }
  startEngine(readyRow);
  if (s_.isLastRow) s_.queueFinished = true;
}

// A clean engine and scratch folder for the new job.
void ConversionQueue::prepareForNextJob() {
  engine_.stop();
  engine_.clearTasks();
  bridge_->nextJob();
  observer_.progressCleared();
  settings_ = settingsSource_.currentJobSettings();
  if (settings_.scriptFolder.empty()) settings_.scriptFolder = tempFolder();
  deleteFilesByMask(settings_.scriptFolder, "*.avs");
  s_.isLastRow = false;
  s_.queueFinished = false;
  engine_.clearTasks();
}

// The next checked row, or the last row. False when no row is left at all.
bool ConversionQueue::advanceToNextRow() {
  const int count = jobs_.count();
  if (count <= 0 || s_.currentRow + 1 >= count) {
    // The list shrank below the position reached: nothing is left to start.
    s_.currentRow = std::max(count - 1, 0);
    s_.isLastRow = true;
    s_.converting = false;
    s_.queueFinished = true;
    return false;
  }
  ++s_.currentRow;
  while (!jobs_.at(s_.currentRow).checked && s_.currentRow < count - 1) ++s_.currentRow;
  s_.isLastRow = s_.currentRow == count - 1;
  return true;
}

// Names the output, wraps a ".rmvb" source, creates the task and gives it
// its output.
ConversionQueue::SetUp ConversionQueue::setUpJob(int row) {
  try {
    const SourceJob &job = jobs_.at(row);
    JobPlan plan;
    plan.source = sourceFileOf(job.path);
    plan.outputFile = outputFileFor(plan.source, settings_, reservedOutputs());
    plan.wrapped = isRmvbSource(plan.source);
    // A fit's later encode goes on with the row's log.
    const auto fit = fits_.find(row);
    const std::vector<std::string> earlierLog =
        fit != fits_.end() && fit->second.continuing() ? job.logLines : std::vector<std::string>();
    jobs_.startJob(row, plan.outputFile, plan.wrapped);
    for (const std::string &line : earlierLog) jobs_.addLogLine(row, line);
    const std::string replaced = replacedSourceReason(row, plan.outputFile);
    const std::string refused = job.probe.notSource ? job.probe.error : replaced.empty() ? cutProblem(job) : replaced;
    if (!refused.empty()) {
      // No video or audio file, writing the output would destroy a source, or
      // the cut cannot be made.
      failRow(row, refused);
      return SetUp::RowEnded;
    }
    if (plan.wrapped) plan.scriptLines = rmvbScriptLines(settings_.programFolder, plan.source);
    prepareSource(plan, settings_);
    plan.input = makeInputOptions(plan.engineSource);
    fillOutputOptions(outputOptions, editedProbe(job), settings_);
    applyRowEdits(row, plan);
    const std::string unfit = applyRowFit(row, plan.outputFile);
    if (!unfit.empty()) {
      // Refused before anything is written.
      failRow(row, unfit);
      return SetUp::RowEnded;
    }
    const int index = engine_.addTask(plan.engineSource, &plan.input);
    if (index < 0) {
      failRow(row, reasonOr(engine_.lastErrorMessage(), kSetUpFailedReason));
      return SetUp::RowEnded;
    }
    if (!engine_.setOutput(index, plan.outputFile, &outputOptions)) {
      const std::string reason = reasonOr(engine_.lastErrorMessage(), kSetUpFailedReason);
      engine_.removeTask(index);
      failRow(row, reason);
      return SetUp::RowEnded;
    }
    setUpTask_ = index;
    return SetUp::Ready;
  } catch (const std::exception &e) {
    failSetUp(row, reasonOr(e.what(), kSetUpFailedReason));
  } catch (...) {
    failSetUp(row, kSetUpFailedReason);
  }
  return SetUp::Error;
}

// The row's turn and cut go to the engine; copied pictures start the cut at
// the keyframe before it, which the row's log and its cut start tell.
void ConversionQueue::applyRowEdits(int row, JobPlan &plan) {
  const JobEdits edits = jobs_.at(row).edits;
  int64_t startMs = edits.startMs;
  if (startMs > 0 && outputOptions.vcodec == "copy")
    startMs = copyStartMs(startMs, engine_.keyframeAtOrBefore(plan.source, startMs));
  const std::string note = copyStartNote(edits.startMs, startMs);
  if (!note.empty()) jobs_.addLogLine(row, note);
  if (edits.cut()) jobs_.setCutStart(row, startMs);
  applyJobEdits(edits, jobs_.at(row).probe, startMs, plan.input, outputOptions);
}

// Plans the fit of the row's output into the size asked for (at its first
// encode) and sets the options of its next encode; the reason when no
// rate can reach the size, empty otherwise.
std::string ConversionQueue::applyRowFit(int row, const std::string &outputFile) {
  if (settings_.targetSizeBytes <= 0) return {};
  auto fit = fits_.find(row);
  if (fit == fits_.end()) {
    const ProbeSummary shown = editedProbe(jobs_.at(row));
    int width = shown.width, height = shown.height;
    parsePictureSize(outputOptions.frameSize, width, height);  // the profile's size, where it sets one
    const double fps = shown.frameRateDen > 0 ? static_cast<double>(shown.frameRateNum) / shown.frameRateDen : 0.0;
    const std::string folder = std::filesystem::path(outputFile).parent_path().string();
    RowFit planned(settings_.targetSizeBytes, shown.durationUs / 1000, outputOptions, width, height, fps,
                   passLogStemIn(folder));
    if (planned.refused()) return planned.reason();
    fit = fits_.emplace(row, std::move(planned)).first;
  }
  fit->second.apply(outputOptions);
  jobs_.addLogLine(row, fit->second.note());
  jobs_.setFit(row, fit->second.record());
  return {};
}

// Why the row's output may not be written: it would be the row's own source
// (however the names are spelled), or, when overwriting, an existing file
// that is another row's source. Empty when it may.
std::string ConversionQueue::replacedSourceReason(int row, const std::string &outputFile) const {
  const std::string source = sourceFileOf(jobs_.at(row).path);
  if (sameFilePath(source, outputFile)) return kSameAsSourceReason;
  if (!settings_.overwrite) return {};
  std::vector<std::string> sources;
  for (int r = 0; r < jobs_.count(); ++r) sources.push_back(sourceFileOf(jobs_.at(r).path));
  const std::string replaced = sourceReplacedBy(outputFile, sources);
  if (replaced.empty()) return {};
  return sameFilePath(replaced, source) ? std::string(kSameAsSourceReason) : kReplacesListedSourceReason + replaced;
}

// Tells the engine to start (with no task ready nothing runs and no event
// follows).
void ConversionQueue::startEngine(int readyRow) {
  if (readyRow >= 0 && startsAnew(readyRow)) observer_.rowStarted(readyRow);
  try {
    engine_.startConvert(1);
  } catch (const std::exception &e) {
    engine_.stop();
    observer_.runReleased();
    s_.converting = false;
    if (readyRow >= 0) endRow(readyRow, JobState::Failed, reasonOr(e.what(), kSetUpFailedReason));
  } catch (...) {
    engine_.stop();
    observer_.runReleased();
    s_.converting = false;
    if (readyRow >= 0) endRow(readyRow, JobState::Failed, kSetUpFailedReason);
  }
}

// Whether the row's task starts the row: not for a fit's later encode,
// which goes on with the row as it started.
bool ConversionQueue::startsAnew(int row) const {
  const auto fit = fits_.find(row);
  return fit == fits_.end() || !fit->second.continuing();
}

void ConversionQueue::endRow(int row, JobState state, const std::string &reason) {
  fits_.erase(row);  // with the fit's statistics files
  if (!jobs_.contains(row)) return;
  jobs_.endJob(row, state, reason);
  observer_.rowEnded(row, state, reason);
}

// The task could not be created or completed: the row fails and the run
// goes on with the next row, or ends here after the last.
void ConversionQueue::failRow(int row, const std::string &reason) {
  endRow(row, JobState::Failed, reason);
  // With several rows at once the run goes on when the set-up returns.
  if (slots_ <= 1) endFailedRow();
}

// An unexpected error while the job was set up.
void ConversionQueue::failSetUp(int row, const std::string &reason) {
  endRow(row, JobState::Failed, reason);
  // The other rows' tasks go on; the half-built task never starts.
  if (slots_ > 1) return;
  // The half-built task is removed before stopping, so that no late
  // termination of it can overwrite the failure.
  engine_.clearTasks();
  engine_.stop();
  observer_.progressCleared();
  s_.idleTicks = 0;
  s_.converting = false;
}

void ConversionQueue::endFailedRow() {
  if (s_.isLastRow) {
    bridge_->collectLogFor(-1);
    timer_.setEnabled(false);
    observer_.runEnded(RunOutcome::Completed);
    engine_.stop();
    observer_.progressCleared();
    observer_.runReleased();
    s_.converting = false;
    s_.queueFinished = true;
  } else {
    s_.idleTicks = 0;
    s_.converting = false;
  }
}

void ConversionQueue::onTimerTick() {
  // A tick that arrives after the run ended (timer off) does nothing.
  if (!timer_.enabled() || s_.converting || stopQuestionOpen_) return;
  if (s_.queueFinished) {
    bridge_->collectLogFor(-1);
    timer_.setEnabled(false);
    engine_.clearTasks();
    observer_.runEnded(RunOutcome::Completed);
    observer_.progressCleared();
    observer_.runReleased();
    s_.converting = false;
    return;
  }
  if (++s_.idleTicks >= 2) {
    s_.idleTicks = 0;
    s_.converting = true;
    convertNextRow();
  }
}

void ConversionQueue::onEngineProgress(int32_t index, int32_t frameNumber, int32_t fps, int32_t currentMs, float, float,
                                       int64_t size, int32_t totalMs) {
  const int row = slots_ > 1 ? rowOfTask(index) : s_.currentRow;
  if (row < 0) return;
  int64_t percent = progressPercent(currentMs, totalMs);
  if (const auto fit = fits_.find(row); fit != fits_.end() && percent >= 0) {
    // The encodes of a fit make one run: its position is where the bar stands.
    percent = fit->second.barPercent(percent);
    currentMs = static_cast<int32_t>(static_cast<int64_t>(totalMs) * percent / 100);
  }
  JobProgress progress;
  progress.percent = percent >= 0 ? std::min<int64_t>(percent, 100) : -1;
  progress.positionMs = currentMs;
  jobs_.reportProgress(row, progress, frameNumber);
  const int bar = static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
  if (jobs_.contains(row)) observer_.rowProgress(row, ProgressReport{frameNumber, fps, currentMs, totalMs, size, bar});
  if (slots_ > 1) reportRunStatus();
}

void ConversionQueue::onEngineLogLine(int row, const std::string &line) { jobs_.addLogLine(row, line); }

void ConversionQueue::onEngineTerminate(int32_t index, bool finished, bool exception, const std::string &message,
                                        const std::optional<std::string> &keptOutput,
                                        const OutputMeasure &output) {
  if (slots_ > 1) {
    onRowTaskEnded(index, finished, exception, message, keptOutput, output);
    return;
  }
  s_.converting = false;
  if (index >= 0) {
    // A task stopped by Stop is the last that logs for this run.
    if (!timer_.enabled()) bridge_->collectLogFor(-1);
    endTaskRow(s_.currentRow, finished, exception, message, keptOutput, output);
  } else if (s_.queueFinished) {
    engine_.clearTasks();
    observer_.progressCleared();
    s_.converting = false;
  }
}

// The row's task ended: the row gets the name its output really has and
// its end state.
void ConversionQueue::endTaskRow(int row, bool finished, bool exception, const std::string &message,
                                 const std::optional<std::string> &keptOutput, const OutputMeasure &output) {
  // The name the output really has (or none): a stopped output's, or the
  // next free one. A format that writes no file of its own has none.
  const bool done = !exception && !s_.userAborted && finished;
  if (keptOutput && (!keptOutput->empty() || !done) && jobs_.contains(row)) jobs_.setOutputPath(row, *keptOutput);
  // "Done" is what the engine vouches for: a task that was stopped (by
  // the user, or by a signal reaching the engine first) ended early.
  if (exception)
    endRow(row, JobState::Failed, reasonOr(message, kConversionFailedReason));
  else if (s_.userAborted || !finished)
    endRow(row, JobState::Aborted, message);
  else
    endFinishedRow(row, output);
}

// A row the engine finished: done, failed for coming out over its size,
// or set to be encoded again by its fit (the next tick starts it anew).
void ConversionQueue::endFinishedRow(int row, const OutputMeasure &output) {
  const auto fit = fits_.find(row);
  if (fit == fits_.end()) {
    endRow(row, JobState::Done, {});
    return;
  }
  const RowFit::Step step = fit->second.next(output);
  jobs_.setFit(row, fit->second.record());
  jobs_.addLogLine(row, fit->second.outcomeNote());
  switch (step) {
    case RowFit::Step::Encode:
      if (slots_ > 1) {
        again_.push_back(row);
      } else {
        s_.currentRow = row - 1;
        s_.queueFinished = false;
      }
      return;
    case RowFit::Step::Done: endRow(row, JobState::Done, {}); return;
    case RowFit::Step::Fail: {
      const std::string reason = fit->second.reason();
      endRow(row, JobState::Failed, reason);
      return;
    }
  }
}

void ConversionQueue::stopAllConversions() {
  if (slots_ > 1 && s_.converting) {
    stopRows();
    return;
  }
  if (s_.converting) {
    if (stopQuestionOpen_) return;
    engine_.pause();
    stopQuestionOpen_ = true;
    const bool yes = prompts_.confirmStopAll();
    stopQuestionOpen_ = false;
    if (!yes) {
      engine_.resume();
      return;
    }
    s_.userAborted = true;
  }
  const bool runWasOn = s_.converting || timer_.enabled();
  // The stopped task still logs until it has ended (see onEngineTerminate).
  if (!s_.converting) bridge_->collectLogFor(-1);
  // A fit between two encodes has no task whose end would end its row.
  if (!s_.converting) {
    std::vector<int> between;
    for (const auto &fit : fits_) between.push_back(fit.first);
    for (int row : between) endRow(row, JobState::Aborted, {});
  }
  s_.queueFinished = true;
  timer_.setEnabled(false);
  engine_.stop();
  fits_.clear();  // their statistics files with them
  observer_.progressCleared();
  observer_.runReleased();
  s_.converting = false;
  if (runWasOn) observer_.runEnded(RunOutcome::Stopped);
}
