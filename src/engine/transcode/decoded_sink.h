#pragma once

#include <cstdint>

#include "transcode_run.h"

// Where the decoding side hands its results, per input stream: the seam
// between reading and writing. `ist` is the record of the input stream the
// results come from; what the output side needs of it (its clock, the
// quality of its last picture, its sample layout) is read during the call.
class DecodedSink {
 public:
  virtual ~DecodedSink() = default;
  // A packet for every output stream that copies the stream.
  virtual void copyPacket(InputStreamRecord &ist, const AVPacket *pkt) = 0;
  // A decoded picture for the frame pipeline's pre-processing (with the
  // stream's SourcePicture: tone mapping, turning upright) and then, when
  // `deliver`, for every output stream that encodes the stream. The sink
  // may take the picture's buffers (the frame is left empty).
  virtual void picture(InputStreamRecord &ist, AVFrame *frame, int64_t srcPts, bool deliver) = 0;
  // A chunk of interleaved 16-bit samples for every output stream that
  // encodes the stream.
  virtual void samples(InputStreamRecord &ist, const uint8_t *buf, int size, int64_t srcPts) = 0;
  // A decoded subtitle for every output stream that encodes the stream; the
  // sink frees it.
  virtual void subtitle(InputStreamRecord &ist, AVSubtitle *sub) = 0;
  // (The encoders are drained by the driver once every input has ended,
  // the pictures first: see TranscodeLoop.)
};
