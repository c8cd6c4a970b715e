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
#include "media_engine.h"
#include "font_rule.h"
#include "options_dialog.h"
#include "about_dialog.h"
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
class HintDisplayTime : public QObject {
 public:
  HintDisplayTime(int ms, QObject *parent) : QObject(parent), ms_(ms) {}

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

QFrame *makePanel(QWidget *parent, const char *name, const QRect &geometry) {
  auto *panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setGeometry(geometry);
  return panel;
}

QToolButton *makeSpeedButton(QWidget *parent, const char *name, const QString &caption, QStyle::StandardPixmap glyph,
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

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &geometry) {
  auto *label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  return label;
}

QComboBox *makeCombo(QWidget *parent, const char *name, const QRect &geometry) {
  auto *combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setGeometry(geometry);
  return combo;
}

QAction *addItem(QMenu *menu, const char *name, const QString &caption) {
  QAction *action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

QAction *addSeparator(QMenu *menu, const char *name) {
  QAction *action = menu->addSeparator();
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

// Replaces the items and selects `index`, without change events.
void fillCombo(QComboBox *combo, const QStringList &items, int index) {
  const bool blocked = combo->blockSignals(true);
  combo->clear();
  combo->addItems(items);
  combo->setCurrentIndex(index);
  combo->blockSignals(blocked);
}

// The same from a choice list of the profile logic, which owns the items
// of the channel, aspect-ratio and quality choices.
void fillCombo(QComboBox *combo, const ChoiceList &list) {
  QStringList items;
  for (const std::string &item : list.items) items << QString::fromStdString(item);
  fillCombo(combo, items, list.itemIndex);
}

}  // namespace

void DropDownComboBox::showPopup() {
  emit dropDown();
  QComboBox::showPopup();
}

MainWindow::MainWindow(const MainWindowOptions &options)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form1"));
  prompts = options.prompts ? options.prompts : &appPrompts();
  programFolder = QDir::cleanPath(options.programFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                                  : options.programFolder);
  settingsStore = std::make_unique<QtSettingsStore>(options.settingsFolder);
  terminateProgram = [] { QCoreApplication::exit(0); };

  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setWindowIcon(programIcon());

  // The engine and its scheduler; the scheduler outlives the engine (it is
  // a child object, deleted after the members).
  scheduler = new QtMainThreadScheduler(this);
  FFVCL = std::make_unique<MediaEngine>(scheduler);
  relay_ = std::make_shared<EngineEventRelay>(this);

  timerConvertAgain = new QTimer(this);
  timerConvertAgain->setObjectName(QStringLiteral("TimerConvertAgain"));
  timerConvertAgain->setInterval(200);
  connect(timerConvertAgain, &QTimer::timeout, this, &MainWindow::timerConvertAgainTimer);

  createMenus();
  createControls();
  connectEngine();
  formCreate();
}

MainWindow::~MainWindow() {
  // No engine event may reach the window from here on; the engine itself
  // is shut down when its member is destroyed.
  relay_->close();
  formDestroy();
}

void MainWindow::createMenus() {
  mainMenu1 = menuBar();
  mainMenu1->setObjectName(QStringLiteral("MainMenu1"));

  file1 = mainMenu1->addMenu(QStringLiteral("File"));
  file1->setObjectName(QStringLiteral("File1"));
  file1->menuAction()->setObjectName(QStringLiteral("File1Action"));
  addFiles1 = addItem(file1, "AddFiles1", QStringLiteral("Add Files"));
  n5 = addSeparator(file1, "N5");
  convert1 = addItem(file1, "Convert1", QStringLiteral("Convert"));
  n6 = addSeparator(file1, "N6");
  exit1 = addItem(file1, "Exit1", QStringLiteral("Exit"));

  options1 = mainMenu1->addMenu(QStringLiteral("Options"));
  options1->setObjectName(QStringLiteral("Options1"));
  setGeneralOptions1 = addItem(options1, "SetGeneralOptions1", QStringLiteral("Set Options"));

  help1 = mainMenu1->addMenu(QStringLiteral("Help"));
  help1->setObjectName(QStringLiteral("Help1"));
  openHelpFile1 = addItem(help1, "OpenHelpFile1", QStringLiteral("Open Help File"));
  n2 = addSeparator(help1, "N2");
  visitOurWebsite1 = addItem(help1, "VisitOurWebsite1", QStringLiteral("Visit Trevix Software Website"));
  n4 = addSeparator(help1, "N4");
  about1 = addItem(help1, "About1", QStringLiteral("About"));

  connect(addFiles1, &QAction::triggered, this, &MainWindow::buttonAddFileClick);
  connect(convert1, &QAction::triggered, this, &MainWindow::buttonConvertClick);
  connect(exit1, &QAction::triggered, this, &MainWindow::exit1Click);
  connect(setGeneralOptions1, &QAction::triggered, this, &MainWindow::setGeneralOptions1Click);
  connect(openHelpFile1, &QAction::triggered, this, &MainWindow::openHelpFile1Click);
  connect(visitOurWebsite1, &QAction::triggered, this, &MainWindow::visitOurWebsite1Click);
  connect(about1, &QAction::triggered, this, &MainWindow::about1Click);

  popupListView1 = new QMenu(this);
  popupListView1->setObjectName(QStringLiteral("PopupListView1"));
  checkAllItems1 = addItem(popupListView1, "CheckAllItems1", QStringLiteral("Check All Items"));
  uncheckAllItems1 = addItem(popupListView1, "UncheckAllItems1", QStringLiteral("Uncheck All Items"));
  n1 = addSeparator(popupListView1, "N1");
  deleteSelectedItem1 = addItem(popupListView1, "DeleteSelectedItem1", QStringLiteral("Remove Selected Item"));
  clearAllItems1 = addItem(popupListView1, "ClearAllItems1", QStringLiteral("Clear All Items"));
  n8 = addSeparator(popupListView1, "N8");
  playSelectedFile1 = addItem(popupListView1, "PlaySelectedFile1", QStringLiteral("Play Selected File"));
  n9 = addSeparator(popupListView1, "N9");
  connect(checkAllItems1, &QAction::triggered, this, &MainWindow::checkAllItems1Click);
  connect(uncheckAllItems1, &QAction::triggered, this, &MainWindow::uncheckAllItems1Click);
  connect(deleteSelectedItem1, &QAction::triggered, this, &MainWindow::deleteSelectedItem1Click);
  connect(clearAllItems1, &QAction::triggered, this, &MainWindow::clearAllItems1Click);
  connect(playSelectedFile1, &QAction::triggered, this, &MainWindow::playSelectedFile1Click);

  popupMenuSpeaker = new QMenu(this);
  popupMenuSpeaker->setObjectName(QStringLiteral("PopupMenuSpeaker"));
  mute1 = addItem(popupMenuSpeaker, "Mute1", QStringLiteral("Mute"));
  halfVolume1 = addItem(popupMenuSpeaker, "HalfVolume1", QStringLiteral("Half Volume"));
  fullVolume1 = addItem(popupMenuSpeaker, "FullVolume1", QStringLiteral("Full Volume"));
  connect(mute1, &QAction::triggered, this, &MainWindow::mute1Click);
  connect(halfVolume1, &QAction::triggered, this, &MainWindow::halfVolume1Click);
  connect(fullVolume1, &QAction::triggered, this, &MainWindow::fullVolume1Click);
}

void MainWindow::createControls() {
  auto *client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(client);
  QStyle *st = style();

  // Tool bar.
  panel1 = makePanel(client, "Panel1", QRect(0, 0, kClientWidth, 40));
  panel1->setFrameShape(QFrame::StyledPanel);
  buttonAddFile = makeSpeedButton(panel1, "ButtonAddFile", QStringLiteral("Add File"), QStyle::SP_FileDialogNewFolder,
                                  QRect(6, 4, 100, 32));
  buttonAddFile->setIcon(st->standardIcon(QStyle::SP_FileIcon));
  buttonRemove = makeSpeedButton(panel1, "ButtonRemove", QStringLiteral("Remove File"), QStyle::SP_TrashIcon,
                                 QRect(110, 4, 112, 32));
  buttonClear = makeSpeedButton(panel1, "ButtonClear", QStringLiteral("Clear All "), QStyle::SP_DialogResetButton,
                                QRect(226, 4, 100, 32));
  buttonStopConvert = makeSpeedButton(panel1, "ButtonStopConvert", QStringLiteral("Stop"), QStyle::SP_BrowserStop,
                                      QRect(545, 4, 96, 32));
  buttonConvert = makeSpeedButton(panel1, "ButtonConvert", QStringLiteral("Start"), QStyle::SP_MediaPlay,
                                  QRect(645, 4, 100, 32));
  connect(buttonAddFile, &QToolButton::clicked, this, &MainWindow::buttonAddFileClick);
  connect(buttonRemove, &QToolButton::clicked, this, &MainWindow::deleteSelectedItem1Click);
  connect(buttonClear, &QToolButton::clicked, this, &MainWindow::clearAllItems1Click);
  connect(buttonStopConvert, &QToolButton::clicked, this, &MainWindow::buttonStopConvertClick);
  connect(buttonConvert, &QToolButton::clicked, this, &MainWindow::buttonConvertClick);

  // Output row.
  panel2 = makePanel(client, "Panel2", QRect(0, 40, kClientWidth, 54));
  label1 = makeLabel(panel2, "Label1", QStringLiteral("Output Folder :"), QRect(10, 5, 118, 20));
  editOutputFolder = new QLineEdit(panel2);
  editOutputFolder->setObjectName(QStringLiteral("EditOutputFolder"));
  editOutputFolder->setGeometry(132, 4, 580, 21);
  editOutputFolder->setReadOnly(true);
  editOutputFolder->setEnabled(false);
  buttonBrowseForFolder =
      makeSpeedButton(panel2, "ButtonBrowseForFolder", QString(), QStyle::SP_DirOpenIcon, QRect(717, 2, 28, 25));
  connect(buttonBrowseForFolder, &QToolButton::clicked, this, &MainWindow::buttonBrowseForFolderClick);
  label2 = makeLabel(panel2, "Label2", QStringLiteral("Set Output Format :"), QRect(10, 30, 118, 20));
  comboOutputFormat = new DropDownComboBox(panel2);
  comboOutputFormat->setObjectName(QStringLiteral("ComboOutputFormat"));
  comboOutputFormat->setGeometry(132, 29, 330, 22);
  connect(comboOutputFormat, &QComboBox::activated, this, &MainWindow::comboOutputFormatChange);
  connect(comboOutputFormat, &DropDownComboBox::dropDown, this, &MainWindow::comboOutputFormatDropDown);

  // Source list.
  panel6 = makePanel(client, "Panel6", QRect(0, 94, kClientWidth, 201));
  listView1 = new QTreeWidget(panel6);
  listView1->setObjectName(QStringLiteral("ListView1"));
  listView1->setGeometry(6, 2, kClientWidth - 12, 197);
  listView1->setColumnCount(kSourceListColumnCount);
  listView1->setHeaderLabels({QStringLiteral("Video File Name"), QStringLiteral("Video Size"),
                              QStringLiteral("FrameRate"), QStringLiteral("Duration"), QStringLiteral("Output"),
                              QStringLiteral("Progress"), QStringLiteral("Frames")});
  const int widths[kSourceListColumnCount] = {310, 90, 80, 60, 65, 57, 60};
  for (int c = 0; c < kSourceListColumnCount; ++c) {
    listView1->setColumnWidth(c, widths[c]);
    if (c > 0) listView1->headerItem()->setTextAlignment(c, Qt::AlignCenter);
  }
  listView1->header()->setStretchLastSection(false);
  listView1->setRootIsDecorated(false);
  listView1->setItemsExpandable(false);
  listView1->setUniformRowHeights(true);
  listView1->setSelectionMode(QAbstractItemView::SingleSelection);
  listView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  listView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  listView1->setAllColumnsShowFocus(true);
  // Grid lines between rows and columns.
  listView1->setStyleSheet(QStringLiteral(
      "QTreeView::item { border-right: 1px solid #d8d8d8; border-bottom: 1px solid #d8d8d8; }"));
  listView1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(listView1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
    if (popupListView1AutoPopup) popupListView1->popup(listView1->viewport()->mapToGlobal(pos));
  });
  connect(listView1, &QTreeWidget::itemSelectionChanged, this, &MainWindow::listView1SelectItem);

