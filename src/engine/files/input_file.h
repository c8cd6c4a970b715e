// What a task keeps per opened input file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "av_ptr.h"
#include "file_access.h"
#include "option_state.h"

// One stream of an opened input. The demuxer's AVStream carries the codec
// parameters; `decoder` is a decoder context made from them (not opened:
// the transcode opens it under the codec lock when it needs decoding).
struct InputStream {
  AVStream *stream = nullptr;     // owned by the file's demuxer context
  CodecContextPtr decoder;       // may be null when no decoder exists
  const AVCodec *codec = nullptr; // the decoder found for the stream, or null
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  AVDiscard discard = AVDISCARD_DEFAULT;  // also written to stream->discard
  bool rateEmu = false;           // "re": pace reading at the native rate
  // The named decoder options (copied out of the option-holding defaults),
  // to be given to avcodec_open2 together with the decoder's private ones.
  Dictionary openOptions;
};

struct InputFile {
  std::string fileName;
  std::unique_ptr<SourceReader> reader;  // what ctx reads through (outlives it)
  InputContextPtr ctx;           // the demuxer context
  // inputTsOffset minus the effective start (or inputTsOffset alone with
  // copyts), microseconds.
  int64_t tsOffset = 0;
  // The effective start position: "ss" plus the file's own start time.
  int64_t startTime = 0;
  std::array<double, kMaxStreams> tsScale{};  // "itsscale"; 0 means 1
  std::vector<InputStream> streams;          // one per ctx->streams[i]
};
