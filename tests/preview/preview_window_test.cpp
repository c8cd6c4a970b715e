// The preview in the main window, on the generated 3-second clip: Play,
// Pause, Stop, row selection, the volume menu, snapshots, and the preview
// buttons during a conversion.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <memory>

#include "bitmap_file.h"
#include "filter_graph.h"
#include "mainwindow.h"
#include "preview_clip.h"
#include "preview_resources.h"
#include "preview_volume.h"
#include "prompts.h"
#include "sample_grabber.h"
#include "test_env.h"

namespace {

struct TPreviewPrompts : IPrompts {
  QStringList Messages;
  QStringList Files;
  int FolderDialogs = 0;
  void Information(QWidget *, const QString &text) override { Messages << text; }
  bool AskYesNo(QWidget *, const QString &, const QString &) override { return false; }
  QStringList OpenFiles(QWidget *, const std::vector<TFileFilter> &) override { return Files; }
  QString BrowseForFolder(QWidget *, const QString &, const QString &) override {
    ++FolderDialogs;
    return QString();
  }
  bool OpenUrl(const QUrl &) override { return true; }
};

class PreviewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireLibraries();
    clip_ = QString::fromStdString(MakePreviewClip(scratch_.path().string()));
    ASSERT_FALSE(clip_.isEmpty());
    std::filesystem::create_directories(scratch_.path() / "other");
    other_ = QString::fromStdString(MakePreviewClip((scratch_.path() / "other").string()));
    outDir_ = QString::fromStdString(scratch_.file("out"));
    std::filesystem::create_directories(outDir_.toStdString());

    TForm1Options options;
    options.Prompts = &prompts_;
    options.ProgramFolder = QString::fromStdString(TREVIX_BIN_DIR);
    options.SettingsFolder = QString::fromStdString(scratch_.file("settings"));
    w_ = std::make_unique<TForm1>(options);
    if (w_->StartupFailed()) GTEST_SKIP() << "media libraries not available";
    w_->CreateForms();
    w_->FormShow();
    w_->show();
    // Two rows through Add File, as the user adds them.
    prompts_.Files = {clip_, other_};
    w_->ButtonAddFileClick();
    ASSERT_EQ(w_->ListView1->topLevelItemCount(), 2);
  }
  void TearDown() override { w_.reset(); }

  void Select(int row) { w_->ListView1->setCurrentItem(w_->ListView1->topLevelItem(row)); }
  TFilterGraph *Graph() const { return w_->FilterGraph1; }
  bool Playing() const { return Graph() && Graph()->State() == TFilterGraph::gsPlaying; }
  bool WaitPosition(int64_t pastMs) {
    return QTest::qWaitFor([&] { return Graph() && Graph()->Position() > pastMs; }, 8000);
  }
  int64_t Position() const { return Graph() ? Graph()->Position() : -1; }

  TScratchDir scratch_;
  TPreviewPrompts prompts_;
  QString clip_, other_, outDir_;
  std::unique_ptr<TForm1> w_;
};

TEST_F(PreviewWindow, PlayLoadsAndPlaysTheSelectedRow) {
  Select(0);
  w_->ButtonPlayClick();
  ASSERT_NE(Graph(), nullptr);
  EXPECT_TRUE(Graph()->Active());
  EXPECT_EQ(w_->PreviewRow, 0);
  EXPECT_EQ(w_->PreviewFile, clip_);
  EXPECT_FALSE(w_->PreviewPaused);
  EXPECT_FALSE(w_->PreviewStopped);
  ASSERT_TRUE(WaitPosition(700)) << Position();
  EXPECT_TRUE(Playing());
  EXPECT_TRUE(w_->VideoWindow1->isVisible());
  // The position bar follows in seconds.
  EXPECT_TRUE(QTest::qWaitFor([&] { return w_->DSTrackBar1->maximum() == 3 && w_->DSTrackBar1->value() >= 1; },
                              3000))
      << w_->DSTrackBar1->maximum() << " " << w_->DSTrackBar1->value();

  // "Play Selected File" of the list's menu plays the row as well.
  Select(1);
  w_->PlaySelectedFile1Click();
  EXPECT_EQ(w_->PreviewRow, 1);
  EXPECT_EQ(w_->PreviewFile, other_);
  EXPECT_TRUE(WaitPosition(300));
}

