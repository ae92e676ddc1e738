#include "frmstok.h"
#include "data/recordsource.h"
#include "frmestok.h"
#include "goods/frmbrg.h"
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
    const QColor green(192, 255, 192);
    const QColor cyan(128, 255, 255);
    static const FormTable form {
        "frmstok",
        "Input Stok Barang",
        8385,
        8655,
        QColor(),
        nullptr,
        0,
        false,
        QColor(192, 192, 192),
        {
            { "Frame1", K::Frame, "INPUT STOK BARANG", 120, 240, 8055, 3855, 0, 0, Ctl::Bold,
              nullptr, green },
            { "Label1", K::Label, "Kode Barang", 360, 720, 1095, 255, 5, 0, 0, "Frame1" },
            { "txtkode", K::TextField, "", 2040, 720, 1575, 285, 2, 10, Ctl::Disabled, "Frame1" },
            { "Label2", K::Label, "Jumlah Stok", 360, 1200, 1095, 255, 6, 0, 0, "Frame1" },
            { "txtstok", K::TextField, "", 2040, 1200, 975, 285, 3, 10, Ctl::Disabled, "Frame1" },
            { "Label3", K::Label, "Stok Minimum", 360, 1680, 1095, 255, 7, 0, 0, "Frame1" },
            { "txtmin", K::TextField, "", 2040, 1680, 975, 285, 4, 10, Ctl::Disabled, "Frame1" },
            { "DataGrid1", K::Grid, "", 3840, 480, 3255, 2295, 1, 0, 0, "Frame1" },
            { "cmdtambah", K::Button, "&Tambah", 360, 3240, 975, 375, 8, 0, 0, "Frame1" },
            { "cmdsimpan", K::Button, "&Simpan", 1560, 3240, 855, 375, 9, 0, Ctl::Disabled,
              "Frame1" },
            { "cmdedit", K::Button, "&Edit", 2760, 3240, 975, 375, 10, 0, 0, "Frame1" },
            { "cmdcari", K::Button, "&Cari", 4080, 3240, 975, 375, 12, 0, 0, "Frame1" },
            { "cmdhapus", K::Button, "&Hapus", 5280, 3240, 975, 375, 11, 0, 0, "Frame1" },
            { "cmdtutup", K::Button, "T&utup", 6480, 3240, 975, 375, 13, 0, 0, "Frame1" },
            { "Frame2", K::Frame, "DATA BARANG TERDAFTAR", 240, 4440, 7935, 3855, 14, 0, Ctl::Bold,
              nullptr, cyan },
            { "DataGrid2", K::Grid, "", 360, 840, 6855, 2175, 15, 0, 0, "Frame2" },
        },
    };
    return form;
}

const QString kKode = QStringLiteral("Kode_Barang");
const QString kPerhatian = QStringLiteral("PERHATIAN");

// Stock quantities are whole numbers well inside what a double holds exactly.
constexpr int64_t kQuantityLimit = int64_t(1) << 53;

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
    RecordSource &goods = *app().screens().get<frmbrg>().Adodc1;
    if (goods.recordCount() <= 0 && silentWhenNoGoods)
        return false;
    if (goods.recordCount() > 0) {
        goods.moveFirst();
        goods.find(kKode, code);
    }
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
            txtmin->setText(Adodc1->field(2).toDisplay()); // a minimum without a value shows empty
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
    int64_t old = 0;
    if (Adodc1->recordCount() > 0) {
        Adodc1->moveFirst();
        Adodc1->find(kKode, code);
        if (!Adodc1->eof()) {
            const Value stored = Adodc1->field(1);
            if (!stored.isNull())
                old = wholeNumber(stored.toNumber(), -kQuantityLimit, kQuantityLimit);
        }
    }
    const double total = double(old) + entered;

    auto addRecord = [&] {
        Adodc1->addNew();
        Adodc1->setField(0, code);
        Adodc1->setField(1, entered);
        Adodc1->setField(2, leadingNumber(txtmin->text()));
        Adodc1->update();
    };
    if (Adodc1->recordCount() <= 0) {
        addRecord();
        clearFields();
    } else {
        Adodc1->moveFirst();
        Adodc1->find(kKode, code);
        if (!Adodc1->eof()) {
            Adodc1->setField(1, total);
            Adodc1->update();
            clearFields();
        } else {
            addRecord();
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
        }
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
    askAndDelete(app().dialogs(), *Adodc1);
}

void frmstok::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
