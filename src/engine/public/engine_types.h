// Enumerations, event types and the exception of the engine's interface.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

enum class LogLevel { Quiet, Error, Info, Debug, All };
enum class ConvertPriority { Idle, Lowest, Lower, Normal };
enum class HookAction { Continue, Ignore, Stop };
// What MediaEngine::interrupt does with the outputs of the tasks it stops.
enum class StopMode { KeepOutputs, DropOutputs };

class Bitmap24;  // the picture handed to onCustomHook (frame pipeline)

// Where a running task stands: one progress report.
struct TaskProgress {
  int32_t frameNumber = -1;       // pictures of the first video output; -1 without video
  int32_t fps = -1;               // pictures encoded per second of the run; -1 without video
  int32_t currentDurationMs = 0;  // how far the outputs reach
  float quality = -1.0f;          // of the first video output's last picture; -1 without video
  float bitRate = 0.0f;           // kbit/s over the outputs written so far
  int64_t currentSize = 0;        // bytes written
  int32_t totalDurationMs = -1;   // how long the outputs will be; not positive when unknown
};

// What a task's first output came to once finished: the file's bytes (-1
// when it was not finished), those of its packets and of its pictures'
// packets. What is over the packets is the container's share.
struct OutputMeasure {
  int64_t fileBytes = -1;
  int64_t packetBytes = 0;
  int64_t videoPacketBytes = 0;
};

using ProgressEvent = std::function<void(int32_t index, const TaskProgress &progress)>;
using TerminateEvent =
    std::function<void(int32_t index, bool finished, bool exception, const std::string &message)>;
using LogEvent = std::function<void(int32_t index, LogLevel level, const std::string &message)>;
using BeforeHookEvent = std::function<void(int32_t index, int64_t pts, HookAction &action)>;
using CustomHookEvent = std::function<void(int32_t index, Bitmap24 &bitmap, int32_t frameNumber,
                                            int64_t pts, bool &update, bool &stopHook)>;

// Rejected options and failed set-up inside the engine.
class EngineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs work on the thread that owns the component (the "main thread") after
// a delay; the timer mode of startConvert needs it. The application gives
// one built on its event loop, tests give one they pump.
class MainThreadScheduler {
 public:
  virtual ~MainThreadScheduler() = default;
  virtual void runLater(int delayMs, std::function<void()> work) = 0;
};
