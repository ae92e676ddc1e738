#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

namespace gudang {

class RecordSource;

// Shows a record source live: its rows in list order, every column, the column names as
// headers; numbers and dates as the program shows them (formatNumber, dd/MM/yyyy). Read-only. A big
// source is shown in chunks, as the grid scrolls towards the end (Qt's fetchMore), so that opening
// a grid does not cost a header section per row; moving the current row further down shows the rows
// up to it.
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
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // Makes the rows up to `row` part of the grid.
    void showUpTo(int row);

    // The text a cell shows.
    QString displayText(int row, int column) const;

    static constexpr int kChunk = 4096;

private:
    int sourceRows() const;

    QPointer<RecordSource> m_source;
    std::vector<int> m_kinds; // ColumnKind of each column
    bool m_following = false;
    int m_shown = 0; // rows of the source the grid has, from the top
    bool m_changeShown = false; // the list change under way is one the grid takes part in
};

} // namespace gudang
