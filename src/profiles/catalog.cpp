#include "catalog.h"

// clang-format off
constexpr OutputProfile kProfileTable[kProfileCount] = {
    {"3GP - Mobile Video Format (*.3gp)", "3GP", 0, ProfileRule::Mobile},
    {"3G2 - Mobile Video Format (*.3g2)", "3G2", 1, ProfileRule::Mobile},
    {"345 (*.mp4)", "MP4", 2, ProfileRule::None},
    {"iPod (*.mp4)", "MP4", 3, ProfileRule::Apple},
    {"iPod Extra (640 x 480) (*.mp4)", "MP4", 4, ProfileRule::Apple},
    {"iPod Wide Screen (*.mp4)", "MP4", 5, ProfileRule::Apple},
    {"iPod Video For TV (*.mp4)", "MP4", 6, ProfileRule::None},
    {"Apple TV H264 (320 x 240) (*.mp4)", "MP4", 7, ProfileRule::Apple},
    {"Apple TV H264 (640 x 480) (*.mp4)", "MP4", 8, ProfileRule::Apple},
    {"Apple TV H264 (1280 x 720) (*.mp4)", "MP4", 9, ProfileRule::Apple},
    {"Apple TV (*.mp4)", "MP4", 10, ProfileRule::Apple},
    {"Apple TV (Normal Quality) (*.mp4)", "MP4", 11, ProfileRule::Apple},
    {"Apple TV (High Quality) (*.mp4)", "MP4", 12, ProfileRule::Apple},
    {"iPod Touch (*.mp4)", "MP4", 13, ProfileRule::Generic},  // like the iPhone, channels included
    {"iPod Touch Extra (640 x 480) (*.mp4)", "MP4", 14, ProfileRule::None},
    {"iPod Touch Wide Screen (*.mp4)", "MP4", 15, ProfileRule::None},
    {"iPod Touchx", "MP4", 16, ProfileRule::None},
    {"iPod Touchy", "MP4", 17, ProfileRule::None},
    {"iPhone (*.mp4)", "MP4", 18, ProfileRule::Generic},
    {"iPhone Extra (640 x 480) (*.mp4)", "MP4", 19, ProfileRule::Generic},
    {"iPhone Wide Screen (*.mp4)", "MP4", 20, ProfileRule::Generic},
    {"iphonexxxx", "MP4", 21, ProfileRule::None},
    {"AVI - Audio Video Interleave (*.avi)", "AVI", 22, ProfileRule::Generic},
    {"AVI - DivX Video (*.avi)", "AVI", 23, ProfileRule::Generic},
    {"AVI - XviD Video (*.avi)", "AVI", 24, ProfileRule::Generic},
    {"AVI - Uncompress (*.avi)", "AVI", 25, ProfileRule::Generic},
    {"MOV - QuickTime Video (*.mov)", "MOV", 26, ProfileRule::Generic},
    {"MP4 - MPEG4 Video (*.mp4)", "MP4", 27, ProfileRule::Generic},
    {"MPEG-1 Movie (*.mpg)", "MPG", 28, ProfileRule::Generic},
    {"MPEG-2 Movie (*.mpg)", "MPG", 29, ProfileRule::Generic},
    {"RM - Real Video (*.rm)", "RM", 30, ProfileRule::Generic},
    {"WMV - Windows Media Video (*.wmv)", "WMV", 31, ProfileRule::Generic},
    {"SWF - Flash Swf Video (*.swf)", "SWF", 32, ProfileRule::Generic},
    {"FLV - Flash Flv Video (*.flv)", "FLV", 33, ProfileRule::Generic},
    {"Video CD (*.mpg)", "MPG", 34, ProfileRule::Generic},
    {"Super Video CD (*.mpg)", "MPG", 35, ProfileRule::Generic},
    {"DVD - VOB (*.vob)", "VOB", 36, ProfileRule::Generic},
    {"AAC - Advance Audio Coding (*.aac)", "AAC", 37, ProfileRule::Generic},
    {"ASF - Advance Streaming Format (*.asf)", "ASF", 38, ProfileRule::Generic},
    {"AU - SUN Audio (*.au)", "AU", 39, ProfileRule::Generic},
    {"M4A - Mpeg4 Audio File (*.m4a)", "M4A", 40, ProfileRule::Generic},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3", 41, ProfileRule::Generic},
    {"OGG - Ogg Vorbis Audio (*.ogg)", "OGG", 42, ProfileRule::Generic},
    {"RA - Real Audio (*.ra)", "RA", 43, ProfileRule::Generic},
    {"WAV - Waveform Audio (*.wav)", "WAV", 44, ProfileRule::Generic},
    {"WMA - Windows Media Audio (*.wma)", "WMA", 45, ProfileRule::Generic},
    {"MP2 - Mpeg Layer2 Audio (*.mp2)", "MP2", 46, ProfileRule::Generic},
    {"aaaaaa", "MP4", 47, ProfileRule::None},
    {"aaaaaaa", "MP4", 48, ProfileRule::None},
    {"Zune Mpeg4 Video (*.mp4)", "MP4", 49, ProfileRule::Generic},
    {"Zune WMV Windows Media Video (*.wmv)", "WMV", 50, ProfileRule::Generic},
    {"Zune Mpeg4 AVC Video (*.mp4)", "MP4", 51, ProfileRule::Generic},
    {"Zune - Future Version", "MP4", 52, ProfileRule::None},
    {"PSP Video (*.mp4)", "MP4", 53, ProfileRule::Generic},
    {"PSP Video - Good Quality (*.mp4)", "MP4", 54, ProfileRule::Generic},
    {"PSP Video - Normal Quality (*.mp4)", "MP4", 55, ProfileRule::Generic},
    {"PSP Video - Small File Size (*.mp4)", "MP4", 56, ProfileRule::Generic},
    {"PSP - Future Formats", "MP4", 57, ProfileRule::None},
    {"PS3 Video (*.mp4)", "MP4", 58, ProfileRule::Generic},
    {"PS3 Video(480P) (*.mp4)", "MP4", 59, ProfileRule::Generic},
    {"PS3 Video(720P) (*.mp4)", "MP4", 60, ProfileRule::Generic},
    {"PS3 Video(1080P) (*.mp4)", "MP4", 61, ProfileRule::Generic},
    {"PS3 - Future Version", "MP4", 62, ProfileRule::None},
    {"Archos AV500/GMini402 (*.avi)", "AVI", 63, ProfileRule::Generic},
    {"Archos AV700 (*.avi)", "AVI", 64, ProfileRule::Generic},
    {"Creative Zen Vision (*.avi)", "AVI", 65, ProfileRule::Generic},
    {"iRiver PMP100 (*.avi)", "AVI", 66, ProfileRule::Generic},
    {"BlackBerry MPEG-4 Video (*.mp4)", "MP4", 67, ProfileRule::Generic},
    {"BlackBerry AVI Video (*.avi)", "AVI", 68, ProfileRule::Generic},
    {"BlackBerry 3GP Video (*.3gp)", "3GP", 69, ProfileRule::Generic},
    {"BlackBerry AMR Audio (*.amr)", "AMR", 70, ProfileRule::Generic},
    {"Xbox360 MPEG4 Video (*.mp4)", "MP4", 71, ProfileRule::Generic},
    {"Xbox360 WMV Video (*.wmv)", "WMV", 72, ProfileRule::Generic},
    {"Xbox360 AVI Video (*.avi)", "AVI", 73, ProfileRule::Generic},
    {"Xbox360 MPEG2 Video (*.mpg)", "MPG", 74, ProfileRule::Generic},
    {"MP4 - H.264 Video (*.mp4)", "MP4", 75, ProfileRule::EncoderTable},
    {"MP4 - H.265/HEVC Video (*.mp4)", "MP4", 76, ProfileRule::EncoderTable},
    {"MKV - H.264 Video (*.mkv)", "MKV", 77, ProfileRule::EncoderTable},
    {"WebM - VP9 Video (*.webm)", "WEBM", 78, ProfileRule::EncoderTable},
    {"WebM - AV1 Video (*.webm)", "WEBM", 79, ProfileRule::EncoderTable},
    {"MP4 - Same Video and Audio, No Re-encoding (*.mp4)", "MP4", 80, ProfileRule::EncoderTable},
    {"FLAC - Lossless Audio (*.flac)", "FLAC", 81, ProfileRule::EncoderTable},
    {"Opus Audio (*.opus)", "OPUS", 82, ProfileRule::EncoderTable},
};

