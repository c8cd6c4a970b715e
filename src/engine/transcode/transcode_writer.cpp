// Writing: packets to the muxers, the encoders' output, stream copies,
// subtitles, and the video statistics file.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "binding.h"
#include "open_errors.h"
#include "option_state.h"
#include "timestamps.h"
#include "transcode_writer.h"

namespace {

constexpr AVRational kMicros{1, AV_TIME_BASE};

int64_t rescale(int64_t v, AVRational from, AVRational to) { return libavutil.av_rescale_q(v, from, to); }

}  // namespace

void PacketWriter::write(OutputStreamRecord &ost, AVPacket *pkt) {
  pkt->stream_index = ost.st->index;
  const int64_t t = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
  if (t != AV_NOPTS_VALUE) {
    const double end = static_cast<double>(t + std::max<int64_t>(pkt->duration, 0)) * av_q2d(ost.st->time_base);
    if (end > ost.writtenEnd) ost.writtenEnd = end;
  }
  ost.file->packetBytes += pkt->size;
  if (ost.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) ost.file->videoPacketBytes += pkt->size;
  const int ret = libavformat.av_interleaved_write_frame(ost.file->ctx, pkt);
  if (ret < 0) throw EngineError(writeErrorText(ret, ost.file->fileName));
  ++ost.file->packetsWritten;
  ++ost.packetsWritten;
}

// The encoder's statistics of the picture in `pkt`: quality, picture type,
// the planes' errors, and the quantiser histogram.
void PacketWriter::notePictureStats(OutputStreamRecord &ost, const AVPacket *pkt) {
  size_t size = 0;
  const uint8_t *sd = libavcodec.av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
  if (!sd || size < 5) return;
  ost.lastQuality = static_cast<int>(sd[0] | (sd[1] << 8) | (sd[2] << 16) | (static_cast<uint32_t>(sd[3]) << 24));
  ost.lastPictType = sd[4];
  const int errors = size >= 6 ? sd[5] : 0;
  for (int i = 0; i < errors && i < 4 && 8 + 8 * (i + 1) <= static_cast<int>(size); ++i) {
    uint64_t v = 0;
    std::memcpy(&v, sd + 8 + 8 * i, 8);
    ost.lastError[i] = v;
  }
  const int qp = static_cast<int>(std::lrint(ost.lastQuality / static_cast<double>(FF_QP2LAMBDA)));
  if (qp >= 0 && qp < 52) ++ost.qpHistogram[qp];
}

// One line per encoded picture ("vstats", "vstats_file").
void PacketWriter::writeVideoStats(OutputStreamRecord &ost, int frameBytes) {
  const std::string &name = c_.options.vstatsFileName;
  if (name.empty()) return;
  FILE *&file = c_.run.vstats;
  if (!file) {
    file = std::fopen(name.c_str(), "w");
    if (!file) throw EngineError("fopen fail: " + name);
  }
  const AVCodecContext *enc = ost.enc;
  std::fprintf(file, "frame= %5d q= %2.1f ", static_cast<int>(ost.frameNumber),
               ost.lastQuality / static_cast<double>(FF_QP2LAMBDA));
  if (enc->flags & AV_CODEC_FLAG_PSNR)
    std::fprintf(file, "PSNR= %6.2f ",
                 -10.0 * std::log10(static_cast<double>(ost.lastError[0]) /
                                    (enc->width * static_cast<double>(enc->height) * 255.0 * 255.0)));
  std::fprintf(file, "f_size= %6d ", frameBytes);
  double ti = ost.frameNumber * av_q2d(enc->time_base);
  if (ti < 0.01) ti = 0.01;
  const double bitrate = frameBytes * 8.0 / av_q2d(enc->time_base) / 1000.0;
  const double avgBitrate = c_.state.videoBytes * 8.0 / ti / 1000.0;
  std::fprintf(file, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
               c_.state.videoBytes / 1024.0, ti, bitrate, avgBitrate);
  std::fprintf(file, "type= %c\n", libavutil.av_get_picture_type_char(static_cast<AVPictureType>(ost.lastPictType)));
}

void PacketWriter::writeVideoPacket(OutputStreamRecord &ost, AVPacket *pkt) {
  const AVCodecContext *enc = ost.enc;
  // Without a duration the last picture of MOV/MP4 gets none.
  if (pkt->duration <= 0 && enc->framerate.num > 0)
    pkt->duration = std::max<int64_t>(1, rescale(1, av_inv_q(enc->framerate), enc->time_base));
  c_.state.videoBytes += pkt->size;
  notePictureStats(ost, pkt);
  if (ost.logFile && enc->stats_out) std::fputs(enc->stats_out, ost.logFile);
  const int size = pkt->size;
  libavcodec.av_packet_rescale_ts(pkt, enc->time_base, ost.st->time_base);
  write(ost, pkt);
  writeVideoStats(ost, size);
}

