// The main window, MainWindow: tool bar, output folder and format row, the
// source list, the settings groups with the preview pane, and the status
// bar. It owns the engine component FFVCL, the timers, the preview and all
// run-time state of the list, the queue and the preview.
//
// The window is split by area, one source file each; every handler below is
// already connected to its control or menu item:
//   mainwindow.cpp             start-up, layout, menus, close and exit,
//                              output folder, volume, help, About, options
//   mainwindow_profiles.cpp    // Output profiles
//   mainwindow_sourcelist.cpp  // Source list
//   mainwindow_queue.cpp       // Conversion queue
//   mainwindow_preview.cpp     // Preview
#pragma once

#include <QComboBox>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "prompts.h"
#include "queue_interfaces.h"

class SettingsStore;
class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QSlider;
class QStatusBar;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class EngineEventRelay;
class MediaEngine;
class PreviewPlayer;
class OptionsDialog;
class AboutDialog;
class QtMainThreadScheduler;
class ResourceSound;
class FrameGrabber;
class FileAdder;           // Source list
class FileDropTarget;      // Source list
struct SourceRowTexts;     // Source list
class ConversionQueue;     // Conversion queue
class QueueLink;           // Conversion queue
struct OutputOptions;    // Output profiles
struct ProfileChoices;   // Output profiles

// A drop-down list that reports when its list is about to drop down.
class DropDownComboBox : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void showPopup() override;
 signals:
  void dropDown();
};

