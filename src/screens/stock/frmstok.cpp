#include "frmstok.h"
#include "core/apperror.h"
#include "core/conversions.h"
#include "core/schema.h"
#include "frmestok.h"
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
    const QColor green(192, 255, 192);
    const QColor cyan(128, 255, 255);
    static const FormTable form { .name = "frmstok", .caption = "Input Stok Barang", .clientWidth = 8385, .clientHeight = 8655, .buttonColour = QColor(192, 192, 192), .controls = {
            { .name = "Frame1", .kind = K::Frame, .text = "INPUT STOK BARANG", .left = 120, .top = 240, .width = 8055, .height = 3855, .tabIndex = 0, .flags = Ctl::Bold, .parent = nullptr, .colour = green },
            { .name = "Label1", .kind = K::Label, .text = "Kode Barang", .left = 360, .top = 720, .width = 1095, .height = 255, .tabIndex = 5, .parent = "Frame1" },
            { .name = "txtkode", .kind = K::TextField, .text = "", .left = 2040, .top = 720, .width = 1575, .height = 285, .tabIndex = 2, .maxLength = 10, .flags = Ctl::Disabled, .parent = "Frame1" },
            { .name = "Label2", .kind = K::Label, .text = "Jumlah Stok", .left = 360, .top = 1200, .width = 1095, .height = 255, .tabIndex = 6, .parent = "Frame1" },
            { .name = "txtstok", .kind = K::TextField, .text = "", .left = 2040, .top = 1200, .width = 975, .height = 285, .tabIndex = 3, .maxLength = 10, .flags = Ctl::Disabled, .parent = "Frame1" },
            { .name = "Label3", .kind = K::Label, .text = "Stok Minimum", .left = 360, .top = 1680, .width = 1095, .height = 255, .tabIndex = 7, .parent = "Frame1" },
            { .name = "txtmin", .kind = K::TextField, .text = "", .left = 2040, .top = 1680, .width = 975, .height = 285, .tabIndex = 4, .maxLength = 10, .flags = Ctl::Disabled, .parent = "Frame1" },
            { .name = "DataGrid1", .kind = K::Grid, .text = "", .left = 3840, .top = 480, .width = 3255, .height = 2295, .tabIndex = 1, .parent = "Frame1" },
            { .name = "cmdtambah", .kind = K::Button, .text = "&Tambah", .left = 360, .top = 3240, .width = 975, .height = 375, .tabIndex = 8, .parent = "Frame1" },
            { .name = "cmdsimpan", .kind = K::Button, .text = "&Simpan", .left = 1560, .top = 3240, .width = 855, .height = 375, .tabIndex = 9, .flags = Ctl::Disabled, .parent = "Frame1" },
            { .name = "cmdedit", .kind = K::Button, .text = "&Edit", .left = 2760, .top = 3240, .width = 975, .height = 375, .tabIndex = 10, .parent = "Frame1" },
            { .name = "cmdcari", .kind = K::Button, .text = "&Cari", .left = 4080, .top = 3240, .width = 975, .height = 375, .tabIndex = 12, .parent = "Frame1" },
            { .name = "cmdhapus", .kind = K::Button, .text = "&Hapus", .left = 5280, .top = 3240, .width = 975, .height = 375, .tabIndex = 11, .parent = "Frame1" },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 6480, .top = 3240, .width = 975, .height = 375, .tabIndex = 13, .parent = "Frame1" },
            { .name = "Frame2", .kind = K::Frame, .text = "DATA BARANG TERDAFTAR", .left = 240, .top = 4440, .width = 7935, .height = 3855, .tabIndex = 14, .flags = Ctl::Bold, .parent = nullptr, .colour = cyan },
            { .name = "DataGrid2", .kind = K::Grid, .text = "", .left = 360, .top = 840, .width = 6855, .height = 2175, .tabIndex = 15, .parent = "Frame2" },
        },
    };
    return form;
}

const QString kKode = QStringLiteral("Kode_Barang");
const QString kPerhatian = QStringLiteral("PERHATIAN");

} // namespace

