// Plain stand-ins for the window and the engine, so the queue runs in tests
// without widgets or media libraries, on a real source list (SourceJobs).
#pragma once

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "conversion_queue.h"
#include "pipeline_text.h"
#include "probe_summary.h"

class FakePrompts : public QueuePrompts {
 public:
  std::vector<std::string> messages;
  int questions = 0;
  bool answerYes = false;
  std::function<void()> duringQuestion;
  void information(const std::string &text) override { messages.push_back(text); }
  bool confirmStopAll() override {
    ++questions;
    if (duringQuestion) duringQuestion();
    return answerYes;
  }
};

class FakeTimer : public QueueTimer {
 public:
  bool on = false;
  void setEnabled(bool e) override { on = e; }
  bool enabled() const override { return on; }
};

// Every event of the queue, in order, written as "started 1",
// "progress 1 37", "ended 1 Done", "ended 0 Fail: why", "run Completed".
class RecordingObserver : public QueueObserver {
 public:
  std::vector<std::string> events;
  std::vector<ProgressReport> reports;
  std::vector<RunStatus> statuses;
  // Runs inside runEnded, as a modal message box would.
  std::function<void(RunOutcome)> onRunEnded;

  void rowStarted(int row) override { events.push_back("started " + std::to_string(row)); }
  void rowProgress(int row, const ProgressReport &r) override {
    reports.push_back(r);
    events.push_back("progress " + std::to_string(row));
  }
  void runStatus(const RunStatus &s) override { statuses.push_back(s); }
  void rowEnded(int row, JobState state, const std::string &reason) override {
    SourceJob ended;  // the state's word, as the list's "Progress" column shows it
    ended.state = state;
    std::string e = "ended " + std::to_string(row) + " " + sourceJobText(ended, kProgressColumn);
    if (!reason.empty()) e += ": " + reason;
    events.push_back(e);
  }
  void runEnded(RunOutcome outcome) override {
    events.push_back(outcome == RunOutcome::Completed ? "run Completed" : "run Stopped");
    if (onRunEnded) onRunEnded(outcome);
  }
  int count(const std::string &event) const {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }
  // The events other than progress reports.
  std::vector<std::string> milestones() const {
    std::vector<std::string> r;
    for (const auto &e : events)
      if (e.rfind("progress", 0) != 0) r.push_back(e);
    return r;
  }
};

// The window around a run as the queue sees it: the settings it hands
// out, and what the queue's events would show.
class FakeView : public RecordingObserver, public JobSettingsSource {
 public:
  int bar = 0;
  std::string fileSize;
  bool controlsEnabled = true;
  int previewStops = 0, folderRefusals = 0;
  JobSettings settings;
  JobSettings currentJobSettings() override { return settings; }
  void startPressed() override { ++previewStops; }
  void outputFolderRefused(const std::string &) override { ++folderRefusals; }
  void runStarted() override { controlsEnabled = false; }
  void runReleased() override { controlsEnabled = true; }
  void progressCleared() override { bar = 0; }
  void rowProgress(int row, const ProgressReport &r) override {
    RecordingObserver::rowProgress(row, r);
    fileSize = fileSizeText(r.size);
    bar = r.barPercent;
  }
};

// Collects posted work (from any thread); the test runs it as the UI
// thread would.
class FakePoster : public UiPoster {
 public:
  std::deque<std::function<void()>> queue;
  void post(std::function<void()> work) override {
    std::scoped_lock hold(lock_);
    queue.push_back(std::move(work));
  }
  void pump() {
    for (;;) {
      std::function<void()> w;
      {
        std::scoped_lock hold(lock_);
        if (queue.empty()) return;
        w = std::move(queue.front());
        queue.pop_front();
      }
      w();
    }
  }

 private:
  std::mutex lock_;
};

// One task at a time, like the program uses the engine. A task "runs" once
// started; the test ends it with finish(). Opening the input fails for a
// missing file; SetOutput creates the output file as the engine does.
class FakeEngine : public ConversionEngine {
 public:
  struct Task {
    std::string input, output;
    InputOptions in;
    OutputOptions out;
    bool hasOutput = false, started = false, ended = false, stopAsked = false;
  };
  std::vector<Task> tasks;
  std::vector<Task> history;  // every task that got an output, in order
  std::vector<std::string> calls;
  std::set<std::string> failOutputs;  // SetOutput refuses these
  std::string lastError;
  bool logOpenFailures = false;
  bool writeAtEnd = false;  // the output file appears when its task ends
  int32_t threads = 0;      // threads per task
  bool paused = false;
  ProgressEvent onProgress;
  TerminateEvent onTerminate;

