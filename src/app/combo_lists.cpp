#include "combo_lists.h"

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
    same = combo->itemText(i) == QString::fromStdString(list.items[static_cast<size_t>(i)]);
  if (!same) {
    combo->clear();
    for (const std::string &item : list.items) combo->addItem(QString::fromStdString(item));
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
