#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "queue_fakes.h"
#include "test_env.h"

namespace fs = std::filesystem;

namespace {

std::string slurp(const std::string &p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class QueueTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  QueueRig rig;
  std::string out, src, scripts;

  void SetUp() override {
    out = dir.file("out");
    src = dir.file("src");
    scripts = dir.file("tmp/$$7777a/");
    fs::create_directories(out);
    fs::create_directories(src);
    JobSettings &s = rig.view.settings;
    s.outputFolder = out;
    s.outputType = "MP4";
    s.frameRateLabel = "Auto";
    s.aspectIndex = 0;
    s.volumeValue = 255;
    s.programFolder = "/opt/trevix/";
    s.scriptFolder = scripts;
    s.applyProfileOptions = [](OutputOptions &o) {
      o.vcodec = "mpeg4";
      o.acodec = "libfaac";
    };
  }
  // A source file that exists (the fake engine opens existing files).
  std::string source(const std::string &name, const std::string &folder = "") {
    const fs::path f = folder.empty() ? fs::path(src) : fs::path(dir.file(folder));
    fs::create_directories(f);
    const std::string p = (f / name).string();
    std::ofstream(p) << "source";
    return p;
  }
  std::vector<std::string> addTaskCalls() const {
    std::vector<std::string> r;
    for (const auto &c : rig.engine.calls)
      if (c.rfind("AddTask ", 0) == 0) r.push_back(c.substr(8));
    return r;
  }
};

}  // namespace

TEST_F(QueueTest, OnlyCheckedRowsAreConvertedInOrder) {
  for (int i = 0; i < 6; ++i)
    rig.rows.add(source("r" + std::to_string(i) + ".mov"), "640x480", "00:00:05", i == 1 || i == 3);
  rig.queue.buttonConvertClick();
  EXPECT_TRUE(rig.state.converting);
  EXPECT_TRUE(rig.timer.on);
  EXPECT_FALSE(rig.view.controlsEnabled);
  rig.runToEnd();
  EXPECT_EQ(addTaskCalls(), (std::vector<std::string>{src + "/r1.mov", src + "/r3.mov"}));
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(rig.rows.progress(i), (i == 1 || i == 3) ? "Done" : "") << i;
  EXPECT_EQ(rig.prompts.count("All Conversions Completed"), 1);
  EXPECT_EQ(rig.prompts.messages.size(), 1u);
  EXPECT_FALSE(rig.timer.on);
  EXPECT_FALSE(rig.state.converting);
  EXPECT_TRUE(rig.view.controlsEnabled);
  EXPECT_EQ(rig.view.bar, 0);
  // further ticks change nothing
  rig.queue.timerConvertAgainTimer();
  EXPECT_EQ(rig.prompts.count("All Conversions Completed"), 1);
}

TEST_F(QueueTest, AllUncheckedCompletesOnTheNextTick) {
  rig.rows.add(source("a.mov"), "640x480", "00:00:05", false);
  rig.rows.add(source("b.mov"), "640x480", "00:00:05", false);
  rig.queue.buttonConvertClick();
  EXPECT_TRUE(rig.prompts.messages.empty());  // not yet: on the next tick
  EXPECT_TRUE(rig.state.queueFinished);
  rig.queue.timerConvertAgainTimer();
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{"All Conversions Completed"});
  EXPECT_TRUE(addTaskCalls().empty());
  EXPECT_FALSE(rig.timer.on);
  EXPECT_TRUE(rig.view.controlsEnabled);
}

TEST_F(QueueTest, NextRowStartsOnTheSecondIdleTick) {
  rig.rows.add(source("a.mov"));
  rig.rows.add(source("b.mov"));
  rig.queue.buttonConvertClick();
  rig.engine.finish();
  rig.poster.pump();
  EXPECT_EQ(rig.rows.progress(0), "Done");
  EXPECT_FALSE(rig.state.converting);
  rig.queue.timerConvertAgainTimer();
  EXPECT_EQ(addTaskCalls().size(), 1u);
  rig.queue.timerConvertAgainTimer();
  EXPECT_EQ(addTaskCalls().size(), 2u);
  EXPECT_TRUE(rig.state.converting);
  EXPECT_EQ(rig.state.currentRow, 1);
  EXPECT_EQ(rig.engine.calls.back(), "StartConvert 1");
}

