// The engine component: task list, scheduling, events and the log routing.
#include "media_engine.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "binding.h"
#include "engine_log.h"
#include "fp_environment.h"
#include "media_probe.h"
#include "output_file.h"
#include "input_open.h"
#include "output_open.h"
#include "task_list.h"
#include "thread_ids.h"
#include "transcode_task.h"

// ---------------------------------------------------------------------------
// The component list

namespace {
std::mutex gComponentsLock;
std::vector<MediaEngine *> gComponents;
// The floating-point environment the libraries need, held while any
// component lives; the caller's environment comes back with the last one.
std::unique_ptr<FloatingPointGuard> gFloatingPoint;
}  // namespace

std::vector<MediaEngine *> MediaEngine::componentList() {
  std::lock_guard<std::mutex> g(gComponentsLock);
  return gComponents;
}

// ---------------------------------------------------------------------------

struct MediaEngine::Impl : LogReceiver {
  explicit Impl(MediaEngine &o, MainThreadScheduler *s) : owner(o), scheduler(s) {}

  MediaEngine &owner;
  MainThreadScheduler *scheduler;

  // The re-entrant lock, with its owner so Pause can tell whether the
  // caller already holds it (lock order: codec_lock.h).
  std::recursive_mutex lock;
  std::atomic<std::thread::id> lockOwner{};
  int lockDepth = 0;

  TaskList tasks;
  MediaProbe probe;
  // The task whose input addTask is opening (not yet in the list).
  TranscodeTask *opening = nullptr;
  LogLevel logLevel = LogLevel::Info;
  int32_t progressInterval = 500;
  ConvertPriority threadPriority = ConvertPriority::Normal;
  int32_t threadsPerTask = 0;
  std::string lastErrorMessage;
  int32_t threadCount = 0;
  int32_t nextTaskIndex = -1;
  int32_t pendingCount = 0;
  int32_t finishedCount = 0;
  bool endOfRunTold = false;  // the run's end-of-run notice went out
  bool paused = false;  // thread mode: tasks started now begin paused
  // Direct mode (timer mode without a scheduler): tasks to run next on the
  // caller's thread, run by the outermost startConvert.
  std::deque<TranscodeTask *> directQueue;
  bool drainingDirect = false;
  // Scheduled work checks this before touching the component.
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);

  void acquire() {
    lock.lock();
    lockOwner = std::this_thread::get_id();
    ++lockDepth;
  }
  void release() {
    if (--lockDepth == 0) lockOwner = std::thread::id();
    lock.unlock();
  }
  bool heldByMe() const { return lockOwner.load() == std::this_thread::get_id(); }

  struct Guard {
    Impl &d;
    explicit Guard(Impl &i) : d(i) { d.acquire(); }
    ~Guard() { d.release(); }
  };

  // Makes `task` the opening that interrupt() reaches, while it lasts.
  struct Opening {
    Impl &d;
    Opening(Impl &i, TranscodeTask &task) : d(i) {
      Guard g(d);
      d.opening = &task;
    }
    ~Opening() {
      Guard g(d);
      d.opening = nullptr;
    }
    Opening(const Opening &) = delete;
    Opening &operator=(const Opening &) = delete;
  };

  void libraryLogLine(uint32_t threadId, LogLevel level, const std::string &line) override {
    Guard g(*this);
    owner.doLog(tasks.findByThreadId(threadId), level, line);
  }

  void setLastError(const std::string &text) {
    Guard g(*this);
    lastErrorMessage = text;
  }

  void startNext();
  void continueRun();
  void runTask(TranscodeTask *task);
  void drainDirect();
  void connectSinks(TranscodeTask &task);
};

void MediaEngine::Impl::connectSinks(TranscodeTask &task) {
  MediaEngine *o = &owner;
  task.sinks().log = [o](TranscodeTask &t, LogLevel level, const std::string &text) { o->doLog(&t, level, text); };
  task.sinks().progress = [o](TranscodeTask &t, const TaskProgress &progress) { o->doProgress(t, progress); };
  task.sinks().terminate = [o](TranscodeTask &t) { o->doTerminate(&t); };
}

void MediaEngine::Impl::startNext() {
  Guard g(*this);
  if (pendingCount <= 0) return;
  --pendingCount;
  const int index = nextTaskIndex++;
  if (index < 0 || index >= tasks.count()) return;
  // A start that waits names its task, not a position: removing a task
  // meanwhile only renumbers the list.
  TranscodeTask *task = &tasks.item(index);
  if (threadCount > 0) {
    runTask(task);
  } else if (scheduler) {
    std::weak_ptr<bool> token = alive;
    Impl *self = this;
    scheduler->runLater(100, [token, self, task] {
      if (token.lock()) self->runTask(task);
    });
  } else {
    directQueue.push_back(task);
  }
}

