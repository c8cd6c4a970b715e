// "Additional Options": the overwrite rule, the length of the output-format
// drop-down, and the two picture choices (video zoom and aspect ratio) that
// have no visible control in the main window. Non-modal, always on top,
// centred on the main window; "Done" hides it. Its creation loads the saved
// settings into both windows.
#pragma once

#include <QDialog>

#include "settings.h"

class SettingsStore;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class SpinEdit;

// The main-window controls the dialog loads, saves and mirrors into.
struct MainWindowControls {
  QLineEdit *outputFolderEdit = nullptr;
  QComboBox *profileCombo = nullptr;
  QComboBox *letterBoxCombo = nullptr;    // hidden holder
  QComboBox *aspectRatioCombo = nullptr;  // hidden holder
  QComboBox *videoQualityCombo = nullptr;
  QComboBox *audioQualityCombo = nullptr;
};

class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  // `store` must outlive the dialog.
  OptionsDialog(QWidget *mainWindow, const MainWindowControls &mainControls, SettingsStore &store);

  QGroupBox *additionalOptionsBox = nullptr;
  QCheckBox *overwriteCheck = nullptr;
  QLabel *dropDownItemsLabel = nullptr;
  SpinEdit *dropDownItemsSpin = nullptr;
  QGroupBox *generalVideoBox = nullptr;
  QLabel *videoZoomLabel = nullptr;
  QComboBox *letterBoxCombo = nullptr;
  QLabel *aspectRatioLabel = nullptr;
  QComboBox *aspectRatioCombo = nullptr;
  QPushButton *doneButton = nullptr;

  // Reads the stored values into both windows (see ::loadSettings).
  bool loadSettings();
  // Writes the current values of both windows (see ::saveSettings).
  bool saveSettings();
  // The length of the output-format drop-down chosen here: the number
  // typed, or the minimum for one that is no length (0 or less). The
  // number is saved as typed.
  int dropDownItems() const;

 public slots:
  void onDropDownItemsChanged();
  void onLetterBoxChosen();
  void onAspectRatioChosen();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void createControls();
  void loadAtCreation();
  SettingsControls settingsControls() const;

  MainWindowControls main_;
  SettingsStore &store_;
};
