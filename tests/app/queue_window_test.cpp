// The conversion queue in the main window: Start checks, the controls
// around a run, Stop, and runs through the real engine.
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "conversion_queue.h"
#include "options_dialog.h"
#include "media_fixture.h"
#include "queue_window_fixture.h"

namespace {

class QueueWindow : public WindowTest {
 protected:
  std::vector<QWidget *> runControls() const {
    MainWindow &w = *window;
    return {w.addFileButton, w.clearAllButton, w.removeFileButton, w.startButton, w.profileCombo,
            w.videoSizeCombo, w.videoBitrateCombo, w.frameRateCombo, w.audioBitrateCombo,
            w.audioChannelsCombo, w.videoCodecCombo, w.sampleRateCombo, w.audioCodecCombo, w.volumeSlider,
            w.aspectRatioCombo, w.letterBoxCombo, w.videoQualityCombo, w.audioQualityCombo};
  }
  bool menusEnabled() const {
    return window->fileMenu->menuAction()->isEnabled() && window->optionsMenu->menuAction()->isEnabled() &&
           window->helpMenu->menuAction()->isEnabled();
  }
  bool menusDisabled() const {
    return !window->fileMenu->menuAction()->isEnabled() && !window->optionsMenu->menuAction()->isEnabled() &&
           !window->helpMenu->menuAction()->isEnabled();
  }
  std::string clip(const std::string &name, double seconds = 1.0) {
    return cachedFixture(smallClipRecipe(seconds), name);
  }
  bool runEnded() { return !window->nextRowTimer->isActive() && !window->converting; }
};

}  // namespace

TEST_F(QueueWindow, ControlsAroundARun) {
  MainWindow &w = *window;
  w.disableControlsForConversion();
  for (QWidget *c : runControls()) EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
  EXPECT_FALSE(w.sourceListMenuEnabled);
  EXPECT_TRUE(menusDisabled());
  EXPECT_TRUE(w.stopButton->isEnabled());
  EXPECT_TRUE(w.progressStopButton->isEnabled());
  EXPECT_TRUE(w.sourceList->isEnabled());
  EXPECT_TRUE(w.chooseFolderButton->isEnabled());

  w.enableControlsAfterConversion();
  for (QWidget *c : runControls()) EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
  EXPECT_TRUE(w.sourceListMenuEnabled);
  EXPECT_TRUE(menusEnabled());

  // For an audio output the video settings stay off after the run.
  pickFormat("OGG - Ogg Vorbis Audio (*.ogg)");
  w.disableControlsForConversion();
  w.enableControlsAfterConversion();
  EXPECT_FALSE(w.videoQualityCombo->isEnabled());
  EXPECT_FALSE(w.videoSizeCombo->isEnabled());
  EXPECT_FALSE(w.frameRateCombo->isEnabled());
  EXPECT_TRUE(w.audioQualityCombo->isEnabled());
}

TEST_F(QueueWindow, StartChecks) {
  window->startConversion();
  EXPECT_EQ(prompts.messages, QStringList{"Please Add Files To Convert!"});

  addFiles({QString::fromStdString(clip("a.mov"))});
  setOutputFolder("");
  window->startConversion();
  EXPECT_EQ(prompts.messages.last(), "Please select an output folder!");
  EXPECT_EQ(prompts.folderDialogs, 1);

  const std::string gone = scratch.file("gone");
  setOutputFolder(gone);
  window->startConversion();
  EXPECT_EQ(prompts.messages.last().toStdString(),
            "The output folder \"" + gone +
                "\"\n\rdoes not exist or has been deleted!\n\rPlease choose a new output folder.");
  EXPECT_EQ(prompts.folderDialogs, 2);
  EXPECT_FALSE(window->converting);
  EXPECT_FALSE(window->nextRowTimer->isActive());
  EXPECT_TRUE(window->startButton->isEnabled());
}

TEST_F(QueueWindow, StopWithNothingRunning) {
  window->disableControlsForConversion();
  window->progressBar->setValue(40);
  window->stopAllConversions();
  EXPECT_TRUE(prompts.questions.isEmpty());
  EXPECT_TRUE(window->startButton->isEnabled());
  EXPECT_TRUE(menusEnabled());
  EXPECT_EQ(window->progressBar->value(), 0);
  EXPECT_TRUE(window->queueFinished);
}

