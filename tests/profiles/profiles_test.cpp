// Output profiles without a window: catalog, option sets, encoder mapping
// and quality presets.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <tuple>

#include "job_builder.h"
#include "profiles.h"

namespace {

// Loads a profile into fresh choices (channels "Stereo") the way a profile
// change does, and returns its output type.
std::string choose(std::string_view label, ProfileChoices &c) {
  std::string outputType;
  EXPECT_TRUE(fillProfileOptions(label, c, outputType)) << label;
  return outputType;
}

// What the job builder does for one file: reset, then the mapping.
OutputOptions map(std::string_view label, const ProfileChoices &c, std::string_view outputType) {
  OutputOptions o;
  applyProfileOptions(label, c, outputType, o);
  return o;
}

// Puts the quality combos on the levels `video` and `audio` (kKeep: as
// they are) and applies the presets of `label`.
constexpr int kKeep = -2;
void applyLevels(std::string_view label, ProfileChoices &c, int video, int audio = kKeep) {
  if (video != kKeep) c.comboVideoQuality.itemIndex = video;
  if (audio != kKeep) c.comboAudioQuality.itemIndex = audio;
  applyQualityPreset(label, c);
}

TEST(ProfileCatalog, TablesAndList) {
  std::set<std::string_view> titles;
  for (int i = 0; i < kProfileCount; ++i) {
    EXPECT_EQ(kProfileTable[i].profileId, i);
    EXPECT_EQ(profileRow(i), &kProfileTable[i]);
    EXPECT_EQ(profileIdOf(kProfileTable[i].title), i);
    titles.insert(kProfileTable[i].title);
  }
  EXPECT_EQ(titles.size(), static_cast<size_t>(kProfileCount));  // the lookup by title is unambiguous
  EXPECT_EQ(profileRow(kProfileCount), nullptr);
  EXPECT_EQ(profileRow(-1), nullptr);
  EXPECT_EQ(kProfileTable[36].title, "DVD - VOB (*.vob)");
  EXPECT_EQ(kProfileTable[69].formatName, "3GP");
  EXPECT_EQ(kProfileTable[34].videoRates[0], 1150000);
  EXPECT_EQ(kProfileTable[69].audioRates[0], 12200);  // AMR: bit/s

  const std::string separator = std::string(14, ' ') + std::string(41, '-');
  EXPECT_EQ(kOutputFormatSeparator, separator);
  ChoiceList list;
  list.assign({"old"}, 0);
  fillOutputFormatList(list);
  ASSERT_EQ(list.items.size(), 56u);
  EXPECT_EQ(list.itemIndex, 0);
  EXPECT_EQ(list.text(), "3GP - Mobile Video Format (*.3gp)");
  // The older items keep their places, which the settings store records;
  // the newer profiles follow a separator of their own.
  EXPECT_EQ(list.items[46], "Zune WMV Windows Media Video (*.wmv)");
  EXPECT_EQ(list.items[48], "MP4 - H.264 Video (*.mp4)");
  EXPECT_EQ(list.items[55], "Opus Audio (*.opus)");
  std::set<int> offered;
  for (size_t i = 0; i < list.items.size(); ++i) {
    const bool sep = (i == 16 || i == 25 || i == 30 || i == 38 || i == 47);
    EXPECT_EQ(isFormatSeparator(list.items[i]), sep) << i;
    if (sep) {
      EXPECT_EQ(list.items[i], separator);
      EXPECT_EQ(profileIdAt(static_cast<int>(i)), -1);
      continue;
    }
    const OutputProfile *row = findProfile(list.items[i]);
    ASSERT_NE(row, nullptr) << list.items[i];
    EXPECT_EQ(profileIdAt(static_cast<int>(i)), row->profileId);
    EXPECT_EQ(formatItemOf(row->profileId), static_cast<int>(i));
    EXPECT_TRUE(hasOptionSet(row->profileId)) << list.items[i];
    EXPECT_NE(profileRule(row->profileId), ProfileRule::None) << list.items[i];
    offered.insert(row->profileId);
  }
  EXPECT_EQ(offered.size(), 51u);
  for (int id : {2, 36, 16, 52}) EXPECT_EQ(offered.count(id), 0u) << id;
  EXPECT_EQ(profileIdAt(56), -1);
  EXPECT_EQ(formatItemOf(36), -1);  // DVD is not offered
  EXPECT_EQ(findProfile("iPod (*.MP4)"), nullptr);  // case-sensitive, in full
  EXPECT_EQ(findProfile("iPod (*.mp4) "), nullptr);

  for (const char *audio : {"OGG - Ogg Vorbis Audio (*.ogg)", "AU - SUN Audio (*.au)", "FLAC - Lossless Audio (*.flac)",
                            "Opus Audio (*.opus)"})
    EXPECT_TRUE(isAudioOnlyFormat(audio)) << audio;
  for (const char *video : {"ASF - Advance Streaming Format (*.asf)", "MP4 - MPEG4 Video (*.mp4)",
                            "MP4 - Same Video and Audio, No Re-encoding (*.mp4)"})
    EXPECT_FALSE(isAudioOnlyFormat(video)) << video;
}

// Every offered profile in the list's order: what its default choices
// (channels "Stereo") hand to the job; per quality level (both levels moved
// together) the video bit rate in kbit/s (the newer profiles'
// constant-quality number; -1: none) and the sound's in bit/s (-1: none), a
// rate the profile's list lacks keeping the default; and the fingerprint of
// its lists (see optionSetOf).
struct ProfileCase {
  const char *label;
  const char *outputType;
  const char *vcodec;
  const char *acodec;
  const char *frameSize;
  int32_t vb, ab, ar, ac;
  bool vn;
  const char *frameRate;
  int video[5];
  int audio[5];
  const char *lists;
};
const ProfileCase kProfiles[] = {
    {"3GP - Mobile Video Format (*.3gp)", "3GP", "mpeg4", "libamr_nb", "176x144", 128000, 7400, 8000, 1, false, "25",
     {512, 256, 128, 96, 64}, {12200, 7950, 7400, 6700, 4750}, "e0f11a6a49e1320c"},
    {"3G2 - Mobile Video Format (*.3g2)", "3G2", "mpeg4", "libamr_nb", "176x144", 128000, 7400, 8000, 1, false, "25",
     {512, 256, 128, 96, 64}, {12200, 7950, 7400, 6700, 4750}, "e0f11a6a49e1320c"},
    {"ASF - Advance Streaming Format (*.asf)", "ASF", "msmpeg4", "libmp3lame", "", 1200000, 128000, 48000, 2, false, "25",
     {2000, 1500, 1200, 768, 512}, {320000, 192000, 128000, 64000, 32000}, "560b2d6efb6e45c5"},
    {"AVI - Audio Video Interleave (*.avi)", "AVI", "mpeg4", "pcm_s16le", "", 1200000, 128000, 48000, 2, false, "25",
     {2500, 1500, 1200, 512, 256}, {320000, 192000, 128000, 64000, 48000}, "93942929889a3285"},
    {"AVI - DivX Video (*.avi)", "AVI", "mpeg4", "libmp3lame", "", 1200000, 128000, 48000, 2, false, "25",
     {2500, 1500, 1200, 512, 256}, {320000, 192000, 128000, 64000, 48000}, "39b34de1b7be3f9d"},
    {"AVI - XviD Video (*.avi)", "AVI", "libxvid", "libmp3lame", "", 1200000, 128000, 48000, 2, false, "25",
     {2500, 1500, 1200, 512, 256}, {320000, 192000, 128000, 64000, 48000}, "637d32f97f287671"},
    {"FLV - Flash Flv Video (*.flv)", "FLV", "flv", "libmp3lame", "", 368000, 96000, 44100, 2, false, "15.0",
     {1200, 512, 368, 200, 120}, {160000, 128000, 96000, 64000, 48000}, "b9451d3803fc3143"},
    {"MOV - QuickTime Video (*.mov)", "MOV", "mpeg4", "libfaac", "", 1200000, 128000, 44100, 2, false, "25",
     {2500, 2000, 1200, 768, 512}, {256000, 192000, 128000, 80000, 64000}, "da5e535e01cb1265"},
    {"MP4 - MPEG4 Video (*.mp4)", "MP4", "mpeg4", "libfaac", "", 1200000, 128000, 44100, 2, false, "25",
     {2500, 1500, 1200, 768, 512}, {256000, 192000, 128000, 80000, 64000}, "9558c73f0e7189bb"},
    {"MPEG-1 Movie (*.mpg)", "MPG", "mpeg1video", "mp2", "320x240", 1600000, 192000, 44100, 2, false, "25.0",
     {2000, 1600, 1200, 1000, 768}, {224000, 192000, 128000, 80000, 64000}, "c43ea6739a274d7b"},
    {"MPEG-2 Movie (*.mpg)", "MPG", "mpeg2video", "mp2", "320x240", 2000000, 192000, 44100, 2, false, "25.0",
     {2000, 1600, 1200, 1000, 768}, {224000, 192000, 128000, 80000, 64000}, "aada6ff6ca41fdf5"},
    {"RM - Real Video (*.rm)", "RM", "rv10", "ac3", "320x240", 384000, 128000, 48000, 2, false, "25",
     {1200, 384, 384, 384, 384}, {160000, 128000, 96000, 64000, 48000}, "e381b52a47ecd1c1"},
    {"SWF - Flash Swf Video (*.swf)", "SWF", "flv", "libmp3lame", "", 200000, 96000, 44100, 2, false, "15.0",
     {800, 400, 200, 128, 100}, {160000, 128000, 96000, 64000, 48000}, "efc546c2b344bd39"},
    {"Super Video CD (*.mpg)", "MPG", "mpeg2video", "mp2", "480x480", 2040000, 224000, 44100, 2, false, "29.97",
     {2040, 2040, 2040, 2040, 2040}, {320000, 224000, 192000, 128000, 48000}, "70b6bd32db9362ef"},
    {"Video CD (*.mpg)", "MPG", "mpeg1video", "mp2", "352x240", 1150000, 224000, 44100, 2, false, "29.97",
     {1150, 1150, 1150, 1150, 1150}, {320000, 224000, 192000, 128000, 48000}, "3792415e1656f7e9"},
    {"WMV - Windows Media Video (*.wmv)", "WMV", "wmv2", "wmav2", "320x240", 1200000, 128000, 48000, 2, false, "25",
     {2500, 2000, 1500, 1200, 768}, {256000, 192000, 128000, 80000, 48000}, "60699edc91799f59"},
    {"AAC - Advance Audio Coding (*.aac)", "AAC", "", "libfaac", "", 0, 128000, 48000, 2, true, "",
     {0, 0, 0, 0, 0}, {256000, 192000, 128000, 96000, 48000}, "e0caa0b5bf90e187"},
    {"M4A - Mpeg4 Audio File (*.m4a)", "M4A", "", "libfaac", "", 0, 128000, 48000, 2, true, "",
     {0, 0, 0, 0, 0}, {256000, 192000, 128000, 80000, 64000}, "928d4f74a9a9ca6d"},
    {"MP2 - Mpeg Layer2 Audio (*.mp2)", "MP2", "", "mp2", "", 0, 224000, 48000, 2, true, "",
     {0, 0, 0, 0, 0}, {224000, 192000, 128000, 80000, 64000}, "0b4c507dd3afb089"},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3", "", "libmp3lame", "", 0, 192000, 48000, 2, true, "",
     {0, 0, 0, 0, 0}, {256000, 192000, 128000, 80000, 64000}, "8fbd368295bc5ac5"},
    {"OGG - Ogg Vorbis Audio (*.ogg)", "OGG", "", "vorbis", "", 0, 160000, 48000, 2, true, "",
     {0, 0, 0, 0, 0}, {256000, 192000, 160000, 80000, 64000}, "799c884e5756c455"},
    {"RA - Real Audio (*.ra)", "RA", "", "ac3", "", 0, 128000, 48000, 2, true, "",
     {0, 0, 0, 0, 0}, {192000, 160000, 128000, 64000, 48000}, "29e08f8d304a52c1"},
    {"WAV - Waveform Audio (*.wav)", "WAV", "", "pcm_s16le", "", 0, 128000, 44100, 2, true, "",
     {0, 0, 0, 0, 0}, {256000, 192000, 128000, 80000, 64000}, "338d58ae7bea8ccd"},
    {"WMA - Windows Media Audio (*.wma)", "WMA", "", "wmav2", "", 0, 128000, 48000, 2, true, "",
     {0, 0, 0, 0, 0}, {256000, 192000, 128000, 64000, 48000}, "94168af7405a6ff1"},
    {"iPhone (*.mp4)", "MP4", "mpeg4", "libfaac", "480x320", 1200000, 80000, 44100, 2, false, "25",
     {2500, 1500, 1200, 800, 512}, {256000, 192000, 128000, 80000, 64000}, "797fd6906d09fced"},
    {"iPod (*.mp4)", "MP4", "mpeg4", "libfaac", "320x240", 512000, 64000, 44100, 2, false, "25",
     {1200, 800, 512, 512, 512}, {320000, 192000, 128000, 96000, 64000}, "ead97ad89492c265"},
    {"iPod Touch (*.mp4)", "MP4", "mpeg4", "libfaac", "480x320", 1200000, 80000, 44100, 2, false, "25",
     {2500, 1500, 1200, 800, 512}, {256000, 192000, 128000, 80000, 64000}, "513d0d0e9c299c31"},
    {"Apple TV (*.mp4)", "MP4", "mpeg4", "libfaac", "640x480", 1500000, 128000, 44100, 2, false, "25",
     {2500, 1500, 1200, 800, 512}, {256000, 128000, 64000, 48000, 32000}, "ae6a179715fbe739"},
    {"Archos AV500/GMini402 (*.avi)", "AVI", "mpeg4", "libmp3lame", "480x272", 1500000, 128000, 48000, 2, false, "25",
     {2500, 2000, 1500, 1200, 800}, {320000, 192000, 128000, 64000, 32000}, "6d6a3a27b6128b8d"},
    {"Archos AV700 (*.avi)", "AVI", "mpeg4", "libmp3lame", "720x480", 2000000, 128000, 48000, 2, false, "25",
     {2500, 2000, 1500, 1200, 800}, {320000, 192000, 128000, 64000, 32000}, "f22a5d11203fefd5"},
    {"BlackBerry MPEG-4 Video (*.mp4)", "MP4", "mpeg4", "libfaac", "320x240", 300000, 80000, 44100, 2, false, "24",
     {512, 300, 256, 128, 80}, {112000, 96000, 80000, 64000, 40000}, "76e63df7fcc2b44d"},
    {"BlackBerry AVI Video (*.avi)", "AVI", "h263", "libmp3lame", "176x144", 300000, 64000, 44100, 2, false, "24",
     {512, 300, 200, 120, 80}, {256000, 192000, 80000, 64000, 48000}, "102464b8ca027a55"},
    {"BlackBerry 3GP Video (*.3gp)", "3GP", "mpeg4", "libamr_nb", "176x144", 128000, 4750, 8000, 1, false, "15",
     {512, 256, 120, 80, 40}, {12200, 7950, 7400, 6700, 4750}, "157a49f58c43b9f9"},
    {"Creative Zen Vision (*.avi)", "AVI", "mpeg4", "libmp3lame", "640x480", 1500000, 128000, 48000, 2, false, "25",
     {2500, 2000, 1500, 1200, 800}, {320000, 192000, 128000, 64000, 32000}, "ca2a4c119fc3babd"},
    {"iRiver PMP100 (*.avi)", "AVI", "mpeg4", "libmp3lame", "640x480", 1500000, 128000, 48000, 2, false, "25",
     {2500, 2000, 1500, 1200, 800}, {320000, 192000, 128000, 64000, 32000}, "ca2a4c119fc3babd"},
    {"PSP Video (*.mp4)", "MP4", "mpeg4", "libfaac", "368x208", 768000, 64000, 24000, 2, false, "29.97",
     {768, 512, 384, 216, 128}, {160000, 128000, 96000, 64000, 48000}, "16ed1ac1d58eb677"},
    {"PS3 Video (*.mp4)", "MP4", "libx264", "libfaac", "720x480", 1200000, 96000, 44100, 2, false, "29.97",
     {3000, 2500, 2000, 1500, 1200}, {256000, 192000, 128000, 80000, 64000}, "d53f8757626dd70d"},
    {"Xbox360 MPEG4 Video (*.mp4)", "MP4", "mpeg4", "libfaac", "", 1200000, 128000, 44100, 2, false, "25",
     {2500, 1500, 1200, 768, 512}, {256000, 192000, 128000, 80000, 64000}, "9558c73f0e7189bb"},
    {"Xbox360 WMV Video (*.wmv)", "WMV", "wmv2", "wmav2", "320x240", 1200000, 128000, 48000, 2, false, "25",
     {2500, 2000, 1500, 1200, 768}, {256000, 192000, 128000, 80000, 48000}, "60699edc91799f59"},
    {"Xbox360 AVI Video (*.avi)", "AVI", "mpeg4", "pcm_s16le", "", 1200000, 128000, 48000, 2, false, "25",
     {2500, 1500, 1200, 512, 256}, {320000, 192000, 128000, 64000, 48000}, "93942929889a3285"},
    {"Xbox360 MPEG2 Video (*.mpg)", "MPG", "mpeg2video", "mp2", "320x240", 2000000, 192000, 44100, 2, false, "25.0",
     {2000, 1600, 1200, 1000, 768}, {224000, 192000, 128000, 80000, 64000}, "aada6ff6ca41fdf5"},
    {"Zune Mpeg4 Video (*.mp4)", "MP4", "mpeg4", "libfaac", "320x240", 1500000, 128000, 44100, 2, false, "29.97",
     {2000, 1500, 768, 512, 256}, {256000, 192000, 128000, 80000, 64000}, "d255a1866f5e4af1"},
    {"Zune WMV Windows Media Video (*.wmv)", "WMV", "wmv2", "wmav2", "320x240", 1200000, 128000, 48000, 2, false, "25",
     {2000, 1500, 1200, 768, 256}, {256000, 192000, 128000, 80000, 48000}, "92e0ffca8165d56f"},
    // The newer profiles keep the source's size, rate, channels and (but for
    // Opus) sample rate; their video quality is no bit rate.
    {"MP4 - H.264 Video (*.mp4)", "MP4", "libx264", "aac", "", -1, 160000, -1, -1, false, "",
     {18, 20, 23, 26, 29}, {256000, 192000, 160000, 128000, 96000}, "59bbb33397c512f5"},
    {"MP4 - H.265/HEVC Video (*.mp4)", "MP4", "libx265", "aac", "", -1, 160000, -1, -1, false, "",
     {23, 25, 28, 31, 34}, {256000, 192000, 160000, 128000, 96000}, "6a341ff96136d5cd"},
    {"MKV - H.264 Video (*.mkv)", "MKV", "libx264", "aac", "", -1, 160000, -1, -1, false, "",
     {18, 20, 23, 26, 29}, {256000, 192000, 160000, 128000, 96000}, "59bbb33397c512f5"},
    {"WebM - VP9 Video (*.webm)", "WEBM", "libvpx-vp9", "libopus", "", -1, 128000, 48000, -1, false, "",
     {24, 28, 32, 36, 40}, {192000, 160000, 128000, 96000, 64000}, "76ba27fa8b14f015"},
    {"WebM - AV1 Video (*.webm)", "WEBM", "libsvtav1", "libopus", "", -1, 128000, 48000, -1, false, "",
     {26, 30, 34, 38, 42}, {192000, 160000, 128000, 96000, 64000}, "fe269e29f2d78ae5"},
    {"MP4 - Same Video and Audio, No Re-encoding (*.mp4)", "MP4", "copy", "copy", "", -1, -1, -1, -1, false, "",
     {-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}, "c4189a3988da765d"},
    {"FLAC - Lossless Audio (*.flac)", "FLAC", "", "flac", "", -1, -1, -1, -1, true, "",
     {-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}, "e8115d75d4990d05"},
    {"Opus Audio (*.opus)", "OPUS", "", "libopus", "", -1, 128000, 48000, -1, true, "",
     {-1, -1, -1, -1, -1}, {192000, 160000, 128000, 96000, 64000}, "c00205e98fe948fb"},
};
static_assert(std::size(kProfiles) == kOfferedProfileCount);

