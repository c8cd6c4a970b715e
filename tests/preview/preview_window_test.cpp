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
#include "queue_window_fixture.h"
#include "seek_bar.h"

namespace {

using PlaybackState = PreviewPlayer::PlaybackState;

class PreviewWindow : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    clip_ = QString::fromStdString(makePreviewClip(scratch.path().string()));
    ASSERT_FALSE(clip_.isEmpty());
    std::filesystem::create_directories(scratch.path() / "other");
    other_ = QString::fromStdString(makePreviewClip((scratch.path() / "other").string()));
    // Two rows through Add File, as the user adds them.
    addFiles({clip_, other_});
    ASSERT_EQ(rows(), 2);
  }

  PreviewPlayer *graph() const { return window->previewPlayer(); }
  bool playing() const { return graph() && graph()->state() == PlaybackState::Playing; }
  bool waitState(PlaybackState state, int timeoutMs = 2000) {
    return QTest::qWaitFor([&] { return graph()->state() == state; }, timeoutMs);
  }
  bool waitPosition(int64_t pastMs) {
    return QTest::qWaitFor([&] { return graph() && graph()->position() > pastMs; }, 8000);
  }
  int64_t position() const { return graph() ? graph()->position() : -1; }
  // The row and the file the window has loaded into the preview.
  std::pair<int, QString> loaded() const { return {window->previewState().row, window->previewState().file}; }
  bool pictureShown() const { return control<QWidget>(*window, "previewPicture")->isVisible(); }
  SeekBar *bar() const { return control<SeekBar>(*window, "seekBar"); }
  // Waits until the bar spans the 3 s of the clip with its thumb at `atLeast`
  // seconds or more, while the preview plays.
  bool waitBar(int atLeast) {
    return QTest::qWaitFor([&] { return playing() && bar()->maximum() == 3 && bar()->value() >= atLeast; }, 8000);
  }
  // Selects `row`, presses Play and waits until playback is past `pastMs`.
  bool playRow(int row, int64_t pastMs) {
    select(row);
    window->playPreview();
    return waitPosition(pastMs);
  }

  QString clip_, other_, outDir_ = QString::fromStdString(run.outputDir.path().string());
};

TEST_F(PreviewWindow, PlayLoadsAndPlaysTheSelectedRow) {
  select(0);
  window->playPreview();
  ASSERT_NE(graph(), nullptr);
  EXPECT_TRUE(graph()->active());
  EXPECT_EQ(loaded(), std::pair(0, clip_));
  EXPECT_FALSE(window->previewState().paused);
  EXPECT_FALSE(window->previewState().stopped);
  ASSERT_TRUE(waitPosition(700)) << position();
  EXPECT_TRUE(playing());
  EXPECT_TRUE(pictureShown());
  // The position bar follows in seconds.
  EXPECT_TRUE(waitBar(1)) << bar()->maximum() << " " << bar()->value();

  // "Play Selected File" of the list's menu plays the row as well.
  select(1);
  window->playSelectedFile();
  EXPECT_EQ(loaded(), std::pair(1, other_));
  EXPECT_TRUE(waitPosition(300));
}

TEST_F(PreviewWindow, PauseResumesAndPauseAfterStopDoesNothing) {
  // Nothing loaded yet: Pause has nothing to hold, so Play loads the row.
  window->pausePreview();
  EXPECT_FALSE(window->previewState().paused);
  select(0);
  window->playPreview();
  EXPECT_EQ(window->previewState().file, clip_);
  ASSERT_TRUE(waitPosition(300));
  window->pausePreview();
  EXPECT_TRUE(window->previewState().paused);
  ASSERT_TRUE(waitState(PlaybackState::Paused, 3000));
  const int64_t at = position();
  window->playPreview();  // resumes, does not reload
  EXPECT_FALSE(window->previewState().paused);
  ASSERT_TRUE(QTest::qWaitFor([&] { return playing(); }, 3000));
  EXPECT_GE(position(), at - 50);

  window->stopPreview();
  EXPECT_TRUE(window->previewState().stopped);
  EXPECT_FALSE(window->previewState().paused);
  EXPECT_FALSE(graph()->active());
  EXPECT_FALSE(pictureShown());
  window->pausePreview();
  EXPECT_FALSE(window->previewState().paused);
  EXPECT_FALSE(graph()->active());
  EXPECT_EQ(graph()->state(), PlaybackState::Stopped);
}

