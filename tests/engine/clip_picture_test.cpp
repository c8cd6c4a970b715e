// The picture of phone and camera clips through the profiles: turned
// upright by the display matrix (listed, converted and copied as shown),
// sizes rounded to what the encoders take, the last picture held for its
// duration, and HDR tone mapped to SDR BT.709.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "binding.h"
#include "encoder_sizes.h"
#include "job_request.h"
#include "media_engine.h"
#include "media_probe.h"
#include "media_fixture.h"
#include "media_measure.h"
#include "profile_job.h"
#include "source_picture.h"
#include "test_env.h"

namespace {

// A 320x180 clip as a phone writes it: coded landscape, with a display
// matrix turning it `rotation` degrees clockwise (then mirrored).
std::string turnedClip(const std::string &codec, int rotation, bool mirrored = false) {
  MediaRecipe r = smallClipRecipe(1.0, 320, 180);
  r.videoCodec = codec;
  r.rotation = rotation;
  r.mirrored = mirrored;
  return cachedFixture(r, "turned-" + codec + ".mov");
}

// The output picture nearest in time to each of a few source pictures,
// against the source picture turned by the test itself.
void expectPicturesTurned(const std::string &source, const std::string &output, int rotation, bool mirrored) {
  const std::vector<RgbPicture> coded = decodePictures(source);
  const std::vector<RgbPicture> shown = decodePictures(output);
  ASSERT_FALSE(coded.empty());
  ASSERT_FALSE(shown.empty());
  for (size_t i : {size_t{3}, coded.size() / 2, coded.size() - 2}) {
    const RgbPicture expected = turnPicture(coded[i], rotation, mirrored);
    const RgbPicture *nearest = &shown.front();
    for (const RgbPicture &p : shown)
      if (std::fabs(p.time - coded[i].time) < std::fabs(nearest->time - coded[i].time)) nearest = &p;
    ASSERT_EQ(nearest->width, expected.width);
    ASSERT_EQ(nearest->height, expected.height);
    EXPECT_GT(picturePsnr(*nearest, expected), 30.0) << "picture at " << coded[i].time << " s";
    // The same picture unturned (or turned the other way) is far off; so is
    // the picture with left and right the other way round.
    if (rotation % 180 == 0 && (rotation != 0 || mirrored)) {
      EXPECT_LT(picturePsnr(*nearest, coded[i]), 25.0) << "the picture was not turned";
    }
    EXPECT_LT(picturePsnr(*nearest, turnPicture(coded[i], rotation, !mirrored)), 25.0)
        << (mirrored ? "the mirror was not undone" : "the picture was mirrored");
  }
}

using TurnedClips = ClipTest;
using OddSizes = ClipTest;
class HdrClips : public ClipTest, public ::testing::WithParamInterface<const char *> {};

TEST_F(TurnedClips, PortraitPhoneClipIsListedConvertedAndShownUpright) {
  struct Case {
    const char *codec;
    int rotation;
    bool mirrored;
  };
  for (const Case &c : {Case{"libx264", 90, false}, Case{"libx264", 270, false}, Case{"libx265", 90, false},
                        Case{"libx265", 270, false}, Case{"libx264", 90, true}, Case{"libx264", 180, false},
                        Case{"libx264", 0, true}, Case{"libx264", 180, true}}) {
    SCOPED_TRACE(std::string(c.codec) + " turned " + std::to_string(c.rotation) + (c.mirrored ? " mirrored" : ""));
    const std::string source = turnedClip(c.codec, c.rotation, c.mirrored);
    ASSERT_FALSE(source.empty());
    const ProfileJob job = convertWithProfile(source, kMp4Profile, dir_.path().string());
    const bool portrait = c.rotation % 180 == 90;
    // The list shows the picture as shown...
    const SourceJob row = makeSourceJob(source, job.probe, "MP4");
    EXPECT_EQ(sourceJobText(row, kVideoSizeColumn), portrait ? "180x320" : "320x180");
    // ... and "Original Video Size" is that size, upright, with no turn left.
    ASSERT_TRUE(job.done()) << job.conversion.message << job.conversion.lastError;
    ASSERT_TRUE(job.file.ok) << job.file.error;
    const ProbedStream *v = job.file.first("video");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->width, portrait ? 180 : 320);
    EXPECT_EQ(v->height, portrait ? 320 : 180);
    EXPECT_EQ(v->rotationCw, 0);
    expectPicturesTurned(source, job.output, c.rotation, c.mirrored);
  }
}

