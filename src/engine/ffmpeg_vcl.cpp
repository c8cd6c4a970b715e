// The engine component: task list, scheduling, events and the log routing.
#include "ffmpeg_vcl.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "av_probe.h"
#include "binding.h"
#include "fp_environment.h"
#include "engine_log.h"
#include "ffmpeg_core.h"

// ---------------------------------------------------------------------------
// Task list

TFFmpeg &TFFmpegList::Item(int index) const {
  if (index < 0 || index >= Count())
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  return *items_[static_cast<size_t>(index)];
}

int TFFmpegList::Add(std::unique_ptr<TFFmpeg> task) {
  task->Index = Count();
  items_.push_back(std::move(task));
  return Count() - 1;
}

std::unique_ptr<TFFmpeg> TFFmpegList::Extract(int index) {
  if (index < 0 || index >= Count())
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  std::unique_ptr<TFFmpeg> t = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  for (int i = index; i < Count(); ++i) items_[static_cast<size_t>(i)]->Index = i;
  return t;
}

std::vector<std::unique_ptr<TFFmpeg>> TFFmpegList::ExtractAll() {
  std::vector<std::unique_ptr<TFFmpeg>> all;
  all.swap(items_);
  return all;
}

TFFmpeg *TFFmpegList::FindByThreadId(uint32_t threadId) const {
  for (const auto &t : items_)
    if (t->ThreadId == threadId) return t.get();
  return nullptr;
}

// ---------------------------------------------------------------------------
// The component list

namespace {
std::mutex gComponentsLock;
std::vector<TCustomFFmpegVCL *> gComponents;
// The floating-point environment the libraries need, held while any
// component lives; the caller's environment comes back with the last one.
std::unique_ptr<TFloatingPointGuard> gFloatingPoint;
}  // namespace

std::vector<TCustomFFmpegVCL *> TCustomFFmpegVCL::ComponentList() {
  std::lock_guard<std::mutex> g(gComponentsLock);
  return gComponents;
}

// ---------------------------------------------------------------------------

struct TCustomFFmpegVCL::TImpl : ILogReceiver {
  explicit TImpl(TCustomFFmpegVCL &o, IMainThreadScheduler *s) : owner(o), scheduler(s) {}

  TCustomFFmpegVCL &owner;
  IMainThreadScheduler *scheduler;

  // The re-entrant lock, with its owner so Pause can tell whether the
  // caller already holds it.
  std::recursive_mutex lock;
  std::atomic<std::thread::id> lockOwner{};
  int lockDepth = 0;

  TFFmpegList tasks;
  TAVProbe probe;
  TLogLevel logLevel = llInfo;
  int32_t progressInterval = 500;
  TConvertPriority threadPriority = tpNormal;
  std::string lastErrorMessage;
  int32_t threadCount = 0;
  int32_t nextTaskIndex = -1;
  int32_t pendingCount = 0;
  int32_t finishedCount = 0;
  bool paused = false;  // thread mode: tasks started now begin paused
  // Direct mode (timer mode without a scheduler): tasks to run next on the
  // caller's thread, run by the outermost StartConvert.
  std::deque<int> directQueue;
  bool drainingDirect = false;
  // Scheduled work checks this before touching the component.
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);

  void Acquire() {
    lock.lock();
    lockOwner = std::this_thread::get_id();
    ++lockDepth;
  }
  void Release() {
    if (--lockDepth == 0) lockOwner = std::thread::id();
    lock.unlock();
  }
  bool HeldByMe() const { return lockOwner.load() == std::this_thread::get_id(); }

  struct TGuard {
    TImpl &d;
    explicit TGuard(TImpl &i) : d(i) { d.Acquire(); }
    ~TGuard() { d.Release(); }
  };

  void LibraryLogLine(uint32_t threadId, int engineLevel, const std::string &line) override {
    TGuard g(*this);
    owner.DoLog(tasks.FindByThreadId(threadId), engineLevel, line);
  }

  void StartNext();
  void RunTask(int index);
  void DrainDirect();
  void ConnectSinks(TCustomFFmpeg &task);
};

void TCustomFFmpegVCL::TImpl::ConnectSinks(TCustomFFmpeg &task) {
  TCustomFFmpegVCL *o = &owner;
  task.LogSink = [o](TCustomFFmpeg &t, int level, const std::string &text) { o->DoLog(&t, level, text); };
  task.ProgressSink = [o](TCustomFFmpeg &t, int32_t frame, int32_t fps, int32_t cur, float q, float br,
                          int64_t size, int32_t total) { o->DoProgress(t, frame, fps, cur, q, br, size, total); };
  task.TerminateSink = [o](TCustomFFmpeg &t) { o->DoTerminate(&t); };
}

