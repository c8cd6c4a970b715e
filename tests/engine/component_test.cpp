// The engine component: properties, task list, scheduling in timer and
// thread mode, termination order, stop, pause and resume.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "core_test_util.h"
#include "ffmpeg_core.h"
#include "ffmpeg_vcl.h"
#include "test_env.h"

namespace fs = std::filesystem;

namespace {

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireLibraries();
    ASSERT_TRUE(vcl.LoadAVLib(TREVIX_COMMON_DIR, true));
    vcl.SetLogLevel(llError);
  }
  // A task that will transcode `source` into a small AVI.
  int AddConvertible(const std::string &source, const std::string &name) {
    const int i = vcl.AddTask(source);
    if (i < 0) return i;
    TOutputOptions o;
    o.vcodec = "mpeg4";
    o.acodec = "mp2";
    o.frameSize = "160x120";
    if (!vcl.SetOutput(i, scratch.file(name), &o)) return -1;
    return i;
  }
  std::vector<int> Indexes(const std::vector<TTerminateRecord> &t) {
    std::vector<int> v;
    for (const auto &r : t) v.push_back(r.index);
    return v;
  }

  TScratchDir scratch;
  TFFmpegVCL vcl;
};

TEST_F(ComponentTest, PropertiesAndInitialState) {
  EXPECT_EQ(vcl.Version(), "2.0b");
  EXPECT_EQ(vcl.ProgressInterval(), 500);
  vcl.SetProgressInterval(50);
  EXPECT_EQ(vcl.ProgressInterval(), 100);
  vcl.SetProgressInterval(100);
  EXPECT_EQ(vcl.ProgressInterval(), 100);
  vcl.SetProgressInterval(101);
  EXPECT_EQ(vcl.ProgressInterval(), 101);
  EXPECT_EQ(vcl.ThreadPriority(), tpNormal);
  TFFmpegVCL fresh;
  EXPECT_EQ(fresh.LogLevel(), llInfo);
  EXPECT_EQ(fresh.ThreadCount(), 0);
  EXPECT_EQ(fresh.NextTaskIndex(), -1);
  EXPECT_EQ(fresh.PendingCount(), 0);
  EXPECT_EQ(fresh.FinishedCount(), 0);
  auto list = TCustomFFmpegVCL::ComponentList();
  EXPECT_EQ(std::count(list.begin(), list.end(), &fresh), 1);
}

TEST_F(ComponentTest, AddTaskFailuresLeaveNothingBehind) {
  const std::string missing = scratch.file("missing.mov");
  EXPECT_EQ(vcl.AddTask(missing), -1);
  EXPECT_EQ(vcl.LastErrorMessage(), missing + ": no such file or directory");

  const std::string empty = scratch.file("empty.mov");
  std::ofstream(empty).close();
  EXPECT_EQ(vcl.AddTask(empty), -1);
  EXPECT_EQ(vcl.LastErrorMessage().rfind(empty + ": ", 0), 0u) << vcl.LastErrorMessage();

  const std::string noise = scratch.file("noise.mov");
  {
    std::ofstream f(noise, std::ios::binary);
    std::mt19937 rng(7);
    for (int i = 0; i < 65536; ++i) f.put(static_cast<char>(rng() & 0xFF));
  }
  EXPECT_EQ(vcl.AddTask(noise), -1);
  EXPECT_EQ(vcl.LastErrorMessage(), noise + ": Unknown format");

  const std::string truncated = scratch.file("truncated.mov");
  {
    std::ifstream in(CoreSource(2.0), std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(truncated, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size() / 3));
  }
  const int t = vcl.AddTask(truncated);
  if (t < 0) {
    EXPECT_EQ(vcl.LastErrorMessage().rfind(truncated + ": ", 0), 0u) << vcl.LastErrorMessage();
  }

  TInputOptions in;
  in.format = "nosuchformat";
  EXPECT_EQ(vcl.AddTask(CoreSource(2.0), &in), -1);
  EXPECT_EQ(vcl.LastErrorMessage(), "Unknown input format: nosuchformat");

  // Only the four files the test wrote are there.
  int files = 0;
  for (const auto &e : fs::directory_iterator(scratch.path())) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 3);
  EXPECT_EQ(vcl.TaskCount(), t < 0 ? 0 : 1);
}

