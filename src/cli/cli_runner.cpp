#include "cli_runner.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include "cli_json.h"
#include "engine_adapter.h"
#include "media_engine.h"
#include "media_probe.h"
#include "job_builder.h"
#include "job_edits.h"
#include "job_request.h"
#include "pipeline_text.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long a stopped file may take to close its output before the run
// gives up waiting for it, and how long after a second stop request.
constexpr auto kStopWait = std::chrono::seconds(30);
constexpr auto kQuitWait = std::chrono::seconds(5);

const char *stateWord(JobState state) {
  switch (state) {
    case JobState::Done: return "Done";
    case JobState::Failed: return "Fail";
    case JobState::Aborted: return "Abort";
    case JobState::Waiting:
    case JobState::Converting: break;
  }
  return "Not converted";
}

// The reason without the source's name in front, which the line shows.
std::string reasonAfterSource(const std::string &reason, const std::string &source) {
  const std::string named = source + ": ";
  return reason.rfind(named, 0) == 0 && reason.size() > named.size() ? reason.substr(named.size()) : reason;
}

// A JSON line with the fields of `extra` added at its end.
std::string withFields(const std::string &line, const JsonLine &extra) {
  const std::string more = extra.text();
  if (more.size() <= 2 || line.size() < 2) return line;
  return line.substr(0, line.size() - 1) + (line.size() > 2 ? "," : "") + more.substr(1);
}

RunCounts countsOf(const std::vector<FileResult> &results) {
  RunCounts c;
  for (const FileResult &r : results) {
    switch (r.state) {
      case JobState::Done: ++c.done; break;
      case JobState::Failed: ++c.failed; break;
      case JobState::Aborted: ++c.aborted; break;
      case JobState::Waiting:
      case JobState::Converting: ++c.notConverted; break;
    }
  }
  return c;
}

}  // namespace

std::string progressLineText(const ProgressSample &s) {
  const ProgressFigures f = progressFigures(s);
  std::string line = "  ";
  if (f.percent >= 0)
    line += std::to_string(f.percent) + "%";
  else
    line += clockText(std::max(s.currentMs, 0) / 1000.0);
  if (s.frameNumber >= 0) line += "  frames " + std::to_string(s.frameNumber) + "  fps " + std::to_string(f.fps);
  line += "  speed " + speedText(f.speed);
  line += "  elapsed " + clockText(s.elapsedSec);
  line += "  left " + timeLeftText(f.leftSec);
  return line;
}

