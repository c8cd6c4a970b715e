// The records and work buffers of one transcode run (set-up, loop, report).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "av_ptr.h"
#include "source_picture.h"
#include "transcode_audio.h"
#include "frame_pipeline.h"
#include "output_file.h"

struct InputStream;
struct OutputStreamRecord;

struct InputFileRecord {
  int firstStream = 0;  // index of its first input stream record
  int streamCount = 0;  // streams at set-up
  bool ended = false;
  int endCode = 0;      // what the last read returned: AVERROR_EOF at the end of the data
  // The furthest point the packets read so far reach, microseconds from
  // the file's start; INT64_MIN before the first packet.
  int64_t readEndUs = INT64_MIN;
  // Packets read, by the file's stream index.
  std::vector<int64_t> packetsRead;
};

struct InputStreamRecord {
  int fileIndex = 0, streamIndex = 0;
  InputStream *in = nullptr;
  AVStream *st = nullptr;
  AVCodecContext *dec = nullptr;
  bool free = true;            // no output stream takes it yet
  bool decodingNeeded = false;
  int64_t pts = 0;             // microseconds
  int64_t nextPts = AV_NOPTS_VALUE;
  bool isStart = true;
  // Rate emulation ("re"): wall-clock start and the first time stamp.
  int64_t emuStart = 0;
  int64_t emuFirstPts = AV_NOPTS_VALUE;
  float quality = 0.0f;        // quality of the last decoded picture
  SourcePicture picture;       // video: tone mapping and turn its pictures need
  // Decoded audio as interleaved 16-bit samples.
  SampleConverter toS16;
  int channels = 0, sampleRate = 0;  // of the 16-bit samples
  int wantChannels = 0, wantRate = 0;  // asked for by the encoders (0: as decoded)
  // The output streams it is the source of, in output order (set-up).
  std::vector<OutputStreamRecord *> outputs;
};

struct OutputStreamRecord {
  int fileIndex = 0, streamIndex = 0;
  int number = 0;  // over all outputs, from 0
  OutputFile *file = nullptr;
  OutputStream *out = nullptr;
  AVStream *st = nullptr;
  AVCodecContext *enc = nullptr;  // null for a stream copy
  int sourceIndex = -1, syncIndex = -1;
  int64_t frameNumber = 0;
  bool encodingNeeded = false;
  int64_t syncPts = 0;  // next frame (video) or sample (audio), encoder time base
  // Video.
  GeometryStage geometry;
  // The last picture sent to the encoder and when it ends (source time,
  // microseconds): at the end of the input it is held until then.
  FramePtr lastPicture;
  int64_t lastPictureEnd = AV_NOPTS_VALUE;
  // Audio.
  ByteFifo fifo{1024};
  SampleConverter resampler;  // 16-bit, decoder channels/rate -> encoder's
  SampleConverter toEncoder;  // 16-bit -> the encoder's sample format
  int64_t nextAudioPts = AV_NOPTS_VALUE;
  // Two-pass log (open for pass 1).
  FILE *logFile = nullptr;
  // Stream copy: the first packet written must be a key frame.
  bool gotKeyFrame = false;
  // Output position: end of the last written packet, seconds.
  double writtenEnd = 0.0;
  int64_t packetsWritten = 0;
  // Statistics of the last encoded picture.
  int lastQuality = 0;
  int lastPictType = 0;
  uint64_t lastError[4] = {0, 0, 0, 0};
  int64_t qpHistogram[52] = {};
  bool drained = false;

  ~OutputStreamRecord() {
    if (logFile) std::fclose(logFile);
  }
};

struct TranscodeRun {
  std::vector<InputFileRecord> files;
  std::vector<std::unique_ptr<InputStreamRecord>> ist;
  std::vector<std::unique_ptr<OutputStreamRecord>> ost;
  int64_t timerStart = 0;
  int64_t lastProgress = 0;
  PacketPtr pkt;      // read from the inputs
  PacketPtr outPkt;   // from the encoders / copied
  FramePtr frame;     // decoded
  FramePtr encFrame;  // handed to the encoders
  FramePipeline pictures;  // pre-processing of the decoded pictures
  std::vector<uint8_t> decodedAudio;  // at least 192000 bytes
  std::vector<uint8_t> resampled;     // 262144 bytes, grown on demand
  std::vector<uint8_t> silence;       // silence + chunk, at most 131072 bytes of payload
  std::vector<uint8_t> subtitleBuf;   // 65536 bytes
  FILE *vstats = nullptr;
  // The loop ended at a limit ("t", "fs", "vframes", ...) rather than at the
  // end of its inputs.
  bool limitReached = false;

  ~TranscodeRun() {
    if (vstats) std::fclose(vstats);
  }
};
