#include "frmkeluar.h"
#include "core/conversions.h"
#include "core/schema.h"
#include "frmeklr.h"
#include "model/recordsource.h"
#include "stock/stockservice.h"
#include "ui/gridview.h"
#include "ui/recordcommands.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmkeluar", .caption = "Input Barang Keluar", .clientWidth = 12465, .clientHeight = 7620, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Frame4", .kind = K::Frame, .text = "INPUT DATA", .left = 240, .top = 600, .width = 4215, .height = 2775, .tabIndex = 13, .flags = Ctl::Bold },
            { .name = "Label5", .kind = K::Label, .text = "Kode Barang", .left = 240, .top = 600, .width = 975, .height = 255, .tabIndex = 18, .parent = "Frame4" },
            { .name = "txtkode", .kind = K::TextField, .text = "", .left = 1800, .top = 480, .width = 1935, .height = 285, .tabIndex = 14, .flags = Ctl::Disabled, .parent = "Frame4" },
            { .name = "Label4", .kind = K::Label, .text = "Tanggal", .left = 240, .top = 1200, .width = 1095, .height = 375, .tabIndex = 17, .parent = "Frame4" },
            { .name = "dt1", .kind = K::DatePicker, .text = "", .left = 1800, .top = 1200, .width = 1935, .height = 375, .tabIndex = 16, .parent = "Frame4" },
            { .name = "Label6", .kind = K::Label, .text = "Jumlah", .left = 240, .top = 2040, .width = 975, .height = 255, .tabIndex = 19, .parent = "Frame4" },
            { .name = "txtjumlah", .kind = K::TextField, .text = "", .left = 1800, .top = 1920, .width = 1935, .height = 285, .tabIndex = 15, .flags = Ctl::Disabled, .parent = "Frame4" },
            { .name = "Frame3", .kind = K::Frame, .text = "BARANG KELUAR", .left = 4560, .top = 360, .width = 6735, .height = 3015, .tabIndex = 11, .flags = Ctl::Bold },
            { .name = "DataGrid1", .kind = K::Grid, .text = "", .left = 2160, .top = 480, .width = 4215, .height = 2295, .tabIndex = 12, .parent = "Frame3" },
            { .name = "Frame1", .kind = K::Frame, .text = "DATA BARANG", .left = 240, .top = 4440, .width = 7095, .height = 2895, .tabIndex = 7, .flags = Ctl::Bold },
            { .name = "DataGrid2", .kind = K::Grid, .text = "", .left = 240, .top = 360, .width = 6735, .height = 2295, .tabIndex = 8, .parent = "Frame1" },
            { .name = "Frame2", .kind = K::Frame, .text = "DATA  STOK BARANG", .left = 7800, .top = 4440, .width = 3855, .height = 2895, .tabIndex = 9, .flags = Ctl::Bold },
            { .name = "DataGrid3", .kind = K::Grid, .text = "", .left = 120, .top = 360, .width = 3375, .height = 2295, .tabIndex = 10, .parent = "Frame2" },
            { .name = "cmdtambah", .kind = K::Button, .text = "&Tambah", .left = 360, .top = 3600, .width = 1335, .height = 495, .tabIndex = 6 },
            { .name = "cmdsimpan", .kind = K::Button, .text = "&Simpan", .left = 2280, .top = 3600, .width = 1335, .height = 495, .tabIndex = 5, .flags = Ctl::Disabled },
            { .name = "cmdedit", .kind = K::Button, .text = "&Edit ", .left = 4200, .top = 3600, .width = 1335, .height = 495, .tabIndex = 4 },
            { .name = "cmdhapus", .kind = K::Button, .text = "&Hapus ", .left = 6120, .top = 3600, .width = 1335, .height = 495, .tabIndex = 2 },
            { .name = "cmdcari", .kind = K::Button, .text = "&Cari", .left = 8040, .top = 3600, .width = 1335, .height = 495, .tabIndex = 3 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 9840, .top = 3600, .width = 1335, .height = 495, .tabIndex = 1 },
            { .name = "Text1", .kind = K::TextField, .text = "", .left = 3600, .top = 5160, .width = 255, .height = 285, .tabIndex = 0, .flags = Ctl::Hidden },
        },
    };
    return form;
}

const QString kKode = QStringLiteral("Kode_Barang");
const QString kPerhatian = QStringLiteral("PERHATIAN");

} // namespace

