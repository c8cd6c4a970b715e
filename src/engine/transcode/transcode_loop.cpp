// The driver of the transcode loop: picks the input that is furthest
// behind, reads one packet, repairs its time stamps and hands it to the
// decoder, until a stop condition holds; then flushes the codecs, writes the
// trailers, makes the final report and closes the codecs.
#include <algorithm>
#include <cmath>
#include <limits>

#include "binding.h"
#include "open_errors.h"
#include "output_file.h"
#include "timestamps.h"
#include "transcode_codecs.h"
#include "transcode_loop.h"
#include "transcode_pipeline.h"
#include "transcode_task.h"
#include "transcoder.h"

namespace {

constexpr AVRational kMicros{1, AV_TIME_BASE};

// Decoded pictures queued before an encoder with threads and a lookahead of
// its own, which takes up the decoder's unevenness itself: each queued
// picture is a whole decoded picture (3 MiB at 1080p).
constexpr int kPicturesBeforeOwnThreads = 2;

int64_t rescale(int64_t v, AVRational from, AVRational to) { return libavutil.av_rescale_q(v, from, to); }

// "dts_delta_threshold" in microseconds, held to the int64 range (NaN: no
// jump is ever large enough).
int64_t thresholdMicros(float seconds) {
  const double us = seconds * 1000000.0;
  if (std::isnan(us) || us >= 9223372036854775808.0) return kTimestampMax;
  if (us < -9223372036854775808.0) return kTimestampMin;
  return static_cast<int64_t>(us);
}

// The frame limit of the stream's media type ("vframes", "aframes",
// "dframes"; subtitles have none).
int64_t frameLimit(const TimingOptions &o, AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO: return o.maxVideoFrames;
    case AVMEDIA_TYPE_AUDIO: return o.maxAudioFrames;
    case AVMEDIA_TYPE_DATA: return o.maxDataFrames;
    default: return std::numeric_limits<int32_t>::max();
  }
}

}  // namespace

TranscodeLoop::TranscodeLoop(TranscodeTask &task, TranscodeRun &run)
    : c_{task, task.transcoder, run, task.options, task, *task.pauseGate()},
      dtsDeltaThresholdUs_(thresholdMicros(task.options.dtsDeltaThreshold)),
      outputs_(c_),
      decoder_(c_, outputs_),
      progress_(c_) {}

// The file of the output stream that is furthest behind (with "isync", of
// the input stream that is), among the inputs not yet ended; -1 when none
// is left or a stream has reached its frame limit.
int TranscodeLoop::chooseInput(double &outputTimeMin) const {
  const bool inputSync = c_.options.inputSync != 0;
  int fileIndex = -1;
  double inputTimeMin = 1e100;
  outputTimeMin = 1e100;
  for (auto &op : c_.run.ost) {
    const OutputStreamRecord &ost = *op;
    const InputStreamRecord &ist = *c_.run.ist[ost.sourceIndex];
    if (!c_.run.files[ist.fileIndex].ended) {
      const double ipts = static_cast<double>(ist.pts);
      const double opts = ProgressReporter::outputTime(ost);
      if (ipts < inputTimeMin) {
        inputTimeMin = ipts;
        if (inputSync) fileIndex = ist.fileIndex;
      }
      if (opts < outputTimeMin) {
        outputTimeMin = opts;
        if (!inputSync) fileIndex = ist.fileIndex;
      }
    }
    if (ost.frameNumber >= frameLimit(c_.options, ost.out->type)) return -1;
  }
  return fileIndex;
}

bool TranscodeLoop::frameLimitReached() const {
  for (auto &op : c_.run.ost)
    if (op->frameNumber >= frameLimit(c_.options, op->out->type)) return true;
  return false;
}

// Neither the recording time nor the file size limit is reached.
bool TranscodeLoop::outputsMayGrow(double outputTimeMin) const {
  if (static_cast<double>(c_.options.recordingTime) / 1000000.0 <= outputTimeMin) return false;
  if (c_.options.limitFileSize) {
    const AVFormatContext *oc = c_.state.outputFiles.front()->ctx;
    const int64_t written = oc && oc->pb ? libavformat.avio_seek(oc->pb, 0, SEEK_CUR) : 0;
    if (oc && written > c_.options.limitFileSize) return false;
  }
  return true;
}

// The input stream record the packet belongs to, or null when no output
// takes that stream.
InputStreamRecord *TranscodeLoop::takerOf(const InputFile &in, const InputFileRecord &file, const AVPacket *pkt) {
  if (c_.options.doPktDump) {
    const int index = pkt->stream_index < static_cast<int>(in.ctx->nb_streams) ? pkt->stream_index : 0;
    libavformat.av_pkt_dump_log2(nullptr, AV_LOG_INFO, pkt, c_.options.doHexDump, in.ctx->streams[index]);
  }
  if (pkt->stream_index < 0 || pkt->stream_index >= file.streamCount) return nullptr;
  InputStreamRecord *ist = c_.run.ist[file.firstStream + pkt->stream_index].get();
  return ist->free ? nullptr : ist;
}

