// Keeps the most recent picture of the playback graph so that it can be
// copied out as a 24-bit RGB image (for snapshots).
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QVideoFrame>

class TFilterGraph;

class TSampleGrabber : public QObject {
  Q_OBJECT

 public:
  explicit TSampleGrabber(QObject *parent = nullptr);

  void SetFilterGraph(TFilterGraph *graph);

  // Whether a picture of the current media has arrived.
  bool HasFrame() const { return frame_.isValid(); }
  // The most recent picture in RGB888; false (and `image` untouched) when
  // none has arrived or it cannot be converted.
  bool GetBitmap(QImage &image) const;

 private:
  QPointer<TFilterGraph> graph_;
  QVideoFrame frame_;
};

// Saves an image as a 24-bit Windows bitmap; "" on success, else the reason.
QString SaveBitmapFile(const QImage &image, const QString &path);
