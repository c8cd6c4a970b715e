#include "font_rule.h"

#include <QFontDatabase>
#include <QWidget>

bool applyFontRule(QWidget *window, const QStringList &installedFamilies) {
  const QString rule = QString::fromLatin1(kRuleFontFamily);
  QFont font = window->font();
  if (font.family().compare(rule, Qt::CaseInsensitive) == 0) return false;
  if (!installedFamilies.contains(rule, Qt::CaseInsensitive)) return false;
  if (font.pointSizeF() > 0)
    font.setPointSizeF(font.pointSizeF() + 1);
  font.setFamily(rule);
  window->setFont(font);
  return true;
}

bool applyFontRule(QWidget *window) { return applyFontRule(window, QFontDatabase::families()); }
