// The stages of the transcode loop:
//
//   reading and decoding       InputDecoder (transcode_decode.cpp)
//        |  decoded pictures and samples, packets to copy (a DecodedSink)
//        v
//   per-stream output paths    OutputPaths: the frame pipeline's
//                              pre-processing, VideoOutput
//                              (transcode_video_out.cpp), AudioOutput
//                              (transcode_audio_out.cpp)
//        |  encoded and copied packets
//        v
//   writing                    PacketWriter (transcode_writer.cpp)
//
// The driver (TranscodeLoop, transcode_loop.cpp) picks the input that is
// furthest behind, reads a packet, repairs its time stamps and hands it to
// the decoder; ProgressReporter (transcode_progress.cpp) reads the output
// clocks for that choice and for the progress reports.
//
// Threads. With one thread (TranscodeTask::threads() == 1) every stage runs
// on the thread that runs the task, the decoder handing its results
// straight to OutputPaths. With more, and one input file, the run is split
// in two (OutputPipeline, transcode_pipeline.h): the task's thread reads
// and decodes (TranscodeLoop, InputDecoder, the input stream records, the
// run's pkt, frame and decodedAudio); the output thread does everything
// from the frame pipeline on (OutputPaths, PacketWriter, ProgressReporter,
// the output stream records, the output files, the statistics and the
// other buffers of the run), and the two meet only in the pipeline's
// queue. Once the output thread has finished, the task's thread drains the
// encoders and closes the outputs, as with one thread. Each stage's comment
// names the buffers it uses.
#pragma once

#include <cstdint>

#include "transcode_run.h"

class TranscodeTask;
struct InputFile;
struct OptionState;

// Where an output file's pictures end, and how long one of them lasts
// (seconds; 0 without pictures).
struct PictureEnd {
  double end = 0;
  double period = 0;
};

// What every stage works on: the task (its log, its stop request), the
// task's outputs and statistics, the run's records and buffers, and the
// option state.
struct LoopContext {
  TranscodeTask &task;
  TranscodeState &state;
  TranscodeRun &run;
  OptionState &options;
};

// Hands packets to the muxers and encoders' output to the packets. Uses the
// run's outPkt and the statistics file; counts videoBytes and audioBytes.
class PacketWriter {
 public:
  explicit PacketWriter(LoopContext &c) : c_(c) {}
  // Interleaved write; a failure throws EngineError.
  void write(OutputStreamRecord &ost, AVPacket *pkt);
  // Sends `frame` (null: drain) to the stream's encoder and writes every
  // packet it gives; returns the encoder's error, or 0.
  int encodeAndWrite(OutputStreamRecord &ost, const AVFrame *frame);
  // A packet of a stream copy, from its first key frame on.
  void copyPacket(OutputStreamRecord &ost, const InputStreamRecord &ist, const AVPacket *pkt);
  // A decoded subtitle, encoded (twice for DVB: to show and to clear).
  void writeSubtitle(OutputStreamRecord &ost, AVSubtitle *sub);

 private:
  void writeVideoPacket(OutputStreamRecord &ost, AVPacket *pkt);
  void notePictureStats(OutputStreamRecord &ost, const AVPacket *pkt);
  void writeVideoStats(OutputStreamRecord &ost, int frameBytes);

  LoopContext &c_;
};

// The video path of one output stream: frame-rate sync (drop, duplicate),
// frame limits, the geometry stage and the encoder; at the end of the
// input the last picture is held for its duration. Uses the run's
// encFrame; counts dupFrames and dropFrames.
class VideoOutput {
 public:
  VideoOutput(LoopContext &c, PacketWriter &writer) : c_(c), writer_(writer) {}
  void write(OutputStreamRecord &ost, const InputStreamRecord &ist, const AVFrame *picture, int64_t srcPts);
  void drain(OutputStreamRecord &ost);

 private:
  int64_t framesToEmit(OutputStreamRecord &ost, int64_t srcPts);
  int64_t limitFrames(const OutputStreamRecord &ost, int64_t frames) const;
  void encodeCopies(OutputStreamRecord &ost, const AVFrame *formatted, const AVFrame *picture, float sourceQuality,
                    int64_t frames);
  void holdLastPicture(OutputStreamRecord &ost);