void TCustomFFmpegVCL::TImpl::StartNext() {
  TGuard g(*this);
  if (pendingCount <= 0) return;
  --pendingCount;
  const int index = nextTaskIndex++;
  if (threadCount > 0) {
    RunTask(index);
  } else if (scheduler) {
    std::weak_ptr<bool> token = alive;
    TImpl *self = this;
    scheduler->RunLater(100, [token, self, index] {
      if (token.lock()) self->RunTask(index);
    });
  } else {
    directQueue.push_back(index);
  }
}

void TCustomFFmpegVCL::TImpl::RunTask(int index) {
  TFFmpeg *task = nullptr;
  {
    TGuard g(*this);
    if (index < 0 || index >= tasks.Count()) return;
    task = &tasks.Item(index);
    task->ProgressIntervalUs = static_cast<int64_t>(progressInterval) * 1000;
    task->SetVerbosity(static_cast<int>(logLevel) - 1);
    if (threadCount > 0) {
      if (task->Running || task->Terminated) {
        task->ThreadId = 0;
        return;
      }
      task->SetPaused(paused);
      if (!task->Start(true, threadPriority) && !task->Terminated) task->ThreadId = 0;
      return;
    }
    task->ThreadId = CurrentThreadId();
  }
  // Timer mode: the transcode runs to its end right here, on the owner's
  // thread, outside the lock (its events take the lock themselves).
  task->Start(false, threadPriority);
}

void TCustomFFmpegVCL::TImpl::DrainDirect() {
  if (drainingDirect) return;
  drainingDirect = true;
  while (true) {
    int index;
    {
      TGuard g(*this);
      if (directQueue.empty()) break;
      index = directQueue.front();
      directQueue.pop_front();
    }
    RunTask(index);
  }
  drainingDirect = false;
}

// ---------------------------------------------------------------------------

TCustomFFmpegVCL::TCustomFFmpegVCL(IMainThreadScheduler *scheduler)
    : d(std::make_unique<TImpl>(*this, scheduler)) {
  {
    std::lock_guard<std::mutex> g(gComponentsLock);
    if (gComponents.empty() && !gFloatingPoint) gFloatingPoint = std::make_unique<TFloatingPointGuard>();
    gComponents.push_back(this);
  }
  RegisterLogReceiver(d.get());
}

TCustomFFmpegVCL::~TCustomFFmpegVCL() {
  UnregisterLogReceiver(d.get());
  {
    std::lock_guard<std::mutex> g(gComponentsLock);
    std::erase(gComponents, this);
    if (gComponents.empty()) gFloatingPoint.reset();
  }
  std::vector<std::unique_ptr<TFFmpeg>> all;
  {
    TImpl::TGuard g(*d);
    d->pendingCount = 0;
    d->directQueue.clear();
    *d->alive = false;
    d->alive.reset();
  }
  {
    // Tasks leave the list one at a time, so a worker ending meanwhile still
    // finds the list consistent.
    while (true) {
      std::unique_ptr<TFFmpeg> t;
      {
        TImpl::TGuard g(*d);
        if (d->tasks.Count() == 0) break;
        t = d->tasks.Extract(0);
      }
      t.reset();  // stops the task and waits for its worker
    }
  }
}

TLogLevel TCustomFFmpegVCL::LogLevel() const { return d->logLevel; }

void TCustomFFmpegVCL::SetLogLevel(TLogLevel level) {
  d->logLevel = level;
  if (LibrariesLoaded()) {
    libavutil.av_log_set_level(EngineToLibraryLevel(static_cast<int>(level) - 1));
    EngineLogLevelChanged(libavutil.av_log_get_level());
  }
}

int32_t TCustomFFmpegVCL::ProgressInterval() const { return d->progressInterval; }
void TCustomFFmpegVCL::SetProgressInterval(int32_t ms) { d->progressInterval = ms <= 100 ? 100 : ms; }
TConvertPriority TCustomFFmpegVCL::ThreadPriority() const { return d->threadPriority; }
void TCustomFFmpegVCL::SetThreadPriority(TConvertPriority p) { d->threadPriority = p; }

