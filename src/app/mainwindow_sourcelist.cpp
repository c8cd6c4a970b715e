// Source list: adding files (open dialog or dropped from a file manager),
// probing them, and the list's buttons and pop-up menu. The rows are the
// jobs of sourceJobs; the view shows them through sourceListModel.
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QTimer>
#include <QTreeView>
#include <exception>

#include "file_input.h"
#include "job_request.h"
#include "mainwindow.h"
#include "media_engine.h"
#include "media_probe.h"
#include "source_list_model.h"

void MainWindow::addFiles() {
  stopPreviewKeepingFile();
  if (converting) return;
  // An add procedure is under way (this click came while it let the UI
  // process events): leave it alone.
  if (addingFiles) return;
  engine->clearTasks();
  sourceJobs.resetRunState();
  addingFiles = true;
  try {
    addFilesRun->start();
  } catch (...) {
  }
  addingFiles = false;
}

void MainWindow::addDroppedFiles(const QStringList &files) {
  if (files.isEmpty() || converting || addingFiles) return;
  droppedFiles = files;
  addFiles();
  droppedFiles.clear();
}

void MainWindow::addChosenFiles() {
  QStringList files;
  if (!droppedFiles.isEmpty()) {
    files = droppedFiles;
    droppedFiles.clear();
  } else {
    openDialog.allowMultiSelect = true;
    openDialog.fileMustExist = true;
    openDialog.hideReadOnly = true;
    openDialog.enableSizing = true;
    files = prompts->openFiles(this, parseFileFilter(openDialog.filter));
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
  addingFiles = false;
}

void MainWindow::appendSource(const QString &path) {
  const std::string file = path.toStdString();
  sourceJobs.append(makeSourceJob(file, probeSourceFile(engine->probe(), file), outputType.toStdString()));
  sourceList->scrollTo(sourceListModel->index(sourceJobs.count() - 1, kFileNameColumn));
}

int MainWindow::selectedRow() const {
  const QModelIndexList rows = sourceList->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

bool MainWindow::runInProgress() const { return converting || nextRowTimer->isActive(); }

void MainWindow::removeSelectedFile() {
  // Rows are not removed under a running queue, whose row numbers they are.
  if (addingFiles || runInProgress()) return;
  sourceJobs.remove(selectedRow());
}

void MainWindow::clearAllFiles() {
  if (addingFiles || runInProgress()) return;
  engine->clearTasks();
  sourceJobs.clear();
}

void MainWindow::checkAllFiles() { sourceJobs.setAllChecked(true); }

void MainWindow::uncheckAllFiles() { sourceJobs.setAllChecked(false); }

void MainWindow::playSelectedFile() { playPreview(); }

void MainWindow::onSourceSelected() {
  const int row = selectedRow();
  if (row < 0) return;  // deselection does nothing
  if (row != previewRow) stopPreviewKeepingFile();
}
