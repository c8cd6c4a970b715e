// The media probe and the engine log.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "av_probe.h"
#include "binding.h"
#include "core_test_util.h"
#include "engine_log.h"
#include "ffmpeg_core.h"
#include "ffmpeg_vcl.h"
#include "test_env.h"

namespace {

struct TLogLine {
  int index;
  TLogLevel level;
  std::string text;
};

class ProbeLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireLibraries();
    ASSERT_TRUE(vcl.LoadAVLib(TREVIX_COMMON_DIR, true));
    vcl.SetLogLevel(llInfo);
    vcl.OnLog = [this](int32_t index, TLogLevel level, const std::string &text) {
      std::lock_guard<std::mutex> g(m);
      lines.push_back({index, level, text});
    };
  }
  void TearDown() override { vcl.SetLogLevel(llInfo); }
  std::vector<TLogLine> Lines() {
    std::lock_guard<std::mutex> g(m);
    return lines;
  }
  std::vector<TLogLine> Containing(const std::string &needle) {
    std::vector<TLogLine> out;
    for (const auto &l : Lines())
      if (l.text.find(needle) != std::string::npos) out.push_back(l);
    return out;
  }
  std::vector<TLogLine> Exactly(const std::string &text) {
    std::vector<TLogLine> out;
    for (const auto &l : Lines())
      if (l.text == text) out.push_back(l);
    return out;
  }
  static void Message(int level, const char *text) { libavutil.av_log(nullptr, level, "%s", text); }

  std::mutex m;
  std::vector<TLogLine> lines;
  TScratchDir scratch;
  TFFmpegVCL vcl;
};

TEST_F(ProbeLogTest, CountsOfAFileWithAudioThenVideo) {
  const std::string file = CoreAudioFirstSource();
  ASSERT_FALSE(file.empty());
  TAVProbe &p = vcl.Probe();
  ASSERT_TRUE(p.Open(file)) << p.LastError();
  EXPECT_EQ(p.StreamCount(), 2);
  EXPECT_EQ(p.AudioStreamCount(), 1);
  EXPECT_EQ(p.VideoStreamCount(), 1);
  EXPECT_EQ(p.SubtitleStreamCount(), 0);
  EXPECT_EQ(p.FirstAudioStream(), 0);
  EXPECT_EQ(p.FirstVideoStream(), 1);
  EXPECT_EQ(p.FirstSubtitleStream(), -1);
  EXPECT_EQ(p.FormatName(), "");

  TAVVideoStreamInfo v;
  p.GetVideoStreamInfo(0, v);
  EXPECT_EQ(v.width, -1);
  EXPECT_EQ(v.height, -1);
  EXPECT_EQ(Containing("stream #0 is not video stream.").size(), 1u);
  p.GetVideoStreamInfo(7, v);
  EXPECT_EQ(Containing("stream index #7 is invalid.").size(), 1u);

  p.GetVideoStreamInfo(-1, v);
  EXPECT_EQ(v.width, 320);
  EXPECT_EQ(v.height, 240);
  EXPECT_EQ(v.frameRateNum, 25);
  EXPECT_EQ(v.frameRateDen, 1);
  EXPECT_STREQ(v.codecName, "mpeg4");
  EXPECT_NEAR(v.durationUs, 2000000, 100000);

  TAVFileInfo f;
  p.GetFileInfo(f);
  EXPECT_NEAR(static_cast<double>(f.duration), 2000000.0, 100000.0);
  EXPECT_GT(f.bitRate, 0);

  p.Close();
  EXPECT_EQ(p.StreamCount(), -1);
  p.GetFileInfo(f);
  EXPECT_EQ(f.duration, -1);
  EXPECT_EQ(Containing("file not loaded.").size(), 1u);
}

TEST_F(ProbeLogTest, ProbeFailures) {
  TAVProbe p;
  const std::string missing = scratch.file("none.mov");
  EXPECT_FALSE(p.Open(missing));
  EXPECT_EQ(p.LastError(), missing + ": no such file or directory");
  EXPECT_EQ(p.StreamCount(), -1);
  EXPECT_EQ(p.FirstVideoStream(), -1);
  TAVFileInfo f;
  p.GetFileInfo(f);
  EXPECT_EQ(f.startTime, -1);
  EXPECT_EQ(f.bitRate, -1);

  EXPECT_FALSE(p.Open(CoreSource(2.0), "nosuchformat"));
  EXPECT_EQ(p.LastError(), "Unknown input format: nosuchformat");

  const std::string empty = scratch.file("empty.mov");
  std::ofstream(empty).close();
  EXPECT_FALSE(p.Open(empty));
  EXPECT_EQ(p.LastError().rfind(empty + ": ", 0), 0u);

  const std::string noise = scratch.file("noise.mov");
  {
    std::ofstream o(noise, std::ios::binary);
    for (int i = 0; i < 20000; ++i) o.put(static_cast<char>((i * 7919) & 0xFF));
  }
  EXPECT_FALSE(p.Open(noise));
  EXPECT_EQ(p.LastError(), noise + ": Unknown format");
  ASSERT_TRUE(p.Open(CoreSource(2.0), "mov"));
  EXPECT_EQ(p.FormatName(), "mov");
}

