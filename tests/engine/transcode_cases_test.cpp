// The behaviours of a transcode: stopping, limits, sync, maps, refusals,
// damaged inputs and the traps of particular containers.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "binding.h"
#include "clip_catalogue.h"
#include "engine_driver.h"
#include "file_bytes.h"
#include "input_open.h"
#include "media_fixture.h"
#include "media_measure.h"
#include "media_remux.h"
#include "output_file.h"
#include "output_open.h"
#include "test_env.h"
#include "transcode_setup.h"
#include "transcode_task.h"
#include "transcoder.h"

namespace fs = std::filesystem;

namespace {

class TranscodeCases : public ::testing::Test {
 protected:
  void SetUp() override { requireLibraries(); }
  ScratchDir dir;
};

// The small clip at 640x480, 10 s long.
std::string mediumSource() { return cachedFixture(smallClipRecipe(10.0, 640, 480), "medium.mov"); }

// ---------------------------------------------------------------- stop

TEST_F(TranscodeCases, StopMidRunKeepsAValidFileWithItsTrailer) {
  const std::string src = mediumSource();
  const std::string out = dir.file("stopped.mp4");
  ConvertSetup s = oneOutput(out);
  bool stopped = false;
  s.onProgress = [&](MediaEngine &engine, const ProgressSample &) {
    if (!stopped) {
      stopped = true;
      engine.stop();
    }
  };
  const Conversion r = convert(src, s);
  ASSERT_TRUE(r.outputOk) << r.lastError;
  ASSERT_TRUE(r.stopped()) << r.message;
  // Kept under a name that says so (the position in it); the final name stays free.
  EXPECT_EQ(r.keptOutput.rfind(dir.file("stopped (stopped at 00-00-0"), 0), 0u) << r.keptOutput;
  EXPECT_FALSE(fs::exists(out));
  // MP4 is readable only with its trailer (the index).
  const ProbedFile p = probeMedia(r.keptOutput);
  ASSERT_TRUE(p.ok) << p.error;
  ASSERT_NE(p.first("video"), nullptr);
  EXPECT_GT(p.first("video")->frames, 0);
  EXPECT_GT(p.durationSec, 0.1);
  EXPECT_LT(p.durationSec, 9.5);
}

TEST_F(TranscodeCases, StopBeforeAnyDataLeavesNoFile) {
  const std::string out = dir.file("never.mp4");
  ConvertSetup s = oneOutput(out);
  s.onLog = [](MediaEngine &engine, const std::string &line) {
    if (line.find("Stream mapping:") != std::string::npos) engine.stop();
  };
  const Conversion r = convert(smallSource(), s);
  ASSERT_TRUE(r.outputOk) << r.lastError;
  ASSERT_TRUE(r.stopped()) << r.message;
  EXPECT_TRUE(r.logHas("Stream mapping:"));
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(TranscodeCases, TaskRemovedBeforeRunningLeavesNoFile) {
  const std::string out = dir.file("unused.mp4");
  MediaEngine engine;
  ASSERT_TRUE(engine.loadAVLib(TREVIX_COMMON_DIR, true));
  InputOptions in;
  const int i = engine.addTask(smallSource(), &in);
  ASSERT_GE(i, 0) << engine.lastErrorMessage();
  OutputOptions o = mp4Options();
  ASSERT_TRUE(engine.setOutput(i, out, &o)) << engine.lastErrorMessage();
  // The opening created the file under its hidden temporary name only.
  ASSERT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  EXPECT_EQ(fs::directory_iterator(dir.path())->path().filename().string().rfind(".trevix-part-", 0), 0u);
  EXPECT_FALSE(fs::exists(out));
  engine.clearTasks();
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(TranscodeCases, TasksOnWorkerThreadsRunSideBySide) {
  MediaEngine engine;
  ASSERT_TRUE(engine.loadAVLib(TREVIX_COMMON_DIR, true));
  EventRecorder rec(engine);
  const std::string outs[] = {dir.file("t0.mp4"), dir.file("t1.avi")};
  for (int i = 0; i < 2; ++i) {
    InputOptions in;
    const int index = engine.addTask(i ? mediumSource() : smallSource(), &in);
    ASSERT_EQ(index, i) << engine.lastErrorMessage();
    OutputOptions o = mp4Options();
    if (i) o.acodec = "libmp3lame";
    ASSERT_TRUE(engine.setOutput(index, outs[i], &o)) << engine.lastErrorMessage();
  }
  engine.startConvert(2);
  ASSERT_TRUE(rec.waitForEndOfRun(120000));
  int finished = 0;
  for (const TerminateRecord &t : rec.terminations()) finished += t.index >= 0 && t.finished;
  EXPECT_EQ(finished, 2);
  EXPECT_NEAR(probeMedia(outs[0]).durationSec, 3.0, 0.2);
  EXPECT_NEAR(probeMedia(outs[1]).durationSec, 10.0, 0.2);
  engine.clearTasks();
}

// ---------------------------------------------------------------- limits

TEST_F(TranscodeCases, RecordingTimeEndsTheOutputThere) {
  const std::string src = cachedFixture(smallClipRecipe(12.0), "twelve.mov");
  const std::string out = dir.file("ten.mp4");
  OutputOptions o = mp4Options();
  o.recordingTimeMs = 10000;
  const auto [r, p] = convertAndProbe(src, out, o);
  ASSERT_TRUE(r.outputOk) << r.lastError;
  EXPECT_TRUE(r.done()) << r.message;
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_NEAR(p.durationSec, 10.0, 0.2);
  EXPECT_NEAR(p.first("video")->durationSec, 10.0, 0.1);
  EXPECT_NEAR(p.first("audio")->durationSec, 10.0, 0.1);
  EXPECT_EQ(p.first("video")->frames, 250);
  ASSERT_FALSE(r.progress.empty());
  for (const auto &pr : r.progress) EXPECT_EQ(pr.totalDurationMs, 10000);
  EXPECT_NEAR(r.progress.back().currentDurationMs, 10000, 100);
}

TEST_F(TranscodeCases, VideoFrameLimitStopsTheLoop) {
  const std::string src = cachedFixture(smallClipRecipe(6.0), "six.mov");
  const std::string out = dir.file("hundred.avi");
  const OutputOptions o{.acodec = "libmp3lame", .vcodec = "mpeg4", .extraOptions = "vframes=100"};
  const auto [r, p] = convertAndProbe(src, out, o);
  ASSERT_TRUE(r.outputOk) << r.lastError;
  EXPECT_TRUE(r.finished);
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.first("video")->frames, 100);
  EXPECT_EQ(r.progress.back().frameNumber, 100);
  // Audio stops with the loop, near the video's end, not at the source's.
  ASSERT_NE(p.first("audio"), nullptr);
  EXPECT_LT(p.first("audio")->durationSec, 5.0);
}

TEST_F(TranscodeCases, FileSizeLimitEndsTheLoop) {
  const std::string out = dir.file("limited.mp4");
  OutputOptions o = mp4Options();
  o.vb = 800000;
  o.extraOptions = "fs=100000";
  const auto [r, p] = convertAndProbe(mediumSource(), out, o);
  ASSERT_TRUE(r.outputOk) << r.lastError;
  EXPECT_TRUE(r.finished);
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_LT(p.durationSec, 5.0);
  EXPECT_LT(fs::file_size(out), 200000u);
}

// ---------------------------------------------------------------- sync

// A task driven directly, to look at its counters afterwards; its outputs
// are closed when it has run.
struct DirectTask {
  TranscodeTask task;
  std::vector<std::string> log;
  std::string error;
  DirectTask(const std::string &src, const std::string &out, OutputOptions o, int verbose = 1,
              const std::string &inputOptions = "") {
    task.prepare();
    task.sinks().log = [this](TranscodeTask &, LogLevel, const std::string &text) { log.push_back(text); };
    InputOptions in{.extraOptions = inputOptions};
    task.language().applyInputOptions(in, src);
    if (!openInputFile(task, src)) {
      error = task.lastError;
      return;
    }
    task.language().applyOutputOptions(o, out);
    if (!openOutputFile(task, out)) error = task.lastError;
    task.language().setVerbosity(verbose);
  }
  bool run() {
    if (!error.empty()) return false;
    try {
      transcode(task);
    } catch (const std::exception &e) {
      error = e.what();
    }
    closeOutputFiles(task.transcoder);
    return error.empty();
  }
  int count(const std::string &text) const {
    return static_cast<int>(
        std::count_if(log.begin(), log.end(), [&](const std::string &l) { return l.find(text) != std::string::npos; }));
  }
};

TEST_F(TranscodeCases, DoubleFrameRateDuplicatesEveryPictureFromTheThird) {
  const std::string src = smallSource(2.0);
  const std::string out = dir.file("fifty.avi");
  DirectTask t(src, out, OutputOptions{.an = true, .vcodec = "mpeg4", .frameRate = "50"}, 3);
  ASSERT_TRUE(t.run()) << t.error;
  EXPECT_TRUE(t.task.outcome().finished);
  // 50 source pictures: the first two once, the other 48 twice; then the
  // last is held for the rest of its 40 ms, two more pictures at 50 fps.
  EXPECT_EQ(t.count("*** 1 dup!"), 48);
  EXPECT_EQ(t.count("dup!"), 48);
  EXPECT_EQ(t.task.transcoder.dupFrames, 96);
  EXPECT_EQ(t.task.transcoder.dropFrames, 0);
  const ProbedFile p = probeMedia(out);
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.first("video")->frames, 2 + 48 * 2 + 2);
  EXPECT_NEAR(p.first("video")->durationSec, 2.0, 1e-6);
  EXPECT_NEAR(p.first("video")->frameRate, 50.0, 0.01);
}

TEST_F(TranscodeCases, FrameRateReductionKeepsExactlyThesePictures) {
  struct Case {
    int from, to;
    std::vector<int> kept;  // source pictures, in output order
  };
  // 30 -> 25 fps: a picture is dropped whenever the output clock would fall
  // more than 1.1 frames behind, the 8th, 14th, ... (9 of 60). 25 -> 10 fps:
  // the first two pictures, then two of every five (21 of 50, one more than
  // an even share).
  std::vector<int> thirtyToTwentyFive;
  for (int i = 0; i < 60; ++i)
    if (i < 7 || (i - 7) % 6 != 0) thirtyToTwentyFive.push_back(i);
  const Case cases[] = {
      {30, 25, thirtyToTwentyFive},
      {25, 10, {0, 1, 3, 5, 8, 10, 13, 15, 18, 20, 23, 25, 28, 30, 33, 35, 38, 40, 43, 45, 48}},
  };
  for (const Case &c : cases) {
    MediaRecipe recipe = smallClipRecipe(2.0);
    recipe.rateNum = c.from;
    recipe.videoCodec = "ffv1";
    recipe.audioCodec = "";
    const std::string src = cachedFixture(recipe, "ffv1-" + std::to_string(c.from) + ".avi");
    const auto source = everyNthPicture(src, 1);  // lossless (FFV1): exact matches
    ASSERT_EQ(source.size(), static_cast<size_t>(2 * c.from));

    const std::string out = dir.file("to" + std::to_string(c.to) + ".avi");
    DirectTask t(src, out, OutputOptions{.vcodec = "ffv1", .frameRate = std::to_string(c.to)}, 3);
    ASSERT_TRUE(t.run()) << t.error;
    const int dropped = static_cast<int>(source.size() - c.kept.size());
    EXPECT_EQ(t.task.transcoder.dropFrames, dropped) << c.from << " -> " << c.to;
    EXPECT_EQ(t.count("*** drop!"), dropped);
    EXPECT_EQ(t.task.transcoder.dupFrames, 0);

    std::vector<int> kept;
    for (const RgbPicture &picture : everyNthPicture(out, 1)) {
      const auto match = std::find_if(source.begin(), source.end(),
                                      [&](const RgbPicture &s) { return s.pixels == picture.pixels; });
      kept.push_back(match == source.end() ? -1 : static_cast<int>(match - source.begin()));
    }
    EXPECT_EQ(kept, c.kept) << c.from << " -> " << c.to << " fps";
    EXPECT_NEAR(probeMedia(out).first("video")->frameRate, c.to, 0.01);
  }
}

TEST_F(TranscodeCases, LateAudioIsPaddedWithSilenceWithAsync) {
  MediaRecipe recipe = smallClipRecipe(3.0);
  recipe.audioStartSec = 0.5;
  const std::string src = cachedFixture(recipe, "late-audio.mov");
  double srcFirst = 0;
  std::vector<int16_t> srcSamples;
  int ch = 0, rate = 0;
  ASSERT_TRUE(decodeAudioS16(src, srcSamples, ch, rate, &srcFirst));
  ASSERT_NEAR(srcFirst, 0.5, 0.05) << "the fixture's audio should start late";

  auto run = [&](int async, const std::string &name) {
    const OutputOptions o{.acodec = "pcm_s16le", .async = async, .vn = true};
    auto t = std::make_unique<DirectTask>(src, dir.file(name), o, 3);
    EXPECT_TRUE(t->run()) << t->error;
    return t;
  };
  const auto a = run(1, "sync.wav"), b = run(0, "nosync.wav");
  // The source's first decoded sample sits at about 0.5 s (less the
  // encoder's priming); exactly that much silence is added, once.
  EXPECT_EQ(a->count("audio samples of silence"), 1);
  for (const auto &line : a->log) {
    int added = 0;
    if (std::sscanf(line.c_str(), "adding %d audio samples of silence", &added) == 1) {
      EXPECT_NEAR(added, srcFirst * 44100, 2.0);
    }
  }
  EXPECT_EQ(b->count("audio samples of silence"), 0);

  std::vector<int16_t> s;
  ASSERT_TRUE(decodeAudioS16(dir.file("sync.wav"), s, ch, rate));
  ASSERT_EQ(rate, 44100);
  ASSERT_GT(s.size(), static_cast<size_t>(ch) * 44100);
  auto peak = [&](const std::vector<int16_t> &v, double from, double to) {
    int m = 0;
    for (size_t i = static_cast<size_t>(from * rate) * ch; i < static_cast<size_t>(to * rate) * ch && i < v.size();
         ++i)
      m = std::max(m, std::abs(static_cast<int>(v[i])));
    return m;
  };
  EXPECT_LT(peak(s, 0.0, 0.48), 50) << "the first half second is silence";
  EXPECT_GT(peak(s, 0.55, 1.0), 1000) << "then the tone";
  // Without sync the tone starts at once.
  ASSERT_TRUE(decodeAudioS16(dir.file("nosync.wav"), s, ch, rate));
  EXPECT_GT(peak(s, 0.0, 0.2), 1000);
}

// A tone in 16-bit PCM: decoding gives back exactly the samples the
// fixture wrote, so every sample of an output can be checked.
std::string pcmSource() {
  MediaRecipe recipe = smallClipRecipe(1.0);
  recipe.videoCodec = "";
  recipe.audioCodec = "pcm_s16le";
  return cachedFixture(recipe, "tone.wav");
}

TEST_F(TranscodeCases, VolumeScalesEverySampleExactly) {
  std::vector<int16_t> source;
  int channels = 0, rate = 0;
  ASSERT_TRUE(decodeAudioS16(pcmSource(), source, channels, rate));
  ASSERT_EQ(rate, 44100);
  ASSERT_EQ(channels, 2);
  ASSERT_EQ(source.size(), 2u * 44100);
  const auto loud = std::count_if(source.begin(), source.end(), [](int16_t v) { return std::abs(v) > 8000; });
  ASSERT_GT(loud, static_cast<long>(source.size() / 4)) << "the tone should be well above silence";

  // 256 leaves the samples alone; 255 is what the volume bar at 100% gives;
  // every other value scales each sample to (sample * vol + 128) >> 8.
  for (const int vol : {256, 255, 128}) {
    const std::string out = dir.file("vol" + std::to_string(vol) + ".wav");
    const Conversion r = convert(pcmSource(), out, OutputOptions{.acodec = "pcm_s16le", .vol = vol});
    ASSERT_TRUE(r.finished) << vol << ": " << r.message << r.lastError;
    std::vector<int16_t> got;
    ASSERT_TRUE(decodeAudioS16(out, got, channels, rate));
    ASSERT_EQ(got.size(), source.size()) << "vol " << vol;
    size_t wrong = 0, firstWrong = 0;
    for (size_t i = 0; i < source.size(); ++i) {
      const int expected = vol == 256 ? source[i] : std::clamp((source[i] * vol + 128) >> 8, -32768, 32767);
      if (got[i] != expected && wrong++ == 0) firstWrong = i;
    }
    EXPECT_EQ(wrong, 0u) << "vol " << vol << ": first wrong sample " << firstWrong << " is " << got[firstWrong]
                         << " from " << source[firstWrong];
    if (vol != 256) {
      EXPECT_NE(got, source) << "vol " << vol << " changed nothing";
    }
  }
}

TEST_F(TranscodeCases, TimestampJumpIsRepairedUnlessCopyts) {
  const std::string ts = cachedFixture(smallClipRecipe(3.0), "jump-base.ts");
  const std::string jumped = dir.file("jumped.ts");
  ASSERT_TRUE(remuxMedia(ts, jumped, "mpegts", RemuxEdit{.jumpAtSec = 1.5, .jumpSec = 20.0}));
  OutputOptions o = mp4Options();
  o.an = true;
  DirectTask repaired(jumped, dir.file("repaired.mp4"), o, 3);
  ASSERT_TRUE(repaired.run()) << repaired.error;
  EXPECT_GE(repaired.count("timestamp discontinuity"), 1);
  ProbedFile p = probeMedia(dir.file("repaired.mp4"));
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_NEAR(p.durationSec, 3.0, 0.2);

  o.copyts = true;
  DirectTask kept(jumped, dir.file("kept.mp4"), o, 3);
  ASSERT_TRUE(kept.run()) << kept.error;
  EXPECT_EQ(kept.count("timestamp discontinuity"), 0);
  p = probeMedia(dir.file("kept.mp4"));
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_GT(p.durationSec, 20.0);
}

TEST_F(TranscodeCases, StopIsSeenWhilePacingAcrossALongTimestampGap) {
  const std::string ts = cachedFixture(smallClipRecipe(3.0), "jump-base.ts");
  const std::string jumped = dir.file("jumped.ts");
  ASSERT_TRUE(remuxMedia(ts, jumped, "mpegts", RemuxEdit{.jumpAtSec = 1.0, .jumpSec = 30.0}));
  OutputOptions o = mp4Options();
  o.an = true;
  o.copyts = true;  // the 30 s gap stays in the time stamps the reading is paced by
  DirectTask t(jumped, dir.file("paced-gap.mp4"), o, 1, "re");
  ASSERT_TRUE(t.error.empty()) << t.error;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    t.task.requestStop();
  });
  const auto t0 = std::chrono::steady_clock::now();
  t.run();
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  stopper.join();
  EXPECT_LT(took, 3.0) << "the stop must not wait for the end of the gap";
  EXPECT_FALSE(t.task.outcome().finished);
}

