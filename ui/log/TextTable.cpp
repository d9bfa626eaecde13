// The speed log's read-only tables of texts.
#include "ui/log/TextTable.h"

#include <QFont>

TextTable::TextTable(QStringList headers, QList<int> figures, QObject* parent)
    : QAbstractTableModel(parent), headers_(std::move(headers)), figures_(std::move(figures))
{
}

void TextTable::SetRows(std::vector<QStringList> rows, std::vector<bool> flagged)
{
    beginResetModel();
    rows_ = std::move(rows);
    flagged_ = std::move(flagged);
    endResetModel();
}

void TextTable::SetHeader(int column, const QString& text)
{
    if (headers_.value(column) != text) {
        headers_[column] = text;
        emit headerDataChanged(Qt::Horizontal, column, column);
    }
}

int TextTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TextTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant TextTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= rows_.size()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return rows_.at(row).value(index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignVCenter |
                                       (figures_.contains(index.column()) ? Qt::AlignRight : Qt::AlignLeft));
        case Qt::FontRole:
            if (row < flagged_.size() && flagged_.at(row)) {
                QFont font;
                font.setItalic(true);
                return font;
            }
            return {};
        default:
            return {};
    }
}

QVariant TextTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return headers_.value(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}
