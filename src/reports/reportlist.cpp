#include "reportlist.h"
#include "core/value.h"

namespace gudang {

void ReportList::show(const ReportDefinition &def, const ReportRows &data,
                      std::vector<ReportRow> rows)
{
    beginResetModel();
    m_columns.clear();
    for (const ReportColumn &c : def.columns)
        m_columns.push_back({ c, data.fieldIndex(c.field) });
    m_rows = std::move(rows);
    endResetModel();
}

int ReportList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ReportList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ReportList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const auto &[column, field] = m_columns[size_t(index.column())];
    if (role == Qt::TextAlignmentRole)
        return int((column.align == ReportColumn::Align::Right ? Qt::AlignRight : Qt::AlignLeft)
                   | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const ReportCell &cell = m_rows[size_t(index.row())][size_t(field)];
    if (cell.null)
        return QString();
    if (column.format == ReportColumn::Format::Date) {
        bool ok = false;
        const QDateTime date = dateFromText(cell.text, &ok);
        return ok ? dateToDisplay(date) : cell.text;
    }
    return cell.isNumber ? QVariant(formatNumber(cell.number)) : QVariant(cell.text);
}

QVariant ReportList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_columns[size_t(section)].first.heading;
}

} // namespace gudang
