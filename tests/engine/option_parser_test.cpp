// The option language of a task: table actions, validation messages, the
// generic fall-back into the library option tables, the presets, and the
// application of the option records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <tuple>
#include <vector>

#include "binding.h"
#include "dates.h"
#include "engine_driver.h"
#include "hook_ranges.h"
#include "test_env.h"
#include "transcode_task.h"

namespace {

class OptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    requireLibraries();
    task.prepare();
    task.sinks().log = [this](TranscodeTask &, LogLevel level, const std::string &text) {
      logs.push_back({level, text});
    };
  }
  std::string errorOf(const std::string &name, const std::string &value) {
    return refusalOf([&] { task.language().parseOption(name, value); });
  }
  bool logged(const std::string &text) const {
    return std::any_of(logs.begin(), logs.end(), [&](const auto &l) { return l.second == text; });
  }
  int64_t intOption(AVCodecContext *c, const char *name) {
    int64_t v = 0;
    libavutil.av_opt_get_int(c, name, 0, &v);
    return v;
  }
  std::string dictValue(const Dictionary &d, const char *key) {
    const AVDictionaryEntry *e = libavutil.av_dict_get(d.get(), key, nullptr, 0);
    return e ? e->value : "";
  }

  TranscodeTask task;
  std::vector<std::pair<LogLevel, std::string>> logs;
};

TEST_F(OptionTest, DefaultsOfTheOptionState) {
  const OptionState &o = task.options;
  EXPECT_EQ(std::tuple(o.padColorY, o.padColorU, o.maxVideoFrames, o.audioSampleRate, o.audioChannels, o.audioVolume),
            std::tuple(16, 128, 2147483647, 44100, 2, 256));
  EXPECT_EQ(std::tuple(o.audioQscale, o.muxPreload, o.muxMaxDelay, o.dtsDeltaThreshold),
            std::tuple(-99999.0f, 0.5f, 0.7f, 10.0f));
  EXPECT_EQ(std::tuple(o.recordingTime, o.expectedDurationMs, o.intraDcPrecision, o.topFieldFirst, o.loopOutput,
                       o.videoSyncMethod, o.swsFlags),
            std::tuple(INT64_MAX, -1, 8, -1, -1, -1, 4));
  for (const auto &c : o.codecDefaults) EXPECT_NE(c, nullptr);
  EXPECT_NE(o.formatDefaults, nullptr);
  EXPECT_NE(o.swsDefaults, nullptr);
}

TEST_F(OptionTest, OptionTextLinesAndSwitches) {
  task.language().applyOptionText("  \r\nvn\r\n\r\ntitle=A=B\ncomment=x \n");
  EXPECT_EQ(task.options.videoDisable, 1);
  EXPECT_EQ(task.options.title, "A=B");
  EXPECT_EQ(task.options.comment, "x");  // the whole text is trimmed at its end
  task.language().applyOptionText("comment=y \nalbum=z");
  EXPECT_EQ(task.options.comment, "y ");  // lines themselves are not trimmed
}

TEST_F(OptionTest, IgnoredAndRefusedOptions) {
  task.language().parseOption("benchmark", "");
  EXPECT_TRUE(logged("Do nothing: option - benchmark"));
  for (const char *name : {"L", "h", "version", "formats", "i", "apre", "vpre", "spre"}) {
    logs.clear();
    task.language().parseOption(name, "x");
    EXPECT_TRUE(logged(std::string("Do nothing: option - ") + name)) << name;
  }
  // "y" lets a finished output replace a file of its name.
  EXPECT_EQ(task.options.overwriteOutput, 0);
  task.language().parseOption("y", "");
  EXPECT_EQ(task.options.overwriteOutput, 1);
  for (const char *name : {"threads", "absf", "vbsf", "sbsf"})
    EXPECT_EQ(errorOf(name, "1"), std::string("TODO: option - ") + name);
}

