#pragma once

#include <cstdint>

#include "loop_context.h"

class PacketWriter;

// The audio path of one output stream: audio sync (trim, pad with silence,
// compensate drift), resampling to the encoder's channels and rate, the
// stream's fifo and the encoder. Uses the run's resampled, silence and
// encFrame buffers.
class AudioOutput {
 public:
  AudioOutput(LoopContext &c, PacketWriter &writer) : c_(c), writer_(writer) {}
  // A chunk of interleaved 16-bit samples in the decoder's channels and
  // rate, starting at `srcPts` (microseconds).
  void write(OutputStreamRecord &ost, InputStreamRecord &ist, const uint8_t *buf, int size, int64_t srcPts);
  // The samples left in the fifo as one last frame (short when the encoder
  // takes a short one, else filled up with silence), then what the encoder
  // still holds. A sound that falls short of the file's pictures' end by
  // less than a picture and a frame is filled up with silence to end with
  // them.
  void drain(OutputStreamRecord &ost, const PictureEnd &pictures);

 private:
  struct Chunk {
    const uint8_t *data;
    int64_t size;  // bytes
  };
  bool syncChunk(OutputStreamRecord &ost, InputStreamRecord &ist, Chunk &chunk, int64_t srcPts);
  void padOrTrim(InputStreamRecord &ist, Chunk &chunk, double delta, int64_t byteDelta);
  bool resampleChunk(OutputStreamRecord &ost, const InputStreamRecord &ist, Chunk &chunk);
  void limitToRecordingTime(const OutputStreamRecord &ost, Chunk &chunk) const;
  void encodeQueued(OutputStreamRecord &ost);
  void fillUpTo(OutputStreamRecord &ost, const PictureEnd &pictures);
  void encodeFrame(OutputStreamRecord &ost, const uint8_t *s16, int samples);
  bool needsResampling(const OutputStreamRecord &ost, const InputStreamRecord &ist) const;

  LoopContext &c_;
  PacketWriter &writer_;
};
