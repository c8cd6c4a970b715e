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
enum SourceListColumn {
  kFileNameColumn = 0,  // caption: the source path
  kVideoSizeColumn = 1,
  kFrameRateColumn = 2,
  kDurationColumn = 3,
  kOutputColumn = 4,
  kProgressColumn = 5,
  kFramesColumn = 6,
  kSourceListColumnCount = 7
};

// The rows of the source list.
class SourceRows {
 public:
  virtual ~SourceRows() = default;
  virtual int rowCount() const = 0;
  virtual std::string caption(int row) const = 0;
  virtual std::string text(int row, SourceListColumn column) const = 0;
  virtual void setText(int row, SourceListColumn column, const std::string &text) = 0;
  virtual bool checked(int row) const = 0;
  // Scrolls so that the row is at least partly visible.
  virtual void makeVisible(int row) = 0;
};

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

// The output folder dialog, as the folder button opens it.
class FolderDialog {
 public:
  virtual ~FolderDialog() = default;
  virtual void browseForOutputFolder() = 0;
};

// The 200 ms timer that starts the next row.
class QueueTimer {
 public:
  virtual ~QueueTimer() = default;
  virtual void setEnabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
};

// The rest of the window around a run.
class RunView {
 public:
  virtual ~RunView() = default;
  virtual void setProgressBar(int position) = 0;     // 0..100
  virtual void setFileSizeText(const std::string &text) = 0;  // second status panel
  virtual void disableControlsForConversion() = 0;
  virtual void enableControlsAfterConversion() = 0;
  // Stops the preview playback and clears its pause state; with
  // `deactivate` the preview graph is released too.
  virtual void stopPreview(bool deactivate) = 0;
  // The settings a job is built from, read when the job is built.
  virtual JobSettings currentJobSettings() = 0;
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
  virtual void stop() = 0;
  virtual void pause() = 0;
  virtual void resume() = 0;
  // Connects (or, with empty functions, disconnects) the two events the
  // queue follows. They are raised on the engine's threads.
  virtual void setEvents(ProgressEvent onProgress, TerminateEvent onTerminate) = 0;
};

// Runs work on the UI thread later, in the order posted; callable from any
// thread.
class UiPoster {
 public:
  virtual ~UiPoster() = default;
  virtual void post(std::function<void()> work) = 0;
};
