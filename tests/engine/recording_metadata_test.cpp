// A phone's clip keeps its recording date, place and camera through every
// kind of container, and its outputs get the recording time as file time.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "binding.h"
#include "media_fixture.h"
#include "profile_job.h"
#include "test_env.h"

namespace {

struct Keeps {
  const char *name;
  const char *profile;
  // What the output holds, read back: the instant as its creation time,
  // the day as its date field (the 14th as in Paris, not the 13th of UTC),
  // the place, the camera.
  bool instant, day, place, camera;
};

std::ostream &operator<<(std::ostream &os, const Keeps &k) { return os << k.name; }

const Keeps kContainers[] = {
    {"Mp4", "MP4 - MPEG4 Video (*.mp4)", true, false, true, true},
    {"Mov", "MOV - QuickTime Video (*.mov)", true, false, true, true},
    {"Mkv", "MKV - H.264 Video (*.mkv)", true, false, true, true},
    {"ThreeGp", "3GP - Mobile Video Format (*.3gp)", true, false, false, false},
    // ASF's header holds the instant, which no demuxer of these libraries reads.
    {"Asf", "ASF - Advance Streaming Format (*.asf)", false, false, true, true},
    {"Avi", "AVI - Audio Video Interleave (*.avi)", false, true, false, false},
    {"M4a", "M4A - Mpeg4 Audio File (*.m4a)", true, false, true, true},
    {"Mp3", "MP3 - Mpeg Layer3 Audio (*.mp3)", false, true, false, false},
    {"Flac", "FLAC - Lossless Audio (*.flac)", false, true, true, true},
    {"Opus", "Opus Audio (*.opus)", false, true, true, true},
    {"NoReencoding", "MP4 - Same Video and Audio, No Re-encoding (*.mp4)", true, false, true, true},
};

std::string valueOf(const ProbedFile &f, std::initializer_list<const char *> keys) {
  for (const char *k : keys)
    if (auto it = f.metadata.find(k); it != f.metadata.end()) return it->second;
  return {};
}

// The container's creation time, seconds since 1970; -1 without one.
int64_t creationTime(const ProbedFile &f) {
  const std::string t = valueOf(f, {"creation_time"});
  int64_t us = 0;
  if (t.empty() || libavutil.av_parse_time(&us, t.c_str(), 0) < 0) return -1;
  return us / 1000000;
}

int64_t fileTime(const std::string &path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : -1;
}

class RecordingKept : public ClipTest, public ::testing::WithParamInterface<Keeps> {};

TEST_P(RecordingKept, AsItsContainerHoldsIt) {
  const Keeps &c = GetParam();
  const ProfileJob job = convertWithProfile(cachedFixture(phoneClipRecipe(1.0), "IMG_0417.MOV"), c.profile,
                                            dir_.path().string());
  ASSERT_TRUE(job.done()) << job.conversion.message;
  EXPECT_EQ(job.probe.recordedAt, kPhoneRecorded);
  EXPECT_EQ(job.probe.recordedZoneMinutes, 120);
  const ProbedFile &out = job.file;
  ASSERT_TRUE(out.ok) << out.error;
  EXPECT_EQ(creationTime(out), c.instant ? kPhoneRecorded : -1);
  EXPECT_EQ(valueOf(out, {"date"}).substr(0, 10), c.day ? "2023-07-14" : "");
  EXPECT_EQ(valueOf(out, {"com.apple.quicktime.location.iso6709", "location"}), c.place ? kPhonePlace : "");
  EXPECT_EQ(valueOf(out, {"com.apple.quicktime.make", "make"}), c.camera ? kPhoneMake : "");
  EXPECT_EQ(valueOf(out, {"com.apple.quicktime.model", "model"}), c.camera ? kPhoneModel : "");
  EXPECT_EQ(fileTime(job.output), kPhoneRecorded);
  EXPECT_EQ(job.conversion.logHas("keeps the recording place"), c.place);
}

INSTANTIATE_TEST_SUITE_P(Containers, RecordingKept, ::testing::ValuesIn(kContainers),
                         [](const auto &info) { return std::string(info.param.name); });

// Off, nothing of the recording goes out and the file is as new as its
// conversion; a source without a date gives its own file time; an explicit
// "timestamp" wins over the source's.
TEST_F(RecordingKept, OffUndatedAndExplicit) {
  const std::string phone = cachedFixture(phoneClipRecipe(1.0), "IMG_0417.MOV");
  const int64_t before = std::time(nullptr);
  const ProfileJob off = convertWithProfile(phone, kContainers[0].profile, dir_.path().string(), {},
                                            [](JobSettings &s) { s.keepMetadata = false; });
  ASSERT_TRUE(off.done()) << off.conversion.message;
  EXPECT_EQ(creationTime(off.file), -1);
  EXPECT_EQ(valueOf(off.file, {"com.apple.quicktime.location.iso6709", "com.apple.quicktime.model"}), "");
  EXPECT_GE(fileTime(off.output), before);

  const std::string undated = (dir_.path() / "undated.mov").string();
  std::filesystem::copy_file(cachedFixture(smallClipRecipe(1.0), "undated.mov"), undated);
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  std::filesystem::last_write_time(undated, old);
  const ProfileJob fromFile = convertWithProfile(undated, kContainers[0].profile, dir_.path().string());
  ASSERT_TRUE(fromFile.done()) << fromFile.conversion.message;
  EXPECT_EQ(fromFile.probe.recordedAt, -1);
  EXPECT_EQ(fileTime(fromFile.output), fileTime(undated));
  EXPECT_EQ(creationTime(fromFile.file), -1);

  const ProfileJob given =
      convertWithProfile(phone, kContainers[2].profile, dir_.path().string(), {}, {},
                         [](OutputOptions &o) { o.extraOptions += "\ntimestamp=2020-01-02T03:04:05Z"; });
  ASSERT_TRUE(given.done()) << given.conversion.message;
  EXPECT_EQ(creationTime(given.file), 1577934245);
  EXPECT_EQ(fileTime(given.output), 1577934245);
}

}  // namespace
