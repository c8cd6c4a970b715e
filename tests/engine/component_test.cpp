// The engine component: properties, task list, scheduling in timer and
// thread mode, termination order, stop, pause and resume.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <tuple>

#include "clip_catalogue.h"
#include "engine_driver.h"
#include "file_bytes.h"
#include "media_engine.h"
#include "media_fixture.h"
#include "test_env.h"
#include "thread_ids.h"
#include "transcode_task.h"

namespace fs = std::filesystem;

namespace {

// What a termination said, for comparing it whole.
auto said(const TerminateRecord &t) { return std::tuple(t.index, t.finished, t.exception, t.message); }

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    requireLibraries();
    ASSERT_TRUE(engine.loadAVLib(TREVIX_COMMON_DIR, true));
    engine.setLogLevel(LogLevel::Error);
  }
  // A task that will transcode `source` into a small AVI.
  int addConvertible(const std::string &source, const std::string &name) {
    const int i = engine.addTask(source);
    if (i < 0) return i;
    OutputOptions o{.acodec = "mp2", .vcodec = "mpeg4", .frameSize = "160x120"};
    if (!engine.setOutput(i, scratch.file(name), &o)) return -1;
    return i;
  }
  // The pause gate of a task: it stays valid after the task is freed.
  std::shared_ptr<PauseGate> gateOf(int index) {
    std::shared_ptr<PauseGate> gate;
    engine.withTask(index, [&](TranscodeTask &t) { gate = t.pauseGate(); });
    return gate;
  }
  // Starts one worker and pauses it before it can deliver anything (the
  // lock held meanwhile); true once it is parked.
  bool startPaused() {
    {
      std::scoped_lock held(engine);
      engine.startConvert(1);
      if (!waitUntil([&] { return engine.taskStatus(0).threadId != 0; })) return false;
      engine.pause();
    }
    return gateOf(0)->waitUntilParked(10000);
  }
  std::vector<int> indexes(const std::vector<TerminateRecord> &t) {
    std::vector<int> v;
    for (const auto &r : t) v.push_back(r.index);
    return v;
  }

  ScratchDir scratch;
  MediaEngine engine;
};

TEST_F(ComponentTest, PropertiesAndInitialState) {
  EXPECT_EQ(engine.version(), "2.0b");
  EXPECT_EQ(engine.progressInterval(), 500);
  engine.setProgressInterval(50);
  EXPECT_EQ(engine.progressInterval(), 100);
  engine.setProgressInterval(100);
  EXPECT_EQ(engine.progressInterval(), 100);
  engine.setProgressInterval(101);
  EXPECT_EQ(engine.progressInterval(), 101);
  EXPECT_EQ(engine.threadPriority(), ConvertPriority::Normal);
  MediaEngine fresh;
  EXPECT_EQ(fresh.logLevel(), LogLevel::Info);
  EXPECT_EQ(std::tuple(fresh.threadCount(), fresh.nextTaskIndex(), fresh.pendingCount(), fresh.finishedCount()),
            std::tuple(0, -1, 0, 0));
  auto list = MediaEngine::componentList();
  EXPECT_EQ(std::count(list.begin(), list.end(), &fresh), 1);
}

TEST_F(ComponentTest, AddTaskFailuresLeaveNothingBehind) {
  const std::string missing = scratch.file("missing.mov");
  EXPECT_EQ(engine.addTask(missing), -1);
  EXPECT_EQ(engine.lastErrorMessage(), missing + ": no such file or directory");

  const std::string empty = scratch.file("empty.mov");
  std::ofstream(empty).close();
  EXPECT_EQ(engine.addTask(empty), -1);
  EXPECT_EQ(engine.lastErrorMessage().rfind(empty + ": ", 0), 0u) << engine.lastErrorMessage();

  const std::string noise = scratch.file("noise.mov");
  std::mt19937 rng(7);
  std::string bytes(65536, '\0');
  for (char &b : bytes) b = static_cast<char>(rng() & 0xFF);
  writeFileBytes(noise, bytes);
  EXPECT_EQ(engine.addTask(noise), -1);
  EXPECT_EQ(engine.lastErrorMessage(), noise + ": Unknown format");

  const std::string truncated = scratch.file("truncated.mov");
  const std::string data = fileBytes(coreSource(2.0));
  writeFileBytes(truncated, data.substr(0, data.size() / 3));
  const int t = engine.addTask(truncated);
  if (t < 0) {
    EXPECT_EQ(engine.lastErrorMessage().rfind(truncated + ": ", 0), 0u) << engine.lastErrorMessage();
  }

  InputOptions in{.format = "nosuchformat"};
  EXPECT_EQ(engine.addTask(coreSource(2.0), &in), -1);
  EXPECT_EQ(engine.lastErrorMessage(), "Unknown input format: nosuchformat");

  // Only the four files the test wrote are there.
  int files = 0;
  for (const auto &e : fs::directory_iterator(scratch.path())) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 3);
  EXPECT_EQ(engine.taskCount(), t < 0 ? 0 : 1);
}

