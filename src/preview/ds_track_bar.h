// The preview's position bar: while the graph plays it shows the position
// in seconds (refreshed every second, except while the user holds the
// thumb); releasing the thumb with the left button seeks to the chosen
// point.
//
// The behaviour lives in TTrackBarBinding, which can be given to any
// horizontal slider; TDSTrackBar is a slider that comes with it.
#pragma once

#include <QPointer>
#include <QSlider>
#include <QTimer>

class TFilterGraph;

class TTrackBarBinding : public QObject {
  Q_OBJECT

 public:
  static constexpr int kRefreshMs = 1000;

  // Becomes a child of `slider` and follows its mouse releases.
  explicit TTrackBarBinding(QSlider *slider);

  void SetFilterGraph(TFilterGraph *graph);
  TFilterGraph *FilterGraph() const { return graph_; }
  QSlider *Slider() const { return slider_; }

  // One refresh: range 0 ... duration in seconds and the position in
  // seconds, when the graph plays and the thumb is not held.
  void RefreshPosition();
  // Seeks the graph to duration * position / maximum (what releasing the
  // thumb does). Nothing happens while the maximum is not positive.
  void SeekToThumb();

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  QSlider *slider_;
  QPointer<TFilterGraph> graph_;
  QTimer refresh_;
};

// The binding of `slider`, made on first use.
TTrackBarBinding *TrackBarBinding(QSlider *slider);

class TDSTrackBar : public QSlider {
  Q_OBJECT

 public:
  explicit TDSTrackBar(QWidget *parent = nullptr);

  void SetFilterGraph(TFilterGraph *graph) { binding_->SetFilterGraph(graph); }
  TFilterGraph *FilterGraph() const { return binding_->FilterGraph(); }
  void RefreshPosition() { binding_->RefreshPosition(); }
  void SeekToThumb() { binding_->SeekToThumb(); }

 private:
  TTrackBarBinding *binding_;
};