bool TCustomFFmpegVCL::LoadAVLib(const std::string &folder, bool versioned) {
  if (!LoadLibraries(folder, versioned)) {
    d->lastErrorMessage = LibraryError();
    return false;
  }
  libavutil.av_log_set_callback(LogCallback);
  SetLogLevel(d->logLevel);
  return true;
}

int TCustomFFmpegVCL::AddTask(const std::string &fileName, TInputOptions *options) {
  if (!LibrariesLoaded()) {
    d->lastErrorMessage = "The media libraries are not loaded";
    return -1;
  }
  auto task = std::make_unique<TFFmpeg>();
  try {
    task->Prepare();
    task->SetVerbosity(static_cast<int>(d->logLevel) - 1);
    if (options) task->ApplyInputOptions(*options, fileName);
    else task->InputRecord = TInputOptions{};
    if (!task->OpenInputFile(fileName)) {
      d->lastErrorMessage = task->LastError;
      return -1;
    }
  } catch (const std::exception &e) {
    d->lastErrorMessage = e.what();
    return -1;
  }
  d->ConnectSinks(*task);
  TImpl::TGuard g(*d);
  return d->tasks.Add(std::move(task));
}

bool TCustomFFmpegVCL::SetOutput(int index, const std::string &fileName, TOutputOptions *options) {
  TFFmpeg *task;
  {
    TImpl::TGuard g(*d);
    task = &d->tasks.Item(index);  // raises std::out_of_range
  }
  try {
    if (options) {
      task->ApplyOutputOptions(*options, fileName);
      TCustomFFmpegVCL *o = this;
      if (options->customHook) {
        task->CustomHookSink = [o](TCustomFFmpeg &t, TBitmap24 &bmp, int32_t frame, int64_t pts, bool &update,
                                   bool &stop) { o->DoCustomHook(t, bmp, frame, pts, update, stop); };
      } else if (options->beforeHook) {
        task->BeforeHookSink = [o](TCustomFFmpeg &t, int64_t pts, THookAction &action) {
          o->DoBeforeHook(t, pts, action);
        };
      }
    } else {
      task->OutputRecord = TOutputOptions{};
    }
    const int before = task->NumOutputFiles;
    const bool ok = OpenOutputFile(*task, fileName);
    if (ok && task->NumOutputFiles == before) ++task->NumOutputFiles;
    if (!ok) d->lastErrorMessage = task->LastError;
    return ok;
  } catch (const std::exception &e) {
    d->lastErrorMessage = e.what();
    return false;
  }
}

void TCustomFFmpegVCL::RemoveTask(int index) {
  std::unique_ptr<TFFmpeg> t;
  {
    TImpl::TGuard g(*d);
    t = d->tasks.Extract(index);  // raises std::out_of_range
    if (index < d->nextTaskIndex) --d->nextTaskIndex;
    else if (d->pendingCount > 0) --d->pendingCount;
  }
  t.reset();  // stops the task and waits for its worker
}

void TCustomFFmpegVCL::ClearTasks() {
  std::vector<std::unique_ptr<TFFmpeg>> all;
  {
    TImpl::TGuard g(*d);
    all = d->tasks.ExtractAll();
    d->pendingCount = 0;
    d->directQueue.clear();
    d->lastErrorMessage.clear();
    d->threadCount = 0;
  }
  for (auto &t : all) t.reset();
}

void TCustomFFmpegVCL::StartConvert(int32_t threadCount) {
  ClearLogList();
  {
    TImpl::TGuard g(*d);
    d->nextTaskIndex = 0;
    d->finishedCount = 0;
    d->threadCount = threadCount;
    d->pendingCount = d->tasks.Count();
    d->paused = false;
    const int starts = std::max(threadCount, 1);
    for (int i = 0; i < starts && d->pendingCount > 0; ++i) d->StartNext();
  }
  if (threadCount <= 0 && !d->scheduler) d->DrainDirect();
}

void TCustomFFmpegVCL::Stop() {
  TImpl::TGuard g(*d);
  d->pendingCount = 0;
  d->directQueue.clear();
  d->paused = false;
  for (int i = 0; i < d->tasks.Count(); ++i) {
    TFFmpeg &t = d->tasks.Item(i);
    if (t.Running) {
      t.RequestStop();
    } else if (!t.Terminated && !t.HasWorker()) {
      t.StartTerminateDelivery();
    }
  }
}

