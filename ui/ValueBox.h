// A label that looks like a value box beside an up-down.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QPalette>

// Sunken border, centred text, and the white of a text entry (the palette's base
// colour, what a form calls its window background), as the length entry shows.
inline void MakeValueBox(QLabel* label)
{
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAutoFillBackground(true);
    label->setBackgroundRole(QPalette::Base);
    label->setAlignment(Qt::AlignCenter);
}
