#include "pipeline_text.h"

#include <array>
#include <charconv>
#include <cmath>

std::string trimText(std::string_view text) {
  const char *ws = " \t\r\n\f\v";
  const size_t b = text.find_first_not_of(ws);
  if (b == std::string_view::npos) return {};
  const size_t e = text.find_last_not_of(ws);
  return std::string(text.substr(b, e - b + 1));
}

std::string lowerText(std::string_view text) {
  std::string s(text);
  for (char &c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

static std::string twoDigits(int64_t v) {
  std::string s = std::to_string(v);
  if (s.size() < 2) s.insert(0, 2 - s.size(), '0');
  return s;
}

std::string formatDuration(int64_t seconds, const std::string &separator) {
  if (seconds < 0) seconds = 0;
  return twoDigits(seconds / 3600) + separator + twoDigits((seconds / 60) % 60) + separator +
         twoDigits(seconds % 60);
}

std::string roundedDecimalText(double value, int decimals) {
  double scale = 1.0;
  for (int i = 0; i < decimals; ++i) scale *= 10.0;
  // nearbyint follows the default rounding mode: to nearest, ties to even.
  const double rounded = std::nearbyint(value * scale) / scale;
  std::array<char, 64> buf{};
  auto res = std::to_chars(buf.data(), buf.data() + buf.size(), rounded);
  if (res.ec != std::errc()) return {};
  std::string s(buf.data(), res.ptr);
  if (s == "-0") s = "0";
  return s;
}

std::string frameRateDisplayText(int num, int den) {
  if (den == 0 || num < 0 || den < 0) return " ";
  return roundedDecimalText(static_cast<double>(num) / static_cast<double>(den), 2);
}

std::string aspectFromPictureSize(int width, int height) {
  if (width <= 0 || height <= 0) return "1.3333";
  return roundedDecimalText(static_cast<double>(width) / static_cast<double>(height), 4);
}

std::string aspectForChoice(int aspectIndex, int width, int height) {
  switch (aspectIndex) {
    case 0: return aspectFromPictureSize(width, height);
    case 1: return "4:3";
    case 2: return "16:9";
    default: return {};
  }
}

std::string fileSizeText(int64_t bytes) {
  if (bytes < 0) bytes = 0;
  int64_t q = bytes / 1000;
  const int64_t r = bytes % 1000;
  if (r > 500 || (r == 500 && (q % 2) != 0)) ++q;
  return "File Size : " + std::to_string(q) + " KBytes";
}

int64_t progressPercent(int64_t currentMs, int64_t totalMs) {
  if (totalMs <= 0) return -1;
  if (currentMs < 0) currentMs = 0;
  return currentMs * 100 / totalMs;
}
