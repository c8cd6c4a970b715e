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
#include <QProgressBar>
#include <QScreen>
#include <QSlider>
#include <QStackedLayout>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "combo_lists.h"
#include "conversion_queue.h"
#include "fit_into_box.h"
#include "mainwindow.h"
#include "program_icon.h"
#include "seek_bar.h"
#include "shown_text.h"
#include "source_list_delegate.h"
#include "source_list_model.h"
#include "volume_table.h"

namespace {

constexpr int kProfileComboMinWidth = 330;
constexpr int kPreviewMinWidth = 247;
constexpr int kPreviewMinHeight = 160;
constexpr int kSourceListMinRows = 4;
constexpr int kVolumeSliderMinWidth = 120;

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

// A settings group's grid, a little closer than the style's so that both
// groups and the preview fit the design width.
QGridLayout *makeSettingsGrid(QGroupBox *group) {
  auto *grid = new QGridLayout(group);
  const QMargins m = grid->contentsMargins();
  grid->setContentsMargins(std::min(m.left(), 6), m.top(), std::min(m.right(), 6), m.bottom());
  grid->setHorizontalSpacing(4);
  return grid;
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
QComboBox *addLabelledCombo(QGridLayout *grid, int row, const char *labelName, const QString &caption,
                            const char *comboName, QLabel **label) {
  QWidget *group = grid->parentWidget();
  *label = makeLabel(group, labelName, caption);
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

}  // namespace

void MainWindow::createMenus() {
  mainMenu_ = menuBar();
  mainMenu_->setObjectName(QStringLiteral("mainMenu"));

  fileMenu_ = addMenu(mainMenu_, "fileMenu", tr("&File"));
  addFilesAction_ = addItem(fileMenu_, "addFilesAction", tr("&Add Files"), QKeySequence::Open);
  fileMenu_->addSeparator();
  convertAction_ = addItem(fileMenu_, "convertAction", tr("&Convert"));
  convertAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  openOutputFolderAction_ = addItem(fileMenu_, "openOutputFolderAction", tr("Open Output &Folder"));
  fileMenu_->addSeparator();
  exitAction_ = addItem(fileMenu_, "exitAction", tr("E&xit"));
  connect(addFilesAction_, &QAction::triggered, this, &MainWindow::addFiles);
  connect(convertAction_, &QAction::triggered, this, &MainWindow::startConversion);
  connect(openOutputFolderAction_, &QAction::triggered, this, &MainWindow::openOutputFolder);
  connect(exitAction_, &QAction::triggered, this, &MainWindow::exitProgram);

  optionsMenu_ = addMenu(mainMenu_, "optionsMenu", tr("&Options"));
  setOptionsAction_ = addItem(optionsMenu_, "setOptionsAction", tr("&Set Options"));
  connect(setOptionsAction_, &QAction::triggered, this, &MainWindow::showOptionsDialog);

  helpMenu_ = addMenu(mainMenu_, "helpMenu", tr("&Help"));
  openHelpAction_ = addItem(helpMenu_, "openHelpAction", tr("Open &Help File"), QKeySequence::HelpContents);
  helpMenu_->addSeparator();
  visitWebsiteAction_ = addItem(helpMenu_, "visitWebsiteAction", tr("&Visit Trevix Software Website"));
  helpMenu_->addSeparator();
  aboutAction_ = addItem(helpMenu_, "aboutAction", tr("&About"));
  connect(openHelpAction_, &QAction::triggered, this, &MainWindow::openHelpFile);
  connect(visitWebsiteAction_, &QAction::triggered, this, &MainWindow::visitWebsite);
  connect(aboutAction_, &QAction::triggered, this, &MainWindow::showAboutDialog);

  sourceListMenu_ = new QMenu(this);
  sourceListMenu_->setObjectName(QStringLiteral("sourceListMenu"));
  checkAllAction_ = addItem(sourceListMenu_, "checkAllAction", tr("&Check All Items"));
  uncheckAllAction_ = addItem(sourceListMenu_, "uncheckAllAction", tr("&Uncheck All Items"));
  sourceListMenu_->addSeparator();
  removeSelectedAction_ =
      addItem(sourceListMenu_, "removeSelectedAction", tr("&Remove Selected Item"), QKeySequence::Delete);
  // Delete acts where the list has the focus (added to the list below).
  removeSelectedAction_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  clearAllAction_ = addItem(sourceListMenu_, "clearAllAction", tr("C&lear All Items"));
  sourceListMenu_->addSeparator();
  playSelectedAction_ = addItem(sourceListMenu_, "playSelectedAction", tr("&Play Selected File"));
  addEditItems();
  sourceListMenu_->addSeparator();
  showLogAction_ = addItem(sourceListMenu_, "showLogAction", tr("Show L&og"));
  connect(checkAllAction_, &QAction::triggered, this, &MainWindow::checkAllFiles);
  connect(uncheckAllAction_, &QAction::triggered, this, &MainWindow::uncheckAllFiles);
  connect(removeSelectedAction_, &QAction::triggered, this, &MainWindow::removeSelectedFile);
  connect(clearAllAction_, &QAction::triggered, this, &MainWindow::clearAllFiles);
  connect(playSelectedAction_, &QAction::triggered, this, &MainWindow::playSelectedFile);
  connect(showLogAction_, &QAction::triggered, this, &MainWindow::showSelectedLog);
  connect(sourceListMenu_, &QMenu::aboutToShow, this, [this] { showLogAction_->setEnabled(selectedRowHasLog()); });

  volumeMenu_ = new QMenu(this);
  volumeMenu_->setObjectName(QStringLiteral("volumeMenu"));
  muteAction_ = addItem(volumeMenu_, "muteAction", tr("&Mute"));
  halfVolumeAction_ = addItem(volumeMenu_, "halfVolumeAction", tr("&Half Volume"));
  fullVolumeAction_ = addItem(volumeMenu_, "fullVolumeAction", tr("&Full Volume"));
  connect(muteAction_, &QAction::triggered, this, &MainWindow::mute);
  connect(halfVolumeAction_, &QAction::triggered, this, &MainWindow::setHalfVolume);
  connect(fullVolumeAction_, &QAction::triggered, this, &MainWindow::setFullVolume);

  // Esc stops a run (with its question) or the adding of files; the File menu that holds the
  // other commands is off during a run, so this one lives on the window.
  stopAction_ = new QAction(tr("Stop"), this);
  stopAction_->setObjectName(QStringLiteral("stopAction"));
  stopAction_->setShortcut(QKeySequence(Qt::Key_Escape));
  stopAction_->setShortcutContext(Qt::WindowShortcut);
  addAction(stopAction_);
  connect(stopAction_, &QAction::triggered, this, [this] {
    if (runInProgress() || runFlags().addingFiles) stopAllConversions();
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
  settingsPanel_ = makePanel(client, "settingsPanel");
  auto *settingsRow = new QHBoxLayout(settingsPanel_);
  settingsRow->setContentsMargins(6, 4, 6, 4);
  auto *settingsColumn = new QVBoxLayout;
  auto *groups = new QHBoxLayout;
  settingsColumn->addLayout(groups);
  settingsColumn->addStretch(1);
  createVideoSettings(settingsPanel_);
  createAudioSettings(settingsPanel_);
  groups->addWidget(videoSettingsBox_, 1);
  groups->addWidget(audioSettingsBox_, 1);
  createProgressRow(settingsPanel_);
  auto *progressRow = new QHBoxLayout;
  progressRow->addWidget(progressBar_, 1);
  progressRow->addWidget(progressStopButton_);
  settingsColumn->addLayout(progressRow);
  settingsRow->addLayout(settingsColumn, 0);
  settingsRow->addLayout(createPreviewPane(settingsPanel_), 1);
  column->addWidget(toolBarPanel_);
  column->addWidget(outputPanel_);
  column->addWidget(sourceListPanel_, 3);
  column->addWidget(settingsPanel_, 2);
  createStatusBar();
  setKeyboardOrder();
}

void MainWindow::createToolBar(QWidget *client) {
  toolBarPanel_ = makePanel(client, "toolBarPanel");
  toolBarPanel_->setFrameShape(QFrame::StyledPanel);
  addFileButton_ = makeToolButton(toolBarPanel_, "addFileButton", tr("Add File"), QStyle::SP_FileIcon,
                                  tr("Add files to the list (Ctrl+O)"));
  removeFileButton_ = makeToolButton(toolBarPanel_, "removeFileButton", tr("Remove File"),
                                     QStyle::SP_TrashIcon, tr("Remove the selected file (Delete)"));
  clearAllButton_ = makeToolButton(toolBarPanel_, "clearAllButton", tr("Clear All "),
                                   QStyle::SP_DialogResetButton, tr("Remove every file from the list"));
  stopButton_ = makeToolButton(toolBarPanel_, "stopButton", tr("Stop"), QStyle::SP_BrowserStop,
                               tr("Stop all conversions (Esc)"));
  startButton_ = makeToolButton(toolBarPanel_, "startButton", tr("Start"), QStyle::SP_MediaPlay,
                                tr("Convert the checked files (Ctrl+Return)"));
  // Beside Start, where no profile moves it.
  fitIntoLabel_ = makeLabel(toolBarPanel_, "fitIntoLabel", tr("Fit into :"));
  fitIntoBox_ = new FitIntoBox(toolBarPanel_);
  fitIntoBox_->setObjectName(QStringLiteral("fitIntoBox"));
  fitIntoBox_->setToolTip(tr("Make each output at most this size (a size in MB may be typed)"));
  fitIntoLabel_->setBuddy(fitIntoBox_);
  connect(fitIntoBox_, &FitIntoBox::sizeChosen, this, [this](qint64 bytes) { settings_.fitIntoBytes = bytes; });
  auto *row = new QHBoxLayout(toolBarPanel_);
  row->setContentsMargins(6, 4, 6, 4);
  for (QToolButton *b : {addFileButton_, removeFileButton_, clearAllButton_}) row->addWidget(b);
  row->addStretch(1);
  row->addWidget(fitIntoLabel_);
  row->addWidget(fitIntoBox_);
  row->addSpacing(8);
  row->addWidget(stopButton_);
  row->addWidget(startButton_);
  connect(addFileButton_, &QToolButton::clicked, this, &MainWindow::addFiles);
  connect(removeFileButton_, &QToolButton::clicked, this, &MainWindow::removeSelectedFile);
  connect(clearAllButton_, &QToolButton::clicked, this, &MainWindow::clearAllFiles);
  connect(stopButton_, &QToolButton::clicked, this, &MainWindow::stopAllConversions);
  connect(startButton_, &QToolButton::clicked, this, &MainWindow::startConversion);
}

void MainWindow::createOutputRow(QWidget *client) {
  outputPanel_ = makePanel(client, "outputPanel");
  outputFolderLabel_ = makeLabel(outputPanel_, "outputFolderLabel", tr("Output Folder :"));
  outputFolderEdit_ = new QLineEdit(outputPanel_);
  outputFolderEdit_->setObjectName(QStringLiteral("outputFolderEdit"));
  // Read-only but not disabled: the path is in the normal text colour and
  // can be selected and copied.
  outputFolderEdit_->setReadOnly(true);
  outputFolderEdit_->setAccessibleName(tr("Output folder"));
  chooseFolderButton_ = makeToolButton(outputPanel_, "chooseFolderButton", QString(), QStyle::SP_DirOpenIcon,
                                       tr("Choose Output Folder"));
  openFolderButton_ = makeToolButton(outputPanel_, "openFolderButton", QString(), QStyle::SP_DirLinkIcon,
                                     tr("Open Output Folder"));
  outputFolderLabel_->setBuddy(chooseFolderButton_);
  connect(chooseFolderButton_, &QToolButton::clicked, this, &MainWindow::chooseOutputFolder);
  connect(openFolderButton_, &QToolButton::clicked, this, &MainWindow::openOutputFolder);
  profileLabel_ = makeLabel(outputPanel_, "profileLabel", tr("Set Output Format :"));
  profileCombo_ = new DropDownComboBox(outputPanel_);
  profileCombo_->setObjectName(QStringLiteral("profileCombo"));
  profileCombo_->setMinimumWidth(kProfileComboMinWidth);
  profileCombo_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  profileCombo_->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
  profileLabel_->setBuddy(profileCombo_);
  connect(profileCombo_, &QComboBox::activated, this, &MainWindow::onProfileChosen);
  connect(profileCombo_, &DropDownComboBox::dropDown, this, &MainWindow::applyDropDownLength);

  auto *grid = new QGridLayout(outputPanel_);
  grid->setContentsMargins(10, 4, 6, 4);
  grid->setVerticalSpacing(3);
  grid->addWidget(outputFolderLabel_, 0, 0);
  grid->addWidget(outputFolderEdit_, 0, 1, 1, 2);
  grid->addWidget(chooseFolderButton_, 0, 3);
  grid->addWidget(openFolderButton_, 0, 4);
  grid->addWidget(profileLabel_, 1, 0);
  grid->addWidget(profileCombo_, 1, 1);
  grid->setColumnStretch(2, 1);
}

void MainWindow::createSourceList(QWidget *client) {
  sourceListPanel_ = makePanel(client, "sourceListPanel");
  sourceListModel_ = new SourceListModel(sourceJobs_, this);
  sourceListModel_->setObjectName(QStringLiteral("sourceListModel"));
  sourceList_ = new QTreeView(sourceListPanel_);
  sourceList_->setObjectName(QStringLiteral("sourceList"));
  sourceList_->setAccessibleName(tr("Files to convert"));
  sourceList_->setModel(sourceListModel_);
  sourceList_->setItemDelegate(new SourceListDelegate(sourceList_));
  // The file name takes the free width; the other columns are as wide as
  // their widest texts and titles need with the list's font, never less
  // than in the design.
  QHeaderView *header = sourceList_->header();
  header->setStretchLastSection(false);
  const QFontMetrics metrics = sourceList_->fontMetrics();
  const int padding = 2 * (sourceList_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, sourceList_) + 1) + 4;
  for (int c = 0; c < kSourceListColumnCount; ++c) {
    int width = std::max(SourceListModel::columnWidth(c), header->sectionSizeHint(c));
    for (const QString &text : SourceListModel::widestTexts(c))
      width = std::max(width, metrics.horizontalAdvance(text) + padding);
    sourceList_->setColumnWidth(c, width);
  }
  header->setSectionResizeMode(kFileNameColumn, QHeaderView::Stretch);
  sourceList_->setRootIsDecorated(false);
  sourceList_->setItemsExpandable(false);
  sourceList_->setExpandsOnDoubleClick(false);
  sourceList_->setUniformRowHeights(true);
  sourceList_->setSelectionMode(QAbstractItemView::SingleSelection);
  sourceList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  sourceList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sourceList_->setAllColumnsShowFocus(true);
  sourceList_->addAction(removeSelectedAction_);
  const int rowHeight = sourceList_->fontMetrics().height() + 6;
  sourceList_->setMinimumHeight(sourceList_->header()->sizeHint().height() + kSourceListMinRows * rowHeight);
  sourceList_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(sourceList_, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
    if (sourceListMenuEnabled_) sourceListMenu_->popup(sourceList_->viewport()->mapToGlobal(pos));
  });
  connect(sourceList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MainWindow::onSourceSelected);
  connect(sourceList_, &QAbstractItemView::doubleClicked, this, &MainWindow::onSourceDoubleClicked);
  auto *box = new QVBoxLayout(sourceListPanel_);
  box->setContentsMargins(6, 2, 6, 2);
  box->addWidget(sourceList_);
}

void MainWindow::createVideoSettings(QWidget *area) {
  videoSettingsBox_ = new QGroupBox(tr(" Video Settings "), area);
  videoSettingsBox_->setObjectName(QStringLiteral("videoSettingsBox"));
  QGridLayout *grid = makeSettingsGrid(videoSettingsBox_);
  videoQualityCombo_ =
      addLabelledCombo(grid, 0, "videoQualityLabel", tr("Video Quality : "), "videoQualityCombo", &videoQualityLabel_);
  videoSizeCombo_ =
      addLabelledCombo(grid, 1, "videoSizeLabel", tr("Video Size : "), "videoSizeCombo", &videoSizeLabel_);
  frameRateCombo_ =
      addLabelledCombo(grid, 2, "frameRateLabel", tr("Video Framerate : "), "frameRateCombo", &frameRateLabel_);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(3, 1);
  connect(videoQualityCombo_, &QComboBox::activated, this, &MainWindow::onQualityChosen);
  connect(videoSizeCombo_, &QComboBox::activated, this, &MainWindow::onChoiceChosen);
  connect(frameRateCombo_, &QComboBox::activated, this, &MainWindow::onChoiceChosen);
}

void MainWindow::createAudioSettings(QWidget *area) {
  audioSettingsBox_ = new QGroupBox(tr(" Audio Settings "), area);
  audioSettingsBox_->setObjectName(QStringLiteral("audioSettingsBox"));
  QGridLayout *grid = makeSettingsGrid(audioSettingsBox_);
  audioQualityCombo_ =
      addLabelledCombo(grid, 0, "audioQualityLabel", tr("Audio Quality :"), "audioQualityCombo", &audioQualityLabel_);
  audioChannelsCombo_ = addLabelledCombo(grid, 1, "audioChannelsLabel", tr("Audio Channels :"), "audioChannelsCombo",
                                         &audioChannelsLabel_);
  fillCombo(audioChannelsCombo_, ProfileChoices().comboAudioChannels);
  volumeLabel_ = makeLabel(audioSettingsBox_, "volumeLabel", tr("Volume : "));
  volumeSlider_ = new QSlider(Qt::Horizontal, audioSettingsBox_);
  volumeSlider_->setObjectName(QStringLiteral("volumeSlider"));
  volumeSlider_->setAccessibleName(tr("Volume"));
  volumeSlider_->setRange(kVolumeMinPosition, kVolumeMaxPosition);
  volumeSlider_->setPageStep(1);
  volumeSlider_->setTickPosition(QSlider::TicksBelow);
  volumeSlider_->setTickInterval(1);
  volumeSlider_->setMinimumWidth(kVolumeSliderMinWidth);
  volumeLabel_->setBuddy(volumeSlider_);
  volumePercentLabel_ = makeLabel(audioSettingsBox_, "volumePercentLabel", QString());
  // Room for the widest percentage, so the slider does not jump.
  volumePercentLabel_->setText(QStringLiteral("200%"));
  volumePercentLabel_->setMinimumWidth(volumePercentLabel_->sizeHint().width());
  volumePercentLabel_->clear();
  // The percentage beside the caption leaves the slider the width of the
  // combos above it.
  volumePercentLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto *volumeCaption = new QHBoxLayout;
  volumeCaption->addWidget(volumeLabel_);
  volumeCaption->addWidget(volumePercentLabel_, 1);
  grid->addLayout(volumeCaption, 2, 0);
  grid->addWidget(volumeSlider_, 2, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(3, 1);
  connect(audioQualityCombo_, &QComboBox::activated, this, &MainWindow::onQualityChosen);
  connect(audioChannelsCombo_, &QComboBox::activated, this, &MainWindow::onChoiceChosen);
  connect(volumeSlider_, &QSlider::valueChanged, this, &MainWindow::onVolumeChanged);
}

void MainWindow::createProgressRow(QWidget *area) {
  progressBar_ = new QProgressBar(area);
  progressBar_->setObjectName(QStringLiteral("progressBar"));
  progressBar_->setAccessibleName(tr("Conversion progress"));
  progressBar_->setRange(0, 100);
  progressBar_->setValue(0);
  progressBar_->setTextVisible(false);
  progressStopButton_ = makeToolButton(area, "progressStopButton", tr("Stop"), QStyle::SP_BrowserStop,
                                       tr("Stop all conversions (Esc)"), false);
  connect(progressStopButton_, &QToolButton::clicked, this, &MainWindow::stopAllConversions);
}

QLayout *MainWindow::createPreviewPane(QWidget *area) {
  previewPanel_ = makePanel(area, "previewPanel");
  previewPanel_->setFrameShape(QFrame::StyledPanel);
  previewPanel_->setFrameShadow(QFrame::Sunken);
  previewPanel_->setAutoFillBackground(true);
  previewPanel_->setMinimumSize(kPreviewMinWidth, kPreviewMinHeight);
  previewPanel_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  QPalette black = previewPanel_->palette();
  black.setColor(QPalette::Window, Qt::black);
  previewPanel_->setPalette(black);
  previewLogo_ = new QLabel(previewPanel_);
  previewLogo_->setObjectName(QStringLiteral("previewLogo"));
  previewLogo_->setAlignment(Qt::AlignCenter);
  previewLogo_->setPixmap(programPixmap(64));
  previewPicture_ = new QWidget(previewPanel_);
  previewPicture_->setObjectName(QStringLiteral("previewPicture"));
  previewPicture_->setAutoFillBackground(true);
  previewPicture_->setPalette(black);
  // The picture lies over the logo and is shown by the preview while a file
  // plays.
  auto *stack = new QStackedLayout(previewPanel_);
  stack->setContentsMargins(1, 1, 1, 1);
  stack->setStackingMode(QStackedLayout::StackAll);
  stack->addWidget(previewLogo_);
  stack->addWidget(previewPicture_);
  previewPicture_->hide();

  playButton_ = makeToolButton(area, "playButton", QString(), QStyle::SP_MediaPlay, tr("Play"));
  pauseButton_ = makeToolButton(area, "pauseButton", QString(), QStyle::SP_MediaPause, tr("Pause"));
  previewStopButton_ =
      makeToolButton(area, "previewStopButton", QString(), QStyle::SP_MediaStop, tr("Stop"));
  volumeButton_ = makeToolButton(area, "volumeButton", QString(), QStyle::SP_MediaVolume, tr("Volume"));
  snapshotButton_ =
      makeToolButton(area, "snapshotButton", QString(), QStyle::SP_DesktopIcon, tr("Snapshot"));
  connect(playButton_, &QToolButton::clicked, this, &MainWindow::playPreview);
  connect(pauseButton_, &QToolButton::clicked, this, &MainWindow::pausePreview);
  connect(previewStopButton_, &QToolButton::clicked, this, &MainWindow::stopPreview);
  connect(volumeButton_, &QToolButton::clicked, this, &MainWindow::showVolumeMenu);
  connect(snapshotButton_, &QToolButton::clicked, this, &MainWindow::saveSnapshot);

  seekBar_ = new SeekBar(area);
  seekBar_->setObjectName(QStringLiteral("seekBar"));
  seekBar_->setAccessibleName(tr("Preview position"));

  auto *controls = new QHBoxLayout;
  controls->setSpacing(1);
  for (QToolButton *b : {playButton_, pauseButton_, previewStopButton_, volumeButton_, snapshotButton_})
    controls->addWidget(b);
  controls->addSpacing(4);
  controls->addWidget(seekBar_, 1);
  auto *pane = new QVBoxLayout;
  pane->addWidget(previewPanel_, 1);
  pane->addLayout(controls);
  return pane;
}

void MainWindow::createStatusBar() {
  mainStatusBar_ = statusBar();
  mainStatusBar_->setObjectName(QStringLiteral("mainStatusBar"));
  mainStatusBar_->setSizeGripEnabled(true);
  const char *names[kStatusPanelCount] = {"statePanel", "fileSizePanel", "timePanel"};
  // The widest text each panel shows in a run, for its least width.
  const QString widest[kStatusPanelCount] = {
      runPositionShown({888, 888}), fileSizeShown(8888888000),
      tr("Elapsed %1   Speed %2   Left %3").arg(QStringLiteral("88:88:88"), QStringLiteral("88.8x"),
                                               QStringLiteral("88:88:88"))};
  const int stretch[kStatusPanelCount] = {0, 0, 1};
  for (int i = 0; i < kStatusPanelCount; ++i) {
    statusPanels_[i] = new QLabel(mainStatusBar_);
    statusPanels_[i]->setObjectName(QString::fromLatin1(names[i]));
    statusPanels_[i]->setMinimumWidth(
        statusPanels_[i]->fontMetrics().horizontalAdvance(widest[i]) + 8);
    statusPanels_[i]->setFrameShape(QFrame::StyledPanel);
    statusPanels_[i]->setFrameShadow(QFrame::Sunken);
    mainStatusBar_->addWidget(statusPanels_[i], stretch[i]);
  }
  statusPanels_[kStatePanel]->setText(tr("Ready"));
}

// Tab walks the window from the top left to the bottom right.
void MainWindow::setKeyboardOrder() {
  const QList<QWidget *> order = {
      addFileButton_,      removeFileButton_, clearAllButton_,    fitIntoBox_,         stopButton_,         startButton_,
      outputFolderEdit_,   chooseFolderButton_, openFolderButton_, profileCombo_,      sourceList_,         videoQualityCombo_,
      videoSizeCombo_,     frameRateCombo_,   audioQualityCombo_, audioChannelsCombo_, volumeSlider_,
      progressStopButton_, playButton_,       pauseButton_,       previewStopButton_,  volumeButton_,
      snapshotButton_,     seekBar_};
  for (int i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

QSize MainWindow::designSize() const {
  return QSize(kDesignClientWidth, (mainMenu_ ? mainMenu_->sizeHint().height() : 0) + kDesignClientHeight);
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