  LoopContext &c_;
  PacketWriter &writer_;
};

// The audio path of one output stream: audio sync (trim, pad with silence,
// compensate drift), resampling to the encoder's channels and rate, the
// stream's fifo and the encoder. Uses the run's resampled, silence and
// encFrame buffers.
class AudioOutput {
 public:
  AudioOutput(LoopContext &c, PacketWriter &writer) : c_(c), writer_(writer) {}
  // A chunk of interleaved 16-bit samples in the decoder's channels and
  // rate, starting at `srcPts` (microseconds).
  void write(OutputStreamRecord &ost, InputStreamRecord &ist, const uint8_t *buf, int size, int64_t srcPts);
  // The samples left in the fifo as one last frame (short when the encoder
  // takes a short one, else filled up with silence), then what the encoder
  // still holds. A sound that falls short of the file's pictures' end by
  // less than a picture and a frame is filled up with silence to end with
  // them.
  void drain(OutputStreamRecord &ost, const PictureEnd &pictures);

 private:
  struct Chunk {
    const uint8_t *data;
    int64_t size;  // bytes
  };
  bool syncChunk(OutputStreamRecord &ost, InputStreamRecord &ist, Chunk &chunk, int64_t srcPts);
  void padOrTrim(InputStreamRecord &ist, Chunk &chunk, double delta, int64_t byteDelta);
  bool resampleChunk(OutputStreamRecord &ost, const InputStreamRecord &ist, Chunk &chunk);
  void limitToRecordingTime(const OutputStreamRecord &ost, Chunk &chunk) const;
  void encodeQueued(OutputStreamRecord &ost);
  void fillUpTo(OutputStreamRecord &ost, const PictureEnd &pictures);
  void encodeFrame(OutputStreamRecord &ost, const uint8_t *s16, int samples);
  bool needsResampling(const OutputStreamRecord &ost, const InputStreamRecord &ist) const;

  LoopContext &c_;
  PacketWriter &writer_;
};

// Where the decoding side hands its results, per input stream: the seam
// between reading and writing. `ist` is the record of the input stream the
// results come from; what the output side needs of it (its clock, the
// quality of its last picture, its sample layout) is read during the call.
class DecodedSink {
 public:
  virtual ~DecodedSink() = default;
  // A packet for every output stream that copies the stream.
  virtual void copyPacket(InputStreamRecord &ist, const AVPacket *pkt) = 0;
  // A decoded picture for the frame pipeline's pre-processing (with the
  // stream's SourcePicture: tone mapping, turning upright) and then, when
  // `deliver`, for every output stream that encodes the stream. The sink
  // may take the picture's buffers (the frame is left empty).
  virtual void picture(InputStreamRecord &ist, AVFrame *frame, int64_t srcPts, bool deliver) = 0;
  // A chunk of interleaved 16-bit samples for every output stream that
  // encodes the stream.
  virtual void samples(InputStreamRecord &ist, const uint8_t *buf, int size, int64_t srcPts) = 0;
  // A decoded subtitle for every output stream that encodes the stream; the
  // sink frees it.
  virtual void subtitle(InputStreamRecord &ist, AVSubtitle *sub) = 0;
  // (The encoders are drained by the driver once every input has ended,
  // the pictures first: see TranscodeLoop.)
};

// The output path of each output stream, by media type.
class OutputPaths : public DecodedSink {
 public:
  explicit OutputPaths(LoopContext &c) : c_(c), writer_(c), video_(c, writer_), audio_(c, writer_) {}
  void copyPacket(InputStreamRecord &ist, const AVPacket *pkt) override;
  void picture(InputStreamRecord &ist, AVFrame *frame, int64_t srcPts, bool deliver) override;
  void samples(InputStreamRecord &ist, const uint8_t *buf, int size, int64_t srcPts) override;
  void subtitle(InputStreamRecord &ist, AVSubtitle *sub) override;
  // Whatever the stream's encoder still holds, once (a sound up to the
  // pictures' end when it falls just short of it).
  void drain(OutputStreamRecord &ost, const PictureEnd &pictures = {});

