#include "encoder_table.h"

#include <iterator>

#include "catalog.h"

namespace {

// Speeds. The engine gives every video encoder its threads (one per core,
// or one in all when told so); x265 and SVT-AV1 run their own pools, and
// libvpx splits rows among its threads with row-mt.
constexpr std::string_view kX264Options = "preset=veryfast";
constexpr std::string_view kX265Options = "preset=ultrafast";
constexpr std::string_view kVp9Options = "deadline=realtime\ncpu-used=8\nrow-mt=1";
constexpr std::string_view kSvtAv1Options = "preset=10";

// One row per newer profile: the number; video and audio encoders; the
// constant-quality option; the encoder options; the video tag.
// clang-format off
constexpr ProfileEncoders kEncoderTable[] = {
    {75, "libx264", "aac", "crf", kX264Options, ""},
    // Tagged hvc1, the tag that Apple's players open.
    {76, "libx265", "aac", "crf", kX265Options, "hvc1"},
    {77, "libx264", "aac", "crf", kX264Options, ""},
    {78, "libvpx-vp9", "libopus", "crf", kVp9Options, ""},
    {79, "libsvtav1", "libopus", "crf", kSvtAv1Options, ""},
    {80, kCopyStream, kCopyStream, "", "", ""},
    {81, "", "flac", "", "", ""},
    {82, "", "libopus", "", "", ""},
};
// clang-format on

// Every newer profile (the catalog rows from kFirstCurrentProfileId on, the
// only ones with the encoder-table rule) has exactly one row, and every row
// names such a profile.
constexpr bool oneRowPerProfile() {
  for (int id = kFirstCurrentProfileId; id < kProfileCount; ++id) {
    int rows = 0;
    for (const ProfileEncoders &e : kEncoderTable)
      if (e.profileId == id) ++rows;
    if (rows != 1) return false;
  }
  return static_cast<int>(std::size(kEncoderTable)) == kProfileCount - kFirstCurrentProfileId;
}
static_assert(oneRowPerProfile(), "one encoder row per profile with the encoder-table rule");

// A copied stream has no quality and no encoder options; a quality option
// belongs to a video encoder.
constexpr bool copiesTakeNoOptions() {
  for (const ProfileEncoders &e : kEncoderTable) {
    if (e.videoEncoder == kCopyStream && (!e.qualityOption.empty() || !e.encoderOptions.empty())) return false;
    if (e.videoEncoder.empty() && !e.qualityOption.empty()) return false;
  }
  return true;
}
static_assert(copiesTakeNoOptions(), "a copied or missing video stream takes no encoder options");

}  // namespace

const ProfileEncoders *findEncoders(int profileId) {
  for (const ProfileEncoders &e : kEncoderTable)
    if (e.profileId == profileId) return &e;
  return nullptr;
}

bool usesQualityLevels(int profileId) {
  const ProfileEncoders *e = findEncoders(profileId);
  return e && !e->qualityOption.empty();
}
