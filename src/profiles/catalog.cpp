#include "catalog.h"

namespace {

constexpr bool kAudioOnly = true;
constexpr bool kWithVideo = false;

// Rates given in kbit/s, and in bit/s (the AMR rows' sound).
constexpr LevelRates kbit(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) {
  return {a * 1000, b * 1000, c * 1000, d * 1000, e * 1000};
}
constexpr LevelRates bit(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) { return {a, b, c, d, e}; }

}  // namespace

// The number; title and format name; mapping rule and sound only; the video
// and audio bit rates of the five quality levels. The video levels of the
// newer profiles are constant-quality levels (their option sets); copied and
// lossless sound has no bit rate.
// clang-format off
constexpr OutputProfile kProfileTable[kProfileCount] = {
    {0, "3GP - Mobile Video Format (*.3gp)", "3GP", ProfileRule::Mobile, kWithVideo,
     kbit(512, 256, 128, 96, 64), bit(12200, 7950, 7400, 6700, 4750)},
    {1, "3G2 - Mobile Video Format (*.3g2)", "3G2", ProfileRule::Mobile, kWithVideo,
     kbit(512, 256, 128, 96, 64), bit(12200, 7950, 7400, 6700, 4750)},
    {2, "345 (*.mp4)", "MP4", ProfileRule::None, kWithVideo,
     kbit(512, 256, 128, 96, 64), bit(12200, 7950, 7400, 6700, 4750)},
    {3, "iPod (*.mp4)", "MP4", ProfileRule::Apple, kWithVideo,
     kbit(1200, 800, 512, 256, 128), kbit(320, 192, 128, 96, 64)},
    {4, "iPod Extra (640 x 480) (*.mp4)", "MP4", ProfileRule::Apple, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 96, 64)},
    {5, "iPod Wide Screen (*.mp4)", "MP4", ProfileRule::Apple, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 96, 64)},
    {6, "iPod Video For TV (*.mp4)", "MP4", ProfileRule::None, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 96, 64)},
    {7, "Apple TV H264 (320 x 240) (*.mp4)", "MP4", ProfileRule::Apple, kWithVideo,
     kbit(1500, 1200, 800, 512, 256), kbit(256, 128, 64, 48, 32)},
    {8, "Apple TV H264 (640 x 480) (*.mp4)", "MP4", ProfileRule::Apple, kWithVideo,
     kbit(2500, 2000, 1500, 1200, 800), kbit(256, 128, 64, 48, 32)},
    {9, "Apple TV H264 (1280 x 720) (*.mp4)", "MP4", ProfileRule::Apple, kWithVideo,
     kbit(2500, 2000, 1500, 1200, 800), kbit(256, 128, 64, 48, 32)},
    {10, "Apple TV (*.mp4)", "MP4", ProfileRule::Apple, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 128, 64, 48, 32)},
    {11, "Apple TV (Normal Quality) (*.mp4)", "MP4", ProfileRule::Apple, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 128, 64, 48, 32)},
    {12, "Apple TV (High Quality) (*.mp4)", "MP4", ProfileRule::Apple, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 128, 64, 48, 32)},
    {13, "iPod Touch (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 80, 64)},  // like the iPhone, channels included
    {14, "iPod Touch Extra (640 x 480) (*.mp4)", "MP4", ProfileRule::None, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 80, 64)},
    {15, "iPod Touch Wide Screen (*.mp4)", "MP4", ProfileRule::None, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 80, 64)},
    {16, "iPod Touchx", "MP4", ProfileRule::None, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 80, 64)},
    {17, "iPod Touchy", "MP4", ProfileRule::None, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 80, 64)},
    {18, "iPhone (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 80, 64)},
    {19, "iPhone Extra (640 x 480) (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 80, 64)},
    {20, "iPhone Wide Screen (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 80, 64)},
    {21, "iphonexxxx", "MP4", ProfileRule::None, kWithVideo,
     kbit(2500, 1500, 1200, 800, 512), kbit(256, 192, 128, 80, 64)},
    {22, "AVI - Audio Video Interleave (*.avi)", "AVI", ProfileRule::Generic, kWithVideo,
     kbit(2500, 1500, 1200, 512, 256), kbit(320, 192, 128, 64, 48)},
    {23, "AVI - DivX Video (*.avi)", "AVI", ProfileRule::Generic, kWithVideo,
     kbit(2500, 1500, 1200, 512, 256), kbit(320, 192, 128, 64, 48)},
    {24, "AVI - XviD Video (*.avi)", "AVI", ProfileRule::Generic, kWithVideo,
     kbit(2500, 1500, 1200, 512, 256), kbit(320, 192, 128, 64, 48)},
    {25, "AVI - Uncompress (*.avi)", "AVI", ProfileRule::Generic, kWithVideo,
     kbit(2500, 1500, 1200, 512, 256), kbit(320, 192, 128, 64, 48)},
    {26, "MOV - QuickTime Video (*.mov)", "MOV", ProfileRule::Generic, kWithVideo,
     kbit(2500, 2000, 1200, 768, 512), kbit(256, 192, 128, 80, 64)},
    {27, "MP4 - MPEG4 Video (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(2500, 1500, 1200, 768, 512), kbit(256, 192, 128, 80, 64)},
    {28, "MPEG-1 Movie (*.mpg)", "MPG", ProfileRule::Generic, kWithVideo,
     kbit(2000, 1600, 1200, 1000, 768), kbit(224, 192, 128, 80, 64)},
    {29, "MPEG-2 Movie (*.mpg)", "MPG", ProfileRule::Generic, kWithVideo,
     kbit(2000, 1600, 1200, 1000, 768), kbit(224, 192, 128, 80, 64)},
    {30, "RM - Real Video (*.rm)", "RM", ProfileRule::Generic, kWithVideo,
     kbit(1200, 512, 384, 256, 128), kbit(160, 128, 96, 64, 48)},
    {31, "WMV - Windows Media Video (*.wmv)", "WMV", ProfileRule::Generic, kWithVideo,
     kbit(2500, 2000, 1500, 1200, 768), kbit(256, 192, 128, 80, 48)},
    {32, "SWF - Flash Swf Video (*.swf)", "SWF", ProfileRule::Generic, kWithVideo,
     kbit(800, 400, 200, 128, 100), kbit(160, 128, 96, 64, 48)},
    {33, "FLV - Flash Flv Video (*.flv)", "FLV", ProfileRule::Generic, kWithVideo,
     kbit(1200, 512, 368, 200, 120), kbit(160, 128, 96, 64, 48)},
    {34, "Video CD (*.mpg)", "MPG", ProfileRule::Generic, kWithVideo,
     kbit(1150, 1150, 1150, 1150, 1150), kbit(320, 224, 192, 128, 48)},
    {35, "Super Video CD (*.mpg)", "MPG", ProfileRule::Generic, kWithVideo,
     kbit(2040, 2040, 2040, 2040, 2040), kbit(320, 224, 192, 128, 48)},
    {36, "DVD - VOB (*.vob)", "VOB", ProfileRule::Generic, kWithVideo,
     kbit(6000, 6000, 6000, 6000, 6000), kbit(320, 224, 192, 128, 48)},
    {37, "AAC - Advance Audio Coding (*.aac)", "AAC", ProfileRule::Generic, kAudioOnly,
     kbit(0, 0, 0, 0, 0), kbit(256, 192, 128, 96, 48)},
    {38, "ASF - Advance Streaming Format (*.asf)", "ASF", ProfileRule::Generic, kWithVideo,
     kbit(2000, 1500, 1200, 768, 512), kbit(320, 192, 128, 64, 32)},
    {39, "AU - SUN Audio (*.au)", "AU", ProfileRule::Generic, kAudioOnly,
     kbit(0, 0, 0, 0, 0), kbit(256, 192, 128, 96, 48)},
    {40, "M4A - Mpeg4 Audio File (*.m4a)", "M4A", ProfileRule::Generic, kAudioOnly,
     kbit(0, 0, 0, 0, 0), kbit(256, 192, 128, 80, 64)},
    {41, "MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3", ProfileRule::Generic, kAudioOnly,
     kbit(0, 0, 0, 0, 0), kbit(256, 192, 128, 80, 64)},
    {42, "OGG - Ogg Vorbis Audio (*.ogg)", "OGG", ProfileRule::Generic, kAudioOnly,
     kbit(0, 0, 0, 0, 0), kbit(256, 192, 160, 80, 64)},
    {43, "RA - Real Audio (*.ra)", "RA", ProfileRule::Generic, kAudioOnly,
     kbit(0, 0, 0, 0, 0), kbit(192, 160, 128, 64, 48)},
    {44, "WAV - Waveform Audio (*.wav)", "WAV", ProfileRule::Generic, kAudioOnly,
     kbit(0, 0, 0, 0, 0), kbit(256, 192, 128, 80, 64)},
    {45, "WMA - Windows Media Audio (*.wma)", "WMA", ProfileRule::Generic, kAudioOnly,
     kbit(0, 0, 0, 0, 0), kbit(256, 192, 128, 64, 48)},
    {46, "MP2 - Mpeg Layer2 Audio (*.mp2)", "MP2", ProfileRule::Generic, kAudioOnly,
     kbit(0, 0, 0, 0, 0), kbit(224, 192, 128, 80, 64)},
    {47, "aaaaaa", "MP4", ProfileRule::None, kWithVideo,
     kbit(0, 0, 0, 0, 0), kbit(224, 192, 128, 80, 64)},
    {48, "aaaaaaa", "MP4", ProfileRule::None, kWithVideo,
     kbit(0, 0, 0, 0, 0), kbit(224, 192, 128, 80, 64)},
    {49, "Zune Mpeg4 Video (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(2000, 1500, 768, 512, 256), kbit(256, 192, 128, 80, 64)},
    {50, "Zune WMV Windows Media Video (*.wmv)", "WMV", ProfileRule::Generic, kWithVideo,
     kbit(2000, 1500, 1200, 768, 256), kbit(256, 192, 128, 80, 48)},
    {51, "Zune Mpeg4 AVC Video (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(2000, 1500, 1200, 768, 512), kbit(256, 192, 128, 80, 64)},
    {52, "Zune - Future Version", "MP4", ProfileRule::None, kWithVideo,
     kbit(2000, 1500, 1200, 768, 512), kbit(256, 192, 128, 80, 64)},
    {53, "PSP Video (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(768, 512, 384, 216, 128), kbit(160, 128, 96, 64, 48)},
    {54, "PSP Video - Good Quality (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(768, 512, 384, 216, 128), kbit(160, 128, 96, 64, 48)},
    {55, "PSP Video - Normal Quality (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(768, 512, 384, 216, 128), kbit(160, 128, 96, 64, 48)},
    {56, "PSP Video - Small File Size (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(768, 512, 384, 216, 128), kbit(160, 128, 96, 64, 48)},
    {57, "PSP - Future Formats", "MP4", ProfileRule::None, kWithVideo,
     kbit(768, 512, 384, 216, 128), kbit(160, 128, 96, 64, 48)},
    {58, "PS3 Video (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(3000, 2500, 2000, 1500, 1200), kbit(256, 192, 128, 80, 64)},
    {59, "PS3 Video(480P) (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(3000, 2500, 2000, 1500, 1200), kbit(256, 192, 128, 80, 64)},
    {60, "PS3 Video(720P) (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(3000, 2500, 2000, 1500, 1200), kbit(256, 192, 128, 80, 64)},
    {61, "PS3 Video(1080P) (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(3000, 2500, 2000, 1500, 1200), kbit(256, 192, 128, 80, 64)},
    {62, "PS3 - Future Version", "MP4", ProfileRule::None, kWithVideo,
     kbit(3000, 2500, 2000, 1500, 1200), kbit(256, 192, 128, 80, 64)},
    {63, "Archos AV500/GMini402 (*.avi)", "AVI", ProfileRule::Generic, kWithVideo,
     kbit(2500, 2000, 1500, 1200, 800), kbit(320, 192, 128, 64, 32)},
    {64, "Archos AV700 (*.avi)", "AVI", ProfileRule::Generic, kWithVideo,
     kbit(2500, 2000, 1500, 1200, 800), kbit(320, 192, 128, 64, 32)},
    {65, "Creative Zen Vision (*.avi)", "AVI", ProfileRule::Generic, kWithVideo,
     kbit(2500, 2000, 1500, 1200, 800), kbit(320, 192, 128, 64, 32)},
    {66, "iRiver PMP100 (*.avi)", "AVI", ProfileRule::Generic, kWithVideo,
     kbit(2500, 2000, 1500, 1200, 800), kbit(320, 192, 128, 64, 32)},
    {67, "BlackBerry MPEG-4 Video (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(512, 300, 256, 128, 80), kbit(112, 96, 80, 64, 40)},
    {68, "BlackBerry AVI Video (*.avi)", "AVI", ProfileRule::Generic, kWithVideo,
     kbit(512, 300, 200, 120, 80), kbit(256, 192, 80, 64, 48)},
    {69, "BlackBerry 3GP Video (*.3gp)", "3GP", ProfileRule::Generic, kWithVideo,
     kbit(512, 256, 120, 80, 40), bit(12200, 7950, 7400, 6700, 4750)},
    {70, "BlackBerry AMR Audio (*.amr)", "AMR", ProfileRule::Generic, kWithVideo,
     kbit(512, 300, 200, 120, 80), kbit(256, 192, 80, 64, 48)},
    {71, "Xbox360 MPEG4 Video (*.mp4)", "MP4", ProfileRule::Generic, kWithVideo,
     kbit(2500, 1500, 1200, 768, 512), kbit(256, 192, 128, 80, 64)},
    {72, "Xbox360 WMV Video (*.wmv)", "WMV", ProfileRule::Generic, kWithVideo,
     kbit(2500, 2000, 1500, 1200, 768), kbit(256, 192, 128, 80, 48)},
    {73, "Xbox360 AVI Video (*.avi)", "AVI", ProfileRule::Generic, kWithVideo,
     kbit(2500, 1500, 1200, 512, 256), kbit(320, 192, 128, 64, 48)},
    {74, "Xbox360 MPEG2 Video (*.mpg)", "MPG", ProfileRule::Generic, kWithVideo,
     kbit(2000, 1600, 1200, 1000, 768), kbit(224, 192, 128, 80, 64)},
    {75, "MP4 - H.264 Video (*.mp4)", "MP4", ProfileRule::EncoderTable, kWithVideo,
     kbit(0, 0, 0, 0, 0), kbit(256, 192, 160, 128, 96)},
    {76, "MP4 - H.265/HEVC Video (*.mp4)", "MP4", ProfileRule::EncoderTable, kWithVideo,
     kbit(0, 0, 0, 0, 0), kbit(256, 192, 160, 128, 96)},
    {77, "MKV - H.264 Video (*.mkv)", "MKV", ProfileRule::EncoderTable, kWithVideo,
     kbit(0, 0, 0, 0, 0), kbit(256, 192, 160, 128, 96)},
    {78, "WebM - VP9 Video (*.webm)", "WEBM", ProfileRule::EncoderTable, kWithVideo,
     kbit(0, 0, 0, 0, 0), kbit(192, 160, 128, 96, 64)},
    {79, "WebM - AV1 Video (*.webm)", "WEBM", ProfileRule::EncoderTable, kWithVideo,
     kbit(0, 0, 0, 0, 0), kbit(192, 160, 128, 96, 64)},
    {80, "MP4 - Same Video and Audio, No Re-encoding (*.mp4)", "MP4", ProfileRule::EncoderTable, kWithVideo,
     kbit(0, 0, 0, 0, 0), kbit(0, 0, 0, 0, 0)},
    {81, "FLAC - Lossless Audio (*.flac)", "FLAC", ProfileRule::EncoderTable, kAudioOnly,
     kbit(0, 0, 0, 0, 0), kbit(0, 0, 0, 0, 0)},
    {82, "Opus Audio (*.opus)", "OPUS", ProfileRule::EncoderTable, kAudioOnly,
     kbit(0, 0, 0, 0, 0), kbit(192, 160, 128, 96, 64)},
};
// clang-format on

constexpr std::string_view kOutputFormatSeparator =
    "              -----------------------------------------";

constexpr std::array<int, kOutputFormatCount> kOutputFormatIds = {
    // video formats
    0,  // 3GP - Mobile Video Format (*.3gp)
    1,  // 3G2 - Mobile Video Format (*.3g2)
    38,  // ASF - Advance Streaming Format (*.asf)
    22,  // AVI - Audio Video Interleave (*.avi)
    23,  // AVI - DivX Video (*.avi)
    24,  // AVI - XviD Video (*.avi)
    33,  // FLV - Flash Flv Video (*.flv)
    26,  // MOV - QuickTime Video (*.mov)
    27,  // MP4 - MPEG4 Video (*.mp4)
    28,  // MPEG-1 Movie (*.mpg)
    29,  // MPEG-2 Movie (*.mpg)
    30,  // RM - Real Video (*.rm)
    32,  // SWF - Flash Swf Video (*.swf)
    35,  // Super Video CD (*.mpg)
    34,  // Video CD (*.mpg)
    31,  // WMV - Windows Media Video (*.wmv)
    kSeparatorItem,
    // audio formats
    37,  // AAC - Advance Audio Coding (*.aac)
    40,  // M4A - Mpeg4 Audio File (*.m4a)
    46,  // MP2 - Mpeg Layer2 Audio (*.mp2)
    41,  // MP3 - Mpeg Layer3 Audio (*.mp3)
    42,  // OGG - Ogg Vorbis Audio (*.ogg)
    43,  // RA - Real Audio (*.ra)
    44,  // WAV - Waveform Audio (*.wav)
    45,  // WMA - Windows Media Audio (*.wma)
    kSeparatorItem,
    // Apple devices
    18,  // iPhone (*.mp4)
    3,  // iPod (*.mp4)
    13,  // iPod Touch (*.mp4)
    10,  // Apple TV (*.mp4)
    kSeparatorItem,
    // players and phones
    63,  // Archos AV500/GMini402 (*.avi)
    64,  // Archos AV700 (*.avi)
    67,  // BlackBerry MPEG-4 Video (*.mp4)
    68,  // BlackBerry AVI Video (*.avi)
    69,  // BlackBerry 3GP Video (*.3gp)
    65,  // Creative Zen Vision (*.avi)
    66,  // iRiver PMP100 (*.avi)
    kSeparatorItem,
    // consoles and media players
    53,  // PSP Video (*.mp4)
    58,  // PS3 Video (*.mp4)
    71,  // Xbox360 MPEG4 Video (*.mp4)
    72,  // Xbox360 WMV Video (*.wmv)
    73,  // Xbox360 AVI Video (*.avi)
    74,  // Xbox360 MPEG2 Video (*.mpg)
    49,  // Zune Mpeg4 Video (*.mp4)
    50,  // Zune WMV Windows Media Video (*.wmv)
    kSeparatorItem,
    // formats of today: the source's size and rate, constant quality
    75,  // MP4 - H.264 Video (*.mp4)
    76,  // MP4 - H.265/HEVC Video (*.mp4)
    77,  // MKV - H.264 Video (*.mkv)
    78,  // WebM - VP9 Video (*.webm)
    79,  // WebM - AV1 Video (*.webm)
    80,  // MP4 - Same Video and Audio, No Re-encoding (*.mp4)
    81,  // FLAC - Lossless Audio (*.flac)
    82,  // Opus Audio (*.opus)
};

namespace {

constexpr std::array<std::string_view, kOutputFormatCount> formatItems() {
  std::array<std::string_view, kOutputFormatCount> items{};
  for (size_t i = 0; i < items.size(); ++i) {
    const int id = kOutputFormatIds[i];
    items[i] = id == kSeparatorItem ? kOutputFormatSeparator : kProfileTable[id].title;
  }
  return items;
}

}  // namespace

constexpr std::array<std::string_view, kOutputFormatCount> kOutputFormatItems = formatItems();

namespace {

// Every row is numbered by its index, and a label names one row only.
constexpr bool rowsNumberedAndTitlesUnique() {
  for (int i = 0; i < kProfileCount; ++i) {
    if (kProfileTable[i].profileId != i) return false;
    for (int j = 0; j < i; ++j)
      if (kProfileTable[j].title == kProfileTable[i].title) return false;
  }
  return true;
}
static_assert(rowsNumberedAndTitlesUnique(), "catalog rows out of order or titled twice");

// Every item of the list that is not a separator names a profile with a
// mapping rule, each once, and there are as many as there are offered
// profiles.
constexpr bool listNamesOfferedProfiles() {
  int offered = 0;
  for (size_t i = 0; i < kOutputFormatIds.size(); ++i) {
    const int id = kOutputFormatIds[i];
    if (id == kSeparatorItem) continue;
    ++offered;
    if (id < 0 || id >= kProfileCount || kProfileTable[id].rule == ProfileRule::None) return false;
    for (size_t j = 0; j < i; ++j)
      if (kOutputFormatIds[j] == id) return false;
  }
  return offered == kOfferedProfileCount;
}
static_assert(listNamesOfferedProfiles(), "the output format list names a profile without a rule");

// The list keeps the places of the first 47 items (stored settings name an
// item by its place); the newer profiles come after the last separator, in
// catalog order, and they are the only rows with the encoder-table rule.
constexpr bool newerProfilesFollowTheOlderOnes() {
  if (kOutputFormatIds[kFirstCurrentFormatItem - 1] != kSeparatorItem) return false;
  if (kOutputFormatItems[46] != "Zune WMV Windows Media Video (*.wmv)") return false;
  for (int i = 0; i < kProfileCount; ++i)
    if ((kProfileTable[i].rule == ProfileRule::EncoderTable) != (i >= kFirstCurrentProfileId)) return false;
  for (int i = kFirstCurrentFormatItem; i < kOutputFormatCount; ++i)
    if (kOutputFormatIds[static_cast<size_t>(i)] != kFirstCurrentProfileId + i - kFirstCurrentFormatItem) return false;
  return kOutputFormatCount - kFirstCurrentFormatItem == kProfileCount - kFirstCurrentProfileId;
}
static_assert(newerProfilesFollowTheOlderOnes(), "the newer profiles must follow the 47 older list items");

}  // namespace

void fillOutputFormatList(ChoiceList &list) {
  list.clear();
  list.items.reserve(kOutputFormatItems.size());
  for (std::string_view item : kOutputFormatItems) list.items.emplace_back(item);
  list.itemIndex = 0;
}

int profileIdAt(int formatItem) {
  if (formatItem < 0 || formatItem >= kOutputFormatCount) return -1;
  const int id = kOutputFormatIds[static_cast<size_t>(formatItem)];
  return id == kSeparatorItem ? -1 : id;
}

int formatItemOf(int profileId) {
  for (size_t i = 0; i < kOutputFormatIds.size(); ++i)
    if (kOutputFormatIds[i] != kSeparatorItem && kOutputFormatIds[i] == profileId) return static_cast<int>(i);
  return -1;
}

bool isFormatSeparator(std::string_view text) {
  // Fourteen blanks and four hyphens: the start of every separator item.
  return text.find("              ----") != std::string_view::npos;
}

const OutputProfile *profileRow(int profileId) {
  if (profileId < 0 || profileId >= kProfileCount) return nullptr;
  return &kProfileTable[profileId];
}

const OutputProfile *findProfile(std::string_view label) {
  for (const OutputProfile &row : kProfileTable)
    if (row.title == label) return &row;
  return nullptr;
}

int profileIdOf(std::string_view label) {
  const OutputProfile *row = findProfile(label);
  return row ? row->profileId : -1;
}

bool isAudioOnlyProfile(int profileId) {
  const OutputProfile *row = profileRow(profileId);
  return row && row->audioOnly;
}

bool isAudioOnlyFormat(std::string_view label) { return isAudioOnlyProfile(profileIdOf(label)); }
