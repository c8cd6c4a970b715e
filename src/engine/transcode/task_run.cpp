// The run of a task: the transcode wrapper on the thread that runs it, the
// clean-up of what the transcode opened, and the streams the options add. Kept apart from the task's
// life (transcode_task.cpp), which the transcode's steps build on.
#include <exception>
#include <mutex>

#include "binding.h"
#include "output_streams.h"
#include "codec_lock.h"
#include "transcode_setup.h"
#include "transcode_task.h"
#include "transcoder.h"

void TranscodeTask::run() {
  finished_ = false;
  {
    std::scoped_lock g(outcomeLock_);
    keptOutput_.clear();
    output_ = OutputMeasure{};
  }
  try {
    gate_->waitWhilePaused();
    if (!stopRequested()) transcode(*this);
  } catch (const std::exception &e) {
    finished_ = false;
    fail(e.what());
  } catch (...) {
    finished_ = false;
    fail("Unknown error");
  }
  {
    std::scoped_lock g(outcomeLock_);
    keptOutput_ = keptOutputName(transcoder);
    output_ = measuredOutput(transcoder);
    if (outputsDropped() && !failed_ && keptOutput_.empty())
      errorMessage_ = "stopped; the unfinished output was removed";
  }
  try {
    releaseStreams(transcoder);
  } catch (...) {
  }
  cleanup();
  doTerminate();
}

void TranscodeTask::cleanup() {
  if (librariesLoaded()) {
    try {
      releaseStreams(transcoder);
    } catch (...) {
    }
    try {
      closeOutputFiles(transcoder);
    } catch (...) {
    }
    {
      // Decoders that the transcode opened are closed with their contexts.
      std::lock_guard<std::recursive_mutex> g(codecLock());
      inputFiles.clear();
    }
    for (auto &c : options.codecDefaults) c.reset();
    options.formatDefaults.reset();
    options.swsDefaults.reset();
  }
  releaseVideoHooks(videoHooks);
}

void TranscodeTask::addStreamToLastOutput(AVMediaType type) { newStreamOnLastOutput(options, transcoder, type); }
