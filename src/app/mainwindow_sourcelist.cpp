// Source list: adding, probing, removing and checking source files.
// (Handlers connected by the shell; filled in by the source list code.)
#include "mainwindow.h"

void TForm1::ButtonAddFileClick() {}
void TForm1::BMDThread1Start() {}
void TForm1::AddFilesProc() {}
void TForm1::DeleteSelectedItem1Click() {}
void TForm1::ClearAllItems1Click() {}
void TForm1::CheckAllItems1Click() {}
void TForm1::UncheckAllItems1Click() {}
void TForm1::PlaySelectedFile1Click() {}
void TForm1::ListView1SelectItem() {}
