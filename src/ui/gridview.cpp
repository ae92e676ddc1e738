#include "gridview.h"
#include "core/apperror.h"
#include "model/gridmodel.h"
#include "model/recordsource.h"

#include "core/schema.h"
#include "dialogs.h"
#include "screen.h"
#include <QContextMenuEvent>
#include <QEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <map>

namespace gudang {

namespace {

// Rows a model marks (stock below its minimum) are shown on a light red ground, beside the
// marker column that says it in words.
class MarkedRows : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(GridModel::BelowMinimumRole).toBool()) {
            option->backgroundBrush = QColor(255, 205, 205);
            option->palette.setColor(QPalette::Text, QColor(140, 0, 0));
        }
    }
};

void fitToWidth(QTableView *view);

} // namespace

GridView::GridView(QWidget *parent)
    : QTableView(parent)
{
    setTabKeyNavigation(false);
    setItemDelegate(new MarkedRows(this));
}

QMenu *GridView::exportMenu()
{
    if (m_exportMenu)
        return m_exportMenu;
    m_exportMenu = new QMenu(this);
    m_exportMenu->setObjectName(QStringLiteral("exportMenu"));
    for (const auto &[text, suffix] : { std::pair { "Simpan sebagai &Excel (XLSX)...", "xlsx" },
                                        std::pair { "Simpan sebagai &CSV...", "csv" } }) {
        QAction *a = m_exportMenu->addAction(QString::fromUtf8(text));
        a->setData(QString::fromLatin1(suffix));
        connect(a, &QAction::triggered, this, [this, a] { saveAs(a->data().toString()); });
    }
    return m_exportMenu;
}

void GridView::showList(QAbstractItemModel *model)
{
    setModel(model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    horizontalHeader()->setStretchLastSection(true);
}

void GridView::saveAs(const QString &suffix)
{
    const auto *source = dynamic_cast<const TableSource *>(model());
    auto *screen = qobject_cast<Screen *>(window());
    if (!source || !screen)
        return;
    screen->app().run([&] {
        ExportTable table = source->exportTable();
        // Named as the grid is named for a screen reader, with the day it was saved.
        if (!accessibleName().isEmpty())
            table.title = accessibleName();
        const QString name = suggestedFileName(
            QStringLiteral("%1 %2").arg(table.title, dateToDisplay(QDateTime::currentDateTime())),
            suffix);
        const QString path = screen->app().dialogs().saveFile(
            QStringLiteral("Simpan %1").arg(table.title), name,
            { suffix == QLatin1String("csv")
                  ? QStringLiteral("CSV untuk lembar kerja berbahasa Indonesia (*.csv)")
                  : QStringLiteral("Excel (*.xlsx)") });
        if (!path.isEmpty())
            writeSpreadsheet(table, path, suffix);
    });
}

void GridView::contextMenuEvent(QContextMenuEvent *event)
{
    if (dynamic_cast<const TableSource *>(model()))
        exportMenu()->exec(event->globalPos());
}

ExportTable gridTable(RecordSource &source)
{
    return GridModel(&source).exportTable();
}

void GridView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    fitToWidth(this);
}

void GridView::focusInEvent(QFocusEvent *event)
{
    // Without a current index the view makes its first row current when it takes the focus;
    // the bound source keeps its own current row.
    const QModelIndex before = currentIndex();
    m_takingFocus = true;
    QTableView::focusInEvent(event);
    m_takingFocus = false;
    if (!before.isValid() && currentIndex().isValid())
        selectionModel()->clearCurrentIndex();
}

