#include "media_decoder.h"

#include "test_env.h"

std::string MediaDecoder::open(const std::string &path, AVMediaType type) {
  if (!librariesLoaded() && !loadLibraries(TREVIX_COMMON_DIR, true)) return libraryError();
  AVFormatContext *raw = nullptr;
  if (libavformat.avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return "cannot open " + path;
  input.reset(raw);
  if (libavformat.avformat_find_stream_info(raw, nullptr) < 0) return "no stream information";
  for (unsigned i = 0; i < raw->nb_streams && stream < 0; ++i)
    if (raw->streams[i]->codecpar->codec_type == type) stream = static_cast<int>(i);
  if (stream < 0) return "no stream of that kind";
  const AVStream *st = raw->streams[stream];
  const AVCodec *codec = libavcodec.avcodec_find_decoder(st->codecpar->codec_id);
  if (!codec) return "no decoder";
  decoder.reset(libavcodec.avcodec_alloc_context3(codec));
  libavcodec.avcodec_parameters_to_context(decoder.get(), st->codecpar);
  decoder->pkt_timebase = st->time_base;
  timeBase = st->time_base;
  if (libavcodec.avcodec_open2(decoder.get(), codec, nullptr) < 0) return "cannot open the decoder";
  return {};
}
