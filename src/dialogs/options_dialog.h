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
  QLineEdit *editOutputFolder = nullptr;
  QComboBox *comboOutputFormat = nullptr;
  QComboBox *comboLetterBox = nullptr;    // hidden holder
  QComboBox *comboAspectRatio = nullptr;  // hidden holder
  QComboBox *comboVideoQuality = nullptr;
  QComboBox *comboAudioQuality = nullptr;
};

class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  // `store` must outlive the dialog.
  OptionsDialog(QWidget *mainWindow, const MainWindowControls &mainControls, SettingsStore &store);

  QGroupBox *groupBox1 = nullptr;
  QCheckBox *checkBoxOverWrite = nullptr;
  SpinEdit *spinEdit1 = nullptr;
  QLabel *label1 = nullptr;
  QGroupBox *groupBox2 = nullptr;
  QLabel *label2 = nullptr;  // "Video Zoom : "
  QComboBox *comboLetterBox = nullptr;
  QLabel *label3 = nullptr;  // "Video Aspect Ratio : "
  QComboBox *comboAspectRatio = nullptr;
  QPushButton *button1 = nullptr;

  // Reads the stored values into both windows (see ::LoadSettings).
  bool loadSettings();
  // Writes the current values of both windows (see ::SaveSettings).
  bool saveSettings();
  // The length of the output-format drop-down chosen here.
  int dropDownItems() const;

 public slots:
  void spinEdit1Change();
  void comboLetterBoxChange();
  void comboAspectRatioChange();
  void button1Click();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void formCreate();
  SettingsControls settingsControls() const;

  MainWindowControls main_;
  SettingsStore &store_;
};
