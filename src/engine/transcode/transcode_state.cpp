#include "transcode_state.h"

#include "output_file.h"
#include "transcode_run.h"

TranscodeState::TranscodeState() = default;
TranscodeState::~TranscodeState() {
  // The task normally releases everything through releaseStreams and
  // closeOutputFiles; this is the last safety net.
  run.reset();
  openedEncoders.clear();
  openedDecoders.clear();
  for (auto &of : outputFiles)
    if (of) of->close();
  outputFiles.clear();
}