frmkeluar::frmkeluar(App &app)
    : Screen(app, formTable())
    , Frame4(control<QGroupBox>("Frame4"))
    , Label5(control<QLabel>("Label5"))
    , txtkode(control<QLineEdit>("txtkode"))
    , Label4(control<QLabel>("Label4"))
    , dt1(control<DatePicker>("dt1"))
    , Label6(control<QLabel>("Label6"))
    , txtjumlah(control<QLineEdit>("txtjumlah"))
    , Frame3(control<QGroupBox>("Frame3"))
    , DataGrid1(control<QTableView>("DataGrid1"))
    , Frame1(control<QGroupBox>("Frame1"))
    , DataGrid2(control<QTableView>("DataGrid2"))
    , Frame2(control<QGroupBox>("Frame2"))
    , DataGrid3(control<QTableView>("DataGrid3"))
    , cmdtambah(control<QPushButton>("cmdtambah"))
    , cmdsimpan(control<QPushButton>("cmdsimpan"))
    , cmdedit(control<QPushButton>("cmdedit"))
    , cmdhapus(control<QPushButton>("cmdhapus"))
    , cmdcari(control<QPushButton>("cmdcari"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , Text1(control<QLineEdit>("Text1"))
{
    // An issue is dated today unless the user picks another date.
    dt1->setDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));

    const QString working = app.locations().workingPath();
    adodc1 = openRecordSource(working, QStringLiteral("tbrgkeluar"), this).release();
    adodc1->setObjectName(QStringLiteral("adodc1"));
    adobrg = openRecordSource(working, QStringLiteral("tbarang"), this).release();
    adobrg->setObjectName(QStringLiteral("adobrg"));
    Adostok = openRecordSource(working, QStringLiteral("tstok"), this).release();
    Adostok->setObjectName(QStringLiteral("Adostok"));
    bindGrid(DataGrid1, adodc1);
    bindGrid(DataGrid2, adobrg);
    bindGrid(DataGrid3, Adostok);
    // Text1 follows the goods code of the current goods record.
    auto follow = [this](int row) {
        Text1->setText(row < 0 ? QString() : adobrg->cellText(row, col::tbarang::Kode_Barang));
    };
    connect(adobrg, &RecordSource::currentRowChanged, this, follow);
    follow(adobrg->currentRow());

    onClicked(cmdtambah, &frmkeluar::on_cmdtambah_clicked);
    onEnter(txtkode, &frmkeluar::on_txtkode_returnPressed);
    onEnter(txtjumlah, &frmkeluar::on_txtjumlah_returnPressed);
    onClicked(cmdsimpan, &frmkeluar::on_cmdsimpan_clicked);
    onClicked(cmdedit, &frmkeluar::on_cmdedit_clicked);
    onClicked(cmdcari, &frmkeluar::on_cmdcari_clicked);
    onClicked(cmdhapus, &frmkeluar::on_cmdhapus_clicked);
    // A cashier posts; corrections of what was posted are for the warehouse and the owner.
    for (QPushButton *b : { cmdedit, cmdhapus })
        b->setEnabled(app.may(Right::GoodsOutCorrection));
    onClicked(cmdtutup, &frmkeluar::on_cmdtutup_clicked);
}

RecordSource &frmkeluar::stock()
{
    return app().sharedSource(SharedSource::Stock);
}

void frmkeluar::on_cmdtambah_clicked()
{
    txtkode->setEnabled(true);
    txtkode->setFocus();
    cmdtambah->setEnabled(false);
}

bool frmkeluar::checkCode(bool silentWhenEmpty)
{
    RecordSource &s = stock();
    const QString code = txtkode->text();
    // The stock as stored now: a code another workstation booked since this program read the
    // table is found, one it deleted is not.
    s.findAsStored(kKode, code);
    if (s.recordCount() <= 0 && silentWhenEmpty)
        return false;
    if (s.recordCount() <= 0 || s.eof()) {
        app().dialogs().message(QStringLiteral("Maaf Kode Barang Tidak Terdaftar"),
                                Style::Information, kPerhatian);
        txtkode->setFocus();
        return false;
    }
    if (adobrg->recordCount() > 0) {
        adobrg->moveFirst();
        adobrg->find(kKode, code);
    }
    if (Adostok->recordCount() > 0) {
        Adostok->moveFirst();
        Adostok->find(kKode, code);
    }
    return true;
}

