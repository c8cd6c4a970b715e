// The main window, MainWindow: tool bar, output folder and format row, the
// source list, the settings groups with the preview pane, and the status
// bar. It owns the engine component, the timers, the preview, the source
// list's data (sourceJobs, shown through sourceListModel), the log dialog
// and all run-time state of the queue and the preview. It reaches the
// desktop (message boxes, file dialogs, opening files and folders,
// notifications) only through Prompts and DesktopServices.
//
// Everything here runs on the UI thread; the engine's events reach the
// window only through the conversion queue's relay (engine_relay.h).
//
// The window is split by area, one source file each; every handler below is
// connected to its control or menu item:
//   mainwindow.cpp             start-up, close and exit, output folder,
//                              volume, help, About, options
//   mainwindow_layout.cpp      menus and controls, by area of the window
//   mainwindow_profiles.cpp    output profiles
//   mainwindow_sourcelist.cpp  source list
//   mainwindow_queue.cpp       conversion queue
//   mainwindow_preview.cpp     preview
#pragma once

#include <QComboBox>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

#include "conversion_settings.h"
#include "prompts.h"
#include "source_jobs.h"

class QtSettingsStore;
class DesktopServices;
class LogDialog;
class QAction;
class QLayout;
class QModelIndex;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QSlider;
class QStatusBar;
class QTimer;
class QToolButton;
class QTreeView;
class EngineEventRelay;
class MediaEngine;
class PreviewPlayer;
class OptionsDialog;
class AboutDialog;
class QtMainThreadScheduler;
class ResourceSound;
class FrameGrabber;
class SeekBar;
class ExclusiveRun;
class FileDropTarget;
class SourceListModel;
class ConversionQueue;
class QueueLink;
struct OutputOptions;
struct QueueFlags;
struct ProfileChoices;

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
  // Opens folders and files, shows notifications (nullptr:
  // systemDesktopServices()).
  DesktopServices *desktop = nullptr;
  // The program's folder, which holds "Common" and the help page (empty:
  // the folder of the running executable).
  QString programFolder;
  // Folder replacing the user's settings location (empty: the user's own
  // settings).
  QString settingsFolder;
};

// The panels of the status bar: the state ("Ready", "Converting 2 of 5",
// "3 Done, 1 Fail"), the output size, and the running file's times.
enum StatusPanel { kStatePanel = 0, kFileSizePanel = 1, kTimePanel = 2, kStatusPanelCount = 3 };