int PacketWriter::encodeAndWrite(OutputStreamRecord &ost, const AVFrame *frame) {
  AVCodecContext *enc = ost.enc;
  int ret = libavcodec.avcodec_send_frame(enc, frame);
  if (ret < 0 && ret != AVERROR_EOF) return ret;
  AVPacket *pkt = c_.run.outPkt.get();
  for (;;) {
    ret = libavcodec.avcodec_receive_packet(enc, pkt);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return 0;
    if (ret < 0) return ret;
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
      writeVideoPacket(ost, pkt);
    } else {
      c_.state.audioBytes += pkt->size;
      libavcodec.av_packet_rescale_ts(pkt, enc->time_base, ost.st->time_base);
      write(ost, pkt);
    }
    libavcodec.av_packet_unref(pkt);
  }
}

void PacketWriter::copyPacket(OutputStreamRecord &ost, const InputStreamRecord &ist, const AVPacket *pkt) {
  if (!ost.gotKeyFrame) {
    if (!(pkt->flags & AV_PKT_FLAG_KEY)) return;
    ost.gotKeyFrame = true;
  }
  AVPacket *opkt = c_.run.outPkt.get();
  if (libavcodec.av_packet_ref(opkt, pkt) < 0) throw EngineError("av_malloc fail");
  if (ost.out->type == AVMEDIA_TYPE_AUDIO) {
    c_.state.audioBytes += pkt->size;
  } else if (ost.out->type == AVMEDIA_TYPE_VIDEO) {
    c_.state.videoBytes += pkt->size;
    ++ost.syncPts;
  }
  const AVRational itb = ist.st->time_base, otb = ost.st->time_base;
  opkt->pts = pkt->pts != AV_NOPTS_VALUE ? rescale(pkt->pts, itb, otb) : AV_NOPTS_VALUE;
  opkt->dts = pkt->dts != AV_NOPTS_VALUE ? rescale(pkt->dts, itb, otb) : rescale(ist.pts, kMicros, otb);
  opkt->duration = pkt->duration > 0 ? rescale(pkt->duration, itb, otb) : 0;
  opkt->pos = -1;
  write(ost, opkt);
  libavcodec.av_packet_unref(opkt);
  ++ost.frameNumber;
}

void PacketWriter::writeSubtitle(OutputStreamRecord &ost, AVSubtitle *sub) {
  if (sub->pts == AV_NOPTS_VALUE) {
    c_.log.log(LogLevel::Error, "Subtitle packets must have a pts");
    return;
  }
  std::vector<uint8_t> &buffer = c_.run.subtitleBuf;
  if (buffer.size() < 65536) buffer.resize(65536);
  AVCodecContext *enc = ost.enc;
  const int passes = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE ? 2 : 1;
  const int64_t pts = subtractTimestamps(sub->pts, c_.options.inputStartTime);
  for (int i = 0; i < passes; ++i) {
    const unsigned numRects = sub->num_rects;
    if (i == 1) sub->num_rects = 0;  // the second one clears the display
    const int size = libavcodec.avcodec_encode_subtitle(enc, buffer.data(), static_cast<int>(buffer.size()), sub);
    sub->num_rects = numRects;
    if (size < 0) {
      c_.log.log(LogLevel::Error, "Subtitle encoding failed");
      return;
    }
    AVPacket *pkt = c_.run.outPkt.get();
    if (libavcodec.av_new_packet(pkt, size) < 0) return;
    std::memcpy(pkt->data, buffer.data(), static_cast<size_t>(size));
    int64_t t = pts;
    if (passes == 2)
      t = addTimestamps(t, static_cast<int64_t>(i == 0 ? sub->start_display_time : sub->end_display_time) * 1000);
    pkt->pts = rescale(t, kMicros, ost.st->time_base);
    pkt->dts = pkt->pts;
    if (passes == 1)
      pkt->duration = rescale(static_cast<int64_t>(sub->end_display_time) * 1000, kMicros, ost.st->time_base);
    write(ost, pkt);
    libavcodec.av_packet_unref(pkt);
  }
  ++ost.frameNumber;
}

float streamQuality(const OutputStreamRecord &ost) {
  if (!ost.encodingNeeded) return -1.0f;
  return static_cast<float>(ost.lastQuality ? ost.lastQuality : ost.out->quality) / static_cast<float>(FF_QP2LAMBDA);
}
