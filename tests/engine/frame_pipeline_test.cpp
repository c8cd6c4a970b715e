// The video frame pipeline: the custom hook on a 24-bit bitmap, the video
// hook modules gated by the before-hook or by time ranges, deinterlacing,
// and crop, scale and pad into the encoder's picture. The conversions write
// lossless video (FFV1) so that every decoded output pixel can be compared.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "binding.h"
#include "engine_driver.h"
#include "frame_bitmap.h"
#include "frame_pipeline.h"
#include "hook_ranges.h"
#include "media_engine.h"
#include "media_fixture.h"
#include "media_measure.h"
#include "task_picture_hooks.h"
#include "test_env.h"
#include "transcode_task.h"

namespace {

// The pipeline's pre-processing of one picture of `task`, as the transcode
// runs it.
const AVFrame *preprocess(FramePipeline &pipeline, TranscodeTask &task, const AVFrame *picture, int64_t pts) {
  TaskPictureHooks hooks(task);
  return pipeline.preprocessPicture(hooks, picture, pts);
}

const std::string kHookModule = std::string(TREVIX_TEST_MODULES) + "/test_hook_module.so";
constexpr uint32_t kRed = 0x0000FF;  // red in the low byte

// Every picture of an output; an output that cannot be decoded fails the test.
std::vector<RgbPicture> decodeAll(const std::string &path) {
  std::vector<RgbPicture> out = everyNthPicture(path, 1);
  EXPECT_FALSE(out.empty()) << path;
  return out;
}

// Mean absolute difference over the rectangle [x0, x1) x [y0, y1).
double meanDiff(const RgbPicture &a, const RgbPicture &b, int x0, int y0, int x1, int y1) {
  double sum = 0;
  int count = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      for (int c = 0; c < 3; ++c) {
        sum += std::abs(a.at(x, y)[c] - b.at(x, y)[c]);
        ++count;
      }
  return count ? sum / count : 0.0;
}

bool isRed(const uint8_t *p) { return p[0] > 220 && p[1] < 40 && p[2] < 40; }

// The rectangle the custom hooks draw.
void paint(Bitmap24 &bmp) { bmp.fillRect(40, 30, 120, 90, kRed); }

// Whether every pixel well inside the rectangle the hooks draw is red.
bool hasRectangle(const RgbPicture &p) {
  for (int y = 34; y < 86; y += 3)
    for (int x = 44; x < 116; x += 3)
      if (!isRed(p.at(x, y))) return false;
  return true;
}

struct HookCall {
  int32_t frame;
  int64_t pts;
  int width, height;
};

struct HookRun {
  Conversion result;
  std::vector<HookCall> calls;
  std::vector<RgbPicture> frames;  // the output's pictures, once it finished
};

using CustomHandler = std::function<void(Bitmap24 &, int32_t, int64_t, bool &, bool &)>;
using BeforeHandler = std::function<void(int64_t, HookAction &)>;

// One conversion on the calling thread with the hook events connected.
HookRun convertWithHooks(const std::string &input, const std::string &output, OutputOptions options,
                          CustomHandler custom, BeforeHandler before = nullptr) {
  HookRun run;
  ConvertSetup s = oneOutput(output, options);
  if (custom)
    s.onCustomHook = [&](int32_t, Bitmap24 &bmp, int32_t frame, int64_t pts, bool &update, bool &stop) {
      run.calls.push_back({frame, pts, bmp.width(), bmp.height()});
      custom(bmp, frame, pts, update, stop);
    };
  if (before) s.onBeforeHook = [&](int32_t, int64_t pts, HookAction &action) { before(pts, action); };
  run.result = convert(input, s);
  if (run.result.finished) run.frames = decodeAll(output);
  return run;
}

OutputOptions lossless() { return OutputOptions{.an = true, .vcodec = "ffv1"}; }

// The small clip without audio, `seconds` long.
MediaRecipe silentClip(double seconds, int width = 320, int height = 240) {
  MediaRecipe recipe = smallClipRecipe(seconds, width, height);
  recipe.audioCodec = "";
  return recipe;
}

std::string hookSource() { return cachedFixture(silentClip(2.0), "hooks.mov"); }

class FramePipelineTest : public ::testing::Test {
 protected:
  void SetUp() override { requireLibraries(); }

