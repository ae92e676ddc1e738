#include "gridmodel.h"
#include "apperror.h"
#include "recordsource.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>

namespace gudang {

GridModel::GridModel(RecordSource *source, QObject *parent)
    : QAbstractTableModel(parent)
    , m_source(source)
    , m_shown(std::min(sourceRows(), kChunk))
{
    connect(source, &RecordSource::aboutToReset, this, [this] {
        m_following = true;
        beginResetModel();
    });
    connect(source, &RecordSource::rowsReset, this, [this] {
        m_shown = std::min(sourceRows(), kChunk);
        endResetModel();
        m_following = false;
    });
    // A row comes into the grid when it lands among the shown rows, or right after them when
    // all rows are shown; otherwise it waits with the rest that are not shown yet.
    connect(source, &RecordSource::rowAboutToBeInserted, this, [this](int row) {
        m_changeShown = row < m_shown || (row == m_shown && m_shown == sourceRows());
        if (!m_changeShown)
            return;
        m_following = true;
        beginInsertRows({}, row, row);
    });
    connect(source, &RecordSource::rowInserted, this, [this](int) {
        if (!m_changeShown)
            return;
        ++m_shown;
        endInsertRows();
        m_following = false;
    });
    connect(source, &RecordSource::rowAboutToBeRemoved, this, [this](int row) {
        m_changeShown = row < m_shown;
        if (!m_changeShown)
            return;
        m_following = true;
        beginRemoveRows({}, row, row);
    });
    connect(source, &RecordSource::rowRemoved, this, [this](int) {
        if (!m_changeShown)
            return;
        --m_shown;
        endRemoveRows();
        m_following = false;
    });
    connect(source, &RecordSource::rowChanged, this, [this](int row) {
        if (row < m_shown)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
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
    return !parent.isValid() && m_shown < sourceRows();
}

void GridModel::fetchMore(const QModelIndex &parent)
{
    if (canFetchMore(parent))
        showUpTo(m_shown + kChunk - 1);
}

void GridModel::showUpTo(int row)
{
    const int last = std::min(row, sourceRows() - 1);
    if (last < m_shown)
        return;
    beginInsertRows({}, m_shown, last);
    m_shown = last + 1;
    endInsertRows();
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return (parent.isValid() || !m_source) ? 0 : m_source->columnCount();
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!m_source || !index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    if (index.row() >= m_shown)
        return {};
    return m_source->cellText(index.row(), index.column());
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_source)
        return {};
    if (orientation == Qt::Horizontal)
        return m_source->columnName(section);
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable) : Qt::NoItemFlags;
}

void bindGrid(QTableView *view, RecordSource *source)
{
    // The headers are set up before they get the model: changing the size or resize mode of a
    // header afterwards walks every one of its sections, a million for a big table.
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->verticalHeader()->setMinimumWidth(24);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view->horizontalHeader()->setDefaultSectionSize(100);
    auto *model = new GridModel(source, view);
    auto *following = model;
    view->setModel(model);

    auto select = [view, model](int row) {
        QItemSelectionModel *sel = view->selectionModel();
        if (row < 0) {
            sel->clear();
            return;
        }
        model->showUpTo(row);
        const QModelIndex idx = model->index(row, 0);
        sel->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->scrollTo(idx);
    };
    QObject::connect(source, &RecordSource::currentRowChanged, view, select);
    // After a row leaves, the view moves its own cursor; put it back where the source stands.
    QObject::connect(source, &RecordSource::rowRemoved, view,
                     [source, select](int) { select(source->currentRow()); });
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                     [source, following, select](const QModelIndex &current) {
                         if (following->following() || !current.isValid()
                             || current.row() == source->currentRow())
                             return;
                         try {
                             source->setCurrentRow(current.row());
                         } catch (const AppError &) {
                             // A pending edit that cannot be written keeps its row current.
                             select(source->currentRow());
                         }
                     });
    select(source->currentRow());
}

} // namespace gudang
