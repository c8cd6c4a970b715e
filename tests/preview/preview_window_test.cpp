// The preview in the main window, on the generated 3-second clip: Play,
// Pause, Stop, row selection, the volume menu, snapshots, and the preview
// buttons during a conversion.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <filesystem>

#include "bitmap_file.h"
#include "frame_grabber.h"
#include "odd_sources.h"
#include "preview_clip.h"
#include "preview_player.h"
#include "preview_resources.h"
#include "seek_bar.h"
#include "source_list_model.h"
#include "window_fixture.h"

namespace {

using PlaybackState = PreviewPlayer::PlaybackState;

class PreviewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    requireLibraries();
    clip_ = QString::fromStdString(makePreviewClip(scratch_.path().string()));
    ASSERT_FALSE(clip_.isEmpty());
    std::filesystem::create_directories(scratch_.path() / "other");
    other_ = QString::fromStdString(makePreviewClip((scratch_.path() / "other").string()));
    prompts_.yesAnswer = false;
    w_ = run_.start();
    if (w_->startupFailed()) GTEST_SKIP() << "media libraries not available";
    // Two rows through Add File, as the user adds them.
    prompts_.files = {clip_, other_};
    w_->addFiles();
    ASSERT_EQ(w_->sourceJobs().count(), 2);
  }
  void TearDown() override { w_.reset(); }

  void select(int row) {
    control<QTreeView>(*w_, "sourceList")
        ->selectionModel()
        ->select(control<SourceListModel>(*w_, "sourceListModel")->index(row, 0),
                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  PreviewPlayer *graph() const { return w_->previewPlayer(); }
  bool playing() const { return graph() && graph()->state() == PlaybackState::Playing; }
  bool waitState(PlaybackState state, int timeoutMs = 2000) {
    return QTest::qWaitFor([&] { return graph()->state() == state; }, timeoutMs);
  }
  bool waitPosition(int64_t pastMs) {
    return QTest::qWaitFor([&] { return graph() && graph()->position() > pastMs; }, 8000);
  }
  int64_t position() const { return graph() ? graph()->position() : -1; }
  // The row and the file the window has loaded into the preview.
  std::pair<int, QString> loaded() const { return {w_->previewState().row, w_->previewState().file}; }
  bool pictureShown() const { return control<QWidget>(*w_, "previewPicture")->isVisible(); }
  SeekBar *bar() const { return control<SeekBar>(*w_, "seekBar"); }
  // Waits until the bar spans the 3 s of the clip with its thumb at `atLeast`
  // seconds or more, while the preview plays.
  bool waitBar(int atLeast) {
    return QTest::qWaitFor([&] { return playing() && bar()->maximum() == 3 && bar()->value() >= atLeast; }, 8000);
  }
  // Selects `row`, presses Play and waits until playback is past `pastMs`.
  bool playRow(int row, int64_t pastMs) {
    select(row);
    w_->playPreview();
    return waitPosition(pastMs);
  }

  ScratchDir scratch_;
  WindowRun run_;
  FakePrompts &prompts_ = run_.prompts;
  QString clip_, other_, outDir_ = QString::fromStdString(run_.outputDir.path().string());
  std::unique_ptr<MainWindow> w_;
};

TEST_F(PreviewWindow, PlayLoadsAndPlaysTheSelectedRow) {
  select(0);
  w_->playPreview();
  ASSERT_NE(graph(), nullptr);
  EXPECT_TRUE(graph()->active());
  EXPECT_EQ(loaded(), std::pair(0, clip_));
  EXPECT_FALSE(w_->previewState().paused);
  EXPECT_FALSE(w_->previewState().stopped);
  ASSERT_TRUE(waitPosition(700)) << position();
  EXPECT_TRUE(playing());
  EXPECT_TRUE(pictureShown());
  // The position bar follows in seconds.
  EXPECT_TRUE(waitBar(1)) << bar()->maximum() << " " << bar()->value();

  // "Play Selected File" of the list's menu plays the row as well.
  select(1);
  w_->playSelectedFile();
  EXPECT_EQ(loaded(), std::pair(1, other_));
  EXPECT_TRUE(waitPosition(300));
}

TEST_F(PreviewWindow, PauseResumesAndPauseAfterStopDoesNothing) {
  // Nothing loaded yet: Pause has nothing to hold, so Play loads the row.
  w_->pausePreview();
  EXPECT_FALSE(w_->previewState().paused);
  select(0);
  w_->playPreview();
  EXPECT_EQ(w_->previewState().file, clip_);
  ASSERT_TRUE(waitPosition(300));
  w_->pausePreview();
  EXPECT_TRUE(w_->previewState().paused);
  ASSERT_TRUE(waitState(PlaybackState::Paused, 3000));
  const int64_t at = position();
  w_->playPreview();  // resumes, does not reload
  EXPECT_FALSE(w_->previewState().paused);
  ASSERT_TRUE(QTest::qWaitFor([&] { return playing(); }, 3000));
  EXPECT_GE(position(), at - 50);

  w_->stopPreview();
  EXPECT_TRUE(w_->previewState().stopped);
  EXPECT_FALSE(w_->previewState().paused);
  EXPECT_FALSE(graph()->active());
  EXPECT_FALSE(pictureShown());
  w_->pausePreview();
  EXPECT_FALSE(w_->previewState().paused);
  EXPECT_FALSE(graph()->active());
  EXPECT_EQ(graph()->state(), PlaybackState::Stopped);
}

TEST_F(PreviewWindow, PlayAfterStopReloadsFromTheStart) {
  ASSERT_TRUE(playRow(0, 1300)) << position();
  w_->stopPreview();
  w_->playPreview();
  EXPECT_FALSE(w_->previewState().stopped);
  EXPECT_TRUE(graph()->active());
  EXPECT_EQ(w_->previewState().file, clip_);
  // Back near the start first, then on.
  QTest::qWait(150);
  EXPECT_LT(position(), 900);
  ASSERT_TRUE(waitPosition(500));
}

TEST_F(PreviewWindow, SelectingRowsStopsOnlyForAnotherRow) {
  ASSERT_TRUE(playRow(0, 300));
  // The loaded row again: playback goes on.
  control<QTreeView>(*w_, "sourceList")->clearSelection();
  select(0);
  QTest::qWait(300);
  EXPECT_TRUE(playing());
  const int64_t at = position();
  QTest::qWait(300);
  EXPECT_GT(position(), at);

  // Another row: playback stops.
  select(1);
  EXPECT_FALSE(w_->previewState().paused);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !playing(); }, 2000));
  EXPECT_EQ(w_->previewState().row, 0);  // Play loads the new row
  w_->playPreview();
  EXPECT_EQ(loaded(), std::pair(1, other_));
  EXPECT_TRUE(waitPosition(300));
}

