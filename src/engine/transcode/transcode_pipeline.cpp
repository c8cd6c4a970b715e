// The two-thread transcode: the queue between the reading thread and the
// output thread, and what the output thread does with each entry.
#include "transcode_pipeline.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "binding.h"
#include "thread_ids.h"
#include "transcode_task.h"

enum class OutputPipeline::WorkKind { CopyPacket, Picture, Samples, Subtitle, PacketDone, InputDone, End };

// One entry of the queue: a result of the decoder with the facts of its
// input stream at the time it was handed over.
struct OutputPipeline::Work {
  WorkKind kind = WorkKind::End;
  int stream = -1;  // input stream number (run.ist)
  PacketPtr packet;
  FramePtr frame;
  std::vector<uint8_t> samples;
  AVSubtitle subtitle{};
  bool hasSubtitle = false;
  int64_t srcPts = 0;
  size_t bytes = 0;  // Picture: the size of the buffers it holds
  bool atEndOfInput = false;  // InputDone
  // Picture: whether it reaches the outputs; PacketDone: whether the
  // packet was decoded (then a progress report may follow).
  bool deliver = true;
  int64_t pts = 0, nextPts = AV_NOPTS_VALUE;
  float quality = 0.0f;
  int channels = 0, sampleRate = 0;

  Work() = default;
  Work(Work &&other) noexcept { *this = std::move(other); }
  Work &operator=(Work &&other) noexcept {
    if (this == &other) return *this;
    freeSubtitle();
    kind = other.kind;
    stream = other.stream;
    packet = std::move(other.packet);
    frame = std::move(other.frame);
    samples = std::move(other.samples);
    subtitle = other.subtitle;
    hasSubtitle = other.hasSubtitle;
    other.subtitle = AVSubtitle{};
    other.hasSubtitle = false;
    srcPts = other.srcPts;
    bytes = other.bytes;
    deliver = other.deliver;
    atEndOfInput = other.atEndOfInput;
    pts = other.pts;
    nextPts = other.nextPts;
    quality = other.quality;
    channels = other.channels;
    sampleRate = other.sampleRate;
    return *this;
  }
  ~Work() { freeSubtitle(); }
  void freeSubtitle() {
    if (hasSubtitle) libavcodec.avsubtitle_free(&subtitle);
    hasSubtitle = false;
  }
};

OutputPipeline::OutputPipeline(LoopContext &c, OutputPaths &outputs, OutputLimits &limits, int queuedPictures)
    : c_(c), outputs_(outputs), limits_(limits), queuedPictures_(std::clamp(queuedPictures, 1, kQueuedPictures)) {
  // The output side's own copy of each input stream record: what the
  // output paths read of it, refreshed from every entry.
  for (auto &ip : c_.run.ist) {
    auto f = std::make_unique<InputStreamRecord>();
    f->fileIndex = ip->fileIndex;
    f->streamIndex = ip->streamIndex;
    f->in = ip->in;
    f->st = ip->st;
    f->free = ip->free;
    f->decodingNeeded = ip->decodingNeeded;
    f->isStart = ip->isStart;
    f->outputs = ip->outputs;
    f->picture = ip->picture;  // tone mapping and turning, for the pre-processing
    facts_.push_back(std::move(f));
  }
  thread_ = std::thread([this] { outputMain(); });
}

OutputPipeline::~OutputPipeline() {
  if (!thread_.joinable()) return;
  // The reading side failed: the task ends with its error. The output
  // thread may sit at the pause gate, which only a stop opens.
  {
    std::scoped_lock g(m_);
    aborted_ = true;
  }
  c_.task.requestStop();
  workReady_.notify_all();
  thread_.join();
}

int OutputPipeline::streamIndex(const InputStreamRecord &ist) const {
  for (size_t i = 0; i < c_.run.ist.size(); ++i)
    if (c_.run.ist[i].get() == &ist) return static_cast<int>(i);
  return -1;
}

OutputPipeline::Work OutputPipeline::workFor(WorkKind kind, InputStreamRecord &ist) {
  Work w;
  w.kind = kind;
  w.stream = streamIndex(ist);
  w.pts = ist.pts;
  w.nextPts = ist.nextPts;
  w.quality = ist.quality;
  w.channels = ist.channels;
  w.sampleRate = ist.sampleRate;
  return w;
}

// Under m_: whether `work` fits into the queue now.
bool OutputPipeline::admits(const Work &work) const {
  if (queue_.size() >= kQueuedItems) return false;
  if (work.kind != WorkKind::Picture) return true;
  if (picturesQueued_ >= queuedPictures_) return false;
  return picturesQueued_ < kMinQueuedPictures || pictureBytes_ + work.bytes <= kQueuedPictureBytes;
}

void OutputPipeline::push(Work &&work) {
  // After a stop only the end is still wanted; the rest is released here.
  const auto unwanted = [&] { return work.kind != WorkKind::End && c_.task.stopRequested(); };
  if (unwanted()) return;
  {
    std::unique_lock g(m_);
    spaceFree_.wait(g, [&] { return failed_ || aborted_ || unwanted() || admits(work); });
    if (failed_ || aborted_ || unwanted()) return;  // nobody takes it any more
    if (work.kind == WorkKind::Picture) {
      ++picturesQueued_;
      pictureBytes_ += work.bytes;
    }
    queue_.push_back(std::move(work));
  }
  workReady_.notify_one();
}

