// The engine driven as the program drives it: one conversion through the
// component on the calling thread with every event it raised (and the
// test's handlers for progress and log lines), the conversion probed
// afterwards, a scheduler the test pumps, and a recorder of the events.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine_types.h"
#include "media_engine.h"
#include "media_fixture.h"
#include "options.h"

using ProgressSample = TaskProgress;

struct Conversion {
  int taskIndex = -1;
  bool outputOk = false;
  std::string lastError;  // lastErrorMessage() after addTask / setOutput
  bool terminated = false;
  bool finished = false;
  bool exception = false;
  std::string message;
  std::string keptOutput;  // the name the output got (TaskStatus::keptOutput)
  bool endOfRun = false;
  std::vector<ProgressSample> progress;
  std::vector<std::string> log;
  // Ended whole; ended by a stop; ended by an error.
  bool done() const { return terminated && finished && !exception; }
  bool stopped() const { return terminated && !finished && !exception; }
  bool failed() const { return terminated && !finished && exception; }
  bool logHas(const std::string &text) const;
  int logCount(const std::string &text) const;
};

struct ConvertSetup {
  std::vector<std::string> outputs;           // one setOutput per name
  std::vector<OutputOptions> outputOptions;  // same count as outputs (or empty: defaults)
  InputOptions inputOptions;
  LogLevel logLevel = LogLevel::Info;
  int progressIntervalMs = 100;
  int threadsPerTask = 0;  // the component's default: every core
  // Called from the component's events; may call Stop on the component.
  std::function<void(MediaEngine &, const ProgressSample &)> onProgress;
  std::function<void(MediaEngine &, const std::string &)> onLog;
  // The hooks; either one set turns it on in every output's options.
  CustomHookEvent onCustomHook;
  BeforeHookEvent onBeforeHook;
};

// MPEG-4 part 2 video at 320x240 with AAC at 128 kbit/s.
OutputOptions mp4Options();

// The set-up of one output with `options` (the MPEG-4 profile when none),
// for a test to add its handlers to.
ConvertSetup oneOutput(const std::string &output, const OutputOptions &options = mp4Options());

// Runs one task on the calling thread (startConvert(0) without a
// scheduler) and returns what the events said.
Conversion convert(const std::string &input, ConvertSetup setup);
// The common case: one output with `options`.
Conversion convert(const std::string &input, const std::string &output, const OutputOptions &options);

// A conversion and what the probe read from its first output.
struct ProbedConversion {
  Conversion run;
  ProbedFile file;
};
ProbedConversion convertAndProbe(const std::string &input, const std::string &output, const OutputOptions &options);

// The text of the EngineError that `step` throws; "(accepted)" when it
// throws none.
std::string refusalOf(const std::function<void()> &step);

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
