// Opening the input files of a task.
#pragma once

#include <string>

class TranscodeTask;

// Opens `fileName` as the task's next input with its current option state,
// and consumes the options meant for one file. Returns false and leaves the
// message in the task's lastError on failure.
bool openInputFile(TranscodeTask &task, const std::string &fileName);
