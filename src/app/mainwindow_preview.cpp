// Preview: playback of the selected file in the preview panel, the seek
// bar, the volume menu and snapshots saved as bitmaps in the output folder.
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedLayout>
#include <QToolButton>

#include "conversion_queue.h"
#include "frame_grabber.h"
#include "mainwindow.h"
#include "output_files.h"
#include "preview_player.h"
#include "preview_resources.h"
#include "preview_view.h"
#include "preview_volume.h"
#include "seek_bar.h"
#include "shown_text.h"

namespace {

// The video widget inside the picture holder, made on first use.
PreviewView *previewVideo(QWidget *holder) {
  if (!holder) return nullptr;
  if (auto *video = holder->findChild<PreviewView *>(QString(), Qt::FindDirectChildrenOnly)) return video;
  auto *video = new PreviewView(holder);
  video->setObjectName(QStringLiteral("previewVideo"));
  video->fillPanel(holder);
  return video;
}

// The picture covers the program's icon while a file with a picture is
// loaded; a file with sound only leaves the icon in view.
void showPicture(QWidget *picture, bool show) {
  if (picture) picture->setVisible(show);
}

// The line at the foot of the preview pane that says why a file cannot be
// played, made on first use.
QLabel *previewMessage(QWidget *panel) {
  if (!panel) return nullptr;
  if (auto *label = panel->findChild<QLabel *>(QStringLiteral("previewMessage"), Qt::FindDirectChildrenOnly))
    return label;
  auto *label = new QLabel(panel);
  label->setObjectName(QStringLiteral("previewMessage"));
  label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
  label->setWordWrap(true);
  label->setMargin(4);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(pal);
  if (auto *stack = qobject_cast<QStackedLayout *>(panel->layout())) stack->addWidget(label);
  label->hide();
  return label;
}

void showMessage(QWidget *panel, const QString &text) {
  QLabel *label = previewMessage(panel);
  if (!label) return;
  label->setText(text);
  label->setVisible(!text.isEmpty());
  if (!text.isEmpty()) label->raise();
}

}  // namespace

void MainWindow::createPreview() {
  if (previewPlayer_) return;
  previewPlayer_ = new PreviewPlayer(this);
  previewPlayer_->setObjectName(QStringLiteral("previewPlayer"));
  previewPlayer_->setVolume(preview::kVolumeMax);
  frameGrabber_ = new FrameGrabber(this);
  frameGrabber_->setObjectName(QStringLiteral("frameGrabber"));
  frameGrabber_->setPlayer(previewPlayer_);
  snapSound_ = new ResourceSound(this);
  snapSound_->setObjectName(QStringLiteral("snapSound"));
  if (PreviewView *video = previewVideo(previewPicture_)) previewPlayer_->setView(video);
  seekBar_->setPlayer(previewPlayer_);
  connect(previewPlayer_, &PreviewPlayer::videoAvailable, this,
          [this](bool available) { showPicture(previewPicture_, available && previewPlayer_->failure().isEmpty()); });
  connect(previewPlayer_, &PreviewPlayer::mediaFailed, this, &MainWindow::showPreviewFailure);
}

void MainWindow::showPreviewFailure(const QString &reason) {
  showPicture(previewPicture_, false);
  showMessage(previewPanel_, tr("\"%1\" cannot be played: %2").arg(QFileInfo(previewFile_).fileName(), reason));
}

void MainWindow::releasePreview() {
  if (previewPlayer_) {
    previewPlayer_->clearGraph();
    previewPlayer_->deactivate();
  }
  showPicture(previewPicture_, false);
}

void MainWindow::stopPreviewKeepingFile() {
  if (previewPlayer_) previewPlayer_->stop();
  showMessage(previewPanel_, QString());
  previewPaused_ = false;
}

void MainWindow::stopAndReleasePreview() {
  if (previewPlayer_) {
    previewPlayer_->stop();
    previewPlayer_->deactivate();
  }
  showPicture(previewPicture_, false);
  previewPaused_ = false;
}

