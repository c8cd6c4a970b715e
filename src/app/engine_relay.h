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
// (the UI thread). RunLater may be called from any thread; the work runs on
// the UI thread after the delay, unless the scheduler was destroyed first.
class QtMainThreadScheduler : public QObject, public MainThreadScheduler {
  Q_OBJECT
 public:
  explicit QtMainThreadScheduler(QObject *parent = nullptr);
  void runLater(int delayMs, std::function<void()> work) override;
};