TEST_F(PreviewWindow, PauseResumesAndPauseAfterStopDoesNothing) {
  // Nothing loaded yet: Pause has nothing to hold, so Play loads the row.
  w_->ButtonPauseClick();
  EXPECT_FALSE(w_->PreviewPaused);
  Select(0);
  w_->ButtonPlayClick();
  EXPECT_EQ(w_->PreviewFile, clip_);
  ASSERT_TRUE(WaitPosition(300));
  w_->ButtonPauseClick();
  EXPECT_TRUE(w_->PreviewPaused);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Graph()->State() == TFilterGraph::gsPaused; }, 3000));
  const int64_t at = Position();
  w_->ButtonPlayClick();  // resumes, does not reload
  EXPECT_FALSE(w_->PreviewPaused);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Playing(); }, 3000));
  EXPECT_GE(Position(), at - 50);

  w_->ButtonStopClick();
  EXPECT_TRUE(w_->PreviewStopped);
  EXPECT_FALSE(w_->PreviewPaused);
  EXPECT_FALSE(Graph()->Active());
  EXPECT_FALSE(w_->VideoWindow1->isVisible());
  w_->ButtonPauseClick();
  EXPECT_FALSE(w_->PreviewPaused);
  EXPECT_FALSE(Graph()->Active());
  EXPECT_EQ(Graph()->State(), TFilterGraph::gsStopped);
}

TEST_F(PreviewWindow, PlayAfterStopReloadsFromTheStart) {
  Select(0);
  w_->ButtonPlayClick();
  ASSERT_TRUE(WaitPosition(1300)) << Position();
  w_->ButtonStopClick();
  w_->ButtonPlayClick();
  EXPECT_FALSE(w_->PreviewStopped);
  EXPECT_TRUE(Graph()->Active());
  EXPECT_EQ(w_->PreviewFile, clip_);
  // Back near the start first, then on.
  QTest::qWait(150);
  EXPECT_LT(Position(), 900);
  ASSERT_TRUE(WaitPosition(500));
}

TEST_F(PreviewWindow, SelectingRowsStopsOnlyForAnotherRow) {
  Select(0);
  w_->ButtonPlayClick();
  ASSERT_TRUE(WaitPosition(300));
  // The loaded row again: playback goes on.
  w_->ListView1->clearSelection();
  Select(0);
  QTest::qWait(300);
  EXPECT_TRUE(Playing());
  const int64_t at = Position();
  QTest::qWait(300);
  EXPECT_GT(Position(), at);

  // Another row: playback stops.
  Select(1);
  EXPECT_FALSE(w_->PreviewPaused);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Playing(); }, 2000));
  EXPECT_EQ(w_->PreviewRow, 0);  // Play loads the new row
  w_->ButtonPlayClick();
  EXPECT_EQ(w_->PreviewRow, 1);
  EXPECT_EQ(w_->PreviewFile, other_);
  EXPECT_TRUE(WaitPosition(300));
}

TEST_F(PreviewWindow, StopForAnotherRowKeepsTheGraphLoaded) {
  Select(0);
  w_->ButtonPlayClick();
  ASSERT_TRUE(WaitPosition(300));
  w_->ButtonPauseClick();
  w_->StopPreviewGraph();
  EXPECT_FALSE(w_->PreviewPaused);
  EXPECT_FALSE(w_->PreviewStopped);
  EXPECT_TRUE(Graph()->Active());
  EXPECT_EQ(Graph()->FileName(), clip_);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Graph()->State() == TFilterGraph::gsStopped; }, 2000));
  // Not a Stop-button stop: Pause still works.
  w_->ButtonPauseClick();
  EXPECT_TRUE(w_->PreviewPaused);

  w_->StopAndReleasePreview();
  EXPECT_FALSE(Graph()->Active());
  EXPECT_FALSE(w_->PreviewPaused);
  EXPECT_FALSE(w_->VideoWindow1->isVisible());
}

TEST_F(PreviewWindow, PlayWithoutSelectionOnlyStops) {
  Select(0);
  w_->ButtonPlayClick();
  ASSERT_TRUE(WaitPosition(300));
  w_->ListView1->clearSelection();
  w_->ButtonPlayClick();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Playing(); }, 2000));
  EXPECT_EQ(w_->PreviewFile, clip_);
}

