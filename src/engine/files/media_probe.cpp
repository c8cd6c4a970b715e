#include "media_probe.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "av_ptr.h"
#include "binding.h"
#include "codec_lock.h"
#include "engine_types.h"
#include "file_access.h"
#include "source_picture.h"

namespace {

template <size_t N>
void copyText(char (&field)[N], const char *text) {
  std::memset(field, 0, N);
  if (text) std::strncpy(field, text, N - 1);
}

const char *metadata(AVDictionary *m, const char *key) {
  const AVDictionaryEntry *e = libavutil.av_dict_get(m, key, nullptr, 0);
  return e ? e->value : nullptr;
}

void logInfo(int level, const char *fmt, int value = 0) {
  if (librariesLoaded()) libavutil.av_log(nullptr, level, fmt, value);
}

// A source's first packets read to find one that decodes.
constexpr int kPacketsTried = 256;

// What a source holds for the program: a picture with a size or a sound
// with a rate whose first packets decode (Media); pictures or sounds, but
// none such (NoMedia); neither (Nothing).
enum class Content { Media, NoMedia, Nothing };

bool hasShape(const AVCodecParameters *par) {
  if (par->codec_type == AVMEDIA_TYPE_VIDEO) return par->width > 0 && par->height > 0;
  if (par->codec_type == AVMEDIA_TYPE_AUDIO) return par->sample_rate > 0 && par->ch_layout.nb_channels > 0;
  return false;
}

// The opened decoder of every stream with a shape (null for the others and
// where none opens).
std::vector<CodecContextPtr> openDecoders(const AVFormatContext *ctx) {
  std::vector<CodecContextPtr> decoders(ctx->nb_streams);
  std::lock_guard<std::recursive_mutex> g(codecLock());
  for (unsigned i = 0; i < ctx->nb_streams; ++i) {
    const AVStream *st = ctx->streams[i];
    if (!hasShape(st->codecpar)) continue;
    const AVCodec *codec = libavcodec.avcodec_find_decoder(st->codecpar->codec_id);
    CodecContextPtr dec(codec ? libavcodec.avcodec_alloc_context3(codec) : nullptr);
    if (!dec || libavcodec.avcodec_parameters_to_context(dec.get(), st->codecpar) < 0) continue;
    dec->thread_count = 1;
    dec->pkt_timebase = st->time_base;
    if (libavcodec.avcodec_open2(dec.get(), codec, nullptr) >= 0) decoders[i] = std::move(dec);
  }
  return decoders;
}

// Whether the packet (null: the end) gives the decoder a frame.
bool givesFrame(AVCodecContext *dec, const AVPacket *pkt, AVFrame *frame) {
  libavcodec.avcodec_send_packet(dec, pkt);  // a damaged packet is just not counted
  if (libavcodec.avcodec_receive_frame(dec, frame) < 0) return false;
  libavutil.av_frame_unref(frame);
  return true;
}

// Reads the first packets (and seeks back to the start).
Content sourceContent(AVFormatContext *ctx) {
  bool anyKind = false;
  bool anyShape = false;
  for (unsigned i = 0; i < ctx->nb_streams; ++i) {
    const AVCodecParameters *par = ctx->streams[i]->codecpar;
    anyKind = anyKind || par->codec_type == AVMEDIA_TYPE_VIDEO || par->codec_type == AVMEDIA_TYPE_AUDIO;
    anyShape = anyShape || hasShape(par);
  }
  if (!anyKind) return Content::Nothing;
  if (!anyShape) return Content::NoMedia;
  std::vector<CodecContextPtr> decoders = openDecoders(ctx);
  PacketPtr pkt(libavcodec.av_packet_alloc());
  FramePtr frame(libavutil.av_frame_alloc());
  if (!pkt || !frame) return Content::Media;  // short of memory: not the file's fault
  bool decoded = false;
  for (int read = 0; !decoded && read < kPacketsTried && libavformat.av_read_frame(ctx, pkt.get()) >= 0; ++read) {
    const auto index = static_cast<size_t>(pkt->stream_index);
    if (index < decoders.size() && decoders[index]) decoded = givesFrame(decoders[index].get(), pkt.get(), frame.get());
    libavcodec.av_packet_unref(pkt.get());
  }
  // What the decoders held back.
  for (CodecContextPtr &dec : decoders)
    if (!decoded && dec) decoded = givesFrame(dec.get(), nullptr, frame.get());
  const int64_t start = ctx->start_time != AV_NOPTS_VALUE ? ctx->start_time : 0;
  libavformat.av_seek_frame(ctx, -1, start, AVSEEK_FLAG_BACKWARD);  // a stream that cannot seek stays where it is
  return decoded ? Content::Media : Content::NoMedia;
}

}  // namespace

