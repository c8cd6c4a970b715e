#include "hook_ranges.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "option_values.h"

namespace {

// A 64-bit integer, or -1 when the text is not one.
int64_t int64OrMinus1(const std::string &s) {
  if (s.empty()) return -1;
  char *end = nullptr;
  errno = 0;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (*end != 0 || errno == ERANGE) return -1;
  return v;
}

}  // namespace

std::vector<std::pair<int64_t, int64_t>> parseHookRanges(const std::string &text) {
  std::vector<std::pair<int64_t, int64_t>> ranges;
  if (text.empty()) return ranges;
  size_t pos = 0;
  while (true) {
    size_t comma = text.find(',', pos);
    std::string item = trimText(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
    size_t dash = item.find('-');
    std::string a = trimText(dash == std::string::npos ? item : item.substr(0, dash));
    std::string b = dash == std::string::npos ? std::string() : trimText(item.substr(dash + 1));
    const int64_t start = int64OrMinus1(a);
    const int64_t end = int64OrMinus1(b);
    if (end >= start && end >= 0) ranges.emplace_back(start, end);
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  std::stable_sort(ranges.begin(), ranges.end(),
                   [](const auto &x, const auto &y) { return x.second < y.second; });
  return ranges;
}
