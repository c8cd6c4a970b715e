// The media probe and the engine log.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>
#include <tuple>

#include "binding.h"
#include "clip_catalogue.h"
#include "engine_log.h"
#include "file_bytes.h"
#include "media_engine.h"
#include "media_fixture.h"
#include "media_probe.h"
#include "odd_sources.h"
#include "open_errors.h"
#include "test_env.h"
#include "thread_ids.h"
#include "transcode_task.h"

namespace {

struct LogLine {
  int index;
  LogLevel level;
  std::string text;
};

class ProbeLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    requireLibraries();
    ASSERT_TRUE(engine.loadAVLib(TREVIX_COMMON_DIR, true));
    engine.setLogLevel(LogLevel::Info);
    engine.onLog = [this](int32_t index, LogLevel level, const std::string &text) {
      std::lock_guard<std::mutex> g(m);
      lines.push_back({index, level, text});
    };
  }
  void TearDown() override { engine.setLogLevel(LogLevel::Info); }
  std::vector<LogLine> loggedLines() {
    std::lock_guard<std::mutex> g(m);
    return lines;
  }
  // The lines that hold `text` (or that are `text` when `whole`).
  std::vector<LogLine> containing(const std::string &text, bool whole = false) {
    std::vector<LogLine> out;
    for (const auto &l : loggedLines())
      if (whole ? l.text == text : l.text.find(text) != std::string::npos) out.push_back(l);
    return out;
  }
  std::vector<LogLine> exactly(const std::string &text) { return containing(text, true); }
  static void message(int level, const char *text) { libavutil.av_log(nullptr, level, "%s", text); }

  std::mutex m;
  std::vector<LogLine> lines;
  ScratchDir scratch;
  MediaEngine engine;
};

TEST_F(ProbeLogTest, CountsOfAFileWithAudioThenVideo) {
  const std::string file = coreAudioFirstSource();
  ASSERT_FALSE(file.empty());
  MediaProbe &p = engine.probe();
  ASSERT_TRUE(p.open(file)) << p.lastError();
  EXPECT_EQ(std::tuple(p.streamCount(), p.audioStreamCount(), p.videoStreamCount(), p.subtitleStreamCount()),
            std::tuple(2, 1, 1, 0));
  EXPECT_EQ(std::tuple(p.firstAudioStream(), p.firstVideoStream(), p.firstSubtitleStream()), std::tuple(0, 1, -1));
  EXPECT_EQ(p.formatName(), "");

  VideoStreamInfo v;
  p.getVideoStreamInfo(0, v);
  EXPECT_EQ(std::tuple(v.width, v.height), std::tuple(-1, -1));
  EXPECT_EQ(containing("stream #0 is not video stream.").size(), 1u);
  p.getVideoStreamInfo(7, v);
  EXPECT_EQ(containing("stream index #7 is invalid.").size(), 1u);

  p.getVideoStreamInfo(-1, v);
  EXPECT_EQ(std::tuple(v.width, v.height, v.frameRateNum, v.frameRateDen), std::tuple(320, 240, 25, 1));
  EXPECT_STREQ(v.codecName, "mpeg4");
  EXPECT_NEAR(v.durationUs, 2000000, 100000);

  MediaFileInfo f;
  p.getFileInfo(f);
  EXPECT_NEAR(static_cast<double>(f.duration), 2000000.0, 100000.0);
  EXPECT_GT(f.bitRate, 0);

  p.close();
  EXPECT_EQ(p.streamCount(), -1);
  p.getFileInfo(f);
  EXPECT_EQ(f.duration, -1);
  EXPECT_EQ(containing("file not loaded.").size(), 1u);
}

TEST_F(ProbeLogTest, ProbeFailures) {
  MediaProbe p;
  const std::string missing = scratch.file("none.mov");
  EXPECT_FALSE(p.open(missing));
  EXPECT_EQ(p.lastError(), missing + ": no such file or directory");
  EXPECT_FALSE(p.notSource());
  EXPECT_EQ(p.streamCount(), -1);
  EXPECT_EQ(p.firstVideoStream(), -1);
  MediaFileInfo f;
  p.getFileInfo(f);
  EXPECT_EQ(std::tuple(f.startTime, f.bitRate), std::tuple(-1, -1));

  EXPECT_FALSE(p.open(coreSource(2.0), "nosuchformat"));
  EXPECT_EQ(p.lastError(), "Unknown input format: nosuchformat");

  const std::string empty = scratch.file("empty.mov");
  std::ofstream(empty).close();
  EXPECT_FALSE(p.open(empty));
  EXPECT_EQ(p.lastError().rfind(empty + ": ", 0), 0u);

  const std::string noise = scratch.file("noise.mov");
  std::string bytes(20000, '\0');
  for (int i = 0; i < 20000; ++i) bytes[i] = static_cast<char>((i * 7919) & 0xFF);
  writeFileBytes(noise, bytes);
  EXPECT_FALSE(p.open(noise));
  EXPECT_EQ(p.lastError(), noise + ": Unknown format");
  // A text file the raw video reader takes by its name.
  const std::string notes = writeTextFile(scratch.file("notes.m4v"));
  EXPECT_FALSE(p.open(notes));
  EXPECT_EQ(p.lastError(), notes + ": not a video or audio file");
  EXPECT_TRUE(p.notSource());
  ASSERT_TRUE(p.open(coreSource(2.0), "mov"));
  EXPECT_EQ(p.formatName(), "mov");
}

