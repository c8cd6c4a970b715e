// The stages of the transcode loop:
//
//   reading and decoding       InputDecoder (transcode_decode.h)
//        |  decoded pictures and samples, packets to copy (a DecodedSink)
//        v
//   per-stream output paths    OutputPaths (output_paths.h): the frame
//                              pipeline's pre-processing, VideoOutput
//                              (transcode_video_out.h), AudioOutput
//                              (transcode_audio_out.h)
//        |  encoded and copied packets
//        v
//   writing                    PacketWriter (transcode_writer.h)
//
// The driver (TranscodeLoop, below) picks the input that is
// furthest behind, reads a packet, repairs its time stamps and hands it to
// the decoder; ProgressReporter (transcode_progress.h) reads the output
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

#include "loop_context.h"
#include "output_limits.h"
#include "output_paths.h"
#include "transcode_decode.h"
#include "transcode_progress.h"

struct InputFile;

// The driver: chooses, reads, repairs time stamps, decodes, reports; then
// flushes and finishes the outputs. With more than one thread and one input
// file it reads and decodes on the task's thread while an OutputPipeline
// does the rest on its own (see Threads above).
class TranscodeLoop : public OutputLimits {
 public:
  TranscodeLoop(TranscodeTask &task, TranscodeRun &run);
  void run();

  bool outputLimitReached() const override;
  void reportWhenDue() override;
  bool frameLimitReached() const override;

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

// The packet loop, the flush, the trailers, the final report and the
// closing of the codecs (after the set-up of transcode()).
void runTranscodeLoop(TranscodeTask &task, TranscodeRun &run);