TEST_F(TurnedClips, FullHdPortraitClipIsListedAs1080x1920) {
  MediaRecipe r = smallClipRecipe(0.2, 1920, 1080);
  r.rotation = 90;
  r.audioCodec.clear();
  const std::string source = cachedFixture(r, "portrait-1080p.mov");
  ASSERT_FALSE(source.empty());
  MediaEngine engine;
  ASSERT_TRUE(engine.loadAVLib(TREVIX_COMMON_DIR, true));
  const SourceJob row = makeSourceJob(source, probeSourceFile(engine.probe(), source), "MP4");
  EXPECT_EQ(sourceJobText(row, kVideoSizeColumn), "1080x1920");
  VideoStreamInfo info;
  ASSERT_TRUE(engine.probe().open(source));
  engine.probe().getVideoStreamInfo(info);
  EXPECT_EQ(info.width, 1920) << "the coded size stays what it is";
  EXPECT_EQ(info.displayWidth, 1080);
  EXPECT_EQ(info.rotation, 90);
  EXPECT_FALSE(info.mirrored);
}

// A portrait clip into a landscape size is what any portrait picture is:
// the same output as a clip coded upright, never a picture stretched
// sideways.
TEST_F(TurnedClips, PortraitIntoALandscapeSizeKeepsItsShape) {
  const std::string coded = cachedFixture(smallClipRecipe(1.0, 180, 320), "coded-portrait.mov");
  const std::string turned = turnedClip("libx264", 90);
  auto landscape = [](ProfileChoices &c) { EXPECT_TRUE(c.comboVideoSize.selectText("320 x 240 (VGA)")); };
  const ProfileJob a = convertWithProfile(coded, kMp4Profile, dir_.path().string(), landscape);
  const ProfileJob b = convertWithProfile(turned, kMp4Profile, dir_.path().string(), landscape);
  ASSERT_TRUE(a.done() && b.done());
  const ProbedStream *va = a.file.first("video");
  const ProbedStream *vb = b.file.first("video");
  ASSERT_TRUE(va && vb);
  EXPECT_EQ(vb->width, va->width);
  EXPECT_EQ(vb->height, va->height);
  EXPECT_EQ(vb->sarNum * va->sarDen, va->sarNum * vb->sarDen) << "the same pixel shape";
  const double shownAspect = static_cast<double>(vb->width) * vb->sarNum / vb->sarDen / vb->height;
  EXPECT_NEAR(shownAspect, 180.0 / 320.0, 0.01) << "shown as tall as the source";
}

// Copied pictures keep the display matrix, so players still turn them.
TEST_F(TurnedClips, StreamCopyKeepsTheDisplayMatrix) {
  const std::string source = turnedClip("libx264", 90);
  const std::string out = dir_.file("copy.mp4");
  const auto [r, p] = convertAndProbe(source, out, OutputOptions{.acodec = "copy", .vcodec = "copy"});
  ASSERT_TRUE(r.finished) << r.message << r.lastError;
  const ProbedStream *v = p.first("video");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->width, 320) << "coded as it was";
  EXPECT_TRUE(v->hasDisplayMatrix);
  EXPECT_EQ(v->rotationCw, 90);
}

TEST(Orientation, ReadFromTheDisplayMatrixAsTheLibraryWritesIt) {
  requireLibraries();
  for (int degrees : {0, 90, 180, 270, -90}) {
    for (bool mirrored : {false, true}) {
      int32_t m[9];
      libavutil.av_display_rotation_set(m, degrees);
      if (mirrored) libavutil.av_display_matrix_flip(m, 1, 0);
      const Orientation o = orientationFromMatrix(m);
      // A turn then a mirror is a mirror then the opposite turn.
      const int cw = ((mirrored ? -degrees : degrees) % 360 + 360) % 360;
      EXPECT_EQ(o.degreesClockwise(), cw) << degrees << (mirrored ? " mirrored" : "");
      EXPECT_EQ(o.mirrored, mirrored) << degrees;
    }
  }
  const int32_t singular[9] = {0, 0, 0, 0, 0, 0, 0, 0, 1 << 30};
  EXPECT_TRUE(orientationFromMatrix(singular).upright());
}

