// What the fuzz targets share: the media libraries bound once, a scratch
// folder for the files a target writes, and a watchdog that interrupts an
// opening that takes too long.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class MediaEngine;

// Binds the media libraries from the build's Common folder through the
// component (so the libraries' log lines take the component's routing) and
// returns that component; aborts when they cannot be bound.
MediaEngine &fuzzEngine();

// A folder of this process under the system temporary folder, made on first
// use and removed when the process ends.
const std::string &fuzzScratchFolder();

// Removes every file of the scratch folder whose name starts with `prefix`.
void removeScratchFiles(const std::string &prefix);

// Calls `onExpiry` on a thread of its own when an armed deadline passes
// before disarm(). One deadline at a time.
class Watchdog {
 public:
  explicit Watchdog(std::function<void()> onExpiry);
  ~Watchdog();
  Watchdog(const Watchdog &) = delete;
  Watchdog &operator=(const Watchdog &) = delete;

  void arm(std::chrono::milliseconds after);
  void disarm();

 private:
  void loop();

  std::function<void()> onExpiry_;
  std::mutex m_;
  std::condition_variable cv_;
  bool armed_ = false;
  bool quit_ = false;
  std::chrono::steady_clock::time_point deadline_;
  std::thread thread_;
};