namespace {

// A header of a grid whose sections need no measuring after every change of the rows (a plain
// header measures a couple of hundred of its sections each time a row comes in): the row header
// is a narrow column of equal sections without texts; the column header measures each heading
// once, again only when the font or style changes (the headings, the column names, do not).
class GridHeader : public QHeaderView
{
public:
    GridHeader(Qt::Orientation orientation, QWidget *parent)
        : QHeaderView(orientation, parent)
    { }

protected:
    QSize sectionSizeFromContents(int section) const override
    {
        if (orientation() == Qt::Vertical)
            return QSize(minimumWidth(), defaultSectionSize());
        if (size_t(section) >= m_sizes.size())
            m_sizes.resize(size_t(section) + 1);
        QSize &size = m_sizes[size_t(section)];
        if (!size.isValid())
            size = QHeaderView::sectionSizeFromContents(section);
        return size;
    }
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            m_sizes.clear();
        QHeaderView::changeEvent(event);
    }

private:
    mutable std::vector<QSize> m_sizes;
};

// Columns wider together than the grid are narrowed to it, the widest first: a grid drawn as
// narrow as its frame shows every column without scrolling sideways (a cut text, or heading,
// shows whole in its tooltip).
void fitToWidth(QTableView *view)
{
    if (!view->model())
        return;
    QHeaderView *header = view->horizontalHeader();
    const int columns = header->count();
    if (columns == 0)
        return;
    // The room the columns have: the grid less its frame, its row numbers and, when its rows
    // do not all fit, its scroll bar.
    const int height = view->height() - 2 * view->frameWidth() - header->sizeHint().height();
    const bool scrolls
        = qint64(view->model()->rowCount()) * view->verticalHeader()->defaultSectionSize() > height;
    const int room = view->isVisible()
        ? view->viewport()->width()
        : view->width() - 2 * view->frameWidth() - view->verticalHeader()->sizeHint().width()
            - (scrolls ? view->verticalScrollBar()->sizeHint().width() : 0);
    std::vector<int> widths(static_cast<size_t>(columns)), least(static_cast<size_t>(columns));
    int total = 0;
    const int narrowest = view->fontMetrics().horizontalAdvance(QStringLiteral("MMM"));
    for (int c = 0; c < columns; ++c) {
        widths[size_t(c)] = header->sectionSize(c);
        total += widths[size_t(c)];
        least[size_t(c)] = std::min(widths[size_t(c)], narrowest);
    }
    if (total <= room || room <= 0)
        return;
    // The widest width every column may keep so that together they fit.
    int low = 0, high = *std::max_element(widths.begin(), widths.end());
    while (low < high) {
        const int cap = (low + high + 1) / 2;
        int sum = 0;
        for (int c = 0; c < columns; ++c)
            sum += std::max(std::min(widths[size_t(c)], cap), least[size_t(c)]);
        if (sum <= room)
            low = cap;
        else
            high = cap - 1;
    }
    for (int c = 0; c < columns; ++c)
        header->resizeSection(c, std::max(std::min(widths[size_t(c)], low), least[size_t(c)]));
}

// Widens the columns to the header and the texts of rows [first, last] (those among the
// first rows shown); `all` sets every width anew.
void fitColumns(QTableView *view, GridModel *model, int first, int last, bool all)
{
    QHeaderView *header = view->horizontalHeader();
    const QFontMetrics text = view->fontMetrics();
    const QFontMetrics head = header->fontMetrics();
    const int widest = text.maxWidth();
    const int pad
        = 2 * view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 10;
    last = std::min(last, GridView::kWidthRows - 1);
    for (int c = 0; c < model->columnCount(); ++c) {
        int w = all ? head.horizontalAdvance(
                          model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString())
                + pad + 8
                    : header->sectionSize(c);
        for (int r = first; r <= last; ++r) {
            const QString t = model->displayText(r, c);
            // A text that cannot be wider than the column, at its widest letter, is not
            // measured: measuring lays the text out.
            if (!all && qsizetype(widest) * t.size() + pad <= w)
                continue;
            w = std::max(w, text.horizontalAdvance(t) + pad);
        }
        w = std::min(w, GridView::kMaxColumnWidth);
        if (all || w > header->sectionSize(c))
            header->resizeSection(c, w);
    }
    fitToWidth(view);
}

} // namespace

