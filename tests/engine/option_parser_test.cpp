// The option language of a task: table actions, validation messages, the
// generic fall-back into the library option tables, the presets, and the
// application of the option records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "binding.h"
#include "ffmpeg_core.h"
#include "test_env.h"

namespace {

class OptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireLibraries();
    task.Prepare();
    task.LogSink = [this](TCustomFFmpeg &, int level, const std::string &text) {
      logs.push_back({level, text});
    };
  }
  std::string ErrorOf(const std::string &name, const std::string &value) {
    try {
      task.ParseOption(name, value);
    } catch (const std::exception &e) {
      return e.what();
    }
    return "(accepted)";
  }
  bool Logged(const std::string &text) const {
    for (const auto &l : logs)
      if (l.second == text) return true;
    return false;
  }
  int64_t Int(AVCodecContext *c, const char *name) {
    int64_t v = 0;
    libavutil.av_opt_get_int(c, name, 0, &v);
    return v;
  }
  std::string DictValue(const TDictionary &d, const char *key) {
    const AVDictionaryEntry *e = libavutil.av_dict_get(d.Get(), key, nullptr, 0);
    return e ? e->value : "";
  }

  TFFmpeg task;
  std::vector<std::pair<int, std::string>> logs;
};

TEST_F(OptionTest, DefaultsOfTheOptionState) {
  const TOptionState &o = task.Options;
  EXPECT_EQ(o.padColorY, 16);
  EXPECT_EQ(o.padColorU, 128);
  EXPECT_EQ(o.maxVideoFrames, 2147483647);
  EXPECT_EQ(o.audioSampleRate, 44100);
  EXPECT_EQ(o.audioChannels, 2);
  EXPECT_FLOAT_EQ(o.audioQscale, -99999.0f);
  EXPECT_EQ(o.audioVolume, 256);
  EXPECT_FLOAT_EQ(o.muxPreload, 0.5f);
  EXPECT_FLOAT_EQ(o.muxMaxDelay, 0.7f);
  EXPECT_EQ(o.recordingTime, INT64_MAX);
  EXPECT_EQ(o.expectedDurationMs, -1);
  EXPECT_EQ(o.intraDcPrecision, 8);
  EXPECT_EQ(o.topFieldFirst, -1);
  EXPECT_EQ(o.loopOutput, -1);
  EXPECT_EQ(o.videoSyncMethod, -1);
  EXPECT_FLOAT_EQ(o.dtsDeltaThreshold, 10.0f);
  EXPECT_EQ(o.swsFlags, 4);
  for (const auto &c : o.codecDefaults) EXPECT_NE(c, nullptr);
  EXPECT_NE(o.formatDefaults, nullptr);
  EXPECT_NE(o.swsDefaults, nullptr);
}

TEST_F(OptionTest, OptionTextLinesAndSwitches) {
  task.ApplyOptionText("  \r\nvn\r\n\r\ntitle=A=B\ncomment=x \n");
  EXPECT_EQ(task.Options.videoDisable, 1);
  EXPECT_EQ(task.Options.title, "A=B");
  EXPECT_EQ(task.Options.comment, "x");  // the whole text is trimmed at its end
  task.ApplyOptionText("comment=y \nalbum=z");
  EXPECT_EQ(task.Options.comment, "y ");  // lines themselves are not trimmed
}

TEST_F(OptionTest, IgnoredAndRefusedOptions) {
  task.ParseOption("benchmark", "");
  EXPECT_TRUE(Logged("Do nothing: option - benchmark"));
  for (const char *name : {"L", "h", "version", "formats", "i", "y", "apre", "vpre", "spre"}) {
    logs.clear();
    task.ParseOption(name, "x");
    EXPECT_TRUE(Logged(std::string("Do nothing: option - ") + name)) << name;
  }
  for (const char *name : {"threads", "absf", "vbsf", "sbsf"})
    EXPECT_EQ(ErrorOf(name, "1"), std::string("TODO: option - ") + name);
}

