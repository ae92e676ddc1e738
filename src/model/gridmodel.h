#pragma once

#include "export/export.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

namespace gudang {

class RecordSource;

// Shows a record source live: its rows in list order, every column, the column names as
// headers; numbers and dates as the program shows them (formatNumber, dd/MM/yyyy). Read-only.
//
// A big source is shown through a window of its rows, so that a grid never holds a header
// section per row of a big table (a view walks all its sections after each inserted row): the
// window grows a chunk at a time as the grid scrolls past either end (Qt's fetchMore below,
// fetchAbove() above), and a current row far outside it moves the window there. Model rows are
// window rows: sourceRow() and modelRow() convert.
class GridModel : public QAbstractTableModel, public TableSource
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

    // Makes source row `row` part of the grid: the window grows to it when it is near, and
    // moves to it (a reset of the model) when it is far.
    void showRow(int row);
    bool canFetchAbove() const { return m_first > 0; }
    // Shows the chunk above the window; returns the rows added at the top.
    int fetchAbove();

    int sourceRow(int modelRow) const { return m_first + modelRow; }
    // The model row of a source row, or -1 outside the window.
    int modelRow(int sourceRow) const
    {
        const int r = sourceRow - m_first;
        return r >= 0 && r < m_shown ? r : -1;
    }
    // True while the model moves its window (a reset that is not a change of the source).
    bool moving() const { return m_moving; }

    // The text a cell of a model row shows.
    QString displayText(int row, int column) const;
    // The source's whole table, every column the grid shows ("Tanda" too), numbers as numbers
    // and dates as dates; titled by the table's name.
    ExportTable exportTable() const override;
    static constexpr int kChunk = 4096;

    // A grid of the stock table has one more column after the table's own, "Tanda", that
    // says which stock is below its minimum; every cell of such a row answers true for this
    // role, for a grid to show it in colour as well.
    static constexpr int BelowMinimumRole = Qt::UserRole + 1;
    static const QString &belowMinimumText();
    bool belowMinimum(int row) const;

private:
    int sourceRows() const;
    // Grows the window down to source row `row`.
    void growDownTo(int row);

    QPointer<RecordSource> m_source;
    std::vector<int> m_kinds; // ColumnKind of each column
    bool m_marks = false; // the stock table: the "Tanda" column
    bool m_following = false;
    int m_first = 0; // the source row of the window's first row
    int m_shown = 0; // rows of the source in the window
    bool m_moving = false;
    bool m_changeShown = false; // the list change under way is one the grid takes part in
};

} // namespace gudang
