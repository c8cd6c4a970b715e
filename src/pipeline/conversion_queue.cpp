#include "conversion_queue.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "output_files.h"
#include "pipeline_text.h"

// Carries events from the engine's threads to the UI thread. The engine
// holds a reference to it in its event functions, so it outlives the queue;
// detaching makes late events harmless.
struct TConversionQueue::TBridge {
  std::mutex m;
  IUiPoster *poster = nullptr;
  TConversionQueue *queue = nullptr;
  int serial = 0;  // number of the job being run; written on the UI thread

  int Serial() {
    std::lock_guard<std::mutex> g(m);
    return serial;
  }
  // On the UI thread: the queue, if the event still belongs to its job.
  TConversionQueue *Target(int eventSerial) {
    std::lock_guard<std::mutex> g(m);
    return (queue && eventSerial == serial) ? queue : nullptr;
  }
  void Post(std::function<void(TConversionQueue &)> work) {
    std::lock_guard<std::mutex> g(m);
    if (!poster) return;
    const int eventSerial = serial;
    std::weak_ptr<TBridge> self = self_;
    poster->Post([self, eventSerial, work = std::move(work)] {
      if (auto b = self.lock())
        if (TConversionQueue *q = b->Target(eventSerial)) work(*q);
    });
  }
  std::weak_ptr<TBridge> self_;
};

TConversionQueue::TConversionQueue(const TQueueState &state, ISourceRows &rows, IQueuePrompts &prompts,
                                   IFolderDialog &folderDialog, IQueueTimer &timer, IRunView &view,
                                   IConversionEngine &engine)
    : s_(state),
      rows_(rows),
      prompts_(prompts),
      folderDialog_(folderDialog),
      timer_(timer),
      view_(view),
      engine_(engine),
      bridge_(std::make_shared<TBridge>()) {
  bridge_->self_ = bridge_;
  bridge_->queue = this;
}

TConversionQueue::~TConversionQueue() { DisconnectEngineEvents(); }

void TConversionQueue::ConnectEngineEvents(IUiPoster &poster) {
  {
    std::lock_guard<std::mutex> g(bridge_->m);
    bridge_->poster = &poster;
    bridge_->queue = this;
  }
  std::shared_ptr<TBridge> b = bridge_;
  engine_.SetEvents(
      [b](int32_t AIndex, int32_t AFrameNumber, int32_t AFPS, int32_t ACurrentDuration, float AQuality,
          float ABitRate, int64_t ACurrentSize, int32_t ATotalOutputDuration) {
        b->Post([=](TConversionQueue &q) {
          q.FFVCLProgress(AIndex, AFrameNumber, AFPS, ACurrentDuration, AQuality, ABitRate,
                          ACurrentSize, ATotalOutputDuration);
        });
      },
      [b](int32_t AIndex, bool AFinished, bool AException, const std::string &AMessage) {
        b->Post([=](TConversionQueue &q) { q.FFVCLTerminate(AIndex, AFinished, AException, AMessage); });
      });
}

void TConversionQueue::DisconnectEngineEvents() {
  std::lock_guard<std::mutex> g(bridge_->m);
  bridge_->poster = nullptr;
  bridge_->queue = nullptr;
}

bool TConversionQueue::RowValid(int row) const { return row >= 0 && row < rows_.RowCount(); }

void TConversionQueue::SetProgressText(int row, const std::string &text) {
  if (RowValid(row)) rows_.SetText(row, scProgress, text);
}

void TConversionQueue::ButtonConvertClick() {
  view_.StopPreview(true);
  if (s_.AddingFiles) return;
  // A run is already under way (the controls that lead here are disabled
  // while it lasts).
  if (s_.Converting || timer_.Enabled()) return;
  for (int i = 0; i < rows_.RowCount(); ++i) rows_.SetText(i, scProgress, "");
  if (rows_.RowCount() == 0) {
    prompts_.Information("Please Add Files To Convert!");
    return;
  }
  const TJobSettings settings = view_.CurrentJobSettings();
  const std::string folderProblem = OutputFolderProblem(settings.OutputFolder);
  if (!folderProblem.empty()) {
    prompts_.Information(folderProblem);
    folderDialog_.BrowseForOutputFolder();
    return;
  }
  s_.Converting = true;
  timer_.SetEnabled(true);
  s_.UserAborted = false;
  view_.DisableControlsForConversion();
  engine_.ClearTasks();
  s_.CurrentRow = -1;
  BuildNextJob();
}

void TConversionQueue::EndFailedRow() {
  if (s_.IsLastRow) {
    timer_.SetEnabled(false);
    prompts_.Information("All Conversions Completed");
    engine_.Stop();
    view_.SetProgressBar(0);
    view_.EnableControlsAfterConversion();
    s_.Converting = false;
    s_.QueueFinished = true;
  } else {
    s_.IdleTicks = 0;
    s_.Converting = false;
  }
}

