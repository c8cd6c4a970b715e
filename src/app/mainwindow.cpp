#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QShowEvent>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>

#include "app_info.h"
#include "choice_list.h"
#include "engine_relay.h"
#include "ffmpeg_vcl.h"
#include "font_rule.h"
#include "form4.h"
#include "form_about.h"
#include "program_icon.h"
#include "settings_store.h"
#include "volume_table.h"

namespace {

constexpr int kClientWidth = 753;
constexpr int kClientHeight = 532;
constexpr int kStatusBarHeight = 20;
constexpr int kHintDisplayMs = 30000;

const char *const kMissingLibrariesText = "Some files are missing. Please re-install this software";
const char *const kOpenDialogFilter =
    "All Supported Files|*.mov;*.qt;*.m4v;*.mp4;*.m4a|QuickTime Files (*.mov, *.qt, *.m4v)|*.mov; *.qt; "
    "*.m4v|MPEG-4 Audio Files (*.m4a, *.mp4)|*.m4a; *.mp4|";
const char *const kFolderHeadline = "Choose the required output folder below :";

// Keeps every hint on screen for a fixed time instead of the style's default.
class THintDisplayTime : public QObject {
 public:
  THintDisplayTime(int ms, QObject *parent) : QObject(parent), ms_(ms) {}

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::ToolTip) return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->toolTip().isEmpty()) return false;
    auto *help = static_cast<QHelpEvent *>(event);
    QToolTip::showText(help->globalPos(), widget->toolTip(), widget, QRect(), ms_);
    return true;
  }

 private:
  int ms_;
};

QFrame *MakePanel(QWidget *parent, const char *name, const QRect &geometry) {
  auto *panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setGeometry(geometry);
  return panel;
}

QToolButton *MakeSpeedButton(QWidget *parent, const char *name, const QString &caption, QStyle::StandardPixmap glyph,
                             const QRect &geometry, bool flat = true) {
  auto *button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(caption);
  if (glyph != QStyle::SP_CustomBase) button->setIcon(parent->style()->standardIcon(glyph));
  button->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(flat);
  button->setGeometry(geometry);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &geometry) {
  auto *label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  return label;
}

QComboBox *MakeCombo(QWidget *parent, const char *name, const QRect &geometry) {
  auto *combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setGeometry(geometry);
  return combo;
}

QAction *AddItem(QMenu *menu, const char *name, const QString &caption) {
  QAction *action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

QAction *AddSeparator(QMenu *menu, const char *name) {
  QAction *action = menu->addSeparator();
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

// Replaces the items and selects `index`, without change events.
void FillCombo(QComboBox *combo, const QStringList &items, int index) {
  const bool blocked = combo->blockSignals(true);
  combo->clear();
  combo->addItems(items);
  combo->setCurrentIndex(index);
  combo->blockSignals(blocked);
}

// The same from a choice list of the profile logic, which owns the items
// of the channel, aspect-ratio and quality choices.
void FillCombo(QComboBox *combo, const TChoiceList &list) {
  QStringList items;
  for (const std::string &item : list.Items) items << QString::fromStdString(item);
  FillCombo(combo, items, list.ItemIndex);
}

}  // namespace

void TDropDownComboBox::showPopup() {
  emit DropDown();
  QComboBox::showPopup();
}

TForm1::TForm1(const TForm1Options &options)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form1"));
  Prompts = options.Prompts ? options.Prompts : &AppPrompts();
  ProgramFolder = QDir::cleanPath(options.ProgramFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                                  : options.ProgramFolder);
  SettingsStore = std::make_unique<TQtSettingsStore>(options.SettingsFolder);
  TerminateProgram = [] { QCoreApplication::exit(0); };

  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setWindowIcon(ProgramIcon());

  // The engine and its scheduler; the scheduler outlives the engine (it is
  // a child object, deleted after the members).
  Scheduler = new TQtMainThreadScheduler(this);
  FFVCL = std::make_unique<TFFmpegVCL>(Scheduler);
  relay_ = std::make_shared<TEngineEventRelay>(this);

  TimerConvertAgain = new QTimer(this);
  TimerConvertAgain->setObjectName(QStringLiteral("TimerConvertAgain"));
  TimerConvertAgain->setInterval(200);
  connect(TimerConvertAgain, &QTimer::timeout, this, &TForm1::TimerConvertAgainTimer);

  CreateMenus();
  CreateControls();
  ConnectEngine();
  FormCreate();
}

