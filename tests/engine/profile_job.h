// A source converted the way the window converts it: the profile's option
// set, the job builder's records, and one engine task run on the calling
// thread.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "choice_list.h"
#include "engine_driver.h"
#include "job_builder.h"
#include "source_jobs.h"
#include "test_env.h"

constexpr const char *kMp4Profile = "MP4 - MPEG4 Video (*.mp4)";

// The clip tests' fixture: the libraries bound, a scratch folder.
class ClipTest : public ::testing::Test {
 protected:
  void SetUp() override { requireLibraries(); }
  ScratchDir dir_;
};

struct ProfileJob {
  ProbeSummary probe;      // what the source list shows
  std::string output;      // the output file
  Conversion conversion;   // the engine's events
  ProbedFile file;         // the output as the probe reads it, once done
  bool done() const { return conversion.done(); }
};

// Converts `source` into `folder` with the profile titled `title`;
// `adjust` may change the profile's choices (size, frame rate) first,
// `settle` the job's settings, `finish` the job's output record.
ProfileJob convertWithProfile(const std::string &source, const std::string &title, const std::string &folder,
                              const std::function<void(ProfileChoices &)> &adjust = {},
                              const std::function<void(JobSettings &)> &settle = {},
                              const std::function<void(OutputOptions &)> &finish = {});
