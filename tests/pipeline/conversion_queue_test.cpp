#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "queue_fakes.h"
#include "test_env.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string &p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class QueueTest : public ::testing::Test {
 protected:
  TScratchDir dir;
  TQueueRig rig;
  std::string out, src, scripts;

  void SetUp() override {
    out = dir.file("out");
    src = dir.file("src");
    scripts = dir.file("tmp/$$7777a/");
    fs::create_directories(out);
    fs::create_directories(src);
    TJobSettings &s = rig.view.settings;
    s.OutputFolder = out;
    s.OutputType = "MP4";
    s.FrameRateLabel = "Auto";
    s.AspectIndex = 0;
    s.VolumeValue = 255;
    s.ProgramFolder = "/opt/trevix/";
    s.ScriptFolder = scripts;
    s.ApplyProfileOptions = [](TOutputOptions &o) {
      o.vcodec = "mpeg4";
      o.acodec = "libfaac";
    };
  }
  // A source file that exists (the fake engine opens existing files).
  std::string Source(const std::string &name, const std::string &folder = "") {
    const fs::path f = folder.empty() ? fs::path(src) : fs::path(dir.file(folder));
    fs::create_directories(f);
    const std::string p = (f / name).string();
    std::ofstream(p) << "source";
    return p;
  }
  std::vector<std::string> AddTaskCalls() const {
    std::vector<std::string> r;
    for (const auto &c : rig.engine.calls)
      if (c.rfind("AddTask ", 0) == 0) r.push_back(c.substr(8));
    return r;
  }
};

}  // namespace

TEST_F(QueueTest, OnlyCheckedRowsAreConvertedInOrder) {
  for (int i = 0; i < 6; ++i)
    rig.rows.Add(Source("r" + std::to_string(i) + ".mov"), "640x480", "00:00:05", i == 1 || i == 3);
  rig.queue.ButtonConvertClick();
  EXPECT_TRUE(rig.state.Converting);
  EXPECT_TRUE(rig.timer.enabled);
  EXPECT_FALSE(rig.view.controlsEnabled);
  rig.RunToEnd();
  EXPECT_EQ(AddTaskCalls(), (std::vector<std::string>{src + "/r1.mov", src + "/r3.mov"}));
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(rig.rows.Progress(i), (i == 1 || i == 3) ? "Done" : "") << i;
  EXPECT_EQ(rig.prompts.Count("All Conversions Completed"), 1);
  EXPECT_EQ(rig.prompts.messages.size(), 1u);
  EXPECT_FALSE(rig.timer.enabled);
  EXPECT_FALSE(rig.state.Converting);
  EXPECT_TRUE(rig.view.controlsEnabled);
  EXPECT_EQ(rig.view.bar, 0);
  // further ticks change nothing
  rig.queue.TimerConvertAgainTimer();
  EXPECT_EQ(rig.prompts.Count("All Conversions Completed"), 1);
}

TEST_F(QueueTest, AllUncheckedCompletesOnTheNextTick) {
  rig.rows.Add(Source("a.mov"), "640x480", "00:00:05", false);
  rig.rows.Add(Source("b.mov"), "640x480", "00:00:05", false);
  rig.queue.ButtonConvertClick();
  EXPECT_TRUE(rig.prompts.messages.empty());  // not yet: on the next tick
  EXPECT_TRUE(rig.state.QueueFinished);
  rig.queue.TimerConvertAgainTimer();
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{"All Conversions Completed"});
  EXPECT_TRUE(AddTaskCalls().empty());
  EXPECT_FALSE(rig.timer.enabled);
  EXPECT_TRUE(rig.view.controlsEnabled);
}

TEST_F(QueueTest, NextRowStartsOnTheSecondIdleTick) {
  rig.rows.Add(Source("a.mov"));
  rig.rows.Add(Source("b.mov"));
  rig.queue.ButtonConvertClick();
  rig.engine.Finish();
  rig.poster.Pump();
  EXPECT_EQ(rig.rows.Progress(0), "Done");
  EXPECT_FALSE(rig.state.Converting);
  rig.queue.TimerConvertAgainTimer();
  EXPECT_EQ(AddTaskCalls().size(), 1u);
  rig.queue.TimerConvertAgainTimer();
  EXPECT_EQ(AddTaskCalls().size(), 2u);
  EXPECT_TRUE(rig.state.Converting);
  EXPECT_EQ(rig.state.CurrentRow, 1);
  EXPECT_EQ(rig.engine.calls.back(), "StartConvert 1");
}

