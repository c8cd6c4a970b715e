// Output profiles: the output format list and the per-profile settings.
//
// Placeholder of the shell: fills the list from the catalog so the window
// starts with its 47 items; the profile handlers are filled in here by the
// output profile code.
#include <QComboBox>

#include "mainwindow.h"
#include "profiles.h"

void TForm1::FillOutputFormatList() {
  TChoiceList list;
  ::FillOutputFormatList(list);
  const bool blocked = ComboOutputFormat->blockSignals(true);
  ComboOutputFormat->clear();
  for (const std::string &item : list.Items) ComboOutputFormat->addItem(QString::fromStdString(item));
  ComboOutputFormat->setMaxVisibleItems(ComboOutputFormat->count());
  ComboOutputFormat->setCurrentIndex(list.ItemIndex);
  ComboOutputFormat->blockSignals(blocked);
}

void TForm1::ComboOutputFormatChange() {}
void TForm1::ComboOutputFormatDropDown() {}
void TForm1::UpdateVideoControls() {}
void TForm1::ApplyQualityPreset() {}
void TForm1::ComboVideoQualityChange() {}
void TForm1::ComboAudioQualityChange() {}
