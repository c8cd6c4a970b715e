// What the conversion queue needs from its surroundings, as small
// interfaces: the window implements them with its controls, tests with
// plain objects.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine_types.h"
#include "job_builder.h"
#include "options.h"

// Sub-item columns of a source-list row (the caption is the source path).
enum TSourceColumn { scVideoSize = 1, scFrameRate, scDuration, scOutput, scProgress, scFrames };

// The rows of the source list.
class ISourceRows {
 public:
  virtual ~ISourceRows() = default;
  virtual int RowCount() const = 0;
  virtual std::string Caption(int row) const = 0;
  virtual std::string Text(int row, TSourceColumn column) const = 0;
  virtual void SetText(int row, TSourceColumn column, const std::string &text) = 0;
  virtual bool Checked(int row) const = 0;
  // Scrolls so that the row is at least partly visible.
  virtual void MakeVisible(int row) = 0;
};

// Modal messages.
class IQueuePrompts {
 public:
  virtual ~IQueuePrompts() = default;
  // Message box captioned "Information" with the information icon.
  virtual void Information(const std::string &text) = 0;
  // "Stop all conversions?", captioned "Confirmation", Yes/No, question
  // icon. True for Yes.
  virtual bool ConfirmStopAll() = 0;
};

// The output folder dialog, as the folder button opens it.
class IFolderDialog {
 public:
  virtual ~IFolderDialog() = default;
  virtual void BrowseForOutputFolder() = 0;
};

// The 200 ms timer that starts the next row.
class IQueueTimer {
 public:
  virtual ~IQueueTimer() = default;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
};

// The rest of the window around a run.
class IRunView {
 public:
  virtual ~IRunView() = default;
  virtual void SetProgressBar(int position) = 0;     // 0..100
  virtual void SetFileSizeText(const std::string &text) = 0;  // second status panel
  virtual void DisableControlsForConversion() = 0;
  virtual void EnableControlsAfterConversion() = 0;
  // Stops the preview playback and clears its pause state; with
  // `deactivate` the preview graph is released too.
  virtual void StopPreview(bool deactivate) = 0;
  // The settings a job is built from, read when the job is built.
  virtual TJobSettings CurrentJobSettings() = 0;
};

// The engine operations the queue uses (the component's public operations).
class IConversionEngine {
 public:
  virtual ~IConversionEngine() = default;
  virtual int AddTask(const std::string &fileName, TInputOptions *options) = 0;
  virtual bool SetOutput(int index, const std::string &fileName, TOutputOptions *options) = 0;
  virtual void RemoveTask(int index) = 0;
  virtual void ClearTasks() = 0;
  virtual void StartConvert(int32_t threadCount) = 0;
  virtual void Stop() = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  // Connects (or, with empty functions, disconnects) the two events the
  // queue follows. They are raised on the engine's threads.
  virtual void SetEvents(TProgressEvent onProgress, TTerminateEvent onTerminate) = 0;
};

// Runs work on the UI thread later, in the order posted; callable from any
// thread.
class IUiPoster {
 public:
  virtual ~IUiPoster() = default;
  virtual void Post(std::function<void()> work) = 0;
};