TEST_F(ComponentTest, AddTaskWritesTheFileNameBackAndOpensTheInput) {
  InputOptions in;
  const std::string src = coreSource(2.0);
  const int i = engine.addTask(src, &in);
  ASSERT_EQ(i, 0) << engine.lastErrorMessage();
  EXPECT_EQ(in.fileName, src);
  engine.withTask(0, [](TranscodeTask &t) {
    ASSERT_EQ(t.inputFiles.size(), 1u);
    EXPECT_EQ(t.options.frameWidth, 320);
    EXPECT_EQ(t.options.frameHeight, 240);
    EXPECT_EQ(t.options.videoFrameRate.num, 25);
    EXPECT_EQ(t.options.audioSampleRate, 44100);
    EXPECT_NEAR(t.options.expectedDurationMs, 2000, 100);
    EXPECT_NEAR(t.options.frameAspectRatio, 4.0 / 3.0, 1e-3);
  });
}

TEST_F(ComponentTest, InputOptionsReachTheOpening) {
  InputOptions in{.startTimeMs = 1000, .extraOptions = "vn\nitsoffset=0.5"};
  const int i = engine.addTask(coreSource(2.0), &in);
  ASSERT_EQ(i, 0) << engine.lastErrorMessage();
  engine.withTask(0, [](TranscodeTask &t) {
    const InputFile &f = t.inputFiles[0];
    EXPECT_EQ(f.startTime, 1000000 + (f.ctx->start_time == AV_NOPTS_VALUE ? 0 : f.ctx->start_time));
    EXPECT_EQ(f.tsOffset, 500000 - f.startTime);
    EXPECT_EQ(t.options.inputStartTime, 0);  // consumed by the seek
    bool videoDiscarded = false;
    for (const auto &s : f.streams)
      if (s.type == AVMEDIA_TYPE_VIDEO) videoDiscarded = s.stream->discard == AVDISCARD_ALL;
    EXPECT_TRUE(videoDiscarded);
  });
}

TEST_F(ComponentTest, SetOutputErrors) {
  for (int i = 0; i < 2; ++i) ASSERT_EQ(engine.addTask(coreSource(2.0)), i);
  EXPECT_THROW(engine.setOutput(5, scratch.file("x.avi")), std::out_of_range);
  OutputOptions o{.format = "nosuch"};
  EXPECT_FALSE(engine.setOutput(1, scratch.file("x.avi"), &o));
  EXPECT_EQ(engine.lastErrorMessage(), "Unknown output format: nosuch");
  EXPECT_EQ(o.fileName, scratch.file("x.avi"));
  OutputOptions negative{.aspect = "-4:3"};
  EXPECT_FALSE(engine.setOutput(1, scratch.file("y.avi"), &negative));
  EXPECT_EQ(engine.lastErrorMessage(), "Incorrect aspect ratio specification.");
  EXPECT_THROW(engine.removeTask(2), std::out_of_range);
}

TEST_F(ComponentTest, VcdTargetWithoutVideoInput) {
  ASSERT_EQ(engine.addTask(coreAudioOnlySource()), 0) << engine.lastErrorMessage();
  OutputOptions o{.target = 1};
  EXPECT_FALSE(engine.setOutput(0, scratch.file("v.mpg"), &o));
  EXPECT_EQ(engine.lastErrorMessage(), "frame_rate is invalid.");
}

