// An output file of a task and its streams, as the opening built them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "av_ptr.h"
#include "file_access.h"

// One stream of an output file, as the output opening created it: either an
// encoder set up from the options (opened later by the transcode) or a
// stream copy.
struct OutputStream {
  AVStream *stream = nullptr;  // owned by the muxer context
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  bool streamCopy = false;
  const AVCodec *codec = nullptr;  // the encoder; null for a copy
  AVCodecID codecId = AV_CODEC_ID_NONE;
  CodecContextPtr encoder;        // settings, opened by the transcode
  Dictionary openOptions;         // options only this encoder knows
  float quality = 0.0f;            // initial quality (lambda), "qscale"/"aq"
  // Video: each picture keeps its own time (a source of varying frame rate
  // into a container that stores that); no picture is repeated or dropped.
  bool keepsPictureTimes = false;
};

// An opened output file.
struct OutputFile {
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  std::string fileName;
  AVFormatContext *ctx = nullptr;  // the muxer context (owned)
  std::vector<std::unique_ptr<OutputStream>> streams;
  // The file being written, under its temporary name until it is kept
  // (null for formats that write no file of their own).
  std::unique_ptr<OutputTarget> target;
  bool fileCreated = false;     // the file was created by the opening
  bool replaceExisting = false; // "y": keeping it may replace a file of its name
  bool headerWritten = false;
  bool trailerWritten = false;
  int64_t packetsWritten = 0;
  // The bytes of the packets written, all and those of pictures; the file's
  // size once finished (-1 before): what is over the packets is the
  // container's share.
  int64_t packetBytes = 0;
  int64_t videoPacketBytes = 0;
  int64_t fileBytes = -1;
  int64_t keepAtMostBytes = -1;  // a bigger finished file is not kept; -1: any
  // The modification time the file gets once kept (seconds since 1970);
  // -1: the time it was written.
  int64_t fileTime = -1;
  // How far the file reaches, seconds (the end of its last packet).
  double reachedSeconds = 0.0;
  // Frees the muxer context and closes the file; a file that was not kept
  // under its name (keepOutputFiles) is removed.
  void close();
};
