// Opening the output files of a task.
#pragma once

#include <string>
#include <vector>

#include "input_file.h"

class TranscodeTask;

// Adds one output file from the task's current option state (setOutput).
// Returns false and leaves the message in the task's lastError on failure.
bool openOutputFile(TranscodeTask &task, const std::string &fileName);

// Which stream kinds the opened `inputs` have. Throws
// EngineError("invalid codec_type of input file") for a stream of an
// unknown kind.
void checkInputKinds(const std::vector<InputFile> &inputs, bool &hasVideo, bool &hasAudio, bool &hasSubtitle);