constexpr QualityRates kQualityTable[kProfileCount] = {
    {"3GP - Mobile Video Format (*.3gp)", "3GP", {"512", "256", "128", "96", "64"}, {"12200", "7950", "7400", "6700", "4750"}, 0},
    {"3G2 - Mobile Video Format (*.3g2)", "3G2", {"512", "256", "128", "96", "64"}, {"12200", "7950", "7400", "6700", "4750"}, 1},
    {"345 (*.mp4)", "MP4", {"512", "256", "128", "96", "64"}, {"12200", "7950", "7400", "6700", "4750"}, 2},
    {"iPod (*.mp4)", "MP4", {"1200", "800", "512", "256", "128"}, {"320", "192", "128", "96", "64"}, 3},
    {"iPod Extra (640 x 480) (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "96", "64"}, 4},
    {"iPod Wide Screen (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "96", "64"}, 5},
    {"iPod Video For TV (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "96", "64"}, 6},
    {"Apple TV H264 (320 x 240) (*.mp4)", "MP4", {"1500", "1200", "800", "512", "256"}, {"256", "128", "64", "48", "32"}, 7},
    {"Apple TV H264 (640 x 480) (*.mp4)", "MP4", {"2500", "2000", "1500", "1200", "800"}, {"256", "128", "64", "48", "32"}, 8},
    {"Apple TV H264 (1280 x 720) (*.mp4)", "MP4", {"2500", "2000", "1500", "1200", "800"}, {"256", "128", "64", "48", "32"}, 9},
    {"Apple TV (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "128", "64", "48", "32"}, 10},
    {"Apple TV (Normal Quality) (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "128", "64", "48", "32"}, 11},
    {"Apple TV (High Quality) (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "128", "64", "48", "32"}, 12},
    {"iPod Touch (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "80", "64"}, 13},
    {"iPod Touch Extra (640 x 480) (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "80", "64"}, 14},
    {"iPod Touch Wide Screen (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "80", "64"}, 15},
    {"iPod Touchx", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "80", "64"}, 16},
    {"iPod Touchy", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "80", "64"}, 17},
    {"iPhone (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "80", "64"}, 18},
    {"iPhone Extra (640 x 480) (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "80", "64"}, 19},
    {"iPhone Wide Screen (*.mp4)", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "80", "64"}, 20},
    {"iphonexxxx", "MP4", {"2500", "1500", "1200", "800", "512"}, {"256", "192", "128", "80", "64"}, 21},
    {"AVI - Audio Video Interleave (*.avi)", "AVI", {"2500", "1500", "1200", "512", "256"}, {"320", "192", "128", "64", "48"}, 22},
    {"AVI - DivX Video (*.avi)", "AVI", {"2500", "1500", "1200", "512", "256"}, {"320", "192", "128", "64", "48"}, 23},
    {"AVI - XviD Video (*.avi)", "AVI", {"2500", "1500", "1200", "512", "256"}, {"320", "192", "128", "64", "48"}, 24},
    {"AVI - Uncompress (*.avi)", "AVI", {"2500", "1500", "1200", "512", "256"}, {"320", "192", "128", "64", "48"}, 25},
    {"MOV - QuickTime Video (*.mov)", "MOV", {"2500", "2000", "1200", "768", "512"}, {"256", "192", "128", "80", "64"}, 26},
    {"MP4 - MPEG4 Video (*.mp4)", "MP4", {"2500", "1500", "1200", "768", "512"}, {"256", "192", "128", "80", "64"}, 27},
    {"MPEG-1 Movie (*.mpg)", "MPG", {"2000", "1600", "1200", "1000", "768"}, {"224", "192", "128", "80", "64"}, 28},
    {"MPEG-2 Movie (*.mpg)", "MPG", {"2000", "1600", "1200", "1000", "768"}, {"224", "192", "128", "80", "64"}, 29},
    {"RM - Real Video (*.rm)", "RM", {"1200", "512", "384", "256", "128"}, {"160", "128", "96", "64", "48"}, 30},
    {"WMV - Windows Media Video (*.wmv)", "WMV", {"2500", "2000", "1500", "1200", "768"}, {"256", "192", "128", "80", "48"}, 31},
    {"SWF - Flash Swf Video (*.swf)", "SWF", {"800", "400", "200", "128", "100"}, {"160", "128", "96", "64", "48"}, 32},
    {"FLV - Flash Flv Video (*.flv)", "FLV", {"1200", "512", "368", "200", "120"}, {"160", "128", "96", "64", "48"}, 33},
    {"Video CD (*.mpg)", "MPG", {"1150", "1150", "1150", "1150", "1150"}, {"320", "224", "192", "128", "48"}, 34},
    {"Super Video CD (*.mpg)", "MPG", {"2040", "2040", "2040", "2040", "2040"}, {"320", "224", "192", "128", "48"}, 35},
    {"DVD - VOB (*.vob)", "VOB", {"6000", "6000", "6000", "6000", "6000"}, {"320", "224", "192", "128", "48"}, 36},
    {"AAC - Advance Audio Coding (*.aac)", "AAC", {"0", "0", "0", "0", "0"}, {"256", "192", "128", "96", "48"}, 37},
    {"ASF - Advance Streaming Format (*.asf)", "ASF", {"2000", "1500", "1200", "768", "512"}, {"320", "192", "128", "64", "32"}, 38},
    {"AU - SUN Audio (*.au)", "AU", {"0", "0", "0", "0", "0"}, {"256", "192", "128", "96", "48"}, 39},
    {"M4A - Mpeg4 Audio File (*.m4a)", "M4A", {"0", "0", "0", "0", "0"}, {"256", "192", "128", "80", "64"}, 40},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3", {"0", "0", "0", "0", "0"}, {"256", "192", "128", "80", "64"}, 41},
    {"OGG - Ogg Vorbis Audio (*.ogg)", "OGG", {"0", "0", "0", "0", "0"}, {"256", "192", "160", "80", "64"}, 42},
    {"RA - Real Audio (*.ra)", "RA", {"0", "0", "0", "0", "0"}, {"192", "160", "128", "64", "48"}, 43},
    {"WAV - Waveform Audio (*.wav)", "WAV", {"0", "0", "0", "0", "0"}, {"256", "192", "128", "80", "64"}, 44},
    {"WMA - Windows Media Audio (*.wma)", "WMA", {"0", "0", "0", "0", "0"}, {"256", "192", "128", "64", "48"}, 45},
    {"MP2 - Mpeg Layer2 Audio (*.mp2)", "MP2", {"0", "0", "0", "0", "0"}, {"224", "192", "128", "80", "64"}, 46},
    {"aaaaaa", "MP4", {"0", "0", "0", "0", "0"}, {"224", "192", "128", "80", "64"}, 47},
    {"aaaaaaa", "MP4", {"0", "0", "0", "0", "0"}, {"224", "192", "128", "80", "64"}, 48},
    {"Zune Mpeg4 Video (*.mp4)", "MP4", {"2000", "1500", "768", "512", "256"}, {"256", "192", "128", "80", "64"}, 49},
    {"Zune WMV Windows Media Video (*.wmv)", "WMV", {"2000", "1500", "1200", "768", "256"}, {"256", "192", "128", "80", "48"}, 50},
    {"Zune Mpeg4 AVC Video (*.mp4)", "MP4", {"2000", "1500", "1200", "768", "512"}, {"256", "192", "128", "80", "64"}, 51},
    {"Zune - Future Version", "MP4", {"2000", "1500", "1200", "768", "512"}, {"256", "192", "128", "80", "64"}, 52},
    {"PSP Video (*.mp4)", "MP4", {"768", "512", "384", "216", "128"}, {"160", "128", "96", "64", "48"}, 53},
    {"PSP Video - Good Quality (*.mp4)", "MP4", {"768", "512", "384", "216", "128"}, {"160", "128", "96", "64", "48"}, 54},
    {"PSP Video - Normal Quality (*.mp4)", "MP4", {"768", "512", "384", "216", "128"}, {"160", "128", "96", "64", "48"}, 55},
    {"PSP Video - Small File Size (*.mp4)", "MP4", {"768", "512", "384", "216", "128"}, {"160", "128", "96", "64", "48"}, 56},
    {"PSP - Future Formats", "MP4", {"768", "512", "384", "216", "128"}, {"160", "128", "96", "64", "48"}, 57},
    {"PS3 Video (*.mp4)", "MP4", {"3000", "2500", "2000", "1500", "1200"}, {"256", "192", "128", "80", "64"}, 58},
    {"PS3 Video(480P) (*.mp4)", "MP4", {"3000", "2500", "2000", "1500", "1200"}, {"256", "192", "128", "80", "64"}, 59},
    {"PS3 Video(720P) (*.mp4)", "MP4", {"3000", "2500", "2000", "1500", "1200"}, {"256", "192", "128", "80", "64"}, 60},
    {"PS3 Video(1080P) (*.mp4)", "MP4", {"3000", "2500", "2000", "1500", "1200"}, {"256", "192", "128", "80", "64"}, 61},
    {"PS3 - Future Version", "MP4", {"3000", "2500", "2000", "1500", "1200"}, {"256", "192", "128", "80", "64"}, 62},
    {"Archos AV500/GMini402 (*.avi)", "AVI", {"2500", "2000", "1500", "1200", "800"}, {"320", "192", "128", "64", "32"}, 63},
    {"Archos AV700 (*.avi)", "AVI", {"2500", "2000", "1500", "1200", "800"}, {"320", "192", "128", "64", "32"}, 64},
    {"Creative Zen Vision (*.avi)", "AVI", {"2500", "2000", "1500", "1200", "800"}, {"320", "192", "128", "64", "32"}, 65},
    {"iRiver PMP100 (*.avi)", "AVI", {"2500", "2000", "1500", "1200", "800"}, {"320", "192", "128", "64", "32"}, 66},
    {"BlackBerry MPEG-4 Video (*.mp4)", "MP4", {"512", "300", "256", "128", "80"}, {"112", "96", "80", "64", "40"}, 67},
    {"BlackBerry AVI Video (*.avi)", "AVI", {"512", "300", "200", "120", "80"}, {"256", "192", "80", "64", "48"}, 68},
    {"BlackBerry 3GP Video (*.3gp)", "3GP", {"512", "256", "120", "80", "40"}, {"12200", "7950", "7400", "6700", "4750"}, 69},
    {"BlackBerry AMR Audio (*.amr)", "AMR", {"512", "300", "200", "120", "80"}, {"256", "192", "80", "64", "48"}, 70},
    {"Xbox360 MPEG4 Video (*.mp4)", "MP4", {"2500", "1500", "1200", "768", "512"}, {"256", "192", "128", "80", "64"}, 71},
    {"Xbox360 WMV Video (*.wmv)", "WMV", {"2500", "2000", "1500", "1200", "768"}, {"256", "192", "128", "80", "48"}, 72},
    {"Xbox360 AVI Video (*.avi)", "AVI", {"2500", "1500", "1200", "512", "256"}, {"320", "192", "128", "64", "48"}, 73},
    {"Xbox360 MPEG2 Video (*.mpg)", "MPG", {"2000", "1600", "1200", "1000", "768"}, {"224", "192", "128", "80", "64"}, 74},
    // The video levels of the newer profiles are constant-quality levels
    // (their option sets); copied and lossless sound has no bit rate.
    {"MP4 - H.264 Video (*.mp4)", "MP4", {"0", "0", "0", "0", "0"}, {"256", "192", "160", "128", "96"}, 75},
    {"MP4 - H.265/HEVC Video (*.mp4)", "MP4", {"0", "0", "0", "0", "0"}, {"256", "192", "160", "128", "96"}, 76},
    {"MKV - H.264 Video (*.mkv)", "MKV", {"0", "0", "0", "0", "0"}, {"256", "192", "160", "128", "96"}, 77},
    {"WebM - VP9 Video (*.webm)", "WEBM", {"0", "0", "0", "0", "0"}, {"192", "160", "128", "96", "64"}, 78},
    {"WebM - AV1 Video (*.webm)", "WEBM", {"0", "0", "0", "0", "0"}, {"192", "160", "128", "96", "64"}, 79},
    {"MP4 - Same Video and Audio, No Re-encoding (*.mp4)", "MP4", {"0", "0", "0", "0", "0"}, {"0", "0", "0", "0", "0"}, 80},
    {"FLAC - Lossless Audio (*.flac)", "FLAC", {"0", "0", "0", "0", "0"}, {"0", "0", "0", "0", "0"}, 81},
    {"Opus Audio (*.opus)", "OPUS", {"0", "0", "0", "0", "0"}, {"192", "160", "128", "96", "64"}, 82},
};
// clang-format on


constexpr std::string_view kOutputFormatSeparator =
    "              -----------------------------------------";

constexpr std::array<std::string_view, kOutputFormatCount> kOutputFormatItems = {
    // video formats
    "3GP - Mobile Video Format (*.3gp)",
    "3G2 - Mobile Video Format (*.3g2)",
    "ASF - Advance Streaming Format (*.asf)",
    "AVI - Audio Video Interleave (*.avi)",
    "AVI - DivX Video (*.avi)",
    "AVI - XviD Video (*.avi)",
    "FLV - Flash Flv Video (*.flv)",
    "MOV - QuickTime Video (*.mov)",
    "MP4 - MPEG4 Video (*.mp4)",
    "MPEG-1 Movie (*.mpg)",
    "MPEG-2 Movie (*.mpg)",
    "RM - Real Video (*.rm)",
    "SWF - Flash Swf Video (*.swf)",
    "Super Video CD (*.mpg)",
    "Video CD (*.mpg)",
    "WMV - Windows Media Video (*.wmv)",
    kOutputFormatSeparator,
    // audio formats
    "AAC - Advance Audio Coding (*.aac)",
    "M4A - Mpeg4 Audio File (*.m4a)",
    "MP2 - Mpeg Layer2 Audio (*.mp2)",
    "MP3 - Mpeg Layer3 Audio (*.mp3)",
    "OGG - Ogg Vorbis Audio (*.ogg)",
    "RA - Real Audio (*.ra)",
    "WAV - Waveform Audio (*.wav)",
    "WMA - Windows Media Audio (*.wma)",
    kOutputFormatSeparator,
    // Apple devices
    "iPhone (*.mp4)",
    "iPod (*.mp4)",
    "iPod Touch (*.mp4)",
    "Apple TV (*.mp4)",
    kOutputFormatSeparator,
    // players and phones
    "Archos AV500/GMini402 (*.avi)",
    "Archos AV700 (*.avi)",
    "BlackBerry MPEG-4 Video (*.mp4)",
    "BlackBerry AVI Video (*.avi)",
    "BlackBerry 3GP Video (*.3gp)",
    "Creative Zen Vision (*.avi)",
    "iRiver PMP100 (*.avi)",
    kOutputFormatSeparator,
    // consoles and media players
    "PSP Video (*.mp4)",
    "PS3 Video (*.mp4)",
    "Xbox360 MPEG4 Video (*.mp4)",
    "Xbox360 WMV Video (*.wmv)",
    "Xbox360 AVI Video (*.avi)",
    "Xbox360 MPEG2 Video (*.mpg)",
    "Zune Mpeg4 Video (*.mp4)",
    "Zune WMV Windows Media Video (*.wmv)",
    kOutputFormatSeparator,
    // formats of today: the source's size and rate, constant quality
    "MP4 - H.264 Video (*.mp4)",
    "MP4 - H.265/HEVC Video (*.mp4)",
    "MKV - H.264 Video (*.mkv)",
    "WebM - VP9 Video (*.webm)",
    "WebM - AV1 Video (*.webm)",
    "MP4 - Same Video and Audio, No Re-encoding (*.mp4)",
    "FLAC - Lossless Audio (*.flac)",
    "Opus Audio (*.opus)",
};

namespace {

// The two tables describe the same rows in the same order, each row numbered
// by its index, and a label names one row only.
constexpr bool tablesAgree() {
  for (int i = 0; i < kProfileCount; ++i) {
    const OutputProfile &p = kProfileTable[i];
    const QualityRates &q = kQualityTable[i];
    if (p.profileId != i || q.profileId != i || q.title != p.title || q.formatName != p.formatName)
      return false;
    for (int j = 0; j < i; ++j)
      if (kProfileTable[j].title == p.title) return false;
  }
  return true;
}
static_assert(tablesAgree(), "profile and quality tables out of step");

// Every item of the list that is not a separator names a profile with a
// mapping rule, and there are as many as there are offered profiles.
constexpr bool listNamesOfferedProfiles() {
  int offered = 0;
  for (std::string_view item : kOutputFormatItems) {
    if (item == kOutputFormatSeparator) continue;
    ++offered;
    const OutputProfile *row = nullptr;
    for (const OutputProfile &p : kProfileTable)
      if (p.title == item) row = &p;
    if (!row || row->rule == ProfileRule::None) return false;
  }
  return offered == kOfferedProfileCount;
}
static_assert(listNamesOfferedProfiles(), "the output format list names a profile without a rule");

// The list keeps the places of the first 47 items (stored settings name an
// item by its place); the newer profiles come after the last separator, in
// catalog order, and they are the only rows with the encoder-table rule.
constexpr bool newerProfilesFollowTheOlderOnes() {
  if (kOutputFormatItems[kFirstCurrentFormatItem - 1] != kOutputFormatSeparator) return false;
  if (kOutputFormatItems[46] != "Zune WMV Windows Media Video (*.wmv)") return false;
  for (int i = 0; i < kProfileCount; ++i)
    if ((kProfileTable[i].rule == ProfileRule::EncoderTable) != (i >= kFirstCurrentProfileId)) return false;
  for (int i = kFirstCurrentFormatItem; i < kOutputFormatCount; ++i)
    if (kOutputFormatItems[static_cast<size_t>(i)] != kProfileTable[kFirstCurrentProfileId + i - kFirstCurrentFormatItem].title)
      return false;
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

bool isFormatSeparator(std::string_view text) {
  // Fourteen blanks and four hyphens: the start of every separator item.
  return text.find("              ----") != std::string_view::npos;
}

const OutputProfile *findProfile(std::string_view label) {
  for (const OutputProfile &row : kProfileTable)
    if (row.title == label) return &row;
  return nullptr;
}

const QualityRates *findQuality(std::string_view label) {
  for (const QualityRates &row : kQualityTable)
    if (row.title == label) return &row;
  return nullptr;
}

bool isAudioOnlyFormat(std::string_view label) {
  static constexpr std::string_view kAudioOnly[] = {
      "AU - SUN Audio (*.au)",
      "M4A - Mpeg4 Audio File (*.m4a)",
      "OGG - Ogg Vorbis Audio (*.ogg)",
      "RA - Real Audio (*.ra)",
      "WAV - Waveform Audio (*.wav)",
      "WMA - Windows Media Audio (*.wma)",
      "MP2 - Mpeg Layer2 Audio (*.mp2)",
      "AAC - Advance Audio Coding (*.aac)",
      "MP3 - Mpeg Layer3 Audio (*.mp3)",
      "FLAC - Lossless Audio (*.flac)",
      "Opus Audio (*.opus)",
  };
  for (std::string_view a : kAudioOnly)
    if (a == label) return true;
  return false;
}
