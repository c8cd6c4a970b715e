#include "output_paths.h"

#include "binding.h"

void OutputPaths::copyPacket(InputStreamRecord &ist, const AVPacket *pkt) {
  for (OutputStreamRecord *op : ist.outputs)
    if (!op->encodingNeeded) writer_.copyPacket(*op, ist, pkt);
}

// The pre-processing runs once per decoded picture, also for pictures that
// reach no output (before the start position), with what the picture's
// stream needs (tone mapping, turning upright).
void OutputPaths::picture(InputStreamRecord &ist, AVFrame *frame, int64_t srcPts, bool deliver) {
  const AVFrame *picture = c_.run.pictures.preprocessPicture(hooks_, frame, srcPts, ist.picture);
  if (!deliver) return;
  for (OutputStreamRecord *op : ist.outputs) {
    if (!op->encodingNeeded) continue;
    video_.write(*op, ist, picture, srcPts);
    if (c_.gate.stopRequested()) break;
  }
}

void OutputPaths::samples(InputStreamRecord &ist, const uint8_t *buf, int size, int64_t srcPts) {
  for (OutputStreamRecord *op : ist.outputs)
    if (op->encodingNeeded) audio_.write(*op, ist, buf, size, srcPts);
}

void OutputPaths::subtitle(InputStreamRecord &ist, AVSubtitle *sub) {
  for (OutputStreamRecord *op : ist.outputs)
    if (op->encodingNeeded) writer_.writeSubtitle(*op, sub);
  libavcodec.avsubtitle_free(sub);
}

void OutputPaths::drain(OutputStreamRecord &ost, const PictureEnd &pictures) {
  if (ost.drained || !ost.encodingNeeded) return;
  switch (ost.enc->codec_type) {
    case AVMEDIA_TYPE_AUDIO: audio_.drain(ost, pictures); break;
    case AVMEDIA_TYPE_VIDEO: video_.drain(ost); break;
    default: ost.drained = true; break;
  }
}