TEST_F(OptionTest, CodecNamesAndStreamCopy) {
  task.language().parseOption("vcodec", "copy");
  task.language().parseOption("vcodec", "mpeg4");
  EXPECT_EQ(task.options.videoStreamCopy, 1);
  EXPECT_EQ(task.options.videoCodecName, "mpeg4");
  task.language().parseOption("acodec", "mp2");
  task.language().parseOption("acodec", "");
  EXPECT_EQ(task.options.audioCodecName, "mp2");
  task.language().parseOption("acodec", "copy");
  EXPECT_EQ(task.options.audioStreamCopy, 1);
  EXPECT_EQ(task.options.audioCodecName, "");
}

TEST_F(OptionTest, CropNeedsAFrameSizeFirst) {
  const std::string vertical =
      "Vertical crop dimensions are outside the range of the original image.\n"
      "Remember to crop first and scale second.";
  EXPECT_EQ(errorOf("croptop", "2"), vertical);
  EXPECT_EQ(errorOf("cropleft", "2").rfind("Horizontal crop dimensions", 0), 0u);
  task.language().parseOption("s", "320x240");
  task.language().parseOption("croptop", "2");
  EXPECT_EQ(task.options.frameHeight, 238);
  EXPECT_EQ(task.options.cropTop, 2);
  EXPECT_EQ(errorOf("cropbottom", "3"), "Bottom crop size must be a multiple of 2");
  EXPECT_EQ(errorOf("cropright", "320"), errorOf("cropleft", "400"));
  task.language().setCropLeft(-4);  // ignored
  EXPECT_EQ(task.options.cropLeft, 0);
  EXPECT_EQ(errorOf("padtop", "5"), "Top pad size must be a multiple of 2");
  task.language().parseOption("padleft", "8");
  EXPECT_EQ(task.options.padLeft, 8);
  EXPECT_EQ(task.options.frameWidth, 320);
}

TEST_F(OptionTest, FrameSizeRateAndAspect) {
  EXPECT_EQ(errorOf("s", "321x240"), "Frame size must be a multiple of 2");
  EXPECT_EQ(errorOf("s", "huge"), "Incorrect frame size");
  task.language().parseOption("s", "qcif");
  EXPECT_EQ(task.options.frameWidth, 176);
  EXPECT_EQ(errorOf("r", "fast"), "Incorrect frame rate");
  task.language().parseOption("r", "30000/1001");
  EXPECT_EQ(task.options.videoFrameRate.num, 30000);
  EXPECT_EQ(task.options.videoFrameRate.den, 1001);
  EXPECT_EQ(errorOf("aspect", "4:0"), "Incorrect aspect ratio specification.");
  EXPECT_EQ(errorOf("aspect", "abc"), "Incorrect aspect ratio specification.");
  task.language().parseOption("aspect", "16:9");
  EXPECT_NEAR(task.options.frameAspectRatio, 16.0 / 9.0, 1e-6);
  task.language().parseOption("aspect", "1.3333");
  EXPECT_NEAR(task.options.frameAspectRatio, 1.3333, 1e-6);
}

TEST_F(OptionTest, NegativeOrNonNumericAspectIsRefusedAndKeepsTheLastOne) {
  task.language().parseOption("aspect", "16:9");
  for (const char *bad : {"4:-3", "-4:3", "-4:-3", "-1.5", "-0.01", "nan", "inf"}) {
    EXPECT_EQ(errorOf("aspect", bad), "Incorrect aspect ratio specification.") << bad;
    EXPECT_NEAR(task.options.frameAspectRatio, 16.0 / 9.0, 1e-6) << bad;
  }
  // The typed setter, which the records use, refuses them the same way.
  OutputOptions record{.aspect = "-4:3"};
  EXPECT_EQ(refusalOf([&] { task.language().applyOutputOptions(record, "out.mp4"); }),
            "Incorrect aspect ratio specification.") << "a negative aspect in the record was accepted";
}

