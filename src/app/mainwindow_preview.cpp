// Preview: playback of the selected file in Panel8, the position bar, the
// volume menu and snapshots saved as bitmaps in the output folder.
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QToolButton>
#include <QTreeWidget>

#include "seek_bar.h"
#include "preview_player.h"
#include "mainwindow.h"
#include "output_files.h"
#include "preview_resources.h"
#include "preview_volume.h"
#include "frame_grabber.h"
#include "preview_view.h"

namespace {

// The picture widget inside VideoWindow1 (VideoWindow1 itself when it is one).
PreviewView *previewPicture(QWidget *holder) {
  if (!holder) return nullptr;
  if (auto *video = qobject_cast<PreviewView *>(holder)) return video;
  if (auto *video = holder->findChild<PreviewView *>(QString(), Qt::FindDirectChildrenOnly)) return video;
  auto *video = new PreviewView(holder);
  video->setObjectName(QStringLiteral("VideoWindow1Picture"));
  video->fillPanel(holder);
  return video;
}

}  // namespace

void MainWindow::createPreview() {
  if (filterGraph1) return;
  filterGraph1 = new PreviewPlayer(this);
  filterGraph1->setObjectName(QStringLiteral("FilterGraph1"));
  filterGraph1->setVolume(preview::kVolumeMax);
  sampleGrabber1 = new FrameGrabber(this);
  sampleGrabber1->setObjectName(QStringLiteral("SampleGrabber1"));
  sampleGrabber1->setFilterGraph(filterGraph1);
  snapSound = new ResourceSound(this);
  if (PreviewView *video = previewPicture(videoWindow1)) video->setFilterGraph(filterGraph1);
  if (TrackBarBinding *bar = trackBarBinding(dsTrackBar1)) bar->setFilterGraph(filterGraph1);
}

namespace {
// VideoWindow1 covers Image1 while a graph is loaded.
void showPicture(QWidget *videoWindow, bool show) {
  if (videoWindow) videoWindow->setVisible(show);
}
}  // namespace

void MainWindow::releasePreview() {
  if (filterGraph1) {
    filterGraph1->clearGraph();
    filterGraph1->deactivate();
  }
  showPicture(videoWindow1, false);
}

void MainWindow::stopPreviewGraph() {
  if (filterGraph1) filterGraph1->stop();
  previewPaused = false;
}

void MainWindow::stopAndReleasePreview() {
  if (filterGraph1) {
    filterGraph1->stop();
    filterGraph1->deactivate();
  }
  showPicture(videoWindow1, false);
  previewPaused = false;
}

void MainWindow::buttonPlayClick() {
  if (converting) return;
  createPreview();
  if (previewPaused) {
    filterGraph1->play();
    previewPaused = false;
    return;
  }
  previewStopped = false;
  filterGraph1->stop();
  const QList<QTreeWidgetItem *> selected = listView1->selectedItems();
  if (selected.isEmpty()) return;
  previewRow = listView1->indexOfTopLevelItem(selected.first());
  previewFile = QString::fromStdString(sourceFileOf(selected.first()->text(kFileNameColumn).toStdString()));
  previewPaused = false;
  // A fresh graph for every file.
  filterGraph1->deactivate();
  filterGraph1->clearGraph();
  filterGraph1->activate();
  filterGraph1->renderFile(previewFile);
  showPicture(videoWindow1, true);
  // Milliseconds until the bar's own refresh switches to seconds (the
  // length may still be unknown here: then 0).
  if (dsTrackBar1) dsTrackBar1->setMaximum(static_cast<int>(filterGraph1->duration()));
  filterGraph1->play();
}

void MainWindow::buttonPauseClick() {
  if (converting || previewStopped) return;
  createPreview();
  // With nothing loaded there is nothing to pause; Play must then load the
  // selected row rather than "resume".
  if (filterGraph1->pause()) previewPaused = true;
}

void MainWindow::buttonStopClick() {
  if (converting) return;
  if (filterGraph1) {
    filterGraph1->stop();
    filterGraph1->deactivate();
  }
  showPicture(videoWindow1, false);
  previewPaused = false;
  previewStopped = true;
}

void MainWindow::buttonSnapshotClick() {
  if (converting || !filterGraph1 || !filterGraph1->active()) return;
  const QString folderText = editOutputFolder->text();
  const std::string folderProblem = outputFolderProblem(folderText.toStdString());
  if (!folderProblem.empty()) {
    showInformation(QString::fromStdString(folderProblem));
    buttonBrowseForFolderClick();
    return;
  }
  const QString folder = folderText.trimmed();
  buttonPauseClick();
  QImage picture;
  if (sampleGrabber1->getBitmap(picture)) {
    const QString source = folder + QLatin1Char('/') + QFileInfo(previewFile).fileName();
    const QString target = QFile::decodeName(
        uniqueOutputName(QFile::encodeName(source).toStdString(), ".bmp").c_str());
    // A picture that could not be written is not announced with the sound.
    if (saveBitmapFile(picture, target).isEmpty()) snapSound->play(QStringLiteral("Snap"));
  }
  buttonPlayClick();
}

void MainWindow::buttonVolumeClick() {
  // Like every preview button, the volume menu waits while a conversion runs.
  if (converting) return;
  const QPoint at = buttonVolume->mapToGlobal(QPoint(0, 0)) - QPoint(40, 40);
  popupMenuSpeaker->popup(at);
}

namespace {
void setSpeaker(MainWindow *w, const char *state, int volume, const char *glyph) {
  w->speakerState = QString::fromLatin1(state);
  w->createPreview();
  w->filterGraph1->setVolume(volume);
  w->update();
  const QPixmap pixmap = previewGlyph(QString::fromLatin1(glyph));
  if (!pixmap.isNull()) w->buttonVolume->setIcon(QIcon(pixmap));
}
}  // namespace

void MainWindow::fullVolume1Click() { setSpeaker(this, "full", preview::kVolumeFull, "spkfull"); }

void MainWindow::halfVolume1Click() { setSpeaker(this, "half", preview::kVolumeHalf, "spkhalf"); }

void MainWindow::mute1Click() { setSpeaker(this, "mute", preview::kVolumeMute, "spkmute"); }
