// The life of a task: preparation, start on a worker or in place, the run
// wrapper, termination, stop and pause, and the clean-up.
#include "transcode_task.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "binding.h"
#include "engine_log.h"
#include "text_format.h"

uint32_t currentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

int resolveThreadCount(int requested) {
  if (requested > 0) return requested;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

std::recursive_mutex &codecLock() {
  static std::recursive_mutex lock;
  return lock;
}

void PauseGate::setPaused(bool paused) {
  {
    std::scoped_lock g(m_);
    paused_ = paused;
  }
  cv_.notify_all();
}

bool PauseGate::paused() const {
  std::scoped_lock g(m_);
  return paused_;
}

void PauseGate::requestStop() {
  {
    // Under the lock, so that a worker deciding to wait sees it.
    std::scoped_lock g(m_);
    stop_ = true;
  }
  cv_.notify_all();
}

void PauseGate::clearStop() { stop_ = false; }

void PauseGate::setEnded(bool ended) {
  {
    std::scoped_lock g(m_);
    ended_ = ended;
    if (ended) parked_ = false;
  }
  cv_.notify_all();
}

void PauseGate::waitWhilePaused() {
  std::unique_lock g(m_);
  while (paused_ && !stop_) {
    parked_ = true;
    cv_.notify_all();
    cv_.wait(g);
  }
  parked_ = false;
}

bool PauseGate::waitUntilParked(int timeoutMs) {
  std::unique_lock g(m_);
  return cv_.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return parked_ || ended_ || stop_; });
}

// The thread that runs (or delivers the termination of) the task. The task
// and the thread both hold it, so the thread can report its end even when
// the task is already being destroyed.
struct TranscodeTask::Worker {
  std::mutex m;
  std::condition_variable cv;
  std::thread::id id;
  bool done = false;
};

namespace {

// Nice values for the worker priorities (idle, lowest, lower, normal).
int niceOf(ConvertPriority p) {
  switch (p) {
    case ConvertPriority::Idle: return 19;
    case ConvertPriority::Lowest: return 10;
    case ConvertPriority::Lower: return 5;
    default: return 0;
  }
}

// Runs `body` on a detached thread that records itself in `w`: its id
// first, its end last (what hasWorker and waitForWorker look at). Throws
// std::system_error when no thread can be started.
template <typename Worker, typename Body>
void startWorkerThread(const std::shared_ptr<Worker> &w, Body body) {
  std::thread t([w, body] {
    {
      std::lock_guard<std::mutex> g(w->m);
      w->id = std::this_thread::get_id();
    }
    body();
    {
      std::lock_guard<std::mutex> g(w->m);
      w->done = true;
    }
    w->cv.notify_all();
  });
  t.detach();
}

}  // namespace

TranscodeTask::TranscodeTask() : gate_(std::make_shared<PauseGate>()) {}

TranscodeTask::~TranscodeTask() {
  // Never free a task whose worker still runs: ask it to stop and wait for
  // its end (a worker that destroys its own task from an event handler is
  // not waited for; it touches nothing of the task after its terminate
  // notification).
  requestStop();
  waitForWorker();
  cleanup();
}

void TranscodeTask::prepare() {
  if (!librariesLoaded()) return;
  cleanup();
  options.reset();
  inputFiles.clear();
  hookRanges.clear();
  running_ = false;
  gate_->clearStop();
  gate_->setEnded(false);
  finished_ = false;
  terminated_ = false;
  dropOutputs_ = false;
  options.expectedDurationMs = -1;
  if (!options.allocateDefaults()) throw EngineError("Could not allocate the option contexts");
}

void TranscodeTask::setVerbosity(int level) {
  options.verbose = level;
  if (!librariesLoaded()) return;
  libavutil.av_log_set_level(engineToLibraryLevel(level));
  engineLogLevelChanged(libavutil.av_log_get_level());
}

void TranscodeTask::fail(const std::string &message) {
  log(-1, message);
  std::scoped_lock g(outcomeLock_);
  failed_ = true;
  errorMessage_ = message;
}

TranscodeTask::Outcome TranscodeTask::outcome() const {
  Outcome o;
  o.finished = finished_;
  std::scoped_lock g(outcomeLock_);
  o.failed = failed_;
  o.message = errorMessage_;
  o.keptOutput = keptOutput_;
  return o;
}

bool TranscodeTask::start(bool onThread, ConvertPriority priority) {
  if (running_ || terminated_) return false;
  if (numOutputFiles <= 0) {
    cleanup();
    fail("Must supply at least one output file");
    doTerminate();
    return false;
  }
  if (inputFiles.empty()) {
    cleanup();
    fail("Must supply at least one input file");
    doTerminate();
    return false;
  }
  running_ = true;
  gate_->clearStop();
  gate_->setEnded(false);
  finished_ = false;
  terminated_ = false;
  if (!onThread) {
    run();
    return false;
  }
  auto w = std::make_shared<Worker>();
  worker_ = w;
  const int nice = niceOf(priority);
  try {
    startWorkerThread(w, [this, nice] {
      threadId_ = currentThreadId();
      if (nice != 0) setpriority(PRIO_PROCESS, static_cast<id_t>(currentThreadId()), nice);
      run();  // ends with the terminate notification; `this` is not used after it
    });
  } catch (const std::system_error &) {
    worker_.reset();
    running_ = false;
    return false;
  }
  return true;
}

