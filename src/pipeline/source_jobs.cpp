#include "source_jobs.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "pipeline_text.h"
#include "target_size.h"

SourceJob makeSourceJob(const std::string &path, const ProbeSummary &probe, const std::string &outputType) {
  SourceJob job;
  job.path = path;
  job.probe = probe;
  if (probe.opened) job.outputType = outputType;
  return job;
}

namespace {

std::string videoSizeText(const ProbeSummary &p) {
  if (!p.opened) return {};
  if (p.videoStreamCount <= 0) return " ";
  return std::to_string(p.width) + "x" + std::to_string(p.height);
}

std::string frameRateText(const ProbeSummary &p) {
  if (!p.opened) return {};
  if (p.videoStreamCount <= 0) return " ";
  return frameRateDisplayText(p.frameRateNum, p.frameRateDen);
}

std::string durationText(const ProbeSummary &p) {
  if (!p.opened) return {};
  if (p.durationUs < 0) return "Unknown";
  return formatDuration(p.durationUs / 1000000, ":");
}

}  // namespace

std::string fitSummaryText(const FitRecord &fit) {
  if (fit.targetBytes <= 0) return {};
  std::string text = " (fitted into " + sizeText(fit.targetBytes) + ":";
  if (fit.videoBitRate > 0) text += " video at " + std::to_string((fit.videoBitRate + 500) / 1000) + " kbit/s,";
  if (fit.audioBitRate > 0) text += " sound at " + std::to_string((fit.audioBitRate + 500) / 1000) + " kbit/s,";
  if (fit.videoBitRate <= 0 && fit.audioBitRate <= 0) text += " at the profile's own rates,";
  return text + " " + (fit.reachedBytes >= 0 ? sizeText(fit.reachedBytes) : std::string("size unknown")) + ")";
}

namespace {

std::string progressText(const SourceJob &job) {
  switch (job.state) {
    case JobState::Waiting:
      return job.probe.opened ? std::string() : "Error";
    case JobState::Converting:
      if (!job.progress) return job.loadingScript ? "Loading" : "";
      if (job.progress->percent >= 0) return std::to_string(std::min<int64_t>(job.progress->percent, 100)) + "%";
      // The length is unknown: the output time reached.
      return formatDuration(std::max<int64_t>(job.progress->positionMs, 0) / 1000, ":");
    case JobState::Done:
      return "Done";
    case JobState::Failed:
      return "Fail";
    case JobState::Aborted:
      return "Abort";
  }
  return {};
}

std::string framesText(const SourceJob &job) {
  if (!job.frameNumber) return {};
  return *job.frameNumber == -1 ? " " : std::to_string(*job.frameNumber);
}

}  // namespace

ProbeSummary editedProbe(const SourceJob &job) {
  ProbeSummary p = job.probe;
  if (job.edits.rotation % 180 != 0) {
    std::swap(p.width, p.height);
    if (p.sarNum > 0) std::swap(p.sarNum, p.sarDen);
  }
  if (!job.edits.cut() || p.durationUs < 0) return p;
  int64_t endUs = job.edits.endMs >= 0 ? job.edits.endMs * 1000 : p.durationUs;
  endUs = std::min(endUs, p.durationUs);
  p.durationUs = std::max<int64_t>(endUs - job.edits.startMs * 1000, 0);
  return p;
}

std::string sourceJobText(const SourceJob &job, SourceListColumn column) {
  switch (column) {
    case kFileNameColumn: return job.path;
    case kVideoSizeColumn: return videoSizeText(editedProbe(job));
    case kFrameRateColumn: return frameRateText(job.probe);
    case kDurationColumn: return durationText(editedProbe(job));
    case kOutputColumn: return job.outputType;
    case kProgressColumn: return progressText(job);
    case kFramesColumn: return framesText(job);
    case kSourceListColumnCount: break;
  }
  return {};
}

std::string sourceJobHint(const SourceJob &job) {
  switch (job.state) {
    case JobState::Failed:
      return job.reason.empty() ? std::string("The conversion failed.") : job.reason;
    case JobState::Done:
      return "Converted to " + job.outputPath + fitSummaryText(job.fit);
    case JobState::Aborted:
      if (job.outputPath.empty()) return "Stopped before the end.";
      return "Stopped before the end; the part converted is kept as " + job.outputPath;
    case JobState::Waiting:
      if (job.probe.notSource) return job.probe.error;
      if (!job.probe.opened)
        return "The file could not be read" + (job.probe.error.empty() ? std::string(".") : ": " + job.probe.error);
      break;
    case JobState::Converting:
      break;
  }
  return {};
}

