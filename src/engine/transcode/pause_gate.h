#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

// The gate a paused task waits at, and the stop request that opens it. The
// task and every thread that waits for it to park share it, so a waiter
// never touches a task that was freed meanwhile. All methods are
// thread-safe.
class PauseGate {
 public:
  void setPaused(bool paused);
  bool paused() const;
  // A stop request opens the gate for good (until clearStop).
  void requestStop();
  void clearStop();
  bool stopRequested() const { return stop_.load(); }
  // The stop request as the flag the library's waits look at.
  const std::atomic<bool> *stopFlag() const { return &stop_; }
  // The run ended: nobody needs to wait for the worker any more.
  void setEnded(bool ended);
  // Called by the thread that runs the task, once per packet: blocks while
  // the gate is paused and no stop was requested.
  void waitWhilePaused();
  // Waits up to `timeoutMs` until the worker sits at the gate, the run has
  // ended or a stop was requested; returns whether one of them holds.
  bool waitUntilParked(int timeoutMs);

 private:
  mutable std::mutex m_;  // guards paused_, parked_, ended_
  std::condition_variable cv_;
  bool paused_ = false;
  bool parked_ = false;
  bool ended_ = false;
  std::atomic<bool> stop_{false};
};
