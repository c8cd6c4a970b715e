// Several rows converting at once through the queue (on the fake engine,
// and Stop on the engine itself): each row its own progress, frames, end
// state and output; names chosen when a row starts; one Stop for all; the
// run's end once, after the last; how many at once for "Auto".
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine_adapter.h"
#include "job_slots.h"
#include "media_fixture.h"
#include "queue_fakes.h"
#include "test_env.h"

namespace fs = std::filesystem;

namespace {

class QueueRows : public ::testing::TestWithParam<int> {
 protected:
  ScratchDir dir;
  QueueRig rig;

  void SetUp() override {
    fs::create_directories(dir.file("out"));
    JobSettings &s = rig.view.settings;
    s.outputFolder = dir.file("out");
    s.outputType = "MP4";
    s.scriptFolder = dir.file("tmp/");
    s.simultaneous = GetParam();
    s.applyProfileOptions = [](OutputOptions &o) { o.vcodec = "mpeg4"; };
  }
  // Sources named `name` in folders of their own.
  void addSources(int count, const std::string &name = "r.mov") {
    for (int i = 0; i < count; ++i) {
      const fs::path folder = dir.file("src" + std::to_string(i));
      fs::create_directories(folder);
      std::ofstream((folder / name).string()) << "source";
      rig.add((folder / name).string());
    }
  }
  // Ends the running tasks one at a time, the last started first; each
  // reports its own frames before.
  int runNewestFirst() {
    int most = 0;
    for (int guard = 0; guard < 100 && !rig.engine.runningTasks().empty(); ++guard) {
      const std::vector<int> running = rig.engine.runningTasks();
      most = std::max(most, static_cast<int>(running.size()));
      for (int t : running) rig.engine.progress(100 + t, 400 + t, 10, 1000, t);
      rig.poster.pump();
      rig.engine.finish(false, "", running.back());
      rig.poster.pump();
    }
    return most;
  }
};

}  // namespace

// Sources of one name: their outputs would collide, and get "-1", "-2" in
// the rows' order though the engine writes each file at its end and the
// rows end newest first.
TEST_P(QueueRows, RowsConvertAtOnceEachWithItsOwnProgressStateAndOutput) {
  const int slots = GetParam();
  rig.engine.writeAtEnd = true;
  addSources(5, "clip.mov");
  rig.add(dir.file("missing.mov"));  // fails at its set-up; the others go on
  rig.queue.startConversion();
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  EXPECT_EQ(rig.engine.threads, std::max(1, cores / slots));
  EXPECT_EQ(runNewestFirst(), slots);
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(rig.jobState(row), JobState::Done) << row;
    EXPECT_EQ(rig.jobs.at(row).frameNumber, 100 + row) << row;
    EXPECT_EQ(rig.jobs.at(row).progress->positionMs, 400 + row) << row;
    const std::string want = dir.file(row == 0 ? "out/clip.mp4" : "out/clip-" + std::to_string(row) + ".mp4");
    EXPECT_EQ(rig.jobs.at(row).outputPath, want);
    EXPECT_TRUE(fs::exists(want)) << want;
  }
  EXPECT_EQ(rig.jobState(5), JobState::Failed);
  // The run as a whole, reported as it went.
  ASSERT_FALSE(rig.observer.statuses.empty());
  for (size_t i = 1; i < rig.observer.statuses.size(); ++i) {
    const RunStatus &before = rig.observer.statuses[i - 1], &now = rig.observer.statuses[i];
    EXPECT_EQ(now.total, 6);
    EXPECT_LE(now.running, slots);
    EXPECT_GE(now.ended, before.ended);
    EXPECT_GE(now.percent, before.percent);
  }
  EXPECT_EQ(rig.observer.statuses.back().ended, 5);
  EXPECT_EQ(rig.observer.count("run Completed"), 1);
  EXPECT_EQ(rig.observer.events.back(), "run Completed");
  EXPECT_FALSE(rig.queue.converting());
  EXPECT_TRUE(rig.idle());
  EXPECT_EQ(rig.engine.threads, 0);  // the engine's own choice again
}