TEST(ProfileMapping, DefaultsOfEveryOfferedProfile) {
  for (const ProfileCase &e : kProfiles) {
    SCOPED_TRACE(e.label);
    ProfileChoices c;
    const std::string outputType = choose(e.label, c);
    const OutputOptions o = map(e.label, c, outputType);
    EXPECT_EQ(std::tuple(outputType, o.vcodec, o.acodec, o.frameSize, o.vb, o.ab, o.ar, o.ac, o.vn, o.frameRate),
              std::tuple(e.outputType, e.vcodec, e.acodec, e.frameSize, e.vb, e.ab, e.ar, e.ac, e.vn, e.frameRate));
    EXPECT_TRUE(o.format.empty());  // the container follows the extension
  }
}

// The whole state of the setting combos as text: for each combo its items
// joined by '|' and the selected index.
std::string describe(const ProfileChoices &c) {
  std::string text;
  for (const ChoiceList *l : {&c.comboVideoCodec, &c.comboAudioCodec, &c.comboVideoSize,
                               &c.comboVideoBitrate, &c.comboVideoFramerate, &c.comboAudioBitrate,
                               &c.comboSamplingRate, &c.comboAudioChannels, &c.comboAspectRatio}) {
    for (const std::string &item : l->items) text += item + '|';
    text += '@' + std::to_string(l->itemIndex) + '\n';
  }
  return text;
}

