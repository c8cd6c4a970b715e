// The playback graph, its frame grabber, position bar and built-in
// resources, driven on the generated clip (offscreen, no sound device
// needed).
#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QMouseEvent>
#include <QTest>
#include <tuple>

#include "bitmap_file.h"
#include "file_bytes.h"
#include "seek_bar.h"
#include "preview_player.h"
#include "preview_clip.h"
#include "preview_resources.h"
#include "frame_grabber.h"
#include "media_fixture.h"
#include "media_measure.h"
#include "test_env.h"
#include "preview_view.h"

namespace {

class PreviewGraph : public ::testing::Test {
 protected:
  void SetUp() override {
    clip_ = QString::fromStdString(makePreviewClip(dir_.path().string()));
    ASSERT_FALSE(clip_.isEmpty());
    grabber_.setPlayer(&graph_);
    graph_.setView(&window_);
    bar_.setPlayer(&graph_);
  }

  // Activates the graph, plays `path` and waits until it is past `pastMs`.
  bool start(const QString &path, int64_t pastMs) {
    graph_.activate();
    return graph_.renderFile(path) && graph_.play() && waitPlaying(pastMs);
  }

  bool waitPlaying(int64_t pastMs, int timeoutMs = 8000) {
    // The length can come in a little after playback starts.
    return QTest::qWaitFor([&] { return graph_.position() > pastMs && grabber_.hasFrame() && graph_.duration() > 0; },
                           timeoutMs);
  }