TEST_F(QueueTest, SameNameFromTwoFoldersIsMadeUnique) {
  rig.rows.Add(Source("a.mov", "one"));
  rig.rows.Add(Source("a.mp4", "two"));
  rig.queue.ButtonConvertClick();
  rig.RunToEnd();
  ASSERT_EQ(rig.engine.history.size(), 2u);
  EXPECT_EQ(rig.engine.history[0].output, out + "/a.mp4");
  EXPECT_EQ(rig.engine.history[1].output, out + "/a-1.mp4");
}

TEST_F(QueueTest, OverwriteReplacesTheFirstOutput) {
  rig.view.settings.Overwrite = true;
  rig.rows.Add(Source("a.mov", "one"));
  rig.rows.Add(Source("a.mp4", "two"));
  rig.queue.ButtonConvertClick();
  rig.RunToEnd();
  ASSERT_EQ(rig.engine.history.size(), 2u);
  EXPECT_EQ(rig.engine.history[0].output, out + "/a.mp4");
  EXPECT_EQ(rig.engine.history[1].output, out + "/a.mp4");
  EXPECT_FALSE(fs::exists(out + "/a-1.mp4"));
  EXPECT_EQ(rig.rows.Progress(1), "Done");
}

TEST_F(QueueTest, UpperCaseRmvbIsWrappedInAScript) {
  const std::string film = Source("Film.RMVB");
  rig.rows.Add(film);
  fs::create_directories(scripts);
  std::ofstream(scripts + "old.avs") << "stale";
  rig.queue.ButtonConvertClick();
  EXPECT_FALSE(fs::exists(scripts + "old.avs"));  // scripts of earlier jobs go
  EXPECT_EQ(rig.rows.Progress(0), "Loading");
  EXPECT_EQ(Slurp(scripts + "r.avs"),
            "LoadPlugin(\"/opt/trevix/DirectShowSource.dll\")\r\n"
            "DirectShowSource(\"" + film + "\", fps=25, convertfps=true)\r\n");
  // Without script support in the libraries the source itself is opened.
  EXPECT_EQ(AddTaskCalls(), std::vector<std::string>{film});
  rig.engine.Progress(1, 100, 10, 1000);
  rig.poster.Pump();
  EXPECT_EQ(rig.rows.Progress(0), "10%");
  rig.RunToEnd();
  EXPECT_EQ(rig.rows.Progress(0), "Done");
}

TEST_F(QueueTest, RmvbScriptIsOpenedWhenTheLibrariesReadScripts) {
  rig.view.settings.AviSynthInput = true;
  rig.rows.Add(Source("film.rmvb"));
  rig.queue.ButtonConvertClick();
  EXPECT_EQ(AddTaskCalls(), std::vector<std::string>{scripts + "r.avs"});
  ASSERT_EQ(rig.engine.history.size(), 1u);
  EXPECT_EQ(rig.engine.history[0].in.fileName, scripts + "r.avs");
  EXPECT_EQ(rig.engine.history[0].output, out + "/film.mp4");
}

TEST_F(QueueTest, OutputRecordOfAJob) {
  rig.view.settings.VolumeValue = 600;
  rig.view.settings.FrameRateLabel = "29.97 fps [NTSC]";
  rig.rows.Add(Source("audio.m4a"), " ", "00:03:00");
  rig.rows.Add(Source("unknown.mov"), "1280x720", "Unknown");
  rig.rows.Add(Source("zero.mov"), "720x576", "00:00:00");
  rig.queue.ButtonConvertClick();
  rig.RunToEnd();
  ASSERT_EQ(rig.engine.history.size(), 3u);
  const TOutputOptions &a = rig.engine.history[0].out;
  EXPECT_EQ(a.aspect, "1.3333");  // no video: taken as 640x480
  EXPECT_EQ(a.recordingTimeMs, -1);
  EXPECT_EQ(a.vol, 600);
  EXPECT_EQ(a.frameRate, "29.97");
  EXPECT_EQ(a.vcodec, "mpeg4");
  EXPECT_EQ(rig.engine.history[0].in.startTimeMs, 0);
  EXPECT_EQ(rig.engine.history[1].out.recordingTimeMs, 36000000);  // 10 hours
  EXPECT_EQ(rig.engine.history[1].out.aspect, "1.7778");
  EXPECT_EQ(rig.engine.history[2].out.recordingTimeMs, 36000000);
  EXPECT_EQ(rig.engine.history[2].out.aspect, "1.25");

  rig.view.settings.AspectIndex = 2;
  rig.rows.rows.resize(1);
  rig.engine.history.clear();
  rig.queue.ButtonConvertClick();
  rig.RunToEnd();
  ASSERT_EQ(rig.engine.history.size(), 1u);
  EXPECT_EQ(rig.engine.history[0].out.aspect, "16:9");
}

