#include "frmopname.h"
#include "core/apperror.h"
#include "core/conversions.h"
#include "core/value.h"
#include "ui/gridview.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmopname", .caption = "Stok Opname", .clientWidth = 10980, .clientHeight = 7440, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Frame1", .kind = K::Frame, .text = "HITUNGAN", .left = 240, .top = 120, .width = 10500, .height = 1095, .tabIndex = 13, .flags = Ctl::Bold },
            { .name = "lblhitungan", .kind = K::Label, .text = "", .left = 240, .top = 360, .width = 5535, .height = 615, .tabIndex = 14, .parent = "Frame1" },
            { .name = "Label1", .kind = K::Label, .text = "&Saring", .left = 5880, .top = 420, .width = 735, .height = 255, .tabIndex = 15, .parent = "Frame1" },
            { .name = "txtsaring", .kind = K::TextField, .text = "", .left = 6720, .top = 360, .width = 1935, .height = 315, .tabIndex = 6, .maxLength = 50, .parent = "Frame1" },
            { .name = "cmdmulai", .kind = K::Button, .text = "&Mulai Baru", .left = 8760, .top = 330, .width = 1575, .height = 375, .tabIndex = 7, .parent = "Frame1" },
            { .name = "Label2", .kind = K::Label, .text = "&Jumlah", .left = 240, .top = 1440, .width = 735, .height = 255, .tabIndex = 16 },
            { .name = "txtjumlah", .kind = K::TextField, .text = "1", .left = 1080, .top = 1380, .width = 855, .height = 315, .tabIndex = 1, .maxLength = 10 },
            { .name = "Label3", .kind = K::Label, .text = "&Kode", .left = 2160, .top = 1440, .width = 615, .height = 255, .tabIndex = 17 },
            { .name = "txtkode", .kind = K::TextField, .text = "", .left = 2880, .top = 1380, .width = 1935, .height = 315, .tabIndex = 0, .maxLength = 10 },
            { .name = "lblpesan", .kind = K::Label, .text = "", .left = 5040, .top = 1440, .width = 5700, .height = 255, .tabIndex = 18 },
            { .name = "Frame2", .kind = K::Frame, .text = "SUDAH DIHITUNG", .left = 240, .top = 1920, .width = 6975, .height = 4575, .tabIndex = 19, .flags = Ctl::Bold },
            { .name = "DataGrid1", .kind = K::Grid, .text = "", .left = 120, .top = 300, .width = 6735, .height = 4155, .tabIndex = 2, .parent = "Frame2" },
            { .name = "Frame3", .kind = K::Frame, .text = "BELUM DIHITUNG", .left = 7320, .top = 1920, .width = 3420, .height = 2895, .tabIndex = 20, .flags = Ctl::Bold },
            { .name = "DataGrid2", .kind = K::Grid, .text = "", .left = 120, .top = 300, .width = 3180, .height = 2475, .tabIndex = 3, .parent = "Frame3" },
            { .name = "Frame4", .kind = K::Frame, .text = "TIDAK DIKENAL", .left = 7320, .top = 4920, .width = 3420, .height = 1575, .tabIndex = 21, .flags = Ctl::Bold },
            { .name = "DataGrid3", .kind = K::Grid, .text = "", .left = 120, .top = 300, .width = 3180, .height = 1155, .tabIndex = 11, .parent = "Frame4" },
            { .name = "cmdterapkan", .kind = K::Button, .text = "&Terapkan", .left = 240, .top = 6720, .width = 1815, .height = 495, .tabIndex = 4 },
            { .name = "cmdlembar", .kind = K::Button, .text = "&Lembar Hitung", .left = 2280, .top = 6720, .width = 1815, .height = 495, .tabIndex = 8 },
            { .name = "cmdselisih", .kind = K::Button, .text = "Laporan Se&lisih", .left = 4320, .top = 6720, .width = 1815, .height = 495, .tabIndex = 9 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 8880, .top = 6720, .width = 1815, .height = 495, .tabIndex = 10 },
        },
    };
    return form;
}

enum CountedColumn { Kode, Nama, Dihitung, StokAwal, Gerakan, Selisih };

