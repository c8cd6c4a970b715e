// Whether an output container can hold a stream copied from the source
// unchanged. A copy is not converted, so a codec that the container has no
// place for ends the set-up with a reason the user can act on.
#pragma once

#include <string>

#include "av_headers.h"

// The text of the refusal: "MP4 cannot hold the source's pcm_s16be audio;
// choose a profile that converts it". `container` names the output format
// as the user knows it (its file extension in capitals).
std::string copyRefusalText(const std::string &container, const std::string &codec, AVMediaType type);

// Raises EngineError with copyRefusalText when the output format `ofmt` of
// the file `fileName` says it cannot store the codec of `par`. A format that
// cannot tell is left to its muxer.
void checkContainerHoldsCopy(const AVOutputFormat *ofmt, const std::string &fileName, const AVCodecParameters *par);
