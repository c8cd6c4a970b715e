// Enumerations, event types and the exception of the engine's interface.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

enum TLogLevel { llQuiet, llError, llInfo, llDebug, llAll };
enum TConvertPriority { tpIdle, tpLowest, tpLower, tpNormal };
enum THookAction { haContinue, haIgnore, haStop };

class TBitmap24;  // the picture handed to OnCustomHook (frame pipeline)

using TProgressEvent = std::function<void(int32_t AIndex, int32_t AFrameNumber, int32_t AFPS,
                                          int32_t ACurrentDuration, float AQuality, float ABitRate,
                                          int64_t ACurrentSize, int32_t ATotalOutputDuration)>;
using TTerminateEvent =
    std::function<void(int32_t AIndex, bool AFinished, bool AException, const std::string &AMessage)>;
using TLogEvent = std::function<void(int32_t AIndex, TLogLevel ALogLevel, const std::string &AMsg)>;
using TBeforeHookEvent = std::function<void(int32_t AIndex, int64_t APTS, THookAction &AHookAction)>;
using TCustomHookEvent = std::function<void(int32_t AIndex, TBitmap24 &ABitmap, int32_t AFrameNumber,
                                            int64_t APTS, bool &AUpdate, bool &AStopHook)>;

// Rejected options and failed set-up inside the engine.
class FFMpegException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs work on the thread that owns the component (the "main thread") after
// a delay; the timer mode of StartConvert needs it. The application gives
// one built on its event loop, tests give one they pump.
class IMainThreadScheduler {
 public:
  virtual ~IMainThreadScheduler() = default;
  virtual void RunLater(int delayMs, std::function<void()> work) = 0;
};
