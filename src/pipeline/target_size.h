// Fitting an output into a size ("Fit into", trevix-convert --target-size):
// the sizes as people write them, and the bit rates that make a clip of a
// known length come out at most that size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "options.h"

// "25MB", "8MiB", "700KB", "1.5GB", "1000000" (bytes), any case, a blank
// allowed before the unit: MB = 1,000,000 bytes, MiB = 1,048,576. None for
// anything else or for zero.
std::optional<int64_t> parseSizeText(const std::string &text);

// "20 KB", "1.5 MB", "600 KB" (whole KB below a megabyte, rounded up).
std::string sizeText(int64_t bytes);

// The lowest video bit rate worth encoding, and the lowest sound one.
inline constexpr int32_t kLowestVideoBitRate = 64000;
inline constexpr int32_t kLowestAudioBitRate = 24000;

// The lowest video bit rate worth encoding `width`x`height` pictures at
// `fps` with `encoder`: kLowestVideoBitRate, more for large pictures (the
// older encoders need more bits for each point than x264 and its heirs).
// Unknown sizes (0) count as small.
int32_t lowestVideoBitRate(const std::string &encoder, int width, int height, double fps);

// What a fit decided for one output.
struct FitPlan {
  bool possible = true;
  std::string reason;          // why the size cannot be reached
  int32_t videoBitRate = -1;   // the video's bit/s (a constant quality's highest); -1: the profile's own
  int32_t audioBitRate = -1;   // bit/s for the sound; -1: the profile's own
  int64_t budgetBytes = 0;     // what the streams may take, the container's share set aside
};

// The rates that fit `durationMs` of the profile's output (`o`, filled in:
// its video bit rate, or none for a constant quality, and sound bit rate) into `targetBytes`.
// The container's share is set aside, and some room for the encoder's rate
// control. A rate above the profile's own is never chosen: a clip that is
// small enough at the profile's bit rate keeps it.
// `lowestVideoRate`: the picture's lowest useful rate (lowestVideoBitRate).
FitPlan planFit(int64_t targetBytes, int64_t durationMs, const OutputOptions &o,
                int32_t lowestVideoRate = kLowestVideoBitRate);

// Encodes at the plan's rates: a bit-rate profile at the video rate, a
// constant quality held to it (as its highest rate, with a buffer of two
// seconds); the sound at its rate.
void applyFit(const FitPlan &plan, OutputOptions &o);

// The log line of a fit: "Fitting into 10 MB: video 1,234 kbit/s, sound 160 kbit/s".
std::string fitNote(int64_t targetBytes, const FitPlan &plan, const OutputOptions &o);
