#include "cli_runner.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "engine_adapter.h"
#include "media_engine.h"
#include "media_probe.h"
#include "job_builder.h"
#include "job_request.h"
#include "pipeline_text.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long a stopped file may take to close its output before the run
// gives up waiting for it, and how long after a second stop request.
constexpr auto kStopWait = std::chrono::seconds(30);
constexpr auto kQuitWait = std::chrono::seconds(5);

std::string fixed1(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

std::string clock(double seconds) { return formatDuration(static_cast<int64_t>(seconds + 0.5), ":"); }

}  // namespace

std::string progressLineText(const ProgressSample &s) {
  std::string line = "  ";
  const int64_t percent = progressPercent(s.currentMs, s.totalMs);
  if (percent >= 0)
    line += std::to_string(std::min<int64_t>(percent, 100)) + "%";
  else
    line += clock(std::max(s.currentMs, 0) / 1000.0);
  if (s.frameNumber >= 0) {
    line += "  frames " + std::to_string(s.frameNumber);
    double fps = s.fps;
    if (fps <= 0 && s.elapsedSec > 0) fps = s.frameNumber / s.elapsedSec;
    line += "  fps " + std::to_string(static_cast<int64_t>(fps + 0.5));
  }
  line += "  speed " + (s.elapsedSec > 0 ? fixed1(s.currentMs / 1000.0 / s.elapsedSec) + "x" : std::string("--"));
  line += "  elapsed " + clock(std::max(s.elapsedSec, 0.0));
  if (percent >= 0 && s.currentMs > 0 && s.elapsedSec > 0) {
    const double left = s.elapsedSec * std::max(s.totalMs - s.currentMs, 0) / s.currentMs;
    line += "  left " + clock(left);
  } else {
    line += "  left --:--:--";
  }
  return line;
}

std::string finalLineText(const FileResult &r, bool outputExists) {
  switch (r.state) {
    case JobState::Failed:
      return "Fail: " + r.source + ": " + (r.message.empty() ? "conversion failed" : r.message);
    case JobState::Done:
      return "Done: " + r.source + " -> " + r.output;
    case JobState::Aborted:
      if ((!outputExists || r.output.empty()) && !r.message.empty()) return "Abort: " + r.source + " (" + r.message + ")";
      if (!outputExists || r.output.empty()) return "Abort: " + r.source + " (stopped before any output was written)";
      return "Abort: " + r.source + " -> " + r.output + " (partial)";
    case JobState::Waiting:
    case JobState::Converting:
      break;
  }
  return "Not converted: " + r.source;
}

std::string summaryText(const std::vector<FileResult> &results) {
  int done = 0, fail = 0, abort = 0, rest = 0;
  for (const FileResult &r : results) {
    switch (r.state) {
      case JobState::Done: ++done; break;
      case JobState::Failed: ++fail; break;
      case JobState::Aborted: ++abort; break;
      case JobState::Waiting:
      case JobState::Converting: ++rest; break;
    }
  }
  std::string s = std::to_string(results.size()) + (results.size() == 1 ? " file: " : " files: ") +
                  std::to_string(done) + " Done, " + std::to_string(fail) + " Fail";
  if (abort) s += ", " + std::to_string(abort) + " Abort";
  if (rest) s += ", " + std::to_string(rest) + " not converted";
  return s;
}

int exitStatusFor(const std::vector<FileResult> &results, int stopSignal) {
  if (stopSignal > 0) return 128 + stopSignal;
  for (const FileResult &r : results)
    if (r.state != JobState::Done) return 1;
  return 0;
}

CliRunner::CliRunner(MediaEngine &engine, const ConversionChoices &choices, std::vector<std::string> files,
                     const std::string &programFolder, const CliOutput &output)
    : engine_(engine),
      engineAdapter_(engine),
      choices_(choices),
      files_(std::move(files)),
      programFolder_(programFolder),
      output_(output),
      queue_(QueueState(flags_), QueueSurroundings{jobs_, *this, *this, *this, *this, engineAdapter_, *this}) {
  started_.assign(files_.size(), Clock::now());
}

CliRunner::~CliRunner() {
  queue_.disconnectEngineEvents();
  // No task may call back into this object once it is gone.
  engine_.stop();
  engine_.clearTasks();
  setEngineEvents(engine_, {}, {});
}

// --- what the window would show ------------------------------------------

void CliRunner::information(const std::string &text) {
  clearProgressLine();
  std::fprintf(stderr, "trevix-convert: %s\n", text.c_str());
}

JobSettings CliRunner::currentJobSettings() {
  JobSettings s = makeJobSettings(choices_.title, choices_.choices, choices_.outputType, choices_.outputFolder,
                                  choices_.overwrite, choices_.volumeValue);
  setProgramFolder(s, programFolder_);
  return s;
}

void CliRunner::post(std::function<void()> work) {
  {
    std::scoped_lock hold(postLock_);
    work_.push_back(std::move(work));
  }
  posted_.notify_one();
}

