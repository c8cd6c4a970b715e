// The program's icon, drawn at run time (no image files needed).
#pragma once

#include <QIcon>
#include <QPixmap>

QPixmap programPixmap(int size);
QIcon programIcon();
