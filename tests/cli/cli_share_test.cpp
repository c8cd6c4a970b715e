// Clips to share with trevix-convert: a turn by hand, a cut and a fit into
// a size, run as the program on generated sources, plus the times and sizes
// as they are typed and as the list shows them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <tuple>

#include "cli_run.h"
#include "file_bytes.h"
#include "job_edits.h"
#include "row_fit.h"
#include "target_size.h"
#include "media_fixture.h"
#include "media_measure.h"
#include "probe_summary.h"
#include "test_env.h"
#include "text_checks.h"

namespace fs = std::filesystem;

namespace {

constexpr const char *kH264 = "MP4 - H.264 Video (*.mp4)";
constexpr const char *kCopy = "MP4 - Same Video and Audio, No Re-encoding (*.mp4)";

// 10 s of 320x240 at 25 fps (a keyframe every 12 pictures) with AAC sound.
std::string tenSecondClip() { return cachedFixture(smallClipRecipe(10.0), "share-10s.mov"); }

std::string onlyFileIn(const fs::path &folder) {
  std::vector<std::string> files;
  for (const auto &e : fs::directory_iterator(folder)) files.push_back(e.path().string());
  return files.size() == 1 ? files[0] : std::string();
}

}  // namespace

TEST(CutTimes, SecondsAndClockTimes) {
  const struct {
    const char *text;
    int64_t ms;  // -1: refused
  } kCases[] = {{"5.5", 5500},       {"12", 12000},        {"00:01:05", 65000}, {"1:05:00.250", 3900250},
                {"0:00:03.5", 3500}, {"-1", -1},           {"00:61:00", -1},    {"00:00:60", -1},
                {"5.1234", -1},      {"abc", -1},          {"", -1},            {"1:2", -1}};
  for (const auto &c : kCases) EXPECT_EQ(parseTimeText(c.text).value_or(-1), c.ms) << c.text;
  EXPECT_EQ(cutTimeText(3900250), "01:05:00.250");
  const struct {
    const char *text;
    int64_t bytes;  // -1: refused
  } kSizes[] = {{"25MB", 25000000}, {"8MiB", 8388608}, {"700KB", 700000}, {"1.5GB", 1500000000},
                {"10 mb", 10000000}, {"0MB", -1},     {"12XB", -1},       {"MB", -1}};
  for (const auto &c : kSizes) EXPECT_EQ(parseSizeText(c.text).value_or(-1), c.bytes) << c.text;
}

TEST(JobEditsShown, TheListShowsTheTurnedSizeAndTheCutLength) {
  SourceJob job;
  job.probe = probed(640, 360, 20);
  job.edits = {90, 3000, 7500};
  EXPECT_EQ(sourceJobText(job, kVideoSizeColumn), "360x640");
  EXPECT_EQ(editedProbe(job).durationUs, 4'500'000);
  job.edits = {180, 15000, 60000};  // the end past the clip's: its end
  EXPECT_EQ(sourceJobText(job, kVideoSizeColumn), "640x360");
  EXPECT_EQ(editedProbe(job).durationUs, 5'000'000);
  EXPECT_TRUE(cutProblem(job).empty());
  job.edits.startMs = 20000;
  expectHas(cutProblem(job), {"past the end of the clip at 00:00:20.000"});
}

// A landscape clip turned by hand: re-encoded it is portrait, copied it
// keeps its pictures and says the turn in its display matrix.
TEST(ShareClips, ATurnByHandGivesAPortraitOutput) {
  requireLibraries();
  const std::string source = cachedFixture(smallClipRecipe(1.0), "share-1s.mov");
  const RgbPicture first = decodePictures(source, 1).at(0);
  const struct {
    const char *profile;
    const char *degrees;
    int width, height, matrixCw;
  } kCases[] = {{kH264, "90", 240, 320, 0}, {kH264, "270", 240, 320, 0}, {kH264, "180", 320, 240, 0},
                {kCopy, "270", 320, 240, 270}};
  for (const auto &c : kCases) {
    SCOPED_TRACE(std::string(c.profile) + " --rotate " + c.degrees);
    ScratchDir out;
    const CliRun r = runConvert({"--profile", c.profile, "--rotate", c.degrees, "-o", out.path().string(), source});
    ASSERT_EQ(r.status, 0) << r.said();
    const std::string output = onlyFileIn(out.path());
    const ProbedFile probed = probeMedia(output);
    const ProbedStream *v = probed.first("video");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::tuple(v->width, v->height, v->rotationCw), std::tuple(c.width, c.height, c.matrixCw));
    const RgbPicture shown = decodePictures(output, 1).at(0);
    const RgbPicture expected = turnPicture(first, c.matrixCw ? 0 : std::stoi(c.degrees), false);
    EXPECT_GT(picturePsnr(shown, expected), 30.0);
  }
  ScratchDir out;
  const CliRun bad = runConvert({"--rotate", "45", "-o", out.path().string(), source});
  EXPECT_EQ(bad.status, 2);
  expectHas(bad.said(), {"--rotate \"45\" is not a turn"});
}