TForm1::~TForm1() {
  // No engine event may reach the window from here on; the engine itself
  // is shut down when its member is destroyed.
  relay_->Close();
  FormDestroy();
}

void TForm1::CreateMenus() {
  MainMenu1 = menuBar();
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

  File1 = MainMenu1->addMenu(QStringLiteral("File"));
  File1->setObjectName(QStringLiteral("File1"));
  File1->menuAction()->setObjectName(QStringLiteral("File1Action"));
  AddFiles1 = AddItem(File1, "AddFiles1", QStringLiteral("Add Files"));
  N5 = AddSeparator(File1, "N5");
  Convert1 = AddItem(File1, "Convert1", QStringLiteral("Convert"));
  N6 = AddSeparator(File1, "N6");
  Exit1 = AddItem(File1, "Exit1", QStringLiteral("Exit"));

  Options1 = MainMenu1->addMenu(QStringLiteral("Options"));
  Options1->setObjectName(QStringLiteral("Options1"));
  SetGeneralOptions1 = AddItem(Options1, "SetGeneralOptions1", QStringLiteral("Set Options"));

  Help1 = MainMenu1->addMenu(QStringLiteral("Help"));
  Help1->setObjectName(QStringLiteral("Help1"));
  OpenHelpFile1 = AddItem(Help1, "OpenHelpFile1", QStringLiteral("Open Help File"));
  N2 = AddSeparator(Help1, "N2");
  VisitOurWebsite1 = AddItem(Help1, "VisitOurWebsite1", QStringLiteral("Visit Trevix Software Website"));
  N4 = AddSeparator(Help1, "N4");
  About1 = AddItem(Help1, "About1", QStringLiteral("About"));

  connect(AddFiles1, &QAction::triggered, this, &TForm1::ButtonAddFileClick);
  connect(Convert1, &QAction::triggered, this, &TForm1::ButtonConvertClick);
  connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
  connect(SetGeneralOptions1, &QAction::triggered, this, &TForm1::SetGeneralOptions1Click);
  connect(OpenHelpFile1, &QAction::triggered, this, &TForm1::OpenHelpFile1Click);
  connect(VisitOurWebsite1, &QAction::triggered, this, &TForm1::VisitOurWebsite1Click);
  connect(About1, &QAction::triggered, this, &TForm1::About1Click);

  PopupListView1 = new QMenu(this);
  PopupListView1->setObjectName(QStringLiteral("PopupListView1"));
  CheckAllItems1 = AddItem(PopupListView1, "CheckAllItems1", QStringLiteral("Check All Items"));
  UncheckAllItems1 = AddItem(PopupListView1, "UncheckAllItems1", QStringLiteral("Uncheck All Items"));
  N1 = AddSeparator(PopupListView1, "N1");
  DeleteSelectedItem1 = AddItem(PopupListView1, "DeleteSelectedItem1", QStringLiteral("Remove Selected Item"));
  ClearAllItems1 = AddItem(PopupListView1, "ClearAllItems1", QStringLiteral("Clear All Items"));
  N8 = AddSeparator(PopupListView1, "N8");
  PlaySelectedFile1 = AddItem(PopupListView1, "PlaySelectedFile1", QStringLiteral("Play Selected File"));
  N9 = AddSeparator(PopupListView1, "N9");
  connect(CheckAllItems1, &QAction::triggered, this, &TForm1::CheckAllItems1Click);
  connect(UncheckAllItems1, &QAction::triggered, this, &TForm1::UncheckAllItems1Click);
  connect(DeleteSelectedItem1, &QAction::triggered, this, &TForm1::DeleteSelectedItem1Click);
  connect(ClearAllItems1, &QAction::triggered, this, &TForm1::ClearAllItems1Click);
  connect(PlaySelectedFile1, &QAction::triggered, this, &TForm1::PlaySelectedFile1Click);

  PopupMenuSpeaker = new QMenu(this);
  PopupMenuSpeaker->setObjectName(QStringLiteral("PopupMenuSpeaker"));
  Mute1 = AddItem(PopupMenuSpeaker, "Mute1", QStringLiteral("Mute"));
  HalfVolume1 = AddItem(PopupMenuSpeaker, "HalfVolume1", QStringLiteral("Half Volume"));
  FullVolume1 = AddItem(PopupMenuSpeaker, "FullVolume1", QStringLiteral("Full Volume"));
  connect(Mute1, &QAction::triggered, this, &TForm1::Mute1Click);
  connect(HalfVolume1, &QAction::triggered, this, &TForm1::HalfVolume1Click);
  connect(FullVolume1, &QAction::triggered, this, &TForm1::FullVolume1Click);
}

