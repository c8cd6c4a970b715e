// The texts of a new source-list row, from what the media probe found.
#pragma once

#include <cstdint>
#include <string>

// What the add-file procedure learns about one file.
struct ProbeSummary {
  bool opened = false;        // the probe could open the file
  int videoStreamCount = 0;
  int width = -1, height = -1;
  int frameRateNum = -1, frameRateDen = -1;
  int64_t durationUs = -1;    // negative: unknown
};

struct SourceRowTexts {
  std::string caption;    // "Video File Name": the full path
  std::string videoSize;  // "640x480", or a single blank without video
  std::string frameRate;  // "29.97", or a single blank
  std::string duration;   // "00:01:05" or "Unknown"
  std::string output;     // the output type
  std::string progress;   // "" or "Error"
  std::string frames;     // ""
  bool checked = true;
};

// A file that could be probed gets its size, rate, duration and output
// type; one that could not gets only "Error" in "Progress".
SourceRowTexts makeSourceRow(const std::string &path, const ProbeSummary &probe,
                              const std::string &outputType);