// 3.0 to 7.5 s of a 10 s clip: 4.5 s whose first picture is the one of
// 3.0 s and whose sound is in step; copied, it starts at the keyframe
// before and says so; a start past the clip is refused and leaves nothing.
TEST(ShareClips, ACutIsExactAndKeepsTheSoundInStep) {
  requireLibraries();
  const std::string source = tenSecondClip();
  const std::vector<RgbPicture> pictures = decodePictures(source);
  ASSERT_GE(pictures.size(), 200u);
  ScratchDir out;
  CliRun r = runConvert({"--profile", kH264, "--start", "3", "--end", "00:00:07.500", "-o", out.path().string(), source});
  ASSERT_EQ(r.status, 0) << r.said();
  const std::string cut = onlyFileIn(out.path());
  const ProbedFile p = probeMedia(cut);
  const ProbedStream *v = p.first("video");
  const ProbedStream *a = p.first("audio");
  ASSERT_TRUE(v && a);
  EXPECT_NEAR(v->frames, 4.5 * 25, 1);
  const RgbPicture first = decodePictures(cut, 1).at(0);
  const double atStart = picturePsnr(first, pictures[75]);  // 3.0 s at 25 fps
  EXPECT_GT(atStart, 30.0);
  EXPECT_GT(atStart, picturePsnr(first, pictures[74]) + 3.0);
  EXPECT_GT(atStart, picturePsnr(first, pictures[76]) + 3.0);
  const double audioFrame = 1024.0 / 44100.0;
  EXPECT_NEAR(a->startSec, v->startSec, audioFrame);
  EXPECT_NEAR(a->durationSec, 4.5, 2 * audioFrame);

  ScratchDir copied;
  r = runConvert({"--profile", kCopy, "--json", "--start", "3.1", "--end", "7.5", "-o", copied.path().string(), source});
  ASSERT_EQ(r.status, 0) << r.said();
  // Keyframes every 12 pictures: 2.88 s is the one before 3.1 s.
  expectHas(r.said(), {"\"start_ms\":2880,\"asked_start_ms\":3100", "starts at the keyframe at 00:00:02.880"});
  const ProbedFile copy = probeMedia(onlyFileIn(copied.path()));
  const ProbedStream *cv = copy.first("video");
  ASSERT_NE(cv, nullptr);
  EXPECT_NEAR(cv->frames, (7.5 - 2.88) * 25, 1.5);

  ScratchDir refused;
  r = runConvert({"--profile", kH264, "--start", "12", "-o", refused.path().string(), source});
  EXPECT_EQ(r.status, 1);
  expectHas(r.said(), {"past the end of the clip at 00:00:10.0"});
  EXPECT_TRUE(fs::is_empty(refused.path()));
  r = runConvert({"--start", "8", "--end", "5", "-o", refused.path().string(), source});
  EXPECT_EQ(r.status, 2);
  expectHas(r.said(), {"is not before --end"});
}