// Timer mode: each task starts 100 ms after the previous one ended, on the
// thread that pumps the scheduler.
void timerModeRun(int threadCount) {
  PumpedScheduler scheduler;
  ScratchDir scratch;
  MediaEngine engine(&scheduler);
  ASSERT_TRUE(engine.loadAVLib(TREVIX_COMMON_DIR, true));
  EventRecorder rec(engine);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(engine.addTask(coreSource(2.0)), i);  // no output: each fails at start
  engine.startConvert(threadCount);
  EXPECT_EQ(engine.threadCount(), threadCount);
  EXPECT_TRUE(rec.terminations().empty());
  engine.pause();  // changes nothing in timer mode
  for (int step = 0; step < 3; ++step) {
    ASSERT_EQ(scheduler.pumpOnce(), 1) << "step " << step;
    EXPECT_EQ(rec.terminations().size(), static_cast<size_t>(step + 1 + (step == 2 ? 1 : 0)));
  }
  EXPECT_EQ(scheduler.pending(), 0u);
  for (int d : scheduler.delays) EXPECT_EQ(d, 100);
  const auto t = rec.terminations();
  ASSERT_EQ(t.size(), 4u);
  const std::string noOutput = "Must supply at least one output file";
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(said(t[i]), std::tuple(i, false, true, noOutput));
    EXPECT_EQ(t[i].thread, std::this_thread::get_id());
  }
  EXPECT_EQ(said(t[3]), std::tuple(-1, true, false, std::string()));
  // What the events said, the status says too, read under the lock.
  const TaskStatus s = engine.taskStatus(2);
  EXPECT_EQ(std::tuple(s.index, s.terminated, s.running, s.finished, s.failed, s.errorMessage),
            std::tuple(2, true, false, false, true, noOutput));
  EXPECT_THROW(engine.taskStatus(3), std::out_of_range);
  EXPECT_THROW(engine.withTask(-1, [](TranscodeTask &) {}), std::out_of_range);
  int seen = -1;
  engine.withTask(1, [&](TranscodeTask &task) { seen = task.index(); });
  EXPECT_EQ(seen, 1);
}

TEST_F(ComponentTest, TimerModeZeroThreads) { timerModeRun(0); }
TEST_F(ComponentTest, TimerModeNegativeThreads) { timerModeRun(-5); }

// Removing a task while the next start waits renumbers the list and
// changes nothing else: every task runs once, then the end-of-run notice.
TEST_F(ComponentTest, TimerModeRemovalBeforeTheNextStart) {
  for (const int removed : {0, 1, 2}) {
    PumpedScheduler scheduler;
    MediaEngine timed(&scheduler);
    ASSERT_TRUE(timed.loadAVLib(TREVIX_COMMON_DIR, true));
    EventRecorder rec(timed);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(timed.addTask(coreSource(2.0)), i);  // each fails at start
    timed.startConvert(0);
    ASSERT_EQ(scheduler.pumpOnce(), 1);  // the first ended, the second waits 100 ms
    timed.removeTask(removed);
    for (int step = 0; step < 4 && scheduler.pending() > 0; ++step) scheduler.pumpOnce();
    // Indexes as each task had when it ended.
    const auto expected = removed == 0 ? std::vector<int>{0, 0, 1, -1} : std::vector<int>{0, 1, -1};
    EXPECT_EQ(indexes(rec.terminations()), expected) << "removed " << removed;
    for (int i = 0; i < timed.taskCount(); ++i) EXPECT_TRUE(timed.taskStatus(i).terminated) << removed << i;
  }
}

TEST_F(ComponentTest, EmptyListStartsNothing) {
  EventRecorder rec(engine);
  engine.startConvert(1);
  engine.startConvert(0);
  EXPECT_TRUE(rec.terminations().empty());
}