// The combos after choosing the profile from two different earlier states:
// every list filled with a stale item, and channels and aspect on different
// items, so that kept, reset and forced selections all show.
std::string optionSetOf(std::string_view label) {
  std::string text;
  for (int earlier : {0, 1}) {
    ProfileChoices c;
    for (ChoiceList *l : {&c.comboVideoCodec, &c.comboAudioCodec, &c.comboVideoSize,
                          &c.comboVideoBitrate, &c.comboVideoFramerate, &c.comboAudioBitrate,
                          &c.comboSamplingRate})
      l->assign({"stale"}, 0);
    c.comboAudioChannels.itemIndex = earlier;
    c.comboAspectRatio.itemIndex = 2 - earlier;
    choose(label, c);
    text += describe(c);
  }
  return text;
}

// 64-bit FNV-1a, printed as 16 hex digits.
std::string fingerprint(std::string_view text) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char ch : text) h = (h ^ ch) * 1099511628211ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return hex;
}

// Every item with its order and spelling, every default, and the channel and
// aspect handling of each offered profile, pinned so that no change to an
// option set goes unnoticed. A failure prints the lists the profile gives
// now; change a fingerprint only together with an intended change of lists.
TEST(ProfileOptionSets, EveryListOfEveryProfileUnchanged) {
  size_t offered = 0;
  for (std::string_view item : kOutputFormatItems) {
    if (isFormatSeparator(item)) continue;
    ++offered;
    const ProfileCase *golden = nullptr;
    for (const ProfileCase &f : kProfiles)
      if (f.label == item) golden = &f;
    ASSERT_NE(golden, nullptr) << item;
    const std::string lists = optionSetOf(item);
    EXPECT_EQ(fingerprint(lists), golden->lists) << item << "\n" << lists;
  }
  EXPECT_EQ(offered, std::size(kProfiles));
}

