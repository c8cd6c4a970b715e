#include "settings.h"

#include <algorithm>

#include "job_slots.h"
#include "settings_store.h"

namespace {

QString name(const char *n) { return QString::fromLatin1(n); }

// Closes the store's key when leaving the scope, whatever happens.
struct KeyCloser {
  SettingsStore &store;
  ~KeyCloser() { store.closeKey(); }
};

// Reads the values one by one; each one that fails keeps the default it
// has in `s`. False when any failed.
class ValueReader {
 public:
  explicit ValueReader(const SettingsStore &store) : store_(store) {}

  // The stored integer, or nothing (and the read counts as failed).
  bool integer(const char *key, int32_t &value) {
    if (store_.readInteger(name(key), value)) return true;
    complete_ = false;
    return false;
  }
  // The stored integer when `valid` takes it; otherwise `value` is left.
  template <typename Valid>
  void integerIf(const char *key, int &value, Valid valid) {
    int32_t v = 0;
    if (!integer(key, v)) return;
    if (valid(v))
      value = v;
    else
      reject();
  }
  void text(const char *key, std::string &value) {
    value.clear();
    if (!store_.valueExists(name(key))) return;  // missing reads as empty
    QString v;
    if (store_.readString(name(key), v))
      value = v.toStdString();
    else
      complete_ = false;
  }
  // A value that was read but is out of range.
  void reject() { complete_ = false; }
  bool complete() const { return complete_; }

 private:
  const SettingsStore &store_;
  bool complete_ = true;
};

// The stored values of `s` at their defaults.
void resetStoredValues(ConversionSettings &s) {
  const ConversionSettings defaults;
  s.outputFolder = defaults.outputFolder;
  s.profileId = defaults.profileId;
  s.overwrite = defaults.overwrite;
  s.dropDownItems = defaults.dropDownItems;
  s.letterBox = defaults.letterBox;
  s.choices.comboVideoQuality.itemIndex = defaults.choices.comboVideoQuality.itemIndex;
  s.choices.comboAudioQuality.itemIndex = defaults.choices.comboAudioQuality.itemIndex;
  s.keepMetadata = defaults.keepMetadata;
  s.fitIntoBytes = defaults.fitIntoBytes;
  s.simultaneous = defaults.simultaneous;
}

// "Fit into" as stored: whole kilobytes, rounded down so that the size read
// back is never more than asked; a size outside the range is stored as off.
int64_t storedFitInto(int64_t bytes) { return fitIntoAllowed(bytes) ? bytes / 1000 : 0; }

bool readAll(const SettingsStore &store, ConversionSettings &s) {
  resetStoredValues(s);
  ValueReader r(store);
  r.text(kValueOutputFolder, s.outputFolder);
  int32_t v = 0;
  if (r.integer(kValueOutputFormat, v)) {
    const int id = profileIdAtListItem(v);
    if (id >= 0)
      s.profileId = id;
    else
      r.reject();
  }
  if (r.integer(kValueOverwrite, v)) s.overwrite = v != 0;
  if (r.integer(kValueDropDownItems, v)) {
    if (v >= 0)
      s.dropDownItems = std::clamp<int32_t>(v, kDropDownItemsMin, kDropDownItemsLimit);
    else
      r.reject();
  }
  r.integerIf(kValueLetterBox, s.letterBox, [](int32_t n) { return n >= 0 && n < kLetterBoxChoiceCount; });
  const auto level = [](ChoiceList &list) {
    return [&list](int32_t n) { return n >= 0 && n < static_cast<int32_t>(list.items.size()); };
  };
  r.integerIf(kValueVideoQuality, s.choices.comboVideoQuality.itemIndex, level(s.choices.comboVideoQuality));
  r.integerIf(kValueAudioQuality, s.choices.comboAudioQuality.itemIndex, level(s.choices.comboAudioQuality));
  if (r.integer(kValueKeepMetadata, v)) s.keepMetadata = v != 0;
  if (r.integer(kValueFitInto, v)) {
    if (fitIntoAllowed(int64_t{v} * 1000))
      s.fitIntoBytes = int64_t{v} * 1000;
    else
      r.reject();
  }
  // Missing: one at a time.
  if (store.valueExists(name(kValueSimultaneous)))
    r.integerIf(kValueSimultaneous, s.simultaneous, [](int32_t n) { return n >= 0 && n <= kMostChosenJobs; });
  return r.complete();
}

}  // namespace

SettingsLoad loadSettings(SettingsStore &store, ConversionSettings &settings) {
  ConversionSettings read = settings;
  bool complete = false;
  {
    KeyCloser closer{store};
    if (!store.openKey()) return SettingsLoad::NotRead;
    complete = readAll(store, read);
  }
  settings = read;
  if (complete) return SettingsLoad::Read;
  return saveSettings(store, settings) ? SettingsLoad::Rewritten : SettingsLoad::NotSaved;
}

bool saveSettings(SettingsStore &store, const ConversionSettings &s) {
  KeyCloser closer{store};
  if (!store.openKey() || !store.removeAll()) return false;
  return store.writeString(name(kValueOutputFolder), QString::fromStdString(s.outputFolder)) &&
         store.writeInteger(name(kValueOutputFormat), listItemOfProfile(s.profileId)) &&
         store.writeInteger(name(kValueOverwrite), s.overwrite ? 1 : 0) &&
         store.writeInteger(name(kValueDropDownItems), s.dropDownItems) &&
         store.writeInteger(name(kValueLetterBox), s.letterBox) &&
         store.writeInteger(name(kValueVideoQuality), s.choices.comboVideoQuality.itemIndex) &&
         store.writeInteger(name(kValueAudioQuality), s.choices.comboAudioQuality.itemIndex) &&
         store.writeInteger(name(kValueKeepMetadata), s.keepMetadata ? 1 : 0) &&
         store.writeInteger(name(kValueFitInto), static_cast<int32_t>(storedFitInto(s.fitIntoBytes))) &&
         (s.simultaneous == 1 || store.writeInteger(name(kValueSimultaneous), s.simultaneous)) && store.flush();
}