// ---------------------------------------------------------------- sizes

TEST(EncoderSizes, OddSizesRoundToTheNearestOfTheSameShape) {
  requireLibraries();
  const AVCodec *xvid = libavcodec.avcodec_find_encoder_by_name("libxvid");
  const SizeMultiple even = encoderSizeMultiple(xvid, AV_PIX_FMT_YUV420P);
  int w = 853, h = 479;
  EXPECT_TRUE(roundToMultiple(w, h, even));
  EXPECT_TRUE((w == 852 && h == 478) || (w == 854 && h == 480)) << w << "x" << h;
  w = 640, h = 480;
  EXPECT_FALSE(roundToMultiple(w, h, even));
  EXPECT_EQ(w, 640);
  // RealVideo 1 takes multiples of 16 only.
  const SizeMultiple rv10 = encoderSizeMultiple(libavcodec.avcodec_find_encoder_by_name("rv10"), AV_PIX_FMT_YUV420P);
  w = 853, h = 479;
  EXPECT_TRUE(roundToMultiple(w, h, rv10));
  EXPECT_EQ(w % 16, 0);
  EXPECT_EQ(h % 16, 0);
  EXPECT_NEAR(static_cast<double>(w) / h, 853.0 / 479.0, 0.03);
  // 4:4:4 has whole chroma samples at any size.
  const SizeMultiple any = encoderSizeMultiple(nullptr, AV_PIX_FMT_YUV444P);
  EXPECT_EQ(any.width, 1);
  EXPECT_EQ(any.height, 1);
}

TEST_F(OddSizes, OddOriginalSizeConvertsWithEveryEncoder) {
  MediaRecipe r = smallClipRecipe(0.6, 853, 479);
  r.pixelFormat = "yuv444p";
  const std::string source = cachedFixture(r, "odd-444.mov");
  ASSERT_FALSE(source.empty());
  struct Case {
    const char *title;
    const char *codec;  // the profile's video codec choice, or null for its default
  };
  // H.264 takes 4:4:4 too, but not every player does.
  for (const Case &c : {Case{"AVI - XviD Video (*.avi)", nullptr}, Case{kMp4Profile, nullptr},
                        Case{kMp4Profile, "H264"}, Case{"FLV - Flash Flv Video (*.flv)", nullptr},
                        Case{"RM - Real Video (*.rm)", nullptr}}) {
    SCOPED_TRACE(std::string(c.title) + (c.codec ? c.codec : ""));
    const ProfileJob job = convertWithProfile(source, c.title, dir_.path().string(), [&c](ProfileChoices &choices) {
      EXPECT_TRUE(choices.comboVideoSize.selectText("Original Video Size"));
      if (c.codec) {
        EXPECT_TRUE(choices.comboVideoCodec.selectText(c.codec));
      }
    });
    ASSERT_TRUE(job.done()) << job.conversion.message << job.conversion.lastError;
    const ProbedStream *v = job.file.first("video");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->width % 2, 0);
    EXPECT_EQ(v->height % 2, 0);
    EXPECT_LE(std::abs(v->width - 853), 16);
    EXPECT_LE(std::abs(v->height - 479), 16);
    EXPECT_EQ(v->pixelFormat, "yuv420p") << "4:4:4 converted to the encoder's format";
    EXPECT_TRUE(job.conversion.logHas("rounded to")) << "the log says the size was changed";
  }
}

// ---------------------------------------------------------------- the end

