// The program's icon, drawn at run time (no image files needed).
#pragma once

#include <QIcon>
#include <QPixmap>

QPixmap ProgramPixmap(int size);
QIcon ProgramIcon();
