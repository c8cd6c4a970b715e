// What every stage of the transcode loop (transcode_loop.h) works on.
#pragma once

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

// What every stage works on: the task (its log, its stop request), the
// task's outputs and statistics, the run's records and buffers, and the
// option state.
struct LoopContext {
  TranscodeTask &task;
  TranscodeState &state;
  TranscodeRun &run;
  OptionState &options;
};
