#include "cli_runner.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "media_probe.h"
#include "engine_adapter.h"
#include "media_engine.h"
#include "job_builder.h"
#include "job_request.h"
#include "pipeline_text.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long a stopped file may take to close its output before the run
// gives up waiting for it.
constexpr auto kStopWait = std::chrono::seconds(30);

std::string fixed1(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

std::string clock(double seconds) { return formatDuration(static_cast<int64_t>(seconds + 0.5), ":"); }

bool isFinalState(const std::string &text) { return text == "Done" || text == "Fail" || text == "Abort"; }

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
  if (r.state == "Fail") return "Fail: " + r.source + ": " + (r.message.empty() ? "conversion failed" : r.message);
  if (r.state == "Done") return "Done: " + r.source + " -> " + r.output;
  if (r.state == "Abort") {
    if (!outputExists || r.output.empty()) return "Abort: " + r.source + " (stopped before any output was written)";
    return "Abort: " + r.source + " -> " + r.output + " (partial)";
  }
  return "Not converted: " + r.source;
}

std::string summaryText(const std::vector<FileResult> &results) {
  int done = 0, fail = 0, abort = 0, rest = 0;
  for (const FileResult &r : results) {
    if (r.state == "Done")
      ++done;
    else if (r.state == "Fail")
      ++fail;
    else if (r.state == "Abort")
      ++abort;
    else
      ++rest;
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
    if (r.state != "Done") return 1;
  return 0;
}

CliRunner::CliRunner(MediaEngine &vcl, const ConversionChoices &choices, std::vector<std::string> files,
                       const std::string &programFolder, const CliOutput &output)
    : vcl_(vcl),
      choices_(choices),
      programFolder_(programFolder),
      output_(output),
      queue_(QueueState(flags_), *this, *this, *this, *this, *this, *this) {
  for (std::string &f : files) {
    FileResult r;
    r.source = f;
    results_.push_back(r);
    SourceRowTexts row;
    row.caption = std::move(f);
    rows_.push_back(row);
  }
  reported_.assign(rows_.size(), false);
  started_.assign(rows_.size(), Clock::now());
}

CliRunner::~CliRunner() {
  queue_.disconnectEngineEvents();
  // No task may call back into this object once it is gone.
  vcl_.stop();
  vcl_.clearTasks();
  setEvents({}, {});
}

// --- the list ------------------------------------------------------------

int CliRunner::rowCount() const { return static_cast<int>(rows_.size()); }
std::string CliRunner::caption(int row) const { return rows_.at(static_cast<size_t>(row)).caption; }
bool CliRunner::checked(int row) const { return rows_.at(static_cast<size_t>(row)).checked; }

std::string CliRunner::text(int row, SourceListColumn column) const {
  const SourceRowTexts &r = rows_.at(static_cast<size_t>(row));
  switch (column) {
    case kVideoSizeColumn: return r.videoSize;
    case kFrameRateColumn: return r.frameRate;
    case kDurationColumn: return r.duration;
    case kOutputColumn: return r.output;
    case kProgressColumn: return r.progress;
    case kFramesColumn: return r.frames;
    default: break;
  }
  return {};
}

void CliRunner::setText(int row, SourceListColumn column, const std::string &text) {
  SourceRowTexts &r = rows_.at(static_cast<size_t>(row));
  switch (column) {
    case kVideoSizeColumn: r.videoSize = text; break;
    case kFrameRateColumn: r.frameRate = text; break;
    case kDurationColumn: r.duration = text; break;
    case kOutputColumn: r.output = text; break;
    case kFramesColumn: r.frames = text; break;
    default: break;
    case kProgressColumn:
      r.progress = text;
      if (isFinalState(text) && !reported_[static_cast<size_t>(row)]) {
        FileResult &res = results_[static_cast<size_t>(row)];
        res.state = text;
        if (text == "Fail" && res.message.empty()) {
          std::lock_guard<std::mutex> g(eventMutex_);
          res.message = failMessage_;
        }
        if (text == "Fail" && res.message.empty())
          res.message = choices_.overwrite && res.output.empty() ? "the output would replace the source file"
                                                                 : "the conversion could not be set up";
        showFinal(row);
      }
      break;
  }
}

// --- the rest of the window ------------------------------------------------

void CliRunner::information(const std::string &text) {
  // The end of the run is told by the summary instead.
  if (text == "All Conversions Completed") return;
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
    std::lock_guard<std::mutex> g(postMutex_);
    work_.push_back(std::move(work));
  }
  posted_.notify_one();
}

void CliRunner::requestStop(int signal) {
  int none = 0;
  stopSignal_.compare_exchange_strong(none, signal > 0 ? signal : 2);
  std::lock_guard<std::mutex> g(postMutex_);
  posted_.notify_one();
}

void CliRunner::runPosted(std::chrono::milliseconds wait) {
  std::deque<std::function<void()>> batch;
  {
    std::unique_lock<std::mutex> lk(postMutex_);
    if (work_.empty() && stopSignal_.load() == 0) posted_.wait_for(lk, wait);
    batch.swap(work_);
  }
  for (auto &w : batch) w();
}

// --- the engine ----------------------------------------------------------