// The window's size below the menu bar in the design: the least it gets
// where the screen has room.
inline constexpr int kDesignClientWidth = 753;
inline constexpr int kDesignClientHeight = 532;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(const MainWindowOptions &options = {});
  ~MainWindow() override;

  // True when the start-up failed (media libraries missing): the message was
  // shown and the window must not be used; the program ends.
  bool startupFailed() const { return startupFailed_; }
  // Creates the About box and then the options dialog (whose creation loads
  // the settings). Called once after the window, as the program's start-up
  // does.
  void createDialogs();

  // The conversion settings the window shows and the jobs are built from.
  const ConversionSettings &settings() const { return settings_; }
  // The output folder, as the folder dialog's choice sets it.
  void setOutputFolder(const QString &folder);

  // ---- Application shell -------------------------------------------------
  Prompts *prompts = nullptr;
  DesktopServices *desktop = nullptr;
  QtMainThreadScheduler *scheduler = nullptr;
  std::unique_ptr<MediaEngine> engine;
  QTimer *nextRowTimer = nullptr;        // 200 ms, disabled at start
  AboutDialog *aboutDialog = nullptr;    // made by createDialogs
  OptionsDialog *optionsDialog = nullptr;  // made by createDialogs
  QString programFolder;                 // no trailing separator
  QString helpFile;                      // the help page's full path

  // The open dialog's settings (used through Prompts::openFiles).
  struct OpenDialogSettings {
    QString filter;  // "Name|patterns|Name|patterns|"
    bool allowMultiSelect = true;
    bool fileMustExist = true;
    bool hideReadOnly = true;
    bool enableSizing = true;
  } openDialog;
  // The output folder picker.
  struct FolderDialogSettings {
    QString headline;
    QString lastFolder;  // the folder last chosen since the start
  } folderDialog;

  // Menus.
  QMenuBar *mainMenu = nullptr;
  QMenu *fileMenu = nullptr;
  QAction *addFilesAction = nullptr, *convertAction = nullptr, *openOutputFolderAction = nullptr,
          *exitAction = nullptr;
  QMenu *optionsMenu = nullptr;
  QAction *setOptionsAction = nullptr;
  QMenu *helpMenu = nullptr;
  QAction *openHelpAction = nullptr, *visitWebsiteAction = nullptr, *aboutAction = nullptr;
  QMenu *sourceListMenu = nullptr;
  QAction *checkAllAction = nullptr, *uncheckAllAction = nullptr, *removeSelectedAction = nullptr,
          *clearAllAction = nullptr, *playSelectedAction = nullptr, *showLogAction = nullptr;
  // Esc: Stop, while a run is in progress.
  QAction *stopAction = nullptr;
  // False while a conversion runs: the list's pop-up menu does not open.
  bool sourceListMenuEnabled = true;
  QMenu *volumeMenu = nullptr;
  QAction *muteAction = nullptr, *halfVolumeAction = nullptr, *fullVolumeAction = nullptr;

  // Tool bar.
  QFrame *toolBarPanel = nullptr;
  QToolButton *addFileButton = nullptr, *removeFileButton = nullptr, *clearAllButton = nullptr,
              *stopButton = nullptr, *startButton = nullptr;
  // Output row.
  QFrame *outputPanel = nullptr;
  QLabel *outputFolderLabel = nullptr;
  QLineEdit *outputFolderEdit = nullptr;
  QToolButton *chooseFolderButton = nullptr;
  QToolButton *openFolderButton = nullptr;
  QLabel *profileLabel = nullptr;
  DropDownComboBox *profileCombo = nullptr;
  // Source list: the jobs, the table model over them and the view.
  SourceJobs sourceJobs;
  SourceListModel *sourceListModel = nullptr;
  QFrame *sourceListPanel = nullptr;
  QTreeView *sourceList = nullptr;
  // Settings and preview area.
  QFrame *settingsPanel = nullptr;
  QGroupBox *videoSettingsBox = nullptr;  // " Video Settings "
  QLabel *videoQualityLabel = nullptr, *videoSizeLabel = nullptr, *frameRateLabel = nullptr;
  QComboBox *videoQualityCombo = nullptr, *videoSizeCombo = nullptr, *frameRateCombo = nullptr;
  QGroupBox *audioSettingsBox = nullptr;  // " Audio Settings "
  QLabel *audioQualityLabel = nullptr, *audioChannelsLabel = nullptr, *volumeLabel = nullptr;
  QComboBox *audioQualityCombo = nullptr, *audioChannelsCombo = nullptr;
  QSlider *volumeSlider = nullptr;  // positions 0..10
  QLabel *volumePercentLabel = nullptr;
  QProgressBar *progressBar = nullptr;
  QToolButton *progressStopButton = nullptr;  // the second Stop, beside the bar
  QFrame *previewPanel = nullptr;
  QLabel *previewLogo = nullptr;       // the program's icon while nothing plays
  QWidget *previewPicture = nullptr;   // holds the video while a file is loaded
  QToolButton *playButton = nullptr, *pauseButton = nullptr, *previewStopButton = nullptr,
              *volumeButton = nullptr, *snapshotButton = nullptr;
  SeekBar *seekBar = nullptr;
  // Status bar: see StatusPanel.
  QStatusBar *mainStatusBar = nullptr;
  QLabel *statusPanels[kStatusPanelCount] = {nullptr, nullptr, nullptr};
  QString statusPanelText(int panel) const;
  void setStatusPanelText(int panel, const QString &text);
  // Run-time state (all zero, false or empty at creation).
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

  // The least size: the design size, or more where the layouts need it
  // (a larger font), but never more than the screen it is on.
  QSize designSize() const;
  void applyMinimumSize();

  // The files named on the program's command line, added as Add File
  // would add them (a folder stands for the sources in it).
  void addFilesFromCommandLine(const QStringList &paths);

  // "Show Log" of a row, and the log dialog it uses (made on first use).
  void showRowLog(int row);
  LogDialog *logDialog = nullptr;

 public slots:
  void onShown();
  void chooseOutputFolder();
  void onVolumeChanged();
  void exitProgram();
  void showOptionsDialog();
  void openHelpFile();
  void visitWebsite();
  void showAboutDialog();
  // The output folder (button beside it, File menu) in the desktop's file
  // manager.
  void openOutputFolder();

  // ---- Output profiles (mainwindow_profiles.cpp) ---------------------------
 public:
  int lastProfileIndex = 0;
  // Fills the profile list with the output formats, selects item 0.
  void fillProfileList();
  void updateVideoControls();
  void applyQualityPreset();
  // The hint of each quality combo: the bit rate it stands for.
  void showVideoQualityHint();
  void showAudioQualityHint();
 public slots:
  void onProfileChosen();        // the user's pick (activated), and onShown
  void applyDropDownLength();    // DropDownComboBox::dropDown
  void onQualityChosen();        // the user's pick of either quality level
  void onChoiceChosen();         // the user's pick of size, frame rate or channels

  // ---- Source list (mainwindow_sourcelist.cpp) -----------------------------
 public:
  // Shows the open dialog (or takes the dropped files) and lists each file.
  void addChosenFiles();
  // Files dropped onto the list take the Add File road with these files in
  // place of the open dialog's choice.
  void addDroppedFiles(const QStringList &files);
  // Probes one file and appends its row, scrolled into view.
  void appendSource(const QString &path);
  // The selected row, or -1.
  int selectedRow() const;
  // Whether the selected row has something for "Show Log".
  bool selectedRowHasLog() const;
  // A converted row's output, opened with the desktop's program for it.
  void openConvertedFile(int row);
  // A conversion run is under way: a job runs or the queue timer waits.
  bool runInProgress() const;
  ExclusiveRun *addFilesRun = nullptr;
  FileDropTarget *sourceListDrop = nullptr;
  QStringList droppedFiles;  // the files of a drop, taken by addChosenFiles
 public slots:
  void addFiles();            // addFileButton, addFilesAction
  void removeSelectedFile();  // removeFileButton, removeSelectedAction
  void clearAllFiles();       // clearAllButton, clearAllAction
  void checkAllFiles();
  void uncheckAllFiles();
  void playSelectedFile();
  void showSelectedLog();     // showLogAction
  void onSourceSelected();    // the list's selection changed
  // A failed row shows its log, a converted one opens its output.
  void onSourceDoubleClicked(const QModelIndex &index);

  // ---- Conversion queue (mainwindow_queue.cpp) -----------------------------
 public:
  void disableControlsForConversion();
  void enableControlsAfterConversion();
  void setMainMenuEnabled(bool enabled);
  // The running part of the queue: Start checks, jobs, events and Stop.
  ConversionQueue &queue();
  // Where the run stands (the queue's own state).
  const QueueFlags &runFlags() const;
 public slots:
  void startConversion();     // startButton, convertAction
  void stopAllConversions();  // stopButton, progressStopButton
  void onNextRowTimer();
 private:
  friend class QueueLink;
  std::shared_ptr<QueueLink> queueLink_;  // made with the window (connectEngine)

  // ---- Preview (mainwindow_preview.cpp) ------------------------------------
 public:
  // Clears the preview graph and deactivates it (window close).
  void releasePreview();
  // The playback graph, its frame grabber and the snapshot sound; made by
  // createPreview (on first use when not called before), which also binds
  // the picture and the seek bar to the graph.
  PreviewPlayer *previewPlayer() const { return previewPlayer_; }
  FrameGrabber *frameGrabber() const { return frameGrabber_; }
  void createPreview();
  // Stops the graph and clears previewPaused; the graph stays loaded, so
  // Play loads the selected row again (row selection, Add File).
  void stopPreviewKeepingFile();
  // Stops the graph, deactivates it and clears previewPaused (Start).
  void stopAndReleasePreview();
 public slots:
  void playPreview();
  void pausePreview();
  void stopPreview();
  void saveSnapshot();
  void showVolumeMenu();
  void setFullVolume();
  void setHalfVolume();
  void mute();
 private:
  void setSpeaker(const char *state, int volume, const char *glyph);
  PreviewPlayer *previewPlayer_ = nullptr;
  FrameGrabber *frameGrabber_ = nullptr;
  ResourceSound *snapSound_ = nullptr;

  // ---- Application shell, continued ----------------------------------------
 protected:
  bool event(QEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

 private:
  // mainwindow_layout.cpp
  void createMenus();
  void createControls();
  void createToolBar(QWidget *client);
  void createOutputRow(QWidget *client);
  void createSourceList(QWidget *client);
  void createVideoSettings(QWidget *area);
  void createAudioSettings(QWidget *area);
  void createProgressRow(QWidget *area);
  QLayout *createPreviewPane(QWidget *area);
  void createStatusBar();
  void setKeyboardOrder();
  // mainwindow.cpp
  void setUpAtCreation();
  void placeOnScreen(QPoint wanted = QPoint(-1, -1));
  // Close query: false while converting; otherwise disconnects the engine's
  // events and stops it.
  bool closeAllowed();
  void saveAndRelease();
  // The settings record into the controls that show it (without change
  // events).
  void showSettings();
  void showChoices();
  // Loads and saves the settings; a store that cannot be read or written is
  // told once.
  void loadStoredSettings();
  void saveStoredSettings();
  void tellSettingsProblem(const char *text);

  std::unique_ptr<QtSettingsStore> settingsStore_;
  ConversionSettings settings_;
  bool settingsProblemTold_ = false;

  bool startupFailed_ = false;
  bool closed_ = false;
  bool placed_ = false;  // sized and placed for its screen at the first show
  std::shared_ptr<EngineEventRelay> relay_;
};
