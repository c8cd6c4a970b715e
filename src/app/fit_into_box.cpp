#include "fit_into_box.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QValidator>

#include "conversion_settings.h"

namespace {

constexpr int kOfferedMegabytes[] = {8, 10, 25, 50, 100};

// A number of megabytes, whole or with up to two decimals, and "MB" after
// it or not (case ignored): its groups are the number and the unit.
const QRegularExpression &sizeShape() {
  static const QRegularExpression shape(QStringLiteral("^\\s*(\\d{1,6}(?:\\.\\d{0,2})?)\\s*(mb)?\\s*$"),
                                        QRegularExpression::CaseInsensitiveOption);
  return shape;
}

// What may be typed: a size or "Off", or the start of one while it is
// being typed (a number still out of range, "12 M"). Anything else is
// refused as it is typed.
class FitIntoValidator : public QValidator {
 public:
  explicit FitIntoValidator(FitIntoBox *box) : QValidator(box), box_(box) {}

  State validate(QString &input, int &) const override {
    if (box_->bytesOf(input)) return Acceptable;
    const QString t = input.trimmed();
    if (t.isEmpty() || box_->itemText(0).startsWith(t, Qt::CaseInsensitive)) return Intermediate;
    static const QRegularExpression partial(QStringLiteral("^\\d{0,6}(?:\\.\\d{0,2})?\\s*m?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return partial.match(t).hasMatch() ? Intermediate : Invalid;
  }

 private:
  FitIntoBox *box_;
};

}  // namespace

FitIntoBox::FitIntoBox(QWidget *parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  addItem(tr("Off"));
  for (int mb : kOfferedMegabytes) addItem(textOf(int64_t{mb} * 1000000));
  setValidator(new FitIntoValidator(this));
  setSizeAdjustPolicy(QComboBox::AdjustToContents);
  setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
  connect(this, &QComboBox::activated, this, &FitIntoBox::takeText);
  connect(lineEdit(), &QLineEdit::editingFinished, this, &FitIntoBox::takeText);
  showSize(0);
}

std::optional<int64_t> FitIntoBox::bytesOf(const QString &text) const {
  if (text.trimmed().compare(itemText(0), Qt::CaseInsensitive) == 0) return 0;
  const QRegularExpressionMatch m = sizeShape().match(text);
  if (!m.hasMatch()) return std::nullopt;
  // Hundredths of a megabyte, counted exactly.
  const QStringList parts = m.captured(1).split(QLatin1Char('.'));
  int64_t hundredths = parts[0].toLongLong() * 100;
  if (parts.size() > 1 && !parts[1].isEmpty()) hundredths += parts[1].leftJustified(2, QLatin1Char('0')).toLongLong();
  const int64_t bytes = hundredths * 10000;
  if (bytes == 0 || !fitIntoAllowed(bytes)) return std::nullopt;
  return bytes;
}

QString FitIntoBox::textOf(int64_t bytes) const {
  if (bytes <= 0) return itemText(0);
  const int64_t hundredths = (bytes + 5000) / 10000;
  QString number = QString::number(hundredths / 100);
  if (const int64_t rest = hundredths % 100) {
    number += QLatin1Char('.') + QString::number(rest).rightJustified(2, QLatin1Char('0'));
    if (number.endsWith(QLatin1Char('0'))) number.chop(1);
  }
  return number + QStringLiteral(" MB");
}

void FitIntoBox::showSize(int64_t bytes) {
  bytes_ = fitIntoAllowed(bytes) ? bytes : 0;
  const bool blocked = blockSignals(true);
  const QString text = textOf(bytes_);
  setCurrentIndex(findText(text, Qt::MatchFixedString));
  setEditText(text);
  blockSignals(blocked);
}

void FitIntoBox::takeText() {
  const std::optional<int64_t> bytes = bytesOf(currentText());
  const int64_t before = bytes_;
  showSize(bytes ? *bytes : bytes_);
  if (bytes_ != before) emit sizeChosen(bytes_);
}

void FitIntoBox::focusOutEvent(QFocusEvent *event) {
  QComboBox::focusOutEvent(event);
  // A text that is no size gives way to the size held.
  if (!bytesOf(currentText())) showSize(bytes_);
}
