#pragma once

#include "loop_context.h"

// Hands packets to the muxers and encoders' output to the packets. Uses the
// run's outPkt and the statistics file; counts videoBytes and audioBytes.
class PacketWriter {
 public:
  explicit PacketWriter(LoopContext &c) : c_(c) {}
  // Interleaved write; a failure throws EngineError.
  void write(OutputStreamRecord &ost, AVPacket *pkt);
  // Sends `frame` (null: drain) to the stream's encoder and writes every
  // packet it gives; returns the encoder's error, or 0.
  int encodeAndWrite(OutputStreamRecord &ost, const AVFrame *frame);
  // A packet of a stream copy, from its first key frame on.
  void copyPacket(OutputStreamRecord &ost, const InputStreamRecord &ist, const AVPacket *pkt);
  // A decoded subtitle, encoded (twice for DVB: to show and to clear).
  void writeSubtitle(OutputStreamRecord &ost, AVSubtitle *sub);

 private:
  void writeVideoPacket(OutputStreamRecord &ost, AVPacket *pkt);
  void notePictureStats(OutputStreamRecord &ost, const AVPacket *pkt);
  void writeVideoStats(OutputStreamRecord &ost, int frameBytes);

  LoopContext &c_;
};

// Quality of a stream's last encoded picture (lambda / FF_QP2LAMBDA), or
// -1 for a stream copy.
float streamQuality(const OutputStreamRecord &ost);
