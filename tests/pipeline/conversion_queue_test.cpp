#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <stdexcept>
#include <tuple>

#include "queue_fakes.h"
#include "file_bytes.h"
#include "test_env.h"

namespace fs = std::filesystem;

namespace {

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
    s.frameRate = "25";
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
  for (int i = 0; i < 6; ++i) rig.add(source("r" + std::to_string(i) + ".mov"), probed(), i == 1 || i == 3);
  rig.queue.startConversion();
  EXPECT_TRUE(rig.state().converting);
  EXPECT_TRUE(rig.timer.on);
  EXPECT_FALSE(rig.view.controlsEnabled);
  rig.runToEnd();
  EXPECT_EQ(addTaskCalls(), (std::vector<std::string>{src + "/r1.mov", src + "/r3.mov"}));
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(rig.jobState(i), (i == 1 || i == 3) ? JobState::Done : JobState::Waiting) << i;
  EXPECT_EQ(rig.observer.count("run Completed"), 1);
  EXPECT_TRUE(rig.prompts.messages.empty());
  EXPECT_TRUE(rig.idle());
  EXPECT_EQ(rig.view.bar, 0);
  // further ticks change nothing
  rig.queue.onTimerTick();
  EXPECT_EQ(rig.observer.count("run Completed"), 1);
}

TEST_F(QueueTest, AllUncheckedCompletesOnTheNextTick) {
  rig.add(source("a.mov"), probed(), false);
  rig.add(source("b.mov"), probed(), false);
  rig.queue.startConversion();
  EXPECT_TRUE(rig.observer.events.empty());  // not yet: on the next tick
  EXPECT_TRUE(rig.state().queueFinished);
  rig.queue.onTimerTick();
  EXPECT_EQ(rig.observer.events, std::vector<std::string>{"run Completed"});
  EXPECT_TRUE(addTaskCalls().empty());
  EXPECT_TRUE(rig.idle());
}

TEST_F(QueueTest, NextRowStartsOnTheSecondIdleTick) {
  for (const char *name : {"a.mov", "b.mov"}) rig.add(source(name));
  rig.queue.startConversion();
  rig.engine.finish();
  rig.poster.pump();
  EXPECT_EQ(rig.jobState(0), JobState::Done);
  EXPECT_FALSE(rig.state().converting);
  rig.queue.onTimerTick();
  EXPECT_EQ(addTaskCalls().size(), 1u);
  rig.queue.onTimerTick();
  EXPECT_EQ(addTaskCalls().size(), 2u);
  EXPECT_TRUE(rig.state().converting);
  EXPECT_EQ(rig.state().currentRow, 1);
  EXPECT_EQ(rig.engine.calls.back(), "StartConvert 1");
}

TEST_F(QueueTest, SameNameFromTwoFoldersIsMadeUnique) {
  rig.add(source("a.mov", "one"));
  rig.add(source("a.mp4", "two"));
  rig.queue.startConversion();
  rig.runToEnd();
  ASSERT_EQ(rig.engine.history.size(), 2u);
  EXPECT_EQ(rig.engine.history[0].output, out + "/a.mp4");
  EXPECT_EQ(rig.engine.history[1].output, out + "/a-1.mp4");
}

TEST_F(QueueTest, OverwriteReplacesTheFirstOutput) {
  rig.view.settings.overwrite = true;
  rig.add(source("a.mov", "one"));
  rig.add(source("a.mp4", "two"));
  rig.queue.startConversion();
  rig.runToEnd();
  ASSERT_EQ(rig.engine.history.size(), 2u);
  EXPECT_EQ(rig.engine.history[0].output, out + "/a.mp4");
  EXPECT_EQ(rig.engine.history[1].output, out + "/a.mp4");
  EXPECT_FALSE(fs::exists(out + "/a-1.mp4"));
  EXPECT_EQ(rig.progress(1), "Done");
}

