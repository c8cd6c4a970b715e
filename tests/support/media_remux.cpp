#include "media_remux.h"

#include <vector>

#include "av_ptr.h"
#include "binding.h"

bool remuxMedia(const std::string &from, const std::string &to, const std::string &format, const RemuxEdit &edit) {
  AVFormatContext *rawIn = nullptr;
  if (libavformat.avformat_open_input(&rawIn, from.c_str(), nullptr, nullptr) < 0) return false;
  InputContextPtr in(rawIn);
  libavformat.avformat_find_stream_info(in.get(), nullptr);
  AVFormatContext *rawOut = nullptr;
  if (libavformat.avformat_alloc_output_context2(&rawOut, nullptr, format.c_str(), to.c_str()) < 0) return false;
  OutputContextPtr out(rawOut);
  const int n = static_cast<int>(in->nb_streams);
  std::vector<int> map(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    const int i = edit.reverseStreams ? n - 1 - k : k;
    AVStream *st = libavformat.avformat_new_stream(out.get(), nullptr);
    if (!st || libavcodec.avcodec_parameters_copy(st->codecpar, in->streams[i]->codecpar) < 0) return false;
    st->codecpar->codec_tag = 0;
    st->time_base = in->streams[i]->time_base;
    map[static_cast<size_t>(i)] = st->index;
  }
  if (libavformat.avio_open(&out->pb, to.c_str(), AVIO_FLAG_WRITE) < 0 ||
      libavformat.avformat_write_header(out.get(), nullptr) < 0)
    return false;
  const int64_t start = in->start_time != AV_NOPTS_VALUE ? in->start_time : 0;
  const AVRational micro{1, AV_TIME_BASE};
  PacketPtr pkt(libavcodec.av_packet_alloc());
  bool ok = true;
  while (ok && libavformat.av_read_frame(in.get(), pkt.get()) >= 0) {
    const AVRational itb = in->streams[pkt->stream_index]->time_base;
    if (edit.jumpSec != 0 && pkt->dts != AV_NOPTS_VALUE &&
        libavutil.av_rescale_q(pkt->dts, itb, micro) - start >= edit.jumpAtSec * AV_TIME_BASE) {
      const int64_t shift = libavutil.av_rescale_q(static_cast<int64_t>(edit.jumpSec * AV_TIME_BASE), micro, itb);
      pkt->dts += shift;
      if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += shift;
    }
    const int o = map[static_cast<size_t>(pkt->stream_index)];
    libavcodec.av_packet_rescale_ts(pkt.get(), itb, out->streams[o]->time_base);
    pkt->stream_index = o;
    pkt->pos = -1;
    ok = libavformat.av_interleaved_write_frame(out.get(), pkt.get()) >= 0;
    libavcodec.av_packet_unref(pkt.get());
  }
  return libavformat.av_write_trailer(out.get()) >= 0 && ok;
}