void MainWindow::playPreview() {
  if (runInProgress()) return;
  createPreview();
  if (previewPaused_) {
    previewPlayer_->play();
    previewPaused_ = false;
    return;
  }
  previewStopped_ = false;
  previewPlayer_->stop();
  const int row = selectedRow();
  if (row < 0) return;
  previewRow_ = row;
  previewFile_ = QString::fromStdString(sourceFileOf(sourceJobs_.at(row).path));
  previewPaused_ = false;
  // A fresh graph for every file.
  previewPlayer_->deactivate();
  previewPlayer_->clearGraph();
  previewPlayer_->activate();
  showMessage(previewPanel_, QString());
  showPicture(previewPicture_, false);  // until the file turns out to have a picture
  previewPlayer_->renderFile(previewFile_);
  previewPlayer_->setTurn(sourceJobs_.at(row).edits.rotation / 90);
  // Milliseconds until the bar's own refresh switches to seconds (the
  // length may still be unknown here: then 0).
  seekBar_->setMaximum(static_cast<int>(previewPlayer_->duration()));
  previewPlayer_->play();
}

void MainWindow::pausePreview() {
  if (runInProgress() || previewStopped_) return;
  createPreview();
  // With nothing loaded there is nothing to pause; Play must then load the
  // selected row rather than "resume".
  if (previewPlayer_->pause()) previewPaused_ = true;
}

void MainWindow::stopPreview() {
  if (runInProgress()) return;
  if (previewPlayer_) {
    previewPlayer_->stop();
    previewPlayer_->deactivate();
  }
  showPicture(previewPicture_, false);
  showMessage(previewPanel_, QString());
  previewPaused_ = false;
  previewStopped_ = true;
}

void MainWindow::saveSnapshot() {
  if (runInProgress() || !previewPlayer_ || !previewPlayer_->active()) return;
  const QString folderText = QString::fromStdString(settings_.outputFolder);
  const std::string folderProblem = outputFolderProblem(folderText.toStdString());
  if (!folderProblem.empty()) {
    showInformation(shownText(folderProblem));
    chooseOutputFolder();
    return;
  }
  const QString folder = folderText.trimmed();
  // Only a playing preview goes on playing after the snapshot.
  const bool wasPlaying = previewPlayer_->state() == PreviewPlayer::PlaybackState::Playing;
  pausePreview();
  QImage picture;
  if (frameGrabber_->getBitmap(picture)) {
    const QString source = folder + QLatin1Char('/') + QFileInfo(previewFile_).fileName();
    const QString target =
        QFile::decodeName(uniqueOutputName(QFile::encodeName(source).toStdString(), ".bmp").c_str());
    // A picture that could not be written is not announced with the sound.
    if (saveBitmapFile(picture, target).isEmpty()) snapSound_->play(QStringLiteral("Snap"));
  }
  if (wasPlaying) playPreview();
}

void MainWindow::showVolumeMenu() {
  // Like every preview button, the volume menu waits while a conversion runs.
  if (runInProgress()) return;
  const QPoint at = volumeButton_->mapToGlobal(QPoint(0, 0)) - QPoint(40, 40);
  volumeMenu_->popup(at);
}

void MainWindow::setSpeaker(const char *state, int volume, const char *glyph) {
  speakerState_ = QString::fromLatin1(state);
  createPreview();
  previewPlayer_->setVolume(volume);
  update();
  const QPixmap pixmap = previewGlyph(QString::fromLatin1(glyph));
  if (!pixmap.isNull()) volumeButton_->setIcon(QIcon(pixmap));
}

void MainWindow::setFullVolume() { setSpeaker("full", preview::kVolumeFull, "spkfull"); }

void MainWindow::setHalfVolume() { setSpeaker("half", preview::kVolumeHalf, "spkhalf"); }

void MainWindow::mute() { setSpeaker("mute", preview::kVolumeMute, "spkmute"); }