void TForm1::CreateControls() {
  auto *client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(client);
  QStyle *st = style();

  // Tool bar.
  Panel1 = MakePanel(client, "Panel1", QRect(0, 0, kClientWidth, 40));
  Panel1->setFrameShape(QFrame::StyledPanel);
  ButtonAddFile = MakeSpeedButton(Panel1, "ButtonAddFile", QStringLiteral("Add File"), QStyle::SP_FileDialogNewFolder,
                                  QRect(6, 4, 100, 32));
  ButtonAddFile->setIcon(st->standardIcon(QStyle::SP_FileIcon));
  ButtonRemove = MakeSpeedButton(Panel1, "ButtonRemove", QStringLiteral("Remove File"), QStyle::SP_TrashIcon,
                                 QRect(110, 4, 112, 32));
  ButtonClear = MakeSpeedButton(Panel1, "ButtonClear", QStringLiteral("Clear All "), QStyle::SP_DialogResetButton,
                                QRect(226, 4, 100, 32));
  ButtonStopConvert = MakeSpeedButton(Panel1, "ButtonStopConvert", QStringLiteral("Stop"), QStyle::SP_BrowserStop,
                                      QRect(545, 4, 96, 32));
  ButtonConvert = MakeSpeedButton(Panel1, "ButtonConvert", QStringLiteral("Start"), QStyle::SP_MediaPlay,
                                  QRect(645, 4, 100, 32));
  connect(ButtonAddFile, &QToolButton::clicked, this, &TForm1::ButtonAddFileClick);
  connect(ButtonRemove, &QToolButton::clicked, this, &TForm1::DeleteSelectedItem1Click);
  connect(ButtonClear, &QToolButton::clicked, this, &TForm1::ClearAllItems1Click);
  connect(ButtonStopConvert, &QToolButton::clicked, this, &TForm1::ButtonStopConvertClick);
  connect(ButtonConvert, &QToolButton::clicked, this, &TForm1::ButtonConvertClick);

  // Output row.
  Panel2 = MakePanel(client, "Panel2", QRect(0, 40, kClientWidth, 54));
  Label1 = MakeLabel(Panel2, "Label1", QStringLiteral("Output Folder :"), QRect(10, 5, 118, 20));
  EditOutputFolder = new QLineEdit(Panel2);
  EditOutputFolder->setObjectName(QStringLiteral("EditOutputFolder"));
  EditOutputFolder->setGeometry(132, 4, 580, 21);
  EditOutputFolder->setReadOnly(true);
  EditOutputFolder->setEnabled(false);
  ButtonBrowseForFolder =
      MakeSpeedButton(Panel2, "ButtonBrowseForFolder", QString(), QStyle::SP_DirOpenIcon, QRect(717, 2, 28, 25));
  connect(ButtonBrowseForFolder, &QToolButton::clicked, this, &TForm1::ButtonBrowseForFolderClick);
  Label2 = MakeLabel(Panel2, "Label2", QStringLiteral("Set Output Format :"), QRect(10, 30, 118, 20));
  ComboOutputFormat = new TDropDownComboBox(Panel2);
  ComboOutputFormat->setObjectName(QStringLiteral("ComboOutputFormat"));
  ComboOutputFormat->setGeometry(132, 29, 330, 22);
  connect(ComboOutputFormat, &QComboBox::activated, this, &TForm1::ComboOutputFormatChange);
  connect(ComboOutputFormat, &TDropDownComboBox::DropDown, this, &TForm1::ComboOutputFormatDropDown);

  // Source list.
  Panel6 = MakePanel(client, "Panel6", QRect(0, 94, kClientWidth, 201));
  ListView1 = new QTreeWidget(Panel6);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setGeometry(6, 2, kClientWidth - 12, 197);
  ListView1->setColumnCount(colCount);
  ListView1->setHeaderLabels({QStringLiteral("Video File Name"), QStringLiteral("Video Size"),
                              QStringLiteral("FrameRate"), QStringLiteral("Duration"), QStringLiteral("Output"),
                              QStringLiteral("Progress"), QStringLiteral("Frames")});
  const int widths[colCount] = {310, 90, 80, 60, 65, 57, 60};
  for (int c = 0; c < colCount; ++c) {
    ListView1->setColumnWidth(c, widths[c]);
    if (c > 0) ListView1->headerItem()->setTextAlignment(c, Qt::AlignCenter);
  }
  ListView1->header()->setStretchLastSection(false);
  ListView1->setRootIsDecorated(false);
  ListView1->setItemsExpandable(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setAllColumnsShowFocus(true);
  // Grid lines between rows and columns.
  ListView1->setStyleSheet(QStringLiteral(
      "QTreeView::item { border-right: 1px solid #d8d8d8; border-bottom: 1px solid #d8d8d8; }"));
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
    if (PopupListView1AutoPopup) PopupListView1->popup(ListView1->viewport()->mapToGlobal(pos));
  });
  connect(ListView1, &QTreeWidget::itemSelectionChanged, this, &TForm1::ListView1SelectItem);

  // Settings and preview.
  Panel7 = MakePanel(client, "Panel7", QRect(0, 295, kClientWidth, kClientHeight - kStatusBarHeight - 295));

  GroupBox1 = new QGroupBox(QStringLiteral(" Video Settings "), Panel7);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(6, 4, 240, 160);
  LabelVideoQuality = MakeLabel(GroupBox1, "LabelVideoQuality", QStringLiteral("Video Quality : "),
                                QRect(10, 28, 100, 20));
  ComboVideoQuality = MakeCombo(GroupBox1, "ComboVideoQuality", QRect(112, 26, 120, 22));
  LabelVideoSize = MakeLabel(GroupBox1, "LabelVideoSize", QStringLiteral("Video Size : "), QRect(10, 66, 100, 20));
  ComboVideoSize = MakeCombo(GroupBox1, "ComboVideoSize", QRect(112, 64, 120, 22));
  LabelVideoFramerate = MakeLabel(GroupBox1, "LabelVideoFramerate", QStringLiteral("Video Framerate : "),
                                  QRect(10, 104, 100, 20));
  ComboVideoFramerate = MakeCombo(GroupBox1, "ComboVideoFramerate", QRect(112, 102, 120, 22));
  LabelVideoQuality->setBuddy(ComboVideoQuality);
  LabelVideoSize->setBuddy(ComboVideoSize);
  LabelVideoFramerate->setBuddy(ComboVideoFramerate);
  connect(ComboVideoQuality, &QComboBox::activated, this, &TForm1::ComboVideoQualityChange);

  GroupBox2 = new QGroupBox(QStringLiteral(" Audio Settings "), Panel7);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  GroupBox2->setGeometry(252, 4, 240, 160);
  LabelAudioQuality = MakeLabel(GroupBox2, "LabelAudioQuality", QStringLiteral("Audio Quality :"),
                                QRect(10, 28, 100, 20));
  ComboAudioQuality = MakeCombo(GroupBox2, "ComboAudioQuality", QRect(112, 26, 120, 22));
  LabelAudioChannels = MakeLabel(GroupBox2, "LabelAudioChannels", QStringLiteral("Audio Channels :"),
                                 QRect(10, 66, 100, 20));
  ComboAudioChannels = MakeCombo(GroupBox2, "ComboAudioChannels", QRect(112, 64, 120, 22));
  FillCombo(ComboAudioChannels, TProfileChoices().ComboAudioChannels);
  LabelTrackBar1 = MakeLabel(GroupBox2, "LabelTrackBar1", QStringLiteral("Volume : "), QRect(10, 106, 60, 20));
  TrackBar1 = new QSlider(Qt::Horizontal, GroupBox2);
  TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
  TrackBar1->setGeometry(66, 100, 122, 30);
  TrackBar1->setRange(kVolumeMinPosition, kVolumeMaxPosition);
  TrackBar1->setPageStep(1);
  TrackBar1->setTickPosition(QSlider::TicksBelow);
  TrackBar1->setTickInterval(1);
  LabelVolume = MakeLabel(GroupBox2, "LabelVolume", QString(), QRect(192, 106, 44, 20));
  LabelAudioQuality->setBuddy(ComboAudioQuality);
  LabelAudioChannels->setBuddy(ComboAudioChannels);
  LabelTrackBar1->setBuddy(TrackBar1);
  connect(ComboAudioQuality, &QComboBox::activated, this, &TForm1::ComboAudioQualityChange);
  connect(TrackBar1, &QSlider::valueChanged, this, &TForm1::TrackBar1Change);

  ProgressBar1 = new QProgressBar(Panel7);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setGeometry(6, 177, 400, 22);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ButtonStopSmall = MakeSpeedButton(Panel7, "ButtonStopSmall", QStringLiteral("Stop"), QStyle::SP_BrowserStop,
                                    QRect(412, 174, 80, 28), false);
  connect(ButtonStopSmall, &QToolButton::clicked, this, &TForm1::ButtonStopSmallClick);

  Panel8 = MakePanel(Panel7, "Panel8", QRect(500, 10, 247, 160));
  Panel8->setFrameShape(QFrame::StyledPanel);
  Panel8->setFrameShadow(QFrame::Sunken);
  Panel8->setAutoFillBackground(true);
  QPalette black = Panel8->palette();
  black.setColor(QPalette::Window, Qt::black);
  Panel8->setPalette(black);
  Image1 = new QLabel(Panel8);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(1, 1, 245, 158);
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setPixmap(ProgramPixmap(64));
  VideoWindow1 = new QWidget(Panel8);
  VideoWindow1->setObjectName(QStringLiteral("VideoWindow1"));
  VideoWindow1->setGeometry(1, 1, 245, 158);
  VideoWindow1->setAutoFillBackground(true);
  VideoWindow1->setPalette(black);
  VideoWindow1->hide();  // shown by the preview while a file plays

  ButtonPlay = MakeSpeedButton(Panel7, "ButtonPlay", QString(), QStyle::SP_MediaPlay, QRect(500, 176, 26, 24));
  ButtonPause = MakeSpeedButton(Panel7, "ButtonPause", QString(), QStyle::SP_MediaPause, QRect(527, 176, 26, 24));
  ButtonStop = MakeSpeedButton(Panel7, "ButtonStop", QString(), QStyle::SP_MediaStop, QRect(554, 176, 26, 24));
  ButtonVolume = MakeSpeedButton(Panel7, "ButtonVolume", QString(), QStyle::SP_MediaVolume, QRect(581, 176, 26, 24));
  ButtonSnapshot =
      MakeSpeedButton(Panel7, "ButtonSnapshot", QString(), QStyle::SP_DesktopIcon, QRect(608, 176, 26, 24));
  ButtonPlay->setToolTip(QStringLiteral("Play"));
  ButtonPause->setToolTip(QStringLiteral("Pause"));
  ButtonStop->setToolTip(QStringLiteral("Stop"));
  ButtonVolume->setToolTip(QStringLiteral("Volume"));
  ButtonSnapshot->setToolTip(QStringLiteral("Snapshot"));
  connect(ButtonPlay, &QToolButton::clicked, this, &TForm1::ButtonPlayClick);
  connect(ButtonPause, &QToolButton::clicked, this, &TForm1::ButtonPauseClick);
  connect(ButtonStop, &QToolButton::clicked, this, &TForm1::ButtonStopClick);
  connect(ButtonVolume, &QToolButton::clicked, this, &TForm1::ButtonVolumeClick);
  connect(ButtonSnapshot, &QToolButton::clicked, this, &TForm1::ButtonSnapshotClick);

  DSTrackBar1 = new QSlider(Qt::Horizontal, Panel7);
  DSTrackBar1->setObjectName(QStringLiteral("DSTrackBar1"));
  DSTrackBar1->setGeometry(638, 178, 109, 20);
  DSTrackBar1->setTickPosition(QSlider::NoTicks);
  DSTrackBar1->setRange(0, 0);

  // Hidden value holders.
  GroupBox3 = new QGroupBox(QStringLiteral(" General Settings "), client);
  GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
  ComboLetterBox = MakeCombo(GroupBox3, "ComboLetterBox", QRect(8, 20, 120, 22));
  ComboAspectRatio = MakeCombo(GroupBox3, "ComboAspectRatio", QRect(8, 46, 120, 22));
  GroupBox3->hide();
  ComboAudioCodec = MakeCombo(client, "ComboAudioCodec", QRect());
  ComboSamplingRate = MakeCombo(client, "ComboSamplingRate", QRect());
  ComboVideoCodec = MakeCombo(client, "ComboVideoCodec", QRect());
  ComboAudioBitrate = MakeCombo(client, "ComboAudioBitrate", QRect());
  ComboVideoBitrate = MakeCombo(client, "ComboVideoBitrate", QRect());
  for (QComboBox *holder : {ComboAudioCodec, ComboSamplingRate, ComboVideoCodec, ComboAudioBitrate, ComboVideoBitrate})
    holder->hide();
  Memo1 = new QPlainTextEdit(client);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->hide();

  // Status bar.
  StatusBar1 = statusBar();
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setFixedHeight(kStatusBarHeight);
  const int panelWidths[3] = {150, 300, 50};
  for (int i = 0; i < 3; ++i) {
    StatusPanels[i] = new QLabel(StatusBar1);
    StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    StatusPanels[i]->setFixedWidth(panelWidths[i]);
    StatusPanels[i]->setFrameShape(QFrame::StyledPanel);
    StatusPanels[i]->setFrameShadow(QFrame::Sunken);
    StatusBar1->addWidget(StatusPanels[i]);
  }
  StatusPanels[0]->setText(QStringLiteral("Ready"));

  client->setFixedSize(kClientWidth, kClientHeight - kStatusBarHeight);
}