TEST(ProfileOptionSets, ListsKeepTheirSpelling) {
  ProfileChoices c;
  choose("RM - Real Video (*.rm)", c);
  EXPECT_EQ(c.comboVideoBitrate.text(), "384  Kbps");
  EXPECT_EQ(c.comboSamplingRate.items[0], "8000  Hz");
  choose("Zune Mpeg4 Video (*.mp4)", c);
  EXPECT_EQ(c.comboVideoSize.text(), "320 x 240 ");
  EXPECT_EQ(c.comboVideoFramerate.items, std::vector<std::string>{"29.97 fps"});
  EXPECT_EQ(c.comboVideoFramerate.itemIndex, 0);
  choose("3GP - Mobile Video Format (*.3gp)", c);
  EXPECT_EQ(c.comboSamplingRate.text(), "8000  bps");
  choose("AAC - Advance Audio Coding (*.aac)", c);
  EXPECT_EQ(c.comboAudioBitrate.items.size(), 13u);
  EXPECT_EQ(c.comboAudioBitrate.text(), "128 Kbps");
  choose("ASF - Advance Streaming Format (*.asf)", c);
  EXPECT_EQ(c.comboVideoBitrate.text(), "1200 Kbps");
  choose("Video CD (*.mpg)", c);
  EXPECT_EQ(c.comboVideoFramerate.text(), "29.97 fps [NTSC]");
  EXPECT_EQ(c.comboVideoFramerate.items[0], "23.976 fps [NTSC]");
  choose("MOV - QuickTime Video (*.mov)", c);
  EXPECT_EQ(c.comboVideoFramerate.items[3], "23.975 fps");
  EXPECT_EQ(c.comboVideoSize.items.size(), 23u);
}

