// Builders of the streams of an output file. Each appends one stream to
// `of` from the option state and consumes the options meant for one
// stream (its codec name, copy mark and disable switch); failures throw
// EngineError.
#pragma once

#include <string>

#include "av_headers.h"

struct OptionState;
struct OutputFile;
struct TranscodeState;

void buildVideoStream(OptionState &options, OutputFile &of);
void buildAudioStream(OptionState &options, OutputFile &of);
void buildSubtitleStream(OptionState &options, OutputFile &of);

// "newvideo", "newaudio", "newsubtitle": one more stream of that type on
// the last opened output of `state`. Throws EngineError ("At least one
// output file must be specified" without an output, or the builder's
// message).
void newStreamOnLastOutput(OptionState &options, TranscodeState &state, AVMediaType type);

// Name of the two-pass log of output stream `streamNumber` (counted over
// all outputs from 0): ("ffmpeg2pass" or `passLogFileName`)-N.log.
std::string twoPassLogName(const std::string &passLogFileName, int streamNumber);
