// The preview's position bar: while the graph plays it shows the position
// in seconds (refreshed every second, except while the user holds the
// thumb), and it goes to its end when playback reaches the end; releasing
// the thumb with the left button seeks to the chosen point.
//
// The behaviour lives in SeekBarBinding, which can be given to any
// horizontal slider; SeekBar is a slider that comes with it.
#pragma once

#include <QPointer>
#include <QSlider>
#include <QTimer>

class PreviewPlayer;

class SeekBarBinding : public QObject {
  Q_OBJECT

 public:
  static constexpr int kRefreshMs = 1000;

  // Becomes a child of `slider` and follows its mouse releases.
  explicit SeekBarBinding(QSlider *slider);

  void setPlayer(PreviewPlayer *graph);
  PreviewPlayer *player() const;
  QSlider *slider() const { return slider_; }

  // One refresh: range 0 ... duration in seconds and the position in
  // seconds, when the graph plays (or has just played to its end) and the
  // thumb is not held.
  void refreshPosition();
  // Seeks the graph to duration * position / maximum (what releasing the
  // thumb does). Nothing happens while the maximum is not positive.
  void seekToThumb();

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  QSlider *slider_;
  void showPosition();

  QPointer<PreviewPlayer> graph_;
  QTimer refresh_;
};

// The binding of `slider`, made on first use.
SeekBarBinding *seekBarBinding(QSlider *slider);

class SeekBar : public QSlider {
  Q_OBJECT

 public:
  explicit SeekBar(QWidget *parent = nullptr);

  void setPlayer(PreviewPlayer *graph) { binding_->setPlayer(graph); }
  PreviewPlayer *player() const { return binding_->player(); }
  void refreshPosition() { binding_->refreshPosition(); }
  void seekToThumb() { binding_->seekToThumb(); }

 private:
  SeekBarBinding *binding_;
};
