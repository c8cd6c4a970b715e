// A conversion with several threads (codec threads, reading and decoding
// on one thread while another encodes and writes) against the same
// conversion on one thread: the same pictures at the same times, the same
// sound, the same progress, and Stop and errors that behave alike.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine_driver.h"
#include "media_fixture.h"
#include "media_measure.h"
#include "test_env.h"

namespace fs = std::filesystem;

namespace {

// More threads than a small test machine has cores, so that every part of
// the threaded run takes part wherever the tests run.
constexpr int kManyThreads = 4;

class TranscodeThreads : public ::testing::Test {
 protected:
  void SetUp() override { requireLibraries(); }
  ScratchDir dir;
};

Conversion convertWith(const std::string &src, const std::string &out, const OutputOptions &o, int threads) {
  ConvertSetup s = oneOutput(out, o);
  s.threadsPerTask = threads;
  return convert(src, s);
}

// A 640x480 clip, 6 s: long enough for several progress reports.
std::string longerSource() { return cachedFixture(smallClipRecipe(6.0, 640, 480), "threads.mov"); }

// One conversion of a pair: its name (also the outputs' extension where it
// names a container) and its options.
struct ThreadCase {
  const char *name;
  OutputOptions options;
};
std::string caseName(const ::testing::TestParamInfo<ThreadCase> &info) { return info.param.name; }
void PrintTo(const ThreadCase &c, std::ostream *os) { *os << c.name; }

class ThreadPairs : public TranscodeThreads, public ::testing::WithParamInterface<ThreadCase> {};
class ThreadProfiles : public ThreadPairs {};
class ThreadQuality : public ThreadPairs {};
class ThreadLimits : public ThreadPairs {};

std::vector<ThreadCase> profileCases() {
  // The XviD profile's encoders, the source's rate doubled: duplicates.
  const OutputOptions avi{.acodec = "libmp3lame", .ac = 2, .ar = 44100, .vcodec = "libxvid", .frameRate = "50"};
  // An encoder of its own threads, with a picture delay.
  const OutputOptions x264{.acodec = "aac", .vcodec = "libx264", .extraOptions = "preset=veryfast"};
  return {{"mp4", mp4Options()}, {"avi", avi}, {"mkv", x264}};
}

TEST_P(ThreadProfiles, ManyThreadsGiveTheFramesTimesAndSoundOfOneThread) {
  const std::string src = longerSource();
  const ThreadCase &p = GetParam();
  const std::string one = dir.file(std::string("one.") + p.name);
  const std::string many = dir.file(std::string("many.") + p.name);
  const Conversion a = convertWith(src, one, p.options, 1);
  const Conversion b = convertWith(src, many, p.options, kManyThreads);
  ASSERT_TRUE(a.finished && b.finished) << a.message << b.message;

  const ProbedFile pa = probeMedia(one), pb = probeMedia(many);
  ASSERT_TRUE(pa.ok && pb.ok);
  EXPECT_EQ(pb.first("video")->frames, pa.first("video")->frames);
  EXPECT_EQ(pb.first("audio")->frames, pa.first("audio")->frames);
  EXPECT_EQ(pb.first("video")->times, pa.first("video")->times);
  EXPECT_EQ(pb.first("audio")->times, pa.first("audio")->times);

  // The sound does not depend on the video's threads: the same samples
  // from the same time on, so the offset between sound and picture stays.
  std::vector<int16_t> sa, sb;
  int ca = 0, cb = 0, ra = 0, rb = 0;
  double firstA = -1, firstB = -2;
  ASSERT_TRUE(decodeAudioS16(one, sa, ca, ra, &firstA));
  ASSERT_TRUE(decodeAudioS16(many, sb, cb, rb, &firstB));
  EXPECT_EQ(firstB, firstA);
  EXPECT_EQ(sb, sa);

  // The counts the progress reports carry end where they end with one
  // thread, and only grow on the way.
  ASSERT_FALSE(b.progress.empty());
  EXPECT_EQ(b.progress.back().frameNumber, a.progress.back().frameNumber);
  for (size_t i = 1; i < b.progress.size(); ++i) {
    EXPECT_GE(b.progress[i].frameNumber, b.progress[i - 1].frameNumber);
    EXPECT_GE(b.progress[i].currentDurationMs, b.progress[i - 1].currentDurationMs);
    EXPECT_GE(b.progress[i].currentSize, b.progress[i - 1].currentSize);
  }
}
INSTANTIATE_TEST_SUITE_P(Containers, ThreadProfiles, ::testing::ValuesIn(profileCases()), caseName);

// The mean PSNR (dB) of every `step`-th picture of `path` against
// `reference` (taken with the same step); -1 when the counts differ.
double meanPsnr(const std::vector<RgbPicture> &reference, const std::string &path, int step) {
  const std::vector<RgbPicture> pictures = everyNthPicture(path, step);
  if (pictures.size() != reference.size() || pictures.empty()) return -1.0;
  double sum = 0;
  for (size_t i = 0; i < pictures.size(); ++i) sum += picturePsnr(reference[i], pictures[i]);
  return sum / static_cast<double>(pictures.size());
}

// Two threads, as on the two-core machine the speed is measured on: the
// slices of MPEG-4 part 2 and the frame threads of x264 cost at most 0.2 dB
// at bit rates that leave the pictures visibly coded (about 30 dB).
std::vector<ThreadCase> qualityCases() {
  OutputOptions mpeg4 = mp4Options();
  mpeg4.frameSize = "1280x720";
  mpeg4.vb = 600000;  // MPEG-4 part 2 needs more bits for the same
  const OutputOptions x264{.acodec = "aac", .vcodec = "libx264", .vb = 150000, .extraOptions = "preset=veryfast"};
  return {{"mpeg4", mpeg4}, {"x264", x264}};
}

TEST_P(ThreadQuality, EncoderThreadsKeepThePictureQualityAtTheSameBitRate) {
  // The outputs' size: no scaling.
  const std::string src = cachedFixture(smallClipRecipe(12.0, 1280, 720), "threads-720p.mov");
  constexpr int kStep = 10;
  const auto source = everyNthPicture(src, kStep);
  ASSERT_GE(source.size(), 25u);
  const OutputOptions &o = GetParam().options;
  const std::string one = dir.file("q-one.mp4"), two = dir.file("q-two.mp4");
  ASSERT_TRUE(convertWith(src, one, o, 1).finished);
  ASSERT_TRUE(convertWith(src, two, o, 2).finished);
  const double psnrOne = meanPsnr(source, one, kStep), psnrTwo = meanPsnr(source, two, kStep);
  EXPECT_GT(psnrOne, 25.0);
  EXPECT_GT(psnrTwo, psnrOne - 0.2) << "one thread " << psnrOne << " dB";
}
INSTANTIATE_TEST_SUITE_P(Encoders, ThreadQuality, ::testing::ValuesIn(qualityCases()), caseName);

std::vector<ThreadCase> limitCases() {
  OutputOptions frames = mp4Options();
  frames.extraOptions = "vframes=40";
  OutputOptions time = mp4Options();
  time.recordingTimeMs = 2000;
  return {{"frames", frames}, {"time", time}};
}

TEST_P(ThreadLimits, LimitsEndAThreadedRunWhereTheyEndOneThread) {
  const std::string src = longerSource();
  const OutputOptions &o = GetParam().options;
  const std::string one = dir.file("limit-one.mp4"), many = dir.file("limit-many.mp4");
  const Conversion a = convertWith(src, one, o, 1);
  const Conversion b = convertWith(src, many, o, kManyThreads);
  ASSERT_TRUE(a.finished && b.finished) << a.message << b.message;
  const ProbedFile pa = probeMedia(one), pb = probeMedia(many);
  EXPECT_EQ(pb.first("video")->times, pa.first("video")->times);
  // The decoder's threads hand out the last pictures a few pictures
  // late, so the sound read meanwhile may reach that much further.
  const int64_t audioOne = pa.first("audio")->frames, audioMany = pb.first("audio")->frames;
  EXPECT_GE(audioMany, audioOne);
  EXPECT_LE(audioMany, audioOne + 2 * kManyThreads);
}
INSTANTIATE_TEST_SUITE_P(Limits, ThreadLimits, ::testing::ValuesIn(limitCases()), caseName);

TEST_F(TranscodeThreads, StopEndsAThreadedRunAtOnceWithAValidFile) {
  const std::string src = cachedFixture(smallClipRecipe(20.0, 1280, 720), "threads-stop.mov");
  const std::string out = dir.file("stopped.mp4");
  ConvertSetup s = oneOutput(out);
  s.threadsPerTask = kManyThreads;
  std::chrono::steady_clock::time_point stoppedAt;
  bool stopped = false;
  int64_t framesAtStop = 0;
  s.onProgress = [&](MediaEngine &engine, const ProgressSample &p) {
    if (!stopped && p.frameNumber >= 25) {
      stopped = true;
      framesAtStop = p.frameNumber;
      stoppedAt = std::chrono::steady_clock::now();
      engine.stop();
    }
  };
  const Conversion r = convert(src, s);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - stoppedAt).count();
  ASSERT_TRUE(stopped);
  ASSERT_TRUE(r.stopped()) << r.message;
  EXPECT_LT(seconds, 0.3);
  EXPECT_EQ(r.keptOutput.rfind(dir.file("stopped (stopped at 00-00-0"), 0), 0u) << r.keptOutput;
  const ProbedFile p = probeMedia(r.keptOutput);
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_GT(p.first("video")->frames, 0);
  EXPECT_LT(p.durationSec, 15.0);
  // Nothing queued behind the stop reaches the file: no picture, and no
  // sound beyond the threaded decoder's few pictures of delay.
  EXPECT_LE(p.first("video")->frames, framesAtStop + 1);
  EXPECT_LT(p.first("audio")->durationSec - p.first("video")->durationSec, 0.25);
}

TEST_F(TranscodeThreads, AWriteFailureOfTheOutputSideFailsTheTaskWithItsReason) {
  const std::string src = longerSource();  // made before the limit below
  const std::string out = dir.file("full.mp4");
  // A disk that fills up: the output may not grow beyond 100 kB.
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{100000, old.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limit);
  OutputOptions o = mp4Options();
  o.vb = 2000000;
  const Conversion r = convertWith(src, out, o, kManyThreads);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_TRUE(r.failed());
  EXPECT_EQ(r.message, "Could not write '" + out + "': File too large");
  EXPECT_FALSE(fs::exists(out));
  for (const auto &entry : fs::directory_iterator(fs::path(out).parent_path()))
    ADD_FAILURE() << "left behind: " << entry.path();
}

}  // namespace
