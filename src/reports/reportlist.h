#pragma once

#include "export/export.h"
#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportlayout.h"
#include "reports/engine/reportrows.h"

#include <QAbstractTableModel>
#include <memory>
#include <vector>

namespace gudang {

// Rows of a report shown in a grid: the definition's columns, headings and alignment, numbers
// and dates as the program shows them. Every row of the report is there: the first ones at
// once, the rest as the grid scrolls to them (a chunk at a time, read from the report's
// sorted query, which lets go of the database between chunks).
class ReportList : public QAbstractTableModel, public TableSource
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    static constexpr int kChunk = 1000;

    // `title`: the report's title, its parameters filled in.
    void show(const ReportDefinition &def, std::shared_ptr<ReportRows> data, const QString &title);
    qint64 count() const { return m_count; }
    // The report's every row as a table to save as a spreadsheet, with every column the
    // printed report shows.
    ExportTable exportTable() const override;

    int rowCount(const QModelIndex &parent) const override;
    int columnCount(const QModelIndex &parent) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    QString text(const ReportRow &row, int column) const;

    ReportDefinition m_def;
    QString m_title;
    std::vector<std::pair<ReportColumn, int>> m_columns; // with the field's index
    std::shared_ptr<ReportRows> m_data;
    qint64 m_count = 0;
    std::vector<ReportRow> m_rows;
};

} // namespace gudang
