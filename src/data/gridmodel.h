#pragma once

#include <QAbstractTableModel>
#include <QPointer>

class QTableView;

namespace gudang {

class RecordSource;

// Shows a record source live: all rows in list order, every column, the column names as
// headers. Read-only.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit GridModel(RecordSource *source, QObject *parent = nullptr);

    RecordSource *source() const { return m_source; }
    // True while the model follows a change of the source's list.
    bool following() const { return m_following; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QPointer<RecordSource> m_source;
    bool m_following = false;
};

// Binds a grid to a record source: selecting a row makes it current, and moving the current
// row moves the selection. Row heights are fixed, so a grid over a million rows opens at once.
void bindGrid(QTableView *view, RecordSource *source);

} // namespace gudang
