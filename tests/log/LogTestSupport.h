// What the speed log's suites share: the program's side as a test plays it, the window's views as texts, and the log's files.
#pragma once

#include "log/RunRecords.h"
#include "ui/log/SpeedLogLink.h"

#include <QStringList>

#include <vector>

class LogStore;
class QObject;
class frmSpeedLog;

// HO, 48 in straight: 348 scale feet.
inline const TrackNow Ho48{QStringLiteral("HO"), 87.0, false, 48.0};

// The program's side as the tests play it: a fixed track, boxes kept, pages saved as PDF.
class TestHost final : public SpeedLogHost {
public:
    TrackNow track = Ho48;
    QStringList boxes;
    QStringList warnings;  // the boxes shown as warnings
    QString pdfPath;

    TrackNow Track() const override { return track; }
    void Box(const QString& text, bool warning) override;
    // Answers as `answer` says (1 Save, 0 Discard, -1 Cancel), keeping the question.
    int AskSaveOrDiscard(const QString& text) override;
    void ShowRunTimer() override { ++timerShown; }
    int answer = -1;
    QStringList questions;
    int timerShown = 0;
    void PrintPage(QWidget* window, const QString& title, const QString& noun,
                   const std::function<bool(QPagedPaintDevice&)>& compose, bool toPdf) override;
};

// A view's rows as texts.
std::vector<QStringList> Rows(const QObject& window, const char* view);
void Choose(const QObject& window, const QString& locomotive, int throttle, bool reverse = false);
// Types `seconds` into the time box and presses Enter; the note it leaves.
QString Type(const QObject& window, const QString& seconds);
// Two locomotives over HO 48 in: GP9 4071 at 4.9, 5.0, 5.1 s (step 12) and 3.2 s
// (step 20); SD40 5300 at 5.5 s (step 12) and 3.5 s (step 20).
void TypeFleet(const QObject& window);
// Presses `button` (Import Runs, Export Runs) and waits until the work it starts
// beside the window has ended; false where it did not end in time.
bool PressAndWait(frmSpeedLog& log, const char* button);

QByteArray ReadBytes(const QString& path);
// A database at `path` made by `statements`, as another program might leave one;
// false where a statement failed.
bool MakeDatabase(const QString& path, const QStringList& statements);
QString Pragma(const QString& path, const QString& pragma);
std::vector<LoggedRun> RunsOf(const LogStore& store);
std::vector<LoggedRun> RunsIn(const QString& path);
// A CSV file at `path` of `count` runs of 25 locomotives at 29 steps both ways.
bool WriteFleetCsv(const QString& path, int count);
// The second copy of the program's log (tests/log/log_writer.cpp).
QString Writer();