TEST_F(OptionTest, QscalePassAndNumbers) {
  EXPECT_EQ(errorOf("qscale", "0"), "qscale must be > 0.0 and <= 255");
  EXPECT_EQ(errorOf("qscale", "256"), "qscale must be > 0.0 and <= 255");
  task.language().parseOption("qscale", "255");
  EXPECT_FLOAT_EQ(task.options.videoQscale, 255.0f);
  EXPECT_EQ(errorOf("pass", "3"), "pass number can be only 1 or 2");
  EXPECT_EQ(errorOf("vframes", "ten"), "'ten' is not a valid integer value");
  EXPECT_EQ(errorOf("aq", "x"), "'x' is not a valid floating point value");
  task.language().parseOption("vframes", "100");
  EXPECT_EQ(task.options.maxVideoFrames, 100);
}

TEST_F(OptionTest, PadColourToYuv) {
  const auto yuv = [&] { return std::tuple(task.options.padColorY, task.options.padColorU, task.options.padColorV); };
  task.language().parseOption("padcolor", "255");  // pure red
  EXPECT_EQ(yuv(), std::tuple(76, 85, 255));
  task.language().setPadColor(0);
  EXPECT_EQ(yuv(), std::tuple(0, 128, 128));
  task.language().setPadColor(0xFFFFFF);
  EXPECT_EQ(task.options.padColorY, 255);
}

TEST_F(OptionTest, TagsMatricesAndMaps) {
  EXPECT_EQ(errorOf("vtag", "xvi"), "video tag parameter must be 4 chars");
  EXPECT_EQ(errorOf("atag", "abcde"), "audio tag parameter must be 4 chars");
  task.language().parseOption("vtag", "XVID");
  EXPECT_EQ(task.options.videoCodecTag, 0x44495658u);

  std::string m;
  for (int i = 0; i < 64; ++i) m += std::to_string(i + 1) + (i < 63 ? "," : "");
  task.language().parseOption("intra_matrix", m);
  ASSERT_EQ(task.options.intraMatrix.size(), 64u);
  EXPECT_EQ(task.options.intraMatrix[63], 64);
  EXPECT_EQ(errorOf("inter_matrix", "1,2,3"), "Syntax error in matrix \"1,2,3\" at coeff 2");

  task.language().parseOption("map", "0:1");
  task.language().parseOption("map", "0x1.2:3.4");
  ASSERT_EQ(task.options.streamMaps.size(), 2u);
  EXPECT_EQ(task.options.streamMaps[0].syncStream, 1);
  EXPECT_EQ(task.options.streamMaps[1].file, 1);
  EXPECT_EQ(task.options.streamMaps[1].syncFile, 3);
  EXPECT_EQ(task.options.streamMaps[1].syncStream, 4);
  for (int i = 2; i < 20; ++i) task.language().parseOption("map", "0:0");
  EXPECT_EQ(errorOf("map", "0:0"), "Too many stream maps (at most 20)");
  task.language().parseOption("map_meta_data", "1:2");
  ASSERT_EQ(task.options.metaDataMaps.size(), 1u);
  EXPECT_EQ(task.options.metaDataMaps[0].outFile, 1);
  EXPECT_EQ(task.options.metaDataMaps[0].inFile, 2);
  for (int i = 1; i < 20; ++i) task.language().parseOption("map_meta_data", "0:0");
  EXPECT_EQ(errorOf("map_meta_data", "0:0"), "Too many metadata maps (at most 20)");
}

TEST_F(OptionTest, TimesAndScales) {
  task.language().parseOption("t", "30");
  EXPECT_EQ(task.options.expectedDurationMs, 30000);
  EXPECT_EQ(task.options.recordingTime, 30000000);
  task.language().parseOption("ss", "00:00:01.5");
  EXPECT_EQ(task.options.inputStartTime, 1500000);
  EXPECT_EQ(errorOf("itsoffset", "soon"), "Invalid duration specification for itsoffset: soon");
  EXPECT_EQ(errorOf("timestamp", "someday"), "Invalid date specification for timestamp: someday");
  task.language().parseOption("timestamp", "1970-01-02 00:00:00Z");
  EXPECT_EQ(task.options.recTimestamp, 86400);
  EXPECT_EQ(errorOf("itsscale", "20:1.0"), "stream index over MAX_STREAMS(20)");
  task.language().parseOption("itsscale", "1:0.5");
  EXPECT_DOUBLE_EQ(task.options.inputTsScale[0][1], 0.5);
}

