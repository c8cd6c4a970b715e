// The shortest direct loop over the media libraries (the benchmark's
// floor): decode, scale, encode, write, with the encoders, picture size and
// bit rates of a profile, and nothing else.
#pragma once

#include <string>

struct FloorSettings {
  const char *vcodec;  // empty: no pictures
  const char *acodec;
  int width, height;   // 0: the source's size
  int videoBitRate;
  int audioBitRate;
  int sampleRate, channels;
};

// Converts `src` into `outPath` with `threads` threads in the video codecs
// and the scaler (0: every core), one thread for the rest; false (with the
// reason on stderr) when a step fails. The libraries must be bound.
bool runFloor(const FloorSettings &c, int threads, const std::string &src, const std::string &outPath);
