// The preview's picture: a video widget that fills its panel on a black
// background and shows the pictures the playback graph hands it (the graph
// is bound to it with PreviewPlayer::setView).
#pragma once

#include <QVideoFrame>
#include <QVideoWidget>

class PreviewView : public QVideoWidget {
  Q_OBJECT

 public:
  explicit PreviewView(QWidget *parent = nullptr);

  // Puts the window into `panel`, filling it (a layout without margins).
  void fillPanel(QWidget *panel);
  // Shows one picture; an invalid frame blanks the window.
  void showFrame(const QVideoFrame &frame);
  // Number of pictures shown since creation (for the checks of the panel).
  qint64 framesShown() const { return framesShown_; }

 private:
  qint64 framesShown_ = 0;
};
