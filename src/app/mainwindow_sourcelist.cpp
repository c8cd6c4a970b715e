// Source list: adding files (open dialog or dropped from a file manager),
// probing them, and the list's buttons and pop-up menu. The rows are the
// jobs of sourceJobs; the view shows them through sourceListModel.
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTimer>
#include <QTreeView>
#include <string>
#include <utility>
#include <vector>

#include "conversion_queue.h"
#include "desktop_services.h"
#include "file_input.h"
#include "heap_trim.h"
#include "job_request.h"
#include "log_dialog.h"
#include "mainwindow.h"
#include "media_engine.h"
#include "shown_text.h"
#include "source_list_model.h"
#include "source_prober.h"

void MainWindow::addFiles() {
  stopPreviewKeepingFile();
  // Nothing is added while a run lasts, between two rows too: the rows are
  // the queue's, and a row added after the last one started would never be
  // converted; nor while a stopped row is still ending.
  if (runInProgress() || runPhase() == RunPhase::Stopping) return;
  // An add procedure is under way (this click came while it let the UI
  // process events): leave it alone.
  if (runFlags().addingFiles) return;
  engine_->clearTasks();
  sourceJobs_.resetRunState();
  setStatusPanelText(kStatePanel, tr("Ready"));
  setStatusPanelText(kFileSizePanel, QString());
  setStatusPanelText(kTimePanel, QString());
  queue().setAddingFiles(true);
  onRunPhaseChanged();
  try {
    addFilesRun_->start();
  } catch (...) {
  }
  queue().setAddingFiles(false);
  onRunPhaseChanged();
  releaseFreedHeap();  // what the probe's thread freed
  if (std::exchange(closeWhenAdded_, false)) {
    startWhenAdded_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
  } else if (std::exchange(startWhenAdded_, false)) {
    startConversion();
  }
}

void MainWindow::stopAddingFiles() {
  startWhenAdded_ = false;
  sourceProber_->cancel();
}

void MainWindow::addDroppedFiles(const QStringList &files) {
  if (files.isEmpty() || runInProgress() || runPhase() != RunPhase::Idle) return;
  droppedFiles_ = files;
  addFiles();
  droppedFiles_.clear();
}

void MainWindow::addChosenFiles() {
  QStringList files;
  if (!droppedFiles_.isEmpty()) {
    files = droppedFiles_;
    droppedFiles_.clear();
  } else {
    openDialog_.allowMultiSelect = true;
    openDialog_.fileMustExist = true;
    openDialog_.hideReadOnly = true;
    openDialog_.enableSizing = true;
    files = prompts_->openFiles(this, parseFileFilter(openDialog_.filter));
  }
  if (files.isEmpty()) return;
  std::vector<std::string> paths;
  for (const QString &path : files) paths.push_back(path.toStdString());
  const int total = static_cast<int>(files.size());
  auto showPosition = [this, total](int next) {
    setStatusPanelText(kStatePanel, tr("Adding %1 of %2").arg(next).arg(total));
  };
  showPosition(1);
  QEventLoop adding;
  int added = 0;
  bool whole = false;
  sourceProber_->start(
      std::move(paths),
      [&](int index, const ProbeSummary &probe) {
        appendSource(files[index], probe);
        added = index + 1;
        if (added < total) showPosition(added + 1);
      },
      [&](bool all) {
        whole = all;
        adding.quit();
      });
  adding.exec();
  // The loop may also have ended with the program: nothing of this list
  // runs after here.
  sourceProber_->stop();
  setStatusPanelText(kStatePanel, whole ? tr("Ready")
                                        : tr("Adding stopped: %1 of %2 added").arg(added).arg(total));
}

void MainWindow::addFilesFromCommandLine(const QStringList &paths) {
  QStringList files;
  for (const QString &path : paths) {
    const QFileInfo info(path);
    if (!info.isDir()) {
      files << info.absoluteFilePath();
      continue;
    }
    for (const std::string &file : sourceFilesInFolder(info.absoluteFilePath().toStdString()))
      files << QString::fromStdString(file);
  }
  addDroppedFiles(files);
}

void MainWindow::appendSource(const QString &path, const ProbeSummary &probe) {
  sourceJobs_.append(makeSourceJob(path.toStdString(), probe, profileFormatName(settings_.profileId)));
  sourceList_->scrollTo(sourceListModel_->index(sourceJobs_.count() - 1, kFileNameColumn));
}

int MainWindow::selectedRow() const {
  const QModelIndexList rows = sourceList_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

bool MainWindow::runInProgress() const { return runFlags().converting || nextRowTimer_->isActive(); }

void MainWindow::removeSelectedFile() {
  // Rows are not removed under a running queue, whose row numbers they are.
  if (runFlags().addingFiles || runInProgress()) return;
  sourceJobs_.remove(selectedRow());
  clearStatusBar();
}

void MainWindow::clearAllFiles() {
  if (runFlags().addingFiles || runInProgress()) return;
  engine_->clearTasks();
  sourceJobs_.clear();
  clearStatusBar();
}

void MainWindow::checkAllFiles() { sourceJobs_.setAllChecked(true); }

void MainWindow::uncheckAllFiles() { sourceJobs_.setAllChecked(false); }

void MainWindow::playSelectedFile() { playPreview(); }

bool MainWindow::selectedRowHasLog() const {
  const int row = selectedRow();
  if (!sourceJobs_.contains(row)) return false;
  const SourceJob &job = sourceJobs_.at(row);
  return job.state != JobState::Waiting || !job.logLines.empty();
}

void MainWindow::showSelectedLog() {
  if (selectedRowHasLog()) showRowLog(selectedRow());
}

void MainWindow::showRowLog(int row) {
  if (!sourceJobs_.contains(row)) return;
  const SourceJob &job = sourceJobs_.at(row);
  QString headline = shownText(sourceJobText(job, kProgressColumn));
  const QString hint = sourceHintShown(job);
  if (!hint.isEmpty()) headline += (headline.isEmpty() ? QString() : QStringLiteral(": ")) + hint;
  QStringList lines;
  for (const std::string &line : job.logLines) lines << QString::fromStdString(line);
  if (!logDialog_) logDialog_ = new LogDialog(this);
  logDialog_->showLog(QString::fromStdString(job.path), headline, lines);
}

void MainWindow::openConvertedFile(int row) {
  if (!sourceJobs_.contains(row) || sourceJobs_.at(row).state != JobState::Done) return;
  const QString output = QString::fromStdString(sourceJobs_.at(row).outputPath);
  if (!QFileInfo::exists(output)) {
    showInformation(tr("The converted file \"%1\" is no longer there.").arg(output));
    return;
  }
  if (!desktop_->openUrl(QUrl::fromLocalFile(output))) tellNotOpened(output);
}

void MainWindow::onSourceDoubleClicked(const QModelIndex &index) {
  if (!index.isValid() || !sourceJobs_.contains(index.row())) return;
  switch (sourceJobs_.at(index.row()).state) {
    case JobState::Failed:
      showRowLog(index.row());
      break;
    case JobState::Done:
      openConvertedFile(index.row());
      break;
    case JobState::Waiting:
    case JobState::Converting:
    case JobState::Aborted:
      break;
  }
}

void MainWindow::onSourceSelected() {
  const int row = selectedRow();
  if (row < 0) return;  // deselection does nothing
  if (row != previewRow_) stopPreviewKeepingFile();
}
