#include "settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "settings_store.h"
#include "spin_edit.h"

namespace {

QString name(const char *n) { return QString::fromLatin1(n); }

// Selects item `index` of `combo` when the stored index is 0 or more; an
// index past the end leaves the list without a selection.
void selectStoredIndex(QComboBox *combo, int32_t index) {
  if (!combo || index < 0) return;
  combo->setCurrentIndex(index < combo->count() ? index : -1);
}

// Closes the store's key when leaving the scope, whatever happens.
struct KeyCloser {
  SettingsStore &store;
  ~KeyCloser() { store.closeKey(); }
};

bool readAll(SettingsStore &store, const SettingsControls &c) {
  QString folder;
  if (store.valueExists(name(kValueOutputFolder))) {
    if (!store.readString(name(kValueOutputFolder), folder)) return false;
  }
  if (c.outputFolderEdit) c.outputFolderEdit->setText(folder);

  int32_t v = 0;
  if (!store.readInteger(name(kValueOutputFormat), v)) return false;
  selectStoredIndex(c.profileCombo, v);

  if (!store.readInteger(name(kValueOverwrite), v)) return false;
  if (c.overwriteCheck) c.overwriteCheck->setChecked(v != 0);

  if (!store.readInteger(name(kValueDropDownItems), v)) return false;
  if (v >= 0 && c.dropDownItemsSpin) c.dropDownItemsSpin->setValue(v);

  if (!store.readInteger(name(kValueLetterBox), v)) return false;
  selectStoredIndex(c.letterBoxCombo, v);
  if (!store.readInteger(name(kValueVideoQuality), v)) return false;
  selectStoredIndex(c.videoQualityCombo, v);
  if (!store.readInteger(name(kValueAudioQuality), v)) return false;
  selectStoredIndex(c.audioQualityCombo, v);
  return true;
}

int32_t indexOf(const QComboBox *combo) { return combo ? combo->currentIndex() : -1; }

}  // namespace

bool loadSettings(SettingsStore &store, const SettingsControls &controls) {
  bool complete = false;
  {
    KeyCloser closer{store};
    if (store.openKey()) complete = readAll(store, controls);
  }
  if (!complete) saveSettings(store, controls);
  return complete;
}

bool saveSettings(SettingsStore &store, const SettingsControls &c) {
  KeyCloser closer{store};
  if (!store.openKey()) return false;
  const QString folder = c.outputFolderEdit ? c.outputFolderEdit->text() : QString();
  return store.writeString(name(kValueOutputFolder), folder) &&
         store.writeInteger(name(kValueOutputFormat), indexOf(c.profileCombo)) &&
         store.writeInteger(name(kValueOverwrite),
                            c.overwriteCheck && c.overwriteCheck->isChecked() ? 1 : 0) &&
         store.writeInteger(name(kValueDropDownItems), c.dropDownItemsSpin ? c.dropDownItemsSpin->value() : kDropDownItemsMin) &&
         store.writeInteger(name(kValueLetterBox), indexOf(c.letterBoxCombo)) &&
         store.writeInteger(name(kValueVideoQuality), indexOf(c.videoQualityCombo)) &&
         store.writeInteger(name(kValueAudioQuality), indexOf(c.audioQualityCombo));
}
