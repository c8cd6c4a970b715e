#include "conversion_queue.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "output_files.h"
#include "pipeline_text.h"

// Carries events from the engine's threads to the UI thread. The engine
// holds a reference to it in its event functions, so it outlives the queue;
// detaching makes late events harmless.
struct ConversionQueue::Bridge {
  std::mutex m;
  UiPoster *poster = nullptr;
  ConversionQueue *queue = nullptr;
  int serial = 0;  // number of the job being run; written on the UI thread

  int currentSerial() {
    std::lock_guard<std::mutex> g(m);
    return serial;
  }
  // On the UI thread: the queue, if the event still belongs to its job.
  ConversionQueue *target(int eventSerial) {
    std::lock_guard<std::mutex> g(m);
    return (queue && eventSerial == serial) ? queue : nullptr;
  }
  void post(std::function<void(ConversionQueue &)> work) {
    std::lock_guard<std::mutex> g(m);
    if (!poster) return;
    const int eventSerial = serial;
    std::weak_ptr<Bridge> self = self_;
    poster->post([self, eventSerial, work = std::move(work)] {
      if (auto b = self.lock())
        if (ConversionQueue *q = b->target(eventSerial)) work(*q);
    });
  }
  std::weak_ptr<Bridge> self_;
};

ConversionQueue::ConversionQueue(const QueueState &state, SourceRows &rows, QueuePrompts &prompts,
                                   FolderDialog &folderDialog, QueueTimer &timer, RunView &view,
                                   ConversionEngine &engine)
    : s_(state),
      rows_(rows),
      prompts_(prompts),
      folderDialog_(folderDialog),
      timer_(timer),
      view_(view),
      engine_(engine),
      bridge_(std::make_shared<Bridge>()) {
  bridge_->self_ = bridge_;
  bridge_->queue = this;
}

ConversionQueue::~ConversionQueue() { disconnectEngineEvents(); }

void ConversionQueue::connectEngineEvents(UiPoster &poster) {
  {
    std::lock_guard<std::mutex> g(bridge_->m);
    bridge_->poster = &poster;
    bridge_->queue = this;
  }
  std::shared_ptr<Bridge> b = bridge_;
  engine_.setEvents(
      [b](int32_t index, int32_t frameNumber, int32_t AFPS, int32_t currentDuration, float quality,
          float bitRate, int64_t currentSize, int32_t totalOutputDuration) {
        b->post([=](ConversionQueue &q) {
          q.ffvclProgress(index, frameNumber, AFPS, currentDuration, quality, bitRate,
                          currentSize, totalOutputDuration);
        });
      },
      [b](int32_t index, bool finished, bool exception, const std::string &message) {
        b->post([=](ConversionQueue &q) { q.ffvclTerminate(index, finished, exception, message); });
      });
}

void ConversionQueue::disconnectEngineEvents() {
  std::lock_guard<std::mutex> g(bridge_->m);
  bridge_->poster = nullptr;
  bridge_->queue = nullptr;
}

bool ConversionQueue::rowValid(int row) const { return row >= 0 && row < rows_.rowCount(); }

void ConversionQueue::setProgressText(int row, const std::string &text) {
  if (rowValid(row)) rows_.setText(row, kProgressColumn, text);
}

void ConversionQueue::buttonConvertClick() {
  view_.stopPreview(true);
  if (s_.addingFiles) return;
  // A run is already under way (the controls that lead here are disabled
  // while it lasts).
  if (s_.converting || timer_.enabled()) return;
  for (int i = 0; i < rows_.rowCount(); ++i) rows_.setText(i, kProgressColumn, "");
  if (rows_.rowCount() == 0) {
    prompts_.information("Please Add Files To Convert!");
    return;
  }
  const JobSettings settings = view_.currentJobSettings();
  const std::string folderProblem = outputFolderProblem(settings.outputFolder);
  if (!folderProblem.empty()) {
    prompts_.information(folderProblem);
    folderDialog_.browseForOutputFolder();
    return;
  }
  s_.converting = true;
  timer_.setEnabled(true);
  s_.userAborted = false;
  view_.disableControlsForConversion();
  engine_.clearTasks();
  s_.currentRow = -1;
  buildNextJob();
}

void ConversionQueue::endFailedRow() {
  if (s_.isLastRow) {
    timer_.setEnabled(false);
    prompts_.information("All Conversions Completed");
    engine_.stop();
    view_.setProgressBar(0);
    view_.enableControlsAfterConversion();
    s_.converting = false;
    s_.queueFinished = true;
  } else {
    s_.idleTicks = 0;
    s_.converting = false;
  }
}