frmstok::frmstok(App &app)
    : Screen(app, formTable())
    , Frame1(control<QGroupBox>("Frame1"))
    , Label1(control<QLabel>("Label1"))
    , txtkode(control<QLineEdit>("txtkode"))
    , Label2(control<QLabel>("Label2"))
    , txtstok(control<QLineEdit>("txtstok"))
    , Label3(control<QLabel>("Label3"))
    , txtmin(control<QLineEdit>("txtmin"))
    , DataGrid1(control<QTableView>("DataGrid1"))
    , cmdtambah(control<QPushButton>("cmdtambah"))
    , cmdsimpan(control<QPushButton>("cmdsimpan"))
    , cmdedit(control<QPushButton>("cmdedit"))
    , cmdcari(control<QPushButton>("cmdcari"))
    , cmdhapus(control<QPushButton>("cmdhapus"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , Frame2(control<QGroupBox>("Frame2"))
    , DataGrid2(control<QTableView>("DataGrid2"))
{
    const QString working = app.locations().workingPath();
    Adodc1 = openRecordSource(working, QStringLiteral("tstok"), this).release();
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    Adodc2 = openRecordSource(working, QStringLiteral("tbarang"), this).release();
    Adodc2->setObjectName(QStringLiteral("Adodc2"));
    bindGrid(DataGrid1, Adodc1);
    bindGrid(DataGrid2, Adodc2);
    onClicked(cmdtambah, &frmstok::on_cmdtambah_clicked);
    onEnter(txtkode, &frmstok::on_txtkode_returnPressed);
    onEnter(txtstok, &frmstok::on_txtstok_returnPressed);
    onEnter(txtmin, &frmstok::on_txtmin_returnPressed);
    onClicked(cmdsimpan, &frmstok::on_cmdsimpan_clicked);
    onClicked(cmdedit, &frmstok::on_cmdedit_clicked);
    onClicked(cmdcari, &frmstok::on_cmdcari_clicked);
    onClicked(cmdhapus, &frmstok::on_cmdhapus_clicked);
    onClicked(cmdtutup, &frmstok::on_cmdtutup_clicked);
}

void frmstok::clearFields()
{
    txtkode->setText(QString());
    txtstok->setText(QString());
    txtmin->setText(QString());
}

void frmstok::on_cmdtambah_clicked()
{
    txtkode->setEnabled(true);
    txtkode->setFocus();
    cmdtambah->setEnabled(false);
}

bool frmstok::codeRegistered(bool silentWhenNoGoods)
{
    const QString code = txtkode->text();
    if (code.isEmpty()) {
        app().dialogs().message(QStringLiteral("Data Harus Diisi"), Style::Information);
        txtkode->setFocus();
        return false;
    }
    // The goods as stored now: goods another workstation registered since this program read
    // the table are found.
    RecordSource &goods = app().sharedSource(SharedSource::Goods);
    goods.findAsStored(kKode, code);
    if (goods.recordCount() <= 0 && silentWhenNoGoods)
        return false;
    if (goods.recordCount() <= 0 || goods.eof()) {
        app().dialogs().message(QStringLiteral("Kode Tersebut Tidak ada"), Style::Ok);
        txtkode->setFocus();
        return false;
    }
    return true;
}

void frmstok::on_txtkode_returnPressed()
{
    if (!codeRegistered(true))
        return;
    const QString code = txtkode->text();
    if (Adodc1->recordCount() > 0) {
        Adodc1->moveFirst();
        Adodc1->find(kKode, code);
        if (!Adodc1->eof())
            txtmin->setText(Adodc1->field(col::tstok::Stok_Minimum)
                                .toDisplay()); // a minimum without a value shows empty
    }
    Adodc2->moveFirst();
    Adodc2->find(kKode, code);
    txtstok->setEnabled(true);
    txtstok->setFocus();
}

void frmstok::on_txtstok_returnPressed()
{
    txtmin->setEnabled(true);
    txtmin->setFocus();
}

void frmstok::on_txtmin_returnPressed()
{
    cmdsimpan->setEnabled(true);
    cmdsimpan->setFocus();
}

void frmstok::on_cmdsimpan_clicked()
{
    // The code is tested again, so that no stock record is made for an unregistered code.
    if (!codeRegistered(false))
        return;
    const QString code = txtkode->text();
    const double entered = leadingNumber(txtstok->text());
    const double minimum = leadingNumber(txtmin->text());
    // The booking adds to the stock as stored now, held until the commit: a posting or a
    // booking on another workstation meanwhile is not overwritten. A stock table that was
    // empty takes its first record without a question.
    const bool empty = Adodc1->recordCount() <= 0;
    const StockService::Booking booked = app().stock().book(*Adodc1, code, entered, minimum);
    if (!empty && booked == StockService::Booking::NewRecord) {
        if (app().dialogs().message(QStringLiteral("Masih ada Input Data lagi ?"),
                                    Style::YesNo | Style::Information, kPerhatian)
            == Button::Yes) {
            txtkode->setEnabled(true);
            txtkode->setFocus();
            clearFields();
        } else {
            clearFields();
            cmdtutup->setFocus();
            return;
        }
    } else {
        clearFields();
    }
    const bool hadFocus = focusWidget() == cmdsimpan;
    cmdsimpan->setEnabled(false);
    cmdtambah->setEnabled(true);
    if (hadFocus)
        cmdtambah->setFocus(); // the next booking starts there
}

void frmstok::on_cmdedit_clicked()
{
    app().screens().showModal(app().screens().get<frmestok>());
}

void frmstok::on_cmdcari_clicked()
{
    m_cari = askAndFind(app().dialogs(), *Adodc1, kKode,
                        QStringLiteral("Masukan Kode Barang Yang Dicari"));
}

void frmstok::on_cmdhapus_clicked()
{
    askAndDelete(app().dialogs(), *Adodc1,
                 [this](RecordSource &s) { app().stock().deleteStock(s); });
}

void frmstok::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
