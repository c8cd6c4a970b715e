#include "ds_track_bar.h"

#include <QMouseEvent>

#include "filter_graph.h"

TDSTrackBar::TDSTrackBar(QWidget *parent) : QSlider(Qt::Horizontal, parent) {
  setTickPosition(QSlider::NoTicks);
  setRange(0, 0);
  setTracking(true);
  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, &TDSTrackBar::RefreshPosition);
  refresh_.start();
}

void TDSTrackBar::SetFilterGraph(TFilterGraph *graph) { graph_ = graph; }

void TDSTrackBar::RefreshPosition() {
  if (!graph_ || graph_->State() != TFilterGraph::gsPlaying || isSliderDown()) return;
  const int64_t durationSec = graph_->Duration() / 1000;
  const int64_t positionSec = graph_->Position() / 1000;
  setRange(0, static_cast<int>(durationSec));
  setValue(static_cast<int>(positionSec));
}

void TDSTrackBar::SeekToThumb() {
  if (!graph_ || maximum() <= 0) return;
  const int64_t target = graph_->Duration() * value() / maximum();
  graph_->SetPosition(target);
}

void TDSTrackBar::mouseReleaseEvent(QMouseEvent *event) {
  QSlider::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) SeekToThumb();
}
