// Helpers of the transcoder tests: one conversion through the engine
// component, with every event it raised, and an audio decoder to look at
// what was written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine_types.h"
#include "ffmpeg_vcl.h"
#include "media_fixture.h"
#include "options.h"

struct TProgressSample {
  int32_t frameNumber, fps, currentDurationMs;
  float quality, bitRate;
  int64_t currentSize;
  int32_t totalDurationMs;
};

struct TConversion {
  int taskIndex = -1;
  bool outputOk = false;
  std::string lastError;  // LastErrorMessage after AddTask / SetOutput
  bool terminated = false;
  bool finished = false;
  bool exception = false;
  std::string message;
  bool endOfRun = false;
  std::vector<TProgressSample> progress;
  std::vector<std::string> log;
  bool LogHas(const std::string &text) const;
  int LogCount(const std::string &text) const;
};

struct TConvertSetup {
  std::vector<std::string> outputs;           // one SetOutput per name
  std::vector<TOutputOptions> outputOptions;  // same count as outputs (or empty: defaults)
  TInputOptions inputOptions;
  TLogLevel logLevel = llInfo;
  int progressIntervalMs = 100;
  // Called from the component's events; may call Stop on the component.
  std::function<void(TFFmpegVCL &, const TProgressSample &)> onProgress;
  std::function<void(TFFmpegVCL &, const std::string &)> onLog;
};

// Runs one task on the calling thread (StartConvert(0) without a
// scheduler) and returns what the events said.
TConversion Convert(const std::string &input, TConvertSetup setup);
// The common case: one output with `options`.
TConversion Convert(const std::string &input, const std::string &output, const TOutputOptions &options);

// Decodes the first audio stream to interleaved 16-bit samples; returns
// false when the file cannot be decoded. `firstPts` gets the time of the
// first sample (seconds).
bool DecodeAudioS16(const std::string &path, std::vector<int16_t> &samples, int &channels, int &rate,
                    double *firstPts = nullptr);

// Small fixtures shared by the tests (320x240, 25 fps, AAC stereo 44.1 kHz):
// the recipe, and the cached file made from it.
TMediaRecipe SmallRecipe(double seconds = 3.0);
std::string SmallSource(double seconds = 3.0);
std::string SourceWith(TMediaRecipe recipe, const std::string &name);
