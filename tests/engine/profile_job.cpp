#include "profile_job.h"

#include <gtest/gtest.h>

#include "job_builder.h"
#include "job_request.h"
#include "media_engine.h"
#include "media_probe.h"
#include "option_sets.h"
#include "test_env.h"

ProfileJob convertWithProfile(const std::string &source, const std::string &title, const std::string &folder,
                              const std::function<void(ProfileChoices &)> &adjust,
                              const std::function<void(JobSettings &)> &settle,
                              const std::function<void(OutputOptions &)> &finish) {
  ProfileJob job;
  ProfileChoices choices;
  std::string outputType;
  if (!fillProfileOptions(title, choices, outputType)) {
    ADD_FAILURE() << "no profile titled " << title;
    return job;
  }
  if (adjust) adjust(choices);
  {
    MediaEngine engine;
    if (!engine.loadAVLib(TREVIX_COMMON_DIR, true)) {
      ADD_FAILURE() << engine.lastErrorMessage();
      return job;
    }
    job.probe = probeSourceFile(engine.probe(), source);
  }
  JobSettings settings = makeJobSettings(title, choices, outputType, folder, false, 255);
  if (settle) settle(settings);
  JobPlan plan = planJob(source, job.probe, settings);
  if (finish) finish(plan.output);
  job.output = plan.outputFile;
  ConvertSetup setup;
  setup.inputOptions = plan.input;
  setup.outputs = {plan.outputFile};
  setup.outputOptions = {plan.output};
  job.conversion = convert(plan.input.fileName, setup);
  if (job.done()) job.file = probeMedia(job.output);
  return job;
}
