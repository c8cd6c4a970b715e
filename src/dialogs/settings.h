// Loading and saving the user's choices: the output folder, the output
// format, the overwrite rule, the drop-down length, the letterbox choice and
// the two quality levels. The aspect-ratio choice is never stored.
#pragma once

#include <QString>

class SettingsStore;
class QCheckBox;
class QComboBox;
class QLineEdit;
class SpinEdit;

// Value names, in the order they are read and written.
inline constexpr const char *kValueOutputFolder = "Output Folder";
inline constexpr const char *kValueOutputFormat = "ComboOutputFormat";
inline constexpr const char *kValueOverwrite = "Overwrite";
inline constexpr const char *kValueDropDownItems = "DropDownItems";
inline constexpr const char *kValueLetterBox = "LetterBox";
inline constexpr const char *kValueVideoQuality = "VideoQuality";
inline constexpr const char *kValueAudioQuality = "AudioQuality";

// The limits of the drop-down length ("DropDownItems") for the spin buttons
// and for values the program sets; the smaller one is the first run's.
inline constexpr int kDropDownItemsMin = 26;
inline constexpr int kDropDownItemsMax = 47;

// The controls the values come from and go to.
struct SettingsControls {
  QLineEdit *outputFolderEdit = nullptr;   // main window
  QComboBox *profileCombo = nullptr;       // main window
  QCheckBox *overwriteCheck = nullptr;     // options dialog
  SpinEdit *dropDownItemsSpin = nullptr;   // options dialog
  QComboBox *letterBoxCombo = nullptr;     // main window (hidden holder)
  QComboBox *videoQualityCombo = nullptr;  // main window
  QComboBox *audioQualityCombo = nullptr;  // main window
};

// Reads the values in order into the controls. At the first read that fails
// (value missing or of another type) it stops and saves every setting from
// the controls, so a first run creates all values from the defaults; values
// read before stay applied. A missing "Output Folder" reads as empty.
// Returns true when every value was read.
bool loadSettings(SettingsStore &store, const SettingsControls &controls);

// Writes the seven values from the controls. Stops silently at the first
// error; the key is always closed. Returns true when all were written.
bool saveSettings(SettingsStore &store, const SettingsControls &controls);
