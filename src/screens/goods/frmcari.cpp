#include "frmcari.h"
#include "core/schema.h"
#include "core/value.h"
#include "export/export.h"
#include "model/recordsource.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <algorithm>
#include <functional>
#include <numeric>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmcari", .caption = "Cari Barang", .clientWidth = 8400, .clientHeight = 6000, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "&Kode atau nama barang", .left = 240, .top = 300, .width = 2415, .height = 255, .tabIndex = 5 },
            { .name = "txtcari", .kind = K::TextField, .text = "", .left = 2760, .top = 270, .width = 5400, .height = 285, .tabIndex = 0, .maxLength = 20 },
            { .name = "DataGrid1", .kind = K::Grid, .text = "Barang yang cocok", .left = 240, .top = 780, .width = 7920, .height = 4080, .tabIndex = 1 },
            { .name = "Label2", .kind = K::Label, .text = "", .left = 240, .top = 5040, .width = 4800, .height = 255, .tabIndex = 6 },
            { .name = "cmdpilih", .kind = K::Button, .text = "&Pilih", .left = 5400, .top = 5400, .width = 1215, .height = 375, .tabIndex = 2 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 6840, .top = 5400, .width = 1215, .height = 375, .tabIndex = 3 },
        },
    };
    return form;
}

constexpr int kShown = 500; // rows the grid lists; the count says how many were found

} // namespace

// The goods found, listed: the first kShown matches, four columns of tbarang; saved as a
// spreadsheet, every match.
class frmcari::Found : public QAbstractTableModel, public TableSource
{
public:
    Found(RecordSource *source, QObject *parent)
        : QAbstractTableModel(parent)
        , m_source(source)
    { }

    void show(std::vector<int> rows)
    {
        beginResetModel();
        m_all = std::move(rows);
        m_shown = std::min(m_all.size(), size_t(kShown));
        endResetModel();
    }
    int sourceRow(int row) const { return m_all[size_t(row)]; }

    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(m_shown);
    }
    int columnCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(std::size(kColumns));
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid())
            return {};
        return m_source->cellText(m_all[size_t(index.row())], kColumns[index.column()]);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return QAbstractTableModel::headerData(section, orientation, role);
        return m_source->columnName(kColumns[section]);
    }
    ExportTable exportTable() const override
    {
        ExportTable t;
        t.title = QStringLiteral("Cari Barang");
        for (int c : kColumns)
            t.columns.push_back({ m_source->columnName(c), ExportTable::Kind::Text });
        t.rows = [source = m_source, all = m_all](const auto &row) {
            std::vector<Value> cells(std::size(kColumns));
            for (int r : all) {
                for (size_t c = 0; c < std::size(kColumns); ++c)
                    cells[c] = Value(source->cellText(r, kColumns[c]));
                row(cells);
            }
        };
        return t;
    }

private:
    static constexpr int kColumns[] = { col::tbarang::Kode_Barang, col::tbarang::Nama_Barang,
                                        col::tbarang::Merk, col::tbarang::Satuan };
    RecordSource *m_source;
    std::vector<int> m_all; // every match
    size_t m_shown = 0; // the first of them, listed
};

