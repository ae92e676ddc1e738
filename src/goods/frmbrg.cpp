#include "frmbrg.h"
#include "data/recordsource.h"
#include "frmeditbrg.h"
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
    static const FormTable form {
        "frmbrg",
        "Input Barang",
        7800,
        6660,
        QColor(),
        nullptr,
        0,
        false,
        QColor(192, 255, 192),
        {
            { "Label1", K::Label, "Kode Barang", 2160, 240, 1095, 255, 1 },
            { "txtkode", K::TextField, "", 3840, 240, 1575, 285, 0, 10, Ctl::Disabled },
            { "Label2", K::Label, "Nama Barang", 2160, 720, 1095, 255, 3 },
            { "txtnama", K::TextField, "", 3840, 720, 1935, 285, 2, 20, Ctl::Disabled },
            { "Label3", K::Label, "Merk", 2160, 1200, 1095, 255, 4 },
            { "txtmerk", K::TextField, "", 3840, 1200, 1575, 285, 16 },
            { "Label4", K::Label, "Supplier", 2160, 1680, 1095, 255, 6 },
            { "txtsup", K::TextField, "", 3840, 1680, 1575, 285, 5, 20, Ctl::Disabled },
            { "Label5", K::Label, "Satuan", 2160, 2160, 1095, 255, 8 },
            { "txtsatuan", K::TextField, "", 3840, 2160, 1575, 285, 7, 10, Ctl::Disabled },
            { "DataGrid1", K::Grid, "", 360, 2760, 7095, 2175, 9 },
            { "cmdtambah", K::Button, "&Tambah", 120, 5280, 975, 375, 10 },
            { "cmdsimpan", K::Button, "&Simpan", 1320, 5280, 975, 375, 11, 0, Ctl::Disabled },
            { "cmdedit", K::Button, "&Edit", 2520, 5280, 1095, 375, 12 },
            { "cmdhapus", K::Button, "&Hapus", 3840, 5280, 1095, 375, 13 },
            { "cmdcari", K::Button, "&Cari", 5160, 5280, 1095, 375, 14 },
            { "cmdtutup", K::Button, "T&utup", 6480, 5280, 1095, 375, 15 },
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
    Adodc1->setField(0, txtkode->text());
    Adodc1->setField(1, txtnama->text());
    Adodc1->setField(2, txtmerk->text());
    Adodc1->setField(3, txtsup->text());
    Adodc1->setField(4, txtsatuan->text());
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