TEST_F(QueueTest, StopAnsweredNoContinues) {
  rig.rows.Add(Source("a.mov"));
  rig.queue.ButtonConvertClick();
  rig.prompts.answerYes = false;
  bool pausedDuringQuestion = false;
  rig.prompts.duringQuestion = [&] { pausedDuringQuestion = rig.engine.paused; };
  rig.queue.ButtonStopConvertClick();
  EXPECT_EQ(rig.prompts.questions, 1);
  EXPECT_TRUE(pausedDuringQuestion);
  EXPECT_FALSE(rig.engine.paused);
  EXPECT_TRUE(rig.engine.Running());
  EXPECT_TRUE(rig.state.Converting);
  EXPECT_TRUE(rig.timer.enabled);
  rig.RunToEnd();
  EXPECT_EQ(rig.rows.Progress(0), "Done");
  EXPECT_EQ(rig.prompts.Count("All Conversions Completed"), 1);
}

TEST_F(QueueTest, StopAnsweredYesOnTheSecondOfThreeRows) {
  for (const char *n : {"a.mov", "b.mov", "c.mov"}) rig.rows.Add(Source(n));
  rig.prompts.answerYes = true;
  rig.queue.ButtonConvertClick();
  rig.RunToEnd([&](int row) {
    if (row == 1) rig.queue.ButtonStopSmallClick();
  });
  EXPECT_EQ(rig.rows.Progress(0), "Done");
  EXPECT_EQ(rig.rows.Progress(1), "Abort");
  EXPECT_EQ(rig.rows.Progress(2), "");
  EXPECT_EQ(rig.prompts.Count("All Conversions Completed"), 0);
  EXPECT_EQ(AddTaskCalls().size(), 2u);
  EXPECT_FALSE(rig.timer.enabled);
  EXPECT_TRUE(rig.view.controlsEnabled);
  EXPECT_TRUE(rig.state.UserAborted);
  EXPECT_TRUE(rig.state.QueueFinished);
  EXPECT_FALSE(rig.state.Converting);
  EXPECT_TRUE(rig.engine.tasks.empty());  // cleared by the end-of-run notice
}

TEST_F(QueueTest, StopWithNothingRunningAsksNothing) {
  rig.view.DisableControlsForConversion();
  rig.timer.enabled = true;
  rig.queue.ButtonStopConvertClick();
  EXPECT_EQ(rig.prompts.questions, 0);
  EXPECT_TRUE(rig.view.controlsEnabled);
  EXPECT_FALSE(rig.timer.enabled);
  EXPECT_TRUE(rig.state.QueueFinished);
  EXPECT_FALSE(rig.state.UserAborted);
}

TEST_F(QueueTest, UnreadableSourceFailsAndTheQueueGoesOn) {
  rig.rows.Add(src + "/missing.mov");
  rig.rows.Add(Source("good.mov"));
  rig.queue.ButtonConvertClick();
  EXPECT_EQ(rig.rows.Progress(0), "Fail");
  EXPECT_FALSE(rig.state.Converting);
  rig.RunToEnd();
  EXPECT_EQ(rig.rows.Progress(0), "Fail");
  EXPECT_EQ(rig.rows.Progress(1), "Done");
  EXPECT_EQ(rig.prompts.Count("All Conversions Completed"), 1);
}

TEST_F(QueueTest, UnreadableLastSourceCompletesAtOnce) {
  rig.rows.Add(src + "/missing.mov");
  rig.queue.ButtonConvertClick();
  EXPECT_EQ(rig.rows.Progress(0), "Fail");
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{"All Conversions Completed"});
  EXPECT_FALSE(rig.timer.enabled);
  EXPECT_TRUE(rig.view.controlsEnabled);
  EXPECT_TRUE(rig.state.QueueFinished);
}

