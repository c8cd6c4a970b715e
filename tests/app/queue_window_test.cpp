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
#include "form4.h"
#include "media_fixture.h"
#include "queue_window_fixture.h"

namespace {

class QueueWindow : public WindowTest {
 protected:
  std::vector<QWidget *> RunControls() const {
    TForm1 &w = *window;
    return {w.ButtonAddFile, w.ButtonClear, w.ButtonRemove, w.ButtonConvert, w.ComboOutputFormat,
            w.ComboVideoSize, w.ComboVideoBitrate, w.ComboVideoFramerate, w.ComboAudioBitrate,
            w.ComboAudioChannels, w.ComboVideoCodec, w.ComboSamplingRate, w.ComboAudioCodec, w.TrackBar1,
            w.ComboAspectRatio, w.ComboLetterBox, w.ComboVideoQuality, w.ComboAudioQuality};
  }
  bool MenusEnabled() const {
    return window->File1->menuAction()->isEnabled() && window->Options1->menuAction()->isEnabled() &&
           window->Help1->menuAction()->isEnabled();
  }
  bool MenusDisabled() const {
    return !window->File1->menuAction()->isEnabled() && !window->Options1->menuAction()->isEnabled() &&
           !window->Help1->menuAction()->isEnabled();
  }
  std::string Clip(const std::string &name, double seconds = 1.0) {
    TMediaRecipe recipe;
    recipe.width = 320;
    recipe.height = 240;
    recipe.durationSec = seconds;
    return CachedFixture(recipe, name);
  }
  bool RunEnded() { return !window->TimerConvertAgain->isActive() && !window->Converting; }
};

}  // namespace

TEST_F(QueueWindow, ControlsAroundARun) {
  TForm1 &w = *window;
  w.DisableControlsForConversion();
  for (QWidget *c : RunControls()) EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
  EXPECT_FALSE(w.PopupListView1AutoPopup);
  EXPECT_TRUE(MenusDisabled());
  EXPECT_TRUE(w.ButtonStopConvert->isEnabled());
  EXPECT_TRUE(w.ButtonStopSmall->isEnabled());
  EXPECT_TRUE(w.ListView1->isEnabled());
  EXPECT_TRUE(w.ButtonBrowseForFolder->isEnabled());

  w.EnableControlsAfterConversion();
  for (QWidget *c : RunControls()) EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
  EXPECT_TRUE(w.PopupListView1AutoPopup);
  EXPECT_TRUE(MenusEnabled());

  // For an audio output the video settings stay off after the run.
  PickFormat("OGG - Ogg Vorbis Audio (*.ogg)");
  w.DisableControlsForConversion();
  w.EnableControlsAfterConversion();
  EXPECT_FALSE(w.ComboVideoQuality->isEnabled());
  EXPECT_FALSE(w.ComboVideoSize->isEnabled());
  EXPECT_FALSE(w.ComboVideoFramerate->isEnabled());
  EXPECT_TRUE(w.ComboAudioQuality->isEnabled());
}

TEST_F(QueueWindow, StartChecks) {
  window->ButtonConvertClick();
  EXPECT_EQ(prompts.Messages, QStringList{"Please Add Files To Convert!"});

  AddFiles({QString::fromStdString(Clip("a.mov"))});
  SetOutputFolder("");
  window->ButtonConvertClick();
  EXPECT_EQ(prompts.Messages.last(), "Please select an output folder!");
  EXPECT_EQ(prompts.FolderDialogs, 1);

  const std::string gone = scratch.file("gone");
  SetOutputFolder(gone);
  window->ButtonConvertClick();
  EXPECT_EQ(prompts.Messages.last().toStdString(),
            "The output folder \"" + gone +
                "\"\n\rdoes not exist or has been deleted!\n\rPlease choose a new output folder.");
  EXPECT_EQ(prompts.FolderDialogs, 2);
  EXPECT_FALSE(window->Converting);
  EXPECT_FALSE(window->TimerConvertAgain->isActive());
  EXPECT_TRUE(window->ButtonConvert->isEnabled());
}

TEST_F(QueueWindow, StopWithNothingRunning) {
  window->DisableControlsForConversion();
  window->ProgressBar1->setValue(40);
  window->ButtonStopConvertClick();
  EXPECT_TRUE(prompts.Questions.isEmpty());
  EXPECT_TRUE(window->ButtonConvert->isEnabled());
  EXPECT_TRUE(MenusEnabled());
  EXPECT_EQ(window->ProgressBar1->value(), 0);
  EXPECT_TRUE(window->QueueFinished);
}