QStandardItem *numberItem(double v)
{
    auto *item = new QStandardItem(formatNumber(v));
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

int rowOf(const QStandardItemModel &model, const QString &code)
{
    const QList<QStandardItem *> found = model.findItems(code, Qt::MatchExactly, Kode);
    return found.isEmpty() ? -1 : found.first()->row();
}

// One line a row, every column as wide as its widest text, what is left of the grid's width
// to the names (`nameColumn`, or none).
void fitColumns(GridView *grid, int nameColumn)
{
    grid->setWordWrap(false);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    QHeaderView *h = grid->horizontalHeader();
    h->setStretchLastSection(false);
    grid->resizeColumnsToContents();
    if (nameColumn < 0)
        return;
    int used = 0;
    for (int c = 0; c < h->count(); ++c)
        used += h->sectionSize(c);
    const int room = grid->viewport()->width() - 2;
    if (used < room)
        h->resizeSection(nameColumn, h->sectionSize(nameColumn) + room - used);
}

// Widens the columns of `row` whose new text would not fit whole (a scan adds one line: the
// grid is not measured again whole).
void widenFor(GridView *grid, const QStandardItemModel &model, int row)
{
    QHeaderView *h = grid->horizontalHeader();
    const int margin
        = 2 * grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 8;
    for (int c = 0; c < model.columnCount(); ++c) {
        const int wanted
            = grid->fontMetrics().horizontalAdvance(model.index(row, c).data().toString()) + margin;
        if (wanted > h->sectionSize(c))
            h->resizeSection(c, wanted);
    }
}

} // namespace

