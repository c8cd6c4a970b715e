// The main window's menus and controls, made once at creation, one function
// per area of the window. Every control gets its member's name as its
// object name.
//
// The areas sit in layouts: the window takes the desktop's font and grows
// with it, the source list and the preview take the room a larger window
// gives, and the design size (753 x 532 below the menu bar) is the
// smallest the window gets where the screen has room for it.
#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>
#include <QStackedLayout>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "combo_lists.h"
#include "mainwindow.h"
#include "program_icon.h"
#include "seek_bar.h"
#include "source_list_model.h"
#include "volume_table.h"

namespace {

constexpr int kProfileComboMinWidth = 330;
constexpr int kPreviewMinWidth = 247;
constexpr int kPreviewMinHeight = 160;
constexpr int kSourceListMinRows = 4;

QFrame *makePanel(QWidget *parent, const char *name) {
  auto *panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  return panel;
}

// A tool button: a glyph, with its caption beside it when it has one. It
// takes the focus from Tab (not from a click) and is named for screen
// readers by its caption, or by `hint` when it shows only the glyph.
QToolButton *makeToolButton(QWidget *parent, const char *name, const QString &caption, QStyle::StandardPixmap glyph,
                            const QString &hint = QString(), bool flat = true) {
  auto *button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(caption);
  button->setIcon(parent->style()->standardIcon(glyph));
  button->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(flat);
  button->setFocusPolicy(Qt::TabFocus);
  if (!hint.isEmpty()) button->setToolTip(hint);
  button->setAccessibleName(caption.isEmpty() ? hint : caption.trimmed());
  return button;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption) {
  auto *label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QComboBox *makeCombo(QWidget *parent, const char *name) {
  auto *combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  // Never narrower than its longest item ("Original Video Size").
  combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  combo->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
  return combo;
}

// A label with its combo box on one row of a settings group.
QComboBox *addLabelledCombo(QGridLayout *grid, int row, const char *labelName, const char *caption,
                            const char *comboName, QLabel **label) {
  QWidget *group = grid->parentWidget();
  *label = makeLabel(group, labelName, QString::fromLatin1(caption));
  QComboBox *combo = makeCombo(group, comboName);
  (*label)->setBuddy(combo);
  grid->addWidget(*label, row, 0);
  grid->addWidget(combo, row, 1);
  return combo;
}

QAction *addItem(QMenu *menu, const char *name, const QString &caption,
                 const QKeySequence &shortcut = QKeySequence()) {
  QAction *action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  return action;
}

QMenu *addMenu(QMenuBar *bar, const char *name, const QString &caption) {
  QMenu *menu = bar->addMenu(caption);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
  return menu;
}

// Paints the list's grid lines over the style's own item painting, so the
// selection keeps the desktop's colours (a style sheet would replace them).
class GridLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    QColor line = option.palette.color(QPalette::Mid);
    line.setAlpha(90);
    painter->setPen(line);
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
  }
};

}  // namespace