TEST_F(ProbeLogTest, OpenErrorTable) {
  EXPECT_EQ(OpenErrorText(AVERROR(ENOENT), "a"), "a: no such file or directory");
  EXPECT_EQ(OpenErrorText(AVERROR(ENOMEM), "a"), "a: memory allocation error occurred");
  EXPECT_EQ(OpenErrorText(AVERROR(EIO), "a"),
            "a: I/O error occurred\r\nUsually that means that input file is truncated and/or corrupted.");
  EXPECT_EQ(OpenErrorText(AVERROR_INVALIDDATA, "a"), "a: Error while parsing header");
  EXPECT_EQ(OpenErrorText(kOpenErrorUnknownFormat, "a"), "a: Unknown format");
  EXPECT_EQ(OpenErrorText(AVERROR(EPERM), "a"), "a: Error while opening file");
  EXPECT_NE(OpenErrorText(kOpenErrorImageNameSyntax, "a").find("use 'img%d.jpg'"), std::string::npos);
}

TEST_F(ProbeLogTest, LinesAreAssembledPerThread) {
  Message(AV_LOG_INFO, "first half, ");
  EXPECT_TRUE(Containing("first half").empty());
  Message(AV_LOG_INFO, "second half\n");
  auto l = Containing("first half");
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l[0].text, "first half, second half");
  EXPECT_EQ(l[0].index, -1);
  EXPECT_EQ(l[0].level, llInfo);

  Message(AV_LOG_ERROR, "line A\nline B\n");
  ASSERT_EQ(Containing("line A").size(), 1u);
  EXPECT_EQ(Containing("line A")[0].text, "line A");
  EXPECT_EQ(Containing("line B")[0].level, llError);

  // A partial line of another thread does not mix with this one's.
  std::thread([] { Message(AV_LOG_INFO, "other thread "); }).join();
  Message(AV_LOG_INFO, "mine\n");
  EXPECT_EQ(Containing("mine")[0].text, "mine");
}

TEST_F(ProbeLogTest, PrefixOfALibraryObject) {
  AVFormatContext *ctx = libavformat.avformat_alloc_context();
  libavutil.av_log(ctx, AV_LOG_INFO, "from a context\n");
  libavformat.avformat_free_context(ctx);
  auto l = Containing("from a context");
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
  Message(AV_LOG_INFO, big.c_str());
  Message(AV_LOG_INFO, "tail\n");
  auto l = Containing("xxxx");
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l[0].text.size(), static_cast<size_t>(kLogLineBufferSize - 1));
  // The thread's next line is not held back behind the cut one.
  ASSERT_EQ(Containing("tail").size(), 1u);
  EXPECT_EQ(Containing("tail")[0].text, "tail");
}

TEST_F(ProbeLogTest, LevelFilter) {
  vcl.SetLogLevel(llError);
  Message(AV_LOG_INFO, "quiet info\n");
  Message(AV_LOG_ERROR, "loud error\n");
  EXPECT_TRUE(Containing("quiet info").empty());
  EXPECT_EQ(Containing("loud error").size(), 1u);
}

TEST_F(ProbeLogTest, LinesGoToTheTaskOfTheCallingThreadAndToEveryComponent) {
  ASSERT_EQ(vcl.AddTask(CoreSource(2.0)), 0);
  ASSERT_EQ(vcl.AddTask(CoreSource(2.0)), 1);
  TFFmpegVCL second;
  std::vector<std::string> secondLines;
  second.OnLog = [&](int32_t, TLogLevel, const std::string &text) { secondLines.push_back(text); };
  std::thread worker([&] {
    vcl.Task(1).ThreadId = CurrentThreadId();
    Message(AV_LOG_INFO, "from the worker\n");
  });
  worker.join();
  Message(AV_LOG_INFO, "from the test\n");
  ASSERT_EQ(Containing("from the worker").size(), 1u);
  EXPECT_EQ(Containing("from the worker")[0].index, 1);
  EXPECT_EQ(Containing("from the test")[0].index, -1);
  EXPECT_NE(std::find(secondLines.begin(), secondLines.end(), "from the worker"), secondLines.end());

  // The task's own messages, with the level mapping.
  vcl.Task(0).Log(-1, "task q");
  vcl.Task(0).Log(0, "task e");
  vcl.Task(0).Log(2, "task d");
  vcl.Task(0).Log(9, "task a");
  ASSERT_EQ(Exactly("task a").size(), 1u);
  EXPECT_EQ(Exactly("task q")[0].level, llQuiet);
  EXPECT_EQ(Exactly("task e")[0].level, llError);
  EXPECT_EQ(Exactly("task d")[0].level, llDebug);
  EXPECT_EQ(Exactly("task a")[0].level, llAll);
  EXPECT_EQ(Exactly("task a")[0].index, 0);
}

TEST(LogListTest, FindOrAddAndClear) {
  TLogList list;
  TLogItem &a = list.FindOrAdd(11);
  a.pending = "x";
  TLogItem &b = list.FindOrAdd(22);
  b.pending = "y";
  EXPECT_EQ(&list.FindOrAdd(11), &a);
  EXPECT_EQ(&list.FindOrAdd(22), &b);
  list.FindOrAdd(33);
  EXPECT_EQ(list.Count(), 3);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.FindOrAdd(22).pending, "");
}

TEST_F(ProbeLogTest, StartConvertDropsPartialLines) {
  Message(AV_LOG_INFO, "dangling ");
  vcl.StartConvert(1);  // empty list: nothing starts, but the log list is cleared
  Message(AV_LOG_INFO, "fresh\n");
  EXPECT_EQ(Containing("fresh")[0].text, "fresh");
}

}  // namespace
