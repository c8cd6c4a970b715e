#include <gtest/gtest.h>

#include "pipeline_text.h"
#include "source_jobs.h"

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

TEST(PipelineText, AspectFromPictureSize) {
  EXPECT_EQ(aspectFromPictureSize(640, 480), "1.3333");
  EXPECT_EQ(aspectFromPictureSize(720, 576), "1.25");
  EXPECT_EQ(aspectFromPictureSize(1280, 720), "1.7778");
  EXPECT_EQ(aspectFromPictureSize(720, 480), "1.5");
  EXPECT_EQ(aspectFromPictureSize(-1, -1), "1.3333");  // no video stream: as 640x480
  EXPECT_EQ(aspectFromPictureSize(0, 480), "1.3333");
  EXPECT_EQ(aspectFromPictureSize(640, 0), "1.3333");
  EXPECT_EQ(aspectForChoice(1, 1280, 720), "4:3");
  EXPECT_EQ(aspectForChoice(2, 640, 480), "16:9");
  EXPECT_EQ(aspectForChoice(0, 1280, 720), "1.7778");
  EXPECT_EQ(aspectForChoice(-1, 640, 480), "");
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
}

// The one place that makes the list's texts from a job.
TEST(SourceJobTexts, ColumnsFromTheProbe) {
  ProbeSummary p;
  p.opened = true;
  p.videoStreamCount = 1;
  p.width = 640;
  p.height = 480;
  p.frameRateNum = 30000;
  p.frameRateDen = 1001;
  p.durationUs = 5'999'999;
  SourceJob job = makeSourceJob("/m/a.mov", p, "MP4");
  EXPECT_EQ(sourceJobText(job, kFileNameColumn), "/m/a.mov");
  EXPECT_EQ(sourceJobText(job, kVideoSizeColumn), "640x480");
  EXPECT_EQ(sourceJobText(job, kFrameRateColumn), "29.97");
  EXPECT_EQ(sourceJobText(job, kDurationColumn), "00:00:05");  // remainder dropped
  EXPECT_EQ(sourceJobText(job, kOutputColumn), "MP4");
  EXPECT_EQ(sourceJobText(job, kProgressColumn), "");
  EXPECT_EQ(sourceJobText(job, kFramesColumn), "");
  EXPECT_TRUE(job.checked);
  EXPECT_EQ(job.state, JobState::Waiting);
  EXPECT_FALSE(sourceLengthUnknown(p));

  p.durationUs = 360000LL * 1000000;
  EXPECT_EQ(sourceJobText(makeSourceJob("x", p, "MP4"), kDurationColumn), "100:00:00");
  p.durationUs = INT64_MIN;
  EXPECT_EQ(sourceJobText(makeSourceJob("x", p, "MP4"), kDurationColumn), "Unknown");
  EXPECT_TRUE(sourceLengthUnknown(p));
  p.durationUs = 999'999;  // shown as 00:00:00: unknown to the job builder too
  EXPECT_TRUE(sourceLengthUnknown(p));

  ProbeSummary audio;
  audio.opened = true;
  audio.durationUs = 3'000'000;
  job = makeSourceJob("/m/a.m4a", audio, "MP3");
  EXPECT_EQ(sourceJobText(job, kVideoSizeColumn), " ");
  EXPECT_EQ(sourceJobText(job, kFrameRateColumn), " ");
  EXPECT_EQ(sourceJobText(job, kDurationColumn), "00:00:03");
  EXPECT_EQ(sourceJobText(job, kOutputColumn), "MP3");

  job = makeSourceJob("/m/broken.mov", ProbeSummary{}, "MP4");
  EXPECT_EQ(sourceJobText(job, kProgressColumn), "Error");
  EXPECT_EQ(sourceJobText(job, kVideoSizeColumn), "");
  EXPECT_EQ(sourceJobText(job, kDurationColumn), "");
  EXPECT_EQ(sourceJobText(job, kOutputColumn), "");
  EXPECT_FALSE(sourceLengthUnknown(job.probe));
  EXPECT_TRUE(job.checked);
}

TEST(SourceJobTexts, ProgressAndFramesThroughARun) {
  SourceJobs jobs;
  ProbeSummary p;
  p.opened = true;
  jobs.append(makeSourceJob("/m/film.rmvb", p, "AVI"));
  jobs.startJob(0, "/out/film.avi", true);
  EXPECT_EQ(sourceJobText(jobs.at(0), kProgressColumn), "Loading");
  jobs.reportProgress(0, JobProgress{45, 4500}, 120);
  EXPECT_EQ(sourceJobText(jobs.at(0), kProgressColumn), "45%");
  EXPECT_EQ(sourceJobText(jobs.at(0), kFramesColumn), "120");
  jobs.reportProgress(0, JobProgress{-1, 83500}, -1);  // length unknown, no video
  EXPECT_EQ(sourceJobText(jobs.at(0), kProgressColumn), "00:01:23");
  EXPECT_EQ(sourceJobText(jobs.at(0), kFramesColumn), " ");
  EXPECT_TRUE(jobs.anyConverting());

  const std::pair<JobState, const char *> ends[] = {
      {JobState::Done, "Done"}, {JobState::Failed, "Fail"}, {JobState::Aborted, "Abort"}};
  for (auto [state, text] : ends) {
    jobs.endJob(0, state, state == JobState::Failed ? "why" : "");
    EXPECT_EQ(sourceJobText(jobs.at(0), kProgressColumn), text);
    EXPECT_FALSE(jobs.anyConverting());
  }
  EXPECT_EQ(jobs.at(0).outputPath, "/out/film.avi");

  // A new run clears the state, the output and the reason; the frame count
  // stays until the next report.
  jobs.resetRunState();
  EXPECT_EQ(sourceJobText(jobs.at(0), kProgressColumn), "");
  EXPECT_EQ(sourceJobText(jobs.at(0), kFramesColumn), " ");
  EXPECT_TRUE(jobs.at(0).outputPath.empty());
  EXPECT_TRUE(jobs.at(0).reason.empty());
}