TEST(ProfileOptionSets, AudioOnlyEmptiesAndVideoRefills) {
  ProfileChoices c;
  choose("MP3 - Mpeg Layer3 Audio (*.mp3)", c);
  for (const ChoiceList *l : {&c.comboVideoCodec, &c.comboVideoSize, &c.comboVideoBitrate,
                               &c.comboVideoFramerate}) {
    EXPECT_TRUE(l->items.empty());
    EXPECT_EQ(l->itemIndex, -1);
  }
  choose("MP4 - MPEG4 Video (*.mp4)", c);
  EXPECT_EQ(c.comboVideoCodec.items, (std::vector<std::string>{"MPEG4", "H264", "XVid"}));
  EXPECT_EQ(c.comboVideoSize.text(), "Original Video Size");
  EXPECT_EQ(c.comboVideoBitrate.text(), "1200 Kbps");
  EXPECT_EQ(c.comboVideoFramerate.text(), "Auto");
}

TEST(ProfileOptionSets, RepeatedChoiceAndUnknownLabel) {
  ProfileChoices c;
  choose("Zune WMV Windows Media Video (*.wmv)", c);
  choose("Zune WMV Windows Media Video (*.wmv)", c);
  EXPECT_EQ(c.comboVideoFramerate.items.size(), 7u);

  // A separator or unknown label changes nothing, output type included.
  std::string outputType = "WMV";
  const ProfileChoices before = c;
  EXPECT_FALSE(fillProfileOptions(kOutputFormatSeparator, c, outputType));
  EXPECT_FALSE(fillProfileOptions("DVD", c, outputType));
  EXPECT_EQ(outputType, "WMV");
  EXPECT_EQ(c.comboVideoFramerate.items, before.comboVideoFramerate.items);
  EXPECT_EQ(c.comboVideoBitrate.itemIndex, before.comboVideoBitrate.itemIndex);
}

TEST(ProfileOptionSets, ChannelsKeptOrReset) {
  ProfileChoices c;
  c.comboAspectRatio.itemIndex = 2;
  choose("3GP - Mobile Video Format (*.3gp)", c);
  EXPECT_EQ(c.comboAudioChannels.text(), "Mono");
  EXPECT_EQ(c.comboAspectRatio.itemIndex, 2);  // kept
  std::string type = choose("iPod (*.mp4)", c);
  EXPECT_EQ(c.comboAudioChannels.text(), "Mono");
  EXPECT_EQ(map("iPod (*.mp4)", c, type).ac, 1);  // iPod maps its channel choice...
  choose("iPod Touch (*.mp4)", c);
  EXPECT_EQ(c.comboAudioChannels.text(), "Mono");
  EXPECT_EQ(map("iPod Touch (*.mp4)", c, "MP4").ac, 1);  // ... and so does iPod Touch
  EXPECT_THROW(map("iPod (*.mp4)", c, "MP4"), SettingLabelError);  // lists of another profile
  choose("iPhone (*.mp4)", c);
  EXPECT_EQ(c.comboAudioChannels.text(), "Stereo");
  EXPECT_EQ(c.comboAspectRatio.itemIndex, 0);

  // Mono chosen by the user is honoured by the generic rule...
  type = choose("MP3 - Mpeg Layer3 Audio (*.mp3)", c);
  c.comboAudioChannels.itemIndex = 1;
  EXPECT_EQ(map("MP3 - Mpeg Layer3 Audio (*.mp3)", c, type).ac, 1);
  // ... and a 3GP output is mono whatever the combo says.
  c = ProfileChoices{};
  type = choose("BlackBerry 3GP Video (*.3gp)", c);
  EXPECT_EQ(c.comboAudioChannels.text(), "Stereo");
  EXPECT_EQ(map("BlackBerry 3GP Video (*.3gp)", c, type).ac, 1);
}

TEST(ProfileOptionSets, ChannelsBetweenOlderAndNewerProfiles) {
  ProfileChoices c;
  c.comboAudioChannels.itemIndex = 1;  // Mono
  choose("iPod (*.mp4)", c);
  EXPECT_EQ(c.comboAudioChannels.text(), "Mono");
  // The newer profiles offer the source's channels and start with them.
  choose("MP4 - H.264 Video (*.mp4)", c);
  EXPECT_EQ(c.comboAudioChannels.items, (std::vector<std::string>{"Original", "Stereo", "Mono"}));
  EXPECT_EQ(c.comboAudioChannels.text(), "Original");
  EXPECT_EQ(map("MP4 - H.264 Video (*.mp4)", c, "MP4").ac, -1);
  // A choice the older list has carries over to a profile that keeps it...
  ASSERT_TRUE(c.comboAudioChannels.selectText("Mono"));
  choose("iPod (*.mp4)", c);
  EXPECT_EQ(c.comboAudioChannels.items, (std::vector<std::string>{"Stereo", "Mono"}));
  EXPECT_EQ(c.comboAudioChannels.text(), "Mono");
  // ... "Original" does not: the older profiles then start in stereo.
  choose("WebM - VP9 Video (*.webm)", c);
  choose("FLV - Flash Flv Video (*.flv)", c);
  EXPECT_EQ(c.comboAudioChannels.items, (std::vector<std::string>{"Stereo", "Mono"}));
  EXPECT_EQ(c.comboAudioChannels.text(), "Stereo");
  // Copied sound keeps its channels: nothing else is offered.
  choose("MP4 - Same Video and Audio, No Re-encoding (*.mp4)", c);
  EXPECT_EQ(c.comboAudioChannels.items, std::vector<std::string>{"Original"});
  choose("3GP - Mobile Video Format (*.3gp)", c);
  EXPECT_EQ(c.comboAudioChannels.text(), "Mono");
  EXPECT_EQ(c.comboAudioChannels.items.size(), 2u);
}