TEST_F(QueueTest, RefusedOutputRemovesTheTask) {
  rig.rows.Add(Source("a.mov"));
  rig.rows.Add(Source("b.mov"));
  rig.engine.failOutputs.insert(out + "/a.mp4");
  rig.queue.ButtonConvertClick();
  EXPECT_EQ(rig.rows.Progress(0), "Fail");
  EXPECT_TRUE(rig.engine.tasks.empty());
  rig.RunToEnd();
  EXPECT_EQ(rig.rows.Progress(1), "Done");
}

TEST_F(QueueTest, UnreadableSettingFailsOnlyThatRow) {
  rig.rows.Add(Source("a.mov"));
  rig.rows.Add(Source("b.mov"));
  int jobs = 0;
  rig.view.settings.ApplyProfileOptions = [&jobs](TOutputOptions &) {
    if (jobs++ == 0) throw std::runtime_error("'' is not a valid integer value");
  };
  rig.queue.ButtonConvertClick();
  EXPECT_EQ(rig.rows.Progress(0), "Fail");
  EXPECT_TRUE(rig.engine.tasks.empty());  // nothing left that could report "Done"
  rig.RunToEnd();
  EXPECT_EQ(rig.rows.Progress(0), "Fail");
  EXPECT_EQ(rig.rows.Progress(1), "Done");
  EXPECT_EQ(rig.prompts.Count("All Conversions Completed"), 1);
}

TEST_F(QueueTest, ASourceNamedWithBlanksAtItsEndIsConvertedItself) {
  // "clip.mov " is listed; "clip.mov" beside it is another file.
  const std::string padded = Source("clip.mov ");
  Source("clip.mov");
  rig.rows.Add(padded);
  // Blanks around a caption that names no file are still removed.
  const std::string other = Source("other.mov");
  rig.rows.Add("  " + other + " ");
  rig.queue.ButtonConvertClick();
  rig.RunToEnd();
  EXPECT_EQ(AddTaskCalls(), (std::vector<std::string>{padded, other}));
  EXPECT_EQ(rig.rows.Progress(0), "Done");
  EXPECT_EQ(rig.rows.Progress(1), "Done");
}

TEST_F(QueueTest, SourceEqualToOutputIsRefused) {
  rig.view.settings.Overwrite = true;
  const std::string inOut = out + "/clip.mp4";
  std::ofstream(inOut) << "precious";
  rig.rows.Add(inOut);
  rig.rows.Add(Source("other.mov"));
  rig.queue.ButtonConvertClick();
  EXPECT_EQ(rig.rows.Progress(0), "Fail");
  EXPECT_EQ(Slurp(inOut), "precious");
  rig.RunToEnd();
  EXPECT_EQ(Slurp(inOut), "precious");
  EXPECT_EQ(AddTaskCalls(), std::vector<std::string>{src + "/other.mov"});
  EXPECT_EQ(rig.rows.Progress(1), "Done");
}

TEST_F(QueueTest, StartChecks) {
  rig.queue.ButtonConvertClick();
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{"Please Add Files To Convert!"});
  EXPECT_FALSE(rig.state.Converting);

  rig.rows.Add(Source("a.mov"));
  rig.rows.rows[0].texts[scProgress] = "Done";
  rig.view.settings.OutputFolder = "";
  rig.queue.ButtonConvertClick();
  EXPECT_EQ(rig.prompts.messages.back(), "Please select an output folder!");
  EXPECT_EQ(rig.folder.opened, 1);
  EXPECT_EQ(rig.rows.Progress(0), "");  // cleared before the checks

  rig.view.settings.OutputFolder = dir.file("gone");
  rig.queue.ButtonConvertClick();
  EXPECT_EQ(rig.prompts.messages.back(),
            "The output folder \"" + dir.file("gone") +
                "\"\n\rdoes not exist or has been deleted!\n\rPlease choose a new output folder.");
  EXPECT_EQ(rig.folder.opened, 2);
  EXPECT_FALSE(rig.state.Converting);
  EXPECT_FALSE(rig.timer.enabled);
  EXPECT_TRUE(AddTaskCalls().empty());

  rig.state.AddingFiles = true;
  rig.view.settings.OutputFolder = out;
  rig.queue.ButtonConvertClick();
  EXPECT_FALSE(rig.state.Converting);
  EXPECT_EQ(rig.view.previewStops, 4);  // the preview stops on every press
}