TEST_F(ComponentTest, AddTaskWritesTheFileNameBackAndOpensTheInput) {
  TInputOptions in;
  const std::string src = CoreSource(2.0);
  const int i = vcl.AddTask(src, &in);
  ASSERT_EQ(i, 0) << vcl.LastErrorMessage();
  EXPECT_EQ(in.fileName, src);
  TFFmpeg &t = vcl.Task(0);
  ASSERT_EQ(t.InputFiles.size(), 1u);
  EXPECT_EQ(t.Options.frameWidth, 320);
  EXPECT_EQ(t.Options.frameHeight, 240);
  EXPECT_EQ(t.Options.videoFrameRate.num, 25);
  EXPECT_EQ(t.Options.audioSampleRate, 44100);
  EXPECT_NEAR(t.Options.expectedDurationMs, 2000, 100);
  EXPECT_NEAR(t.Options.frameAspectRatio, 4.0 / 3.0, 1e-3);
}

TEST_F(ComponentTest, InputOptionsReachTheOpening) {
  TInputOptions in;
  in.startTimeMs = 1000;
  in.extraOptions = "vn\nitsoffset=0.5";
  const int i = vcl.AddTask(CoreSource(2.0), &in);
  ASSERT_EQ(i, 0) << vcl.LastErrorMessage();
  const TInputFile &f = vcl.Task(0).InputFiles[0];
  EXPECT_EQ(f.startTime, 1000000 + (f.ctx->start_time == AV_NOPTS_VALUE ? 0 : f.ctx->start_time));
  EXPECT_EQ(f.tsOffset, 500000 - f.startTime);
  EXPECT_EQ(vcl.Task(0).Options.inputStartTime, 0);  // consumed by the seek
  bool videoDiscarded = false;
  for (const auto &s : f.streams)
    if (s.type == AVMEDIA_TYPE_VIDEO) videoDiscarded = s.stream->discard == AVDISCARD_ALL;
  EXPECT_TRUE(videoDiscarded);
}

TEST_F(ComponentTest, SetOutputErrors) {
  ASSERT_EQ(vcl.AddTask(CoreSource(2.0)), 0);
  ASSERT_EQ(vcl.AddTask(CoreSource(2.0)), 1);
  EXPECT_THROW(vcl.SetOutput(5, scratch.file("x.avi")), std::out_of_range);
  TOutputOptions o;
  o.format = "nosuch";
  EXPECT_FALSE(vcl.SetOutput(1, scratch.file("x.avi"), &o));
  EXPECT_EQ(vcl.LastErrorMessage(), "Unknown output format: nosuch");
  EXPECT_EQ(o.fileName, scratch.file("x.avi"));
  EXPECT_THROW(vcl.RemoveTask(2), std::out_of_range);
}

TEST_F(ComponentTest, VcdTargetWithoutVideoInput) {
  ASSERT_EQ(vcl.AddTask(CoreAudioOnlySource()), 0) << vcl.LastErrorMessage();
  TOutputOptions o;
  o.target = 1;
  EXPECT_FALSE(vcl.SetOutput(0, scratch.file("v.mpg"), &o));
  EXPECT_EQ(vcl.LastErrorMessage(), "frame_rate is invalid.");
}

// Timer mode: each task starts 100 ms after the previous one ended, on the
// thread that pumps the scheduler.
void TimerModeRun(int threadCount) {
  TPumpedScheduler scheduler;
  TScratchDir scratch;
  TFFmpegVCL vcl(&scheduler);
  ASSERT_TRUE(vcl.LoadAVLib(TREVIX_COMMON_DIR, true));
  TEventRecorder rec(vcl);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(vcl.AddTask(CoreSource(2.0)), i);  // no output: each fails at start
  vcl.StartConvert(threadCount);
  EXPECT_EQ(vcl.ThreadCount(), threadCount);
  EXPECT_TRUE(rec.Terminations().empty());
  vcl.Pause();  // changes nothing in timer mode
  for (int step = 0; step < 3; ++step) {
    ASSERT_EQ(scheduler.PumpOnce(), 1) << "step " << step;
    EXPECT_EQ(rec.Terminations().size(), static_cast<size_t>(step + 1 + (step == 2 ? 1 : 0)));
  }
  EXPECT_EQ(scheduler.Pending(), 0u);
  for (int d : scheduler.delays) EXPECT_EQ(d, 100);
  const auto t = rec.Terminations();
  ASSERT_EQ(t.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(t[i].index, i);
    EXPECT_FALSE(t[i].finished);
    EXPECT_TRUE(t[i].exception);
    EXPECT_EQ(t[i].message, "Must supply at least one output file");
    EXPECT_EQ(t[i].thread, std::this_thread::get_id());
  }
  EXPECT_EQ(t[3].index, -1);
  EXPECT_TRUE(t[3].finished);
  EXPECT_FALSE(t[3].exception);
  EXPECT_EQ(t[3].message, "");
}