void MainWindow::createMenus() {
  mainMenu = menuBar();
  mainMenu->setObjectName(QStringLiteral("mainMenu"));

  fileMenu = addMenu(mainMenu, "fileMenu", QStringLiteral("&File"));
  addFilesAction = addItem(fileMenu, "addFilesAction", QStringLiteral("&Add Files"), QKeySequence::Open);
  fileMenu->addSeparator();
  convertAction = addItem(fileMenu, "convertAction", QStringLiteral("&Convert"));
  convertAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  openOutputFolderAction = addItem(fileMenu, "openOutputFolderAction", QStringLiteral("Open Output &Folder"));
  fileMenu->addSeparator();
  exitAction = addItem(fileMenu, "exitAction", QStringLiteral("E&xit"));
  connect(addFilesAction, &QAction::triggered, this, &MainWindow::addFiles);
  connect(convertAction, &QAction::triggered, this, &MainWindow::startConversion);
  connect(openOutputFolderAction, &QAction::triggered, this, &MainWindow::openOutputFolder);
  connect(exitAction, &QAction::triggered, this, &MainWindow::exitProgram);

  optionsMenu = addMenu(mainMenu, "optionsMenu", QStringLiteral("&Options"));
  setOptionsAction = addItem(optionsMenu, "setOptionsAction", QStringLiteral("&Set Options"));
  connect(setOptionsAction, &QAction::triggered, this, &MainWindow::showOptionsDialog);

  helpMenu = addMenu(mainMenu, "helpMenu", QStringLiteral("&Help"));
  openHelpAction = addItem(helpMenu, "openHelpAction", QStringLiteral("Open &Help File"), QKeySequence::HelpContents);
  helpMenu->addSeparator();
  visitWebsiteAction = addItem(helpMenu, "visitWebsiteAction", QStringLiteral("&Visit Trevix Software Website"));
  helpMenu->addSeparator();
  aboutAction = addItem(helpMenu, "aboutAction", QStringLiteral("&About"));
  connect(openHelpAction, &QAction::triggered, this, &MainWindow::openHelpFile);
  connect(visitWebsiteAction, &QAction::triggered, this, &MainWindow::visitWebsite);
  connect(aboutAction, &QAction::triggered, this, &MainWindow::showAboutDialog);

  sourceListMenu = new QMenu(this);
  sourceListMenu->setObjectName(QStringLiteral("sourceListMenu"));
  checkAllAction = addItem(sourceListMenu, "checkAllAction", QStringLiteral("&Check All Items"));
  uncheckAllAction = addItem(sourceListMenu, "uncheckAllAction", QStringLiteral("&Uncheck All Items"));
  sourceListMenu->addSeparator();
  removeSelectedAction =
      addItem(sourceListMenu, "removeSelectedAction", QStringLiteral("&Remove Selected Item"), QKeySequence::Delete);
  // Delete acts where the list has the focus (added to the list below).
  removeSelectedAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  clearAllAction = addItem(sourceListMenu, "clearAllAction", QStringLiteral("C&lear All Items"));
  sourceListMenu->addSeparator();
  playSelectedAction = addItem(sourceListMenu, "playSelectedAction", QStringLiteral("&Play Selected File"));
  sourceListMenu->addSeparator();
  showLogAction = addItem(sourceListMenu, "showLogAction", QStringLiteral("Show L&og"));
  connect(checkAllAction, &QAction::triggered, this, &MainWindow::checkAllFiles);
  connect(uncheckAllAction, &QAction::triggered, this, &MainWindow::uncheckAllFiles);
  connect(removeSelectedAction, &QAction::triggered, this, &MainWindow::removeSelectedFile);
  connect(clearAllAction, &QAction::triggered, this, &MainWindow::clearAllFiles);
  connect(playSelectedAction, &QAction::triggered, this, &MainWindow::playSelectedFile);
  connect(showLogAction, &QAction::triggered, this, &MainWindow::showSelectedLog);
  connect(sourceListMenu, &QMenu::aboutToShow, this, [this] { showLogAction->setEnabled(selectedRowHasLog()); });

  volumeMenu = new QMenu(this);
  volumeMenu->setObjectName(QStringLiteral("volumeMenu"));
  muteAction = addItem(volumeMenu, "muteAction", QStringLiteral("&Mute"));
  halfVolumeAction = addItem(volumeMenu, "halfVolumeAction", QStringLiteral("&Half Volume"));
  fullVolumeAction = addItem(volumeMenu, "fullVolumeAction", QStringLiteral("&Full Volume"));
  connect(muteAction, &QAction::triggered, this, &MainWindow::mute);
  connect(halfVolumeAction, &QAction::triggered, this, &MainWindow::setHalfVolume);
  connect(fullVolumeAction, &QAction::triggered, this, &MainWindow::setFullVolume);

  // Esc stops a run (with its question); the File menu that holds the
  // other commands is off during a run, so this one lives on the window.
  stopAction = new QAction(QStringLiteral("Stop"), this);
  stopAction->setObjectName(QStringLiteral("stopAction"));
  stopAction->setShortcut(QKeySequence(Qt::Key_Escape));
  stopAction->setShortcutContext(Qt::WindowShortcut);
  addAction(stopAction);
  connect(stopAction, &QAction::triggered, this, [this] {
    if (runInProgress()) stopAllConversions();
  });
}

