// Helpers of the transcoder tests: one conversion through the engine
// component, with every event it raised, and an audio decoder to look at
// what was written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine_types.h"
#include "media_engine.h"
#include "media_fixture.h"
#include "options.h"

using ProgressSample = TaskProgress;

struct Conversion {
  int taskIndex = -1;
  bool outputOk = false;
  std::string lastError;  // lastErrorMessage() after addTask / setOutput
  bool terminated = false;
  bool finished = false;
  bool exception = false;
  std::string message;
  std::string keptOutput;  // the name the output got (TaskStatus::keptOutput)
  bool endOfRun = false;
  std::vector<ProgressSample> progress;
  std::vector<std::string> log;
  bool logHas(const std::string &text) const;
  int logCount(const std::string &text) const;
};

struct ConvertSetup {
  std::vector<std::string> outputs;           // one setOutput per name
  std::vector<OutputOptions> outputOptions;  // same count as outputs (or empty: defaults)
  InputOptions inputOptions;
  LogLevel logLevel = LogLevel::Info;
  int progressIntervalMs = 100;
  int threadsPerTask = 0;  // the component's default: every core
  // Called from the component's events; may call Stop on the component.
  std::function<void(MediaEngine &, const ProgressSample &)> onProgress;
  std::function<void(MediaEngine &, const std::string &)> onLog;
};

// Runs one task on the calling thread (startConvert(0) without a
// scheduler) and returns what the events said.
Conversion convert(const std::string &input, ConvertSetup setup);
// The common case: one output with `options`.
Conversion convert(const std::string &input, const std::string &output, const OutputOptions &options);

// Decodes the first audio stream to interleaved 16-bit samples; returns
// false when the file cannot be decoded. `firstPts` gets the time of the
// first sample (seconds).
bool decodeAudioS16(const std::string &path, std::vector<int16_t> &samples, int &channels, int &rate,
                    double *firstPts = nullptr);

// The small clip (smallClipRecipe: 320x240, 25 fps, H.264 with AAC stereo
// at 44.1 kHz) as a cached .mov.
std::string smallSource(double seconds = 3.0);

// MPEG-4 part 2 video at 320x240 with AAC at 128 kbit/s.
OutputOptions mp4Options();