TEST(ProfileMapping, ChosenItems) {
  ProfileChoices c;
  std::string type = choose("MP4 - MPEG4 Video (*.mp4)", c);
  ASSERT_TRUE(c.comboVideoSize.selectText("704 x 576 (4CIF)"));
  ASSERT_TRUE(c.comboVideoCodec.selectText("H264"));
  ASSERT_TRUE(c.comboVideoFramerate.selectText("23.975 fps"));
  OutputOptions o = map("MP4 - MPEG4 Video (*.mp4)", c, type);
  EXPECT_EQ(o.frameSize, "704x576");
  EXPECT_EQ(o.vcodec, "libx264");
  EXPECT_EQ(o.frameRate, "23.975");

  // The players' "Auto" size keeps the source size.
  type = choose("Archos AV700 (*.avi)", c);
  ASSERT_TRUE(c.comboVideoSize.selectText("Auto"));
  EXPECT_EQ(map("Archos AV700 (*.avi)", c, type).frameSize, "");

  type = choose("3GP - Mobile Video Format (*.3gp)", c);
  ASSERT_TRUE(c.comboVideoCodec.selectText("H263"));
  ASSERT_TRUE(c.comboSamplingRate.selectText("16000 bps"));
  o = map("3GP - Mobile Video Format (*.3gp)", c, type);
  EXPECT_EQ(o.vcodec, "h263");
  EXPECT_EQ(o.ar, 16000);

  // Profiles without a rule change nothing.
  OutputOptions none;
  applyProfileOptions("iPod Touchx", c, "MP4", none);
  applyProfileOptions("no such profile", c, "MP4", none);
  EXPECT_TRUE(none.vcodec.empty());
  EXPECT_EQ(none.vb, -1);
}

TEST(ProfileMapping, UnreadableRatesRaise) {
  ProfileChoices c;
  std::string type = choose("MP3 - Mpeg Layer3 Audio (*.mp3)", c);
  c.comboAudioBitrate.itemIndex = -1;
  OutputOptions o;
  EXPECT_THROW(applyProfileOptions("MP3 - Mpeg Layer3 Audio (*.mp3)", c, type, o), SettingLabelError);
  EXPECT_TRUE(o.acodec.empty());  // nothing written
  EXPECT_EQ(o.ab, -1);

  type = choose("iPod (*.mp4)", c);
  c.comboSamplingRate.itemIndex = -1;
  EXPECT_THROW(applyProfileOptions("iPod (*.mp4)", c, type, o), SettingLabelError);
  type = choose("3GP - Mobile Video Format (*.3gp)", c);
  c.comboAudioBitrate.items = {"74x0 bps"};
  c.comboAudioBitrate.itemIndex = 0;
  EXPECT_THROW(applyProfileOptions("3GP - Mobile Video Format (*.3gp)", c, type, o), SettingLabelError);
  // An empty video bit-rate list means "no video bit rate".
  type = choose("AVI - DivX Video (*.avi)", c);
  c.comboVideoBitrate.clear();
  EXPECT_NO_THROW(o = map("AVI - DivX Video (*.avi)", c, type));
  EXPECT_EQ(o.vb, 0);
}

// The constant-quality value that the encoder gets ("crf=23" among the
// option lines), or -1.
int crfOf(const OutputOptions &o) {
  const size_t at = o.extraOptions.find("crf=");
  if (at == std::string::npos || (at > 0 && o.extraOptions[at - 1] != '\n')) return -1;
  return std::stoi(o.extraOptions.substr(at + 4));
}

TEST(ProfileMapping, NewerProfilesEncodeAtConstantQualityLevels) {
  int withLevels = 0;
  for (std::string_view label : kOutputFormatItems) {
    const OutputProfile *row = findProfile(label);
    if (!row) continue;
    SCOPED_TRACE(label);
    ProfileChoices c;
    const std::string type = choose(label, c);
    // The profiles that take levels are those whose list holds them.
    const bool listsLevels = c.comboVideoBitrate.text().rfind("CRF ", 0) == 0;
    EXPECT_EQ(usesQualityLevels(row->profileId), listsLevels);
    if (!listsLevels) continue;
    ++withLevels;
    EXPECT_EQ(c.comboVideoQuality.text(), "Normal");
    const int normal = crfOf(map(label, c, type));
    int previous = -1;
    for (int level = 0; level < 5; ++level) {
      applyLevels(label, c, level);
      EXPECT_EQ(c.comboVideoBitrate.itemIndex, level);
      const OutputOptions o = map(label, c, type);
      // A higher level is a lower constant-quality number: better pictures.
      EXPECT_GT(crfOf(o), previous) << level;
      if (level == 2) {
        EXPECT_EQ(crfOf(o), normal);
      }
      previous = crfOf(o);
      EXPECT_EQ(o.vb, -1);  // no bit rate caps the quality
    }
  }
  EXPECT_EQ(withLevels, 5);  // H.264 twice, HEVC, VP9, AV1
  // The quality combo's hint tells the level's value.
  ProfileChoices c;
  choose("MP4 - H.264 Video (*.mp4)", c);
  applyLevels("MP4 - H.264 Video (*.mp4)", c, 0, 4);
  EXPECT_EQ(c.comboVideoBitrate.text(), "CRF 18");
  EXPECT_EQ(c.comboAudioBitrate.text(), "96 Kbps");
  EXPECT_EQ(crfOf(map("MP4 - H.264 Video (*.mp4)", c, "MP4")), 18);

  // Copied streams and lossless sound have no levels: nothing moves.
  for (const char *label : {"MP4 - Same Video and Audio, No Re-encoding (*.mp4)", "FLAC - Lossless Audio (*.flac)"}) {
    choose(label, c);
    const ProfileChoices before = c;
    applyLevels(label, c, 0, 0);
    EXPECT_EQ(c.comboVideoBitrate.itemIndex, before.comboVideoBitrate.itemIndex) << label;
    EXPECT_EQ(c.comboAudioBitrate.text(), before.comboAudioBitrate.text()) << label;
    EXPECT_EQ(crfOf(map(label, c, "MP4")), -1) << label;
  }

  // A level that is no number fails the job.
  choose("WebM - VP9 Video (*.webm)", c);
  c.comboVideoBitrate.items = {"CRF x"};
  c.comboVideoBitrate.itemIndex = 0;
  OutputOptions o;
  EXPECT_THROW(applyProfileOptions("WebM - VP9 Video (*.webm)", c, "WEBM", o), SettingLabelError);
}

