#include <gtest/gtest.h>

#include "pipeline_text.h"
#include "source_rows.h"

TEST(PipelineText, DurationTexts) {
  EXPECT_EQ(formatDuration(0, ":"), "00:00:00");
  EXPECT_EQ(formatDuration(3725, ":"), "01:02:05");
  EXPECT_EQ(formatDuration(360000, ":"), "100:00:00");
  EXPECT_EQ(formatDuration(83, "-"), "00-01-23");
}

TEST(PipelineText, FrameRateColumn) {
  EXPECT_EQ(frameRateDisplayText(30000, 1001), "29.97");
  EXPECT_EQ(frameRateDisplayText(24000, 1001), "23.98");
  EXPECT_EQ(frameRateDisplayText(25, 1), "25");
  EXPECT_EQ(frameRateDisplayText(15, 2), "7.5");
  EXPECT_EQ(frameRateDisplayText(60000, 1001), "59.94");
  EXPECT_EQ(frameRateDisplayText(25, 0), " ");
  EXPECT_EQ(frameRateDisplayText(0, 0), " ");
  // ties go to the even neighbour: 0.125 -> 0.12, 0.375 -> 0.38
  EXPECT_EQ(roundedDecimalText(0.125, 2), "0.12");
  EXPECT_EQ(roundedDecimalText(0.375, 2), "0.38");
}

TEST(PipelineText, AspectFromVideoSize) {
  EXPECT_EQ(aspectFromVideoSize("640x480"), "1.3333");
  EXPECT_EQ(aspectFromVideoSize("720x576"), "1.25");
  EXPECT_EQ(aspectFromVideoSize("1280x720"), "1.7778");
  EXPECT_EQ(aspectFromVideoSize(" 320x240 "), "1.3333");
  EXPECT_EQ(aspectFromVideoSize(" "), "1.3333");  // no video stream
  EXPECT_EQ(aspectFromVideoSize("720x480"), "1.5");
  for (const char *bad : {"abc", "640x", "x480", "640x0", "640*480", "0x0", "-640x480"})
    EXPECT_EQ(aspectFromVideoSize(bad), "1.3333") << bad;
  EXPECT_EQ(aspectForChoice(1, "1280x720"), "4:3");
  EXPECT_EQ(aspectForChoice(2, "640x480"), "16:9");
  EXPECT_EQ(aspectForChoice(-1, "640x480"), "");
}

TEST(PipelineText, StatusAndProgressTexts) {
  EXPECT_EQ(fileSizeText(1234567), "File Size : 1235 KBytes");
  EXPECT_EQ(fileSizeText(1500), "File Size : 2 KBytes");  // tie, to even
  EXPECT_EQ(fileSizeText(2500), "File Size : 2 KBytes");  // tie, to even
  EXPECT_EQ(fileSizeText(2501), "File Size : 3 KBytes");
  EXPECT_EQ(fileSizeText(1024), "File Size : 1 KBytes");
  EXPECT_EQ(fileSizeText(0), "File Size : 0 KBytes");
  EXPECT_EQ(progressPercent(370, 1000), 37);
  EXPECT_EQ(progressPercent(2000000000, 2000000000), 100);  // no overflow
  EXPECT_EQ(progressPercent(10, 0), -1);
  EXPECT_EQ(progressPercent(10, -1), -1);
  EXPECT_TRUE(durationUnknown("Unknown"));
  EXPECT_TRUE(durationUnknown("00:00:00"));
  EXPECT_FALSE(durationUnknown("00:00:01"));
}

TEST(SourceRows, RowTextsFromTheProbe) {
  ProbeSummary p;
  p.opened = true;
  p.videoStreamCount = 1;
  p.width = 640;
  p.height = 480;
  p.frameRateNum = 30000;
  p.frameRateDen = 1001;
  p.durationUs = 5'999'999;
  SourceRowTexts r = makeSourceRow("/m/a.mov", p, "MP4");
  EXPECT_EQ(r.caption, "/m/a.mov");
  EXPECT_EQ(r.videoSize, "640x480");
  EXPECT_EQ(r.frameRate, "29.97");
  EXPECT_EQ(r.duration, "00:00:05");  // remainder dropped
  EXPECT_EQ(r.output, "MP4");
  EXPECT_EQ(r.progress, "");
  EXPECT_TRUE(r.checked);

  p.durationUs = 360000LL * 1000000;
  EXPECT_EQ(makeSourceRow("x", p, "MP4").duration, "100:00:00");
  p.durationUs = INT64_MIN;
  EXPECT_EQ(makeSourceRow("x", p, "MP4").duration, "Unknown");

  ProbeSummary audio;
  audio.opened = true;
  audio.durationUs = 3'000'000;
  r = makeSourceRow("/m/a.m4a", audio, "MP3");
  EXPECT_EQ(r.videoSize, " ");
  EXPECT_EQ(r.frameRate, " ");
  EXPECT_EQ(r.duration, "00:00:03");
  EXPECT_EQ(r.output, "MP3");

  r = makeSourceRow("/m/broken.mov", ProbeSummary{}, "MP4");
  EXPECT_EQ(r.progress, "Error");
  EXPECT_EQ(r.videoSize, "");
  EXPECT_EQ(r.output, "");
  EXPECT_TRUE(r.checked);
}