// 2 s at 10 fps into 25 fps: the last source picture is on screen for its
// whole tenth of a second, and the sound ends with the picture.
TEST_F(OddSizes, LastPictureIsHeldForItsDurationAndSoundEndsWithIt) {
  MediaRecipe r = smallClipRecipe(2.0, 4097, 2161);
  r.rateNum = 10;
  r.pixelFormat = "yuv444p";
  const std::string source = cachedFixture(r, "10fps-4k.mov");
  ASSERT_FALSE(source.empty());
  const ProfileJob job = convertWithProfile(source, kMp4Profile, dir_.path().string(), [](ProfileChoices &c) {
    EXPECT_TRUE(c.comboVideoSize.selectText("Original Video Size"));
    EXPECT_TRUE(c.comboVideoFramerate.selectText("25.0 fps"));
  });
  ASSERT_TRUE(job.done()) << job.conversion.message << job.conversion.lastError;
  const ProbedStream *v = job.file.first("video");
  const ProbedStream *a = job.file.first("audio");
  ASSERT_TRUE(v && a);
  EXPECT_NEAR(v->frameRate, 25.0, 0.01);
  EXPECT_NEAR(v->durationSec, 2.0, 1.0 / 25 + 1e-6) << v->frames << " pictures";
  EXPECT_NEAR(static_cast<double>(v->frames), 50.0, 1.0);
  // Within one audio frame of the picture's end.
  EXPECT_NEAR(a->startSec + a->durationSec, v->startSec + v->durationSec, 1024.0 / a->sampleRate + 1e-3);
}

// ---------------------------------------------------------------- HDR

TEST_P(HdrClips, ToneMappedToSdrBt709) {
  MediaRecipe r = smallClipRecipe(0.6, 336, 192);
  r.videoCodec = "libx265";
  r.hdrTransfer = GetParam();
  r.stillPatches = true;
  r.videoBitRate = 4000000;  // the patches' colours as the camera saw them
  const std::string source = cachedFixture(r, std::string("hdr-") + GetParam() + ".mov");
  ASSERT_FALSE(source.empty());
  const ProbedFile in = probeMedia(source);
  ASSERT_TRUE(in.ok && in.first("video"));
  ASSERT_EQ(in.first("video")->pixelFormat, "yuv420p10le");

  const ProfileJob job = convertWithProfile(source, kMp4Profile, dir_.path().string());
  ASSERT_TRUE(job.done()) << job.conversion.message << job.conversion.lastError;
  EXPECT_TRUE(job.conversion.logHas("tone mapped to SDR BT.709"));
  const ProbedStream *v = job.file.first("video");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->pixelFormat, "yuv420p");
  EXPECT_EQ(std::tuple(v->colorPrimaries, v->colorTransfer, v->colorSpace), std::tuple("bt709", "bt709", "bt709"));
  const std::vector<RgbPicture> pictures = decodePictures(job.output, 8);
  ASSERT_FALSE(pictures.empty());
  const RgbPicture &p = pictures.back();
  const int stripe = p.width / kStillPatchCount;
  for (int i = 0; i < kStillPatchCount; ++i) {
    const PatchColor &want = kStillPatchColors[i];
    const MeanColor got = meanColor(p, i * stripe + stripe / 2, p.height / 2, stripe / 2, p.height / 2);
    EXPECT_NEAR(got.r, want.r, 25.5) << want.name;
    EXPECT_NEAR(got.g, want.g, 25.5) << want.name;
    EXPECT_NEAR(got.b, want.b, 25.5) << want.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Transfers, HdrClips, ::testing::Values("hlg", "pq"),
                         [](const auto &info) { return std::string(info.param); });

using SdrClips = ClipTest;

TEST_F(SdrClips, AreNotToneMapped) {
  MediaRecipe r = smallClipRecipe(0.6);
  r.stillPatches = true;
  const std::string source = cachedFixture(r, "sdr-patches.mov");
  const ProfileJob job = convertWithProfile(source, kMp4Profile, dir_.path().string());
  ASSERT_TRUE(job.done()) << job.conversion.message;
  EXPECT_FALSE(job.conversion.logHas("tone mapped"));
  const std::vector<RgbPicture> pictures = decodePictures(job.output, 8);
  ASSERT_FALSE(pictures.empty());
  const RgbPicture &p = pictures.back();
  const int stripe = p.width / kStillPatchCount;
  const MeanColor grey = meanColor(p, stripe / 2, p.height / 2, stripe / 2, p.height / 2);
  EXPECT_NEAR(grey.g, 128, 6);
}

}  // namespace