TEST_F(QueueTest, ProgressTexts) {
  rig.rows.Add(Source("a.mov"));
  rig.queue.ButtonConvertClick();
  rig.engine.Progress(150, 3700, 1234567, 10000);
  rig.poster.Pump();
  EXPECT_EQ(rig.rows.Progress(0), "37%");
  EXPECT_EQ(rig.rows.rows[0].texts[scFrames], "150");
  EXPECT_EQ(rig.view.fileSize, "File Size : 1235 KBytes");
  EXPECT_EQ(rig.view.bar, 37);
  EXPECT_EQ(rig.rows.madeVisible.back(), 0);

  rig.engine.Progress(-1, 12000, 2000, 10000);  // past the end, no video
  rig.poster.Pump();
  EXPECT_EQ(rig.rows.Progress(0), "100%");
  EXPECT_EQ(rig.rows.rows[0].texts[scFrames], " ");
  EXPECT_EQ(rig.view.bar, 100);

  rig.engine.Progress(99, 83500, 2000, -1);  // length unknown
  rig.poster.Pump();
  EXPECT_EQ(rig.rows.Progress(0), "00:01:23");
  EXPECT_EQ(rig.view.bar, 0);
  rig.engine.Progress(99, 1000, 2000, 0);
  rig.poster.Pump();
  EXPECT_EQ(rig.rows.Progress(0), "00:00:01");

  rig.engine.Finish(true);
  rig.poster.Pump();
  EXPECT_EQ(rig.rows.Progress(0), "Fail");
}

TEST_F(QueueTest, EventsAreAppliedInTheOrderRaised) {
  rig.rows.Add(Source("a.mov"));
  rig.queue.ButtonConvertClick();
  rig.engine.Progress(1, 100, 10, 1000);
  rig.engine.Progress(2, 900, 10, 1000);
  rig.engine.Finish();
  EXPECT_EQ(rig.rows.Progress(0), "");  // nothing happens on the engine's thread
  EXPECT_TRUE(rig.state.Converting);
  rig.poster.Pump();
  EXPECT_EQ(rig.rows.Progress(0), "Done");
  EXPECT_EQ(rig.rows.rows[0].texts[scFrames], "2");
}

TEST_F(QueueTest, LateEventsOfAStoppedRunDoNotTouchTheNextRun) {
  rig.rows.Add(Source("a.mov"));
  rig.rows.Add(Source("b.mov"));
  rig.prompts.answerYes = true;
  rig.queue.ButtonConvertClick();
  rig.queue.ButtonStopConvertClick();
  // The stopped task ends on its thread, but its events are still queued
  // when the user starts again.
  rig.engine.Finish();
  rig.rows.rows[0].checked = false;
  rig.queue.ButtonConvertClick();
  EXPECT_EQ(rig.state.CurrentRow, 1);
  rig.poster.Pump();
  EXPECT_TRUE(rig.state.Converting);  // the old "end" did not end this run
  EXPECT_EQ(rig.rows.Progress(1), "");
  rig.RunToEnd();
  EXPECT_EQ(rig.rows.Progress(1), "Done");
}

TEST_F(QueueTest, TimerWaitsWhileTheStopQuestionIsOpen) {
  rig.rows.Add(Source("a.mov"));
  rig.rows.Add(Source("b.mov"));
  rig.queue.ButtonConvertClick();
  rig.prompts.answerYes = false;
  rig.prompts.duringQuestion = [&] {
    // the task ends just as the question opens; the UI keeps running
    rig.engine.Finish();
    rig.poster.Pump();
    for (int i = 0; i < 5; ++i) rig.queue.TimerConvertAgainTimer();
  };
  rig.queue.ButtonStopConvertClick();
  EXPECT_EQ(AddTaskCalls().size(), 1u);  // the next row waited for the answer
  rig.RunToEnd();
  EXPECT_EQ(rig.rows.Progress(1), "Done");
}

TEST_F(QueueTest, DetachedQueueIgnoresLateEvents) {
  rig.rows.Add(Source("a.mov"));
  rig.queue.ButtonConvertClick();
  rig.engine.Progress(1, 100, 10, 1000);
  rig.queue.DisconnectEngineEvents();
  rig.engine.Finish();
  rig.poster.Pump();
  EXPECT_EQ(rig.rows.Progress(0), "");
  EXPECT_TRUE(rig.poster.queue.empty());
}
