#include "recording_time.h"

#include <fcntl.h>
#include <sys/stat.h>

void applyRecordingTime(const std::string &path, int64_t seconds) {
  if (seconds < 0 || path.empty()) return;
  struct timespec times[2] = {};
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(seconds);
  // A file whose time cannot be set is still a good output.
  (void)::utimensat(AT_FDCWD, path.c_str(), times, 0);
}
