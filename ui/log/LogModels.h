// The speed log's two long tables: its runs, read from the log a screenful at a time, and the figures of its steps.
#pragma once

#include "log/FleetFigures.h"

#include <QAbstractTableModel>
#include <QHash>

#include <vector>

class LogStore;

// The runs of a log, oldest first. Only their numbers are held; the rows themselves
// are read from the log in blocks as the view shows them, and a few blocks are kept.
class RunsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit RunsModel(QObject* parent);

    // Every run of `store`, whose groups' medians are `groups`.
    void Show(const LogStore* store, std::vector<qint64> ids);
    void SetGroups(const std::vector<StepGroup>& groups);
    // The median of one group as it is now (0 where it has no runs left).
    void SetMedian(const StepKey& key, double median);
    void SetUnit(SpeedUnit unit);
    void SetLeaveOut(bool leaveOut);
    void Append(const LoggedRun& run);
    // Runs put back or taken away, and any row that the view may show anew.
    void Insert(const std::vector<LoggedRun>& runs);
    void Erase(const std::vector<qint64>& ids);
    // Rows that could not be read (the log held by an import) are read again.
    void Reread();

    const std::vector<qint64>& Ids() const { return ids_; }
    qsizetype Count() const { return static_cast<qsizetype>(ids_.size()); }
    // The run of row `row`, where it can be read.
    std::optional<LoggedRun> RunAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const std::vector<LoggedRun>* Block(qsizetype block) const;
    bool Marked(const LoggedRun& run) const;

    const LogStore* store_ = nullptr;
    std::vector<qint64> ids_;
    QHash<StepKey, double> medians_;
    SpeedUnit unit_ = SpeedUnit::Mph;
    bool leaveOut_ = false;
    // The blocks read, by their first row's place, the last read kept longest.
    mutable QHash<qsizetype, std::vector<LoggedRun>> blocks_;
    mutable std::vector<qsizetype> order_;
    mutable bool unread_ = false;
};

// The figures of every step, formatted as they are shown.
class StepsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit StepsModel(QObject* parent);

    void Show(std::vector<StepGroup> groups);
    // The figures of the group `key` as they are now (nothing where it has no runs
    // left); true where a group came or went.
    bool Update(const StepKey& key, const std::optional<StepGroup>& group);
    const std::vector<StepGroup>& Groups() const { return groups_; }
    void SetUnit(SpeedUnit unit);
    void SetLeaveOut(bool leaveOut);
    // The texts of row `row`, as the view and the printed page show them.
    QStringList Row(int row) const;
    QStringList Header() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<StepGroup> groups_;
    SpeedUnit unit_ = SpeedUnit::Mph;
    bool leaveOut_ = false;
};

// "more than 15 % off the median" (", left out" where it is): a marked run's note.
QString MarkedNote(bool leftOut);
// "47.5": a speed in mph as the log shows it in `unit`.
QString SpeedText(double mph, SpeedUnit unit);
// "HO straight 48 in, 348 scale ft"
QString TrackText(const TrackNow& track);