TEST_F(ComponentTest, OneThreadRunsTasksOneAfterAnother) {
  EventRecorder rec(engine);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(addConvertible(coreSource(1.0), "one" + std::to_string(i) + ".avi"), i);
  {
    std::scoped_lock held(engine);  // events wait, so the starts can be looked at
    engine.startConvert(1);
    EXPECT_TRUE(waitUntil([&] { return engine.taskStatus(0).threadId != 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(engine.taskStatus(1).threadId, 0u);
    EXPECT_EQ(engine.taskStatus(2).threadId, 0u);
    EXPECT_EQ(engine.pendingCount(), 2);
  }
  ASSERT_TRUE(rec.waitForEndOfRun());
  const auto t = rec.terminations();
  EXPECT_EQ(indexes(t), (std::vector<int>{0, 1, 2, -1}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(t[i].finished) << t[i].message;
    EXPECT_FALSE(t[i].exception) << t[i].message;
    EXPECT_NE(t[i].thread, std::this_thread::get_id());
  }
  EXPECT_EQ(engine.finishedCount(), 3);
}

TEST_F(ComponentTest, ThreeThreadsOverFiveTasks) {
  EventRecorder rec(engine);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(addConvertible(coreSource(1.0), "three" + std::to_string(i) + ".avi"), i);
  {
    std::scoped_lock held(engine);
    engine.startConvert(3);
    EXPECT_TRUE(waitUntil([&] {
      return engine.taskStatus(0).threadId != 0 && engine.taskStatus(1).threadId != 0 && engine.taskStatus(2).threadId != 0;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(engine.taskStatus(3).threadId, 0u);
    EXPECT_EQ(engine.taskStatus(4).threadId, 0u);
    EXPECT_EQ(engine.pendingCount(), 2);
    EXPECT_EQ(engine.nextTaskIndex(), 3);
  }
  ASSERT_TRUE(rec.waitForEndOfRun());
  const auto t = rec.terminations();
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t.back().index, -1);
  std::vector<int> seen = indexes(t);
  std::sort(seen.begin(), seen.end() - 1);
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, -1}));
  for (size_t i = 0; i + 1 < t.size(); ++i) EXPECT_TRUE(t[i].finished) << t[i].message;
  // A second run over terminated tasks starts nothing and reports nothing.
  engine.startConvert(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(rec.terminations().size(), 6u);
}

TEST_F(ComponentTest, StopWithTasksNeverStarted) {
  EventRecorder rec(engine);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(addConvertible(coreSource(5.0), "stop" + std::to_string(i) + ".avi"), i);
  engine.setProgressInterval(100);
  {
    std::scoped_lock held(engine);
    engine.startConvert(1);
    EXPECT_TRUE(waitUntil([&] { return engine.taskStatus(0).threadId != 0; }));
    engine.stop();
    EXPECT_EQ(engine.pendingCount(), 0);
  }
  ASSERT_TRUE(rec.waitForEndOfRun());
  const auto t = rec.terminations();
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t.back().index, -1);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_FALSE(t[i].finished);
    EXPECT_FALSE(t[i].exception) << t[i].message;
    if (t[i].index != 0) {
      EXPECT_EQ(t[i].message, "");
      EXPECT_NE(t[i].thread, std::this_thread::get_id());
    }
  }
  // Outputs that received nothing do not stay behind once the tasks go.
  engine.clearTasks();
  EXPECT_FALSE(fs::exists(scratch.file("stop1.avi")));
  EXPECT_FALSE(fs::exists(scratch.file("stop2.avi")));
}

TEST_F(ComponentTest, StopBeforeAnyStart) {
  EventRecorder rec(engine);
  for (int i = 0; i < 2; ++i) ASSERT_EQ(engine.addTask(coreSource(2.0)), i);
  engine.stop();
  ASSERT_TRUE(rec.waitForEndOfRun(10000));
  const auto t = rec.terminations();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t.back().index, -1);
  EXPECT_TRUE(engine.taskStatus(0).terminated);
  engine.stop();  // already terminated: left alone
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(rec.terminations().size(), 3u);
}

TEST_F(ComponentTest, PauseFreezesProgressAndResumeContinues) {
  EventRecorder rec(engine);
  ASSERT_EQ(addConvertible(coreSource(5.0), "pause.avi"), 0);
  engine.setProgressInterval(100);
  ASSERT_TRUE(startPaused());
  const int atPause = rec.progressCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(rec.progressCount(), atPause);
  EXPECT_TRUE(engine.taskStatus(0).running);
  EXPECT_TRUE(rec.terminations().empty());
  engine.pause();  // from a thread that does not hold the lock: returns once parked
  engine.resume();
  ASSERT_TRUE(rec.waitForEndOfRun());
  EXPECT_GT(rec.progressCount(), atPause);
  const auto t = rec.terminations();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_TRUE(t[0].finished) << t[0].message;
  EXPECT_FALSE(t[0].exception) << t[0].message;
}

TEST_F(ComponentTest, StopEndsAPausedTask) {
  EventRecorder rec(engine);
  ASSERT_EQ(addConvertible(coreSource(5.0), "pausestop.avi"), 0);
  ASSERT_TRUE(startPaused());
  engine.stop();
  ASSERT_TRUE(rec.waitForEndOfRun(20000));
  const auto t = rec.terminations();
  EXPECT_FALSE(t[0].finished);
  EXPECT_FALSE(t[0].exception) << t[0].message;
}

// The owner replaces the log handler under the lock, again and again, while
// a task logs on another thread: every line reaches exactly one handler, and
// a handler that was replaced gets no further line. (A ThreadSanitizer
// build also sees that the handler is never read outside the lock.)
TEST_F(ComponentTest, LogHandlerReplacedUnderTheLockWhileATaskLogs) {
  constexpr int kHandlers = 50;
  auto counts = std::make_shared<std::array<std::atomic<int>, kHandlers>>();
  auto handler = [counts](int k) {
    return [counts, k](int32_t, LogLevel, const std::string &) { ++(*counts)[k]; };
  };
  ASSERT_EQ(engine.addTask(coreSource(2.0)), 0);
  TranscodeTask *task = nullptr;
  engine.withTask(0, [&](TranscodeTask &t) { task = &t; });
  {
    std::scoped_lock held(engine);
    engine.onLog = handler(0);
  }
  std::atomic<bool> stop{false};
  int lines = 0;
  std::thread worker([&] {
    task->setThreadId(currentThreadId());
    while (!stop) {
      task->log(LogLevel::Error, "line");
      ++lines;
    }
  });
  std::array<int, kHandlers> atReplacement{};
  for (int k = 1; k < kHandlers; ++k) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::scoped_lock held(engine);
    atReplacement[k - 1] = (*counts)[k - 1].load();
    engine.onLog = handler(k);
  }
  stop = true;
  worker.join();
  {
    std::scoped_lock held(engine);
    engine.onLog = nullptr;
  }
  int total = 0;
  for (int k = 0; k < kHandlers; ++k) total += (*counts)[k].load();
  EXPECT_EQ(total, lines);
  for (int k = 0; k + 1 < kHandlers; ++k) EXPECT_EQ((*counts)[k].load(), atReplacement[k]) << "handler " << k;
}

