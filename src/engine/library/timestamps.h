// Sums and differences of time stamps. Odd media and large "itsoffset" or
// "ss" values can bring time stamps near the limits of int64_t; these hold
// the result to the range instead of overflowing, and never produce
// AV_NOPTS_VALUE (INT64_MIN), which would read as "no time stamp".
#pragma once

#include <cstdint>
#include <limits>

constexpr int64_t kTimestampMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kTimestampMin = std::numeric_limits<int64_t>::min() + 1;

constexpr int64_t addTimestamps(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? kTimestampMax : kTimestampMin;
  return sum < kTimestampMin ? kTimestampMin : sum;
}

constexpr int64_t subtractTimestamps(int64_t a, int64_t b) {
  int64_t difference = 0;
  if (__builtin_sub_overflow(a, b, &difference)) return b < 0 ? kTimestampMax : kTimestampMin;
  return difference < kTimestampMin ? kTimestampMin : difference;
}
