// Helpers of the engine core tests: small fixtures, a scheduler the test
// pumps, and a recorder of the component's events.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine_types.h"
#include "media_engine.h"

// The small clip (smallClipRecipe) with MPEG-4 part 2 video, in a .mov.
std::string coreSource(double seconds);
// Audio only (AAC in .m4a).
std::string coreAudioOnlySource();
// The same streams as coreSource(2), but the audio stream first.
std::string coreAudioFirstSource();

// Runs scheduled work when the test pumps it.
class PumpedScheduler : public MainThreadScheduler {
 public:
  void runLater(int delayMs, std::function<void()> work) override;
  // Runs every item scheduled so far (not those they schedule); returns how
  // many ran.
  int pumpOnce();
  size_t pending();
  std::vector<int> delays;

 private:
  std::mutex m_;
  std::vector<std::function<void()>> items_;
};

struct TerminateRecord {
  int index;
  bool finished;
  bool exception;
  std::string message;
  std::thread::id thread;
};

// Connects to a component's onTerminate and onProgress, and disconnects
// when it goes (under the component's lock, so a handler still being raised
// on a worker completes first). Declare it after the component it records.
class EventRecorder {
 public:
  explicit EventRecorder(MediaEngine &c);
  ~EventRecorder();
  EventRecorder(const EventRecorder &) = delete;
  EventRecorder &operator=(const EventRecorder &) = delete;
  std::vector<TerminateRecord> terminations();
  int progressCount(int index = -1);
  // Waits until the end-of-run notice (index -1) arrived.
  bool waitForEndOfRun(int timeoutMs = 60000);

 private:
  MediaEngine &engine_;
  std::mutex m_;
  std::condition_variable cv_;
  std::vector<TerminateRecord> terms_;
  std::vector<int> progressIndexes_;
};