TEST_F(TranscodeCases, RateEmulationPacesReadingAndProgressIsThrottled) {
  ConvertSetup s = oneOutput(dir.file("paced.mp4"));
  s.inputOptions.extraOptions = "re";
  s.progressIntervalMs = 150;
  std::vector<std::chrono::steady_clock::time_point> at;
  s.onProgress = [&](MediaEngine &, const ProgressSample &) { at.push_back(std::chrono::steady_clock::now()); };
  const auto t0 = std::chrono::steady_clock::now();
  const Conversion r = convert(smallSource(2.0), s);
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  ASSERT_TRUE(r.finished) << r.message << r.lastError;
  EXPECT_GT(took, 1.8);
  EXPECT_LT(took, 8.0);
  // About one report per interval; all but the final one at least the
  // interval apart.
  EXPECT_GE(at.size(), 6u);
  for (size_t i = 1; i + 1 < at.size(); ++i)
    EXPECT_GE(std::chrono::duration<double>(at[i] - at[i - 1]).count(), 0.145);
}

TEST_F(TranscodeCases, VideoStatisticsFile) {
  const std::string stats = dir.file("vstats.log");
  OutputOptions o = mp4Options();
  o.an = true;
  o.extraOptions = "vstats_file=" + stats + "\npsnr";
  const Conversion r = convert(smallSource(1.0), dir.file("v.mp4"), o);
  ASSERT_TRUE(r.finished) << r.message;
  std::ifstream f(stats);
  std::string line;
  int lines = 0;
  while (std::getline(f, line)) {
    ++lines;
    EXPECT_EQ(line.rfind("frame= ", 0), 0u) << line;
    for (const char *field : {" q= ", "PSNR= ", " f_size= ", "kbits/s avg_br= ", " type= "})
      EXPECT_NE(line.find(field), std::string::npos) << field << " in " << line;
  }
  EXPECT_EQ(lines, 25);
}