TEST(ProfileMapping, NewerProfilesTakeTheChosenSizeRateAndChannels) {
  const char *label = "MKV - H.264 Video (*.mkv)";
  ProfileChoices c;
  const std::string type = choose(label, c);
  ASSERT_TRUE(c.comboVideoSize.selectText("1280 x 720"));
  ASSERT_TRUE(c.comboAudioChannels.selectText("Mono"));
  const std::pair<const char *, const char *> rates[] = {
      {"23.976 fps", "24000/1001"}, {"29.97 fps", "30000/1001"}, {"59.94 fps", "60000/1001"},
      {"25 fps", "25"}, {"60 fps", "60"}, {"Auto", ""}};
  for (const auto &[rateLabel, rate] : rates) {
    ASSERT_TRUE(c.comboVideoFramerate.selectText(rateLabel));
    EXPECT_EQ(map(label, c, type).frameRate, rate) << rateLabel;
  }
  OutputOptions o = map(label, c, type);
  EXPECT_EQ(o.frameSize, "1280x720");
  EXPECT_EQ(o.ac, 1);
  ASSERT_TRUE(c.comboAudioChannels.selectText("Stereo"));
  EXPECT_EQ(map(label, c, type).ac, 2);

  // The size is the long and the short side: a portrait source stays upright.
  finishProfileOptions(label, 1080, 1920, o);
  EXPECT_EQ(o.frameSize, "720x1280");
  // The older profiles keep their fixed sizes, portrait source or not.
  OutputOptions older;
  older.frameSize = "720x576";
  finishProfileOptions("MP4 - MPEG4 Video (*.mp4)", 1080, 1920, older);
  EXPECT_EQ(older.frameSize, "720x576");

  // Copied sound cannot change its volume: the volume bar's value goes.
  ProfileChoices copy;
  const char *copyLabel = "MP4 - Same Video and Audio, No Re-encoding (*.mp4)";
  OutputOptions copied = map(copyLabel, copy, choose(copyLabel, copy));
  EXPECT_TRUE(copied.frameRate.empty());
  EXPECT_TRUE(copied.frameSize.empty());
  copied.vol = 255;
  finishProfileOptions(copyLabel, 1920, 1080, copied);
  EXPECT_EQ(copied.vol, -1);
  // At the volume bar's 100% the sound is left as it is; other levels apply.
  o.vol = 255;
  finishProfileOptions(label, 1920, 1080, o);
  EXPECT_EQ(o.vol, -1);
  o.vol = 300;
  finishProfileOptions(label, 1920, 1080, o);
  EXPECT_EQ(o.vol, 300);
  older.vol = 255;
  finishProfileOptions("MP4 - MPEG4 Video (*.mp4)", 1920, 1080, older);
  EXPECT_EQ(older.vol, 255);
}

TEST(ProfileMapping, SizesFollowTheSourceOrientation) {
  // A square or unknown source: as chosen; "" is the source's size.
  const struct {
    const char *chosen;
    int width, height;
    const char *oriented;
  } sizes[] = {{"1920x1080", 1080, 1920, "1080x1920"}, {"1920x1080", 1920, 1080, "1920x1080"},
               {"1080x1920", 1280, 720, "1920x1080"},  {"1280x720", 500, 500, "1280x720"},
               {"1280x720", -1, -1, "1280x720"},       {"", 1080, 1920, ""}, {"original", 1080, 1920, "original"}};
  for (const auto &c : sizes)
    EXPECT_EQ(orientFrameSize(c.chosen, c.width, c.height), c.oriented) << c.chosen << " to " << c.width;
  int w = 0, h = 0;
  EXPECT_TRUE(parsePictureSize(" 1080x1920 ", w, h));
  EXPECT_EQ(w, 1080);
  EXPECT_EQ(h, 1920);
  for (const char *bad : {"", " ", "1080", "x1920", "1080x", "axb", "0x720", "-4x3", "12x7y"})
    EXPECT_FALSE(parsePictureSize(bad, w, h)) << bad;
  const std::pair<FrameRate, const char *> rates[] = {
      {{24000, 1001, 3}, "24000/1001"}, {{120000, 1001, 2}, "120000/1001"}, {{24, 1, 0}, "24"},
      {{239, 10, 1}, "239/10"},         {kAutoFrameRate, ""}};
  for (const auto &[rate, text] : rates) EXPECT_EQ(exactRateText(rate), text);
}

