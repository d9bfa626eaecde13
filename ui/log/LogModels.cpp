// Rows of runs read a block at a time, and the figures of the steps, as the speed log's views show them.
#include "ui/log/LogModels.h"

#include "log/LogStore.h"

#include <QFont>

#include <algorithm>

namespace {

constexpr qsizetype BlockRows = 128;
constexpr std::size_t KeptBlocks = 16;

const QStringList RunHeaders{"Recorded", "Locomotive", "Step", "Direction", "Track", "Time (s)", "Speed", "Note"};
const QStringList StepHeaders{"Locomotive", "Step",   "Direction", "Runs",    "Mean",
                              "Std. dev.",  "Lowest", "Highest",   "Left out"};

QVariant Alignment(bool figure)
{
    return QVariant::fromValue(Qt::AlignVCenter | (figure ? Qt::AlignRight : Qt::AlignLeft));
}

}  // namespace

QString MarkedNote(bool leftOut)
{
    const QString note = QStringLiteral("more than %1 % off the median").arg(OutlierShare * 100);
    return leftOut ? note + QStringLiteral(", left out") : note;
}

QString SpeedText(double mph, SpeedUnit unit)
{
    return QString::number(InUnit(mph, unit), 'f', 1);
}

QString TrackText(const TrackNow& track)
{
    return QStringLiteral("%1 %2 %3 in, %4 scale ft")
        .arg(track.scale, track.circle ? QStringLiteral("circle of radius") : QStringLiteral("straight"),
             QString::number(track.inches), FeetText(ScaleFeetOf(track)));
}

RunsModel::RunsModel(QObject* parent) : QAbstractTableModel(parent) {}

void RunsModel::Show(const LogStore* store, std::vector<qint64> ids)
{
    beginResetModel();
    store_ = store;
    ids_ = std::move(ids);
    blocks_.clear();
    order_.clear();
    endResetModel();
}

void RunsModel::SetGroups(const std::vector<StepGroup>& groups)
{
    medians_.clear();
    medians_.reserve(static_cast<qsizetype>(groups.size()));
    for (const StepGroup& group : groups) {
        medians_.insert(group.key, group.figures.median);
    }
    if (!ids_.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

void RunsModel::SetMedian(const StepKey& key, double median)
{
    medians_.insert(key, median);
    if (!ids_.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

void RunsModel::SetUnit(SpeedUnit unit)
{
    unit_ = unit;
    emit headerDataChanged(Qt::Horizontal, 6, 6);
    if (!ids_.empty()) {
        emit dataChanged(index(0, 6), index(rowCount() - 1, 6));
    }
}

void RunsModel::SetLeaveOut(bool leaveOut)
{
    leaveOut_ = leaveOut;
    if (!ids_.empty()) {
        emit dataChanged(index(0, 7), index(rowCount() - 1, 7));
    }
}

void RunsModel::Append(const LoggedRun& run)
{
    if (!ids_.empty() && run.id <= ids_.back()) {
        Insert({run});
        return;
    }
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    ids_.push_back(run.id);
    // The last block, where it is kept, takes the run at once.
    const qsizetype block = (row / BlockRows) * BlockRows;
    if (blocks_.contains(block)) {
        blocks_[block].push_back(run);
    }
    endInsertRows();
}

void RunsModel::Insert(const std::vector<LoggedRun>& runs)
{
    // Row by row, so that the view keeps its place and does not lay out every row anew.
    for (const LoggedRun& run : runs) {
        const auto at = std::lower_bound(ids_.begin(), ids_.end(), run.id);
        if (at != ids_.end() && *at == run.id) {
            continue;
        }
        const int row = static_cast<int>(at - ids_.begin());
        beginInsertRows(QModelIndex(), row, row);
        ids_.insert(at, run.id);
        endInsertRows();
    }
    blocks_.clear();
    order_.clear();
}

void RunsModel::Erase(const std::vector<qint64>& ids)
{
    std::vector<qint64> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    if (sorted.size() > 64) {
        beginResetModel();
        std::erase_if(ids_, [&sorted](qint64 id) { return std::binary_search(sorted.begin(), sorted.end(), id); });
        blocks_.clear();
        order_.clear();
        endResetModel();
        return;
    }
    for (auto id = sorted.rbegin(); id != sorted.rend(); ++id) {
        const auto at = std::lower_bound(ids_.begin(), ids_.end(), *id);
        if (at != ids_.end() && *at == *id) {
            const int row = static_cast<int>(at - ids_.begin());
            beginRemoveRows(QModelIndex(), row, row);
            ids_.erase(at);
            endRemoveRows();
        }
    }
    blocks_.clear();
    order_.clear();
}

void RunsModel::Reread()
{
    if (unread_) {
        unread_ = false;
        blocks_.clear();
        order_.clear();
        if (!ids_.empty()) {
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        }
    }
}

const std::vector<LoggedRun>* RunsModel::Block(qsizetype block) const
{
    const auto kept = blocks_.constFind(block);
    if (kept != blocks_.cend()) {
        return &*kept;
    }
    if (store_ == nullptr) {
        return nullptr;
    }
    const qsizetype last = std::min<qsizetype>(block + BlockRows, Count()) - 1;
    const std::optional<std::vector<LoggedRun>> runs =
        store_->RunsBetween(ids_.at(static_cast<std::size_t>(block)), ids_.at(static_cast<std::size_t>(last)));
    if (!runs) {
        unread_ = true;
        return nullptr;
    }
    if (order_.size() >= KeptBlocks) {
        blocks_.remove(order_.front());
        order_.erase(order_.begin());
    }
    order_.push_back(block);
    return &*blocks_.insert(block, *runs);
}

std::optional<LoggedRun> RunsModel::RunAt(int row) const
{
    if (row < 0 || row >= rowCount()) {
        return std::nullopt;
    }
    const qsizetype block = (row / BlockRows) * BlockRows;
    const std::vector<LoggedRun>* runs = Block(block);
    if (runs == nullptr) {
        return std::nullopt;
    }
    const qint64 id = ids_.at(static_cast<std::size_t>(row));
    const auto found = std::lower_bound(runs->begin(), runs->end(), id,
                                        [](const LoggedRun& run, qint64 wanted) { return run.id < wanted; });
    if (found == runs->end() || found->id != id) {
        return std::nullopt;  // taken away by another copy of Trackpace since
    }
    return *found;
}

bool RunsModel::Marked(const LoggedRun& run) const
{
    return IsMarked(run.mph, medians_.value(StepKey{run.locomotive, run.reverse, run.throttle}));
}

int RunsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(ids_.size());
}

int RunsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(RunHeaders.size());
}

QVariant RunsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        return Alignment(index.column() == 2 || index.column() == 5 || index.column() == 6);
    }
    if (role != Qt::DisplayRole && role != Qt::FontRole) {
        return {};
    }
    const std::optional<LoggedRun> run = RunAt(index.row());
    if (!run) {
        return role == Qt::DisplayRole ? QVariant(QStringLiteral("...")) : QVariant();
    }
    const bool marked = Marked(*run);
    if (role == Qt::FontRole) {
        if (!marked) {
            return {};
        }
        QFont font;
        font.setItalic(true);
        return font;
    }
    switch (index.column()) {
        case 0:
            return run->recorded.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        case 1:
            return run->locomotive;
        case 2:
            return QString::number(run->throttle);
        case 3:
            return DirectionText(run->reverse);
        case 4:
            return TrackText(run->track);
        case 5:
            return SecondsText(run->microseconds);
        case 6:
            return SpeedText(run->mph, unit_);
        default:
            if (!marked) {
                return QString();
            }
            return MarkedNote(leaveOut_);
    }
}

