// What a conversion claims and what it leaves on disk: outputs appear under
// their names only when whole and never through someone else's file; a run
// that is cut short, or writes nothing, fails with its reason and leaves
// nothing; sources are read as files (never as protocols or lists of other
// files), and a source that sends nothing can be stopped.
#include <fcntl.h>
#include <poll.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/file.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <regex>
#include <thread>

#include "clip_catalogue.h"
#include "engine_driver.h"
#include "file_bytes.h"
#include "media_engine.h"
#include "media_fixture.h"
#include "media_probe.h"
#include "test_env.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

class FileSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    requireLibraries();
    signal(SIGPIPE, SIG_IGN);  // a pipe whose reader went away
  }
  // Every name in the scratch folder, hidden ones included, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> n;
    for (const auto &e : fs::directory_iterator(dir.path())) n.push_back(e.path().filename().string());
    std::sort(n.begin(), n.end());
    return n;
  }
  ScratchDir dir;
};

// The hidden name an output has while it is written.
const std::regex kTemporaryName(R"(\.trevix-part-[a-z0-9]{8}\.mp4)");

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// The first `fraction` of `from`'s bytes, written to `to`.
void copyPart(const std::string &from, const std::string &to, double fraction) {
  const std::string data = fileBytes(from);
  writeFileBytes(to, data.substr(0, static_cast<size_t>(static_cast<double>(data.size()) * fraction)));
}

// A conversion on a worker thread of its own engine, and how it ended.
struct BackgroundConversion {
  struct End {
    bool finished = false, exception = false;
    std::string message, keptOutput;
  };
  std::promise<End> ended;
  std::future<End> result = ended.get_future();
  std::unique_ptr<MediaEngine> engine = std::make_unique<MediaEngine>();  // goes first
  std::atomic<bool> destroying{false};  // the engine is being freed: ask it nothing

  // Adds the task and its output; false (with the reason in the test log)
  // when either is refused.
  bool prepare(const std::string &source, const std::string &output, OutputOptions o = mp4Options()) {
    if (!engine->loadAVLib(TREVIX_COMMON_DIR, true)) return false;
    engine->onTerminate = [this](int32_t index, bool finished, bool exception, const std::string &message) {
      if (index < 0) return;
      ended.set_value(End{finished, exception, message, destroying ? "" : engine->taskStatus(index).keptOutput});
    };
    InputOptions in;
    const int index = engine->addTask(source, &in);
    EXPECT_GE(index, 0) << engine->lastErrorMessage();
    if (index < 0) return false;
    const bool ok = engine->setOutput(index, output, &o);
    EXPECT_TRUE(ok) << engine->lastErrorMessage();
    return ok;
  }
  void start() { engine->startConvert(1); }
  // Whether the task ended within `seconds`.
  bool endsWithin(double seconds) {
    return result.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready;
  }
};

// A named pipe the test holds open for writing, so that a reader waits for
// data instead of seeing its end; closing it ends the wait.
class SilentPipe {
 public:
  explicit SilentPipe(const std::string &path) {
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC);  // never blocks, unlike O_WRONLY
    EXPECT_GE(fd_, 0);
  }
  ~SilentPipe() { close(); }
  // Writes `bytes` for a reader (from a thread of its own: the pipe holds
  // only so much until the reader takes it). Never blocks for good: a
  // reader that stops early leaves the rest unwritten when the pipe closes.
  void feed(std::string bytes) {
    writer_ = std::thread([this, bytes = std::move(bytes)] {
      for (size_t done = 0; done < bytes.size() && !closing_;) {
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        // With room signalled, a write of one pipe buffer's worth never blocks.
        const ssize_t n = write(fd_, bytes.data() + done, std::min<size_t>(PIPE_BUF, bytes.size() - done));
        if (n <= 0) return;
        done += static_cast<size_t>(n);
      }
    });
  }
  void close() {
    closing_ = true;
    if (writer_.joinable()) writer_.join();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  std::atomic<bool> closing_{false};
  std::thread writer_;
};

}  // namespace

// ---------------------------------------------------------------- outputs

