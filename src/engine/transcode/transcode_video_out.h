#pragma once

#include <cstdint>

#include "loop_context.h"

class PacketWriter;

// The video path of one output stream: frame-rate sync (drop, duplicate),
// frame limits, the geometry stage and the encoder; at the end of the
// input the last picture is held for its duration. Uses the run's
// encFrame; counts dupFrames and dropFrames.
class VideoOutput {
 public:
  VideoOutput(LoopContext &c, PacketWriter &writer) : c_(c), writer_(writer) {}
  void write(OutputStreamRecord &ost, const InputStreamRecord &ist, const AVFrame *picture, int64_t srcPts);
  void drain(OutputStreamRecord &ost);

 private:
  int64_t framesToEmit(OutputStreamRecord &ost, int64_t srcPts);
  int64_t limitFrames(const OutputStreamRecord &ost, int64_t frames) const;
  void encodeCopies(OutputStreamRecord &ost, const AVFrame *formatted, const AVFrame *picture, float sourceQuality,
                    int64_t frames);
  void holdLastPicture(OutputStreamRecord &ost);

  LoopContext &c_;
  PacketWriter &writer_;
};