void TCustomFFmpegVCL::Pause() {
  const bool callerHoldsLock = d->HeldByMe();
  std::vector<TFFmpeg *> toWait;
  {
    TImpl::TGuard g(*d);
    if (d->threadCount <= 0) return;  // timer mode: nothing to pause
    d->paused = true;
    for (int i = 0; i < d->tasks.Count(); ++i) {
      TFFmpeg &t = d->tasks.Item(i);
      if (t.Running && t.HasWorker()) {
        t.SetPaused(true);
        if (t.ThreadId != CurrentThreadId()) toWait.push_back(&t);
      }
    }
  }
  // Wait until every worker sits at its gate, unless the caller holds the
  // lock (a worker may be waiting for it to deliver an event).
  if (callerHoldsLock) return;
  for (TFFmpeg *t : toWait) {
    TImpl::TGuard g(*d);
    bool listed = false;
    for (int i = 0; i < d->tasks.Count() && !listed; ++i) listed = &d->tasks.Item(i) == t;
    if (!listed) continue;
    d->Release();
    t->WaitUntilParked(2000);
    d->Acquire();
  }
}

void TCustomFFmpegVCL::Resume() {
  TImpl::TGuard g(*d);
  if (d->threadCount <= 0) return;
  d->paused = false;
  for (int i = 0; i < d->tasks.Count(); ++i) d->tasks.Item(i).SetPaused(false);
}

std::string TCustomFFmpegVCL::LastErrorMessage() const { return d->lastErrorMessage; }
TAVProbe &TCustomFFmpegVCL::Probe() { return d->probe; }

int TCustomFFmpegVCL::TaskCount() const {
  TImpl::TGuard g(*d);
  return d->tasks.Count();
}

TFFmpeg &TCustomFFmpegVCL::Task(int index) {
  TImpl::TGuard g(*d);
  return d->tasks.Item(index);
}

void TCustomFFmpegVCL::Lock() { d->Acquire(); }
void TCustomFFmpegVCL::Unlock() { d->Release(); }
int32_t TCustomFFmpegVCL::ThreadCount() const { return d->threadCount; }
int32_t TCustomFFmpegVCL::NextTaskIndex() const { return d->nextTaskIndex; }
int32_t TCustomFFmpegVCL::PendingCount() const { return d->pendingCount; }
int32_t TCustomFFmpegVCL::FinishedCount() const { return d->finishedCount; }

// ---------------------------------------------------------------------------
// Dispatch

void TCustomFFmpegVCL::DoBeforeHook(TCustomFFmpeg &task, int64_t pts, THookAction &action) {
  if (OnBeforeHook) OnBeforeHook(task.Index, pts, action);
}

void TCustomFFmpegVCL::DoCustomHook(TCustomFFmpeg &task, TBitmap24 &bitmap, int32_t frameNumber,
                                    int64_t pts, bool &update, bool &stop) {
  if (OnCustomHook) OnCustomHook(task.Index, bitmap, frameNumber, pts, update, stop);
}

void TCustomFFmpegVCL::DoLog(TCustomFFmpeg *task, int level, const std::string &text) {
  if (!OnLog) return;
  TImpl::TGuard g(*d);
  TLogLevel mapped = level < 0 ? llQuiet : level >= 3 ? llAll : static_cast<TLogLevel>(level + 1);
  if (OnLog) OnLog(task ? task->Index : -1, mapped, text);
}

void TCustomFFmpegVCL::DoProgress(TCustomFFmpeg &task, int32_t frameNumber, int32_t fps,
                                  int32_t currentDurationMs, float quality, float bitRate,
                                  int64_t currentSize, int32_t totalDurationMs) {
  TImpl::TGuard g(*d);
  if (OnProgress)
    OnProgress(task.Index, frameNumber, fps, currentDurationMs, quality, bitRate, currentSize, totalDurationMs);
}

void TCustomFFmpegVCL::DoTerminate(TCustomFFmpeg *task) {
  TImpl::TGuard g(*d);
  if (!task) {
    if (OnTerminate) OnTerminate(-1, true, false, std::string());
    ClearLogList();
    return;
  }
  // The handler may free the task: read it first, never afterwards.
  const int32_t index = task->Index;
  const bool finished = task->Finished;
  const bool failed = task->Failed;
  const std::string message = task->ErrorMessage;
  task = nullptr;
  if (OnTerminate) OnTerminate(index, finished, failed, message);
  ++d->finishedCount;
  if (d->pendingCount > 0) {
    d->StartNext();
  } else if (d->finishedCount >= d->tasks.Count()) {
    if (OnTerminate) OnTerminate(-1, true, false, std::string());
    ClearLogList();
  }
}
