#include "odd_sources.h"

#include <cstring>
#include <fstream>

#include "av_ptr.h"
#include "binding.h"

std::string writeTextFile(const std::string &path) {
  std::ofstream(path) << "Shopping list\n- milk\n- bread\n- a new camera\n";
  return path;
}

std::string generateSubtitleOnly(const std::string &path) {
  if (!librariesLoaded() && !loadLibraries(TREVIX_COMMON_DIR, true)) return libraryError();
  AVFormatContext *raw = nullptr;
  if (libavformat.avformat_alloc_output_context2(&raw, nullptr, "mp4", path.c_str()) < 0 || !raw)
    return "no muxer for " + path;
  OutputContextPtr oc(raw);
  AVStream *st = libavformat.avformat_new_stream(oc.get(), nullptr);
  if (!st) return "no stream";
  st->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
  st->codecpar->codec_id = AV_CODEC_ID_MOV_TEXT;
  st->time_base = AVRational{1, 1000};
  if (libavformat.avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot write " + path;
  if (libavformat.avformat_write_header(oc.get(), nullptr) < 0) return "write header";
  // A timed-text sample: its length (16 bits, big-endian), then the text.
  static const char kSample[] = "\0\5Hello";
  PacketPtr pkt(libavcodec.av_packet_alloc());
  if (!pkt || libavcodec.av_new_packet(pkt.get(), sizeof kSample - 1) < 0) return "no packet";
  std::memcpy(pkt->data, kSample, sizeof kSample - 1);
  pkt->stream_index = st->index;
  pkt->pts = pkt->dts = 0;
  pkt->duration = libavutil.av_rescale_q(2000, AVRational{1, 1000}, st->time_base);
  pkt->flags |= AV_PKT_FLAG_KEY;
  if (libavformat.av_interleaved_write_frame(oc.get(), pkt.get()) < 0) return "write sample";
  if (libavformat.av_write_trailer(oc.get()) < 0) return "trailer";
  return {};
}