void bindGrid(QTableView *view, RecordSource *source)
{
    // The headers are set up before they get the model: changing the size or resize mode of a
    // header afterwards walks every one of its sections, a million for a big table.
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setTabKeyNavigation(false);
    if (!dynamic_cast<GridHeader *>(view->verticalHeader()))
        view->setVerticalHeader(new GridHeader(Qt::Vertical, view));
    if (!dynamic_cast<GridHeader *>(view->horizontalHeader()))
        view->setHorizontalHeader(new GridHeader(Qt::Horizontal, view));
    view->verticalHeader()->setHighlightSections(true);
    view->horizontalHeader()->setHighlightSections(true);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->verticalHeader()->setMinimumWidth(24);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view->horizontalHeader()->setDefaultSectionSize(100);
    view->horizontalHeader()->setStretchLastSection(true);
    // A screen reader names the grid by its frame, or by what it lists.
    if (view->accessibleName().isEmpty()) {
        static const std::map<QString, QString> lists = {
            { QStringLiteral("tbarang"), QStringLiteral("Daftar barang") },
            { QStringLiteral("tstok"), QStringLiteral("Daftar stok barang") },
            { QStringLiteral("tbrgkeluar"), QStringLiteral("Daftar barang keluar") },
        };
        const auto *frame = qobject_cast<const QGroupBox *>(view->parentWidget());
        const auto known = lists.find(source->tableName());
        view->setAccessibleName(frame                      ? frame->title().simplified()
                                    : known != lists.end() ? known->second
                                                           : source->tableName());
    }
    auto *model = new GridModel(source, view);
    view->setModel(model);
    fitColumns(view, model, 0, model->rowCount() - 1, true);
    // A window moved to other rows keeps its widths; a source opened anew is fitted anew.
    QObject::connect(model, &QAbstractItemModel::modelReset, view, [view, model] {
        if (!model->moving())
            fitColumns(view, model, 0, model->rowCount() - 1, true);
    });
    QObject::connect(model, &QAbstractItemModel::rowsInserted, view,
                     [view, model](const QModelIndex &, int first, int last) {
                         fitColumns(view, model, first, last, false);
                     });
    QObject::connect(model, &QAbstractItemModel::dataChanged, view,
                     [view, model](const QModelIndex &from, const QModelIndex &to) {
                         fitColumns(view, model, from.row(), to.row(), false);
                     });

    auto select = [view, model](int row) {
        QItemSelectionModel *sel = view->selectionModel();
        if (row < 0) {
            sel->clear();
            return;
        }
        model->showRow(row);
        const QModelIndex idx = model->index(model->modelRow(row), 0);
        sel->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->scrollTo(idx);
    };
    QObject::connect(source, &RecordSource::currentRowChanged, view, select);
    // Scrolled to the top of a window that does not start at the first row: the chunk above
    // comes in, and the rows in view stay where they are.
    QScrollBar *bar = view->verticalScrollBar();
    QObject::connect(bar, &QScrollBar::valueChanged, view, [view, model, bar](int value) {
        if (value != bar->minimum() || !model->canFetchAbove())
            return;
        const int added = model->fetchAbove();
        view->doItemsLayout(); // the scroll bar's range takes the new rows in first
        const int step = view->verticalScrollMode() == QAbstractItemView::ScrollPerItem
            ? 1
            : view->verticalHeader()->defaultSectionSize();
        bar->setValue(value + added * step);
    });
    // After a row leaves, the view moves its own cursor; put it back where the source stands.
    QObject::connect(source, &RecordSource::rowRemoved, view,
                     [source, select](int) { select(source->currentRow()); });
    auto *grid = qobject_cast<GridView *>(view);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                     [source, model, grid, select](const QModelIndex &current) {
                         if (model->following() || !current.isValid()
                             || (grid && grid->takingFocus())
                             || model->sourceRow(current.row()) == source->currentRow())
                             return;
                         try {
                             source->setCurrentRow(model->sourceRow(current.row()));
                         } catch (const AppError &) {
                             // A pending edit that cannot be written keeps its row current.
                             select(source->currentRow());
                         }
                     });
    select(source->currentRow());
}

} // namespace gudang