TEST_F(PreviewWindow, StopForAnotherRowKeepsTheGraphLoaded) {
  ASSERT_TRUE(playRow(0, 300));
  w_->pausePreview();
  w_->stopPreviewKeepingFile();
  EXPECT_FALSE(w_->previewState().paused);
  EXPECT_FALSE(w_->previewState().stopped);
  EXPECT_TRUE(graph()->active());
  EXPECT_EQ(graph()->fileName(), clip_);
  EXPECT_TRUE(waitState(PlaybackState::Stopped));
  // Not a Stop-button stop: Pause still works.
  w_->pausePreview();
  EXPECT_TRUE(w_->previewState().paused);

  w_->stopAndReleasePreview();
  EXPECT_FALSE(graph()->active());
  EXPECT_FALSE(w_->previewState().paused);
  EXPECT_FALSE(pictureShown());
}

TEST_F(PreviewWindow, PlayWithoutSelectionOnlyStops) {
  ASSERT_TRUE(playRow(0, 300));
  control<QTreeView>(*w_, "sourceList")->clearSelection();
  w_->playPreview();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !playing(); }, 2000));
  EXPECT_EQ(w_->previewState().file, clip_);
}

TEST_F(PreviewWindow, AddFileAndStartStopThePreview) {
  ASSERT_TRUE(playRow(0, 300));
  w_->pausePreview();
  ASSERT_TRUE(w_->previewState().paused);
  prompts_.files = {};
  w_->addFiles();
  EXPECT_FALSE(w_->previewState().paused);
  EXPECT_TRUE(waitState(PlaybackState::Stopped));

  w_->playPreview();
  ASSERT_TRUE(waitPosition(300));
  // Start without an output folder: the preview stops and is released
  // before the checks.
  w_->setOutputFolder(QString());
  w_->startConversion();
  EXPECT_FALSE(w_->runFlags().converting);
  EXPECT_FALSE(graph()->active());
  EXPECT_FALSE(w_->previewState().paused);
}

