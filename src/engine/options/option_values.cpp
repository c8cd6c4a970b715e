#include "option_values.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "binding.h"
#include "engine_types.h"
#include "text_format.h"

std::string trimText(const std::string &s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

bool isBlankText(const std::string &s) {
  for (unsigned char c : s)
    if (c > ' ') return false;
  return true;
}

int64_t toInt64(const std::string &value) {
  const char *p = value.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  char *end = nullptr;
  errno = 0;
  const long long v = std::strtoll(p, &end, 10);
  if (end == p || *end != 0 || errno == ERANGE) throw EngineError("'" + value + "' is not a valid integer value");
  return v;
}

int toInt(const std::string &value) {
  const int64_t v = toInt64(value);
  if (v < INT32_MIN || v > INT32_MAX) throw EngineError("'" + value + "' is not a valid integer value");
  return static_cast<int>(v);
}

double toFloat(const std::string &value) {
  const char *p = value.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  char *end = nullptr;
  errno = 0;
  const double v = std::strtod(p, &end);
  if (end == p || *end != 0 || errno == ERANGE)
    throw EngineError("'" + value + "' is not a valid floating point value");
  return v;
}

int intOr0(const std::string &s) {
  try {
    return toInt(s);
  } catch (const EngineError &) {
    return 0;
  }
}

double floatOr0(const std::string &s) {
  try {
    return toFloat(s);
  } catch (const EngineError &) {
    return 0.0;
  }
}

int64_t parseTime(const std::string &optionName, const std::string &value, bool duration) {
  int64_t us = 0;
  if (libavutil.av_parse_time(&us, value.c_str(), duration ? 1 : 0) < 0 || us == INT64_MIN)
    throw EngineError(formatText("Invalid %s specification for %s: %s", duration ? "duration" : "date",
                                 optionName.c_str(), value.c_str()));
  return us;
}
