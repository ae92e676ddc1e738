#include "gridmodel.h"
#include "core/apperror.h"
#include "core/schema.h"
#include "recordsource.h"

#include <algorithm>
#include <charconv>

namespace gudang {

namespace {

// A stock row's stock below its minimum (a stock without a value counts as 0).
bool stockBelowMinimum(const RecordSource &source, int row)
{
    const QString stock = source.cellText(row, col::tstok::Jumlah_Stok);
    const QString minimum = source.cellText(row, col::tstok::Stok_Minimum);
    return !minimum.isEmpty() && stock.toDouble() < minimum.toDouble();
}

} // namespace

GridModel::GridModel(RecordSource *source, QObject *parent)
    : QAbstractTableModel(parent)
    , m_source(source)
    , m_shown(std::min(sourceRows(), kChunk))
{
    for (const ColumnDef &c : tableDef(source->tableName()).columns)
        m_kinds.push_back(int(c.kind));
    m_marks = source->tableName() == QLatin1String("tstok");
    connect(source, &RecordSource::aboutToReset, this, [this] {
        m_following = true;
        beginResetModel();
    });
    connect(source, &RecordSource::rowsReset, this, [this] {
        m_first = 0;
        m_shown = std::min(sourceRows(), kChunk);
        endResetModel();
        m_following = false;
    });
    // A row comes into the grid when it lands within the window, or right after it when the
    // window reaches the end; one landing above the window moves the window's rows down.
    connect(source, &RecordSource::rowAboutToBeInserted, this, [this](int row) {
        const int rel = row - m_first;
        m_changeShown
            = rel >= 0 && (rel < m_shown || (rel == m_shown && m_first + m_shown == sourceRows()));
        if (!m_changeShown)
            return;
        m_following = true;
        beginInsertRows({}, rel, rel);
    });
    connect(source, &RecordSource::rowInserted, this, [this](int row) {
        if (!m_changeShown) {
            if (row < m_first)
                ++m_first;
            return;
        }
        ++m_shown;
        endInsertRows();
        m_following = false;
    });
    connect(source, &RecordSource::rowAboutToBeRemoved, this, [this](int row) {
        const int rel = row - m_first;
        m_changeShown = rel >= 0 && rel < m_shown;
        if (!m_changeShown)
            return;
        m_following = true;
        beginRemoveRows({}, rel, rel);
    });
    connect(source, &RecordSource::rowRemoved, this, [this](int row) {
        if (!m_changeShown) {
            if (row < m_first)
                --m_first;
            return;
        }
        --m_shown;
        endRemoveRows();
        m_following = false;
    });
    // Rows read in the background: a window that reached the end of the rows so far takes one
    // more chunk, so that a grid scrolled to its end goes on; the rest come as it scrolls.
    connect(source, &RecordSource::rowsLoaded, this, [this](int first) {
        if (m_first + m_shown >= first)
            growDownTo(m_first + m_shown + kChunk - 1);
    });
    connect(source, &RecordSource::rowChanged, this, [this](int row) {
        const int rel = modelRow(row);
        if (rel >= 0)
            emit dataChanged(index(rel, 0), index(rel, columnCount() - 1));
    });
}

int GridModel::sourceRows() const
{
    return m_source ? m_source->rowCount() : 0;
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shown;
}

bool GridModel::canFetchMore(const QModelIndex &parent) const
{
    // Not while the grid takes part in a change: a view asked during it sees the old size.
    return !parent.isValid() && !m_following && m_first + m_shown < sourceRows();
}

void GridModel::fetchMore(const QModelIndex &parent)
{
    if (canFetchMore(parent))
        growDownTo(m_first + m_shown + kChunk - 1);
}

void GridModel::growDownTo(int row)
{
    const int last = std::min(row, sourceRows() - 1);
    if (last < m_first + m_shown || m_following)
        return;
    m_following = true;
    beginInsertRows({}, m_shown, last - m_first);
    m_shown = last - m_first + 1;
    endInsertRows();
    m_following = false;
}

int GridModel::fetchAbove()
{
    if (m_first == 0 || m_following)
        return 0;
    const int added = std::min(m_first, kChunk);
    m_following = true;
    beginInsertRows({}, 0, added - 1);
    m_first -= added;
    m_shown += added;
    endInsertRows();
    m_following = false;
    return added;
}

void GridModel::showRow(int row)
{
    if (row < 0 || row >= sourceRows() || modelRow(row) >= 0 || m_following)
        return;
    if (row >= m_first + m_shown && row < m_first + m_shown + kChunk) {
        growDownTo(row);
        return;
    }
    if (row < m_first && row >= m_first - kChunk) {
        while (row < m_first)
            fetchAbove();
        return;
    }
    // Far away: the window moves there, with a chunk around the row.
    m_moving = true;
    m_following = true;
    beginResetModel();
    m_first = std::max(0, row - kChunk / 2);
    m_shown = std::min(sourceRows() - m_first, kChunk);
    endResetModel();
    m_following = false;
    m_moving = false;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return (parent.isValid() || !m_source) ? 0 : m_source->columnCount() + (m_marks ? 1 : 0);
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!m_source || !index.isValid() || index.row() >= m_shown)
        return {};
    if (role == BelowMinimumRole)
        return m_marks && belowMinimum(index.row());
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    return displayText(index.row(), index.column());
}