void MainWindow::createControls() {
  auto *client = new QWidget(this);
  client->setObjectName(QStringLiteral("clientArea"));
  setCentralWidget(client);
  auto *column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  createToolBar(client);
  createOutputRow(client);
  createSourceList(client);
  settingsPanel = makePanel(client, "settingsPanel");
  auto *settingsRow = new QHBoxLayout(settingsPanel);
  settingsRow->setContentsMargins(6, 4, 6, 4);
  auto *settingsColumn = new QVBoxLayout;
  auto *groups = new QHBoxLayout;
  settingsColumn->addLayout(groups);
  settingsColumn->addStretch(1);
  createVideoSettings(settingsPanel);
  createAudioSettings(settingsPanel);
  groups->addWidget(videoSettingsBox, 1);
  groups->addWidget(audioSettingsBox, 1);
  createProgressRow(settingsPanel);
  auto *progressRow = new QHBoxLayout;
  progressRow->addWidget(progressBar, 1);
  progressRow->addWidget(progressStopButton);
  settingsColumn->addLayout(progressRow);
  settingsRow->addLayout(settingsColumn, 0);
  settingsRow->addLayout(createPreviewPane(settingsPanel), 1);
  column->addWidget(toolBarPanel);
  column->addWidget(outputPanel);
  column->addWidget(sourceListPanel, 3);
  column->addWidget(settingsPanel, 2);
  createStatusBar();
  setKeyboardOrder();
}

void MainWindow::createToolBar(QWidget *client) {
  toolBarPanel = makePanel(client, "toolBarPanel");
  toolBarPanel->setFrameShape(QFrame::StyledPanel);
  addFileButton = makeToolButton(toolBarPanel, "addFileButton", QStringLiteral("Add File"), QStyle::SP_FileIcon,
                                 QStringLiteral("Add files to the list (Ctrl+O)"));
  removeFileButton = makeToolButton(toolBarPanel, "removeFileButton", QStringLiteral("Remove File"),
                                    QStyle::SP_TrashIcon, QStringLiteral("Remove the selected file (Delete)"));
  clearAllButton = makeToolButton(toolBarPanel, "clearAllButton", QStringLiteral("Clear All "),
                                  QStyle::SP_DialogResetButton, QStringLiteral("Remove every file from the list"));
  stopButton = makeToolButton(toolBarPanel, "stopButton", QStringLiteral("Stop"), QStyle::SP_BrowserStop,
                              QStringLiteral("Stop all conversions (Esc)"));
  startButton = makeToolButton(toolBarPanel, "startButton", QStringLiteral("Start"), QStyle::SP_MediaPlay,
                               QStringLiteral("Convert the checked files (Ctrl+Return)"));
  auto *row = new QHBoxLayout(toolBarPanel);
  row->setContentsMargins(6, 4, 6, 4);
  for (QToolButton *b : {addFileButton, removeFileButton, clearAllButton}) row->addWidget(b);
  row->addStretch(1);
  row->addWidget(stopButton);
  row->addWidget(startButton);
  connect(addFileButton, &QToolButton::clicked, this, &MainWindow::addFiles);
  connect(removeFileButton, &QToolButton::clicked, this, &MainWindow::removeSelectedFile);
  connect(clearAllButton, &QToolButton::clicked, this, &MainWindow::clearAllFiles);
  connect(stopButton, &QToolButton::clicked, this, &MainWindow::stopAllConversions);
  connect(startButton, &QToolButton::clicked, this, &MainWindow::startConversion);
}

void MainWindow::createOutputRow(QWidget *client) {
  outputPanel = makePanel(client, "outputPanel");
  outputFolderLabel = makeLabel(outputPanel, "outputFolderLabel", QStringLiteral("Output Folder :"));
  outputFolderEdit = new QLineEdit(outputPanel);
  outputFolderEdit->setObjectName(QStringLiteral("outputFolderEdit"));
  outputFolderEdit->setReadOnly(true);
  outputFolderEdit->setEnabled(false);
  outputFolderEdit->setAccessibleName(QStringLiteral("Output folder"));
  chooseFolderButton = makeToolButton(outputPanel, "chooseFolderButton", QString(), QStyle::SP_DirOpenIcon,
                                      QStringLiteral("Choose Output Folder"));
  openFolderButton = makeToolButton(outputPanel, "openFolderButton", QString(), QStyle::SP_DirLinkIcon,
                                    QStringLiteral("Open Output Folder"));
  outputFolderLabel->setBuddy(chooseFolderButton);
  connect(chooseFolderButton, &QToolButton::clicked, this, &MainWindow::chooseOutputFolder);
  connect(openFolderButton, &QToolButton::clicked, this, &MainWindow::openOutputFolder);
  profileLabel = makeLabel(outputPanel, "profileLabel", QStringLiteral("Set Output Format :"));
  profileCombo = new DropDownComboBox(outputPanel);
  profileCombo->setObjectName(QStringLiteral("profileCombo"));
  profileCombo->setMinimumWidth(kProfileComboMinWidth);
  profileCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  profileCombo->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
  profileLabel->setBuddy(profileCombo);
  connect(profileCombo, &QComboBox::activated, this, &MainWindow::onProfileChosen);
  connect(profileCombo, &DropDownComboBox::dropDown, this, &MainWindow::applyDropDownLength);

  auto *grid = new QGridLayout(outputPanel);
  grid->setContentsMargins(10, 4, 6, 4);
  grid->setVerticalSpacing(3);
  grid->addWidget(outputFolderLabel, 0, 0);
  grid->addWidget(outputFolderEdit, 0, 1, 1, 2);
  grid->addWidget(chooseFolderButton, 0, 3);
  grid->addWidget(openFolderButton, 0, 4);
  grid->addWidget(profileLabel, 1, 0);
  grid->addWidget(profileCombo, 1, 1);
  grid->setColumnStretch(2, 1);
}