 private:
  LoopContext &c_;
  PacketWriter writer_;
  VideoOutput video_;
  AudioOutput audio_;
};

// Reading side: decodes the packets of one input stream (or, with no
// packet, flushes its decoder) and hands the results to a sink (the output
// paths, or the pipeline that carries them to the output thread). Uses the
// run's frame, decodedAudio, and pkt for the flush.
class InputDecoder {
 public:
  InputDecoder(LoopContext &c, DecodedSink &outputs) : c_(c), outputs_(outputs) {}
  // False when the packet could not be decoded.
  bool process(InputStreamRecord &ist, const AVPacket *pkt);

 private:
  void passOn(InputStreamRecord &ist, const AVPacket *pkt);
  bool decodeSubtitles(InputStreamRecord &ist, const AVPacket *pkt, bool deliver);
  bool decodeFrames(InputStreamRecord &ist, const AVPacket *pkt, bool deliver);
  void deliverSamples(InputStreamRecord &ist, AVFrame *frame, bool deliver);
  void deliverPicture(InputStreamRecord &ist, AVFrame *frame, bool deliver);
  void flushStream(InputStreamRecord &ist, bool deliver);
  bool decodeAudioFrame(InputStreamRecord &ist, AVFrame *frame, int64_t &srcPts, int &bytes);
  int drainAudioConverter(InputStreamRecord &ist);
  void emulateRate(InputStreamRecord &ist);

  LoopContext &c_;
  DecodedSink &outputs_;
};

// The progress reports (to the progress sink, or as text to the log) and
// the output clocks they, and the choice of the next input, read.
class ProgressReporter {
 public:
  explicit ProgressReporter(LoopContext &c) : c_(c) {}
  void report(bool last);
  // Where the stream's output stands, in seconds.
  static double outputTime(const OutputStreamRecord &ost);

 private:
  struct FirstVideo {
    int32_t frameNumber = -1;
    int32_t fps = -1;
    float quality = -1.0f;
  };
  int64_t outputSize() const;
  std::string videoText(const OutputStreamRecord &ost, bool last, double elapsed, FirstVideo &first) const;
  std::string psnrText(const OutputStreamRecord &ost, bool last) const;
  void logFinalStatistics(int64_t total);

  LoopContext &c_;
};

// The driver: chooses, reads, repairs time stamps, decodes, reports; then
// flushes and finishes the outputs. With more than one thread and one input
// file it reads and decodes on the task's thread while an OutputPipeline
// does the rest on its own (see Threads above).
class TranscodeLoop {
 public:
  TranscodeLoop(TranscodeTask &task, TranscodeRun &run);
  void run();

  // Output side: a limit of the outputs ("vframes", "t", "fs") ends the
  // reading, as checked before each read.
  bool outputLimitReached() const;
  // Output side: a progress report when the interval has passed.
  void reportWhenDue();
  // Output side: a frame limit has been reached.
  bool frameLimitReached() const;

 private:
  int chooseInput(double &outputTimeMin) const;
  bool outputsMayGrow(double outputTimeMin) const;
  void runOnOneThread();
  void runPipelined();
  void noteRead(const InputFile &in, InputFileRecord &file, const AVPacket *pkt);
  void endInput(const InputFile &in, InputFileRecord &file, int code);
  InputStreamRecord *takerOf(const InputFile &in, const InputFileRecord &file, const AVPacket *pkt);
  void repairTimestamps(InputFile &in, InputStreamRecord &ist, AVPacket *pkt);
  // Reads one packet of input `fileIndex` and decodes it into `decoder`;
  // EndLoop when the loop ends ("shortest" at the end of a file).
  enum class ReadOutcome { Decoded, Skipped, Failed, Ended, EndLoop };
  ReadOutcome readAndDecode(int fileIndex, InputDecoder &decoder);
  PictureEnd pictureEnd(const OutputFile &file) const;
  void finishOutputs();

  LoopContext c_;
  const int64_t dtsDeltaThresholdUs_;
  OutputPaths outputs_;
  InputDecoder decoder_;
  ProgressReporter progress_;
};

// Quality of a stream's last encoded picture (lambda / FF_QP2LAMBDA), or
// -1 for a stream copy.
float streamQuality(const OutputStreamRecord &ost);
