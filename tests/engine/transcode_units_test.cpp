// Pieces of the transcoder on their own: the geometry stage, the encoder
// name table, the audio helpers and the stream builders.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <tuple>
#include <vector>

#include "binding.h"
#include "clip_catalogue.h"
#include "encoder_names.h"
#include "engine_driver.h"
#include "frame_pipeline.h"
#include "input_open.h"
#include "output_file.h"
#include "output_open.h"
#include "output_streams.h"
#include "test_env.h"
#include "timestamps.h"
#include "transcode_audio.h"
#include "transcode_codecs.h"
#include "transcode_run.h"
#include "transcode_task.h"
#include "transcoder.h"

namespace {

class TranscodeUnits : public ::testing::Test {
 protected:
  void SetUp() override { requireLibraries(); }
};

FramePtr picture(int w, int h, uint8_t top, int topRows, uint8_t rest) {
  FramePtr f(libavutil.av_frame_alloc());
  f->format = AV_PIX_FMT_YUV420P;
  f->width = w;
  f->height = h;
  EXPECT_GE(libavutil.av_frame_get_buffer(f.get(), 0), 0);
  for (int y = 0; y < h; ++y) std::memset(f->data[0] + y * f->linesize[0], y < topRows ? top : rest, w);
  for (int p = 1; p < 3; ++p)
    for (int y = 0; y < h / 2; ++y) std::memset(f->data[p] + y * f->linesize[p], 128, w / 2);
  return f;
}

TEST_F(TranscodeUnits, CropScaleAndPadInOneStage) {
  const GeometryPlan plan{.cropTop = 16, .cropBottom = 16, .padTop = 8, .padBottom = 8, .padColor = {30, 100, 150},
                          .srcWidth = 720, .srcHeight = 576, .srcFormat = AV_PIX_FMT_YUV420P,
                          .dstWidth = 320, .dstHeight = 224, .dstFormat = AV_PIX_FMT_YUV420P};
  GeometryStage stage;
  stage.prepare(plan);
  EXPECT_EQ(std::tuple(stage.crops(), stage.pads(), stage.scales()), std::tuple(true, true, true));
  // The 16 rows that are cropped away are bright; the rest mid-grey.
  FramePtr in = picture(720, 576, 235, 16, 100);
  std::vector<std::string> log;
  AVFrame *out = stage.format(in.get(), [&](LogLevel, const std::string &t) { log.push_back(t); });
  ASSERT_NE(out, nullptr);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(std::tuple(out->width, out->height), std::tuple(320, 224));
  for (int y : {0, 7, 216, 223}) EXPECT_EQ(out->data[0][y * out->linesize[0] + 100], 30) << "row " << y;
  for (int y : {8, 9, 100, 215}) EXPECT_NEAR(out->data[0][y * out->linesize[0] + 100], 100, 2) << "row " << y;
  EXPECT_EQ(out->data[1][0], 100);
  EXPECT_EQ(out->data[2][out->linesize[2] * 111], 150);
  EXPECT_NEAR(out->data[1][out->linesize[1] * 50 + 40], 128, 2);
}

// The same size and format on both sides.
GeometryPlan plainPlan() {
  return GeometryPlan{.srcWidth = 320, .srcHeight = 240, .srcFormat = AV_PIX_FMT_YUV420P,
                      .dstWidth = 320, .dstHeight = 240, .dstFormat = AV_PIX_FMT_YUV420P};
}

TEST_F(TranscodeUnits, SameSizeAndFormatNeedNoScaler) {
  GeometryStage stage;
  stage.prepare(plainPlan());
  EXPECT_EQ(std::tuple(stage.scales(), stage.pads()), std::tuple(false, false));
  FramePtr in = picture(320, 240, 10, 0, 10);
  AVFrame *out = stage.format(in.get(), nullptr);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->data[0], in->data[0]) << "passed on without a copy";
}

TEST_F(TranscodeUnits, PicturesOfAnotherSizeArePlannedAgain) {
  GeometryStage stage;
  stage.prepare(plainPlan());
  FramePtr in = picture(640, 480, 50, 0, 50);
  AVFrame *out = stage.format(in.get(), nullptr);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::tuple(out->width, out->height), std::tuple(320, 240));
  EXPECT_NEAR(out->data[0][120 * out->linesize[0] + 160], 50, 2);
}

