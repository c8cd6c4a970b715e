// The main window, TForm1: tool bar, output folder and format row, the
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

class ISettingsStore;
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
class TEngineEventRelay;
class TFFmpegVCL;
class TFilterGraph;
class TForm4;
class TFormAbout;
class TQtMainThreadScheduler;
class TResourceSound;
class TSampleGrabber;
class TBMDThread;           // Source list
class TFileDropTarget;      // Source list
struct TSourceRowTexts;     // Source list
class TConversionQueue;     // Conversion queue
class TQueueLink;           // Conversion queue
struct TOutputOptions;    // Output profiles
struct TProfileChoices;   // Output profiles

// A drop-down list that reports when its list is about to drop down.
class TDropDownComboBox : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void showPopup() override;
 signals:
  void DropDown();
};

// How the window is set up; the defaults are those of the installed program.
struct TForm1Options {
  // Answers message boxes and dialogs (nullptr: AppPrompts()).
  IPrompts *Prompts = nullptr;
  // The program's folder, which holds "Common" and the help page (empty:
  // the folder of the running executable).
  QString ProgramFolder;
  // Folder replacing the user's settings location (empty: the environment
  // variable TREVIX_SETTINGS_DIR, else the user's own settings).
  QString SettingsFolder;
};

// Source list columns.
enum TListColumn {
  colFileName = 0,  // caption: the source path
  colVideoSize = 1,
  colFrameRate = 2,
  colDuration = 3,
  colOutput = 4,
  colProgress = 5,
  colFrames = 6,
  colCount = 7
};

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(const TForm1Options &options = {});
  ~TForm1() override;

  // True when the start-up failed (media libraries missing): the message was
  // shown and the window must not be used; the program ends.
  bool StartupFailed() const { return startupFailed_; }
  // Creates FormAbout and then Form4 (whose creation loads the settings).
  // Called once after the window, as the program's start-up does.
  void CreateForms();

  // ---- Application shell -------------------------------------------------
  // Non-visual parts.
  IPrompts *Prompts = nullptr;
  std::unique_ptr<ISettingsStore> SettingsStore;
  TQtMainThreadScheduler *Scheduler = nullptr;
  std::unique_ptr<TFFmpegVCL> FFVCL;
  QTimer *TimerConvertAgain = nullptr;  // 200 ms, disabled at start
  TFormAbout *FormAbout = nullptr;      // created by CreateForms
  TForm4 *Form4 = nullptr;              // created by CreateForms
  QString ProgramFolder;                // no trailing separator
  QString HelpFile;                     // the help page's full path

  // The open dialog's settings (used through Prompts->OpenFiles).
  struct TOpenDialog {
    QString Filter;  // "Name|patterns|Name|patterns|"
    bool AllowMultiSelect = true;
    bool FileMustExist = true;
    bool HideReadOnly = true;
    bool EnableSizing = true;
  } OpenDialog1;
  // The output folder picker.
  struct TBrowseForFolder {
    QString Headline;
    QString LastFolder;  // the folder last chosen since the start
  } BrowseForFolder1;

  // Menus.
  QMenuBar *MainMenu1 = nullptr;
  QMenu *File1 = nullptr;
  QAction *AddFiles1 = nullptr, *N5 = nullptr, *Convert1 = nullptr, *N6 = nullptr, *Exit1 = nullptr;
  QMenu *Options1 = nullptr;
  QAction *SetGeneralOptions1 = nullptr;
  QMenu *Help1 = nullptr;
  QAction *OpenHelpFile1 = nullptr, *N2 = nullptr, *VisitOurWebsite1 = nullptr, *N4 = nullptr, *About1 = nullptr;
  QMenu *PopupListView1 = nullptr;
  QAction *CheckAllItems1 = nullptr, *UncheckAllItems1 = nullptr, *N1 = nullptr, *DeleteSelectedItem1 = nullptr,
          *ClearAllItems1 = nullptr, *N8 = nullptr, *PlaySelectedFile1 = nullptr, *N9 = nullptr;
  // False while a conversion runs: the list's pop-up menu does not open.
  bool PopupListView1AutoPopup = true;
  QMenu *PopupMenuSpeaker = nullptr;
  QAction *Mute1 = nullptr, *HalfVolume1 = nullptr, *FullVolume1 = nullptr;

  // Tool bar.
  QFrame *Panel1 = nullptr;
  QToolButton *ButtonAddFile = nullptr, *ButtonRemove = nullptr, *ButtonClear = nullptr,
              *ButtonStopConvert = nullptr, *ButtonConvert = nullptr;
  // Output row.
  QFrame *Panel2 = nullptr;
  QLabel *Label1 = nullptr;
  QLineEdit *EditOutputFolder = nullptr;
  QToolButton *ButtonBrowseForFolder = nullptr;
  QLabel *Label2 = nullptr;
  TDropDownComboBox *ComboOutputFormat = nullptr;
  // Source list (check boxes; columns: TListColumn).
  QFrame *Panel6 = nullptr;
  QTreeWidget *ListView1 = nullptr;
  // Settings and preview area.
  QFrame *Panel7 = nullptr;
  QGroupBox *GroupBox1 = nullptr;  // " Video Settings "
  QLabel *LabelVideoQuality = nullptr, *LabelVideoSize = nullptr, *LabelVideoFramerate = nullptr;
  QComboBox *ComboVideoQuality = nullptr, *ComboVideoSize = nullptr, *ComboVideoFramerate = nullptr;
  QGroupBox *GroupBox2 = nullptr;  // " Audio Settings "
  QLabel *LabelAudioQuality = nullptr, *LabelAudioChannels = nullptr, *LabelTrackBar1 = nullptr;
  QComboBox *ComboAudioQuality = nullptr, *ComboAudioChannels = nullptr;
  QSlider *TrackBar1 = nullptr;  // volume, positions 0..10
  QLabel *LabelVolume = nullptr;
  QProgressBar *ProgressBar1 = nullptr;
  QToolButton *ButtonStopSmall = nullptr;
  QFrame *Panel8 = nullptr;  // preview picture
  QLabel *Image1 = nullptr;
  QWidget *VideoWindow1 = nullptr;
  QToolButton *ButtonPlay = nullptr, *ButtonPause = nullptr, *ButtonStop = nullptr, *ButtonVolume = nullptr,
              *ButtonSnapshot = nullptr;
  QSlider *DSTrackBar1 = nullptr;
  // Status bar: panel 0 "Ready", panel 1 output size, panel 2 empty.
  QStatusBar *StatusBar1 = nullptr;
  QLabel *StatusPanels[3] = {nullptr, nullptr, nullptr};
  QString StatusPanelText(int panel) const;
  void SetStatusPanelText(int panel, const QString &text);
  // Hidden value holders (never shown).
  QGroupBox *GroupBox3 = nullptr;  // " General Settings "
  QComboBox *ComboLetterBox = nullptr, *ComboAspectRatio = nullptr;
  QComboBox *ComboAudioCodec = nullptr, *ComboSamplingRate = nullptr, *ComboVideoCodec = nullptr,
            *ComboAudioBitrate = nullptr, *ComboVideoBitrate = nullptr;
  QPlainTextEdit *Memo1 = nullptr;

  // Run-time state (all zero, false or empty at creation).
  bool Converting = false;
  bool UserAborted = false;
  bool AddingFiles = false;
  bool IsLastRow = false;
  bool QueueFinished = false;
  int CurrentRow = 0;
  int IdleTicks = 0;
  QString OutputType;
  int32_t VolumeValue = 0;
  bool PreviewPaused = false;
  bool PreviewStopped = false;
  int PreviewRow = 0;
  QString PreviewFile;
  QString SpeakerState;

  // Ends the program at once; replaceable for tests. Default: leave the
  // event loop (QCoreApplication::exit(0)).
  std::function<void()> TerminateProgram;

  // Shows the information message box through Prompts.
  void ShowInformation(const QString &text);

 public slots:
  void FormShow();
  void ButtonBrowseForFolderClick();
  void TrackBar1Change();
  void Exit1Click();
  void SetGeneralOptions1Click();
  void OpenHelpFile1Click();
  void VisitOurWebsite1Click();
  void About1Click();

  // ---- Output profiles (mainwindow_profiles.cpp) ---------------------------
 public:
  int LastFormatIndex = 0;
  // Fills ComboOutputFormat with the output format list, selects item 0.
  void FillOutputFormatList();
  void UpdateVideoControls();
  void ApplyQualityPreset();
 public slots:
  void ComboOutputFormatChange();    // user's pick (activated), and FormShow
  void ComboOutputFormatDropDown();  // TDropDownComboBox::DropDown
  void ComboVideoQualityChange();    // user's pick (activated)
  void ComboAudioQualityChange();    // user's pick (activated)
  // Output profiles
 public:
  // The setting combos as plain choice lists, and back (without change
  // events); the profile logic works on the lists.
  TProfileChoices ProfileChoices() const;
  void ShowProfileChoices(const TProfileChoices &choices);
  // Writes the selected profile's encoder settings into `options`; raises
  // EConvertError when a bit-rate or sample-rate label has no number.
  void ApplyProfileOptions(TOutputOptions &options) const;
  // The hint of each quality combo: the bit rate it stands for.
  void ComboVideoQualityMouseEnter();
  void ComboAudioQualityMouseEnter();

  // ---- Source list (mainwindow_sourcelist.cpp) -----------------------------
 public:
  void AddFilesProc();
 public slots:
  void ButtonAddFileClick();  // ButtonAddFile, AddFiles1
  void BMDThread1Start();
  void DeleteSelectedItem1Click();  // ButtonRemove, DeleteSelectedItem1
  void ClearAllItems1Click();       // ButtonClear, ClearAllItems1
  void CheckAllItems1Click();
  void UncheckAllItems1Click();
  void PlaySelectedFile1Click();
  void ListView1SelectItem();  // ListView1 itemSelectionChanged
  // Source list
 public:
  // Files dropped onto the list take the Add File road with these files in
  // place of the open dialog's choice.
  void AddDroppedFiles(const QStringList &files);
  // Appends one row with the given texts and scrolls it into view.
  QTreeWidgetItem *AddSourceRow(const TSourceRowTexts &row);
  // A conversion run is under way: a job runs or the queue timer waits.
  bool RunInProgress() const;
  TBMDThread *BMDThread1 = MakeBMDThread1();
  TFileDropTarget *ListView1Drop = MakeListView1Drop();
  QStringList DroppedFiles;  // the files of a drop, taken by AddFilesProc
 private:
  TBMDThread *MakeBMDThread1();
  TFileDropTarget *MakeListView1Drop();

  // ---- Conversion queue (mainwindow_queue.cpp) -----------------------------
 public:
  void BuildNextJob();
  void DisableControlsForConversion();
  void EnableControlsAfterConversion();
  void SetMainMenuEnabled(bool enabled);
  // What the queue does with the engine's events (it receives them on the
  // UI thread in the order raised; never after the window closed or began
  // to be destroyed).
  void FFVCLProgress(int32_t AIndex, int32_t AFrameNumber, int32_t AFPS, int32_t ACurrentDuration,
                     float AQuality, float ABitRate, int64_t ACurrentSize, int32_t ATotalOutputDuration);
  void FFVCLTerminate(int32_t AIndex, bool AFinished, bool AException, const std::string &AMessage);
 public slots:
  void ButtonConvertClick();  // ButtonConvert, Convert1
  void ButtonStopConvertClick();
  void ButtonStopSmallClick();
  void TimerConvertAgainTimer();
  // Conversion queue
 public:
  // The running part of the queue: Start checks, jobs, events and Stop.
  TConversionQueue &Queue();
 private:
  friend class TQueueLink;
  std::shared_ptr<TQueueLink> queueLink_;  // made with the window (ConnectEngine)

  // ---- Preview (mainwindow_preview.cpp) ------------------------------------
 public:
  // Clears the preview graph and deactivates it (window close).
  void ReleasePreview();
  // The playback graph, its frame grabber and the snapshot sound; made by
  // CreatePreview (on first use when not called before), which also binds
  // VideoWindow1 and DSTrackBar1 to the graph.
  TFilterGraph *FilterGraph1 = nullptr;
  TSampleGrabber *SampleGrabber1 = nullptr;
  TResourceSound *SnapSound = nullptr;
  void CreatePreview();
  // Stops the graph and clears PreviewPaused; the graph stays loaded, so
  // Play loads the selected row again (row selection, Add File).
  void StopPreviewGraph();
  // Stops the graph, deactivates it and clears PreviewPaused (Start).
  void StopAndReleasePreview();
 public slots:
  void ButtonPlayClick();
  void ButtonPauseClick();
  void ButtonStopClick();
  void ButtonSnapshotClick();
  void ButtonVolumeClick();
  void FullVolume1Click();
  void HalfVolume1Click();
  void Mute1Click();

  // ---- Application shell, continued ----------------------------------------
 protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

 private:
  void CreateControls();
  void CreateMenus();
  void ConnectEngine();
  void FormCreate();
  // Close query: false while converting; otherwise disconnects the engine's
  // events and stops it.
  bool FormCloseQuery();
  void FormClose();
  void FormDestroy();

  bool startupFailed_ = false;
  bool closed_ = false;
  std::shared_ptr<TEngineEventRelay> relay_;
};