// The file's time stamp offset and the stream's scale; a jump beyond
// "dts_delta_threshold" (or backwards) moves the file's offset so that the
// time stamps go on where they were, unless "copyts" keeps them.
void TranscodeLoop::repairTimestamps(InputFile &in, InputStreamRecord &ist, AVPacket *pkt) {
  const AVRational tb = ist.st->time_base;
  const int64_t offset = rescale(in.tsOffset, kMicros, tb);
  if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = addTimestamps(pkt->dts, offset);
  if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = addTimestamps(pkt->pts, offset);
  const double scale = pkt->stream_index < kMaxStreams ? in.tsScale[pkt->stream_index] : 0.0;
  if (scale != 0.0) {
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = std::llrint(static_cast<double>(pkt->dts) * scale);
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = std::llrint(static_cast<double>(pkt->pts) * scale);
  }
  if (pkt->dts == AV_NOPTS_VALUE || ist.nextPts == AV_NOPTS_VALUE || c_.options.copyTs) return;
  const int64_t dtsUs = rescale(pkt->dts, tb, kMicros);
  const int64_t delta = subtractTimestamps(dtsUs, ist.nextPts);
  if (std::llabs(delta) <= dtsDeltaThresholdUs_ && addTimestamps(dtsUs, 1) >= ist.pts) return;
  in.tsOffset = subtractTimestamps(in.tsOffset, delta);
  if (c_.options.verbose >= 3)
    c_.log.logF(LogLevel::Info, "timestamp discontinuity %lld, new offset= %lld", static_cast<long long>(delta),
                static_cast<long long>(in.tsOffset));
  const int64_t d = rescale(delta, kMicros, tb);
  pkt->dts = subtractTimestamps(pkt->dts, d);
  if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = subtractTimestamps(pkt->pts, d);
}

// How far the file has been read, from the packet's time stamps as the file
// has them.
void TranscodeLoop::noteRead(const InputFile &in, InputFileRecord &file, const AVPacket *pkt) {
  if (pkt->stream_index < 0 || pkt->stream_index >= static_cast<int>(in.ctx->nb_streams)) return;
  if (file.packetsRead.size() <= static_cast<size_t>(pkt->stream_index))
    file.packetsRead.resize(static_cast<size_t>(pkt->stream_index) + 1);
  ++file.packetsRead[static_cast<size_t>(pkt->stream_index)];
  int64_t t = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
  if (t == AV_NOPTS_VALUE) return;
  t = addTimestamps(t, std::max<int64_t>(pkt->duration, 0));
  int64_t us = rescale(t, in.ctx->streams[pkt->stream_index]->time_base, kMicros);
  if (in.ctx->start_time != AV_NOPTS_VALUE) us = subtractTimestamps(us, in.ctx->start_time);
  file.readEndUs = std::max(file.readEndUs, us);
}

// A read gave no packet: the end of the data, a read error (told in the
// log), or a stop request.
void TranscodeLoop::endInput(const InputFile &in, InputFileRecord &file, int code) {
  file.ended = true;
  file.endCode = code;
  if (code == AVERROR_EOF || code == AVERROR_EXIT || c_.options.verbose < 0) return;
  char why[AV_ERROR_MAX_STRING_SIZE] = {};
  libavutil.av_strerror(code, why, sizeof why);
  c_.log.logF(LogLevel::Error, "Error while reading '%s': %s", in.fileName.c_str(), why);
}

void TranscodeLoop::reportWhenDue() {
  const int64_t now = libavutil.av_gettime_relative();
  if (now - c_.run.lastProgress <= c_.task.progressIntervalUs()) return;
  c_.run.lastProgress = now;
  progress_.report(false);
}

// The limits as the one-thread loop checks them before each read, with
// every output stream counted (its one input has not ended yet).
bool TranscodeLoop::outputLimitReached() const {
  if (frameLimitReached()) return true;
  double outputTimeMin = 1e100;
  for (auto &op : c_.run.ost) outputTimeMin = std::min(outputTimeMin, ProgressReporter::outputTime(*op));
  return !outputsMayGrow(outputTimeMin);
}

