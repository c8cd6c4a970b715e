// The volume track bar's positions: the label shown beside it and the value
// handed to the engine (position 5 is the unchanged level, 255).
#pragma once

#include <cstdint>

inline constexpr int kVolumeMinPosition = 0;
inline constexpr int kVolumeMaxPosition = 10;
inline constexpr int kVolumeStartPosition = 5;

struct VolumeStep {
  const char *label;  // "0%" ... "200%"
  int32_t value;      // engine volume
};

// The step of a track-bar position; positions outside 0..10 are limited.
const VolumeStep &volumeStep(int position);
