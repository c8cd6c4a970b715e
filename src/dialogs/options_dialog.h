// "Additional Options": the overwrite rule, the length of the output-format
// drop-down, whether a recording's date, place and camera are kept, how many
// conversions run at once ("Simultaneous conversions"), and the
// two picture choices (video zoom and aspect ratio) that have no visible
// control in the main window; their boxes take only their items' texts
// (or the start of one while it is typed). Non-modal, always on top, centred on the main
// window; "Done" hides it. It edits the window's conversion settings and
// tells when it changed them.
#pragma once

#include <QDialog>

#include "conversion_settings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class SpinEdit;

class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  // `settings` is the record the dialog shows and edits; it must outlive
  // the dialog.
  OptionsDialog(QWidget *mainWindow, ConversionSettings &settings);

  // Shows the record's values (after it was loaded or changed elsewhere).
  void showSettings();
  // The length of the output-format drop-down chosen here: the number
  // typed, or the minimum for one that is no length (0 or less). The
  // number is saved as typed.
  int dropDownItems() const;
  // Whether the settings here can be changed (not while a run uses them);
  // "Done" always can.
  void setSettingsEnabled(bool enabled);

 signals:
  // The user changed a value of the record here.
  void settingsEdited();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void createControls();
  void createGeneralVideoBox();
  void onDropDownItemsChanged();
  void onLetterBoxChosen();
  void onAspectRatioChosen();

  ConversionSettings &settings_;
  QGroupBox *additionalOptionsBox_ = nullptr;
  QCheckBox *overwriteCheck_ = nullptr;
  QCheckBox *keepMetadataCheck_ = nullptr;
  QLabel *dropDownItemsLabel_ = nullptr;
  SpinEdit *dropDownItemsSpin_ = nullptr;
  QLabel *simultaneousLabel_ = nullptr;
  QComboBox *simultaneousCombo_ = nullptr;  // "1" ... "8", then "Auto"
  QGroupBox *generalVideoBox_ = nullptr;
  QComboBox *letterBoxCombo_ = nullptr;
  QComboBox *aspectRatioCombo_ = nullptr;
  QPushButton *doneButton_ = nullptr;
  bool showing_ = false;  // showSettings is filling the controls
};