// Every label is made from its value, spelled as the lists have always
// shown it; the job gets the value.
TEST(ProfileMapping, LabelsFromValues) {
  const std::pair<std::string, const char *> texts[] = {
      {itemLabel(PictureSize{176, 144, " (QCIF)"}), "176 x 144 (QCIF)"}, {sizeText({176, 144, " (QCIF)"}), "176x144"},
      {itemLabel(PictureSize{320, 240, " "}), "320 x 240 "},             {sizeText({1920, 1072}), "1920x1072"},
      {itemLabel(sourceSize("Original Video Size")), "Original Video Size"},
      {sizeText(sourceSize("Original Video Size")), ""},                 {itemLabel(kAutoFrameRate), "Auto"},
      {decimalText(kAutoFrameRate), ""}, {itemLabel(FrameRate{2997, 100, 2, " [NTSC]"}), "29.97 fps [NTSC]"},
      {decimalText({2997, 100, 2, " [NTSC]"}), "29.97"},                 {itemLabel(FrameRate{15, 1, 0}), "15 fps"},
      {itemLabel(FrameRate{15, 1, 1}), "15.0 fps"},                      {decimalText({15, 1, 1}), "15.0"},
      {itemLabel(FrameRate{24000, 1001, 3}), "23.976 fps"}, {itemLabel(FrameRate{60000, 1001, 2}), "59.94 fps"},
      {itemLabel(hertz(8000, 5)), "8000  Hz"},                           {itemLabel(hertz(16000, 5)), "16000 Hz"},
      {itemLabel(kbps(384, 4)), "384  Kbps"},                            {itemLabel(bps(7400)), "7400 bps"},
      {itemLabel(crf(23)), "CRF 23"},                                    {itemLabel(named("Lossless")), "Lossless"}};
  for (const auto &[made, text] : texts) EXPECT_EQ(made, text);
  EXPECT_DOUBLE_EQ(shownRate({30000, 1001, 2}), 29.97);
  EXPECT_EQ(kbps(384, 4).value, 384000);

  // A list whose items are not the profile's, or no choice where one is
  // needed, fails the job.
  ProfileChoices c;
  std::string type = choose("MP3 - Mpeg Layer3 Audio (*.mp3)", c);
  OutputOptions o;
  for (const char *bad : {"000x Kbps", "", "99999999999 Kbps", "192 Kbps "}) {
    ProfileChoices changed = c;
    changed.comboAudioBitrate.items[static_cast<size_t>(changed.comboAudioBitrate.itemIndex)] = bad;
    EXPECT_THROW(applyProfileOptions("MP3 - Mpeg Layer3 Audio (*.mp3)", changed, type, o), SettingLabelError) << bad;
  }
  EXPECT_NO_THROW(applyProfileOptions("MP3 - Mpeg Layer3 Audio (*.mp3)", c, type, o));
  EXPECT_EQ(o.ab, 192000);
}

TEST(QualityPreset, MovesTheBitRates) {
  ProfileChoices c;
  choose("iPod (*.mp4)", c);
  applyLevels("iPod (*.mp4)", c, 0, 4);  // Highest, Lowest
  EXPECT_EQ(c.comboVideoBitrate.text(), "1200 Kbps");
  EXPECT_EQ(c.comboVideoBitrate.itemIndex, 2);
  EXPECT_EQ(c.comboAudioBitrate.text(), "64 Kbps");
  // The iPod list lacks 256 and 128: the selection stays.
  applyLevels("iPod (*.mp4)", c, 3);
  EXPECT_EQ(c.comboVideoBitrate.text(), "1200 Kbps");
  applyLevels("iPod (*.mp4)", c, 4);
  EXPECT_EQ(c.comboVideoBitrate.text(), "1200 Kbps");

  // RM: "384 Kbps" is not the list's "384  Kbps".
  choose("RM - Real Video (*.rm)", c);
  ASSERT_TRUE(c.comboVideoBitrate.selectText("3000 Kbps"));
  applyLevels("RM - Real Video (*.rm)", c, 2);
  EXPECT_EQ(c.comboVideoBitrate.text(), "3000 Kbps");
  applyLevels("RM - Real Video (*.rm)", c, 0);
  EXPECT_EQ(c.comboVideoBitrate.text(), "1200 Kbps");

  // 3GP counts audio in bit/s.
  choose("3GP - Mobile Video Format (*.3gp)", c);
  applyLevels("3GP - Mobile Video Format (*.3gp)", c, kKeep, 0);
  EXPECT_EQ(c.comboAudioBitrate.text(), "12200 bps");

  // Video CD: every level is 1150.
  choose("Video CD (*.mpg)", c);
  for (int level = 0; level < 5; ++level) {
    applyLevels("Video CD (*.mpg)", c, level);
    EXPECT_EQ(c.comboVideoBitrate.text(), "1150 Kbps");
  }

  // Audio-only: the video list stays empty, the audio preset applies.
  choose("OGG - Ogg Vorbis Audio (*.ogg)", c);
  applyLevels("OGG - Ogg Vorbis Audio (*.ogg)", c, kKeep, 3);
  EXPECT_TRUE(c.comboVideoBitrate.items.empty());
  EXPECT_EQ(c.comboVideoBitrate.itemIndex, -1);
  EXPECT_EQ(c.comboAudioBitrate.text(), "80 Kbps");

  // No quality row or no level: nothing moves.
  applyLevels("OGG - Ogg Vorbis Audio (*.ogg)", c, kKeep, -1);
  EXPECT_EQ(c.comboAudioBitrate.text(), "80 Kbps");
  applyLevels(kOutputFormatSeparator, c, kKeep, 0);
  EXPECT_EQ(c.comboAudioBitrate.text(), "80 Kbps");
}

TEST(QualityPreset, EveryLevelOfEveryProfileReachesTheJob) {
  for (const ProfileCase &e : kProfiles) {
    for (int level = 0; level < 5; ++level) {
      SCOPED_TRACE(std::string(e.label) + " level " + std::to_string(level));
      ProfileChoices c;
      choose(e.label, c);
      applyLevels(e.label, c, level, level);
      OutputOptions o;
      fillOutputOptions(o, ProbeSummary{}, makeJobSettings(profileIdOf(e.label), c, "/tmp", true, 255));
      EXPECT_EQ(crfOf(o) >= 0 ? crfOf(o) : o.vb > 0 ? o.vb / 1000 : o.vb, e.video[level]);
      EXPECT_EQ(o.ab, e.audio[level]);
    }
  }
}

}  // namespace
