#include "ds_track_bar.h"

#include <QEvent>
#include <QMouseEvent>

#include "filter_graph.h"

TTrackBarBinding::TTrackBarBinding(QSlider *slider) : QObject(slider), slider_(slider) {
  slider_->installEventFilter(this);
  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, &TTrackBarBinding::RefreshPosition);
  refresh_.start();
}

void TTrackBarBinding::SetFilterGraph(TFilterGraph *graph) { graph_ = graph; }

void TTrackBarBinding::RefreshPosition() {
  if (!graph_ || graph_->State() != TFilterGraph::gsPlaying || slider_->isSliderDown()) return;
  const int64_t durationSec = graph_->Duration() / 1000;
  const int64_t positionSec = graph_->Position() / 1000;
  slider_->setRange(0, static_cast<int>(durationSec));
  slider_->setValue(static_cast<int>(positionSec));
}

void TTrackBarBinding::SeekToThumb() {
  if (!graph_ || slider_->maximum() <= 0) return;
  graph_->SetPosition(graph_->Duration() * slider_->value() / slider_->maximum());
}

bool TTrackBarBinding::eventFilter(QObject *watched, QEvent *event) {
  if (watched == slider_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
    // Seek once the slider has taken the release and settled its value.
    QTimer::singleShot(0, this, &TTrackBarBinding::SeekToThumb);
  }
  return QObject::eventFilter(watched, event);
}

TTrackBarBinding *TrackBarBinding(QSlider *slider) {
  if (!slider) return nullptr;
  if (auto *existing = slider->findChild<TTrackBarBinding *>(QString(), Qt::FindDirectChildrenOnly))
    return existing;
  return new TTrackBarBinding(slider);
}

TDSTrackBar::TDSTrackBar(QWidget *parent) : QSlider(Qt::Horizontal, parent) {
  setTickPosition(QSlider::NoTicks);
  setRange(0, 0);
  binding_ = TrackBarBinding(this);
}