// ---------------------------------------------------------------- outputs and maps

TEST_F(TranscodeCases, TwoOutputsFromOneInput) {
  ConvertSetup s;
  s.outputs = {dir.file("a.mp4"), dir.file("b.mp3")};
  s.outputOptions = {mp4Options(), OutputOptions{.acodec = "libmp3lame", .vn = true}};
  const Conversion r = convert(smallSource(), s);
  ASSERT_TRUE(r.outputOk) << r.lastError;
  EXPECT_TRUE(r.finished) << r.message;
  const ProbedFile a = probeMedia(s.outputs[0]);
  const ProbedFile b = probeMedia(s.outputs[1]);
  ASSERT_TRUE(a.ok && b.ok);
  EXPECT_NEAR(a.durationSec, 3.0, 0.2);
  EXPECT_NEAR(b.durationSec, 3.0, 0.2);
  EXPECT_EQ(b.streams.size(), 1u);
  // Three output streams, each with its mapping line.
  EXPECT_EQ(r.logCount("  Stream #0."), 3);
}

TEST_F(TranscodeCases, StreamMappingIsLogged) {
  const Conversion r = convert(smallSource(), dir.file("m.mp4"), mp4Options());
  ASSERT_TRUE(r.finished) << r.message;
  EXPECT_TRUE(r.logHas("Stream mapping:"));
  EXPECT_TRUE(r.logHas("  Stream #0.0 -> #0.0"));
  EXPECT_TRUE(r.logHas("  Stream #0.1 -> #0.1"));
}

