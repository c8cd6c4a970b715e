// The formatted line of a log sink.
#include "log_sink.h"

#include <cstdarg>

#include "text_format.h"

void LogSink::logF(LogLevel level, const char *format, ...) {
  if (!hasLogSink()) return;
  va_list args;
  va_start(args, format);
  const std::string text = formatTextV(format, args);
  va_end(args);
  log(level, text);
}
