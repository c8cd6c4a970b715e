// Cut and turn of the selected row, from the list's pop-up menu: "Set
// Start and End…" (CutDialog), "Start Here" and "End Here" at the preview's
// position, and "Rotate". They change the row's JobEdits in sourceJobs,
// which the list shows (cut length, turned size) and the queue converts;
// they are not kept in the settings.
#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "cut_dialog.h"
#include "job_edits.h"
#include "mainwindow.h"
#include "preview_player.h"

namespace {

// The turns of the "Rotate" menu, in degrees clockwise.
struct TurnItem {
  const char *name;
  const char *caption;
  int degrees;
};
constexpr TurnItem kTurnItems[] = {{"rotateRightAction", QT_TRANSLATE_NOOP("MainWindow", "90° &Right"), 90},
                                   {"rotateLeftAction", QT_TRANSLATE_NOOP("MainWindow", "90° &Left"), 270},
                                   {"rotateHalfAction", QT_TRANSLATE_NOOP("MainWindow", "1&80°"), 180},
                                   {"rotateNoneAction", QT_TRANSLATE_NOOP("MainWindow", "&No Turn"), 0}};

QAction *addNamedItem(QMenu *menu, const char *name, const QString &caption) {
  QAction *action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

}  // namespace

void MainWindow::addEditItems() {
  sourceListMenu_->addSeparator();
  setCutAction_ = addNamedItem(sourceListMenu_, "setCutAction", tr("Set &Start and End…"));
  startHereAction_ = addNamedItem(sourceListMenu_, "startHereAction", tr("Start &Here"));
  endHereAction_ = addNamedItem(sourceListMenu_, "endHereAction", tr("&End Here"));
  rotateMenu_ = sourceListMenu_->addMenu(tr("Ro&tate"));
  rotateMenu_->setObjectName(QStringLiteral("rotateMenu"));
  rotateMenu_->menuAction()->setObjectName(QStringLiteral("rotateMenuAction"));
  auto *turns = new QActionGroup(rotateMenu_);
  for (const TurnItem &item : kTurnItems) {
    if (item.degrees == 0) rotateMenu_->addSeparator();
    QAction *action = addNamedItem(rotateMenu_, item.name, tr(item.caption));
    action->setCheckable(true);
    action->setData(item.degrees);
    turns->addAction(action);
    connect(action, &QAction::triggered, this, [this, degrees = item.degrees] { rotateSelected(degrees); });
  }
  connect(setCutAction_, &QAction::triggered, this, &MainWindow::showCutDialog);
  connect(startHereAction_, &QAction::triggered, this, [this] { cutAtPreview(true); });
  connect(endHereAction_, &QAction::triggered, this, [this] { cutAtPreview(false); });
  connect(sourceListMenu_, &QMenu::aboutToShow, this, &MainWindow::updateEditItems);
}

void MainWindow::updateEditItems() {
  const int row = selectedRow();
  const bool listed = sourceJobs_.contains(row) && sourceJobs_.at(row).probe.opened && !runInProgress();
  setCutAction_->setEnabled(listed);
  const bool here = listed && previewPositionMs(row) >= 0;
  startHereAction_->setEnabled(here);
  endHereAction_->setEnabled(here);
  rotateMenu_->setEnabled(listed && sourceJobs_.at(row).probe.videoStreamCount > 0);
  const int turn = listed ? sourceJobs_.at(row).edits.rotation : 0;
  for (QAction *action : rotateMenu_->actions())
    if (action->isCheckable()) action->setChecked(action->data().toInt() == turn);
}

int64_t MainWindow::previewPositionMs(int row) const {
  if (row != previewRow_ || previewFile_.isEmpty() || !previewPlayer_ || !previewPlayer_->active() ||
      previewPlayer_->fileName() != previewFile_)
    return -1;
  return previewPlayer_->position();
}

bool MainWindow::setSelectedEdits(const JobEdits &edits) {
  const int row = selectedRow();
  if (!sourceJobs_.contains(row) || runInProgress()) return false;
  SourceJob changed = sourceJobs_.at(row);
  changed.edits = edits;
  const std::string problem = cutProblem(changed);
  if (!problem.empty()) {
    showInformation(QString::fromStdString(problem));
    return false;
  }
  sourceJobs_.setEdits(row, edits);
  return true;
}

void MainWindow::showCutDialog() {
  const int row = selectedRow();
  if (!sourceJobs_.contains(row) || runInProgress()) return;
  if (!cutDialog_) {
    cutDialog_ = new CutDialog(this);
    cutDialog_->setObjectName(QStringLiteral("cutDialog"));
    connect(cutDialog_, &QDialog::accepted, this, [this] {
      // The dialog is modal to the window: its row is still the one it
      // opened for, unless a caller changed the list meanwhile.
      const int at = cutDialog_->row();
      if (sourceJobs_.contains(at) && !runInProgress()) sourceJobs_.setEdits(at, cutDialog_->edits());
    });
  }
  cutDialog_->edit(row, sourceJobs_.at(row));
}

void MainWindow::cutAtPreview(bool start) {
  const int row = selectedRow();
  if (!sourceJobs_.contains(row)) return;
  const int64_t at = previewPositionMs(row);
  if (at < 0) return;
  JobEdits edits = sourceJobs_.at(row).edits;
  (start ? edits.startMs : edits.endMs) = at;
  setSelectedEdits(edits);
}

void MainWindow::rotateSelected(int degrees) {
  const int row = selectedRow();
  if (!sourceJobs_.contains(row)) return;
  JobEdits edits = sourceJobs_.at(row).edits;
  edits.rotation = degrees;
  setSelectedEdits(edits);
  // The preview of that row turns with it.
  if (row == previewRow_ && previewPlayer_) previewPlayer_->setTurn(degrees / 90);
}