TEST_F(OptionTest, CodecNamesAndStreamCopy) {
  task.ParseOption("vcodec", "copy");
  task.ParseOption("vcodec", "mpeg4");
  EXPECT_EQ(task.Options.videoStreamCopy, 1);
  EXPECT_EQ(task.Options.videoCodecName, "mpeg4");
  task.ParseOption("acodec", "mp2");
  task.ParseOption("acodec", "");
  EXPECT_EQ(task.Options.audioCodecName, "mp2");
  task.ParseOption("acodec", "copy");
  EXPECT_EQ(task.Options.audioStreamCopy, 1);
  EXPECT_EQ(task.Options.audioCodecName, "");
}

TEST_F(OptionTest, CropNeedsAFrameSizeFirst) {
  const std::string vertical =
      "Vertical crop dimensions are outside the range of the original image.\n"
      "Remember to crop first and scale second.";
  EXPECT_EQ(ErrorOf("croptop", "2"), vertical);
  EXPECT_EQ(ErrorOf("cropleft", "2").rfind("Horizontal crop dimensions", 0), 0u);
  task.ParseOption("s", "320x240");
  task.ParseOption("croptop", "2");
  EXPECT_EQ(task.Options.frameHeight, 238);
  EXPECT_EQ(task.Options.cropTop, 2);
  EXPECT_EQ(ErrorOf("cropbottom", "3"), "Bottom crop size must be a multiple of 2");
  EXPECT_EQ(ErrorOf("cropright", "320"), ErrorOf("cropleft", "400"));
  task.SetCropLeft(-4);  // ignored
  EXPECT_EQ(task.Options.cropLeft, 0);
  EXPECT_EQ(ErrorOf("padtop", "5"), "Top pad size must be a multiple of 2");
  task.ParseOption("padleft", "8");
  EXPECT_EQ(task.Options.padLeft, 8);
  EXPECT_EQ(task.Options.frameWidth, 320);
}

TEST_F(OptionTest, FrameSizeRateAndAspect) {
  EXPECT_EQ(ErrorOf("s", "321x240"), "Frame size must be a multiple of 2");
  EXPECT_EQ(ErrorOf("s", "huge"), "Incorrect frame size");
  task.ParseOption("s", "qcif");
  EXPECT_EQ(task.Options.frameWidth, 176);
  EXPECT_EQ(ErrorOf("r", "fast"), "Incorrect frame rate");
  task.ParseOption("r", "30000/1001");
  EXPECT_EQ(task.Options.videoFrameRate.num, 30000);
  EXPECT_EQ(task.Options.videoFrameRate.den, 1001);
  EXPECT_EQ(ErrorOf("aspect", "4:0"), "Incorrect aspect ratio specification.");
  EXPECT_EQ(ErrorOf("aspect", "abc"), "Incorrect aspect ratio specification.");
  task.ParseOption("aspect", "16:9");
  EXPECT_NEAR(task.Options.frameAspectRatio, 16.0 / 9.0, 1e-6);
  task.ParseOption("aspect", "1.3333");
  EXPECT_NEAR(task.Options.frameAspectRatio, 1.3333, 1e-6);
}

TEST_F(OptionTest, QscalePassAndNumbers) {
  EXPECT_EQ(ErrorOf("qscale", "0"), "qscale must be > 0.0 and <= 255");
  EXPECT_EQ(ErrorOf("qscale", "256"), "qscale must be > 0.0 and <= 255");
  task.ParseOption("qscale", "255");
  EXPECT_FLOAT_EQ(task.Options.videoQscale, 255.0f);
  EXPECT_EQ(ErrorOf("pass", "3"), "pass number can be only 1 or 2");
  EXPECT_EQ(ErrorOf("vframes", "ten"), "'ten' is not a valid integer value");
  EXPECT_EQ(ErrorOf("aq", "x"), "'x' is not a valid floating point value");
  task.ParseOption("vframes", "100");
  EXPECT_EQ(task.Options.maxVideoFrames, 100);
}