  // The same source converted without any hook.
  const std::vector<RgbPicture> &baseline() {
    static std::vector<RgbPicture> frames;
    if (frames.empty()) {
      ScratchDir dir;
      const Conversion r = convert(hookSource(), dir.file("plain.avi"), lossless());
      EXPECT_TRUE(r.finished) << r.message;
      frames = decodeAll(dir.file("plain.avi"));
    }
    return frames;
  }
  ScratchDir dir;
};

// ---------------------------------------------------------------- custom hook

TEST_F(FramePipelineTest, CustomHookDrawingShowsInEveryFrame) {
  const HookRun run = convertWithHooks(hookSource(), dir.file("drawn.avi"), lossless(),
                                        [](Bitmap24 &bmp, int32_t, int64_t, bool &, bool &) { paint(bmp); });
  ASSERT_TRUE(run.result.finished) << run.result.message << run.result.lastError;
  const auto &frames = run.frames;
  const auto &base = baseline();
  ASSERT_EQ(frames.size(), 50u);
  ASSERT_EQ(base.size(), frames.size());
  ASSERT_EQ(run.calls.size(), 50u);
  for (size_t i = 0; i < run.calls.size(); ++i) {
    EXPECT_EQ(run.calls[i].frame, static_cast<int32_t>(i + 1));
    EXPECT_EQ(run.calls[i].width, 320);
    EXPECT_EQ(run.calls[i].height, 240);
    EXPECT_NEAR(static_cast<double>(run.calls[i].pts), i * 40000.0, 1.0) << "picture " << i;
  }
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_TRUE(hasRectangle(frames[i])) << "frame " << i;
    EXPECT_FALSE(hasRectangle(base[i]));
    // Away from the rectangle the picture survives the trip through RGB.
    EXPECT_LT(meanDiff(frames[i], base[i], 0, 120, 320, 240), 2.0) << "frame " << i;
  }
}

TEST_F(FramePipelineTest, CustomHookWithoutUpdateLeavesFramesUntouched) {
  const HookRun run = convertWithHooks(hookSource(), dir.file("kept.avi"), lossless(),
                                        [](Bitmap24 &bmp, int32_t, int64_t, bool &update, bool &) {
                                          paint(bmp);
                                          update = false;
                                        });
  ASSERT_TRUE(run.result.finished) << run.result.message;
  EXPECT_EQ(run.calls.size(), 50u);
  const auto &base = baseline();
  ASSERT_EQ(run.frames.size(), base.size());
  for (size_t i = 0; i < base.size(); ++i) EXPECT_EQ(run.frames[i].pixels, base[i].pixels) << "frame " << i;
}

TEST_F(FramePipelineTest, StopOnFrameTenEndsTheHookForTheRestOfTheRun) {
  const HookRun run = convertWithHooks(hookSource(), dir.file("stopped.avi"), lossless(),
                                        [](Bitmap24 &bmp, int32_t frame, int64_t, bool &, bool &stop) {
                                          paint(bmp);
                                          if (frame == 10) stop = true;
                                        });
  ASSERT_TRUE(run.result.finished) << run.result.message;
  ASSERT_EQ(run.calls.size(), 10u);
  EXPECT_EQ(run.calls.back().frame, 10);
  const auto &frames = run.frames;
  const auto &base = baseline();
  ASSERT_EQ(frames.size(), base.size());
  for (size_t i = 0; i < 10; ++i) EXPECT_TRUE(hasRectangle(frames[i])) << "frame " << i;
  for (size_t i = 10; i < frames.size(); ++i) EXPECT_EQ(frames[i].pixels, base[i].pixels) << "frame " << i;
}

TEST_F(FramePipelineTest, ThrowingHandlerIsLoggedAndTheNextFrameIsOfferedAgain) {
  const HookRun run = convertWithHooks(hookSource(), dir.file("thrown.avi"), lossless(),
                                        [](Bitmap24 &bmp, int32_t frame, int64_t, bool &, bool &) {
                                          paint(bmp);
                                          if (frame == 5) throw std::runtime_error("no brush for frame 5");
                                        });
  ASSERT_TRUE(run.result.finished) << run.result.message;
  EXPECT_FALSE(run.result.exception);
  EXPECT_EQ(run.result.logCount("Error occurs OnCustomHook: no brush for frame 5"), 1);
  ASSERT_EQ(run.calls.size(), 50u);
  EXPECT_EQ(run.calls[5].frame, 6);
  const auto &frames = run.frames;
  const auto &base = baseline();
  ASSERT_EQ(frames.size(), base.size());
  EXPECT_TRUE(hasRectangle(frames[3]));
  EXPECT_EQ(frames[4].pixels, base[4].pixels) << "the picture of the failed call goes on unchanged";
  EXPECT_TRUE(hasRectangle(frames[5]));
}

