// Carrying the engine's events to the UI thread, and the engine's scheduler
// on the Qt event loop.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <mutex>

#include "engine_types.h"

// Posts work from any thread to the thread of a context object, in the order
// it was posted. Once closed (explicitly, or when the relay is destroyed),
// nothing more is posted and nothing already posted runs. Close the relay
// before the context object dies; work posted before that is dropped by Qt
// along with the object.
//
// Threads: post() is called on the engine's worker threads (and any other);
// close() and isOpen() on any thread, in practice the UI thread; the posted
// work runs on the context object's thread (the UI thread). A private gate,
// shared with the work in flight, holds the context pointer under its lock
// and an atomic "open" flag that the work reads when it runs: close() takes
// the lock, so it returns only after a post() under way on another thread
// has handed its work to Qt, and that work will then not run.
class EngineEventRelay {
 public:
  explicit EngineEventRelay(QObject *context);
  ~EngineEventRelay();
  EngineEventRelay(const EngineEventRelay &) = delete;
  EngineEventRelay &operator=(const EngineEventRelay &) = delete;

  // Thread-safe. Returns false when the relay is closed.
  bool post(std::function<void()> work) const;
  // Stops all delivery; waits until a Post running on another thread is done.
  void close();
  bool isOpen() const;

 private:
  struct Gate;
  std::shared_ptr<Gate> gate_;
};

// MainThreadScheduler on the Qt event loop of the thread that creates it
// (the UI thread). runLater() may be called from any thread; the work runs
// on the UI thread after the delay, unless the scheduler was destroyed
// first. It keeps no state of its own: Qt's queued invocation carries the
// work across.
class QtMainThreadScheduler : public QObject, public MainThreadScheduler {
  Q_OBJECT
 public:
  explicit QtMainThreadScheduler(QObject *parent = nullptr);
  void runLater(int delayMs, std::function<void()> work) override;
};
