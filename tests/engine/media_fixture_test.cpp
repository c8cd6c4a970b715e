#include <gtest/gtest.h>

#include <tuple>

#include "media_fixture.h"
#include "test_env.h"

// The fixtures are what every other media test stands on: check that they
// are what they claim to be.
TEST(MediaFixture, DefaultQuickTimeSourceHasPromisedShape) {
  requireLibraries();
  const std::string path = cachedFixture(MediaRecipe{.durationSec = 2.0}, "default.mov");
  ASSERT_FALSE(path.empty());
  const ProbedFile f = probeMedia(path);
  ASSERT_TRUE(f.ok) << f.error;
  const ProbedStream *v = f.first("video");
  const ProbedStream *a = f.first("audio");
  ASSERT_TRUE(v && a);
  EXPECT_EQ(std::tuple("h264", 640, 480, 60), std::tuple(v->codec, v->width, v->height, v->frames));
  EXPECT_NEAR(29.97, v->frameRate, 0.01);
  EXPECT_EQ(std::tuple("aac", 48000, 2), std::tuple(a->codec, a->sampleRate, a->channels));
  EXPECT_NEAR(2.0, f.durationSec, 0.1);
}

TEST(MediaFixture, LateAudioAndPictureContent) {
  requireLibraries();
  ScratchDir dir;
  MediaRecipe recipe = smallClipRecipe(1.0);
  recipe.path = dir.file("late.mkv");
  recipe.videoCodec = "mpeg4";
  recipe.audioCodec = "libmp3lame";
  recipe.audioStartSec = 0.5;
  ASSERT_EQ("", generateMedia(recipe));
  const ProbedFile f = probeMedia(recipe.path);
  ASSERT_TRUE(f.ok) << f.error;
  ASSERT_TRUE(f.first("audio"));
  EXPECT_NEAR(0.5, f.first("audio")->durationSec, 0.08);
  int frames = 0;
  double lastPts = -1;
  const int n = decodeVideoRGB(recipe.path, [&](const uint8_t *rgb, int w, int h, int, double pts) {
    EXPECT_EQ(std::tuple(320, 240), std::tuple(w, h));
    EXPECT_GT(pts, lastPts);
    lastPts = pts;
    // The travelling box is white somewhere in the row band at h/3.
    bool white = false;
    const uint8_t *row = rgb + (h / 3 + 16) * w * 3;
    for (int x = 0; x < w; ++x) white |= row[x * 3] > 200 && row[x * 3 + 1] > 200;
    EXPECT_TRUE(white);
    ++frames;
  });
  EXPECT_EQ(25, n);
  EXPECT_EQ(25, frames);
}

TEST(MediaFixture, UnreadableFileIsReported) {
  requireLibraries();
  const ProbedFile f = probeMedia("/nonexistent/file.mov");
  EXPECT_FALSE(f.ok);
  EXPECT_FALSE(f.error.empty());
}