TEST_P(QueueRows, StopAsksOnceAndEndsEveryRunningRowBeforeTheRunEnds) {
  const int slots = GetParam();
  addSources(slots + 1);
  rig.queue.startConversion();
  // "No" leaves them running.
  rig.queue.stopAllConversions();
  EXPECT_EQ(rig.engine.runningTasks().size(), static_cast<size_t>(slots));
  EXPECT_FALSE(rig.engine.paused);
  // A row that ends while the question is open makes no room for the next.
  rig.prompts.answerYes = true;
  rig.prompts.duringQuestion = [&] {
    rig.engine.finish(false, "", 0);
    rig.poster.pump();
  };
  rig.queue.stopAllConversions();
  rig.prompts.duringQuestion = nullptr;
  EXPECT_EQ(rig.prompts.questions, 2);
  EXPECT_EQ(rig.observer.count("run Stopped"), 0);  // the stopped rows have not ended yet
  runNewestFirst();
  EXPECT_EQ(rig.jobState(0), JobState::Done);
  for (int row = 1; row < slots; ++row) EXPECT_EQ(rig.jobState(row), JobState::Aborted) << row;
  EXPECT_EQ(rig.jobState(slots), JobState::Waiting);
  EXPECT_EQ(rig.engine.history.size(), static_cast<size_t>(slots));
  EXPECT_EQ(rig.observer.count("run Stopped"), 1);
  EXPECT_EQ(rig.observer.events.back(), "run Stopped");
  EXPECT_TRUE(rig.view.controlsEnabled);
}

// The queue over the engine itself: the clips convert at once, and Stop
// ends them all within half a second, each output whole or none.
TEST_P(QueueRows, OnTheEngineStopEndsEveryRowAtOnce) {
  requireLibraries();
  MediaRecipe recipe;
  recipe.durationSec = 30.0;
  recipe.videoCodec = "mpeg4";
  const std::string clip = cachedFixture(recipe, "rows-long.mov");
  const int slots = GetParam();
  for (int i = 0; i < slots; ++i) {
    rig.add(dir.file("clip" + std::to_string(i) + ".mov"));
    fs::create_symlink(clip, rig.jobs.at(i).path);
  }
  rig.view.settings.applyProfileOptions = [](OutputOptions &o) { o.vcodec = "mpeg4", o.acodec = "aac"; };
  MediaEngine engine;
  EngineAdapter adapter(engine);
  FakePoster &poster = rig.poster;
  ConversionQueue queue{QueueSurroundings{rig.jobs, rig.prompts, rig.timer, rig.view, adapter, rig.view}};
  queue.connectEngineEvents(poster);
  queue.startConversion();
  const auto reported = [&] {
    for (int row = 0; row < slots; ++row)
      if (!rig.jobs.at(row).frameNumber || *rig.jobs.at(row).frameNumber < 5) return false;
    return true;
  };
  ASSERT_TRUE(waitUntil(reported, 60000, [&] { poster.pump(); }));
  rig.prompts.answerYes = true;
  const auto stoppedAt = std::chrono::steady_clock::now();
  queue.stopAllConversions();
  EXPECT_TRUE(waitUntil([&] { return !queue.converting(); }, 5000, [&] { poster.pump(); }));
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - stoppedAt).count(), 0.5);
  queue.disconnectEngineEvents();
  EXPECT_EQ(rig.observer.count("run Stopped"), 1);
  for (int row = 0; row < slots; ++row) {
    EXPECT_EQ(rig.jobState(row), JobState::Aborted) << row;
    const std::string &output = rig.jobs.at(row).outputPath;
    if (output.empty() || !fs::exists(output)) continue;
    const ProbedFile p = probeMedia(output);
    ASSERT_TRUE(p.ok) << output << ": " << p.error;
    EXPECT_GT(p.first("video")->frames, 0) << output;
  }
}

INSTANTIATE_TEST_SUITE_P(Slots, QueueRows, ::testing::Values(2, 3));

TEST(JobSlots, AutoFitsTheJobsToTheCores) {
  const JobLoad x264{true, "libx264", 1920, 1080}, xvid{true, "libxvid", 1920, 1080}, sound{false, "", -1, -1},
      small{true, "libx264", 640, 480}, mpeg4{true, "mpeg4", 1280, 720};
  struct Case {
    int asked, cores;
    JobLoad load;
    int jobs, threads;
  };
  for (const Case &c : {Case{1, 8, x264, 1, 0}, Case{4, 8, x264, 4, 2}, Case{9, 8, sound, 8, 1},
                        Case{0, 8, x264, 1, 0}, Case{0, 16, x264, 2, 8}, Case{0, 8, xvid, 8, 1},
                        Case{0, 8, sound, 8, 1}, Case{0, 8, small, 8, 1}, Case{0, 4, mpeg4, 2, 2},
                        Case{0, 64, sound, kMostAutoJobs, 4}, Case{0, 0, sound, 1, 0}}) {
    const JobSlots s = jobSlotsFor(c.asked, c.cores, c.load);
    EXPECT_EQ(s.jobs, c.jobs) << c.asked << " on " << c.cores << " cores, " << c.load.vcodec;
    EXPECT_EQ(s.threadsPerTask, c.threads) << c.asked << " on " << c.cores << " cores, " << c.load.vcodec;
  }
}
