// The end of a transcode: the codecs it opened closed, the outputs worth
// keeping moved to their names, the others removed.
#pragma once

#include <string>

class TranscodeTask;

// Closes the encoders and decoders the set-up opened, under the codec lock.
void closeOpenedCodecs(TranscodeTask &task);

// Releases the stream records, codecs and buffers of the transcode; safe to
// call more than once.
void releaseStreams(TranscodeTask &task);

// Moves the outputs worth keeping to their final names: those that hold
// packets and a trailer, unless the task was told to drop its outputs. A
// name taken meanwhile is not replaced without "y", and never when it is
// one of the task's inputs. Throws EngineError with the reason when an
// output cannot be kept.
void keepOutputFiles(TranscodeTask &task);

// Whether an output of the task is under its final name already.
bool anyOutputKept(const TranscodeTask &task);

// Closes every output file; one that was not kept is deleted (with it,
// every output of a failed task). Safe to call more than once.
void closeOutputFiles(TranscodeTask &task);
