#include "settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "settings_store.h"
#include "spin_edit.h"

namespace {

QString Name(const char *n) { return QString::fromLatin1(n); }

// Selects item `index` of `combo` when the stored index is 0 or more; an
// index past the end leaves the list without a selection.
void SelectStoredIndex(QComboBox *combo, int32_t index) {
  if (!combo || index < 0) return;
  combo->setCurrentIndex(index < combo->count() ? index : -1);
}

// Closes the store's key when leaving the scope, whatever happens.
struct TKeyCloser {
  ISettingsStore &store;
  ~TKeyCloser() { store.CloseKey(); }
};

bool ReadAll(ISettingsStore &store, const TSettingsControls &c) {
  QString folder;
  if (store.ValueExists(Name(kValueOutputFolder))) {
    if (!store.ReadString(Name(kValueOutputFolder), folder)) return false;
  }
  if (c.EditOutputFolder) c.EditOutputFolder->setText(folder);

  int32_t v = 0;
  if (!store.ReadInteger(Name(kValueOutputFormat), v)) return false;
  SelectStoredIndex(c.ComboOutputFormat, v);

  if (!store.ReadInteger(Name(kValueOverwrite), v)) return false;
  if (c.CheckBoxOverWrite) c.CheckBoxOverWrite->setChecked(v != 0);

  if (!store.ReadInteger(Name(kValueDropDownItems), v)) return false;
  if (v >= 0 && c.SpinEdit1) c.SpinEdit1->SetValue(v);

  if (!store.ReadInteger(Name(kValueLetterBox), v)) return false;
  SelectStoredIndex(c.ComboLetterBox, v);
  if (!store.ReadInteger(Name(kValueVideoQuality), v)) return false;
  SelectStoredIndex(c.ComboVideoQuality, v);
  if (!store.ReadInteger(Name(kValueAudioQuality), v)) return false;
  SelectStoredIndex(c.ComboAudioQuality, v);
  return true;
}

int32_t IndexOf(const QComboBox *combo) { return combo ? combo->currentIndex() : -1; }

}  // namespace

bool LoadSettings(ISettingsStore &store, const TSettingsControls &controls) {
  bool complete = false;
  {
    TKeyCloser closer{store};
    if (store.OpenKey()) complete = ReadAll(store, controls);
  }
  if (!complete) SaveSettings(store, controls);
  return complete;
}

bool SaveSettings(ISettingsStore &store, const TSettingsControls &c) {
  TKeyCloser closer{store};
  if (!store.OpenKey()) return false;
  const QString folder = c.EditOutputFolder ? c.EditOutputFolder->text() : QString();
  return store.WriteString(Name(kValueOutputFolder), folder) &&
         store.WriteInteger(Name(kValueOutputFormat), IndexOf(c.ComboOutputFormat)) &&
         store.WriteInteger(Name(kValueOverwrite),
                            c.CheckBoxOverWrite && c.CheckBoxOverWrite->isChecked() ? 1 : 0) &&
         store.WriteInteger(Name(kValueDropDownItems), c.SpinEdit1 ? c.SpinEdit1->Value() : 26) &&
         store.WriteInteger(Name(kValueLetterBox), IndexOf(c.ComboLetterBox)) &&
         store.WriteInteger(Name(kValueVideoQuality), IndexOf(c.ComboVideoQuality)) &&
         store.WriteInteger(Name(kValueAudioQuality), IndexOf(c.ComboAudioQuality));
}
