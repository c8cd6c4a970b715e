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

std::recursive_mutex &codecLock() {
  static std::recursive_mutex lock;
  return lock;
}

struct TranscodeTask::Gate {
  std::mutex m;
  std::condition_variable cv;
  bool paused = false;
  bool parked = false;
};

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
// first, its end last (what HasWorker and WaitForWorker look at). Throws
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

TranscodeTask::TranscodeTask() : gate_(std::make_unique<Gate>()) {}

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
  running = false;
  stopRequested = false;
  finished = false;
  terminated = false;
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
  failed = true;
  errorMessage = message;
}

bool TranscodeTask::start(bool onThread, ConvertPriority priority) {
  if (running || terminated) return false;
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
  running = true;
  stopRequested = false;
  finished = false;
  terminated = false;
  if (!onThread) {
    run();
    return false;
  }
  auto w = std::make_shared<Worker>();
  worker_ = w;
  const int nice = niceOf(priority);
  try {
    startWorkerThread(w, [this, nice] {
      threadId = currentThreadId();
      if (nice != 0) setpriority(PRIO_PROCESS, static_cast<id_t>(currentThreadId()), nice);
      run();  // ends with the terminate notification; `this` is not used after it
    });
  } catch (const std::system_error &) {
    worker_.reset();
    running = false;
    return false;
  }
  return true;
}

void TranscodeTask::run() {
  finished = false;
  try {
    waitWhilePaused();
    if (!stopRequested) transcode(*this);
  } catch (const std::exception &e) {
    fail(e.what());
  } catch (...) {
    fail("Unknown error");
  }
  try {
    releaseStreams(*this);
  } catch (...) {
  }
  cleanup();
  doTerminate();
}

void TranscodeTask::doTerminate() {
  running = false;
  terminated = true;
  {
    std::lock_guard<std::mutex> g(gate_->m);
    gate_->parked = false;
  }
  gate_->cv.notify_all();
  // The handler may free this task (on this very thread): call a copy of the
  // sink and touch nothing afterwards.
  TerminateSink sink = terminateSink;
  if (sink) sink(*this);
}

void TranscodeTask::requestStop() {
  stopRequested = true;
  {
    std::lock_guard<std::mutex> g(gate_->m);
  }
  gate_->cv.notify_all();
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

void TranscodeTask::waitWhilePaused() {
  std::unique_lock<std::mutex> g(gate_->m);
  while (gate_->paused && !stopRequested) {
    gate_->parked = true;
    gate_->cv.notify_all();
    gate_->cv.wait(g);
  }
  gate_->parked = false;
}

void TranscodeTask::setPaused(bool paused) {
  {
    std::lock_guard<std::mutex> g(gate_->m);
    gate_->paused = paused;
  }
  gate_->cv.notify_all();
}

bool TranscodeTask::pauseRequested() const {
  std::lock_guard<std::mutex> g(gate_->m);
  return gate_->paused;
}

bool TranscodeTask::waitUntilParked(int timeoutMs) {
  std::unique_lock<std::mutex> g(gate_->m);
  return gate_->cv.wait_for(g, std::chrono::milliseconds(timeoutMs),
                            [&] { return gate_->parked || !running || stopRequested; });
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
  LogSink sink = logSink;
  if (sink) sink(*this, level, text);
}

void TranscodeTask::logF(int level, const char *format, ...) {
  if (!logSink) return;
  va_list args;
  va_start(args, format);
  const std::string text = formatTextV(format, args);
  va_end(args);
  log(level, text);
}

void TranscodeTask::doProgress(int32_t frameNumber, int32_t fps, int32_t currentDurationMs,
                               float quality, float bitRate, int64_t currentSize,
                               int32_t totalDurationMs) {
  ProgressSink sink = progressSink;
  if (sink)
    sink(*this, frameNumber, fps, currentDurationMs, quality, bitRate, currentSize, totalDurationMs);
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