// After a task ended, or a task waiting for its start was removed: the next
// start, or the end-of-run notice once every task has ended.
void MediaEngine::Impl::continueRun() {
  Guard g(*this);
  if (pendingCount > 0) {
    startNext();
  } else if (finishedCount >= tasks.count() && !endOfRunTold) {
    endOfRunTold = true;
    if (owner.onTerminate) owner.onTerminate(-1, true, false, std::string());
    clearLogList();
  }
}

void MediaEngine::Impl::runTask(TranscodeTask *task) {
  {
    Guard g(*this);
    if (!tasks.contains(task)) {
      // Removed while its start waited; removeTask gave its place back.
      continueRun();
      return;
    }
    task->setProgressIntervalUs(static_cast<int64_t>(progressInterval) * 1000);
    task->setThreads(resolveThreadCount(threadsPerTask));
    task->language().setVerbosity(static_cast<int>(logLevel) - 1);
    if (threadCount > 0) {
      if (task->isRunning() || task->isTerminated()) {
        task->setThreadId(0);
        return;
      }
      task->setPaused(paused);
      if (!task->start(true, threadPriority) && !task->isTerminated()) task->setThreadId(0);
      return;
    }
    task->setThreadId(currentThreadId());
  }
  // Timer mode: the transcode runs to its end right here, on the owner's
  // thread, outside the lock (its events take the lock themselves).
  task->start(false, threadPriority);
}

void MediaEngine::Impl::drainDirect() {
  if (drainingDirect) return;
  drainingDirect = true;
  while (true) {
    TranscodeTask *task;
    {
      Guard g(*this);
      if (directQueue.empty()) break;
      task = directQueue.front();
      directQueue.pop_front();
    }
    runTask(task);
  }
  drainingDirect = false;
}

// ---------------------------------------------------------------------------

MediaEngine::MediaEngine(MainThreadScheduler *scheduler)
    : d(std::make_unique<Impl>(*this, scheduler)) {
  {
    std::lock_guard<std::mutex> g(gComponentsLock);
    if (gComponents.empty() && !gFloatingPoint) gFloatingPoint = std::make_unique<FloatingPointGuard>();
    gComponents.push_back(this);
  }
  registerLogReceiver(d.get());
}

MediaEngine::~MediaEngine() {
  d->probe.interrupt();
  unregisterLogReceiver(d.get());
  {
    std::lock_guard<std::mutex> g(gComponentsLock);
    std::erase(gComponents, this);
    if (gComponents.empty()) gFloatingPoint.reset();
  }
  std::vector<std::unique_ptr<TranscodeTask>> all;
  {
    Impl::Guard g(*d);
    d->pendingCount = 0;
    d->directQueue.clear();
    *d->alive = false;
    d->alive.reset();
  }
  {
    // Tasks leave the list one at a time, so a worker ending meanwhile still
    // finds the list consistent.
    while (true) {
      std::unique_ptr<TranscodeTask> t;
      {
        Impl::Guard g(*d);
        if (d->tasks.count() == 0) break;
        t = d->tasks.extract(0);
      }
      t.reset();  // stops the task and waits for its worker
    }
  }
}

// The properties and the last error are read by the workers (a task
// started from the previous one's end) and by handlers: under the lock.
LogLevel MediaEngine::logLevel() const {
  Impl::Guard g(*d);
  return d->logLevel;
}

void MediaEngine::setLogLevel(LogLevel level) {
  {
    Impl::Guard g(*d);
    d->logLevel = level;
  }
  if (librariesLoaded()) {
    libavutil.av_log_set_level(engineToLibraryLevel(level));
    engineLogLevelChanged(libavutil.av_log_get_level());
  }
}

int32_t MediaEngine::progressInterval() const {
  Impl::Guard g(*d);
  return d->progressInterval;
}

void MediaEngine::setProgressInterval(int32_t ms) {
  Impl::Guard g(*d);
  d->progressInterval = ms <= 100 ? 100 : ms;
}

ConvertPriority MediaEngine::threadPriority() const {
  Impl::Guard g(*d);
  return d->threadPriority;
}

void MediaEngine::setThreadPriority(ConvertPriority p) {
  Impl::Guard g(*d);
  d->threadPriority = p;
}

int32_t MediaEngine::threadsPerTask() const {
  Impl::Guard g(*d);
  return d->threadsPerTask;
}

void MediaEngine::setThreadsPerTask(int32_t threads) {
  Impl::Guard g(*d);
  d->threadsPerTask = threads < 0 ? 0 : threads;
}

bool MediaEngine::loadAVLib(const std::string &folder, bool versioned) {
  if (!loadLibraries(folder, versioned)) {
    d->setLastError(libraryError());
    return false;
  }
  libavutil.av_log_set_callback(logCallback);
  setLogLevel(logLevel());
  return true;
}

