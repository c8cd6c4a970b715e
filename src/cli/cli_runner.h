// The conversion run of trevix-convert: the window's conversion queue
// (ConversionQueue) driven without a window. The files are the jobs of a
// source list that is never shown, the queue's timer is ticked by a plain
// loop, and the queue's events are printed instead of shown.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli_options.h"
#include "conversion_queue.h"
#include "engine_adapter.h"
#include "queue_interfaces.h"
#include "run_progress.h"
#include "source_jobs.h"

class MediaProbe;

class MediaEngine;

// "  37%  frames 1234  fps 250  speed 8.3x  elapsed 00:00:05  left 00:00:09".
// Without a known length the output position takes the percentage's place
// and the time left is "--:--:--"; without video there are no frames.
std::string progressLineText(const ProgressSample &s);

struct FileResult {
  std::string source;
  std::string output;                  // empty when no output was set up
  JobState state = JobState::Waiting;  // Waiting or Converting: not converted
  std::string message;                 // why it failed
};

// The final line of a file: "Done: a.mov -> out/a.mp4", "Fail: b.mov: why",
// "Abort: c.mov -> out/c.mp4 (partial)", or for an abort that kept nothing
// "Abort: c.mov (why)". A reason that starts with the source's name
// ("b.mov: no such file") does not repeat it.
// With --target-size the line of a "Done" ends with how the file was
// fitted (fitSummaryText).
std::string finalLineText(const FileResult &r, bool outputExists, const FitRecord &fit = {});

// "3 files: 2 Done, 1 Fail", with Abort and "not converted" when present.
std::string summaryText(const std::vector<FileResult> &results);

// 0 when every file is "Done", 1 otherwise; 128 + the signal number when a
// signal stopped the run.
int exitStatusFor(const std::vector<FileResult> &results, int stopSignal);

// The text that tells a file's output carries the recording place.
inline constexpr const char *kKeepsPlaceText = "keeps the recording place";

// The lines of --json (see helpText()): a file started as the `position`th
// of `count` (saying when its output keeps the recording place), a progress report of it, its end (naming the output only when
// there is one), and the run's summary.
std::string startedJson(const std::string &source, const std::string &output, const RunPosition &position,
                        bool keepsPlace = false);
std::string progressJson(const std::string &source, const ProgressSample &sample);
// With --target-size the end also tells the size asked for, the rates
// chosen and the size reached ("target_size", "video_bit_rate",
// "audio_bit_rate", "size").
std::string endedJson(const FileResult &r, bool outputExists, const FitRecord &fit = {});
std::string summaryJson(const std::vector<FileResult> &results, int exitStatus);

// Where the run prints. Progress lines are rewritten in place on a
// terminal and printed one per report elsewhere; quiet prints only the
// final lines; json prints the JSON lines instead of all of these.
struct CliOutput {
  FILE *out = stdout;
  bool quiet = false;
  bool terminal = false;
  bool json = false;
};

// Threads: run() and everything it calls (the queue, the printing) run on
// the calling thread; the engine's events are posted to it through post(),
// which the engine's threads call, and requestStop() may come from any
// thread. postLock_ guards work_ and helperProbes_; stopSignal_ is atomic; everything else
// belongs to the run's thread.
class CliRunner : private QueuePrompts,
                  private QueueTimer,
                  private JobSettingsSource,
                  private UiPoster,
                  private QueueObserver {
 public:
  // `programFolder` is the folder of the program (it holds "Common").
  CliRunner(MediaEngine &engine, const ConversionChoices &choices, std::vector<std::string> files,
            const std::string &programFolder, const CliOutput &output);
  ~CliRunner() override;
  CliRunner(const CliRunner &) = delete;
  CliRunner &operator=(const CliRunner &) = delete;

  // Probes the files, converts them one after another (or --jobs at once)
  // and returns what became of each.
  std::vector<FileResult> run();

  // Stops the run as the Stop button does (the question answered Yes);
  // whatever the engine waits for (a source that sends nothing) is given up
  // at once. Callable from any thread; `signal` is remembered for the exit
  // status.
  void requestStop(int signal);
  // After requestStop: the running file's output is removed instead of
  // being finished, and the run waits only briefly for that. Any thread.
  void requestQuit();
  int stopSignal() const { return stopSignal_.load(); }

 private:
  // QueuePrompts
  void information(const std::string &text) override;
  bool confirmStopAll() override { return true; }
  // QueueTimer
  void setEnabled(bool enabled) override { timerEnabled_ = enabled; }
  bool enabled() const override { return timerEnabled_; }
  // JobSettingsSource
  JobSettings currentJobSettings() override;
  // UiPoster
  void post(std::function<void()> work) override;
  // QueueObserver
  void rowStarted(int row) override;
  void rowProgress(int row, const ProgressReport &report) override;
  void rowEnded(int row, JobState state, const std::string &reason) override;

  // Every file's summary, in the files' order, probed on up to one thread
  // a core; none for a file a stop request came before.
  std::vector<std::optional<ProbeSummary>> probeFiles();
  void runUntilOver();
  // Runs the posted work; waits up to `wait` for some when there is none.
  void runPosted(std::chrono::milliseconds wait);
  FileResult resultOf(int row) const;
  void clearProgressLine();
  void print(const std::string &line);

  MediaEngine &engine_;
  EngineAdapter engineAdapter_;
  ConversionChoices choices_;
  std::vector<std::string> files_;
  std::string programFolder_;
  CliOutput output_;

  SourceJobs jobs_;
  std::map<int, FileClock> clocks_;  // the running files' wall times, by row

  ConversionQueue queue_;
  bool timerEnabled_ = false;
  bool progressShown_ = false;  // a progress line waits to be overwritten

  std::mutex postLock_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> work_;
  std::vector<MediaProbe *> helperProbes_;  // the probing threads' own, which a stop interrupts

  std::atomic<int> stopSignal_{0};
  std::atomic<bool> quit_{false};
};
