#include "frmkeluar.h"
#include "data/recordsource.h"
#include "frmeklr.h"
#include "stock/frmstok.h"
#include "ui/conversions.h"
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
    static const FormTable form {
        "frmkeluar",
        "Input Barang Keluar",
        12465,
        7620,
        QColor(),
        nullptr,
        0,
        false,
        QColor(192, 255, 192),
        {
            { "Frame4", K::Frame, "INPUT DATA", 240, 600, 4215, 2775, 13, 0, Ctl::Bold },
            { "Label5", K::Label, "Kode Barang", 240, 600, 975, 255, 18, 0, 0, "Frame4" },
            { "txtkode", K::TextField, "", 1800, 480, 1935, 285, 14, 0, Ctl::Disabled, "Frame4" },
            { "Label4", K::Label, "Tanggal", 240, 1200, 1095, 375, 17, 0, 0, "Frame4" },
            { "dt1", K::DatePicker, "", 1800, 1200, 1935, 375, 16, 0, 0, "Frame4" },
            { "Label6", K::Label, "Jumlah", 240, 2040, 975, 255, 19, 0, 0, "Frame4" },
            { "txtjumlah", K::TextField, "", 1800, 1920, 1935, 285, 15, 0, Ctl::Disabled,
              "Frame4" },
            { "Frame3", K::Frame, "BARANG KELUAR", 4560, 360, 6735, 3015, 11, 0, Ctl::Bold },
            { "DataGrid1", K::Grid, "", 2160, 480, 4215, 2295, 12, 0, 0, "Frame3" },
            { "Frame1", K::Frame, "DATA BARANG", 240, 4440, 7095, 2895, 7, 0, Ctl::Bold },
            { "DataGrid2", K::Grid, "", 240, 360, 6735, 2295, 8, 0, 0, "Frame1" },
            { "Frame2", K::Frame, "DATA  STOK BARANG", 7800, 4440, 3855, 2895, 9, 0, Ctl::Bold },
            { "DataGrid3", K::Grid, "", 120, 360, 3375, 2295, 10, 0, 0, "Frame2" },
            { "cmdtambah", K::Button, "&Tambah", 360, 3600, 1335, 495, 6 },
            { "cmdsimpan", K::Button, "&Simpan", 2280, 3600, 1335, 495, 5, 0, Ctl::Disabled },
            { "cmdedit", K::Button, "&Edit ", 4200, 3600, 1335, 495, 4 },
            { "cmdhapus", K::Button, "&Hapus ", 6120, 3600, 1335, 495, 2 },
            { "cmdcari", K::Button, "&Cari", 8040, 3600, 1335, 495, 3 },
            { "cmdtutup", K::Button, "T&utup", 9840, 3600, 1335, 495, 1 },
            { "Text1", K::TextField, "", 3600, 5160, 255, 285, 0, 0, Ctl::Hidden },
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
        Text1->setText(row < 0 ? QString() : adobrg->cellText(row, 0));
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
    onClicked(cmdtutup, &frmkeluar::on_cmdtutup_clicked);
}

RecordSource &frmkeluar::stock()
{
    return *app().screens().get<frmstok>().Adodc1;
}

void frmkeluar::on_cmdtambah_clicked()
{
    txtkode->setEnabled(true);
    txtkode->setFocus();
    cmdtambah->setEnabled(false);
}

bool frmkeluar::checkCode()
{
    RecordSource &s = stock();
    const QString code = txtkode->text();
    if (s.recordCount() > 0) {
        s.moveFirst();
        s.find(kKode, code);
    }
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
    if (stock().recordCount() <= 0)
        return;
    if (!checkCode())
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

bool frmkeluar::post(double remainder)
{
    RecordSource &s = stock();
    auto transaction = adodc1->beginTransaction();
    adodc1->addNew();
    adodc1->setField(1, txtkode->text());
    adodc1->setField(2, dt1->dateTime());
    adodc1->setField(3, txtjumlah->text());
    adodc1->update();
    s.find(kKode, txtkode->text());
    if (s.eof()) {
        transaction->commit();
        return false;
    }
    s.setField(1, remainder);
    s.update();
    transaction->commit();
    return true;
}

void frmkeluar::on_cmdsimpan_clicked()
{
    RecordSource &s = stock();
    // The stock is read from the record of the code being posted: when the code was changed
    // after its check, it is checked again first.
    const bool onCode
        = s.currentRow() >= 0 && !s.field(0).isNull() && s.field(0).toText() == txtkode->text();
    if (!onCode) {
        if (!checkCode())
            return;
    }
    const Value stockValue = s.field(1);
    const double quantity = leadingNumber(txtjumlah->text());
    if (stockValue.isNull())
        return; // a stock without a value compares with nothing
    const double stockNow = stockValue.toNumber();
    const double remainder = stockNow - quantity;

    if (stockNow < quantity) {
        app().dialogs().message(QStringLiteral("Stok Barang Kurang Dari Jumlah permintaan Barang"),
                                Style::Critical | Style::Information, kPerhatian);
        txtjumlah->setFocus();
        return;
    }
    if (stockNow == quantity) {
        if (app().dialogs().message(
                QStringLiteral(
                    "Stok Barang Sama Dengan Jumlah permintaan Barang, DITERUSKAN atau TIDAK..???"),
                Style::YesNo | Style::Information, kPerhatian)
            != Button::Yes)
            return;
        if (!post(remainder)) {
            txtkode->setText(QString());
            txtjumlah->setText(QString());
            return;
        }
        if (app().dialogs().message(QStringLiteral("Masih ada Input Data Lagi?"),
                                    Style::YesNo | Style::Information, kPerhatian)
            == Button::Yes) {
            txtkode->setEnabled(true);
            txtkode->setText(QString());
            txtjumlah->setText(QString());
        } else {
            unloadMe();
        }
        return;
    }
    if (stockNow > remainder) {
        if (!post(remainder))
            return;
        if (app().dialogs().message(QStringLiteral("Masih ada Input Data Lagi?"),
                                    Style::YesNo | Style::Information, kPerhatian)
            == Button::Yes) {
            txtkode->setFocus();
            txtkode->setText(QString());
            txtjumlah->setText(QString());
        } else {
            unloadMe();
        }
        return;
    }
    // A quantity of 0 or below against a larger stock posts nothing; the user is told why.
    app().dialogs().message(QStringLiteral("Jumlah barang keluar harus lebih dari 0."),
                            Style::Information, kPerhatian);
    txtjumlah->setFocus();
}

void frmkeluar::on_cmdedit_clicked()
{
    app().screens().showModal(app().screens().get<frmeklr>());
}

void frmkeluar::on_cmdcari_clicked()
{
    m_cari = askAndFind(app().dialogs(), *adodc1, QStringLiteral("No_Keluar"),
                        QStringLiteral("Masukan No keluar Yang Dicari"));
}

void frmkeluar::on_cmdhapus_clicked()
{
    askAndDelete(app().dialogs(), *adodc1); // the stock is not given back
}

void frmkeluar::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
