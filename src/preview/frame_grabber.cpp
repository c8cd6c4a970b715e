#include "frame_grabber.h"

#include <QFile>

#include "bitmap_file.h"
#include "preview_player.h"

FrameGrabber::FrameGrabber(QObject *parent) : QObject(parent) {}

void FrameGrabber::setPlayer(PreviewPlayer *graph) {
  if (graph_) graph_->disconnect(this);
  graph_ = graph;
  frame_ = QVideoFrame();
  if (!graph) return;
  connect(graph, &PreviewPlayer::frameArrived, this, [this](const QVideoFrame &frame) {
    if (frame.isValid()) frame_ = frame;
  });
  connect(graph, &PreviewPlayer::graphCleared, this, [this] { frame_ = QVideoFrame(); });
}

bool FrameGrabber::getBitmap(QImage &image) const {
  if (!frame_.isValid()) return false;
  QImage converted = frame_.toImage();
  if (converted.isNull()) return false;
  image = converted.convertToFormat(QImage::Format_RGB888);
  return !image.isNull();
}

QString saveBitmapFile(const QImage &image, const QString &path) {
  if (image.isNull()) return QStringLiteral("no picture to save");
  const QImage rgb = image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
  const std::string error = preview::writeBitmap24(QFile::encodeName(path).toStdString(), rgb.constBits(),
                                                   rgb.width(), rgb.height(), static_cast<int>(rgb.bytesPerLine()));
  return QString::fromStdString(error);
}
