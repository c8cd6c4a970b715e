#include "seek_bar.h"

#include <QEvent>
#include <QMouseEvent>

#include "preview_player.h"

SeekBarBinding::SeekBarBinding(QSlider *slider) : QObject(slider), slider_(slider) {
  slider_->installEventFilter(this);
  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, &SeekBarBinding::refreshPosition);
  refresh_.start();
}

void SeekBarBinding::setPlayer(PreviewPlayer *graph) {
  if (graph_) graph_->disconnect(this);
  graph_ = graph;
  if (graph) connect(graph, &PreviewPlayer::ended, this, &SeekBarBinding::refreshPosition);
}

PreviewPlayer *SeekBarBinding::player() const { return graph_; }

void SeekBarBinding::refreshPosition() {
  if (!graph_ || slider_->isSliderDown()) return;
  if (graph_->state() == PreviewPlayer::PlaybackState::Playing || graph_->atEnd()) showPosition();
}

void SeekBarBinding::showPosition() {
  const int64_t durationSec = graph_->duration() / 1000;
  const int64_t positionSec = graph_->position() / 1000;
  slider_->setRange(0, static_cast<int>(durationSec));
  slider_->setValue(static_cast<int>(positionSec));
}

void SeekBarBinding::seekToThumb() {
  if (!graph_ || slider_->maximum() <= 0) return;
  graph_->setPosition(graph_->duration() * slider_->value() / slider_->maximum());
}

bool SeekBarBinding::eventFilter(QObject *watched, QEvent *event) {
  if (watched == slider_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
    // Seek once the slider has taken the release and settled its value.
    QTimer::singleShot(0, this, &SeekBarBinding::seekToThumb);
  }
  return QObject::eventFilter(watched, event);
}

SeekBarBinding *seekBarBinding(QSlider *slider) {
  if (!slider) return nullptr;
  if (auto *existing = slider->findChild<SeekBarBinding *>(QString(), Qt::FindDirectChildrenOnly))
    return existing;
  return new SeekBarBinding(slider);
}

SeekBar::SeekBar(QWidget *parent) : QSlider(Qt::Horizontal, parent) {
  setTickPosition(QSlider::NoTicks);
  setRange(0, 0);
  binding_ = seekBarBinding(this);
}
