// Conversion queue: Start, the job builder, the queue timer, the engine's
// events and Stop. (Handlers connected by the shell; filled in by the
// conversion queue code.)
#include "mainwindow.h"

void TForm1::ButtonConvertClick() {}
void TForm1::BuildNextJob() {}
void TForm1::TimerConvertAgainTimer() {}
void TForm1::ButtonStopConvertClick() {}
void TForm1::ButtonStopSmallClick() {}
void TForm1::DisableControlsForConversion() {}
void TForm1::EnableControlsAfterConversion() {}
void TForm1::SetMainMenuEnabled(bool) {}
void TForm1::FFVCLProgress(int32_t, int32_t, int32_t, int32_t, float, float, int64_t, int32_t) {}
void TForm1::FFVCLTerminate(int32_t, bool, bool, const std::string &) {}
