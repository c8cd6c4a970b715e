// Preview: playback of the selected file, the volume menu and snapshots.
// (Handlers connected by the shell; filled in by the preview code.)
#include "mainwindow.h"

void TForm1::ReleasePreview() {}
void TForm1::ButtonPlayClick() {}
void TForm1::ButtonPauseClick() {}
void TForm1::ButtonStopClick() {}
void TForm1::ButtonSnapshotClick() {}
void TForm1::ButtonVolumeClick() {}
void TForm1::FullVolume1Click() {}
void TForm1::HalfVolume1Click() {}
void TForm1::Mute1Click() {}