QVariant RunsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return section == 6 ? QStringLiteral("Speed (%1)").arg(UnitText(unit_)) : RunHeaders.value(section);
}

StepsModel::StepsModel(QObject* parent) : QAbstractTableModel(parent) {}

void StepsModel::Show(std::vector<StepGroup> groups)
{
    beginResetModel();
    groups_ = std::move(groups);
    endResetModel();
}

bool StepsModel::Update(const StepKey& key, const std::optional<StepGroup>& group)
{
    const auto at = std::lower_bound(groups_.begin(), groups_.end(), key,
                                     [](const StepGroup& a, const StepKey& b) { return ReadingOrder(a.key, b); });
    const int row = static_cast<int>(at - groups_.begin());
    const bool found = at != groups_.end() && at->key == key;
    if (found && group) {
        *at = *group;
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        return false;
    }
    if (found) {
        beginRemoveRows(QModelIndex(), row, row);
        groups_.erase(at);
        endRemoveRows();
        return true;
    }
    if (group) {
        beginInsertRows(QModelIndex(), row, row);
        groups_.insert(at, *group);
        endInsertRows();
        return true;
    }
    return false;
}

void StepsModel::SetUnit(SpeedUnit unit)
{
    unit_ = unit;
    emit headerDataChanged(Qt::Horizontal, 4, 4);
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

void StepsModel::SetLeaveOut(bool leaveOut)
{
    leaveOut_ = leaveOut;
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

QStringList StepsModel::Row(int row) const
{
    const StepGroup& group = groups_.at(static_cast<std::size_t>(row));
    const GroupStats& stats = group.figures.Counted(leaveOut_);
    return {group.key.locomotive,
            QString::number(group.key.throttle),
            DirectionText(group.key.reverse),
            QString::number(stats.count),
            SpeedText(stats.mean, unit_),
            QString::number(InUnit(stats.sd, unit_), 'f', 2),
            SpeedText(stats.min, unit_),
            SpeedText(stats.max, unit_),
            QString::number(leaveOut_ ? group.figures.LeftOut() : 0)};
}

QStringList StepsModel::Header() const
{
    QStringList header;
    for (int column = 0; column < columnCount(); ++column) {
        header << headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    return header;
}

int StepsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(groups_.size());
}

int StepsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(StepHeaders.size());
}

QVariant StepsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        return Alignment(index.column() == 1 || index.column() >= 3);
    }
    return role == Qt::DisplayRole ? QVariant(Row(index.row()).value(index.column())) : QVariant();
}

QVariant StepsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return section == 4 ? QStringLiteral("Mean (%1)").arg(UnitText(unit_)) : StepHeaders.value(section);
}
