#include "frmeditbrg.h"
#include "data/recordsource.h"
#include "data/schema.h"
#include "frmbrg.h"
#include "ui/recordcommands.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmeditbrg", .caption = "Edit Barang", .clientWidth = 3945, .clientHeight = 3585, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "Kode Barang", .left = 240, .top = 360, .width = 1095, .height = 255, .tabIndex = 9 },
            { .name = "txtkode", .kind = K::TextField, .text = "", .left = 1920, .top = 360, .width = 1575, .height = 285, .tabIndex = 4, .maxLength = 10 },
            { .name = "Label2", .kind = K::Label, .text = "Nama Barang", .left = 240, .top = 840, .width = 1095, .height = 255, .tabIndex = 8 },
            { .name = "txtnama", .kind = K::TextField, .text = "", .left = 1920, .top = 840, .width = 1935, .height = 285, .tabIndex = 3, .maxLength = 20 },
            { .name = "Label3", .kind = K::Label, .text = "Merk", .left = 240, .top = 1320, .width = 1095, .height = 255, .tabIndex = 7 },
            { .name = "txtmerk", .kind = K::TextField, .text = "", .left = 1920, .top = 1320, .width = 1575, .height = 285, .tabIndex = 2, .maxLength = 20 },
            { .name = "Label4", .kind = K::Label, .text = "Supplier", .left = 240, .top = 1800, .width = 1095, .height = 255, .tabIndex = 6 },
            { .name = "txtsup", .kind = K::TextField, .text = "", .left = 1920, .top = 1800, .width = 1575, .height = 285, .tabIndex = 1, .maxLength = 20 },
            { .name = "Label5", .kind = K::Label, .text = "Satuan", .left = 240, .top = 2280, .width = 1095, .height = 255, .tabIndex = 5 },
            { .name = "txtsatuan", .kind = K::TextField, .text = "", .left = 1920, .top = 2280, .width = 1575, .height = 285, .tabIndex = 0, .maxLength = 10 },
            { .name = "cmdsimpan", .kind = K::Button, .text = "&Simpan", .left = 600, .top = 2880, .width = 975, .height = 375, .tabIndex = 11 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 2040, .top = 2880, .width = 1095, .height = 375, .tabIndex = 10 },
        },
    };
    return form;
}

} // namespace

frmeditbrg::frmeditbrg(App &app)
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
    , cmdsimpan(control<QPushButton>("cmdsimpan"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
{
    onEnter(txtkode, &frmeditbrg::on_txtkode_returnPressed);
    onClicked(cmdsimpan, &frmeditbrg::on_cmdsimpan_clicked);
    onClicked(cmdtutup, &frmeditbrg::on_cmdtutup_clicked);
}

RecordSource &frmeditbrg::source()
{
    return *app().screens().get<frmbrg>().Adodc1;
}

void frmeditbrg::on_txtkode_returnPressed()
{
    RecordSource &s = source();
    const LookUp found = lookUp(app().dialogs(), s, QStringLiteral("Kode_Barang"), txtkode->text(),
                                QStringLiteral("Data tidak Ada"));
    if (found == LookUp::NoRows)
        return;
    m_found = false; // the source has moved: what was found before is no longer current
    if (found != LookUp::Found) {
        txtkode->setFocus();
        txtkode->setText(QString());
        return;
    }
    // A column without a value shows as an empty text. All is read before anything changes.
    const QString values[]
        = { s.field(col::tbarang::Nama_Barang).toText(), s.field(col::tbarang::Merk).toText(),
            s.field(col::tbarang::Supplier).toText(), s.field(col::tbarang::Satuan).toText() };
    m_found = true;
    txtnama->setText(values[0]);
    txtmerk->setText(values[1]);
    txtsup->setText(values[2]);
    txtsatuan->setText(values[3]);
    txtnama->setFocus();
}

void frmeditbrg::on_cmdsimpan_clicked()
{
    if (!m_found) {
        app().dialogs().message(QStringLiteral("Data tidak Ada"), Style::Ok);
        txtkode->setFocus();
        return;
    }
    RecordSource &s = source();
    s.setField(col::tbarang::Kode_Barang, txtkode->text());
    s.setField(col::tbarang::Nama_Barang, txtnama->text());
    s.setField(col::tbarang::Merk, txtmerk->text());
    s.setField(col::tbarang::Supplier, txtsup->text());
    s.setField(col::tbarang::Satuan, txtsatuan->text());
    s.update();
    if (app().dialogs().message(QStringLiteral("Masih Ada edit Lagi?"),
                                Style::YesNo | Style::Information, QStringLiteral("PERHATIAN"))
        == Button::Yes) {
        m_found = false;
        txtkode->setFocus();
        for (QLineEdit *f : { txtkode, txtnama, txtmerk, txtsup, txtsatuan })
            f->setText(QString());
    } else {
        unloadMe();
    }
}

void frmeditbrg::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
