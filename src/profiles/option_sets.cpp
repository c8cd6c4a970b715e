#include "option_sets.h"

#include <algorithm>
#include <iterator>

#include "catalog.h"

namespace {

// Which value the older profiles' lists spell in which way is part of the
// list: double blanks ("384  Kbps", "8000  Hz") and a trailing blank
// ("320 x 240 ") are kept as the lists have always shown them.

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
constexpr PictureSize kCommonSizes[] = {
    sourceSize("Original Video Size"), {128, 96, " (SQCIF)"}, {160, 120, " (QVGA)"}, {176, 120},
    {176, 144, " (QCIF)"}, {192, 144}, {208, 176}, {220, 176}, {240, 180}, {320, 200}, {320, 240, " (VGA)"},
    {352, 240}, {352, 288, " (CIF)"}, {480, 272}, {480, 360}, {480, 480}, {480, 576}, {624, 352}, {640, 352},
    {640, 480}, {704, 576, " (4CIF)"}, {720, 480}, {720, 576}};
constexpr PictureSize kMobileSizes[] = {
    {128, 96, " (SQCIF)"}, {160, 120, " (QVGA)"}, {176, 144, " (QCIF)"}, {208, 176}, {220, 176},
    {320, 240, " (VGA)"}, {352, 288, " (CIF)"}};
constexpr PictureSize kFlashSizes[] = {
    sourceSize("Original Video Size"), {128, 96, " (SQCIF)"}, {160, 120, " (QVGA)"}, {176, 144, " (QCIF)"},
    {320, 240, " (VGA)"}, {352, 240}, {352, 288, " (CIF)"}, {480, 272}, {640, 480}, {704, 576, " (4CIF)"}};
constexpr PictureSize kDiscSizes[] = {
    {128, 96, " (SQCIF)"}, {176, 144, " (QCIF)"}, {352, 240}, {352, 288, " (CIF)"}, {480, 272}, {480, 480},
    {640, 480}, {704, 576, " (4CIF)"}};
constexpr PictureSize kPlayerSizes[] = {
    sourceSize("Auto"), {160, 120}, {320, 240}, {480, 272}, {720, 480}, {640, 480}};
constexpr PictureSize kZuneSizes[] = {{320, 240, " "}, {640, 480}};
constexpr PictureSize kPspSizes[] = {{160, 112}, {320, 240}, {368, 208}, {480, 272}};
constexpr PictureSize kPs3Sizes[] = {{640, 480}, {720, 480}, {720, 576}};
constexpr PictureSize kBlackBerrySizes[] = {{176, 144}, {240, 180}, {320, 240}};
constexpr PictureSize kSize176x144[] = {{176, 144}};
constexpr PictureSize kSize320x240[] = {{320, 240}};
constexpr PictureSize kSize480x320[] = {{480, 320}};
constexpr PictureSize kSize640x480[] = {{640, 480}};

// Video bit rates.
constexpr Quantity kCommonVideoRates[] = {
    kbps(192), kbps(200), kbps(216), kbps(384), kbps(512), kbps(640), kbps(768), kbps(1000), kbps(1200),
    kbps(1500), kbps(1600), kbps(2000), kbps(2500)};
constexpr Quantity kAviVideoRates[] = {
    kbps(192), kbps(200), kbps(216), kbps(256), kbps(384), kbps(512), kbps(640), kbps(768), kbps(800),
    kbps(1000), kbps(1200), kbps(1500), kbps(2500)};
constexpr Quantity kAppleVideoRates[] = {kbps(512), kbps(800), kbps(1200), kbps(1500), kbps(2500)};
constexpr Quantity kMobileVideoRates[] = {kbps(48), kbps(64), kbps(96), kbps(128), kbps(256), kbps(512)};
constexpr Quantity kRealVideoRates[] = {
    kbps(384, 4), kbps(400, 4), kbps(600, 4), kbps(1200), kbps(1800), kbps(2200), kbps(2600), kbps(3000)};
constexpr Quantity kAsfVideoRates[] = {
    kbps(512), kbps(768), kbps(1200), kbps(1500), kbps(2000), kbps(2500), kbps(3000)};
constexpr Quantity kSwfVideoRates[] = {kbps(800), kbps(400), kbps(200), kbps(128), kbps(100)};
constexpr Quantity kFlvVideoRates[] = {kbps(1200), kbps(512), kbps(368), kbps(200), kbps(120)};
constexpr Quantity kVideoCdRate[] = {kbps(1150)};
constexpr Quantity kSuperVideoCdRate[] = {kbps(2040)};
constexpr Quantity kZuneVideoRates[] = {kbps(256), kbps(512), kbps(768), kbps(1200), kbps(1500), kbps(2000)};
constexpr Quantity kPspVideoRates[] = {kbps(128), kbps(216), kbps(384), kbps(512), kbps(768)};
constexpr Quantity kPs3VideoRates[] = {kbps(1200), kbps(1500), kbps(2000), kbps(2500), kbps(3000)};
constexpr Quantity kPlayerVideoRates[] = {kbps(800), kbps(1200), kbps(1500), kbps(2000), kbps(2500)};
constexpr Quantity kBlackBerryMp4VideoRates[] = {
    kbps(80), kbps(128), kbps(200), kbps(256), kbps(300), kbps(512)};
constexpr Quantity kBlackBerryAviVideoRates[] = {
    kbps(80), kbps(120), kbps(200), kbps(256), kbps(300), kbps(512)};
constexpr Quantity kBlackBerry3gpVideoRates[] = {
    kbps(40), kbps(80), kbps(120), kbps(128), kbps(256), kbps(512)};

// Frame rates ("23.975" in the common lists, "23.976" in the disc list).
constexpr FrameRate kCommonFrameRates[] = {
    kAutoFrameRate, {14985, 1000, 3}, {15, 1, 1}, {23975, 1000, 3}, {25, 1, 1}, {2997, 100, 2}, {30, 1, 1}};
constexpr FrameRate kMobileFrameRates[] = {kAutoFrameRate, {11, 1, 0}, {14985, 1000, 3}, {15, 1, 0}};
constexpr FrameRate kDiscFrameRates[] = {
    {23976, 1000, 3, " [NTSC]"}, {24, 1, 0}, {25, 1, 0, " [PAL]"}, {2997, 100, 2, " [NTSC]"}, {30, 1, 1},
    {50, 1, 0}, {5994, 100, 2}};
constexpr FrameRate kFlashFrameRates[] = {
    kAutoFrameRate, {8, 1, 0}, {10, 1, 0}, {12, 1, 0}, {14985, 1000, 3}, {15, 1, 1}, {20, 1, 0},
    {23975, 1000, 3}, {25, 1, 1}, {2997, 100, 2}, {30, 1, 1}, {60, 1, 0}};
constexpr FrameRate kNtscFrameRate[] = {{2997, 100, 2}};
constexpr FrameRate kPspFrameRates[] = {{14985, 1000, 3}, {2997, 100, 2}};
constexpr FrameRate kBlackBerryFrameRates[] = {{11, 1, 0}, {15, 1, 0}, {20, 1, 0}, {24, 1, 0}, {25, 1, 0}};
constexpr FrameRate kBlackBerry3gpFrameRates[] = {
    kAutoFrameRate, {11, 1, 0}, {15, 1, 0}, {20, 1, 0}, {24, 1, 0}, {25, 1, 0}};

// Audio bit rates; the AMR list counts in bit/s.
constexpr Quantity kCommonAudioRates[] = {
    kbps(32), kbps(40), kbps(48), kbps(64), kbps(80), kbps(96), kbps(112), kbps(128), kbps(160), kbps(192),
    kbps(224), kbps(256), kbps(320)};
constexpr Quantity kAmrRates[] = {
    bps(4750), bps(5150), bps(5900), bps(6700), bps(7400), bps(7950), bps(10200), bps(12200)};
constexpr Quantity kPspAudioRates[] = {kbps(32), kbps(48), kbps(64), kbps(96), kbps(128), kbps(160)};
constexpr Quantity kBlackBerryAudioRates[] = {kbps(40), kbps(48), kbps(64), kbps(80), kbps(96), kbps(112)};

// Sample rates. The second common list differs only in its first label,
// which has two blanks.
constexpr Quantity kCommonSampleRates[] = {
    hertz(8000), hertz(16000), hertz(22050), hertz(32000), hertz(44100), hertz(48000), hertz(54000),
    hertz(96000)};
constexpr Quantity kCommonSampleRatesTwoBlanks[] = {
    hertz(8000, 5), hertz(16000), hertz(22050), hertz(32000), hertz(44100), hertz(48000), hertz(54000),
    hertz(96000)};
constexpr Quantity kMobileSampleRates[] = {bps(8000, 5), bps(16000)};
constexpr Quantity kBlackBerry3gpSampleRates[] = {hertz(8000, 5), hertz(16000)};
constexpr Quantity kFlashSampleRates[] = {hertz(11025), hertz(22050), hertz(44100)};
constexpr Quantity kCdSampleRate[] = {hertz(44100)};
constexpr Quantity kPspSampleRate[] = {hertz(24000)};

// The newer profiles: the source's size and rate unless chosen otherwise;
// a size names the long and the short side. Their video quality levels are
// constant-quality levels, one item per level from Highest to Lowest (the
// encoder's "crf"); the quality preset selects the item of the level.
constexpr PictureSize kCurrentSizes[] = {
    sourceSize("Original Video Size"), {3840, 2160}, {1920, 1080}, {1280, 720}, {854, 480}, {640, 360}};
constexpr FrameRate kCurrentFrameRates[] = {
    kAutoFrameRate, {24000, 1001, 3}, {24, 1, 0}, {25, 1, 0}, {30000, 1001, 2}, {30, 1, 0}, {50, 1, 0},
    {60000, 1001, 2}, {60, 1, 0}};
constexpr Quantity kX264Levels[] = {crf(18), crf(20), crf(23), crf(26), crf(29)};
constexpr Quantity kX265Levels[] = {crf(23), crf(25), crf(28), crf(31), crf(34)};
constexpr Quantity kVp9Levels[] = {crf(24), crf(28), crf(32), crf(36), crf(40)};
constexpr Quantity kAv1Levels[] = {crf(26), crf(30), crf(34), crf(38), crf(42)};
constexpr Quantity kAacRates[] = {kbps(256), kbps(192), kbps(160), kbps(128), kbps(96)};
constexpr Quantity kOpusRates[] = {kbps(192), kbps(160), kbps(128), kbps(96), kbps(64)};
constexpr std::string_view kH264Label[] = {"H264"};
constexpr std::string_view kHevcLabel[] = {"HEVC"};
constexpr std::string_view kVp9Label[] = {"VP9"};
constexpr std::string_view kAv1Label[] = {"AV1"};
constexpr std::string_view kOpusLabel[] = {"opus"};
constexpr std::string_view kFlacLabel[] = {"flac"};
constexpr std::string_view kCopyLabel[] = {"Copy"};
constexpr PictureSize kSourceSize[] = {sourceSize("Original Video Size")};
constexpr FrameRate kSourceRate[] = {kAutoFrameRate};
constexpr Quantity kSourceVideo[] = {named("Source's video")};
constexpr Quantity kSourceAudio[] = {named("Source's audio")};
constexpr Quantity kLossless[] = {named("Lossless")};
// "Original": the source's sample rate; Opus runs at 48 kHz.
constexpr Quantity kSourceSampleRate[] = {named("Original")};
constexpr Quantity kOpusSampleRate[] = {hertz(48000)};

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
     {kMobileSizes, {176, 144, " (QCIF)"}}, {kMobileVideoRates, kbps(128)},
     {kMobileFrameRates, kAutoFrameRate}, {kAmrRates, bps(7400)},
     {kMobileSampleRates, bps(8000, 5)}, kMono, kAspectKept},
    {1, {kMobileVideoCodecs}, {kAmrNbOrMpeg4Aac},
     {kMobileSizes, {176, 144, " (QCIF)"}}, {kMobileVideoRates, kbps(128)},
     {kMobileFrameRates, kAutoFrameRate}, {kAmrRates, bps(7400)},
     {kMobileSampleRates, bps(8000, 5)}, kMono, kAspectKept},
    // iPod, Apple TV, iPod Touch, iPhone
    {3, {kMpeg4OrH264}, {kMpeg4Aac},
     {kSize320x240}, {kAppleVideoRates, kbps(512)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(64)},
     {kCommonSampleRates, hertz(44100)}, kChannelsKept, kAspectKept},
    {10, {kMpeg4}, {kMpeg4Aac},
     {kSize640x480}, {kAppleVideoRates, kbps(1500)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(44100)}, kStereo, kOriginalAspect},
    {13, {kMpeg4}, {kMpeg4Aac},
     {kSize480x320}, {kAppleVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(80)},
     {kCommonSampleRates, hertz(44100)}, kChannelsKept, kAspectKept},
    {18, {kMpeg4}, {kMpeg4Aac},
     {kSize480x320}, {kAppleVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(80)},
     {kCommonSampleRates, hertz(44100)}, kStereo, kOriginalAspect},
    // AVI, AVI DivX, AVI XviD
    {22, {kMpeg4OrH264}, {kAviAudioCodecs},
     {kCommonSizes, sourceSize("Original Video Size")}, {kAviVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    {23, {kMpeg4}, {kMp3},
     {kCommonSizes, sourceSize("Original Video Size")}, {kAviVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    {24, {kXvid}, {kMp3},
     {kCommonSizes, sourceSize("Original Video Size")}, {kAviVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    // MOV, MP4
    {26, {kMpeg4}, {kMpeg4Aac},
     {kCommonSizes, sourceSize("Original Video Size")}, {kCommonVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(44100)}, kStereo, kOriginalAspect},
    {27, {kMp4VideoCodecs}, {kMpeg4Aac},
     {kCommonSizes, sourceSize("Original Video Size")}, {kCommonVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(44100)}, kStereo, kOriginalAspect},
    // MPEG-1, MPEG-2
    {28, {kMpeg1Video}, {kMp2},
     {kCommonSizes, {320, 240, " (VGA)"}}, {kCommonVideoRates, kbps(1600)},
     {kCommonFrameRates, {25, 1, 1}}, {kCommonAudioRates, kbps(192)},
     {kCommonSampleRates, hertz(44100)}, kStereo, kOriginalAspect},
    {29, {kMpeg2Video}, {kMp2OrAc3},
     {kCommonSizes, {320, 240, " (VGA)"}}, {kCommonVideoRates, kbps(2000)},
     {kCommonFrameRates, {25, 1, 1}}, {kCommonAudioRates, kbps(192)},
     {kCommonSampleRates, hertz(44100)}, kStereo, kOriginalAspect},
    // RM
    {30, {kRealVideoCodecs}, {kAc3},
     {kCommonSizes, {320, 240, " (VGA)"}}, {kRealVideoRates, kbps(384, 4)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRatesTwoBlanks, hertz(48000)}, kStereo, kOriginalAspect},
    // WMV
    {31, {kWmv2}, {kWmav2},
     {kCommonSizes, {320, 240, " (VGA)"}}, {kCommonVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    // SWF, FLV
    {32, {kFlv}, {kMp3},
     {kFlashSizes, sourceSize("Original Video Size")}, {kSwfVideoRates, kbps(200)},
     {kFlashFrameRates, {15, 1, 1}}, {kCommonAudioRates, kbps(96)},
     {kFlashSampleRates, hertz(44100)}, kStereo, kOriginalAspect},
    {33, {kFlv}, {kMp3},
     {kFlashSizes, sourceSize("Original Video Size")}, {kFlvVideoRates, kbps(368)},
     {kFlashFrameRates, {15, 1, 1}}, {kCommonAudioRates, kbps(96)},
     {kFlashSampleRates, hertz(44100)}, kChannelsKept, kAspectKept},
    // Video CD, Super Video CD
    {34, {kMpeg1Video}, {kMp2},
     {kDiscSizes, {352, 240}}, {kVideoCdRate},
     {kDiscFrameRates, {2997, 100, 2, " [NTSC]"}}, {kCommonAudioRates, kbps(224)},
     {kCdSampleRate}, kChannelsKept, kAspectKept},
    {35, {kMpeg2Video}, {kMp2},
     {kDiscSizes, {480, 480}}, {kSuperVideoCdRate},
     {kDiscFrameRates, {2997, 100, 2, " [NTSC]"}}, {kCommonAudioRates, kbps(224)},
     {kCdSampleRate}, kChannelsKept, kAspectKept},
    // AAC
    {37, {}, {kAac},
     {}, {},
     {}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    // ASF
    {38, {kMsMpeg4}, {kMp3},
     {kCommonSizes, sourceSize("Original Video Size")}, {kAsfVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    // M4A, MP3, OGG, RA, WAV, WMA, MP2
    {40, {}, {kMpeg4Aac},
     {}, {},
     {}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    {41, {}, {kMp3},
     {}, {},
     {}, {kCommonAudioRates, kbps(192)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    {42, {}, {kVorbis},
     {}, {},
     {}, {kCommonAudioRates, kbps(160)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    {43, {}, {kAc3},
     {}, {},
     {}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRatesTwoBlanks, hertz(48000)}, kStereo, kOriginalAspect},
    {44, {}, {kPcm},
     {}, {},
     {}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRatesTwoBlanks, hertz(44100)}, kStereo, kOriginalAspect},
    {45, {}, {kWmav2},
     {}, {},
     {}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRatesTwoBlanks, hertz(48000)}, kStereo, kOriginalAspect},
    {46, {}, {kMp2},
     {}, {},
     {}, {kCommonAudioRates, kbps(224)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    // Zune MPEG-4, Zune WMV
    {49, {kMpeg4OrH264}, {kMpeg4Aac},
     {kZuneSizes, {320, 240, " "}}, {kZuneVideoRates, kbps(1500)},
     {kNtscFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRatesTwoBlanks, hertz(44100)}, kStereo, kOriginalAspect},
    {50, {kWmv2}, {kWmav2},
     {kZuneSizes, {320, 240, " "}}, {kZuneVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRatesTwoBlanks, hertz(48000)}, kStereo, kOriginalAspect},
    // PSP, PS3
    {53, {kPspVideoCodecs}, {kMpeg4Aac},
     {kPspSizes, {368, 208}}, {kPspVideoRates, kbps(768)},
     {kPspFrameRates, {2997, 100, 2}}, {kPspAudioRates, kbps(64)},
     {kPspSampleRate}, kStereo, kOriginalAspect},
    {58, {kH264}, {kMpeg4Aac},
     {kPs3Sizes, {720, 480}}, {kPs3VideoRates, kbps(1200)},
     {kNtscFrameRate}, {kCommonAudioRates, kbps(96)},
     {kCommonSampleRatesTwoBlanks, hertz(44100)}, kStereo, kOriginalAspect},
    // Archos AV500/GMini402, Archos AV700, Creative Zen Vision, iRiver PMP100
    {63, {kMpeg4}, {kMp3OrMp2},
     {kPlayerSizes, {480, 272}}, {kPlayerVideoRates, kbps(1500)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kChannelsKept, kAspectKept},
    {64, {kMpeg4}, {kMp3OrMp2},
     {kPlayerSizes, {720, 480}}, {kPlayerVideoRates, kbps(2000)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kChannelsKept, kAspectKept},
    {65, {kMpeg4}, {kMp3OrMp2},
     {kPlayerSizes, {640, 480}}, {kPlayerVideoRates, kbps(1500)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kChannelsKept, kAspectKept},
    {66, {kMpeg4}, {kMp3OrMp2},
     {kPlayerSizes, {640, 480}}, {kPlayerVideoRates, kbps(1500)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kChannelsKept, kAspectKept},
    // BlackBerry MPEG-4, AVI, 3GP
    {67, {kMpeg4}, {kMpeg4Aac},
     {kBlackBerrySizes, {320, 240}}, {kBlackBerryMp4VideoRates, kbps(300)},
     {kBlackBerryFrameRates, {24, 1, 0}}, {kBlackBerryAudioRates, kbps(80)},
     {kCommonSampleRates, hertz(44100)}, kChannelsKept, kAspectKept},
    {68, {kH263}, {kMp3OrPcm},
     {kSize176x144}, {kBlackBerryAviVideoRates, kbps(300)},
     {kBlackBerryFrameRates, {24, 1, 0}}, {kCommonAudioRates, kbps(64)},
     {kCommonSampleRates, hertz(44100)}, kChannelsKept, kAspectKept},
    {69, {kMpeg4OrH263}, {kAmrNbOrMpeg4Aac},
     {kBlackBerrySizes, {176, 144}}, {kBlackBerry3gpVideoRates, kbps(128)},
     {kBlackBerry3gpFrameRates, {15, 1, 0}}, {kAmrRates, bps(4750)},
     {kBlackBerry3gpSampleRates, hertz(8000, 5)}, kChannelsKept, kAspectKept},
    // Xbox360 MPEG4, WMV, AVI, MPEG2
    {71, {kMp4VideoCodecs}, {kMpeg4Aac},
     {kCommonSizes, sourceSize("Original Video Size")}, {kCommonVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(44100)}, kStereo, kOriginalAspect},
    {72, {kWmv2}, {kWmav2},
     {kCommonSizes, {320, 240, " (VGA)"}}, {kCommonVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    {73, {kMpeg4OrH264}, {kAviAudioCodecs},
     {kCommonSizes, sourceSize("Original Video Size")}, {kAviVideoRates, kbps(1200)},
     {kCommonFrameRates, kAutoFrameRate}, {kCommonAudioRates, kbps(128)},
     {kCommonSampleRates, hertz(48000)}, kStereo, kOriginalAspect},
    {74, {kMpeg2Video}, {kMp2OrAc3},
     {kCommonSizes, {320, 240, " (VGA)"}}, {kCommonVideoRates, kbps(2000)},
     {kCommonFrameRates, {25, 1, 1}}, {kCommonAudioRates, kbps(192)},
     {kCommonSampleRates, hertz(44100)}, kStereo, kOriginalAspect},
    // MP4 H.264, MP4 H.265/HEVC, MKV H.264, WebM VP9, WebM AV1
    {75, {kH264Label}, {kAac},
     {kCurrentSizes, sourceSize("Original Video Size")}, {kX264Levels, crf(23)},
     {kCurrentFrameRates, kAutoFrameRate}, {kAacRates, kbps(160)},
     {kSourceSampleRate}, kOriginalChannels, kOriginalAspect},
    {76, {kHevcLabel}, {kAac},
     {kCurrentSizes, sourceSize("Original Video Size")}, {kX265Levels, crf(28)},
     {kCurrentFrameRates, kAutoFrameRate}, {kAacRates, kbps(160)},
     {kSourceSampleRate}, kOriginalChannels, kOriginalAspect},
    {77, {kH264Label}, {kAac},
     {kCurrentSizes, sourceSize("Original Video Size")}, {kX264Levels, crf(23)},
     {kCurrentFrameRates, kAutoFrameRate}, {kAacRates, kbps(160)},
     {kSourceSampleRate}, kOriginalChannels, kOriginalAspect},
    {78, {kVp9Label}, {kOpusLabel},
     {kCurrentSizes, sourceSize("Original Video Size")}, {kVp9Levels, crf(32)},
     {kCurrentFrameRates, kAutoFrameRate}, {kOpusRates, kbps(128)},
     {kOpusSampleRate}, kOriginalChannels, kOriginalAspect},
    {79, {kAv1Label}, {kOpusLabel},
     {kCurrentSizes, sourceSize("Original Video Size")}, {kAv1Levels, crf(34)},
     {kCurrentFrameRates, kAutoFrameRate}, {kOpusRates, kbps(128)},
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
     {}, {kOpusRates, kbps(128)},
     {kOpusSampleRate}, kOriginalChannels, kOriginalAspect},
};
// clang-format on


template <typename T>
constexpr bool selectsOneOfItsItems(const ItemList<T> &list) {
  return !list.selected || std::find(list.items.begin(), list.items.end(), *list.selected) != list.items.end();
}

constexpr bool everyDefaultIsListed() {
  for (const OptionSet &set : kOptionSets)
    if (!selectsOneOfItsItems(set.videoCodecs) || !selectsOneOfItsItems(set.audioCodecs) ||
        !selectsOneOfItsItems(set.sizes) || !selectsOneOfItsItems(set.videoBitrates) ||
        !selectsOneOfItsItems(set.frameRates) || !selectsOneOfItsItems(set.audioBitrates) ||
        !selectsOneOfItsItems(set.sampleRates))
      return false;
  return true;
}
static_assert(everyDefaultIsListed(), "an option set selects a value that its list lacks");

// Each option set names a catalog row, each row once.
constexpr bool profileNumbersValidAndUnique() {
  for (size_t i = 0; i < std::size(kOptionSets); ++i) {
    const int32_t id = kOptionSets[i].profileId;
    if (id < 0 || id >= kProfileCount) return false;
    for (size_t j = 0; j < i; ++j)
      if (kOptionSets[j].profileId == id) return false;
  }
  return true;
}
static_assert(profileNumbersValidAndUnique(), "option sets name catalog rows, each once");

// A list of constant-quality levels has one item per quality level, and only
// the newer profiles, whose encoder takes a quality option, have such a list.
constexpr bool qualityLevelListsComplete() {
  for (const OptionSet &set : kOptionSets) {
    const std::span<const Quantity> levels = set.videoBitrates.items;
    const bool quality = !levels.empty() && levels.front().unit == Unit::Crf;
    if (quality && (levels.size() != 5 || set.profileId < kFirstCurrentProfileId)) return false;
    for (const Quantity &level : levels)
      if ((level.unit == Unit::Crf) != quality) return false;
  }
  return true;
}
static_assert(qualityLevelListsComplete(), "a constant-quality list has five levels");

// The older profiles' video bit rates are bit rates.
constexpr bool olderVideoRatesAreBitRates() {
  for (const OptionSet &set : kOptionSets)
    for (const Quantity &rate : set.videoBitrates.items)
      if (set.profileId < kFirstCurrentProfileId && rate.unit != Unit::Kbps) return false;
  return true;
}
static_assert(olderVideoRatesAreBitRates(), "an older profile lists a video rate that is no bit rate");

std::string labelOf(std::string_view name) { return std::string(name); }
template <typename T>
std::string labelOf(const T &item) {
  return itemLabel(item);
}

template <typename T>
std::vector<std::string> labelsOf(std::span<const T> items) {
  std::vector<std::string> labels;
  labels.reserve(items.size());
  for (const T &item : items) labels.push_back(labelOf(item));
  return labels;
}

template <typename T>
void fillCombo(ChoiceList &combo, const ItemList<T> &list) {
  const auto selected =
      list.selected ? std::find(list.items.begin(), list.items.end(), *list.selected) : list.items.begin();
  combo.assign(labelsOf(list.items), static_cast<int>(selected - list.items.begin()));
}

void selectFirst(ChoiceList &combo) { combo.itemIndex = combo.items.empty() ? -1 : 0; }

const std::vector<std::string> kStereoMono = {"Stereo", "Mono"};
const std::vector<std::string> kOriginalStereoMono = {"Original", "Stereo", "Mono"};
const std::vector<std::string> kOriginalOnly = {"Original"};

// Puts `items` into the channel list unless it holds them already; a choice
// that the new items hold stays chosen, any other becomes the first item.
void offerChannels(ChoiceList &combo, const std::vector<std::string> &items) {
  if (combo.items == items) return;
  const std::string chosen = combo.text();
  combo.assign(items, 0);
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
  fillCombo(choices.comboVideoCodec, set.videoCodecs);
  fillCombo(choices.comboAudioCodec, set.audioCodecs);
  fillCombo(choices.comboVideoSize, set.sizes);
  fillCombo(choices.comboVideoBitrate, set.videoBitrates);
  fillCombo(choices.comboVideoFramerate, set.frameRates);
  fillCombo(choices.comboAudioBitrate, set.audioBitrates);
  fillCombo(choices.comboSamplingRate, set.sampleRates);
  applyChannelChoice(set.channels, choices.comboAudioChannels);
  if (set.aspect == AspectChoice::Original) selectFirst(choices.comboAspectRatio);
}

}  // namespace

const OptionSet *findOptionSet(int profileId) {
  for (const OptionSet &set : kOptionSets)
    if (set.profileId == profileId) return &set;
  return nullptr;
}

bool hasOptionSet(int profileId) { return findOptionSet(profileId) != nullptr; }

std::vector<std::string> itemLabels(std::span<const std::string_view> items) { return labelsOf(items); }
std::vector<std::string> itemLabels(std::span<const PictureSize> items) { return labelsOf(items); }
std::vector<std::string> itemLabels(std::span<const Quantity> items) { return labelsOf(items); }
std::vector<std::string> itemLabels(std::span<const FrameRate> items) { return labelsOf(items); }

bool fillProfileOptions(int profileId, ProfileChoices &choices) {
  const OptionSet *set = findOptionSet(profileId);
  if (!set) return false;
  applyOptionSet(*set, choices);
  return true;
}

bool fillProfileOptions(std::string_view formatLabel, ProfileChoices &choices, std::string &outputType) {
  const OutputProfile *row = findProfile(formatLabel);
  if (!row) return false;
  outputType = std::string(row->formatName);
  fillProfileOptions(row->profileId, choices);
  return true;
}