frmopname::frmopname(App &app)
    : Screen(app, formTable())
    , Frame1(control<QGroupBox>("Frame1"))
    , lblhitungan(control<QLabel>("lblhitungan"))
    , Label1(control<QLabel>("Label1"))
    , txtsaring(control<QLineEdit>("txtsaring"))
    , cmdmulai(control<QPushButton>("cmdmulai"))
    , Label2(control<QLabel>("Label2"))
    , txtjumlah(control<QLineEdit>("txtjumlah"))
    , Label3(control<QLabel>("Label3"))
    , txtkode(control<QLineEdit>("txtkode"))
    , lblpesan(control<QLabel>("lblpesan"))
    , Frame2(control<QGroupBox>("Frame2"))
    , DataGrid1(control<GridView>("DataGrid1"))
    , Frame3(control<QGroupBox>("Frame3"))
    , DataGrid2(control<GridView>("DataGrid2"))
    , Frame4(control<QGroupBox>("Frame4"))
    , DataGrid3(control<GridView>("DataGrid3"))
    , cmdterapkan(control<QPushButton>("cmdterapkan"))
    , cmdlembar(control<QPushButton>("cmdlembar"))
    , cmdselisih(control<QPushButton>("cmdselisih"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , m_counted(new QStandardItemModel(this))
    , m_open(new QStandardItemModel(this))
    , m_unknown(new QStandardItemModel(this))
{
    app.require(Right::Stock);
    Label1->setBuddy(txtsaring);
    Label2->setBuddy(txtjumlah);
    Label3->setBuddy(txtkode);
    lblhitungan->setWordWrap(true);
    DataGrid1->setAccessibleName(QStringLiteral("Sudah dihitung"));
    DataGrid2->setAccessibleName(QStringLiteral("Belum dihitung"));
    DataGrid3->setAccessibleName(QStringLiteral("Tidak dikenal"));
    m_counted->setHorizontalHeaderLabels({ QStringLiteral("Kode"), QStringLiteral("Nama"),
                                           QStringLiteral("Dihitung"), QStringLiteral("Stok awal"),
                                           QStringLiteral("Gerakan"), QStringLiteral("Selisih") });
    m_open->setHorizontalHeaderLabels(
        { QStringLiteral("Kode"), QStringLiteral("Nama"), QStringLiteral("Stok awal") });
    m_unknown->setHorizontalHeaderLabels({ QStringLiteral("Kode"), QStringLiteral("Kali") });
    DataGrid1->showList(m_counted);
    DataGrid2->showList(m_open);
    DataGrid3->showList(m_unknown);
    onClicked(cmdmulai, &frmopname::on_cmdmulai_clicked);
    onEnter(txtsaring, &frmopname::on_txtsaring_returnPressed);
    onEnter(txtjumlah, &frmopname::on_txtjumlah_returnPressed);
    onEnter(txtkode, &frmopname::on_txtkode_returnPressed);
    onClicked(cmdterapkan, &frmopname::on_cmdterapkan_clicked);
    onClicked(cmdlembar, &frmopname::on_cmdlembar_clicked);
    onClicked(cmdselisih, &frmopname::on_cmdselisih_clicked);
    onClicked(cmdtutup, &frmopname::on_cmdtutup_clicked);
    // The newest count, draft or applied: a count goes on where it was left.
    if (const std::optional<CountInfo> latest = app.counts().latest())
        show(*latest);
    else
        show(CountInfo {});
}

void frmopname::show(const CountInfo &count)
{
    // The codes not recognised stay listed while their count is being counted.
    if (!m_count || m_count->id != count.id || count.applied)
        m_unknown->removeRows(0, m_unknown->rowCount());
    m_count.reset();
    if (count.id > 0)
        m_count = count;
    m_counted->removeRows(0, m_counted->rowCount());
    m_open->removeRows(0, m_open->rowCount());
    if (!m_count) {
        lblhitungan->setText(QStringLiteral("Belum ada hitungan. Isi Saring (kosong: semua barang) "
                                            "lalu klik Mulai Baru."));
    } else {
        QString said = QStringLiteral("Hitungan no. %1, dimulai %2 oleh %3")
                           .arg(count.id)
                           .arg(count.made.toString(QStringLiteral("dd/MM/yyyy HH:mm")), count.by);
        if (!count.filter.isEmpty())
            said += QStringLiteral(", barang \"%1\"").arg(count.filter);
        said += count.applied
            ? QStringLiteral(". Sudah diterapkan %1 oleh %2; tidak dapat diubah.")
                  .arg(count.appliedAt.toString(QStringLiteral("dd/MM/yyyy HH:mm")),
                       count.appliedBy)
            : QStringLiteral(". Pindai atau ketik kode barang.");
        lblhitungan->setText(said);
        for (const CountLine &line : app().counts().lines(count.id))
            showLine(line);
    }
    const bool open = m_count && !m_count->applied;
    for (QWidget *w : { static_cast<QWidget *>(txtkode), static_cast<QWidget *>(txtjumlah),
                        static_cast<QWidget *>(cmdterapkan) })
        w->setEnabled(open);
    cmdlembar->setEnabled(m_count.has_value());
    cmdselisih->setEnabled(m_count.has_value());
    fitColumns(DataGrid1, Nama);
    fitColumns(DataGrid2, Nama);
    fitColumns(DataGrid3, -1);
    if (open)
        txtkode->setFocus();
    else
        txtsaring->setFocus();
}

void frmopname::showLine(const CountLine &line)
{
    if (!line.counted) {
        m_open->appendRow({ new QStandardItem(line.code), new QStandardItem(line.name),
                            numberItem(line.atStart) });
        return;
    }
    if (const int open = rowOf(*m_open, line.code); open >= 0)
        m_open->removeRow(open);
    QList<QStandardItem *> row { new QStandardItem(line.code), new QStandardItem(line.name),
                                 numberItem(*line.counted),    numberItem(line.atStart),
                                 numberItem(line.movedSince),  numberItem(line.difference()) };
    int at = rowOf(*m_counted, line.code);
    if (at < 0) {
        at = m_counted->rowCount();
        m_counted->appendRow(row);
    } else {
        for (int c = 0; c < row.size(); ++c)
            m_counted->setItem(at, c, row[c]);
    }
    widenFor(DataGrid1, *m_counted, at);
    DataGrid1->scrollTo(m_counted->index(at, Kode));
}

void frmopname::say(const QString &text, bool refused)
{
    lblpesan->setText(text);
    lblpesan->setStyleSheet(refused ? QStringLiteral("color: #b00000; font-weight: bold")
                                    : QString());
    if (refused)
        QApplication::beep();
}

void frmopname::on_cmdmulai_clicked()
{
    if (m_count && !m_count->applied && m_counted->rowCount() > 0
        && app().dialogs().message(QStringLiteral("Hitungan no. %1 belum diterapkan. Mulai "
                                                  "hitungan baru? Hitungan no. %1 tetap tersimpan.")
                                       .arg(m_count->id),
                                   Style::YesNo | Style::Information | Style::DefaultSecond,
                                   QStringLiteral("PERHATIAN"))
            != Button::Yes)
        return;
    const CountInfo started = app().counts().start(txtsaring->text());
    say(QString(), false);
    show(started);
}

void frmopname::on_txtsaring_returnPressed()
{
    cmdmulai->setFocus();
}

void frmopname::on_txtjumlah_returnPressed()
{
    txtkode->setFocus();
}

void frmopname::on_txtkode_returnPressed()
{
    const QString code = txtkode->text().trimmed();
    txtkode->clear();
    txtkode->setFocus();
    if (code.isEmpty() || !m_count || m_count->applied)
        return;
    const QString typed = txtjumlah->text().trimmed();
    const double quantity = typed.isEmpty() ? 1 : leadingNumber(typed);
    if (!(quantity > 0) || quantity > 1e9) {
        say(QStringLiteral("Jumlah \"%1\" tidak terbaca; kode %2 tidak dihitung.")
                .arg(typed.left(20), code),
            true);
        return;
    }
    const CountService::Scan scanned = app().counts().scan(m_count->id, code, quantity);
    switch (scanned.outcome) {
    case CountService::Scanned::NotInCount: {
        say(QStringLiteral("Kode %1 tidak ada dalam hitungan ini.").arg(code), true);
        // Listed with how often it was scanned: the next scan overwrites the line above.
        int at = rowOf(*m_unknown, code);
        if (at < 0) {
            at = m_unknown->rowCount();
            m_unknown->appendRow({ new QStandardItem(code), numberItem(0) });
        }
        const int times = m_unknown->item(at, 1)->text().toInt() + 1;
        m_unknown->setItem(at, 1, numberItem(times));
        widenFor(DataGrid3, *m_unknown, at);
        DataGrid3->scrollTo(m_unknown->index(at, 0));
        return;
    }
    case CountService::Scanned::Applied:
        if (const auto now = app().counts().info(m_count->id))
            show(*now);
        say(QStringLiteral("Hitungan ini sudah diterapkan; kode %1 tidak dihitung.").arg(code),
            true);
        return;
    case CountService::Scanned::Counted:
        break;
    }
    showLine(scanned.line);
    txtjumlah->setText(QStringLiteral("1"));
    say(QStringLiteral("%1 %2: %3")
            .arg(code, scanned.line.name, formatNumber(*scanned.line.counted)),
        false);
}

void frmopname::on_cmdterapkan_clicked()
{
    if (!m_count || m_count->applied)
        return;
    if (app().dialogs().message(
            QStringLiteral("Terapkan hitungan no. %1? Stok %2 kode barang yang sudah dihitung "
                           "menjadi hitungannya ditambah gerakan sejak hitungan dimulai; %3 kode "
                           "yang belum dihitung tidak diubah.")
                .arg(m_count->id)
                .arg(m_counted->rowCount())
                .arg(m_open->rowCount()),
            Style::YesNo | Style::Information | Style::DefaultSecond, QStringLiteral("PERHATIAN"))
        != Button::Yes)
        return;
    const int changed = app().counts().apply(m_count->id);
    app().dialogs().message(
        QStringLiteral("Hitungan no. %1 diterapkan: stok %2 kode barang diubah.")
            .arg(m_count->id)
            .arg(changed),
        Style::Information);
    if (const auto now = app().counts().info(m_count->id))
        show(*now);
}

void frmopname::on_cmdlembar_clicked()
{
    if (m_count && app().openReport)
        app().openReport(*this, QStringLiteral("lembar-opname"),
                         { { QStringLiteral("id"), QString::number(m_count->id) } });
}

void frmopname::on_cmdselisih_clicked()
{
    if (m_count && app().openReport)
        app().openReport(*this, QStringLiteral("opname"),
                         { { QStringLiteral("id"), QString::number(m_count->id) } });
}

void frmopname::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