std::string finalLineText(const FileResult &r, bool outputExists, const FitRecord &fit) {
  switch (r.state) {
    case JobState::Failed:
      return "Fail: " + r.source + ": " +
             (r.message.empty() ? std::string("conversion failed") : reasonAfterSource(r.message, r.source));
    case JobState::Done:
      return "Done: " + r.source + " -> " + r.output + fitSummaryText(fit);
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
  return std::to_string(results.size()) + (results.size() == 1 ? " file: " : " files: ") +
         runCountsText(countsOf(results));
}

int exitStatusFor(const std::vector<FileResult> &results, int stopSignal) {
  if (stopSignal > 0) return 128 + stopSignal;
  for (const FileResult &r : results)
    if (r.state != JobState::Done) return 1;
  return 0;
}

std::string startedJson(const std::string &source, const std::string &output, const RunPosition &position,
                        bool keepsPlace) {
  JsonLine line;
  line.add("event", "started")
      .addName("file", source)
      .addName("output", output)
      .add("position", position.ordinal)
      .add("count", position.total);
  if (keepsPlace) line.add("notice", kKeepsPlaceText);
  return line.text();
}

std::string progressJson(const std::string &source, const ProgressSample &s) {
  const ProgressFigures f = progressFigures(s);
  JsonLine line;
  line.add("event", "progress").addName("file", source);
  if (f.percent >= 0) line.add("percent", f.percent); else line.addNull("percent");
  line.add("position_ms", s.currentMs);
  if (s.totalMs > 0) line.add("duration_ms", s.totalMs); else line.addNull("duration_ms");
  if (s.frameNumber >= 0) line.add("frames", s.frameNumber).add("fps", f.fps); else line.addNull("frames").addNull("fps");
  if (f.speed >= 0) line.add("speed", f.speed, 2); else line.addNull("speed");
  line.add("elapsed", s.elapsedSec, 1);
  if (f.leftSec >= 0) line.add("left", f.leftSec, 1); else line.addNull("left");
  return line.add("size", s.size).text();
}

std::string endedJson(const FileResult &r, bool outputExists, const FitRecord &fit) {
  JsonLine line;
  line.add("event", "ended").addName("file", r.source).add("state", stateWord(r.state));
  if (r.output.empty() || !outputExists) line.addNull("output"); else line.addName("output", r.output);
  if (r.state == JobState::Failed)
    line.add("reason", r.message.empty() ? std::string("conversion failed") : reasonAfterSource(r.message, r.source));
  else
    line.addNull("reason");
  if (fit.targetBytes > 0) {
    line.add("target_size", fit.targetBytes);
    if (fit.videoBitRate > 0) line.add("video_bit_rate", fit.videoBitRate); else line.addNull("video_bit_rate");
    if (fit.audioBitRate > 0) line.add("audio_bit_rate", fit.audioBitRate); else line.addNull("audio_bit_rate");
    if (fit.reachedBytes >= 0) line.add("size", fit.reachedBytes); else line.addNull("size");
  }
  return line.text();
}

std::string summaryJson(const std::vector<FileResult> &results, int exitStatus) {
  const RunCounts c = countsOf(results);
  return JsonLine()
      .add("event", "summary")
      .add("files", static_cast<int64_t>(results.size()))
      .add("done", c.done)
      .add("fail", c.failed)
      .add("abort", c.aborted)
      .add("not_converted", c.notConverted)
      .add("exit_status", exitStatus)
      .text();
}

CliRunner::CliRunner(MediaEngine &engine, const ConversionChoices &choices, std::vector<std::string> files,
                     const std::string &programFolder, const CliOutput &output)
    : engine_(engine),
      engineAdapter_(engine),
      choices_(choices),
      files_(std::move(files)),
      programFolder_(programFolder),
      output_(output),
      queue_(QueueSurroundings{jobs_, *this, *this, *this, engineAdapter_, *this}) {}

CliRunner::~CliRunner() {
  queue_.disconnectEngineEvents();
  // No task may call back into this object once it is gone.
  engine_.stop();
  engine_.clearTasks();
  setEngineEvents(engine_, {}, {}, {});
}

// --- what the window would show ------------------------------------------

void CliRunner::information(const std::string &text) {
  clearProgressLine();
  std::fprintf(stderr, "trevix-convert: %s\n", text.c_str());
}

JobSettings CliRunner::currentJobSettings() {
  JobSettings s = makeJobSettings(choices_.profileId, choices_.choices, choices_.outputFolder, choices_.overwrite,
                                  choices_.volumeValue);
  s.keepMetadata = choices_.keepMetadata;
  setProgramFolder(s, programFolder_);
  s.targetSizeBytes = choices_.targetSizeBytes;
  s.simultaneous = choices_.simultaneous;
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
  for (MediaProbe *probe : helperProbes_) probe->interrupt();
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
  clocks_[row].fileStarted();
  const SourceJob &job = jobs_.at(row);
  const RunPosition position = runPosition(jobs_, row);
  const bool keepsPlace = jobKeepsPlace(job.probe, currentJobSettings(), job.outputPath);
  const std::string note = job.edits.cut() ? copyStartNote(job.edits.startMs, job.cutStartMs) : std::string();
  if (output_.json) {
    std::string line = startedJson(job.path, job.outputPath, position, keepsPlace);
    if (job.edits.cut()) {
      JsonLine cut;
      cut.add("start_ms", job.cutStartMs).add("asked_start_ms", job.edits.startMs);
      if (job.edits.endMs >= 0) cut.add("end_ms", job.edits.endMs); else cut.addNull("end_ms");
      if (!note.empty()) cut.add("note", note);
      line = withFields(line, cut);
    }
    print(line);
    return;
  }
  if (output_.quiet) return;
  clearProgressLine();
  print("[" + std::to_string(position.ordinal) + "/" + std::to_string(position.total) + "] " + job.path + " -> " +
        job.outputPath + (keepsPlace ? std::string(" (") + kKeepsPlaceText + ")" : std::string()));
  if (!note.empty()) print("  " + note);
}

void CliRunner::rowProgress(int row, const ProgressReport &report) {
  const ProgressSample s = progressSample(report, clocks_[row].elapsedSec());
  if (output_.json) {
    print(progressJson(jobs_.at(row).path, s));
    return;
  }
  if (output_.quiet) return;
  std::string line = progressLineText(s);
  // Several files at once: each line says whose it is.
  if (queue_.rowSlots() > 1) line = "[" + std::to_string(runPosition(jobs_, row).ordinal) + "]" + line;
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
  if (output_.json) {
    print(endedJson(r, exists, jobs_.at(row).fit));
    return;
  }
  clearProgressLine();
  print(finalLineText(r, exists, jobs_.at(row).fit));
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

// The files are independent, and before the first conversion starts
// nothing else keeps the cores busy: each thread takes the next file not
// yet taken. The run's thread probes with the engine's probe, every other
// thread with its own.
std::vector<std::optional<ProbeSummary>> CliRunner::probeFiles() {
  std::vector<std::optional<ProbeSummary>> probed(files_.size());
  std::atomic<size_t> next{0};
  const auto probeRest = [&](MediaProbe &probe) {
    for (size_t i = next++; i < files_.size() && stopSignal_.load() == 0; i = next++) {
      try {
        probed[i] = probeSourceFile(probe, files_[i]);
      } catch (const std::exception &) {
        probed[i] = ProbeSummary{};  // not opened
      }
    }
  };
  const size_t count = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), files_.size());
  std::vector<std::thread> threads;
  for (size_t t = 1; t < count; ++t) {
    try {
      threads.emplace_back([this, &probeRest] {
        MediaProbe probe;
        {
          // Registered before its first file: a stop from now on reaches it.
          std::scoped_lock hold(postLock_);
          helperProbes_.push_back(&probe);
        }
        probeRest(probe);
        std::scoped_lock hold(postLock_);
        std::erase(helperProbes_, &probe);
      });
    } catch (const std::system_error &) {
      break;  // no thread to be had: the files left are probed here
    }
  }
  probeRest(engine_.probe());
  for (std::thread &t : threads) t.join();
  return probed;
}

std::vector<FileResult> CliRunner::run() {
  // The list: every file probed as the add-file procedure does.
  const std::vector<std::optional<ProbeSummary>> probed = probeFiles();
  for (size_t i = 0; i < files_.size(); ++i) {
    jobs_.append(makeSourceJob(files_[i], probed[i].value_or(ProbeSummary{}), choices_.outputType));
    if (probed[i]) jobs_.setEdits(jobs_.count() - 1, choices_.edits);
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
    if (!timerEnabled_ && !queue_.converting() && !jobs_.anyConverting()) break;
    if (stopping && quit_ && stopDeadline > Clock::now() + kQuitWait) stopDeadline = Clock::now() + kQuitWait;
    if (stopping && Clock::now() > stopDeadline) break;
  }
  runPosted(std::chrono::milliseconds(0));
  // A file whose stop did not end in time was still stopped: it ends
  // "Abort", never "not converted" (the engine's own stop at the end
  // keeps or removes its output as the stop asked).
  for (int row = 0; row < jobs_.count(); ++row) {
    if (jobs_.at(row).state != JobState::Converting) continue;
    jobs_.endJob(row, JobState::Aborted, "stopped before its end was written");
    rowEnded(row, JobState::Aborted, {});
  }
  clearProgressLine();
}
