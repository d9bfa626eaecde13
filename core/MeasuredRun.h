// A run a device measured by itself, as it is handed to the speed log: a model distance, a time, and how finely it was measured; and what the log made of it.
#pragma once

#include <QString>
#include <QtGlobal>

struct MeasuredRun {
    double millimetres = 0.0;  // the model distance covered (a trap's spacing)
    qint64 microseconds = 0;
    QString source;      // "trap", "rolling road", as the log's Source column shows it
    QString resolution;  // "±4 µs", "spread ±0.4 km/h": what the run's story tells instead of a hand's ±0.2 s
};

// What became of a run handed to the log: kept or not, and the sentence that says so.
struct LogAnswer {
    bool kept = false;
    QString told;
};