TEST_F(OptionTest, FormatOption) {
  EXPECT_EQ(errorOf("f", "nosuchformat"), "Unknown input or output format: nosuchformat");
  task.language().parseOption("f", "avi");
  EXPECT_NE(task.options.inputFormat, nullptr);
  EXPECT_NE(task.options.outputFormat, nullptr);
  task.language().parseOption("f", "pgmyuv");
  EXPECT_EQ(task.options.pgmyuvCompat, 1);
  EXPECT_TRUE(logged("pgmyuv format is deprecated, use image2"));
  EXPECT_STREQ(task.options.outputFormat->name, "image2");
  EXPECT_EQ(refusalOf([&] { task.language().setOutputFormat("nosuch"); }), "Unknown output format: nosuch");
}

TEST_F(OptionTest, GenericOptionsReachTheRightDefaults) {
  AVCodecContext *video = task.options.defaultsFor(kVideoKind);
  AVCodecContext *audio = task.options.defaultsFor(kAudioKind);
  EXPECT_TRUE(task.language().setGenericOption("gop", "25"));  // the old name
  EXPECT_EQ(video->gop_size, 25);
  EXPECT_TRUE(task.language().setGenericOption("b", "800000"));
  EXPECT_EQ(video->bit_rate, 800000);
  EXPECT_NE(audio->bit_rate, 800000);  // "b" is the video bit rate
  EXPECT_TRUE(task.language().setGenericOption("ab", "96000"));  // prefix fall-back
  EXPECT_EQ(audio->bit_rate, 96000);
  EXPECT_EQ(video->bit_rate, 800000);
  EXPECT_TRUE(task.language().setGenericOptionInt("packetsize", 2324));
  EXPECT_EQ(task.options.formatDefaults->packet_size, 2324u);
  // Known only to particular encoders and muxers: kept for them.
  EXPECT_TRUE(task.language().setGenericOption("preset", "fast"));
  EXPECT_EQ(dictValue(task.options.codecPrivateOptions[kVideoKind], "preset"), "fast");
  EXPECT_TRUE(task.language().setGenericOption("muxrate", "1411200"));
  EXPECT_EQ(dictValue(task.options.formatPrivateOptions, "muxrate"), "1411200");
  // Nothing knows these: ignored without a word.
  EXPECT_FALSE(task.language().setGenericOption("nosuchoption", "1"));
  EXPECT_FALSE(task.language().setGenericOption("g", "   "));
  logs.clear();
  task.language().parseOption("nosuchoption", "1");
  EXPECT_TRUE(logs.empty());
  // An invalid value is refused like an unknown name.
  EXPECT_FALSE(task.language().setGenericOption("g", "many"));
  std::vector<std::string> expected = {"g", "b", "ab", "packetsize"};
  EXPECT_EQ(task.options.setOptionNames, expected);
}

TEST_F(OptionTest, BitRateWarning) {
  task.language().parseOption("ab", "128");
  EXPECT_EQ(task.options.defaultsFor(kAudioKind)->bit_rate, 128);
  EXPECT_TRUE(logged("WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"));
  logs.clear();
  task.language().parseOption("b", "1000");
  EXPECT_TRUE(logs.empty());
}