void MainWindow::createSourceList(QWidget *client) {
  sourceListPanel = makePanel(client, "sourceListPanel");
  sourceListModel = new SourceListModel(sourceJobs, this);
  sourceListModel->setObjectName(QStringLiteral("sourceListModel"));
  sourceList = new QTreeView(sourceListPanel);
  sourceList->setObjectName(QStringLiteral("sourceList"));
  sourceList->setAccessibleName(QStringLiteral("Files to convert"));
  sourceList->setModel(sourceListModel);
  sourceList->setItemDelegate(new GridLineDelegate(sourceList));
  for (int c = 0; c < kSourceListColumnCount; ++c) sourceList->setColumnWidth(c, SourceListModel::columnWidth(c));
  sourceList->header()->setStretchLastSection(false);
  sourceList->setRootIsDecorated(false);
  sourceList->setItemsExpandable(false);
  sourceList->setExpandsOnDoubleClick(false);
  sourceList->setUniformRowHeights(true);
  sourceList->setSelectionMode(QAbstractItemView::SingleSelection);
  sourceList->setSelectionBehavior(QAbstractItemView::SelectRows);
  sourceList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sourceList->setAllColumnsShowFocus(true);
  sourceList->addAction(removeSelectedAction);
  const int rowHeight = sourceList->fontMetrics().height() + 6;
  sourceList->setMinimumHeight(sourceList->header()->sizeHint().height() + kSourceListMinRows * rowHeight);
  sourceList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(sourceList, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
    if (sourceListMenuEnabled) sourceListMenu->popup(sourceList->viewport()->mapToGlobal(pos));
  });
  connect(sourceList->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MainWindow::onSourceSelected);
  connect(sourceList, &QAbstractItemView::doubleClicked, this, &MainWindow::onSourceDoubleClicked);
  auto *box = new QVBoxLayout(sourceListPanel);
  box->setContentsMargins(6, 2, 6, 2);
  box->addWidget(sourceList);
}

void MainWindow::createVideoSettings(QWidget *area) {
  videoSettingsBox = new QGroupBox(QStringLiteral(" Video Settings "), area);
  videoSettingsBox->setObjectName(QStringLiteral("videoSettingsBox"));
  auto *grid = new QGridLayout(videoSettingsBox);
  videoQualityCombo =
      addLabelledCombo(grid, 0, "videoQualityLabel", "Video Quality : ", "videoQualityCombo", &videoQualityLabel);
  videoSizeCombo = addLabelledCombo(grid, 1, "videoSizeLabel", "Video Size : ", "videoSizeCombo", &videoSizeLabel);
  frameRateCombo =
      addLabelledCombo(grid, 2, "frameRateLabel", "Video Framerate : ", "frameRateCombo", &frameRateLabel);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(3, 1);
  connect(videoQualityCombo, &QComboBox::activated, this, &MainWindow::onQualityChosen);
  connect(videoSizeCombo, &QComboBox::activated, this, &MainWindow::onChoiceChosen);
  connect(frameRateCombo, &QComboBox::activated, this, &MainWindow::onChoiceChosen);
}