int MediaEngine::addTask(const std::string &fileName, InputOptions *options) {
  if (!librariesLoaded()) {
    d->setLastError("The media libraries are not loaded");
    return -1;
  }
  auto task = std::make_unique<TranscodeTask>();
  try {
    task->prepare();
    task->language().setVerbosity(static_cast<int>(logLevel()) - 1);
    if (options) task->language().applyInputOptions(*options, fileName);
    else task->language().inputRecord = InputOptions{};
    const Impl::Opening opening(*d, *task);
    if (!openInputFile(*task, fileName)) {
      d->setLastError(task->lastError);
      return -1;
    }
  } catch (const std::exception &e) {
    d->setLastError(e.what());
    return -1;
  }
  d->connectSinks(*task);
  Impl::Guard g(*d);
  return d->tasks.add(std::move(task));
}

bool MediaEngine::setOutput(int index, const std::string &fileName, OutputOptions *options) {
  TranscodeTask *task;
  {
    Impl::Guard g(*d);
    task = &d->tasks.item(index);  // raises std::out_of_range
  }
  try {
    if (options) {
      task->language().applyOutputOptions(*options, fileName);
      MediaEngine *o = this;
      if (options->customHook) {
        task->sinks().customHook = [o](TranscodeTask &t, Bitmap24 &bmp, int32_t frame, int64_t pts, bool &update,
                                    bool &stop) { o->doCustomHook(t, bmp, frame, pts, update, stop); };
      } else if (options->beforeHook) {
        task->sinks().beforeHook =
            [o](TranscodeTask &t, int64_t pts, HookAction &action) { o->doBeforeHook(t, pts, action); };
      }
    } else {
      task->language().outputRecord = OutputOptions{};
    }
    const int before = task->numOutputFiles;
    const bool ok = openOutputFile(*task, fileName);
    if (ok && task->numOutputFiles == before) ++task->numOutputFiles;
    if (!ok) d->setLastError(task->lastError);
    return ok;
  } catch (const std::exception &e) {
    d->setLastError(e.what());
    return false;
  }
}

void MediaEngine::removeTask(int index) {
  std::unique_ptr<TranscodeTask> t;
  {
    Impl::Guard g(*d);
    t = d->tasks.extract(index);  // raises std::out_of_range
    if (index < d->nextTaskIndex) --d->nextTaskIndex;
    else if (d->pendingCount > 0) --d->pendingCount;
  }
  t.reset();  // stops the task and waits for its worker
}

void MediaEngine::clearTasks() {
  std::vector<std::unique_ptr<TranscodeTask>> all;
  {
    Impl::Guard g(*d);
    all = d->tasks.extractAll();
    d->pendingCount = 0;
    d->directQueue.clear();
    d->lastErrorMessage.clear();
    d->threadCount = 0;
  }
  for (auto &t : all) t.reset();
}

void MediaEngine::startConvert(int32_t threadCount) {
  clearLogList();
  {
    Impl::Guard g(*d);
    d->nextTaskIndex = 0;
    d->finishedCount = 0;
    d->endOfRunTold = false;
    d->threadCount = threadCount;
    d->pendingCount = d->tasks.count();
    d->paused = false;
    const int starts = std::max(threadCount, 1);
    for (int i = 0; i < starts && d->pendingCount > 0; ++i) d->startNext();
  }
  if (threadCount <= 0 && !d->scheduler) d->drainDirect();
}

void MediaEngine::startTask(int index) {
  Impl::Guard g(*d);
  TranscodeTask *task = &d->tasks.item(index);  // raises std::out_of_range
  if (task->isRunning() || task->isTerminated()) return;
  if (d->threadCount <= 0) {
    // The first start of the run: nothing waits for a start of its own.
    d->threadCount = 1;
    d->pendingCount = 0;
    d->paused = false;
    d->nextTaskIndex = d->tasks.count();
  }
  int ended = 0;
  for (int i = 0; i < d->tasks.count(); ++i) ended += d->tasks.item(i).isTerminated() ? 1 : 0;
  d->finishedCount = ended;
  d->endOfRunTold = false;
  d->runTask(task);
}

void MediaEngine::stop() {
  Impl::Guard g(*d);
  d->pendingCount = 0;
  d->directQueue.clear();
  d->paused = false;
  for (int i = 0; i < d->tasks.count(); ++i) {
    TranscodeTask &t = d->tasks.item(i);
    if (t.isRunning()) {
      t.requestStop();
    } else if (!t.isTerminated() && !t.hasWorker()) {
      t.startTerminateDelivery();
    }
  }
}