TEST_F(TranscodeUnits, EncoderNameTable) {
  EXPECT_EQ(translateEncoderName("libfaac"), "aac");
  EXPECT_EQ(translateEncoderName("mpeg4aac"), "aac");
  EXPECT_EQ(translateEncoderName("libamr_nb"), "libopencore_amrnb");
  EXPECT_EQ(translateEncoderName("vorbis"), "libvorbis");
  for (const char *same : {"mpeg4", "libxvid", "libmp3lame", "wmv2", "wmav2", "flv", "h263", "mp2", "ac3",
                           "pcm_s16le", "libx264", "aac", "unknownname"})
    EXPECT_EQ(translateEncoderName(same), same);
  EXPECT_EQ(encoderSuccessor("mpeg4"), "");
}

// Few queued pictures and fewer decoder threads beside a converted picture
// stream whose encoder keeps threads of its own busy, and beside no other.
TEST_F(TranscodeUnits, EncodersThatKeepThreadsOfTheirOwn) {
  const struct { const char *encoder; int threads; bool encoded, keeps; } rows[] = {
      {"libx264", 2, true, true}, {"libx264", 1, true, false}, {"libx264", 2, false, false},
      {"mpeg4", 2, true, false},  {"aac", 2, true, false}};
  for (const auto &r : rows) {
    CodecContextPtr ctx(libavcodec.avcodec_alloc_context3(libavcodec.avcodec_find_encoder_by_name(r.encoder)));
    ctx->thread_count = r.threads;
    TranscodeRun run;
    run.ost.push_back(std::make_unique<OutputStreamRecord>());
    run.ost.back()->enc = ctx.get();
    run.ost.back()->encodingNeeded = r.encoded;
    EXPECT_EQ(encoderKeepsOwnThreads(run), r.keeps) << r.encoder << " " << r.threads << " " << r.encoded;
  }
}

TEST_F(TranscodeUnits, TwoPassLogNames) {
  EXPECT_EQ(twoPassLogName("", 0), "ffmpeg2pass-0.log");
  EXPECT_EQ(twoPassLogName("", 2), "ffmpeg2pass-2.log");
  EXPECT_EQ(twoPassLogName("/tmp/x", 1), "/tmp/x-1.log");
}

TEST_F(TranscodeUnits, VolumeRounding) {
  std::vector<int16_t> s = {100, -100, 32767, -32768, 1, 0};
  applyVolume(s.data(), 6, 512);
  EXPECT_EQ(s, (std::vector<int16_t>{200, -200, 32767, -32768, 2, 0}));
  std::vector<int16_t> t = {3, -3};
  applyVolume(t.data(), 2, 128);
  EXPECT_EQ(t, (std::vector<int16_t>{(3 * 128 + 128) >> 8, (-3 * 128 + 128) >> 8}));
  // Large factors clip full-scale samples instead of wrapping round.
  for (int vol : {70000, 1 << 20, INT_MAX}) {
    std::vector<int16_t> big = {32767, -32768, 1, -1, 0};
    applyVolume(big.data(), 5, vol);
    const auto one = static_cast<int16_t>(std::min<int64_t>((int64_t{vol} + 128) >> 8, 32767));
    const auto minusOne = static_cast<int16_t>(std::max<int64_t>((-int64_t{vol} + 128) >> 8, -32768));
    EXPECT_EQ(big, (std::vector<int16_t>{32767, -32768, one, minusOne, 0})) << vol;
  }
}

TEST_F(TranscodeUnits, TimestampSumsStayInRange) {
  EXPECT_EQ(addTimestamps(5, -7), -2);
  EXPECT_EQ(subtractTimestamps(5, -7), 12);
  EXPECT_EQ(addTimestamps(INT64_MAX - 1, 10), INT64_MAX);
  EXPECT_EQ(addTimestamps(INT64_MIN + 5, -10), INT64_MIN + 1);
  EXPECT_EQ(subtractTimestamps(INT64_MAX, -1), INT64_MAX);
  EXPECT_EQ(subtractTimestamps(-10, INT64_MAX), INT64_MIN + 1);
  // Never "no time stamp".
  EXPECT_NE(addTimestamps(INT64_MIN + 1, -1), AV_NOPTS_VALUE);
  EXPECT_NE(subtractTimestamps(-1, INT64_MAX), AV_NOPTS_VALUE);
  EXPECT_EQ(subtractTimestamps(-1, INT64_MAX), INT64_MIN + 1);
}

