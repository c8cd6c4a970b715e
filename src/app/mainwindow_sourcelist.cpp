// Source list: adding files (open dialog or dropped from a file manager),
// probing them, and the list's buttons and pop-up menu.
#include <QCoreApplication>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <exception>

#include "add_file_thread.h"
#include "av_probe.h"
#include "ffmpeg_vcl.h"
#include "job_request.h"
#include "mainwindow.h"
#include "source_rows.h"

void TForm1::ButtonAddFileClick() {
  StopPreviewGraph();
  if (Converting) return;
  // An add procedure is under way (this click came while it let the UI
  // process events): leave it alone.
  if (AddingFiles) return;
  FFVCL->ClearTasks();
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
    ListView1->topLevelItem(i)->setText(colProgress, QString());
  AddingFiles = true;
  try {
    BMDThread1->Start(0);
  } catch (...) {
  }
  AddingFiles = false;
}

void TForm1::AddDroppedFiles(const QStringList &files) {
  if (files.isEmpty() || Converting || AddingFiles) return;
  DroppedFiles = files;
  ButtonAddFileClick();
  DroppedFiles.clear();
}

void TForm1::BMDThread1Start() { AddFilesProc(); }

void TForm1::AddFilesProc() {
  QStringList files;
  if (!DroppedFiles.isEmpty()) {
    files = DroppedFiles;
    DroppedFiles.clear();
  } else {
    OpenDialog1.AllowMultiSelect = true;
    OpenDialog1.FileMustExist = true;
    OpenDialog1.HideReadOnly = true;
    OpenDialog1.EnableSizing = true;
    files = Prompts->OpenFiles(this, ParseFileFilter(OpenDialog1.Filter));
  }
  try {
    for (const QString &path : files) {
      TSourceRowTexts row;
      try {
        const std::string file = path.toStdString();
        row = MakeSourceRow(file, ProbeSourceFile(FFVCL->Probe(), file), OutputType.toStdString());
      } catch (const std::exception &) {
        // The probe could not run at all (no libraries): stop adding.
        break;
      }
      AddSourceRow(row);
      // Let the list repaint and the window respond between files.
      QCoreApplication::processEvents();
    }
  } catch (...) {
  }
  AddingFiles = false;
}

QTreeWidgetItem *TForm1::AddSourceRow(const TSourceRowTexts &row) {
  auto *item = new QTreeWidgetItem(ListView1);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(colFileName, row.Checked ? Qt::Checked : Qt::Unchecked);
  item->setText(colFileName, QString::fromStdString(row.Caption));
  item->setText(colVideoSize, QString::fromStdString(row.VideoSize));
  item->setText(colFrameRate, QString::fromStdString(row.FrameRate));
  item->setText(colDuration, QString::fromStdString(row.Duration));
  item->setText(colOutput, QString::fromStdString(row.Output));
  item->setText(colProgress, QString::fromStdString(row.Progress));
  item->setText(colFrames, QString::fromStdString(row.Frames));
  for (int c = colVideoSize; c < colCount; ++c) item->setTextAlignment(c, Qt::AlignCenter);
  ListView1->scrollToItem(item);
  return item;
}

bool TForm1::RunInProgress() const { return Converting || TimerConvertAgain->isActive(); }

void TForm1::DeleteSelectedItem1Click() {
  // Rows are not removed under a running queue, whose row numbers they are.
  if (AddingFiles || RunInProgress()) return;
  const QList<QTreeWidgetItem *> selected = ListView1->selectedItems();
  if (selected.isEmpty()) return;
  delete selected.first();
}

void TForm1::ClearAllItems1Click() {
  if (AddingFiles || RunInProgress()) return;
  FFVCL->ClearTasks();
  ListView1->clear();
}

void TForm1::CheckAllItems1Click() {
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
    ListView1->topLevelItem(i)->setCheckState(colFileName, Qt::Checked);
}

void TForm1::UncheckAllItems1Click() {
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
    ListView1->topLevelItem(i)->setCheckState(colFileName, Qt::Unchecked);
}

void TForm1::PlaySelectedFile1Click() { ButtonPlayClick(); }

void TForm1::ListView1SelectItem() {
  const QList<QTreeWidgetItem *> selected = ListView1->selectedItems();
  if (selected.isEmpty()) return;  // deselection does nothing
  const int row = ListView1->indexOfTopLevelItem(selected.first());
  if (row != PreviewRow) StopPreviewGraph();
}

TBMDThread *TForm1::MakeBMDThread1() { return new TBMDThread(this, [this] { BMDThread1Start(); }); }

TFileDropTarget *TForm1::MakeListView1Drop() {
  return new TFileDropTarget(
      this, [this]() -> QWidget * { return ListView1; },
      [this](const QStringList &files) { AddDroppedFiles(files); },
      [this] { return !Converting && !AddingFiles; });
}
