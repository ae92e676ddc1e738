#include "frmbrg.h"
#include "core/schema.h"
#include "frmeditbrg.h"
#include "model/recordsource.h"
#include "ui/gridview.h"
#include "ui/recordcommands.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmbrg", .caption = "Input Barang", .clientWidth = 7800, .clientHeight = 6660, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "Kode Barang", .left = 2160, .top = 240, .width = 1095, .height = 255, .tabIndex = 1 },
            { .name = "txtkode", .kind = K::TextField, .text = "", .left = 3840, .top = 240, .width = 1575, .height = 285, .tabIndex = 0, .maxLength = 10, .flags = Ctl::Disabled },
            { .name = "Label2", .kind = K::Label, .text = "Nama Barang", .left = 2160, .top = 720, .width = 1095, .height = 255, .tabIndex = 3 },
            { .name = "txtnama", .kind = K::TextField, .text = "", .left = 3840, .top = 720, .width = 1935, .height = 285, .tabIndex = 2, .maxLength = 20, .flags = Ctl::Disabled },
            { .name = "Label3", .kind = K::Label, .text = "Merk", .left = 2160, .top = 1200, .width = 1095, .height = 255, .tabIndex = 4 },
            { .name = "txtmerk", .kind = K::TextField, .text = "", .left = 3840, .top = 1200, .width = 1575, .height = 285, .tabIndex = 16 },
            { .name = "Label4", .kind = K::Label, .text = "Supplier", .left = 2160, .top = 1680, .width = 1095, .height = 255, .tabIndex = 6 },
            { .name = "txtsup", .kind = K::TextField, .text = "", .left = 3840, .top = 1680, .width = 1575, .height = 285, .tabIndex = 5, .maxLength = 20, .flags = Ctl::Disabled },
            { .name = "Label5", .kind = K::Label, .text = "Satuan", .left = 2160, .top = 2160, .width = 1095, .height = 255, .tabIndex = 8 },
            { .name = "txtsatuan", .kind = K::TextField, .text = "", .left = 3840, .top = 2160, .width = 1575, .height = 285, .tabIndex = 7, .maxLength = 10, .flags = Ctl::Disabled },
            { .name = "DataGrid1", .kind = K::Grid, .text = "", .left = 360, .top = 2760, .width = 7095, .height = 2175, .tabIndex = 9 },
            { .name = "cmdtambah", .kind = K::Button, .text = "&Tambah", .left = 120, .top = 5280, .width = 975, .height = 375, .tabIndex = 10 },
            { .name = "cmdsimpan", .kind = K::Button, .text = "&Simpan", .left = 1320, .top = 5280, .width = 975, .height = 375, .tabIndex = 11, .flags = Ctl::Disabled },
            { .name = "cmdedit", .kind = K::Button, .text = "&Edit", .left = 2520, .top = 5280, .width = 1095, .height = 375, .tabIndex = 12 },
            { .name = "cmdhapus", .kind = K::Button, .text = "&Hapus", .left = 3840, .top = 5280, .width = 1095, .height = 375, .tabIndex = 13 },
            { .name = "cmdcari", .kind = K::Button, .text = "&Cari", .left = 5160, .top = 5280, .width = 1095, .height = 375, .tabIndex = 14 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 6480, .top = 5280, .width = 1095, .height = 375, .tabIndex = 15 },
        },
    };
    return form;
}

const QString kKode = QStringLiteral("Kode_Barang");
const QString kPerhatian = QStringLiteral("PERHATIAN");

} // namespace