TEST_F(TranscodeUnits, ByteFifoKeepsOrder) {
  ByteFifo f(4);
  std::vector<uint8_t> all;
  for (int i = 0; i < 1000; ++i) {
    uint8_t b[7];
    for (int k = 0; k < 7; ++k) b[k] = static_cast<uint8_t>(i * 7 + k);
    f.write(b, 7);
    all.insert(all.end(), b, b + 7);
    if (i % 3 == 0) {
      uint8_t out[5];
      f.read(out, 5);
      for (int k = 0; k < 5; ++k) EXPECT_EQ(out[k], all[k]);
      all.erase(all.begin(), all.begin() + 5);
    }
  }
  ASSERT_EQ(f.size(), all.size());
  EXPECT_EQ(std::memcmp(f.data(), all.data(), all.size()), 0);
}

// A task with the small clip opened as its input, ready for outputs.
struct Task {
  ScratchDir dir;  // outlives the task's files
  TranscodeTask task;
  Task() {
    task.prepare();
    InputOptions in;
    task.language().applyInputOptions(in, smallSource());
    EXPECT_TRUE(openInputFile(task, smallSource())) << task.lastError;
  }
  // An output named `name` opened after the option text `options`.
  bool open(const std::string &options, const std::string &name) {
    task.language().applyOptionText(options);
    return openOutputFile(task, dir.file(name));
  }
  const AVCodecContext *encoder(size_t file = 0, size_t stream = 0) const {
    return task.transcoder.outputFiles[file]->streams[stream]->encoder.get();
  }
};

TEST_F(TranscodeUnits, RateControlOverrides) {
  Task t;
  ASSERT_TRUE(t.open("vcodec=mpeg4\nrc_override=0,100,5/101,200,-50", "rc.mp4")) << t.task.lastError;
  const AVCodecContext *enc = t.encoder();
  ASSERT_NE(enc, nullptr);
  ASSERT_EQ(enc->rc_override_count, 2);
  const auto range = [&](int i) {
    const RcOverride &o = enc->rc_override[i];
    return std::tuple(o.start_frame, o.end_frame, o.qscale);
  };
  EXPECT_EQ(range(0), std::tuple(0, 100, 5));
  EXPECT_EQ(range(1), std::tuple(101, 200, 0));
  EXPECT_FLOAT_EQ(enc->rc_override[1].quality_factor, 0.5f);

  Task bad;
  EXPECT_FALSE(bad.open("vcodec=mpeg4\nrc_override=abc", "rc2.mp4"));
  EXPECT_EQ(bad.task.lastError, "new_video_stream fail: error parsing rc_override");

  // A buffer near the int limit starts three quarters full, without overflow.
  Task big;
  ASSERT_TRUE(big.open("vcodec=mpeg4\nbufsize=2147441244", "rc3.mp4")) << big.task.lastError;
  const AVCodecContext *bigEnc = big.encoder();
  ASSERT_NE(bigEnc, nullptr);
  EXPECT_EQ(bigEnc->rc_buffer_size, 2147441244);
  EXPECT_EQ(bigEnc->rc_initial_buffer_occupancy, 1610580933);
}

TEST_F(TranscodeUnits, StreamsOfAnOutput) {
  Task t;
  EXPECT_EQ(refusalOf([&] { t.task.language().parseOption("newaudio", ""); }),
            "At least one output file must be specified") << "newaudio without an output";
  ASSERT_TRUE(t.open("vcodec=copy\ns=176x144\naspect=16:9", "s.mp4")) << t.task.lastError;
  auto &of = *t.task.transcoder.outputFiles[0];
  ASSERT_EQ(of.streams.size(), 2u);
  EXPECT_TRUE(of.streams[0]->streamCopy);
  EXPECT_EQ(of.streams[0]->encoder, nullptr);
  EXPECT_FALSE(of.streams[1]->streamCopy);
  // The codec name and the copy mark were consumed by the first stream.
  t.task.language().parseOption("newvideo", "");
  ASSERT_EQ(of.streams.size(), 3u);
  EXPECT_FALSE(of.streams[2]->streamCopy);
  EXPECT_EQ(of.streams[2]->encoder->width, 176);
  t.task.language().parseOption("acodec", "libmp3lame");
  t.task.language().parseOption("newaudio", "");
  ASSERT_EQ(of.streams.size(), 4u);
  EXPECT_STREQ(of.streams[3]->codec->name, "libmp3lame");
}