TEST_F(OptionTest, FilmDvdPreset) {
  task.language().parseOption("target", " film-dvd ");
  const OptionState &o = task.options;
  EXPECT_EQ(std::tuple(o.frameWidth, o.frameHeight, o.videoFrameRate.num, o.videoFrameRate.den, o.audioSampleRate),
            std::tuple(720, 480, 24000, 1001, 48000));
  const AVCodecContext *video = o.defaultsFor(kVideoKind);
  EXPECT_EQ(std::tuple(video->gop_size, video->bit_rate, video->rc_max_rate, o.defaultsFor(kAudioKind)->bit_rate),
            std::tuple(18, 6000000, 9000000, 448000));
  EXPECT_NEAR(o.frameAspectRatio, 16.0 / 9.0, 1e-6);
  EXPECT_EQ(std::tuple(o.videoCodecName, o.audioCodecName), std::tuple("mpeg2video", "ac3"));
  ASSERT_NE(o.outputFormat, nullptr);
  EXPECT_STREQ(o.outputFormat->name, "dvd");
  EXPECT_EQ(o.formatDefaults->packet_size, 2048u);
  EXPECT_EQ(dictValue(o.formatPrivateOptions, "muxrate"), "10080000");
}

TEST_F(OptionTest, PalVcdAndSvcdAndDvPresets) {
  task.language().parseOption("ac", "1");
  task.language().parseOption("target", "pal-svcd");
  EXPECT_EQ(task.options.frameHeight, 576);
  EXPECT_EQ(task.options.audioChannels, 2);
  EXPECT_EQ(dictValue(task.options.codecPrivateOptions[kVideoKind], "scan_offset"), "1");
  EXPECT_NEAR(task.options.frameAspectRatio, 4.0 / 3.0, 1e-6);

  TranscodeTask t2;
  t2.prepare();
  t2.language().parseOption("r", "25");
  t2.language().applyTarget("vcd", "auto", "ntsc");  // guessed from the frame rate
  EXPECT_EQ(t2.options.frameHeight, 288);
  EXPECT_FLOAT_EQ(t2.options.muxPreload, 0.44f);
  EXPECT_EQ(t2.options.defaultsFor(kVideoKind)->gop_size, 15);

  TranscodeTask t5;
  t5.prepare();
  t5.language().parseOption("r", "30000/1001");
  t5.language().applyTarget("vcd", "auto", "pal");  // NTSC guessed from the frame rate
  EXPECT_EQ(t5.options.frameHeight, 240);
  EXPECT_EQ(t5.options.defaultsFor(kVideoKind)->gop_size, 18);

  TranscodeTask t3;
  t3.prepare();
  t3.language().parseOption("target", "ntsc-dv50");
  EXPECT_EQ(t3.options.framePixFmt, AV_PIX_FMT_YUV422P);
  EXPECT_EQ(t3.options.frameHeight, 480);

  TranscodeTask t4;
  t4.prepare();
  EXPECT_EQ(refusalOf([&] { t4.language().parseOption("target", "vcd"); }), "frame_rate is invalid.");
  EXPECT_EQ(refusalOf([&] { t4.language().parseOption("target", "pal-laserdisc"); }), "Unknown target type");
}

TEST_F(OptionTest, VerbosityOption) {
  task.language().parseOption("v", "0");
  EXPECT_EQ(task.options.verbose, 0);
  EXPECT_EQ(libavutil.av_log_get_level(), AV_LOG_ERROR);
  task.language().parseOption("v", "1");
}

// ---------------------------------------------------------------------------
// Records

class RecordTest : public OptionTest {};

TEST_F(RecordTest, FreshOutputRecordChangesNothing) {
  TranscodeTask plain;
  plain.prepare();
  OutputOptions r;
  task.language().applyOutputOptions(r, "out.avi");
  EXPECT_EQ(r.fileName, "out.avi");  // written back into the caller's record
  const auto fields = [](const OptionState &o) {
    return std::tie(o.audioSyncMethod, o.videoSyncMethod, o.copyTs, o.audioLanguage, o.frameWidth, o.audioSampleRate,
                    o.audioVolume, o.recordingTime, o.recTimestamp, o.title, o.outputFormat);
  };
  EXPECT_EQ(fields(task.options), fields(plain.options));
  EXPECT_EQ(task.options.padColorY, 0);  // black, the record's colour
  EXPECT_TRUE(task.options.setOptionNames.empty());
  EXPECT_TRUE(task.hookRanges.empty());
}