void MediaEngine::pause() {
  const bool callerHoldsLock = d->heldByMe();
  std::vector<std::shared_ptr<PauseGate>> toWait;
  {
    Impl::Guard g(*d);
    if (d->threadCount <= 0) return;  // timer mode: nothing to pause
    d->paused = true;
    for (int i = 0; i < d->tasks.count(); ++i) {
      TranscodeTask &t = d->tasks.item(i);
      if (t.isRunning() && t.hasWorker()) {
        t.setPaused(true);
        if (t.threadId() != currentThreadId()) toWait.push_back(t.pauseGate());
      }
    }
  }
  // Wait until every worker sits at its gate, unless the caller holds the
  // lock (a worker may be waiting for it to deliver an event). The gates
  // outlive their tasks, so a task freed meanwhile does no harm.
  if (callerHoldsLock) return;
  for (const auto &gate : toWait) gate->waitUntilParked(2000);
}

void MediaEngine::resume() {
  Impl::Guard g(*d);
  if (d->threadCount <= 0) return;
  d->paused = false;
  for (int i = 0; i < d->tasks.count(); ++i) d->tasks.item(i).setPaused(false);
}

void MediaEngine::interrupt(StopMode mode) {
  d->probe.interrupt();
  Impl::Guard g(*d);
  if (d->opening) d->opening->requestStop();
  for (int i = 0; i < d->tasks.count(); ++i) {
    TranscodeTask &t = d->tasks.item(i);
    if (!t.isRunning()) continue;
    if (mode == StopMode::DropOutputs) t.requestStopDroppingOutputs();
    else t.requestStop();
  }
}

std::string MediaEngine::lastErrorMessage() const {
  Impl::Guard g(*d);
  return d->lastErrorMessage;
}
MediaProbe &MediaEngine::probe() { return d->probe; }

int MediaEngine::taskCount() const {
  Impl::Guard g(*d);
  return d->tasks.count();
}

TaskStatus MediaEngine::taskStatus(int index) const {
  Impl::Guard g(*d);
  const TranscodeTask &t = d->tasks.item(index);
  const TranscodeTask::Outcome outcome = t.outcome();
  TaskStatus s;
  s.index = t.index();
  s.threadId = t.threadId();
  s.running = t.isRunning();
  s.stopRequested = t.stopRequested();
  s.paused = t.pauseGate()->paused();
  s.terminated = t.isTerminated();
  s.finished = outcome.finished;
  s.failed = outcome.failed;
  s.errorMessage = outcome.message;
  s.keptOutput = outcome.keptOutput;
  s.output = outcome.output;
  return s;
}

void MediaEngine::withTask(int index, const std::function<void(TranscodeTask &)> &use) {
  Impl::Guard g(*d);
  use(d->tasks.item(index));
}

void MediaEngine::lock() { d->acquire(); }
void MediaEngine::unlock() { d->release(); }
int32_t MediaEngine::threadCount() const { return d->threadCount; }
int32_t MediaEngine::nextTaskIndex() const { return d->nextTaskIndex; }
int32_t MediaEngine::pendingCount() const { return d->pendingCount; }
int32_t MediaEngine::finishedCount() const { return d->finishedCount; }

// ---------------------------------------------------------------------------
// Dispatch

void MediaEngine::doBeforeHook(TranscodeTask &task, int64_t pts, HookAction &action) {
  if (onBeforeHook) onBeforeHook(task.index(), pts, action);
}

void MediaEngine::doCustomHook(TranscodeTask &task, Bitmap24 &bitmap, int32_t frameNumber,
                                    int64_t pts, bool &update, bool &stop) {
  if (onCustomHook) onCustomHook(task.index(), bitmap, frameNumber, pts, update, stop);
}

void MediaEngine::doLog(TranscodeTask *task, LogLevel level, const std::string &text) {
  // The handler is read under the lock only: the owner replaces it under
  // the lock while lines arrive on the workers and the libraries' threads.
  Impl::Guard g(*d);
  if (onLog) onLog(task ? task->index() : -1, level, text);
}

void MediaEngine::doProgress(TranscodeTask &task, const TaskProgress &progress) {
  Impl::Guard g(*d);
  if (onProgress) onProgress(task.index(), progress);
}

void MediaEngine::doTerminate(TranscodeTask *task) {
  Impl::Guard g(*d);
  if (!task) {
    if (onTerminate) onTerminate(-1, true, false, std::string());
    clearLogList();
    return;
  }
  // The handler may free the task: read it first, never afterwards.
  const int32_t index = task->index();
  const TranscodeTask::Outcome outcome = task->outcome();
  task = nullptr;
  if (onTerminate) onTerminate(index, outcome.finished, outcome.failed, outcome.message);
  ++d->finishedCount;
  d->continueRun();
}