TEST_F(OptionTest, PadColourToYuv) {
  task.ParseOption("padcolor", "255");  // pure red
  EXPECT_EQ(task.Options.padColorY, 76);
  EXPECT_EQ(task.Options.padColorU, 85);
  EXPECT_EQ(task.Options.padColorV, 255);
  task.SetPadColor(0);
  EXPECT_EQ(task.Options.padColorY, 0);
  EXPECT_EQ(task.Options.padColorU, 128);
  EXPECT_EQ(task.Options.padColorV, 128);
  task.SetPadColor(0xFFFFFF);
  EXPECT_EQ(task.Options.padColorY, 255);
}

TEST_F(OptionTest, TagsMatricesAndMaps) {
  EXPECT_EQ(ErrorOf("vtag", "xvi"), "video tag parameter must be 4 chars");
  EXPECT_EQ(ErrorOf("atag", "abcde"), "audio tag parameter must be 4 chars");
  task.ParseOption("vtag", "XVID");
  EXPECT_EQ(task.Options.videoCodecTag, 0x44495658u);

  std::string m;
  for (int i = 0; i < 64; ++i) m += std::to_string(i + 1) + (i < 63 ? "," : "");
  task.ParseOption("intra_matrix", m);
  ASSERT_EQ(task.Options.intraMatrix.size(), 64u);
  EXPECT_EQ(task.Options.intraMatrix[63], 64);
  EXPECT_EQ(ErrorOf("inter_matrix", "1,2,3"), "Syntax error in matrix \"1,2,3\" at coeff 2");

  task.ParseOption("map", "0:1");
  task.ParseOption("map", "0x1.2:3.4");
  ASSERT_EQ(task.Options.streamMaps.size(), 2u);
  EXPECT_EQ(task.Options.streamMaps[0].syncStream, 1);
  EXPECT_EQ(task.Options.streamMaps[1].file, 1);
  EXPECT_EQ(task.Options.streamMaps[1].syncFile, 3);
  EXPECT_EQ(task.Options.streamMaps[1].syncStream, 4);
  for (int i = 2; i < 20; ++i) task.ParseOption("map", "0:0");
  EXPECT_EQ(ErrorOf("map", "0:0"), "Too many stream maps (at most 20)");
  task.ParseOption("map_meta_data", "1:2");
  ASSERT_EQ(task.Options.metaDataMaps.size(), 1u);
  EXPECT_EQ(task.Options.metaDataMaps[0].outFile, 1);
  EXPECT_EQ(task.Options.metaDataMaps[0].inFile, 2);
  for (int i = 1; i < 20; ++i) task.ParseOption("map_meta_data", "0:0");
  EXPECT_EQ(ErrorOf("map_meta_data", "0:0"), "Too many metadata maps (at most 20)");
}

TEST_F(OptionTest, TimesAndScales) {
  task.ParseOption("t", "30");
  EXPECT_EQ(task.Options.expectedDurationMs, 30000);
  EXPECT_EQ(task.Options.recordingTime, 30000000);
  task.ParseOption("ss", "00:00:01.5");
  EXPECT_EQ(task.Options.inputStartTime, 1500000);
  EXPECT_EQ(ErrorOf("itsoffset", "soon"), "Invalid duration specification for itsoffset: soon");
  EXPECT_EQ(ErrorOf("timestamp", "someday"), "Invalid date specification for timestamp: someday");
  task.ParseOption("timestamp", "1970-01-02 00:00:00Z");
  EXPECT_EQ(task.Options.recTimestamp, 86400);
  EXPECT_EQ(ErrorOf("itsscale", "20:1.0"), "stream index over MAX_STREAMS(20)");
  task.ParseOption("itsscale", "1:0.5");
  EXPECT_DOUBLE_EQ(task.Options.inputTsScale[0][1], 0.5);
}

TEST_F(OptionTest, FormatOption) {
  EXPECT_EQ(ErrorOf("f", "nosuchformat"), "Unknown input or output format: nosuchformat");
  task.ParseOption("f", "avi");
  EXPECT_NE(task.Options.inputFormat, nullptr);
  EXPECT_NE(task.Options.outputFormat, nullptr);
  task.ParseOption("f", "pgmyuv");
  EXPECT_EQ(task.Options.pgmyuvCompat, 1);
  EXPECT_TRUE(Logged("pgmyuv format is deprecated, use image2"));
  EXPECT_STREQ(task.Options.outputFormat->name, "image2");
  try {
    task.SetOutputFormat("nosuch");
    FAIL();
  } catch (const FFMpegException &e) {
    EXPECT_STREQ(e.what(), "Unknown output format: nosuch");
  }
}

