// trevix-convert run as a program on generated sources: conversions of each
// profile family with the outputs probed, refused choices, output naming,
// a failing source amid good ones, and Ctrl-C during a conversion.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <tuple>

#include "cli_run.h"
#include "file_bytes.h"
#include "media_fixture.h"
#include "odd_sources.h"
#include "test_env.h"
#include "text_checks.h"

namespace fs = std::filesystem;

namespace {

// A 320x240 source of `seconds` with picture and sound.
MediaRecipe smallRecipe(double seconds) {
  MediaRecipe recipe;
  recipe.width = 320;
  recipe.height = 240;
  recipe.durationSec = seconds;
  return recipe;
}

std::string smallSource() { return cachedFixture(smallRecipe(2.0), "cli-small.mov"); }

// 40 s at 640x480: still converting when a test stops it.
std::string longSource() {
  MediaRecipe recipe;
  recipe.width = 640;
  recipe.height = 480;
  recipe.durationSec = 40.0;
  recipe.videoCodec = "mpeg4";
  return cachedFixture(recipe, "cli-long.mov");
}

class CliConvert : public ::testing::Test {
 protected:
  void SetUp() override {
    requireLibraries();
    source_ = smallSource();
    ASSERT_FALSE(source_.empty());
  }
  std::string out() const { return out_.path().string(); }
  // The output for `source` with the extension `ext`.
  std::string outputOf(const std::string &source, const char *ext) const {
    return (out_.path() / fs::path(source).filename()).replace_extension(ext).string();
  }
  void emptyOut() const {
    fs::remove_all(out_.path());
    fs::create_directories(out_.path());
  }
  size_t filesInOut() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(out_.path()), fs::directory_iterator()));
  }

  ScratchDir out_;
  std::string source_;
};

}  // namespace

// One profile of each family: the output is what the profile promises.
TEST_F(CliConvert, VideoContainerAudioFormatAndDeviceProfiles) {
  struct Case {
    const char *profile;
    const char *ext;
    const char *video;  // empty: no video stream expected
    int width, height;
    const char *audio;
    int sampleRate;
  } cases[] = {
      {"AVI - XviD Video (*.avi)", ".avi", "mpeg4", 320, 240, "mp3", 48000},
      {"mp3", ".mp3", "", 0, 0, "mp3", 48000},
      {"ipod (*.mp4)", ".mp4", "mpeg4", 320, 240, "aac", 44100},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.profile);
    const CliRun r = runConvert({"--profile", c.profile, "-o", out(), source_});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const std::string output = outputOf(source_, c.ext);
    // Progress lines (one per report off a terminal), a final line, a summary.
    expectHas(r.out, {"%  ", "speed ", "Done: " + source_ + " -> " + output, "1 file: 1 Done, 0 Fail"});

    const ProbedFile p = probeMedia(output);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_NEAR(p.durationSec, 2.0, 0.3);
    const ProbedStream *v = p.first("video");
    if (*c.video) {
      ASSERT_NE(v, nullptr);
      EXPECT_EQ(std::tuple(v->codec, v->width, v->height), std::tuple(c.video, c.width, c.height));
      EXPECT_GT(v->frames, 40);
    } else {
      EXPECT_EQ(v, nullptr);
    }
    const ProbedStream *a = p.first("audio");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::tuple(a->codec, a->sampleRate, a->channels), std::tuple(c.audio, c.sampleRate, 2));
  }
}

TEST_F(CliConvert, AProfileTextMatchingSeveralIsRefusedBeforeConverting) {
  const CliRun r = runConvert({"--profile", "ipod", "-o", out(), source_});
  EXPECT_EQ(r.status, 2);
  expectHas(r.err, {"matches several profiles", "  iPod (*.mp4)\n", "  iPod Touch (*.mp4)\n"});
  EXPECT_EQ(filesInOut(), 0u);
}

TEST_F(CliConvert, AnOfferedSizeIsUsedAndAnotherIsRefused) {
  CliRun r = runConvert({"--profile", "xvid", "--size", "500x500", "-o", out(), source_});
  EXPECT_EQ(r.status, 2);
  expectHas(r.err, {"--size \"500x500\" is not offered by \"AVI - XviD Video (*.avi)\"", "  176 x 144 (QCIF)\n",
                    "  Original Video Size  (default)\n"});
  EXPECT_EQ(filesInOut(), 0u);

  r = runConvert({"--profile", "xvid", "--size", "176x144", "-q", "-o", out(), source_});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const ProbedFile p = probeMedia(outputOf(source_, ".avi"));
  ASSERT_TRUE(p.ok) << p.error;
  ASSERT_NE(p.first("video"), nullptr);
  EXPECT_EQ(std::tuple(p.first("video")->width, p.first("video")->height), std::tuple(176, 144));
}