struct MediaProbe::Source {
  std::unique_ptr<SourceReader> reader;  // what ctx reads through (outlives it)
  InputContextPtr ctx;
};

MediaProbe::MediaProbe() = default;

MediaProbe::~MediaProbe() { close(); }

void MediaProbe::close() {
  source_.reset();
  formatName_.clear();
  streamCount_ = programCount_ = -1;
  audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = -1;
  firstAudioStream_ = firstVideoStream_ = firstSubtitleStream_ = -1;
  firstAudioChannels_ = 0;
}

bool MediaProbe::open(const std::string &fileName, const std::string &formatName) {
  if (!isBound(MediaLibrary::AvCodec)) throw EngineError("LibAVCodec not loaded.");
  if (!isBound(MediaLibrary::AvFormat)) throw EngineError("LibAVFormat not loaded.");
  if (!isBound(MediaLibrary::AvUtil)) throw EngineError("LibAVUtil not loaded.");
  if (!isBound(MediaLibrary::SwScale)) throw EngineError("LibSwScale not loaded.");
  close();
  notSource_ = false;
  const AVInputFormat *fmt = nullptr;
  if (!formatName.empty()) {
    fmt = libavformat.av_find_input_format(formatName.c_str());
    if (!fmt) {
      lastError_ = "Unknown input format: " + formatName;
      return false;
    }
  }
  OpenedSource source;
  if (!openSource(fileName, fmt, nullptr, &interrupted_, nullptr, source, lastError_)) {
    notSource_ = lastError_ == notMediaFileText(fileName);  // a reader of text, images or devices
    close();
    return false;
  }
  source_ = std::make_unique<Source>();
  source_->reader = std::move(source.reader);
  source_->ctx = std::move(source.ctx);
  int rc;
  {
    std::lock_guard<std::recursive_mutex> g(codecLock());
    rc = libavformat.avformat_find_stream_info(source_->ctx.get(), nullptr);
  }
  if (rc < 0 || interrupted_) {
    lastError_ = interrupted_ ? stoppedWhileOpeningText(fileName) : fileName + ": could not find codec parameters";
    close();
    return false;
  }
  const Content content = sourceContent(source_->ctx.get());
  if (content != Content::Media || interrupted_) {
    lastError_ = interrupted_                        ? stoppedWhileOpeningText(fileName)
                 : content == Content::Nothing ? noPictureNoSoundText(fileName)
                                                     : notMediaFileText(fileName);
    notSource_ = !interrupted_;
    close();
    return false;
  }
  countStreams();
  formatName_ = formatName;
  return true;
}

void MediaProbe::countStreams() {
  streamCount_ = static_cast<int32_t>(source_->ctx->nb_streams);
  programCount_ = static_cast<int32_t>(source_->ctx->nb_programs);
  audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = 0;
  for (int32_t i = 0; i < streamCount_; ++i) {
    switch (source_->ctx->streams[i]->codecpar->codec_type) {
      case AVMEDIA_TYPE_AUDIO:
        ++audioStreamCount_;
        if (firstAudioStream_ < 0) {
          firstAudioStream_ = i;
          firstAudioChannels_ = source_->ctx->streams[i]->codecpar->ch_layout.nb_channels;
        }
        break;
      case AVMEDIA_TYPE_VIDEO:
        ++videoStreamCount_;
        if (firstVideoStream_ < 0) firstVideoStream_ = i;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        ++subtitleStreamCount_;
        if (firstSubtitleStream_ < 0) firstSubtitleStream_ = i;
        break;
      default:
        break;
    }
  }
}

void MediaProbe::getFileInfo(MediaFileInfo &info) {
  info = MediaFileInfo{};
  if (!source_) {
    logInfo(AV_LOG_INFO, "file not loaded.\n");
    return;
  }
  info.startTime = source_->ctx->start_time;
  info.duration = source_->ctx->duration;
  info.bitRate = static_cast<int32_t>(source_->ctx->bit_rate);
  AVDictionary *m = source_->ctx->metadata;
  info.timestamp = 0;
  if (const char *t = metadata(m, "creation_time")) {
    int64_t us = 0;
    if (libavutil.av_parse_time(&us, t, 0) >= 0) info.timestamp = us / 1000000;
  }
  copyText(info.title, metadata(m, "title"));
  const char *author = metadata(m, "artist");
  copyText(info.author, author ? author : metadata(m, "author"));
  copyText(info.copyright, metadata(m, "copyright"));
  copyText(info.comment, metadata(m, "comment"));
  copyText(info.album, metadata(m, "album"));
  const char *date = metadata(m, "date");
  info.year = date ? std::atoi(date) : 0;
  const char *track = metadata(m, "track");
  info.track = track ? std::atoi(track) : 0;
  copyText(info.genre, metadata(m, "genre"));
}

