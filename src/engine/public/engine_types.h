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

using ProgressEvent = std::function<void(int32_t index, int32_t frameNumber, int32_t fps,
                                          int32_t currentDuration, float quality, float bitRate,
                                          int64_t currentSize, int32_t totalOutputDuration)>;
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