TEST_F(TranscodeUnits, EncodersGuessedFromTheFileName) {
  Task t;
  ASSERT_TRUE(t.open("aq=3", "g.wmv")) << t.task.lastError;
  auto &of = *t.task.transcoder.outputFiles[0];
  ASSERT_EQ(of.streams.size(), 2u);
  // Windows Media video, not the container's MPEG-4 part 2 guess.
  const auto &video = *of.streams[0];
  EXPECT_EQ(std::tuple(video.codecId, video.encoder->codec_id, video.stream->codecpar->codec_id),
            std::tuple(AV_CODEC_ID_WMV2, AV_CODEC_ID_WMV2, AV_CODEC_ID_WMV2));
  const AVCodecContext *audio = of.streams[1]->encoder.get();
  ASSERT_NE(audio, nullptr);
  EXPECT_EQ(audio->codec_id, of.ctx->oformat->audio_codec);
  EXPECT_EQ(audio->codec_type, AVMEDIA_TYPE_AUDIO);
  EXPECT_TRUE(audio->flags & AV_CODEC_FLAG_QSCALE);
  EXPECT_EQ(audio->global_quality, 3 * FF_QP2LAMBDA);
}

TEST_F(TranscodeUnits, MuxDelayBeyondTheContainersRangeIsHeldToIt) {
  Task t;
  // 10^12 microseconds, then far below and above.
  const std::pair<const char *, int> delays[] = {
      {"muxdelay=0.7", 700000}, {"muxdelay=1000000", INT_MAX}, {"muxdelay=-1e30\nmuxpreload=1e30", INT_MIN}};
  for (size_t i = 0; i < std::size(delays); ++i) {
    ASSERT_TRUE(t.open(delays[i].first, "d" + std::to_string(i) + ".mpg")) << t.task.lastError;
    EXPECT_EQ(t.task.transcoder.outputFiles[i]->ctx->max_delay, delays[i].second) << delays[i].first;
  }
}

TEST_F(TranscodeUnits, AspectGivesTheSampleAspectRatio) {
  Task t;
  ASSERT_TRUE(t.open("s=720x576\naspect=16:9", "a.mp4")) << t.task.lastError;
  const AVRational sar = t.encoder()->sample_aspect_ratio;
  EXPECT_EQ(std::tuple(sar.num, sar.den), std::tuple(64, 45));
}

TEST_F(TranscodeUnits, PaddingBeyondTheLibrarysSizeIsRefused) {
  Task t;
  EXPECT_FALSE(t.open("s=320x240\npadleft=2147483392\npadright=2", "p.mp4"));
  EXPECT_EQ(t.task.lastError, "new_video_stream fail: Frame size with padding is too large");
  Task fits;
  ASSERT_TRUE(fits.open("s=320x240\npadtop=16\npadbottom=16\npadleft=8\npadright=8", "p2.mp4")) << fits.task.lastError;
  EXPECT_EQ(std::tuple(fits.encoder()->width, fits.encoder()->height), std::tuple(336, 272));
}

TEST_F(TranscodeUnits, FrameRateSnapsToTheEncodersList) {
  Task t;
  ASSERT_TRUE(t.open("vcodec=mpeg1video\nr=29.9", "a.mpg")) << t.task.lastError;
  const AVRational tb = t.encoder()->time_base;
  EXPECT_EQ(std::tuple(tb.num, tb.den), std::tuple(1001, 30000));
}

TEST_F(TranscodeUnits, OnlyFinishedOutputsAreKeptUnderTheirNames) {
  namespace fs = std::filesystem;
  Task t;
  const ScratchDir &dir = t.dir;
  for (const char *name : {"kept", "half", "empty"}) {
    ASSERT_TRUE(t.open("vcodec=mpeg4", std::string(name) + ".mp4")) << t.task.lastError;
    // Until it is kept, an output exists under its hidden temporary name.
    EXPECT_FALSE(fs::exists(dir.file(std::string(name) + ".mp4")));
  }
  // ... one for each.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
  // A second output onto the same file is refused.
  EXPECT_FALSE(openOutputFile(t.task, dir.file("kept.mp4")));
  EXPECT_EQ(t.task.lastError, "Could not open '" + dir.file("kept.mp4") + "'");
  auto &files = t.task.transcoder.outputFiles;
  files[0]->headerWritten = files[0]->trailerWritten = true;
  files[0]->packetsWritten = 10;
  files[1]->headerWritten = true;  // failed part-way: no trailer
  files[1]->packetsWritten = 10;
  files[2]->headerWritten = files[2]->trailerWritten = true;  // nothing written
  keepOutputFiles(t.task.transcoder, t.task.inputFiles, RunEnd::Whole, t.task);
  closeOutputFiles(t.task.transcoder);
  EXPECT_TRUE(fs::exists(dir.file("kept.mp4")));
  // Neither the unfinished outputs nor any temporary file is left.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  closeOutputFiles(t.task.transcoder);  // a second time changes nothing
  EXPECT_TRUE(fs::exists(dir.file("kept.mp4")));
}

}  // namespace