TEST_F(QueueTest, UpperCaseRmvbIsWrappedInAScript) {
  const std::string film = source("Film.RMVB");
  rig.add(film);
  fs::create_directories(scripts);
  std::ofstream(scripts + "old.avs") << "stale";
  rig.queue.startConversion();
  EXPECT_FALSE(fs::exists(scripts + "old.avs"));  // scripts of earlier jobs go
  EXPECT_EQ(rig.progress(0), "Loading");
  EXPECT_EQ(fileBytes(scripts + "r.avs"),
            "LoadPlugin(\"/opt/trevix/DirectShowSource.dll\")\r\n"
            "DirectShowSource(\"" + film + "\", fps=25, convertfps=true)\r\n");
  // Without script support in the libraries the source itself is opened.
  EXPECT_EQ(addTaskCalls(), std::vector<std::string>{film});
  rig.engine.progress(1, 100, 10, 1000);
  rig.poster.pump();
  EXPECT_EQ(rig.progress(0), "10%");
  rig.runToEnd();
  EXPECT_EQ(rig.progress(0), "Done");
}

TEST_F(QueueTest, RmvbScriptIsOpenedWhenTheLibrariesReadScripts) {
  rig.view.settings.aviSynthInput = true;
  rig.add(source("film.rmvb"));
  rig.queue.startConversion();
  EXPECT_EQ(addTaskCalls(), std::vector<std::string>{scripts + "r.avs"});
  ASSERT_EQ(rig.engine.history.size(), 1u);
  EXPECT_EQ(rig.engine.history[0].in.fileName, scripts + "r.avs");
  EXPECT_EQ(rig.engine.history[0].output, out + "/film.mp4");
}

TEST_F(QueueTest, OutputRecordOfAJob) {
  rig.view.settings.volumeValue = 600;
  rig.view.settings.frameRate = "29.97";
  rig.add(source("audio.m4a"), probed(0, 0, 180));      // no video
  rig.add(source("unknown.mov"), probed(1280, 720, -1));  // length unknown
  rig.add(source("zero.mov"), probed(720, 576, 0));       // shown as 00:00:00
  rig.queue.startConversion();
  rig.runToEnd();
  ASSERT_EQ(rig.engine.history.size(), 3u);
  const OutputOptions &a = rig.engine.history[0].out;
  // No video: the aspect taken as 640x480.
  EXPECT_EQ(std::tuple(a.aspect, a.recordingTimeMs, a.vol, a.frameRate, a.vcodec),
            std::tuple("1.3333", -1, 600, "29.97", "mpeg4"));
  EXPECT_EQ(rig.engine.history[0].in.startTimeMs, 0);
  EXPECT_EQ(rig.engine.history[1].out.recordingTimeMs, 36000000);  // 10 hours
  EXPECT_EQ(rig.engine.history[1].out.aspect, "1.7778");
  EXPECT_EQ(rig.engine.history[2].out.recordingTimeMs, 36000000);
  EXPECT_EQ(rig.engine.history[2].out.aspect, "1.25");

  rig.view.settings.aspectIndex = 2;
  rig.jobs.remove(2);
  rig.jobs.remove(1);
  rig.engine.history.clear();
  rig.queue.startConversion();
  rig.runToEnd();
  ASSERT_EQ(rig.engine.history.size(), 1u);
  EXPECT_EQ(rig.engine.history[0].out.aspect, "16:9");
}

TEST_F(QueueTest, StopAnsweredNoContinues) {
  rig.add(source("a.mov"));
  rig.queue.startConversion();
  rig.prompts.answerYes = false;
  bool pausedDuringQuestion = false;
  rig.prompts.duringQuestion = [&] { pausedDuringQuestion = rig.engine.paused; };
  rig.queue.stopAllConversions();
  EXPECT_EQ(rig.prompts.questions, 1);
  EXPECT_TRUE(pausedDuringQuestion);
  EXPECT_FALSE(rig.engine.paused);
  EXPECT_TRUE(rig.engine.running());
  EXPECT_TRUE(rig.state().converting);
  EXPECT_TRUE(rig.timer.on);
  rig.runToEnd();
  EXPECT_EQ(rig.progress(0), "Done");
  EXPECT_EQ(rig.observer.count("run Completed"), 1);
}

