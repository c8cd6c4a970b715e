// The two-thread transcode: reading and decoding on the task's thread, the
// frame pipeline, encoding and writing on an output thread, joined by a
// bounded queue.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "decoded_sink.h"
#include "loop_context.h"
#include "output_limits.h"
#include "output_paths.h"

// A DecodedSink that carries the decoder's results, in their order, to an
// output thread of its own, which hands them to the output paths as the
// one-thread loop would have. After each packet (packetDone) the output
// thread reports progress when it is due and checks the limits of the
// outputs, as the one-thread loop does between two packets; a limit ends
// the reading (outputsEnded), and what was decoded beyond it is dropped up
// to the end of the input (inputDone), whose flush reaches the outputs.
// The encoders are drained after finish(), by the driver on the reading
// thread (the pictures first, then the sound up to their end), as with one
// thread.
//
// Threads. The reading thread (the one that runs the task) constructs the
// pipeline, which starts the output thread, and calls every method; it
// must not touch the output stream records, the output files or the run's
// output buffers from then until finish() has returned. The output thread
// owns those, and a copy of each input stream record's facts that the
// output paths read (its clock, the quality of its last picture, its sample
// layout, whether it is at its start), taken when the result was handed
// over, and what its pictures need before the hooks (its SourcePicture,
// copied when the pipeline starts); it never touches the input stream
// records themselves. The queue and
// its counters are guarded by m_; ended_ is atomic so that the reading loop
// can look at it without the lock.
//
// The queue holds at most `queuedPictures` decoded pictures (the caller's
// choice, at most kQueuedPictures; references to the decoder's buffers, no
// copies), of at most kQueuedPictureBytes unless fewer than
// kMinQueuedPictures are queued, and kQueuedItems entries in all: a full
// queue holds the reader back, and each picture is released as soon as the
// output thread is done with it, so memory stays flat. After a Stop the
// output thread discards every entry still queued, and the reading thread's
// further results (the decoders' flush) are dropped at once: the picture
// being encoded is the last one, as with one thread, and the outputs are
// then finished as a stop finishes them. An error on the output thread ends
// the reading; finish() raises it, with its message, on the reading thread.
// The task's progress, log and hook events of the output side are raised on
// the output thread.
class OutputPipeline : public DecodedSink {
 public:
  static constexpr int kQueuedPictures = 12;
  static constexpr int kMinQueuedPictures = 4;
  static constexpr size_t kQueuedPictureBytes = size_t{48} << 20;
  static constexpr size_t kQueuedItems = 256;

  OutputPipeline(LoopContext &c, OutputPaths &outputs, OutputLimits &limits, int queuedPictures = kQueuedPictures);
  // Without finish(): stops the output thread where it is and waits for it.
  ~OutputPipeline() override;
  OutputPipeline(const OutputPipeline &) = delete;
  OutputPipeline &operator=(const OutputPipeline &) = delete;

  // DecodedSink, on the reading thread.
  void copyPacket(InputStreamRecord &ist, const AVPacket *pkt) override;
  void picture(InputStreamRecord &ist, AVFrame *frame, int64_t srcPts, bool deliver) override;
  void samples(InputStreamRecord &ist, const uint8_t *buf, int size, int64_t srcPts) override;
  void subtitle(InputStreamRecord &ist, AVSubtitle *sub) override;

  // Reading thread: one packet has been handed over; `decoded` unless its
  // decoding failed (then no progress report follows it, as with one
  // thread).
  void packetDone(bool decoded);
  // Reading thread: no more packets are read; the flush follows. With
  // `atEndOfInput` (the input ended, rather than a stop or "shortest")
  // the output thread notes whether a frame limit was reached there.
  void inputDone(bool atEndOfInput);
  // Reading thread: a limit of the outputs was reached, or the output
  // thread failed; no further packet is wanted.
  bool outputsEnded() const { return ended_.load(); }
  // Reading thread: waits until the output thread has done everything
  // handed to it; raises EngineError with the message of its error.
  void finish();

 private:
  enum class WorkKind;
  struct Work;

  int streamIndex(const InputStreamRecord &ist) const;
  Work workFor(WorkKind kind, InputStreamRecord &ist);
  bool admits(const Work &work) const;
  void push(Work &&work);
  void outputMain();
  void execute(Work &work);
  void endOutputs();
  void fail(const std::string &message);

  LoopContext &c_;
  OutputPaths &outputs_;
  OutputLimits &limits_;
  const int queuedPictures_;  // 1 .. kQueuedPictures

  mutable std::mutex m_;  // guards queue_, picturesQueued_, pictureBytes_, failed_, error_, aborted_
  std::condition_variable workReady_, spaceFree_;
  std::deque<Work> queue_;
  int picturesQueued_ = 0;
  size_t pictureBytes_ = 0;  // the buffers the queued pictures hold
  bool failed_ = false;
  std::string error_;
  bool aborted_ = false;  // the reading side is gone: stop at once
  std::atomic<bool> ended_{false};

  // Output thread only.
  std::vector<std::unique_ptr<InputStreamRecord>> facts_;  // by input stream number
  bool dropping_ = false;  // a limit was reached: drop up to inputDone

  std::thread thread_;
};
