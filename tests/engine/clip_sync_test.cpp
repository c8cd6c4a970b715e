// Sound and picture in step through the profiles' containers: a phone clip
// whose sound starts half a second after its picture (an empty edit before
// the audio) keeps that offset in every container, also those that store
// no audio time stamps; a clip whose sound starts with its picture keeps
// them together, whatever start-up delay the audio encoder has; and the
// sound ends with the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "file_bytes.h"
#include "media_fixture.h"
#include "media_measure.h"
#include "profile_job.h"
#include "test_env.h"

namespace {

// 320x180 H.264 with AAC stereo at 44.1 kHz, 2 s; the sound from
// `audioStart` on.
std::string phoneClip(double audioStart) {
  MediaRecipe r = smallClipRecipe(2.0, 320, 180);
  r.audioStartSec = audioStart;
  return cachedFixture(r, audioStart > 0 ? "late-audio.mov" : "audio-with-picture.mov");
}

// The late-sound clip as other muxers write it: an empty edit of the whole
// 0.5 s, then the AAC track from the end of its priming (1024 samples) on,
// instead of an edit that plays the priming. Written into `dir`.
std::string primedLateClip(const ScratchDir &dir) {
  std::string d = fileBytes(phoneClip(0.5));
  const size_t edits = d.find("elst", d.find("elst") + 1);  // the second track's
  if (edits == std::string::npos || bigEndian32(d, edits + 8) != 2) return "";
  // Version 0 entries of (duration in ms, media time, rate) from byte 12 on.
  setBigEndian32(d, edits + 24, bigEndian32(d, edits + 12) + bigEndian32(d, edits + 24) - 500);
  setBigEndian32(d, edits + 12, 500);
  setBigEndian32(d, edits + 28, 1024);
  const std::string path = dir.file("primed-late-audio.mov");
  writeFileBytes(path, d);
  return path;
}

struct ContainerCase {
  const char *name;
  const char *title;
};

std::ostream &operator<<(std::ostream &os, const ContainerCase &c) { return os << c.name; }

const ContainerCase kContainers[] = {
    {"MP4", "MP4 - MPEG4 Video (*.mp4)"},     {"AVI", "AVI - XviD Video (*.avi)"},
    {"WMV", "WMV - Windows Media Video (*.wmv)"}, {"FLV", "FLV - Flash Flv Video (*.flv)"},
    {"MPG", "MPEG-1 Movie (*.mpg)"},          {"3GP", "3GP - Mobile Video Format (*.3gp)"},
    {"RM", "RM - Real Video (*.rm)"},         {"SWF", "SWF - Flash Swf Video (*.swf)"},
    {"ASF", "ASF - Advance Streaming Format (*.asf)"}, {"XboxWMV", "Xbox360 WMV Video (*.wmv)"},
};

// The onset of sound after the first picture, in the source and in its
// conversion; the difference is how far the conversion moved the sound.
struct OnsetShift {
  SoundOnset source, output;
  ProbedFile file;  // the conversion's output
  double shiftMs() const { return (output.afterPicture() - source.afterPicture()) * 1000.0; }
};

OnsetShift convertAndMeasure(const std::string &source, const ContainerCase &c, const ScratchDir &dir) {
  OnsetShift m;
  m.source = measureSoundOnset(source);
  const ProfileJob job = convertWithProfile(source, c.title, dir.path().string());
  EXPECT_TRUE(job.done()) << c.name << ": " << job.conversion.message << job.conversion.lastError;
  m.output = measureSoundOnset(job.output);
  m.file = job.file;
  return m;
}

class ContainerSync : public ClipTest, public ::testing::WithParamInterface<ContainerCase> {};

TEST_P(ContainerSync, LateSoundKeepsItsOffset) {
  const ContainerCase &c = GetParam();
  const std::string primed = primedLateClip(dir_);
  ASSERT_FALSE(primed.empty());
  const OnsetShift p = convertAndMeasure(primed, c, dir_);
  ASSERT_TRUE(p.source.ok && p.output.ok) << p.source.error << p.output.error;
  std::printf("[offset] %s late, priming cut by its edit: output %.1f ms, shift %+.1f ms\n", c.name,
              p.output.afterPicture() * 1000, p.shiftMs());
  EXPECT_LT(std::fabs(p.shiftMs()), 25.0) << c.name << ": the sound moved against the picture";
  // ASF keeps the audio encoder's start-up delay before zero: the picture
  // starts at 0 there.
  const std::string title = c.title;
  if (title.ends_with("(*.wmv)") || title.ends_with("(*.asf)")) {
    EXPECT_LT(p.output.videoStart, 0.002) << c.name;
  }

  const std::string source = phoneClip(0.5);
  ASSERT_FALSE(source.empty());
  const OnsetShift m = convertAndMeasure(source, c, dir_);
  ASSERT_TRUE(m.source.ok && m.output.ok) << m.source.error << m.output.error;
  std::printf("[offset] %s late: source %.1f ms, output %.1f ms, shift %+.1f ms\n", c.name,
              m.source.afterPicture() * 1000, m.output.afterPicture() * 1000, m.shiftMs());
  EXPECT_NEAR(m.source.afterPicture(), 0.5, 0.025) << "the source's sound starts where the recipe says";
  EXPECT_LT(std::fabs(m.shiftMs()), 25.0) << c.name << ": the sound moved against the picture";
  // The source's sound and picture end together at 2 s; so do the output's,
  // within one audio frame. (Flash movies carry sound only along with a
  // picture: there it ends with the last picture's start.)
  const ProbedStream *v = m.file.first("video");
  const ProbedStream *a = m.file.first("audio");
  ASSERT_TRUE(v && a);
  const double audioFrame = (a->frameSize > 0 ? a->frameSize : 2048) / static_cast<double>(a->sampleRate);
  const double pictureEnd = v->startSec + v->durationSec - (std::string(c.name) == "SWF" ? 1.0 / v->frameRate : 0.0);
  EXPECT_NEAR(a->startSec + a->durationSec, pictureEnd, audioFrame + 0.001);
  EXPECT_NEAR(v->durationSec, 2.0, 1.0 / v->frameRate + 0.001);
}

TEST_P(ContainerSync, SoundWithPictureStaysWithIt) {
  const ContainerCase &c = GetParam();
  const std::string source = phoneClip(0.0);
  ASSERT_FALSE(source.empty());
  const OnsetShift m = convertAndMeasure(source, c, dir_);
  ASSERT_TRUE(m.source.ok && m.output.ok) << m.source.error << m.output.error;
  std::printf("[offset] %s together: source %.1f ms, output %.1f ms, shift %+.1f ms\n", c.name,
              m.source.afterPicture() * 1000, m.output.afterPicture() * 1000, m.shiftMs());
  EXPECT_LT(std::fabs(m.shiftMs()), 25.0) << c.name << ": the sound moved against the picture";
}

INSTANTIATE_TEST_SUITE_P(Profiles, ContainerSync, ::testing::ValuesIn(kContainers),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
