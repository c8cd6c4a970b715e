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

void closeOpenedCodecs(TranscodeState &ts) {
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

void releaseStreams(TranscodeState &state) {
  closeOpenedCodecs(state);
  state.run.reset();
}

namespace {

bool isInputOf(const std::vector<InputFile> &inputs, const std::string &path) {
  std::error_code ec;
  for (const InputFile &in : inputs)
    if (std::filesystem::equivalent(in.fileName, path, ec) && !ec) return true;
  return false;
}

}  // namespace

// The one place where an output gets its name, final or stopped.
void keepOutputFiles(TranscodeState &state, const std::vector<InputFile> &inputs, RunEnd end, LogSink &log) {
  if (end == RunEnd::Dropped) return;
  const bool stopped = end == RunEnd::Stopped;
  for (auto &of : state.outputFiles) {
    if (!of || !of->target || !of->trailerWritten || of->packetsWritten == 0) continue;
    OutputTarget &target = *of->target;
    if (of->replaceExisting && isInputOf(inputs, target.finalPath()))
      throw EngineError("Could not open '" + of->fileName + "'");
    std::string error;
    if (!target.finish(error)) throw EngineError(error);
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(target.temporaryPath(), ec);
    of->fileBytes = ec ? -1 : static_cast<int64_t>(bytes);
    // An output held to a size is kept only whole and within it; the
    // temporary file goes when the output is closed.
    if (of->keepAtMostBytes >= 0 && (stopped || of->fileBytes > of->keepAtMostBytes)) continue;
    const std::string insert = stopped ? stoppedNameInsert(static_cast<int64_t>(of->reachedSeconds)) : std::string();
    if (!target.commit(insert, of->replaceExisting && !stopped, error)) throw EngineError(error);
    // Here the output has its name (target.keptPath()): what is done to a
    // named output goes right here.
    applyRecordingTime(target.keptPath(), of->fileTime);
    if (stopped)
      log.log(LogLevel::Info, "Stopped: the part converted is kept as '" + target.keptPath() + "'");
    else if (target.keptPath() != target.finalPath())
      log.log(LogLevel::Info, "'" + target.finalPath() + "' was taken meanwhile: the output is kept as '" +
                                  target.keptPath() + "'");
  }
}

OutputMeasure measuredOutput(const TranscodeState &state) {
  for (const auto &of : state.outputFiles)
    if (of && of->target) return OutputMeasure{of->fileBytes, of->packetBytes, of->videoPacketBytes};
  return {};
}

std::string keptOutputName(const TranscodeState &state) {
  for (const auto &of : state.outputFiles)
    if (of && of->target && of->target->committed()) return of->target->keptPath();
  return {};
}

void closeOutputFiles(TranscodeState &ts) {
  releaseStreams(ts);  // the encoders live in the output files
  for (auto &of : ts.outputFiles)
    if (of) of->close();
  ts.outputFiles.clear();
}
