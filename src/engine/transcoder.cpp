// Life of the output files and of the codecs a transcode opened.
#include "transcoder.h"

#include <filesystem>
#include <mutex>
#include <system_error>

#include "binding.h"
#include "transcode_task.h"
#include "transcode_run.h"

TranscodeState::TranscodeState() = default;
TranscodeState::~TranscodeState() {
  // The task normally releases everything through releaseStreams and
  // closeOutputFiles; this is the last safety net.
  run.reset();
  openedEncoders.clear();
  openedDecoders.clear();
  for (auto &of : outputFiles)
    if (of) of->close();
  outputFiles.clear();
}

OutputFile::~OutputFile() { close(); }

void OutputFile::close() {
  if (ctx && librariesLoaded()) {
    // Encoders belong to the streams; free them before the muxer context.
    for (auto &s : streams) {
      if (s && s->encoder) libavutil.av_freep(&s->encoder->stats_in);
      if (s) s->encoder.reset();
    }
    if (ctx->pb && !(ctx->oformat && (ctx->oformat->flags & AVFMT_NOFILE))) libavformat.avio_closep(&ctx->pb);
    libavformat.avformat_free_context(ctx);
  }
  ctx = nullptr;
  streams.clear();
  // A file that received no data, or whose writing never finished, is no
  // result: it does not stay on disk.
  // Only a regular file is removed (an output may be a device or a pipe).
  if (fileCreated && (!trailerWritten || packetsWritten == 0)) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(fileName, ec))) std::filesystem::remove(fileName, ec);
  }
  fileCreated = false;
}

void closeOpenedCodecs(TranscodeTask &task) {
  TranscodeState &ts = task.transcoder;
  if (!librariesLoaded()) {
    ts.openedEncoders.clear();
    ts.openedDecoders.clear();
    return;
  }
  std::lock_guard<std::recursive_mutex> lock(codecLock());
  for (AVCodecContext *enc : ts.openedEncoders) {
    libavutil.av_freep(&enc->stats_in);
    libavcodec.avcodec_close(enc);
  }
  ts.openedEncoders.clear();
  for (AVCodecContext *dec : ts.openedDecoders) libavcodec.avcodec_close(dec);
  ts.openedDecoders.clear();
}

void releaseStreams(TranscodeTask &task) {
  closeOpenedCodecs(task);
  task.transcoder.run.reset();
}

void closeOutputFiles(TranscodeTask &task) {
  TranscodeState &ts = task.transcoder;
  releaseStreams(task);  // the encoders live in the output files
  for (auto &of : ts.outputFiles)
    if (of) of->close();
  ts.outputFiles.clear();
}