  ScratchDir dir_;
  QString clip_;
  PreviewPlayer graph_;
  FrameGrabber grabber_;
  PreviewView window_;
  SeekBar bar_;
};

TEST_F(PreviewGraph, PlaysPausesAndStops) {
  EXPECT_FALSE(graph_.active());
  EXPECT_FALSE(graph_.renderFile(clip_));  // nothing to load into
  EXPECT_FALSE(graph_.play());

  graph_.activate();
  ASSERT_TRUE(graph_.active());
  // Sound goes out only where there is a device; playback runs either way.
  EXPECT_EQ(graph_.hasSoundOutput(), !QMediaDevices::audioOutputs().isEmpty());
  ASSERT_TRUE(graph_.renderFile(clip_));
  ASSERT_TRUE(graph_.play());
  ASSERT_TRUE(waitPlaying(600)) << "position " << graph_.position();
  EXPECT_EQ(graph_.state(), PreviewPlayer::PlaybackState::Playing);
  EXPECT_NEAR(static_cast<double>(graph_.duration()), 3000.0, 150.0);
  EXPECT_GT(window_.framesShown(), 5);

  ASSERT_TRUE(graph_.pause());
  ASSERT_TRUE(QTest::qWaitFor([&] { return graph_.state() == PreviewPlayer::PlaybackState::Paused; }, 3000));
  const int64_t pausedAt = graph_.position();
  QTest::qWait(400);
  EXPECT_LE(graph_.position() - pausedAt, 50);

  ASSERT_TRUE(graph_.stop());
  EXPECT_TRUE(QTest::qWaitFor([&] { return graph_.state() == PreviewPlayer::PlaybackState::Stopped; }, 3000));

  graph_.deactivate();
  EXPECT_FALSE(graph_.active());
  EXPECT_EQ(graph_.player(), nullptr);
  EXPECT_FALSE(grabber_.hasFrame());  // the picture went with the graph
  EXPECT_EQ(graph_.duration(), 0);
}

TEST_F(PreviewGraph, GrabbedFrameIsTheClipsPicture) {
  ASSERT_TRUE(start(clip_, 800));
  graph_.pause();
  QTest::qWait(200);
  QImage image;
  ASSERT_TRUE(grabber_.getBitmap(image));
  EXPECT_EQ(image.format(), QImage::Format_RGB888);
  EXPECT_EQ(image.size(), QSize(320, 240));
  EXPECT_GT(meanLevel(image), 40.0);
  EXPECT_LT(bestFrameDifference(image), 12.0);

  const QString path = QString::fromStdString(dir_.file("frame.bmp"));
  ASSERT_EQ(saveBitmapFile(image, path), QString());
  const preview::BitmapInfo back = preview::readBitmap24(path.toStdString());
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(std::tuple(back.bitCount, back.width, back.height), std::tuple(24, 320, 240));
  EXPECT_EQ(back.rgb[3 * (120 * 320 + 100) + 1], image.constScanLine(120)[3 * 100 + 1]);
}

TEST_F(PreviewGraph, ClearGraphUnloadsButStaysActive) {
  ASSERT_TRUE(start(clip_, 200));
  graph_.clearGraph();
  EXPECT_TRUE(graph_.active());
  EXPECT_FALSE(grabber_.hasFrame());
  EXPECT_FALSE(graph_.play());  // nothing loaded
  EXPECT_EQ(graph_.fileName(), QString());
}

TEST_F(PreviewGraph, UnplayableFileLeavesNoPicture) {
  const std::string bad = dir_.file("broken.mov");
  writeFileBytes(bad, std::string(4096, 'x'));
  graph_.activate();
  ASSERT_TRUE(graph_.renderFile(QString::fromStdString(bad)));
  graph_.play();
  QTest::qWait(1000);
  EXPECT_FALSE(grabber_.hasFrame());
  QImage image;
  EXPECT_FALSE(grabber_.getBitmap(image));
  EXPECT_LE(graph_.position(), 0);
  EXPECT_FALSE(graph_.failure().isEmpty());  // the reason is kept for the window
}

// A clip is shown and grabbed turned by its own display matrix (a phone's
// portrait clip, coded landscape) plus the turn set by hand, also when the
// turn is set on the paused picture: the playback marks its pictures with
// the turn, which the window and the snapshot follow.
struct TurnCase {
  int ownDegrees;
  int quarterTurns;
  QSize shown;
};

class PreviewTurn : public PreviewGraph, public ::testing::WithParamInterface<TurnCase> {};

TEST_P(PreviewTurn, PictureIsTurnedByMatrixAndHand) {
  const TurnCase c = GetParam();
  MediaRecipe recipe = smallClipRecipe(2.0);
  recipe.rotation = c.ownDegrees;
  const std::string path = cachedFixture(recipe, "preview-turned-" + std::to_string(c.ownDegrees) + ".mov");
  ASSERT_FALSE(path.empty());
  ASSERT_TRUE(start(QString::fromStdString(path), 600));
  graph_.pause();
  ASSERT_TRUE(QTest::qWaitFor([&] { return graph_.state() == PreviewPlayer::PlaybackState::Paused; }, 3000));
  graph_.setTurn(c.quarterTurns + 4);  // taken modulo 4
  EXPECT_EQ(graph_.turn(), c.quarterTurns);
  QImage image;
  ASSERT_TRUE(grabber_.getBitmap(image));
  ASSERT_EQ(image.size(), c.shown);
  EXPECT_LT(bestTurnedDifference(image, path, (c.ownDegrees + 90 * c.quarterTurns) % 360), 12.0);
  ASSERT_TRUE(graph_.renderFile(clip_));  // the next file comes without the turn
  EXPECT_EQ(graph_.turn(), 0);
}

INSTANTIATE_TEST_SUITE_P(Turns, PreviewTurn,
                         ::testing::Values(TurnCase{90, 0, {240, 320}}, TurnCase{0, 1, {240, 320}},
                                           TurnCase{0, 2, {320, 240}}, TurnCase{90, 1, {320, 240}},
                                           TurnCase{0, 3, {240, 320}}));

TEST_F(PreviewGraph, VolumeScaleIsClampedAndKeptAcrossActivation) {
  EXPECT_EQ(graph_.volume(), 10000);
  graph_.setVolume(20000);
  EXPECT_EQ(graph_.volume(), 10000);
  EXPECT_DOUBLE_EQ(graph_.outputGain(), 1.0);
  graph_.setVolume(6000);
  graph_.activate();
  EXPECT_EQ(graph_.volume(), 6000);
  EXPECT_NEAR(graph_.outputGain(), 0.528, 0.001);
  graph_.setVolume(-3);
  EXPECT_EQ(graph_.volume(), 0);
  EXPECT_EQ(graph_.outputGain(), 0.0);
}

TEST_F(PreviewGraph, TrackBarFollowsPlaybackAndSeeksOnRelease) {
  graph_.activate();
  ASSERT_TRUE(graph_.renderFile(clip_));
  ASSERT_TRUE(graph_.play());
  // The bar's own timer refreshes within a second of playback.
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar_.maximum() == 3 && bar_.value() >= 1; }, 4000))
      << bar_.maximum() << " " << bar_.value();

  // While the thumb is held the refresh leaves it alone.
  bar_.setSliderDown(true);
  bar_.setValue(0);
  bar_.refreshPosition();
  EXPECT_EQ(bar_.value(), 0);

  // Releasing at 1 of 3 seeks to a third of the duration.
  graph_.pause();
  bar_.setValue(1);
  bar_.setSliderDown(false);
  bar_.seekToThumb();
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::llabs(graph_.position() - graph_.duration() / 3) < 150; }, 3000))
      << graph_.position();

  // No range yet: releasing does not seek (and does not divide by zero).
  bar_.setRange(0, 0);
  const int64_t before = graph_.position();
  bar_.seekToThumb();
  QTest::qWait(200);
  EXPECT_NEAR(static_cast<double>(graph_.position()), static_cast<double>(before), 60.0);
}

