// Life of the output files and of the codecs a transcode opened.
#include "transcoder.h"

#include <filesystem>
#include <mutex>
#include <system_error>

#include "binding.h"
#include "ffmpeg_core.h"
#include "transcode_run.h"

TTranscodeState::TTranscodeState() = default;
TTranscodeState::~TTranscodeState() {
  // The task normally releases everything through ReleaseStreams and
  // CloseOutputFiles; this is the last safety net.
  Run.reset();
  openedEncoders.clear();
  openedDecoders.clear();
  for (auto &of : OutputFiles)
    if (of) of->Close();
  OutputFiles.clear();
}

TOutputFile::~TOutputFile() { Close(); }

void TOutputFile::Close() {
  if (ctx && LibrariesLoaded()) {
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

void CloseOpenedCodecs(TCustomFFmpeg &task) {
  TTranscodeState &ts = task.Transcoder;
  if (!LibrariesLoaded()) {
    ts.openedEncoders.clear();
    ts.openedDecoders.clear();
    return;
  }
  std::lock_guard<std::recursive_mutex> lock(CodecLock());
  for (AVCodecContext *enc : ts.openedEncoders) {
    libavutil.av_freep(&enc->stats_in);
    libavcodec.avcodec_close(enc);
  }
  ts.openedEncoders.clear();
  for (AVCodecContext *dec : ts.openedDecoders) libavcodec.avcodec_close(dec);
  ts.openedDecoders.clear();
}

void ReleaseStreams(TCustomFFmpeg &task) {
  CloseOpenedCodecs(task);
  task.Transcoder.Run.reset();
}

void CloseOutputFiles(TCustomFFmpeg &task) {
  TTranscodeState &ts = task.Transcoder;
  ReleaseStreams(task);  // the encoders live in the output files
  for (auto &of : ts.OutputFiles)
    if (of) of->Close();
  ts.OutputFiles.clear();
}