// The owner changes the properties and fails an addTask while a worker
// starts the next task from the end of the previous one and a handler asks
// for the last error: the handler reads either no error or the whole one.
TEST_F(ComponentTest, PropertiesAndLastErrorWhileWorkersRun) {
  const std::string missing = scratch.file("missing.mov");
  ASSERT_LT(engine.addTask(missing), 0);
  const std::string failure = engine.lastErrorMessage();
  ASSERT_FALSE(failure.empty());
  engine.clearTasks();  // clears the last error too
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(addConvertible(coreSource(1.0), "props" + std::to_string(i) + ".avi"), i);
  EventRecorder rec(engine);
  auto unexpected = std::make_shared<std::vector<std::string>>();
  {
    std::scoped_lock held(engine);
    engine.onProgress = [this, failure, unexpected](int32_t, const TaskProgress &) {
      const std::string text = engine.lastErrorMessage();
      if (!text.empty() && text != failure) unexpected->push_back(text);
    };
  }
  engine.setProgressInterval(100);
  engine.startConvert(1);
  for (int n = 0; !rec.waitForEndOfRun(2); ++n) {
    engine.setLogLevel(n % 2 ? LogLevel::Error : LogLevel::Info);
    engine.setProgressInterval(100 + n % 2 * 100);
    engine.setThreadPriority(n % 2 ? ConvertPriority::Lower : ConvertPriority::Normal);
    EXPECT_LT(engine.addTask(missing), 0);
  }
  const auto t = rec.terminations();
  ASSERT_EQ(t.size(), 4u);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(t[i].finished) << t[i].message;
  EXPECT_TRUE(unexpected->empty()) << unexpected->front();
}

TEST_F(ComponentTest, RemoveTaskRenumbers) {
  EventRecorder rec(engine);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(engine.addTask(coreSource(2.0)), i);
  const TranscodeTask *last = nullptr;
  engine.withTask(2, [&](TranscodeTask &t) { last = &t; });
  engine.removeTask(1);
  ASSERT_EQ(engine.taskCount(), 2);
  engine.withTask(1, [&](TranscodeTask &t) { EXPECT_EQ(&t, last); });
  EXPECT_EQ(last->index(), 1);
  engine.startConvert(0);  // no scheduler: runs here and now
  EXPECT_EQ(indexes(rec.terminations()), (std::vector<int>{0, 1, -1}));
}

TEST_F(ComponentTest, FreeingARunningTaskWaitsForItsWorker) {
  EventRecorder rec(engine);
  ASSERT_EQ(addConvertible(coreSource(5.0), "free.avi"), 0);
  engine.startConvert(1);
  engine.clearTasks();
  // The worker delivered its termination before the task was freed.
  const auto t = rec.terminations();
  ASSERT_GE(t.size(), 1u);
  EXPECT_EQ(t[0].index, 0);
  EXPECT_EQ(engine.taskCount(), 0);
  EXPECT_EQ(engine.lastErrorMessage(), "");
}

TEST_F(ComponentTest, DestroyingTheComponentDuringARun) {
  auto c = std::make_unique<MediaEngine>();
  ASSERT_EQ(c->addTask(coreSource(5.0)), 0);
  OutputOptions o{.vcodec = "mpeg4"};
  ASSERT_TRUE(c->setOutput(0, scratch.file("destroy.avi"), &o)) << c->lastErrorMessage();
  std::atomic<int> terms{0};
  c->onTerminate = [&](int32_t, bool, bool, const std::string &) { ++terms; };
  c->startConvert(1);
  c.reset();
  EXPECT_GE(terms.load(), 1);
}

}  // namespace
