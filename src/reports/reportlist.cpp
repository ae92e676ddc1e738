#include "reportlist.h"
#include "core/value.h"

namespace gudang {

void ReportList::show(const ReportDefinition &def, std::shared_ptr<ReportRows> data,
                      const QString &title)
{
    beginResetModel();
    m_def = def;
    m_title = title;
    m_columns.clear();
    for (const ReportColumn &c : def.columns)
        m_columns.push_back({ c, data->fieldIndex(c.field) });
    m_data = std::move(data);
    m_count = m_data->count();
    m_rows = m_data->read(0, kChunk);
    m_data->release();
    endResetModel();
}

ExportTable ReportList::exportTable() const
{
    if (!m_data) {
        ExportTable t;
        t.title = m_title;
        return t;
    }
    return reportTable(m_def, m_data, m_title);
}

int ReportList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ReportList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

bool ReportList::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && qint64(m_rows.size()) < m_count;
}

void ReportList::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    std::vector<ReportRow> more = m_data->read(qint64(m_rows.size()), kChunk);
    m_data->release();
    if (more.empty()) {
        m_count = qint64(m_rows.size());
        return;
    }
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + more.size()) - 1);
    for (ReportRow &r : more)
        m_rows.push_back(std::move(r));
    endInsertRows();
}

QString ReportList::text(const ReportRow &row, int column) const
{
    const auto &[def, field] = m_columns[size_t(column)];
    const ReportCell &cell = row[size_t(field)];
    if (cell.null)
        return QString();
    if (def.format == ReportColumn::Format::Date) {
        bool ok = false;
        const QDateTime date = dateFromText(cell.text, &ok);
        return ok ? dateToDisplay(date) : cell.text;
    }
    if (!cell.isNumber)
        return cell.text;
    return formatNumber(cell.number, -1, def.format == ReportColumn::Format::Grouped);
}

QVariant ReportList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const ReportColumn &column = m_columns[size_t(index.column())].first;
    if (role == Qt::TextAlignmentRole)
        return int((column.align == ReportColumn::Align::Right ? Qt::AlignRight : Qt::AlignLeft)
                   | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    return text(m_rows[size_t(index.row())], index.column());
}

QVariant ReportList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_columns[size_t(section)].first.heading;
}

} // namespace gudang