TEST_F(PreviewGraph, AnySliderSeeksOnLeftRelease) {
  QSlider slider(Qt::Horizontal);
  slider.resize(120, 20);
  SeekBarBinding *binding = seekBarBinding(&slider);
  EXPECT_EQ(seekBarBinding(&slider), binding);  // one binding a slider
  binding->setPlayer(&graph_);
  ASSERT_TRUE(start(clip_, 200));
  graph_.pause();
  slider.setRange(0, 3);
  slider.setValue(2);
  QMouseEvent right(QEvent::MouseButtonRelease, QPointF(60, 10), QPointF(60, 10), Qt::RightButton,
                    Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&slider, &right);
  QTest::qWait(300);
  EXPECT_LT(graph_.position(), 1500);  // only the left button seeks
  QMouseEvent left(QEvent::MouseButtonRelease, QPointF(60, 10), QPointF(60, 10), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(&slider, &left);
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::llabs(graph_.position() - graph_.duration() * 2 / 3) < 150; }, 3000))
      << graph_.position();
}

TEST(PreviewResources, GlyphsAndSnapSoundAreBuiltIn) {
  const QPixmap full = previewGlyph("SpkFull");
  const QPixmap half = previewGlyph("spkhalf");
  const QPixmap mute = previewGlyph("SPKMUTE");
  for (const QPixmap &glyph : {full, half, mute}) ASSERT_FALSE(glyph.isNull());
  EXPECT_NE(full.toImage(), half.toImage());
  EXPECT_NE(half.toImage(), mute.toImage());
  EXPECT_TRUE(previewGlyph("spkloud").isNull());

  const QString snap = previewResourcePath("Snap", "WAV");
  ASSERT_FALSE(snap.isEmpty());
  QFile wav(snap);
  ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
  const QByteArray data = wav.readAll();
  ASSERT_GT(data.size(), 44);
  EXPECT_EQ(data.left(4), QByteArray("RIFF"));
  EXPECT_EQ(data.mid(8, 4), QByteArray("WAVE"));
  // A click, not a tune: under half a second of 16-bit mono at 22050 Hz.
  EXPECT_LT(data.size() - 44, 22050);

  ResourceSound sound;
  EXPECT_FALSE(sound.play("NoSuchSound"));
  const bool played = sound.play("Snap");
  EXPECT_EQ(played, !QMediaDevices::audioOutputs().isEmpty());
}

}  // namespace
