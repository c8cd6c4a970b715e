#include <gtest/gtest.h>

#include "pipeline_text.h"
#include "probe_summary.h"
#include "source_jobs.h"

namespace {

// Each cell's text as the list shows it for `job`.
void expectColumns(const SourceJob &job, std::initializer_list<std::pair<SourceListColumn, const char *>> cells) {
  for (const auto &[column, text] : cells) EXPECT_EQ(sourceJobText(job, column), text) << job.path << ", " << column;
}

}  // namespace

TEST(PipelineText, DurationTexts) {
  EXPECT_EQ(formatDuration(0, ":"), "00:00:00");
  EXPECT_EQ(formatDuration(3725, ":"), "01:02:05");
  EXPECT_EQ(formatDuration(360000, ":"), "100:00:00");
  EXPECT_EQ(formatDuration(83, "-"), "00-01-23");
}

TEST(PipelineText, FrameRateColumn) {
  const struct {
    int num, den;
    const char *text;
  } rates[] = {{30000, 1001, "29.97"}, {24000, 1001, "23.98"}, {25, 1, "25"}, {15, 2, "7.5"},
               {60000, 1001, "59.94"}, {25, 0, " "},           {0, 0, " "}};
  for (const auto &r : rates) EXPECT_EQ(frameRateDisplayText(r.num, r.den), r.text) << r.num << "/" << r.den;
  // ties go to the even neighbour: 0.125 -> 0.12, 0.375 -> 0.38
  EXPECT_EQ(roundedDecimalText(0.125, 2), "0.12");
  EXPECT_EQ(roundedDecimalText(0.375, 2), "0.38");
}

TEST(PipelineText, AspectFromPictureSize) {
  // No video stream (-1 x -1) or no size: as 640x480.
  const struct {
    int width, height;
    const char *aspect;
  } sizes[] = {{640, 480, "1.3333"}, {720, 576, "1.25"}, {1280, 720, "1.7778"}, {720, 480, "1.5"},
               {-1, -1, "1.3333"},   {0, 480, "1.3333"}, {640, 0, "1.3333"}};
  for (const auto &c : sizes) EXPECT_EQ(aspectFromPictureSize(c.width, c.height), c.aspect) << c.width << "x";
  EXPECT_EQ(aspectForChoice(1, 1280, 720), "4:3");
  EXPECT_EQ(aspectForChoice(2, 640, 480), "16:9");
  EXPECT_EQ(aspectForChoice(0, 1280, 720), "1.7778");
  EXPECT_EQ(aspectForChoice(-1, 640, 480), "");
}

TEST(PipelineText, StatusAndProgressTexts) {
  // Kilobytes rounded, ties (1500, 2500) to even.
  const std::pair<int64_t, const char *> sizes[] = {{1234567, "1235"}, {1500, "2"}, {2500, "2"},
                                                    {2501, "3"},       {1024, "1"}, {0, "0"}};
  for (const auto &[bytes, kb] : sizes) EXPECT_EQ(fileSizeText(bytes), "File Size : " + std::string(kb) + " KBytes");
  EXPECT_EQ(progressPercent(370, 1000), 37);
  EXPECT_EQ(progressPercent(2000000000, 2000000000), 100);  // no overflow
  EXPECT_EQ(progressPercent(10, 0), -1);
  EXPECT_EQ(progressPercent(10, -1), -1);
}

// The one place that makes the list's texts from a job.
TEST(SourceJobTexts, ColumnsFromTheProbe) {
  ProbeSummary p = probed(640, 480);
  p.frameRateNum = 30000;
  p.frameRateDen = 1001;
  p.durationUs = 5'999'999;
  SourceJob job = makeSourceJob("/m/a.mov", p, "MP4");
  // The duration's remainder is dropped.
  expectColumns(job, {{kFileNameColumn, "/m/a.mov"}, {kVideoSizeColumn, "640x480"}, {kFrameRateColumn, "29.97"},
                      {kDurationColumn, "00:00:05"}, {kOutputColumn, "MP4"}, {kProgressColumn, ""},
                      {kFramesColumn, ""}});
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

  job = makeSourceJob("/m/a.m4a", probed(0, 0, 3), "MP3");  // no picture
  expectColumns(job, {{kVideoSizeColumn, " "}, {kFrameRateColumn, " "}, {kDurationColumn, "00:00:03"},
                      {kOutputColumn, "MP3"}});

  job = makeSourceJob("/m/broken.mov", ProbeSummary{}, "MP4");
  expectColumns(job, {{kProgressColumn, "Error"}, {kVideoSizeColumn, ""}, {kDurationColumn, ""}, {kOutputColumn, ""}});
  EXPECT_FALSE(sourceLengthUnknown(job.probe));
  EXPECT_TRUE(job.checked);
}

TEST(SourceJobTexts, ProgressAndFramesThroughARun) {
  SourceJobs jobs;
  jobs.append(makeSourceJob("/m/film.rmvb", probed(), "AVI"));
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