TEST_F(PreviewWindow, PlayAfterStopReloadsFromTheStart) {
  ASSERT_TRUE(playRow(0, 1300)) << position();
  window->stopPreview();
  window->playPreview();
  EXPECT_FALSE(window->previewState().stopped);
  EXPECT_TRUE(graph()->active());
  EXPECT_EQ(window->previewState().file, clip_);
  // Back near the start first, then on.
  QTest::qWait(150);
  EXPECT_LT(position(), 900);
  ASSERT_TRUE(waitPosition(500));
}

TEST_F(PreviewWindow, SelectingRowsStopsOnlyForAnotherRow) {
  ASSERT_TRUE(playRow(0, 300));
  // The loaded row again: playback goes on.
  control<QTreeView>(*window, "sourceList")->clearSelection();
  select(0);
  QTest::qWait(300);
  EXPECT_TRUE(playing());
  const int64_t at = position();
  QTest::qWait(300);
  EXPECT_GT(position(), at);

  // Another row: playback stops.
  select(1);
  EXPECT_FALSE(window->previewState().paused);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !playing(); }, 2000));
  EXPECT_EQ(window->previewState().row, 0);  // Play loads the new row
  window->playPreview();
  EXPECT_EQ(loaded(), std::pair(1, other_));
  EXPECT_TRUE(waitPosition(300));
}

TEST_F(PreviewWindow, StopForAnotherRowKeepsTheGraphLoaded) {
  ASSERT_TRUE(playRow(0, 300));
  window->pausePreview();
  window->stopPreviewKeepingFile();
  EXPECT_FALSE(window->previewState().paused);
  EXPECT_FALSE(window->previewState().stopped);
  EXPECT_TRUE(graph()->active());
  EXPECT_EQ(graph()->fileName(), clip_);
  EXPECT_TRUE(waitState(PlaybackState::Stopped));
  // Not a Stop-button stop: Pause still works.
  window->pausePreview();
  EXPECT_TRUE(window->previewState().paused);

  window->stopAndReleasePreview();
  EXPECT_FALSE(graph()->active());
  EXPECT_FALSE(window->previewState().paused);
  EXPECT_FALSE(pictureShown());
}

TEST_F(PreviewWindow, PlayWithoutSelectionOnlyStops) {
  ASSERT_TRUE(playRow(0, 300));
  control<QTreeView>(*window, "sourceList")->clearSelection();
  window->playPreview();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !playing(); }, 2000));
  EXPECT_EQ(window->previewState().file, clip_);
}

TEST_F(PreviewWindow, AddFileAndStartStopThePreview) {
  ASSERT_TRUE(playRow(0, 300));
  window->pausePreview();
  ASSERT_TRUE(window->previewState().paused);
  addFiles({});
  EXPECT_FALSE(window->previewState().paused);
  EXPECT_TRUE(waitState(PlaybackState::Stopped));

  window->playPreview();
  ASSERT_TRUE(waitPosition(300));
  // Start without an output folder: the preview stops and is released
  // before the checks.
  window->setOutputFolder(QString());
  window->startConversion();
  EXPECT_FALSE(window->runFlags().converting);
  EXPECT_FALSE(graph()->active());
  EXPECT_FALSE(window->previewState().paused);
}