void TConversionQueue::BuildNextJob() {
  // 1-4: a clean engine and scratch folder for the new job.
  engine_.Stop();
  engine_.ClearTasks();
  {
    // Events of the previous task that are still on their way are stale now.
    std::lock_guard<std::mutex> g(bridge_->m);
    ++bridge_->serial;
  }
  view_.SetProgressBar(0);
  settings_ = view_.CurrentJobSettings();
  if (settings_.ScriptFolder.empty()) settings_.ScriptFolder = TempFolder();
  DeleteFilesByMask(settings_.ScriptFolder, "*.avs");
  s_.IsLastRow = false;
  s_.QueueFinished = false;
  engine_.ClearTasks();

  // 5-6: the next checked row, or the last row.
  const int count = rows_.RowCount();
  if (count <= 0 || s_.CurrentRow + 1 >= count) {
    // The list shrank below the position reached: nothing is left to start.
    s_.CurrentRow = std::max(count - 1, 0);
    s_.IsLastRow = true;
    s_.Converting = false;
    s_.QueueFinished = true;
    return;
  }
  ++s_.CurrentRow;
  while (!rows_.Checked(s_.CurrentRow) && s_.CurrentRow < count - 1) ++s_.CurrentRow;
  s_.IsLastRow = s_.CurrentRow == count - 1;
  const int row = s_.CurrentRow;

  try {
    if (!rows_.Checked(row)) {
      // 7: only the unchecked last row was left.
      s_.Converting = false;
    } else {
      // 8-9: names.
      TRowTexts texts{rows_.Caption(row), rows_.Text(row, scVideoSize), rows_.Text(row, scDuration)};
      TJobPlan plan;
      plan.Source = SourceFileOf(texts.Caption);
      plan.OutputFile = OutputFileFor(plan.Source, settings_);
      if (SameFilePath(plan.Source, plan.OutputFile)) {
        // Writing the output would destroy the source.
        SetProgressText(row, "Fail");
        EndFailedRow();
        return;
      }
      // 10: a ".rmvb" source goes through a script.
      plan.Wrapped = IsRmvbSource(plan.Source);
      if (plan.Wrapped) {
        SetProgressText(row, "Loading");
        plan.ScriptLines = RmvbScriptLines(settings_.ProgramFolder, plan.Source);
      }
      PrepareSource(plan, settings_);
      // 11-12: the task and its input.
      plan.Input = MakeInputOptions(plan.EngineSource);
      const int index = engine_.AddTask(plan.EngineSource, &plan.Input);
      if (index < 0) {
        SetProgressText(row, "Fail");
        EndFailedRow();
        return;
      }
      // 13-17: the output record.
      FillOutputOptions(OutputOptions, texts, settings_);
      // 18: the output file.
      if (!engine_.SetOutput(index, plan.OutputFile, &OutputOptions)) {
        SetProgressText(row, "Fail");
        engine_.RemoveTask(index);
        EndFailedRow();
        return;
      }
    }
  } catch (...) {
    SetProgressText(row, "Fail");
    // The half-built task is removed before stopping, so that no late
    // termination of it can overwrite "Fail".
    engine_.ClearTasks();
    engine_.Stop();
    view_.SetProgressBar(0);
    s_.IdleTicks = 0;
    s_.Converting = false;
  }

  // 19-20.
  try {
    engine_.StartConvert(1);
  } catch (...) {
    engine_.Stop();
    view_.EnableControlsAfterConversion();
    s_.Converting = false;
  }
  if (s_.IsLastRow) s_.QueueFinished = true;
}

void TConversionQueue::TimerConvertAgainTimer() {
  // A tick that arrives after the run ended (timer off) does nothing.
  if (!timer_.Enabled() || s_.Converting || stopQuestionOpen_) return;
  if (s_.QueueFinished) {
    timer_.SetEnabled(false);
    engine_.ClearTasks();
    prompts_.Information("All Conversions Completed");
    view_.SetProgressBar(0);
    view_.EnableControlsAfterConversion();
    s_.Converting = false;
    return;
  }
  if (++s_.IdleTicks >= 2) {
    s_.IdleTicks = 0;
    s_.Converting = true;
    BuildNextJob();
  }
}

void TConversionQueue::FFVCLProgress(int32_t, int32_t AFrameNumber, int32_t, int32_t ACurrentDuration,
                                     float, float, int64_t ACurrentSize, int32_t ATotalOutputDuration) {
  const int row = s_.CurrentRow;
  const bool valid = RowValid(row);
  if (valid) rows_.MakeVisible(row);
  const int64_t percent = ProgressPercent(ACurrentDuration, ATotalOutputDuration);
  if (valid) {
    if (percent >= 0)
      rows_.SetText(row, scProgress, std::to_string(std::min<int64_t>(percent, 100)) + "%");
    else  // unknown length: the output time reached
      rows_.SetText(row, scProgress, FormatDuration(std::max(ACurrentDuration, 0) / 1000, ":"));
  }
  view_.SetFileSizeText(FileSizeText(ACurrentSize));
  if (valid) rows_.SetText(row, scFrames, AFrameNumber == -1 ? " " : std::to_string(AFrameNumber));
  view_.SetProgressBar(static_cast<int>(std::clamp<int64_t>(percent, 0, 100)));
}

void TConversionQueue::FFVCLTerminate(int32_t AIndex, bool, bool AException, const std::string &) {
  s_.Converting = false;
  if (AIndex >= 0) {
    SetProgressText(s_.CurrentRow, AException ? "Fail" : s_.UserAborted ? "Abort" : "Done");
  } else if (s_.QueueFinished) {
    engine_.ClearTasks();
    view_.SetProgressBar(0);
    s_.Converting = false;
  }
}

void TConversionQueue::ButtonStopConvertClick() {
  if (s_.Converting) {
    if (stopQuestionOpen_) return;
    engine_.Pause();
    stopQuestionOpen_ = true;
    const bool yes = prompts_.ConfirmStopAll();
    stopQuestionOpen_ = false;
    if (!yes) {
      engine_.Resume();
      return;
    }
    s_.UserAborted = true;
  }
  s_.QueueFinished = true;
  timer_.SetEnabled(false);
  engine_.Stop();
  view_.SetProgressBar(0);
  view_.EnableControlsAfterConversion();
  s_.Converting = false;
}