void frmkeluar::on_txtkode_returnPressed()
{
    if (!checkCode(true))
        return;
    dt1->setEnabled(true);
    dt1->setFocus();
    txtjumlah->setEnabled(true);
}

void frmkeluar::on_txtjumlah_returnPressed()
{
    cmdsimpan->setEnabled(true);
    cmdsimpan->setFocus();
}

void frmkeluar::on_cmdsimpan_clicked()
{
    RecordSource &s = stock();
    // The stock is read from the record of the code being posted: when the code was changed
    // after its check, it is checked again first.
    const bool onCode = s.currentRow() >= 0 && !s.field(col::tstok::Kode_Barang).isNull()
        && s.field(col::tstok::Kode_Barang).toText() == txtkode->text();
    if (!onCode) {
        if (!checkCode(false))
            return;
    }
    const Value shownValue = s.field(col::tstok::Jumlah_Stok);
    const double quantity = leadingNumber(txtjumlah->text());
    std::optional<double> confirmedAt; // the stock at which the user said to go on
    for (;;) {
        const PostingResult posted = app().stock().post(
            *adodc1, s,
            { txtkode->text(), dt1->dateTime(), txtjumlah->text(), quantity, confirmedAt, {} });
        // Where the stock stored differs from the one this screen read (another workstation
        // posted meanwhile), the message says so.
        const QString changed = posted.stock == shownValue || !posted.stock.isNumber()
            ? QString()
            : QStringLiteral("\nStok saat ini %1 (sudah diubah sejak layar ini membacanya).")
                  .arg(formatNumber(posted.stock.toNumber()));
        switch (posted.outcome) {
        case PostingResult::NoStockValue:
            return; // a stock without a value compares with nothing
        case PostingResult::CodeGone:
            app().dialogs().message(QStringLiteral("Maaf Kode Barang Tidak Terdaftar"),
                                    Style::Information, kPerhatian);
            txtkode->setFocus();
            return;
        case PostingResult::Short:
            app().dialogs().message(
                QStringLiteral("Stok Barang Kurang Dari Jumlah permintaan Barang") + changed,
                Style::Critical | Style::Information, kPerhatian);
            txtjumlah->setFocus();
            return;
        case PostingResult::NotAQuantity:
            // A quantity of 0 or below against a larger stock posts nothing; the user is told
            // why.
            app().dialogs().message(QStringLiteral("Jumlah barang keluar harus lebih dari 0."),
                                    Style::Information, kPerhatian);
            txtjumlah->setFocus();
            return;
        case PostingResult::AskEqual:
            if (app().dialogs().message(
                    QStringLiteral("Stok Barang Sama Dengan Jumlah permintaan Barang, DITERUSKAN "
                                   "atau TIDAK..???")
                        + changed,
                    Style::YesNo | Style::Information, kPerhatian)
                != Button::Yes)
                return;
            confirmedAt = posted.stock.toNumber();
            continue;
        case PostingResult::Done:
            break;
        }
        if (!posted.notice.isEmpty())
            app().dialogs().message(posted.notice, Style::Information, kPerhatian);
        if (app().dialogs().message(QStringLiteral("Masih ada Input Data Lagi?"),
                                    Style::YesNo | Style::Information, kPerhatian)
            == Button::Yes) {
            if (posted.equal)
                txtkode->setEnabled(true);
            else
                txtkode->setFocus();
            txtkode->setText(QString());
            txtjumlah->setText(QString());
        } else {
            unloadMe();
        }
        return;
    }
}

void frmkeluar::on_cmdedit_clicked()
{
    app().require(Right::GoodsOutCorrection);
    app().screens().showModal(app().screens().get<frmeklr>());
}

void frmkeluar::on_cmdcari_clicked()
{
    m_cari = askAndFind(app().dialogs(), *adodc1, QStringLiteral("No_Keluar"),
                        QStringLiteral("Masukan No keluar Yang Dicari"));
}

void frmkeluar::on_cmdhapus_clicked()
{
    app().require(Right::GoodsOutCorrection);
    // The stock is not given back; the journal records the correction.
    askAndDelete(app().dialogs(), *adodc1,
                 [this](RecordSource &s) { app().stock().deleteGoodsOut(s); });
}

void frmkeluar::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