// ---------------------------------------------------------------- video hook modules

// The test module counts its Process calls in a global.
int moduleCalls() {
  void *h = dlopen(kHookModule.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!h) return -1;
  const int *calls = static_cast<const int *>(dlsym(h, "hook_calls"));
  const int n = calls ? *calls : -1;
  dlclose(h);
  return n;
}

// Whether the module painted the top-left corner (compared with the same
// frame converted without it).
bool cornerPainted(const RgbPicture &frame, const RgbPicture &plain) {
  return meanDiff(frame, plain, 0, 0, 16, 16) > 3.0 && meanDiff(frame, plain, 16, 0, 32, 16) < 0.5;
}

TEST_F(FramePipelineTest, HookRangesRunTheModulesOnlyInsideThem) {
  const std::string src = cachedFixture(silentClip(7.0, 160, 120), "ranges.mov");
  ASSERT_TRUE(convert(src, dir.file("plain.avi"), lossless()).finished);
  const auto plain = decodeAll(dir.file("plain.avi"));
  ASSERT_EQ(plain.size(), 175u);

  OutputOptions o = lossless();
  o.extraOptions = "vhook=" + kHookModule;
  o.hookRanges = "5000000-6000000, 0-1000000";
  const int callsBefore = std::max(moduleCalls(), 0);
  const Conversion r = convert(src, dir.file("ranged.avi"), o);
  ASSERT_TRUE(r.finished) << r.message << r.lastError;
  const auto frames = decodeAll(dir.file("ranged.avi"));
  ASSERT_EQ(frames.size(), plain.size());
  int painted = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    const double t = i / 25.0;
    const bool inside = t <= 1.0 || (t >= 5.0 && t <= 6.0);
    if (inside) {
      EXPECT_TRUE(cornerPainted(frames[i], plain[i])) << "frame " << i;
      ++painted;
    } else {
      EXPECT_EQ(frames[i].pixels, plain[i].pixels) << "frame " << i;
    }
  }
  EXPECT_EQ(painted, 26 + 26);
  EXPECT_EQ(moduleCalls() - callsBefore, painted) << "the module runs for exactly the pictures inside the ranges";
}

TEST_F(FramePipelineTest, BeforeHookDecidesPerPictureAndAnErrorSwitchesTheModulesOff) {
  OutputOptions o = lossless();
  o.extraOptions = "vhook=" + kHookModule;
  std::vector<int64_t> asked;
  const HookRun run = convertWithHooks(hookSource(), dir.file("before.avi"), o, nullptr,
                                        [&](int64_t pts, HookAction &action) {
                                          asked.push_back(pts);
                                          if (pts >= 1000000) throw std::runtime_error("gate closed");
                                          action = (pts / 40000) % 2 ? HookAction::Ignore : HookAction::Continue;
                                        });
  ASSERT_TRUE(run.result.finished) << run.result.message << run.result.lastError;
  EXPECT_EQ(run.result.logCount("Error occurs OnBeforeHook: gate closed"), 1);
  ASSERT_EQ(asked.size(), 26u) << "not asked again once the modules are off";
  const auto &frames = run.frames;
  const auto &base = baseline();
  ASSERT_EQ(frames.size(), base.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    if (i < 25 && i % 2 == 0)
      EXPECT_TRUE(cornerPainted(frames[i], base[i])) << "frame " << i;
    else
      EXPECT_EQ(frames[i].pixels, base[i].pixels) << "frame " << i;
  }
}

