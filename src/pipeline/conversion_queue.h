// The conversion queue: Start, the job builder that turns the next checked
// row into one engine task, the timer that moves on to the next row, the
// reactions to the engine's progress and termination, and Stop.
//
// Everything here runs on the UI thread. The engine raises its events on
// its own threads; ConnectEngineEvents hands them over through an IUiPoster
// in the order they were raised.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "options.h"
#include "queue_interfaces.h"

// Run-time state that the queue reads and writes, for owners that keep it
// nowhere else.
struct TQueueFlags {
  bool Converting = false;     // a job is being set up or runs
  bool UserAborted = false;    // the user confirmed "Stop all conversions?"
  bool AddingFiles = false;    // the add-file procedure runs
  bool IsLastRow = false;      // the row being started is the list's last
  bool QueueFinished = false;  // no further row is to be started
  int CurrentRow = 0;          // row being converted; -1 when Start is pressed
  int IdleTicks = 0;           // timer ticks counted while no task runs
};

// The same state where its owner keeps it (the main window's members).
struct TQueueState {
  bool &Converting;
  bool &UserAborted;
  bool &AddingFiles;
  bool &IsLastRow;
  bool &QueueFinished;
  int &CurrentRow;
  int &IdleTicks;
  explicit TQueueState(TQueueFlags &f)
      : TQueueState(f.Converting, f.UserAborted, f.AddingFiles, f.IsLastRow, f.QueueFinished,
                    f.CurrentRow, f.IdleTicks) {}
  TQueueState(bool &converting, bool &userAborted, bool &addingFiles, bool &isLastRow,
              bool &queueFinished, int &currentRow, int &idleTicks)
      : Converting(converting),
        UserAborted(userAborted),
        AddingFiles(addingFiles),
        IsLastRow(isLastRow),
        QueueFinished(queueFinished),
        CurrentRow(currentRow),
        IdleTicks(idleTicks) {}
};

class TConversionQueue {
 public:
  TConversionQueue(const TQueueState &state, ISourceRows &rows, IQueuePrompts &prompts,
                   IFolderDialog &folderDialog, IQueueTimer &timer, IRunView &view,
                   IConversionEngine &engine);
  ~TConversionQueue();
  TConversionQueue(const TConversionQueue &) = delete;
  TConversionQueue &operator=(const TConversionQueue &) = delete;

  // Start pressed (button or "Convert" menu item).
  void ButtonConvertClick();
  // Moves CurrentRow to the next checked row and starts its conversion, or
  // marks the queue finished.
  void BuildNextJob();
  // Every 200 ms while the run lasts.
  void TimerConvertAgainTimer();

  // The engine's events, on the UI thread.
  void FFVCLProgress(int32_t AIndex, int32_t AFrameNumber, int32_t AFPS, int32_t ACurrentDuration,
                     float AQuality, float ABitRate, int64_t ACurrentSize,
                     int32_t ATotalOutputDuration);
  void FFVCLTerminate(int32_t AIndex, bool AFinished, bool AException, const std::string &AMessage);

  // The two Stop buttons.
  void ButtonStopConvertClick();
  void ButtonStopSmallClick() { ButtonStopConvertClick(); }

  // Connects the engine's progress and termination events; their effects
  // are posted to the UI thread. Events of a task that belongs to an
  // earlier job (a stopped task ending late) are dropped.
  void ConnectEngineEvents(IUiPoster &poster);
  // Stops forwarding events; safe while the engine's threads still run.
  void DisconnectEngineEvents();

  // The program-wide output record, reset at every job.
  TOutputOptions OutputOptions;
  // The settings of the job built last (for inspection).
  const TJobSettings &LastSettings() const { return settings_; }

 private:
  void EndFailedRow();
  void SetProgressText(int row, const std::string &text);
  bool RowValid(int row) const;

  TQueueState s_;
  ISourceRows &rows_;
  IQueuePrompts &prompts_;
  IFolderDialog &folderDialog_;
  IQueueTimer &timer_;
  IRunView &view_;
  IConversionEngine &engine_;
  TJobSettings settings_;
  bool stopQuestionOpen_ = false;

  struct TBridge;
  std::shared_ptr<TBridge> bridge_;
};