const QString &GridModel::belowMinimumText()
{
    static const QString text = QStringLiteral("▼ di bawah minimum");
    return text;
}

bool GridModel::belowMinimum(int row) const
{
    return stockBelowMinimum(*m_source, m_first + row);
}

ExportTable GridModel::exportTable() const
{
    ExportTable t;
    if (!m_source)
        return t;
    RecordSource *s = m_source.data();
    t.title = s->tableName();
    const TableDef &def = tableDef(s->tableName());
    for (const ColumnDef &c : def.columns)
        t.columns.push_back({ c.name,
                              c.kind == ColumnKind::Number || c.kind == ColumnKind::AutoNumber
                                  ? ExportTable::Kind::Number
                                  : c.kind == ColumnKind::Date ? ExportTable::Kind::Date
                                                               : ExportTable::Kind::Text });
    const bool marks = m_marks;
    if (marks)
        t.columns.push_back({ QStringLiteral("Tanda"), ExportTable::Kind::Text });
    t.rows = [s, kinds = t.columns, marks](const auto &row) {
        const int n = s->recordCount(); // the whole table
        const int own = s->columnCount();
        std::vector<Value> cells(kinds.size());
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < own; ++c) {
                const QString text = s->cellText(r, c);
                bool ok = !text.isNull();
                if (!ok) {
                    cells[size_t(c)] = Value();
                } else if (kinds[size_t(c)].kind == ExportTable::Kind::Number) {
                    const double d = text.toDouble(&ok);
                    cells[size_t(c)] = ok ? Value(d) : Value(text);
                } else if (kinds[size_t(c)].kind == ExportTable::Kind::Date) {
                    const QDateTime d = dateFromText(text, &ok);
                    cells[size_t(c)] = ok ? Value(d) : Value(text);
                } else {
                    cells[size_t(c)] = Value(text);
                }
            }
            if (marks)
                cells[size_t(own)]
                    = stockBelowMinimum(*s, r) ? Value(belowMinimumText()) : Value(QString());
            row(cells);
        }
    };
    return t;
}

QString GridModel::displayText(int row, int column) const
{
    if (m_marks && column == m_source->columnCount())
        return belowMinimum(row) ? belowMinimumText() : QString();
    const QString text = m_source->cellText(m_first + row, column);
    if (text.isEmpty() || size_t(column) >= m_kinds.size())
        return text;
    switch (ColumnKind(m_kinds[size_t(column)])) {
    case ColumnKind::Number:
    case ColumnKind::AutoNumber: {
        const QByteArray bytes = text.toLatin1();
        double d = 0;
        const auto res = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), d);
        return res.ec == std::errc() ? formatNumber(d) : text;
    }
    case ColumnKind::Date: {
        // Stored as "yyyy-MM-dd HH:mm:ss": shown without parsing it.
        if (text.size() >= 10 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-')
            && (text.size() == 10 || text.at(10) == QLatin1Char(' '))) {
            bool digits = true;
            for (int i : { 0, 1, 2, 3, 5, 6, 8, 9 })
                digits = digits && text.at(i).isDigit();
            if (digits)
                return text.mid(8, 2) + QLatin1Char('/') + text.mid(5, 2) + QLatin1Char('/')
                    + text.left(4);
        }
        bool ok = false;
        const QDateTime d = dateFromText(text, &ok);
        return ok ? dateToDisplay(d) : text;
    }
    case ColumnKind::Text:
        break;
    }
    return text;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // A heading cut to fit its column shows whole in its tooltip.
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !m_source)
        return {};
    if (orientation == Qt::Horizontal)
        return m_marks && section == m_source->columnCount() ? QStringLiteral("Tanda")
                                                             : m_source->columnName(section);
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable) : Qt::NoItemFlags;
}

} // namespace gudang
