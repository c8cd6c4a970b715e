// Placeholder until the transcoder lands: outputs cannot be opened yet.
#include "transcoder.h"

#include "engine_types.h"

bool OpenOutputFile(TCustomFFmpeg &, const std::string &) { return false; }
void Transcode(TCustomFFmpeg &) { throw FFMpegException("transcoding is not available"); }
void ReleaseStreams(TCustomFFmpeg &) {}
void CloseOutputFiles(TCustomFFmpeg &) {}