void TForm1::ConnectEngine() {
  // The engine raises its events on its worker threads; the conversion
  // queue takes them and carries each one to the UI thread through relay_,
  // in the order raised. Nothing on a worker touches the window.
  Queue();
}

void TForm1::FormCreate() {
  // 1. The font rule.
  ApplyFontRule(this);
  // 2. The open dialog.
  OpenDialog1.Filter = QString::fromLatin1(kOpenDialogFilter);
  OpenDialog1.HideReadOnly = true;
  OpenDialog1.FileMustExist = true;
  OpenDialog1.EnableSizing = true;
  BrowseForFolder1.Headline = QString::fromLatin1(kFolderHeadline);
  // 3. The media libraries.
  const QString common = QDir(ProgramFolder).filePath(QStringLiteral("Common"));
  if (!FFVCL->LoadAVLib(QDir::toNativeSeparators(common).toStdString(), true)) {
    Prompts->Information(nullptr, QString::fromLatin1(kMissingLibrariesText));
    startupFailed_ = true;
    relay_->Close();
    return;
  }
  // 4.-7. Caption, hints, help file, fixed border.
  setWindowTitle(QString::fromLatin1(trevix::kProgramTitle));
  if (QCoreApplication::instance()) qApp->installEventFilter(new THintDisplayTime(kHintDisplayMs, this));
  HelpFile = QDir(ProgramFolder).filePath(QString::fromLatin1(trevix::kHelpFileName));
  setFixedSize(kClientWidth, MainMenu1->sizeHint().height() + kClientHeight);
  move(206, 90);  // the design position
  // 8. The script holder is never shown.
  Memo1->hide();
  // 9. Volume at 100%.
  {
    const bool blocked = TrackBar1->blockSignals(true);
    TrackBar1->setValue(kVolumeStartPosition);
    TrackBar1->blockSignals(blocked);
  }
  TrackBar1Change();
  // 10. The output format list, 25 rows when dropped down.
  FillOutputFormatList();
  ComboOutputFormat->setMaxVisibleItems(25);
  // 11.-13. Aspect ratio, letterbox and the quality levels.
  const TProfileChoices defaults;
  FillCombo(ComboAspectRatio, defaults.ComboAspectRatio);
  FillCombo(ComboLetterBox, {QStringLiteral("None"), QStringLiteral("LetterBox")}, 0);
  FillCombo(ComboVideoQuality, defaults.ComboVideoQuality);
  FillCombo(ComboAudioQuality, defaults.ComboAudioQuality);
  // 14. The queue timer is off; the preview is not paused.
  TimerConvertAgain->stop();
  PreviewPaused = false;
}

