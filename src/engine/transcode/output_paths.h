#pragma once

#include "decoded_sink.h"
#include "loop_context.h"
#include "task_picture_hooks.h"
#include "transcode_audio_out.h"
#include "transcode_video_out.h"
#include "transcode_writer.h"

// The output path of each output stream, by media type.
class OutputPaths : public DecodedSink {
 public:
  explicit OutputPaths(LoopContext &c) : c_(c), hooks_(c.task), writer_(c), video_(c, writer_), audio_(c, writer_) {}
  void copyPacket(InputStreamRecord &ist, const AVPacket *pkt) override;
  void picture(InputStreamRecord &ist, AVFrame *frame, int64_t srcPts, bool deliver) override;
  void samples(InputStreamRecord &ist, const uint8_t *buf, int size, int64_t srcPts) override;
  void subtitle(InputStreamRecord &ist, AVSubtitle *sub) override;
  // Whatever the stream's encoder still holds, once (a sound up to the
  // pictures' end when it falls just short of it).
  void drain(OutputStreamRecord &ost, const PictureEnd &pictures = {});

 private:
  LoopContext &c_;
  TaskPictureHooks hooks_;
  PacketWriter writer_;
  VideoOutput video_;
  AudioOutput audio_;
};