TEST_F(QueueTest, StopAnsweredYesOnTheSecondOfThreeRows) {
  for (const char *n : {"a.mov", "b.mov", "c.mov"}) rig.add(source(n));
  rig.prompts.answerYes = true;
  rig.queue.startConversion();
  rig.runToEnd([&](int row) {
    if (row == 1) rig.queue.stopAllConversions();
  });
  EXPECT_EQ(rig.progress(0), "Done");
  EXPECT_EQ(rig.progress(1), "Abort");
  EXPECT_EQ(rig.progress(2), "");
  EXPECT_EQ(rig.observer.count("run Completed"), 0);
  EXPECT_EQ(rig.observer.count("run Stopped"), 1);
  EXPECT_EQ(addTaskCalls().size(), 2u);
  EXPECT_TRUE(rig.idle());
  EXPECT_TRUE(rig.state().userAborted);
  EXPECT_TRUE(rig.state().queueFinished);
  EXPECT_TRUE(rig.engine.tasks.empty());  // cleared by the end-of-run notice
}

TEST_F(QueueTest, StopWithNothingRunningAsksNothing) {
  rig.view.controlsEnabled = false;
  rig.timer.on = true;
  rig.queue.stopAllConversions();
  EXPECT_EQ(rig.prompts.questions, 0);
  EXPECT_TRUE(rig.idle());
  EXPECT_TRUE(rig.state().queueFinished);
  EXPECT_FALSE(rig.state().userAborted);
}

TEST_F(QueueTest, UnreadableSourceFailsWithTheEnginesReasonAndTheQueueGoesOn) {
  rig.add(src + "/missing.mov");
  rig.add(source("good.mov"));
  rig.queue.startConversion();
  EXPECT_EQ(rig.progress(0), "Fail");
  EXPECT_EQ(rig.jobs.at(0).reason, src + "/missing.mov: no such file or directory");
  EXPECT_FALSE(rig.state().converting);
  rig.runToEnd();
  EXPECT_EQ(rig.jobState(0), JobState::Failed);
  EXPECT_EQ(rig.jobState(1), JobState::Done);
  EXPECT_EQ(rig.observer.count("run Completed"), 1);
}

TEST_F(QueueTest, UnreadableLastSourceCompletesAtOnce) {
  rig.add(src + "/missing.mov");
  rig.queue.startConversion();
  EXPECT_EQ(rig.observer.events,
            (std::vector<std::string>{"ended 0 Fail: " + src + "/missing.mov: no such file or directory",
                                      "run Completed"}));
  EXPECT_TRUE(rig.idle());
  EXPECT_TRUE(rig.state().queueFinished);
}

TEST_F(QueueTest, RefusedOutputRemovesTheTaskAndKeepsTheReason) {
  for (const char *name : {"a.mov", "b.mov"}) rig.add(source(name));
  rig.engine.failOutputs.insert(out + "/a.mp4");
  rig.queue.startConversion();
  EXPECT_EQ(rig.jobState(0), JobState::Failed);
  EXPECT_EQ(rig.jobs.at(0).reason, "cannot write " + out + "/a.mp4");
  EXPECT_TRUE(rig.engine.tasks.empty());
  rig.runToEnd();
  EXPECT_EQ(rig.jobState(1), JobState::Done);
}

TEST_F(QueueTest, UnreadableSettingFailsOnlyThatRow) {
  for (const char *name : {"a.mov", "b.mov"}) rig.add(source(name));
  int jobs = 0;
  rig.view.settings.applyProfileOptions = [&jobs](OutputOptions &) {
    if (jobs++ == 0) throw std::runtime_error("'' is not a valid integer value");
  };
  rig.queue.startConversion();
  EXPECT_EQ(rig.jobState(0), JobState::Failed);
  EXPECT_EQ(rig.jobs.at(0).reason, "'' is not a valid integer value");
  EXPECT_TRUE(rig.engine.tasks.empty());  // nothing left that could report "Done"
  rig.runToEnd();
  EXPECT_EQ(rig.jobState(0), JobState::Failed);
  EXPECT_EQ(rig.jobState(1), JobState::Done);
  EXPECT_EQ(rig.observer.count("run Completed"), 1);
}

