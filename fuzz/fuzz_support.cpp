#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "media_engine.h"

MediaEngine &fuzzEngine() {
  static MediaEngine *engine = [] {
    auto *e = new MediaEngine();  // lives as long as the process
    if (!e->loadAVLib(TREVIX_COMMON_DIR, true)) {
      std::fprintf(stderr, "cannot bind the media libraries from %s: %s\n", TREVIX_COMMON_DIR,
                   e->lastErrorMessage().c_str());
      std::abort();
    }
    return e;
  }();
  return *engine;
}

namespace {
void removeScratchFolder() {
  std::error_code ec;
  std::filesystem::remove_all(fuzzScratchFolder(), ec);
}
}  // namespace

const std::string &fuzzScratchFolder() {
  static const std::string folder = [] {
    const std::filesystem::path p =
        std::filesystem::temp_directory_path() / ("trevix-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(p);
    return p.string();
  }();
  static const bool cleanup = (std::atexit(removeScratchFolder), true);
  (void)cleanup;
  return folder;
}

void removeScratchFiles(const std::string &prefix) {
  std::error_code ec;
  for (const auto &entry : std::filesystem::directory_iterator(fuzzScratchFolder(), ec)) {
    const std::string name = entry.path().filename().string();
    // Outputs are written under a hidden temporary name first.
    if (name.rfind(prefix, 0) == 0 || name.rfind("." + prefix, 0) == 0)
      std::filesystem::remove_all(entry.path(), ec);
  }
}

Watchdog::Watchdog(std::function<void()> onExpiry)
    : onExpiry_(std::move(onExpiry)), thread_([this] { loop(); }) {}

Watchdog::~Watchdog() {
  {
    std::lock_guard<std::mutex> g(m_);
    quit_ = true;
  }
  cv_.notify_all();
  thread_.join();
}

void Watchdog::arm(std::chrono::milliseconds after) {
  {
    std::lock_guard<std::mutex> g(m_);
    armed_ = true;
    deadline_ = std::chrono::steady_clock::now() + after;
  }
  cv_.notify_all();
}

void Watchdog::disarm() {
  std::lock_guard<std::mutex> g(m_);
  armed_ = false;
}

void Watchdog::loop() {
  std::unique_lock<std::mutex> lock(m_);
  while (!quit_) {
    if (!armed_) {
      cv_.wait(lock);
      continue;
    }
    if (cv_.wait_until(lock, deadline_) == std::cv_status::timeout && armed_ &&
        std::chrono::steady_clock::now() >= deadline_) {
      armed_ = false;
      lock.unlock();
      onExpiry_();
      lock.lock();
    }
  }
}