TEST_F(PreviewWindow, VolumeMenuLevelsAndGlyphs) {
  w_->createPreview();
  const int startUp = graph()->volume();
  EXPECT_EQ(startUp, 10000);
  EXPECT_TRUE(w_->previewState().speaker.isEmpty());

  // Full comes back from mute to the start-up level.
  const struct {
    void (MainWindow::*item)();
    const char *speaker;
    int volume;
    double gain, within;  // the output gain; within < 0: not checked
  } levels[] = {{&MainWindow::mute, "mute", 10, 0, -1},
                {&MainWindow::setHalfVolume, "half", 6000, 0.528, 0.001},
                {&MainWindow::mute, "mute", 10, 0, -1},
                {&MainWindow::setFullVolume, "full", startUp, 1.0, 1e-12}};
  for (const auto &l : levels) {
    (w_.get()->*l.item)();
    EXPECT_EQ(w_->previewState().speaker, l.speaker);
    EXPECT_EQ(graph()->volume(), l.volume) << l.speaker;
    if (l.within >= 0) {
      EXPECT_NEAR(graph()->outputGain(), l.gain, l.within) << l.speaker;
    }
    EXPECT_EQ(control<QToolButton>(*w_, "volumeButton")->icon().pixmap(24, 24).toImage(),
              previewGlyph(QStringLiteral("spk") + l.speaker).toImage())
        << l.speaker;
  }

  // The level set before playback holds for the file played next.
  w_->setHalfVolume();
  select(0);
  w_->playPreview();
  EXPECT_EQ(graph()->volume(), 6000);

  // The button opens the menu 40 pixels up and left of its corner.
  w_->showVolumeMenu();
  ASSERT_TRUE(QTest::qWaitFor([&] { return control<QMenu>(*w_, "volumeMenu")->isVisible(); }, 2000));
  const QPoint wanted = control<QToolButton>(*w_, "volumeButton")->mapToGlobal(QPoint(0, 0)) - QPoint(40, 40);
  const QRect screen = w_->screen()->availableGeometry();
  // Qt moves a menu that would leave the screen; check only where it fits.
  if (screen.contains(QRect(wanted, control<QMenu>(*w_, "volumeMenu")->size()))) {
    EXPECT_EQ(control<QMenu>(*w_, "volumeMenu")->pos(), wanted);
  }
  control<QMenu>(*w_, "volumeMenu")->hide();
}

TEST_F(PreviewWindow, PreviewButtonsDoNothingDuringAConversion) {
  // The run stands between two rows for the whole test: its timer is on but
  // starts no row.
  control<QTimer>(*w_, "nextRowTimer")->setInterval(3600 * 1000);
  // Before anything played: Play loads nothing.
  control<QTimer>(*w_, "nextRowTimer")->start();  // a run is under way
  select(0);
  w_->playPreview();
  EXPECT_TRUE(w_->previewPlayer() == nullptr || !w_->previewPlayer()->active());
  EXPECT_TRUE(w_->previewState().file.isEmpty());
  control<QTimer>(*w_, "nextRowTimer")->stop();

  w_->playPreview();
  ASSERT_TRUE(waitPosition(300));
  w_->setOutputFolder(outDir_);
  control<QTimer>(*w_, "nextRowTimer")->start();  // a run is under way
  w_->pausePreview();
  EXPECT_FALSE(w_->previewState().paused);
  w_->stopPreview();
  EXPECT_FALSE(w_->previewState().stopped);
  EXPECT_TRUE(graph()->active());
  w_->saveSnapshot();
  select(1);  // another row stops the playback, as always
  w_->playPreview();
  EXPECT_EQ(loaded(), std::pair(0, clip_));
  w_->showVolumeMenu();
  QTest::qWait(100);
  EXPECT_FALSE(control<QMenu>(*w_, "volumeMenu")->isVisible());
  EXPECT_TRUE(std::filesystem::is_empty(outDir_.toStdString()));
  EXPECT_TRUE(prompts_.messages.isEmpty());
  control<QTimer>(*w_, "nextRowTimer")->stop();
}