void ConversionQueue::buildNextJob() {
  // 1-4: a clean engine and scratch folder for the new job.
  engine_.stop();
  engine_.clearTasks();
  {
    // Events of the previous task that are still on their way are stale now.
    std::lock_guard<std::mutex> g(bridge_->m);
    ++bridge_->serial;
  }
  view_.setProgressBar(0);
  settings_ = view_.currentJobSettings();
  if (settings_.scriptFolder.empty()) settings_.scriptFolder = tempFolder();
  deleteFilesByMask(settings_.scriptFolder, "*.avs");
  s_.isLastRow = false;
  s_.queueFinished = false;
  engine_.clearTasks();

  // 5-6: the next checked row, or the last row.
  const int count = rows_.rowCount();
  if (count <= 0 || s_.currentRow + 1 >= count) {
    // The list shrank below the position reached: nothing is left to start.
    s_.currentRow = std::max(count - 1, 0);
    s_.isLastRow = true;
    s_.converting = false;
    s_.queueFinished = true;
    return;
  }
  ++s_.currentRow;
  while (!rows_.checked(s_.currentRow) && s_.currentRow < count - 1) ++s_.currentRow;
  s_.isLastRow = s_.currentRow == count - 1;
  const int row = s_.currentRow;

  try {
    if (!rows_.checked(row)) {
      // 7: only the unchecked last row was left.
      s_.converting = false;
    } else {
      // 8-9: names.
      RowTexts texts{rows_.caption(row), rows_.text(row, kVideoSizeColumn), rows_.text(row, kDurationColumn)};
      JobPlan plan;
      plan.source = sourceFileOf(texts.caption);
      plan.outputFile = outputFileFor(plan.source, settings_);
      if (sameFilePath(plan.source, plan.outputFile)) {
        // Writing the output would destroy the source.
        setProgressText(row, "Fail");
        endFailedRow();
        return;
      }
      // 10: a ".rmvb" source goes through a script.
      plan.wrapped = isRmvbSource(plan.source);
      if (plan.wrapped) {
        setProgressText(row, "Loading");
        plan.scriptLines = rmvbScriptLines(settings_.programFolder, plan.source);
      }
      prepareSource(plan, settings_);
      // 11-12: the task and its input.
      plan.input = makeInputOptions(plan.engineSource);
      const int index = engine_.addTask(plan.engineSource, &plan.input);
      if (index < 0) {
        setProgressText(row, "Fail");
        endFailedRow();
        return;
      }
      // 13-17: the output record.
      fillOutputOptions(outputOptions, texts, settings_);
      // 18: the output file.
      if (!engine_.setOutput(index, plan.outputFile, &outputOptions)) {
        setProgressText(row, "Fail");
        engine_.removeTask(index);
        endFailedRow();
        return;
      }
    }
  } catch (...) {
    setProgressText(row, "Fail");
    // The half-built task is removed before stopping, so that no late
    // termination of it can overwrite "Fail".
    engine_.clearTasks();
    engine_.stop();
    view_.setProgressBar(0);
    s_.idleTicks = 0;
    s_.converting = false;
  }

  // 19-20.
  try {
    engine_.startConvert(1);
  } catch (...) {
    engine_.stop();
    view_.enableControlsAfterConversion();
    s_.converting = false;
  }
  if (s_.isLastRow) s_.queueFinished = true;
}

void ConversionQueue::timerConvertAgainTimer() {
  // A tick that arrives after the run ended (timer off) does nothing.
  if (!timer_.enabled() || s_.converting || stopQuestionOpen_) return;
  if (s_.queueFinished) {
    timer_.setEnabled(false);
    engine_.clearTasks();
    prompts_.information("All Conversions Completed");
    view_.setProgressBar(0);
    view_.enableControlsAfterConversion();
    s_.converting = false;
    return;
  }
  if (++s_.idleTicks >= 2) {
    s_.idleTicks = 0;
    s_.converting = true;
    buildNextJob();
  }
}

void ConversionQueue::ffvclProgress(int32_t, int32_t frameNumber, int32_t, int32_t currentDuration,
                                     float, float, int64_t currentSize, int32_t totalOutputDuration) {
  const int row = s_.currentRow;
  const bool valid = rowValid(row);
  if (valid) rows_.makeVisible(row);
  const int64_t percent = progressPercent(currentDuration, totalOutputDuration);
  if (valid) {
    if (percent >= 0)
      rows_.setText(row, kProgressColumn, std::to_string(std::min<int64_t>(percent, 100)) + "%");
    else  // unknown length: the output time reached
      rows_.setText(row, kProgressColumn, formatDuration(std::max(currentDuration, 0) / 1000, ":"));
  }
  view_.setFileSizeText(fileSizeText(currentSize));
  if (valid) rows_.setText(row, kFramesColumn, frameNumber == -1 ? " " : std::to_string(frameNumber));
  view_.setProgressBar(static_cast<int>(std::clamp<int64_t>(percent, 0, 100)));
}

void ConversionQueue::ffvclTerminate(int32_t index, bool, bool exception, const std::string &) {
  s_.converting = false;
  if (index >= 0) {
    setProgressText(s_.currentRow, exception ? "Fail" : s_.userAborted ? "Abort" : "Done");
  } else if (s_.queueFinished) {
    engine_.clearTasks();
    view_.setProgressBar(0);
    s_.converting = false;
  }
}

void ConversionQueue::buttonStopConvertClick() {
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
  s_.queueFinished = true;
  timer_.setEnabled(false);
  engine_.stop();
  view_.setProgressBar(0);
  view_.enableControlsAfterConversion();
  s_.converting = false;
}
