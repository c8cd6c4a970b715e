#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>
#include <QUrl>
#include <cstdio>

#include "about_dialog.h"
#include "app_info.h"
#include "combo_lists.h"
#include "conversion_queue.h"
#include "desktop_services.h"
#include "engine_relay.h"
#include "file_input.h"
#include "fit_into_box.h"
#include "media_engine.h"
#include "options_dialog.h"
#include "output_files.h"
#include "pipeline_text.h"
#include "program_icon.h"
#include "settings.h"
#include "settings_store.h"
#include "shown_text.h"
#include "source_list_model.h"
#include "source_prober.h"
#include "volume_table.h"

namespace {

const QPoint kDesignPosition(206, 90);
constexpr int kHintDisplayMs = 30000;
constexpr int kNextRowIntervalMs = 200;
constexpr int kStartDropDownCount = 25;

const char *const kMissingLibrariesText =
    QT_TRANSLATE_NOOP("MainWindow", "Some files are missing. Please re-install this software");
const char *const kOpenDialogFilter = QT_TRANSLATE_NOOP(
    "MainWindow",
    "All Supported Files|*.mov;*.qt;*.m4v;*.mp4;*.m4a|QuickTime Files (*.mov, *.qt, *.m4v)|*.mov; *.qt; "
    "*.m4v|MPEG-4 Audio Files (*.m4a, *.mp4)|*.m4a; *.mp4|");
const char *const kFolderHeadline = QT_TRANSLATE_NOOP("MainWindow", "Choose the required output folder below :");
const char *const kSettingsNotReadText = QT_TRANSLATE_NOOP(
    "MainWindow", "The settings could not be read from \"%1\". The program goes on with its default settings.");
const char *const kNotOpenedText = QT_TRANSLATE_NOOP("MainWindow", "No program on this desktop could open \"%1\".");
const char *const kSettingsNotSavedText = QT_TRANSLATE_NOOP(
    "MainWindow", "The settings could not be saved to \"%1\". Changes to them will not be kept.");

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

}  // namespace

void DropDownComboBox::showPopup() {
  emit dropDown();
  QComboBox::showPopup();
}

MainWindow::MainWindow(const MainWindowOptions &options) : QMainWindow(nullptr) {
  setObjectName(QStringLiteral("mainWindow"));
  prompts_ = options.prompts ? options.prompts : &appPrompts();
  desktop_ = options.desktop ? options.desktop : &systemDesktopServices();
  clockNow_ = options.clock;
  programFolder_ =
      QDir::cleanPath(options.programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : options.programFolder);
  settingsStore_ = std::make_unique<QtSettingsStore>(options.settingsFolder);
  terminateProgram_ = [] { QCoreApplication::exit(0); };

  // The desktop's font and colours stand: nothing here sets a font.
  setWindowIcon(programIcon());

  // The engine and its scheduler; the scheduler outlives the engine (it is
  // a child object, deleted after the members).
  scheduler_ = new QtMainThreadScheduler(this);
  scheduler_->setObjectName(QStringLiteral("scheduler"));
  engine_ = std::make_unique<MediaEngine>(scheduler_);
  relay_ = std::make_shared<EngineEventRelay>(this);

  nextRowTimer_ = new QTimer(this);
  nextRowTimer_->setObjectName(QStringLiteral("nextRowTimer"));
  nextRowTimer_->setInterval(kNextRowIntervalMs);
  connect(nextRowTimer_, &QTimer::timeout, this, &MainWindow::onNextRowTimer);

  addFilesRun_ = new ExclusiveRun(this, [this] { addChosenFiles(); });
  addFilesRun_->setObjectName(QStringLiteral("addFilesRun"));
  sourceProber_ = std::make_unique<SourceProber>(this);

  createMenus();
  createControls();
  sourceListDrop_ = new FileDropTarget(
      this, [this]() -> QWidget * { return sourceList_; }, [this](const QStringList &files) { addDroppedFiles(files); },
      [this] { return !runInProgress() && runPhase() == RunPhase::Idle; });
  sourceListDrop_->setObjectName(QStringLiteral("sourceListDrop"));
  // The engine raises its events on its worker threads; the conversion
  // queue takes them and carries each one to the UI thread through relay_,
  // in the order raised. Nothing on a worker touches the window.
  queue();
  setUpAtCreation();
}

