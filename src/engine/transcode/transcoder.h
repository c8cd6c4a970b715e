// The end of a transcode: the codecs it opened closed, the outputs worth
// keeping moved to their names, the others removed.
#pragma once

#include <string>

#include "engine_types.h"

class TranscodeTask;

// Closes the encoders and decoders the set-up opened, under the codec lock.
void closeOpenedCodecs(TranscodeTask &task);

// Releases the stream records, codecs and buffers of the transcode; safe to
// call more than once.
void releaseStreams(TranscodeTask &task);

// Gives the outputs worth keeping their names: those that hold packets and
// a trailer, unless the task was told to drop its outputs; one held to a
// size (keepAtMostBytes) only when the run was not stopped and it is no
// bigger (every output's finished size is noted). A run that was
// stopped keeps each under a name that says so and where it stopped
// (stoppedNameInsert), leaving the final name free. A name taken meanwhile
// is not replaced without "y" (and never when it is one of the task's
// inputs): the next free name is taken instead, and the log says so.
// Throws EngineError with the reason when an output cannot be kept.
void keepOutputFiles(TranscodeTask &task);

// The sizes of the task's first output, finished (kept or not) or not.
OutputMeasure measuredOutput(const TranscodeTask &task);

// The name the task's first kept output got; empty when none was kept.
std::string keptOutputName(const TranscodeTask &task);

// Closes every output file; one that was not kept is deleted (with it,
// every output of a failed task). Safe to call more than once.
void closeOutputFiles(TranscodeTask &task);
