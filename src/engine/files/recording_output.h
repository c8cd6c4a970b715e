// What an output keeps of its source's recording: the fields its container
// holds, and the time the output file gets once kept.
#pragma once

class TranscodeTask;

// Set-up of a transcode that keeps the recording metadata (the task's
// option): writes into every output what its container holds, from the
// first input, where the engine's own options ("timestamp", the texts,
// "map_meta_data") have not set the field already, and decides the time
// each output file gets once kept. Logs "keeps the recording place" for an
// output that gets the place.
void applyRecordingMetadata(TranscodeTask &task);
