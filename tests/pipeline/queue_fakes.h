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

struct FakeRow {
  std::string caption;
  std::array<std::string, 7> texts;  // index = SourceListColumn
  bool checked = true;
};

class FakeRows : public SourceRows {
 public:
  std::vector<FakeRow> rows;
  std::vector<int> madeVisible;

  void add(const std::string &caption, const std::string &size = "640x480",
           const std::string &duration = "00:00:05", bool checked = true) {
    FakeRow r;
    r.caption = caption;
    r.texts[kVideoSizeColumn] = size;
    r.texts[kDurationColumn] = duration;
    r.checked = checked;
    rows.push_back(r);
  }
  std::string progress(int row) const { return rows[static_cast<size_t>(row)].texts[kProgressColumn]; }
  int rowCount() const override { return static_cast<int>(rows.size()); }
  std::string caption(int row) const override { return rows.at(static_cast<size_t>(row)).caption; }
  std::string text(int row, SourceListColumn c) const override {
    return rows.at(static_cast<size_t>(row)).texts[static_cast<size_t>(c)];
  }
  void setText(int row, SourceListColumn c, const std::string &t) override {
    rows.at(static_cast<size_t>(row)).texts[static_cast<size_t>(c)] = t;
  }
  bool checked(int row) const override { return rows.at(static_cast<size_t>(row)).checked; }
  void makeVisible(int row) override { madeVisible.push_back(row); }
};

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
  int count(const std::string &text) const {
    int n = 0;
    for (const auto &m : messages) n += m == text;
    return n;
  }
};

class FakeFolderDialog : public FolderDialog {
 public:
  int opened = 0;
  void browseForOutputFolder() override { ++opened; }
};

class FakeTimer : public QueueTimer {
 public:
  bool on = false;
  void setEnabled(bool e) override { on = e; }
  bool enabled() const override { return on; }
};

class FakeView : public RunView {
 public:
  int bar = 0;
  std::string fileSize;
  bool controlsEnabled = true;
  int enableCalls = 0, disableCalls = 0, previewStops = 0;
  JobSettings settings;
  void setProgressBar(int p) override { bar = p; }
  void setFileSizeText(const std::string &t) override { fileSize = t; }
  void disableControlsForConversion() override {
    controlsEnabled = false;
    ++disableCalls;
  }
  void enableControlsAfterConversion() override {
    controlsEnabled = true;
    ++enableCalls;
  }
  void stopPreview(bool) override { ++previewStops; }
  JobSettings currentJobSettings() override { return settings; }
};

// Collects posted work; the test runs it as the UI thread would.
class FakePoster : public UiPoster {
 public:
  std::deque<std::function<void()>> queue;
  void post(std::function<void()> work) override { queue.push_back(std::move(work)); }
  void pump() {
    while (!queue.empty()) {
      auto w = std::move(queue.front());
      queue.pop_front();
      w();
    }
  }
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
    bool hasOutput = false, started = false, ended = false;
  };
  std::vector<Task> tasks;
  std::vector<Task> history;  // every task that got an output, in order
  std::vector<std::string> calls;
  std::set<std::string> failOutputs;  // SetOutput refuses these
  bool paused = false;
  ProgressEvent onProgress;
  TerminateEvent onTerminate;

  int addTask(const std::string &fileName, InputOptions *o) override {
    calls.push_back("AddTask " + fileName);
    if (!std::filesystem::exists(fileName)) return -1;
    Task t;
    t.input = fileName;
    if (o) t.in = *o;
    tasks.push_back(t);
    return static_cast<int>(tasks.size()) - 1;
  }
  bool setOutput(int index, const std::string &fileName, OutputOptions *o) override {
    calls.push_back("SetOutput " + fileName);
    if (failOutputs.count(fileName)) return false;
    Task &t = tasks.at(static_cast<size_t>(index));
    t.output = fileName;
    if (o) t.out = *o;
    t.hasOutput = true;
    std::ofstream(fileName, std::ios::binary | std::ios::trunc) << "out";
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
  void stop() override {
    calls.push_back("Stop");
    stopRequested = running();
  }
  void pause() override {
    calls.push_back("Pause");
    paused = true;
  }
  void resume() override {
    calls.push_back("Resume");
    paused = false;
  }
  void setEvents(ProgressEvent p, TerminateEvent t) override {
    onProgress = std::move(p);
    onTerminate = std::move(t);
  }

  bool stopRequested = false;
  bool running() const { return !tasks.empty() && tasks[0].started && !tasks[0].ended; }
  void progress(int frame, int curMs, int64_t size, int totalMs) {
    if (onProgress) onProgress(0, frame, 0, curMs, 0.0f, 0.0f, size, totalMs);
  }
  // Ends the running task as the engine's worker would: the task's event,
  // then the end-of-run notice.
  void finish(bool exception = false) {
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
struct QueueRig {
  QueueFlags state;
  FakeRows rows;
  FakePrompts prompts;
  FakeFolderDialog folder;
  FakeTimer timer;
  FakeView view;
  FakeEngine engine;
  FakePoster poster;
  ConversionQueue queue{QueueState(state), rows, prompts, folder, timer, view, engine};

  QueueRig() { queue.connectEngineEvents(poster); }

  // Runs timer ticks, pending events and task ends until the run is over.
  // `onRunning` may act on each task while it runs (before it finishes).
  void runToEnd(const std::function<void(int row)> &onRunning = nullptr, int maxTicks = 200) {
    for (int i = 0; i < maxTicks; ++i) {
      poster.pump();
      if (engine.running()) {
        engine.progress(10, 500, 1000, 1000);
        poster.pump();
        if (onRunning) onRunning(state.currentRow);
        if (engine.running()) engine.finish();
        poster.pump();
      }
      if (!timer.on && !state.converting && !engine.running()) return;
      queue.timerConvertAgainTimer();
    }
  }
};