void TranscodeTask::run() {
  finished_ = false;
  {
    std::scoped_lock g(outcomeLock_);
    keptOutput_.clear();
  }
  try {
    waitWhilePaused();
    if (!stopRequested()) transcode(*this);
  } catch (const std::exception &e) {
    finished_ = false;
    fail(e.what());
  } catch (...) {
    finished_ = false;
    fail("Unknown error");
  }
  {
    std::scoped_lock g(outcomeLock_);
    keptOutput_ = keptOutputName(*this);
    if (outputsDropped() && !failed_ && keptOutput_.empty())
      errorMessage_ = "stopped; the unfinished output was removed";
  }
  try {
    releaseStreams(*this);
  } catch (...) {
  }
  cleanup();
  doTerminate();
}

void TranscodeTask::doTerminate() {
  running_ = false;
  terminated_ = true;
  gate_->setEnded(true);
  // The handler may free this task (on this very thread): call a copy of the
  // sink and touch nothing afterwards.
  TerminateSink sink = terminateSink_;
  if (sink) sink(*this);
}

void TranscodeTask::requestStop() { gate_->requestStop(); }

void TranscodeTask::requestStopDroppingOutputs() {
  dropOutputs_ = true;
  requestStop();
}

bool TranscodeTask::hasWorker() const {
  auto w = worker_;
  if (!w) return false;
  std::lock_guard<std::mutex> g(w->m);
  return !w->done;
}

void TranscodeTask::startTerminateDelivery() {
  auto w = std::make_shared<Worker>();
  worker_ = w;
  try {
    startWorkerThread(w, [this] {
      setpriority(PRIO_PROCESS, static_cast<id_t>(currentThreadId()), niceOf(ConvertPriority::Idle));
      doTerminate();
    });
  } catch (const std::system_error &) {
    worker_.reset();
    doTerminate();
  }
}

void TranscodeTask::waitForWorker() {
  auto w = worker_;
  if (!w) return;
  std::unique_lock<std::mutex> g(w->m);
  if (w->id == std::this_thread::get_id()) return;
  w->cv.wait(g, [&] { return w->done; });
}

void TranscodeTask::cleanup() {
  if (librariesLoaded()) {
    try {
      releaseStreams(*this);
    } catch (...) {
    }
    try {
      closeOutputFiles(*this);
    } catch (...) {
    }
    {
      // Decoders that the transcode opened are closed with their contexts.
      std::lock_guard<std::recursive_mutex> g(codecLock());
      inputFiles.clear();
    }
    for (auto &c : options.codecDefaults) c.reset();
    options.formatDefaults.reset();
    options.swsDefaults.reset();
  }
  releaseVideoHooks(videoHooks);
}

void TranscodeTask::log(int level, const std::string &text) {
  if (logSink_) logSink_(*this, level, text);
}

void TranscodeTask::logF(int level, const char *format, ...) {
  if (!logSink_) return;
  va_list args;
  va_start(args, format);
  const std::string text = formatTextV(format, args);
  va_end(args);
  log(level, text);
}

void TranscodeTask::doProgress(int32_t frameNumber, int32_t fps, int32_t currentDurationMs,
                               float quality, float bitRate, int64_t currentSize,
                               int32_t totalDurationMs) {
  if (progressSink_)
    progressSink_(*this, frameNumber, fps, currentDurationMs, quality, bitRate, currentSize, totalDurationMs);
}

void TranscodeTask::beforeHook(int64_t pts, HookAction &action) {
  if (beforeHookSink_) beforeHookSink_(*this, pts, action);
}

void TranscodeTask::customHook(Bitmap24 &bitmap, int32_t frameNumber, int64_t pts, bool &update, bool &stop) {
  if (customHookSink_) customHookSink_(*this, bitmap, frameNumber, pts, update, stop);
}

bool OptionState::allocateDefaults() {
  if (!librariesLoaded()) return false;
  static const AVMediaType kTypes[kStreamKindCount] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO,
                                                   AVMEDIA_TYPE_DATA, AVMEDIA_TYPE_SUBTITLE,
                                                   AVMEDIA_TYPE_ATTACHMENT};
  for (int k = 0; k < kStreamKindCount; ++k) {
    codecDefaults[k].reset(libavcodec.avcodec_alloc_context3(nullptr));
    if (!codecDefaults[k]) return false;
    codecDefaults[k]->codec_type = kTypes[k];
  }
  formatDefaults.reset(libavformat.avformat_alloc_context());
  swsDefaults.reset(libswscale.sws_alloc_context());
  if (!formatDefaults || !swsDefaults) return false;
  libavutil.av_opt_set_int(swsDefaults.get(), "sws_flags", swsFlags, 0);
  return true;
}
