#include "output_file.h"

#include "binding.h"

OutputFile::~OutputFile() { close(); }

void OutputFile::close() {
  if (ctx && librariesLoaded()) {
    // Encoders belong to the streams; free them before the muxer context.
    for (auto &s : streams) {
      if (s && s->encoder) libavutil.av_freep(&s->encoder->stats_in);
      if (s) s->encoder.reset();
    }
    // The target owns the I/O context it lent the muxer.
    if (target && ctx->pb == target->io()) ctx->pb = nullptr;
    if (ctx->pb && !(ctx->oformat && (ctx->oformat->flags & AVFMT_NOFILE))) libavformat.avio_closep(&ctx->pb);
    libavformat.avformat_free_context(ctx);
  }
  ctx = nullptr;
  streams.clear();
  // A file that was not kept under its name is no result: its temporary
  // file goes with the target.
  target.reset();
  fileCreated = false;
}