void MainWindow::createAudioSettings(QWidget *area) {
  audioSettingsBox = new QGroupBox(QStringLiteral(" Audio Settings "), area);
  audioSettingsBox->setObjectName(QStringLiteral("audioSettingsBox"));
  auto *grid = new QGridLayout(audioSettingsBox);
  audioQualityCombo =
      addLabelledCombo(grid, 0, "audioQualityLabel", "Audio Quality :", "audioQualityCombo", &audioQualityLabel);
  audioChannelsCombo = addLabelledCombo(grid, 1, "audioChannelsLabel", "Audio Channels :", "audioChannelsCombo",
                                        &audioChannelsLabel);
  fillCombo(audioChannelsCombo, ProfileChoices().comboAudioChannels);
  volumeLabel = makeLabel(audioSettingsBox, "volumeLabel", QStringLiteral("Volume : "));
  volumeSlider = new QSlider(Qt::Horizontal, audioSettingsBox);
  volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
  volumeSlider->setAccessibleName(QStringLiteral("Volume"));
  volumeSlider->setRange(kVolumeMinPosition, kVolumeMaxPosition);
  volumeSlider->setPageStep(1);
  volumeSlider->setTickPosition(QSlider::TicksBelow);
  volumeSlider->setTickInterval(1);
  volumeLabel->setBuddy(volumeSlider);
  volumePercentLabel = makeLabel(audioSettingsBox, "volumePercentLabel", QString());
  // Room for the widest percentage, so the slider does not jump.
  volumePercentLabel->setMinimumWidth(volumePercentLabel->fontMetrics().horizontalAdvance(QStringLiteral("200%")));
  auto *volumeRow = new QHBoxLayout;
  volumeRow->addWidget(volumeSlider, 1);
  volumeRow->addWidget(volumePercentLabel);
  grid->addWidget(volumeLabel, 2, 0);
  grid->addLayout(volumeRow, 2, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(3, 1);
  connect(audioQualityCombo, &QComboBox::activated, this, &MainWindow::onQualityChosen);
  connect(audioChannelsCombo, &QComboBox::activated, this, &MainWindow::onChoiceChosen);
  connect(volumeSlider, &QSlider::valueChanged, this, &MainWindow::onVolumeChanged);
}

void MainWindow::createProgressRow(QWidget *area) {
  progressBar = new QProgressBar(area);
  progressBar->setObjectName(QStringLiteral("progressBar"));
  progressBar->setAccessibleName(QStringLiteral("Conversion progress"));
  progressBar->setRange(0, 100);
  progressBar->setValue(0);
  progressBar->setTextVisible(false);
  progressStopButton = makeToolButton(area, "progressStopButton", QStringLiteral("Stop"), QStyle::SP_BrowserStop,
                                      QStringLiteral("Stop all conversions (Esc)"), false);
  connect(progressStopButton, &QToolButton::clicked, this, &MainWindow::stopAllConversions);
}

QLayout *MainWindow::createPreviewPane(QWidget *area) {
  previewPanel = makePanel(area, "previewPanel");
  previewPanel->setFrameShape(QFrame::StyledPanel);
  previewPanel->setFrameShadow(QFrame::Sunken);
  previewPanel->setAutoFillBackground(true);
  previewPanel->setMinimumSize(kPreviewMinWidth, kPreviewMinHeight);
  previewPanel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  QPalette black = previewPanel->palette();
  black.setColor(QPalette::Window, Qt::black);
  previewPanel->setPalette(black);
  previewLogo = new QLabel(previewPanel);
  previewLogo->setObjectName(QStringLiteral("previewLogo"));
  previewLogo->setAlignment(Qt::AlignCenter);
  previewLogo->setPixmap(programPixmap(64));
  previewPicture = new QWidget(previewPanel);
  previewPicture->setObjectName(QStringLiteral("previewPicture"));
  previewPicture->setAutoFillBackground(true);
  previewPicture->setPalette(black);
  // The picture lies over the logo and is shown by the preview while a file
  // plays.
  auto *stack = new QStackedLayout(previewPanel);
  stack->setContentsMargins(1, 1, 1, 1);
  stack->setStackingMode(QStackedLayout::StackAll);
  stack->addWidget(previewLogo);
  stack->addWidget(previewPicture);
  previewPicture->hide();

  playButton = makeToolButton(area, "playButton", QString(), QStyle::SP_MediaPlay, QStringLiteral("Play"));
  pauseButton = makeToolButton(area, "pauseButton", QString(), QStyle::SP_MediaPause, QStringLiteral("Pause"));
  previewStopButton =
      makeToolButton(area, "previewStopButton", QString(), QStyle::SP_MediaStop, QStringLiteral("Stop"));
  volumeButton = makeToolButton(area, "volumeButton", QString(), QStyle::SP_MediaVolume, QStringLiteral("Volume"));
  snapshotButton =
      makeToolButton(area, "snapshotButton", QString(), QStyle::SP_DesktopIcon, QStringLiteral("Snapshot"));
  connect(playButton, &QToolButton::clicked, this, &MainWindow::playPreview);
  connect(pauseButton, &QToolButton::clicked, this, &MainWindow::pausePreview);
  connect(previewStopButton, &QToolButton::clicked, this, &MainWindow::stopPreview);
  connect(volumeButton, &QToolButton::clicked, this, &MainWindow::showVolumeMenu);
  connect(snapshotButton, &QToolButton::clicked, this, &MainWindow::saveSnapshot);

  seekBar = new SeekBar(area);
  seekBar->setObjectName(QStringLiteral("seekBar"));
  seekBar->setAccessibleName(QStringLiteral("Preview position"));

  auto *controls = new QHBoxLayout;
  controls->setSpacing(1);
  for (QToolButton *b : {playButton, pauseButton, previewStopButton, volumeButton, snapshotButton})
    controls->addWidget(b);
  controls->addSpacing(4);
  controls->addWidget(seekBar, 1);
  auto *pane = new QVBoxLayout;
  pane->addWidget(previewPanel, 1);
  pane->addLayout(controls);
  return pane;
}

void MainWindow::createStatusBar() {
  mainStatusBar = statusBar();
  mainStatusBar->setObjectName(QStringLiteral("mainStatusBar"));
  mainStatusBar->setSizeGripEnabled(true);
  const char *names[kStatusPanelCount] = {"statePanel", "fileSizePanel", "timePanel"};
  // The widest text each panel shows in a run, for its least width.
  const char *widest[kStatusPanelCount] = {"Converting 888 of 888", "File Size : 8888888 KBytes",
                                           "Elapsed 88:88:88   Speed 88.8x   Left 88:88:88"};
  const int stretch[kStatusPanelCount] = {0, 0, 1};
  for (int i = 0; i < kStatusPanelCount; ++i) {
    statusPanels[i] = new QLabel(mainStatusBar);
    statusPanels[i]->setObjectName(QString::fromLatin1(names[i]));
    statusPanels[i]->setMinimumWidth(statusPanels[i]->fontMetrics().horizontalAdvance(QString::fromLatin1(widest[i])) +
                                     8);
    statusPanels[i]->setFrameShape(QFrame::StyledPanel);
    statusPanels[i]->setFrameShadow(QFrame::Sunken);
    mainStatusBar->addWidget(statusPanels[i], stretch[i]);
  }
  statusPanels[kStatePanel]->setText(QStringLiteral("Ready"));
}

// Tab walks the window from the top left to the bottom right.
void MainWindow::setKeyboardOrder() {
  const QList<QWidget *> order = {addFileButton,     removeFileButton,   clearAllButton,  stopButton,
                                  startButton,       chooseFolderButton, openFolderButton, profileCombo,
                                  sourceList,        videoQualityCombo,  videoSizeCombo,  frameRateCombo,
                                  audioQualityCombo, audioChannelsCombo, volumeSlider,    progressStopButton,
                                  playButton,        pauseButton,        previewStopButton, volumeButton,
                                  snapshotButton,    seekBar};
  for (int i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

QSize MainWindow::designSize() const {
  return QSize(kDesignClientWidth, (mainMenu ? mainMenu->sizeHint().height() : 0) + kDesignClientHeight);
}

void MainWindow::applyMinimumSize() {
  if (layout()) layout()->activate();
  QSize minimum = designSize().expandedTo(minimumSizeHint());
  if (const QScreen *shown = screen()) {
    // The frame the window manager adds stays on the screen too.
    const QSize frame = frameGeometry().size() - geometry().size();
    minimum = minimum.boundedTo(shown->availableSize() - frame);
  }
  const QSize before = size();
  if (minimum != minimumSize()) setMinimumSize(minimum);
  if (width() < minimum.width() || height() < minimum.height()) resize(size().expandedTo(minimum));
  // Grown where it stands, it may reach past the screen's edge.
  if (placed_ && size() != before) placeOnScreen(pos());
}

bool MainWindow::event(QEvent *event) {
  const bool handled = QMainWindow::event(event);
  // A control asks for more room (a profile with longer choices, another
  // font): the least size follows.
  if (event->type() == QEvent::LayoutRequest) applyMinimumSize();
  return handled;
}