TEST_F(CliConvert, SourcesWithTheSameNameGetNumberedOutputs) {
  ScratchDir in;
  std::vector<std::string> sources;
  for (const char *folder : {"a", "b", "c"}) {
    fs::create_directories(in.path() / folder);
    sources.push_back((in.path() / folder / "clip.mov").string());
    fs::copy_file(source_, sources.back());
  }
  // One after another, and all at once: the names follow the list's order.
  for (const char *jobs : {"1", "3"}) {
    SCOPED_TRACE(jobs);
    emptyOut();
    CliRun r = runConvert({"--profile", "mp3", "--jobs", jobs, "-o", out(), sources[0], sources[1], sources[2]});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (size_t i = 0; i < sources.size(); ++i) {
      const std::string name = i == 0 ? "clip.mp3" : "clip-" + std::to_string(i) + ".mp3";
      expectHas(r.out, {"Done: " + sources[i] + " -> " + out() + "/" + name + "\n"});
      EXPECT_TRUE(probeMedia(out() + "/" + name).ok) << name;
    }
    // At once: the third file starts before the first one ends.
    EXPECT_EQ(r.out.find("[3/3] ") < r.out.find("Done: "), jobs == std::string("3")) << r.out;
  }
  fs::remove(out_.path() / "clip-2.mp3");

  // Overwriting replaces clip.mp3 twice over and adds nothing.
  CliRun r = runConvert({"--profile", "mp3", "--overwrite", "-q", "-o", out(), sources[0], sources[1]});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(filesInOut(), 2u);
  EXPECT_FALSE(fs::exists(out_.path() / "clip-2.mp3"));
}

TEST_F(CliConvert, ACorruptSourceFailsAndTheNextOneStillConverts) {
  ScratchDir in;
  // The first half of a real file: its index, written at the end, is lost.
  const std::string broken = (in.path() / "broken.mov").string();
  const std::string whole = fileBytes(source_);
  writeFileBytes(broken, whole.substr(0, whole.size() / 2));
  const std::string good = (in.path() / "good.mov").string();
  fs::copy_file(source_, good);

  const CliRun r = runConvert({"--profile", "mp3", "--quiet", "-o", out(), broken, good});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  const std::vector<std::string> lines = splitLines(r.out);
  ASSERT_EQ(lines.size(), 2u) << r.out;  // quiet: the final lines alone
  EXPECT_EQ(lines[0].rfind("Fail: " + broken + ": ", 0), 0u) << lines[0];
  EXPECT_GT(lines[0].size(), ("Fail: " + broken + ": ").size());  // the engine's reason follows
  EXPECT_EQ(lines[1], "Done: " + good + " -> " + out() + "/good.mp3");
  EXPECT_FALSE(fs::exists(out_.path() / "broken.mp3"));
  EXPECT_TRUE(probeMedia(out() + "/good.mp3").ok);
}

// Files named like sources without video or audio in them fail with what
// they are (nothing is written for them), and the good one still converts.
TEST_F(CliConvert, FilesWithoutVideoOrAudioFailWithWhatTheyAre) {
  ScratchDir in;
  const std::string notes = writeTextFile((in.path() / "notes.m4v").string());
  const std::string subtitles = (in.path() / "subtitles.mp4").string();
  ASSERT_EQ(generateSubtitleOnly(subtitles), "");
  const CliRun r = runConvert({"--profile", "mp3", "--quiet", "-o", out(), notes, subtitles, source_});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  const std::vector<std::string> lines = splitLines(r.out);
  ASSERT_EQ(lines.size(), 3u) << r.out;
  EXPECT_EQ(lines[0], "Fail: " + notes + ": not a video or audio file");
  EXPECT_EQ(lines[1], "Fail: " + subtitles + ": has no picture and no sound");
  EXPECT_EQ(lines[2].rfind("Done: " + source_, 0), 0u) << lines[2];
  EXPECT_EQ(filesInOut(), 1u);
}

