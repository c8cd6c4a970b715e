// What a task keeps of its outputs and of the transcode between the opening
// of its outputs and the end of its run.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "av_headers.h"

struct OutputFile;  // output_file.h
struct TranscodeRun;  // the records and buffers of one run (transcode_run.h)

// Per-task state of the output side and the transcode (output files, stream
// records, encoders, conversion contexts, statistics files).
struct TranscodeState {
  TranscodeState();
  ~TranscodeState();
  TranscodeState(const TranscodeState &) = delete;
  TranscodeState &operator=(const TranscodeState &) = delete;

  std::vector<std::unique_ptr<OutputFile>> outputFiles;  // at most 20
  int outputCount() const { return static_cast<int>(outputFiles.size()); }

  // Statistics of the last run.
  int64_t videoBytes = 0;
  int64_t audioBytes = 0;
  int64_t extradataBytes = 0;
  int32_t dupFrames = 0;
  int32_t dropFrames = 0;

  // Codecs opened by the set-up and not yet closed (closed by the loop's
  // normal end, or by releaseStreams after an error).
  std::vector<AVCodecContext *> openedEncoders;
  std::vector<AVCodecContext *> openedDecoders;

  std::unique_ptr<TranscodeRun> run;
};
