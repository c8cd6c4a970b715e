// Files named like sources that hold no video or audio: a plain text file,
// and an MP4 whose only track is a subtitle.
#pragma once

#include <string>

// Writes a few lines of plain text to `path`; returns `path`.
std::string writeTextFile(const std::string &path);

// Writes an MP4 with one timed-text subtitle track and no picture or sound;
// returns an empty string on success, the error otherwise.
std::string generateSubtitleOnly(const std::string &path);
