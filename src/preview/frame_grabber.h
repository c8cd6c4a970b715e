// Keeps the most recent picture of the playback graph so that it can be
// copied out as a 24-bit RGB image (for snapshots).
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QVideoFrame>

class PreviewPlayer;

class FrameGrabber : public QObject {
  Q_OBJECT

 public:
  explicit FrameGrabber(QObject *parent = nullptr);

  void setPlayer(PreviewPlayer *graph);

  // Whether a picture of the current media has arrived.
  bool hasFrame() const { return frame_.isValid(); }
  // The most recent picture in RGB888; false (and `image` untouched) when
  // none has arrived or it cannot be converted.
  bool getBitmap(QImage &image) const;

 private:
  QPointer<PreviewPlayer> graph_;
  QVideoFrame frame_;
};

// Saves an image as a 24-bit Windows bitmap; "" on success, else the reason.
QString saveBitmapFile(const QImage &image, const QString &path);