MainWindow::~MainWindow() {
  // No engine event may reach the window from here on; the engine itself
  // is shut down when its member is destroyed.
  relay_->close();
  // The model reads sourceJobs, which goes with the members, before the
  // child widgets are deleted; the list view then shows no model.
  delete sourceListModel_;
  sourceListModel_ = nullptr;
}

void MainWindow::setUpAtCreation() {
  openDialog_.filter = tr(kOpenDialogFilter);
  openDialog_.hideReadOnly = true;
  openDialog_.fileMustExist = true;
  openDialog_.enableSizing = true;
  folderDialog_.headline = tr(kFolderHeadline);
  const QString common = QDir(programFolder_).filePath(QStringLiteral("Common"));
  if (!engine_->loadAVLib(QDir::toNativeSeparators(common).toStdString(), true)) {
    // Said on the terminal too, with the libraries' own reason.
    std::fprintf(stderr, "%s: %s\n(%s)\n", qPrintable(QCoreApplication::applicationName()), kMissingLibrariesText,
                 engine_->lastErrorMessage().c_str());
    prompts_->information(nullptr, tr(kMissingLibrariesText));
    startupFailed_ = true;
    relay_->close();
    return;
  }
  setWindowTitle(QString::fromLatin1(trevix::kProgramTitle));
  if (QCoreApplication::instance()) qApp->installEventFilter(new HintDisplayTime(kHintDisplayMs, this));
  helpFile_ = QDir(programFolder_).filePath(QString::fromLatin1(trevix::kHelpFileName));
  resize(designSize());
  applyMinimumSize();
  placeOnScreen();
  // Volume at 100%.
  {
    const bool blocked = volumeSlider_->blockSignals(true);
    volumeSlider_->setValue(kVolumeStartPosition);
    volumeSlider_->blockSignals(blocked);
  }
  onVolumeChanged();
  fillProfileList();
  profileCombo_->setMaxVisibleItems(kStartDropDownCount);
  showChoices();
  nextRowTimer_->stop();
  previewPaused_ = false;
}

void MainWindow::createDialogs() {
  if (startupFailed_ || aboutDialog_ || optionsDialog_) return;
  aboutDialog_ = new AboutDialog(this, prompts_);
  loadStoredSettings();
  optionsDialog_ = new OptionsDialog(this, settings_);
  connect(optionsDialog_, &OptionsDialog::settingsEdited, this, &MainWindow::applyDropDownLength);
  applyDropDownLength();
  applyControlStates();
}

void MainWindow::loadStoredSettings() {
  SettingsLoad loaded = SettingsLoad::NotRead;
  try {
    loaded = ::loadSettings(*settingsStore_, settings_);
  } catch (...) {
  }
  showSettings();
  if (loaded == SettingsLoad::NotRead) tellSettingsProblem(kSettingsNotReadText);
  if (loaded == SettingsLoad::NotSaved) tellSettingsProblem(kSettingsNotSavedText);
}

void MainWindow::saveStoredSettings() {
  bool saved = false;
  try {
    saved = ::saveSettings(*settingsStore_, settings_);
  } catch (...) {
  }
  if (!saved) tellSettingsProblem(kSettingsNotSavedText);
}

// Said once a run of the program: the store stays as unusable as it was.
void MainWindow::tellSettingsProblem(const char *text) {
  if (settingsProblemTold_) return;
  settingsProblemTold_ = true;
  const QString file = QDir::toNativeSeparators(settingsStore_->fileName());
  showInformation(tr(text).arg(file));
}

void MainWindow::showSettings() {
  outputFolderEdit_->setText(QString::fromStdString(settings_.outputFolder));
  const int item = listItemOfProfile(settings_.profileId);
  const bool blocked = profileCombo_->blockSignals(true);
  profileCombo_->setCurrentIndex(item);
  profileCombo_->blockSignals(blocked);
  lastProfileIndex_ = item;
  showChoices();
  fitIntoBox_->showSize(settings_.fitIntoBytes);
  if (optionsDialog_) optionsDialog_->showSettings();
}

