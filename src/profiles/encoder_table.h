// The encoders of the newer profiles: which encoder each stream gets, the
// encoder's constant-quality option, the speed it runs at and what the
// output format asks of it. The encoder mapping reads these rows for every
// profile with the encoder-table rule; the quality levels themselves are the
// items of the profile's option set ("CRF 23").
#pragma once

#include <cstdint>
#include <string_view>

// The encoder name that makes a stream a copy of the source's stream.
inline constexpr std::string_view kCopyStream = "copy";

struct ProfileEncoders {
  int32_t profileId;
  std::string_view videoEncoder;   // empty: no video; kCopyStream: the source's
  std::string_view audioEncoder;   // kCopyStream: the source's
  std::string_view qualityOption;  // the encoder's constant-quality option; empty: none
  // Option lines (name=value, one per line) in the engine's option language:
  // the encoder speed, chosen so that 1920x1080 converts at least at real
  // time on two cores where the encoder can, and what the format needs.
  std::string_view encoderOptions;
  std::string_view videoTag;       // the video stream's tag in the file; empty: the muxer's
};

// The row of a profile, or nullptr for a profile without one.
const ProfileEncoders *findEncoders(int profileId);

// True for the profiles whose video quality levels are constant-quality
// levels rather than bit rates.
bool usesQualityLevels(int profileId);