TEST_F(QueueTest, FailedConversionKeepsTheEnginesMessage) {
  rig.add(source("a.mov"));
  rig.queue.startConversion();
  rig.engine.finish(true, "Error while opening encoder for output stream #0:0");
  rig.poster.pump();
  EXPECT_EQ(rig.progress(0), "Fail");
  EXPECT_EQ(rig.jobs.at(0).reason, "Error while opening encoder for output stream #0:0");
  EXPECT_EQ(rig.jobs.at(0).outputPath, out + "/a.mp4");
}

// A row takes the name the engine says its output got (the next free one,
// none after a failure); a format that writes no file keeps its name.
TEST_F(QueueTest, ARowTakesTheNameItsOutputGot) {
  for (const char *name : {"a.mov", "b.mov", "c.mov"}) rig.add(source(name));
  const std::vector<std::string> kept{out + "/a-1.mp4", "", ""};
  rig.queue.startConversion();
  rig.runToEnd([&](int row) {
    rig.engine.kept = kept.at(static_cast<size_t>(row));
    if (row == 2) rig.engine.finish(true, "Could not write");
  });
  EXPECT_EQ(rig.jobs.at(0).outputPath, out + "/a-1.mp4");
  EXPECT_EQ(sourceJobHint(rig.jobs.at(0)), "Converted to " + out + "/a-1.mp4");
  EXPECT_EQ(rig.jobs.at(1).outputPath, out + "/b.mp4");
  EXPECT_EQ(rig.jobs.at(2).outputPath, "");
}

// "Show Log" shows what the engine said about one row: the lines of its
// set-up and of its task, at information level and above, in order.
TEST_F(QueueTest, EachRowKeepsTheLogOfItsOwnTask) {
  rig.add(source("a.mov"));
  rig.add(src + "/missing.mov");
  rig.add(source("c.mov"));
  rig.engine.logOpenFailures = true;
  rig.engine.log(LogLevel::Info, "before the run", -1);  // the probe of Add File
  rig.queue.startConversion();
  rig.engine.log(LogLevel::Info, "Input #0, mov from a.mov");
  rig.engine.log(LogLevel::Debug, "debug detail");
  rig.engine.progress(10, 500, 1000, 1000);
  rig.engine.log(LogLevel::Error, "error from a decoder thread", -1);
  rig.engine.log(LogLevel::Quiet, "fatal");
  rig.engine.finish();
  rig.engine.log(LogLevel::Info, "raised after the task's end");
  rig.poster.pump();
  EXPECT_EQ(rig.jobs.at(0).logLines,
            (std::vector<std::string>{"Input #0, mov from a.mov", "error from a decoder thread", "fatal",
                                      "raised after the task's end"}));
  rig.runToEnd([&](int row) { rig.engine.log(LogLevel::Info, "converting row " + std::to_string(row)); });
  EXPECT_EQ(rig.jobs.at(1).logLines, std::vector<std::string>{src + "/missing.mov: no such file or directory"});
  EXPECT_EQ(rig.jobs.at(2).logLines, std::vector<std::string>{"converting row 2"});
  EXPECT_EQ(rig.jobs.at(0).logLines.size(), 4u);

  // Once the run is over the log belongs to no row.
  rig.engine.log(LogLevel::Error, "after the run", -1);
  rig.poster.pump();
  for (int row = 0; row < 3; ++row)
    for (const std::string &line : rig.jobs.at(row).logLines) EXPECT_NE(line, "after the run") << row;

  // A new run starts each row's log afresh.
  rig.queue.startConversion();
  EXPECT_TRUE(rig.jobs.at(2).logLines.empty());
  rig.poster.pump();
  EXPECT_TRUE(rig.jobs.at(0).logLines.empty());
}

