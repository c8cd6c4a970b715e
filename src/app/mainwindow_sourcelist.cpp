// Source list: adding files (open dialog or dropped from a file manager),
// probing them, and the list's buttons and pop-up menu. The rows are the
// jobs of sourceJobs; the view shows them through sourceListModel.
#include <QCoreApplication>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTimer>
#include <QTreeView>
#include <exception>

#include "conversion_queue.h"
#include "desktop_services.h"
#include "file_input.h"
#include "job_request.h"
#include "log_dialog.h"
#include "mainwindow.h"
#include "media_engine.h"
#include "media_probe.h"
#include "source_list_model.h"

void MainWindow::addFiles() {
  stopPreviewKeepingFile();
  // Nothing is added while a run lasts, between two rows too: the rows are
  // the queue's, and a row added after the last one started would never be
  // converted.
  if (runInProgress()) return;
  // An add procedure is under way (this click came while it let the UI
  // process events): leave it alone.
  if (runFlags().addingFiles) return;
  engine_->clearTasks();
  sourceJobs_.resetRunState();
  setStatusPanelText(kStatePanel, QStringLiteral("Ready"));
  setStatusPanelText(kFileSizePanel, QString());
  setStatusPanelText(kTimePanel, QString());
  queue().setAddingFiles(true);
  try {
    addFilesRun_->start();
  } catch (...) {
  }
  queue().setAddingFiles(false);
}

void MainWindow::addDroppedFiles(const QStringList &files) {
  if (files.isEmpty() || runInProgress() || runFlags().addingFiles) return;
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
  try {
    for (const QString &path : files) {
      appendSource(path);
      // Let the list repaint and the window respond between files.
      QCoreApplication::processEvents();
    }
  } catch (const std::exception &) {
    // The probe could not run at all (no libraries): stop adding.
  } catch (...) {
  }
  queue().setAddingFiles(false);
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

void MainWindow::appendSource(const QString &path) {
  const std::string file = path.toStdString();
  sourceJobs_.append(
      makeSourceJob(file, probeSourceFile(engine_->probe(), file), profileFormatName(settings_.profileId)));
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
  QString headline = QString::fromStdString(sourceJobText(job, kProgressColumn));
  const QString hint = QString::fromStdString(sourceJobHint(job));
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
    showInformation(QStringLiteral("The converted file \"%1\" is no longer there.").arg(output));
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