RecordingMetadata MediaProbe::recording() const {
  return source_ && source_->ctx ? readRecordingMetadata(source_->ctx->metadata) : RecordingMetadata{};
}

int64_t MediaProbe::keyframeAtOrBefore(int64_t us) {
  if (!source_ || !source_->ctx || firstVideoStream_ < 0) return -1;
  const AVStream *st = source_->ctx->streams[firstVideoStream_];
  const int64_t origin = source_->ctx->start_time != AV_NOPTS_VALUE ? source_->ctx->start_time : 0;
  const int64_t target = libavutil.av_rescale_q(us + origin, AVRational{1, AV_TIME_BASE}, st->time_base);
  if (libavformat.av_seek_frame(source_->ctx.get(), firstVideoStream_, target, AVSEEK_FLAG_BACKWARD) < 0) return -1;
  PacketPtr pkt(libavcodec.av_packet_alloc());
  // The first keyframe read after seeking back is the one the seek found.
  for (int read = 0; pkt && read < 10000 && libavformat.av_read_frame(source_->ctx.get(), pkt.get()) >= 0; ++read) {
    const bool key = pkt->stream_index == firstVideoStream_ && (pkt->flags & AV_PKT_FLAG_KEY);
    const int64_t pts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    libavcodec.av_packet_unref(pkt.get());
    if (!key || pts == AV_NOPTS_VALUE) continue;
    const int64_t at = libavutil.av_rescale_q(pts, st->time_base, AVRational{1, AV_TIME_BASE}) - origin;
    return at <= us ? std::max<int64_t>(at, 0) : -1;
  }
  return -1;
}

void MediaProbe::getVideoStreamInfo(VideoStreamInfo &info) { getVideoStreamInfo(-1, info); }

void MediaProbe::getVideoStreamInfo(int32_t index, VideoStreamInfo &info) {
  info = VideoStreamInfo{};
  if (!source_) {
    logInfo(AV_LOG_INFO, "file not loaded.\n");
    return;
  }
  if (index < 0) {
    index = firstVideoStream_;
    if (index == -1) {
      logInfo(AV_LOG_ERROR, "no video stream.\n");
      return;
    }
  }
  if (index >= streamCount_) {
    logInfo(AV_LOG_ERROR, "stream index #%d is invalid.\n", index);
    return;
  }
  const AVStream *st = source_->ctx->streams[index];
  const AVCodecParameters *par = st->codecpar;
  if (par->codec_type != AVMEDIA_TYPE_VIDEO) {
    logInfo(AV_LOG_ERROR, "stream #%d is not video stream.\n", index);
    return;
  }
  copyText(info.language, metadata(st->metadata, "language"));
  copyText(info.codecName, libavcodec.avcodec_get_name(par->codec_id));
  info.startTime = st->start_time;
  if (st->start_time != AV_NOPTS_VALUE)
    info.startTimeUs = libavutil.av_rescale_q(st->start_time, st->time_base, AVRational{1, AV_TIME_BASE});
  info.duration = st->duration;
  if (st->duration != AV_NOPTS_VALUE)
    info.durationUs = libavutil.av_rescale_q(st->duration, st->time_base, AVRational{1, AV_TIME_BASE});
  info.bitRate = static_cast<int32_t>(par->bit_rate);
  info.height = par->height;
  info.width = par->width;
  const AVRational sar = par->sample_aspect_ratio;
  info.aspectRatio = par->height > 0 && sar.den != 0
                         ? static_cast<float>(par->width * av_q2d(sar) / par->height)
                         : 0.0f;
  info.pixelFormat = par->format;
  info.frameRateNum = st->r_frame_rate.num;
  info.frameRateDen = st->r_frame_rate.den;
  const Orientation shown = streamOrientation(st);
  info.rotation = shown.degreesClockwise();
  info.mirrored = shown.mirrored;
  info.displayWidth = par->width;
  info.displayHeight = par->height;
  displayedSize(shown, info.displayWidth, info.displayHeight);
  if (sar.num > 0 && sar.den > 0) {
    // A turned picture's pixels are turned too.
    info.displaySarNum = shown.swapsSides() ? sar.den : sar.num;
    info.displaySarDen = shown.swapsSides() ? sar.num : sar.den;
  }
}