frmbrg::frmbrg(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtkode(control<QLineEdit>("txtkode"))
    , Label2(control<QLabel>("Label2"))
    , txtnama(control<QLineEdit>("txtnama"))
    , Label3(control<QLabel>("Label3"))
    , txtmerk(control<QLineEdit>("txtmerk"))
    , Label4(control<QLabel>("Label4"))
    , txtsup(control<QLineEdit>("txtsup"))
    , Label5(control<QLabel>("Label5"))
    , txtsatuan(control<QLineEdit>("txtsatuan"))
    , DataGrid1(control<QTableView>("DataGrid1"))
    , cmdtambah(control<QPushButton>("cmdtambah"))
    , cmdsimpan(control<QPushButton>("cmdsimpan"))
    , cmdedit(control<QPushButton>("cmdedit"))
    , cmdhapus(control<QPushButton>("cmdhapus"))
    , cmdcari(control<QPushButton>("cmdcari"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
{
    Adodc1 = openRecordSource(app.locations().workingPath(), QStringLiteral("tbarang"), this)
                 .release();
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    bindGrid(DataGrid1, Adodc1);
    onClicked(cmdtambah, &frmbrg::on_cmdtambah_clicked);
    onEnter(txtkode, &frmbrg::on_txtkode_returnPressed);
    onEnter(txtnama, &frmbrg::on_txtnama_returnPressed);
    onEnter(txtmerk, &frmbrg::on_txtmerk_returnPressed);
    onEnter(txtsup, &frmbrg::on_txtsup_returnPressed);
    onEnter(txtsatuan, &frmbrg::on_txtsatuan_returnPressed);
    onClicked(cmdsimpan, &frmbrg::on_cmdsimpan_clicked);
    onClicked(cmdedit, &frmbrg::on_cmdedit_clicked);
    onClicked(cmdhapus, &frmbrg::on_cmdhapus_clicked);
    onClicked(cmdcari, &frmbrg::on_cmdcari_clicked);
    onClicked(cmdtutup, &frmbrg::on_cmdtutup_clicked);
}

void frmbrg::on_cmdtambah_clicked()
{
    txtkode->setEnabled(true);
    txtkode->setFocus();
    cmdtambah->setEnabled(false);
}

frmbrg::Code frmbrg::testCode()
{
    if (txtkode->text().isEmpty()) {
        app().dialogs().message(QStringLiteral("Data Harus Diisi"), Style::Information);
        txtkode->setFocus();
        return Code::Empty;
    }
    if (Adodc1->recordCount() > 0) {
        Adodc1->moveFirst();
        Adodc1->find(kKode, txtkode->text());
        if (!Adodc1->eof()) {
            app().dialogs().message(QStringLiteral("Data Sudah ada"), Style::Ok);
            txtkode->setFocus();
            return Code::Present;
        }
    }
    return Code::Free;
}

void frmbrg::on_txtkode_returnPressed()
{
    if (testCode() == Code::Free) {
        txtnama->setEnabled(true);
        txtnama->setFocus();
    }
}

void frmbrg::on_txtnama_returnPressed()
{
    txtmerk->setEnabled(true);
    txtmerk->setFocus();
}

void frmbrg::on_txtmerk_returnPressed()
{
    txtsup->setEnabled(true);
    txtsup->setFocus();
}

void frmbrg::on_txtsup_returnPressed()
{
    txtsatuan->setEnabled(true);
    txtsatuan->setFocus();
}

void frmbrg::on_txtsatuan_returnPressed()
{
    cmdsimpan->setEnabled(true);
    cmdsimpan->setFocus();
}

void frmbrg::on_cmdsimpan_clicked()
{
    // The code is tested again here, so that an empty or present code is never stored.
    if (testCode() != Code::Free)
        return;
    Adodc1->addNew();
    Adodc1->setField(col::tbarang::Kode_Barang, txtkode->text());
    Adodc1->setField(col::tbarang::Nama_Barang, txtnama->text());
    Adodc1->setField(col::tbarang::Merk, txtmerk->text());
    Adodc1->setField(col::tbarang::Supplier, txtsup->text());
    Adodc1->setField(col::tbarang::Satuan, txtsatuan->text());
    Adodc1->update();
    if (app().dialogs().message(QStringLiteral("Masih ada Input Data lagi ?"),
                                Style::YesNo | Style::Information, kPerhatian)
        == Button::Yes) {
        txtkode->setEnabled(true);
        txtkode->setFocus();
        for (QLineEdit *f : { txtkode, txtnama, txtmerk, txtsup, txtsatuan })
            f->setText(QString());
    } else {
        cmdtutup->setFocus();
    }
    cmdsimpan->setEnabled(false);
    cmdtambah->setEnabled(true);
}

void frmbrg::on_cmdedit_clicked()
{
    app().screens().showModal(app().screens().get<frmeditbrg>());
}

void frmbrg::on_cmdhapus_clicked()
{
    askAndDelete(app().dialogs(), *Adodc1);
}

void frmbrg::on_cmdcari_clicked()
{
    m_cari = askAndFind(app().dialogs(), *Adodc1, kKode,
                        QStringLiteral("Masukan Kode Barang Yang Dicari"));
}

void frmbrg::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