TEST_F(FramePipelineTest, VideoStreamCopyWithHooksIsRefused) {
  const OutputOptions c{.an = true, .vcodec = "copy"};
  OutputOptions o = c;
  o.extraOptions = "vhook=" + kHookModule;
  const Conversion r = convert(hookSource(), dir.file("copy.mov"), o);
  EXPECT_TRUE(r.exception);
  EXPECT_EQ(r.message, "-vcodec copy and -vhook are incompatible (frames are not decoded)");
  EXPECT_FALSE(std::filesystem::exists(dir.file("copy.mov")));

  const HookRun run = convertWithHooks(hookSource(), dir.file("copy2.mov"), c,
                                        [](Bitmap24 &, int32_t, int64_t, bool &, bool &) {});
  EXPECT_TRUE(run.result.exception);
  EXPECT_EQ(run.result.message, "-vcodec copy and CustomHook are incompatible (frames are not decoded)");
  EXPECT_TRUE(run.calls.empty());
}

// ---------------------------------------------------------------- deinterlacing

// Mean difference between the odd rows and the average of their
// neighbours, on the green channel: high for a combed picture.
double combing(const Bitmap24 &bmp) {
  double sum = 0;
  int count = 0;
  for (int y = 1; y + 1 < bmp.height(); y += 2) {
    const uint8_t *up = bmp.scanLine(y - 1), *row = bmp.scanLine(y), *down = bmp.scanLine(y + 1);
    for (int x = 0; x < bmp.width(); ++x) {
      sum += std::abs(2 * row[3 * x + 1] - up[3 * x + 1] - down[3 * x + 1]) / 2.0;
      ++count;
    }
  }
  return sum / count;
}

TEST_F(FramePipelineTest, DeinterlaceHandsTheHookTheDeinterlacedPicture) {
  MediaRecipe recipe = silentClip(2.0);
  recipe.rateNum = 5;  // slow pictures: the two fields lie far apart
  recipe.interlacedPattern = true;
  const std::string src = cachedFixture(recipe, "interlaced.mov");
  auto measure = [&](bool deinterlace, const std::string &name) {
    OutputOptions o = lossless();
    if (deinterlace) o.extraOptions = "deinterlace";
    std::vector<double> scores;
    const HookRun run = convertWithHooks(src, dir.file(name), o, [&](Bitmap24 &bmp, int32_t, int64_t, bool &, bool &) {
      scores.push_back(combing(bmp));
    });
    EXPECT_TRUE(run.result.finished) << run.result.message;
    EXPECT_FALSE(run.result.logHas("deinterlace error."));
    EXPECT_EQ(scores.size(), 10u);
    return scores;
  };
  const auto combed = measure(false, "combed.avi");
  const auto clean = measure(true, "clean.avi");
  ASSERT_EQ(combed.size(), clean.size());
  for (size_t i = 0; i < combed.size(); ++i) {
    EXPECT_GT(combed[i], 20.0) << "picture " << i;
    EXPECT_LT(clean[i], combed[i] / 10) << "picture " << i;
  }
  // The encoder got the deinterlaced pictures as well.
  const auto out = decodeAll(dir.file("clean.avi"));
  EXPECT_EQ(out.size(), 10u);
}

// ---------------------------------------------------------------- geometry

TEST_F(FramePipelineTest, CropScaleAndPadFrameThePictureInThePadColour) {
  const std::string src = cachedFixture(silentClip(0.4, 720, 576), "pal.mov");
  const uint32_t colour = 0x3080C0;  // R 0xC0, G 0x80, B 0x30

  const OutputOptions o{.an = true, .vcodec = "ffv1", .frameSize = "320x240", .croptop = 16, .cropbottom = 16,
                        .padtop = 8, .padbottom = 8, .padcolor = colour};
  const auto [r, probe] = convertAndProbe(src, dir.file("framed.avi"), o);
  ASSERT_TRUE(r.finished) << r.message << r.lastError;
  ASSERT_TRUE(probe.ok);
  ASSERT_NE(probe.first("video"), nullptr);
  EXPECT_EQ(std::tuple(probe.first("video")->width, probe.first("video")->height), std::tuple(320, 224));

  // The same crop and scale without the pads: its rows are the inner area.
  OutputOptions inner = o;
  inner.padtop = inner.padbottom = -1;
  ASSERT_TRUE(convert(src, dir.file("inner.avi"), inner).finished);

  // The pad colour as the engine's Y, U, V, shown the way a player shows
  // 8-bit YUV.
  TranscodeTask task;
  task.language().setPadColor(colour);
  const double Y = task.options.padColorY - 16, U = task.options.padColorU - 128, V = task.options.padColorV - 128;
  auto clip = [](double v) { return std::min(255.0, std::max(0.0, v)); };
  const double expected[3] = {clip(1.164 * Y + 1.596 * V), clip(1.164 * Y - 0.392 * U - 0.813 * V),
                              clip(1.164 * Y + 2.017 * U)};

  const auto framed = decodeAll(dir.file("framed.avi"));
  const auto plain = decodeAll(dir.file("inner.avi"));
  ASSERT_EQ(framed.size(), 10u);
  ASSERT_EQ(plain.size(), framed.size());
  for (size_t i = 0; i < framed.size(); ++i) {
    ASSERT_EQ(framed[i].height, 224);
    ASSERT_EQ(plain[i].height, 208);
    for (int y : {0, 3, 7, 216, 220, 223})
      for (int x : {0, 100, 319})
        for (int c = 0; c < 3; ++c)
          EXPECT_NEAR(framed[i].at(x, y)[c], expected[c], 3.0) << "frame " << i << " row " << y << " colour " << c;
    for (int y = 8; y < 216; ++y)
      ASSERT_EQ(0, std::memcmp(framed[i].at(0, y), plain[i].at(0, y - 8), 320 * 3)) << "frame " << i << " row " << y;
  }
}

