#include "spin_edit.h"

#include <QLineEdit>
#include <algorithm>
#include <limits>

SpinEdit::SpinEdit(int minValue, int maxValue, QWidget *parent)
    : QSpinBox(parent), min_(minValue), max_(maxValue) {
  // The widget's own range only has to hold what can be typed.
  setRange(std::numeric_limits<int>::min() + 1, std::numeric_limits<int>::max());
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  QSpinBox::setValue(min_);
}

int SpinEdit::value() const {
  bool ok = false;
  const int v = lineEdit()->text().trimmed().toInt(&ok);
  return ok ? v : min_;
}

void SpinEdit::setValue(int value) { QSpinBox::setValue(std::clamp(value, min_, max_)); }

void SpinEdit::stepBy(int steps) {
  const long long next = static_cast<long long>(value()) + steps;
  setValue(static_cast<int>(std::clamp<long long>(next, min_, max_)));
  selectAll();
}

QValidator::State SpinEdit::validate(QString &input, int &pos) const {
  const QString t = input.trimmed();
  if (t.isEmpty() || t == QStringLiteral("-") || t == QStringLiteral("+")) return QValidator::Intermediate;
  bool ok = false;
  t.toInt(&ok);
  if (ok) return QValidator::Acceptable;
  return QSpinBox::validate(input, pos);
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
  StepEnabled e = StepNone;
  const int v = value();
  if (v < max_) e |= StepUpEnabled;
  if (v > min_) e |= StepDownEnabled;
  return e;
}
