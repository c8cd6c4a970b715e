#include "source_list_delegate.h"

#include <QFileInfo>
#include <QPainter>

#include "source_jobs.h"

void SourceListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const {
  QStyledItemDelegate::paint(painter, option, index);
  painter->save();
  QColor line = option.palette.color(QPalette::Mid);
  line.setAlpha(90);
  painter->setPen(line);
  painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
  painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
  painter->restore();
}

void SourceListDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (index.column() == kFileNameColumn) option->text = QFileInfo(option->text).fileName();
}