  // Settings and preview.
  panel7 = makePanel(client, "Panel7", QRect(0, 295, kClientWidth, kClientHeight - kStatusBarHeight - 295));

  groupBox1 = new QGroupBox(QStringLiteral(" Video Settings "), panel7);
  groupBox1->setObjectName(QStringLiteral("GroupBox1"));
  groupBox1->setGeometry(6, 4, 240, 160);
  labelVideoQuality = makeLabel(groupBox1, "LabelVideoQuality", QStringLiteral("Video Quality : "),
                                QRect(10, 28, 100, 20));
  comboVideoQuality = makeCombo(groupBox1, "ComboVideoQuality", QRect(112, 26, 120, 22));
  labelVideoSize = makeLabel(groupBox1, "LabelVideoSize", QStringLiteral("Video Size : "), QRect(10, 66, 100, 20));
  comboVideoSize = makeCombo(groupBox1, "ComboVideoSize", QRect(112, 64, 120, 22));
  labelVideoFramerate = makeLabel(groupBox1, "LabelVideoFramerate", QStringLiteral("Video Framerate : "),
                                  QRect(10, 104, 100, 20));
  comboVideoFramerate = makeCombo(groupBox1, "ComboVideoFramerate", QRect(112, 102, 120, 22));
  labelVideoQuality->setBuddy(comboVideoQuality);
  labelVideoSize->setBuddy(comboVideoSize);
  labelVideoFramerate->setBuddy(comboVideoFramerate);
  connect(comboVideoQuality, &QComboBox::activated, this, &MainWindow::comboVideoQualityChange);

