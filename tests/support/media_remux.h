// Copies of a file's packets into another container without decoding, as
// the tests need odd sources: the streams in another order, time stamps
// that jump.
#pragma once

#include <string>

struct RemuxEdit {
  bool reverseStreams = false;  // the streams in reverse order
  // Every packet from `jumpAtSec` on (after the file's start) moved by
  // `jumpSec` seconds; no jump when `jumpSec` is 0.
  double jumpAtSec = 0;
  double jumpSec = 0;
};

// Writes the packets of `from` into `to` with the muxer `format`; false when
// a step fails.
bool remuxMedia(const std::string &from, const std::string &to, const std::string &format,
                const RemuxEdit &edit = {});
