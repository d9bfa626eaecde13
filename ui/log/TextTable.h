// A table of ready-made texts for the speed log's views: quick for thousands of runs, read-only.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

class TextTable : public QAbstractTableModel {
    Q_OBJECT

public:
    // The columns `figures` hold figures, which stand to the right.
    TextTable(QStringList headers, QList<int> figures, QObject* parent);

    // Replaces every row; `flagged` rows (where given) are shown in italics.
    void SetRows(std::vector<QStringList> rows, std::vector<bool> flagged = {});
    const std::vector<QStringList>& Rows() const { return rows_; }
    void SetHeader(int column, const QString& text);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList headers_;
    QList<int> figures_;
    std::vector<QStringList> rows_;
    std::vector<bool> flagged_;
};
