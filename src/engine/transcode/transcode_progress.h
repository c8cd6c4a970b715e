#pragma once

#include <cstdint>
#include <string>

#include "loop_context.h"

// The progress reports (to the progress sink, or as text to the log) and
// the output clocks they, and the choice of the next input, read.
class ProgressReporter {
 public:
  explicit ProgressReporter(LoopContext &c) : c_(c) {}
  void report(bool last);
  // Where the stream's output stands, in seconds.
  static double outputTime(const OutputStreamRecord &ost);

 private:
  struct FirstVideo {
    int32_t frameNumber = -1;
    int32_t fps = -1;
    float quality = -1.0f;
  };
  int64_t outputSize() const;
  std::string videoText(const OutputStreamRecord &ost, bool last, double elapsed, FirstVideo &first) const;
  std::string psnrText(const OutputStreamRecord &ost, bool last) const;
  void logFinalStatistics(int64_t total);

  LoopContext &c_;
};