TEST_F(QueueTest, SameNameFromTwoFoldersIsMadeUnique) {
  rig.rows.add(source("a.mov", "one"));
  rig.rows.add(source("a.mp4", "two"));
  rig.queue.buttonConvertClick();
  rig.runToEnd();
  ASSERT_EQ(rig.engine.history.size(), 2u);
  EXPECT_EQ(rig.engine.history[0].output, out + "/a.mp4");
  EXPECT_EQ(rig.engine.history[1].output, out + "/a-1.mp4");
}

TEST_F(QueueTest, OverwriteReplacesTheFirstOutput) {
  rig.view.settings.overwrite = true;
  rig.rows.add(source("a.mov", "one"));
  rig.rows.add(source("a.mp4", "two"));
  rig.queue.buttonConvertClick();
  rig.runToEnd();
  ASSERT_EQ(rig.engine.history.size(), 2u);
  EXPECT_EQ(rig.engine.history[0].output, out + "/a.mp4");
  EXPECT_EQ(rig.engine.history[1].output, out + "/a.mp4");
  EXPECT_FALSE(fs::exists(out + "/a-1.mp4"));
  EXPECT_EQ(rig.rows.progress(1), "Done");
}

TEST_F(QueueTest, UpperCaseRmvbIsWrappedInAScript) {
  const std::string film = source("Film.RMVB");
  rig.rows.add(film);
  fs::create_directories(scripts);
  std::ofstream(scripts + "old.avs") << "stale";
  rig.queue.buttonConvertClick();
  EXPECT_FALSE(fs::exists(scripts + "old.avs"));  // scripts of earlier jobs go
  EXPECT_EQ(rig.rows.progress(0), "Loading");
  EXPECT_EQ(slurp(scripts + "r.avs"),
            "LoadPlugin(\"/opt/trevix/DirectShowSource.dll\")\r\n"
            "DirectShowSource(\"" + film + "\", fps=25, convertfps=true)\r\n");
  // Without script support in the libraries the source itself is opened.
  EXPECT_EQ(addTaskCalls(), std::vector<std::string>{film});
  rig.engine.progress(1, 100, 10, 1000);
  rig.poster.pump();
  EXPECT_EQ(rig.rows.progress(0), "10%");
  rig.runToEnd();
  EXPECT_EQ(rig.rows.progress(0), "Done");
}

TEST_F(QueueTest, RmvbScriptIsOpenedWhenTheLibrariesReadScripts) {
  rig.view.settings.aviSynthInput = true;
  rig.rows.add(source("film.rmvb"));
  rig.queue.buttonConvertClick();
  EXPECT_EQ(addTaskCalls(), std::vector<std::string>{scripts + "r.avs"});
  ASSERT_EQ(rig.engine.history.size(), 1u);
  EXPECT_EQ(rig.engine.history[0].in.fileName, scripts + "r.avs");
  EXPECT_EQ(rig.engine.history[0].output, out + "/film.mp4");
}

TEST_F(QueueTest, OutputRecordOfAJob) {
  rig.view.settings.volumeValue = 600;
  rig.view.settings.frameRateLabel = "29.97 fps [NTSC]";
  rig.rows.add(source("audio.m4a"), " ", "00:03:00");
  rig.rows.add(source("unknown.mov"), "1280x720", "Unknown");
  rig.rows.add(source("zero.mov"), "720x576", "00:00:00");
  rig.queue.buttonConvertClick();
  rig.runToEnd();
  ASSERT_EQ(rig.engine.history.size(), 3u);
  const OutputOptions &a = rig.engine.history[0].out;
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

  rig.view.settings.aspectIndex = 2;
  rig.rows.rows.resize(1);
  rig.engine.history.clear();
  rig.queue.buttonConvertClick();
  rig.runToEnd();
  ASSERT_EQ(rig.engine.history.size(), 1u);
  EXPECT_EQ(rig.engine.history[0].out.aspect, "16:9");
}

