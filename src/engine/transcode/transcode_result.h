#pragma once

#include <vector>

#include "input_file.h"

struct TranscodeRun;

// After a run over `inputs` that was not stopped: throws EngineError with the reason when
// a source ended (at a read error or the end of its data) more than 0.5 s
// and 2% before the length it declared, or a MOV/MP4 source read from its
// start ended with samples of its index unread (then its declared length
// does not count), without a limit asking for it; or when an output stream
// other than subtitles received no packet.
void checkRunResult(const std::vector<InputFile> &inputs, const TranscodeRun &run);