std::string recordingTimeText(const ProbeSummary &probe) {
  if (!probe.opened || probe.recordedAt < 0) return {};
  std::time_t t = static_cast<std::time_t>(probe.recordedAt);
  std::tm tm{};
  long zone = 0;
  if (probe.recordedZoneKnown) {
    zone = probe.recordedZoneMinutes;
    t += static_cast<std::time_t>(zone) * 60;
    gmtime_r(&t, &tm);
  } else {
    localtime_r(&t, &tm);
    zone = tm.tm_gmtoff / 60;
  }
  char buf[64];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  const long a = zone < 0 ? -zone : zone;
  char z[32];
  std::snprintf(z, sizeof z, " %c%02ld:%02ld", zone < 0 ? '-' : '+', a / 60, a % 60);
  return std::string("Recorded ") + buf + z;
}

bool sourceLengthUnknown(const ProbeSummary &probe) {
  // Whole seconds shown as 00:00:00 count as unknown too.
  return probe.opened && probe.durationUs < 1000000;
}

void SourceJobs::append(SourceJob job) {
  const int row = count();
  if (listener_) listener_->jobsInserting(row, row);
  jobs_.push_back(std::move(job));
  if (listener_) listener_->jobsInserted();
}

void SourceJobs::remove(int row) {
  if (!contains(row)) return;
  if (listener_) listener_->jobsRemoving(row, row);
  jobs_.erase(jobs_.begin() + row);
  if (listener_) listener_->jobsRemoved();
}

void SourceJobs::clear() {
  if (jobs_.empty()) return;
  if (listener_) listener_->jobsRemoving(0, count() - 1);
  jobs_.clear();
  if (listener_) listener_->jobsRemoved();
}

SourceJob *SourceJobs::job(int row) { return contains(row) ? &jobs_[static_cast<size_t>(row)] : nullptr; }

void SourceJobs::changed(int first, int last) {
  if (listener_ && first <= last) listener_->jobsChanged(first, last);
}

void SourceJobs::setChecked(int row, bool checked) {
  SourceJob *j = job(row);
  if (!j || j->checked == checked) return;
  j->checked = checked;
  changed(row, row);
}

void SourceJobs::setAllChecked(bool checked) {
  for (SourceJob &j : jobs_) j.checked = checked;
  changed(0, count() - 1);
}

void SourceJobs::setEdits(int row, const JobEdits &edits) {
  SourceJob *j = job(row);
  if (!j || j->edits == edits) return;
  j->edits = edits;
  changed(row, row);
}

void SourceJobs::setCutStart(int row, int64_t ms) {
  if (SourceJob *j = job(row)) j->cutStartMs = ms;
}

void SourceJobs::setFit(int row, const FitRecord &fit) {
  if (SourceJob *j = job(row)) j->fit = fit;
}

void SourceJobs::setOutputType(const std::string &outputType) {
  for (SourceJob &j : jobs_) j.outputType = outputType;
  changed(0, count() - 1);
}

void SourceJobs::resetRunState(FrameCounts frames) {
  for (SourceJob &j : jobs_) {
    if (frames == FrameCounts::Clear) j.frameNumber.reset();
    j.state = JobState::Waiting;
    j.loadingScript = false;
    j.progress.reset();
    j.outputPath.clear();
    j.cutStartMs = -1;
    j.fit = FitRecord{};
    j.reason.clear();
    j.logLines.clear();
  }
  changed(0, count() - 1);
}

void SourceJobs::startJob(int row, const std::string &outputPath, bool loadingScript) {
  SourceJob *j = job(row);
  if (!j) return;
  j->state = JobState::Converting;
  j->loadingScript = loadingScript;
  j->progress.reset();
  j->outputPath = outputPath;
  j->reason.clear();
  j->logLines.clear();
  changed(row, row);
}

void SourceJobs::reportProgress(int row, const JobProgress &progress, int32_t frameNumber) {
  SourceJob *j = job(row);
  if (!j) return;
  j->progress = progress;
  j->frameNumber = frameNumber;
  changed(row, row);
}

void SourceJobs::endJob(int row, JobState state, const std::string &reason) {
  SourceJob *j = job(row);
  if (!j) return;
  j->state = state;
  j->reason = reason;
  changed(row, row);
}

void SourceJobs::setOutputPath(int row, const std::string &outputPath) {
  if (SourceJob *j = job(row)) j->outputPath = outputPath;
}

void SourceJobs::addLogLine(int row, const std::string &line) {
  SourceJob *j = job(row);
  if (!j || j->logLines.size() > kMaxJobLogLines) return;
  j->logLines.push_back(j->logLines.size() < kMaxJobLogLines ? line : kLogCutText);
}

bool SourceJobs::anyConverting() const {
  return std::any_of(jobs_.begin(), jobs_.end(), [](const SourceJob &j) { return j.state == JobState::Converting; });
}