TEST_F(CliConvert, AStopSignalAbortsTheRunningFileAndKeepsAPlayableOutputUnderAStoppedName) {
  const std::string longSource = ::longSource();
  ASSERT_FALSE(longSource.empty());
  const std::string planned = outputOf(longSource, ".mp4");
  const std::regex stoppedName(fs::path(planned).stem().string() + R"( \(stopped at 00-00-[0-3][0-9]\)\.mp4)");
  for (const int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    emptyOut();
    const bool json = sig == SIGTERM;
    std::vector<std::string> args{"--profile", "PS3", "-o", out(), longSource, source_};
    if (json) args.insert(args.begin(), "--json");
    const CliRun r = runConvert(
        args, [&](const std::string &out) { return contains(out, json ? "\"event\":\"progress\"" : "%  frames "); },
        120, {sig});
    EXPECT_EQ(r.status, 128 + sig) << r.out << r.err;
    // One file, the second was not started: the part converted, under a
    // name that says so, while the final name stays free.
    ASSERT_EQ(filesInOut(), 1u);
    const std::string output = fs::directory_iterator(out_.path())->path().string();
    EXPECT_TRUE(std::regex_match(fs::path(output).filename().string(), stoppedName)) << output;
    EXPECT_FALSE(fs::exists(planned));
    expectHas(r.out, {json ? R"("state":"Abort","output":")" + output + "\""
                           : "Abort: " + longSource + " -> " + output + " (partial)\n",
                      json ? R"("abort":1,"not_converted":1)" : "0 Fail, 1 Abort, 1 not converted"});
    // Closed properly: it opens, plays and is shorter than the source.
    const ProbedFile p = probeMedia(output);
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_NE(p.first("video"), nullptr);
    EXPECT_GT(p.durationSec, 0.0);
    EXPECT_LT(p.durationSec, 39.0);
    EXPECT_GT(decodeVideoRGB(output, [](const uint8_t *, int, int, int, double) {}), 0);
  }
}

// With --overwrite, an output that would be the source itself is refused:
// the source stays as it was.
TEST_F(CliConvert, OverwritingNeverReplacesTheSource) {
  const std::string inOut = out() + "/clip.mov";
  fs::copy_file(source_, inOut);
  const auto size = fs::file_size(inOut);
  const CliRun r = runConvert({"--profile", "MOV - QuickTime", "--overwrite", "-o", out(), inOut});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  expectHas(r.out, {"Fail: " + inOut + ": the output would replace the source file\n"});
  EXPECT_EQ(fs::file_size(inOut), size);
  EXPECT_TRUE(probeMedia(inOut).ok);
}

// A copy cannot change codecs: a source whose sound MP4 has no place for
// fails with that reason, and a source MP4 can hold is copied.
TEST_F(CliConvert, CopyingIntoMp4RefusesACodecItCannotHold) {
  MediaRecipe pcm = smallRecipe(1.0);
  pcm.audioCodec = "pcm_s16be";
  const std::string pcmSource = cachedFixture(pcm, "cli-pcm.mov");
  ASSERT_FALSE(pcmSource.empty());

  const CliRun r = runConvert({"--profile", "no re-encoding", "-q", "-o", out(), pcmSource, source_});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  const std::string copied = outputOf(source_, ".mp4");
  expectHas(r.out, {"Fail: " + pcmSource +
                        ": MP4 cannot hold the source's pcm_s16be audio; choose a profile that converts it",
                    "Done: " + source_ + " -> " + copied});
  EXPECT_FALSE(fs::exists((out_.path() / "cli-pcm.mp4")));
  const ProbedFile in = probeMedia(source_), p = probeMedia(copied);
  ASSERT_TRUE(p.ok) << p.error;
  ASSERT_NE(p.first("video"), nullptr);
  EXPECT_EQ(p.first("video")->codec, "h264");
  EXPECT_EQ(p.first("video")->frames, in.first("video")->frames);
  EXPECT_EQ(p.first("audio")->codec, "aac");
}

