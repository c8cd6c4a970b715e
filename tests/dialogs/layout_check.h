// Checks that texts are not cut off: every visible label, button, check
// box, combo box and group box of a window at least as large as it asks to
// be. Used with the desktop's font and with larger ones.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QWidget>

#include "latin1_text.h"

// The caption a user reads on the named child of `owner`: a group box's
// title, any other control's text; "<missing>" where there is none.
inline QString captionOf(const QObject &owner, const char *name) {
  const QWidget *w = owner.findChild<QWidget *>(Q(name));
  return !w ? QStringLiteral("<missing>") : w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
}

// The items of a combo box, in order.
inline QStringList itemTexts(const QComboBox *box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

// "name: 80x20 < 95x20" for each visible text control that is smaller than
// its own size hint (a group box: its title wider than the box).
inline QStringList cutOffTexts(QWidget *window) {
  QStringList cut;
  const auto check = [&](QWidget *w, QSize need) {
    if (!w->isVisibleTo(window)) return;
    if (w->width() < need.width() || w->height() < need.height())
      cut << QStringLiteral("%1: %2x%3 < %4x%5")
                 .arg(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName())
                 .arg(w->width())
                 .arg(w->height())
                 .arg(need.width())
                 .arg(need.height());
  };
  for (QLabel *l : window->findChildren<QLabel *>())
    if (!l->text().isEmpty() && !l->wordWrap()) check(l, l->minimumSizeHint());
  for (QAbstractButton *b : window->findChildren<QAbstractButton *>())
    if (!b->text().isEmpty()) check(b, b->sizeHint());
  for (QComboBox *c : window->findChildren<QComboBox *>()) check(c, c->sizeHint());
  for (QGroupBox *g : window->findChildren<QGroupBox *>())
    check(g, QSize(g->fontMetrics().horizontalAdvance(g->title()), 0));
  return cut;
}

// Makes the application font `factor` times the size it had, for the life
// of the object (the desktop's font at 150% or 200%).
class ScaledAppFont {
 public:
  explicit ScaledAppFont(double factor) : saved_(QApplication::font()) {
    QFont f = saved_;
    if (f.pointSizeF() > 0)
      f.setPointSizeF(f.pointSizeF() * factor);
    else
      f.setPixelSize(static_cast<int>(f.pixelSize() * factor));
    QApplication::setFont(f);
  }
  ~ScaledAppFont() { QApplication::setFont(saved_); }
  ScaledAppFont(const ScaledAppFont &) = delete;
  ScaledAppFont &operator=(const ScaledAppFont &) = delete;

 private:
  QFont saved_;
};
