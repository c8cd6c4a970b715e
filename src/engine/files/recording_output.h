// What an output keeps of its source's recording: the fields its container
// holds, and the time the output file gets once kept.
#pragma once

#include <vector>

#include "input_file.h"
#include "log_sink.h"
#include "option_state.h"
#include "transcode_state.h"

// Set-up of a transcode that keeps the recording metadata (the option in
// `metadata`): writes into every output of `state` what its container
// holds, from the first of `inputs`, where the engine's own options
// ("timestamp", the texts, "map_meta_data") have not set the field
// already, and decides the time
// each output file gets once kept. Logs "keeps the recording place" for an
// output that gets the place.
void applyRecordingMetadata(const MetadataOptions &metadata, const std::vector<InputFile> &inputs,
                            TranscodeState &state, LogSink &log);
