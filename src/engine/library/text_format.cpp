#include "text_format.h"

#include <cstdio>

std::string formatText(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatTextV(format, args);
  va_end(args);
  return text;
}

std::string formatTextV(const char *format, va_list args) {
  if (!format) return {};
  // The first pass only measures; the second writes into a buffer of the
  // measured size (one more byte for the terminator vsnprintf insists on).
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  va_list write;
  va_copy(write, args);
  std::vsnprintf(text.data(), text.size(), format, write);
  va_end(write);
  text.resize(static_cast<size_t>(length));
  return text;
}
