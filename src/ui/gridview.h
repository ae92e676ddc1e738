#pragma once

#include "export/export.h"

#include <QTableView>

class QMenu;

namespace gudang {

class RecordSource;

// A grid on a screen. Tab and Shift+Tab leave it for the next and previous control (the arrow
// keys move within it), and taking the focus never moves the current row of its record source.
class GridView : public QTableView
{
    Q_OBJECT
public:
    explicit GridView(QWidget *parent = nullptr);

    // A list the screen builds itself (not a record source's table): read only, chosen by
    // whole rows, one at a time, the last column taking the width left.
    void showList(QAbstractItemModel *model);

    // True while the view sets its own cursor on taking the focus.
    bool takingFocus() const { return m_takingFocus; }

    // Widest column a grid gives a text; wider texts are cut with "…".
    static constexpr int kMaxColumnWidth = 320;
    // Rows whose texts count for the column widths: the first ones shown, never the whole
    // table.
    static constexpr int kWidthRows = 256;

    // The grid's context menu: its table saved as Excel or CSV, every row and every column it
    // shows (a grid whose model is a TableSource).
    QMenu *exportMenu();
    // Asks where, and saves the grid's table as `suffix` ("xlsx" or "csv") there.
    void saveAs(const QString &suffix);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    bool m_takingFocus = false;
    QMenu *m_exportMenu = nullptr;
};

// A record source's whole table as a table to save as a spreadsheet, as its grid saves it: its
// columns by name ("Tanda" too for the stock table), numbers as numbers, dates as dates.
ExportTable gridTable(RecordSource &source);

// Binds a grid to a record source: selecting a row makes it current, and moving the current
// row selects it and scrolls it into view, on every grid bound to that source. Row heights
// are fixed, so a grid over a million rows opens at once. Columns are as wide as their header
// and the widest text of the first rows shown; the last column fills what is left.
void bindGrid(QTableView *view, RecordSource *source);

} // namespace gudang
