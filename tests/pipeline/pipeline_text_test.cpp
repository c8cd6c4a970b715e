#include <gtest/gtest.h>

#include "pipeline_text.h"
#include "source_rows.h"

TEST(PipelineText, DurationTexts) {
  EXPECT_EQ(FormatDuration(0, ":"), "00:00:00");
  EXPECT_EQ(FormatDuration(3725, ":"), "01:02:05");
  EXPECT_EQ(FormatDuration(360000, ":"), "100:00:00");
  EXPECT_EQ(FormatDuration(83, "-"), "00-01-23");
}

TEST(PipelineText, FrameRateColumn) {
  EXPECT_EQ(FrameRateDisplayText(30000, 1001), "29.97");
  EXPECT_EQ(FrameRateDisplayText(24000, 1001), "23.98");
  EXPECT_EQ(FrameRateDisplayText(25, 1), "25");
  EXPECT_EQ(FrameRateDisplayText(15, 2), "7.5");
  EXPECT_EQ(FrameRateDisplayText(60000, 1001), "59.94");
  EXPECT_EQ(FrameRateDisplayText(25, 0), " ");
  EXPECT_EQ(FrameRateDisplayText(0, 0), " ");
  // ties go to the even neighbour: 0.125 -> 0.12, 0.375 -> 0.38
  EXPECT_EQ(RoundedDecimalText(0.125, 2), "0.12");
  EXPECT_EQ(RoundedDecimalText(0.375, 2), "0.38");
}

TEST(PipelineText, AspectFromVideoSize) {
  EXPECT_EQ(AspectFromVideoSize("640x480"), "1.3333");
  EXPECT_EQ(AspectFromVideoSize("720x576"), "1.25");
  EXPECT_EQ(AspectFromVideoSize("1280x720"), "1.7778");
  EXPECT_EQ(AspectFromVideoSize(" 320x240 "), "1.3333");
  EXPECT_EQ(AspectFromVideoSize(" "), "1.3333");  // no video stream
  EXPECT_EQ(AspectFromVideoSize("720x480"), "1.5");
  for (const char *bad : {"abc", "640x", "x480", "640x0", "640*480", "0x0", "-640x480"})
    EXPECT_EQ(AspectFromVideoSize(bad), "1.3333") << bad;
  EXPECT_EQ(AspectForChoice(1, "1280x720"), "4:3");
  EXPECT_EQ(AspectForChoice(2, "640x480"), "16:9");
  EXPECT_EQ(AspectForChoice(-1, "640x480"), "");
}

TEST(PipelineText, StatusAndProgressTexts) {
  EXPECT_EQ(FileSizeText(1234567), "File Size : 1235 KBytes");
  EXPECT_EQ(FileSizeText(1500), "File Size : 2 KBytes");  // tie, to even
  EXPECT_EQ(FileSizeText(2500), "File Size : 2 KBytes");  // tie, to even
  EXPECT_EQ(FileSizeText(2501), "File Size : 3 KBytes");
  EXPECT_EQ(FileSizeText(1024), "File Size : 1 KBytes");
  EXPECT_EQ(FileSizeText(0), "File Size : 0 KBytes");
  EXPECT_EQ(ProgressPercent(370, 1000), 37);
  EXPECT_EQ(ProgressPercent(2000000000, 2000000000), 100);  // no overflow
  EXPECT_EQ(ProgressPercent(10, 0), -1);
  EXPECT_EQ(ProgressPercent(10, -1), -1);
  EXPECT_TRUE(DurationUnknown("Unknown"));
  EXPECT_TRUE(DurationUnknown("00:00:00"));
  EXPECT_FALSE(DurationUnknown("00:00:01"));
}

TEST(SourceRows, RowTextsFromTheProbe) {
  TProbeSummary p;
  p.Opened = true;
  p.VideoStreamCount = 1;
  p.Width = 640;
  p.Height = 480;
  p.FrameRateNum = 30000;
  p.FrameRateDen = 1001;
  p.DurationUs = 5'999'999;
  TSourceRowTexts r = MakeSourceRow("/m/a.mov", p, "MP4");
  EXPECT_EQ(r.Caption, "/m/a.mov");
  EXPECT_EQ(r.VideoSize, "640x480");
  EXPECT_EQ(r.FrameRate, "29.97");
  EXPECT_EQ(r.Duration, "00:00:05");  // remainder dropped
  EXPECT_EQ(r.Output, "MP4");
  EXPECT_EQ(r.Progress, "");
  EXPECT_TRUE(r.Checked);

  p.DurationUs = 360000LL * 1000000;
  EXPECT_EQ(MakeSourceRow("x", p, "MP4").Duration, "100:00:00");
  p.DurationUs = INT64_MIN;
  EXPECT_EQ(MakeSourceRow("x", p, "MP4").Duration, "Unknown");

  TProbeSummary audio;
  audio.Opened = true;
  audio.DurationUs = 3'000'000;
  r = MakeSourceRow("/m/a.m4a", audio, "MP3");
  EXPECT_EQ(r.VideoSize, " ");
  EXPECT_EQ(r.FrameRate, " ");
  EXPECT_EQ(r.Duration, "00:00:03");
  EXPECT_EQ(r.Output, "MP3");

  r = MakeSourceRow("/m/broken.mov", TProbeSummary{}, "MP4");
  EXPECT_EQ(r.Progress, "Error");
  EXPECT_EQ(r.VideoSize, "");
  EXPECT_EQ(r.Output, "");
  EXPECT_TRUE(r.Checked);
}
