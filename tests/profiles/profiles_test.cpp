// Output profiles without a window: catalog, option sets, encoder mapping
// and quality presets.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "profiles.h"

namespace {

// Loads a profile into fresh choices (channels "Stereo") the way a profile
// change does, and returns its output type.
std::string Choose(std::string_view label, TProfileChoices &c) {
  std::string outputType;
  EXPECT_TRUE(FillProfileOptions(label, c, outputType)) << label;
  return outputType;
}

// What the job builder does for one file: reset, frame rate, mapping.
TOutputOptions Map(std::string_view label, const TProfileChoices &c, std::string_view outputType) {
  TOutputOptions o;
  o.frameRate = FrameRateText(c.ComboVideoFramerate.Text());
  ApplyProfileOptions(label, c, outputType, o);
  return o;
}

TEST(ProfileCatalog, TablesAndList) {
  std::set<std::string_view> titles;
  for (int i = 0; i < kProfileCount; ++i) {
    EXPECT_EQ(AVCodecTable[i].ProfileId, i);
    EXPECT_EQ(QualityTable[i].ProfileId, i);
    EXPECT_EQ(QualityTable[i].Title, AVCodecTable[i].Title) << i;
    EXPECT_EQ(QualityTable[i].FormatName, AVCodecTable[i].FormatName) << i;
    titles.insert(AVCodecTable[i].Title);
  }
  EXPECT_EQ(titles.size(), 75u);  // the lookup by title is unambiguous
  EXPECT_EQ(AVCodecTable[36].Title, "DVD - VOB (*.vob)");
  EXPECT_EQ(AVCodecTable[69].FormatName, "3GP");
  EXPECT_EQ(QualityTable[34].VideoRates[0], "1150");
  EXPECT_EQ(QualityTable[69].AudioRates[0], "12200");

  const std::string separator = std::string(14, ' ') + std::string(41, '-');
  EXPECT_EQ(OutputFormatSeparator, separator);
  TChoiceList list;
  list.Assign({"old"}, 0);
  FillOutputFormatList(list);
  ASSERT_EQ(list.Items.size(), 47u);
  EXPECT_EQ(list.ItemIndex, 0);
  EXPECT_EQ(list.Text(), "3GP - Mobile Video Format (*.3gp)");
  EXPECT_EQ(list.Items[46], "Zune WMV Windows Media Video (*.wmv)");
  std::set<int> offered;
  for (size_t i = 0; i < list.Items.size(); ++i) {
    const bool sep = (i == 16 || i == 25 || i == 30 || i == 38);
    EXPECT_EQ(IsFormatSeparator(list.Items[i]), sep) << i;
    if (sep) {
      EXPECT_EQ(list.Items[i], separator);
      continue;
    }
    const TheAVCodec *row = FindProfile(list.Items[i]);
    ASSERT_NE(row, nullptr) << list.Items[i];
    EXPECT_TRUE(HasOptionSet(row->ProfileId)) << list.Items[i];
    EXPECT_NE(ProfileRule(row->ProfileId), TProfileRule::prNone) << list.Items[i];
    offered.insert(row->ProfileId);
  }
  EXPECT_EQ(offered.size(), 43u);
  for (int id : {2, 36, 16, 52}) EXPECT_EQ(offered.count(id), 0u) << id;
  EXPECT_EQ(FindProfile("iPod (*.MP4)"), nullptr);  // case-sensitive, in full
  EXPECT_EQ(FindProfile("iPod (*.mp4) "), nullptr);

  EXPECT_TRUE(IsAudioOnlyFormat("OGG - Ogg Vorbis Audio (*.ogg)"));
  EXPECT_TRUE(IsAudioOnlyFormat("AU - SUN Audio (*.au)"));
  EXPECT_FALSE(IsAudioOnlyFormat("ASF - Advance Streaming Format (*.asf)"));
  EXPECT_FALSE(IsAudioOnlyFormat("MP4 - MPEG4 Video (*.mp4)"));
}

struct TExpected {
  const char *label;
  const char *outputType;
  const char *vcodec;
  const char *acodec;
  const char *frameSize;
  int32_t vb, ab, ar, ac;
  bool vn;
  const char *frameRate;
};

// Every offered profile with its default choices, channels "Stereo".
const TExpected kDefaults[] = {
    {"3GP - Mobile Video Format (*.3gp)", "3GP", "mpeg4", "libamr_nb", "176x144", 128000, 7400, 8000, 1, false, "25"},
    {"3G2 - Mobile Video Format (*.3g2)", "3G2", "mpeg4", "libamr_nb", "176x144", 128000, 7400, 8000, 1, false, "25"},
    {"ASF - Advance Streaming Format (*.asf)", "ASF", "msmpeg4", "libmp3lame", "", 1200000, 128000, 48000, 2, false, "25"},
    {"AVI - Audio Video Interleave (*.avi)", "AVI", "mpeg4", "pcm_s16le", "", 1200000, 128000, 48000, 2, false, "25"},
    {"AVI - DivX Video (*.avi)", "AVI", "mpeg4", "libmp3lame", "", 1200000, 128000, 48000, 2, false, "25"},
    {"AVI - XviD Video (*.avi)", "AVI", "libxvid", "libmp3lame", "", 1200000, 128000, 48000, 2, false, "25"},
    {"FLV - Flash Flv Video (*.flv)", "FLV", "flv", "libmp3lame", "", 368000, 96000, 44100, 2, false, "15.0"},
    {"MOV - QuickTime Video (*.mov)", "MOV", "mpeg4", "libfaac", "", 1200000, 128000, 44100, 2, false, "25"},
    {"MP4 - MPEG4 Video (*.mp4)", "MP4", "mpeg4", "libfaac", "", 1200000, 128000, 44100, 2, false, "25"},
    {"MPEG-1 Movie (*.mpg)", "MPG", "mpeg1video", "mp2", "320x240", 1600000, 192000, 44100, 2, false, "25.0"},
    {"MPEG-2 Movie (*.mpg)", "MPG", "mpeg2video", "mp2", "320x240", 2000000, 192000, 44100, 2, false, "25.0"},
    {"RM - Real Video (*.rm)", "RM", "rv10", "ac3", "320x240", 384000, 128000, 48000, 2, false, "25"},
    {"SWF - Flash Swf Video (*.swf)", "SWF", "flv", "libmp3lame", "", 200000, 96000, 44100, 2, false, "15.0"},
    {"Super Video CD (*.mpg)", "MPG", "mpeg2video", "mp2", "480x480", 2040000, 224000, 44100, 2, false, "29.97"},
    {"Video CD (*.mpg)", "MPG", "mpeg1video", "mp2", "352x240", 1150000, 224000, 44100, 2, false, "29.97"},
    {"WMV - Windows Media Video (*.wmv)", "WMV", "wmv2", "wmav2", "320x240", 1200000, 128000, 48000, 2, false, "25"},
    {"AAC - Advance Audio Coding (*.aac)", "AAC", "", "libfaac", "", 0, 128000, 48000, 2, true, ""},
    {"M4A - Mpeg4 Audio File (*.m4a)", "M4A", "", "libfaac", "", 0, 128000, 48000, 2, true, ""},
    {"MP2 - Mpeg Layer2 Audio (*.mp2)", "MP2", "", "mp2", "", 0, 224000, 48000, 2, true, ""},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3", "", "libmp3lame", "", 0, 192000, 48000, 2, true, ""},
    {"OGG - Ogg Vorbis Audio (*.ogg)", "OGG", "", "vorbis", "", 0, 160000, 48000, 2, true, ""},
    {"RA - Real Audio (*.ra)", "RA", "", "ac3", "", 0, 128000, 48000, 2, true, ""},
    {"WAV - Waveform Audio (*.wav)", "WAV", "", "pcm_s16le", "", 0, 128000, 44100, 2, true, ""},
    {"WMA - Windows Media Audio (*.wma)", "WMA", "", "wmav2", "", 0, 128000, 48000, 2, true, ""},
    {"iPhone (*.mp4)", "MP4", "mpeg4", "libfaac", "480x320", 1200000, 80000, 44100, 2, false, "25"},
    {"iPod (*.mp4)", "MP4", "mpeg4", "libfaac", "320x240", 512000, 64000, 44100, -1, false, "25"},
    {"iPod Touch (*.mp4)", "MP4", "mpeg4", "libfaac", "480x320", 1200000, 80000, 44100, 2, false, "25"},
    {"Apple TV (*.mp4)", "MP4", "mpeg4", "libfaac", "640x480", 1500000, 128000, 44100, -1, false, "25"},
    {"Archos AV500/GMini402 (*.avi)", "AVI", "mpeg4", "libmp3lame", "480x272", 1500000, 128000, 48000, 2, false, "25"},
    {"Archos AV700 (*.avi)", "AVI", "mpeg4", "libmp3lame", "720x480", 2000000, 128000, 48000, 2, false, "25"},
    {"BlackBerry MPEG-4 Video (*.mp4)", "MP4", "mpeg4", "libfaac", "320x240", 300000, 80000, 44100, 2, false, "24"},
    {"BlackBerry AVI Video (*.avi)", "AVI", "h263", "libmp3lame", "176x144", 300000, 64000, 44100, 2, false, "24"},
    {"BlackBerry 3GP Video (*.3gp)", "3GP", "mpeg4", "libamr_nb", "176x144", 128000, 4750, 8000, 1, false, "15"},
    {"Creative Zen Vision (*.avi)", "AVI", "mpeg4", "libmp3lame", "640x480", 1500000, 128000, 48000, 2, false, "25"},
    {"iRiver PMP100 (*.avi)", "AVI", "mpeg4", "libmp3lame", "640x480", 1500000, 128000, 48000, 2, false, "25"},
    {"PSP Video (*.mp4)", "MP4", "mpeg4", "libfaac", "368x208", 768000, 64000, 24000, 2, false, "29.97"},
    {"PS3 Video (*.mp4)", "MP4", "libx264", "libfaac", "720x480", 1200000, 96000, 44100, 2, false, "29.97"},
    {"Xbox360 MPEG4 Video (*.mp4)", "MP4", "mpeg4", "libfaac", "", 1200000, 128000, 44100, 2, false, "25"},
    {"Xbox360 WMV Video (*.wmv)", "WMV", "wmv2", "wmav2", "320x240", 1200000, 128000, 48000, 2, false, "25"},
    {"Xbox360 AVI Video (*.avi)", "AVI", "mpeg4", "pcm_s16le", "", 1200000, 128000, 48000, 2, false, "25"},
    {"Xbox360 MPEG2 Video (*.mpg)", "MPG", "mpeg2video", "mp2", "320x240", 2000000, 192000, 44100, 2, false, "25.0"},
    {"Zune Mpeg4 Video (*.mp4)", "MP4", "mpeg4", "libfaac", "320x240", 1500000, 128000, 44100, 2, false, "29.97"},
    {"Zune WMV Windows Media Video (*.wmv)", "WMV", "wmv2", "wmav2", "320x240", 1200000, 128000, 48000, 2, false, "25"},
};

TEST(ProfileMapping, DefaultsOfEveryOfferedProfile) {
  static_assert(std::size(kDefaults) == 43);
  for (const TExpected &e : kDefaults) {
    SCOPED_TRACE(e.label);
    TProfileChoices c;
    const std::string outputType = Choose(e.label, c);
    EXPECT_EQ(outputType, e.outputType);
    const TOutputOptions o = Map(e.label, c, outputType);
    EXPECT_EQ(o.vcodec, e.vcodec);
    EXPECT_EQ(o.acodec, e.acodec);
    EXPECT_EQ(o.frameSize, e.frameSize);
    EXPECT_EQ(o.vb, e.vb);
    EXPECT_EQ(o.ab, e.ab);
    EXPECT_EQ(o.ar, e.ar);
    EXPECT_EQ(o.ac, e.ac);
    EXPECT_EQ(o.vn, e.vn);
    EXPECT_EQ(o.frameRate, e.frameRate);
    EXPECT_TRUE(o.format.empty());  // the container follows the extension
  }
}

TEST(ProfileOptionSets, ListsKeepTheirSpelling) {
  TProfileChoices c;
  Choose("RM - Real Video (*.rm)", c);
  EXPECT_EQ(c.ComboVideoBitrate.Text(), "384  Kbps");
  EXPECT_EQ(c.ComboSamplingRate.Items[0], "8000  Hz");
  Choose("Zune Mpeg4 Video (*.mp4)", c);
  EXPECT_EQ(c.ComboVideoSize.Text(), "320 x 240 ");
  EXPECT_EQ(c.ComboVideoFramerate.Items, std::vector<std::string>{"29.97 fps"});
  EXPECT_EQ(c.ComboVideoFramerate.ItemIndex, 0);
  Choose("3GP - Mobile Video Format (*.3gp)", c);
  EXPECT_EQ(c.ComboSamplingRate.Text(), "8000  bps");
  Choose("AAC - Advance Audio Coding (*.aac)", c);
  EXPECT_EQ(c.ComboAudioBitrate.Items.size(), 13u);
  EXPECT_EQ(c.ComboAudioBitrate.Text(), "128 Kbps");
  Choose("ASF - Advance Streaming Format (*.asf)", c);
  EXPECT_EQ(c.ComboVideoBitrate.Text(), "1200 Kbps");
  Choose("Video CD (*.mpg)", c);
  EXPECT_EQ(c.ComboVideoFramerate.Text(), "29.97 fps [NTSC]");
  EXPECT_EQ(c.ComboVideoFramerate.Items[0], "23.976 fps [NTSC]");
  Choose("MOV - QuickTime Video (*.mov)", c);
  EXPECT_EQ(c.ComboVideoFramerate.Items[3], "23.975 fps");
  EXPECT_EQ(c.ComboVideoSize.Items.size(), 23u);
}

TEST(ProfileOptionSets, AudioOnlyEmptiesAndVideoRefills) {
  TProfileChoices c;
  Choose("MP3 - Mpeg Layer3 Audio (*.mp3)", c);
  for (const TChoiceList *l : {&c.ComboVideoCodec, &c.ComboVideoSize, &c.ComboVideoBitrate,
                               &c.ComboVideoFramerate}) {
    EXPECT_TRUE(l->Items.empty());
    EXPECT_EQ(l->ItemIndex, -1);
  }
  Choose("MP4 - MPEG4 Video (*.mp4)", c);
  EXPECT_EQ(c.ComboVideoCodec.Items, (std::vector<std::string>{"MPEG4", "H264", "XVid"}));
  EXPECT_EQ(c.ComboVideoSize.Text(), "Original Video Size");
  EXPECT_EQ(c.ComboVideoBitrate.Text(), "1200 Kbps");
  EXPECT_EQ(c.ComboVideoFramerate.Text(), "Auto");
}

TEST(ProfileOptionSets, RepeatedChoiceAndUnknownLabel) {
  TProfileChoices c;
  Choose("Zune WMV Windows Media Video (*.wmv)", c);
  Choose("Zune WMV Windows Media Video (*.wmv)", c);
  EXPECT_EQ(c.ComboVideoFramerate.Items.size(), 7u);

  // A separator or unknown label changes nothing, output type included.
  std::string outputType = "WMV";
  const TProfileChoices before = c;
  EXPECT_FALSE(FillProfileOptions(OutputFormatSeparator, c, outputType));
  EXPECT_FALSE(FillProfileOptions("DVD", c, outputType));
  EXPECT_EQ(outputType, "WMV");
  EXPECT_EQ(c.ComboVideoFramerate.Items, before.ComboVideoFramerate.Items);
  EXPECT_EQ(c.ComboVideoBitrate.ItemIndex, before.ComboVideoBitrate.ItemIndex);
}

TEST(ProfileOptionSets, ChannelsKeptOrReset) {
  TProfileChoices c;
  c.ComboAspectRatio.ItemIndex = 2;
  Choose("3GP - Mobile Video Format (*.3gp)", c);
  EXPECT_EQ(c.ComboAudioChannels.Text(), "Mono");
  EXPECT_EQ(c.ComboAspectRatio.ItemIndex, 2);  // kept
  std::string type = Choose("iPod (*.mp4)", c);
  EXPECT_EQ(c.ComboAudioChannels.Text(), "Mono");
  Choose("iPod Touch (*.mp4)", c);
  EXPECT_EQ(c.ComboAudioChannels.Text(), "Mono");
  // iPod Touch maps its channel choice.
  EXPECT_EQ(Map("iPod Touch (*.mp4)", c, "MP4").ac, 1);
  EXPECT_EQ(Map("iPod (*.mp4)", c, "MP4").ac, -1);
  Choose("iPhone (*.mp4)", c);
  EXPECT_EQ(c.ComboAudioChannels.Text(), "Stereo");
  EXPECT_EQ(c.ComboAspectRatio.ItemIndex, 0);

  // Mono chosen by the user is honoured by the generic rule...
  type = Choose("MP3 - Mpeg Layer3 Audio (*.mp3)", c);
  c.ComboAudioChannels.ItemIndex = 1;
  EXPECT_EQ(Map("MP3 - Mpeg Layer3 Audio (*.mp3)", c, type).ac, 1);
  // ... and a 3GP output is mono whatever the combo says.
  c = TProfileChoices{};
  type = Choose("BlackBerry 3GP Video (*.3gp)", c);
  EXPECT_EQ(c.ComboAudioChannels.Text(), "Stereo");
  EXPECT_EQ(Map("BlackBerry 3GP Video (*.3gp)", c, type).ac, 1);
}

TEST(ProfileMapping, ChosenItems) {
  TProfileChoices c;
  std::string type = Choose("MP4 - MPEG4 Video (*.mp4)", c);
  ASSERT_TRUE(c.ComboVideoSize.SelectText("704 x 576 (4CIF)"));
  ASSERT_TRUE(c.ComboVideoCodec.SelectText("H264"));
  ASSERT_TRUE(c.ComboVideoFramerate.SelectText("23.975 fps"));
  TOutputOptions o = Map("MP4 - MPEG4 Video (*.mp4)", c, type);
  EXPECT_EQ(o.frameSize, "704x576");
  EXPECT_EQ(o.vcodec, "libx264");
  EXPECT_EQ(o.frameRate, "23.975");

  // The players' "Auto" size keeps the source size.
  type = Choose("Archos AV700 (*.avi)", c);
  ASSERT_TRUE(c.ComboVideoSize.SelectText("Auto"));
  EXPECT_EQ(Map("Archos AV700 (*.avi)", c, type).frameSize, "");

  type = Choose("3GP - Mobile Video Format (*.3gp)", c);
  ASSERT_TRUE(c.ComboVideoCodec.SelectText("H263"));
  ASSERT_TRUE(c.ComboSamplingRate.SelectText("16000 bps"));
  o = Map("3GP - Mobile Video Format (*.3gp)", c, type);
  EXPECT_EQ(o.vcodec, "h263");
  EXPECT_EQ(o.ar, 16000);

  // Profiles without a rule change nothing.
  TOutputOptions none;
  ApplyProfileOptions("iPod Touchx", c, "MP4", none);
  ApplyProfileOptions("no such profile", c, "MP4", none);
  EXPECT_TRUE(none.vcodec.empty());
  EXPECT_EQ(none.vb, -1);
}

TEST(ProfileMapping, UnreadableRatesRaise) {
  TProfileChoices c;
  std::string type = Choose("MP3 - Mpeg Layer3 Audio (*.mp3)", c);
  c.ComboAudioBitrate.ItemIndex = -1;
  TOutputOptions o;
  EXPECT_THROW(ApplyProfileOptions("MP3 - Mpeg Layer3 Audio (*.mp3)", c, type, o), EConvertError);
  EXPECT_TRUE(o.acodec.empty());  // nothing written
  EXPECT_EQ(o.ab, -1);

  type = Choose("iPod (*.mp4)", c);
  c.ComboSamplingRate.ItemIndex = -1;
  EXPECT_THROW(ApplyProfileOptions("iPod (*.mp4)", c, type, o), EConvertError);
  type = Choose("3GP - Mobile Video Format (*.3gp)", c);
  c.ComboAudioBitrate.Items = {"74x0 bps"};
  c.ComboAudioBitrate.ItemIndex = 0;
  EXPECT_THROW(ApplyProfileOptions("3GP - Mobile Video Format (*.3gp)", c, type, o), EConvertError);
  // An empty video bit-rate list means "no video bit rate".
  type = Choose("AVI - DivX Video (*.avi)", c);
  c.ComboVideoBitrate.Clear();
  EXPECT_NO_THROW(o = Map("AVI - DivX Video (*.avi)", c, type));
  EXPECT_EQ(o.vb, 0);
}

TEST(ProfileMapping, LabelParsing) {
  EXPECT_EQ(ParseFrameSizeLabel("176 x 144 (QCIF)"), "176x144");
  EXPECT_EQ(ParseFrameSizeLabel("320 x 240 "), "320x240");
  EXPECT_EQ(ParseFrameSizeLabel("1920 x 1072"), "1920x1072");
  EXPECT_EQ(ParseFrameSizeLabel("Original Video Size"), "original");
  EXPECT_EQ(FrameRateText("Auto"), "25");
  EXPECT_EQ(FrameRateText(" Auto"), "25");
  EXPECT_EQ(FrameRateText("AUTO "), "25");
  EXPECT_EQ(FrameRateText("29.97 fps [NTSC]"), "29.97");
  EXPECT_EQ(FrameRateText("15 fps"), "15");
  EXPECT_EQ(FrameRateText(""), "");
  EXPECT_EQ(FrameRateText("30"), "");
  EXPECT_EQ(NumberPart("8000  Hz"), "8000");
  EXPECT_EQ(LabelToInt("384000"), 384000);
  EXPECT_THROW(LabelToInt("000x"), EConvertError);
  EXPECT_THROW(LabelToInt(""), EConvertError);
  EXPECT_THROW(LabelToInt("99999999999"), EConvertError);
  EXPECT_THROW(LabelToInt("12 "), EConvertError);
}

TEST(QualityPreset, MovesTheBitRates) {
  TProfileChoices c;
  Choose("iPod (*.mp4)", c);
  c.ComboVideoQuality.ItemIndex = 0;  // Highest
  c.ComboAudioQuality.ItemIndex = 4;  // Lowest
  ApplyQualityPreset("iPod (*.mp4)", c);
  EXPECT_EQ(c.ComboVideoBitrate.Text(), "1200 Kbps");
  EXPECT_EQ(c.ComboVideoBitrate.ItemIndex, 2);
  EXPECT_EQ(c.ComboAudioBitrate.Text(), "64 Kbps");
  // The iPod list lacks 256 and 128: the selection stays.
  c.ComboVideoQuality.ItemIndex = 3;
  ApplyQualityPreset("iPod (*.mp4)", c);
  EXPECT_EQ(c.ComboVideoBitrate.Text(), "1200 Kbps");
  c.ComboVideoQuality.ItemIndex = 4;
  ApplyQualityPreset("iPod (*.mp4)", c);
  EXPECT_EQ(c.ComboVideoBitrate.Text(), "1200 Kbps");

  // RM: "384 Kbps" is not the list's "384  Kbps".
  Choose("RM - Real Video (*.rm)", c);
  ASSERT_TRUE(c.ComboVideoBitrate.SelectText("3000 Kbps"));
  c.ComboVideoQuality.ItemIndex = 2;
  ApplyQualityPreset("RM - Real Video (*.rm)", c);
  EXPECT_EQ(c.ComboVideoBitrate.Text(), "3000 Kbps");
  c.ComboVideoQuality.ItemIndex = 0;
  ApplyQualityPreset("RM - Real Video (*.rm)", c);
  EXPECT_EQ(c.ComboVideoBitrate.Text(), "1200 Kbps");

  // 3GP counts audio in bit/s.
  Choose("3GP - Mobile Video Format (*.3gp)", c);
  c.ComboAudioQuality.ItemIndex = 0;
  ApplyQualityPreset("3GP - Mobile Video Format (*.3gp)", c);
  EXPECT_EQ(c.ComboAudioBitrate.Text(), "12200 bps");

  // Video CD: every level is 1150.
  Choose("Video CD (*.mpg)", c);
  for (int level = 0; level < 5; ++level) {
    c.ComboVideoQuality.ItemIndex = level;
    ApplyQualityPreset("Video CD (*.mpg)", c);
    EXPECT_EQ(c.ComboVideoBitrate.Text(), "1150 Kbps");
  }

  // Audio-only: the video list stays empty, the audio preset applies.
  Choose("OGG - Ogg Vorbis Audio (*.ogg)", c);
  c.ComboAudioQuality.ItemIndex = 3;
  ApplyQualityPreset("OGG - Ogg Vorbis Audio (*.ogg)", c);
  EXPECT_TRUE(c.ComboVideoBitrate.Items.empty());
  EXPECT_EQ(c.ComboVideoBitrate.ItemIndex, -1);
  EXPECT_EQ(c.ComboAudioBitrate.Text(), "80 Kbps");

  // No quality row or no level: nothing moves.
  c.ComboAudioQuality.ItemIndex = -1;
  ApplyQualityPreset("OGG - Ogg Vorbis Audio (*.ogg)", c);
  EXPECT_EQ(c.ComboAudioBitrate.Text(), "80 Kbps");
  c.ComboAudioQuality.ItemIndex = 0;
  ApplyQualityPreset(OutputFormatSeparator, c);
  EXPECT_EQ(c.ComboAudioBitrate.Text(), "80 Kbps");
}

}  // namespace