TranscodeLoop::ReadOutcome TranscodeLoop::readAndDecode(int fileIndex, InputDecoder &decoder) {
  InputFile &in = c_.task.inputFiles[fileIndex];
  InputFileRecord &file = c_.run.files[fileIndex];
  AVPacket *pkt = c_.run.pkt.get();
  const int readResult = libavformat.av_read_frame(in.ctx.get(), pkt);
  if (readResult < 0) {
    endInput(in, file, readResult);
    return c_.options.shortest ? ReadOutcome::EndLoop : ReadOutcome::Ended;
  }
  noteRead(in, file, pkt);
  InputStreamRecord *ist = takerOf(in, file, pkt);
  if (!ist) {
    libavcodec.av_packet_unref(pkt);
    return ReadOutcome::Skipped;
  }
  repairTimestamps(in, *ist, pkt);
  const bool decoded = decoder.process(*ist, pkt);
  libavcodec.av_packet_unref(pkt);
  if (!decoded) {
    if (c_.options.verbose >= 0)
      c_.log.logF(LogLevel::Info, "Error while decoding stream #%d.%d", ist->fileIndex, ist->streamIndex);
    return ReadOutcome::Failed;
  }
  return ReadOutcome::Decoded;
}

void TranscodeLoop::run() {
  if (c_.task.threads() > 1 && c_.task.inputFiles.size() == 1)
    runPipelined();
  else
    runOnOneThread();
}

void TranscodeLoop::runOnOneThread() {
  PauseGate &gate = c_.gate;
  while (!gate.stopRequested()) {
    gate.waitWhilePaused();
    if (gate.stopRequested()) break;
    double outputTimeMin = 0;
    const int fileIndex = chooseInput(outputTimeMin);
    if (fileIndex < 0 || !outputsMayGrow(outputTimeMin)) {
      c_.run.limitReached = fileIndex >= 0 || frameLimitReached();
      break;
    }
    const ReadOutcome outcome = readAndDecode(fileIndex, decoder_);
    if (outcome == ReadOutcome::EndLoop) break;
    if (outcome == ReadOutcome::Decoded) reportWhenDue();  // none after a failed packet
  }
  // Flush the decoders, then finish the outputs.
  for (auto &ip : c_.run.ist)
    if (ip->decodingNeeded) decoder_.process(*ip, nullptr);
  finishOutputs();
}

// Reading and decoding here; the output thread checks the limits and
// reports progress after each packet, where the one-thread loop does.
void TranscodeLoop::runPipelined() {
  PauseGate &gate = c_.gate;
  OutputPipeline pipeline(c_, outputs_, *this,
                          encoderKeepsOwnThreads(c_.run) ? kPicturesBeforeOwnThreads : OutputPipeline::kQueuedPictures);
  InputDecoder decoder(c_, pipeline);
  bool inputEnded = false;
  while (!gate.stopRequested() && !pipeline.outputsEnded()) {
    gate.waitWhilePaused();
    if (gate.stopRequested()) break;
    if (c_.run.files.front().ended) {
      inputEnded = true;
      break;
    }
    const ReadOutcome outcome = readAndDecode(0, decoder);
    if (outcome == ReadOutcome::EndLoop) break;
    if (outcome == ReadOutcome::Decoded || outcome == ReadOutcome::Failed)
      pipeline.packetDone(outcome == ReadOutcome::Decoded);
  }
  pipeline.inputDone(inputEnded);
  for (auto &ip : c_.run.ist)
    if (ip->decodingNeeded) decoder.process(*ip, nullptr);
  pipeline.finish();  // an error of the output side is raised here
  finishOutputs();
}

PictureEnd TranscodeLoop::pictureEnd(const OutputFile &file) const {
  PictureEnd p;
  for (auto &op : c_.run.ost) {
    if (op->file != &file || op->out->type != AVMEDIA_TYPE_VIDEO) continue;
    p.end = std::max(p.end, ProgressReporter::outputTime(*op));
    if (op->enc) p.period = std::max(p.period, av_q2d(op->enc->time_base));
  }
  return p;
}

// On the task's thread once every input has ended (and, in a pipelined
// run, the output thread has finished): the encoders are drained, the
// pictures first so that the sound of each file can end where its
// pictures do; then the trailers, the final report and the closing of the
// codecs.
void TranscodeLoop::finishOutputs() {
  for (auto &op : c_.run.ost)
    if (op->out->type == AVMEDIA_TYPE_VIDEO) outputs_.drain(*op);
  for (auto &op : c_.run.ost)
    if (op->out->type != AVMEDIA_TYPE_VIDEO) outputs_.drain(*op, pictureEnd(*op->file));

  for (auto &op : c_.run.ost) op->file->reachedSeconds = std::max(op->file->reachedSeconds, op->writtenEnd);
  for (auto &of : c_.state.outputFiles) {
    if (!of->headerWritten || of->trailerWritten) continue;
    const int ret = libavformat.av_write_trailer(of->ctx);
    if (ret < 0) throw EngineError(writeErrorText(ret, of->fileName));
    of->trailerWritten = true;
  }
  progress_.report(true);
  closeOpenedCodecs(c_.state);
  c_.task.setFinished(!c_.gate.stopRequested());
}

void runTranscodeLoop(TranscodeTask &task, TranscodeRun &run) { TranscodeLoop(task, run).run(); }
