#include "combo_lists.h"

#include <QCoreApplication>

namespace {

// The profiles' items that are words rather than figures or names.
[[maybe_unused]] constexpr const char *kChoiceWords[] = {
    QT_TRANSLATE_NOOP("ChoiceList", "Auto"),    QT_TRANSLATE_NOOP("ChoiceList", "Original"),
    QT_TRANSLATE_NOOP("ChoiceList", "Original Video Size"),
    QT_TRANSLATE_NOOP("ChoiceList", "Stereo"),  QT_TRANSLATE_NOOP("ChoiceList", "Mono"),
    QT_TRANSLATE_NOOP("ChoiceList", "Highest"), QT_TRANSLATE_NOOP("ChoiceList", "Higher"),
    QT_TRANSLATE_NOOP("ChoiceList", "Normal"),  QT_TRANSLATE_NOOP("ChoiceList", "Lower"),
    QT_TRANSLATE_NOOP("ChoiceList", "Lowest"),
};

QString shownItem(const std::string &item) { return QCoreApplication::translate("ChoiceList", item.c_str()); }

}  // namespace

void fillCombo(QComboBox *combo, const QStringList &items, int index) {
  const bool blocked = combo->blockSignals(true);
  combo->clear();
  combo->addItems(items);
  combo->setCurrentIndex(index);
  combo->blockSignals(blocked);
}

void fillCombo(QComboBox *combo, const ChoiceList &list) {
  const bool blocked = combo->blockSignals(true);
  bool same = combo->count() == static_cast<int>(list.items.size());
  for (int i = 0; same && i < combo->count(); ++i)
    same = combo->itemText(i) == shownItem(list.items[static_cast<size_t>(i)]);
  if (!same) {
    combo->clear();
    for (const std::string &item : list.items) combo->addItem(shownItem(item));
  }
  combo->setCurrentIndex(list.itemIndex);
  combo->blockSignals(blocked);
}

ChoiceList readCombo(const QComboBox *combo) {
  ChoiceList list;
  list.items.reserve(static_cast<size_t>(combo->count()));
  for (int i = 0; i < combo->count(); ++i) list.items.push_back(combo->itemText(i).toStdString());
  list.itemIndex = combo->currentIndex();
  return list;
}

void reserveComboWidth(QComboBox *combo, const QStringList &items) {
  QComboBox widest;
  widest.setFont(combo->font());
  widest.setSizeAdjustPolicy(QComboBox::AdjustToContents);
  widest.addItems(items);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumWidth(widest.sizeHint().width());
}
