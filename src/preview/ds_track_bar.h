// The preview's position bar: while the graph plays it shows the position
// in seconds (refreshed every second, except while the user holds the
// thumb); releasing the thumb seeks to the chosen point.
#pragma once

#include <QPointer>
#include <QSlider>
#include <QTimer>

class TFilterGraph;

class TDSTrackBar : public QSlider {
  Q_OBJECT

 public:
  static constexpr int kRefreshMs = 1000;

  explicit TDSTrackBar(QWidget *parent = nullptr);

  void SetFilterGraph(TFilterGraph *graph);
  TFilterGraph *FilterGraph() const { return graph_; }

  // One refresh: range 0 ... duration in seconds and the position in
  // seconds, when the graph plays and the thumb is not held.
  void RefreshPosition();
  // Seeks the graph to duration * value / maximum (what releasing the thumb
  // does). Nothing happens while the maximum is not positive.
  void SeekToThumb();

 protected:
  void mouseReleaseEvent(QMouseEvent *event) override;

 private:
  QPointer<TFilterGraph> graph_;
  QTimer refresh_;
};