TEST_F(PreviewWindow, AddFileAndStartStopThePreview) {
  Select(0);
  w_->ButtonPlayClick();
  ASSERT_TRUE(WaitPosition(300));
  w_->ButtonPauseClick();
  ASSERT_TRUE(w_->PreviewPaused);
  prompts_.Files = {};
  w_->ButtonAddFileClick();
  EXPECT_FALSE(w_->PreviewPaused);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Graph()->State() == TFilterGraph::gsStopped; }, 2000));

  w_->ButtonPlayClick();
  ASSERT_TRUE(WaitPosition(300));
  // Start without an output folder: the preview stops and is released
  // before the checks.
  w_->EditOutputFolder->clear();
  w_->ButtonConvertClick();
  EXPECT_FALSE(w_->Converting);
  EXPECT_FALSE(Graph()->Active());
  EXPECT_FALSE(w_->PreviewPaused);
}

TEST_F(PreviewWindow, VolumeMenuLevelsAndGlyphs) {
  w_->CreatePreview();
  const int startUp = Graph()->Volume();
  EXPECT_EQ(startUp, 10000);
  EXPECT_TRUE(w_->SpeakerState.isEmpty());

  w_->Mute1Click();
  EXPECT_EQ(w_->SpeakerState, "mute");
  EXPECT_EQ(Graph()->Volume(), 10);
  EXPECT_EQ(w_->ButtonVolume->icon().pixmap(24, 24).toImage(), PreviewGlyph("spkmute").toImage());

  w_->HalfVolume1Click();
  EXPECT_EQ(w_->SpeakerState, "half");
  EXPECT_EQ(Graph()->Volume(), 6000);
  EXPECT_NEAR(Graph()->OutputGain(), 0.528, 0.001);
  EXPECT_EQ(w_->ButtonVolume->icon().pixmap(24, 24).toImage(), PreviewGlyph("spkhalf").toImage());

  w_->Mute1Click();
  w_->FullVolume1Click();
  EXPECT_EQ(w_->SpeakerState, "full");
  EXPECT_EQ(Graph()->Volume(), startUp);
  EXPECT_DOUBLE_EQ(Graph()->OutputGain(), 1.0);
  EXPECT_EQ(w_->ButtonVolume->icon().pixmap(24, 24).toImage(), PreviewGlyph("spkfull").toImage());

  // The level set before playback holds for the file played next.
  w_->HalfVolume1Click();
  Select(0);
  w_->ButtonPlayClick();
  EXPECT_EQ(Graph()->Volume(), 6000);

  // The button opens the menu 40 pixels up and left of its corner.
  w_->ButtonVolumeClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w_->PopupMenuSpeaker->isVisible(); }, 2000));
  const QPoint wanted = w_->ButtonVolume->mapToGlobal(QPoint(0, 0)) - QPoint(40, 40);
  const QRect screen = w_->screen()->availableGeometry();
  // Qt moves a menu that would leave the screen; check only where it fits.
  if (screen.contains(QRect(wanted, w_->PopupMenuSpeaker->size()))) {
    EXPECT_EQ(w_->PopupMenuSpeaker->pos(), wanted);
  }
  w_->PopupMenuSpeaker->hide();
}

TEST_F(PreviewWindow, PreviewButtonsDoNothingDuringAConversion) {
  // Before anything played: Play loads nothing.
  w_->Converting = true;
  Select(0);
  w_->ButtonPlayClick();
  EXPECT_TRUE(w_->FilterGraph1 == nullptr || !w_->FilterGraph1->Active());
  EXPECT_TRUE(w_->PreviewFile.isEmpty());
  w_->Converting = false;

  w_->ButtonPlayClick();
  ASSERT_TRUE(WaitPosition(300));
  w_->EditOutputFolder->setText(outDir_);
  w_->Converting = true;
  w_->ButtonPauseClick();
  EXPECT_FALSE(w_->PreviewPaused);
  w_->ButtonStopClick();
  EXPECT_FALSE(w_->PreviewStopped);
  EXPECT_TRUE(Graph()->Active());
  w_->ButtonSnapshotClick();
  Select(1);  // another row stops the playback, as always
  w_->ButtonPlayClick();
  EXPECT_EQ(w_->PreviewRow, 0);
  EXPECT_EQ(w_->PreviewFile, clip_);
  w_->ButtonVolumeClick();
  QTest::qWait(100);
  EXPECT_FALSE(w_->PopupMenuSpeaker->isVisible());
  EXPECT_TRUE(std::filesystem::is_empty(outDir_.toStdString()));
  EXPECT_TRUE(prompts_.Messages.isEmpty());
  w_->Converting = false;
}

