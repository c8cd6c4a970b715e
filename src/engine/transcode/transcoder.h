// The end of a transcode: the codecs it opened closed, the outputs worth
// keeping moved to their names, the others removed.
#pragma once

#include <string>
#include <vector>

#include "engine_types.h"
#include "input_file.h"
#include "log_sink.h"
#include "transcode_state.h"

// How a run ended, as far as its outputs go.
enum class RunEnd {
  Whole,    // reached its end, or was stopped after it
  Stopped,  // stopped part-way: the part converted is kept as such
  Dropped,  // stopped keeping nothing
};

// Closes the encoders and decoders the set-up opened, under the codec lock.
void closeOpenedCodecs(TranscodeState &state);

// Releases the stream records, codecs and buffers of the transcode; safe to
// call more than once.
void releaseStreams(TranscodeState &state);

// Gives the outputs worth keeping their names: those that hold packets and
// a trailer, unless the run dropped its outputs; one held to a size
// (keepAtMostBytes) only when the run was not stopped and it is no bigger
// (every output's finished size is noted). A run that was stopped
// keeps each under a name that says so and where it stopped
// (stoppedNameInsert), leaving the final name free. A name taken meanwhile
// is not replaced without "y" (and never when it is one of `inputs`): the
// next free name is taken instead, and `log` says so. Throws EngineError
// with the reason when an output cannot be kept.
void keepOutputFiles(TranscodeState &state, const std::vector<InputFile> &inputs, RunEnd end, LogSink &log);

// The sizes of the first output, finished (kept or not) or not.
OutputMeasure measuredOutput(const TranscodeState &state);

// The name the first kept output got; empty when none was kept.
std::string keptOutputName(const TranscodeState &state);

// Closes every output file; one that was not kept is deleted (with it,
// every output of a failed task). Safe to call more than once.
void closeOutputFiles(TranscodeState &state);