TEST_F(OptionTest, GenericOptionsReachTheRightDefaults) {
  AVCodecContext *video = task.Options.CodecDefaults(skVideo);
  AVCodecContext *audio = task.Options.CodecDefaults(skAudio);
  EXPECT_TRUE(task.SetGenericOption("gop", "25"));  // the old name
  EXPECT_EQ(video->gop_size, 25);
  EXPECT_TRUE(task.SetGenericOption("b", "800000"));
  EXPECT_EQ(video->bit_rate, 800000);
  EXPECT_NE(audio->bit_rate, 800000);  // "b" is the video bit rate
  EXPECT_TRUE(task.SetGenericOption("ab", "96000"));  // prefix fall-back
  EXPECT_EQ(audio->bit_rate, 96000);
  EXPECT_EQ(video->bit_rate, 800000);
  EXPECT_TRUE(task.SetGenericOptionInt("packetsize", 2324));
  EXPECT_EQ(task.Options.formatDefaults->packet_size, 2324u);
  // Known only to particular encoders and muxers: kept for them.
  EXPECT_TRUE(task.SetGenericOption("preset", "fast"));
  EXPECT_EQ(DictValue(task.Options.codecPrivateOptions[skVideo], "preset"), "fast");
  EXPECT_TRUE(task.SetGenericOption("muxrate", "1411200"));
  EXPECT_EQ(DictValue(task.Options.formatPrivateOptions, "muxrate"), "1411200");
  // Nothing knows these: ignored without a word.
  EXPECT_FALSE(task.SetGenericOption("nosuchoption", "1"));
  EXPECT_FALSE(task.SetGenericOption("g", "   "));
  logs.clear();
  task.ParseOption("nosuchoption", "1");
  EXPECT_TRUE(logs.empty());
  // An invalid value is refused like an unknown name.
  EXPECT_FALSE(task.SetGenericOption("g", "many"));
  std::vector<std::string> expected = {"g", "b", "ab", "packetsize"};
  EXPECT_EQ(task.Options.setOptionNames, expected);
}

TEST_F(OptionTest, BitRateWarning) {
  task.ParseOption("ab", "128");
  EXPECT_EQ(task.Options.CodecDefaults(skAudio)->bit_rate, 128);
  EXPECT_TRUE(Logged("WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"));
  logs.clear();
  task.ParseOption("b", "1000");
  EXPECT_TRUE(logs.empty());
}

TEST_F(OptionTest, FilmDvdPreset) {
  task.ParseOption("target", " film-dvd ");
  const TOptionState &o = task.Options;
  EXPECT_EQ(o.frameWidth, 720);
  EXPECT_EQ(o.frameHeight, 480);
  EXPECT_EQ(o.videoFrameRate.num, 24000);
  EXPECT_EQ(o.videoFrameRate.den, 1001);
  EXPECT_EQ(o.CodecDefaults(skVideo)->gop_size, 18);
  EXPECT_EQ(o.CodecDefaults(skVideo)->bit_rate, 6000000);
  EXPECT_EQ(o.CodecDefaults(skVideo)->rc_max_rate, 9000000);
  EXPECT_EQ(o.CodecDefaults(skAudio)->bit_rate, 448000);
  EXPECT_EQ(o.audioSampleRate, 48000);
  EXPECT_NEAR(o.frameAspectRatio, 16.0 / 9.0, 1e-6);
  EXPECT_EQ(o.videoCodecName, "mpeg2video");
  EXPECT_EQ(o.audioCodecName, "ac3");
  ASSERT_NE(o.outputFormat, nullptr);
  EXPECT_STREQ(o.outputFormat->name, "dvd");
  EXPECT_EQ(o.formatDefaults->packet_size, 2048u);
  EXPECT_EQ(DictValue(o.formatPrivateOptions, "muxrate"), "10080000");
}