TEST_F(QueueTest, StopAnsweredNoContinues) {
  rig.rows.add(source("a.mov"));
  rig.queue.buttonConvertClick();
  rig.prompts.answerYes = false;
  bool pausedDuringQuestion = false;
  rig.prompts.duringQuestion = [&] { pausedDuringQuestion = rig.engine.paused; };
  rig.queue.buttonStopConvertClick();
  EXPECT_EQ(rig.prompts.questions, 1);
  EXPECT_TRUE(pausedDuringQuestion);
  EXPECT_FALSE(rig.engine.paused);
  EXPECT_TRUE(rig.engine.running());
  EXPECT_TRUE(rig.state.converting);
  EXPECT_TRUE(rig.timer.on);
  rig.runToEnd();
  EXPECT_EQ(rig.rows.progress(0), "Done");
  EXPECT_EQ(rig.prompts.count("All Conversions Completed"), 1);
}

TEST_F(QueueTest, StopAnsweredYesOnTheSecondOfThreeRows) {
  for (const char *n : {"a.mov", "b.mov", "c.mov"}) rig.rows.add(source(n));
  rig.prompts.answerYes = true;
  rig.queue.buttonConvertClick();
  rig.runToEnd([&](int row) {
    if (row == 1) rig.queue.buttonStopSmallClick();
  });
  EXPECT_EQ(rig.rows.progress(0), "Done");
  EXPECT_EQ(rig.rows.progress(1), "Abort");
  EXPECT_EQ(rig.rows.progress(2), "");
  EXPECT_EQ(rig.prompts.count("All Conversions Completed"), 0);
  EXPECT_EQ(addTaskCalls().size(), 2u);
  EXPECT_FALSE(rig.timer.on);
  EXPECT_TRUE(rig.view.controlsEnabled);
  EXPECT_TRUE(rig.state.userAborted);
  EXPECT_TRUE(rig.state.queueFinished);
  EXPECT_FALSE(rig.state.converting);
  EXPECT_TRUE(rig.engine.tasks.empty());  // cleared by the end-of-run notice
}

TEST_F(QueueTest, StopWithNothingRunningAsksNothing) {
  rig.view.disableControlsForConversion();
  rig.timer.on = true;
  rig.queue.buttonStopConvertClick();
  EXPECT_EQ(rig.prompts.questions, 0);
  EXPECT_TRUE(rig.view.controlsEnabled);
  EXPECT_FALSE(rig.timer.on);
  EXPECT_TRUE(rig.state.queueFinished);
  EXPECT_FALSE(rig.state.userAborted);
}

TEST_F(QueueTest, UnreadableSourceFailsAndTheQueueGoesOn) {
  rig.rows.add(src + "/missing.mov");
  rig.rows.add(source("good.mov"));
  rig.queue.buttonConvertClick();
  EXPECT_EQ(rig.rows.progress(0), "Fail");
  EXPECT_FALSE(rig.state.converting);
  rig.runToEnd();
  EXPECT_EQ(rig.rows.progress(0), "Fail");
  EXPECT_EQ(rig.rows.progress(1), "Done");
  EXPECT_EQ(rig.prompts.count("All Conversions Completed"), 1);
}

TEST_F(QueueTest, UnreadableLastSourceCompletesAtOnce) {
  rig.rows.add(src + "/missing.mov");
  rig.queue.buttonConvertClick();
  EXPECT_EQ(rig.rows.progress(0), "Fail");
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{"All Conversions Completed"});
  EXPECT_FALSE(rig.timer.on);
  EXPECT_TRUE(rig.view.controlsEnabled);
  EXPECT_TRUE(rig.state.queueFinished);
}

TEST_F(QueueTest, RefusedOutputRemovesTheTask) {
  rig.rows.add(source("a.mov"));
  rig.rows.add(source("b.mov"));
  rig.engine.failOutputs.insert(out + "/a.mp4");
  rig.queue.buttonConvertClick();
  EXPECT_EQ(rig.rows.progress(0), "Fail");
  EXPECT_TRUE(rig.engine.tasks.empty());
  rig.runToEnd();
  EXPECT_EQ(rig.rows.progress(1), "Done");
}

