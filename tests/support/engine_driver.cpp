#include "engine_driver.h"

#include <gtest/gtest.h>

#include <algorithm>

bool Conversion::logHas(const std::string &text) const { return logCount(text) > 0; }

int Conversion::logCount(const std::string &text) const {
  return static_cast<int>(
      std::count_if(log.begin(), log.end(), [&](const std::string &l) { return l.find(text) != std::string::npos; }));
}

Conversion convert(const std::string &input, ConvertSetup setup) {
  Conversion r;
  MediaEngine engine;
  if (!engine.loadAVLib(TREVIX_COMMON_DIR, true)) {
    r.lastError = engine.lastErrorMessage();
    return r;
  }
  engine.setLogLevel(setup.logLevel);
  engine.setProgressInterval(setup.progressIntervalMs);
  engine.setThreadsPerTask(setup.threadsPerTask);
  engine.onLog = [&](int32_t, LogLevel, const std::string &msg) {
    r.log.push_back(msg);
    if (setup.onLog) setup.onLog(engine, msg);
  };
  engine.onProgress = [&](int32_t, const TaskProgress &s) {
    r.progress.push_back(s);
    if (setup.onProgress) setup.onProgress(engine, s);
  };
  engine.onTerminate = [&](int32_t index, bool finished, bool exception, const std::string &message) {
    if (index < 0) {
      r.endOfRun = true;
      return;
    }
    r.terminated = true;
    r.finished = finished;
    r.exception = exception;
    r.message = message;
    r.keptOutput = engine.taskStatus(index).keptOutput;
  };
  engine.onCustomHook = setup.onCustomHook;
  engine.onBeforeHook = setup.onBeforeHook;
  InputOptions in = setup.inputOptions;
  r.taskIndex = engine.addTask(input, &in);
  if (r.taskIndex < 0) {
    r.lastError = engine.lastErrorMessage();
    return r;
  }
  r.outputOk = true;
  for (size_t i = 0; i < setup.outputs.size(); ++i) {
    OutputOptions o = i < setup.outputOptions.size() ? setup.outputOptions[i] : OutputOptions{};
    o.customHook = o.customHook || setup.onCustomHook;
    o.beforeHook = o.beforeHook || setup.onBeforeHook;
    if (!engine.setOutput(r.taskIndex, setup.outputs[i], &o)) {
      r.outputOk = false;
      r.lastError = engine.lastErrorMessage();
      engine.clearTasks();
      return r;
    }
  }
  engine.startConvert(0);
  engine.clearTasks();
  return r;
}

ConvertSetup oneOutput(const std::string &output, const OutputOptions &options) {
  ConvertSetup s;
  s.outputs = {output};
  s.outputOptions = {options};
  return s;
}

Conversion convert(const std::string &input, const std::string &output, const OutputOptions &options) {
  return convert(input, oneOutput(output, options));
}

ProbedConversion convertAndProbe(const std::string &input, const std::string &output, const OutputOptions &options) {
  ProbedConversion c{convert(input, output, options), {}};
  c.file = probeMedia(output);
  return c;
}

std::string refusalOf(const std::function<void()> &step) {
  try {
    step();
  } catch (const EngineError &e) {
    return e.what();
  }
  return "(accepted)";
}

OutputOptions mp4Options() {
  OutputOptions o;
  o.vcodec = "mpeg4";
  o.acodec = "aac";
  o.frameSize = "320x240";
  o.ab = 128000;
  return o;
}

void PumpedScheduler::runLater(int delayMs, std::function<void()> work) {
  std::lock_guard<std::mutex> g(m_);
  delays.push_back(delayMs);
  items_.push_back(std::move(work));
}

int PumpedScheduler::pumpOnce() {
  std::vector<std::function<void()>> now;
  {
    std::lock_guard<std::mutex> g(m_);
    now.swap(items_);
  }
  for (auto &w : now) w();
  return static_cast<int>(now.size());
}

size_t PumpedScheduler::pending() {
  std::lock_guard<std::mutex> g(m_);
  return items_.size();
}

EventRecorder::EventRecorder(MediaEngine &c) : engine_(c) {
  c.onTerminate = [this](int32_t index, bool finished, bool exception, const std::string &message) {
    {
      std::lock_guard<std::mutex> g(m_);
      terms_.push_back({index, finished, exception, message, std::this_thread::get_id()});
    }
    cv_.notify_all();
  };
  c.onProgress = [this](int32_t index, const TaskProgress &) {
    {
      std::lock_guard<std::mutex> g(m_);
      progressIndexes_.push_back(index);
    }
    cv_.notify_all();
  };
}

EventRecorder::~EventRecorder() {
  std::scoped_lock held(engine_);
  engine_.onTerminate = nullptr;
  engine_.onProgress = nullptr;
}

std::vector<TerminateRecord> EventRecorder::terminations() {
  std::lock_guard<std::mutex> g(m_);
  return terms_;
}

int EventRecorder::progressCount(int index) {
  std::lock_guard<std::mutex> g(m_);
  int n = 0;
  for (int i : progressIndexes_) n += (index < 0 || i == index) ? 1 : 0;
  return n;
}

bool EventRecorder::waitForEndOfRun(int timeoutMs) {
  std::unique_lock<std::mutex> g(m_);
  return cv_.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] {
    for (const auto &t : terms_)
      if (t.index == -1) return true;
    return false;
  });
}
