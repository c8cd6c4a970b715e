// The end of a transcode: its codecs, the outputs kept or removed.
#include "transcoder.h"

#include <filesystem>
#include <mutex>
#include <system_error>

#include "binding.h"
#include "codec_lock.h"
#include "engine_types.h"
#include "output_file.h"
#include "recording_time.h"
#include "transcode_run.h"
#include "transcode_task.h"

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

namespace {

bool isInputOf(const TranscodeTask &task, const std::string &path) {
  std::error_code ec;
  for (const InputFile &in : task.inputFiles)
    if (std::filesystem::equivalent(in.fileName, path, ec) && !ec) return true;
  return false;
}

}  // namespace

void keepOutputFiles(TranscodeTask &task) {
  if (task.outputsDropped()) return;
  for (auto &of : task.transcoder.outputFiles) {
    if (!of || !of->target || !of->trailerWritten || of->packetsWritten == 0) continue;
    if (of->replaceExisting && isInputOf(task, of->target->finalPath()))
      throw EngineError("Could not open '" + of->fileName + "'");
    std::string error;
    if (!of->target->commit(of->replaceExisting, error)) throw EngineError(error);
    applyRecordingTime(of->target->finalPath(), of->fileTime);
  }
}

bool anyOutputKept(const TranscodeTask &task) {
  for (const auto &of : task.transcoder.outputFiles)
    if (of && of->target && of->target->committed()) return true;
  return false;
}

void closeOutputFiles(TranscodeTask &task) {
  TranscodeState &ts = task.transcoder;
  releaseStreams(task);  // the encoders live in the output files
  for (auto &of : ts.outputFiles)
    if (of) of->close();
  ts.outputFiles.clear();
}
