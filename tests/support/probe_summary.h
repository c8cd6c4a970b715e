// What the probe finds for a test source that needs no file.
#pragma once

#include <cstdint>

#include "source_jobs.h"

// An opened source of `width` x `height` at 25 fps (no picture where
// `width` is 0), `seconds` long (-1: of unknown length).
inline ProbeSummary probed(int width = 640, int height = 480, int64_t seconds = 5) {
  ProbeSummary p;
  p.opened = true;
  p.videoStreamCount = width > 0 ? 1 : 0;
  p.width = width;
  p.height = height;
  p.frameRateNum = 25;
  p.frameRateDen = 1;
  p.durationUs = seconds < 0 ? -1 : seconds * 1000000;
  return p;
}