TEST_F(ProbeLogTest, OpenErrorTable) {
  EXPECT_EQ(openErrorText(AVERROR(ENOENT), "a"), "a: no such file or directory");
  EXPECT_EQ(openErrorText(AVERROR(ENOMEM), "a"), "a: memory allocation error occurred");
  EXPECT_EQ(openErrorText(AVERROR(EIO), "a"),
            "a: I/O error occurred\r\nUsually that means that input file is truncated and/or corrupted.");
  EXPECT_EQ(openErrorText(AVERROR_INVALIDDATA, "a"), "a: Error while parsing header");
  EXPECT_EQ(openErrorText(kOpenErrorUnknownFormat, "a"), "a: Unknown format");
  // Codes outside the table in the system's words.
  EXPECT_EQ(openErrorText(AVERROR(EACCES), "a"), "a: Permission denied");
  EXPECT_EQ(openErrorText(AVERROR(EISDIR), "a"), "a: Is a directory");
  EXPECT_NE(openErrorText(kOpenErrorImageNameSyntax, "a").find("use 'img%d.jpg'"), std::string::npos);
}

TEST_F(ProbeLogTest, AnImpossibleTableIsReportedAsDamageNotAsMemory) {
  // A chunk table whose count (0xFFFFFFFF) no file could hold.
  std::string data = fileBytes(coreSource(2.0));
  const size_t table = data.find("stco");
  ASSERT_NE(table, std::string::npos);
  setBigEndian32(data, table + 8, 0xFFFFFFFF);
  const std::string damaged = scratch.file("damaged.mov");
  writeFileBytes(damaged, data);
  const std::string expected =
      damaged + ": the file is damaged: one of its tables claims more entries than memory could hold";
  MediaProbe p;
  EXPECT_FALSE(p.open(damaged));
  EXPECT_EQ(p.lastError(), expected);
  EXPECT_EQ(engine.addTask(damaged), -1);
  EXPECT_EQ(engine.lastErrorMessage(), expected);
}

TEST_F(ProbeLogTest, LinesAreAssembledPerThread) {
  message(AV_LOG_INFO, "first half, ");
  EXPECT_TRUE(containing("first half").empty());
  message(AV_LOG_INFO, "second half\n");
  auto l = containing("first half");
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l[0].text, "first half, second half");
  EXPECT_EQ(l[0].index, -1);
  EXPECT_EQ(l[0].level, LogLevel::Info);

  message(AV_LOG_ERROR, "line A\nline B\n");
  ASSERT_EQ(containing("line A").size(), 1u);
  EXPECT_EQ(containing("line A")[0].text, "line A");
  EXPECT_EQ(containing("line B")[0].level, LogLevel::Error);

  // A partial line of another thread does not mix with this one's.
  std::thread([] { message(AV_LOG_INFO, "other thread "); }).join();
  message(AV_LOG_INFO, "mine\n");
  EXPECT_EQ(containing("mine")[0].text, "mine");
}

TEST_F(ProbeLogTest, PrefixOfALibraryObject) {
  AVFormatContext *ctx = libavformat.avformat_alloc_context();
  libavutil.av_log(ctx, AV_LOG_INFO, "from a context\n");
  libavformat.avformat_free_context(ctx);
  auto l = containing("from a context");
  ASSERT_EQ(l.size(), 1u);
  // "[name @ XXXXXXXX]" with 8 upper-case hexadecimal digits, no blank after.
  const std::string &t = l[0].text;
  const size_t at = t.find(" @ ");
  ASSERT_EQ(t[0], '[');
  ASSERT_NE(at, std::string::npos);
  EXPECT_GT(at, 1u);
  ASSERT_EQ(t.size(), at + 3 + 8 + 1 + std::string("from a context").size()) << t;
  for (size_t i = at + 3; i < at + 11; ++i) EXPECT_TRUE(std::isdigit(t[i]) || (t[i] >= 'A' && t[i] <= 'F')) << t;
  EXPECT_EQ(t.substr(at + 11), "]from a context");
}