  groupBox2 = new QGroupBox(QStringLiteral(" Audio Settings "), panel7);
  groupBox2->setObjectName(QStringLiteral("GroupBox2"));
  groupBox2->setGeometry(252, 4, 240, 160);
  labelAudioQuality = makeLabel(groupBox2, "LabelAudioQuality", QStringLiteral("Audio Quality :"),
                                QRect(10, 28, 100, 20));
  comboAudioQuality = makeCombo(groupBox2, "ComboAudioQuality", QRect(112, 26, 120, 22));
  labelAudioChannels = makeLabel(groupBox2, "LabelAudioChannels", QStringLiteral("Audio Channels :"),
                                 QRect(10, 66, 100, 20));
  comboAudioChannels = makeCombo(groupBox2, "ComboAudioChannels", QRect(112, 64, 120, 22));
  fillCombo(comboAudioChannels, ProfileChoices().comboAudioChannels);
  labelTrackBar1 = makeLabel(groupBox2, "LabelTrackBar1", QStringLiteral("Volume : "), QRect(10, 106, 60, 20));
  trackBar1 = new QSlider(Qt::Horizontal, groupBox2);
  trackBar1->setObjectName(QStringLiteral("TrackBar1"));
  trackBar1->setGeometry(66, 100, 122, 30);
  trackBar1->setRange(kVolumeMinPosition, kVolumeMaxPosition);
  trackBar1->setPageStep(1);
  trackBar1->setTickPosition(QSlider::TicksBelow);
  trackBar1->setTickInterval(1);
  labelVolume = makeLabel(groupBox2, "LabelVolume", QString(), QRect(192, 106, 44, 20));
  labelAudioQuality->setBuddy(comboAudioQuality);
  labelAudioChannels->setBuddy(comboAudioChannels);
  labelTrackBar1->setBuddy(trackBar1);
  connect(comboAudioQuality, &QComboBox::activated, this, &MainWindow::comboAudioQualityChange);
  connect(trackBar1, &QSlider::valueChanged, this, &MainWindow::trackBar1Change);