void TForm1::CreateForms() {
  if (startupFailed_ || FormAbout || Form4) return;
  FormAbout = new TFormAbout(this, Prompts);
  TMainWindowControls controls;
  controls.EditOutputFolder = EditOutputFolder;
  controls.ComboOutputFormat = ComboOutputFormat;
  controls.ComboLetterBox = ComboLetterBox;
  controls.ComboAspectRatio = ComboAspectRatio;
  controls.ComboVideoQuality = ComboVideoQuality;
  controls.ComboAudioQuality = ComboAudioQuality;
  Form4 = new TForm4(this, controls, *SettingsStore);
}

void TForm1::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TForm1::FormShow() {
  ComboOutputFormatChange();
  ApplyQualityPreset();
}

bool TForm1::FormCloseQuery() {
  if (Converting) return false;
  relay_->Close();
  FFVCL->Stop();
  return true;
}

void TForm1::FormClose() {
  try {
    if (Form4) Form4->SaveSettings();
  } catch (...) {
  }
  ReleasePreview();
}

void TForm1::FormDestroy() {}

void TForm1::closeEvent(QCloseEvent *event) {
  if (closed_) {
    event->accept();
    return;
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  closed_ = true;
  event->accept();
}

void TForm1::Exit1Click() {
  // Ends the program without the close query and close handlers: nothing
  // is saved. Engine events already queued are dropped.
  relay_->Close();
  if (TerminateProgram) TerminateProgram();
}

void TForm1::ButtonBrowseForFolderClick() {
  if (Converting) return;
  const QString folder = Prompts->BrowseForFolder(this, BrowseForFolder1.Headline, BrowseForFolder1.LastFolder);
  if (folder.isEmpty()) return;
  BrowseForFolder1.LastFolder = folder;
  EditOutputFolder->setText(QDir::toNativeSeparators(folder));
}

void TForm1::TrackBar1Change() {
  const TVolumeStep &step = VolumeStep(TrackBar1->value());
  LabelVolume->setText(QString::fromLatin1(step.Label));
  VolumeValue = step.Value;
}

void TForm1::SetGeneralOptions1Click() {
  if (!Form4) return;
  Form4->show();
  Form4->raise();
  Form4->activateWindow();
}

void TForm1::OpenHelpFile1Click() { Prompts->OpenUrl(QUrl::fromLocalFile(HelpFile)); }

void TForm1::VisitOurWebsite1Click() { Prompts->OpenUrl(QUrl(QString::fromLatin1(trevix::kWebSiteUrl))); }

void TForm1::About1Click() {
  if (FormAbout) FormAbout->exec();
}

void TForm1::ShowInformation(const QString &text) { Prompts->Information(this, text); }

QString TForm1::StatusPanelText(int panel) const {
  return panel >= 0 && panel < 3 ? StatusPanels[panel]->text() : QString();
}

void TForm1::SetStatusPanelText(int panel, const QString &text) {
  if (panel >= 0 && panel < 3) StatusPanels[panel]->setText(text);
}
