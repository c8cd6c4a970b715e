// The figures and texts of a run's progress, shared by the window's status
// bar and trevix-convert.
#include "run_progress.h"

#include <gtest/gtest.h>

#include <tuple>

#include "probe_summary.h"

namespace {

TEST(RunProgress, FiguresOfASample) {
  ProgressSample s{.frameNumber = 120, .fps = 60, .currentMs = 4000, .totalMs = 10000, .elapsedSec = 2.0};
  ProgressFigures f = progressFigures(s);
  EXPECT_EQ(std::tuple(f.percent, f.fps), std::tuple(40, 60));
  EXPECT_DOUBLE_EQ(f.speed, 2.0);
  EXPECT_DOUBLE_EQ(f.leftSec, 3.0);  // 6 s of output at twice real time

  // The engine's rate is 0 in the first second: the average stands in.
  s.fps = 0;
  s.frameNumber = 30;
  s.elapsedSec = 0.5;
  EXPECT_EQ(progressFigures(s).fps, 60);

  // Past the end: 100%, nothing left.
  s.currentMs = 12000;
  f = progressFigures(s);
  EXPECT_EQ(f.percent, 100);
  EXPECT_DOUBLE_EQ(f.leftSec, 0.0);

  // Unknown length, no video, no time yet.
  s.totalMs = 0;
  s.frameNumber = -1;
  s.elapsedSec = 0;
  f = progressFigures(s);
  EXPECT_EQ(std::tuple(f.percent, f.fps, f.speed, f.leftSec), std::tuple(-1, -1, -1.0, -1.0));
}

// The time a question holds the run is not the file's; pausing twice
// changes nothing.
TEST(RunProgress, FileClockLeavesOutPauses) {
  std::chrono::steady_clock::time_point now{};
  FileClock clock([&] { return now; });
  clock.fileStarted();
  for (int step = 0; step < 2; ++step) {
    now += std::chrono::seconds(5);
    clock.pause();
    clock.pause();
    now += std::chrono::seconds(100);
    clock.resume();
  }
  EXPECT_DOUBLE_EQ(clock.elapsedSec(), 10.0);
}

TEST(RunProgress, Texts) {
  EXPECT_EQ(clockText(65.4), "00:01:05");
  EXPECT_EQ(clockText(3599.6), "01:00:00");
  EXPECT_EQ(clockText(-3), "00:00:00");
  EXPECT_EQ(speedText(8.26), "8.3x");
  EXPECT_EQ(speedText(-1), "--");
  EXPECT_EQ(timeLeftText(9), "00:00:09");
  EXPECT_EQ(timeLeftText(-1), "--:--:--");

  ProgressReport report{12, 25, 480, 1000, 4096};
  const ProgressSample s = progressSample(report, 1.5);
  EXPECT_EQ(std::tuple(s.frameNumber, s.currentMs, s.totalMs, s.size), std::tuple(12, 480, 1000, 4096));
  EXPECT_DOUBLE_EQ(s.elapsedSec, 1.5);
}

// "2 of 5": the rows the run has reached, and the checked rows after.
TEST(RunProgress, PositionAmongTheRowsOfTheRun) {
  SourceJobs jobs;
  for (const char *name : {"a", "b", "c", "d", "e", "f"}) jobs.append(makeSourceJob(name, probed(0, 0, 5), "MP4"));
  jobs.setChecked(1, false);
  jobs.setChecked(4, false);
  // Rows 0, 2, 3 and 5 belong to the run.
  jobs.startJob(0, "out/a", false);
  EXPECT_EQ(runPositionText(runPosition(jobs, 0)), "1 of 4");
  jobs.endJob(0, JobState::Done, "");
  jobs.startJob(2, "out/c", false);
  EXPECT_EQ(runPositionText(runPosition(jobs, 2)), "2 of 4");
  // A row checked during the run counts from then on; one unchecked after
  // it was converted still counts.
  jobs.endJob(2, JobState::Failed, "why");
  jobs.setChecked(2, false);
  jobs.setChecked(4, true);
  jobs.startJob(3, "out/d", false);
  EXPECT_EQ(runPositionText(runPosition(jobs, 3)), "3 of 5");
}

TEST(RunProgress, CountsOfARun) {
  SourceJobs jobs;
  for (const char *name : {"a", "b", "c", "d", "e", "f"}) jobs.append(makeSourceJob(name, probed(0, 0, 5), "MP4"));
  jobs.endJob(0, JobState::Done, "");
  jobs.endJob(1, JobState::Done, "");
  jobs.endJob(2, JobState::Failed, "why");
  jobs.endJob(3, JobState::Done, "");
  jobs.setChecked(4, false);
  jobs.setChecked(5, false);
  EXPECT_EQ(runCountsText(runCounts(jobs)), "3 Done, 1 Fail");
  // Stopped: the stopped row and the checked rows not reached.
  jobs.endJob(3, JobState::Aborted, "");
  jobs.setChecked(5, true);
  const RunCounts c = runCounts(jobs);
  EXPECT_EQ(std::tuple(c.done, c.aborted, c.notConverted), std::tuple(2, 1, 1));
  EXPECT_EQ(runCountsText(c), "2 Done, 1 Fail, 1 Abort, 1 not converted");
}

// The run as a whole: files ended and running, and its media time done
// (5 s files) for the time left; by files when a length is unknown.
TEST(RunProgress, StatusOfARunOfSeveralAtOnce) {
  SourceJobs jobs;
  for (const char *name : {"a", "b", "c", "d", "e"}) jobs.append(makeSourceJob(name, probed(0, 0, 5), "MP4"));
  jobs.setChecked(4, false);
  jobs.endJob(0, JobState::Done, "");
  for (int row : {1, 2}) jobs.startJob(row, "out", false);
  jobs.reportProgress(1, JobProgress{50, 2500}, 10);
  RunStatus s = runStatus(jobs, 15.0);
  EXPECT_EQ(std::tuple(s.running, s.ended, s.total, s.percent), std::tuple(2, 1, 4, 37));  // 7.5 s of 20 s
  EXPECT_DOUBLE_EQ(s.leftSec, 25.0);  // 12.5 s more at 2 s of wall time a second
  jobs.append(makeSourceJob("f", ProbeSummary{}, "MP4"));  // of a length that is unknown
  s = runStatus(jobs, 15.0);
  EXPECT_EQ(std::tuple(s.total, s.percent), std::tuple(5, 20));
  EXPECT_DOUBLE_EQ(s.leftSec, 60.0);
}

}  // namespace