// --json for scripts, with a folder of sources and a file that is missing:
// one object a line, the missing file named once.
TEST_F(CliConvert, JsonLinesForAFolderOfSourcesAndAMissingFile) {
  ScratchDir in;
  fs::create_directories(in.path() / "sub");
  const std::string clip = (in.path() / "clip.mov").string();
  fs::copy_file(source_, clip);
  std::ofstream((in.path() / "notes.txt").string()) << "not a source";
  fs::copy_file(source_, in.path() / "sub" / "inner.mov");  // sub-folders are not entered
  const std::string gone = (in.path() / "gone.mov").string();

  const CliRun r = runConvert({"--json", "--profile", "mp3", "-o", out(), in.path().string(), gone});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  const std::vector<std::string> lines = splitLines(r.out);
  ASSERT_GE(lines.size(), 4u) << r.out;
  for (const std::string &line : lines) {
    EXPECT_EQ(line.rfind("{\"event\":\"", 0), 0u) << line;
    EXPECT_EQ(line.back(), '}') << line;
  }
  EXPECT_EQ(lines.front(), "{\"event\":\"started\",\"file\":\"" + clip + "\",\"output\":\"" + out() +
                               "/clip.mp3\",\"position\":1,\"count\":2}");
  size_t progress = 0;
  for (const std::string &line : lines) progress += line.rfind("{\"event\":\"progress\"", 0) == 0;
  EXPECT_GE(progress, 1u) << r.out;
  EXPECT_EQ(lines[lines.size() - 3],
            "{\"event\":\"ended\",\"file\":\"" + clip + "\",\"state\":\"Done\",\"output\":\"" + out() +
                "/clip.mp3\",\"reason\":null}");
  const std::string failed = lines[lines.size() - 2];
  EXPECT_TRUE(failed.starts_with("{\"event\":\"ended\",\"file\":\"" + gone +
                                 "\",\"state\":\"Fail\",\"output\":null,\"reason\":\""))
      << failed;
  EXPECT_EQ(failed.find(gone), failed.rfind(gone)) << "the missing file is named once: " << failed;
  EXPECT_EQ(lines.back(),
            "{\"event\":\"summary\",\"files\":2,\"done\":1,\"fail\":1,\"abort\":0,\"not_converted\":0,"
            "\"exit_status\":1}");
  EXPECT_TRUE(fs::exists(out_.path() / "clip.mp3"));
  EXPECT_FALSE(fs::exists(out_.path() / "inner.mp3"));

  // The same missing file in the final line of the plain output.
  const CliRun plain = runConvert({"--profile", "mp3", "-o", out(), gone});
  const std::string fail = "Fail: " + gone + ": ";
  ASSERT_NE(plain.out.find(fail), std::string::npos) << plain.out;
  const std::string line = plain.out.substr(plain.out.find(fail), plain.out.find('\n', plain.out.find(fail)));
  EXPECT_EQ(line.find(gone), line.rfind(gone)) << line;
}

// A phone's clip keeps its recording place unless --no-metadata is given,
// and the run says so.
TEST_F(CliConvert, TheRecordingPlaceIsKeptAndSaid) {
  const std::string phone = cachedFixture(phoneClipRecipe(1.0), "cli-phone.mov");
  ScratchDir other;
  const std::string name = "/" + fs::path(phone).stem().string() + ".mkv";
  const std::string kept = out() + name, bare = other.path().string() + name;
  const CliRun json = runConvert({"--json", "--profile", "MKV - H.264", "-o", out(), phone});
  ASSERT_EQ(json.status, 0) << json.out << json.err;
  expectHas(json.out, {R"("count":1,"notice":"keeps the recording place"})"});
  const CliRun plain = runConvert({"--no-metadata", "--profile", "MKV - H.264", "-o", other.path().string(), phone});
  ASSERT_EQ(plain.status, 0) << plain.out << plain.err;
  EXPECT_FALSE(contains(plain.out, "keeps the recording place")) << plain.out;
  EXPECT_EQ(probeMedia(kept).metadata.count("location"), 1u);
  EXPECT_EQ(probeMedia(bare).metadata.count("location"), 0u);
}

// With --overwrite, an output that would replace another file given as a
// source is refused as well, also when the output's name is a link to it.
TEST_F(CliConvert, OverwritingNeverReplacesAnotherListedSource) {
  ScratchDir in;
  const std::string otherSource = cachedFixture(smallRecipe(3.0), "cli-other.mp4");
  const std::string mov = (in.path() / "clip.mov").string();
  const std::string mp4 = (in.path() / "clip.mp4").string();
  const std::string other = (in.path() / "other.mp4").string();
  fs::copy_file(source_, mov);
  fs::copy_file(otherSource, mp4);
  fs::copy_file(otherSource, other);
  const auto size = fs::file_size(mp4);
  CliRun r = runConvert({"--profile", "ipod (*.mp4)", "--overwrite", "-q", "-o", in.path().string(), mov, mp4});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  expectHas(r.out, {"Fail: " + mov + ": the output would replace another listed source: " + mp4 + "\n",
                    "Fail: " + mp4 + ": the output would replace the source file\n"});
  EXPECT_EQ(fs::file_size(mp4), size);

  // The output folder holds a link named like the first output, pointing
  // at the second source.
  fs::create_symlink(other, out_.path() / "clip.mp4");
  r = runConvert({"--profile", "ipod (*.mp4)", "--overwrite", "-q", "-o", out(), mov, other});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  expectHas(r.out, {"Fail: " + mov + ": the output would replace another listed source: " + other + "\n",
                    "Done: " + other + " -> " + out() + "/other.mp4\n"});
  EXPECT_EQ(fs::file_size(other), size);
  EXPECT_NEAR(probeMedia(other).durationSec, 3.0, 0.3);
  EXPECT_TRUE(fs::is_symlink(out_.path() / "clip.mp4"));
}