// ---------------------------------------------------------------- the stage on its own

// A frame of `format` with its buffers, their content undefined.
FramePtr allocated(AVPixelFormat format, int w, int h) {
  FramePtr f(libavutil.av_frame_alloc());
  f->format = format;
  f->width = w;
  f->height = h;
  EXPECT_GE(libavutil.av_frame_get_buffer(f.get(), 0), 0);
  return f;
}

FramePtr yuv(int w, int h, uint8_t luma) {
  FramePtr f = allocated(AV_PIX_FMT_YUV420P, w, h);
  for (int y = 0; y < h; ++y) std::memset(f->data[0] + y * f->linesize[0], luma, w);
  for (int p = 1; p < 3; ++p)
    for (int y = 0; y < h / 2; ++y) std::memset(f->data[p] + y * f->linesize[p], 128, w / 2);
  return f;
}

TEST_F(FramePipelineTest, RangesStateGoesIgnoreBetweenAndStopAfterTheLast) {
  TranscodeTask task;
  std::vector<std::string> log;
  task.sinks().log = [&](TranscodeTask &, LogLevel, const std::string &t) { log.push_back(t); };
  task.hookRanges = parseHookRanges("0-1000000, 5000000-6000000");
  std::vector<char *> argv{const_cast<char *>(kHookModule.c_str()), const_cast<char *>("200")};
  ASSERT_EQ(addVideoHook(task.videoHooks, 2, argv.data()), 0);
  task.options.usingVhook = 1;
  FramePipeline pipeline;
  FramePtr pic = yuv(32, 32, 50);
  struct Step {
    int64_t pts;
    HookAction state;
    bool painted;
  };
  const Step steps[] = {{0, HookAction::Continue, true},         {1000000, HookAction::Continue, true}, {1040000, HookAction::Ignore, false},
                         {4960000, HookAction::Ignore, false},    {5000000, HookAction::Continue, true}, {6000000, HookAction::Continue, true},
                         {6040000, HookAction::Stop, false},      {5500000, HookAction::Stop, false}};
  int n = 0;
  for (const Step &s : steps) {
    const AVFrame *out = preprocess(pipeline, task, pic.get(), s.pts);
    ++n;
    EXPECT_EQ(pipeline.decodedPictureCount(), n);
    EXPECT_EQ(pipeline.hookState(), s.state) << "pts " << s.pts;
    EXPECT_EQ(out->data[0][0], s.painted ? 200 : 50) << "pts " << s.pts;
    EXPECT_EQ(pic->data[0][0], 50) << "the decoded picture itself is never written";
    if (!s.painted) {
      EXPECT_EQ(out, pic.get()) << "no working copy without hooks";
    }
  }
  EXPECT_FALSE(pipeline.usingVhook());
  EXPECT_TRUE(log.empty());
}

