#pragma once

#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportrows.h"

#include <QAbstractTableModel>
#include <vector>

namespace gudang {

// Rows of a report shown in a grid: the definition's columns, headings and alignment, numbers
// and dates as the program shows them.
class ReportList : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void show(const ReportDefinition &def, const ReportRows &data, std::vector<ReportRow> rows);

    int rowCount(const QModelIndex &parent) const override;
    int columnCount(const QModelIndex &parent) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<std::pair<ReportColumn, int>> m_columns; // with the field's index
    std::vector<ReportRow> m_rows;
};

} // namespace gudang
