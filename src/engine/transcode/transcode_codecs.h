// Opening the codecs of a transcode run: the encoders of the output
// streams that are converted, the decoders of the input streams they take,
// with the threads the run may use, and where each audio encoder's sample
// clock starts.
#pragma once

struct TranscodeRun;
struct TranscodeState;

// After openEncoders: whether the encoder of a converted video stream keeps
// several threads of its own busy (x264, x265): it holds pictures of its
// own (a lookahead, reference pictures) and does most of the run's work.
bool encoderKeepsOwnThreads(const TranscodeRun &run);

// Opens the encoder of every output stream that is converted (with
// `threads`, the threads the task may use, for video), lists it in the
// state's opened encoders and copies its parameters to the stream. Throws
// EngineError ("Unsupported codec for output stream #f.s", "Error while
// opening codec for output stream #f.s - ...").
void openEncoders(TranscodeState &state, TranscodeRun &run, int threads);

// After openEncoders: where the sample clock of each audio encoder beside
// a picture starts, so that the encoder's start-up delay and a first
// frame it loses are made up for.
void planAudioStarts(TranscodeRun &run);

// After openEncoders: opens the decoder of every input stream that is
// decoded (with `threads`, the threads the task may use, for video, less
// beside an encoder that keeps threads of its own busy) and lists it in the
// state's opened decoders. Throws EngineError ("Unsupported
// codec (id=n) for input stream #f.s", "Error while opening codec for input
// stream #f.s").
void openDecoders(TranscodeState &state, TranscodeRun &run, int threads);
