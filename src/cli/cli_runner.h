// The conversion run of trevix-convert: the window's conversion queue
// (TConversionQueue) driven without a window. The files are the rows of a
// list that is never shown, the queue's timer is ticked by a plain loop,
// and what the window would show in its list is printed instead.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "cli_options.h"
#include "conversion_queue.h"
#include "queue_interfaces.h"
#include "source_rows.h"

class TCustomFFmpegVCL;

// One progress report of the engine, as the progress line shows it.
struct TProgressSample {
  int32_t FrameNumber = -1;  // -1: the output has no video
  int32_t Fps = 0;           // the engine's frames per second (0 in the first second)
  int32_t CurrentMs = 0;     // output position
  int32_t TotalMs = -1;      // expected length; not positive when unknown
  int64_t Size = 0;          // output size in bytes
  double ElapsedSec = 0;     // wall time since the file's conversion started
};

// "  37%  frames 1234  fps 250  speed 8.3x  elapsed 00:00:05  left 00:00:09".
// Without a known length the output position takes the percentage's place
// and the time left is "--:--:--"; without video there are no frames.
std::string ProgressLineText(const TProgressSample &s);

struct TFileResult {
  std::string Source;
  std::string Output;   // empty when no output was set up
  std::string State;    // "Done", "Fail", "Abort", or empty: not converted
  std::string Message;  // why it failed
};

// The final line of a file: "Done: a.mov -> out/a.mp4", "Fail: b.mov: why",
// "Abort: c.mov -> out/c.mp4 (partial)".
std::string FinalLineText(const TFileResult &r, bool outputExists);

// "3 files: 2 Done, 1 Fail", with Abort and "not converted" when present.
std::string SummaryText(const std::vector<TFileResult> &results);

// 0 when every file is "Done", 1 otherwise; 128 + the signal number when a
// signal stopped the run.
int ExitStatusFor(const std::vector<TFileResult> &results, int stopSignal);

// Where the run prints. Progress lines are rewritten in place on a
// terminal and printed one per report elsewhere; quiet prints only the
// final lines.
struct TCliOutput {
  FILE *Out = stdout;
  bool Quiet = false;
  bool Terminal = false;
};

class TCliRunner : private ISourceRows,
                   private IQueuePrompts,
                   private IFolderDialog,
                   private IQueueTimer,
                   private IRunView,
                   private IUiPoster,
                   private IConversionEngine {
 public:
  // `programFolder` is the folder of the program (it holds "Common").
  TCliRunner(TCustomFFmpegVCL &vcl, const TConversionChoices &choices, std::vector<std::string> files,
             const std::string &programFolder, const TCliOutput &output);
  ~TCliRunner() override;
  TCliRunner(const TCliRunner &) = delete;
  TCliRunner &operator=(const TCliRunner &) = delete;

  // Probes the files, converts them one after another and returns what
  // became of each.
  std::vector<TFileResult> Run();

  // Stops the run as the Stop button does (the question answered Yes).
  // Callable from any thread; `signal` is remembered for the exit status.
  void RequestStop(int signal);
  int StopSignal() const { return stopSignal_.load(); }

 private:
  // ISourceRows
  int RowCount() const override;
  std::string Caption(int row) const override;
  std::string Text(int row, TSourceColumn column) const override;
  void SetText(int row, TSourceColumn column, const std::string &text) override;
  bool Checked(int row) const override;
  void MakeVisible(int) override {}
  // IQueuePrompts
  void Information(const std::string &text) override;
  bool ConfirmStopAll() override { return true; }
  // IFolderDialog
  void BrowseForOutputFolder() override {}
  // IQueueTimer
  void SetEnabled(bool enabled) override { timerEnabled_ = enabled; }
  bool Enabled() const override { return timerEnabled_; }
  // IRunView
  void SetProgressBar(int) override {}
  void SetFileSizeText(const std::string &) override {}
  void DisableControlsForConversion() override {}
  void EnableControlsAfterConversion() override {}
  void StopPreview(bool) override {}
  TJobSettings CurrentJobSettings() override;
  // IUiPoster
  void Post(std::function<void()> work) override;
  // IConversionEngine: the component, watched on the way.
  int AddTask(const std::string &fileName, TInputOptions *options) override;
  bool SetOutput(int index, const std::string &fileName, TOutputOptions *options) override;
  void RemoveTask(int index) override;
  void ClearTasks() override;
  void StartConvert(int32_t threadCount) override;
  void Stop() override;
  void Pause() override;
  void Resume() override;
  void SetEvents(TProgressEvent onProgress, TTerminateEvent onTerminate) override;

  // Runs the posted work; waits up to `wait` for some when there is none.
  void RunPosted(std::chrono::milliseconds wait);
  void ShowProgress(int row, const TProgressSample &sample);
  void ShowFinal(int row);
  void ClearProgressLine();
  void Print(const std::string &line);

  TCustomFFmpegVCL &vcl_;
  TConversionChoices choices_;
  std::string programFolder_;
  TCliOutput output_;

  std::vector<TSourceRowTexts> rows_;
  std::vector<TFileResult> results_;
  std::vector<bool> reported_;
  std::vector<std::chrono::steady_clock::time_point> started_;

  TQueueFlags flags_;
  TConversionQueue queue_;
  bool timerEnabled_ = false;
  bool progressShown_ = false;  // a progress line waits to be overwritten

  // Work posted from the engine's threads, run on the thread of Run().
  std::mutex postMutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> work_;

  std::mutex eventMutex_;
  std::string failMessage_;  // message of the task that ended with an error
  int outstanding_ = 0;      // started tasks whose end has not been handled

  std::atomic<int> stopSignal_{0};
};