TEST_F(TranscodeCases, ValidMapsWithASyncStreamOtherThanTheSource) {
  OutputOptions o = mp4Options();
  o.extraOptions = "map=0.0\nmap=0.1:0.0";
  const Conversion r = convert(smallSource(), dir.file("map.mp4"), o);
  EXPECT_TRUE(r.finished) << r.message;
  EXPECT_TRUE(r.logHas(" [sync #0.0]"));
}

// A task that cannot run: it fails with its reason and leaves no output.
struct Refusal {
  const char *name;
  const char *output;
  void (*change)(OutputOptions &);  // of the MPEG-4 profile's options
  std::string message;
};

void amrIn3gp(OutputOptions &o) { o = OutputOptions{.acodec = "libamr_nb", .ac = 1, .ar = 8000, .vcodec = "h263"}; }

std::string codecOpenError(const std::string &stream) {
  return "Error while opening codec for output stream " + stream +
         " - maybe incorrect parameters such as bit_rate, rate, width or height";
}

const Refusal kRefusals[] = {
    {"AudioCopyWithVolume", "copyvol.mp4", [](OutputOptions &o) { o.acodec = "copy", o.vol = 512; },
     "-acodec copy and -vol are incompatible (frames are not decoded)"},
    {"VideoCopyWithCustomHook", "hook.mp4",
     [](OutputOptions &o) { o = OutputOptions{}, o.vcodec = "copy", o.customHook = true; },
     "-vcodec copy and CustomHook are incompatible (frames are not decoded)"},
    {"SecondPassWithoutLog", "pass2.mp4", [](OutputOptions &o) { o.extraOptions = "pass=2"; },
     "creat open fail: ffmpeg2pass-0.log"},
    {"FewerMapsThanStreams", "map.mp4", [](OutputOptions &o) { o.extraOptions = "map=0.0"; },
     "Number of stream maps must match number of output streams"},
    {"MapOfAnotherType", "map.mp4", [](OutputOptions &o) { o.extraOptions = "map=0.1\nmap=0.0"; },
     "Codec type mismatch for mapping #0.1 -> #0.0"},
    {"MapOfNoStream", "map.mp4", [](OutputOptions &o) { o.extraOptions = "map=0.0\nmap=0.5"; },
     "Could not find input stream #0.5"},
    {"MapOfNoSyncStream", "map.mp4", [](OutputOptions &o) { o.extraOptions = "map=0.0\nmap=0.1:0.7"; },
     "Could not find sync stream #0.7"},
    {"MapOfNoFile", "map.mp4", [](OutputOptions &o) { o.extraOptions = "map=1.0\nmap=0.1"; },
     "Could not find input stream #1.0"},
    {"SizeTheEncoderRefuses", "bad.3gp", [](OutputOptions &o) { amrIn3gp(o), o.frameSize = "320x240"; },
     codecOpenError("#0.0")},
    // AMR takes 8000 Hz mono only.
    {"AmrAt44100HzStereo", "bad.3gp",
     [](OutputOptions &o) { amrIn3gp(o), o.frameSize = "176x144", o.ar = 44100, o.ac = 2; }, codecOpenError("#0.1")},
};

