// Progress of a transcode: where each output stream stands, the reports to
// the progress sink (or as text to the log), and the final statistics.
#include <algorithm>
#include <cmath>

#include "binding.h"
#include "output_file.h"
#include "text_format.h"
#include "transcode_progress.h"
#include "transcode_task.h"
#include "transcode_writer.h"

double ProgressReporter::outputTime(const OutputStreamRecord &ost) {
  if (ost.encodingNeeded && ost.enc) {
    if (ost.out->type == AVMEDIA_TYPE_VIDEO) return ost.syncPts * av_q2d(ost.enc->time_base);
    if (ost.out->type == AVMEDIA_TYPE_AUDIO && ost.enc->sample_rate > 0) {
      const int ch = std::max(1, ost.enc->ch_layout.nb_channels);
      return (static_cast<double>(ost.syncPts) + static_cast<double>(ost.fifo.size()) / (ch * 2)) /
             ost.enc->sample_rate;
    }
  }
  return ost.writtenEnd;
}

// The first output file's size so far (its write position while the size
// is not known).
int64_t ProgressReporter::outputSize() const {
  if (c_.state.outputFiles.empty()) return 0;
  const AVFormatContext *oc = c_.state.outputFiles.front()->ctx;
  if (!oc || !oc->pb) return 0;
  const int64_t size = libavformat.avio_size(oc->pb);
  const int64_t pos = libavformat.avio_seek(oc->pb, 0, SEEK_CUR);
  return std::max<int64_t>(size, pos);
}

std::string ProgressReporter::psnrText(const OutputStreamRecord &ost, bool last) const {
  static const char kPlanes[] = {'Y', 'U', 'V'};
  std::string text = "PSNR=";
  double errSum = 0, scaleSum = 0;
  for (int j = 0; j < 3; ++j) {
    const double error = last ? static_cast<double>(ost.enc->error[j]) : static_cast<double>(ost.lastError[j]);
    double scale = static_cast<double>(ost.enc->width) * ost.enc->height * 255.0 * 255.0;
    if (last) scale *= static_cast<double>(ost.frameNumber);
    if (j) scale /= 4;
    errSum += error;
    scaleSum += scale;
    text += formatText("%c:%2.2f ", kPlanes[j], -10.0 * std::log10(error / scale));
  }
  return text + formatText("*:%2.2f ", -10.0 * std::log10(errSum / scaleSum));
}

// The report's part for the first video stream: frames, rate, quality and
// the optional histogram and PSNR.
std::string ProgressReporter::videoText(const OutputStreamRecord &ost, bool last, double elapsed,
                                        FirstVideo &first) const {
  first.frameNumber = static_cast<int32_t>(ost.frameNumber);
  first.fps = elapsed > 1.0 ? static_cast<int32_t>(std::lrint(ost.frameNumber / elapsed)) : 0;
  first.quality = streamQuality(ost);
  std::string text = formatText("frame=%5d fps=%3d q=%3.1f ", first.frameNumber, first.fps, first.quality);
  if (last) text += "L";
  if (c_.options.qpHist) {
    for (int j = 0; j < 32; ++j)
      text += formatText("%X", static_cast<int>(std::lrint(std::log2(static_cast<double>(ost.qpHistogram[j]) + 1))));
  }
  if (c_.options.doPsnr && ost.enc && (ost.enc->flags & AV_CODEC_FLAG_PSNR)) text += psnrText(ost, last);
  return text;
}

void ProgressReporter::report(bool last) {
  if (c_.state.outputFiles.empty()) return;
  const OptionState &o = c_.options;
  TranscodeTask &task = c_.task;
  const int64_t total = outputSize();
  const double elapsed = static_cast<double>(libavutil.av_gettime_relative() - c_.run.timerStart) / 1e6;
  std::string text;
  bool haveVideo = false;
  FirstVideo first;
  double ti1 = 1e10;
  for (auto &op : c_.run.ost) {
    const OutputStreamRecord &ost = *op;
    if (ost.out->type == AVMEDIA_TYPE_VIDEO) {
      if (haveVideo) {
        text += formatText("q=%2.1f ", streamQuality(ost));
      } else {
        haveVideo = true;
        // No report before the first video stream has a picture.
        if (ost.frameNumber < 1) return;
        text += videoText(ost, last, elapsed, first);
      }
    }
    const double t = outputTime(ost);
    if (t > 0 && t < ti1) ti1 = t;
  }
  if (ti1 >= 1e10) ti1 = 0.01;  // nothing written yet
  if (ti1 < 0.01) ti1 = 0.01;
  const double bitrate = total * 8.0 / ti1 / 1000.0;
  if (static_cast<bool>(task.sinks().progress) || o.verbose > 0 || last) {
    text += formatText("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", total / 1024.0, ti1, bitrate);
    if (o.verbose > 1) text += formatText(" dup=%d drop=%d", c_.state.dupFrames, c_.state.dropFrames);
  }
  if (static_cast<bool>(task.sinks().progress)) {
    TaskProgress progress;
    progress.frameNumber = first.frameNumber;
    progress.fps = first.fps;
    progress.currentDurationMs = static_cast<int32_t>(std::lrint(ti1 * 1000.0));
    progress.quality = first.quality;
    progress.bitRate = static_cast<float>(bitrate);
    progress.currentSize = total;
    progress.totalDurationMs = o.expectedDurationMs;
    task.doProgress(progress);
  } else if (o.verbose >= 0 && c_.log.hasLogSink()) {
    c_.log.log(LogLevel::Info, text);
  }
  if (last) logFinalStatistics(total);
}

void ProgressReporter::logFinalStatistics(int64_t total) {
  if (c_.options.verbose < 0 || !c_.log.hasLogSink()) return;
  const TranscodeState &s = c_.state;
  const double sum = static_cast<double>(s.videoBytes + s.audioBytes + s.extradataBytes);
  const double overhead = sum > 0 ? (static_cast<double>(total) - sum) * 100.0 / sum : 0.0;
  c_.log.logF(LogLevel::Info, "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
              s.videoBytes / 1024.0, s.audioBytes / 1024.0, s.extradataBytes / 1024.0, overhead);
}
