// The queue with several rows converting at once: each row gets a task of
// its own in the one engine, started while the tasks before it go on; a
// row that ends makes room for the next checked one. Output names are
// chosen when a row starts, away from the names of the rows still running.
#include <algorithm>
#include <exception>
#include <thread>

#include "codec_mapping.h"
#include "conversion_queue.h"
#include "job_slots.h"
#include "output_files.h"

namespace {

std::string reasonOr(const std::string &reason, const char *fallback) { return reason.empty() ? fallback : reason; }

// What the run's first checked row asks of the machine.
JobLoad firstRowLoad(const SourceJobs &jobs, const JobSettings &settings) {
  JobLoad load;
  for (int r = 0; r < jobs.count(); ++r) {
    if (!jobs.at(r).checked) continue;
    const ProbeSummary probe = editedProbe(jobs.at(r));
    load.width = probe.width;
    load.height = probe.height;
    try {
      OutputOptions o;
      fillOutputOptions(o, probe, settings);
      load.video = !o.vn && probe.videoStreamCount > 0;
      load.vcodec = o.vcodec;
      parsePictureSize(o.frameSize, load.width, load.height);  // the profile's size, where it sets one
    } catch (const std::exception &) {
      // The row's set-up will tell; the load stays a guess.
    }
    break;
  }
  return load;
}

}  // namespace

// Starts a run of several rows at once; false (nothing done) when the
// settings and the cores make it one at a time.
bool ConversionQueue::startRowRun(const JobSettings &settings) {
  const JobSlots slots = jobSlotsFor(settings.simultaneous, static_cast<int>(std::thread::hardware_concurrency()),
                                     firstRowLoad(jobs_, settings));
  if (slots.jobs <= 1) return false;
  slots_ = slots.jobs;
  prepareForNextJob();
  again_.clear();
  runClock_.fileStarted();
  threadsBeforeRun_ = engine_.threadsPerTask();
  // A number of threads the user chose stays.
  if (threadsBeforeRun_ == 0 && slots.threadsPerTask > 0) engine_.setThreadsPerTask(slots.threadsPerTask);
  startRows();
  return true;
}

// Starts checked rows while fewer than the slots run; ends the run when
// none runs and none is left.
void ConversionQueue::startRows() {
  if (stopQuestionOpen_) return;
  while (!s_.userAborted && static_cast<int>(running_.size()) < slots_) {
    const int row = nextRowToStart();
    if (row < 0) break;
    startRow(row);
  }
  s_.converting = !running_.empty();
  if (s_.converting) reportRunStatus();
  endRowRunIfOver();
}

void ConversionQueue::reportRunStatus() { observer_.runStatus(runStatus(jobs_, runClock_.elapsedSec())); }

// A row to be encoded again first, then the next checked row; -1 when none
// is left.
int ConversionQueue::nextRowToStart() {
  if (!again_.empty()) {
    const int row = again_.front();
    again_.erase(again_.begin());
    return row;
  }
  const int count = jobs_.count();
  for (int r = s_.currentRow + 1; r < count; ++r) {
    if (!jobs_.at(r).checked) continue;
    s_.currentRow = r;
    s_.isLastRow = r == count - 1;
    return r;
  }
  s_.queueFinished = true;
  return -1;
}

void ConversionQueue::startRow(int row) {
  collectLogFor(row);
  setUpTask_ = -1;
  const SetUp result = setUpJob(row);
  collectLogFor(-1);
  if (result != SetUp::Ready) return;
  const int32_t task = setUpTask_;
  collectTaskLogFor(task, row);
  running_.push_back(RunningRow{row, task});
  if (startsAnew(row)) observer_.rowStarted(row);
  std::string failed;
  try {
    engine_.startTask(task);
  } catch (const std::exception &e) {
    failed = reasonOr(e.what(), kSetUpFailedReason);
  } catch (...) {
    failed = kSetUpFailedReason;
  }
  if (failed.empty()) return;
  running_.pop_back();
  endRow(row, JobState::Failed, failed);
}

int ConversionQueue::rowOfTask(int32_t index) const {
  for (const RunningRow &r : running_)
    if (r.task == index) return r.row;
  return -1;
}

void ConversionQueue::onRowTaskEnded(int32_t index, bool finished, bool exception, const std::string &message,
                                     const std::optional<std::string> &keptOutput, const OutputMeasure &output) {
  // The end-of-run notice (-1) and a task no row waits for tell nothing.
  const auto it = std::find_if(running_.begin(), running_.end(), [index](const RunningRow &r) { return r.task == index; });
  if (it == running_.end()) return;
  const int row = it->row;
  running_.erase(it);
  endTaskRow(row, finished, exception, message, keptOutput, output);
  startRows();
}

// Asks once; on Yes every running task is stopped, and the run ends when
// the last of them has ended.
void ConversionQueue::stopRows() {
  if (stopQuestionOpen_) return;
  engine_.pause();
  stopQuestionOpen_ = true;
  runClock_.pause();
  const bool yes = prompts_.confirmStopAll();
  runClock_.resume();
  stopQuestionOpen_ = false;
  if (yes) {
    s_.userAborted = true;
    s_.queueFinished = true;
    timer_.setEnabled(false);
    engine_.stop();
    // A fit between two encodes has no task whose end would end its row.
    const std::vector<int> between = std::move(again_);
    again_.clear();
    for (int row : between) endRow(row, JobState::Aborted, {});
  } else {
    engine_.resume();
  }
  // Rows that ended while the question was open make room (or end the run).
  startRows();
}

void ConversionQueue::endRowRunIfOver() {
  if (!running_.empty() || !s_.queueFinished) return;
  collectLogFor(-1);
  timer_.setEnabled(false);
  engine_.clearTasks();
  engine_.setThreadsPerTask(threadsBeforeRun_);
  s_.converting = false;
  observer_.runEnded(s_.userAborted ? RunOutcome::Stopped : RunOutcome::Completed);
  observer_.progressCleared();
  observer_.runReleased();
}

std::vector<std::string> ConversionQueue::reservedOutputs() const {
  std::vector<std::string> names;
  for (const RunningRow &r : running_)
    if (jobs_.contains(r.row)) names.push_back(jobs_.at(r.row).outputPath);
  return names;
}