// The 24-bit bitmap a snapshot wrote, as an image; a null one for any
// other file.
QImage savedBitmap(const QString &path) {
  const preview::BitmapInfo bmp = preview::readBitmap24(path.toStdString());
  return bmp.ok && bmp.bitCount == 24
             ? QImage(bmp.rgb.data(), bmp.width, bmp.height, bmp.width * 3, QImage::Format_RGB888).copy()
             : QImage();
}

TEST_F(PreviewWindow, TwoSnapshotsGiveClipThenClipDash1) {
  w_->setOutputFolder(outDir_);
  ASSERT_TRUE(playRow(0, 700));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w_->frameGrabber()->hasFrame(); }, 2000));

  w_->saveSnapshot();
  const QString first = outDir_ + "/clip.bmp";
  ASSERT_TRUE(QFileInfo::exists(first));
  EXPECT_FALSE(w_->previewState().paused);  // playback resumed
  EXPECT_TRUE(QTest::qWaitFor([&] { return playing(); }, 2000));

  ASSERT_TRUE(waitPosition(1400));
  w_->saveSnapshot();
  const QString second = outDir_ + "/clip-1.bmp";
  ASSERT_TRUE(QFileInfo::exists(second));
  EXPECT_TRUE(prompts_.messages.isEmpty());

  for (const QString &shot : {first, second}) {
    const QImage image = savedBitmap(shot);
    EXPECT_EQ(image.size(), QSize(320, 240)) << shot.toStdString();
    EXPECT_GT(meanLevel(image), 40.0) << "black picture";
    EXPECT_LT(bestFrameDifference(image), 12.0);
  }
  // Two moments of a moving picture.
  EXPECT_NE(savedBitmap(first), savedBitmap(second));
}

// A snapshot of a paused preview, in the clip or at its end, keeps it
// paused. Played to its end, the clip stays on its last picture with the bar
// at the end, which Pause and Snapshot keep.
class PausedSnapshot : public PreviewWindow, public ::testing::WithParamInterface<bool> {};

TEST_P(PausedSnapshot, KeepsThePictureAndStaysPaused) {
  const bool toTheEnd = GetParam();
  w_->setOutputFolder(outDir_);
  ASSERT_TRUE(playRow(0, 700));
  if (toTheEnd) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return graph()->atEnd(); }, 10000)) << position();
  }
  w_->pausePreview();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !playing(); }, 3000));
  const int64_t at = position();
  w_->saveSnapshot();
  const FrameMatch match = closestFrame(savedBitmap(outDir_ + "/clip.bmp"));
  EXPECT_LT(match.difference, 12.0);
  EXPECT_TRUE(w_->previewState().paused);
  QTest::qWait(300);
  EXPECT_FALSE(playing());
  EXPECT_LE(position() - at, 50);
  if (!toTheEnd) return;
  EXPECT_EQ(match.index, static_cast<int>(clipFrames().rgb.size()) - 1);
  EXPECT_EQ(position(), graph()->duration());
  EXPECT_EQ(bar()->maximum(), 3);
  EXPECT_EQ(bar()->value(), bar()->maximum());
}

INSTANTIATE_TEST_SUITE_P(InTheClipAndAtTheEnd, PausedSnapshot, ::testing::Bool());

// After a clip with a picture, a source without one leaves the program's
// icon in view: sound alone plays with a moving bar, a file gone or spoilt
// since it was listed says why in the pane.
struct NoPictureCase {
  const char *name;
  int row;              // 0: the clip, spoilt; 1: the other clip, removed; 2: the sound
  const char *message;  // a part of the pane's message; "" for none
};