  progressBar1 = new QProgressBar(panel7);
  progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  progressBar1->setGeometry(6, 177, 400, 22);
  progressBar1->setRange(0, 100);
  progressBar1->setValue(0);
  progressBar1->setTextVisible(false);
  buttonStopSmall = makeSpeedButton(panel7, "ButtonStopSmall", QStringLiteral("Stop"), QStyle::SP_BrowserStop,
                                    QRect(412, 174, 80, 28), false);
  connect(buttonStopSmall, &QToolButton::clicked, this, &MainWindow::buttonStopSmallClick);

  panel8 = makePanel(panel7, "Panel8", QRect(500, 10, 247, 160));
  panel8->setFrameShape(QFrame::StyledPanel);
  panel8->setFrameShadow(QFrame::Sunken);
  panel8->setAutoFillBackground(true);
  QPalette black = panel8->palette();
  black.setColor(QPalette::Window, Qt::black);
  panel8->setPalette(black);
  image1 = new QLabel(panel8);
  image1->setObjectName(QStringLiteral("Image1"));
  image1->setGeometry(1, 1, 245, 158);
  image1->setAlignment(Qt::AlignCenter);
  image1->setPixmap(programPixmap(64));
  videoWindow1 = new QWidget(panel8);
  videoWindow1->setObjectName(QStringLiteral("VideoWindow1"));
  videoWindow1->setGeometry(1, 1, 245, 158);
  videoWindow1->setAutoFillBackground(true);
  videoWindow1->setPalette(black);
  videoWindow1->hide();  // shown by the preview while a file plays

