// What every stage of the transcode loop (transcode_loop.h) works on.
#pragma once

#include "log_sink.h"
#include "pause_gate.h"
#include "transcode_run.h"
#include "transcode_state.h"

class TranscodeTask;
struct OptionState;

// Where an output file's pictures end, and how long one of them lasts
// (seconds; 0 without pictures).
struct PictureEnd {
  double end = 0;
  double period = 0;
};

// What every stage works on: the task's outputs and statistics, the run's
// records and buffers, the option state, the task's log and its pause gate
// (with the stop request). The task itself is there for the driving stages
// (the loop, the pipeline, the progress reports); the others need only the
// rest.
struct LoopContext {
  TranscodeTask &task;
  TranscodeState &state;
  TranscodeRun &run;
  OptionState &options;
  LogSink &log;
  PauseGate &gate;
};
