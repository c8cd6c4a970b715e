// End-to-end conversions of generated sources into the containers and
// codecs the profiles use, each output probed afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <tuple>
#include <vector>

#include "clip_catalogue.h"
#include "engine_driver.h"
#include "media_fixture.h"
#include "test_env.h"

namespace {

struct FormatCase {
  const char *name;
  const char *ext;
  const char *vcodec;  // empty: none given
  const char *acodec;
  bool videoOff;
  const char *frameSize;
  const char *frameRate;
  int ar, ac, ab;
  // Expected.
  const char *outVideo;  // probed codec name, empty: no video stream
  const char *outAudio;
  int width, height;
  double fps;
  int sampleRate, channels;
};

std::ostream &operator<<(std::ostream &os, const FormatCase &c) { return os << c.name; }

class TranscodeFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override { requireLibraries(); }
};

// The stream's packet times lie on the grid of `period` from the first and
// span the source's `seconds` (give or take the encoder's start-up delay and
// a few frames): they were stamped in the stream's own time base, not the
// encoder's.
void checkPacketTimes(const ProbedStream &s, double period, double seconds) {
  std::vector<double> t = s.times;
  std::sort(t.begin(), t.end());
  ASSERT_GT(t.size(), 10u);
  for (size_t k = 1; k < t.size(); ++k) {
    const double steps = (t[k] - t[0]) / period;
    ASSERT_NEAR(steps, std::round(steps), 0.0015 / period) << s.type << " packet " << k << " at " << t[k];
  }
  EXPECT_NEAR(t.back() - t.front(), seconds, 0.15) << s.type;
}

void checkProgress(const Conversion &r, int32_t totalMs, double outputSec, bool video) {
  ASSERT_FALSE(r.progress.empty());
  int32_t lastDur = -1;
  int32_t lastFrames = -1;
  int64_t lastSize = -1;
  for (const auto &p : r.progress) {
    EXPECT_GE(p.currentDurationMs, lastDur) << "progress position went back";
    EXPECT_GE(p.currentSize, lastSize);
    EXPECT_EQ(p.totalDurationMs, totalMs);
    if (video) {
      EXPECT_GE(p.frameNumber, 1);
      EXPECT_GE(p.frameNumber, lastFrames);
    } else {
      EXPECT_EQ(p.frameNumber, -1);
      EXPECT_EQ(p.fps, -1);
      EXPECT_FLOAT_EQ(p.quality, -1.0f);
    }
    lastDur = p.currentDurationMs;
    lastFrames = p.frameNumber;
    lastSize = p.currentSize;
  }
  // The last report is the final one, made at the end of the output.
  EXPECT_NEAR(r.progress.back().currentDurationMs / 1000.0, outputSec, 0.25);
  EXPECT_GT(r.progress.back().currentSize, 0);
  EXPECT_GT(r.progress.back().bitRate, 0.0f);
}

TEST_P(TranscodeFormats, ConvertsAndProbes) {
  const FormatCase &c = GetParam();
  const double srcSec = 3.0;
  const std::string src = smallSource(srcSec);
  ASSERT_FALSE(src.empty());
  ScratchDir dir;
  const std::string out = dir.file(std::string("out.") + c.ext);
  const OutputOptions o{.acodec = c.acodec, .ac = c.ac, .ar = c.ar, .ab = c.ab, .vcodec = c.vcodec,
                        .vn = c.videoOff, .frameRate = c.frameRate, .frameSize = c.frameSize};
  const auto [r, p] = convertAndProbe(src, out, o);
  ASSERT_TRUE(r.outputOk) << r.lastError;
  ASSERT_TRUE(r.done()) << r.message;
  EXPECT_TRUE(r.endOfRun);
  ASSERT_TRUE(p.ok) << p.error;
  const ProbedStream *v = p.first("video");
  const ProbedStream *a = p.first("audio");
  if (std::string(c.outVideo).empty()) {
    EXPECT_EQ(v, nullptr);
  } else {
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::tuple(v->codec, v->width, v->height), std::tuple(c.outVideo, c.width, c.height));
    EXPECT_NEAR(v->frameRate, c.fps, 0.01);
    EXPECT_NEAR(v->durationSec, srcSec, 0.2);
    EXPECT_NEAR(static_cast<double>(v->frames), srcSec * c.fps, 2.0);
    checkPacketTimes(*v, 1.0 / c.fps, srcSec);
  }
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(std::tuple(a->codec, a->sampleRate, a->channels), std::tuple(c.outAudio, c.sampleRate, c.channels));
  EXPECT_NEAR(a->durationSec, srcSec, 0.2);
  if (a->frameSize > 0) checkPacketTimes(*a, a->frameSize / static_cast<double>(c.sampleRate), srcSec);
  EXPECT_NEAR(p.durationSec, srcSec, 0.2);
  checkProgress(r, static_cast<int32_t>(srcSec * 1000), srcSec, v != nullptr);
}

const FormatCase kCases[] = {
    {"mp4", "mp4", "mpeg4", "aac", false, "320x240", "25", 44100, 2, 128000, "mpeg4", "aac", 320, 240, 25, 44100, 2},
    {"avi_xvid_mp3", "avi", "libxvid", "libmp3lame", false, "320x240", "25", 44100, 2, 128000, "mpeg4", "mp3", 320,
     240, 25, 44100, 2},
    {"flv", "flv", "flv", "libmp3lame", false, "320x240", "25", 22050, 2, 64000, "flv1", "mp3", 320, 240, 25, 22050,
     2},
    {"mpeg1", "mpg", "mpeg1video", "mp2", false, "352x240", "30000/1001", 44100, 2, 192000, "mpeg1video", "mp2", 352,
     240, 29.97, 44100, 2},
    {"wmv", "wmv", "wmv2", "wmav2", false, "320x240", "25", 44100, 2, 64000, "wmv2", "wmav2", 320, 240, 25, 44100, 2},
    {"3gp", "3gp", "h263", "libamr_nb", false, "176x144", "25", 8000, 1, 12200, "h263", "amr_nb", 176, 144, 25, 8000,
     1},
    {"mp3", "mp3", "", "libmp3lame", true, "", "", 44100, 2, 128000, "", "mp3", 0, 0, 0, 44100, 2},
    {"wav", "wav", "", "pcm_s16le", true, "", "", 44100, 2, -1, "", "pcm_s16le", 0, 0, 0, 44100, 2},
    {"ogg", "ogg", "", "vorbis", true, "", "", 44100, 2, 128000, "", "vorbis", 0, 0, 0, 44100, 2},
};

INSTANTIATE_TEST_SUITE_P(Profiles, TranscodeFormats, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