void ExpectClipBitmap(const QString &path) {
  const preview::TBitmapInfo bmp = preview::ReadBitmap24(path.toStdString());
  ASSERT_TRUE(bmp.ok) << path.toStdString();
  EXPECT_EQ(bmp.bitCount, 24);
  EXPECT_EQ(bmp.width, 320);
  EXPECT_EQ(bmp.height, 240);
  const QImage image(bmp.rgb.data(), bmp.width, bmp.height, bmp.width * 3, QImage::Format_RGB888);
  EXPECT_GT(MeanLevel(image), 40.0) << "black picture";
  EXPECT_LT(BestFrameDifference(image), 12.0);
}

TEST_F(PreviewWindow, TwoSnapshotsGiveClipThenClipDash1) {
  w_->EditOutputFolder->setText(outDir_);
  Select(0);
  w_->ButtonPlayClick();
  ASSERT_TRUE(WaitPosition(700));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w_->SampleGrabber1->HasFrame(); }, 2000));

  w_->ButtonSnapshotClick();
  const QString first = outDir_ + "/clip.bmp";
  ASSERT_TRUE(QFileInfo::exists(first));
  EXPECT_FALSE(w_->PreviewPaused);  // playback resumed
  EXPECT_TRUE(QTest::qWaitFor([&] { return Playing(); }, 2000));

  ASSERT_TRUE(WaitPosition(1400));
  w_->ButtonSnapshotClick();
  const QString second = outDir_ + "/clip-1.bmp";
  ASSERT_TRUE(QFileInfo::exists(second));
  EXPECT_TRUE(prompts_.Messages.isEmpty());

  ExpectClipBitmap(first);
  ExpectClipBitmap(second);
  // Two moments of a moving picture.
  EXPECT_NE(preview::ReadBitmap24(first.toStdString()).rgb, preview::ReadBitmap24(second.toStdString()).rgb);
}

TEST_F(PreviewWindow, SnapshotChecksTheOutputFolder) {
  // Without an active graph nothing happens.
  w_->EditOutputFolder->clear();
  w_->ButtonSnapshotClick();
  EXPECT_TRUE(prompts_.Messages.isEmpty());
  EXPECT_EQ(prompts_.FolderDialogs, 0);

  Select(0);
  w_->ButtonPlayClick();
  ASSERT_TRUE(WaitPosition(300));
  w_->ButtonSnapshotClick();
  ASSERT_EQ(prompts_.Messages.size(), 1);
  EXPECT_EQ(prompts_.Messages[0], "Please select an output folder!");
  EXPECT_EQ(prompts_.FolderDialogs, 1);
  EXPECT_TRUE(Playing());

  const QString missing = QString::fromStdString(scratch_.file("gone"));
  w_->EditOutputFolder->setText(missing);
  w_->ButtonSnapshotClick();
  ASSERT_EQ(prompts_.Messages.size(), 2);
  EXPECT_EQ(prompts_.Messages[1], "The output folder \"" + missing +
                                      "\"\n\rdoes not exist or has been deleted!\n\rPlease choose a new output folder.");
  EXPECT_EQ(prompts_.FolderDialogs, 2);
  EXPECT_FALSE(std::filesystem::exists(missing.toStdString()));
  EXPECT_FALSE(w_->PreviewPaused);
}

TEST_F(PreviewWindow, CloseReleasesTheGraph) {
  Select(0);
  w_->ButtonPlayClick();
  ASSERT_TRUE(WaitPosition(200));
  w_->close();
  EXPECT_FALSE(Graph()->Active());
}

}  // namespace

int main(int argc, char **argv) {
  // Test discovery runs the program without the test environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