TEST_F(ProbeLogTest, LongLinesAreCut) {
  std::string big(5000, 'x');
  message(AV_LOG_INFO, big.c_str());
  message(AV_LOG_INFO, "tail\n");
  auto l = containing("xxxx");
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l[0].text.size(), static_cast<size_t>(kLogLineBufferSize - 1));
  // The thread's next line is not held back behind the cut one.
  ASSERT_EQ(containing("tail").size(), 1u);
  EXPECT_EQ(containing("tail")[0].text, "tail");
}

TEST_F(ProbeLogTest, LevelFilter) {
  engine.setLogLevel(LogLevel::Error);
  message(AV_LOG_INFO, "quiet info\n");
  message(AV_LOG_ERROR, "loud error\n");
  EXPECT_TRUE(containing("quiet info").empty());
  EXPECT_EQ(containing("loud error").size(), 1u);
}

TEST_F(ProbeLogTest, LinesGoToTheTaskOfTheCallingThreadAndToEveryComponent) {
  for (int i = 0; i < 2; ++i) ASSERT_EQ(engine.addTask(coreSource(2.0)), i);
  MediaEngine second;
  std::vector<std::string> secondLines;
  second.onLog = [&](int32_t, LogLevel, const std::string &text) { secondLines.push_back(text); };
  std::thread worker([&] {
    engine.withTask(1, [](TranscodeTask &t) { t.setThreadId(currentThreadId()); });
    message(AV_LOG_INFO, "from the worker\n");
  });
  worker.join();
  message(AV_LOG_INFO, "from the test\n");
  ASSERT_EQ(containing("from the worker").size(), 1u);
  EXPECT_EQ(containing("from the worker")[0].index, 1);
  EXPECT_EQ(containing("from the test")[0].index, -1);
  EXPECT_NE(std::find(secondLines.begin(), secondLines.end(), "from the worker"), secondLines.end());

  // The task's own messages, each at its level.
  engine.withTask(0, [](TranscodeTask &t) {
    t.log(LogLevel::Quiet, "task q");
    t.log(LogLevel::Error, "task e");
    t.log(LogLevel::Debug, "task d");
    t.log(LogLevel::All, "task a");
  });
  for (const auto &[text, level] : {std::pair{"task q", LogLevel::Quiet}, {"task e", LogLevel::Error},
                                    {"task d", LogLevel::Debug}, {"task a", LogLevel::All}}) {
    ASSERT_EQ(exactly(text).size(), 1u) << text;
    EXPECT_EQ(exactly(text)[0].level, level) << text;
    EXPECT_EQ(exactly(text)[0].index, 0) << text;
  }
}

TEST(LogListTest, FindOrAddAndClear) {
  LogList list;
  LogItem &a = list.findOrAdd(11);
  a.pending = "x";
  LogItem &b = list.findOrAdd(22);
  b.pending = "y";
  EXPECT_EQ(&list.findOrAdd(11), &a);
  EXPECT_EQ(&list.findOrAdd(22), &b);
  list.findOrAdd(33);
  EXPECT_EQ(list.count(), 3);
  list.clear();
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.findOrAdd(22).pending, "");
}

TEST_F(ProbeLogTest, StartConvertDropsPartialLines) {
  message(AV_LOG_INFO, "dangling ");
  engine.startConvert(1);  // empty list: nothing starts, but the log list is cleared
  message(AV_LOG_INFO, "fresh\n");
  EXPECT_EQ(containing("fresh")[0].text, "fresh");
}

}  // namespace

namespace {

// Recording dates as phones, cameras and the libraries write them; a zone
// moves the instant, a text that is no full date-time is none.
TEST(RecordingDate, ReadInEveryFormOfTheZone) {
  const struct {
    const char *text;
    int64_t time;  // -1: refused
    int zoneMinutes;
  } kCases[] = {{"2023-07-14T00:42:05+0200", 1689288125, 120},   {"2023-07-14T00:42:05+02:00", 1689288125, 120},
                {"2023-07-13 17:12:05.123-05:30", 1689288125, -330}, {"2023-07-13T22:42:05.000000Z", 1689288125, 0},
                {"2023-07-13T22:42:05", 1689288125, 0},             {"2023", -1, 0},
                {"2023-07-14T25:00:00+0200", -1, 0},                 {"1904-01-01T00:00:00Z", -1, 0}};
  for (const auto &c : kCases) {
    RecordingMetadata r;
    EXPECT_EQ(parseRecordingDate(c.text, r), c.time >= 0) << c.text;
    EXPECT_EQ(r.time, c.time) << c.text;
    EXPECT_EQ(r.zoneMinutes, c.zoneMinutes) << c.text;
  }
}

}  // namespace
