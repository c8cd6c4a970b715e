// Filling and reading the window's combo boxes from the profile logic's
// plain choice lists, without raising their change events.
#pragma once

#include <QComboBox>
#include <QStringList>

#include "choice_list.h"

// Replaces the items and selects `index`, without change events.
void fillCombo(QComboBox *combo, const QStringList &items, int index);

// The items and the selection of a choice list, without change events; the
// items are replaced only when they differ. The words among the items
// ("Stereo", "Highest") are shown in the user's language; an item stands
// for its index.
void fillCombo(QComboBox *combo, const ChoiceList &list);

// A combo's items and selection as a choice list.
ChoiceList readCombo(const QComboBox *combo);

// Keeps the combo as wide as the widest of `items` needs, whichever of them
// it holds, so that the layout around it stays put when its items change.
void reserveComboWidth(QComboBox *combo, const QStringList &items);
