// Probing the files that come into the source list, on a thread of its
// own, so that the window answers while a long list is read.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "source_jobs.h"

class EngineEventRelay;
class MediaProbe;
class QObject;

// Probes a list of files one after the other on its worker thread and hands
// each result to the thread of a context object (the UI thread), in the
// order of the list, through a relay as the engine's events go; the end of
// the list follows the last result.
//
// Threads: every member function on the context's thread; the worker only
// probes and posts. cancel() interrupts the file being probed (a pipe that
// nobody writes to, a stalled file) and drops the results not yet
// delivered; stop() and the destructor also wait for the worker.
class SourceProber {
 public:
  // `index` is the file's place in the list given to start().
  using Probed = std::function<void(int index, const ProbeSummary &probe)>;
  // `whole`: every file was probed (false after cancel() or when the probe
  // could not run at all, the media libraries missing).
  using Ended = std::function<void(bool whole)>;

  explicit SourceProber(QObject *context);
  ~SourceProber();
  SourceProber(const SourceProber &) = delete;
  SourceProber &operator=(const SourceProber &) = delete;

  // Starts probing `files`; false (nothing starts) while a list is probed.
  bool start(std::vector<std::string> files, Probed probed, Ended ended);
  // Stops after the file being probed, which is interrupted; `ended(false)`
  // follows unless it was already delivered.
  void cancel();
  // Cancels, waits for the worker and drops everything not yet delivered:
  // after it, no callback of the list runs.
  void stop();
  // Between start() and the delivery of the end.
  bool running() const { return running_; }

 private:
  // Shared by the prober and its worker.
  struct Shared {
    std::atomic<bool> cancelled{false};
    std::mutex lock;
    MediaProbe *probe = nullptr;  // guarded by `lock`: the worker's probe
  };
  void probeAll(const std::vector<std::string> &files, const std::shared_ptr<Shared> &shared);

  QObject *context_;
  std::unique_ptr<EngineEventRelay> relay_;
  std::shared_ptr<Shared> shared_;
  std::thread worker_;
  Probed probed_;
  Ended ended_;
  bool running_ = false;
};
