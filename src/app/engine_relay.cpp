#include "engine_relay.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <atomic>

// Shared by the relay and the work it posted.
struct EngineEventRelay::Gate {
  std::mutex lock;
  QObject *context = nullptr;    // guarded by `lock`; null once closed
  std::atomic<bool> open{true};  // read by the work when it runs
};

EngineEventRelay::EngineEventRelay(QObject *context) : gate_(std::make_shared<Gate>()) {
  gate_->context = context;
}

EngineEventRelay::~EngineEventRelay() { close(); }

bool EngineEventRelay::post(std::function<void()> work) const {
  std::scoped_lock hold(gate_->lock);
  if (!gate_->context) return false;
  std::shared_ptr<Gate> gate = gate_;
  QMetaObject::invokeMethod(
      gate_->context,
      [gate, work = std::move(work)] {
        if (gate->open) work();
      },
      Qt::QueuedConnection);
  return true;
}

void EngineEventRelay::close() {
  std::scoped_lock hold(gate_->lock);
  gate_->context = nullptr;
  gate_->open = false;
}

bool EngineEventRelay::isOpen() const {
  std::scoped_lock hold(gate_->lock);
  return gate_->context != nullptr;
}

QtMainThreadScheduler::QtMainThreadScheduler(QObject *parent) : QObject(parent) {}

void QtMainThreadScheduler::runLater(int delayMs, std::function<void()> work) {
  const int delay = delayMs < 0 ? 0 : delayMs;
  if (QThread::currentThread() == thread()) {
    QTimer::singleShot(delay, this, std::move(work));
    return;
  }
  // A timer needs the event loop of its thread: start it on ours.
  QMetaObject::invokeMethod(
      this, [this, delay, work = std::move(work)]() mutable { QTimer::singleShot(delay, this, std::move(work)); },
      Qt::QueuedConnection);
}
