// "Additional Options": the overwrite rule, the length of the output-format
// drop-down, and the two picture choices (video zoom and aspect ratio) that
// have no visible control in the main window. Non-modal, always on top,
// centred on the main window; "Done" hides it. Its creation loads the saved
// settings into both windows.
#pragma once

#include <QDialog>

#include "settings.h"

class ISettingsStore;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class TSpinEdit;

// The main-window controls the dialog loads, saves and mirrors into.
struct TMainWindowControls {
  QLineEdit *EditOutputFolder = nullptr;
  QComboBox *ComboOutputFormat = nullptr;
  QComboBox *ComboLetterBox = nullptr;    // hidden holder
  QComboBox *ComboAspectRatio = nullptr;  // hidden holder
  QComboBox *ComboVideoQuality = nullptr;
  QComboBox *ComboAudioQuality = nullptr;
};

class TForm4 : public QDialog {
  Q_OBJECT
 public:
  // `store` must outlive the dialog.
  TForm4(QWidget *mainWindow, const TMainWindowControls &mainControls, ISettingsStore &store);

  QGroupBox *GroupBox1 = nullptr;
  QCheckBox *CheckBoxOverWrite = nullptr;
  TSpinEdit *SpinEdit1 = nullptr;
  QLabel *Label1 = nullptr;
  QGroupBox *GroupBox2 = nullptr;
  QLabel *Label2 = nullptr;  // "Video Zoom : "
  QComboBox *ComboLetterBox = nullptr;
  QLabel *Label3 = nullptr;  // "Video Aspect Ratio : "
  QComboBox *ComboAspectRatio = nullptr;
  QPushButton *Button1 = nullptr;

  // Reads the stored values into both windows (see ::LoadSettings).
  bool LoadSettings();
  // Writes the current values of both windows (see ::SaveSettings).
  bool SaveSettings();
  // The length of the output-format drop-down chosen here.
  int DropDownItems() const;

 public slots:
  void SpinEdit1Change();
  void ComboLetterBoxChange();
  void ComboAspectRatioChange();
  void Button1Click();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void FormCreate();
  TSettingsControls SettingsControls() const;

  TMainWindowControls main_;
  ISettingsStore &store_;
};
