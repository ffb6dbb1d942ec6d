#pragma once
// The program's icon, drawn rather than shipped so that the program needs no image files.

#include <QIcon>

QIcon AppIcon();
