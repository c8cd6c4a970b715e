// Filter chains of the frame pipeline (frame_pipeline.h): one picture in,
// one picture out through libavfilter.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "av_ptr.h"

// The time stamps and marks of a decoded picture (not its size, format or
// colours) onto a picture made from it.
void copyTimeAndMarks(AVFrame *out, const AVFrame *picture);

// ---------------------------------------------------------------- filter chains

struct FilterGraphDeleter {
  void operator()(AVFilterGraph *g) const;
};
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;

// One picture in, one picture out through a chain of libavfilter filters
// written in the filter language ("transpose=clock"). The graph is made
// with the first picture and again when the picture's size, format or
// pixel aspect, or the chain, changes; a chain that cannot be made for a
// picture is not tried again until one of those changes.
class FilterChain {
 public:
  FilterChain();
  ~FilterChain();
  FilterChain(const FilterChain &) = delete;
  FilterChain &operator=(const FilterChain &) = delete;

  // The filtered picture, with the time stamps, key and interlacing marks
  // of `picture`; it belongs to the chain and stays valid until the next
  // call (an encoder may keep references to it). Null when the chain fails
  // for this picture; `error` then says why, once per failure.
  const AVFrame *run(const AVFrame *picture, const std::string &chain, std::string &error);
  void release();

 private:
  bool build(const AVFrame *picture, const std::string &chain, std::string &error);
  bool sameInput(const AVFrame *picture, const std::string &chain) const;

  FilterGraphPtr graph_;
  AVFilterContext *source_ = nullptr, *sink_ = nullptr;  // owned by the graph
  std::string chain_;
  int width_ = 0, height_ = 0, format_ = AV_PIX_FMT_NONE;
  AVRational aspect_{0, 1};
  bool failed_ = false;
  int64_t nextPts_ = 0;
  FramePtr in_, out_;
};
