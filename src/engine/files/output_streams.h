// Builders of the streams of an output file. Each appends one stream to
// `of` from the task's option state and consumes the options meant for one
// stream (its codec name, copy mark and disable switch); failures throw
// EngineError.
#pragma once

class TranscodeTask;
struct OutputFile;

void buildVideoStream(TranscodeTask &task, OutputFile &of);
void buildAudioStream(TranscodeTask &task, OutputFile &of);
void buildSubtitleStream(TranscodeTask &task, OutputFile &of);
