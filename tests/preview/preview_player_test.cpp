// The playback graph, its frame grabber, position bar and built-in
// resources, driven on the generated clip (offscreen, no sound device
// needed).
#include <gtest/gtest.h>

#include <QApplication>
#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QMouseEvent>
#include <QTest>

#include "bitmap_file.h"
#include "ds_track_bar.h"
#include "filter_graph.h"
#include "preview_clip.h"
#include "preview_resources.h"
#include "sample_grabber.h"
#include "test_env.h"
#include "video_window.h"

namespace {

class PreviewGraph : public ::testing::Test {
 protected:
  void SetUp() override {
    clip_ = QString::fromStdString(MakePreviewClip(dir_.path().string()));
    ASSERT_FALSE(clip_.isEmpty());
    grabber_.SetFilterGraph(&graph_);
    window_.SetFilterGraph(&graph_);
    bar_.SetFilterGraph(&graph_);
  }

  bool waitPlaying(int64_t pastMs, int timeoutMs = 8000) {
    return QTest::qWaitFor([&] { return graph_.Position() > pastMs && grabber_.HasFrame(); }, timeoutMs);
  }

  TScratchDir dir_;
  QString clip_;
  TFilterGraph graph_;
  TSampleGrabber grabber_;
  TVideoWindow window_;
  TDSTrackBar bar_;
};

TEST_F(PreviewGraph, PlaysPausesAndStops) {
  EXPECT_FALSE(graph_.Active());
  EXPECT_FALSE(graph_.RenderFile(clip_));  // nothing to load into
  EXPECT_FALSE(graph_.Play());

  graph_.Activate();
  ASSERT_TRUE(graph_.Active());
  // Sound goes out only where there is a device; playback runs either way.
  EXPECT_EQ(graph_.HasSoundOutput(), !QMediaDevices::audioOutputs().isEmpty());
  ASSERT_TRUE(graph_.RenderFile(clip_));
  ASSERT_TRUE(graph_.Play());
  ASSERT_TRUE(waitPlaying(600)) << "position " << graph_.Position();
  EXPECT_EQ(graph_.State(), TFilterGraph::gsPlaying);
  EXPECT_NEAR(static_cast<double>(graph_.Duration()), 3000.0, 150.0);
  EXPECT_GT(window_.FramesShown(), 5);

  ASSERT_TRUE(graph_.Pause());
  ASSERT_TRUE(QTest::qWaitFor([&] { return graph_.State() == TFilterGraph::gsPaused; }, 3000));
  const int64_t pausedAt = graph_.Position();
  QTest::qWait(400);
  EXPECT_LE(graph_.Position() - pausedAt, 50);

  ASSERT_TRUE(graph_.Stop());
  EXPECT_TRUE(QTest::qWaitFor([&] { return graph_.State() == TFilterGraph::gsStopped; }, 3000));

  graph_.Deactivate();
  EXPECT_FALSE(graph_.Active());
  EXPECT_EQ(graph_.Player(), nullptr);
  EXPECT_FALSE(grabber_.HasFrame());  // the picture went with the graph
  EXPECT_EQ(graph_.Duration(), 0);
}

TEST_F(PreviewGraph, GrabbedFrameIsTheClipsPicture) {
  graph_.Activate();
  ASSERT_TRUE(graph_.RenderFile(clip_));
  ASSERT_TRUE(graph_.Play());
  ASSERT_TRUE(waitPlaying(800));
  graph_.Pause();
  QTest::qWait(200);
  QImage image;
  ASSERT_TRUE(grabber_.GetBitmap(image));
  EXPECT_EQ(image.format(), QImage::Format_RGB888);
  EXPECT_EQ(image.size(), QSize(320, 240));
  EXPECT_GT(MeanLevel(image), 40.0);
  EXPECT_LT(BestFrameDifference(image), 12.0);

  const QString path = QString::fromStdString(dir_.file("frame.bmp"));
  ASSERT_EQ(SaveBitmapFile(image, path), QString());
  const preview::TBitmapInfo back = preview::ReadBitmap24(path.toStdString());
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.bitCount, 24);
  EXPECT_EQ(back.width, 320);
  EXPECT_EQ(back.height, 240);
  EXPECT_EQ(back.rgb[3 * (120 * 320 + 100) + 1], image.constScanLine(120)[3 * 100 + 1]);
}

TEST_F(PreviewGraph, ClearGraphUnloadsButStaysActive) {
  graph_.Activate();
  ASSERT_TRUE(graph_.RenderFile(clip_));
  ASSERT_TRUE(graph_.Play());
  ASSERT_TRUE(waitPlaying(200));
  graph_.ClearGraph();
  EXPECT_TRUE(graph_.Active());
  EXPECT_FALSE(grabber_.HasFrame());
  EXPECT_FALSE(graph_.Play());  // nothing loaded
  EXPECT_EQ(graph_.FileName(), QString());
}

