#include "engine_relay.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <atomic>

struct EngineEventRelay::Gate {
  std::mutex lock;
  QObject *context = nullptr;  // null once closed
  std::atomic<bool> open{true};
};

EngineEventRelay::EngineEventRelay(QObject *context) : gate_(std::make_shared<Gate>()) {
  gate_->context = context;
}

EngineEventRelay::~EngineEventRelay() { close(); }

bool EngineEventRelay::post(std::function<void()> work) const {
  std::lock_guard<std::mutex> hold(gate_->lock);
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
  std::lock_guard<std::mutex> hold(gate_->lock);
  gate_->context = nullptr;
  gate_->open = false;
}

bool EngineEventRelay::isOpen() const {
  std::lock_guard<std::mutex> hold(gate_->lock);
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
