// How the source list draws its cells: the desktop's own item painting
// (the selection keeps its colours) with grid lines over it, and the file
// name alone in the first column; the model keeps the full path, which the
// row's hint shows.
#pragma once

#include <QStyledItemDelegate>

class SourceListDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
  // What a cell shows (public so that what is drawn can be read).
  void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
