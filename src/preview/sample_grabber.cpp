#include "sample_grabber.h"

#include <QFile>

#include "bitmap_file.h"
#include "filter_graph.h"

TSampleGrabber::TSampleGrabber(QObject *parent) : QObject(parent) {}

void TSampleGrabber::SetFilterGraph(TFilterGraph *graph) {
  if (graph_) graph_->disconnect(this);
  graph_ = graph;
  frame_ = QVideoFrame();
  if (!graph) return;
  connect(graph, &TFilterGraph::FrameArrived, this, [this](const QVideoFrame &frame) {
    if (frame.isValid()) frame_ = frame;
  });
  connect(graph, &TFilterGraph::GraphCleared, this, [this] { frame_ = QVideoFrame(); });
}

bool TSampleGrabber::GetBitmap(QImage &image) const {
  if (!frame_.isValid()) return false;
  QImage converted = frame_.toImage();
  if (converted.isNull()) return false;
  image = converted.convertToFormat(QImage::Format_RGB888);
  return !image.isNull();
}

QString SaveBitmapFile(const QImage &image, const QString &path) {
  if (image.isNull()) return QStringLiteral("no picture to save");
  const QImage rgb = image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
  const std::string error = preview::WriteBitmap24(QFile::encodeName(path).toStdString(), rgb.constBits(),
                                                   rgb.width(), rgb.height(), static_cast<int>(rgb.bytesPerLine()));
  return QString::fromStdString(error);
}
