#include "cli_runner.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "av_probe.h"
#include "engine_adapter.h"
#include "ffmpeg_vcl.h"
#include "job_builder.h"
#include "job_request.h"
#include "pipeline_text.h"

namespace {

using TClock = std::chrono::steady_clock;

// How long a stopped file may take to close its output before the run
// gives up waiting for it.
constexpr auto kStopWait = std::chrono::seconds(30);

std::string Fixed1(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

std::string Clock(double seconds) { return FormatDuration(static_cast<int64_t>(seconds + 0.5), ":"); }

bool IsFinalState(const std::string &text) { return text == "Done" || text == "Fail" || text == "Abort"; }

}  // namespace

std::string ProgressLineText(const TProgressSample &s) {
  std::string line = "  ";
  const int64_t percent = ProgressPercent(s.CurrentMs, s.TotalMs);
  if (percent >= 0)
    line += std::to_string(std::min<int64_t>(percent, 100)) + "%";
  else
    line += Clock(std::max(s.CurrentMs, 0) / 1000.0);
  if (s.FrameNumber >= 0) {
    line += "  frames " + std::to_string(s.FrameNumber);
    double fps = s.Fps;
    if (fps <= 0 && s.ElapsedSec > 0) fps = s.FrameNumber / s.ElapsedSec;
    line += "  fps " + std::to_string(static_cast<int64_t>(fps + 0.5));
  }
  line += "  speed " + (s.ElapsedSec > 0 ? Fixed1(s.CurrentMs / 1000.0 / s.ElapsedSec) + "x" : std::string("--"));
  line += "  elapsed " + Clock(std::max(s.ElapsedSec, 0.0));
  if (percent >= 0 && s.CurrentMs > 0 && s.ElapsedSec > 0) {
    const double left = s.ElapsedSec * std::max(s.TotalMs - s.CurrentMs, 0) / s.CurrentMs;
    line += "  left " + Clock(left);
  } else {
    line += "  left --:--:--";
  }
  return line;
}

std::string FinalLineText(const TFileResult &r, bool outputExists) {
  if (r.State == "Fail") return "Fail: " + r.Source + ": " + (r.Message.empty() ? "conversion failed" : r.Message);
  if (r.State == "Done") return "Done: " + r.Source + " -> " + r.Output;
  if (r.State == "Abort") {
    if (!outputExists || r.Output.empty()) return "Abort: " + r.Source + " (stopped before any output was written)";
    return "Abort: " + r.Source + " -> " + r.Output + " (partial)";
  }
  return "Not converted: " + r.Source;
}

std::string SummaryText(const std::vector<TFileResult> &results) {
  int done = 0, fail = 0, abort = 0, rest = 0;
  for (const TFileResult &r : results) {
    if (r.State == "Done")
      ++done;
    else if (r.State == "Fail")
      ++fail;
    else if (r.State == "Abort")
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

int ExitStatusFor(const std::vector<TFileResult> &results, int stopSignal) {
  if (stopSignal > 0) return 128 + stopSignal;
  for (const TFileResult &r : results)
    if (r.State != "Done") return 1;
  return 0;
}

TCliRunner::TCliRunner(TCustomFFmpegVCL &vcl, const TConversionChoices &choices, std::vector<std::string> files,
                       const std::string &programFolder, const TCliOutput &output)
    : vcl_(vcl),
      choices_(choices),
      programFolder_(programFolder),
      output_(output),
      queue_(TQueueState(flags_), *this, *this, *this, *this, *this, *this) {
  for (std::string &f : files) {
    TFileResult r;
    r.Source = f;
    results_.push_back(r);
    TSourceRowTexts row;
    row.Caption = std::move(f);
    rows_.push_back(row);
  }
  reported_.assign(rows_.size(), false);
  started_.assign(rows_.size(), TClock::now());
}

TCliRunner::~TCliRunner() {
  queue_.DisconnectEngineEvents();
  // No task may call back into this object once it is gone.
  vcl_.Stop();
  vcl_.ClearTasks();
  SetEvents({}, {});
}

// --- the list ------------------------------------------------------------

int TCliRunner::RowCount() const { return static_cast<int>(rows_.size()); }
std::string TCliRunner::Caption(int row) const { return rows_.at(static_cast<size_t>(row)).Caption; }
bool TCliRunner::Checked(int row) const { return rows_.at(static_cast<size_t>(row)).Checked; }

std::string TCliRunner::Text(int row, TSourceColumn column) const {
  const TSourceRowTexts &r = rows_.at(static_cast<size_t>(row));
  switch (column) {
    case scVideoSize: return r.VideoSize;
    case scFrameRate: return r.FrameRate;
    case scDuration: return r.Duration;
    case scOutput: return r.Output;
    case scProgress: return r.Progress;
    case scFrames: return r.Frames;
  }
  return {};
}

void TCliRunner::SetText(int row, TSourceColumn column, const std::string &text) {
  TSourceRowTexts &r = rows_.at(static_cast<size_t>(row));
  switch (column) {
    case scVideoSize: r.VideoSize = text; break;
    case scFrameRate: r.FrameRate = text; break;
    case scDuration: r.Duration = text; break;
    case scOutput: r.Output = text; break;
    case scFrames: r.Frames = text; break;
    case scProgress:
      r.Progress = text;
      if (IsFinalState(text) && !reported_[static_cast<size_t>(row)]) {
        TFileResult &res = results_[static_cast<size_t>(row)];
        res.State = text;
        if (text == "Fail" && res.Message.empty()) {
          std::lock_guard<std::mutex> g(eventMutex_);
          res.Message = failMessage_;
        }
        if (text == "Fail" && res.Message.empty())
          res.Message = choices_.Overwrite && res.Output.empty() ? "the output would replace the source file"
                                                                 : "the conversion could not be set up";
        ShowFinal(row);
      }
      break;
  }
}

// --- the rest of the window ------------------------------------------------

void TCliRunner::Information(const std::string &text) {
  // The end of the run is told by the summary instead.
  if (text == "All Conversions Completed") return;
  ClearProgressLine();
  std::fprintf(stderr, "trevix-convert: %s\n", text.c_str());
}

TJobSettings TCliRunner::CurrentJobSettings() {
  TJobSettings s = MakeJobSettings(choices_.Title, choices_.Choices, choices_.OutputType, choices_.OutputFolder,
                                   choices_.Overwrite, choices_.VolumeValue);
  SetProgramFolder(s, programFolder_);
  return s;
}

void TCliRunner::Post(std::function<void()> work) {
  {
    std::lock_guard<std::mutex> g(postMutex_);
    work_.push_back(std::move(work));
  }
  posted_.notify_one();
}

void TCliRunner::RequestStop(int signal) {
  int none = 0;
  stopSignal_.compare_exchange_strong(none, signal > 0 ? signal : 2);
  std::lock_guard<std::mutex> g(postMutex_);
  posted_.notify_one();
}

void TCliRunner::RunPosted(std::chrono::milliseconds wait) {
  std::deque<std::function<void()>> batch;
  {
    std::unique_lock<std::mutex> lk(postMutex_);
    if (work_.empty() && stopSignal_.load() == 0) posted_.wait_for(lk, wait);
    batch.swap(work_);
  }
  for (auto &w : batch) w();
}

// --- the engine ----------------------------------------------------------

int TCliRunner::AddTask(const std::string &fileName, TInputOptions *options) {
  {
    std::lock_guard<std::mutex> g(eventMutex_);
    failMessage_.clear();
  }
  const int index = vcl_.AddTask(fileName, options);
  if (index < 0) {
    std::lock_guard<std::mutex> g(eventMutex_);
    failMessage_ = vcl_.LastErrorMessage();
  }
  return index;
}

bool TCliRunner::SetOutput(int index, const std::string &fileName, TOutputOptions *options) {
  const bool ok = vcl_.SetOutput(index, fileName, options);
  const int row = flags_.CurrentRow;
  if (!ok) {
    std::lock_guard<std::mutex> g(eventMutex_);
    failMessage_ = vcl_.LastErrorMessage();
  } else if (row >= 0 && row < RowCount()) {
    results_[static_cast<size_t>(row)].Output = fileName;
    if (!output_.Quiet) {
      ClearProgressLine();
      Print("[" + std::to_string(row + 1) + "/" + std::to_string(RowCount()) + "] " +
            results_[static_cast<size_t>(row)].Source + " -> " + fileName);
    }
  }
  return ok;
}

void TCliRunner::RemoveTask(int index) { vcl_.RemoveTask(index); }
void TCliRunner::ClearTasks() { vcl_.ClearTasks(); }
void TCliRunner::Stop() { vcl_.Stop(); }
void TCliRunner::Pause() { vcl_.Pause(); }
void TCliRunner::Resume() { vcl_.Resume(); }

void TCliRunner::StartConvert(int32_t threadCount) {
  const int tasks = vcl_.TaskCount();
  const int row = flags_.CurrentRow;
  if (tasks > 0 && row >= 0 && row < RowCount()) started_[static_cast<size_t>(row)] = TClock::now();
  // Counted before starting: a task that cannot start ends inside the call.
  outstanding_ += tasks;
  vcl_.StartConvert(threadCount);
}

void TCliRunner::SetEvents(TProgressEvent onProgress, TTerminateEvent onTerminate) {
  TProgressEvent progress;
  TTerminateEvent terminate;
  if (onProgress) {
    progress = [this, onProgress](int32_t AIndex, int32_t AFrameNumber, int32_t AFPS, int32_t ACurrentDuration,
                                  float AQuality, float ABitRate, int64_t ACurrentSize,
                                  int32_t ATotalOutputDuration) {
      onProgress(AIndex, AFrameNumber, AFPS, ACurrentDuration, AQuality, ABitRate, ACurrentSize,
                 ATotalOutputDuration);
      const auto now = TClock::now();
      Post([=, this] {
        const int row = flags_.CurrentRow;
        if (row < 0 || row >= RowCount() || reported_[static_cast<size_t>(row)]) return;
        TProgressSample s;
        s.FrameNumber = AFrameNumber;
        s.Fps = AFPS;
        s.CurrentMs = ACurrentDuration;
        s.TotalMs = ATotalOutputDuration;
        s.Size = ACurrentSize;
        s.ElapsedSec = std::chrono::duration<double>(now - started_[static_cast<size_t>(row)]).count();
        ShowProgress(row, s);
      });
    };
  }
  if (onTerminate) {
    terminate = [this, onTerminate](int32_t AIndex, bool AFinished, bool AException, const std::string &AMessage) {
      if (AIndex >= 0 && AException) {
        std::lock_guard<std::mutex> g(eventMutex_);
        failMessage_ = AMessage;
      }
      onTerminate(AIndex, AFinished, AException, AMessage);
      if (AIndex >= 0) Post([this] { outstanding_ = std::max(outstanding_ - 1, 0); });
    };
  }
  SetEngineEvents(vcl_, std::move(progress), std::move(terminate));
}

// --- printing ------------------------------------------------------------

void TCliRunner::Print(const std::string &line) {
  std::fputs(line.c_str(), output_.Out);
  std::fputc('\n', output_.Out);
  std::fflush(output_.Out);
}

void TCliRunner::ClearProgressLine() {
  if (!progressShown_) return;
  std::fputs("\r\x1b[K", output_.Out);
  std::fflush(output_.Out);
  progressShown_ = false;
}

void TCliRunner::ShowProgress(int, const TProgressSample &sample) {
  if (output_.Quiet) return;
  const std::string line = ProgressLineText(sample);
  if (output_.Terminal) {
    std::fputs(("\r" + line + "\x1b[K").c_str(), output_.Out);
    std::fflush(output_.Out);
    progressShown_ = true;
  } else {
    Print(line);
  }
}

void TCliRunner::ShowFinal(int row) {
  reported_[static_cast<size_t>(row)] = true;
  const TFileResult &r = results_[static_cast<size_t>(row)];
  std::error_code ec;
  const bool exists = !r.Output.empty() && std::filesystem::exists(r.Output, ec);
  ClearProgressLine();
  Print(FinalLineText(r, exists));
}

// --- the run -------------------------------------------------------------

std::vector<TFileResult> TCliRunner::Run() {
  // The list: every file probed as the add-file procedure does.
  for (TSourceRowTexts &row : rows_) {
    TProbeSummary probe;
    try {
      probe = ProbeSourceFile(vcl_.Probe(), row.Caption);
    } catch (const std::exception &) {
      probe.Opened = false;
    }
    const std::string caption = row.Caption;
    row = MakeSourceRow(caption, probe, choices_.OutputType);
  }
  if (stopSignal_.load() != 0) return results_;

  queue_.ConnectEngineEvents(*this);
  queue_.ButtonConvertClick();

  bool stopping = false;
  TClock::time_point stopDeadline{};
  for (;;) {
    RunPosted(std::chrono::milliseconds(20));
    if (stopSignal_.load() != 0 && !stopping) {
      stopping = true;
      stopDeadline = TClock::now() + kStopWait;
      queue_.ButtonStopConvertClick();
      continue;
    }
    if (timerEnabled_) {
      queue_.TimerConvertAgainTimer();
    } else if (!flags_.Converting && outstanding_ == 0) {
      break;
    }
    if (stopping && TClock::now() > stopDeadline) break;
  }
  RunPosted(std::chrono::milliseconds(0));
  ClearProgressLine();
  queue_.DisconnectEngineEvents();
  return results_;
}
