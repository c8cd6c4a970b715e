// Source list: adding files (open dialog or dropped from a file manager),
// probing them, and the list's buttons and pop-up menu.
#include <QCoreApplication>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <exception>

#include "file_adder.h"
#include "media_probe.h"
#include "media_engine.h"
#include "job_request.h"
#include "mainwindow.h"
#include "source_rows.h"

void MainWindow::buttonAddFileClick() {
  stopPreviewGraph();
  if (converting) return;
  // An add procedure is under way (this click came while it let the UI
  // process events): leave it alone.
  if (addingFiles) return;
  FFVCL->clearTasks();
  for (int i = 0; i < listView1->topLevelItemCount(); ++i)
    listView1->topLevelItem(i)->setText(kProgressColumn, QString());
  addingFiles = true;
  try {
    bmdThread1->start(0);
  } catch (...) {
  }
  addingFiles = false;
}

void MainWindow::addDroppedFiles(const QStringList &files) {
  if (files.isEmpty() || converting || addingFiles) return;
  droppedFiles = files;
  buttonAddFileClick();
  droppedFiles.clear();
}

void MainWindow::bmdThread1Start() { addFilesProc(); }

void MainWindow::addFilesProc() {
  QStringList files;
  if (!droppedFiles.isEmpty()) {
    files = droppedFiles;
    droppedFiles.clear();
  } else {
    openDialog1.allowMultiSelect = true;
    openDialog1.fileMustExist = true;
    openDialog1.hideReadOnly = true;
    openDialog1.enableSizing = true;
    files = prompts->openFiles(this, parseFileFilter(openDialog1.filter));
  }
  try {
    for (const QString &path : files) {
      SourceRowTexts row;
      try {
        const std::string file = path.toStdString();
        row = makeSourceRow(file, probeSourceFile(FFVCL->probe(), file), outputType.toStdString());
      } catch (const std::exception &) {
        // The probe could not run at all (no libraries): stop adding.
        break;
      }
      addSourceRow(row);
      // Let the list repaint and the window respond between files.
      QCoreApplication::processEvents();
    }
  } catch (...) {
  }
  addingFiles = false;
}

QTreeWidgetItem *MainWindow::addSourceRow(const SourceRowTexts &row) {
  auto *item = new QTreeWidgetItem(listView1);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(kFileNameColumn, row.checked ? Qt::Checked : Qt::Unchecked);
  item->setText(kFileNameColumn, QString::fromStdString(row.caption));
  item->setText(kVideoSizeColumn, QString::fromStdString(row.videoSize));
  item->setText(kFrameRateColumn, QString::fromStdString(row.frameRate));
  item->setText(kDurationColumn, QString::fromStdString(row.duration));
  item->setText(kOutputColumn, QString::fromStdString(row.output));
  item->setText(kProgressColumn, QString::fromStdString(row.progress));
  item->setText(kFramesColumn, QString::fromStdString(row.frames));
  for (int c = kVideoSizeColumn; c < kSourceListColumnCount; ++c) item->setTextAlignment(c, Qt::AlignCenter);
  listView1->scrollToItem(item);
  return item;
}

bool MainWindow::runInProgress() const { return converting || timerConvertAgain->isActive(); }

void MainWindow::deleteSelectedItem1Click() {
  // Rows are not removed under a running queue, whose row numbers they are.
  if (addingFiles || runInProgress()) return;
  const QList<QTreeWidgetItem *> selected = listView1->selectedItems();
  if (selected.isEmpty()) return;
  delete selected.first();
}

void MainWindow::clearAllItems1Click() {
  if (addingFiles || runInProgress()) return;
  FFVCL->clearTasks();
  listView1->clear();
}

void MainWindow::checkAllItems1Click() {
  for (int i = 0; i < listView1->topLevelItemCount(); ++i)
    listView1->topLevelItem(i)->setCheckState(kFileNameColumn, Qt::Checked);
}

void MainWindow::uncheckAllItems1Click() {
  for (int i = 0; i < listView1->topLevelItemCount(); ++i)
    listView1->topLevelItem(i)->setCheckState(kFileNameColumn, Qt::Unchecked);
}

void MainWindow::playSelectedFile1Click() { buttonPlayClick(); }

void MainWindow::listView1SelectItem() {
  const QList<QTreeWidgetItem *> selected = listView1->selectedItems();
  if (selected.isEmpty()) return;  // deselection does nothing
  const int row = listView1->indexOfTopLevelItem(selected.first());
  if (row != previewRow) stopPreviewGraph();
}

FileAdder *MainWindow::makeBMDThread1() { return new FileAdder(this, [this] { bmdThread1Start(); }); }

FileDropTarget *MainWindow::makeListView1Drop() {
  return new FileDropTarget(
      this, [this]() -> QWidget * { return listView1; },
      [this](const QStringList &files) { addDroppedFiles(files); },
      [this] { return !converting && !addingFiles; });
}