frmcari::frmcari(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtcari(control<QLineEdit>("txtcari"))
    , DataGrid1(control<QTableView>("DataGrid1"))
    , Label2(control<QLabel>("Label2"))
    , cmdpilih(control<QPushButton>("cmdpilih"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , Adodc1(openRecordSource(app.locations().workingPath(), QStringLiteral("tbarang"), this)
                 .release())
    , m_found(new Found(Adodc1, this))
{
    Label1->setBuddy(txtcari);
    DataGrid1->setModel(m_found);
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DataGrid1->horizontalHeader()->setStretchLastSection(true);
    connect(txtcari, &QLineEdit::textChanged, this,
            [this] { this->app().run([this] { on_txtcari_textChanged(); }); });
    onEnter(txtcari, &frmcari::on_txtcari_returnPressed);
    connect(DataGrid1, &QTableView::activated, this,
            [this] { this->app().run([this] { on_cmdpilih_clicked(); }); });
    onClicked(cmdpilih, &frmcari::on_cmdpilih_clicked);
    onClicked(cmdtutup, &frmcari::on_cmdtutup_clicked);
}

namespace {

// Folds the text from `start` to the end in place: ASCII letters to lower case, and a text with
// any other character as Unicode folds it.
void foldFrom(std::string &text, size_t start)
{
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (uchar(c) >= 0x80) {
            const QString folded
                = QString::fromUtf8(text.data() + start, qsizetype(text.size() - start))
                      .toCaseFolded();
            text.resize(start);
            text += folded.toStdString();
            return;
        }
        if (c >= 'A' && c <= 'Z')
            text[i] = char(c + ('a' - 'A'));
    }
}

// Folds every row of the block (rows end at `ends`): ASCII letters in place in one pass; a
// block with other characters row by row, as foldFrom() folds them.
void foldRows(std::string &block, std::vector<size_t> &ends)
{
    // ASCII letters to lower case in one pass, noting whether anything else was there (folding
    // it again below leaves a lower-case ASCII letter as it is).
    unsigned char high = 0;
    for (char &c : block) {
        const auto u = static_cast<unsigned char>(c);
        high |= u;
        c = static_cast<char>(unsigned(u - 'A') < 26u ? u + ('a' - 'A') : u);
    }
    if (high < 0x80)
        return;
    std::string folded;
    folded.reserve(block.size() + block.size() / 8);
    size_t start = 0;
    for (size_t &end : ends) {
        const size_t from = folded.size();
        folded.append(block, start, end - start);
        foldFrom(folded, from);
        start = end;
        end = folded.size();
    }
    block.swap(folded);
}

} // namespace

std::vector<int> frmcari::search(const QString &text)
{
    const int n = Adodc1->recordCount(); // the whole table
    std::vector<int> rows;
    std::string needle = text.toStdString();
    foldFrom(needle, 0);
    if (needle.empty()) {
        rows.resize(size_t(n));
        std::iota(rows.begin(), rows.end(), 0);
        return rows;
    }
    // Code and name of a few thousand rows at a time in folded case, in one small block that
    // stays in the processor's cache and is used again: one pass over plain bytes per block,
    // nothing kept between searches (so nothing is stale after an edit, and a million goods
    // take no extra memory).
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
    constexpr int kRowsAtOnce = 4096;
    for (int first = 0; first < n; first += kRowsAtOnce) {
        const int last = std::min(n, first + kRowsAtOnce);
        m_block.clear();
        m_rowEnds.clear();
        Adodc1->appendRowsUtf8(first, last, col::tbarang::Kode_Barang, col::tbarang::Nama_Barang,
                               '\x1f', m_block, m_rowEnds);
        foldRows(m_block, m_rowEnds);
        auto from = m_block.cbegin();
        size_t row = 0;
        for (;;) {
            const auto found = std::search(from, m_block.cend(), searcher);
            if (found == m_block.cend())
                break;
            const size_t at = size_t(found - m_block.cbegin());
            row = size_t(std::upper_bound(m_rowEnds.begin() + qsizetype(row), m_rowEnds.end(), at)
                         - m_rowEnds.begin());
            if (at + needle.size() <= m_rowEnds[row]) {
                rows.push_back(first + int(row));
                from = m_block.cbegin() + qsizetype(m_rowEnds[row]); // on with the next row
                ++row;
            } else {
                from = found + 1; // runs into the next row's text: not a match of this row
            }
        }
    }
    return rows;
}

void frmcari::on_txtcari_textChanged()
{
    const QString text = txtcari->text();
    std::vector<int> rows = text.isEmpty() ? std::vector<int>() : search(text);
    const size_t count = rows.size();
    m_found->show(std::move(rows));
    if (count > 0)
        DataGrid1->selectRow(0);
    Label2->setText(text.isEmpty()   ? QString()
                        : count == 0 ? QStringLiteral("Tidak ada barang yang cocok.")
                        : count > size_t(kShown)
                        ? QStringLiteral("%1 barang cocok; %2 yang pertama ditampilkan.")
                              .arg(formatNumber(double(count), 0, true))
                              .arg(kShown)
                        : QStringLiteral("%1 barang cocok.").arg(count));
}

void frmcari::on_txtcari_returnPressed()
{
    on_cmdpilih_clicked();
}

void frmcari::on_cmdpilih_clicked()
{
    const QModelIndex current = DataGrid1->currentIndex();
    if (!current.isValid())
        return;
    const QString code
        = Adodc1->cellText(m_found->sourceRow(current.row()), col::tbarang::Kode_Barang);
    const auto chosen = onChosen;
    unloadMe();
    if (chosen)
        chosen(code);
}

void frmcari::on_cmdtutup_clicked()
{
    unloadMe();
}

void frmcari::openAbove(App &app, Screen &from)
{
    if (qobject_cast<frmcari *>(&from) || app.screens().isLoaded<frmcari>())
        return;
    frmcari &search = app.screens().get<frmcari>();
    QPointer<QLineEdit> target = from.findChild<QLineEdit *>(QStringLiteral("txtkode"));
    if (target && target->isEnabled()) {
        search.onChosen = [target](const QString &code) {
            if (!target)
                return;
            target->setText(code);
            target->setFocus();
        };
    }
    app.screens().showModal(search);
}

} // namespace gudang
