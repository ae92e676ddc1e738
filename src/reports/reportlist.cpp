#include "reportlist.h"
#include "core/value.h"

#include <QRegularExpression>
#include <algorithm>

namespace gudang {

ReportList::~ReportList()
{
    stopCounting();
}

void ReportList::setColumns(const ReportDefinition &def, const QStringList &fields)
{
    m_def = def;
    m_columns.clear();
    for (const ReportColumn &c : def.columns)
        m_columns.push_back(
            { c,
              int(fields.indexOf(QRegularExpression(QRegularExpression::escape(c.field),
                                                    QRegularExpression::CaseInsensitiveOption))) });
}

void ReportList::show(const ReportDefinition &def, std::shared_ptr<ReportRows> data,
                      const QString &title)
{
    stopCounting();
    beginResetModel();
    setColumns(def, data->fields());
    m_title = title;
    m_data = std::move(data);
    m_count = m_data->count();
    m_rows = m_data->read(0, kChunk);
    m_data->release();
    endResetModel();
}

void ReportList::showWhileCounting(const ReportDefinition &def, QueryStart start, Opener open,
                                   const QString &title)
{
    if (start.complete || !start.ordered || start.rows.empty()) {
        show(def, open({}), title);
        return;
    }
    stopCounting();
    beginResetModel();
    setColumns(def, start.fields);
    m_title = title;
    m_data.reset();
    m_rows = std::move(start.rows);
    m_count = qint64(m_rows.size());
    endResetModel();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto counted = std::make_shared<Counted>();
    m_stop = stop;
    m_counted = counted;
    const int generation = ++m_generation;
    m_worker = std::thread([this, stop, counted, generation, open = std::move(open)] {
        try {
            counted->data = open([stop](qint64) { return !*stop; });
            counted->first = counted->data->read(0, kChunk, [stop](qint64) { return !*stop; });
            counted->data->release();
        } catch (const AppError &e) {
            counted->data.reset();
            counted->failure = e;
        }
        if (*stop)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == m_generation && counting())
                    finishCounting();
            },
            Qt::QueuedConnection);
    });
}

void ReportList::stopCounting()
{
    if (!m_worker.joinable())
        return;
    *m_stop = true;
    m_worker.join();
    m_counted.reset();
}

void ReportList::finishCounting()
{
    if (!m_worker.joinable())
        return;
    m_worker.join();
    Counted counted = std::move(*m_counted);
    m_counted.reset();
    take(std::move(counted));
}

void ReportList::take(Counted counted)
{
    if (counted.failure) {
        beginResetModel();
        m_rows.clear();
        m_count = 0;
        endResetModel();
        if (onFailed && counted.failure->kind() != AppError::Kind::Cancelled)
            onFailed(*counted.failure);
        return;
    }
    m_data = std::move(counted.data);
    m_count = m_data->count();
    auto same = [](const ReportRow &a, const ReportRow &b) {
        if (a.size() != b.size())
            return false;
        for (size_t c = 0; c < a.size(); ++c) {
            if (a[c].null != b[c].null || a[c].text != b[c].text)
                return false;
        }
        return true;
    };
    const bool prefix = counted.first.size() >= m_rows.size()
        && std::equal(m_rows.begin(), m_rows.end(), counted.first.begin(), same);
    if (!prefix) {
        // The sorted report differs from the rows the query gave first.
        beginResetModel();
        m_rows = std::move(counted.first);
        endResetModel();
        return;
    }
    if (counted.first.size() > m_rows.size()) {
        beginInsertRows({}, int(m_rows.size()), int(counted.first.size()) - 1);
        for (size_t r = m_rows.size(); r < counted.first.size(); ++r)
            m_rows.push_back(std::move(counted.first[r]));
        endInsertRows();
    }
}

ExportTable ReportList::exportTable() const
{
    const_cast<ReportList *>(this)->finishCounting();
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
    return !parent.isValid() && m_data && qint64(m_rows.size()) < m_count;
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