TEST_F(FileSafety, AnOutputIsWrittenUnderAHiddenNameAndNamedWhenWhole) {
  const std::string out = dir.file("clip.mp4");
  std::vector<std::string> whileWriting;
  ConvertSetup s = oneOutput(out);
  // The last report comes once the trailer is written.
  s.onProgress = [&](MediaEngine &, const ProgressSample &) { whileWriting = names(); };
  const Conversion r = convert(smallSource(2.0), s);
  ASSERT_TRUE(r.finished) << r.message << r.lastError;
  ASSERT_EQ(whileWriting.size(), 1u);
  EXPECT_TRUE(std::regex_match(whileWriting[0], kTemporaryName)) << whileWriting[0];
  EXPECT_EQ(names(), std::vector<std::string>{"clip.mp4"});
  EXPECT_EQ(r.keptOutput, out);
  EXPECT_TRUE(probeMedia(out).ok);

  // A legal name of 252 bytes: the temporary name is short whatever the
  // final one.
  const std::string longName = dir.file(std::string(248, 'n') + ".mp4");
  const Conversion l = convert(smallSource(1.0), longName, mp4Options());
  EXPECT_TRUE(l.finished) << l.message << l.lastError;
  EXPECT_TRUE(probeMedia(longName).ok);
}

// Temporary files of runs that were killed: those no conversion holds are
// removed (and the log says so); one held, and every other file, stays.
TEST_F(FileSafety, TemporaryFilesNoConversionHoldsAreRemoved) {
  for (const char *name : {".trevix-part-dead0001.mp4", ".trevix-part-held0001.mp4", ".trevix-part-dead0002",
                           ".trevix-part-notes.txt", ".clip.part.mp4", "notes.txt"})
    std::ofstream(dir.file(name)) << "x";
  const int held = open(dir.file(".trevix-part-held0001.mp4").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  const Conversion r = convert(smallSource(1.0), dir.file("clip.mp4"), mp4Options());
  close(held);
  EXPECT_TRUE(r.finished) << r.message << r.lastError;
  EXPECT_EQ(names(), (std::vector<std::string>{".clip.part.mp4", ".trevix-part-held0001.mp4",
                                               ".trevix-part-notes.txt", "clip.mp4", "notes.txt"}));
  EXPECT_EQ(r.logCount("Removed the temporary file of a conversion that did not end: "), 2);
  EXPECT_TRUE(r.logHas("Removed the temporary file of a conversion that did not end: " +
                       dir.file(".trevix-part-dead0001.mp4")));
}

TEST_F(FileSafety, TwoEnginesEndingOnOneNameKeepBothOutputsUnderFreeNames) {
  const std::string shortSource = smallSource(2.0), longSource = smallSource(4.0);
  const std::string out = dir.file("clip.mp4");
  BackgroundConversion a, b;
  // Both find the name free and write at the same time.
  ASSERT_TRUE(a.prepare(shortSource, out));
  ASSERT_TRUE(b.prepare(longSource, out));
  a.start();
  b.start();
  ASSERT_TRUE(a.endsWithin(60) && b.endsWithin(60));
  const auto endA = a.result.get(), endB = b.result.get();
  ASSERT_TRUE(endA.finished && endB.finished) << endA.message << " / " << endB.message;
  // The later takes the next free name and says so; each file is whole.
  EXPECT_EQ(names(), (std::vector<std::string>{"clip-1.mp4", "clip.mp4"}));
  EXPECT_NE(endA.keptOutput, endB.keptOutput);
  for (const auto &[end, seconds] : {std::pair{endA, 2.0}, std::pair{endB, 4.0}}) {
    EXPECT_TRUE(end.keptOutput == out || end.keptOutput == dir.file("clip-1.mp4")) << end.keptOutput;
    EXPECT_NEAR(probeMedia(end.keptOutput).durationSec, seconds, 0.3) << end.keptOutput;
  }
}

TEST_F(FileSafety, OverwritingReplacesALinkNeverTheFileItPointsTo) {
  const std::string other = dir.file("other.mov");
  fs::copy_file(smallSource(2.0), other);
  const auto size = fs::file_size(other);
  const std::string out = dir.file("clip.mp4");
  fs::create_symlink(other, out);
  OutputOptions o = mp4Options();
  o.overwrite = true;
  const Conversion r = convert(smallSource(1.0), out, o);
  ASSERT_TRUE(r.finished) << r.message << r.lastError;
  EXPECT_EQ(fs::file_size(other), size);
  EXPECT_TRUE(probeMedia(other).ok);
  EXPECT_FALSE(fs::is_symlink(out));
  EXPECT_TRUE(probeMedia(out).ok);
}

TEST_F(FileSafety, AnOutputFolderRemovedDuringTheRunFailsTheTask) {
  const fs::path folder = dir.path() / "out";
  fs::create_directories(folder);
  const std::string out = (folder / "clip.mp4").string();
  ConvertSetup s = oneOutput(out);
  s.onProgress = [&](MediaEngine &, const ProgressSample &) { fs::remove_all(folder); };
  const Conversion r = convert(smallSource(2.0), s);
  ASSERT_TRUE(r.failed()) << r.lastError;
  EXPECT_EQ(r.message, "Could not move the output to '" + out + "': No such file or directory");
  EXPECT_FALSE(fs::exists(folder));
}

// ---------------------------------------------------------------- results

TEST_F(FileSafety, ASourceWithoutSamplesFailsAndWritesNothing) {
  const MediaRecipe emptyWav{
      .path = dir.file("empty.wav"), .durationSec = 0, .videoCodec = "", .audioCodec = "pcm_s16le"};
  ASSERT_EQ(generateMedia(emptyWav), "");
  // A movie whose sound track holds no sample (a container that lists its
  // tracks up front keeps an empty one).
  MediaRecipe silentTrack = smallClipRecipe(2.0);
  silentTrack.path = dir.file("silent.mkv");
  silentTrack.audioStartSec = 10.0;
  ASSERT_EQ(generateMedia(silentTrack), "");

  const Conversion wav = convert(emptyWav.path, dir.file("copy.wav"), OutputOptions{});
  EXPECT_TRUE(wav.failed());
  EXPECT_EQ(wav.message, "the output has no audio: the source gave none");
  ASSERT_NE(probeMedia(silentTrack.path).first("audio"), nullptr);
  const Conversion movie = convert(silentTrack.path, dir.file("silent.mp4"), mp4Options());
  EXPECT_TRUE(movie.exception);
  EXPECT_EQ(movie.message, "the output has no audio: the source gave none");
  EXPECT_EQ(names(), (std::vector<std::string>{"empty.wav", "silent.mkv"}));
}

TEST_F(FileSafety, ASourceCutShortBeforeTheConversionFailsUnlessALimitStopsFirst) {
  // A copy that stopped early, of a file whose index comes first: it opens
  // and declares 8 s, but holds about 3.
  MediaRecipe recipe = smallClipRecipe(8.0);
  recipe.fastStart = true;
  const std::string cut = dir.file("cut.mp4");
  copyPart(cachedFixture(recipe, "faststart.mp4"), cut, 0.4);
  const Conversion r = convert(cut, dir.file("out.mp4"), mp4Options());
  ASSERT_TRUE(r.failed()) << r.lastError;
  EXPECT_EQ(r.message.rfind("the source ends early (damaged or incomplete): 00:00:0", 0), 0u) << r.message;
  EXPECT_NE(r.message.find(" of 00:00:08 could be read"), std::string::npos) << r.message;
  EXPECT_EQ(names(), std::vector<std::string>{"cut.mp4"});

  // Asked for the first 2 s only, the readable part is enough.
  OutputOptions first2s = mp4Options();
  first2s.recordingTimeMs = 2000;
  const Conversion limited = convert(cut, dir.file("first.mp4"), first2s);
  EXPECT_TRUE(limited.finished) << limited.message;
  EXPECT_NEAR(probeMedia(dir.file("first.mp4")).durationSec, 2.0, 0.3);
}

TEST_F(FileSafety, ASourceWithoutAnIndexMayEndEarlyByHalfASecondOr2PerCent) {
  // 8 kHz mono 16-bit sound in Matroska: its header declares the whole
  // length; the cut takes about `missing` seconds off the end.
  struct Case {
    double seconds, missing;
    bool done;
  };
  for (const Case &c : {Case{40, 0.65, true}, Case{20, 0.75, false}, Case{10, 0.4, true}}) {
    SCOPED_TRACE(std::to_string(c.missing) + " s of " + std::to_string(c.seconds));
    const MediaRecipe r{.path = dir.file("whole.mka"), .durationSec = c.seconds, .videoCodec = "",
                        .audioCodec = "pcm_s16le", .sampleRate = 8000, .channels = 1};
    ASSERT_EQ(generateMedia(r), "");
    const std::string cut = dir.file("cut.mka");
    fs::copy_file(r.path, cut, fs::copy_options::overwrite_existing);
    fs::resize_file(cut, fs::file_size(cut) - static_cast<uintmax_t>(c.missing * 8000 * 2));
    const Conversion conv = convert(cut, dir.file("out.wav"), OutputOptions{});
    EXPECT_EQ(conv.finished, c.done) << conv.message;
    if (!c.done) {
      EXPECT_EQ(conv.message, "the source ends early (damaged or incomplete): 00:00:19 of 00:00:20 could be read");
    }
    fs::remove(dir.file("out.wav"));
  }
}

TEST_F(FileSafety, AnMp4IsMeasuredByItsIndexNotByTheLengthItsHeaderDeclares) {
  // Short by about 0.1 s, well within the time rule's half second: samples
  // the index lists are not there.
  MediaRecipe recipe = smallClipRecipe(4.0);
  recipe.fastStart = true;
  const std::string cut = dir.file("cut.mp4");
  copyPart(cachedFixture(recipe, "faststart-4s.mp4"), cut, 0.97);
  const Conversion r = convert(cut, dir.file("out.mp4"), mp4Options());
  ASSERT_TRUE(r.failed()) << r.lastError;
  EXPECT_EQ(r.message.rfind("the source ends early (damaged or incomplete): ", 0), 0u) << r.message;
  EXPECT_NE(r.message.find(" samples its index lists could be read"), std::string::npos) << r.message;

  // Fragmented, its tracks' headers declaring 6 s for 2 s of samples: every
  // sample reads, so it converts.
  MediaRecipe fragmented = smallClipRecipe(2.0);
  fragmented.path = dir.file("fragmented.mp4");
  fragmented.muxerOptions = "movflags=frag_keyframe+empty_moov";
  ASSERT_EQ(generateMedia(fragmented), "");
  std::string data = fileBytes(fragmented.path);
  for (size_t mdhd = data.find("mdhd"); mdhd != std::string::npos; mdhd = data.find("mdhd", mdhd + 1)) {
    ASSERT_EQ(data[mdhd + 4], 0);  // version 0: the time scale at 16, the duration at 20
    setBigEndian32(data, mdhd + 20, 6 * bigEndian32(data, mdhd + 16));
  }
  writeFileBytes(fragmented.path, data);
  ASSERT_NEAR(probeMedia(fragmented.path).durationSec, 6.0, 0.1);
  const Conversion whole = convert(fragmented.path, dir.file("whole.mp4"), mp4Options());
  EXPECT_TRUE(whole.finished) << whole.message;
  EXPECT_EQ(names(), (std::vector<std::string>{"cut.mp4", "fragmented.mp4", "whole.mp4"}));
}

TEST_F(FileSafety, ASourceCutShortWhileItConvertsFails) {
  const std::string source = dir.file("shrinking.mov");
  fs::copy_file(smallSource(8.0), source);
  ConvertSetup s = oneOutput(dir.file("out.mp4"));
  // Opened, index read, streams set up: now the file loses its end.
  s.onLog = [&](MediaEngine &, const std::string &line) {
    if (line.find("Stream mapping:") != std::string::npos)
      fs::resize_file(source, fs::file_size(source) * 4 / 10);
  };
  const Conversion r = convert(source, s);
  ASSERT_TRUE(r.failed()) << r.lastError;
  EXPECT_EQ(r.message.rfind("the source ends early (damaged or incomplete): 00:00:0", 0), 0u) << r.message;
  EXPECT_NE(r.message.find(" of 00:00:08 could be read"), std::string::npos) << r.message;
  EXPECT_EQ(names(), std::vector<std::string>{"shrinking.mov"});
}

// ---------------------------------------------------------------- sources

TEST_F(FileSafety, APipeThatSendsNothingIsGivenUpWithinASecond) {
  // Nobody writes: the opening fails at once instead of waiting for a
  // writer.
  const std::string lonely = dir.file("lonely.mov");
  ASSERT_EQ(mkfifo(lonely.c_str(), 0600), 0);
  MediaEngine engine;
  ASSERT_TRUE(engine.loadAVLib(TREVIX_COMMON_DIR, true));
  // Should the opening wait after all, a writer that comes and goes ends it.
  std::thread rescue([&] {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const int fd = open(lonely.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) close(fd);
  });
  auto t0 = Clock::now();
  InputOptions in;
  EXPECT_LT(engine.addTask(lonely, &in), 0);
  EXPECT_LT(secondsSince(t0), 1.0);
  rescue.join();

  // A writer that sends nothing: interrupt() ends the wait.
  const std::string silent = dir.file("silent.mov");
  SilentPipe pipe(silent);
  std::promise<int> added;
  std::thread opener([&] {
    InputOptions options;
    added.set_value(engine.addTask(silent, &options));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  t0 = Clock::now();
  engine.interrupt();
  auto result = added.get_future();
  const bool ended = result.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
  EXPECT_TRUE(ended);
  if (!ended) pipe.close();
  opener.join();
  EXPECT_LT(result.get(), 0);
  EXPECT_EQ(engine.lastErrorMessage(), silent + ": stopped while opening");

  // The probe likewise, until it is told to go on.
  MediaProbe &probe = engine.probe();
  EXPECT_FALSE(probe.open(silent));
  EXPECT_EQ(probe.lastError(), silent + ": stopped while opening");
  probe.clearInterrupt();
  std::thread probing([&] { EXPECT_FALSE(probe.open(silent)); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  t0 = Clock::now();
  probe.interrupt();
  probing.join();
  EXPECT_LT(secondsSince(t0), 1.0);
  EXPECT_EQ(probe.lastError(), silent + ": stopped while opening");
}

TEST_F(FileSafety, ATaskWaitingForAPipeEndsWithinASecondOnStopAndOnDestruction) {
  MediaRecipe recipe = smallClipRecipe(10.0);
  recipe.videoCodec = "mpeg4";
  recipe.audioCodec = "mp2";
  const std::string stream = cachedFixture(recipe, "stream.ts");
  const std::string bytes = fileBytes(stream);
  for (const bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "destruction" : "stop");
    const std::string live = dir.file(destroy ? "live2.ts" : "live1.ts");
    SilentPipe pipe(live);
    // Seven of the ten seconds arrive, then nothing more.
    pipe.feed(bytes.substr(0, bytes.size() * 7 / 10));
    BackgroundConversion c;
    ASSERT_TRUE(c.prepare(live, dir.file(destroy ? "out2.mp4" : "out1.mp4")));
    c.start();
    ASSERT_FALSE(c.endsWithin(1.5));  // converted what came, waiting for more
    const auto t0 = Clock::now();
    if (destroy) {
      c.destroying = true;
      c.engine.reset();
      EXPECT_LT(secondsSince(t0), 1.0);
    } else {
      c.engine->stop();
      const bool ended = c.endsWithin(1.0);
      EXPECT_TRUE(ended);
      if (!ended) pipe.close();
      ASSERT_TRUE(c.endsWithin(30));
      const auto end = c.result.get();
      // Stopped with what was converted kept.
      EXPECT_FALSE(end.finished);
      EXPECT_FALSE(end.exception) << end.message;
      // Under a name that tells the position reached; the final name stays free.
      EXPECT_TRUE(std::regex_match(end.keptOutput, std::regex(".*/out1 \\(stopped at 00-00-0[1-9]\\)\\.mp4")))
          << end.keptOutput;
      EXPECT_TRUE(probeMedia(end.keptOutput).ok);
      EXPECT_FALSE(fs::exists(dir.file("out1.mp4")));
    }
  }
}

TEST_F(FileSafety, NamesAreFilesNotProtocols) {
  const fs::path previous = fs::current_path();
  fs::current_path(dir.path());
  // A relative name with a colon, and an output folder called "file:".
  fs::copy_file(smallSource(1.0), "2024-05-01T10:30.mov");
  fs::create_directory("file:");
  const Conversion r = convert("2024-05-01T10:30.mov", "file:/trevix-name-check.mp4", mp4Options());
  fs::current_path(previous);
  EXPECT_TRUE(r.finished) << r.message << r.lastError;
  EXPECT_TRUE(probeMedia((dir.path() / "file:" / "trevix-name-check.mp4").string()).ok);
  std::error_code ec;
  EXPECT_FALSE(fs::exists("/trevix-name-check.mp4", ec));
  fs::remove("/trevix-name-check.mp4", ec);
}

TEST_F(FileSafety, AListThatNamesOtherFilesIsNotOpenedAsASource) {
  fs::copy_file(smallSource(1.0), dir.file("clip.mov"));
  const std::string list = dir.file(".mov");
  std::ofstream(list) << "ffconcat version 1.0\nfile 'clip.mov'\n";
  const std::string refusal = list + ": not accepted as a source: it is a concat list, which names other files";
  MediaEngine engine;
  ASSERT_TRUE(engine.loadAVLib(TREVIX_COMMON_DIR, true));
  InputOptions in;
  EXPECT_LT(engine.addTask(list, &in), 0);
  EXPECT_EQ(engine.lastErrorMessage(), refusal);
  EXPECT_FALSE(engine.probe().open(list));
  EXPECT_EQ(engine.probe().lastError(), refusal);
}