// How the window is set up; the defaults are those of the installed program.
struct MainWindowOptions {
  // Answers message boxes and dialogs (nullptr: appPrompts()).
  Prompts *prompts = nullptr;
  // The program's folder, which holds "Common" and the help page (empty:
  // the folder of the running executable).
  QString programFolder;
  // Folder replacing the user's settings location (empty: the environment
  // variable TREVIX_SETTINGS_DIR, else the user's own settings).
  QString settingsFolder;
};

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(const MainWindowOptions &options = {});
  ~MainWindow() override;

  // True when the start-up failed (media libraries missing): the message was
  // shown and the window must not be used; the program ends.
  bool startupFailed() const { return startupFailed_; }
  // Creates FormAbout and then Form4 (whose creation loads the settings).
  // Called once after the window, as the program's start-up does.
  void createForms();

  // ---- Application shell -------------------------------------------------
  // Non-visual parts.
  Prompts *prompts = nullptr;
  std::unique_ptr<SettingsStore> settingsStore;
  QtMainThreadScheduler *scheduler = nullptr;
  std::unique_ptr<MediaEngine> FFVCL;
  QTimer *timerConvertAgain = nullptr;  // 200 ms, disabled at start
  AboutDialog *formAbout = nullptr;      // created by CreateForms
  OptionsDialog *form4 = nullptr;              // created by CreateForms
  QString programFolder;                // no trailing separator
  QString helpFile;                     // the help page's full path

  // The open dialog's settings (used through Prompts->OpenFiles).
  struct OpenDialog {
    QString filter;  // "Name|patterns|Name|patterns|"
    bool allowMultiSelect = true;
    bool fileMustExist = true;
    bool hideReadOnly = true;
    bool enableSizing = true;
  } openDialog1;
  // The output folder picker.
  struct BrowseForFolder {
    QString headline;
    QString lastFolder;  // the folder last chosen since the start
  } browseForFolder1;

  // Menus.
  QMenuBar *mainMenu1 = nullptr;
  QMenu *file1 = nullptr;
  QAction *addFiles1 = nullptr, *n5 = nullptr, *convert1 = nullptr, *n6 = nullptr, *exit1 = nullptr;
  QMenu *options1 = nullptr;
  QAction *setGeneralOptions1 = nullptr;
  QMenu *help1 = nullptr;
  QAction *openHelpFile1 = nullptr, *n2 = nullptr, *visitOurWebsite1 = nullptr, *n4 = nullptr, *about1 = nullptr;
  QMenu *popupListView1 = nullptr;
  QAction *checkAllItems1 = nullptr, *uncheckAllItems1 = nullptr, *n1 = nullptr, *deleteSelectedItem1 = nullptr,
          *clearAllItems1 = nullptr, *n8 = nullptr, *playSelectedFile1 = nullptr, *n9 = nullptr;
  // False while a conversion runs: the list's pop-up menu does not open.
  bool popupListView1AutoPopup = true;
  QMenu *popupMenuSpeaker = nullptr;
  QAction *mute1 = nullptr, *halfVolume1 = nullptr, *fullVolume1 = nullptr;

  // Tool bar.
  QFrame *panel1 = nullptr;
  QToolButton *buttonAddFile = nullptr, *buttonRemove = nullptr, *buttonClear = nullptr,
              *buttonStopConvert = nullptr, *buttonConvert = nullptr;
  // Output row.
  QFrame *panel2 = nullptr;
  QLabel *label1 = nullptr;
  QLineEdit *editOutputFolder = nullptr;
  QToolButton *buttonBrowseForFolder = nullptr;
  QLabel *label2 = nullptr;
  DropDownComboBox *comboOutputFormat = nullptr;
  // Source list (check boxes; columns: SourceListColumn).
  QFrame *panel6 = nullptr;
  QTreeWidget *listView1 = nullptr;
  // Settings and preview area.
  QFrame *panel7 = nullptr;
  QGroupBox *groupBox1 = nullptr;  // " Video Settings "
  QLabel *labelVideoQuality = nullptr, *labelVideoSize = nullptr, *labelVideoFramerate = nullptr;
  QComboBox *comboVideoQuality = nullptr, *comboVideoSize = nullptr, *comboVideoFramerate = nullptr;
  QGroupBox *groupBox2 = nullptr;  // " Audio Settings "
  QLabel *labelAudioQuality = nullptr, *labelAudioChannels = nullptr, *labelTrackBar1 = nullptr;
  QComboBox *comboAudioQuality = nullptr, *comboAudioChannels = nullptr;
  QSlider *trackBar1 = nullptr;  // volume, positions 0..10
  QLabel *labelVolume = nullptr;
  QProgressBar *progressBar1 = nullptr;
  QToolButton *buttonStopSmall = nullptr;
  QFrame *panel8 = nullptr;  // preview picture
  QLabel *image1 = nullptr;
  QWidget *videoWindow1 = nullptr;
  QToolButton *buttonPlay = nullptr, *buttonPause = nullptr, *buttonStop = nullptr, *buttonVolume = nullptr,
              *buttonSnapshot = nullptr;
  QSlider *dsTrackBar1 = nullptr;
  // Status bar: panel 0 "Ready", panel 1 output size, panel 2 empty.
  QStatusBar *statusBar1 = nullptr;
  QLabel *statusPanels[3] = {nullptr, nullptr, nullptr};
  QString statusPanelText(int panel) const;
  void setStatusPanelText(int panel, const QString &text);
  // Hidden value holders (never shown).
  QGroupBox *groupBox3 = nullptr;  // " General Settings "
  QComboBox *comboLetterBox = nullptr, *comboAspectRatio = nullptr;
  QComboBox *comboAudioCodec = nullptr, *comboSamplingRate = nullptr, *comboVideoCodec = nullptr,
            *comboAudioBitrate = nullptr, *comboVideoBitrate = nullptr;
  QPlainTextEdit *memo1 = nullptr;

  // Run-time state (all zero, false or empty at creation).
  bool converting = false;
  bool userAborted = false;
  bool addingFiles = false;
  bool isLastRow = false;
  bool queueFinished = false;
  int currentRow = 0;
  int idleTicks = 0;
  QString outputType;
  int32_t volumeValue = 0;
  bool previewPaused = false;
  bool previewStopped = false;
  int previewRow = 0;
  QString previewFile;
  QString speakerState;

  // Ends the program at once; replaceable for tests. Default: leave the
  // event loop (QCoreApplication::exit(0)).
  std::function<void()> terminateProgram;

  // Shows the information message box through Prompts.
  void showInformation(const QString &text);

 public slots:
  void formShow();
  void buttonBrowseForFolderClick();
  void trackBar1Change();
  void exit1Click();
  void setGeneralOptions1Click();
  void openHelpFile1Click();
  void visitOurWebsite1Click();
  void about1Click();

  // ---- Output profiles (mainwindow_profiles.cpp) ---------------------------
 public:
  int lastFormatIndex = 0;
  // Fills ComboOutputFormat with the output format list, selects item 0.
  void fillOutputFormatList();
  void updateVideoControls();
  void applyQualityPreset();
 public slots:
  void comboOutputFormatChange();    // user's pick (activated), and FormShow
  void comboOutputFormatDropDown();  // DropDownComboBox::DropDown
  void comboVideoQualityChange();    // user's pick (activated)
  void comboAudioQualityChange();    // user's pick (activated)
  // Output profiles
 public:
  // The setting combos as plain choice lists, and back (without change
  // events); the profile logic works on the lists.
  ProfileChoices profileChoices() const;
  void showProfileChoices(const ProfileChoices &choices);
  // Writes the selected profile's encoder settings into `options`; raises
  // SettingLabelError when a bit-rate or sample-rate label has no number.
  void applyProfileOptions(OutputOptions &options) const;
  // The hint of each quality combo: the bit rate it stands for.
  void comboVideoQualityMouseEnter();
  void comboAudioQualityMouseEnter();

  // ---- Source list (mainwindow_sourcelist.cpp) -----------------------------
 public:
  void addFilesProc();
 public slots:
  void buttonAddFileClick();  // ButtonAddFile, AddFiles1
  void bmdThread1Start();
  void deleteSelectedItem1Click();  // ButtonRemove, DeleteSelectedItem1
  void clearAllItems1Click();       // ButtonClear, ClearAllItems1
  void checkAllItems1Click();
  void uncheckAllItems1Click();
  void playSelectedFile1Click();
  void listView1SelectItem();  // ListView1 itemSelectionChanged
  // Source list
 public:
  // Files dropped onto the list take the Add File road with these files in
  // place of the open dialog's choice.
  void addDroppedFiles(const QStringList &files);
  // Appends one row with the given texts and scrolls it into view.
  QTreeWidgetItem *addSourceRow(const SourceRowTexts &row);
  // A conversion run is under way: a job runs or the queue timer waits.
  bool runInProgress() const;
  FileAdder *bmdThread1 = makeBMDThread1();
  FileDropTarget *listView1Drop = makeListView1Drop();
  QStringList droppedFiles;  // the files of a drop, taken by AddFilesProc
 private:
  FileAdder *makeBMDThread1();
  FileDropTarget *makeListView1Drop();

  // ---- Conversion queue (mainwindow_queue.cpp) -----------------------------
 public:
  void buildNextJob();
  void disableControlsForConversion();
  void enableControlsAfterConversion();
  void setMainMenuEnabled(bool enabled);
  // What the queue does with the engine's events (it receives them on the
  // UI thread in the order raised; never after the window closed or began
  // to be destroyed).
  void ffvclProgress(int32_t index, int32_t frameNumber, int32_t AFPS, int32_t currentDuration,
                     float quality, float bitRate, int64_t currentSize, int32_t totalOutputDuration);
  void ffvclTerminate(int32_t index, bool finished, bool exception, const std::string &message);
 public slots:
  void buttonConvertClick();  // ButtonConvert, Convert1
  void buttonStopConvertClick();
  void buttonStopSmallClick();
  void timerConvertAgainTimer();
  // Conversion queue
 public:
  // The running part of the queue: Start checks, jobs, events and Stop.
  ConversionQueue &queue();
 private:
  friend class QueueLink;
  std::shared_ptr<QueueLink> queueLink_;  // made with the window (ConnectEngine)

  // ---- Preview (mainwindow_preview.cpp) ------------------------------------
 public:
  // Clears the preview graph and deactivates it (window close).
  void releasePreview();
  // The playback graph, its frame grabber and the snapshot sound; made by
  // CreatePreview (on first use when not called before), which also binds
  // VideoWindow1 and DSTrackBar1 to the graph.
  PreviewPlayer *filterGraph1 = nullptr;
  FrameGrabber *sampleGrabber1 = nullptr;
  ResourceSound *snapSound = nullptr;
  void createPreview();
  // Stops the graph and clears PreviewPaused; the graph stays loaded, so
  // Play loads the selected row again (row selection, Add File).
  void stopPreviewGraph();
  // Stops the graph, deactivates it and clears PreviewPaused (Start).
  void stopAndReleasePreview();
 public slots:
  void buttonPlayClick();
  void buttonPauseClick();
  void buttonStopClick();
  void buttonSnapshotClick();
  void buttonVolumeClick();
  void fullVolume1Click();
  void halfVolume1Click();
  void mute1Click();

  // ---- Application shell, continued ----------------------------------------
 protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

 private:
  void createControls();
  void createMenus();
  void connectEngine();
  void formCreate();
  // Close query: false while converting; otherwise disconnects the engine's
  // events and stops it.
  bool formCloseQuery();
  void formClose();
  void formDestroy();

  bool startupFailed_ = false;
  bool closed_ = false;
  std::shared_ptr<EngineEventRelay> relay_;
};