  buttonPlay = makeSpeedButton(panel7, "ButtonPlay", QString(), QStyle::SP_MediaPlay, QRect(500, 176, 26, 24));
  buttonPause = makeSpeedButton(panel7, "ButtonPause", QString(), QStyle::SP_MediaPause, QRect(527, 176, 26, 24));
  buttonStop = makeSpeedButton(panel7, "ButtonStop", QString(), QStyle::SP_MediaStop, QRect(554, 176, 26, 24));
  buttonVolume = makeSpeedButton(panel7, "ButtonVolume", QString(), QStyle::SP_MediaVolume, QRect(581, 176, 26, 24));
  buttonSnapshot =
      makeSpeedButton(panel7, "ButtonSnapshot", QString(), QStyle::SP_DesktopIcon, QRect(608, 176, 26, 24));
  buttonPlay->setToolTip(QStringLiteral("Play"));
  buttonPause->setToolTip(QStringLiteral("Pause"));
  buttonStop->setToolTip(QStringLiteral("Stop"));
  buttonVolume->setToolTip(QStringLiteral("Volume"));
  buttonSnapshot->setToolTip(QStringLiteral("Snapshot"));
  connect(buttonPlay, &QToolButton::clicked, this, &MainWindow::buttonPlayClick);
  connect(buttonPause, &QToolButton::clicked, this, &MainWindow::buttonPauseClick);
  connect(buttonStop, &QToolButton::clicked, this, &MainWindow::buttonStopClick);
  connect(buttonVolume, &QToolButton::clicked, this, &MainWindow::buttonVolumeClick);
  connect(buttonSnapshot, &QToolButton::clicked, this, &MainWindow::buttonSnapshotClick);

