#include "engine_relay.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <atomic>

struct TEngineEventRelay::TGate {
  std::mutex lock;
  QObject *context = nullptr;  // null once closed
  std::atomic<bool> open{true};
};

TEngineEventRelay::TEngineEventRelay(QObject *context) : gate_(std::make_shared<TGate>()) {
  gate_->context = context;
}

TEngineEventRelay::~TEngineEventRelay() { Close(); }

bool TEngineEventRelay::Post(std::function<void()> work) const {
  std::lock_guard<std::mutex> hold(gate_->lock);
  if (!gate_->context) return false;
  std::shared_ptr<TGate> gate = gate_;
  QMetaObject::invokeMethod(
      gate_->context,
      [gate, work = std::move(work)] {
        if (gate->open) work();
      },
      Qt::QueuedConnection);
  return true;
}

void TEngineEventRelay::Close() {
  std::lock_guard<std::mutex> hold(gate_->lock);
  gate_->context = nullptr;
  gate_->open = false;
}

bool TEngineEventRelay::IsOpen() const {
  std::lock_guard<std::mutex> hold(gate_->lock);
  return gate_->context != nullptr;
}

TQtMainThreadScheduler::TQtMainThreadScheduler(QObject *parent) : QObject(parent) {}

void TQtMainThreadScheduler::RunLater(int delayMs, std::function<void()> work) {
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