TEST_F(PreviewWindow, VolumeMenuLevelsAndGlyphs) {
  window->createPreview();
  const int startUp = graph()->volume();
  EXPECT_EQ(startUp, 10000);
  EXPECT_TRUE(window->previewState().speaker.isEmpty());

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
    (window.get()->*l.item)();
    EXPECT_EQ(window->previewState().speaker, l.speaker);
    EXPECT_EQ(graph()->volume(), l.volume) << l.speaker;
    if (l.within >= 0) {
      EXPECT_NEAR(graph()->outputGain(), l.gain, l.within) << l.speaker;
    }
    EXPECT_EQ(control<QToolButton>(*window, "volumeButton")->icon().pixmap(24, 24).toImage(),
              previewGlyph(QStringLiteral("spk") + l.speaker).toImage())
        << l.speaker;
  }

  // The level set before playback holds for the file played next.
  window->setHalfVolume();
  select(0);
  window->playPreview();
  EXPECT_EQ(graph()->volume(), 6000);

  // The button opens the menu 40 pixels up and left of its corner.
  window->showVolumeMenu();
  ASSERT_TRUE(QTest::qWaitFor([&] { return control<QMenu>(*window, "volumeMenu")->isVisible(); }, 2000));
  const QPoint wanted = control<QToolButton>(*window, "volumeButton")->mapToGlobal(QPoint(0, 0)) - QPoint(40, 40);
  const QRect screen = window->screen()->availableGeometry();
  // Qt moves a menu that would leave the screen; check only where it fits.
  if (screen.contains(QRect(wanted, control<QMenu>(*window, "volumeMenu")->size()))) {
    EXPECT_EQ(control<QMenu>(*window, "volumeMenu")->pos(), wanted);
  }
  control<QMenu>(*window, "volumeMenu")->hide();
}

TEST_F(PreviewWindow, PreviewButtonsDoNothingDuringAConversion) {
  // The run stands between two rows for the whole test: its timer is on but
  // starts no row.
  control<QTimer>(*window, "nextRowTimer")->setInterval(3600 * 1000);
  // Before anything played: Play loads nothing.
  control<QTimer>(*window, "nextRowTimer")->start();  // a run is under way
  select(0);
  window->playPreview();
  EXPECT_TRUE(window->previewPlayer() == nullptr || !window->previewPlayer()->active());
  EXPECT_TRUE(window->previewState().file.isEmpty());
  control<QTimer>(*window, "nextRowTimer")->stop();

  window->playPreview();
  ASSERT_TRUE(waitPosition(300));
  window->setOutputFolder(outDir_);
  control<QTimer>(*window, "nextRowTimer")->start();  // a run is under way
  window->pausePreview();
  EXPECT_FALSE(window->previewState().paused);
  window->stopPreview();
  EXPECT_FALSE(window->previewState().stopped);
  EXPECT_TRUE(graph()->active());
  window->saveSnapshot();
  select(1);  // another row stops the playback, as always
  window->playPreview();
  EXPECT_EQ(loaded(), std::pair(0, clip_));
  window->showVolumeMenu();
  QTest::qWait(100);
  EXPECT_FALSE(control<QMenu>(*window, "volumeMenu")->isVisible());
  EXPECT_TRUE(std::filesystem::is_empty(outDir_.toStdString()));
  EXPECT_TRUE(prompts.messages.isEmpty());
  control<QTimer>(*window, "nextRowTimer")->stop();
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
  window->setOutputFolder(outDir_);
  ASSERT_TRUE(playRow(0, 700));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->frameGrabber()->hasFrame(); }, 2000));

  window->saveSnapshot();
  const QString first = outDir_ + "/clip.bmp";
  ASSERT_TRUE(QFileInfo::exists(first));
  EXPECT_FALSE(window->previewState().paused);  // playback resumed
  EXPECT_TRUE(QTest::qWaitFor([&] { return playing(); }, 2000));

  ASSERT_TRUE(waitPosition(1400));
  window->saveSnapshot();
  const QString second = outDir_ + "/clip-1.bmp";
  ASSERT_TRUE(QFileInfo::exists(second));
  EXPECT_TRUE(prompts.messages.isEmpty());

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
  window->setOutputFolder(outDir_);
  ASSERT_TRUE(playRow(0, 700));
  if (toTheEnd) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return graph()->atEnd(); }, 10000)) << position();
  }
  window->pausePreview();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !playing(); }, 3000));
  const int64_t at = position();
  window->saveSnapshot();
  const FrameMatch match = closestFrame(savedBitmap(outDir_ + "/clip.bmp"));
  EXPECT_LT(match.difference, 12.0);
  EXPECT_TRUE(window->previewState().paused);
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
  addFiles({QString::fromStdString(previewAudioClip())});
  ASSERT_EQ(rows(), 3);
  ASSERT_TRUE(playRow(0, 200));
  EXPECT_TRUE(pictureShown());
  if (c.row == 0) writeTextFile(clip_.toStdString());
  if (c.row == 1) {
    ASSERT_TRUE(QFile::remove(other_));
  }
  window->stopPreviewKeepingFile();
  select(c.row);
  window->playPreview();
  QLabel *message = control<QLabel>(*window, "previewMessage");
  if (*c.message) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return message && message->isVisible(); }, 8000));
    EXPECT_TRUE(message->text().contains(QFileInfo(window->previewState().file).fileName()))
        << message->text().toStdString();
    EXPECT_TRUE(message->text().contains(QString::fromLatin1(c.message))) << message->text().toStdString();
  } else {
    ASSERT_TRUE(waitBar(1)) << bar()->maximum() << " " << bar()->value();
    EXPECT_TRUE(message == nullptr || !message->isVisible());
  }
  EXPECT_FALSE(pictureShown());
  EXPECT_TRUE(control<QLabel>(*window, "previewLogo")->isVisible());
  window->stopPreview();  // the message goes with the Stop button
  EXPECT_TRUE(message == nullptr || !message->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Sources, PreviewWithoutPicture,
                         ::testing::Values(NoPictureCase{"sound", 2, ""}, NoPictureCase{"missing", 1, "does not exist"},
                                           NoPictureCase{"spoilt", 0, "cannot"}),
                         [](const auto &info) { return std::string(info.param.name); });

