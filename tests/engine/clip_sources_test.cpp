// Sources as phones, cameras and other tools write them, each converted
// through a profile and its output checked: the picture's rate and length,
// the sound's channels, rate and length.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine_driver.h"
#include "file_bytes.h"
#include "media_fixture.h"
#include "media_measure.h"
#include "profile_job.h"
#include "test_env.h"

namespace {

struct SourceCase {
  const char *name;
  const char *file;     // the extension is the container's
  const char *profile;
  const char *frameRate;  // the profile's frame-rate choice, or null for its default
  void (*shape)(MediaRecipe &);
  double outFps;       // expected output frame rate
  int outChannels;     // expected output channels
};

std::ostream &operator<<(std::ostream &os, const SourceCase &c) { return os << c.name; }

const SourceCase kSources[] = {
    {"VariableFrameRate", "vfr.mp4", kMp4Profile, nullptr, [](MediaRecipe &r) { r.variableFrameRate = true; }, 25,
     2},
    {"MjpegWithBigEndianPcm", "mjpeg.mov", "AVI - XviD Video (*.avi)", nullptr,
     [](MediaRecipe &r) {
       r.videoCodec = "mjpeg";
       r.pixelFormat = "yuvj422p";
       r.audioCodec = "pcm_s16be";
     },
     25, 2},
    {"PngWithIma4InQt", "png.qt", kMp4Profile, nullptr,
     [](MediaRecipe &r) {
       r.format = "mov";
       r.videoCodec = "png";
       r.audioCodec = "adpcm_ima_qt";
     },
     25, 2},
    {"FragmentedMp4", "fragmented.mp4", kMp4Profile, nullptr,
     [](MediaRecipe &r) { r.muxerOptions = "movflags=frag_keyframe+empty_moov+default_base_moof"; }, 25, 2},
    {"SurroundAacIntoStereo", "surround.mov", kMp4Profile, nullptr, [](MediaRecipe &r) { r.channels = 6; }, 25, 2},
    {"NarrowbandMono", "8k-mono.mov", kMp4Profile, nullptr,
     [](MediaRecipe &r) {
       r.sampleRate = 8000;
       r.channels = 1;
     },
     25, 2},
    {"SixtyFpsInto25", "60fps.mov", kMp4Profile, "25.0 fps", [](MediaRecipe &r) { r.rateNum = 60; }, 25, 2},
    {"SixtyFpsInto30", "60fps.mov", "FLV - Flash Flv Video (*.flv)", "30.0 fps", [](MediaRecipe &r) { r.rateNum = 60; },
     30, 2},
};

class ClipSources : public ClipTest, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(ClipSources, ConvertWhole) {
  const SourceCase &c = GetParam();
  MediaRecipe r = smallClipRecipe(2.0);
  c.shape(r);
  const std::string source = cachedFixture(r, c.file);
  ASSERT_FALSE(source.empty());
  const ProfileJob job = convertWithProfile(source, c.profile, dir_.path().string(), [&c](ProfileChoices &ch) {
    if (c.frameRate) {
      EXPECT_TRUE(ch.comboVideoFramerate.selectText(c.frameRate));
    }
  });
  ASSERT_TRUE(job.done()) << job.conversion.message << job.conversion.lastError;
  ASSERT_TRUE(job.file.ok) << job.file.error;
  const ProbedStream *v = job.file.first("video");
  const ProbedStream *a = job.file.first("audio");
  ASSERT_TRUE(v && a);
  EXPECT_NEAR(v->frameRate, c.outFps, 0.01);
  EXPECT_NEAR(v->durationSec, 2.0, 1.0 / c.outFps + 1e-6);
  EXPECT_NEAR(static_cast<double>(v->frames), 2.0 * c.outFps, 1.0);
  EXPECT_EQ(a->channels, c.outChannels);
  // As long as the source's sound (which its encoder may have padded).
  const ProbedFile in = probeMedia(source);
  const ProbedStream *sourceSound = in.first("audio");
  ASSERT_NE(sourceSound, nullptr);
  EXPECT_NEAR(a->durationSec, sourceSound->durationSec, 0.1);
  // The tone came through at its pitch.
  EXPECT_NEAR(dominantFrequency(job.output), 440.0, 5.0);
}

INSTANTIATE_TEST_SUITE_P(Sources, ClipSources, ::testing::ValuesIn(kSources),
                         [](const auto &info) { return std::string(info.param.name); });

// The names of a QuickTime file's top-level boxes, in file order.
std::vector<std::string> topLevelBoxes(const std::string &path) {
  const std::string data = fileBytes(path);
  std::vector<std::string> boxes;
  for (size_t at = 0; at + 8 <= data.size();) {
    uint64_t size = bigEndian32(data, at), headerSize = 8;
    boxes.push_back(data.substr(at + 4, 4));
    if (size == 1 && at + 16 <= data.size()) {  // a 64-bit size follows the name
      size = uint64_t{bigEndian32(data, at + 8)} << 32 | bigEndian32(data, at + 12);
      headerSize = 16;
    }
    if (size < headerSize) break;
    at += size;
  }
  return boxes;
}

using ClipSourcesShape = ClipTest;

TEST_F(ClipSourcesShape, MoovAtTheEndConverts) {
  const std::string source = cachedFixture(smallClipRecipe(1.0), "moov-at-end.mov");
  const std::vector<std::string> boxes = topLevelBoxes(source);
  const auto mdat = std::find(boxes.begin(), boxes.end(), "mdat");
  const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
  ASSERT_TRUE(mdat != boxes.end() && moov != boxes.end());
  ASSERT_GT(moov, mdat) << "the fixture has its index after the media";
  const ProfileJob job = convertWithProfile(source, "AVI - XviD Video (*.avi)", dir_.path().string());
  ASSERT_TRUE(job.done()) << job.conversion.message;
  ASSERT_TRUE(job.file.first("video") && job.file.first("audio"));
  EXPECT_NEAR(job.file.first("video")->durationSec, 1.0, 0.05);
}

// Of two sound tracks, the first is the one converted.
TEST_F(ClipSourcesShape, FirstOfTwoSoundTracksIsConverted) {
  MediaRecipe r = smallClipRecipe(1.0);
  r.audioTracks = 2;
  const std::string source = cachedFixture(r, "two-tracks.mov");
  const ProbedFile in = probeMedia(source);
  ASSERT_EQ(std::count_if(in.streams.begin(), in.streams.end(), [](const ProbedStream &s) { return s.type == "audio"; }),
            2);
  const ProfileJob job = convertWithProfile(source, kMp4Profile, dir_.path().string());
  ASSERT_TRUE(job.done()) << job.conversion.message;
  const auto &streams = job.file.streams;
  EXPECT_EQ(std::count_if(streams.begin(), streams.end(), [](const ProbedStream &s) { return s.type == "audio"; }), 1);
  EXPECT_NEAR(dominantFrequency(job.output), 440.0, 5.0) << "the first track plays 440 Hz, the second 660 Hz";
}

// The channel choice shown is the one written: the Apple profiles honour
// "Stereo" and "Mono" and never write more than two channels; "Original"
// takes the channels of the track that is converted (the first).
struct ChannelCase {
  const char *name;
  const char *profile;
  int firstTrack, laterTrack;  // channels of the source's tracks (laterTrack 0: one track)
  const char *choice;
  int outChannels;
};
std::ostream &operator<<(std::ostream &os, const ChannelCase &c) { return os << c.name; }
const ChannelCase kChannelCases[] = {
    {"IpodSurroundStereo", "iPod (*.mp4)", 6, 0, "Stereo", 2},
    {"IpodSurroundMono", "iPod (*.mp4)", 6, 0, "Mono", 1},
    {"IpodStereoMono", "iPod (*.mp4)", 2, 0, "Mono", 1},
    {"IpodStereoStereo", "iPod (*.mp4)", 2, 0, "Stereo", 2},
    {"AppleTvSurroundStereo", "Apple TV (*.mp4)", 6, 0, "Stereo", 2},
    {"AppleTvStereoMono", "Apple TV (*.mp4)", 2, 0, "Mono", 1},
    {"OriginalOfTheFirstTrack", "MP4 - H.264 Video (*.mp4)", 2, 1, "Original", 2},
};

class ClipChannels : public ClipTest, public ::testing::WithParamInterface<ChannelCase> {};

TEST_P(ClipChannels, ChoiceIsWritten) {
  const ChannelCase &c = GetParam();
  MediaRecipe r = smallClipRecipe(1.0);
  r.channels = c.firstTrack;
  r.audioTracks = c.laterTrack > 0 ? 2 : 1;
  r.laterTrackChannels = c.laterTrack;
  const std::string source = cachedFixture(r, "channels.mov");
  const ProfileJob job = convertWithProfile(source, c.profile, dir_.path().string(), [&c](ProfileChoices &ch) {
    ASSERT_TRUE(ch.comboAudioChannels.selectText(c.choice));
  });
  ASSERT_TRUE(job.done()) << job.conversion.message;
  ASSERT_TRUE(job.file.first("audio"));
  EXPECT_EQ(job.file.first("audio")->channels, c.outChannels);
}
INSTANTIATE_TEST_SUITE_P(Channels, ClipChannels, ::testing::ValuesIn(kChannelCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A 720x480 camera clip with 10:11 pixels is shown 1.36:1, and so is its
// conversion at its own size.
TEST_F(ClipSourcesShape, NonSquarePixelsKeepTheShapeOnScreen) {
  MediaRecipe r = smallClipRecipe(1.0, 720, 480);
  r.sarNum = 10;
  r.sarDen = 11;
  const std::string source = cachedFixture(r, "sar-10-11.mov");
  const ProfileJob job = convertWithProfile(source, kMp4Profile, dir_.path().string());
  ASSERT_TRUE(job.done()) << job.conversion.message;
  const ProbedStream *v = job.file.first("video");
  ASSERT_NE(v, nullptr);
  ASSERT_GT(v->sarNum, 0);
  EXPECT_NEAR(static_cast<double>(v->width) * v->sarNum / v->sarDen / v->height, 720.0 * 10 / 11 / 480, 0.01);
}

// The times of a file's pictures, in display order (seconds).
std::vector<double> pictureTimes(const std::string &path) {
  std::vector<double> times;
  decodeVideoRGB(path, [&times](const uint8_t *, int, int, int, double t) { times.push_back(t); });
  return times;
}

// A clip whose pictures come at varying intervals (alternately half and one
// and a half periods) keeps every picture at its own time in the formats of
// today at their "Auto" rate: none is repeated or dropped.
using VaryingFrameRate = ClipTest;

TEST_F(VaryingFrameRate, EachPictureKeepsItsTimeWhereTheContainerStoresIt) {
  MediaRecipe r = smallClipRecipe(2.0, 320, 180);
  r.variableFrameRate = true;
  const std::string source = cachedFixture(r, "vfr-auto.mp4");
  const std::vector<double> sourceTimes = pictureTimes(source);
  ASSERT_EQ(sourceTimes.size(), 50u);
  ASSERT_NEAR(sourceTimes[1] - sourceTimes[0], 0.02, 0.001) << "the fixture's intervals vary";
  ASSERT_NEAR(sourceTimes[2] - sourceTimes[1], 0.06, 0.001);

  for (const char *title : {"MP4 - H.264 Video (*.mp4)", "MP4 - H.265/HEVC Video (*.mp4)", "MKV - H.264 Video (*.mkv)",
                            "WebM - VP9 Video (*.webm)", "WebM - AV1 Video (*.webm)"}) {
    SCOPED_TRACE(title);
    ScratchDir dir;
    const ProfileJob job = convertWithProfile(source, title, dir.path().string(), [](ProfileChoices &c) {
      EXPECT_TRUE(c.comboVideoFramerate.selectText("Auto"));
    });
    ASSERT_TRUE(job.done()) << job.conversion.message << job.conversion.lastError;
    const std::vector<double> times = pictureTimes(job.output);
    ASSERT_EQ(times.size(), sourceTimes.size());
    for (size_t i = 0; i < times.size(); ++i)
      EXPECT_NEAR(times[i] - times[0], sourceTimes[i] - sourceTimes[0], 0.0015) << "picture " << i;
  }

  // A container without picture times runs at the source's average rate,
  // not at the rate of its shortest interval.
  OutputOptions o = mp4Options();
  o.frameRate.clear();
  o.format = "avi";
  o.vcodec = "mpeg4";
  const std::string avi = (dir_.path() / "vfr.avi").string();
  const auto [c, out] = convertAndProbe(source, avi, o);
  ASSERT_TRUE(c.finished) << c.message << c.lastError;
  ASSERT_TRUE(out.first("video"));
  const double average = probeMedia(source).first("video")->frameRate;  // 50 pictures over their span
  EXPECT_NEAR(out.first("video")->frameRate, average, 0.01);
  EXPECT_NEAR(static_cast<double>(out.first("video")->frames), 50.0, 1.0);
}

}  // namespace