void CliRunner::requestStop(int signal) {
  int none = 0;
  stopSignal_.compare_exchange_strong(none, signal > 0 ? signal : 2);
  // The run's thread may itself be waiting inside the engine (a source that
  // sends nothing): the engine gives that up now; the queue then stops the
  // run as usual.
  engine_.interrupt(StopMode::KeepOutputs);
  std::scoped_lock hold(postLock_);
  posted_.notify_one();
}

void CliRunner::requestQuit() {
  quit_ = true;
  engine_.interrupt(StopMode::DropOutputs);
  std::scoped_lock hold(postLock_);
  posted_.notify_one();
}

void CliRunner::runPosted(std::chrono::milliseconds wait) {
  std::deque<std::function<void()>> batch;
  {
    std::unique_lock<std::mutex> lk(postLock_);
    if (work_.empty() && stopSignal_.load() == 0) posted_.wait_for(lk, wait);
    batch.swap(work_);
  }
  for (auto &w : batch) w();
}

// --- the queue's events --------------------------------------------------

FileResult CliRunner::resultOf(int row) const {
  const SourceJob &job = jobs_.at(row);
  return FileResult{job.path, job.outputPath, job.state, job.reason};
}

void CliRunner::rowStarted(int row) {
  started_[static_cast<size_t>(row)] = Clock::now();
  if (output_.quiet) return;
  clearProgressLine();
  print("[" + std::to_string(row + 1) + "/" + std::to_string(jobs_.count()) + "] " + jobs_.at(row).path + " -> " +
        jobs_.at(row).outputPath);
}

void CliRunner::rowProgress(int row, const ProgressReport &report) {
  if (output_.quiet) return;
  ProgressSample s;
  s.frameNumber = report.frameNumber;
  s.fps = report.fps;
  s.currentMs = report.currentMs;
  s.totalMs = report.totalMs;
  s.size = report.size;
  s.elapsedSec = std::chrono::duration<double>(Clock::now() - started_[static_cast<size_t>(row)]).count();
  const std::string line = progressLineText(s);
  if (output_.terminal) {
    std::fputs(("\r" + line + "\x1b[K").c_str(), output_.out);
    std::fflush(output_.out);
    progressShown_ = true;
  } else {
    print(line);
  }
}

void CliRunner::rowEnded(int row, JobState, const std::string &) {
  const FileResult r = resultOf(row);
  std::error_code ec;
  const bool exists = !r.output.empty() && std::filesystem::exists(r.output, ec);
  clearProgressLine();
  print(finalLineText(r, exists));
}

// --- printing ------------------------------------------------------------

void CliRunner::print(const std::string &line) {
  std::fputs(line.c_str(), output_.out);
  std::fputc('\n', output_.out);
  std::fflush(output_.out);
}

void CliRunner::clearProgressLine() {
  if (!progressShown_) return;
  std::fputs("\r\x1b[K", output_.out);
  std::fflush(output_.out);
  progressShown_ = false;
}

// --- the run -------------------------------------------------------------

std::vector<FileResult> CliRunner::run() {
  // The list: every file probed as the add-file procedure does.
  for (const std::string &file : files_) {
    ProbeSummary probe;
    if (stopSignal_.load() != 0) {
      jobs_.append(makeSourceJob(file, probe, choices_.outputType));
      continue;
    }
    try {
      probe = probeSourceFile(engine_.probe(), file);
    } catch (const std::exception &) {
      probe.opened = false;
    }
    jobs_.append(makeSourceJob(file, probe, choices_.outputType));
  }
  std::vector<FileResult> results;
  if (stopSignal_.load() == 0) {
    queue_.connectEngineEvents(*this);
    queue_.startConversion();
    runUntilOver();
    queue_.disconnectEngineEvents();
  }
  for (int row = 0; row < jobs_.count(); ++row) results.push_back(resultOf(row));
  return results;
}

// Ticks the queue and runs the engine's events until no row is being
// converted and the queue waits for nothing more; a stop request stops
// the queue and waits a while for the stopped file to close its output.
void CliRunner::runUntilOver() {
  bool stopping = false;
  Clock::time_point stopDeadline{};
  for (;;) {
    runPosted(std::chrono::milliseconds(20));
    if (stopSignal_.load() != 0 && !stopping) {
      stopping = true;
      stopDeadline = Clock::now() + kStopWait;
      queue_.stopAllConversions();
      continue;
    }
    if (timerEnabled_) queue_.onTimerTick();
    if (!timerEnabled_ && !flags_.converting && !jobs_.anyConverting()) break;
    if (stopping && quit_ && stopDeadline > Clock::now() + kQuitWait) stopDeadline = Clock::now() + kQuitWait;
    if (stopping && Clock::now() > stopDeadline) break;
  }
  runPosted(std::chrono::milliseconds(0));
  clearProgressLine();
}