// The steps of a fit of 20 s into 2 MB as the encodes come out (sizes of
// the file, its packets and its pictures' packets): the rate of the second
// pass from the first's measure, once more lowered by the excess, the
// profile's own quality where it fits; a bar that never goes back; the
// statistics files gone with the fit.
TEST(FitSteps, EachEncodeDecidesTheNext) {
  using Step = RowFit::Step;
  OutputOptions profile;
  profile.vcodec = "libx264";
  profile.acodec = "aac";
  profile.ab = 128000;
  profile.extraOptions = "preset=veryfast\ncrf=23";
  const struct {
    std::vector<OutputMeasure> encodes;
    std::vector<Step> steps;
    std::vector<int32_t> rates;  // of the encodes after the first
  } kCases[] = {{{{1500000, 1480000, 1160000}}, {Step::Done}, {}},
                {{{4000000, 3950000, 3630000}, {1950000, 1900000, 1580000}}, {Step::Encode, Step::Done}, {628000}},
                {{{4000000, 3950000, 3630000}, {2100000, 2050000, 1730000}, {2080000, 2030000, 1710000}},
                 {Step::Encode, Step::Encode, Step::Fail},
                 {628000, 548000}}};
  for (const auto &c : kCases) {
    ScratchDir dir;
    RowFit fit(2000000, 20000, profile, 640, 360, 25.0, (dir.path() / ".trevix-pass-test").string());
    ASSERT_FALSE(fit.refused()) << fit.reason();
    writeFileBytes(dir.file(".trevix-pass-test-0.log"), "");
    ASSERT_TRUE(fs::exists(dir.file(".trevix-pass-test-0.log")));
    int bar = 0;
    for (size_t i = 0; i < c.encodes.size(); ++i) {
      OutputOptions o = profile;
      fit.apply(o);
      EXPECT_EQ(o.pass, i == 0 ? 1 : 2);
      EXPECT_EQ(o.keepAtMostBytes, 2000000);
      EXPECT_EQ(o.vb, i > 0 ? c.rates[i - 1] : profile.vb);
      EXPECT_EQ(o.extraOptions.find("crf=23") != std::string::npos, i == 0);
      EXPECT_GE(fit.barPercent(0), bar);
      bar = fit.barPercent(100);
      EXPECT_EQ(fit.next(c.encodes[i]), c.steps[i]) << i;
    }
    EXPECT_EQ(fit.record().videoBitRate, c.rates.empty() ? -1 : c.rates.back());
    const bool failed = c.steps.back() == Step::Fail;
    EXPECT_EQ(fit.reason(), failed ? "the output came out at 2.1 MB, over the 2 MB asked for" : "");
    EXPECT_EQ(fs::is_empty(dir.path()), !failed);
  }
  const RowFit refused(300000, 20000, profile, 640, 360, 25.0, "");
  EXPECT_EQ(refused.reason(), "cannot fit 00:00:20 into 300 KB: the sound alone needs 320 KB");
}

// A 20 s clip fitted into sizes: a constant quality and a bit rate land
// between 85% and 100% of a size below their own; a size above what the
// profile's own quality gives keeps that quality; a size the sound alone
// exceeds fails before encoding, with what is needed, and leaves nothing.
TEST(ShareClips, FittingIntoASize) {
  requireLibraries();
  MediaRecipe recipe = smallClipRecipe(20.0);
  recipe.width = 1280;
  recipe.height = 720;
  const std::string source = cachedFixture(recipe, "share-20s-720p.mov");
  const auto sizeOf = [](const ScratchDir &dir) { return static_cast<int64_t>(fs::file_size(onlyFileIn(dir.path()))); };
  ScratchDir plain;
  ASSERT_EQ(runConvert({"--profile", kH264, "-o", plain.path().string(), source}).status, 0);
  const int64_t ownSize = sizeOf(plain);
  const struct {
    const char *profile;
    const char *picture;  // --size
    const char *size;
    int64_t bytes;
    bool own;  // above what the profile's own quality gives (the plain H.264 run)
  } kCases[] = {{kH264, "original", "800KB", 800000, false},
                {"MP4 - MPEG4 Video (*.mp4)", "640x480", "3MB", 3000000, false},
                {kH264, "original", "50MB", 50000000, true}};
  for (const auto &c : kCases) {
    SCOPED_TRACE(std::string(c.profile) + " into " + c.size);
    ScratchDir out;
    const CliRun r = runConvert(
        {"--profile", c.profile, "--size", c.picture, "--json", "--target-size", c.size, "-o", out.path().string(), source});
    ASSERT_EQ(r.status, 0) << r.said();
    const int64_t size = sizeOf(out);
    EXPECT_LE(size, c.bytes);
    if (c.own) {
      EXPECT_NEAR(size, ownSize, ownSize / 50) << "the profile's own quality";
    } else {
      EXPECT_GE(size, c.bytes * 85 / 100);
    }
    expectHas(r.said(), {"\"target_size\":" + std::to_string(c.bytes), "\"size\":" + std::to_string(size)});
  }
  // Below what the encoder's coarsest quantiser reaches (as the first
  // pass's statistics tell): refused with the size possible, and nothing is
  // left (no output, temporary file or statistics).
  ScratchDir over;
  const CliRun coarse = runConvert({"--profile", "MP4 - MPEG4 Video (*.mp4)", "--size", "640x480",
                                        "--target-size", "1.2MiB", "-o", over.path().string(), source});
  EXPECT_EQ(coarse.status, 1);
  expectHas(coarse.said(), {"cannot fit 00:00:20 into 1.3 MB: the picture at its lowest useful rate"});
  EXPECT_TRUE(fs::is_empty(over.path()));
  ScratchDir out;
  const CliRun r = runConvert({"--profile", kH264, "--target-size", "200KB", "-o", out.path().string(), source});
  EXPECT_EQ(r.status, 1);
  expectHas(r.said(), {"cannot fit 00:00:20 into 200 KB: the sound alone needs 400 KB"});
  EXPECT_TRUE(fs::is_empty(out.path()));
}