TEST_F(QueueTest, AStoppedTaskLogsUntilItHasEnded) {
  for (const char *name : {"a.mov", "b.mov"}) rig.add(source(name));
  rig.prompts.answerYes = true;
  rig.queue.startConversion();
  rig.queue.stopAllConversions();
  rig.engine.log(LogLevel::Info, "closing the output");
  rig.engine.finish();
  rig.engine.log(LogLevel::Info, "the task's last words");
  rig.poster.pump();
  EXPECT_EQ(rig.jobState(0), JobState::Aborted);
  rig.engine.log(LogLevel::Info, "after the stopped task's end came through");
  rig.poster.pump();
  EXPECT_EQ(rig.jobs.at(0).logLines, (std::vector<std::string>{"closing the output", "the task's last words"}));
  EXPECT_TRUE(rig.jobs.at(1).logLines.empty());
}

TEST(SourceJobsLog, ARunawayLogIsCut) {
  SourceJobs jobs;
  jobs.append(makeSourceJob("a.mov", probed(), "MP4"));
  for (size_t i = 0; i < kMaxJobLogLines + 50; ++i) jobs.addLogLine(0, "line " + std::to_string(i));
  const std::vector<std::string> &lines = jobs.at(0).logLines;
  ASSERT_EQ(lines.size(), kMaxJobLogLines + 1);
  EXPECT_EQ(lines[kMaxJobLogLines - 1], "line " + std::to_string(kMaxJobLogLines - 1));
  EXPECT_EQ(lines.back(), kLogCutText);
}

// The whole road of a run as the queue reports it: what a window or the
// command line sees, without either.
TEST_F(QueueTest, TypedEventsOfARun) {
  rig.add(source("a.mov"));
  rig.add(src + "/missing.mov");
  rig.add(source("skipped.mov"), probed(), false);
  rig.add(source("c.mov"));
  // The completion is reported after the last row ended, while the
  // controls are still off (a message box shown there is modal).
  bool controlsOffAtTheEnd = false;
  rig.observer.onRunEnded = [&](RunOutcome) { controlsOffAtTheEnd = !rig.view.controlsEnabled; };
  rig.queue.startConversion();
  rig.runToEnd();
  EXPECT_EQ(rig.observer.milestones(),
            (std::vector<std::string>{"started 0", "ended 0 Done",
                                      "ended 1 Fail: " + src + "/missing.mov: no such file or directory",
                                      "started 3", "ended 3 Done", "run Completed"}));
  EXPECT_EQ(rig.observer.count("progress 0"), 1);
  EXPECT_EQ(rig.observer.count("progress 3"), 1);
  EXPECT_TRUE(controlsOffAtTheEnd);
  EXPECT_TRUE(rig.view.controlsEnabled);
  EXPECT_EQ(rig.jobState(2), JobState::Waiting);
  EXPECT_EQ(rig.jobs.at(3).outputPath, out + "/c.mp4");
  EXPECT_FALSE(rig.jobs.anyConverting());

  // A second run starts from clean rows; Stop on its first row ends it.
  rig.observer.events.clear();
  rig.prompts.answerYes = true;
  rig.queue.startConversion();
  EXPECT_EQ(rig.jobState(1), JobState::Waiting);
  EXPECT_TRUE(rig.jobs.at(1).reason.empty());
  rig.runToEnd([&](int) { rig.queue.stopAllConversions(); });
  EXPECT_EQ(rig.observer.milestones(), (std::vector<std::string>{"started 0", "run Stopped", "ended 0 Abort"}));
  EXPECT_EQ(rig.jobState(3), JobState::Waiting);
}

TEST_F(QueueTest, ASourceNamedWithBlanksAtItsEndIsConvertedItself) {
  // "clip.mov " is listed; "clip.mov" beside it is another file.
  const std::string padded = source("clip.mov ");
  source("clip.mov");
  rig.add(padded);
  // Blanks around a caption that names no file are still removed.
  const std::string other = source("other.mov");
  rig.add("  " + other + " ");
  rig.queue.startConversion();
  rig.runToEnd();
  EXPECT_EQ(addTaskCalls(), (std::vector<std::string>{padded, other}));
  EXPECT_EQ(rig.progress(0), "Done");
  EXPECT_EQ(rig.progress(1), "Done");
}

