// The life of a task: preparation, start on a worker or in place, the run
// wrapper, termination, stop and pause, and the clean-up.
#include "ffmpeg_core.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "binding.h"
#include "engine_log.h"

uint32_t CurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

std::recursive_mutex &CodecLock() {
  static std::recursive_mutex lock;
  return lock;
}

struct TCustomFFmpeg::TGate {
  std::mutex m;
  std::condition_variable cv;
  bool paused = false;
  bool parked = false;
};

// The thread that runs (or delivers the termination of) the task. The task
// and the thread both hold it, so the thread can report its end even when
// the task is already being destroyed.
struct TCustomFFmpeg::TWorker {
  std::mutex m;
  std::condition_variable cv;
  std::thread::id id;
  bool done = false;
};

namespace {

// Nice values for the worker priorities (idle, lowest, lower, normal).
int niceOf(TConvertPriority p) {
  switch (p) {
    case tpIdle: return 19;
    case tpLowest: return 10;
    case tpLower: return 5;
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

TCustomFFmpeg::TCustomFFmpeg() : gate_(std::make_unique<TGate>()) {}

TCustomFFmpeg::~TCustomFFmpeg() {
  // Never free a task whose worker still runs: ask it to stop and wait for
  // its end (a worker that destroys its own task from an event handler is
  // not waited for; it touches nothing of the task after its terminate
  // notification).
  RequestStop();
  WaitForWorker();
  Cleanup();
}

void TCustomFFmpeg::Prepare() {
  if (!LibrariesLoaded()) return;
  Cleanup();
  Options.Reset();
  InputFiles.clear();
  HookRanges.clear();
  Running = false;
  StopRequested = false;
  Finished = false;
  Terminated = false;
  Options.expectedDurationMs = -1;
  if (!Options.AllocateDefaults()) throw FFMpegException("Could not allocate the option contexts");
}

void TCustomFFmpeg::SetVerbosity(int level) {
  Options.verbose = level;
  if (!LibrariesLoaded()) return;
  libavutil.av_log_set_level(EngineToLibraryLevel(level));
  EngineLogLevelChanged(libavutil.av_log_get_level());
}

void TCustomFFmpeg::Fail(const std::string &message) {
  Log(-1, message);
  Failed = true;
  ErrorMessage = message;
}

bool TCustomFFmpeg::Start(bool onThread, TConvertPriority priority) {
  if (Running || Terminated) return false;
  if (NumOutputFiles <= 0) {
    Cleanup();
    Fail("Must supply at least one output file");
    DoTerminate();
    return false;
  }
  if (InputFiles.empty()) {
    Cleanup();
    Fail("Must supply at least one input file");
    DoTerminate();
    return false;
  }
  Running = true;
  StopRequested = false;
  Finished = false;
  Terminated = false;
  if (!onThread) {
    Run();
    return false;
  }
  auto w = std::make_shared<TWorker>();
  worker_ = w;
  const int nice = niceOf(priority);
  try {
    startWorkerThread(w, [this, nice] {
      ThreadId = CurrentThreadId();
      if (nice != 0) setpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId()), nice);
      Run();  // ends with the terminate notification; `this` is not used after it
    });
  } catch (const std::system_error &) {
    worker_.reset();
    Running = false;
    return false;
  }
  return true;
}

void TCustomFFmpeg::Run() {
  Finished = false;
  try {
    WaitWhilePaused();
    if (!StopRequested) Transcode(*this);
  } catch (const std::exception &e) {
    Fail(e.what());
  } catch (...) {
    Fail("Unknown error");
  }
  try {
    ReleaseStreams(*this);
  } catch (...) {
  }
  Cleanup();
  DoTerminate();
}

void TCustomFFmpeg::DoTerminate() {
  Running = false;
  Terminated = true;
  {
    std::lock_guard<std::mutex> g(gate_->m);
    gate_->parked = false;
  }
  gate_->cv.notify_all();
  // The handler may free this task (on this very thread): call a copy of the
  // sink and touch nothing afterwards.
  TTerminateSink sink = TerminateSink;
  if (sink) sink(*this);
}

void TCustomFFmpeg::RequestStop() {
  StopRequested = true;
  {
    std::lock_guard<std::mutex> g(gate_->m);
  }
  gate_->cv.notify_all();
}

bool TCustomFFmpeg::HasWorker() const {
  auto w = worker_;
  if (!w) return false;
  std::lock_guard<std::mutex> g(w->m);
  return !w->done;
}

void TCustomFFmpeg::StartTerminateDelivery() {
  auto w = std::make_shared<TWorker>();
  worker_ = w;
  try {
    startWorkerThread(w, [this] {
      setpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId()), niceOf(tpIdle));
      DoTerminate();
    });
  } catch (const std::system_error &) {
    worker_.reset();
    DoTerminate();
  }
}

