// The modification time of a finished output: its recording's time.
#pragma once

#include <cstdint>
#include <string>

// Gives the file `path` the modification time `seconds` (since 1970), its
// access time unchanged; nothing when `seconds` is negative. Called once
// the output has its final name, so a failed run changes no file's time.
void applyRecordingTime(const std::string &path, int64_t seconds);