class PreviewWithoutPicture : public PreviewWindow, public ::testing::WithParamInterface<NoPictureCase> {};

TEST_P(PreviewWithoutPicture, ShowsTheIconAndSaysWhy) {
  const NoPictureCase c = GetParam();
  prompts_.files = {QString::fromStdString(previewAudioClip())};
  QCoreApplication::processEvents();  // the last Add File ends in the event loop
  w_->addFiles();
  ASSERT_EQ(w_->sourceJobs().count(), 3);
  ASSERT_TRUE(playRow(0, 200));
  EXPECT_TRUE(pictureShown());
  if (c.row == 0) writeTextFile(clip_.toStdString());
  if (c.row == 1) {
    ASSERT_TRUE(QFile::remove(other_));
  }
  w_->stopPreviewKeepingFile();
  select(c.row);
  w_->playPreview();
  QLabel *message = control<QLabel>(*w_, "previewMessage");
  if (*c.message) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return message && message->isVisible(); }, 8000));
    EXPECT_TRUE(message->text().contains(QFileInfo(w_->previewState().file).fileName())) << message->text().toStdString();
    EXPECT_TRUE(message->text().contains(QString::fromLatin1(c.message))) << message->text().toStdString();
  } else {
    ASSERT_TRUE(waitBar(1)) << bar()->maximum() << " " << bar()->value();
    EXPECT_TRUE(message == nullptr || !message->isVisible());
  }
  EXPECT_FALSE(pictureShown());
  EXPECT_TRUE(control<QLabel>(*w_, "previewLogo")->isVisible());
  w_->stopPreview();  // the message goes with the Stop button
  EXPECT_TRUE(message == nullptr || !message->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Sources, PreviewWithoutPicture,
                         ::testing::Values(NoPictureCase{"sound", 2, ""}, NoPictureCase{"missing", 1, "does not exist"},
                                           NoPictureCase{"spoilt", 0, "cannot"}),
                         [](const auto &info) { return std::string(info.param.name); });

// A row turned by hand plays turned: the landscape clip turned a quarter
// to the left is a portrait picture.
TEST_F(PreviewWindow, TurnedRowIsPreviewedTurned) {
  w_->sourceJobs().setEdits(0, JobEdits{.rotation = 270});
  ASSERT_TRUE(playRow(0, 400));
  QImage image;
  ASSERT_TRUE(w_->frameGrabber()->getBitmap(image));
  EXPECT_EQ(image.size(), QSize(240, 320));
  EXPECT_LT(bestTurnedDifference(image, clip_.toStdString(), 270), 12.0);
}

TEST_F(PreviewWindow, SnapshotChecksTheOutputFolder) {
  // Without an active graph nothing happens.
  w_->setOutputFolder(QString());
  w_->saveSnapshot();
  EXPECT_TRUE(prompts_.messages.isEmpty());
  EXPECT_EQ(prompts_.folderDialogs, 0);

  ASSERT_TRUE(playRow(0, 300));
  w_->saveSnapshot();
  EXPECT_EQ(prompts_.messages, QStringList{"Please select an output folder!"});
  EXPECT_EQ(prompts_.folderDialogs, 1);
  EXPECT_TRUE(playing());

  const QString missing = QString::fromStdString(scratch_.file("gone"));
  w_->setOutputFolder(missing);
  w_->saveSnapshot();
  ASSERT_EQ(prompts_.messages.size(), 2);
  EXPECT_EQ(prompts_.messages[1], "The output folder \"" + missing +
                                      "\"\n\rdoes not exist or has been deleted!\n\rPlease choose a new output folder.");
  EXPECT_EQ(prompts_.folderDialogs, 2);
  EXPECT_FALSE(std::filesystem::exists(missing.toStdString()));
  EXPECT_FALSE(w_->previewState().paused);
}

TEST_F(PreviewWindow, CloseReleasesTheGraph) {
  ASSERT_TRUE(playRow(0, 200));
  w_->close();
  EXPECT_FALSE(graph()->active());
}

}  // namespace