TEST_F(RecordTest, FieldsAfterTheExtraText) {
  OutputOptions r{.vol = 0, .recordingTimeMs = 36000000, .extraOptions = "vsync=1\ntitle=A\ncomment=B"};
  task.language().applyOutputOptions(r, "x.mp4");
  const OptionState &o = task.options;
  EXPECT_EQ(std::tuple(o.videoSyncMethod, o.title, o.comment, o.audioVolume), std::tuple(-1, "A", "B", 0));
  EXPECT_EQ(std::tuple(o.recordingTime, o.expectedDurationMs), std::tuple(36000000000LL, 36000000));

  TranscodeTask t2;
  t2.prepare();
  OutputOptions r2{.an = false, .aspect = "4:0", .year = 1999, .extraOptions = "an"};
  std::strcpy(r2.genre, "Rock");
  EXPECT_EQ(refusalOf([&] { t2.language().applyOutputOptions(r2, "y.mp4"); }), "Incorrect aspect ratio specification.");
  EXPECT_EQ(t2.options.audioDisable, 1);  // False leaves the text's setting
}

TEST_F(RecordTest, TargetFieldWithNormOutOfRange) {
  OutputOptions r{.frameRate = "25", .target = 2, .targetNorm = 5};  // norm "auto": guessed from the frame rate
  task.language().applyOutputOptions(r, "z.mpg");
  EXPECT_EQ(task.options.frameWidth, 480);
  EXPECT_EQ(task.options.frameHeight, 576);
  EXPECT_STREQ(task.options.outputFormat->name, "svcd");
}

TEST_F(RecordTest, HookRanges) {
  auto ranges = parseHookRanges("10-20, 5-8 ,30-25, x, x-40");
  std::vector<std::pair<int64_t, int64_t>> expected = {{5, 8}, {10, 20}, {-1, 40}};
  EXPECT_EQ(ranges, expected);
  EXPECT_TRUE(parseHookRanges("").empty());

  OutputOptions r{.beforeHook = true, .hookRanges = "10-20,5-8"};  // the ranges are not used with the before-hook
  task.language().applyOutputOptions(r, "a.avi");
  EXPECT_TRUE(task.hookRanges.empty());
  r.beforeHook = false;
  task.language().applyOutputOptions(r, "a.avi");
  EXPECT_EQ(task.hookRanges.size(), 2u);
}

TEST_F(RecordTest, InputRecord) {
  InputOptions in{.startTimeMs = 1500, .programid = 3, .extraOptions = "itsoffset=2"};
  task.language().applyInputOptions(in, "movie.mov");
  EXPECT_EQ(in.fileName, "movie.mov");
  EXPECT_EQ(task.language().inputRecord.fileName, "movie.mov");
  EXPECT_EQ(std::tuple(task.options.inputStartTime, task.options.programId, task.options.inputTsOffset),
            std::tuple(1500000, 3, 2000000));

  TranscodeTask t2;
  t2.prepare();
  InputOptions in2{.format = "nosuch", .startTimeMs = 0};
  EXPECT_EQ(refusalOf([&] { t2.language().applyInputOptions(in2, "m.mov"); }), "Unknown input format: nosuch");
  EXPECT_EQ(t2.options.inputStartTime, 0);
}

TEST_F(RecordTest, TimestampConversion) {
  const char *old = std::getenv("TZ");
  std::string saved = old ? old : "";
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(dateTimeToUnixSeconds(25569.0), 0);
  EXPECT_EQ(dateTimeToUnixSeconds(25570.5), 86400 + 43200);
  OutputOptions r{.timestamp = 0.0};  // now
  const int64_t before = std::time(nullptr);
  task.language().applyOutputOptions(r, "t.mov");
  EXPECT_NEAR(static_cast<double>(task.options.recTimestamp), static_cast<double>(before), 2.0);
  if (old) setenv("TZ", saved.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

}  // namespace