  int addTask(const std::string &fileName, InputOptions *o) override {
    calls.push_back("AddTask " + fileName);
    if (!std::filesystem::exists(fileName)) {
      lastError = fileName + ": no such file or directory";
      // The libraries say so in the log, on the thread that opens.
      if (logOpenFailures) log(LogLevel::Error, lastError, -1);
      return -1;
    }
    Task t;
    t.input = fileName;
    if (o) t.in = *o;
    tasks.push_back(t);
    return static_cast<int>(tasks.size()) - 1;
  }
  bool setOutput(int index, const std::string &fileName, OutputOptions *o) override {
    calls.push_back("SetOutput " + fileName);
    if (failOutputs.count(fileName)) {
      lastError = "cannot write " + fileName;
      return false;
    }
    Task &t = tasks.at(static_cast<size_t>(index));
    t.output = fileName;
    if (o) t.out = *o;
    t.hasOutput = true;
    if (!writeAtEnd) std::ofstream(fileName, std::ios::binary | std::ios::trunc) << "out";
    history.push_back(t);
    return true;
  }
  void removeTask(int index) override {
    calls.push_back("RemoveTask");
    tasks.erase(tasks.begin() + index);
  }
  void clearTasks() override { tasks.clear(); }
  void startConvert(int32_t n) override {
    calls.push_back("StartConvert " + std::to_string(n));
    if (!tasks.empty() && tasks[0].hasOutput && !tasks[0].ended) tasks[0].started = true;
  }
  void startTask(int index) override {
    calls.push_back("StartTask " + std::to_string(index));
    tasks.at(static_cast<size_t>(index)).started = true;
  }
  int32_t threadsPerTask() const override { return threads; }
  void setThreadsPerTask(int32_t n) override { threads = n; }
  void stop() override {
    calls.push_back("Stop");
    for (Task &t : tasks) t.stopAsked = t.started && !t.ended;
  }
  void pause() override {
    calls.push_back("Pause");
    paused = true;
  }
  void resume() override {
    calls.push_back("Resume");
    paused = false;
  }
  std::string lastErrorMessage() const override { return lastError; }
  std::optional<std::string> kept;  // what keptOutputName tells
  std::optional<std::string> keptOutputName(int) const override { return kept; }
  void setEvents(ProgressEvent p, TerminateEvent t, LogEvent l) override {
    onProgress = std::move(p);
    onTerminate = std::move(t);
    onLog = std::move(l);
  }
  LogEvent onLog;
  // A line of the engine's log, as the task (index 0) or a library thread
  // (index -1) raises it.
  void log(LogLevel level, const std::string &line, int index = 0) {
    if (onLog) onLog(index, level, line);
  }

  bool running(size_t index = 0) const {
    return index < tasks.size() && tasks[index].started && !tasks[index].ended;
  }
  // The indexes of the tasks that run.
  std::vector<int> runningTasks() const {
    std::vector<int> r;
    for (size_t i = 0; i < tasks.size(); ++i)
      if (running(i)) r.push_back(static_cast<int>(i));
    return r;
  }
  void progress(int frame, int curMs, int64_t size, int totalMs, int index = 0) {
    if (onProgress) onProgress(index, TaskProgress{frame, 25, curMs, 0.0f, 0.0f, size, totalMs});
  }
  // Ends the running task as the engine's worker would: the task's event,
  // then the end-of-run notice.
  void finish(bool exception = false, const std::string &message = "error", int index = 0) {
    Task &t = tasks.at(static_cast<size_t>(index));
    t.ended = true;
    const bool finished = !t.stopAsked && !exception;
    if (writeAtEnd && !exception) std::ofstream(t.output, std::ios::binary | std::ios::trunc) << "out";
    if (onTerminate) {
      onTerminate(index, finished, exception, exception ? message : "");
      onTerminate(-1, true, false, "");
    }
  }
};

// The queue with all its fakes, and a driver that plays the UI thread.
struct QueueRig {
  SourceJobs jobs;
  FakePrompts prompts;
  FakeTimer timer;
  FakeView view;
  RecordingObserver &observer = view;
  FakeEngine engine;
  FakePoster poster;
  ConversionQueue queue{QueueSurroundings{jobs, prompts, timer, view, engine, view}};

  QueueRig() { queue.connectEngineEvents(poster); }
  const QueueFlags &state() const { return queue.flags(); }

  void add(const std::string &path, const ProbeSummary &probe = probed(), bool checked = true) {
    SourceJob job = makeSourceJob(path, probe, "MP4");
    job.checked = checked;
    jobs.append(job);
  }
  // What the list shows in the row's "Progress" column.
  std::string progress(int row) const { return sourceJobText(jobs.at(row), kProgressColumn); }
  JobState jobState(int row) const { return jobs.at(row).state; }
  // No run, no timer, the controls back.
  bool idle() const { return !timer.on && !state().converting && view.controlsEnabled; }

  // Runs timer ticks, pending events and task ends until the run is over.
  // `onRunning` may act on each task while it runs (before it finishes).
  void runToEnd(const std::function<void(int row)> &onRunning = nullptr, int maxTicks = 200) {
    for (int i = 0; i < maxTicks; ++i) {
      poster.pump();
      if (engine.running()) {
        engine.progress(10, 500, 1000, 1000);
        poster.pump();
        if (onRunning) onRunning(state().currentRow);
        if (engine.running()) engine.finish();
        poster.pump();
      }
      if (!timer.on && !state().converting && !engine.running()) return;
      queue.onTimerTick();
    }
  }
};
