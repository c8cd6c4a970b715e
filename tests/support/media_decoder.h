// The one decode loop of the measurements: a demuxer with the decoder of
// its first stream of one kind, over the program's own owners.
#pragma once

#include <string>

#include "av_ptr.h"
#include "binding.h"

struct MediaDecoder {
  InputContextPtr input;
  CodecContextPtr decoder;
  int stream = -1;
  AVRational timeBase{1, 1};

  // Opens `path` (binding the libraries if need be) and the decoder of its
  // first stream of `type`; returns the error, empty when both opened.
  std::string open(const std::string &path, AVMediaType type);

  // Hands every packet of the stream to `onPacket`.
  template <typename OnPacket>
  void packets(OnPacket onPacket) {
    PacketPtr pkt(libavcodec.av_packet_alloc());
    bool more = true;
    while (more && libavformat.av_read_frame(input.get(), pkt.get()) >= 0) {
      if (pkt->stream_index == stream) more = onPacket(pkt.get());
      libavcodec.av_packet_unref(pkt.get());
    }
  }

  // Hands every decoded frame to `onFrame` until it returns false; returns
  // false when it did.
  template <typename OnFrame>
  bool run(OnFrame onFrame) {
    FramePtr frame(libavutil.av_frame_alloc());
    bool more = true;
    auto receive = [&] {
      while (more && libavcodec.avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
        more = onFrame(frame.get());
        libavutil.av_frame_unref(frame.get());
      }
      return more;
    };
    packets([&](AVPacket *pkt) {
      libavcodec.avcodec_send_packet(decoder.get(), pkt);
      return receive();
    });
    if (!more) return false;
    libavcodec.avcodec_send_packet(decoder.get(), nullptr);
    return receive();
  }

  // The frame's time in seconds; -1 when it has none.
  double timeOf(const AVFrame *f) const {
    return f->best_effort_timestamp == AV_NOPTS_VALUE ? -1.0 : f->best_effort_timestamp * av_q2d(timeBase);
  }
};
