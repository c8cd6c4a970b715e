// Filter chains of the frame pipeline: one picture in, one picture out
// through libavfilter (the tone mapping of HDR pictures and the turn that
// shows a picture upright).
#include "frame_filters.h"

#include <cstdio>

#include "binding.h"

namespace {

struct InOutDeleter {
  void operator()(AVFilterInOut *io) const {
    if (io && librariesLoaded()) libavfilter.avfilter_inout_free(&io);
  }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutDeleter>;

std::string errorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  libavutil.av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace

void FilterGraphDeleter::operator()(AVFilterGraph *g) const {
  if (g && librariesLoaded()) libavfilter.avfilter_graph_free(&g);
}

FilterChain::FilterChain() = default;
FilterChain::~FilterChain() { release(); }

void FilterChain::release() {
  graph_.reset();
  source_ = sink_ = nullptr;
  in_.reset();
  out_.reset();
  chain_.clear();
  failed_ = false;
  width_ = height_ = 0;
  format_ = AV_PIX_FMT_NONE;
}

bool FilterChain::sameInput(const AVFrame *picture, const std::string &chain) const {
  return picture->width == width_ && picture->height == height_ && picture->format == format_ &&
         av_cmp_q(picture->sample_aspect_ratio, aspect_) == 0 && chain == chain_;
}

bool FilterChain::build(const AVFrame *picture, const std::string &chain, std::string &error) {
  graph_.reset();
  source_ = sink_ = nullptr;
  width_ = picture->width;
  height_ = picture->height;
  format_ = picture->format;
  aspect_ = picture->sample_aspect_ratio;
  chain_ = chain;
  nextPts_ = 0;
  if (!in_) in_.reset(libavutil.av_frame_alloc());
  if (!out_) out_.reset(libavutil.av_frame_alloc());
  graph_.reset(libavfilter.avfilter_graph_alloc());
  if (!in_ || !out_ || !graph_) {
    error = "out of memory";
    return false;
  }
  graph_->nb_threads = 1;  // one picture at a time on the calling thread
  const AVRational sar = aspect_.num > 0 && aspect_.den > 0 ? aspect_ : AVRational{0, 1};
  char args[160];
  std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/2:pixel_aspect=%d/%d", width_, height_,
                format_, sar.num, sar.den);
  int ret = libavfilter.avfilter_graph_create_filter(&source_, libavfilter.avfilter_get_by_name("buffer"), "in",
                                                     args, nullptr, graph_.get());
  if (ret >= 0)
    ret = libavfilter.avfilter_graph_create_filter(&sink_, libavfilter.avfilter_get_by_name("buffersink"), "out",
                                                   nullptr, nullptr, graph_.get());
  if (ret < 0) {
    graph_.reset();
    error = "the filter graph's ends cannot be made: " + errorText(ret);
    return false;
  }
  InOutPtr outputs(libavfilter.avfilter_inout_alloc()), inputs(libavfilter.avfilter_inout_alloc());
  if (!outputs || !inputs) {
    graph_.reset();
    error = "out of memory";
    return false;
  }
  outputs->name = libavutil.av_strdup("in");
  outputs->filter_ctx = source_;
  inputs->name = libavutil.av_strdup("out");
  inputs->filter_ctx = sink_;
  AVFilterInOut *in = inputs.release(), *out = outputs.release();
  ret = libavfilter.avfilter_graph_parse_ptr(graph_.get(), chain.c_str(), &in, &out, nullptr);
  inputs.reset(in);
  outputs.reset(out);
  if (ret >= 0) ret = libavfilter.avfilter_graph_config(graph_.get(), nullptr);
  if (ret < 0) {
    graph_.reset();
    error = "\"" + chain + "\" cannot be set up: " + errorText(ret);
    return false;
  }
  return true;
}

const AVFrame *FilterChain::run(const AVFrame *picture, const std::string &chain, std::string &error) {
  if (!graph_ || !sameInput(picture, chain)) {
    if (failed_ && sameInput(picture, chain)) return nullptr;
    failed_ = !build(picture, chain, error);
    if (failed_) return nullptr;
  }
  if (libavutil.av_frame_ref(in_.get(), picture) < 0) {
    error = "out of memory";
    return nullptr;
  }
  in_->pts = nextPts_++;
  int ret = libavfilter.av_buffersrc_add_frame_flags(source_, in_.get(), 0);
  libavutil.av_frame_unref(in_.get());
  libavutil.av_frame_unref(out_.get());
  if (ret >= 0) ret = libavfilter.av_buffersink_get_frame(sink_, out_.get());
  if (ret < 0) {
    graph_.reset();  // made again with the next picture
    error = "\"" + chain + "\" failed: " + errorText(ret);
    return nullptr;
  }
  // Every filter of these chains gives one picture for each it takes.
  copyTimeAndMarks(out_.get(), picture);
  return out_.get();
}

void copyTimeAndMarks(AVFrame *out, const AVFrame *picture) {
  out->pts = picture->pts;
  out->pkt_dts = picture->pkt_dts;
  out->best_effort_timestamp = picture->best_effort_timestamp;
  out->pkt_duration = picture->pkt_duration;
  out->key_frame = picture->key_frame;
  out->pict_type = picture->pict_type;
  out->quality = picture->quality;
  out->interlaced_frame = picture->interlaced_frame;
  out->top_field_first = picture->top_field_first;
  out->repeat_pict = picture->repeat_pict;
}
