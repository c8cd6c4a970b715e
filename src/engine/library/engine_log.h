// The engine log: the libraries' log callback, the per-thread assembly of
// partial lines, the level cache, and the process-wide list of components
// that receive the finished lines.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "engine_types.h"

// Called whenever the libraries' log level is set or read back; `level` is
// the library's own value (AV_LOG_*).
void engineLogLevelChanged(int level);
// The cached library log level (AV_LOG_*); messages above it are dropped.
int engineLogLevel();

// The engine's levels and the library's AV_LOG_* values.
int engineToLibraryLevel(LogLevel level);
LogLevel libraryToEngineLevel(int libraryLevel);
// The "v" option's verbosity (-1 quiet, 0 error, 1 info, 2 debug, 3 and
// more all) as a level.
LogLevel verbosityLevel(int verbosity);

// A live component as the log sees it: receives every finished line with
// the issuing thread, and attributes it to its own task on that thread.
class LogReceiver {
 public:
  virtual ~LogReceiver() = default;
  virtual void libraryLogLine(uint32_t threadId, LogLevel level, const std::string &line) = 0;
};

// The component list. A receiver removed here gets no further line once
// unregisterLogReceiver has returned (it waits for deliveries in flight).
void registerLogReceiver(LogReceiver *receiver);
void unregisterLogReceiver(LogReceiver *receiver);

// The libraries' log callback (installed by the component's loadAVLib).
void logCallback(void *context, int level, const char *format, va_list args);

// Per-thread partial lines.
struct LogItem {
  uint32_t threadId = 0;  // 0: free (inline item only)
  std::string pending;    // the part of a line received so far
  std::unique_ptr<LogItem> next;
};

class LogList {
 public:
  LogItem &findOrAdd(uint32_t threadId);
  void clear();
  // Number of items in use (for diagnostics and tests).
  int count() const;

 private:
  LogItem first_;
};

// Clears the process-wide list (partial lines pending now are dropped).
void clearLogList();
// Pending text of the calling thread (for tests).
std::string pendingLogText(uint32_t threadId);

// The longest line the callback assembles, in bytes, terminator included.
constexpr int kLogLineBufferSize = 2048;
