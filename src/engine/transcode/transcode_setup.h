#pragma once

class TranscodeTask;

// Runs set-up, the loop and the final report over the task's inputs and
// outputs. Marks the task finished at its normal end; throws EngineError on
// errors.
void transcode(TranscodeTask &task);
