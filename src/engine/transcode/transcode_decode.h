#pragma once

#include "decoded_sink.h"
#include "loop_context.h"

// Reading side: decodes the packets of one input stream (or, with no
// packet, flushes its decoder) and hands the results to a sink (the output
// paths, or the pipeline that carries them to the output thread). Uses the
// run's frame, decodedAudio, and pkt for the flush.
class InputDecoder {
 public:
  InputDecoder(LoopContext &c, DecodedSink &outputs) : c_(c), outputs_(outputs) {}
  // False when the packet could not be decoded.
  bool process(InputStreamRecord &ist, const AVPacket *pkt);

 private:
  void passOn(InputStreamRecord &ist, const AVPacket *pkt);
  bool decodeSubtitles(InputStreamRecord &ist, const AVPacket *pkt, bool deliver);
  bool decodeFrames(InputStreamRecord &ist, const AVPacket *pkt);
  // A decoded frame goes on by its own time (see reachedStart).
  void deliverSamples(InputStreamRecord &ist, AVFrame *frame);
  void deliverPicture(InputStreamRecord &ist, AVFrame *frame);
  void flushStream(InputStreamRecord &ist, bool deliver);
  bool decodeAudioFrame(InputStreamRecord &ist, AVFrame *frame, int64_t &srcPts, int &bytes);
  int drainAudioConverter(InputStreamRecord &ist);
  void emulateRate(InputStreamRecord &ist);

  LoopContext &c_;
  DecodedSink &outputs_;
};
