// How far a run has come, as the window's status bar and trevix-convert's
// progress lines both show it: which file of the run is being converted
// ("2 of 5"), its percentage, speed, elapsed time and time left, and what
// became of the files once the run is over ("3 Done, 1 Fail"). The figures
// are computed here once, so both front ends report the same numbers.
//
// Everything here belongs to the queue's thread (the UI thread in the
// window, the run loop in trevix-convert).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "queue_interfaces.h"
#include "source_jobs.h"

// One progress report of the running file, with the wall time it has taken
// so far.
struct ProgressSample {
  int32_t frameNumber = -1;  // -1: the output has no video
  int32_t fps = 0;           // the engine's frames per second (0 in the first second)
  int32_t currentMs = 0;     // output position
  int32_t totalMs = -1;      // expected length; not positive when unknown
  int64_t size = 0;          // output size in bytes
  double elapsedSec = 0;     // wall time since the file's conversion started
};

ProgressSample progressSample(const ProgressReport &report, double elapsedSec);

// What a sample says, each figure -1 where it cannot be told.
struct ProgressFigures {
  int64_t percent = -1;  // 0..100; -1 when the length is unknown
  int64_t fps = -1;      // frames per second; -1 without video
  double speed = -1;     // output time per wall time; -1 before time has passed
  double leftSec = -1;   // estimated wall time to the end; -1 when unknown
};

ProgressFigures progressFigures(const ProgressSample &sample);

// Seconds as a clock, "00:01:05" (rounded to whole seconds; negative: 0).
std::string clockText(double seconds);
// "8.3x", or "--" when unknown.
std::string speedText(double speed);
// The time left as a clock, or "--:--:--" when unknown.
std::string timeLeftText(double leftSec);

// Where a row stands among the rows of the current run: the rows already
// reached (converted, failed or being converted) and the checked rows still
// waiting after it.
struct RunPosition {
  int ordinal = 0;  // 1 for the run's first row
  int total = 0;
};

RunPosition runPosition(const SourceJobs &jobs, int row);
// "2 of 5".
std::string runPositionText(const RunPosition &position);

// What became of the rows of a run.
struct RunCounts {
  int done = 0;
  int failed = 0;
  int aborted = 0;
  int notConverted = 0;  // checked, but the run ended before them
};

RunCounts runCounts(const SourceJobs &jobs);
// "3 Done, 1 Fail", with ", 1 Abort" and ", 2 not converted" when there
// are such rows.
std::string runCountsText(const RunCounts &counts);

// The run as a whole from the rows' states, lengths and positions, after
// `elapsedSec` of it.
RunStatus runStatus(const SourceJobs &jobs, double elapsedSec);

// Where the running file's wall time is read from (the steady clock;
// tests give their own).
using ClockNow = std::function<std::chrono::steady_clock::time_point()>;

// Measures the running file's wall time; fileStarted() when the queue
// starts a row. The time between pause() and resume() (a question the run
// waits for) is not counted.
class FileClock {
 public:
  explicit FileClock(ClockNow now = {});
  void fileStarted();
  void pause();
  void resume();
  double elapsedSec() const;

 private:
  ClockNow now_;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point pausedAt_{};
  bool paused_ = false;
};