void MainWindow::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (event->spontaneous()) return;
  onShown();
  // The screen and the font are those of the desktop now, the profile's
  // choices are in their lists.
  applyMinimumSize();
  if (!placed_) {
    placed_ = true;
    if (const QScreen *shown = screen()) resize(size().boundedTo(shown->availableSize()));
    placeOnScreen();
  }
}

// At `wanted` (the design position by default), moved in as far as the
// window must to lie on its screen.
void MainWindow::placeOnScreen(QPoint wanted) {
  QPoint at = wanted.x() < 0 ? kDesignPosition : wanted;
  if (const QScreen *shown = screen()) {
    const QRect room = shown->availableGeometry();
    const QSize frame = frameGeometry().size();
    at.setX(std::max(room.left(), std::min(at.x(), room.right() + 1 - frame.width())));
    at.setY(std::max(room.top(), std::min(at.y(), room.bottom() + 1 - frame.height())));
  }
  move(at);
}

// Loads the selected profile's choices and its quality presets.
void MainWindow::onShown() {
  onProfileChosen();
  applyQualityPreset();
}

void MainWindow::saveAndRelease() {
  if (optionsDialog_) saveStoredSettings();
  releasePreview();
}

void MainWindow::closeEvent(QCloseEvent *event) {
  if (closed_) {
    event->accept();
    return;
  }
  if (!closeAllowed()) {
    event->ignore();
    return;
  }
  saveAndRelease();
  closed_ = true;
  event->accept();
}

void MainWindow::exitProgram() {
  // Ends the program without the close query and close handlers: nothing
  // is saved. Engine events already queued are dropped.
  relay_->close();
  if (terminateProgram_) terminateProgram_();
}

void MainWindow::chooseOutputFolder() {
  if (runFlags().converting) return;
  const QString folder = prompts_->browseForFolder(this, folderDialog_.headline, folderDialog_.lastFolder);
  if (folder.isEmpty()) return;
  folderDialog_.lastFolder = folder;
  setOutputFolder(QDir::toNativeSeparators(folder));
}

void MainWindow::setOutputFolder(const QString &folder) {
  settings_.outputFolder = folder.toStdString();
  outputFolderEdit_->setText(folder);
}

void MainWindow::onVolumeChanged() {
  const VolumeStep &step = volumeStep(volumeSlider_->value());
  volumePercentLabel_->setText(QString::fromLatin1(step.label));
  settings_.volumeValue = step.value;
}

void MainWindow::showOptionsDialog() {
  if (!optionsDialog_) return;
  optionsDialog_->show();
  optionsDialog_->raise();
  optionsDialog_->activateWindow();
}

void MainWindow::openHelpFile() {
  if (!prompts_->openUrl(QUrl::fromLocalFile(helpFile_))) tellNotOpened(helpFile_);
}

void MainWindow::visitWebsite() { prompts_->openUrl(QUrl(QString::fromLatin1(trevix::kWebSiteUrl))); }

void MainWindow::showAboutDialog() {
  if (aboutDialog_) aboutDialog_->exec();
}

void MainWindow::openOutputFolder() {
  const std::string &folder = settings_.outputFolder;
  const std::string problem = outputFolderProblem(folder);
  if (!problem.empty()) {
    showInformation(shownText(problem));
    return;
  }
  const QString path = QString::fromStdString(trimText(folder));
  if (!desktop_->openUrl(QUrl::fromLocalFile(path))) tellNotOpened(path);
}

void MainWindow::showInformation(const QString &text) { prompts_->information(this, text); }

void MainWindow::tellNotOpened(const QString &path) {
  showInformation(tr(kNotOpenedText).arg(QDir::toNativeSeparators(path)));
}

void MainWindow::clearStatusBar() {
  setStatusPanelText(kStatePanel, tr("Ready"));
  setStatusPanelText(kFileSizePanel, QString());
  setStatusPanelText(kTimePanel, QString());
}

QString MainWindow::statusPanelText(int panel) const {
  return panel >= 0 && panel < kStatusPanelCount ? statusPanels_[panel]->text() : QString();
}

void MainWindow::setStatusPanelText(int panel, const QString &text) {
  if (panel >= 0 && panel < kStatusPanelCount) statusPanels_[panel]->setText(text);
}
