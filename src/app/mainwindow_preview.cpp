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

#include "ds_track_bar.h"
#include "filter_graph.h"
#include "mainwindow.h"
#include "output_files.h"
#include "preview_resources.h"
#include "preview_volume.h"
#include "sample_grabber.h"
#include "video_window.h"

namespace {

// The picture widget inside VideoWindow1 (VideoWindow1 itself when it is one).
TVideoWindow *PreviewPicture(QWidget *holder) {
  if (!holder) return nullptr;
  if (auto *video = qobject_cast<TVideoWindow *>(holder)) return video;
  if (auto *video = holder->findChild<TVideoWindow *>(QString(), Qt::FindDirectChildrenOnly)) return video;
  auto *video = new TVideoWindow(holder);
  video->setObjectName(QStringLiteral("VideoWindow1Picture"));
  video->FillPanel(holder);
  return video;
}

}  // namespace

void TForm1::CreatePreview() {
  if (FilterGraph1) return;
  FilterGraph1 = new TFilterGraph(this);
  FilterGraph1->setObjectName(QStringLiteral("FilterGraph1"));
  FilterGraph1->SetVolume(preview::kVolumeMax);
  SampleGrabber1 = new TSampleGrabber(this);
  SampleGrabber1->setObjectName(QStringLiteral("SampleGrabber1"));
  SampleGrabber1->SetFilterGraph(FilterGraph1);
  SnapSound = new TResourceSound(this);
  if (TVideoWindow *video = PreviewPicture(VideoWindow1)) video->SetFilterGraph(FilterGraph1);
  if (TTrackBarBinding *bar = TrackBarBinding(DSTrackBar1)) bar->SetFilterGraph(FilterGraph1);
}

namespace {
// VideoWindow1 covers Image1 while a graph is loaded.
void ShowPicture(QWidget *videoWindow, bool show) {
  if (videoWindow) videoWindow->setVisible(show);
}
}  // namespace

void TForm1::ReleasePreview() {
  if (FilterGraph1) {
    FilterGraph1->ClearGraph();
    FilterGraph1->Deactivate();
  }
  ShowPicture(VideoWindow1, false);
}

void TForm1::StopPreviewGraph() {
  if (FilterGraph1) FilterGraph1->Stop();
  PreviewPaused = false;
}

void TForm1::StopAndReleasePreview() {
  if (FilterGraph1) {
    FilterGraph1->Stop();
    FilterGraph1->Deactivate();
  }
  ShowPicture(VideoWindow1, false);
  PreviewPaused = false;
}

void TForm1::ButtonPlayClick() {
  if (Converting) return;
  CreatePreview();
  if (PreviewPaused) {
    FilterGraph1->Play();
    PreviewPaused = false;
    return;
  }
  PreviewStopped = false;
  FilterGraph1->Stop();
  const QList<QTreeWidgetItem *> selected = ListView1->selectedItems();
  if (selected.isEmpty()) return;
  PreviewRow = ListView1->indexOfTopLevelItem(selected.first());
  PreviewFile = QString::fromStdString(SourceFileOf(selected.first()->text(colFileName).toStdString()));
  PreviewPaused = false;
  // A fresh graph for every file.
  FilterGraph1->Deactivate();
  FilterGraph1->ClearGraph();
  FilterGraph1->Activate();
  FilterGraph1->RenderFile(PreviewFile);
  ShowPicture(VideoWindow1, true);
  // Milliseconds until the bar's own refresh switches to seconds (the
  // length may still be unknown here: then 0).
  if (DSTrackBar1) DSTrackBar1->setMaximum(static_cast<int>(FilterGraph1->Duration()));
  FilterGraph1->Play();
}

void TForm1::ButtonPauseClick() {
  if (Converting || PreviewStopped) return;
  CreatePreview();
  // With nothing loaded there is nothing to pause; Play must then load the
  // selected row rather than "resume".
  if (FilterGraph1->Pause()) PreviewPaused = true;
}

void TForm1::ButtonStopClick() {
  if (Converting) return;
  if (FilterGraph1) {
    FilterGraph1->Stop();
    FilterGraph1->Deactivate();
  }
  ShowPicture(VideoWindow1, false);
  PreviewPaused = false;
  PreviewStopped = true;
}

void TForm1::ButtonSnapshotClick() {
  if (Converting || !FilterGraph1 || !FilterGraph1->Active()) return;
  const QString folderText = EditOutputFolder->text();
  const std::string folderProblem = OutputFolderProblem(folderText.toStdString());
  if (!folderProblem.empty()) {
    ShowInformation(QString::fromStdString(folderProblem));
    ButtonBrowseForFolderClick();
    return;
  }
  const QString folder = folderText.trimmed();
  ButtonPauseClick();
  QImage picture;
  if (SampleGrabber1->GetBitmap(picture)) {
    const QString source = folder + QLatin1Char('/') + QFileInfo(PreviewFile).fileName();
    const QString target = QFile::decodeName(
        UniqueOutputName(QFile::encodeName(source).toStdString(), ".bmp").c_str());
    // A picture that could not be written is not announced with the sound.
    if (SaveBitmapFile(picture, target).isEmpty()) SnapSound->Play(QStringLiteral("Snap"));
  }
  ButtonPlayClick();
}

void TForm1::ButtonVolumeClick() {
  // Like every preview button, the volume menu waits while a conversion runs.
  if (Converting) return;
  const QPoint at = ButtonVolume->mapToGlobal(QPoint(0, 0)) - QPoint(40, 40);
  PopupMenuSpeaker->popup(at);
}

namespace {
void SetSpeaker(TForm1 *w, const char *state, int volume, const char *glyph) {
  w->SpeakerState = QString::fromLatin1(state);
  w->CreatePreview();
  w->FilterGraph1->SetVolume(volume);
  w->update();
  const QPixmap pixmap = PreviewGlyph(QString::fromLatin1(glyph));
  if (!pixmap.isNull()) w->ButtonVolume->setIcon(QIcon(pixmap));
}
}  // namespace

void TForm1::FullVolume1Click() { SetSpeaker(this, "full", preview::kVolumeFull, "spkfull"); }

void TForm1::HalfVolume1Click() { SetSpeaker(this, "half", preview::kVolumeHalf, "spkhalf"); }

void TForm1::Mute1Click() { SetSpeaker(this, "mute", preview::kVolumeMute, "spkmute"); }