void PrintTo(const Refusal &r, std::ostream *os) { *os << r.name; }

class TaskRefusals : public TranscodeCases, public ::testing::WithParamInterface<Refusal> {};

TEST_P(TaskRefusals, FailWithTheirReasonAndLeaveNoOutput) {
  std::error_code ec;
  fs::remove("ffmpeg2pass-0.log", ec);
  OutputOptions o = mp4Options();
  GetParam().change(o);
  const std::string out = dir.file(GetParam().output);
  const Conversion r = convert(smallSource(), out, o);
  ASSERT_TRUE(r.outputOk) << r.lastError;
  EXPECT_TRUE(r.exception);
  EXPECT_EQ(r.message, GetParam().message);
  EXPECT_FALSE(fs::exists(out));
}

INSTANTIATE_TEST_SUITE_P(Cases, TaskRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(TranscodeCases, VideoCopyKeepsTheSourceStream) {
  const OutputOptions o{.acodec = "copy", .vcodec = "copy", .frameSize = "176x144"};  // a size does nothing to a copy
  const std::string out = dir.file("copy.mp4");
  const auto [r, p] = convertAndProbe(smallSource(), out, o);
  EXPECT_TRUE(r.finished) << r.message;
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.first("video")->codec, "h264");
  EXPECT_EQ(p.first("video")->width, 320);
  EXPECT_EQ(p.first("video")->frames, 75);
  EXPECT_EQ(p.first("audio")->codec, "aac");
  EXPECT_NEAR(p.durationSec, 3.0, 0.2);
  EXPECT_FLOAT_EQ(r.progress.back().quality, -1.0f);
}

