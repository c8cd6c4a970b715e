// Plain stand-ins for the window and the engine, so the queue runs in tests
// without widgets or media libraries.
#pragma once

#include <array>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "conversion_queue.h"

struct TFakeRow {
  std::string caption;
  std::array<std::string, 7> texts;  // index = TSourceColumn
  bool checked = true;
};

class TFakeRows : public ISourceRows {
 public:
  std::vector<TFakeRow> rows;
  std::vector<int> madeVisible;

  void Add(const std::string &caption, const std::string &size = "640x480",
           const std::string &duration = "00:00:05", bool checked = true) {
    TFakeRow r;
    r.caption = caption;
    r.texts[scVideoSize] = size;
    r.texts[scDuration] = duration;
    r.checked = checked;
    rows.push_back(r);
  }
  std::string Progress(int row) const { return rows[static_cast<size_t>(row)].texts[scProgress]; }
  int RowCount() const override { return static_cast<int>(rows.size()); }
  std::string Caption(int row) const override { return rows.at(static_cast<size_t>(row)).caption; }
  std::string Text(int row, TSourceColumn c) const override {
    return rows.at(static_cast<size_t>(row)).texts[static_cast<size_t>(c)];
  }
  void SetText(int row, TSourceColumn c, const std::string &t) override {
    rows.at(static_cast<size_t>(row)).texts[static_cast<size_t>(c)] = t;
  }
  bool Checked(int row) const override { return rows.at(static_cast<size_t>(row)).checked; }
  void MakeVisible(int row) override { madeVisible.push_back(row); }
};

class TFakePrompts : public IQueuePrompts {
 public:
  std::vector<std::string> messages;
  int questions = 0;
  bool answerYes = false;
  std::function<void()> duringQuestion;
  void Information(const std::string &text) override { messages.push_back(text); }
  bool ConfirmStopAll() override {
    ++questions;
    if (duringQuestion) duringQuestion();
    return answerYes;
  }
  int Count(const std::string &text) const {
    int n = 0;
    for (const auto &m : messages) n += m == text;
    return n;
  }
};

class TFakeFolderDialog : public IFolderDialog {
 public:
  int opened = 0;
  void BrowseForOutputFolder() override { ++opened; }
};

class TFakeTimer : public IQueueTimer {
 public:
  bool enabled = false;
  void SetEnabled(bool e) override { enabled = e; }
  bool Enabled() const override { return enabled; }
};

class TFakeView : public IRunView {
 public:
  int bar = 0;
  std::string fileSize;
  bool controlsEnabled = true;
  int enableCalls = 0, disableCalls = 0, previewStops = 0;
  TJobSettings settings;
  void SetProgressBar(int p) override { bar = p; }
  void SetFileSizeText(const std::string &t) override { fileSize = t; }
  void DisableControlsForConversion() override {
    controlsEnabled = false;
    ++disableCalls;
  }
  void EnableControlsAfterConversion() override {
    controlsEnabled = true;
    ++enableCalls;
  }
  void StopPreview(bool) override { ++previewStops; }
  TJobSettings CurrentJobSettings() override { return settings; }
};

// Collects posted work; the test runs it as the UI thread would.
class TFakePoster : public IUiPoster {
 public:
  std::deque<std::function<void()>> queue;
  void Post(std::function<void()> work) override { queue.push_back(std::move(work)); }
  void Pump() {
    while (!queue.empty()) {
      auto w = std::move(queue.front());
      queue.pop_front();
      w();
    }
  }
};

// One task at a time, like the program uses the engine. A task "runs" once
// started; the test ends it with Finish(). Opening the input fails for a
// missing file; SetOutput creates the output file as the engine does.
class TFakeEngine : public IConversionEngine {
 public:
  struct TTask {
    std::string input, output;
    TInputOptions in;
    TOutputOptions out;
    bool hasOutput = false, started = false, ended = false;
  };
  std::vector<TTask> tasks;
  std::vector<TTask> history;  // every task that got an output, in order
  std::vector<std::string> calls;
  std::set<std::string> failOutputs;  // SetOutput refuses these
  bool paused = false;
  TProgressEvent onProgress;
  TTerminateEvent onTerminate;

  int AddTask(const std::string &fileName, TInputOptions *o) override {
    calls.push_back("AddTask " + fileName);
    if (!std::filesystem::exists(fileName)) return -1;
    TTask t;
    t.input = fileName;
    if (o) t.in = *o;
    tasks.push_back(t);
    return static_cast<int>(tasks.size()) - 1;
  }
  bool SetOutput(int index, const std::string &fileName, TOutputOptions *o) override {
    calls.push_back("SetOutput " + fileName);
    if (failOutputs.count(fileName)) return false;
    TTask &t = tasks.at(static_cast<size_t>(index));
    t.output = fileName;
    if (o) t.out = *o;
    t.hasOutput = true;
    std::ofstream(fileName, std::ios::binary | std::ios::trunc) << "out";
    history.push_back(t);
    return true;
  }
  void RemoveTask(int index) override {
    calls.push_back("RemoveTask");
    tasks.erase(tasks.begin() + index);
  }
  void ClearTasks() override { tasks.clear(); }
  void StartConvert(int32_t n) override {
    calls.push_back("StartConvert " + std::to_string(n));
    if (!tasks.empty() && tasks[0].hasOutput && !tasks[0].ended) tasks[0].started = true;
  }
  void Stop() override {
    calls.push_back("Stop");
    stopRequested = Running();
  }
  void Pause() override {
    calls.push_back("Pause");
    paused = true;
  }
  void Resume() override {
    calls.push_back("Resume");
    paused = false;
  }
  void SetEvents(TProgressEvent p, TTerminateEvent t) override {
    onProgress = std::move(p);
    onTerminate = std::move(t);
  }

  bool stopRequested = false;
  bool Running() const { return !tasks.empty() && tasks[0].started && !tasks[0].ended; }
  void Progress(int frame, int curMs, int64_t size, int totalMs) {
    if (onProgress) onProgress(0, frame, 0, curMs, 0.0f, 0.0f, size, totalMs);
  }
  // Ends the running task as the engine's worker would: the task's event,
  // then the end-of-run notice.
  void Finish(bool exception = false) {
    tasks[0].ended = true;
    const bool finished = !stopRequested && !exception;
    stopRequested = false;
    if (onTerminate) {
      onTerminate(0, finished, exception, exception ? "error" : "");
      onTerminate(-1, true, false, "");
    }
  }
};

// The queue with all its fakes, and a driver that plays the UI thread.
struct TQueueRig {
  TQueueFlags state;
  TFakeRows rows;
  TFakePrompts prompts;
  TFakeFolderDialog folder;
  TFakeTimer timer;
  TFakeView view;
  TFakeEngine engine;
  TFakePoster poster;
  TConversionQueue queue{TQueueState(state), rows, prompts, folder, timer, view, engine};

  TQueueRig() { queue.ConnectEngineEvents(poster); }

  // Runs timer ticks, pending events and task ends until the run is over.
  // `onRunning` may act on each task while it runs (before it finishes).
  void RunToEnd(const std::function<void(int row)> &onRunning = nullptr, int maxTicks = 200) {
    for (int i = 0; i < maxTicks; ++i) {
      poster.Pump();
      if (engine.Running()) {
        engine.Progress(10, 500, 1000, 1000);
        poster.Pump();
        if (onRunning) onRunning(state.CurrentRow);
        if (engine.Running()) engine.Finish();
        poster.Pump();
      }
      if (!timer.enabled && !state.Converting && !engine.Running()) return;
      queue.TimerConvertAgainTimer();
    }
  }
};