TEST_F(FramePipelineTest, BuffersAndBitmapAreMadeOnceAndPicturesHeldDownstreamAreNotOverwritten) {
  TranscodeTask task;
  std::vector<const uint8_t *> bitmaps;
  task.sinks().customHook = [&](TranscodeTask &, Bitmap24 &bmp, int32_t frame, int64_t, bool &, bool &) {
    bitmaps.push_back(bmp.bits());
    bmp.fillRect(0, 0, 8, 8, frame % 2 ? 0xFFFFFF : 0x000000);
  };
  FramePipeline pipeline;
  FramePtr pic = yuv(64, 48, 100);
  std::set<const uint8_t *> planes;
  for (int i = 0; i < 20; ++i) planes.insert(preprocess(pipeline, task, pic.get(), i * 40000)->data[0]);
  EXPECT_EQ(planes.size(), 1u) << "one hook buffer, used again and again";
  EXPECT_EQ(std::set<const uint8_t *>(bitmaps.begin(), bitmaps.end()).size(), 1u);

  // An encoder that keeps its last three input pictures.
  std::vector<FramePtr> held;
  planes.clear();
  for (int i = 20; i < 60; ++i) {
    const AVFrame *out = preprocess(pipeline, task, pic.get(), i * 40000);
    planes.insert(out->data[0]);
    FramePtr ref(libavutil.av_frame_alloc());
    ASSERT_GE(libavutil.av_frame_ref(ref.get(), out), 0);
    held.push_back(std::move(ref));
    if (held.size() > 3) held.erase(held.begin());
    // Every held picture still shows what its own frame drew.
    for (size_t k = 0; k < held.size(); ++k) {
      const int frame = i + 1 - static_cast<int>(held.size() - 1 - k);
      EXPECT_EQ(held[k]->data[0][0] > 128, frame % 2 == 1) << "picture " << frame;
    }
  }
  EXPECT_LE(planes.size(), 4u);
}

TEST_F(FramePipelineTest, PicturesInTheBitmapsOwnFormatGoThroughUnconverted) {
  TranscodeTask task;
  FramePtr pic = allocated(AV_PIX_FMT_BGR24, 5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 15; ++x) pic->data[0][y * pic->linesize[0] + x] = static_cast<uint8_t>(y * 15 + x);
  int calls = 0;
  task.sinks().customHook = [&](TranscodeTask &, Bitmap24 &bmp, int32_t, int64_t, bool &, bool &) {
    ++calls;
    EXPECT_EQ(bmp.stride() % 4, 0);
    // Rows top-down, bytes B, G, R.
    EXPECT_EQ(bmp.scanLine(1)[0], 15);
    EXPECT_EQ(bmp.pixel(1, 2), (uint32_t{33} << 16) | (uint32_t{34} << 8) | 35u);
    bmp.setPixel(4, 0, 0x0A0B0C);
  };
  FramePipeline pipeline;
  const AVFrame *out = preprocess(pipeline, task, pic.get(), 0);
  EXPECT_EQ(calls, 1);
  // B, G, R
  EXPECT_EQ(std::vector<uint8_t>(out->data[0] + 12, out->data[0] + 15), (std::vector<uint8_t>{0x0A, 0x0B, 0x0C}));
  EXPECT_EQ(out->data[0][out->linesize[0] + 3], 18);
}