TEST_F(TranscodeCases, TwoPassesThroughALogFile) {
  const std::string logBase = dir.file("twopass");
  OutputOptions o = mp4Options();
  o.an = true;
  o.vb = 300000;
  o.extraOptions = "pass=1\npasslogfile=" + logBase;
  Conversion r = convert(smallSource(), dir.file("p1.mp4"), o);
  ASSERT_TRUE(r.finished) << r.message;
  ASSERT_TRUE(fs::exists(logBase + "-0.log"));
  EXPECT_GT(fs::file_size(logBase + "-0.log"), 100u);
  o.extraOptions = "pass=2\npasslogfile=" + logBase;
  r = convert(smallSource(), dir.file("p2.mp4"), o);
  EXPECT_TRUE(r.finished) << r.message;
  EXPECT_TRUE(probeMedia(dir.file("p2.mp4")).ok);
}

TEST_F(TranscodeCases, AspectSixteenByNineAt720x576) {
  OutputOptions o = mp4Options();
  o.frameSize = "720x576";
  o.aspect = "16:9";
  o.an = true;
  const std::string out = dir.file("wide.mp4");
  const auto [r, p] = convertAndProbe(smallSource(1.0), out, o);
  ASSERT_TRUE(r.finished) << r.message;
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.first("video")->width, 720);
  EXPECT_EQ(p.first("video")->sarNum, 64);
  EXPECT_EQ(p.first("video")->sarDen, 45);
}

