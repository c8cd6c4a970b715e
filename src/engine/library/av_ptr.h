// Owners for the library objects the engine holds. Each deleter calls the
// library's own free function through the bound tables, accepts null, and
// does nothing once the libraries have been unbound, so every release may
// run more than once.
#pragma once

#include <memory>
#include <utility>

#include "binding.h"

struct CodecContextDeleter {
  void operator()(AVCodecContext *c) const {
    if (c && librariesLoaded()) libavcodec.avcodec_free_context(&c);
  }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;

// A format context made with avformat_alloc_context / alloc_output_context2
// (not opened for input).
struct FormatContextDeleter {
  void operator()(AVFormatContext *c) const {
    if (c && librariesLoaded()) libavformat.avformat_free_context(c);
  }
};
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;

// A muxer context together with the file it writes to: closes the file
// (unless the format writes none) and frees the context.
struct OutputContextDeleter {
  void operator()(AVFormatContext *c) const {
    if (!c || !librariesLoaded()) return;
    if (c->pb && !(c->oformat && (c->oformat->flags & AVFMT_NOFILE))) libavformat.avio_closep(&c->pb);
    libavformat.avformat_free_context(c);
  }
};
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextDeleter>;

// A demuxer context opened by avformat_open_input.
struct InputContextDeleter {
  void operator()(AVFormatContext *c) const {
    if (c && librariesLoaded()) libavformat.avformat_close_input(&c);
  }
};
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextDeleter>;

struct SwsContextDeleter {
  void operator()(SwsContext *c) const {
    if (c && librariesLoaded()) libswscale.sws_freeContext(c);
  }
};
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;

struct PacketDeleter {
  void operator()(AVPacket *p) const {
    if (p && librariesLoaded()) libavcodec.av_packet_free(&p);
  }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

struct FrameDeleter {
  void operator()(AVFrame *f) const {
    if (f && librariesLoaded()) libavutil.av_frame_free(&f);
  }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

// An owned AVDictionary; slot() gives the AVDictionary** the library calls
// want (the dictionary may be replaced or freed through it).
class Dictionary {
 public:
  Dictionary() = default;
  ~Dictionary() { reset(); }
  Dictionary(const Dictionary &) = delete;
  Dictionary &operator=(const Dictionary &) = delete;
  Dictionary(Dictionary &&o) noexcept : d_(std::exchange(o.d_, nullptr)) {}
  Dictionary &operator=(Dictionary &&o) noexcept {
    if (this != &o) {
      reset();
      d_ = std::exchange(o.d_, nullptr);
    }
    return *this;
  }
  AVDictionary *get() const { return d_; }
  AVDictionary **slot() { return &d_; }
  bool empty() const { return d_ == nullptr || (librariesLoaded() && libavutil.av_dict_count(d_) == 0); }
  void reset() {
    if (d_ && librariesLoaded()) libavutil.av_dict_free(&d_);
    d_ = nullptr;
  }
  // A copy of the entries, for a library call that consumes its dictionary.
  AVDictionary *copy() const {
    AVDictionary *c = nullptr;
    if (d_ && librariesLoaded()) libavutil.av_dict_copy(&c, d_, 0);
    return c;
  }

 private:
  AVDictionary *d_ = nullptr;
};