TEST_F(FramePipelineTest, FailuresAreLoggedAndThePictureGoesOn) {
  TranscodeTask task;
  std::vector<std::string> log;
  task.sinks().log = [&](TranscodeTask &, LogLevel level, const std::string &t) {
    EXPECT_EQ(level, LogLevel::Error);
    log.push_back(t);
  };
  // Too small for the deinterlacer: copied as it came.
  task.options.doDeinterlace = 1;
  FramePipeline small;
  FramePtr tiny = yuv(2, 2, 77);
  const AVFrame *out = preprocess(small, task, tiny.get(), 0);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "deinterlace error.");
  EXPECT_NE(out, tiny.get());
  EXPECT_EQ(out->data[0][out->linesize[0] + 1], 77);
  task.options.doDeinterlace = 0;

  // A pixel format the scaler cannot read: no bitmap can be made of it, the
  // hook is not called and is off for the rest of the run.
  AVPixelFormat unreadable = AV_PIX_FMT_NONE;
  for (int f = 0; f < AV_PIX_FMT_NB && unreadable == AV_PIX_FMT_NONE; ++f) {
    const AVPixFmtDescriptor *d = libavutil.av_pix_fmt_desc_get(static_cast<AVPixelFormat>(f));
    if (d && !(d->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_PAL)) &&
        !libswscale.sws_isSupportedInput(static_cast<AVPixelFormat>(f)) &&
        libavutil.av_image_get_buffer_size(static_cast<AVPixelFormat>(f), 16, 16, 1) > 0)
      unreadable = static_cast<AVPixelFormat>(f);
  }
  if (unreadable == AV_PIX_FMT_NONE) GTEST_SKIP() << "the scaler reads every pixel format";
  FramePtr odd = allocated(unreadable, 16, 16);
  int calls = 0;
  task.sinks().customHook = [&](TranscodeTask &, Bitmap24 &, int32_t, int64_t, bool &, bool &) { ++calls; };
  FramePipeline pipeline;
  log.clear();
  preprocess(pipeline, task, odd.get(), 0);
  EXPECT_EQ(calls, 0);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "Cannot initialize the toRGB conversion context");
  EXPECT_FALSE(pipeline.customHookConnected());
  EXPECT_EQ(pipeline.hookState(), HookAction::Stop);
  EXPECT_EQ(preprocess(pipeline, task, odd.get(), 40000), odd.get());
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(FramePipelineTest, PadColourReachesEncoderFormatsThatAreNotPlanarYuv) {
  GeometryPlan plan{.padTop = 4, .padBottom = 4, .srcWidth = 32, .srcHeight = 24, .dstWidth = 32, .dstHeight = 32};
  TranscodeTask task;
  task.language().setPadColor(0x3264C8);  // R 200, G 100, B 50
  plan.padColor[0] = task.options.padColorY;
  plan.padColor[1] = task.options.padColorU;
  plan.padColor[2] = task.options.padColorV;
  for (AVPixelFormat fmt : {AV_PIX_FMT_RGB24, AV_PIX_FMT_BGR0}) {
    plan.srcFormat = plan.dstFormat = fmt;
    GeometryStage stage;
    stage.prepare(plan);
    EXPECT_FALSE(stage.scales());
    FramePtr in = allocated(fmt, 32, 24);
    for (int y = 0; y < 24; ++y) std::memset(in->data[0] + y * in->linesize[0], 7, in->linesize[0]);
    std::vector<std::string> log;
    AVFrame *out = stage.formatPicture(in.get(), [&](LogLevel, const std::string &t) { log.push_back(t); });
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(log.empty());
    const int step = fmt == AV_PIX_FMT_RGB24 ? 3 : 4;
    const int r = fmt == AV_PIX_FMT_RGB24 ? 0 : 2, b = fmt == AV_PIX_FMT_RGB24 ? 2 : 0;
    for (int y : {0, 3, 28, 31}) {
      const uint8_t *p = out->data[0] + y * out->linesize[0] + 10 * step;
      EXPECT_NEAR(p[r], 200, 3) << "row " << y;
      EXPECT_NEAR(p[1], 100, 3) << "row " << y;
      EXPECT_NEAR(p[b], 50, 3) << "row " << y;
    }
    EXPECT_EQ(out->data[0][4 * out->linesize[0]], 7);
    EXPECT_EQ(out->data[0][27 * out->linesize[0] + 31 * step], 7);
  }
}

TEST(FrameBitmap, RowsAreTopDownInBlueGreenRedOrder) {
  Bitmap24 bmp(7, 4);
  EXPECT_EQ(bmp.width(), 7);
  EXPECT_EQ(bmp.height(), 4);
  EXPECT_GE(bmp.stride(), 21);
  EXPECT_EQ(bmp.stride() % 4, 0);
  EXPECT_EQ(bmp.scanLine(2), bmp.bits() + 2 * bmp.stride());
  EXPECT_EQ(bmp.scanLine(4), nullptr);
  bmp.fillRect(-5, 1, 3, 99, 0x112233);  // clipped to columns 0-2, rows 1-3
  EXPECT_EQ(std::vector<uint8_t>(bmp.scanLine(3) + 6, bmp.scanLine(3) + 9), (std::vector<uint8_t>{0x11, 0x22, 0x33}));
  EXPECT_EQ(bmp.pixel(2, 1), 0x112233u);
  EXPECT_EQ(bmp.pixel(3, 1), 0u);
  EXPECT_EQ(bmp.pixel(0, 0), 0u);
  EXPECT_THROW(Bitmap24(0, 3), std::invalid_argument);
  EXPECT_TRUE(bmp.tryLock());
  bmp.unlock();
}

}  // namespace