TEST_F(TranscodeCases, LegacyEncoderNamesAreTranslated) {
  OutputOptions o = mp4Options();
  o.acodec = "libfaac";
  const std::string out = dir.file("faac.mp4");
  const Conversion r = convert(smallSource(1.0), out, o);
  ASSERT_TRUE(r.finished) << r.message;
  EXPECT_EQ(probeMedia(out).first("audio")->codec, "aac");
  OutputOptions bad = mp4Options();
  bad.acodec = "nosuchcodec";
  const Conversion r2 = convert(smallSource(1.0), dir.file("x.mp4"), bad);
  EXPECT_FALSE(r2.outputOk);
  EXPECT_EQ(r2.lastError, "new_audio_stream fail: Unknown encoder 'nosuchcodec'");
}

// ---------------------------------------------------------------- output file rules

TEST_F(TranscodeCases, OutputNamingAnInputIsRefusedHoweverItIsSpelled) {
  const fs::path folder = dir.path() / "out";
  fs::create_directories(folder);
  fs::create_directory_symlink(folder, dir.path() / "link");
  const std::string src = (folder / "clip.mov").string();
  fs::copy_file(smallSource(1.0), src);
  const auto size = fs::file_size(src);
  const std::string base = dir.path().string();
  struct Case {
    std::string input, output;
  } cases[] = {
      {src, src},
      {src, base + "/out/./clip.mov"},
      {src, base + "/out/../out/clip.mov"},
      {src, base + "/link/clip.mov"},
      {src, base + "/link/../out/clip.mov"},
      {base + "/link/clip.mov", src},
      {base + "/out/./clip.mov", base + "/link/clip.mov"},
  };
  for (const Case &c : cases) {
    OutputOptions o = mp4Options();
    o.format = "mp4";
    const Conversion r = convert(c.input, c.output, o);
    EXPECT_FALSE(r.outputOk) << c.input << " -> " << c.output;
    EXPECT_EQ(r.lastError, "Could not open '" + c.output + "'");
    ASSERT_TRUE(fs::exists(src));
    EXPECT_EQ(fs::file_size(src), size) << c.input << " -> " << c.output;
  }
  EXPECT_TRUE(probeMedia(src).ok);
}

TEST_F(TranscodeCases, UnknownExtensionIsRefused) {
  const std::string out = dir.file("out.nosuchext");
  const Conversion r = convert(smallSource(), out, OutputOptions{});
  EXPECT_FALSE(r.outputOk);
  EXPECT_EQ(r.lastError, "Unable to find a suitable output format for '" + out + "'");
  EXPECT_FALSE(fs::exists(out));
  // A long name comes back whole, not cut at some buffer's end.
  std::string deep = dir.path().string();
  for (int i = 0; i < 8; ++i) deep += "/" + std::string(200, static_cast<char>('a' + i));
  const std::string longOut = deep + "/out.nosuchext";
  ASSERT_GT(longOut.size(), 1600u);
  const Conversion longName = convert(smallSource(), longOut, OutputOptions{});
  EXPECT_EQ(longName.lastError, "Unable to find a suitable output format for '" + longOut + "'");
}

