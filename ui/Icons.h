// The program's pictures, compiled in from resources/.
#pragma once

#include <QIcon>
#include <QPixmap>

QIcon LocomotiveIcon();  // main, preferences and about windows
QIcon StopwatchIcon();   // table window
QPixmap LocomotivePicture();  // the about window's picture, transparent background