TEST_F(QueueTest, SourceEqualToOutputIsRefused) {
  rig.view.settings.overwrite = true;
  const std::string inOut = out + "/clip.mp4";
  std::ofstream(inOut) << "precious";
  rig.add(inOut);
  rig.add(source("other.mov"));
  rig.queue.startConversion();
  EXPECT_EQ(rig.progress(0), "Fail");
  EXPECT_EQ(rig.jobs.at(0).reason, "the output would replace the source file");
  EXPECT_EQ(fileBytes(inOut), "precious");
  rig.runToEnd();
  EXPECT_EQ(fileBytes(inOut), "precious");
  EXPECT_EQ(addTaskCalls(), std::vector<std::string>{src + "/other.mov"});
  EXPECT_EQ(rig.progress(1), "Done");
}

// The same file reached through another spelling of the output folder.
TEST_F(QueueTest, SourceEqualToOutputIsRefusedHoweverThePathsAreSpelled) {
  const std::string inOut = out + "/clip.mp4";
  fs::create_symlink(out, dir.file("linked"));
  const std::vector<std::string> folders = {out + "/.", dir.file("out/../out"), out + "//", dir.file("linked")};
  for (const std::string &folder : folders) {
    SCOPED_TRACE(folder);
    std::ofstream(inOut) << "precious";
    QueueRig run;
    run.view.settings = rig.view.settings;
    run.view.settings.overwrite = true;
    run.view.settings.outputFolder = folder;
    run.add(inOut);
    run.queue.startConversion();
    EXPECT_EQ(run.jobState(0), JobState::Failed);
    EXPECT_EQ(run.jobs.at(0).reason, "the output would replace the source file");
    EXPECT_TRUE(std::ranges::none_of(run.engine.calls, [](const std::string &c) { return c.starts_with("AddTask"); }));
    EXPECT_EQ(fileBytes(inOut), "precious");
  }
  // The source listed under another spelling, the folder plain.
  rig.view.settings.overwrite = true;
  rig.add(dir.file("linked/./clip.mp4"));
  rig.queue.startConversion();
  EXPECT_EQ(rig.jobState(0), JobState::Failed);
  EXPECT_EQ(fileBytes(inOut), "precious");
}

TEST_F(QueueTest, StartChecks) {
  rig.queue.startConversion();
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{"Please Add Files To Convert!"});
  EXPECT_FALSE(rig.state().converting);

  rig.add(source("a.mov"));
  rig.jobs.endJob(0, JobState::Done, "");
  rig.view.settings.outputFolder = "";
  rig.queue.startConversion();
  EXPECT_EQ(rig.prompts.messages.back(), "Please select an output folder!");
  EXPECT_EQ(rig.view.folderRefusals, 1);
  EXPECT_EQ(rig.progress(0), "");  // cleared before the checks

  rig.view.settings.outputFolder = dir.file("gone");
  rig.queue.startConversion();
  EXPECT_EQ(rig.prompts.messages.back(),
            "The output folder \"" + dir.file("gone") +
                "\"\n\rdoes not exist or has been deleted!\n\rPlease choose a new output folder.");
  EXPECT_EQ(rig.view.folderRefusals, 2);
  EXPECT_FALSE(rig.state().converting);
  EXPECT_FALSE(rig.timer.on);
  EXPECT_TRUE(addTaskCalls().empty());

  rig.queue.setAddingFiles(true);
  rig.view.settings.outputFolder = out;
  rig.queue.startConversion();
  EXPECT_FALSE(rig.state().converting);
  EXPECT_EQ(rig.view.previewStops, 4);  // the preview stops on every press
}