TEST_F(ComponentTest, TimerModeZeroThreads) { TimerModeRun(0); }
TEST_F(ComponentTest, TimerModeNegativeThreads) { TimerModeRun(-5); }

TEST_F(ComponentTest, EmptyListStartsNothing) {
  TEventRecorder rec(vcl);
  vcl.StartConvert(1);
  vcl.StartConvert(0);
  EXPECT_TRUE(rec.Terminations().empty());
}

TEST_F(ComponentTest, OneThreadRunsTasksOneAfterAnother) {
  TEventRecorder rec(vcl);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(AddConvertible(CoreSource(1.0), "one" + std::to_string(i) + ".avi"), i);
  vcl.Lock();  // events wait, so the starts can be looked at
  vcl.StartConvert(1);
  EXPECT_TRUE(Eventually([&] { return vcl.Task(0).ThreadId != 0; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(vcl.Task(1).ThreadId.load(), 0u);
  EXPECT_EQ(vcl.Task(2).ThreadId.load(), 0u);
  EXPECT_EQ(vcl.PendingCount(), 2);
  vcl.Unlock();
  ASSERT_TRUE(rec.WaitForEndOfRun());
  const auto t = rec.Terminations();
  EXPECT_EQ(Indexes(t), (std::vector<int>{0, 1, 2, -1}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(t[i].finished) << t[i].message;
    EXPECT_FALSE(t[i].exception) << t[i].message;
    EXPECT_NE(t[i].thread, std::this_thread::get_id());
  }
  EXPECT_EQ(vcl.FinishedCount(), 3);
}

TEST_F(ComponentTest, ThreeThreadsOverFiveTasks) {
  TEventRecorder rec(vcl);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(AddConvertible(CoreSource(1.0), "three" + std::to_string(i) + ".avi"), i);
  vcl.Lock();
  vcl.StartConvert(3);
  EXPECT_TRUE(Eventually([&] {
    return vcl.Task(0).ThreadId != 0 && vcl.Task(1).ThreadId != 0 && vcl.Task(2).ThreadId != 0;
  }));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(vcl.Task(3).ThreadId.load(), 0u);
  EXPECT_EQ(vcl.Task(4).ThreadId.load(), 0u);
  EXPECT_EQ(vcl.PendingCount(), 2);
  EXPECT_EQ(vcl.NextTaskIndex(), 3);
  vcl.Unlock();
  ASSERT_TRUE(rec.WaitForEndOfRun());
  const auto t = rec.Terminations();
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t.back().index, -1);
  std::vector<int> seen;
  for (size_t i = 0; i + 1 < t.size(); ++i) {
    seen.push_back(t[i].index);
    EXPECT_TRUE(t[i].finished) << t[i].message;
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
  // A second run over terminated tasks starts nothing and reports nothing.
  vcl.StartConvert(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(rec.Terminations().size(), 6u);
}

TEST_F(ComponentTest, StopWithTasksNeverStarted) {
  TEventRecorder rec(vcl);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(AddConvertible(CoreSource(5.0), "stop" + std::to_string(i) + ".avi"), i);
  vcl.SetProgressInterval(100);
  vcl.Lock();
  vcl.StartConvert(1);
  EXPECT_TRUE(Eventually([&] { return vcl.Task(0).ThreadId != 0; }));
  vcl.Stop();
  EXPECT_EQ(vcl.PendingCount(), 0);
  vcl.Unlock();
  ASSERT_TRUE(rec.WaitForEndOfRun());
  const auto t = rec.Terminations();
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
  vcl.ClearTasks();
  EXPECT_FALSE(fs::exists(scratch.file("stop1.avi")));
  EXPECT_FALSE(fs::exists(scratch.file("stop2.avi")));
}

TEST_F(ComponentTest, StopBeforeAnyStart) {
  TEventRecorder rec(vcl);
  for (int i = 0; i < 2; ++i) ASSERT_EQ(vcl.AddTask(CoreSource(2.0)), i);
  vcl.Stop();
  ASSERT_TRUE(rec.WaitForEndOfRun(10000));
  const auto t = rec.Terminations();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t.back().index, -1);
  EXPECT_TRUE(vcl.Task(0).Terminated);
  vcl.Stop();  // already terminated: left alone
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(rec.Terminations().size(), 3u);
}

TEST_F(ComponentTest, PauseFreezesProgressAndResumeContinues) {
  TEventRecorder rec(vcl);
  ASSERT_EQ(AddConvertible(CoreSource(5.0), "pause.avi"), 0);
  vcl.SetProgressInterval(100);
  vcl.Lock();  // the worker cannot deliver anything before the pause
  vcl.StartConvert(1);
  ASSERT_TRUE(Eventually([&] { return vcl.Task(0).ThreadId != 0; }));
  vcl.Pause();
  vcl.Unlock();
  ASSERT_TRUE(vcl.Task(0).WaitUntilParked(10000));
  const int atPause = rec.ProgressCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(rec.ProgressCount(), atPause);
  EXPECT_TRUE(vcl.Task(0).Running);
  EXPECT_TRUE(rec.Terminations().empty());
  vcl.Pause();  // from a thread that does not hold the lock: returns once parked
  vcl.Resume();
  ASSERT_TRUE(rec.WaitForEndOfRun());
  EXPECT_GT(rec.ProgressCount(), atPause);
  const auto t = rec.Terminations();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_TRUE(t[0].finished) << t[0].message;
  EXPECT_FALSE(t[0].exception) << t[0].message;
}

TEST_F(ComponentTest, StopEndsAPausedTask) {
  TEventRecorder rec(vcl);
  ASSERT_EQ(AddConvertible(CoreSource(5.0), "pausestop.avi"), 0);
  vcl.Lock();
  vcl.StartConvert(1);
  ASSERT_TRUE(Eventually([&] { return vcl.Task(0).ThreadId != 0; }));
  vcl.Pause();
  vcl.Unlock();
  ASSERT_TRUE(vcl.Task(0).WaitUntilParked(10000));
  vcl.Stop();
  ASSERT_TRUE(rec.WaitForEndOfRun(20000));
  const auto t = rec.Terminations();
  EXPECT_FALSE(t[0].finished);
  EXPECT_FALSE(t[0].exception) << t[0].message;
}

TEST_F(ComponentTest, RemoveTaskRenumbers) {
  TEventRecorder rec(vcl);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(vcl.AddTask(CoreSource(2.0)), i);
  TFFmpeg *last = &vcl.Task(2);
  vcl.RemoveTask(1);
  ASSERT_EQ(vcl.TaskCount(), 2);
  EXPECT_EQ(&vcl.Task(1), last);
  EXPECT_EQ(last->Index, 1);
  vcl.StartConvert(0);  // no scheduler: runs here and now
  EXPECT_EQ(Indexes(rec.Terminations()), (std::vector<int>{0, 1, -1}));
}

TEST_F(ComponentTest, FreeingARunningTaskWaitsForItsWorker) {
  TEventRecorder rec(vcl);
  ASSERT_EQ(AddConvertible(CoreSource(5.0), "free.avi"), 0);
  vcl.StartConvert(1);
  vcl.ClearTasks();
  // The worker delivered its termination before the task was freed.
  const auto t = rec.Terminations();
  ASSERT_GE(t.size(), 1u);
  EXPECT_EQ(t[0].index, 0);
  EXPECT_EQ(vcl.TaskCount(), 0);
  EXPECT_EQ(vcl.LastErrorMessage(), "");
}

TEST_F(ComponentTest, DestroyingTheComponentDuringARun) {
  auto c = std::make_unique<TFFmpegVCL>();
  ASSERT_EQ(c->AddTask(CoreSource(5.0)), 0);
  TOutputOptions o;
  o.vcodec = "mpeg4";
  ASSERT_TRUE(c->SetOutput(0, scratch.file("destroy.avi"), &o)) << c->LastErrorMessage();
  std::atomic<int> terms{0};
  c->OnTerminate = [&](int32_t, bool, bool, const std::string &) { ++terms; };
  c->StartConvert(1);
  c.reset();
  EXPECT_GE(terms.load(), 1);
}

}  // namespace