void OutputPipeline::copyPacket(InputStreamRecord &ist, const AVPacket *pkt) {
  bool copied = false;
  for (const OutputStreamRecord *op : ist.outputs) copied = copied || !op->encodingNeeded;
  if (!copied) return;
  Work w = workFor(WorkKind::CopyPacket, ist);
  w.packet.reset(libavcodec.av_packet_alloc());
  if (!w.packet || libavcodec.av_packet_ref(w.packet.get(), pkt) < 0) throw EngineError("av_malloc fail");
  push(std::move(w));
}

void OutputPipeline::picture(InputStreamRecord &ist, AVFrame *frame, int64_t srcPts, bool deliver) {
  Work w = workFor(WorkKind::Picture, ist);
  w.frame.reset(libavutil.av_frame_alloc());
  if (!w.frame) throw EngineError("av_malloc fail");
  libavutil.av_frame_move_ref(w.frame.get(), frame);
  // The picture's size from its own fields: its buffers were made on the
  // decoder's threads.
  const int bytes = libavutil.av_image_get_buffer_size(static_cast<AVPixelFormat>(w.frame->format),
                                                       w.frame->width, w.frame->height, 1);
  w.bytes = bytes > 0 ? static_cast<size_t>(bytes) : 0;
  w.srcPts = srcPts;
  w.deliver = deliver;
  push(std::move(w));
}

void OutputPipeline::samples(InputStreamRecord &ist, const uint8_t *buf, int size, int64_t srcPts) {
  if (size <= 0) return;
  Work w = workFor(WorkKind::Samples, ist);
  w.samples.assign(buf, buf + size);
  w.srcPts = srcPts;
  push(std::move(w));
}

void OutputPipeline::subtitle(InputStreamRecord &ist, AVSubtitle *sub) {
  Work w = workFor(WorkKind::Subtitle, ist);
  w.subtitle = *sub;
  w.hasSubtitle = true;
  *sub = AVSubtitle{};
  push(std::move(w));
}

void OutputPipeline::packetDone(bool decoded) {
  Work w;
  w.kind = WorkKind::PacketDone;
  w.deliver = decoded;
  push(std::move(w));
}

void OutputPipeline::inputDone(bool atEndOfInput) {
  Work w;
  w.kind = WorkKind::InputDone;
  w.atEndOfInput = atEndOfInput;
  push(std::move(w));
}

void OutputPipeline::finish() {
  Work w;
  w.kind = WorkKind::End;
  push(std::move(w));
  thread_.join();
  std::scoped_lock g(m_);
  if (failed_) throw EngineError(error_);
}

void OutputPipeline::endOutputs() {
  dropping_ = true;
  c_.run.limitReached = true;
  ended_ = true;
}

void OutputPipeline::fail(const std::string &message) {
  {
    std::scoped_lock g(m_);
    failed_ = true;
    error_ = message;
    queue_.clear();
    picturesQueued_ = 0;
    pictureBytes_ = 0;
  }
  ended_ = true;
  spaceFree_.notify_all();
}

void OutputPipeline::outputMain() {
  TranscodeTask &task = c_.task;
  task.setHelperThreadId(currentThreadId());
  try {
    // The check the one-thread loop makes before its first read.
    if (limits_.outputLimitReached()) endOutputs();
    for (;;) {
      Work w;
      {
        std::unique_lock g(m_);
        workReady_.wait(g, [&] { return !queue_.empty() || aborted_; });
        if (aborted_) break;
        w = std::move(queue_.front());
        queue_.pop_front();
        if (w.kind == WorkKind::Picture) {
          --picturesQueued_;
          pictureBytes_ -= w.bytes;
        }
      }
      spaceFree_.notify_one();
      if (w.kind == WorkKind::End) break;
      task.pauseGate()->waitWhilePaused();
      // After a stop each entry still queued is discarded (its frame
      // released) rather than done: the outputs end where the stop found them.
      if (task.stopRequested()) continue;
      execute(w);
    }
  } catch (const std::exception &e) {
    fail(e.what());
  } catch (...) {
    fail("Unknown error");
  }
  task.setHelperThreadId(0);
}

void OutputPipeline::execute(Work &w) {
  InputStreamRecord *ist = w.stream >= 0 ? facts_[w.stream].get() : nullptr;
  if (ist) {
    ist->pts = w.pts;
    ist->nextPts = w.nextPts;
    ist->quality = w.quality;
    ist->channels = w.channels;
    ist->sampleRate = w.sampleRate;
  }
  switch (w.kind) {
    case WorkKind::CopyPacket:
      if (!dropping_) outputs_.copyPacket(*ist, w.packet.get());
      break;
    case WorkKind::Picture:
      if (!dropping_) outputs_.picture(*ist, w.frame.get(), w.srcPts, w.deliver);
      break;
    case WorkKind::Samples:
      if (!dropping_) outputs_.samples(*ist, w.samples.data(), static_cast<int>(w.samples.size()), w.srcPts);
      break;
    case WorkKind::Subtitle:
      if (!dropping_) {
        w.hasSubtitle = false;
        outputs_.subtitle(*ist, &w.subtitle);  // frees it
      }
      break;
    case WorkKind::PacketDone:
      if (dropping_) break;
      if (w.deliver) limits_.reportWhenDue();
      if (limits_.outputLimitReached()) endOutputs();
      break;
    case WorkKind::InputDone:
      if (!dropping_ && w.atEndOfInput) c_.run.limitReached = limits_.frameLimitReached();
      dropping_ = false;
      break;
    case WorkKind::End:
      break;
  }
}
