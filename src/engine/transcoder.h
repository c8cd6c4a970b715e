// Output files, transcode set-up and the transcode loop of a task.
//
// The task class (transcode_task.h) holds one TranscodeState and calls the
// functions below; everything a task needs to write its outputs lives here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "av_ptr.h"
#include "file_access.h"

class TranscodeTask;

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
  // How far the file reaches, seconds (the end of its last packet).
  double reachedSeconds = 0.0;
  // Frees the muxer context and closes the file; a file that was not kept
  // under its name (keepOutputFiles) is removed.
  void close();
};

struct TranscodeRun;  // the records and buffers of one run (transcode_run.h)

// Per-task state of the output side and the transcode (output files, stream
// records, encoders, conversion contexts, statistics files).
struct TranscodeState {
  TranscodeState();
  ~TranscodeState();
  TranscodeState(const TranscodeState &) = delete;
  TranscodeState &operator=(const TranscodeState &) = delete;

  std::vector<std::unique_ptr<OutputFile>> outputFiles;  // at most 20
  int outputCount() const { return static_cast<int>(outputFiles.size()); }

  // Statistics of the last run.
  int64_t videoBytes = 0;
  int64_t audioBytes = 0;
  int64_t extradataBytes = 0;
  int32_t dupFrames = 0;
  int32_t dropFrames = 0;

  // Codecs opened by the set-up and not yet closed (closed by the loop's
  // normal end, or by releaseStreams after an error).
  std::vector<AVCodecContext *> openedEncoders;
  std::vector<AVCodecContext *> openedDecoders;

  std::unique_ptr<TranscodeRun> run;
};

// Adds one output file from the task's current option state (setOutput).
// Returns false and leaves the message in the task's lastError on failure.
bool openOutputFile(TranscodeTask &task, const std::string &fileName);

// "newvideo", "newaudio", "newsubtitle": one more stream on the last opened
// output. Throw EngineError ("At least one output file must be
// specified" without an output, or the builder's message).
void newVideoStream(TranscodeTask &task);
void newAudioStream(TranscodeTask &task);
void newSubtitleStream(TranscodeTask &task);

// Which stream kinds the task's opened inputs have. Throws
// EngineError("invalid codec_type of input file") for a stream of an
// unknown kind.
void checkInputKinds(TranscodeTask &task, bool &hasVideo, bool &hasAudio, bool &hasSubtitle);

// Name of the two-pass log of output stream `streamNumber` (counted over
// all outputs from 0): ("ffmpeg2pass" or `passLogFileName`)-N.log.
std::string twoPassLogName(const std::string &passLogFileName, int streamNumber);

// Runs set-up, the loop and the final report over the task's inputs and
// outputs. Marks the task finished at its normal end; throws EngineError on
// errors.
void transcode(TranscodeTask &task);

// Releases the stream records, codecs and buffers of the transcode; safe to
// call more than once.
void releaseStreams(TranscodeTask &task);

// Gives the outputs worth keeping their names: those that hold packets and
// a trailer, unless the task was told to drop its outputs. A run that was
// stopped keeps each under a name that says so and where it stopped
// (stoppedNameInsert), leaving the final name free. A name taken meanwhile
// is not replaced without "y" (and never when it is one of the task's
// inputs): the next free name is taken instead, and the log says so.
// Throws EngineError with the reason when an output cannot be kept.
void keepOutputFiles(TranscodeTask &task);

// The name the task's first kept output got; empty when none was kept.
std::string keptOutputName(const TranscodeTask &task);

// Closes every output file; one that was not kept is deleted (with it,
// every output of a failed task). Safe to call more than once.
void closeOutputFiles(TranscodeTask &task);
