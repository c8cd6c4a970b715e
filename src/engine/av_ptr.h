// Owners for the library objects the engine holds. Each deleter calls the
// library's own free function through the bound tables, accepts null, and
// does nothing once the libraries have been unbound, so every release may
// run more than once.
#pragma once

#include <memory>
#include <utility>

#include "binding.h"

struct TCodecContextDeleter {
  void operator()(AVCodecContext *c) const {
    if (c && LibrariesLoaded()) libavcodec.avcodec_free_context(&c);
  }
};
using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextDeleter>;

// A format context made with avformat_alloc_context / alloc_output_context2
// (not opened for input).
struct TFormatContextDeleter {
  void operator()(AVFormatContext *c) const {
    if (c && LibrariesLoaded()) libavformat.avformat_free_context(c);
  }
};
using TFormatContextPtr = std::unique_ptr<AVFormatContext, TFormatContextDeleter>;

// A muxer context together with the file it writes to: closes the file
// (unless the format writes none) and frees the context.
struct TOutputContextDeleter {
  void operator()(AVFormatContext *c) const {
    if (!c || !LibrariesLoaded()) return;
    if (c->pb && !(c->oformat && (c->oformat->flags & AVFMT_NOFILE))) libavformat.avio_closep(&c->pb);
    libavformat.avformat_free_context(c);
  }
};
using TOutputContextPtr = std::unique_ptr<AVFormatContext, TOutputContextDeleter>;

// A demuxer context opened by avformat_open_input.
struct TInputContextDeleter {
  void operator()(AVFormatContext *c) const {
    if (c && LibrariesLoaded()) libavformat.avformat_close_input(&c);
  }
};
using TInputContextPtr = std::unique_ptr<AVFormatContext, TInputContextDeleter>;

struct TSwsContextDeleter {
  void operator()(SwsContext *c) const {
    if (c && LibrariesLoaded()) libswscale.sws_freeContext(c);
  }
};
using TSwsContextPtr = std::unique_ptr<SwsContext, TSwsContextDeleter>;

struct TPacketDeleter {
  void operator()(AVPacket *p) const {
    if (p && LibrariesLoaded()) libavcodec.av_packet_free(&p);
  }
};
using TPacketPtr = std::unique_ptr<AVPacket, TPacketDeleter>;

struct TFrameDeleter {
  void operator()(AVFrame *f) const {
    if (f && LibrariesLoaded()) libavutil.av_frame_free(&f);
  }
};
using TFramePtr = std::unique_ptr<AVFrame, TFrameDeleter>;

// An owned AVDictionary; Slot() gives the AVDictionary** the library calls
// want (the dictionary may be replaced or freed through it).
class TDictionary {
 public:
  TDictionary() = default;
  ~TDictionary() { Reset(); }
  TDictionary(const TDictionary &) = delete;
  TDictionary &operator=(const TDictionary &) = delete;
  TDictionary(TDictionary &&o) noexcept : d_(std::exchange(o.d_, nullptr)) {}
  TDictionary &operator=(TDictionary &&o) noexcept {
    if (this != &o) {
      Reset();
      d_ = std::exchange(o.d_, nullptr);
    }
    return *this;
  }
  AVDictionary *Get() const { return d_; }
  AVDictionary **Slot() { return &d_; }
  bool Empty() const { return d_ == nullptr || (LibrariesLoaded() && libavutil.av_dict_count(d_) == 0); }
  void Reset() {
    if (d_ && LibrariesLoaded()) libavutil.av_dict_free(&d_);
    d_ = nullptr;
  }
  // A copy of the entries, for a library call that consumes its dictionary.
  AVDictionary *Copy() const {
    AVDictionary *c = nullptr;
    if (d_ && LibrariesLoaded()) libavutil.av_dict_copy(&c, d_, 0);
    return c;
  }

 private:
  AVDictionary *d_ = nullptr;
};
