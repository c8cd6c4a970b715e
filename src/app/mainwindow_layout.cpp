// The main window's menus and controls, made once at creation, one function
// per area of the window. Every control gets its member's name as its
// object name.
#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>

#include "combo_lists.h"
#include "mainwindow.h"
#include "program_icon.h"
#include "seek_bar.h"
#include "source_list_model.h"
#include "volume_table.h"

namespace {

constexpr int kClientWidth = 753;
constexpr int kClientHeight = 532;
constexpr int kStatusBarHeight = 20;

QFrame *makePanel(QWidget *parent, const char *name, const QRect &geometry) {
  auto *panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setGeometry(geometry);
  return panel;
}

QToolButton *makeToolButton(QWidget *parent, const char *name, const QString &caption, QStyle::StandardPixmap glyph,
                             const QRect &geometry, bool flat = true) {
  auto *button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(caption);
  button->setIcon(parent->style()->standardIcon(glyph));
  button->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(flat);
  button->setGeometry(geometry);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

// A preview button: a glyph with a hint.
QToolButton *makePreviewButton(QWidget *parent, const char *name, QStyle::StandardPixmap glyph, int x,
                               const char *hint) {
  QToolButton *button = makeToolButton(parent, name, QString(), glyph, QRect(x, 176, 26, 24));
  button->setToolTip(QString::fromLatin1(hint));
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

// A label with its combo box on one line of a settings group.
QComboBox *makeLabelledCombo(QWidget *group, const char *labelName, const char *caption, const char *comboName,
                             int y, QLabel **label) {
  *label = makeLabel(group, labelName, QString::fromLatin1(caption), QRect(10, y + 2, 100, 20));
  QComboBox *combo = makeCombo(group, comboName, QRect(112, y, 120, 22));
  (*label)->setBuddy(combo);
  return combo;
}

QAction *addItem(QMenu *menu, const char *name, const QString &caption) {
  QAction *action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

QMenu *addMenu(QMenuBar *bar, const char *name, const QString &caption) {
  QMenu *menu = bar->addMenu(caption);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
  return menu;
}

}  // namespace

void MainWindow::createMenus() {
  mainMenu = menuBar();
  mainMenu->setObjectName(QStringLiteral("mainMenu"));

  fileMenu = addMenu(mainMenu, "fileMenu", QStringLiteral("File"));
  addFilesAction = addItem(fileMenu, "addFilesAction", QStringLiteral("Add Files"));
  fileMenu->addSeparator();
  convertAction = addItem(fileMenu, "convertAction", QStringLiteral("Convert"));
  fileMenu->addSeparator();
  exitAction = addItem(fileMenu, "exitAction", QStringLiteral("Exit"));
  connect(addFilesAction, &QAction::triggered, this, &MainWindow::addFiles);
  connect(convertAction, &QAction::triggered, this, &MainWindow::startConversion);
  connect(exitAction, &QAction::triggered, this, &MainWindow::exitProgram);

  optionsMenu = addMenu(mainMenu, "optionsMenu", QStringLiteral("Options"));
  setOptionsAction = addItem(optionsMenu, "setOptionsAction", QStringLiteral("Set Options"));
  connect(setOptionsAction, &QAction::triggered, this, &MainWindow::showOptionsDialog);

  helpMenu = addMenu(mainMenu, "helpMenu", QStringLiteral("Help"));
  openHelpAction = addItem(helpMenu, "openHelpAction", QStringLiteral("Open Help File"));
  helpMenu->addSeparator();
  visitWebsiteAction = addItem(helpMenu, "visitWebsiteAction", QStringLiteral("Visit Trevix Software Website"));
  helpMenu->addSeparator();
  aboutAction = addItem(helpMenu, "aboutAction", QStringLiteral("About"));
  connect(openHelpAction, &QAction::triggered, this, &MainWindow::openHelpFile);
  connect(visitWebsiteAction, &QAction::triggered, this, &MainWindow::visitWebsite);
  connect(aboutAction, &QAction::triggered, this, &MainWindow::showAboutDialog);

  sourceListMenu = new QMenu(this);
  sourceListMenu->setObjectName(QStringLiteral("sourceListMenu"));
  checkAllAction = addItem(sourceListMenu, "checkAllAction", QStringLiteral("Check All Items"));
  uncheckAllAction = addItem(sourceListMenu, "uncheckAllAction", QStringLiteral("Uncheck All Items"));
  sourceListMenu->addSeparator();
  removeSelectedAction = addItem(sourceListMenu, "removeSelectedAction", QStringLiteral("Remove Selected Item"));
  clearAllAction = addItem(sourceListMenu, "clearAllAction", QStringLiteral("Clear All Items"));
  sourceListMenu->addSeparator();
  playSelectedAction = addItem(sourceListMenu, "playSelectedAction", QStringLiteral("Play Selected File"));
  sourceListMenu->addSeparator();
  connect(checkAllAction, &QAction::triggered, this, &MainWindow::checkAllFiles);
  connect(uncheckAllAction, &QAction::triggered, this, &MainWindow::uncheckAllFiles);
  connect(removeSelectedAction, &QAction::triggered, this, &MainWindow::removeSelectedFile);
  connect(clearAllAction, &QAction::triggered, this, &MainWindow::clearAllFiles);
  connect(playSelectedAction, &QAction::triggered, this, &MainWindow::playSelectedFile);

  volumeMenu = new QMenu(this);
  volumeMenu->setObjectName(QStringLiteral("volumeMenu"));
  muteAction = addItem(volumeMenu, "muteAction", QStringLiteral("Mute"));
  halfVolumeAction = addItem(volumeMenu, "halfVolumeAction", QStringLiteral("Half Volume"));
  fullVolumeAction = addItem(volumeMenu, "fullVolumeAction", QStringLiteral("Full Volume"));
  connect(muteAction, &QAction::triggered, this, &MainWindow::mute);
  connect(halfVolumeAction, &QAction::triggered, this, &MainWindow::setHalfVolume);
  connect(fullVolumeAction, &QAction::triggered, this, &MainWindow::setFullVolume);
}

void MainWindow::createControls() {
  auto *client = new QWidget(this);
  client->setObjectName(QStringLiteral("clientArea"));
  setCentralWidget(client);
  createToolBar(client);
  createOutputRow(client);
  createSourceList(client);
  settingsPanel = makePanel(client, "settingsPanel", QRect(0, 295, kClientWidth, kClientHeight - kStatusBarHeight - 295));
  createVideoSettings(settingsPanel);
  createAudioSettings(settingsPanel);
  createProgressRow(settingsPanel);
  createPreviewPane(settingsPanel);
  createHiddenHolders(client);
  createStatusBar();
  client->setFixedSize(kClientWidth, kClientHeight - kStatusBarHeight);
}

void MainWindow::createToolBar(QWidget *client) {
  toolBarPanel = makePanel(client, "toolBarPanel", QRect(0, 0, kClientWidth, 40));
  toolBarPanel->setFrameShape(QFrame::StyledPanel);
  addFileButton = makeToolButton(toolBarPanel, "addFileButton", QStringLiteral("Add File"), QStyle::SP_FileIcon,
                                  QRect(6, 4, 100, 32));
  removeFileButton = makeToolButton(toolBarPanel, "removeFileButton", QStringLiteral("Remove File"),
                                     QStyle::SP_TrashIcon, QRect(110, 4, 112, 32));
  clearAllButton = makeToolButton(toolBarPanel, "clearAllButton", QStringLiteral("Clear All "),
                                   QStyle::SP_DialogResetButton, QRect(226, 4, 100, 32));
  stopButton = makeToolButton(toolBarPanel, "stopButton", QStringLiteral("Stop"), QStyle::SP_BrowserStop,
                               QRect(545, 4, 96, 32));
  startButton = makeToolButton(toolBarPanel, "startButton", QStringLiteral("Start"), QStyle::SP_MediaPlay,
                                QRect(645, 4, 100, 32));
  connect(addFileButton, &QToolButton::clicked, this, &MainWindow::addFiles);
  connect(removeFileButton, &QToolButton::clicked, this, &MainWindow::removeSelectedFile);
  connect(clearAllButton, &QToolButton::clicked, this, &MainWindow::clearAllFiles);
  connect(stopButton, &QToolButton::clicked, this, &MainWindow::stopAllConversions);
  connect(startButton, &QToolButton::clicked, this, &MainWindow::startConversion);
}

void MainWindow::createOutputRow(QWidget *client) {
  outputPanel = makePanel(client, "outputPanel", QRect(0, 40, kClientWidth, 54));
  outputFolderLabel = makeLabel(outputPanel, "outputFolderLabel", QStringLiteral("Output Folder :"),
                                QRect(10, 5, 118, 20));
  outputFolderEdit = new QLineEdit(outputPanel);
  outputFolderEdit->setObjectName(QStringLiteral("outputFolderEdit"));
  outputFolderEdit->setGeometry(132, 4, 580, 21);
  outputFolderEdit->setReadOnly(true);
  outputFolderEdit->setEnabled(false);
  chooseFolderButton = makeToolButton(outputPanel, "chooseFolderButton", QString(), QStyle::SP_DirOpenIcon,
                                       QRect(717, 2, 28, 25));
  connect(chooseFolderButton, &QToolButton::clicked, this, &MainWindow::chooseOutputFolder);
  profileLabel = makeLabel(outputPanel, "profileLabel", QStringLiteral("Set Output Format :"), QRect(10, 30, 118, 20));
  profileCombo = new DropDownComboBox(outputPanel);
  profileCombo->setObjectName(QStringLiteral("profileCombo"));
  profileCombo->setGeometry(132, 29, 330, 22);
  connect(profileCombo, &QComboBox::activated, this, &MainWindow::onProfileChosen);
  connect(profileCombo, &DropDownComboBox::dropDown, this, &MainWindow::applyDropDownLength);
}

void MainWindow::createSourceList(QWidget *client) {
  sourceListPanel = makePanel(client, "sourceListPanel", QRect(0, 94, kClientWidth, 201));
  sourceListModel = new SourceListModel(sourceJobs, this);
  sourceListModel->setObjectName(QStringLiteral("sourceListModel"));
  sourceList = new QTreeView(sourceListPanel);
  sourceList->setObjectName(QStringLiteral("sourceList"));
  sourceList->setGeometry(6, 2, kClientWidth - 12, 197);
  sourceList->setModel(sourceListModel);
  for (int c = 0; c < kSourceListColumnCount; ++c) sourceList->setColumnWidth(c, SourceListModel::columnWidth(c));
  sourceList->header()->setStretchLastSection(false);
  sourceList->setRootIsDecorated(false);
  sourceList->setItemsExpandable(false);
  sourceList->setUniformRowHeights(true);
  sourceList->setSelectionMode(QAbstractItemView::SingleSelection);
  sourceList->setSelectionBehavior(QAbstractItemView::SelectRows);
  sourceList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sourceList->setAllColumnsShowFocus(true);
  // Grid lines between rows and columns.
  sourceList->setStyleSheet(QStringLiteral(
      "QTreeView::item { border-right: 1px solid #d8d8d8; border-bottom: 1px solid #d8d8d8; }"));
  sourceList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(sourceList, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
    if (sourceListMenuEnabled) sourceListMenu->popup(sourceList->viewport()->mapToGlobal(pos));
  });
  connect(sourceList->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MainWindow::onSourceSelected);
}

void MainWindow::createVideoSettings(QWidget *area) {
  videoSettingsBox = new QGroupBox(QStringLiteral(" Video Settings "), area);
  videoSettingsBox->setObjectName(QStringLiteral("videoSettingsBox"));
  videoSettingsBox->setGeometry(6, 4, 240, 160);
  videoQualityCombo = makeLabelledCombo(videoSettingsBox, "videoQualityLabel", "Video Quality : ", "videoQualityCombo",
                                        26, &videoQualityLabel);
  videoSizeCombo =
      makeLabelledCombo(videoSettingsBox, "videoSizeLabel", "Video Size : ", "videoSizeCombo", 64, &videoSizeLabel);
  frameRateCombo = makeLabelledCombo(videoSettingsBox, "frameRateLabel", "Video Framerate : ", "frameRateCombo", 102,
                                     &frameRateLabel);
  connect(videoQualityCombo, &QComboBox::activated, this, &MainWindow::onQualityChosen);
}

void MainWindow::createAudioSettings(QWidget *area) {
  audioSettingsBox = new QGroupBox(QStringLiteral(" Audio Settings "), area);
  audioSettingsBox->setObjectName(QStringLiteral("audioSettingsBox"));
  audioSettingsBox->setGeometry(252, 4, 240, 160);
  audioQualityCombo = makeLabelledCombo(audioSettingsBox, "audioQualityLabel", "Audio Quality :", "audioQualityCombo",
                                        26, &audioQualityLabel);
  audioChannelsCombo = makeLabelledCombo(audioSettingsBox, "audioChannelsLabel", "Audio Channels :",
                                         "audioChannelsCombo", 64, &audioChannelsLabel);
  fillCombo(audioChannelsCombo, ProfileChoices().comboAudioChannels);
  volumeLabel = makeLabel(audioSettingsBox, "volumeLabel", QStringLiteral("Volume : "), QRect(10, 106, 60, 20));
  volumeSlider = new QSlider(Qt::Horizontal, audioSettingsBox);
  volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
  volumeSlider->setGeometry(66, 100, 122, 30);
  volumeSlider->setRange(kVolumeMinPosition, kVolumeMaxPosition);
  volumeSlider->setPageStep(1);
  volumeSlider->setTickPosition(QSlider::TicksBelow);
  volumeSlider->setTickInterval(1);
  volumeLabel->setBuddy(volumeSlider);
  volumePercentLabel = makeLabel(audioSettingsBox, "volumePercentLabel", QString(), QRect(192, 106, 44, 20));
  connect(audioQualityCombo, &QComboBox::activated, this, &MainWindow::onQualityChosen);
  connect(volumeSlider, &QSlider::valueChanged, this, &MainWindow::onVolumeChanged);
}

void MainWindow::createProgressRow(QWidget *area) {
  progressBar = new QProgressBar(area);
  progressBar->setObjectName(QStringLiteral("progressBar"));
  progressBar->setGeometry(6, 177, 400, 22);
  progressBar->setRange(0, 100);
  progressBar->setValue(0);
  progressBar->setTextVisible(false);
  progressStopButton = makeToolButton(area, "progressStopButton", QStringLiteral("Stop"), QStyle::SP_BrowserStop,
                                       QRect(412, 174, 80, 28), false);
  connect(progressStopButton, &QToolButton::clicked, this, &MainWindow::stopAllConversions);
}

void MainWindow::createPreviewPane(QWidget *area) {
  previewPanel = makePanel(area, "previewPanel", QRect(500, 10, 247, 160));
  previewPanel->setFrameShape(QFrame::StyledPanel);
  previewPanel->setFrameShadow(QFrame::Sunken);
  previewPanel->setAutoFillBackground(true);
  QPalette black = previewPanel->palette();
  black.setColor(QPalette::Window, Qt::black);
  previewPanel->setPalette(black);
  previewLogo = new QLabel(previewPanel);
  previewLogo->setObjectName(QStringLiteral("previewLogo"));
  previewLogo->setGeometry(1, 1, 245, 158);
  previewLogo->setAlignment(Qt::AlignCenter);
  previewLogo->setPixmap(programPixmap(64));
  previewPicture = new QWidget(previewPanel);
  previewPicture->setObjectName(QStringLiteral("previewPicture"));
  previewPicture->setGeometry(1, 1, 245, 158);
  previewPicture->setAutoFillBackground(true);
  previewPicture->setPalette(black);
  previewPicture->hide();  // shown by the preview while a file plays

  playButton = makePreviewButton(area, "playButton", QStyle::SP_MediaPlay, 500, "Play");
  pauseButton = makePreviewButton(area, "pauseButton", QStyle::SP_MediaPause, 527, "Pause");
  previewStopButton = makePreviewButton(area, "previewStopButton", QStyle::SP_MediaStop, 554, "Stop");
  volumeButton = makePreviewButton(area, "volumeButton", QStyle::SP_MediaVolume, 581, "Volume");
  snapshotButton = makePreviewButton(area, "snapshotButton", QStyle::SP_DesktopIcon, 608, "Snapshot");
  connect(playButton, &QToolButton::clicked, this, &MainWindow::playPreview);
  connect(pauseButton, &QToolButton::clicked, this, &MainWindow::pausePreview);
  connect(previewStopButton, &QToolButton::clicked, this, &MainWindow::stopPreview);
  connect(volumeButton, &QToolButton::clicked, this, &MainWindow::showVolumeMenu);
  connect(snapshotButton, &QToolButton::clicked, this, &MainWindow::saveSnapshot);

  seekBar = new SeekBar(area);
  seekBar->setObjectName(QStringLiteral("seekBar"));
  seekBar->setGeometry(638, 178, 109, 20);
}

void MainWindow::createHiddenHolders(QWidget *client) {
  generalSettingsBox = new QGroupBox(QStringLiteral(" General Settings "), client);
  generalSettingsBox->setObjectName(QStringLiteral("generalSettingsBox"));
  letterBoxCombo = makeCombo(generalSettingsBox, "letterBoxCombo", QRect(8, 20, 120, 22));
  aspectRatioCombo = makeCombo(generalSettingsBox, "aspectRatioCombo", QRect(8, 46, 120, 22));
  generalSettingsBox->hide();
  audioCodecCombo = makeCombo(client, "audioCodecCombo", QRect());
  sampleRateCombo = makeCombo(client, "sampleRateCombo", QRect());
  videoCodecCombo = makeCombo(client, "videoCodecCombo", QRect());
  audioBitrateCombo = makeCombo(client, "audioBitrateCombo", QRect());
  videoBitrateCombo = makeCombo(client, "videoBitrateCombo", QRect());
  for (QComboBox *holder : {audioCodecCombo, sampleRateCombo, videoCodecCombo, audioBitrateCombo, videoBitrateCombo})
    holder->hide();
}

void MainWindow::createStatusBar() {
  mainStatusBar = statusBar();
  mainStatusBar->setObjectName(QStringLiteral("mainStatusBar"));
  mainStatusBar->setSizeGripEnabled(false);
  mainStatusBar->setFixedHeight(kStatusBarHeight);
  const char *names[kStatusPanelCount] = {"readyPanel", "fileSizePanel", "sparePanel"};
  const int widths[kStatusPanelCount] = {150, 300, 50};
  for (int i = 0; i < kStatusPanelCount; ++i) {
    statusPanels[i] = new QLabel(mainStatusBar);
    statusPanels[i]->setObjectName(QString::fromLatin1(names[i]));
    statusPanels[i]->setFixedWidth(widths[i]);
    statusPanels[i]->setFrameShape(QFrame::StyledPanel);
    statusPanels[i]->setFrameShadow(QFrame::Sunken);
    mainStatusBar->addWidget(statusPanels[i]);
  }
  statusPanels[kReadyPanel]->setText(QStringLiteral("Ready"));
}
