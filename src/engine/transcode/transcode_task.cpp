// The life of a task: preparation, start on a worker or in place,
// termination, stop and pause (the run itself: task_run.cpp).
#include "transcode_task.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "binding.h"
#include "engine_log.h"
#include "thread_ids.h"

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

void TranscodeTask::fail(const std::string &message) {
  log(LogLevel::Quiet, message);
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
  o.output = output_;
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

void TranscodeTask::doTerminate() {
  running_ = false;
  terminated_ = true;
  gate_->setEnded(true);
  // The handler may free this task (on this very thread): call a copy of the
  // sink and touch nothing afterwards.
  auto sink = sinks_.terminate;
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

void TranscodeTask::log(LogLevel level, const std::string &text) {
  if (sinks_.log) sinks_.log(*this, level, text);
}

void TranscodeTask::doProgress(const TaskProgress &progress) {
  if (sinks_.progress) sinks_.progress(*this, progress);
}

void TranscodeTask::beforeHook(int64_t pts, HookAction &action) {
  if (sinks_.beforeHook) sinks_.beforeHook(*this, pts, action);
}

void TranscodeTask::customHook(Bitmap24 &bitmap, int32_t frameNumber, int64_t pts, bool &update, bool &stop) {
  if (sinks_.customHook) sinks_.customHook(*this, bitmap, frameNumber, pts, update, stop);
}