  dsTrackBar1 = new QSlider(Qt::Horizontal, panel7);
  dsTrackBar1->setObjectName(QStringLiteral("DSTrackBar1"));
  dsTrackBar1->setGeometry(638, 178, 109, 20);
  dsTrackBar1->setTickPosition(QSlider::NoTicks);
  dsTrackBar1->setRange(0, 0);

  // Hidden value holders.
  groupBox3 = new QGroupBox(QStringLiteral(" General Settings "), client);
  groupBox3->setObjectName(QStringLiteral("GroupBox3"));
  comboLetterBox = makeCombo(groupBox3, "ComboLetterBox", QRect(8, 20, 120, 22));
  comboAspectRatio = makeCombo(groupBox3, "ComboAspectRatio", QRect(8, 46, 120, 22));
  groupBox3->hide();
  comboAudioCodec = makeCombo(client, "ComboAudioCodec", QRect());
  comboSamplingRate = makeCombo(client, "ComboSamplingRate", QRect());
  comboVideoCodec = makeCombo(client, "ComboVideoCodec", QRect());
  comboAudioBitrate = makeCombo(client, "ComboAudioBitrate", QRect());
  comboVideoBitrate = makeCombo(client, "ComboVideoBitrate", QRect());
  for (QComboBox *holder : {comboAudioCodec, comboSamplingRate, comboVideoCodec, comboAudioBitrate, comboVideoBitrate})
    holder->hide();
  memo1 = new QPlainTextEdit(client);
  memo1->setObjectName(QStringLiteral("Memo1"));
  memo1->hide();

  // Status bar.
  statusBar1 = statusBar();
  statusBar1->setObjectName(QStringLiteral("StatusBar1"));
  statusBar1->setSizeGripEnabled(false);
  statusBar1->setFixedHeight(kStatusBarHeight);
  const int panelWidths[3] = {150, 300, 50};
  for (int i = 0; i < 3; ++i) {
    statusPanels[i] = new QLabel(statusBar1);
    statusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    statusPanels[i]->setFixedWidth(panelWidths[i]);
    statusPanels[i]->setFrameShape(QFrame::StyledPanel);
    statusPanels[i]->setFrameShadow(QFrame::Sunken);
    statusBar1->addWidget(statusPanels[i]);
  }
  statusPanels[0]->setText(QStringLiteral("Ready"));

  client->setFixedSize(kClientWidth, kClientHeight - kStatusBarHeight);
}

void MainWindow::connectEngine() {
  // The engine raises its events on its worker threads; the conversion
  // queue takes them and carries each one to the UI thread through relay_,
  // in the order raised. Nothing on a worker touches the window.
  queue();
}

void MainWindow::formCreate() {
  // 1. The font rule.
  applyFontRule(this);
  // 2. The open dialog.
  openDialog1.filter = QString::fromLatin1(kOpenDialogFilter);
  openDialog1.hideReadOnly = true;
  openDialog1.fileMustExist = true;
  openDialog1.enableSizing = true;
  browseForFolder1.headline = QString::fromLatin1(kFolderHeadline);
  // 3. The media libraries.
  const QString common = QDir(programFolder).filePath(QStringLiteral("Common"));
  if (!FFVCL->loadAVLib(QDir::toNativeSeparators(common).toStdString(), true)) {
    prompts->information(nullptr, QString::fromLatin1(kMissingLibrariesText));
    startupFailed_ = true;
    relay_->close();
    return;
  }
  // 4.-7. Caption, hints, help file, fixed border.
  setWindowTitle(QString::fromLatin1(trevix::kProgramTitle));
  if (QCoreApplication::instance()) qApp->installEventFilter(new HintDisplayTime(kHintDisplayMs, this));
  helpFile = QDir(programFolder).filePath(QString::fromLatin1(trevix::kHelpFileName));
  setFixedSize(kClientWidth, mainMenu1->sizeHint().height() + kClientHeight);
  move(206, 90);  // the design position
  // 8. The script holder is never shown.
  memo1->hide();
  // 9. Volume at 100%.
  {
    const bool blocked = trackBar1->blockSignals(true);
    trackBar1->setValue(kVolumeStartPosition);
    trackBar1->blockSignals(blocked);
  }
  trackBar1Change();
  // 10. The output format list, 25 rows when dropped down.
  fillOutputFormatList();
  comboOutputFormat->setMaxVisibleItems(25);
  // 11.-13. Aspect ratio, letterbox and the quality levels.
  const ProfileChoices defaults;
  fillCombo(comboAspectRatio, defaults.comboAspectRatio);
  fillCombo(comboLetterBox, {QStringLiteral("None"), QStringLiteral("LetterBox")}, 0);
  fillCombo(comboVideoQuality, defaults.comboVideoQuality);
  fillCombo(comboAudioQuality, defaults.comboAudioQuality);
  // 14. The queue timer is off; the preview is not paused.
  timerConvertAgain->stop();
  previewPaused = false;
}