TEST_F(QueueTest, UnreadableSettingFailsOnlyThatRow) {
  rig.rows.add(source("a.mov"));
  rig.rows.add(source("b.mov"));
  int jobs = 0;
  rig.view.settings.applyProfileOptions = [&jobs](OutputOptions &) {
    if (jobs++ == 0) throw std::runtime_error("'' is not a valid integer value");
  };
  rig.queue.buttonConvertClick();
  EXPECT_EQ(rig.rows.progress(0), "Fail");
  EXPECT_TRUE(rig.engine.tasks.empty());  // nothing left that could report "Done"
  rig.runToEnd();
  EXPECT_EQ(rig.rows.progress(0), "Fail");
  EXPECT_EQ(rig.rows.progress(1), "Done");
  EXPECT_EQ(rig.prompts.count("All Conversions Completed"), 1);
}

TEST_F(QueueTest, ASourceNamedWithBlanksAtItsEndIsConvertedItself) {
  // "clip.mov " is listed; "clip.mov" beside it is another file.
  const std::string padded = source("clip.mov ");
  source("clip.mov");
  rig.rows.add(padded);
  // Blanks around a caption that names no file are still removed.
  const std::string other = source("other.mov");
  rig.rows.add("  " + other + " ");
  rig.queue.buttonConvertClick();
  rig.runToEnd();
  EXPECT_EQ(addTaskCalls(), (std::vector<std::string>{padded, other}));
  EXPECT_EQ(rig.rows.progress(0), "Done");
  EXPECT_EQ(rig.rows.progress(1), "Done");
}

TEST_F(QueueTest, SourceEqualToOutputIsRefused) {
  rig.view.settings.overwrite = true;
  const std::string inOut = out + "/clip.mp4";
  std::ofstream(inOut) << "precious";
  rig.rows.add(inOut);
  rig.rows.add(source("other.mov"));
  rig.queue.buttonConvertClick();
  EXPECT_EQ(rig.rows.progress(0), "Fail");
  EXPECT_EQ(slurp(inOut), "precious");
  rig.runToEnd();
  EXPECT_EQ(slurp(inOut), "precious");
  EXPECT_EQ(addTaskCalls(), std::vector<std::string>{src + "/other.mov"});
  EXPECT_EQ(rig.rows.progress(1), "Done");
}

TEST_F(QueueTest, StartChecks) {
  rig.queue.buttonConvertClick();
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{"Please Add Files To Convert!"});
  EXPECT_FALSE(rig.state.converting);

  rig.rows.add(source("a.mov"));
  rig.rows.rows[0].texts[kProgressColumn] = "Done";
  rig.view.settings.outputFolder = "";
  rig.queue.buttonConvertClick();
  EXPECT_EQ(rig.prompts.messages.back(), "Please select an output folder!");
  EXPECT_EQ(rig.folder.opened, 1);
  EXPECT_EQ(rig.rows.progress(0), "");  // cleared before the checks

  rig.view.settings.outputFolder = dir.file("gone");
  rig.queue.buttonConvertClick();
  EXPECT_EQ(rig.prompts.messages.back(),
            "The output folder \"" + dir.file("gone") +
                "\"\n\rdoes not exist or has been deleted!\n\rPlease choose a new output folder.");
  EXPECT_EQ(rig.folder.opened, 2);
  EXPECT_FALSE(rig.state.converting);
  EXPECT_FALSE(rig.timer.on);
  EXPECT_TRUE(addTaskCalls().empty());

  rig.state.addingFiles = true;
  rig.view.settings.outputFolder = out;
  rig.queue.buttonConvertClick();
  EXPECT_FALSE(rig.state.converting);
  EXPECT_EQ(rig.view.previewStops, 4);  // the preview stops on every press
}