// A row turned by hand plays turned: the landscape clip turned a quarter
// to the left is a portrait picture.
TEST_F(PreviewWindow, TurnedRowIsPreviewedTurned) {
  window->sourceJobs().setEdits(0, JobEdits{.rotation = 270});
  ASSERT_TRUE(playRow(0, 400));
  QImage image;
  ASSERT_TRUE(window->frameGrabber()->getBitmap(image));
  EXPECT_EQ(image.size(), QSize(240, 320));
  EXPECT_LT(bestTurnedDifference(image, clip_.toStdString(), 270), 12.0);
}

TEST_F(PreviewWindow, SnapshotChecksTheOutputFolder) {
  // Without an active graph nothing happens.
  window->setOutputFolder(QString());
  window->saveSnapshot();
  EXPECT_TRUE(prompts.messages.isEmpty());
  EXPECT_EQ(prompts.folderDialogs, 0);

  ASSERT_TRUE(playRow(0, 300));
  window->saveSnapshot();
  EXPECT_EQ(prompts.messages, QStringList{"Please select an output folder!"});
  EXPECT_EQ(prompts.folderDialogs, 1);
  EXPECT_TRUE(playing());

  const QString missing = QString::fromStdString(scratch.file("gone"));
  window->setOutputFolder(missing);
  window->saveSnapshot();
  ASSERT_EQ(prompts.messages.size(), 2);
  EXPECT_EQ(prompts.messages[1], "The output folder \"" + missing +
                                     "\"\n\rdoes not exist or has been deleted!\n\r"
                                     "Please choose a new output folder.");
  EXPECT_EQ(prompts.folderDialogs, 2);
  EXPECT_FALSE(std::filesystem::exists(missing.toStdString()));
  EXPECT_FALSE(window->previewState().paused);
}

TEST_F(PreviewWindow, CloseReleasesTheGraph) {
  ASSERT_TRUE(playRow(0, 200));
  window->close();
  EXPECT_FALSE(graph()->active());
}

}  // namespace
