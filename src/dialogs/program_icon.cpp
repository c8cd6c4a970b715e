#include "program_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QPixmap programPixmap(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / 32.0;
  p.scale(s, s);
  // A film frame with sprocket holes and a play arrow.
  QLinearGradient body(0, 0, 0, 32);
  body.setColorAt(0, QColor(0x3a, 0x6e, 0xc8));
  body.setColorAt(1, QColor(0x1c, 0x3a, 0x78));
  p.setPen(QPen(QColor(0x10, 0x20, 0x48), 1));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(1.5, 4.5, 29, 23), 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 210));
  for (int i = 0; i < 6; ++i) {
    p.drawRect(QRectF(4 + i * 4.4, 6.5, 2.2, 2));
    p.drawRect(QRectF(4 + i * 4.4, 23.5, 2.2, 2));
  }
  QPainterPath arrow;
  arrow.moveTo(12.5, 10.5);
  arrow.lineTo(22, 16);
  arrow.lineTo(12.5, 21.5);
  arrow.closeSubpath();
  p.setBrush(QColor(0xff, 0xc8, 0x2e));
  p.drawPath(arrow);
  return pm;
}

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(programPixmap(size));
  return icon;
}