TEST_F(CliConvert, FailuresGiveTheirReasonAndLeaveNothingBehind) {
  // A copy that stopped early, of a file whose index comes first.
  MediaRecipe recipe = smallRecipe(8.0);
  recipe.fastStart = true;
  ScratchDir in;
  const std::string cut = (in.path() / "cut.mp4").string();
  const std::string whole = fileBytes(cachedFixture(recipe, "cli-faststart.mp4"));
  writeFileBytes(cut, whole.substr(0, whole.size() * 4 / 10));
  CliRun r = runConvert({"--profile", "mp3", "-q", "-o", out(), cut});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  expectHas(r.out, {"Fail: " + cut + ": the source ends early (damaged or incomplete): 00:00:0",
                    " of 00:00:08 could be read\n"});
  EXPECT_EQ(filesInOut(), 0u);

  // A disk that fills up (here: a limit on the size of files).
  const std::string source = longSource();
  r = runConvert({"--profile", "PS3", "-q", "-o", out(), source}, nullptr, 120, {}, [] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{200000, 200000};
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  const std::string output = outputOf(source, ".mp4");
  expectHas(r.out, {"Fail: " + source + ": Could not write '" + output + "': File too large\n"});
  EXPECT_EQ(filesInOut(), 0u);
}

TEST_F(CliConvert, ASecondStopSignalLeavesAWholeOutputOrNone) {
  const std::string source = longSource();
  const auto converting = [](const std::string &out) { return contains(out, "%  frames "); };
  CliRun r = runConvert({"--profile", "PS3", "-o", out(), source}, converting, 120, {SIGTERM, SIGTERM});
  EXPECT_EQ(r.status, 143) << r.out << r.err;
  expectHas(r.out, {"Abort: " + source});
  // Never a file without its index, never a temporary one left behind.
  for (const auto &e : fs::directory_iterator(out_.path())) {
    const std::string name = e.path().filename().string();
    EXPECT_NE(name[0], '.') << name;
    EXPECT_TRUE(probeMedia(e.path().string()).ok) << name;
  }
  emptyOut();

  // Killed outright, it leaves only its hidden temporary file.
  r = runConvert({"--profile", "PS3", "-o", out(), source}, converting, 120, {SIGKILL});
  EXPECT_EQ(r.status, -1);
  ASSERT_EQ(filesInOut(), 1u);
  const std::string left = fs::directory_iterator(out_.path())->path().filename().string();
  EXPECT_TRUE(std::regex_match(left, std::regex(R"(\.trevix-part-[a-z0-9]{8}\.mp4)"))) << left;
  // The next run into the folder removes it.
  r = runConvert({"--profile", "PS3", "-q", "-o", out(), source_});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_FALSE(fs::exists(out_.path() / left));
}

TEST_F(CliConvert, AStopSignalEndsTheWaitForSourcesThatSendNothing) {
  // Two such sources are probed at once on a machine of several cores.
  for (const int count : {1, 2}) {
    std::vector<std::string> args = {"--profile", "mp3", "-o", out()};
    std::vector<int> writers;
    for (int i = 0; i < count; ++i) {
      args.push_back(out() + "/live-" + std::to_string(count) + std::to_string(i) + ".mov");
      ASSERT_EQ(mkfifo(args.back().c_str(), 0600), 0);
      // Held open for writing, so that a reader waits instead of seeing its end.
      writers.push_back(open(args.back().c_str(), O_RDWR | O_CLOEXEC));
      ASSERT_GE(writers.back(), 0);
    }
    const auto start = std::chrono::steady_clock::now();
    const auto late = [&](const std::string &) {
      return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(700);
    };
    const CliRun r = runConvert(args, late, 15);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const int w : writers) close(w);
    EXPECT_EQ(r.status, 130) << r.out << r.err;
    EXPECT_LT(seconds, 3.0) << count;
    expectHas(r.out,
              {count == 1 ? "1 file: 0 Done, 0 Fail, 1 not converted" : "2 files: 0 Done, 0 Fail, 2 not converted"});
  }
}
