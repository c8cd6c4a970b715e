#include "option_sets.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <span>
#include <vector>

#include "catalog.h"

namespace {

using Labels = std::span<const std::string_view>;

// The items that a profile puts into one combo, and the one it selects
// (the first when `selected` is empty). No items: the combo is emptied and
// left without selection.
struct ComboItems {
  Labels items;
  std::string_view selected{};
};

// What a profile does to the channel and aspect choices, which otherwise
// carry over from the profile chosen before. Stereo and Original select the
// first item of their combo. The older profiles offer "Stereo" and "Mono";
// the newer ones also "Original" (the source's channels), which they select,
// and a profile that copies the sound offers "Original" only.
enum class ChannelChoice { Kept, Stereo, Mono, Original, SourceOnly };
enum class AspectChoice { Kept, Original };

// The option set of one offered profile: the content of every setting combo.
struct OptionSet {
  int32_t profileId;
  ComboItems videoCodecs;
  ComboItems audioCodecs;
  ComboItems sizes;
  ComboItems videoBitrates;
  ComboItems frameRates;
  ComboItems audioBitrates;
  ComboItems sampleRates;
  ChannelChoice channels;
  AspectChoice aspect;
};

// Which combo each column of an option set fills.
struct Column {
  ComboItems OptionSet::*content;
  ChoiceList ProfileChoices::*combo;
};
constexpr Column kColumns[] = {
    {&OptionSet::videoCodecs, &ProfileChoices::comboVideoCodec},
    {&OptionSet::audioCodecs, &ProfileChoices::comboAudioCodec},
    {&OptionSet::sizes, &ProfileChoices::comboVideoSize},
    {&OptionSet::videoBitrates, &ProfileChoices::comboVideoBitrate},
    {&OptionSet::frameRates, &ProfileChoices::comboVideoFramerate},
    {&OptionSet::audioBitrates, &ProfileChoices::comboAudioBitrate},
    {&OptionSet::sampleRates, &ProfileChoices::comboSamplingRate},
};

// The labels are the texts that the encoder mapping parses, spelled exactly
// so: double blanks ("384  Kbps", "8000  Hz") and trailing blanks
// ("320 x 240 ") included.

// Video codecs.
constexpr std::string_view kMpeg4[] = {"MPEG4"};
constexpr std::string_view kMpeg4OrH264[] = {"MPEG4", "H264"};
constexpr std::string_view kMpeg4OrH263[] = {"MPEG4", "H263"};
constexpr std::string_view kMobileVideoCodecs[] = {"MPEG4", "H263", "H264"};
constexpr std::string_view kMp4VideoCodecs[] = {"MPEG4", "H264", "XVid"};
constexpr std::string_view kPspVideoCodecs[] = {"MPEG4", "H264", "XVID"};
constexpr std::string_view kXvid[] = {"XVID"};
constexpr std::string_view kH263[] = {"H263"};
constexpr std::string_view kH264[] = {"H264"};
constexpr std::string_view kMpeg1Video[] = {"MPEG1VIDEO"};
constexpr std::string_view kMpeg2Video[] = {"MPEG2VIDEO"};
constexpr std::string_view kRealVideoCodecs[] = {"RV10", "RV20"};
constexpr std::string_view kWmv2[] = {"WMV2"};
constexpr std::string_view kFlv[] = {"FLV"};
constexpr std::string_view kMsMpeg4[] = {"MSMPEG4"};

// Audio codecs.
constexpr std::string_view kAmrNbOrMpeg4Aac[] = {"amr_nb", "mpeg4aac"};
constexpr std::string_view kMpeg4Aac[] = {"mpeg4aac"};
constexpr std::string_view kAac[] = {"aac"};
constexpr std::string_view kAviAudioCodecs[] = {"pcm_s16le", "mp3", "mp2", "ac3"};
constexpr std::string_view kMp3[] = {"mp3"};
constexpr std::string_view kMp3OrMp2[] = {"mp3", "mp2"};
constexpr std::string_view kMp3OrPcm[] = {"mp3", "pcm_s16le"};
constexpr std::string_view kMp2[] = {"mp2"};
constexpr std::string_view kMp2OrAc3[] = {"mp2", "ac3"};
constexpr std::string_view kAc3[] = {"ac3"};
constexpr std::string_view kWmav2[] = {"wmav2"};
constexpr std::string_view kVorbis[] = {"vorbis"};
constexpr std::string_view kPcm[] = {"pcm_s16le"};

// Picture sizes.
constexpr std::string_view kCommonSizes[] = {
    "Original Video Size", "128 x 96 (SQCIF)", "160 x 120 (QVGA)", "176 x 120",
    "176 x 144 (QCIF)",    "192 x 144",        "208 x 176",        "220 x 176",
    "240 x 180",           "320 x 200",        "320 x 240 (VGA)",  "352 x 240",
    "352 x 288 (CIF)",     "480 x 272",        "480 x 360",        "480 x 480",
    "480 x 576",           "624 x 352",        "640 x 352",        "640 x 480",
    "704 x 576 (4CIF)",    "720 x 480",        "720 x 576"};
constexpr std::string_view kMobileSizes[] = {"128 x 96 (SQCIF)", "160 x 120 (QVGA)",
                                             "176 x 144 (QCIF)", "208 x 176",
                                             "220 x 176",        "320 x 240 (VGA)",
                                             "352 x 288 (CIF)"};
constexpr std::string_view kFlashSizes[] = {
    "Original Video Size", "128 x 96 (SQCIF)", "160 x 120 (QVGA)", "176 x 144 (QCIF)",
    "320 x 240 (VGA)",     "352 x 240",        "352 x 288 (CIF)",  "480 x 272",
    "640 x 480",           "704 x 576 (4CIF)"};
constexpr std::string_view kDiscSizes[] = {"128 x 96 (SQCIF)", "176 x 144 (QCIF)", "352 x 240",
                                           "352 x 288 (CIF)",  "480 x 272",        "480 x 480",
                                           "640 x 480",        "704 x 576 (4CIF)"};
constexpr std::string_view kPlayerSizes[] = {"Auto",      "160 x 120", "320 x 240",
                                             "480 x 272", "720 x 480", "640 x 480"};
constexpr std::string_view kZuneSizes[] = {"320 x 240 ", "640 x 480"};
constexpr std::string_view kPspSizes[] = {"160 x 112", "320 x 240", "368 x 208", "480 x 272"};
constexpr std::string_view kPs3Sizes[] = {"640 x 480", "720 x 480", "720 x 576"};
constexpr std::string_view kBlackBerrySizes[] = {"176 x 144", "240 x 180", "320 x 240"};
constexpr std::string_view kSize176x144[] = {"176 x 144"};
constexpr std::string_view kSize320x240[] = {"320 x 240"};
constexpr std::string_view kSize480x320[] = {"480 x 320"};
constexpr std::string_view kSize640x480[] = {"640 x 480"};

// Video bit rates.
constexpr std::string_view kCommonVideoRates[] = {
    "192 Kbps",  "200 Kbps",  "216 Kbps",  "384 Kbps",  "512 Kbps",  "640 Kbps", "768 Kbps",
    "1000 Kbps", "1200 Kbps", "1500 Kbps", "1600 Kbps", "2000 Kbps", "2500 Kbps"};
constexpr std::string_view kAviVideoRates[] = {
    "192 Kbps", "200 Kbps", "216 Kbps",  "256 Kbps",  "384 Kbps",  "512 Kbps", "640 Kbps",
    "768 Kbps", "800 Kbps", "1000 Kbps", "1200 Kbps", "1500 Kbps", "2500 Kbps"};
constexpr std::string_view kAppleVideoRates[] = {"512 Kbps", "800 Kbps", "1200 Kbps",
                                                 "1500 Kbps", "2500 Kbps"};
constexpr std::string_view kMobileVideoRates[] = {"48 Kbps",  "64 Kbps",  "96 Kbps",
                                                  "128 Kbps", "256 Kbps", "512 Kbps"};
constexpr std::string_view kRealVideoRates[] = {"384  Kbps", "400  Kbps", "600  Kbps",
                                                "1200 Kbps", "1800 Kbps", "2200 Kbps",
                                                "2600 Kbps", "3000 Kbps"};
constexpr std::string_view kAsfVideoRates[] = {"512 Kbps",  "768 Kbps",  "1200 Kbps", "1500 Kbps",
                                               "2000 Kbps", "2500 Kbps", "3000 Kbps"};
constexpr std::string_view kSwfVideoRates[] = {"800 Kbps", "400 Kbps", "200 Kbps", "128 Kbps",
                                               "100 Kbps"};
constexpr std::string_view kFlvVideoRates[] = {"1200 Kbps", "512 Kbps", "368 Kbps", "200 Kbps",
                                               "120 Kbps"};
constexpr std::string_view kVideoCdRate[] = {"1150 Kbps"};
constexpr std::string_view kSuperVideoCdRate[] = {"2040 Kbps"};
constexpr std::string_view kZuneVideoRates[] = {"256 Kbps",  "512 Kbps",  "768 Kbps",
                                                "1200 Kbps", "1500 Kbps", "2000 Kbps"};
constexpr std::string_view kPspVideoRates[] = {"128 Kbps", "216 Kbps", "384 Kbps", "512 Kbps",
                                               "768 Kbps"};
constexpr std::string_view kPs3VideoRates[] = {"1200 Kbps", "1500 Kbps", "2000 Kbps",
                                               "2500 Kbps", "3000 Kbps"};
constexpr std::string_view kPlayerVideoRates[] = {"800 Kbps", "1200 Kbps", "1500 Kbps",
                                                  "2000 Kbps", "2500 Kbps"};
constexpr std::string_view kBlackBerryMp4VideoRates[] = {"80 Kbps",  "128 Kbps", "200 Kbps",
                                                         "256 Kbps", "300 Kbps", "512 Kbps"};
constexpr std::string_view kBlackBerryAviVideoRates[] = {"80 Kbps",  "120 Kbps", "200 Kbps",
                                                         "256 Kbps", "300 Kbps", "512 Kbps"};
constexpr std::string_view kBlackBerry3gpVideoRates[] = {"40 Kbps",  "80 Kbps",  "120 Kbps",
                                                         "128 Kbps", "256 Kbps", "512 Kbps"};

// Frame rates ("23.975" in the common lists, "23.976" in the disc list).
constexpr std::string_view kCommonFrameRates[] = {"Auto",     "14.985 fps", "15.0 fps", "23.975 fps",
                                                  "25.0 fps", "29.97 fps",  "30.0 fps"};
constexpr std::string_view kMobileFrameRates[] = {"Auto", "11 fps", "14.985 fps", "15 fps"};
constexpr std::string_view kDiscFrameRates[] = {"23.976 fps [NTSC]", "24 fps",   "25 fps [PAL]",
                                                "29.97 fps [NTSC]",  "30.0 fps", "50 fps",
                                                "59.94 fps"};
constexpr std::string_view kFlashFrameRates[] = {"Auto",       "8 fps",    "10 fps",     "12 fps",
                                                 "14.985 fps", "15.0 fps", "20 fps",     "23.975 fps",
                                                 "25.0 fps",   "29.97 fps", "30.0 fps",  "60 fps"};
constexpr std::string_view kNtscFrameRate[] = {"29.97 fps"};
constexpr std::string_view kPspFrameRates[] = {"14.985 fps", "29.97 fps"};
constexpr std::string_view kBlackBerryFrameRates[] = {"11 fps", "15 fps", "20 fps", "24 fps",
                                                      "25 fps"};
constexpr std::string_view kBlackBerry3gpFrameRates[] = {"Auto",   "11 fps", "15 fps",
                                                         "20 fps", "24 fps", "25 fps"};

// Audio bit rates; the AMR list counts in bit/s.
constexpr std::string_view kCommonAudioRates[] = {
    "32 Kbps",  "40 Kbps",  "48 Kbps",  "64 Kbps",  "80 Kbps",  "96 Kbps", "112 Kbps",
    "128 Kbps", "160 Kbps", "192 Kbps", "224 Kbps", "256 Kbps", "320 Kbps"};
constexpr std::string_view kAmrRates[] = {"4750 bps", "5150 bps", "5900 bps",  "6700 bps",
                                          "7400 bps", "7950 bps", "10200 bps", "12200 bps"};
constexpr std::string_view kPspAudioRates[] = {"32 Kbps", "48 Kbps",  "64 Kbps",
                                               "96 Kbps", "128 Kbps", "160 Kbps"};
constexpr std::string_view kBlackBerryAudioRates[] = {"40 Kbps", "48 Kbps", "64 Kbps",
                                                      "80 Kbps", "96 Kbps", "112 Kbps"};

// Sample rates. The second common list differs only in its first label,
// which has two blanks.
constexpr std::string_view kCommonSampleRates[] = {"8000 Hz",  "16000 Hz", "22050 Hz",
                                                   "32000 Hz", "44100 Hz", "48000 Hz",
                                                   "54000 Hz", "96000 Hz"};
constexpr std::string_view kCommonSampleRatesTwoBlanks[] = {"8000  Hz", "16000 Hz", "22050 Hz",
                                                            "32000 Hz", "44100 Hz", "48000 Hz",
                                                            "54000 Hz", "96000 Hz"};
constexpr std::string_view kMobileSampleRates[] = {"8000  bps", "16000 bps"};
constexpr std::string_view kBlackBerry3gpSampleRates[] = {"8000  Hz", "16000 Hz"};
constexpr std::string_view kFlashSampleRates[] = {"11025 Hz", "22050 Hz", "44100 Hz"};
constexpr std::string_view kCdSampleRate[] = {"44100 Hz"};
constexpr std::string_view kPspSampleRate[] = {"24000 Hz"};

// The newer profiles: the source's size and rate unless chosen otherwise;
// a size names the long and the short side. Their video quality levels are
// constant-quality levels, one item per level from Highest to Lowest (the
// encoder's "crf"); the quality preset selects the item of the level.
constexpr std::string_view kCurrentSizes[] = {"Original Video Size", "3840 x 2160", "1920 x 1080",
                                              "1280 x 720",          "854 x 480",   "640 x 360"};
constexpr std::string_view kCurrentFrameRates[] = {"Auto",      "23.976 fps", "24 fps",
                                                   "25 fps",    "29.97 fps",  "30 fps",
                                                   "50 fps",    "59.94 fps",  "60 fps"};
constexpr std::string_view kX264Levels[] = {"CRF 18", "CRF 20", "CRF 23", "CRF 26", "CRF 29"};
constexpr std::string_view kX265Levels[] = {"CRF 23", "CRF 25", "CRF 28", "CRF 31", "CRF 34"};
constexpr std::string_view kVp9Levels[] = {"CRF 24", "CRF 28", "CRF 32", "CRF 36", "CRF 40"};
constexpr std::string_view kAv1Levels[] = {"CRF 26", "CRF 30", "CRF 34", "CRF 38", "CRF 42"};
constexpr std::string_view kAacRates[] = {"256 Kbps", "192 Kbps", "160 Kbps", "128 Kbps", "96 Kbps"};
constexpr std::string_view kOpusRates[] = {"192 Kbps", "160 Kbps", "128 Kbps", "96 Kbps", "64 Kbps"};
constexpr std::string_view kH264Label[] = {"H264"};
constexpr std::string_view kHevcLabel[] = {"HEVC"};
constexpr std::string_view kVp9Label[] = {"VP9"};
constexpr std::string_view kAv1Label[] = {"AV1"};
constexpr std::string_view kOpusLabel[] = {"opus"};
constexpr std::string_view kFlacLabel[] = {"flac"};
constexpr std::string_view kCopyLabel[] = {"Copy"};
constexpr std::string_view kSourceSize[] = {"Original Video Size"};
constexpr std::string_view kSourceRate[] = {"Auto"};
constexpr std::string_view kSourceVideo[] = {"Source's video"};
constexpr std::string_view kSourceAudio[] = {"Source's audio"};
constexpr std::string_view kLossless[] = {"Lossless"};
// "Original": the source's sample rate; Opus runs at 48 kHz.
constexpr std::string_view kSourceSampleRate[] = {"Original"};
constexpr std::string_view kOpusSampleRate[] = {"48000 Hz"};

static_assert(std::size(kCommonSizes) == 23 && std::size(kCommonVideoRates) == 13 &&
              std::size(kAviVideoRates) == 13 && std::size(kCommonFrameRates) == 7 &&
              std::size(kCommonAudioRates) == 13 && std::size(kAmrRates) == 8 &&
              std::size(kCommonSampleRates) == 8 && std::size(kCommonSampleRatesTwoBlanks) == 8);

constexpr ChannelChoice kChannelsKept = ChannelChoice::Kept;
constexpr ChannelChoice kStereo = ChannelChoice::Stereo;
constexpr ChannelChoice kMono = ChannelChoice::Mono;
constexpr ChannelChoice kOriginalChannels = ChannelChoice::Original;
constexpr ChannelChoice kSourceChannelsOnly = ChannelChoice::SourceOnly;
constexpr AspectChoice kAspectKept = AspectChoice::Kept;
constexpr AspectChoice kOriginalAspect = AspectChoice::Original;

// One row per offered profile, by catalog number: the number, video codecs
// and audio codecs; sizes and video bit rates; frame rates and audio bit
// rates; sample rates, channels and aspect.
// clang-format off
constexpr OptionSet kOptionSets[] = {
    // 3GP, 3G2
    {0, {kMobileVideoCodecs}, {kAmrNbOrMpeg4Aac},
     {kMobileSizes, "176 x 144 (QCIF)"}, {kMobileVideoRates, "128 Kbps"},
     {kMobileFrameRates, "Auto"}, {kAmrRates, "7400 bps"},
     {kMobileSampleRates, "8000  bps"}, kMono, kAspectKept},
    {1, {kMobileVideoCodecs}, {kAmrNbOrMpeg4Aac},
     {kMobileSizes, "176 x 144 (QCIF)"}, {kMobileVideoRates, "128 Kbps"},
     {kMobileFrameRates, "Auto"}, {kAmrRates, "7400 bps"},
     {kMobileSampleRates, "8000  bps"}, kMono, kAspectKept},
    // iPod, Apple TV, iPod Touch, iPhone
    {3, {kMpeg4OrH264}, {kMpeg4Aac},
     {kSize320x240}, {kAppleVideoRates, "512 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "64 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kChannelsKept, kAspectKept},
    {10, {kMpeg4}, {kMpeg4Aac},
     {kSize640x480}, {kAppleVideoRates, "1500 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kStereo, kOriginalAspect},
    {13, {kMpeg4}, {kMpeg4Aac},
     {kSize480x320}, {kAppleVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "80 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kChannelsKept, kAspectKept},
    {18, {kMpeg4}, {kMpeg4Aac},
     {kSize480x320}, {kAppleVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "80 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kStereo, kOriginalAspect},
    // AVI, AVI DivX, AVI XviD
    {22, {kMpeg4OrH264}, {kAviAudioCodecs},
     {kCommonSizes, "Original Video Size"}, {kAviVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    {23, {kMpeg4}, {kMp3},
     {kCommonSizes, "Original Video Size"}, {kAviVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    {24, {kXvid}, {kMp3},
     {kCommonSizes, "Original Video Size"}, {kAviVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    // MOV, MP4
    {26, {kMpeg4}, {kMpeg4Aac},
     {kCommonSizes, "Original Video Size"}, {kCommonVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kStereo, kOriginalAspect},
    {27, {kMp4VideoCodecs}, {kMpeg4Aac},
     {kCommonSizes, "Original Video Size"}, {kCommonVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kStereo, kOriginalAspect},
    // MPEG-1, MPEG-2
    {28, {kMpeg1Video}, {kMp2},
     {kCommonSizes, "320 x 240 (VGA)"}, {kCommonVideoRates, "1600 Kbps"},
     {kCommonFrameRates, "25.0 fps"}, {kCommonAudioRates, "192 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kStereo, kOriginalAspect},
    {29, {kMpeg2Video}, {kMp2OrAc3},
     {kCommonSizes, "320 x 240 (VGA)"}, {kCommonVideoRates, "2000 Kbps"},
     {kCommonFrameRates, "25.0 fps"}, {kCommonAudioRates, "192 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kStereo, kOriginalAspect},
    // RM
    {30, {kRealVideoCodecs}, {kAc3},
     {kCommonSizes, "320 x 240 (VGA)"}, {kRealVideoRates, "384  Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRatesTwoBlanks, "48000 Hz"}, kStereo, kOriginalAspect},
    // WMV
    {31, {kWmv2}, {kWmav2},
     {kCommonSizes, "320 x 240 (VGA)"}, {kCommonVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    // SWF, FLV
    {32, {kFlv}, {kMp3},
     {kFlashSizes, "Original Video Size"}, {kSwfVideoRates, "200 Kbps"},
     {kFlashFrameRates, "15.0 fps"}, {kCommonAudioRates, "96 Kbps"},
     {kFlashSampleRates, "44100 Hz"}, kStereo, kOriginalAspect},
    {33, {kFlv}, {kMp3},
     {kFlashSizes, "Original Video Size"}, {kFlvVideoRates, "368 Kbps"},
     {kFlashFrameRates, "15.0 fps"}, {kCommonAudioRates, "96 Kbps"},
     {kFlashSampleRates, "44100 Hz"}, kChannelsKept, kAspectKept},
    // Video CD, Super Video CD
    {34, {kMpeg1Video}, {kMp2},
     {kDiscSizes, "352 x 240"}, {kVideoCdRate},
     {kDiscFrameRates, "29.97 fps [NTSC]"}, {kCommonAudioRates, "224 Kbps"},
     {kCdSampleRate}, kChannelsKept, kAspectKept},
    {35, {kMpeg2Video}, {kMp2},
     {kDiscSizes, "480 x 480"}, {kSuperVideoCdRate},
     {kDiscFrameRates, "29.97 fps [NTSC]"}, {kCommonAudioRates, "224 Kbps"},
     {kCdSampleRate}, kChannelsKept, kAspectKept},
    // AAC
    {37, {}, {kAac},
     {}, {},
     {}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    // ASF
    {38, {kMsMpeg4}, {kMp3},
     {kCommonSizes, "Original Video Size"}, {kAsfVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    // M4A, MP3, OGG, RA, WAV, WMA, MP2
    {40, {}, {kMpeg4Aac},
     {}, {},
     {}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    {41, {}, {kMp3},
     {}, {},
     {}, {kCommonAudioRates, "192 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    {42, {}, {kVorbis},
     {}, {},
     {}, {kCommonAudioRates, "160 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    {43, {}, {kAc3},
     {}, {},
     {}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRatesTwoBlanks, "48000 Hz"}, kStereo, kOriginalAspect},
    {44, {}, {kPcm},
     {}, {},
     {}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRatesTwoBlanks, "44100 Hz"}, kStereo, kOriginalAspect},
    {45, {}, {kWmav2},
     {}, {},
     {}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRatesTwoBlanks, "48000 Hz"}, kStereo, kOriginalAspect},
    {46, {}, {kMp2},
     {}, {},
     {}, {kCommonAudioRates, "224 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    // Zune MPEG-4, Zune WMV
    {49, {kMpeg4OrH264}, {kMpeg4Aac},
     {kZuneSizes, "320 x 240 "}, {kZuneVideoRates, "1500 Kbps"},
     {kNtscFrameRate}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRatesTwoBlanks, "44100 Hz"}, kStereo, kOriginalAspect},
    {50, {kWmv2}, {kWmav2},
     {kZuneSizes, "320 x 240 "}, {kZuneVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRatesTwoBlanks, "48000 Hz"}, kStereo, kOriginalAspect},
    // PSP, PS3
    {53, {kPspVideoCodecs}, {kMpeg4Aac},
     {kPspSizes, "368 x 208"}, {kPspVideoRates, "768 Kbps"},
     {kPspFrameRates, "29.97 fps"}, {kPspAudioRates, "64 Kbps"},
     {kPspSampleRate}, kStereo, kOriginalAspect},
    {58, {kH264}, {kMpeg4Aac},
     {kPs3Sizes, "720 x 480"}, {kPs3VideoRates, "1200 Kbps"},
     {kNtscFrameRate}, {kCommonAudioRates, "96 Kbps"},
     {kCommonSampleRatesTwoBlanks, "44100 Hz"}, kStereo, kOriginalAspect},
    // Archos AV500/GMini402, Archos AV700, Creative Zen Vision, iRiver PMP100
    {63, {kMpeg4}, {kMp3OrMp2},
     {kPlayerSizes, "480 x 272"}, {kPlayerVideoRates, "1500 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kChannelsKept, kAspectKept},
    {64, {kMpeg4}, {kMp3OrMp2},
     {kPlayerSizes, "720 x 480"}, {kPlayerVideoRates, "2000 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kChannelsKept, kAspectKept},
    {65, {kMpeg4}, {kMp3OrMp2},
     {kPlayerSizes, "640 x 480"}, {kPlayerVideoRates, "1500 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kChannelsKept, kAspectKept},
    {66, {kMpeg4}, {kMp3OrMp2},
     {kPlayerSizes, "640 x 480"}, {kPlayerVideoRates, "1500 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kChannelsKept, kAspectKept},
    // BlackBerry MPEG-4, AVI, 3GP
    {67, {kMpeg4}, {kMpeg4Aac},
     {kBlackBerrySizes, "320 x 240"}, {kBlackBerryMp4VideoRates, "300 Kbps"},
     {kBlackBerryFrameRates, "24 fps"}, {kBlackBerryAudioRates, "80 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kChannelsKept, kAspectKept},
    {68, {kH263}, {kMp3OrPcm},
     {kSize176x144}, {kBlackBerryAviVideoRates, "300 Kbps"},
     {kBlackBerryFrameRates, "24 fps"}, {kCommonAudioRates, "64 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kChannelsKept, kAspectKept},
    {69, {kMpeg4OrH263}, {kAmrNbOrMpeg4Aac},
     {kBlackBerrySizes, "176 x 144"}, {kBlackBerry3gpVideoRates, "128 Kbps"},
     {kBlackBerry3gpFrameRates, "15 fps"}, {kAmrRates, "4750 bps"},
     {kBlackBerry3gpSampleRates, "8000  Hz"}, kChannelsKept, kAspectKept},
    // Xbox360 MPEG4, WMV, AVI, MPEG2
    {71, {kMp4VideoCodecs}, {kMpeg4Aac},
     {kCommonSizes, "Original Video Size"}, {kCommonVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kStereo, kOriginalAspect},
    {72, {kWmv2}, {kWmav2},
     {kCommonSizes, "320 x 240 (VGA)"}, {kCommonVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    {73, {kMpeg4OrH264}, {kAviAudioCodecs},
     {kCommonSizes, "Original Video Size"}, {kAviVideoRates, "1200 Kbps"},
     {kCommonFrameRates, "Auto"}, {kCommonAudioRates, "128 Kbps"},
     {kCommonSampleRates, "48000 Hz"}, kStereo, kOriginalAspect},
    {74, {kMpeg2Video}, {kMp2OrAc3},
     {kCommonSizes, "320 x 240 (VGA)"}, {kCommonVideoRates, "2000 Kbps"},
     {kCommonFrameRates, "25.0 fps"}, {kCommonAudioRates, "192 Kbps"},
     {kCommonSampleRates, "44100 Hz"}, kStereo, kOriginalAspect},
    // MP4 H.264, MP4 H.265/HEVC, MKV H.264, WebM VP9, WebM AV1
    {75, {kH264Label}, {kAac},
     {kCurrentSizes, "Original Video Size"}, {kX264Levels, "CRF 23"},
     {kCurrentFrameRates, "Auto"}, {kAacRates, "160 Kbps"},
     {kSourceSampleRate}, kOriginalChannels, kOriginalAspect},
    {76, {kHevcLabel}, {kAac},
     {kCurrentSizes, "Original Video Size"}, {kX265Levels, "CRF 28"},
     {kCurrentFrameRates, "Auto"}, {kAacRates, "160 Kbps"},
     {kSourceSampleRate}, kOriginalChannels, kOriginalAspect},
    {77, {kH264Label}, {kAac},
     {kCurrentSizes, "Original Video Size"}, {kX264Levels, "CRF 23"},
     {kCurrentFrameRates, "Auto"}, {kAacRates, "160 Kbps"},
     {kSourceSampleRate}, kOriginalChannels, kOriginalAspect},
    {78, {kVp9Label}, {kOpusLabel},
     {kCurrentSizes, "Original Video Size"}, {kVp9Levels, "CRF 32"},
     {kCurrentFrameRates, "Auto"}, {kOpusRates, "128 Kbps"},
     {kOpusSampleRate}, kOriginalChannels, kOriginalAspect},
    {79, {kAv1Label}, {kOpusLabel},
     {kCurrentSizes, "Original Video Size"}, {kAv1Levels, "CRF 34"},
     {kCurrentFrameRates, "Auto"}, {kOpusRates, "128 Kbps"},
     {kOpusSampleRate}, kOriginalChannels, kOriginalAspect},
    // MP4 with the source's streams
    {80, {kCopyLabel}, {kCopyLabel},
     {kSourceSize}, {kSourceVideo},
     {kSourceRate}, {kSourceAudio},
     {kSourceSampleRate}, kSourceChannelsOnly, kOriginalAspect},
    // FLAC, Opus
    {81, {}, {kFlacLabel},
     {}, {},
     {}, {kLossless},
     {kSourceSampleRate}, kOriginalChannels, kOriginalAspect},
    {82, {}, {kOpusLabel},
     {}, {},
     {}, {kOpusRates, "128 Kbps"},
     {kOpusSampleRate}, kOriginalChannels, kOriginalAspect},
};
// clang-format on

static_assert(std::size(kOptionSets) == kOfferedProfileCount, "one option set per offered profile");

constexpr bool selectsOneOfItsItems(const ComboItems &content) {
  return content.selected.empty() ||
         std::find(content.items.begin(), content.items.end(), content.selected) != content.items.end();
}

constexpr bool everyDefaultIsListed() {
  for (const OptionSet &set : kOptionSets)
    for (const Column &column : kColumns)
      if (!selectsOneOfItsItems(set.*column.content)) return false;
  return true;
}
static_assert(everyDefaultIsListed(), "an option set selects a label that its list lacks");

constexpr bool profileNumbersValidAndUnique() {
  for (size_t i = 0; i < std::size(kOptionSets); ++i) {
    if (kOptionSets[i].profileId < 0 || kOptionSets[i].profileId >= kProfileCount) return false;
    for (size_t j = 0; j < i; ++j)
      if (kOptionSets[j].profileId == kOptionSets[i].profileId) return false;
  }
  return true;
}
static_assert(profileNumbersValidAndUnique(), "option sets name catalog rows, each once");

// A list of constant-quality levels has one item per quality level, each a
// "CRF" label with its number, and only profiles that take quality levels
// have such a list.
constexpr bool isQualityLevelLabel(std::string_view label) {
  constexpr std::string_view kPrefix = "CRF ";
  if (label.size() <= kPrefix.size() || label.substr(0, kPrefix.size()) != kPrefix) return false;
  for (char ch : label.substr(kPrefix.size()))
    if (ch < '0' || ch > '9') return false;
  return true;
}
constexpr bool qualityLevelListsComplete() {
  for (const OptionSet &set : kOptionSets) {
    const Labels levels = set.videoBitrates.items;
    const bool quality = !levels.empty() && isQualityLevelLabel(levels.front());
    if (quality && levels.size() != 5) return false;
    for (std::string_view label : levels)
      if (isQualityLevelLabel(label) != quality) return false;
    if (quality && set.profileId < kFirstCurrentProfileId) return false;
  }
  return true;
}
static_assert(qualityLevelListsComplete(), "a constant-quality list has five CRF levels");

const OptionSet *findOptionSet(int profileId) {
  for (const OptionSet &set : kOptionSets)
    if (set.profileId == profileId) return &set;
  return nullptr;
}

void fillCombo(ChoiceList &combo, const ComboItems &content) {
  const auto selected = content.selected.empty()
                            ? content.items.begin()
                            : std::find(content.items.begin(), content.items.end(), content.selected);
  combo.assign(std::vector<std::string>(content.items.begin(), content.items.end()),
               static_cast<int>(selected - content.items.begin()));
}

void selectFirst(ChoiceList &combo) { combo.itemIndex = combo.items.empty() ? -1 : 0; }

constexpr std::string_view kStereoMono[] = {"Stereo", "Mono"};
constexpr std::string_view kOriginalStereoMono[] = {"Original", "Stereo", "Mono"};
constexpr std::string_view kOriginalOnly[] = {"Original"};

// Puts `items` into the channel combo unless it holds them already; a choice
// that the new items hold stays chosen, any other becomes the first item.
void offerChannels(ChoiceList &combo, Labels items) {
  if (std::equal(combo.items.begin(), combo.items.end(), items.begin(), items.end())) return;
  const std::string chosen = combo.text();
  combo.assign(std::vector<std::string>(items.begin(), items.end()), 0);
  combo.selectText(chosen);
}

void applyChannelChoice(ChannelChoice choice, ChoiceList &combo) {
  switch (choice) {
    case ChannelChoice::Kept: offerChannels(combo, kStereoMono); break;
    case ChannelChoice::Stereo:
      offerChannels(combo, kStereoMono);
      selectFirst(combo);
      break;
    case ChannelChoice::Mono:
      offerChannels(combo, kStereoMono);
      combo.selectText("Mono");
      break;
    case ChannelChoice::Original:
      offerChannels(combo, kOriginalStereoMono);
      selectFirst(combo);
      break;
    case ChannelChoice::SourceOnly:
      offerChannels(combo, kOriginalOnly);
      selectFirst(combo);
      break;
  }
}

void applyOptionSet(const OptionSet &set, ProfileChoices &choices) {
  for (const Column &column : kColumns) fillCombo(choices.*column.combo, set.*column.content);
  applyChannelChoice(set.channels, choices.comboAudioChannels);
  if (set.aspect == AspectChoice::Original) selectFirst(choices.comboAspectRatio);
}

}  // namespace

bool hasOptionSet(int profileId) { return findOptionSet(profileId) != nullptr; }

bool fillProfileOptions(std::string_view formatLabel, ProfileChoices &choices,
                        std::string &outputType) {
  bool found = false;
  for (const OutputProfile &row : kProfileTable) {
    if (row.title != formatLabel) continue;
    found = true;
    outputType = std::string(row.formatName);
    if (const OptionSet *set = findOptionSet(row.profileId)) applyOptionSet(*set, choices);
  }
  return found;
}