void TCustomFFmpeg::WaitForWorker() {
  auto w = worker_;
  if (!w) return;
  std::unique_lock<std::mutex> g(w->m);
  if (w->id == std::this_thread::get_id()) return;
  w->cv.wait(g, [&] { return w->done; });
}

void TCustomFFmpeg::WaitWhilePaused() {
  std::unique_lock<std::mutex> g(gate_->m);
  while (gate_->paused && !StopRequested) {
    gate_->parked = true;
    gate_->cv.notify_all();
    gate_->cv.wait(g);
  }
  gate_->parked = false;
}

void TCustomFFmpeg::SetPaused(bool paused) {
  {
    std::lock_guard<std::mutex> g(gate_->m);
    gate_->paused = paused;
  }
  gate_->cv.notify_all();
}

bool TCustomFFmpeg::PauseRequested() const {
  std::lock_guard<std::mutex> g(gate_->m);
  return gate_->paused;
}

bool TCustomFFmpeg::WaitUntilParked(int timeoutMs) {
  std::unique_lock<std::mutex> g(gate_->m);
  return gate_->cv.wait_for(g, std::chrono::milliseconds(timeoutMs),
                            [&] { return gate_->parked || !Running || StopRequested; });
}

void TCustomFFmpeg::Cleanup() {
  if (LibrariesLoaded()) {
    try {
      ReleaseStreams(*this);
    } catch (...) {
    }
    try {
      CloseOutputFiles(*this);
    } catch (...) {
    }
    {
      // Decoders that the transcode opened are closed with their contexts.
      std::lock_guard<std::recursive_mutex> g(CodecLock());
      InputFiles.clear();
    }
    for (auto &c : Options.codecDefaults) c.reset();
    Options.formatDefaults.reset();
    Options.swsDefaults.reset();
  }
  ReleaseVideoHooks(VideoHooks);
}

void TCustomFFmpeg::Log(int level, const std::string &text) {
  TLogSink sink = LogSink;
  if (sink) sink(*this, level, text);
}

void TCustomFFmpeg::LogF(int level, const char *format, ...) {
  if (!LogSink) return;
  char buffer[kLogLineBufferSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  Log(level, buffer);
}

void TCustomFFmpeg::DoProgress(int32_t frameNumber, int32_t fps, int32_t currentDurationMs,
                               float quality, float bitRate, int64_t currentSize,
                               int32_t totalDurationMs) {
  TProgressSink sink = ProgressSink;
  if (sink)
    sink(*this, frameNumber, fps, currentDurationMs, quality, bitRate, currentSize, totalDurationMs);
}

bool TOptionState::AllocateDefaults() {
  if (!LibrariesLoaded()) return false;
  static const AVMediaType kTypes[skKindCount] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO,
                                                   AVMEDIA_TYPE_DATA, AVMEDIA_TYPE_SUBTITLE,
                                                   AVMEDIA_TYPE_ATTACHMENT};
  for (int k = 0; k < skKindCount; ++k) {
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