int CliRunner::addTask(const std::string &fileName, InputOptions *options) {
  {
    std::lock_guard<std::mutex> g(eventMutex_);
    failMessage_.clear();
  }
  const int index = vcl_.addTask(fileName, options);
  if (index < 0) {
    std::lock_guard<std::mutex> g(eventMutex_);
    failMessage_ = vcl_.lastErrorMessage();
  }
  return index;
}

bool CliRunner::setOutput(int index, const std::string &fileName, OutputOptions *options) {
  const bool ok = vcl_.setOutput(index, fileName, options);
  const int row = flags_.currentRow;
  if (!ok) {
    std::lock_guard<std::mutex> g(eventMutex_);
    failMessage_ = vcl_.lastErrorMessage();
  } else if (row >= 0 && row < rowCount()) {
    results_[static_cast<size_t>(row)].output = fileName;
    if (!output_.quiet) {
      clearProgressLine();
      print("[" + std::to_string(row + 1) + "/" + std::to_string(rowCount()) + "] " +
            results_[static_cast<size_t>(row)].source + " -> " + fileName);
    }
  }
  return ok;
}

void CliRunner::removeTask(int index) { vcl_.removeTask(index); }
void CliRunner::clearTasks() { vcl_.clearTasks(); }
void CliRunner::stop() { vcl_.stop(); }
void CliRunner::pause() { vcl_.pause(); }
void CliRunner::resume() { vcl_.resume(); }

void CliRunner::startConvert(int32_t threadCount) {
  const int tasks = vcl_.taskCount();
  const int row = flags_.currentRow;
  if (tasks > 0 && row >= 0 && row < rowCount()) started_[static_cast<size_t>(row)] = Clock::now();
  // Counted before starting: a task that cannot start ends inside the call.
  outstanding_ += tasks;
  vcl_.startConvert(threadCount);
}

void CliRunner::setEvents(ProgressEvent onProgress, TerminateEvent onTerminate) {
  ProgressEvent progress;
  TerminateEvent terminate;
  if (onProgress) {
    progress = [this, onProgress](int32_t index, int32_t frameNumber, int32_t AFPS, int32_t currentDuration,
                                  float quality, float bitRate, int64_t currentSize,
                                  int32_t totalOutputDuration) {
      onProgress(index, frameNumber, AFPS, currentDuration, quality, bitRate, currentSize,
                 totalOutputDuration);
      const auto now = Clock::now();
      post([=, this] {
        const int row = flags_.currentRow;
        if (row < 0 || row >= rowCount() || reported_[static_cast<size_t>(row)]) return;
        ProgressSample s;
        s.frameNumber = frameNumber;
        s.fps = AFPS;
        s.currentMs = currentDuration;
        s.totalMs = totalOutputDuration;
        s.size = currentSize;
        s.elapsedSec = std::chrono::duration<double>(now - started_[static_cast<size_t>(row)]).count();
        showProgress(row, s);
      });
    };
  }
  if (onTerminate) {
    terminate = [this, onTerminate](int32_t index, bool finished, bool exception, const std::string &message) {
      if (index >= 0 && exception) {
        std::lock_guard<std::mutex> g(eventMutex_);
        failMessage_ = message;
      }
      onTerminate(index, finished, exception, message);
      if (index >= 0) post([this] { outstanding_ = std::max(outstanding_ - 1, 0); });
    };
  }
  setEngineEvents(vcl_, std::move(progress), std::move(terminate));
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

void CliRunner::showProgress(int, const ProgressSample &sample) {
  if (output_.quiet) return;
  const std::string line = progressLineText(sample);
  if (output_.terminal) {
    std::fputs(("\r" + line + "\x1b[K").c_str(), output_.out);
    std::fflush(output_.out);
    progressShown_ = true;
  } else {
    print(line);
  }
}

void CliRunner::showFinal(int row) {
  reported_[static_cast<size_t>(row)] = true;
  const FileResult &r = results_[static_cast<size_t>(row)];
  std::error_code ec;
  const bool exists = !r.output.empty() && std::filesystem::exists(r.output, ec);
  clearProgressLine();
  print(finalLineText(r, exists));
}

// --- the run -------------------------------------------------------------

std::vector<FileResult> CliRunner::run() {
  // The list: every file probed as the add-file procedure does.
  for (SourceRowTexts &row : rows_) {
    ProbeSummary probe;
    try {
      probe = probeSourceFile(vcl_.probe(), row.caption);
    } catch (const std::exception &) {
      probe.opened = false;
    }
    const std::string caption = row.caption;
    row = makeSourceRow(caption, probe, choices_.outputType);
  }
  if (stopSignal_.load() != 0) return results_;

  queue_.connectEngineEvents(*this);
  queue_.buttonConvertClick();

  bool stopping = false;
  Clock::time_point stopDeadline{};
  for (;;) {
    runPosted(std::chrono::milliseconds(20));
    if (stopSignal_.load() != 0 && !stopping) {
      stopping = true;
      stopDeadline = Clock::now() + kStopWait;
      queue_.buttonStopConvertClick();
      continue;
    }
    if (timerEnabled_) {
      queue_.timerConvertAgainTimer();
    } else if (!flags_.converting && outstanding_ == 0) {
      break;
    }
    if (stopping && Clock::now() > stopDeadline) break;
  }
  runPosted(std::chrono::milliseconds(0));
  clearProgressLine();
  queue_.disconnectEngineEvents();
  return results_;
}
