// How many conversions run at once, and how many cores each may keep busy,
// so that the machine is busy without the jobs' threads fighting over it.
#pragma once

#include <string>

// The output of a typical job of the run, as its encoder sees it.
struct JobLoad {
  bool video = true;   // false: the output has sound only
  std::string vcodec;  // the video encoder ("libx264", "copy", ...)
  int width = -1;      // the output picture; not positive when unknown
  int height = -1;
};

// The most conversions "Auto" runs at once, and the most the user picks.
inline constexpr int kMostAutoJobs = 16;
inline constexpr int kMostChosenJobs = 8;

// The cores one job keeps busy on a machine of `cores`: one for XviD (its
// encoder takes no threads), sound only, copied pictures and pictures of
// at most 640x480; x264 and x265 about one per 640x480 of picture (a 1080p
// job all of a small machine); other encoders two. At least 1, at most
// `cores`.
int coresOfJob(const JobLoad &load, int cores);

struct JobSlots {
  int jobs = 1;            // conversions at once
  int threadsPerTask = 0;  // cores per conversion; 0: as the engine decides
};

// `asked`: the user's choice (1 ... 8), 0 for "Auto", which takes as many
// jobs as fit into `cores` (std::thread::hardware_concurrency, 0 when the
// system does not tell: counted as 1). With more than one job each gets
// cores / jobs threads (at least 1); one job keeps the engine's own choice.
JobSlots jobSlotsFor(int asked, int cores, const JobLoad &load);
