// Between the main program and the speed log, which lives in a module of its own loaded when the log is first opened.
#pragma once

#include "core/MeasuredRun.h"
#include "log/FleetFigures.h"
#include "log/RunRecords.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QPagedPaintDevice;
class QWidget;

// What a run timed or measured while the log is closed is told.
inline QString LogClosedText()
{
    return QStringLiteral("Not logged: the speed log is closed (Ctrl+L opens it again).");
}

// What the log asks of the program: the track the main window shows, its message
// boxes, its printing. Only these calls cross between program and module, so that
// each keeps its own state (the module shares none of the program's globals).
class SpeedLogHost {
public:
    virtual ~SpeedLogHost() = default;
    // The track now chosen in the main window; inches is 0 where it has no length.
    virtual TrackNow Track() const = 0;
    virtual void Box(const QString& text, bool warning) = 0;
    // A question with Save, Discard and Cancel: the choice, as 1, 0 and -1.
    virtual int AskSaveOrDiscard(const QString& text) = 0;
    // Opens the run timer (Ctrl+T in the log's window).
    virtual void ShowRunTimer() = 0;
    // `compose` draws the page (false where no painter could begin). Print sends it to
    // the default printer, and every way the job fares is told; with `toPdf` the user
    // chooses a PDF file for it instead.
    virtual void PrintPage(QWidget* window, const QString& title, const QString& noun,
                           const std::function<bool(QPagedPaintDevice&)>& compose, bool toPdf) = 0;
};

// The log as the program holds it.
class SpeedLogLink {
public:
    virtual ~SpeedLogLink() = default;
    virtual QWidget* Window() = 0;
    // A run stopped in the run timer, `milliseconds` long: kept for the locomotive,
    // throttle step and direction chosen in the log window. Returns the sentence the
    // run timer shows about it.
    virtual QString RecordTimedRun(qint64 milliseconds) = 0;
    // A run a device measured: over its own distance, in the scale the log's window
    // chose for devices, for the locomotive, step and direction chosen there. Returns
    // the sentence the Devices window shows about it.
    virtual QString RecordMeasuredRun(const MeasuredRun& run) = 0;
    // A pass a speed profile took of `locomotive` at `throttle` in a direction; as
    // RecordMeasuredRun otherwise.
    virtual LogAnswer RecordProfileRun(const MeasuredRun& run, const QString& locomotive, int throttle,
                                       bool reverse) = 0;
    // The locomotive chosen in the log window, as it is kept (empty: none).
    virtual QString Locomotive() const = 0;
    // A page of the program's own among the window's tabs (the Profile tab); the window
    // owns it from now on.
    virtual void AddTab(QWidget* tab, const QString& title) = 0;
    // The figures of every locomotive's steps, in reading order, and whether the window
    // counts its means with the marked runs left out.
    virtual std::vector<StepGroup> Steps() const = 0;
    virtual bool LeavesMarkedOut() const = 0;
    // The figures of `locomotive`'s runs logged after run number `afterRun` (0: all).
    virtual std::vector<StepGroup> StepsAfter(const QString& locomotive, qint64 afterRun) const = 0;
    // The newest run's number (0: none yet).
    virtual qint64 NewestRun() const = 0;
    // A text the log's file keeps for the program under `key` (empty: none), and keeping
    // one; why not, where it could not be kept.
    virtual QString Kept(const QString& key) const = 0;
    virtual std::optional<QString> Keep(const QString& key, const QString& value) = 0;
    // Told whenever the runs change (added, deleted, another log opened).
    virtual void OnChange(std::function<void()> changed) = 0;
    // The scale chosen for devices (87 for HO).
    virtual double DeviceRatio() const = 0;
    // The main window's track changed.
    virtual void TrackChanged() = 0;
    // Trackpace is about to end: false where the user would rather it did not yet
    // (runs held only in memory, which the user may keep in a file first).
    virtual bool MayEnd() = 0;
};

// The module's one entry: the log kept in the file `path` (empty: in memory only).
using CreateSpeedLogFunction = SpeedLogLink* (*)(SpeedLogHost* host, const QByteArray* path);
inline constexpr char CreateSpeedLogSymbol[] = "TrackpaceCreateSpeedLog";
