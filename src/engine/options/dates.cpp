#include "dates.h"

#include <cmath>
#include <ctime>

namespace {

constexpr double kUnixEpochAsDateTime = 25569.0;  // 1 January 1970 in the day count

}  // namespace

int64_t dateTimeToUnixSeconds(double dateTime) {
  // The date-time is a local wall-clock time. Its broken-down fields are
  // converted with the zone rules in force on that date (daylight saving
  // included), so a summer date is not an hour off.
  const double localSeconds = (dateTime - kUnixEpochAsDateTime) * 86400.0;
  const int64_t whole = static_cast<int64_t>(std::llround(localSeconds));
  std::time_t asUtc = static_cast<std::time_t>(whole);
  std::tm tm{};
  gmtime_r(&asUtc, &tm);  // the wall-clock fields
  tm.tm_isdst = -1;
  const std::time_t t = mktime(&tm);
  return static_cast<int64_t>(t);
}

double nowAsDateTime() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  const int64_t localSeconds = static_cast<int64_t>(now) + tm.tm_gmtoff;
  return kUnixEpochAsDateTime + static_cast<double>(localSeconds) / 86400.0;
}