TEST_F(OptionTest, PalVcdAndSvcdAndDvPresets) {
  task.ParseOption("ac", "1");
  task.ParseOption("target", "pal-svcd");
  EXPECT_EQ(task.Options.frameHeight, 576);
  EXPECT_EQ(task.Options.audioChannels, 2);
  EXPECT_EQ(DictValue(task.Options.codecPrivateOptions[skVideo], "scan_offset"), "1");
  EXPECT_NEAR(task.Options.frameAspectRatio, 4.0 / 3.0, 1e-6);

  TFFmpeg t2;
  t2.Prepare();
  t2.ParseOption("r", "25");
  t2.ApplyTarget("vcd", "auto", "ntsc");  // guessed from the frame rate
  EXPECT_EQ(t2.Options.frameHeight, 288);
  EXPECT_FLOAT_EQ(t2.Options.muxPreload, 0.44f);
  EXPECT_EQ(t2.Options.CodecDefaults(skVideo)->gop_size, 15);

  TFFmpeg t5;
  t5.Prepare();
  t5.ParseOption("r", "30000/1001");
  t5.ApplyTarget("vcd", "auto", "pal");  // NTSC guessed from the frame rate
  EXPECT_EQ(t5.Options.frameHeight, 240);
  EXPECT_EQ(t5.Options.CodecDefaults(skVideo)->gop_size, 18);

  TFFmpeg t3;
  t3.Prepare();
  t3.ParseOption("target", "ntsc-dv50");
  EXPECT_EQ(t3.Options.framePixFmt, AV_PIX_FMT_YUV422P);
  EXPECT_EQ(t3.Options.frameHeight, 480);

  TFFmpeg t4;
  t4.Prepare();
  try {
    t4.ParseOption("target", "vcd");
    FAIL();
  } catch (const FFMpegException &e) {
    EXPECT_STREQ(e.what(), "frame_rate is invalid.");
  }
  try {
    t4.ParseOption("target", "pal-laserdisc");
    FAIL();
  } catch (const FFMpegException &e) {
    EXPECT_STREQ(e.what(), "Unknown target type");
  }
}

TEST_F(OptionTest, VerbosityOption) {
  task.ParseOption("v", "0");
  EXPECT_EQ(task.Options.verbose, 0);
  EXPECT_EQ(libavutil.av_log_get_level(), AV_LOG_ERROR);
  task.ParseOption("v", "1");
}

// ---------------------------------------------------------------------------
// Records

class RecordTest : public OptionTest {};

TEST_F(RecordTest, FreshOutputRecordChangesNothing) {
  TFFmpeg plain;
  plain.Prepare();
  TOutputOptions r;
  task.ApplyOutputOptions(r, "out.avi");
  EXPECT_EQ(r.fileName, "out.avi");  // written back into the caller's record
  const TOptionState &a = task.Options, &b = plain.Options;
  EXPECT_EQ(a.audioSyncMethod, b.audioSyncMethod);
  EXPECT_EQ(a.videoSyncMethod, b.videoSyncMethod);
  EXPECT_EQ(a.padColorY, 0);  // black, the record's colour
  EXPECT_EQ(a.copyTs, b.copyTs);
  EXPECT_EQ(a.audioLanguage, b.audioLanguage);
  EXPECT_EQ(a.frameWidth, b.frameWidth);
  EXPECT_EQ(a.audioSampleRate, b.audioSampleRate);
  EXPECT_EQ(a.audioVolume, b.audioVolume);
  EXPECT_EQ(a.recordingTime, b.recordingTime);
  EXPECT_EQ(a.recTimestamp, b.recTimestamp);
  EXPECT_EQ(a.title, b.title);
  EXPECT_EQ(a.outputFormat, b.outputFormat);
  EXPECT_TRUE(a.setOptionNames.empty());
  EXPECT_TRUE(task.HookRanges.empty());
}

