#include "pause_gate.h"

#include <chrono>

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
