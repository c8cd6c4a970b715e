#include "transcode_codecs.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>
#include <vector>

#include "binding.h"
#include "codec_lock.h"
#include "input_file.h"
#include "output_file.h"
#include "text_format.h"
#include "transcode_run.h"
#include "transcode_state.h"

namespace {

// Macroblock rows (16 lines) that each slice of a slice-threaded encoder
// gets at least: thinner slices cost more quality than their threads save.
constexpr int kRowsPerEncoderSlice = 16;

// Threads of a video codec for a run with `threads` threads: decoders
// decode several pictures at once (frame threads, which hand each picture
// out `threads` - 1 pictures late; the flush at the end delivers them) and
// split pictures into slices; encoders use whatever threads they have: a
// pool of their own or frame threads as many as the run has, slices (one
// per thread) only for pictures tall enough. One thread leaves the codec as
// it always was. Audio codecs keep one thread: they are cheap, and their
// output stays the same.
void setCodecThreads(AVCodecContext *ctx, const AVCodec *codec, int threads) {
  if (threads <= 1 || !codec || codec->type != AVMEDIA_TYPE_VIDEO) return;
  const int caps = codec->capabilities;
  if (!(caps & (AV_CODEC_CAP_FRAME_THREADS | AV_CODEC_CAP_SLICE_THREADS | AV_CODEC_CAP_OTHER_THREADS))) return;
  if (libavcodec.av_codec_is_encoder(codec) && !(caps & (AV_CODEC_CAP_FRAME_THREADS | AV_CODEC_CAP_OTHER_THREADS))) {
    const int rows = (ctx->height + 15) / 16;
    threads = std::min(threads, rows / kRowsPerEncoderSlice);
    if (threads <= 1) return;
  }
  ctx->thread_count = threads;
  ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
}

// The threads of the decoders of a run with `threads` threads. An encoder
// that keeps several threads of its own busy (x264, x265) does most of the
// run's work: decoder threads beside its own would fight them for the
// cores and hold more pictures in memory, so that the sum of the two would
// not fit the cores. Then a quarter of the run's threads (at least one)
// decode; else the decoders have them all (the encoder takes slices or one
// thread, as for small pictures).
int decoderThreads(const TranscodeRun &run, int threads) {
  return encoderKeepsOwnThreads(run) ? std::max(1, threads / 4) : threads;
}

// Opens `ctx` with `codec` under the codec lock and records it in `opened`
// (still under the lock, so the clean-up of another thread sees it whole).
int openCodec(AVCodecContext *ctx, const AVCodec *codec, const Dictionary &options,
              std::vector<AVCodecContext *> &opened) {
  AVDictionary *opts = options.copy();
  int ret;
  {
    std::lock_guard<std::recursive_mutex> lock(codecLock());
    ret = libavcodec.avcodec_open2(ctx, codec, &opts);
    if (ret >= 0) opened.push_back(ctx);
  }
  libavutil.av_dict_free(&opts);
  return ret;
}

// Audio encoders whose first frame comes out silent, whatever it holds.
constexpr const char *kSilentFirstFrame[] = {"wmav2"};
// Containers that time their audio by the samples written, not by time
// stamps: what the sound is to start with must be in the samples.
constexpr const char *kSampleTimedContainers[] = {"avi", "swf", "rm"};

bool namedIn(const char *name, const char *const *first, const char *const *last) {
  return name && std::any_of(first, last, [name](const char *n) { return std::strcmp(n, name) == 0; });
}

bool hasVideoStream(const OutputFile &of) {
  return std::any_of(of.streams.begin(), of.streams.end(),
                     [](const auto &os) { return os->type == AVMEDIA_TYPE_VIDEO; });
}

}  // namespace

