#include "run_progress.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "pipeline_text.h"

ProgressSample progressSample(const ProgressReport &report, double elapsedSec) {
  ProgressSample s;
  s.frameNumber = report.frameNumber;
  s.fps = report.fps;
  s.currentMs = report.currentMs;
  s.totalMs = report.totalMs;
  s.size = report.size;
  s.elapsedSec = elapsedSec;
  return s;
}

ProgressFigures progressFigures(const ProgressSample &s) {
  ProgressFigures f;
  const int64_t percent = progressPercent(s.currentMs, s.totalMs);
  if (percent >= 0) f.percent = std::min<int64_t>(percent, 100);
  if (s.frameNumber >= 0) {
    double fps = s.fps;
    // The engine reports 0 in the first second; the average stands in.
    if (fps <= 0 && s.elapsedSec > 0) fps = s.frameNumber / s.elapsedSec;
    f.fps = static_cast<int64_t>(std::max(fps, 0.0) + 0.5);
  }
  if (s.elapsedSec > 0) f.speed = std::max(s.currentMs, 0) / 1000.0 / s.elapsedSec;
  if (percent >= 0 && s.currentMs > 0 && s.elapsedSec > 0)
    f.leftSec = s.elapsedSec * std::max(s.totalMs - s.currentMs, 0) / s.currentMs;
  return f;
}

std::string clockText(double seconds) {
  return formatDuration(static_cast<int64_t>(std::max(seconds, 0.0) + 0.5), ":");
}

std::string speedText(double speed) {
  if (speed < 0) return "--";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1fx", speed);
  return buf;
}

std::string timeLeftText(double leftSec) { return leftSec < 0 ? std::string("--:--:--") : clockText(leftSec); }

namespace {

bool reached(const SourceJob &job) { return job.state != JobState::Waiting; }

}  // namespace

RunPosition runPosition(const SourceJobs &jobs, int row) {
  RunPosition p;
  for (int r = 0; r < jobs.count(); ++r) {
    const SourceJob &job = jobs.at(r);
    if (r <= row) {
      if (reached(job) || (r == row && job.checked)) ++p.ordinal;
    } else if (reached(job) || job.checked) {
      ++p.total;
    }
  }
  p.total += p.ordinal;
  return p;
}

std::string runPositionText(const RunPosition &p) {
  return std::to_string(p.ordinal) + " of " + std::to_string(p.total);
}

RunCounts runCounts(const SourceJobs &jobs) {
  RunCounts c;
  for (int r = 0; r < jobs.count(); ++r) {
    const SourceJob &job = jobs.at(r);
    switch (job.state) {
      case JobState::Done: ++c.done; break;
      case JobState::Failed: ++c.failed; break;
      case JobState::Aborted: ++c.aborted; break;
      case JobState::Waiting:
      case JobState::Converting:
        if (job.checked) ++c.notConverted;
        break;
    }
  }
  return c;
}

RunStatus runStatus(const SourceJobs &jobs, double elapsedSec) {
  RunStatus s;
  s.elapsedSec = elapsedSec;
  int64_t totalMs = 0, doneMs = 0;
  bool lengthsKnown = true;
  for (int r = 0; r < jobs.count(); ++r) {
    const SourceJob &job = jobs.at(r);
    const bool ended = job.state == JobState::Done || job.state == JobState::Failed || job.state == JobState::Aborted;
    const bool running = job.state == JobState::Converting;
    if (!ended && !running && !job.checked) continue;
    ++s.total;
    s.ended += ended ? 1 : 0;
    s.running += running ? 1 : 0;
    const int64_t lengthMs = editedProbe(job).durationUs / 1000;
    if (lengthMs <= 0) lengthsKnown = false;
    totalMs += std::max<int64_t>(lengthMs, 0);
    if (ended) doneMs += std::max<int64_t>(lengthMs, 0);
    else if (running && job.progress) doneMs += std::clamp<int64_t>(job.progress->positionMs, 0, std::max<int64_t>(lengthMs, 0));
  }
  if (!lengthsKnown || totalMs <= 0) {
    // By files only.
    totalMs = s.total;
    doneMs = s.ended;
  }
  if (totalMs > 0) s.percent = static_cast<int>(std::clamp<int64_t>(doneMs * 100 / totalMs, 0, 100));
  if (doneMs > 0 && elapsedSec > 0) s.leftSec = elapsedSec * static_cast<double>(totalMs - doneMs) / doneMs;
  return s;
}

std::string runCountsText(const RunCounts &c) {
  std::string s = std::to_string(c.done) + " Done, " + std::to_string(c.failed) + " Fail";
  if (c.aborted) s += ", " + std::to_string(c.aborted) + " Abort";
  if (c.notConverted) s += ", " + std::to_string(c.notConverted) + " not converted";
  return s;
}

FileClock::FileClock(ClockNow now) : now_(now ? std::move(now) : ClockNow(std::chrono::steady_clock::now)) {
  started_ = now_();
}

void FileClock::fileStarted() {
  started_ = now_();
  paused_ = false;
}

void FileClock::pause() {
  if (paused_) return;
  pausedAt_ = now_();
  paused_ = true;
}

void FileClock::resume() {
  if (!paused_) return;
  started_ += now_() - pausedAt_;
  paused_ = false;
}

double FileClock::elapsedSec() const {
  const auto until = paused_ ? pausedAt_ : now_();
  return std::chrono::duration<double>(until - started_).count();
}