TEST_F(QueueWindow, UnreadableSourceFailsThroughTheEngine) {
  const std::string bad = scratch.file("broken.mov");
  std::ofstream(bad) << "not a movie";
  addFiles({QString::fromStdString(bad)});
  ASSERT_EQ(rows(), 1);
  EXPECT_EQ(text(0, kProgressColumn), "Error");
  const std::string out = scratch.file("out");
  std::filesystem::create_directories(out);
  setOutputFolder(out);
  window->startConversion();
  EXPECT_EQ(text(0, kProgressColumn), "Fail");
  EXPECT_FALSE(job(0).reason.empty()) << "the engine's reason is kept with the row";
  EXPECT_EQ(prompts.messages, QStringList{"All Conversions Completed"});
  EXPECT_TRUE(runEnded());
  EXPECT_TRUE(window->startButton->isEnabled());
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

// Runs through the real engine.

TEST_F(QueueWindow, ConversionRunsToDone) {
  pickFormat("MP4 - MPEG4 Video (*.mp4)");
  const std::string out = scratch.file("out");
  std::filesystem::create_directories(out);
  setOutputFolder(out);
  const QString a = QString::fromStdString(clip("a.mov"));
  addFiles({a, a});
  setChecked(0, false);
  window->startConversion();
  EXPECT_FALSE(window->startButton->isEnabled());
  ASSERT_TRUE(waitUntil([&] { return !prompts.messages.isEmpty(); }, 60000, pumpEvents));
  EXPECT_EQ(prompts.messages, QStringList{"All Conversions Completed"});
  EXPECT_EQ(text(0, kProgressColumn), "");
  EXPECT_EQ(text(1, kProgressColumn), "Done");
  // The last report counts every picture written.
  const ProbedFile written =
      probeMedia(out + "/" + std::filesystem::path(a.toStdString()).stem().string() + ".mp4");
  ASSERT_TRUE(written.ok) << written.error;
  ASSERT_NE(written.first("video"), nullptr);
  EXPECT_EQ(text(1, kFramesColumn).toLongLong(), written.first("video")->frames);
  EXPECT_TRUE(window->statusPanelText(kFileSizePanel).startsWith("File Size : "));
  const std::string output = out + "/" + std::filesystem::path(a.toStdString()).stem().string() + ".mp4";
  EXPECT_TRUE(std::filesystem::exists(output));
  EXPECT_EQ(job(1).outputPath, output);
  EXPECT_EQ(job(1).state, JobState::Done);
  EXPECT_TRUE(runEnded());
  EXPECT_TRUE(window->startButton->isEnabled());
  EXPECT_EQ(window->progressBar->value(), 0);
}

TEST_F(QueueWindow, StopAnsweredNoThenYes) {
  pickFormat("MP4 - MPEG4 Video (*.mp4)");
  const std::string out = scratch.file("out");
  std::filesystem::create_directories(out);
  setOutputFolder(out);
  MediaRecipe recipe;  // 640x480, long enough to be caught while converting
  recipe.durationSec = 10.0;
  const QString a = QString::fromStdString(cachedFixture(recipe, "long.mov"));
  addFiles({a, a, a});
  window->startConversion();
  ASSERT_TRUE(window->converting);
  // Row 0 converts; answering No lets it go on to the end.
  prompts.yesAnswer = false;
  window->stopAllConversions();
  EXPECT_EQ(prompts.questions, QStringList{"Confirmation|Stop all conversions?"});
  EXPECT_TRUE(window->nextRowTimer->isActive());
  ASSERT_TRUE(waitUntil([&] { return window->currentRow == 1 && window->converting; }, 60000, pumpEvents));
  EXPECT_EQ(text(0, kProgressColumn), "Done");
  // Row 1: Yes stops the run.
  prompts.yesAnswer = true;
  window->stopAllConversions();
  EXPECT_EQ(prompts.questions.size(), 2);
  EXPECT_TRUE(window->startButton->isEnabled());
  ASSERT_TRUE(waitUntil([&] { return text(1, kProgressColumn) == "Abort"; }, 30000, pumpEvents));
  waitUntil([] { return false; }, 600, pumpEvents);  // the timer would have moved on by now
  EXPECT_EQ(text(0, kProgressColumn), "Done");
  EXPECT_EQ(text(2, kProgressColumn), "");
  EXPECT_FALSE(prompts.messages.contains("All Conversions Completed"));
  EXPECT_TRUE(runEnded());
}
