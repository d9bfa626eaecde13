// A locomotive's measured curve as the speed profile JMRI keeps in a roster entry.
#pragma once

#include "DecoderPlanner.h"

class QIODevice;

// Model millimetres a second at `scaleMph` in the scale 1:`ratio` (mph on the model is
// mm/s x 0.00223694, times the ratio for scale mph).
double ModelMmPerSecond(double scaleMph, double ratio);
// JMRI's throttle setting for `step` in `stepMode`, times 1000 (step 126 of 128: 1000).
int ThrottleThousandths(int step, int stepMode);

// Writes `<speedprofile>` (overrun times 0, one `<speed>` per step measured either way,
// a direction not measured at a step as 0) to `out`; false where it could not be written.
bool WriteSpeedProfile(QIODevice& out, const MeasuredCurve& curve, int stepMode, double ratio);
