// The texts of a new source-list row, from what the media probe found.
#pragma once

#include <cstdint>
#include <string>

// What the add-file procedure learns about one file.
struct TProbeSummary {
  bool Opened = false;        // the probe could open the file
  int VideoStreamCount = 0;
  int Width = -1, Height = -1;
  int FrameRateNum = -1, FrameRateDen = -1;
  int64_t DurationUs = -1;    // negative: unknown
};

struct TSourceRowTexts {
  std::string Caption;    // "Video File Name": the full path
  std::string VideoSize;  // "640x480", or a single blank without video
  std::string FrameRate;  // "29.97", or a single blank
  std::string Duration;   // "00:01:05" or "Unknown"
  std::string Output;     // the output type
  std::string Progress;   // "" or "Error"
  std::string Frames;     // ""
  bool Checked = true;
};

// A file that could be probed gets its size, rate, duration and output
// type; one that could not gets only "Error" in "Progress".
TSourceRowTexts MakeSourceRow(const std::string &path, const TProbeSummary &probe,
                              const std::string &outputType);