TEST_F(RecordTest, FieldsAfterTheExtraText) {
  TOutputOptions r;
  r.extraOptions = "vsync=1\ntitle=A\ncomment=B";
  r.vol = 0;
  r.recordingTimeMs = 36000000;
  task.ApplyOutputOptions(r, "x.mp4");
  EXPECT_EQ(task.Options.videoSyncMethod, -1);
  EXPECT_EQ(task.Options.title, "A");
  EXPECT_EQ(task.Options.comment, "B");
  EXPECT_EQ(task.Options.audioVolume, 0);
  EXPECT_EQ(task.Options.recordingTime, 36000000000LL);
  EXPECT_EQ(task.Options.expectedDurationMs, 36000000);

  TFFmpeg t2;
  t2.Prepare();
  TOutputOptions r2;
  r2.extraOptions = "an";
  r2.an = false;
  std::strcpy(r2.genre, "Rock");
  r2.year = 1999;
  r2.aspect = "4:0";
  try {
    t2.ApplyOutputOptions(r2, "y.mp4");
    FAIL();
  } catch (const FFMpegException &e) {
    EXPECT_STREQ(e.what(), "Incorrect aspect ratio specification.");
  }
  EXPECT_EQ(t2.Options.audioDisable, 1);  // False leaves the text's setting
}

TEST_F(RecordTest, TargetFieldWithNormOutOfRange) {
  TOutputOptions r;
  r.frameRate = "25";
  r.target = 2;
  r.targetNorm = 5;  // "auto": guessed from the frame rate
  task.ApplyOutputOptions(r, "z.mpg");
  EXPECT_EQ(task.Options.frameWidth, 480);
  EXPECT_EQ(task.Options.frameHeight, 576);
  EXPECT_STREQ(task.Options.outputFormat->name, "svcd");
}

TEST_F(RecordTest, HookRanges) {
  auto ranges = ParseHookRanges("10-20, 5-8 ,30-25, x, x-40");
  std::vector<std::pair<int64_t, int64_t>> expected = {{5, 8}, {10, 20}, {-1, 40}};
  EXPECT_EQ(ranges, expected);
  EXPECT_TRUE(ParseHookRanges("").empty());

  TOutputOptions r;
  r.hookRanges = "10-20,5-8";
  r.beforeHook = true;  // the ranges are not used then
  task.ApplyOutputOptions(r, "a.avi");
  EXPECT_TRUE(task.HookRanges.empty());
  r.beforeHook = false;
  task.ApplyOutputOptions(r, "a.avi");
  EXPECT_EQ(task.HookRanges.size(), 2u);
}

TEST_F(RecordTest, InputRecord) {
  TInputOptions in;
  in.startTimeMs = 1500;
  in.programid = 3;
  in.extraOptions = "itsoffset=2";
  task.ApplyInputOptions(in, "movie.mov");
  EXPECT_EQ(in.fileName, "movie.mov");
  EXPECT_EQ(task.InputRecord.fileName, "movie.mov");
  EXPECT_EQ(task.Options.inputStartTime, 1500000);
  EXPECT_EQ(task.Options.programId, 3);
  EXPECT_EQ(task.Options.inputTsOffset, 2000000);

  TFFmpeg t2;
  t2.Prepare();
  TInputOptions in2;
  in2.startTimeMs = 0;
  in2.format = "nosuch";
  try {
    t2.ApplyInputOptions(in2, "m.mov");
    FAIL();
  } catch (const FFMpegException &e) {
    EXPECT_STREQ(e.what(), "Unknown input format: nosuch");
  }
  EXPECT_EQ(t2.Options.inputStartTime, 0);
}

TEST_F(RecordTest, TimestampConversion) {
  const char *old = std::getenv("TZ");
  std::string saved = old ? old : "";
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(DateTimeToUnixSeconds(25569.0), 0);
  EXPECT_EQ(DateTimeToUnixSeconds(25570.5), 86400 + 43200);
  TOutputOptions r;
  r.timestamp = 0.0;  // now
  const int64_t before = std::time(nullptr);
  task.ApplyOutputOptions(r, "t.mov");
  EXPECT_NEAR(static_cast<double>(task.Options.recTimestamp), static_cast<double>(before), 2.0);
  if (old) setenv("TZ", saved.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

}  // namespace
