// What a run that was not stopped must show before its outputs count as
// done: every source read as far as it said it reaches (for MOV and MP4,
// every sample its index lists), and a packet in every output stream.
#include "transcode_result.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>

#include "binding.h"
#include "file_access.h"
#include "open_errors.h"
#include "text_format.h"
#include "transcode_run.h"

namespace {

constexpr AVRational kMicros{1, AV_TIME_BASE};
// A source may end this much before its declared length without counting
// as cut short (both must be exceeded).
constexpr int64_t kToleranceUs = 500000;
constexpr int64_t kTolerancePerCent = 2;

// The length the file declares, in microseconds from its start, or -1 when
// it declares none (a length guessed from the bit rate counts as none). With
// streams discarded at reading, only the streams read count.
int64_t declaredLengthUs(const AVFormatContext *ctx) {
  if (ctx->duration == AV_NOPTS_VALUE || ctx->duration <= 0 ||
      ctx->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)
    return -1;
  bool discarded = false;
  int64_t longest = -1;
  for (unsigned i = 0; i < ctx->nb_streams; ++i) {
    const AVStream *st = ctx->streams[i];
    if (st->discard == AVDISCARD_ALL) {
      discarded = true;
      continue;
    }
    if (st->duration == AV_NOPTS_VALUE || st->duration <= 0) continue;
    int64_t end = libavutil.av_rescale_q(st->duration, st->time_base, kMicros);
    if (st->start_time != AV_NOPTS_VALUE && ctx->start_time != AV_NOPTS_VALUE)
      end += libavutil.av_rescale_q(st->start_time, st->time_base, kMicros) - ctx->start_time;
    longest = std::max(longest, end);
  }
  return discarded ? longest : ctx->duration;
}

std::string clockText(int64_t seconds) {
  seconds = std::max<int64_t>(seconds, 0);
  return formatText("%02" PRId64 ":%02" PRId64 ":%02" PRId64, seconds / 3600, seconds / 60 % 60, seconds % 60);
}

// What the index of a MOV or MP4 source (one entry a sample, each read
// as one packet) says of a run that read the file from its start.
struct IndexCount {
  bool known = false;     // false: no such index, or reading began at "ss"
  int shortStream = -1;   // the first stream with samples left unread, or -1
  int64_t read = 0, listed = 0;
};

IndexCount countAgainstIndex(const InputFile &in, const InputFileRecord &file) {
  IndexCount c;
  const AVFormatContext *ctx = in.ctx.get();
  if (!ctx || !ctx->iformat || std::strncmp(ctx->iformat->name, "mov,", 4) != 0) return c;
  if (in.startTime != (ctx->start_time == AV_NOPTS_VALUE ? 0 : ctx->start_time)) return c;
  c.known = true;
  for (unsigned s = 0; s < ctx->nb_streams; ++s) {
    AVStream *st = ctx->streams[s];
    if (st->discard == AVDISCARD_ALL) continue;
    const int64_t listed = libavformat.avformat_index_get_entries_count(st);
    const int64_t read = s < file.packetsRead.size() ? file.packetsRead[s] : 0;
    if (read >= listed) continue;
    c.shortStream = static_cast<int>(s);
    c.read = read;
    c.listed = listed;
    break;
  }
  return c;
}

void checkSourcesCovered(const std::vector<InputFile> &inputs, const TranscodeRun &run) {
  if (run.limitReached) return;
  for (size_t i = 0; i < run.files.size() && i < inputs.size(); ++i) {
    const InputFileRecord &file = run.files[i];
    if (!file.ended) continue;
    const InputFile &in = inputs[i];
    // Every sample the index lists was read: a header declaring more (a
    // damaged one) is not taken at its word.
    const IndexCount index = countAgainstIndex(in, file);
    if (index.known && index.shortStream < 0) continue;
    const int64_t declared = declaredLengthUs(in.ctx.get());
    const int64_t read = std::max<int64_t>(file.readEndUs, 0);
    if (declared > 0) {
      const int64_t missing = declared - read;
      if (missing > kToleranceUs && missing * 100 > declared * kTolerancePerCent)
        throw EngineError("the source ends early (damaged or incomplete): " + clockText(read / AV_TIME_BASE) +
                          " of " + clockText((declared + AV_TIME_BASE / 2) / AV_TIME_BASE) + " could be read");
    }
    if (index.known) {
      // Short by less than the time rule lets pass: the samples say it.
      const AVMediaType type = in.ctx->streams[index.shortStream]->codecpar->codec_type;
      const char *kind = libavutil.av_get_media_type_string(type);
      throw EngineError(formatText("the source ends early (damaged or incomplete): %" PRId64 " of the %" PRId64
                                   " %s samples its index lists could be read",
                                   index.read, index.listed, kind ? kind : "data"));
    }
    if (declared <= 0 && file.endCode != AVERROR_EOF) {
      // Nothing to measure against: a read error is taken at its word.
      const std::string why = systemErrorText(file.endCode);
      throw EngineError("the source could not be read to its end: " + (why.empty() ? "read error" : why));
    }
  }
}

void checkStreamsWritten(const TranscodeRun &run) {
  for (const auto &op : run.ost) {
    const OutputStreamRecord &ost = *op;
    // A subtitle track may well have nothing to show in the part converted.
    if (ost.packetsWritten > 0 || ost.out->type == AVMEDIA_TYPE_SUBTITLE) continue;
    const char *kind = libavutil.av_get_media_type_string(ost.out->type);
    throw EngineError(formatText("the output has no %s: the source gave none", kind ? kind : "data"));
  }
}

}  // namespace

void checkRunResult(const std::vector<InputFile> &inputs, const TranscodeRun &run) {
  checkSourcesCovered(inputs, run);
  checkStreamsWritten(run);
}
