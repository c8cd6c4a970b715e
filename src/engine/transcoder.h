// Output files, transcode set-up and the transcode loop of a task.
//
// The task class (ffmpeg_core.h) holds one TTranscodeState and calls the
// functions below; everything a task needs to write its outputs lives here.
#pragma once

#include <string>

class TCustomFFmpeg;

// Per-task state of the output side and the transcode (output files, stream
// records, encoders, conversion contexts, statistics files).
struct TTranscodeState {
};

// Adds one output file from the task's current option state (SetOutput).
// Returns false and leaves the message in the task's LastError on failure.
bool OpenOutputFile(TCustomFFmpeg &task, const std::string &fileName);

// Runs set-up, the loop and the final report over the task's inputs and
// outputs. Sets task.Finished at its normal end; throws FFMpegException on
// errors.
void Transcode(TCustomFFmpeg &task);

// Releases the stream records, codecs and buffers of the transcode; safe to
// call more than once.
void ReleaseStreams(TCustomFFmpeg &task);

// Closes every output file; an output that stayed empty (or that the task
// failed to finish writing) is deleted. Safe to call more than once.
void CloseOutputFiles(TCustomFFmpeg &task);
