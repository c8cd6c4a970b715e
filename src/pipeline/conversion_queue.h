// The conversion queue: Start, the job builder that turns the next checked
// row into one engine task, the timer that moves on to the next row, the
// reactions to the engine's progress and termination, and Stop.
//
// Everything here runs on the UI thread. The engine raises its events on
// its own threads; ConnectEngineEvents hands them over through an UiPoster
// in the order they were raised.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "options.h"
#include "queue_interfaces.h"

// Run-time state that the queue reads and writes, for owners that keep it
// nowhere else.
struct QueueFlags {
  bool converting = false;     // a job is being set up or runs
  bool userAborted = false;    // the user confirmed "Stop all conversions?"
  bool addingFiles = false;    // the add-file procedure runs
  bool isLastRow = false;      // the row being started is the list's last
  bool queueFinished = false;  // no further row is to be started
  int currentRow = 0;          // row being converted; -1 when Start is pressed
  int idleTicks = 0;           // timer ticks counted while no task runs
};

// The same state where its owner keeps it (the main window's members).
struct QueueState {
  bool &converting;
  bool &userAborted;
  bool &addingFiles;
  bool &isLastRow;
  bool &queueFinished;
  int &currentRow;
  int &idleTicks;
  explicit QueueState(QueueFlags &f)
      : QueueState(f.converting, f.userAborted, f.addingFiles, f.isLastRow, f.queueFinished,
                    f.currentRow, f.idleTicks) {}
  QueueState(bool &converting_, bool &userAborted_, bool &addingFiles_, bool &isLastRow_,
             bool &queueFinished_, int &currentRow_, int &idleTicks_)
      : converting(converting_),
        userAborted(userAborted_),
        addingFiles(addingFiles_),
        isLastRow(isLastRow_),
        queueFinished(queueFinished_),
        currentRow(currentRow_),
        idleTicks(idleTicks_) {}
};

class ConversionQueue {
 public:
  ConversionQueue(const QueueState &state, SourceRows &rows, QueuePrompts &prompts,
                   FolderDialog &folderDialog, QueueTimer &timer, RunView &view,
                   ConversionEngine &engine);
  ~ConversionQueue();
  ConversionQueue(const ConversionQueue &) = delete;
  ConversionQueue &operator=(const ConversionQueue &) = delete;

  // Start pressed (button or "Convert" menu item).
  void buttonConvertClick();
  // Moves CurrentRow to the next checked row and starts its conversion, or
  // marks the queue finished.
  void buildNextJob();
  // Every 200 ms while the run lasts.
  void timerConvertAgainTimer();

  // The engine's events, on the UI thread.
  void ffvclProgress(int32_t index, int32_t frameNumber, int32_t AFPS, int32_t currentDuration,
                     float quality, float bitRate, int64_t currentSize,
                     int32_t totalOutputDuration);
  void ffvclTerminate(int32_t index, bool finished, bool exception, const std::string &message);

  // The two Stop buttons.
  void buttonStopConvertClick();
  void buttonStopSmallClick() { buttonStopConvertClick(); }

  // Connects the engine's progress and termination events; their effects
  // are posted to the UI thread. Events of a task that belongs to an
  // earlier job (a stopped task ending late) are dropped.
  void connectEngineEvents(UiPoster &poster);
  // Stops forwarding events; safe while the engine's threads still run.
  void disconnectEngineEvents();

  // The program-wide output record, reset at every job.
  OutputOptions outputOptions;
  // The settings of the job built last (for inspection).
  const JobSettings &lastSettings() const { return settings_; }

 private:
  void endFailedRow();
  void setProgressText(int row, const std::string &text);
  bool rowValid(int row) const;

  QueueState s_;
  SourceRows &rows_;
  QueuePrompts &prompts_;
  FolderDialog &folderDialog_;
  QueueTimer &timer_;
  RunView &view_;
  ConversionEngine &engine_;
  JobSettings settings_;
  bool stopQuestionOpen_ = false;

  struct Bridge;
  std::shared_ptr<Bridge> bridge_;
};