TEST_F(PreviewGraph, UnplayableFileLeavesNoPicture) {
  const std::string bad = dir_.file("broken.mov");
  {
    QFile f(QString::fromStdString(bad));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
  }
  graph_.Activate();
  ASSERT_TRUE(graph_.RenderFile(QString::fromStdString(bad)));
  graph_.Play();
  QTest::qWait(1000);
  EXPECT_FALSE(grabber_.HasFrame());
  QImage image;
  EXPECT_FALSE(grabber_.GetBitmap(image));
  EXPECT_LE(graph_.Position(), 0);
}

TEST_F(PreviewGraph, VolumeScaleIsClampedAndKeptAcrossActivation) {
  EXPECT_EQ(graph_.Volume(), 10000);
  graph_.SetVolume(20000);
  EXPECT_EQ(graph_.Volume(), 10000);
  EXPECT_DOUBLE_EQ(graph_.OutputGain(), 1.0);
  graph_.SetVolume(6000);
  graph_.Activate();
  EXPECT_EQ(graph_.Volume(), 6000);
  EXPECT_NEAR(graph_.OutputGain(), 0.528, 0.001);
  graph_.SetVolume(-3);
  EXPECT_EQ(graph_.Volume(), 0);
  EXPECT_EQ(graph_.OutputGain(), 0.0);
}

TEST_F(PreviewGraph, TrackBarFollowsPlaybackAndSeeksOnRelease) {
  graph_.Activate();
  ASSERT_TRUE(graph_.RenderFile(clip_));
  ASSERT_TRUE(graph_.Play());
  // The bar's own timer refreshes within a second of playback.
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar_.maximum() == 3 && bar_.value() >= 1; }, 4000))
      << bar_.maximum() << " " << bar_.value();

  // While the thumb is held the refresh leaves it alone.
  bar_.setSliderDown(true);
  bar_.setValue(0);
  bar_.RefreshPosition();
  EXPECT_EQ(bar_.value(), 0);

  // Releasing at 1 of 3 seeks to a third of the duration.
  graph_.Pause();
  bar_.setValue(1);
  bar_.setSliderDown(false);
  bar_.SeekToThumb();
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::llabs(graph_.Position() - graph_.Duration() / 3) < 150; }, 3000))
      << graph_.Position();

  // No range yet: releasing does not seek (and does not divide by zero).
  bar_.setRange(0, 0);
  const int64_t before = graph_.Position();
  bar_.SeekToThumb();
  QTest::qWait(200);
  EXPECT_NEAR(static_cast<double>(graph_.Position()), static_cast<double>(before), 60.0);
}

TEST_F(PreviewGraph, AnySliderSeeksOnLeftRelease) {
  QSlider slider(Qt::Horizontal);
  slider.resize(120, 20);
  TTrackBarBinding *binding = TrackBarBinding(&slider);
  EXPECT_EQ(TrackBarBinding(&slider), binding);  // one binding a slider
  binding->SetFilterGraph(&graph_);
  graph_.Activate();
  ASSERT_TRUE(graph_.RenderFile(clip_));
  ASSERT_TRUE(graph_.Play());
  ASSERT_TRUE(waitPlaying(200));
  graph_.Pause();
  slider.setRange(0, 3);
  slider.setValue(2);
  QMouseEvent right(QEvent::MouseButtonRelease, QPointF(60, 10), QPointF(60, 10), Qt::RightButton,
                    Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&slider, &right);
  QTest::qWait(300);
  EXPECT_LT(graph_.Position(), 1500);  // only the left button seeks
  QMouseEvent left(QEvent::MouseButtonRelease, QPointF(60, 10), QPointF(60, 10), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(&slider, &left);
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::llabs(graph_.Position() - graph_.Duration() * 2 / 3) < 150; }, 3000))
      << graph_.Position();
}

TEST(PreviewResources, GlyphsAndSnapSoundAreBuiltIn) {
  const QPixmap full = PreviewGlyph("SpkFull");
  const QPixmap half = PreviewGlyph("spkhalf");
  const QPixmap mute = PreviewGlyph("SPKMUTE");
  ASSERT_FALSE(full.isNull());
  ASSERT_FALSE(half.isNull());
  ASSERT_FALSE(mute.isNull());
  EXPECT_NE(full.toImage(), half.toImage());
  EXPECT_NE(half.toImage(), mute.toImage());
  EXPECT_TRUE(PreviewGlyph("spkloud").isNull());

  const QString snap = PreviewResourcePath("Snap", "WAV");
  ASSERT_FALSE(snap.isEmpty());
  QFile wav(snap);
  ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
  const QByteArray data = wav.readAll();
  ASSERT_GT(data.size(), 44);
  EXPECT_EQ(data.left(4), QByteArray("RIFF"));
  EXPECT_EQ(data.mid(8, 4), QByteArray("WAVE"));
  // A click, not a tune: under half a second of 16-bit mono at 22050 Hz.
  EXPECT_LT(data.size() - 44, 22050);

  TResourceSound sound;
  EXPECT_FALSE(sound.Play("NoSuchSound"));
  const bool played = sound.Play("Snap");
  EXPECT_EQ(played, !QMediaDevices::audioOutputs().isEmpty());
}

}  // namespace

int main(int argc, char **argv) {
  // Test discovery runs the program without the test environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
