// The main window, MainWindow: tool bar, output folder and format row, the
// source list, the settings groups with the preview pane, and the status
// bar. It owns the engine component, the timers, the preview, the source
// list's data (sourceJobs, shown through sourceListModel), the log dialog
// and all run-time state of the queue and the preview. It reaches the
// desktop (message boxes, file dialogs, opening files and folders,
// notifications) only through Prompts and DesktopServices.
//
// Everything here runs on the UI thread; the engine's events reach the
// window only through the conversion queue's relay (engine_relay.h), the
// probes of files being added through the source prober's
// (source_prober.h).
//
// The window is split by area, one source file each; every handler below is
// connected to its control or menu item:
//   mainwindow.cpp             start-up, close and exit, output folder,
//                              volume, help, About, options
//   mainwindow_layout.cpp      menus and controls, by area of the window
//   mainwindow_profiles.cpp    output profiles
//   mainwindow_sourcelist.cpp  source list
//   mainwindow_queue.cpp       conversion queue
//   mainwindow_controls.cpp    which controls are enabled, close during a run
//   mainwindow_preview.cpp     preview
//   mainwindow_edits.cpp       cut and turn of the selected row
#pragma once

#include <QComboBox>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "control_states.h"
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
class FitIntoBox;
class CutDialog;
struct JobEdits;
class SourceListModel;
class SourceProber;
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
  // Where the running file's elapsed time is read from (empty: the steady
  // clock).
  std::function<std::chrono::steady_clock::time_point()> clock;
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
  // Creates the About box, loads the settings and creates the options
  // dialog over them. Called once after the window, as the program's
  // start-up does.
  void createDialogs();

  // The conversion settings the window shows and the jobs are built from.
  const ConversionSettings &settings() const { return settings_; }
  // The output folder, as the folder dialog's choice sets it.
  void setOutputFolder(const QString &folder);
  // The files named on the program's command line, added as Add File
  // would add them (a folder stands for the sources in it).
  void addFilesFromCommandLine(const QStringList &paths);
  // "Show Log" of a row, and the log dialog it uses (made on first use).
  void showRowLog(int row);
  QString statusPanelText(int panel) const;
  // A conversion run is under way: a job runs or the queue timer waits.
  bool runInProgress() const;
  // The running part of the queue: Start checks, jobs, events and Stop.
  ConversionQueue &queue();
  // Where the run stands (the queue's own state).
  const QueueFlags &runFlags() const;
  // The hint of each quality combo: the bit rate it stands for.
  void showVideoQualityHint();
  void showAudioQualityHint();
  // A run takes the controls that would change it, and gives them back
  // (control_states.h has the rule).
  void disableControlsForConversion();
  void enableControlsAfterConversion();
  // Where the window stands with its files and its run.
  RunPhase runPhase() const;

  // What the window holds and shows.
  MediaEngine *engine() const { return engine_.get(); }
  QString helpFile() const { return helpFile_; }  // the help page's full path
  const SourceJobs &sourceJobs() const { return sourceJobs_; }
  // The list's rows, for a caller that lists or ends a job itself.
  SourceJobs &sourceJobs() { return sourceJobs_; }
  // False while a conversion runs: the list's pop-up menu does not open.
  bool sourceListMenuEnabled() const { return sourceListMenuEnabled_; }
  // Where the preview stands: the row and file loaded, paused or stopped,
  // and the speaker's state ("full", "half", "mute").
  struct PreviewState {
    int row = 0;
    QString file;
    bool paused = false;
    bool stopped = false;
    QString speaker;
  };
  PreviewState previewState() const {
    return {previewRow_, previewFile_, previewPaused_, previewStopped_, speakerState_};
  }
  // The playback graph and its frame grabber (made by createPreview, on
  // first use when not called before).
  PreviewPlayer *previewPlayer() const { return previewPlayer_; }
  FrameGrabber *frameGrabber() const { return frameGrabber_; }
  // Replaces what ends the program at once (default: leave the event loop,
  // QCoreApplication::exit(0)).
  void setTerminateProgram(std::function<void()> terminate) { terminateProgram_ = std::move(terminate); }

 public slots:
  // The user's actions.
  void addFiles();  // addFileButton, addFilesAction
  // Files dropped onto the list take the Add File road with these files in
  // place of the open dialog's choice.
  void addDroppedFiles(const QStringList &files);
  void removeSelectedFile();  // removeFileButton, removeSelectedAction
  void clearAllFiles();       // clearAllButton, clearAllAction
  void checkAllFiles();
  void uncheckAllFiles();
  void startConversion();     // startButton, convertAction
  void stopAllConversions();  // stopButton, progressStopButton
  void playSelectedFile();    // playSelectedAction
  void playPreview();
  void pausePreview();
  void stopPreview();
  void saveSnapshot();
  void showVolumeMenu();
  void setFullVolume();
  void setHalfVolume();
  void mute();

 public:
  // Loads the selected profile's choices and its quality presets (the
  // first show does it).
  void onShown();
  // The preview graph, made with the picture and the seek bar bound to it
  // (on first use when not called before), and the snapshot sound.
  void createPreview();
  // Stops the graph and clears the pause; the graph stays loaded, so Play
  // loads the selected row again (row selection, Add File).
  void stopPreviewKeepingFile();
  // Stops the graph, deactivates it and clears the pause (Start).
  void stopAndReleasePreview();

 protected:
  bool event(QEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

 private:
  // ---- Application shell (mainwindow.cpp) ----------------------------------
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
  // Shows the information message box through Prompts.
  void showInformation(const QString &text);
  // Says that the desktop opened nothing for `path` (no program took it).
  void tellNotOpened(const QString &path);
  void setStatusPanelText(int panel, const QString &text);
  // "Ready" and nothing else: after Clear All, and once the counts of the
  // last run have been seen (the next Start, Add File or Remove File).
  void clearStatusBar();
  // The least size: the design size, or more where the layouts need it
  // (a larger font), but never more than the screen it is on.
  QSize designSize() const;
  void applyMinimumSize();
  void setUpAtCreation();
  void placeOnScreen(QPoint wanted = QPoint(-1, -1));
  // Close query: during a run it asks as Stop does and, on Yes, closes once
  // the stopped row has ended; otherwise disconnects the engine's events and
  // stops the engine.
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

  // ---- Layout (mainwindow_layout.cpp) --------------------------------------
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

  // ---- Output profiles (mainwindow_profiles.cpp) ---------------------------
  // Fills the profile list with the output formats, selects the profile of
  // the settings.
  void fillProfileList();
  void reserveChoiceWidths();
  void updateVideoControls();
  void applyQualityPreset();
  void onProfileChosen();        // the user's pick (activated), and onShown
  void applyDropDownLength();    // DropDownComboBox::dropDown
  void onQualityChosen();        // the user's pick of either quality level
  void onChoiceChosen();         // the user's pick of size, frame rate or channels

  // ---- Source list (mainwindow_sourcelist.cpp) -----------------------------
  // Shows the open dialog (or takes the dropped files) and lists each file
  // as the prober reports it; the window answers meanwhile (a local event
  // loop runs until the last file is listed or the adding is stopped).
  void addChosenFiles();
  // Appends the row of a probed file, scrolled into view.
  void appendSource(const QString &path, const ProbeSummary &probe);
  // Stop or Esc while files are added: the files not yet listed are left
  // out, a Start pressed meanwhile is dropped.
  void stopAddingFiles();
  // The selected row, or -1.
  int selectedRow() const;
  // Whether the selected row has something for "Show Log".
  bool selectedRowHasLog() const;
  // A converted row's output, opened with the desktop's program for it.
  void openConvertedFile(int row);
  void showSelectedLog();     // showLogAction
  void onSourceSelected();    // the list's selection changed
  // A failed row shows its log, a converted one opens its output.
  void onSourceDoubleClicked(const QModelIndex &index);

  // ---- Cut and turn of a row (mainwindow_edits.cpp) ------------------------
  // The list menu's items for them, and their state for the selected row.
  void addEditItems();
  void updateEditItems();
  // Where the preview stands in `row`'s file, in ms; -1 when it does not
  // show that row.
  int64_t previewPositionMs(int row) const;
  // The selected row's turn and cut, unless the cut cannot be converted
  // (then the reason is told and nothing changes).
  bool setSelectedEdits(const JobEdits &edits);
  void showCutDialog();          // setCutAction
  void cutAtPreview(bool start); // startHereAction, endHereAction
  void rotateSelected(int degrees);

  // ---- Conversion queue (mainwindow_queue.cpp) -----------------------------
  void onNextRowTimer();
  friend class QueueLink;

  // ---- Control states (mainwindow_controls.cpp) ----------------------------
  // Enables exactly the controls that act now (controlStates()).
  void applyControlStates();
  void setMainMenuEnabled(bool enabled);
  // The phase may have changed (a row ended, files were added): the
  // controls follow, and a close waiting for a stopped row is done.
  void onRunPhaseChanged();

  // ---- Preview (mainwindow_preview.cpp) ------------------------------------
  // Clears the preview graph and deactivates it (window close).
  void releasePreview();
  // Says in the preview pane why the loaded file cannot be played.
  void showPreviewFailure(const QString &reason);
  void setSpeaker(const char *state, int volume, const char *glyph);

  // ---- Controls and state ------------------------------------------------
  std::unique_ptr<MediaEngine> engine_;
  QTimer *nextRowTimer_ = nullptr;          // 200 ms, disabled at start
  AboutDialog *aboutDialog_ = nullptr;      // made by createDialogs
  OptionsDialog *optionsDialog_ = nullptr;  // made by createDialogs
  LogDialog *logDialog_ = nullptr;          // made by showRowLog
  QString helpFile_;                        // the help page's full path
  // Ends the program at once; replaceable for tests. Default: leave the
  // event loop (QCoreApplication::exit(0)).
  std::function<void()> terminateProgram_;
  QMenu *fileMenu_ = nullptr, *optionsMenu_ = nullptr, *helpMenu_ = nullptr, *sourceListMenu_ = nullptr,
        *volumeMenu_ = nullptr;
  QAction *openOutputFolderAction_ = nullptr, *exitAction_ = nullptr, *setOptionsAction_ = nullptr,
          *openHelpAction_ = nullptr, *visitWebsiteAction_ = nullptr, *aboutAction_ = nullptr,
          *showLogAction_ = nullptr;
  QAction *setCutAction_ = nullptr, *startHereAction_ = nullptr, *endHereAction_ = nullptr;
  QMenu *rotateMenu_ = nullptr;        // "Rotate": "90° Right", "90° Left", "180°", "No Turn"
  CutDialog *cutDialog_ = nullptr;     // made on first use
  // False while a conversion runs: the list's pop-up menu does not open.
  bool sourceListMenuEnabled_ = true;
  QToolButton *addFileButton_ = nullptr, *removeFileButton_ = nullptr, *clearAllButton_ = nullptr,
              *stopButton_ = nullptr, *startButton_ = nullptr, *chooseFolderButton_ = nullptr,
              *openFolderButton_ = nullptr, *progressStopButton_ = nullptr, *playButton_ = nullptr;
  QLineEdit *outputFolderEdit_ = nullptr;
  DropDownComboBox *profileCombo_ = nullptr;
  QLabel *fitIntoLabel_ = nullptr;     // "Fit into :"
  FitIntoBox *fitIntoBox_ = nullptr;   // beside the output format
  // Source list: the jobs, the table model over them and the view.
  SourceJobs sourceJobs_;
  SourceListModel *sourceListModel_ = nullptr;
  QTreeView *sourceList_ = nullptr;
  QGroupBox *videoSettingsBox_ = nullptr;  // " Video Settings "
  QLabel *videoSizeLabel_ = nullptr;
  QComboBox *videoQualityCombo_ = nullptr, *videoSizeCombo_ = nullptr, *frameRateCombo_ = nullptr;
  QComboBox *audioQualityCombo_ = nullptr, *audioChannelsCombo_ = nullptr;
  QSlider *volumeSlider_ = nullptr;  // positions 0..10
  QLabel *volumePercentLabel_ = nullptr;
  QProgressBar *progressBar_ = nullptr;
  QFrame *previewPanel_ = nullptr;
  // Status bar: see StatusPanel.
  QLabel *statusPanels_[kStatusPanelCount] = {nullptr, nullptr, nullptr};
  bool previewPaused_ = false;

  // ---- State ---------------------------------------------------------------
  Prompts *prompts_ = nullptr;
  DesktopServices *desktop_ = nullptr;
  QtMainThreadScheduler *scheduler_ = nullptr;
  QString programFolder_;  // no trailing separator
  // The running file's clock (MainWindowOptions::clock).
  std::function<std::chrono::steady_clock::time_point()> clockNow_;
  // The open dialog's settings (used through Prompts::openFiles).
  struct OpenDialogSettings {
    QString filter;  // "Name|patterns|Name|patterns|"
    bool allowMultiSelect = true;
    bool fileMustExist = true;
    bool hideReadOnly = true;
    bool enableSizing = true;
  } openDialog_;
  // The output folder picker.
  struct FolderDialogSettings {
    QString headline;
    QString lastFolder;  // the folder last chosen since the start
  } folderDialog_;

  // Menus and controls not named above.
  QMenuBar *mainMenu_ = nullptr;
  QAction *addFilesAction_ = nullptr, *convertAction_ = nullptr;
  QAction *checkAllAction_ = nullptr, *uncheckAllAction_ = nullptr, *removeSelectedAction_ = nullptr,
          *clearAllAction_ = nullptr, *playSelectedAction_ = nullptr;
  // Esc: Stop, while a run is in progress.
  QAction *stopAction_ = nullptr;
  QAction *muteAction_ = nullptr, *halfVolumeAction_ = nullptr, *fullVolumeAction_ = nullptr;
  QFrame *toolBarPanel_ = nullptr, *outputPanel_ = nullptr, *sourceListPanel_ = nullptr, *settingsPanel_ = nullptr;
  QLabel *outputFolderLabel_ = nullptr, *profileLabel_ = nullptr;
  QLabel *videoQualityLabel_ = nullptr, *frameRateLabel_ = nullptr;
  QGroupBox *audioSettingsBox_ = nullptr;  // " Audio Settings "
  QLabel *audioQualityLabel_ = nullptr, *audioChannelsLabel_ = nullptr, *volumeLabel_ = nullptr;
  QLabel *previewLogo_ = nullptr;      // the program's icon while nothing plays
  QWidget *previewPicture_ = nullptr;  // holds the video while a file is loaded
  QToolButton *pauseButton_ = nullptr, *previewStopButton_ = nullptr, *volumeButton_ = nullptr,
              *snapshotButton_ = nullptr;
  SeekBar *seekBar_ = nullptr;
  QStatusBar *mainStatusBar_ = nullptr;

  int lastProfileIndex_ = 0;
  ExclusiveRun *addFilesRun_ = nullptr;
  FileDropTarget *sourceListDrop_ = nullptr;
  QStringList droppedFiles_;  // the files of a drop, taken by addChosenFiles
  std::unique_ptr<SourceProber> sourceProber_;
  // Pressed while files were added: done once the adding has ended.
  bool startWhenAdded_ = false, closeWhenAdded_ = false;
  // Between runStarted and runReleased of the queue.
  bool runHoldsControls_ = false;
  // Close was confirmed during a run: done once the stopped row has ended.
  bool closeWhenStopped_ = false;
  bool previewStopped_ = false;
  int previewRow_ = 0;
  QString previewFile_;
  QString speakerState_;
  PreviewPlayer *previewPlayer_ = nullptr;
  FrameGrabber *frameGrabber_ = nullptr;
  ResourceSound *snapSound_ = nullptr;

  std::unique_ptr<QtSettingsStore> settingsStore_;
  ConversionSettings settings_;
  bool settingsProblemTold_ = false;

  bool startupFailed_ = false;
  bool closed_ = false;
  bool placed_ = false;  // sized and placed for its screen at the first show
  std::shared_ptr<QueueLink> queueLink_;  // made with the window (connectEngine)
  std::shared_ptr<EngineEventRelay> relay_;
};