TEST_F(QueueWindow, UnreadableSourceFailsThroughTheEngine) {
  const std::string bad = scratch.file("broken.mov");
  std::ofstream(bad) << "not a movie";
  AddFiles({QString::fromStdString(bad)});
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(Text(0, colProgress), "Error");
  const std::string out = scratch.file("out");
  std::filesystem::create_directories(out);
  SetOutputFolder(out);
  window->ButtonConvertClick();
  EXPECT_EQ(Text(0, colProgress), "Fail");
  EXPECT_EQ(prompts.Messages, QStringList{"All Conversions Completed"});
  EXPECT_TRUE(RunEnded());
  EXPECT_TRUE(window->ButtonConvert->isEnabled());
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

// Runs through the real engine.

TEST_F(QueueWindow, ConversionRunsToDone) {
  PickFormat("MP4 - MPEG4 Video (*.mp4)");
  const std::string out = scratch.file("out");
  std::filesystem::create_directories(out);
  SetOutputFolder(out);
  const QString a = QString::fromStdString(Clip("a.mov"));
  AddFiles({a, a});
  Row(0)->setCheckState(colFileName, Qt::Unchecked);
  window->ButtonConvertClick();
  EXPECT_FALSE(window->ButtonConvert->isEnabled());
  ASSERT_TRUE(WaitFor([&] { return !prompts.Messages.isEmpty(); }, 60000));
  EXPECT_EQ(prompts.Messages, QStringList{"All Conversions Completed"});
  EXPECT_EQ(Text(0, colProgress), "");
  EXPECT_EQ(Text(1, colProgress), "Done");
  // The last report counts every picture written.
  const TProbedFile written =
      ProbeMedia(out + "/" + std::filesystem::path(a.toStdString()).stem().string() + ".mp4");
  ASSERT_TRUE(written.ok) << written.error;
  ASSERT_NE(written.first("video"), nullptr);
  EXPECT_EQ(Text(1, colFrames).toLongLong(), written.first("video")->frames);
  EXPECT_TRUE(window->StatusPanelText(1).startsWith("File Size : "));
  EXPECT_TRUE(std::filesystem::exists(out + "/" + std::filesystem::path(a.toStdString()).stem().string() + ".mp4"));
  EXPECT_TRUE(RunEnded());
  EXPECT_TRUE(window->ButtonConvert->isEnabled());
  EXPECT_EQ(window->ProgressBar1->value(), 0);
}

TEST_F(QueueWindow, StopAnsweredNoThenYes) {
  PickFormat("MP4 - MPEG4 Video (*.mp4)");
  const std::string out = scratch.file("out");
  std::filesystem::create_directories(out);
  SetOutputFolder(out);
  TMediaRecipe recipe;  // 640x480, long enough to be caught while converting
  recipe.durationSec = 10.0;
  const QString a = QString::fromStdString(CachedFixture(recipe, "long.mov"));
  AddFiles({a, a, a});
  window->ButtonConvertClick();
  ASSERT_TRUE(window->Converting);
  // Row 0 converts; answering No lets it go on to the end.
  prompts.YesAnswer = false;
  window->ButtonStopConvertClick();
  EXPECT_EQ(prompts.Questions, QStringList{"Confirmation|Stop all conversions?"});
  EXPECT_TRUE(window->TimerConvertAgain->isActive());
  ASSERT_TRUE(WaitFor([&] { return window->CurrentRow == 1 && window->Converting; }, 60000));
  EXPECT_EQ(Text(0, colProgress), "Done");
  // Row 1: Yes stops the run.
  prompts.YesAnswer = true;
  window->ButtonStopSmallClick();
  EXPECT_EQ(prompts.Questions.size(), 2);
  EXPECT_TRUE(window->ButtonConvert->isEnabled());
  ASSERT_TRUE(WaitFor([&] { return Text(1, colProgress) == "Abort"; }, 30000));
  WaitFor([] { return false; }, 600);  // the timer would have moved on by now
  EXPECT_EQ(Text(0, colProgress), "Done");
  EXPECT_EQ(Text(2, colProgress), "");
  EXPECT_FALSE(prompts.Messages.contains("All Conversions Completed"));
  EXPECT_TRUE(RunEnded());
}