TEST_F(QueueTest, ProgressTexts) {
  rig.add(source("a.mov"));
  rig.queue.startConversion();
  rig.engine.progress(150, 3700, 1234567, 10000);
  rig.poster.pump();
  EXPECT_EQ(rig.progress(0), "37%");
  EXPECT_EQ(sourceJobText(rig.jobs.at(0), kFramesColumn), "150");
  EXPECT_EQ(rig.view.fileSize, "File Size : 1235 KBytes");
  EXPECT_EQ(rig.view.bar, 37);
  ASSERT_FALSE(rig.observer.reports.empty());
  EXPECT_EQ(rig.observer.events.back(), "progress 0");
  const ProgressReport &last = rig.observer.reports.back();
  EXPECT_EQ(std::tuple(last.size, last.currentMs, last.totalMs), std::tuple(1234567, 3700, 10000));

  rig.engine.progress(-1, 12000, 2000, 10000);  // past the end, no video
  rig.poster.pump();
  EXPECT_EQ(rig.progress(0), "100%");
  EXPECT_EQ(sourceJobText(rig.jobs.at(0), kFramesColumn), " ");
  EXPECT_EQ(rig.view.bar, 100);

  rig.engine.progress(99, 83500, 2000, -1);  // length unknown
  rig.poster.pump();
  EXPECT_EQ(rig.progress(0), "00:01:23");
  EXPECT_EQ(rig.view.bar, 0);
  rig.engine.progress(99, 1000, 2000, 0);
  rig.poster.pump();
  EXPECT_EQ(rig.progress(0), "00:00:01");

  rig.engine.finish(true);
  rig.poster.pump();
  EXPECT_EQ(rig.progress(0), "Fail");
}

TEST_F(QueueTest, EventsAreAppliedInTheOrderRaised) {
  rig.add(source("a.mov"));
  rig.queue.startConversion();
  rig.engine.progress(1, 100, 10, 1000);
  rig.engine.progress(2, 900, 10, 1000);
  rig.engine.finish();
  EXPECT_EQ(rig.progress(0), "");  // nothing happens on the engine's thread
  EXPECT_TRUE(rig.state().converting);
  rig.poster.pump();
  EXPECT_EQ(rig.progress(0), "Done");
  EXPECT_EQ(sourceJobText(rig.jobs.at(0), kFramesColumn), "2");
}

TEST_F(QueueTest, LateEventsOfAStoppedRunDoNotTouchTheNextRun) {
  for (const char *name : {"a.mov", "b.mov"}) rig.add(source(name));
  rig.prompts.answerYes = true;
  rig.queue.startConversion();
  rig.queue.stopAllConversions();
  // The stopped task ends on its thread, but its events are still queued
  // when the user starts again.
  rig.engine.finish();
  rig.jobs.setChecked(0, false);
  rig.queue.startConversion();
  EXPECT_EQ(rig.state().currentRow, 1);
  rig.poster.pump();
  EXPECT_TRUE(rig.state().converting);  // the old "end" did not end this run
  EXPECT_EQ(rig.progress(1), "");
  rig.runToEnd();
  EXPECT_EQ(rig.progress(1), "Done");
}

TEST_F(QueueTest, TimerWaitsWhileTheStopQuestionIsOpen) {
  for (const char *name : {"a.mov", "b.mov"}) rig.add(source(name));
  rig.queue.startConversion();
  rig.prompts.answerYes = false;
  rig.prompts.duringQuestion = [&] {
    // the task ends just as the question opens; the UI keeps running
    rig.engine.finish();
    rig.poster.pump();
    for (int i = 0; i < 5; ++i) rig.queue.onTimerTick();
  };
  rig.queue.stopAllConversions();
  EXPECT_EQ(addTaskCalls().size(), 1u);  // the next row waited for the answer
  rig.runToEnd();
  EXPECT_EQ(rig.progress(1), "Done");
}

TEST_F(QueueTest, DetachedQueueIgnoresLateEvents) {
  rig.add(source("a.mov"));
  rig.queue.startConversion();
  rig.engine.progress(1, 100, 10, 1000);
  rig.queue.disconnectEngineEvents();
  rig.engine.finish();
  rig.poster.pump();
  EXPECT_EQ(rig.progress(0), "");
  EXPECT_TRUE(rig.poster.queue.empty());
}