TEST_F(QueueTest, ProgressTexts) {
  rig.rows.add(source("a.mov"));
  rig.queue.buttonConvertClick();
  rig.engine.progress(150, 3700, 1234567, 10000);
  rig.poster.pump();
  EXPECT_EQ(rig.rows.progress(0), "37%");
  EXPECT_EQ(rig.rows.rows[0].texts[kFramesColumn], "150");
  EXPECT_EQ(rig.view.fileSize, "File Size : 1235 KBytes");
  EXPECT_EQ(rig.view.bar, 37);
  EXPECT_EQ(rig.rows.madeVisible.back(), 0);

  rig.engine.progress(-1, 12000, 2000, 10000);  // past the end, no video
  rig.poster.pump();
  EXPECT_EQ(rig.rows.progress(0), "100%");
  EXPECT_EQ(rig.rows.rows[0].texts[kFramesColumn], " ");
  EXPECT_EQ(rig.view.bar, 100);

  rig.engine.progress(99, 83500, 2000, -1);  // length unknown
  rig.poster.pump();
  EXPECT_EQ(rig.rows.progress(0), "00:01:23");
  EXPECT_EQ(rig.view.bar, 0);
  rig.engine.progress(99, 1000, 2000, 0);
  rig.poster.pump();
  EXPECT_EQ(rig.rows.progress(0), "00:00:01");

  rig.engine.finish(true);
  rig.poster.pump();
  EXPECT_EQ(rig.rows.progress(0), "Fail");
}

TEST_F(QueueTest, EventsAreAppliedInTheOrderRaised) {
  rig.rows.add(source("a.mov"));
  rig.queue.buttonConvertClick();
  rig.engine.progress(1, 100, 10, 1000);
  rig.engine.progress(2, 900, 10, 1000);
  rig.engine.finish();
  EXPECT_EQ(rig.rows.progress(0), "");  // nothing happens on the engine's thread
  EXPECT_TRUE(rig.state.converting);
  rig.poster.pump();
  EXPECT_EQ(rig.rows.progress(0), "Done");
  EXPECT_EQ(rig.rows.rows[0].texts[kFramesColumn], "2");
}

TEST_F(QueueTest, LateEventsOfAStoppedRunDoNotTouchTheNextRun) {
  rig.rows.add(source("a.mov"));
  rig.rows.add(source("b.mov"));
  rig.prompts.answerYes = true;
  rig.queue.buttonConvertClick();
  rig.queue.buttonStopConvertClick();
  // The stopped task ends on its thread, but its events are still queued
  // when the user starts again.
  rig.engine.finish();
  rig.rows.rows[0].checked = false;
  rig.queue.buttonConvertClick();
  EXPECT_EQ(rig.state.currentRow, 1);
  rig.poster.pump();
  EXPECT_TRUE(rig.state.converting);  // the old "end" did not end this run
  EXPECT_EQ(rig.rows.progress(1), "");
  rig.runToEnd();
  EXPECT_EQ(rig.rows.progress(1), "Done");
}

TEST_F(QueueTest, TimerWaitsWhileTheStopQuestionIsOpen) {
  rig.rows.add(source("a.mov"));
  rig.rows.add(source("b.mov"));
  rig.queue.buttonConvertClick();
  rig.prompts.answerYes = false;
  rig.prompts.duringQuestion = [&] {
    // the task ends just as the question opens; the UI keeps running
    rig.engine.finish();
    rig.poster.pump();
    for (int i = 0; i < 5; ++i) rig.queue.timerConvertAgainTimer();
  };
  rig.queue.buttonStopConvertClick();
  EXPECT_EQ(addTaskCalls().size(), 1u);  // the next row waited for the answer
  rig.runToEnd();
  EXPECT_EQ(rig.rows.progress(1), "Done");
}

TEST_F(QueueTest, DetachedQueueIgnoresLateEvents) {
  rig.rows.add(source("a.mov"));
  rig.queue.buttonConvertClick();
  rig.engine.progress(1, 100, 10, 1000);
  rig.queue.disconnectEngineEvents();
  rig.engine.finish();
  rig.poster.pump();
  EXPECT_EQ(rig.rows.progress(0), "");
  EXPECT_TRUE(rig.poster.queue.empty());
}
