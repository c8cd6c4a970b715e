#include "job_slots.h"

#include <algorithm>

namespace {

constexpr long kSmallPicture = 640L * 480L;

}  // namespace

int coresOfJob(const JobLoad &load, int cores) {
  cores = std::max(cores, 1);
  const std::string &codec = load.vcodec;
  if (!load.video || codec == "copy" || codec.find("xvid") != std::string::npos) return 1;
  const long pixels = load.width > 0 && load.height > 0 ? static_cast<long>(load.width) * load.height : -1;
  if (pixels > 0 && pixels <= kSmallPicture) return 1;
  int wanted = 2;
  if (codec == "libx264" || codec == "libx265") {
    // An unknown size counts as 1080p.
    const long area = pixels > 0 ? pixels : 1920L * 1080L;
    wanted = static_cast<int>((area + kSmallPicture - 1) / kSmallPicture);
  }
  return std::clamp(wanted, 1, cores);
}

JobSlots jobSlotsFor(int asked, int cores, const JobLoad &load) {
  cores = std::max(cores, 1);
  JobSlots slots;
  if (asked > 0) slots.jobs = std::min(asked, kMostChosenJobs);
  else slots.jobs = std::clamp(cores / coresOfJob(load, cores), 1, kMostAutoJobs);
  if (slots.jobs > 1) slots.threadsPerTask = std::max(1, cores / slots.jobs);
  return slots;
}