TEST_F(TranscodeCases, AnExistingOutputIsReplacedOnlyWhenOverwriting) {
  const std::string out = dir.file("exists.mp4");
  std::ofstream(out) << "not a movie";
  const Conversion kept = convert(smallSource(1.0), out, mp4Options());
  EXPECT_FALSE(kept.outputOk);
  EXPECT_EQ(kept.lastError, "Could not open '" + out + "': File exists");
  EXPECT_EQ(fs::file_size(out), 11u);

  OutputOptions o = mp4Options();
  o.overwrite = true;
  const Conversion replaced = convert(smallSource(1.0), out, o);
  EXPECT_TRUE(replaced.finished) << replaced.message;
  EXPECT_TRUE(probeMedia(out).ok);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(TranscodeCases, AudioOnlyInputMakesAnAudioOnlyAvi) {
  MediaRecipe recipe = smallClipRecipe(2.0);
  recipe.videoCodec = "";
  const std::string src = cachedFixture(recipe, "audio-only.mov");
  const std::string out = dir.file("audio.avi");
  const auto [r, p] = convertAndProbe(src, out, OutputOptions{.acodec = "libmp3lame"});
  ASSERT_TRUE(r.finished) << r.message;
  ASSERT_TRUE(p.ok);
  ASSERT_EQ(p.streams.size(), 1u);
  EXPECT_EQ(p.streams[0].type, "audio");
  // Reports of an audio-only output carry no frame numbers.
  ASSERT_FALSE(r.progress.empty());
  EXPECT_EQ(r.progress.back().frameNumber, -1);
}

// ---------------------------------------------------------------- damaged inputs

void damage(const std::string &from, const std::string &to, double keep, bool scribble) {
  std::string data = fileBytes(from);
  data.resize(static_cast<size_t>(static_cast<double>(data.size()) * keep));
  if (scribble)
    for (size_t i = data.size() / 5; i < data.size(); i += 1009)
      for (size_t k = 0; k < 40 && i + k < data.size(); ++k) data[i + k] = static_cast<char>((i * 7 + k * 13) & 0xff);
  writeFileBytes(to, data);
}

TEST_F(TranscodeCases, TruncatedAndCorruptInputsEndCleanly) {
  const std::string ts = cachedFixture(smallClipRecipe(4.0), "stream.ts");
  const std::string mov = smallSource();
  struct Case {
    std::string src;
    double keep;
    bool scribble;
  } cases[] = {{ts, 0.5, false}, {ts, 1.0, true}, {ts, 0.6, true}, {mov, 0.5, false}, {mov, 1.0, true}};
  int n = 0;
  for (const auto &c : cases) {
    const std::string bad = dir.file("bad" + std::to_string(n) + fs::path(c.src).extension().string());
    const std::string out = dir.file("out" + std::to_string(n++) + ".mp4");
    damage(c.src, bad, c.keep, c.scribble);
    const Conversion r = convert(bad, out, mp4Options());
    if (!r.outputOk) {
      // Refused at opening: a message, no output.
      EXPECT_FALSE(r.lastError.empty());
      EXPECT_FALSE(fs::exists(out));
      continue;
    }
    ASSERT_TRUE(r.terminated);
    if (r.exception) {
      EXPECT_FALSE(r.message.empty());
      EXPECT_FALSE(fs::exists(out)) << "a failed output must not stay";
    } else if (fs::exists(out)) {
      EXPECT_TRUE(probeMedia(out).ok) << out;
    }
  }
}

// ---------------------------------------------------------------- traps

TEST_F(TranscodeCases, Mp4KeepsItsLastFrame) {
  const std::string out = dir.file("last.mp4");
  OutputOptions o = mp4Options();
  o.an = true;
  const auto [r, p] = convertAndProbe(smallSource(), out, o);
  ASSERT_TRUE(r.finished && p.ok) << r.message;
  EXPECT_EQ(p.first("video")->frames, 75);
  EXPECT_NEAR(p.first("video")->durationSec, 3.0, 0.001);
  EXPECT_NEAR(p.durationSec, 3.0, 0.01);
  int decoded = decodeVideoRGB(out, [](const uint8_t *, int, int, int, double) {});
  EXPECT_EQ(decoded, 75);
}

TEST_F(TranscodeCases, ProgramStreamWithoutBufferUnderflows) {
  // The second with a fixed quantiser: the rate is not known in advance.
  for (const std::string extra : {"", "qscale=2"}) {
    const OutputOptions o{.acodec = "mp2", .ab = 224000, .vcodec = "mpeg1video", .frameRate = "30000/1001",
                          .frameSize = "352x240", .vb = 1150000, .extraOptions = extra};
    const std::string out = dir.file(extra.empty() ? "vcd.mpg" : "q.mpg");
    const Conversion r = convert(mediumSource(), out, o);
    ASSERT_TRUE(r.finished) << extra << r.message;
    EXPECT_EQ(r.logCount("buffer underflow"), 0) << extra;
    EXPECT_NEAR(probeMedia(out).durationSec, 10.0, 0.2) << extra;
  }
}

TEST_F(TranscodeCases, RealMediaTakesOnlyRealVideo) {
  OutputOptions o{.acodec = "ac3", .vcodec = "mpeg4"};
  const std::string out = dir.file("bad.rm");
  Conversion r = convert(smallSource(1.0), out, o);
  EXPECT_TRUE(r.exception);
  EXPECT_EQ(r.message, "Could not write header for output file #0 (incorrect codec parameters ?)");
  EXPECT_TRUE(r.logHas("not supported by the RealMedia format"));
  EXPECT_FALSE(fs::exists(out));
  o.vcodec = "rv10";
  r = convert(smallSource(1.0), out, o);
  EXPECT_TRUE(r.finished) << r.message;
  const ProbedFile p = probeMedia(out);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.first("video")->codec, "rv10");
}

TEST_F(TranscodeCases, WmvWithoutACodecNameIsWmv2) {
  const std::string out = dir.file("plain.wmv");
  const auto [r, p] = convertAndProbe(smallSource(1.0), out, OutputOptions{});
  ASSERT_TRUE(r.finished) << r.message;
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.first("video")->codec, "wmv2");
  EXPECT_EQ(p.first("audio")->codec, "wmav2");
  // A named codec is taken as given.
  ASSERT_TRUE(convert(smallSource(1.0), out, OutputOptions{.vcodec = "msmpeg4", .overwrite = true}).finished);
  EXPECT_EQ(probeMedia(out).first("video")->codec, "msmpeg4v3");
}

}  // namespace