void MainWindow::createForms() {
  if (startupFailed_ || formAbout || form4) return;
  formAbout = new AboutDialog(this, prompts);
  MainWindowControls controls;
  controls.editOutputFolder = editOutputFolder;
  controls.comboOutputFormat = comboOutputFormat;
  controls.comboLetterBox = comboLetterBox;
  controls.comboAspectRatio = comboAspectRatio;
  controls.comboVideoQuality = comboVideoQuality;
  controls.comboAudioQuality = comboAudioQuality;
  form4 = new OptionsDialog(this, controls, *settingsStore);
}

void MainWindow::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (!event->spontaneous()) formShow();
}

void MainWindow::formShow() {
  comboOutputFormatChange();
  applyQualityPreset();
}

bool MainWindow::formCloseQuery() {
  if (converting) return false;
  relay_->close();
  FFVCL->stop();
  return true;
}

void MainWindow::formClose() {
  try {
    if (form4) form4->saveSettings();
  } catch (...) {
  }
  releasePreview();
}

void MainWindow::formDestroy() {}

void MainWindow::closeEvent(QCloseEvent *event) {
  if (closed_) {
    event->accept();
    return;
  }
  if (!formCloseQuery()) {
    event->ignore();
    return;
  }
  formClose();
  closed_ = true;
  event->accept();
}

void MainWindow::exit1Click() {
  // Ends the program without the close query and close handlers: nothing
  // is saved. Engine events already queued are dropped.
  relay_->close();
  if (terminateProgram) terminateProgram();
}

void MainWindow::buttonBrowseForFolderClick() {
  if (converting) return;
  const QString folder = prompts->browseForFolder(this, browseForFolder1.headline, browseForFolder1.lastFolder);
  if (folder.isEmpty()) return;
  browseForFolder1.lastFolder = folder;
  editOutputFolder->setText(QDir::toNativeSeparators(folder));
}

void MainWindow::trackBar1Change() {
  const VolumeStep &step = volumeStep(trackBar1->value());
  labelVolume->setText(QString::fromLatin1(step.label));
  volumeValue = step.value;
}

void MainWindow::setGeneralOptions1Click() {
  if (!form4) return;
  form4->show();
  form4->raise();
  form4->activateWindow();
}

void MainWindow::openHelpFile1Click() { prompts->openUrl(QUrl::fromLocalFile(helpFile)); }

void MainWindow::visitOurWebsite1Click() { prompts->openUrl(QUrl(QString::fromLatin1(trevix::kWebSiteUrl))); }

void MainWindow::about1Click() {
  if (formAbout) formAbout->exec();
}

void MainWindow::showInformation(const QString &text) { prompts->information(this, text); }

QString MainWindow::statusPanelText(int panel) const {
  return panel >= 0 && panel < 3 ? statusPanels[panel]->text() : QString();
}

void MainWindow::setStatusPanelText(int panel, const QString &text) {
  if (panel >= 0 && panel < 3) statusPanels[panel]->setText(text);
}
