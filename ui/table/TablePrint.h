// The printed TIME vs. SPEED page, composed onto any paged device.
#pragma once

#include <QString>

class QPagedPaintDevice;

// Writes the 22 lines of the page in Arial 10 pt from the top-left of the printable
// area and ends the document. False when no painter could begin on the device.
bool ComposeTablePage(QPagedPaintDevice& device, const QString& basisLine, float scaleDistance,
                      float& workTime);
