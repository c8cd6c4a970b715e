// The date-times of the option records.
#pragma once

#include <cstdint>

// A local date-time (days since 30 December 1899) as whole seconds since
// 1 January 1970 UTC, using the standard time-zone bias.
int64_t dateTimeToUnixSeconds(double dateTime);
// The current local date-time in the same day count.
double nowAsDateTime();