bool encoderKeepsOwnThreads(const TranscodeRun &run) {
  return std::any_of(run.ost.begin(), run.ost.end(), [](const auto &op) {
    const AVCodecContext *enc = op->enc;
    if (!op->encodingNeeded || !enc || !enc->codec || enc->codec_type != AVMEDIA_TYPE_VIDEO) return false;
    const bool ownThreads = enc->codec->capabilities & (AV_CODEC_CAP_FRAME_THREADS | AV_CODEC_CAP_OTHER_THREADS);
    return ownThreads && enc->thread_count > 1;
  });
}

void openEncoders(TranscodeState &ts, TranscodeRun &run, int threads) {
  for (auto &op : run.ost) {
    OutputStreamRecord &ost = *op;
    if (!ost.encodingNeeded) continue;
    const AVCodec *codec = ost.out->codec;
    if (!codec) codec = libavcodec.avcodec_find_encoder(ost.enc->codec_id);
    if (!codec)
      throw EngineError(formatText("Unsupported codec for output stream #%d.%d", ost.fileIndex, ost.streamIndex));
    setCodecThreads(ost.enc, codec, threads);
    if (openCodec(ost.enc, codec, ost.out->openOptions, ts.openedEncoders) < 0)
      throw EngineError(formatText("Error while opening codec for output stream #%d.%d - maybe incorrect "
                                   "parameters such as bit_rate, rate, width or height",
                                   ost.fileIndex, ost.streamIndex));
    ts.extradataBytes += ost.enc->extradata_size;
    libavcodec.avcodec_parameters_from_context(ost.st->codecpar, ost.enc);
    ost.st->time_base = ost.enc->time_base;
    if (ost.out->type == AVMEDIA_TYPE_VIDEO) {
      ost.st->sample_aspect_ratio = ost.enc->sample_aspect_ratio;
      ost.st->avg_frame_rate = ost.enc->framerate;
    }
  }
}

// An audio encoder starts its sound later than its input (the delay it
// declares), and some lose their first frame. Beside a picture both are
// made up for through the sample-count sync, by where the stream's sample
// clock starts: in a sample-timed container the sound starts that many
// samples into the source (the sync drops them; containers with time
// stamps learn the delay from the packets); where time stamps are kept, a
// frame of silence before the start takes the loss.
void planAudioStarts(TranscodeRun &run) {
  for (auto &op : run.ost) {
    OutputStreamRecord &ost = *op;
    if (!ost.encodingNeeded || ost.out->type != AVMEDIA_TYPE_AUDIO || !hasVideoStream(*ost.file)) continue;
    const AVCodecContext *enc = ost.enc;
    if (namedIn(ost.file->ctx->oformat->name, std::begin(kSampleTimedContainers), std::end(kSampleTimedContainers)))
      ost.syncPts = enc->initial_padding;
    else if (namedIn(enc->codec ? enc->codec->name : nullptr, std::begin(kSilentFirstFrame),
                     std::end(kSilentFirstFrame)))
      ost.syncPts = -static_cast<int64_t>(enc->frame_size);
  }
}

void openDecoders(TranscodeState &ts, TranscodeRun &run, int threads) {
  const int decoding = decoderThreads(run, threads);
  for (auto &ip : run.ist) {
    InputStreamRecord &ist = *ip;
    if (!ist.decodingNeeded) continue;
    const AVCodec *codec = ist.in->codec;
    if (!codec) codec = libavcodec.avcodec_find_decoder(ist.st->codecpar->codec_id);
    if (!codec || !ist.dec)
      throw EngineError(formatText("Unsupported codec (id=%d) for input stream #%d.%d",
                                   static_cast<int>(ist.st->codecpar->codec_id), ist.fileIndex, ist.streamIndex));
    ist.dec->pkt_timebase = ist.st->time_base;
    setCodecThreads(ist.dec, codec, decoding);
    if (openCodec(ist.dec, codec, ist.in->openOptions, ts.openedDecoders) < 0)
      throw EngineError(
          formatText("Error while opening codec for input stream #%d.%d", ist.fileIndex, ist.streamIndex));
  }
}
